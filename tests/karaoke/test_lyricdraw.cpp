// Page drawing, the per-tick highlight, the ball, the count-down and the MIDI
// lyric display, drawn on a real window surface and checked by its pixels.
#include <gtest/gtest.h>

#include <string>

#include "ink.h"
#include "karaoke/lyricdraw.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"

using namespace Kar;
using inktest::Ink;
using inktest::inkIn;

namespace {

constexpr long kBlack = 0x000000;
constexpr long kWhite = 0xFFFFFF;  // page lines
constexpr long kRed = 0x0000FF;    // sung text (0xBBGGRR)
constexpr long kGreen = 0x00FF00;  // kept sung lines
constexpr long kBlue = 0xFF0000;   // shadow

class TestLyricWindow : public Form {
public:
    Shape Shape_Ball{this};
    Label Label_Sec{this};
    ProgressBar ProgressBar_Syncro{this};
    TestLyricWindow()
    {
        setScaleWidth(9000);
        setScaleHeight(4500);
        setBackColor(kBlack);
        setFontName("DejaVu Sans");
        setFontSize(14);
        setFontBold(true);
        Shape_Ball.Move(0, 0, 150, 150);
        Label_Sec.Move(0, 0, 400, 300);
        Label_Sec.setVisible(false);
        ProgressBar_Syncro.setVisible(false);
        Cls();
    }
};

struct DrawTest : ::testing::Test {
    TestLyricWindow win;
    // The main window's own state: the MIDI path clears it through ClearKarLines.
    LyricPage& page = KarPage;
    SyncCursor& cur = SykCursor;
    DisplayOptions opt;
    LyricView view;
    double h = 0;  // one text row, twips

    void TearDown() override { resetAll(); }
    void SetUp() override
    {
        resetAll();
        view = {&win, &page, &win.Shape_Ball, &win.Label_Sec, &win.ProgressBar_Syncro};
        opt.nbLigne = 4;
        opt.marginX = 300;
        opt.marginY = 400;
        opt.pageColour = kWhite;
        opt.activeColour = kRed;
        opt.passiveColour = kGreen;
        opt.shadowColour = kBlue;
        h = win.TextHeight("a");
    }
    // The band of text row `row` (0-based) from the top margin.
    Ink rowInk(long colour, int row, double x0 = 0, double x1 = 1e9)
    {
        return inkIn(win, colour, opt.marginY + row * h, opt.marginY + (row + 1) * h, x0, x1);
    }
    void openLines(std::vector<std::string> lines)
    {
        CursorHooks hooks;
        hooks.printPage = [this] { printPage(view, opt); };
        cur.HasFile = true;
        openCursor(cur, page, std::move(lines), opt.nbLigne, true, hooks);
    }
    void step()
    {
        if (cur.NeedSyllable == -1 && cur.EofLines < pageSize(opt.nbLigne))
            nextLine(cur, page, opt.nbLigne, {});
    }
};

} // namespace

TEST_F(DrawTest, StaticPagePrintsEverySlotInOrderOneRowEach)
{
    page.PageLines[1] = "one";
    page.PageLines[2] = "two two";
    page.PageLines[3] = "three three three";
    page.PageLines[4] = "four";
    page.Slot = 3;
    page.Redraw = true;
    printPage(view, opt);
    EXPECT_FALSE(page.Redraw);
    for (int r = 0; r < 4; ++r) {
        const Ink ink = rowInk(kWhite, r);
        ASSERT_GT(ink.count, 0) << "row " << r;
        const double width = win.TextWidth(page.PageLines[r + 1]);
        EXPECT_NEAR(ink.minX, opt.marginX, 150) << r;
        EXPECT_NEAR(ink.maxX, opt.marginX + width, 150) << r;
    }
    EXPECT_EQ(rowInk(kWhite, 4).count, 0);
}

