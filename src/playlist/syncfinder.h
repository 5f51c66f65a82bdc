#pragma once
// Sync-file lookups for many songs at once.
//
// Each row of a list of thousands of songs needs its .syk and .sy1 files looked
// up (in the sync folder first, then beside the song). Asking the file system
// for every candidate, plus a case-insensitive scan for files copied from
// Windows, would cost several system calls per song; instead each folder is read
// once and the names are looked up in memory. The rules are the ones of the
// single-song lookup: the song's file name less its last three characters
// followed by "syk" or "sy1", in the sync folder first, then beside the song;
// the exact name first, then a name that matches without regard to case.
#include "platform/files/paths.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace PlayList {

// One regular file of a folder as the listing found it.
using FolderEntry = paths::FileEntry;

// The visible regular files of a folder (not folders), sorted by name without
// regard to case. Empty when the folder is missing or unreadable.
std::vector<FolderEntry> readFolderEntries(const std::string& folder);

class SyncFinder {
public:
    // `syncFolder` is the [Path] "Path Syk" value; "" means no sync folder.
    explicit SyncFinder(std::string syncFolder);
    ~SyncFinder();
    SyncFinder(const SyncFinder&) = delete;
    SyncFinder& operator=(const SyncFinder&) = delete;

    // Full path of the song's .syk / .sy1 file, or "" when there is none.
    std::string findSyk(const std::string& songPath) { return find(songPath, "syk"); }
    std::string findSy1(const std::string& songPath) { return find(songPath, "sy1"); }
    // `ext` is the three-letter replacement of the song's extension.
    std::string find(const std::string& songPath, const char* ext);

    // Hands the finder a folder listing it would otherwise read itself (the
    // folder browser has just read it).
    void seedFolder(const std::string& folder, const std::vector<FolderEntry>& entries);

private:
    struct Index;
    const Index& indexOf(const std::string& folder);
    std::string lookIn(const std::string& folder, const std::string& name);

    std::string syncFolder_;
    std::unordered_map<std::string, std::unique_ptr<Index>> folders_;
};

} // namespace PlayList
