#include "playlist/syncmarks.h"

#include "core/modini.h"
#include "core/player.h"
#include "platform/files/paths.h"
#include "platform/files/runtime.h"
#include "playlist/folderlisting.h"
#include "playlist/playlistrow.h"
#include "playlist/syncfinder.h"

namespace PlayList {

namespace {

constexpr int FolderColSyncFlag = 3;

// The song looks for its sync files under this (lower-cased) name. The
// comparison is wider than the lookup's, never narrower: a row that matches
// here is merely looked up again.
bool looksFor(const std::string& song, const std::string& lowerSyncName)
{
    const std::string name = paths::fileNamePart(song);
    if (name.size() < 3)
        return false;
    const std::string stem = vb::LCase(name.substr(0, name.size() - 3));
    return lowerSyncName == stem + "syk" || lowerSyncName == stem + "sy1";
}

void showIcon(ListItem& item, const std::string& song, bool hasSyk)
{
    // A row marked as missing its song keeps that mark: only the commands
    // that look for the song itself take it away.
    if (item.SmallIcon() == IconStop)
        return;
    const std::string key = iconKey(songKindOf(song), hasSyk);
    if (!key.empty())
        item.setSmallIcon(key);
}

} // namespace

void showSyncFlag(ListItem& row, bool folderRow, bool hasSyk, bool hasSy1)
{
    if (folderRow)
        row.setSubItems(FolderColSyncFlag, folderSyncFlag(hasSyk, hasSy1, modIni::Langue));
    else
        row.setSubItems(ColSyncFlag, syncFlag(hasSyk, hasSy1, modIni::Langue));
}

void RefreshSyncMarks(Player& w, const std::string& syncFile)
{
    const std::string syncName = vb::LCase(paths::fileNamePart(syncFile));
    if (syncName.empty())
        return;
    // A new finder: the folders are read as they are now, the new file in them.
    SyncFinder finder(modIni::IniAccess("GET", "Path", "Path Syk"));

    // The list holds a folder's files or the play list. (The editor cannot
    // be open during the add mode, whose play list waits in the copy list.)
    const bool folderRows = w.PlayListTabName == "DirList";
    const std::string folder = paths::withTrailingSlash(modIni::LastDirList);
    for (int i = 1; i <= w.ListView1.ListItems.Count(); ++i) {
        ListItem* item = w.ListView1.ListItems.Item(i);
        if (!item)
            continue;
        const std::string song = folderRows ? folder + item->Text() : item->SubItems(ColPath);
        if (!looksFor(song, syncName))
            continue;
        const bool hasSyk = !finder.findSyk(song).empty();
        showSyncFlag(*item, folderRows, hasSyk, !finder.findSy1(song).empty());
        showIcon(*item, song, hasSyk);
    }
}

} // namespace PlayList
