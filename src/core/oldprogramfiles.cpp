// The one-time copy of the settings an older run kept beside the executable.
#include "core/oldprogramfiles.h"

#include "core/modini.h"
#include "platform/files/language.h"
#include "platform/files/paths.h"
#include "platform/files/profile.h"
#include "platform/files/textfile.h"
#include "platform/forms/prompter.h"
#include "playlist/playlistrow.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace modIni {

namespace {

constexpr const char* kIniName = "PlaySyk.ini";

// The bytes of an old file; nullopt with the reason in `error` when it cannot
// be read (no permission, a folder, a link to nothing).
std::optional<std::string> readOld(const std::string& path, int& error)
{
    error = 0;
    // Only a regular file is read: a pipe would never end.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = errno;
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return std::nullopt;
    }
    if (auto bytes = textfile::readBytes(path))
        return bytes;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
    } else {
        ::close(fd);
        error = EIO;
    }
    return std::nullopt;
}

// Something is there under that name (a file, a folder, or a link, even one
// to nothing): never written over.
bool taken(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// A free name in `folder` for the copy of `name`: "list-old.lst",
// "list-old2.lst", ...
std::string freeName(const std::string& folder, const std::string& name)
{
    const auto dot = name.rfind('.');
    const std::string base = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string ext = dot == std::string::npos || dot == 0 ? "" : name.substr(dot);
    for (int n = 1;; ++n) {
        const std::string candidate = base + "-old" + (n > 1 ? std::to_string(n) : "") + ext;
        if (!taken(paths::join(folder, candidate)))
            return candidate;
    }
}

// The file a [Path] value names when it lies directly in `folder`, else "".
std::string nameIn(const std::string& value, const std::string& folder)
{
    if (value.empty() || paths::folderPart(value) != paths::withTrailingSlash(folder))
        return "";
    return paths::fileNamePart(value);
}

// Copies the old files one by one, each once, and remembers what became of it.
class Copier {
public:
    Copier(std::string from, std::string to, OldFilesReport& report)
        : from_(std::move(from)), to_(std::move(to)), report_(report)
    {
    }

    // Copies `name` of the old folder; the path the settings should name
    // now (the copy, or the old file when it could not be copied).
    std::string copy(const std::string& name)
    {
        for (const auto& [done, where] : placed_)
            if (done == name)
                return where;
        const std::string where = place(name);
        placed_.emplace_back(name, where);
        return where;
    }

private:
    std::string place(const std::string& name)
    {
        const std::string oldPath = paths::join(from_, name);
        OldFileCopy item;
        item.name = name;
        const auto bytes = readOld(oldPath, item.error);
        if (!bytes) {
            item.outcome = OldFileCopy::NotReadable;
            report_.files.push_back(item);
            return oldPath;
        }
        std::string target = name;
        if (taken(paths::join(to_, name))) {
            // The same file is there already: nothing to copy.
            const auto there = textfile::readBytes(paths::join(to_, name));
            if (there && *there == *bytes)
                return paths::join(to_, name);
            target = freeName(to_, name);
        }
        if (!textfile::saveBytesAtomic(paths::join(to_, target), *bytes)) {
            item.outcome = OldFileCopy::NotWritten;
            item.reason = LastSaveFailureReason();
            report_.files.push_back(item);
            return oldPath;
        }
        item.outcome = target == name ? OldFileCopy::Copied : OldFileCopy::CopiedAs;
        item.newName = target;
        report_.files.push_back(item);
        return paths::join(to_, target);
    }

    std::string from_, to_;
    OldFilesReport& report_;
    std::vector<std::pair<std::string, std::string>> placed_;
};

std::string describe(const OldFileCopy& f, bool fr)
{
    switch (f.outcome) {
    case OldFileCopy::Copied:
        return f.name;
    case OldFileCopy::CopiedAs:
        return fr ? f.name + ", copié sous le nom " + f.newName +
                        " : le dossier contenait déjà un autre fichier de ce nom"
                  : f.name + ", copied as " + f.newName + ": the folder already held another file of that name";
    case OldFileCopy::NotReadable:
        return f.name + (fr ? " ne peut pas être lu : " : " cannot be read: ") + language::systemError(f.error, fr);
    case OldFileCopy::NotWritten:
        return f.name + (fr ? " ne peut pas être copié : " : " cannot be copied: ") + f.reason;
    }
    return f.name;
}

} // namespace

