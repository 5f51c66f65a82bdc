#pragma once
// The sync-file line cursor: feeds one lyric window a page at a time from a
// .syk (or .sy1) file.
//
// A sync file holds one lyric line per text line, "syllable;time;syllable;time;"
// with times in seconds (written with a decimal comma), and optional display
// lines starting with "//" that carry the per-song look of the line after them.
// The cursor keeps one raw line per page slot, cuts the next syllable and its
// time from the current slot each time it is asked, refills a used-up slot with
// the next file line (so the page keeps the lines still to come), applies a
// parked display line when its slot becomes current, and fills the page with
// ".;0;" once the file is exhausted.
//
// This is the window-free core; the main window's OpenSykFile / NextSykLine /
// StripSykMarks (and their .sy1 twins) run it on the instances of pagestate.h
// with hooks that draw on the right window.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "karaoke/pagestate.h"

namespace Kar {

// What the cursor asks of the windows.
struct CursorHooks {
    // Applies a whole display line ("//picture;colours...") to the lyric windows.
    std::function<void(const std::string& line)> applyDisplayLine;
    // Draws the window's whole page (the first page at the open).
    std::function<void()> printPage;
    // After a parked display line was applied because its slot became current:
    // redraw what the new look changes.
    std::function<void()> displayLineApplied;
};

// Reads a sync-file time: seconds as decimal text with "," or "." as the mark,
// whatever the locale; blanks around it are ignored. Anything that is not a
// finite number (empty, letters, "1,2,3") reads as 0, so a damaged field makes
// its syllable due at once instead of stalling the line.
double parseSyncTime(std::string_view text);

// Opens the cursor on the lines of a sync file: resets it, fills slots
// 1..NbLigne (a display line before slot 1 is applied at once when
// `applyLeadingDisplayLine`, else parked for slot 1 like any other), makes slot 1
// current and prints the first page. Display lines parked by the previous song
// are dropped.
void openCursor(SyncCursor& cur, LyricPage& page, std::vector<std::string> fileLines,
                int nbLigne, bool applyLeadingDisplayLine, const CursorHooks& hooks);

// The song has no such file: the cursor is reset and stays closed.
void resetClosedCursor(SyncCursor& cur, LyricPage& page);

// Cuts the next syllable and its time (SyllableTime) from the current slot;
// refills the slot and moves to the next one when its line is used up. On return
// a syllable is pending (NeedSyllable = 0).
void nextLine(SyncCursor& cur, LyricPage& page, int nbLigne, const CursorHooks& hooks);

// Rebuilds the display text of the current slot: its syllables joined, times and
// ";" dropped.
void stripMarks(SyncCursor& cur, LyricPage& page);

// Closes the file (stop). The cursor's values stay until the next open.
void closeCursor(SyncCursor& cur);

} // namespace Kar
