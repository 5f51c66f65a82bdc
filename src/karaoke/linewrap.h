#pragma once
// Word wrap of lyric lines to a lyric window's width, and the preparation of the
// rows above the current line.
//
// A lyric line wider than its window is broken at blanks into up to four rows
// printed one under the other; row 4 takes whatever is left. The free width of
// a text s is (window width - 300) - (left margin + width of s): a whole text
// stays whole when its free width is strictly positive, a row prefix is accepted
// when its free width is zero or more, and the longest prefix that fits wins. A
// blank in the first position is never a cut point; only the cut blank itself
// is dropped.
//
// The core here is pure: it is given the measuring function of the window (text
// -> width in twips, in the window's font), the window's width and the margin.
// The old procedures SplitKarLigne / PrepareKarPage (and their K1 twins) run it
// on the lyric windows (lyricdraw.cpp).
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "karaoke/pagestate.h"

namespace Kar {

// What wrapping needs to know about a lyric window.
struct LineMetrics {
    std::function<double(std::string_view)> textWidth;  // twips, in the window's font
    double windowWidth = 0;  // the window's outer width, twips
    int margin = 0;          // left margin, twips (HScroll_Kar value x 100)

    // Free width of a text on the window.
    double freeWidth(std::string_view s) const;
};

// Layout options read on the main lyric window.
struct LayoutOptions {
    bool scroll = false;  // scrolling layout (`Scroll` ticked)
    int keptLines = 0;    // sung lines kept above in the scrolling layout: 0, 1 or 2 (LiM0/1/2)
};

// Wraps `line` into rows[1..n] and returns n (1..4). Rows 1..3 are emptied
// first; with n = 1 no row is written (the line itself is printed). Any number of
// blanks is handled.
int splitLine(std::string_view line, const LineMetrics& m, std::array<std::string, 5>& rows);

// Wraps `line` into as many rows as it needs (rows[0] is the first row): the
// same cuts as splitLine, without its limit of four rows, so a line of any
// length keeps every row inside the window's width. A line that fits, or has
// no blank to cut at, is one row.
std::vector<std::string> wrapRows(std::string_view line, const LineMetrics& m);

// The rows of a four-row wrap (rows[1..n], n returned) made from the rows of
// wrapRows: the first three rows as they are, the fourth holding the rest.
int fourRowWrap(const std::vector<std::string>& rows, std::array<std::string, 5>& out);

// Counts the text rows taken by the page lines above the current line (page
// lines n, n-1, ..., 1; a value outside 0..6 counts lines 7..1) and, in the
// scrolling layout, by the kept sung lines 2 (LiM1, LiM2) and 3 (LiM2): each is
// wrapped, its rows are added to page.RowOffset (reset to 0 first) and
// `printEmptyRow` runs once less than its row count, which moves the drawing
// position past its extra rows. Leaves the rows of the last line it wrapped in
// page.SplitRows.
void preparePage(LyricPage& page, int n, const LineMetrics& m, const LayoutOptions& opt,
                 const std::function<void()>& printEmptyRow);
// The same with the row count of each line given by `rowsOf` (the lyric
// windows count every row of a line, however many).
void preparePage(LyricPage& page, int n, const std::function<int(const std::string&)>& rowsOf,
                 const LayoutOptions& opt, const std::function<void()>& printEmptyRow);

// Where the sung part of a wrapped line ends: the sung text S over rows R1..Rn
// (each break drops one blank). `row` is the row that holds the end of S (the
// smallest r < n with len(S) <= len(R1) + .. + len(Rr) + r, else n) and `part` is
// what of S lies on that row. With n = 1 the whole of S is on row 1.
struct SungSpot {
    int row = 0;       // 1..4; 0 when nothing is to be painted
    std::string part;  // the text printed on that row
};
SungSpot locateSung(const std::string& sung, int rowCount, const std::array<std::string, 5>& rows);
// The same over rows of any number (rows[0] is the first row; SungSpot::row
// stays 1-based).
SungSpot locateSungIn(const std::string& sung, const std::vector<std::string>& rows);

// The MIDI path's refill of the page ring at a new line: `lines` holds L0 (the
// current line) at index 0 and L1..L8 at 1..8. With the slot at 1 and an empty
// current line, slots 1..8 take L1..L8 and the slot stays 1; otherwise slot k
// takes L((k - s) mod N) for k = 1..N, the intro flag drops when s = 1, and the
// slot moves one past the current line (1 after N). N outside 2/4/6 counts as 8.
void refillMidiRing(LyricPage& page, int nbLigne, const std::array<std::string, 9>& lines);

} // namespace Kar