TEST_F(DrawTest, WrappedLinePushesTheNextLinesDown)
{
    win.setWidth(4000);
    page.PageLines[1] = "alpha beta gamma delta epsilon zeta eta theta";
    page.PageLines[2] = "next";
    opt.nbLigne = 2;
    printPage(view, opt);
    const int rows = splitOn(view, opt, page.PageLines[1]);
    ASSERT_GE(rows, 2);
    for (int r = 0; r <= rows; ++r)
        EXPECT_GT(rowInk(kWhite, r).count, 0) << r;
    // "next" sits alone on the row after the wrapped line.
    const Ink last = rowInk(kWhite, rows);
    EXPECT_NEAR(last.maxX, opt.marginX + win.TextWidth("next"), 150);
}

TEST_F(DrawTest, MutedPageDrawsNothingAndKeepsTheRequest)
{
    page.PageLines[1] = "hidden";
    page.Redraw = true;
    opt.muted = true;
    printPage(view, opt);
    EXPECT_TRUE(page.Redraw);
    EXPECT_EQ(inkIn(win, kWhite, 0, 5000).count, 0);
    opt.scroll = true;
    printPage(view, opt);
    EXPECT_TRUE(page.Redraw);
}

TEST_F(DrawTest, ShadowIsDrawnUnderEveryRow)
{
    page.PageLines[1] = "shade";
    opt.nbLigne = 2;
    opt.shadowH = 45;
    opt.shadowV = 45;
    printPage(view, opt);
    EXPECT_GT(rowInk(kBlue, 0).count, 0);
    EXPECT_GT(rowInk(kWhite, 0).count, 0);
    opt.shadowH = opt.shadowV = 0;
    win.Cls();
    printPage(view, opt);
    EXPECT_EQ(inkIn(win, kBlue, 0, 5000).count, 0);
}

TEST_F(DrawTest, ScrollingLayoutRotatesTheRingAndShiftsTheKeptLines)
{
    opt.scroll = true;
    opt.keptLines = 2;
    for (int k = 1; k <= 4; ++k)
        page.PageLines[k] = "line" + std::to_string(k);
    resetPastLines(page);
    page.Slot = 3;
    printPage(view, opt);
    EXPECT_EQ(page.ScrollLines[1], "line3");
    EXPECT_EQ(page.ScrollLines[2], "line4");
    EXPECT_EQ(page.ScrollLines[3], "line1");
    EXPECT_EQ(page.ScrollLines[4], "line2");
    // Two "." rows in the passive colour above the current line.
    EXPECT_GT(rowInk(kGreen, 0).count, 0);
    EXPECT_GT(rowInk(kGreen, 1).count, 0);
    EXPECT_EQ(rowInk(kGreen, 2).count, 0);
    EXPECT_GT(rowInk(kWhite, 2).count, 0);
    EXPECT_EQ(page.PastLines[1], "line3");
    EXPECT_EQ(page.PastLines[2], ".");
    EXPECT_EQ(page.PastLines[3], ".");
    // The next line: the one just sung shows right above it.
    page.Slot = 4;
    printPage(view, opt);
    EXPECT_EQ(page.PastLines[1], "line4");
    EXPECT_EQ(page.PastLines[2], "line3");
    EXPECT_EQ(page.ScrollLines[1], "line4");
}

TEST_F(DrawTest, ScrollingWithoutKeptLinesStillShifts)
{
    opt.scroll = true;
    opt.keptLines = 0;
    opt.nbLigne = 2;
    page.PageLines[1] = "a";
    page.PageLines[2] = "b";
    page.Slot = 2;
    printPage(view, opt);
    EXPECT_EQ(page.ScrollLines[1], "b");
    EXPECT_EQ(page.PastLines[1], "b");
    EXPECT_EQ(inkIn(win, kGreen, 0, 5000).count, 0);
    // Slot 0 (no line yet): the previous rotation is drawn unchanged.
    page.Slot = 0;
    page.PageLines[2] = "changed";
    printPage(view, opt);
    EXPECT_EQ(page.ScrollLines[1], "b");
}

