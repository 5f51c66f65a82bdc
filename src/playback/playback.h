#pragma once
// Small helpers shared by the song start, the transport and the editor's
// transport.
#include <string>

class Player;
class ListItem;

namespace playback {

// The play-list row of the current song: the selected row when it names the
// song in Select_Song (a song given on the command line may have no row);
// nullptr otherwise.
ListItem* currentSongRow(Player& p);
// The length column of the current song's play-list row takes `text` when it
// differs; true when it changed. A selected row that holds another song (the
// song was typed in, started by the editor, or the rows were shuffled) and a
// folder's rows shown by the add mode are left alone.
bool WriteSongRowLength(Player& p, const std::string& text);
// Tells the user that the current song's file is not there ("File not found")
// and marks its row with the missing-file icon.
void ReportMissing(Player& p);
// Tells the user that the current song cannot be played (with the reason the
// decoder or MIDI reader gave) and marks its row with the missing-file icon.
void ReportUnplayable(Player& p, const std::string& reason);
// Tells the user (once each time) when the sound device goes away while in use.
void WatchSoundOutput();
// True when a song plays and has reached its end (audio: the position is at
// the duration; MIDI: the heard position is at the segment's length).
bool SongAtEnd(Player& p);

} // namespace playback
