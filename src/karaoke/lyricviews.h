#pragma once
// How the engine reaches the lyric windows: the views it draws on, the options
// both windows share, and the few services of the lyric windows and the player
// that the engine uses. Used by src/karaoke, and by the lyric windows' own
// redraw of their block, which draws with the engine's line printer.
#include <string>

#include "karaoke/engine.h"
#include "karaoke/lyricdraw.h"

namespace Kar {

// The options read on the main lyric window, the main window and the settings.
DisplayOptions displayOptions();
// The two windows as drawn on (their default instances, created on first use).
LyricView karView();
LyricView k1View();

// Applies a display line ("//picture;colours...") of a sync file to both windows.
void applyDisplayLine(const std::string& line);

// 0xBBGGRR of three colour parts held as decimal text.
long colourOf(const std::string& red, const std::string& green, const std::string& blue);

} // namespace Kar

namespace Kar {
// The main lyric window's "second window shown" box is ticked.
bool karShowsK1();
// The play position of the song that plays, in seconds: the MIDI segment's
// position / 1000 for a MIDI song, the media player's position otherwise.
double playPositionSeconds();
} // namespace Kar

class ProgressBar;

namespace Kar {
// The main lyric window's song progress bar.
ProgressBar* karSongBar();

// The MIDI song that plays, as the clock sees it.
struct MidiClock {
    bool loaded = false;    // a segment is loaded
    long position = 0;      // the heard position, music time (768 per quarter note)
    long length = 0;        // the segment's length, music time
    float masterTempo = 1;  // the tempo factor
    int state = 0;          // 1 or 2: not started again since loaded, stopped, moved or ended
    double elapsedMs = 0;   // the real time of `position` at normal speed (tempo map)
    double rate = 0;        // music time a second at `position` (tempo map and factor)
    double nextTempo = 0;   // music time of the tempo change that ends `rate` (infinity: none)
};
MidiClock midiClock();
// Ends a MIDI song that played to its end (before the stop).
void stopMidiAtEnd();

// One tick of the playback clock: while it lives, the display options are
// built once (again only after a display line changed them) and the play
// position is the one the tick read, however many procedures ask.
class TickScope {
public:
    explicit TickScope(double positionSeconds);
    ~TickScope();
    TickScope(const TickScope&) = delete;
    TickScope& operator=(const TickScope&) = delete;
};
} // namespace Kar
