#pragma once
// Folders, file tests, attributes and listings as the program needs them on Linux.
// All paths are UTF-8 std::string. Names the program builds use "/"; the split
// helpers also accept "\" (paths written on Windows, e.g. in old play lists) and
// ":" only in the drive form (a letter and a colon at the start, "c:abc.mp3"),
// since ":" is a legal character in Linux names.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace paths {

// The folder that holds PlaySyk.ini and the default play list, without a
// trailing "/": $ZUNKARAOKE_DIR when set; else the user's configuration folder
// $XDG_CONFIG_HOME/zunkaraoke (~/.config/zunkaraoke when XDG_CONFIG_HOME is
// unset or not absolute). Created when missing. Never the folder of the
// executable: a build folder is thrown away with the user's settings in it.
std::string programFolder();
// True when ZUNKARAOKE_DIR names the program folder.
bool programFolderFromEnvironment();
// The folder of the executable itself (where shipped assets live), no trailing "/".
std::string executableFolder();
// The folder the program runs in (its working folder), no trailing "/"; ""
// when it cannot be known (it was removed meanwhile).
std::string currentFolder();
// The user's home folder, with a trailing "/" (stands in for the old "c:\").
std::string homeFolder();

// True for an existing regular file (symbolic links followed). Never throws.
bool isFile(const std::string& path);
// True for an existing folder. Never throws.
bool isFolder(const std::string& path);
// True when anything is there under that name: a file, a folder, a device,
// a pipe (symbolic links followed). Never throws.
bool exists(const std::string& path);
// True when both paths name one existing file (the same text, or two names
// of one file: links, "./", a second spelling of the folder).
bool sameFile(const std::string& a, const std::string& b);
// Size in bytes, -1 when the file does not exist or cannot be read.
std::int64_t fileSize(const std::string& path);
// Creates the folder and its parents; true when it exists afterwards.
bool makeFolders(const std::string& path);
// Removes a file; true when it no longer exists afterwards.
bool removeFile(const std::string& path);

// Attributes in the old style. Only the read-only bit is stored on Linux: it
// is the owner's write permission. A name beginning with "." reports hidden.
constexpr int kAttrReadOnly = 1;
constexpr int kAttrHidden = 2;
constexpr int kAttrDirectory = 16;
constexpr int kAttrArchive = 32;   // a plain file: what the system calls "normal"
constexpr int kAttrInvalid = -1;   // the path does not exist
int getFileAttributes(const std::string& path);
// Sets the read-only bit from `attrs` (kAttrReadOnly set: owner write removed;
// clear: owner write added). The other bits cannot be stored and are ignored.
// False when the path does not exist or the permission cannot be changed.
bool setFileAttributes(const std::string& path, int attrs);

struct FileEntry {
    std::string name;      // file name only
    std::int64_t size = 0; // bytes
};
struct ListOptions {
    // Lower-case endings to keep (".mp3", ".kar"); compared without regard
    // to case. Empty keeps every file.
    std::vector<std::string> extensions;
    bool includeHidden = false; // names beginning with "."
};
// The regular files of a folder (no sub-folders), sorted by name without
// regard to case (byte order breaks ties). An unreadable folder gives none.
std::vector<FileEntry> listFolder(const std::string& folder, const ListOptions& options = {});

// Names of the sub-folders of a folder (links to folders count), unsorted;
// "." and ".." never, names beginning with "." only with includeHidden. The
// names are the file system's bytes. An unreadable folder gives none.
std::vector<std::string> listSubfolders(const std::string& folder, bool includeHidden = false);

// Finds a file whose name matches the last part of `path` without regard to
// case, in the folder of `path`: the exact name first, then a case-insensitive
// match (songs and sync files copied from Windows: "Song.MP3" -> "song.syk").
// Returns the path of the file found (folder part unchanged), or "".
std::string findFileNoCase(const std::string& path);

// Position of the last separator ("/", "\", or the drive colon), npos if none.
std::size_t lastSeparator(std::string_view path);
bool isSeparator(char c);
// Name after the last separator ("" when the path has none or ends with one).
std::string fileNamePart(std::string_view path);
// Path up to and including the last separator ("" when there is none).
std::string folderPart(std::string_view path);
// folder + name, adding "/" when the folder is not empty and does not already
// end with a separator.
std::string join(std::string_view folder, std::string_view name);
// The folder with a trailing separator ("/" added when missing; "" stays "").
std::string withTrailingSlash(std::string_view folder);

} // namespace paths
