// Word wrap, page preparation, the sung part over wrapped rows and the MIDI ring
// refill, with a measuring function of known widths.
#include <gtest/gtest.h>

#include <string>

#include "karaoke/linewrap.h"

using namespace Kar;

namespace {

// Every character is 100 twips wide; the window leaves `chars` characters of
// room after the 300-twip allowance and the margin.
LineMetrics metricsFor(double chars, int margin = 300)
{
    LineMetrics m;
    m.textWidth = [](std::string_view s) {
        double n = 0;
        for (unsigned char c : s)
            if ((c & 0xC0) != 0x80)
                n += 1;
        return n * 100.0;
    };
    m.margin = margin;
    m.windowWidth = 300 + margin + chars * 100.0;
    return m;
}

struct Wrapped {
    int n;
    std::array<std::string, 5> rows;
};

Wrapped wrap(const std::string& line, double chars)
{
    Wrapped w;
    w.rows.fill("junk");
    w.n = splitLine(line, metricsFor(chars), w.rows);
    return w;
}

} // namespace

TEST(LineWrap, FittingOrUnbreakableLinesStayWhole)
{
    auto w = wrap("short line", 20);
    EXPECT_EQ(w.n, 1);
    EXPECT_EQ(w.rows[1], "");
    EXPECT_EQ(w.rows[2], "");
    EXPECT_EQ(w.rows[3], "");
    EXPECT_EQ(w.rows[4], "junk");  // row 4 is only written for a four-row line

    EXPECT_EQ(wrap("", 0).n, 1);
    EXPECT_EQ(wrap("unbreakablewordthatistoolong", 5).n, 1);
    EXPECT_EQ(wrap(" leadingblankonly", 5).n, 1);  // a blank in first place is no cut point
}

TEST(LineWrap, ExactFitMustLeaveRoomButAPrefixMayTouchTheEdge)
{
    // A whole line needs strictly positive free width...
    auto w = wrap("abcd efgh", 9);
    EXPECT_EQ(w.n, 2);
    EXPECT_EQ(w.rows[1], "abcd");
    EXPECT_EQ(w.rows[2], "efgh");
    // ...while a prefix of exactly the width is accepted.
    w = wrap("abcd efgh ij", 9);
    EXPECT_EQ(w.n, 2);
    EXPECT_EQ(w.rows[1], "abcd efgh");
    EXPECT_EQ(w.rows[2], "ij");
}

TEST(LineWrap, LongestFittingPrefixWins)
{
    auto w = wrap("one two three", 8);
    EXPECT_EQ(w.n, 2);
    EXPECT_EQ(w.rows[1], "one two");
    EXPECT_EQ(w.rows[2], "three");
}

TEST(LineWrap, TrailingBlankOfTheLastSyllable)
{
    auto w = wrap("Hello my ", 8);  // 9 characters, fits without its blank
    EXPECT_EQ(w.n, 2);
    EXPECT_EQ(w.rows[1], "Hello my");
    EXPECT_EQ(w.rows[2], "");
}

TEST(LineWrap, OverwideFirstWordIsCutAfterItself)
{
    auto w = wrap("enormousword and more", 5);
    EXPECT_GE(w.n, 2);
    EXPECT_EQ(w.rows[1], "enormousword");
}

TEST(LineWrap, DoubleBlankKeepsTheSecondAtTheStartOfTheNextRow)
{
    auto w = wrap("abcdef  ghijkl", 6);
    EXPECT_EQ(w.n, 2);
    EXPECT_EQ(w.rows[1], "abcdef");
    EXPECT_EQ(w.rows[2], " ghijkl");  // and that leading blank is not cut again
}

TEST(LineWrap, AtMostFourRowsTheLastTakesTheRest)
{
    // A window narrower than nothing: every row is one word until row 4.
    auto w = wrap("a b c d e", -1);
    EXPECT_EQ(w.n, 4);
    EXPECT_EQ(w.rows[1], "a");
    EXPECT_EQ(w.rows[2], "b");
    EXPECT_EQ(w.rows[3], "c");
    EXPECT_EQ(w.rows[4], "d e");
}