TEST_F(DrawTest, SungSyllableIsOverprintedInTheActiveColour)
{
    opt.nbLigne = 2;
    openLines({"Hel;1;lo ;2;world;3;", "second;4;"});
    step();
    refreshDisplay(view, cur, opt, 1.2);
    const double sung = win.TextWidth("Hel");
    const Ink red = rowInk(kRed, 0);
    ASSERT_GT(red.count, 0);
    EXPECT_LE(red.maxX, opt.marginX + sung + 30);
    // The rest of the line stays in the page colour.
    EXPECT_GT(rowInk(kWhite, 0, opt.marginX + sung + 60).count, 0);
    EXPECT_EQ(cur.NeedSyllable, -1);
    EXPECT_EQ(cur.SungText, "Hel");
    // The ball is centred over "Hel" on the top of row 1.
    const Shape& ball = win.Shape_Ball;
    EXPECT_TRUE(ball.Visible());
    EXPECT_NEAR(ball.Left() + ball.Width() / 2.0, opt.marginX + sung / 2, 20);
    EXPECT_NEAR(ball.Top(), opt.marginY, 20);
    EXPECT_TRUE(KarPaintEnabled);

    // Not yet due: nothing changes.
    step();
    refreshDisplay(view, cur, opt, 1.5);
    EXPECT_EQ(cur.SungText, "Hel");
    refreshDisplay(view, cur, opt, 2.1);
    EXPECT_EQ(cur.SungText, "Hello ");
    EXPECT_LE(rowInk(kRed, 0).maxX, opt.marginX + win.TextWidth("Hello ") + 30);
    EXPECT_GT(rowInk(kRed, 0).maxX, opt.marginX + win.TextWidth("Hel"));
}

TEST_F(DrawTest, LateSyllablesShowTheWaitingDots)
{
    opt.nbLigne = 2;
    openLines({"a;1;b;1;c;1;", "d;50;"});
    step();
    refreshDisplay(view, cur, opt, 6.0);  // 5 s late
    EXPECT_EQ(page.Dots, ".");
    EXPECT_EQ(cur.NeedSyllable, -1);
    EXPECT_EQ(inkIn(win, kWhite, 0, 5000).count, 0);  // the page was cleared
    EXPECT_GT(inkIn(win, kRed, 0, 5000).count, 0);
    page.Dots = std::string(21, '.');
    step();
    refreshDisplay(view, cur, opt, 6.0);
    EXPECT_EQ(page.Dots.size(), 22u);
    step();
    refreshDisplay(view, cur, opt, 6.0);
    EXPECT_EQ(page.Dots, "");  // the 23rd empties the row
}

TEST_F(DrawTest, OnTimeSyllableAfterTheDotsBringsThePageBack)
{
    // The lyrics were muted (or the song moved) mid-line: the late syllables
    // cleared the window for their dots; the first on-time one shows the whole
    // page again, the sung part over it, and no dot is left behind.
    for (bool scroll : {false, true}) {
        SCOPED_TRACE(scroll ? "scrolling" : "static");
        resetAll();
        opt.nbLigne = 2;
        opt.scroll = scroll;
        opt.keptLines = scroll ? 1 : 0;
        opt.shadowH = opt.shadowV = 30;
        openLines({"a;1;b;2;c;20;", "next line;50;"});
        step();
        refreshDisplay(view, cur, opt, 1.5);  // "a" on time
        step();
        refreshDisplay(view, cur, opt, 8.0);  // "b" 6 s late: dots
        ASSERT_EQ(page.Dots, ".");
        ASSERT_EQ(inkIn(win, kWhite, 0, 5000).count, 0);
        step();
        refreshDisplay(view, cur, opt, 20.5);
        EXPECT_EQ(page.Dots, "");
        EXPECT_EQ(cur.SungText, "abc");
        const int lineRow = scroll ? 1 : 0;
        EXPECT_GT(rowInk(kWhite, lineRow + 1).count, 0) << "the next line is drawn";
        EXPECT_GT(rowInk(kBlue, lineRow + 1).count, 0) << "with its shadow";
        EXPECT_GT(rowInk(kRed, lineRow).count, 0);
        EXPECT_EQ(inkIn(win, kRed, 0, 1e9, 0, opt.marginX - 10).count, 0) << "no dot left of the margin";
    }
}

