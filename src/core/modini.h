#pragma once
// The settings store over "PlaySyk.ini", the path and sync-file helpers, the
// small shared helpers that need no window, and the run state and cached
// settings that every subsystem reads.
#include <array>
#include <concepts>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace modIni {

// ---- Settings store -------------------------------------------------------

// The value handed to IniAccess "WRITE": text, or a number written as decimal
// text ("1500", "0.5"). Booleans are refused on purpose: flags are stored as
// "0"/"1" and the caller says which.
struct IniValue {
    std::string text;
    IniValue(std::string s) : text(std::move(s)) {}
    IniValue(std::string_view s) : text(s) {}
    IniValue(const char* s) : text(s ? s : "") {}
    template <std::integral T>
        requires(!std::same_as<T, bool> && !std::same_as<T, char>)
    IniValue(T n) : text(std::to_string(n)) {}
    IniValue(double d);
    IniValue(float f);
    IniValue(bool) = delete;
};

// Full path of the settings file: program folder + "/PlaySyk.ini".
std::string IniPath();

// One setting. Mode "GET" (any case): the whole stored value, or "" when the
// key or section is missing. Mode "WRITE": stores KeyValue and
// returns "". Error texts: "ERROR MODE", "ERROR Secname", "ERROR Keyname"
// (empty argument), "ERROR KeyValue" (WRITE with a missing or empty value).
// Any other mode returns "". A missing file is first recreated with every
// default; a read-only file is made writable.
std::string IniAccess(std::string_view Mode, std::string_view SecName, std::string_view KeyName,
                      std::optional<IniValue> KeyValue = std::nullopt);

// Rewrites the settings file with every default value.
void WriteDefaultIni();
// The default file's text, exactly as WriteDefaultIni writes it (CR LF lines).
std::string DefaultIniText();
// The default value of a key as the default file holds it ("" for a key it
// does not hold); names are matched without regard to case.
std::string IniDefault(std::string_view SecName, std::string_view KeyName);
// GET, but a key that is missing or empty in an existing (older or
// hand-edited) settings file gives its default value instead of "", so a
// colour or a font never silently becomes 0 or nameless.
std::string IniGetOrDefault(std::string_view SecName, std::string_view KeyName);

// Stores one key in the settings file at `path` as IniAccess "WRITE" does
// (for a settings file that is not IniPath() yet): while another running
// player holds the settings lock, one short wait and one question for a
// burst of writes, never a wait per key. False when the value was not stored;
// the reason is kept for TakeIniWriteFailure.
bool WriteSettingTo(const std::string& path, std::string_view SecName, std::string_view KeyName,
                    const std::string& value);

// Settings writes report no result (callers write many keys in a row); the
// first failure since the last call is kept instead. Returns why it failed, in
// the interface language ("" when every write since was stored), and forgets it.
std::string TakeIniWriteFailure();
// Why the last file save of this thread failed, in the interface language
// ("the disk is full.", "the file is read-only.", ...).
std::string LastSaveFailureReason();

// When the settings file cannot be created, the "INI File Error" box (the
// file's path, Yes and No buttons) is shown once per run through the prompter;
// a function set here is called instead of the box.
inline std::function<void(const std::string& path)> IniErrorBox;
// Lets the next failure show the box again (tests).
void ResetIniErrorShown();

// ---- Paths and sync files -------------------------------------------------

// True for an existing, visible regular file; a path ending with a separator
// (a folder) is never a file. Never fails.
bool FileExists(const std::string& path);
// The part after the last separator ("/", "\", or the drive colon of "c:x");
// "" when the path has no separator.
std::string GetFileName(const std::string& path);
// The part up to and including the last separator; "" when there is none.
std::string GetFilePath(const std::string& path);
// The song's .syk / .sy1 file: first in the sync folder [Path] "Path Syk", then
// beside the song (each by exact name, then without regard to case); "" when
// none exists.
std::string FindSykFile(const std::string& song);
std::string FindSy1File(const std::string& song);
// The same search for "syk" or "sy1", which also gives, when no file is
// found, the first of those names where something that is no file stands (a
// folder, say): it cannot be read as a sync file.
struct SyncFileSearch {
    std::string file;
    std::string notAFile;
};
SyncFileSearch SearchSyncFile(const std::string& song, const char* ext);

// ---- Shared helpers -------------------------------------------------------

// Red, green or blue byte of a 0xBBGGRR colour given as decimal text or number.
// Selector "gcRed", "gcGreen" or "gcBlue"; anything else gives 0.
long GetColorPart(std::string_view colour, std::string_view part);
long GetColorPart(long colour, std::string_view part);
// Decimal numbers are read and written without the locale here, so the comma
// flag is always false; kept so the time readers keep one rule.
void CheckDecimalSep();

// ---- Run state ------------------------------------------------------------

inline std::string Langue;             // "Fr", "En", ... (language code)
inline bool IsPlaying = false;         // a song is playing
inline std::string MediaKind = "None"; // "midi", "mp3" or "None"
inline bool PlayListModified = false;
inline bool DecimalComma = false;
inline bool QuitOnPlayerClose = true;
inline std::string CmdLine;            // the command line, then "Fin"
inline std::string ActiveWindowName;   // "Player", "Record", "Karaoke", "Karaoke_K1"

// ---- Settings cached at start-up --------------------------------------------

inline std::array<int, 3> KarScrollPos{0, 3, 4}; // [1] left margin, [2] top (hundreds of twips)
inline int ThemeIndex = 1;              // [Setting] Theme
inline std::string PathPgmImage;        // [Path] Path PgmImage
inline std::string LastDirList;         // [Path] Path
inline std::string PathMp3;             // [Path] Path Mp3
inline std::string PathSyk;             // [Path] Path Syk
inline std::string PathLst;             // [Path] Path Lst
inline std::string PathImage;           // [Path] Path Image
inline int MidiOut = -1;                // [Setting] MidiOut
inline std::string FrezeDeskTop;        // [Setting] FrezeDeskTop
inline int PlayListTab = 0;             // [Setting] SSTab
inline std::string KarBackColor;        // [Kar Windows] colours, decimal text
inline std::string KarFontColor;
inline std::string KarFontColorActif;
inline std::string KarFontColorPassif;
inline std::string KarShadowColor;
inline std::string KarShadowColorIni;   // the shadow colour as read from the settings
inline std::string KarFontName;         // [Kar Windows] FontName
inline int KarFontSize = 26;            // [Kar Windows] FontSize
inline bool KarFontBold = true;         // [Kar Windows] FontBold = 1
inline int NbLigne = 2;                 // [Kar Windows] NbLigne
inline int ShadowH = 30;                // [Kar Windows] ShadowH
inline int ShadowV = 30;                // [Kar Windows] ShadowV
// Red, green and blue parts of the three lyric colours, as decimal text.
inline std::string FontRed, FontGreen, FontBlue;
inline std::string ActifRed, ActifGreen, ActifBlue;
inline std::string PassifRed, PassifGreen, PassifBlue;

} // namespace modIni