TEST(LineWrap, ManyBlanksNeverOverflow)
{
    std::string line;
    for (int i = 0; i < 500; ++i)
        line += "a ";
    auto w = wrap(line, 20);  // 500 blanks, far more than any fixed list
    EXPECT_EQ(w.n, 4);
    EXPECT_EQ(w.rows[1], "a a a a a a a a a a");
    EXPECT_EQ(w.rows[2], "a a a a a a a a a a");
    EXPECT_EQ(w.rows[3], "a a a a a a a a a a");
    EXPECT_EQ(w.rows[4].size(), line.size() - 3 * 20);
}

TEST(LineWrap, AccentedTextIsMeasuredByCharacters)
{
    auto w = wrap("été été été", 7);  // 11 characters, more bytes
    EXPECT_EQ(w.n, 2);
    EXPECT_EQ(w.rows[1], "été été");
    EXPECT_EQ(w.rows[2], "été");
}

TEST(PreparePage, CountsRowsAboveAndMovesDownPastExtraRows)
{
    LyricPage page;
    page.PageLines[1] = "fits";                        // 1 row
    page.PageLines[2] = "aaaa bbbb";                   // 2 rows at width 5
    page.PageLines[3] = "aaaa bbbb cccc dddd eeee";    // 4 rows
    int empties = 0;
    preparePage(page, 3, metricsFor(5), {}, [&] { ++empties; });
    EXPECT_EQ(page.RowOffset, 7);
    EXPECT_EQ(empties, 4);
    // The rows left behind are those of the last line wrapped (line 1: none).
    EXPECT_EQ(page.SplitRows[1], "");
}

TEST(PreparePage, NothingAboveInTheStaticLayout)
{
    LyricPage page;
    page.RowOffset = 9;
    page.PastLines[2] = page.PastLines[3] = "aaaa bbbb cccc";
    int empties = 0;
    preparePage(page, 0, metricsFor(5), {false, 2}, [&] { ++empties; });
    EXPECT_EQ(page.RowOffset, 0);
    EXPECT_EQ(empties, 0);
}

TEST(PreparePage, KeptLinesCountOnlyInTheScrollingLayout)
{
    LyricPage page;
    page.PastLines[1] = "aaaa bbbb cccc";  // never counted: it is the current line's copy
    page.PastLines[2] = "aaaa bbbb";       // 2 rows
    page.PastLines[3] = "aaaa bbbb cccc";  // 3 rows
    int empties = 0;
    preparePage(page, 0, metricsFor(5), {true, 1}, [&] { ++empties; });
    EXPECT_EQ(page.RowOffset, 2);
    EXPECT_EQ(empties, 1);
    empties = 0;
    preparePage(page, 0, metricsFor(5), {true, 2}, [&] { ++empties; });
    EXPECT_EQ(page.RowOffset, 5);
    EXPECT_EQ(empties, 3);
    preparePage(page, 0, metricsFor(5), {true, 0}, nullptr);
    EXPECT_EQ(page.RowOffset, 0);
}

TEST(PreparePage, FullPageCountsSevenLinesAtMost)
{
    LyricPage page;
    for (int k = 1; k <= 8; ++k)
        page.PageLines[k] = "x";
    page.PageLines[8] = "aaaa bbbb cccc dddd";  // would add rows if it were counted
    preparePage(page, 8, metricsFor(5), {}, nullptr);
    EXPECT_EQ(page.RowOffset, 7);
}

TEST(SungPart, RowOfTheSungEndAndWhatIsPrintedThere)
{
    std::array<std::string, 5> rows{"", "abcdefghij", "ABCDEFGHIJKL", "xyz", ""};
    const std::string line = "abcdefghij ABCDEFGHIJKL xyz";
    auto at = [&](std::size_t len) { return locateSung(line.substr(0, len), 3, rows); };
    EXPECT_EQ(at(11).row, 1);
    EXPECT_EQ(at(11).part, "abcdefghij ");
    EXPECT_EQ(at(12).row, 2);
    EXPECT_EQ(at(12).part, "A");
    EXPECT_EQ(at(24).row, 2);
    EXPECT_EQ(at(25).row, 3);
    EXPECT_EQ(at(25).part, "x");
    EXPECT_EQ(at(27).part, "xyz");
}

