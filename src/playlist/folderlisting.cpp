#include "playlist/folderlisting.h"

#include "playlist/playlistrow.h"

#include <clocale>
#include <cmath>

namespace PlayList {

std::string FormatKb(std::uint64_t bytes)
{
    // bytes / 1000 + 0.5, then rounded half away from zero, as the old number
    // format did: whole kilobytes, never "0kb".
    const double kb = static_cast<double>(bytes) / 1000.0 + 0.5;
    const auto whole = static_cast<std::uint64_t>(std::floor(kb + 0.5));
    const std::string digits = std::to_string(whole);
    // Digits grouped by three with the system's grouping symbol; a system
    // whose locale has none (C, POSIX) groups with ",".
    const std::lconv* lc = std::localeconv();
    const std::string group = lc && lc->thousands_sep && *lc->thousands_sep ? lc->thousands_sep : ",";
    std::string out;
    const std::size_t n = digits.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += group;
        out += digits[i];
    }
    return out + "kb";
}

std::string folderSyncFlag(bool hasSyk, bool hasSy1, const std::string& langue)
{
    std::string flag = syncFlag(hasSyk, hasSy1, langue);
    if (hasSy1 && !hasSyk)
        flag += "+";
    return flag;
}

std::string songTypeWord(const std::string& name)
{
    if (name.size() < 4)
        return {};
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (ext == ".mp3")
        return "MP3";
    if (ext == ".wav")
        return "Wave";
    if (ext == ".mid")
        return "Midi";
    if (ext == ".kar")
        return "Kar";
    return {};
}

std::vector<FolderRow> listFolderRows(const std::string& folder, SyncFinder& finder, const std::string& langue)
{
    const std::string base = paths::withTrailingSlash(folder);
    const std::vector<FolderEntry> entries = readFolderEntries(base);
    // The sync files beside the songs are in this very listing.
    finder.seedFolder(base, entries);

    std::vector<FolderRow> rows;
    for (const FolderEntry& entry : entries) {
        std::string type = songTypeWord(entry.name);
        if (type.empty())
            continue;
        // The name is looked up as listed: a lower-cased name would miss
        // "Song.syk" beside "Song.MP3" on a case-sensitive file system.
        const std::string path = base + entry.name;
        const bool hasSyk = !finder.findSyk(path).empty();
        const bool hasSy1 = !finder.findSy1(path).empty();
        FolderRow row;
        row.name = entry.name;
        row.sizeText = FormatKb(entry.size > 0 ? static_cast<std::uint64_t>(entry.size) : 0);
        row.icon = iconKey(songKindOf(entry.name), hasSyk);
        row.type = std::move(type);
        row.flag = folderSyncFlag(hasSyk, hasSy1, langue);
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace PlayList
