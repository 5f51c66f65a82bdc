#include "core/modini.h"

#include "platform/files/language.h"
#include "platform/files/paths.h"
#include "platform/files/profile.h"
#include "platform/files/runtime.h"
#include "platform/files/textfile.h"
#include "platform/forms/prompter.h"

#include <chrono>
#include <cstring>
#include <sys/stat.h>
#include <utility>

namespace modIni {

namespace {

// The settings file's default contents, section by section; "c:\" stands for
// the user's home folder and is replaced when the file is written.
constexpr const char* kDefaultIni[] = {
    "[Path]",
    "Path=c:\\",
    "Path Mp3=c:\\",
    "Path syk=c:\\",
    "Path Lst=",
    "Path Image=",
    "Path PgmImage=@ZunMp3",
    "",
    "[Setting]",
    "Setup=0",
    "ButtomColor=15788257",
    "ListColor=16777215",
    "PgmColor=14865093",
    "Theme=1",
    "FrezeDeskTop=1",
    "ListView=2",
    "GridLines=0",
    "SSTab=0",
    "Langue=Fr",
    "CheckUpd=0",
    "NextUpd=1",
    "MidiOut=-1",
    "",
    "[Player Windows]",
    "Top=75",
    "Left=150",
    "",
    "[Record Windows]",
    "Top=75",
    "Left=150",
    "Check_Scrole=1",
    "",
    "[Kar Windows]",
    // Under the song editor at its default place (top 75, 6630 high with its
    // frame): higher, the lyric window covers the editor's bottom buttons.
    "Top=6705",
    "Left=150",
    "Height=2775",
    "Width=10875",
    "FontColor=16744448",
    "FontColorActif=255",
    "FontColorPassif=12615680",
    "BackColor=11860476",
    "ShadowColor=0",
    "FontName=Comic Sans MS",
    "FontSize=26",
    "FontBold=1",
    "NbLigne=2",
    "NbLigneNeg=0",
    "AutoH=0",
    "ShowMenu=1",
    "Scroll=0",
    "Ball=1",
    "BallColor=65535",
    "BallSize=175",
    "CountDown=1",
    "CountDownSize=12",
    "CountDownColor=16711680",
    "CountDownBar = 1",
    "ShadowH=30",
    "ShadowV=30",
    "",
    "[CfgKaraoke Windows]",
    "Top=360",
    "Left=705",
    "",
};

bool iniErrorShown = false;
std::string iniWriteFailure;

void noteIniWriteFailure()
{
    if (iniWriteFailure.empty())
        iniWriteFailure = LastSaveFailureReason();
}

void showIniError(const std::string& path)
{
    // Once per run: every setting read goes through here, and a settings file
    // that cannot be created would otherwise raise dozens of boxes at start-up.
    if (iniErrorShown)
        return;
    iniErrorShown = true;
    if (IniErrorBox)
        IniErrorBox(path);
    else
        MsgBox(path, vbYesNo, "INI File Error"); // the answer is not used
}

// ---- Another running player holding the settings ----------------------------
// Each write takes the settings lock. While another player holds it, the first
// write waits a moment and then asks the user once (so it does, without the
// wait, when something else stands at the lock's name); the answer holds for the
// writes that follow in the same burst (a dialog's Save writes a dozen keys),
// so the window never waits key after key.
constexpr int kLockWaitMs = 300;
constexpr auto kBurstGap = std::chrono::seconds(2);

enum class LockAnswer { None, Skip, WriteWithoutLock };
LockAnswer lockAnswer = LockAnswer::None;
std::chrono::steady_clock::time_point lastWriteAt;

// Whether the last question was about a lock that cannot be taken at all
// rather than one another player holds.
bool lockUnavailable = false;

// Like noteIniWriteFailure, for a write given up because another player
// holds the lock, or because the lock cannot be taken.
void noteLockBusy()
{
    if (!iniWriteFailure.empty())
        return;
    const bool fr = Langue == "Fr";
    if (lockUnavailable)
        iniWriteFailure = fr ? "le verrou des réglages ne peut pas être pris." : "the settings lock cannot be taken.";
    else
        iniWriteFailure = fr ? "un autre lecteur en cours utilise les réglages."
                             : "another running player is using the settings.";
}

// Why the settings lock of `path` cannot be taken: what stands at its name
// in place of a lock file, in the interface language.
std::string whyNoLock(const std::string& path)
{
    const bool fr = Langue == "Fr";
    struct stat st {};
    if (::lstat((path + ".lock").c_str(), &st) == 0) {
        if (S_ISLNK(st.st_mode))
            return fr ? "c'est un lien symbolique." : "it is a symbolic link.";
        if (S_ISDIR(st.st_mode))
            return fr ? "c'est un dossier." : "it is a folder.";
        if (!S_ISREG(st.st_mode))
            return fr ? "ce n'est pas un fichier ordinaire." : "it is not a regular file.";
    }
    const textfile::FileLock again(path, 0);
    if (again.unavailable() && again.error() != 0)
        return language::systemError(again.error(), fr);
    return fr ? "erreur inconnue." : "unknown error.";
}

int askAboutBusyLock(const std::string& path, bool unavailable)
{
    const bool fr = Langue == "Fr";
    std::string said;
    if (unavailable) {
        const std::string lock = path + ".lock";
        said = fr ? "Le verrou des réglages ne peut pas être pris :\n" + lock + "\n" + whyNoLock(path)
                  : "The settings lock cannot be taken:\n" + lock + "\n" + whyNoLock(path);
    } else {
        said = fr ? "Un autre lecteur Zun Mp3 Karaoke en cours utilise les réglages :\n" + path
                  : "Another running Zun Mp3 Karaoke player is using the settings:\n" + path;
    }
    if (fr)
        return MsgBox(said +
                          "\n\nAbandonner : ne pas enregistrer les réglages cette fois.\n"
                          "Réessayer : essayer de nouveau.\n"
                          "Ignorer : les enregistrer quand même (ce qu'un autre lecteur y écrit au même moment "
                          "peut être perdu).",
                      vbAbortRetryIgnore + vbExclamation, "Attention");
    return MsgBox(said +
                      "\n\nAbort: do not save the settings this time.\n"
                      "Retry: try again.\n"
                      "Ignore: save them anyway (what another player writes at the same moment may be lost).",
                  vbAbortRetryIgnore + vbExclamation, "Warning");
}

// Writes one key under the settings lock, asking the user when another
// player holds it or when it cannot be taken. False when the value was not
// stored.
bool writeSetting(std::string_view SecName, std::string_view KeyName, const std::string& value,
                  const std::string& path)
{
    const auto now = std::chrono::steady_clock::now();
    if (now - lastWriteAt > kBurstGap)
        lockAnswer = LockAnswer::None;
    lastWriteAt = now;
    if (lockAnswer == LockAnswer::Skip) {
        noteLockBusy();
        return false;
    }
    // After "Ignore" the lock is still taken when it is free, never waited for.
    const int wait = lockAnswer == LockAnswer::WriteWithoutLock ? 0 : kLockWaitMs;
    for (;;) {
        profile::WriteResult r = profile::WriteProfileString(SecName, KeyName, value, path, wait);
        const bool noLock = r == profile::WriteResult::LockBusy || r == profile::WriteResult::LockUnavailable;
        if (noLock && lockAnswer == LockAnswer::WriteWithoutLock)
            r = profile::WriteProfileString(SecName, KeyName, value, path, -1);
        if (r == profile::WriteResult::Written)
            return true;
        if (r == profile::WriteResult::Failed) {
            noteIniWriteFailure();
            return false;
        }
        lockUnavailable = r == profile::WriteResult::LockUnavailable;
        const int answer = askAboutBusyLock(path, lockUnavailable);
        lastWriteAt = std::chrono::steady_clock::now(); // the time spent answering is no gap
        if (answer == vbRetry)
            continue;
        if (answer == vbIgnore) {
            lockAnswer = LockAnswer::WriteWithoutLock;
            continue;
        }
        lockAnswer = LockAnswer::Skip;
        noteLockBusy();
        return false;
    }
}

// Sync file name for a song: its name without the last three characters
// (the extension after the dot) followed by `ext`.
std::string syncName(const std::string& songName, const char* ext)
{
    const std::size_t n = vb::Len(songName);
    return vb::Left(songName, static_cast<long>(n >= 3 ? n - 3 : 0)) + ext;
}

// A candidate exists by its exact name, or by a name that differs only in
// case (files copied from Windows). Returns the name found, or "".
std::string existingNoCase(const std::string& candidate)
{
    if (FileExists(candidate))
        return candidate;
    const std::string found = paths::findFileNoCase(candidate);
    if (!found.empty() && FileExists(found))
        return found;
    return {};
}

} // namespace

IniValue::IniValue(double d) : text(vb::CStr(d)) {}
IniValue::IniValue(float f) : text(vb::CStr(f)) {}

std::string IniPath()
{
    return paths::programFolder() + "/PlaySyk.ini";
}

void ResetIniErrorShown()
{
    iniErrorShown = false;
}

bool WriteSettingTo(const std::string& path, std::string_view SecName, std::string_view KeyName,
                    const std::string& value)
{
    return writeSetting(SecName, KeyName, value, path);
}

std::string TakeIniWriteFailure()
{
    // A new round of writes: a busy settings lock is asked about again.
    lockAnswer = LockAnswer::None;
    return std::exchange(iniWriteFailure, std::string());
}

std::string LastSaveFailureReason()
{
    const textfile::SaveError e = textfile::lastSaveError();
    const bool fr = Langue == "Fr";
    switch (e.kind) {
    case textfile::SaveFailure::ReadOnlyFile:
        return fr ? "le fichier est en lecture seule." : "the file is read-only.";
    case textfile::SaveFailure::DiskFull:
        return fr ? "le disque est plein." : "the disk is full.";
    case textfile::SaveFailure::UnreadableFile:
        return fr ? "le fichier ne peut pas être lu : il n'est pas réécrit, pour ne rien perdre de ce qu'il contient."
                  : "the file cannot be read: it is not rewritten, so that nothing it holds is lost.";
    case textfile::SaveFailure::FolderNotWritable:
        return fr ? "le dossier ne peut pas être modifié (lecture seule ou droits insuffisants)."
                  : "the folder cannot be written to (read-only or no permission).";
    case textfile::SaveFailure::None:
    case textfile::SaveFailure::Other:
        break;
    }
    if (e.error != 0)
        return language::systemError(e.error, fr);
    return fr ? "erreur inconnue." : "unknown error.";
}

std::string DefaultIniText()
{
    const std::string home = paths::homeFolder();
    std::string text;
    for (const char* line : kDefaultIni) {
        text += vb::Replace(line, "c:\\", home);
        text += "\r\n";
    }
    return text;
}

std::string IniDefault(std::string_view SecName, std::string_view KeyName)
{
    bool inSection = false;
    for (const char* raw : kDefaultIni) {
        const std::string line = vb::Trim(raw);
        if (!line.empty() && line.front() == '[') {
            inSection = line.size() >= 2 && vb::EqualsNoCase(line.substr(1, line.size() - 2), SecName);
            continue;
        }
        const auto eq = line.find('=');
        if (inSection && eq != std::string::npos && vb::EqualsNoCase(vb::Trim(line.substr(0, eq)), KeyName))
            return vb::Replace(vb::Trim(line.substr(eq + 1)), "c:\\", paths::homeFolder());
    }
    return {};
}

std::string IniGetOrDefault(std::string_view SecName, std::string_view KeyName)
{
    std::string v = IniAccess("GET", SecName, KeyName);
    return v.empty() ? IniDefault(SecName, KeyName) : v;
}

void WriteDefaultIni()
{
    try {
        // Written beside and renamed over: the old file goes only once the new
        // one is complete.
        textfile::writeText(IniPath(), DefaultIniText());
    } catch (...) {
        // Failures are left to the caller, which checks that the file exists.
    }
}

std::string IniAccess(std::string_view Mode, std::string_view SecName, std::string_view KeyName,
                      std::optional<IniValue> KeyValue)
{
    if (Mode.empty())
        return "ERROR MODE";
    if (SecName.empty())
        return "ERROR Secname";
    if (KeyName.empty())
        return "ERROR Keyname";
    try {
        const std::string P = IniPath();
        // A read-only settings file is made writable before every access.
        if (paths::getFileAttributes(P) != paths::kAttrArchive)
            paths::setFileAttributes(P, paths::kAttrArchive);
        const std::string mode = vb::UCase(Mode);
        if (!FileExists(P)) {
            {
                // Two instances starting together write the defaults once
                // (briefly waited for: the other one writes them in a moment).
                const textfile::FileLock lock(P, kLockWaitMs);
                if (!FileExists(P))
                    WriteDefaultIni();
            }
            if (!FileExists(P)) {
                if (mode == "WRITE")
                    noteIniWriteFailure();
                showIniError(P);
                return "";
            }
        }
        if (mode == "WRITE") {
            if (!KeyValue || KeyValue->text.empty())
                return "ERROR KeyValue";
            // The write's result is kept for the dialogs that save settings:
            // they say once that the settings were not stored.
            writeSetting(SecName, KeyName, KeyValue->text, P);
            return "";
        }
        if (mode == "GET") {
            // The whole value: folders and play lists may lie deeper than the
            // 99 characters an older buffer-based read kept.
            const std::string v = profile::GetPrivateProfileString(SecName, KeyName, "Failed", P);
            if (v.compare(0, 6, "Failed") == 0)
                return "";
            return v;
        }
        return "";
    } catch (...) {
        // Reading a setting never ends the program: the caller gets "" and
        // uses its default.
        return "";
    }
}

bool FileExists(const std::string& path)
{
    try {
        if (path.empty() || paths::isSeparator(path.back()))
            return false;
        // Hidden files (names beginning with ".") are not found, as a listing
        // of normal files would not show them.
        const auto slash = path.rfind('/');
        const std::string_view name = slash == std::string::npos ? std::string_view(path)
                                                                 : std::string_view(path).substr(slash + 1);
        if (!name.empty() && name.front() == '.')
            return false;
        return paths::isFile(path);
    } catch (...) {
        return false;
    }
}

std::string GetFileName(const std::string& path)
{
    return paths::fileNamePart(path);
}

std::string GetFilePath(const std::string& path)
{
    return paths::folderPart(path);
}

SyncFileSearch SearchSyncFile(const std::string& song, const char* ext)
{
    SyncFileSearch result;
    if (song.empty())
        return result;
    // The sync folder is read each time: the settings dialog may change it.
    std::string folder = IniAccess("GET", "Path", "Path Syk");
    // A folder typed without its final separator would glue the folder and
    // the file name together; add the separator it was meant to have.
    if (!folder.empty() && !paths::isSeparator(folder.back()))
        folder += '/';
    std::string name = GetFileName(song);
    if (name.empty() && !paths::isSeparator(song.back()))
        name = song; // a bare file name
    const std::string candidates[] = {folder + syncName(name, ext), syncName(song, ext)};
    for (const std::string& candidate : candidates)
        if (result.file = existingNoCase(candidate); !result.file.empty())
            return result;
    for (const std::string& candidate : candidates) {
        struct stat st {};
        if (::stat(candidate.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            result.notAFile = candidate;
            break;
        }
    }
    return result;
}

std::string FindSykFile(const std::string& song)
{
    return SearchSyncFile(song, "syk").file;
}

std::string FindSy1File(const std::string& song)
{
    return SearchSyncFile(song, "sy1").file;
}

long GetColorPart(long colour, std::string_view part)
{
    const unsigned long v = static_cast<unsigned long>(colour) & 0xFFFFFFul;
    if (part == "gcRed")
        return static_cast<long>(v & 0xFF);
    if (part == "gcGreen")
        return static_cast<long>((v >> 8) & 0xFF);
    if (part == "gcBlue")
        return static_cast<long>((v >> 16) & 0xFF);
    return 0;
}

long GetColorPart(std::string_view colour, std::string_view part)
{
    // Any number converts; only its low 24 bits are a colour.
    const double d = vb::RoundEven(vb::Val(colour));
    if (!(d > -9.2e18 && d < 9.2e18))
        return 0;
    return GetColorPart(static_cast<long>(static_cast<long long>(d) & 0xFFFFFF), part);
}

void CheckDecimalSep()
{
    // Every number in our files is read accepting "," or "." and written
    // without the locale, so the comma rule is never needed.
    DecimalComma = false;
}

} // namespace modIni