TEST_F(DrawTest, AfterAnUnmuteLateSyllablesKeepThePage)
{
    opt.nbLigne = 2;
    openLines({"a;1;b;2;c;20;", "next line;50;"});
    step();
    refreshDisplay(view, cur, opt, 1.5);
    page.Resumed = true;  // muted from here until 8 s
    step();
    refreshDisplay(view, cur, opt, 8.0);  // "b" is late: caught up quietly
    EXPECT_EQ(page.Dots, "");
    EXPECT_EQ(cur.SungText, "ab");
    EXPECT_GT(rowInk(kWhite, 1).count, 0) << "the page stays";
    step();
    refreshDisplay(view, cur, opt, 20.5);
    EXPECT_FALSE(page.Resumed);
    EXPECT_GT(rowInk(kWhite, 1).count, 0);
    EXPECT_GT(rowInk(kRed, 0).count, 0);
}

TEST_F(DrawTest, CountDownBeforeADistantSyllable)
{
    opt.nbLigne = 2;
    opt.countDown = true;
    opt.countDownBar = true;
    openLines({"far;10;", "x;11;"});
    step();
    refreshDisplay(view, cur, opt, 2.0);  // the first 3 s: never
    EXPECT_EQ(page.CountDown, 0);
    EXPECT_FALSE(win.Label_Sec.Visible());
    refreshDisplay(view, cur, opt, 8.0);  // 2.0 s left
    EXPECT_EQ(page.CountDown, 3);
    EXPECT_EQ(win.Label_Sec.Caption(), "3");
    EXPECT_TRUE(win.Label_Sec.Visible());
    EXPECT_TRUE(win.ProgressBar_Syncro.Visible());
    EXPECT_DOUBLE_EQ(win.ProgressBar_Syncro.Max(), 2001);
    EXPECT_DOUBLE_EQ(win.ProgressBar_Syncro.Value(), 2);
    EXPECT_EQ(win.Label_Sec.Left(), win.Shape_Ball.Left() + win.Shape_Ball.Width() + 50);
    refreshDisplay(view, cur, opt, 9.8);  // 0.2 s left
    EXPECT_EQ(win.Label_Sec.Caption(), "1");
    refreshDisplay(view, cur, opt, 10.0);  // due now: still shown
    EXPECT_TRUE(win.Label_Sec.Visible());
    refreshDisplay(view, cur, opt, 10.01);  // past: ends, and the syllable is sung
    EXPECT_FALSE(win.Label_Sec.Visible());
    EXPECT_FALSE(win.ProgressBar_Syncro.Visible());
    EXPECT_EQ(page.CountDown, 0);
    EXPECT_EQ(cur.SungText, "far");
}

TEST_F(DrawTest, NoCountDownForAShortGapOrWhenMuted)
{
    opt.nbLigne = 2;
    opt.countDown = true;
    openLines({"near;10;", "x;11;"});
    step();
    refreshDisplay(view, cur, opt, 8.5);  // exactly 1.5 s
    EXPECT_EQ(page.CountDown, 0);
    opt.muted = true;
    refreshDisplay(view, cur, opt, 5.0);
    EXPECT_EQ(page.CountDown, 0);
    refreshDisplay(view, cur, opt, 10.5);
    EXPECT_EQ(cur.SungText, "");  // muted: the syllable stays pending
    EXPECT_EQ(cur.NeedSyllable, 0);
}

