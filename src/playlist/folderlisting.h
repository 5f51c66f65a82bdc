#pragma once
// The songs of one folder as the folder view lists them: name, size, kind and
// sync flag per file. Pure: the window side puts the rows into the list.
#include "playlist/syncfinder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace PlayList {

struct FolderRow {
    std::string name;      // the file name with its extension
    std::string sizeText;  // FormatKb of the size
    std::string type;      // "MP3", "Wave", "Midi" or "Kar"
    std::string flag;      // "N", "O"/"Y", then "+" when a .sy1 exists
    std::string icon;      // image-list key by kind and .syk
};

// Decimal kilobytes, rounded up by half a kilobyte, digits grouped by three:
// 0 and 999 bytes give "1kb", 1000 bytes "2kb", 2,345,678 bytes "2,346kb".
std::string FormatKb(std::uint64_t bytes);

// The folder view's sync flag: the play list's ("N", "O"/"Y", then "+"), except
// that a lone .sy1 shows too ("N+"): the folder view is where the user looks
// at which files lie there.
std::string folderSyncFlag(bool hasSyk, bool hasSy1, const std::string& langue);

// Type word of a song file name ("" when the name is no song): ".mp3" "MP3",
// ".wav" "Wave", ".mid" "Midi", ".kar" "Kar", extension compared without case.
std::string songTypeWord(const std::string& name);

// The song files of `folder` (regular files only, sorted by name) with their
// sync flags; the folder is read once and the sync files are looked up in
// memory. `langue` chooses "Y" ("En") or "O".
std::vector<FolderRow> listFolderRows(const std::string& folder, SyncFinder& finder, const std::string& langue);

} // namespace PlayList
