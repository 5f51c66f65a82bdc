#pragma once
// What the two lyric windows show and where the sync-file readers stand.
//
// The lyric windows (`Karaoke` and the docked second window `Karaoke_K1`) are
// passive surfaces: everything they draw comes from the state below. Each
// window has one `LyricPage` (its page ring, current slot, redraw request,
// rotated copy, kept sung lines, wrapped rows and the small flags of the waiting
// and count-down displays) and one `SyncCursor` (its .syk or .sy1 reader). The
// second window runs the very same code on its own instances.
//
// The old names of the individual variables are kept as references into those
// records (`Kar::KarPageLines` is `Kar::KarPage.PageLines`, `Kar::K1Slot` is
// `Kar::K1Page.Slot`, `Kar::SykEofLines` is `Kar::SykCursor.EofLines`, ...), so
// the procedures that drive one particular window read like the rest of the
// system. Everything runs on the user-interface thread; nothing here is locked.
//
// Slots are numbered 1..8, element 0 of every ring exists and is never used;
// only slots 1..NbLigne are in use (NbLigne is 2, 4, 6 or 8, one value shared by
// both windows).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Kar {

constexpr int MaxPageLines = 8;

// The filler a reader puts in a slot once its file is exhausted: one syllable
// "." due at once.
inline const std::string FillerLine = ".;0;";

// The page of one lyric window.
struct LyricPage {
    // Sync path: slot of the line being sung. MIDI path (main window only): the
    // slot the next new line will take. Moves 1, 2, ..., NbLigne, 1, ...
    int32_t Slot = 0;
    // The page content or the current slot changed: reprint before the next highlight.
    bool Redraw = false;
    // Page ring: slot k holds the display text of one lyric line.
    std::array<std::string, MaxPageLines + 1> PageLines{};
    // Ring rotated for the scrolling layout: element 1 is the current line.
    std::array<std::string, MaxPageLines + 1> ScrollLines{};
    // The last lines sung, element 1 the most recent (elements 1..3 used).
    std::array<std::string, 4> PastLines{};
    // Rows of the line last wrapped to the window width (elements 1..4 used).
    std::array<std::string, 5> SplitRows{};
    // Text rows taken by the lines printed above the current one (ball placement).
    int RowOffset = 0;
    // From the start of a song until its first syllable is due: the kept-lines
    // area shows "." rows.
    bool IntroDots = false;
    // The waiting row: 0..22 dots.
    std::string Dots;
    // The lyrics were unmuted: the syllables that fell due meanwhile are caught
    // up without clearing the page, and the next one on time redraws it whole.
    bool Resumed = false;
    // Whole seconds shown by the count-down label; 0 = no count-down running.
    int CountDown = 0;
    // The first text row of the block that the window shows: a line with more
    // rows than fit moves on row by row as it is sung (0 = the block's top).
    int ViewRow = 0;
    // What the last highlight painted in the active colour, so that a full
    // redraw of the block paints it again: the place of its line among the page
    // lines as printed (1 = the first), that line's text, and the sung part.
    int SungAt = 0;
    std::string SungLine;
    std::string Sung;
    // The page lines as the last page print showed them, in their order on
    // the window. Between two lines the cursor already refills the slot of the
    // line just sung, but the window still shows the page the singer reads;
    // a full redraw shows that page again. Valid while `Shown` is set.
    std::array<std::string, MaxPageLines + 1> ShownLines{};
    bool Shown = false;
};

// The reader of one sync file (.syk for the main window, .sy1 for the second).
struct SyncCursor {
    bool HasFile = false;  // the current song has this file
    // Raw file line held for each slot (syllable and time fields, each followed
    // by ";"), or the filler once the file is exhausted.
    std::array<std::string, MaxPageLines + 1> RawLines{};
    // A display line ("//...") parked for a slot, applied when that slot becomes
    // current; "" = none.
    std::array<std::string, MaxPageLines + 1> Directives{};
    int32_t ReadPos = 0;   // 1-based read position in the current slot's raw line
    int32_t NextSep = 0;   // position of the next ";" from ReadPos; 0 = line used up
    int32_t FieldLen = 0;  // length of the field being cut
    std::string Syllable;  // the next syllable to highlight (may be "", may end with a blank)
    double SyllableTime = 0;  // seconds from the song start
    // -1: the pending syllable was shown (or none cut yet), fetch the next one;
    //  0: a syllable is pending.
    int32_t NeedSyllable = 0;
    std::string SungText;  // the part of the current line already sung
    int32_t EofLines = 0;  // fillers produced since the end of the file