OldFilesReport CopyOldProgramFiles(const std::string& oldFolder, const std::string& newFolder)
{
    OldFilesReport report;
    const std::string oldIni = paths::join(oldFolder, kIniName);
    const std::string newIni = paths::join(newFolder, kIniName);
    // A dangling link for the new settings counts as settings: the copy goes
    // through it (saves write a link's target), never over the link.
    if (oldFolder.empty() || newFolder.empty() || paths::sameFile(oldFolder, newFolder) || !taken(oldIni)
        || paths::isFolder(oldIni) || paths::isFile(newIni) || !paths::makeFolders(newFolder))
        return report;
    report.found = true;
    Copier copier(oldFolder, newFolder, report);

    // The settings first: the other files follow what they name.
    int error = 0;
    const auto oldSettings = readOld(oldIni, error);
    if (!oldSettings) {
        report.files.push_back({kIniName, "", OldFileCopy::NotReadable, error, ""});
    } else if (!textfile::saveBytesAtomic(newIni, *oldSettings)) {
        report.files.push_back({kIniName, "", OldFileCopy::NotWritten, 0, LastSaveFailureReason()});
    } else {
        report.settingsCopied = true;
        report.files.push_back({kIniName, kIniName, OldFileCopy::Copied, 0, ""});
    }

    // The default play list, which serves when "Path Lst" is empty.
    const std::string oldList = PlayList::defaultListPath(oldFolder);
    std::string listCopy;
    if (paths::isFile(oldList))
        listCopy = copier.copy(paths::fileNamePart(oldList));
    if (!report.settingsCopied)
        return report;

    // Paths the old settings keep inside the old folder follow the files.
    for (const char* key : {"Path Lst", "Path Image"}) {
        const std::string value = profile::GetPrivateProfileString("Path", key, "", newIni);
        if (value.empty()) {
            // The old default list under another name is still the list
            // these settings show.
            if (std::string(key) == "Path Lst" && !listCopy.empty()
                && paths::fileNamePart(listCopy) != paths::fileNamePart(oldList))
                WriteSettingTo(newIni, "Path", key, listCopy);
            continue;
        }
        const std::string name = nameIn(value, oldFolder);
        if (name.empty())
            continue;
        // A file the settings name but that is not there: the setting names
        // the same file in the new folder, as a first run would.
        const std::string where = taken(paths::join(oldFolder, name)) ? copier.copy(name) : paths::join(newFolder, name);
        WriteSettingTo(newIni, "Path", key, where);
    }
    return report;
}

void AdoptOldProgramFiles(const std::string& oldFolder)
{
    if (paths::programFolderFromEnvironment())
        return;
    const std::string folder = paths::programFolder();
    // Said in the language of the old settings, or of the default ones that
    // the program starts with when those cannot be read; the reasons of
    // failed copies too.
    std::string language = profile::GetPrivateProfileString("Setting", "Langue", "", paths::join(oldFolder, kIniName));
    if (language.empty())
        language = IniDefault("Setting", "Langue");
    const std::string runLanguage = std::exchange(Langue, language);
    const OldFilesReport report = CopyOldProgramFiles(oldFolder, folder);
    Langue = runLanguage;
    if (!report.found)
        return;
    const bool fr = language == "Fr";
    std::string copied, notCopied;
    for (const OldFileCopy& f : report.files)
        (f.outcome == OldFileCopy::Copied || f.outcome == OldFileCopy::CopiedAs ? copied : notCopied) +=
            "    " + describe(f, fr) + "\n";
    std::string text;
    if (fr) {
        text = "Vos réglages se trouvaient à côté du programme, dans " + oldFolder + ".\n";
        if (!copied.empty())
            text += "Ceci a été copié dans " + folder + ", où le programme garde désormais ses réglages :\n" + copied;
        if (!notCopied.empty())
            text += "Ceci n'a pas été copié :\n" + notCopied;
        if (!report.settingsCopied)
            text += "Le programme démarre avec ses réglages par défaut. Pour reprendre les anciens, copiez " +
                    std::string(kIniName) + " dans " + folder + " quand il peut être lu, le programme fermé.\n";
        text += "Les fichiers de " + oldFolder + " sont restés tels quels.";
    } else {
        text = "Your settings were kept beside the program, in " + oldFolder + ".\n";
        if (!copied.empty())
            text += "This was copied to " + folder + ", where the program keeps its settings from now on:\n" + copied;
        if (!notCopied.empty())
            text += "This was not copied:\n" + notCopied;
        if (!report.settingsCopied)
            text += "The program starts with its default settings. To take up the old ones, copy " +
                    std::string(kIniName) + " to " + folder + " once it can be read, with the program closed.\n";
        text += "The files in " + oldFolder + " were left as they were.";
    }
    MsgBox(text, vbOKOnly + (notCopied.empty() ? vbInformation : vbExclamation), "");
}

void AdoptOldProgramFiles()
{
    AdoptOldProgramFiles(paths::executableFolder());
}

} // namespace modIni
