#include "playlist/syncfinder.h"

#include <unordered_set>

namespace PlayList {

namespace {

std::string lowerAscii(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

} // namespace

std::vector<FolderEntry> readFolderEntries(const std::string& folder)
{
    if (folder.empty())
        return {};
    return paths::listFolder(folder);
}

struct SyncFinder::Index {
    std::unordered_set<std::string> exact;
    std::unordered_map<std::string, std::string> byLower;   // lower-case -> first real name
};

SyncFinder::SyncFinder(std::string syncFolder) : syncFolder_(std::move(syncFolder)) {}
SyncFinder::~SyncFinder() = default;

void SyncFinder::seedFolder(const std::string& folder, const std::vector<FolderEntry>& entries)
{
    auto index = std::make_unique<Index>();
    index->exact.reserve(entries.size());
    for (const FolderEntry& e : entries) {
        index->exact.insert(e.name);
        index->byLower.emplace(lowerAscii(e.name), e.name);
    }
    folders_[paths::withTrailingSlash(folder)] = std::move(index);
}

const SyncFinder::Index& SyncFinder::indexOf(const std::string& folder)
{
    const std::string key = paths::withTrailingSlash(folder);
    auto it = folders_.find(key);
    if (it != folders_.end())
        return *it->second;
    seedFolder(key, readFolderEntries(key));
    return *folders_[key];
}

std::string SyncFinder::lookIn(const std::string& folder, const std::string& name)
{
    if (folder.empty() || name.empty())
        return {};
    const Index& index = indexOf(folder);
    if (index.exact.count(name))
        return paths::join(folder, name);
    // Files copied from Windows keep whatever case their maker typed.
    auto it = index.byLower.find(lowerAscii(name));
    if (it != index.byLower.end())
        return paths::join(folder, it->second);
    return {};
}

std::string SyncFinder::find(const std::string& songPath, const char* ext)
{
    const std::string name = paths::fileNamePart(songPath);
    // The song's extension is taken to be three characters long.
    if (name.size() < 3)
        return {};
    const std::string syncName = name.substr(0, name.size() - 3) + ext;
    std::string found = lookIn(syncFolder_, syncName);
    if (found.empty())
        found = lookIn(paths::folderPart(songPath), syncName);
    return found;
}

} // namespace PlayList