    // The open file: its lines, read once at the open, and the next one to hand out.
    std::vector<std::string> FileLines;
    std::size_t NextFileLine = 0;
    bool FileOpen = false;
};

// --- the instances -----------------------------------------------------------

inline LyricPage KarPage;   // Karaoke
inline LyricPage K1Page;    // Karaoke_K1
inline SyncCursor SykCursor;  // .syk -> Karaoke
inline SyncCursor Sy1Cursor;  // .sy1 -> Karaoke_K1

// The ring index of a lyric-window page size: 2, 4 and 6 stand as they are;
// any other value counts as a full page of 8.
int pageSize(int nbLigne);

// --- the old names ---------------------------------------------------------------

inline int32_t& KarSlot = KarPage.Slot;
inline int32_t& K1Slot = K1Page.Slot;
inline bool& KarRedraw = KarPage.Redraw;
inline bool& K1Redraw = K1Page.Redraw;
inline auto& KarPageLines = KarPage.PageLines;
inline auto& K1PageLines = K1Page.PageLines;
inline auto& KarScrollLines = KarPage.ScrollLines;
inline auto& K1ScrollLines = K1Page.ScrollLines;
inline auto& KarPastLines = KarPage.PastLines;
inline auto& K1PastLines = K1Page.PastLines;
inline auto& KarSplitRows = KarPage.SplitRows;
inline auto& K1SplitRows = K1Page.SplitRows;
inline int& KarRowOffset = KarPage.RowOffset;
inline int& K1RowOffset = K1Page.RowOffset;
inline bool& KarIntroDots = KarPage.IntroDots;
inline bool& K1IntroDots = K1Page.IntroDots;
inline std::string& KarDots = KarPage.Dots;
inline std::string& K1Dots = K1Page.Dots;
inline int& KarCountDown = KarPage.CountDown;
inline int& K1CountDown = K1Page.CountDown;

inline bool& HasSyk = SykCursor.HasFile;
inline bool& HasSy1 = Sy1Cursor.HasFile;
inline auto& SykRawLines = SykCursor.RawLines;
inline auto& Sy1RawLines = Sy1Cursor.RawLines;
inline auto& SykDirectives = SykCursor.Directives;
inline auto& Sy1Directives = Sy1Cursor.Directives;
inline int32_t& SykReadPos = SykCursor.ReadPos;
inline int32_t& Sy1ReadPos = Sy1Cursor.ReadPos;
inline int32_t& SykNextSep = SykCursor.NextSep;
inline int32_t& Sy1NextSep = Sy1Cursor.NextSep;
inline int32_t& SykFieldLen = SykCursor.FieldLen;
inline int32_t& Sy1FieldLen = Sy1Cursor.FieldLen;
inline std::string& SykSyllable = SykCursor.Syllable;
inline std::string& Sy1Syllable = Sy1Cursor.Syllable;
inline double& SykSyllableTime = SykCursor.SyllableTime;
inline double& Sy1SyllableTime = Sy1Cursor.SyllableTime;
inline int32_t& SykNeedSyllable = SykCursor.NeedSyllable;
inline int32_t& Sy1NeedSyllable = Sy1Cursor.NeedSyllable;
inline std::string& SykSungText = SykCursor.SungText;
inline std::string& Sy1SungText = Sy1Cursor.SungText;
inline int32_t& SykEofLines = SykCursor.EofLines;
inline int32_t& Sy1EofLines = Sy1Cursor.EofLines;

// --- shared by both windows ------------------------------------------------------

// Lets the windows' repaint handlers redraw the lyric lines; false while the ball
// or the count-down label is being moved.
inline bool KarPaintEnabled = false;

// MIDI lyric path (songs without .syk): the sung part of the current MIDI line,
// and "a seek is waiting for the next line start".
inline std::string MidiSungText;
inline bool MidiSeekWait = false;

// --- buffer procedures -------------------------------------------------------------

// Empties the page rings, the rotated copies (slots 1..8) and the kept sung lines
// (1..3) of both windows. Slots, flags, cursors and wrapped rows keep their values.
void ClearKarLines();

// The start of a lyric window's repaint, the same for both windows: false while
// KarPaintEnabled holds the repaints back; otherwise true, after emptying the
// pages when no song plays, so a stopped window repaints blank.
bool BeginKarRepaint();

// Values at a song start: the kept sung lines of a page show "." and the intro
// flag is up until the first syllable is due; an unmute of the song before no
// longer holds the page.
void resetPastLines(LyricPage& page);

// Everything back to its value at program start (tests, and a clean slate).
void resetAll();

} // namespace Kar