TEST(SungPart, OneRowTakesEverythingAndNothingIsNothing)
{
    std::array<std::string, 5> rows{};
    EXPECT_EQ(locateSung("a very long sung text", 1, rows).part, "a very long sung text");
    EXPECT_EQ(locateSung("", 2, rows).row, 0);
    EXPECT_EQ(locateSung("abc", 0, rows).row, 0);
    EXPECT_EQ(locateSung("abc", 5, rows).row, 0);
}

TEST(SungPart, WorkedExampleOfTheBall)
{
    std::array<std::string, 5> rows{"", "Hello my", "dear friend", "", ""};
    auto s = locateSung("Hello my ", 2, rows);
    EXPECT_EQ(s.row, 1);
    EXPECT_EQ(s.part, "Hello my ");
    s = locateSung("Hello my dear ", 2, rows);
    EXPECT_EQ(s.row, 2);
    EXPECT_EQ(s.part, "dear ");
}

TEST(SungPart, AccentsCountAsOneCharacter)
{
    std::array<std::string, 5> rows{"", "été", "là", "", ""};
    auto s = locateSung("été l", 2, rows);
    EXPECT_EQ(s.row, 2);
    EXPECT_EQ(s.part, "l");
}

TEST(MidiRing, StaticLayoutMovesTheCurrentLineDownThePage)
{
    LyricPage page;
    page.Slot = 1;
    page.IntroDots = true;
    const std::string names = "abcdefghijkl";
    std::vector<std::string> seen;
    for (int i = 0; i < 5; ++i) {
        std::array<std::string, 9> L;
        for (int k = 0; k <= 8; ++k)
            L[k] = std::string(1, names[i + k]);
        refillMidiRing(page, 4, L);
        seen.push_back(page.PageLines[1] + page.PageLines[2] + page.PageLines[3] + page.PageLines[4]);
    }
    EXPECT_EQ(seen[0], "abcd");
    EXPECT_EQ(seen[1], "ebcd");
    EXPECT_EQ(seen[2], "efcd");
    EXPECT_EQ(seen[3], "efgd");
    EXPECT_EQ(seen[4], "efgh");
    EXPECT_EQ(page.Slot, 2);
    EXPECT_FALSE(page.IntroDots);
}

TEST(MidiRing, BlankLineAtSlotOneLoadsTheNextEight)
{
    LyricPage page;
    page.Slot = 1;
    page.IntroDots = true;
    std::array<std::string, 9> L{"", "1", "2", "3", "4", "5", "6", "7", "8"};
    refillMidiRing(page, 2, L);
    for (int k = 1; k <= 8; ++k)
        EXPECT_EQ(page.PageLines[k], std::to_string(k));
    EXPECT_EQ(page.Slot, 1);
    EXPECT_TRUE(page.IntroDots);
}

TEST(MidiRing, OddPageSizesCountAsEightAndSlotsAboveStay)
{
    LyricPage page;
    page.Slot = 2;
    page.PageLines[5] = "kept";
    std::array<std::string, 9> L{"c", "n1", "n2", "n3", "n4", "n5", "n6", "n7", "n8"};
    refillMidiRing(page, 4, L);
    EXPECT_EQ(page.PageLines[1], "n3");
    EXPECT_EQ(page.PageLines[2], "c");
    EXPECT_EQ(page.PageLines[5], "kept");
    EXPECT_EQ(page.Slot, 3);
    page.Slot = 8;
    refillMidiRing(page, 5, L);  // treated as 8
    EXPECT_EQ(page.PageLines[8], "c");
    EXPECT_EQ(page.PageLines[1], "n1");
    EXPECT_EQ(page.Slot, 1);
}