TEST_F(DrawTest, HugeTimesDoNotOverflowTheCountDown)
{
    opt.nbLigne = 2;
    opt.countDown = true;
    openLines({"x;1e300;", "y;-1e300;"});
    step();
    refreshDisplay(view, cur, opt, 4.0);
    EXPECT_GT(page.CountDown, 0);
}

TEST_F(DrawTest, MidiEventsFillTheRingAndPaintTheSungPart)
{
    opt.nbLigne = 2;
    page.Slot = 1;
    page.Redraw = true;
    resetPastLines(page);
    std::array<std::string, 9> L{"Hello world", "next line", "", "", "", "", "", "", ""};
    playMidiEvent(view, opt, "Hello ", 0, L);
    EXPECT_EQ(page.PageLines[1], "Hello world");
    EXPECT_EQ(page.PageLines[2], "next line");
    EXPECT_EQ(page.Slot, 2);
    EXPECT_FALSE(page.IntroDots);
    EXPECT_FALSE(page.Redraw);
    EXPECT_EQ(MidiSungText, "Hello ");
    const Ink red = rowInk(kRed, 0);
    ASSERT_GT(red.count, 0);
    EXPECT_LE(red.maxX, opt.marginX + win.TextWidth("Hello ") + 30);
    playMidiEvent(view, opt, "world", 6, L);
    EXPECT_EQ(MidiSungText, "");  // the whole line is sung: a new line comes next
    EXPECT_TRUE(page.Redraw);
}

TEST_F(DrawTest, MidiSeekWaitGrowsDotsUntilALineStarts)
{
    opt.nbLigne = 2;
    page.Slot = 1;
    page.Redraw = true;
    MidiSeekWait = true;
    std::array<std::string, 9> L{"abc def", "ghi", "", "", "", "", "", "", ""};
    for (int i = 1; i <= 22; ++i) {
        playMidiEvent(view, opt, "x", 3, L);
        EXPECT_EQ(page.Dots.size(), static_cast<std::size_t>(i));
    }
    playMidiEvent(view, opt, "x", 3, L);
    EXPECT_EQ(page.Dots, "");
    EXPECT_EQ(MidiSungText, "");
    playMidiEvent(view, opt, "abc ", 0, L);
    EXPECT_FALSE(MidiSeekWait);
    EXPECT_EQ(MidiSungText, "abc ");
    EXPECT_EQ(page.PageLines[1], "abc def");
}

TEST_F(DrawTest, MidiMutedStillFollowsTheLine)
{
    opt.nbLigne = 2;
    opt.muted = true;
    page.Slot = 1;
    page.Redraw = true;
    std::array<std::string, 9> L{"la la", "", "", "", "", "", "", "", ""};
    playMidiEvent(view, opt, "la ", 0, L);
    EXPECT_EQ(page.PageLines[1], "");  // emptied while muted
    EXPECT_EQ(MidiSungText, "la ");
    EXPECT_EQ(inkIn(win, kWhite, 0, 5000).count, 0);
    playMidiEvent(view, opt, "la", 3, L);
    EXPECT_TRUE(page.Redraw);
}

TEST_F(DrawTest, MidiCountDownShowsWholeSecondsLeft)
{
    opt.countDown = true;
    midiCountDown(view, opt, 10000, 8499);  // 1501 ms away
    EXPECT_EQ(page.CountDown, 2);
    EXPECT_EQ(win.Label_Sec.Caption(), "2");
    midiCountDown(view, opt, 10000, 9001);  // 999 ms
    EXPECT_EQ(win.Label_Sec.Caption(), "1");
    midiCountDown(view, opt, 10000, 10001);  // late: ends
    EXPECT_EQ(page.CountDown, 0);
    EXPECT_FALSE(win.Label_Sec.Visible());
    midiCountDown(view, opt, 10000, 8500);  // exactly 1500 ms: none
    EXPECT_EQ(page.CountDown, 0);
    midiCountDown(view, opt, 200000, 5000);  // 99 s or more: none
    EXPECT_EQ(page.CountDown, 0);
}
