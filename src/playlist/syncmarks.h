#pragma once
// The sync marks of the main window's rows brought up to date after the
// editor wrote a sync file, so the lists show it at once and not only after
// the next listing or load.
#include <string>

class Player;

namespace PlayList {

// `syncFile` (a .syk or .sy1) has just been written. Every row whose song
// looks for a file of that name (the song's name less its last three
// characters, then "syk" or "sy1", letters compared without regard to case)
// shows its sync flag again as the folders now say, by the rules of the
// listing that made the row: the folder view's rows (sub-item 3), the play
// list's rows (sub-item 5), and the play list kept in the hidden copy list
// while a folder is shown. Shown rows get their icon too. Rows of other songs
// are not touched, and the play list is not marked as changed: its flags are
// read again from the disk whenever the list is loaded, so a saved list gains
// nothing from them.
void RefreshSyncMarks(Player& w, const std::string& syncFile);

} // namespace PlayList
