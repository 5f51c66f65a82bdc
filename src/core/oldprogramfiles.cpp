// The one-time copy of the settings an older run kept beside the executable.
#include "core/oldprogramfiles.h"

#include "core/modini.h"
#include "platform/files/paths.h"
#include "platform/files/profile.h"
#include "platform/files/textfile.h"
#include "platform/forms/prompter.h"
#include "playlist/playlistrow.h"

namespace modIni {

namespace {

constexpr const char* kIniName = "PlaySyk.ini";

// Copies a file unless the target exists; true when the copy is in place.
bool copyNew(const std::string& from, const std::string& to)
{
    if (paths::isFile(to))
        return false;
    const auto bytes = textfile::readBytes(from);
    return bytes && textfile::saveBytesAtomic(to, *bytes);
}

// The file a [Path] value names when it lies directly in `folder`, else "".
std::string nameIn(const std::string& value, const std::string& folder)
{
    if (value.empty() || paths::folderPart(value) != paths::withTrailingSlash(folder))
        return "";
    return paths::fileNamePart(value);
}

} // namespace

std::vector<std::string> CopyOldProgramFiles(const std::string& oldFolder, const std::string& newFolder)
{
    std::vector<std::string> copied;
    const std::string oldIni = paths::join(oldFolder, kIniName);
    const std::string newIni = paths::join(newFolder, kIniName);
    if (oldFolder.empty() || newFolder.empty() || paths::sameFile(oldFolder, newFolder) || !paths::isFile(oldIni)
        || paths::isFile(newIni) || !paths::makeFolders(newFolder))
        return copied;
    if (!copyNew(oldIni, newIni))
        return copied;
    copied.push_back(kIniName);

    const std::string oldList = PlayList::defaultListPath(oldFolder);
    if (paths::isFile(oldList)) {
        const std::string name = paths::fileNamePart(oldList);
        if (copyNew(oldList, paths::join(newFolder, name)))
            copied.push_back(name);
    }

    // Paths the old settings keep inside the old folder follow the files.
    for (const char* key : {"Path Lst", "Path Image"}) {
        const std::string value = profile::GetPrivateProfileString("Path", key, "", newIni);
        const std::string name = nameIn(value, oldFolder);
        if (name.empty())
            continue;
        const std::string from = paths::join(oldFolder, name);
        const std::string to = paths::join(newFolder, name);
        if (paths::isFile(from) && copyNew(from, to))
            copied.push_back(name);
        profile::WritePrivateProfileString("Path", key, to, newIni);
    }
    return copied;
}

void AdoptOldProgramFiles(const std::string& oldFolder)
{
    if (paths::programFolderFromEnvironment())
        return;
    const std::string folder = paths::programFolder();
    const std::vector<std::string> copied = CopyOldProgramFiles(oldFolder, folder);
    if (copied.empty())
        return;
    std::string names;
    for (const std::string& n : copied)
        names += "    " + n + "\n";
    const bool fr = profile::GetPrivateProfileString("Setting", "Langue", "", paths::join(folder, kIniName)) == "Fr";
    if (fr)
        MsgBox("Vos réglages se trouvaient à côté du programme, dans " + oldFolder + ".\n"
                   "Ils ont été copiés dans " + folder + ", où le programme les garde désormais :\n" + names,
               vbOKOnly + vbInformation, "");
    else
        MsgBox("Your settings were kept beside the program, in " + oldFolder + ".\n"
                   "They were copied to " + folder + ", where the program keeps them from now on:\n" + names,
               vbOKOnly + vbInformation, "");
}

void AdoptOldProgramFiles()
{
    AdoptOldProgramFiles(paths::executableFolder());
}

} // namespace modIni
