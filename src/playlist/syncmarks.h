#pragma once
// The sync marks of the main window's rows: written by the rule of the list
// that shows the row, and brought up to date after the editor wrote a sync
// file, so the lists show it at once and not only after the next listing or
// load.
#include <string>

class ListItem;
class Player;

namespace PlayList {

// Writes a song's sync flag into its row by the rule of the list that made
// it: a folder view's row (sub-item 3, where a lone .sy1 shows too) or a play
// list's row (sub-item 5), in the letters of the language setting.
void showSyncFlag(ListItem& row, bool folderRow, bool hasSyk, bool hasSy1);

// `syncFile` (a .syk or .sy1) has just been written. Every row of the list
// shown whose song looks for a file of that name (the song's name less its
// last three characters, then "syk" or "sy1", letters compared without regard
// to case) shows its sync flag and icon again as the folders now say. Rows of
// other songs are not touched, and the play list is not marked as changed:
// its flags are read again from the disk whenever the list is loaded, so a
// saved list gains nothing from them.
void RefreshSyncMarks(Player& w, const std::string& syncFile);

} // namespace PlayList
