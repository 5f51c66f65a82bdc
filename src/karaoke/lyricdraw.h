#pragma once
// Drawing the lyrics on a lyric window: the whole page (static and scrolling
// layouts), the sung part of the current line in the active colour, the ball,
// the count-down and the waiting dots.
//
// Both lyric windows are drawn by the same code: a `LyricView` names the window,
// its page state and its ball, count-down label and bar; `DisplayOptions` holds
// what both windows share (layout options read on the main lyric window, the
// colours, the shadow, the lyrics-mute box). The main window's procedures
// (PrintKarPage, RefreshKaraoke, MoveBall, PlayKar... and their K1 twins) build
// these from the windows and call in here.
//
// Drawing follows the old surface rules: Print draws at (CurrentX, CurrentY) and
// moves to x = 0 one text row lower; Print "" only moves down; all in twips.
#include <array>
#include <string>
#include <vector>

#include "karaoke/linewrap.h"
#include "karaoke/pagestate.h"
#include "karaoke/synccursor.h"

class Form;
class Shape;
class Label;
class ProgressBar;

namespace Kar {

// What both lyric windows share.
struct DisplayOptions {
    int nbLigne = 2;        // lines per page
    bool scroll = false;    // scrolling layout
    int keptLines = 0;      // sung lines kept above in the scrolling layout (LiM0/1/2)
    int marginX = 0;        // left margin, twips (HScroll_Kar x 100)
    int marginY = 0;        // top margin, twips (VScroll_Kar x 100)
    bool muted = false;     // the main window's lyrics-mute box is ticked
    bool countDown = false;     // count-down wanted
    bool countDownBar = false;  // count-down bar wanted
    long pageColour = 0;     // page lines
    long passiveColour = 0;  // sung lines kept above
    long activeColour = 0;   // the sung part of the current line
    long shadowColour = 0;
    int shadowH = 0, shadowV = 0;  // shadow offsets, twips; both 0 = no shadow

    LayoutOptions layout() const { return {scroll, keptLines}; }
    bool hasShadow() const { return shadowH != 0 || shadowV != 0; }
};

// One lyric window as the engine draws on it.
struct LyricView {
    Form* window = nullptr;
    LyricPage* page = nullptr;
    Shape* ball = nullptr;
    Label* sec = nullptr;        // count-down seconds
    ProgressBar* bar = nullptr;  // count-down bar
    // The song's progress bar along the bottom edge (main window only): the
    // rows the block uses end above it.
    ProgressBar* songBar = nullptr;
    // The page is filled by the MIDI lyric display (a MIDI song played without
    // sync file): its ring is shown in slot order in both layouts. Otherwise
    // the sync-file page, whose scrolling layout shows the rotated copy.
    bool midiPath = false;
};

// The wrap of a line on this window, rows left in the page's SplitRows (at
// most four, the last one holding the rest).
LineMetrics metricsOf(const LyricView& v, const DisplayOptions& o);
int splitOn(const LyricView& v, const DisplayOptions& o, const std::string& line);
// Every row of a line wrapped on this window (rows[0] first), however many:
// what the lyric windows print.
const std::vector<std::string>& rowsOn(const LyricView& v, const DisplayOptions& o, const std::string& line);

// Text rows that the window shows whole, from the top margin down to its
// bottom edge or to the top of the song's progress bar (at least one).
int visibleRows(const LyricView& v, const DisplayOptions& o);

// The full redraw of the block from the page state, advancing nothing: the
// kept sung lines (scrolling layout), the page lines (the rotated copy for a
// sync-file page in the scrolling layout, else the ring in slot order), then
// the sung part of the current line as the last highlight painted it. Clears
// the window and draws nothing more while the lyrics are muted.
void redrawBlock(const LyricView& v, const DisplayOptions& o);

// The shadow copy of one row, then back to the row's start in the page colour
// (`active`) or the passive colour.
void printShadow(const LyricView& v, const DisplayOptions& o, const std::string& text, bool active);

// One lyric line from the left margin, wrapped and shadowed, taking its rows.
void drawLine(const LyricView& v, const DisplayOptions& o, const std::string& line, bool active);

// The whole page of a sync-file song, in the layout of the options; clears the
// page's redraw request. Draws nothing while the lyrics are muted.
void printPage(const LyricView& v, const DisplayOptions& o);
// The scrolling layout: the ring rotated so the current slot comes first, the
// kept sung lines above, then the kept lines shift.
void printPageScroll(const LyricView& v, const DisplayOptions& o);

// Places the ball centred over `syllable`, the end of `rowText`, on the top of
// row `row` (1..4) of the current line.
void moveBall(const LyricView& v, const DisplayOptions& o, const std::string& rowText,
              const std::string& syllable, int row);

// Prints the sung text over the rows of `line`, the page line printed at
// place `lineAt` (the drawing position is at the start of its first row, the
// page's RowOffset counts the rows above it), and moves the ball over
// `syllable`. When the row being sung is not on the window, the block moves on
// to show it (and is drawn again). With `paintEmpty`, an empty sung text still
// prints its (empty) row and places the ball.
void paintSung(const LyricView& v, const DisplayOptions& o, const std::string& line, int lineAt,
               const std::string& sung, const std::string& syllable, bool paintEmpty);

// One tick of the synchronised display of one window at play position `pos`
// (seconds): the count-down before a distant syllable, then, when the pending
// syllable is due, its highlight (or the waiting dots when it is more than 4 s
// late). Does nothing while muted or when the window has no sync file.
void refreshDisplay(const LyricView& v, SyncCursor& cur, const DisplayOptions& o, double pos);

// The count-down of the MIDI path on the main window: `dueMs` is when the next
// lyric event is due, `nowMs` the lyric clock.
void midiCountDown(const LyricView& v, const DisplayOptions& o, long long dueMs, long long nowMs);

// The page of a MIDI song without sync file (main window only): kept sung lines
// and page lines in slot order, then the kept lines shift (not while the intro
// dots show) and the redraw request drops. Songs with standard lyric events
// are drawn like those with text events. Without `shiftKept` the kept lines
// stay (a page drawn again for the same line).
void redrawMidiPage(const LyricView& v, const DisplayOptions& o, bool shiftKept = true);

// Shows one MIDI lyric event (see PlayKar): `L` holds the event's line at 0 and
// the eight lines after it at 1..8.
void playMidiEvent(const LyricView& v, const DisplayOptions& o, const std::string& text, int linePos,
                   const std::array<std::string, 9>& L);

// After the lyrics are shown again: the line being sung (`L` as for
// playMidiEvent; `syllable` the text of the event dispatched last) comes back
// on the page with its sung part, also when the line began while they were
// hidden; a line that `syllable` ended shows sung whole. Does nothing while
// waiting after a seek, nor before the first line.
void resumeMidiLine(const LyricView& v, const DisplayOptions& o, const std::string& syllable,
                    const std::array<std::string, 9>& L);

// The waiting row: one more dot (0..22, the 23rd empties it).
void growDots(std::string& dots);

} // namespace Kar
