// The sync-file cursor on real and damaged .syk lines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "karaoke/pagestate.h"
#include "karaoke/synccursor.h"
#include "platform/files/textfile.h"

using namespace Kar;

namespace {

// One window's page and cursor, with hooks that record what the windows were asked.
struct Reader {
    LyricPage page;
    SyncCursor cur;
    int nb = 2;
    std::vector<std::string> applied;  // display lines applied, in order
    int pagesPrinted = 0;
    int redrawsAfterLook = 0;
    // What the page showed when each display line was applied (slot, line count).
    std::vector<int> slotAtApply;
    CursorHooks hooks;

    explicit Reader(int nbLigne = 2) : nb(nbLigne)
    {
        hooks.applyDisplayLine = [this](const std::string& l) {
            applied.push_back(l);
            slotAtApply.push_back(page.Slot);
        };
        hooks.printPage = [this] {
            ++pagesPrinted;
            page.Redraw = false;
        };
        hooks.displayLineApplied = [this] { ++redrawsAfterLook; };
    }
    void open(std::vector<std::string> lines, bool applyLeading = true)
    {
        openCursor(cur, page, std::move(lines), nb, applyLeading, hooks);
    }
    void next() { nextLine(cur, page, nb, hooks); }
    // The clock's rule: fetch while a syllable is needed and the file is not spent;
    // the highlight consumes it at once while the file is not spent either.
    struct Cut {
        std::string syllable;
        double time;
        int slot;
    };
    std::vector<Cut> runToEnd(int maxTicks = 100000)
    {
        std::vector<Cut> cuts;
        for (int tick = 0; tick < maxTicks && cur.EofLines < pageSize(nb); ++tick) {
            if (cur.NeedSyllable == -1)
                next();
            if (cur.EofLines >= pageSize(nb))
                break;  // the highlight stops at the same count
            cuts.push_back({cur.Syllable, cur.SyllableTime, page.Slot});
            cur.SungText += cur.Syllable;
            cur.NeedSyllable = -1;
        }
        return cuts;
    }
};

} // namespace

TEST(SyncCursorOpen, FillsThePageAndPrintsItOnce)
{
    Reader r(4);
    r.open({"Hel;1,5;lo ;2;you;2,75;", "second ;3;line;4;", "third;5;", "fourth;6;", "fifth;7;"});
    EXPECT_EQ(r.page.Slot, 1);
    EXPECT_EQ(r.page.PageLines[1], "Hello you");
    EXPECT_EQ(r.page.PageLines[2], "second line");
    EXPECT_EQ(r.page.PageLines[3], "third");
    EXPECT_EQ(r.page.PageLines[4], "fourth");
    EXPECT_EQ(r.cur.EofLines, 0);
    EXPECT_EQ(r.cur.NeedSyllable, -1);
    EXPECT_EQ(r.cur.ReadPos, 1);
    EXPECT_EQ(r.pagesPrinted, 1);
    EXPECT_FALSE(r.page.Redraw);
}

TEST(SyncCursorOpen, ShortFileGetsFillersThatCount)
{
    Reader r(4);
    r.open({"only;1;"});
    EXPECT_EQ(r.page.PageLines[1], "only");
    for (int k = 2; k <= 4; ++k) {
        EXPECT_EQ(r.cur.RawLines[k], ".;0;");
        EXPECT_EQ(r.page.PageLines[k], "");  // a filler shows nothing on the page
    }
    EXPECT_EQ(r.cur.EofLines, 3);
    auto cuts = r.runToEnd();
    ASSERT_EQ(cuts.size(), 1u);  // the one line, then stepping stops
    EXPECT_EQ(cuts[0].syllable, "only");
    EXPECT_EQ(r.cur.EofLines, 4);
}

TEST(SyncCursorOpen, TwoPageSizeLeavesOtherSlotsAlone)
{
    Reader r(2);
    r.page.PageLines[3] = "kept";
    r.cur.RawLines[5] = "old;1;";
    r.open({"a;1;", "b;2;", "c;3;"});
    EXPECT_EQ(r.page.PageLines[3], "kept");
    EXPECT_EQ(r.cur.RawLines[5], "old;1;");
}

TEST(SyncCursorStep, WorkedExampleCutsSyllablesAndTimes)
{
    Reader r(2);
    r.open({"Hel;1,5;lo ;2;you;2,75;", "next;3;", "third;4;"});
    r.next();
    EXPECT_EQ(r.cur.Syllable, "Hel");
    EXPECT_DOUBLE_EQ(r.cur.SyllableTime, 1.5);
    EXPECT_EQ(r.cur.ReadPos, 9);
    EXPECT_EQ(r.cur.NeedSyllable, 0);
    r.next();
    EXPECT_EQ(r.cur.Syllable, "lo ");  // the word's blank stays with its syllable
    EXPECT_DOUBLE_EQ(r.cur.SyllableTime, 2.0);
    r.next();
    EXPECT_EQ(r.cur.Syllable, "you");
    EXPECT_DOUBLE_EQ(r.cur.SyllableTime, 2.75);
    EXPECT_EQ(r.cur.ReadPos, 24);
    r.cur.SungText = "Hello you";
    r.next();
    // Slot 1 took the line after the page, slot 2 is current.
    EXPECT_EQ(r.page.PageLines[1], "third");
    EXPECT_EQ(r.page.Slot, 2);
    EXPECT_TRUE(r.page.Redraw);
    EXPECT_EQ(r.cur.SungText, "");
    EXPECT_EQ(r.cur.Syllable, "next");
    EXPECT_DOUBLE_EQ(r.cur.SyllableTime, 3.0);
}

TEST(SyncCursorStep, SlotOrderFollowsThePageSize)
{
    for (int nb : {2, 4, 6, 8}) {
        Reader r(nb);
        std::vector<std::string> lines;
        for (int i = 0; i < 20; ++i)
            lines.push_back("L" + std::to_string(i) + ";" + std::to_string(i) + ";");
        r.open(lines);
        std::vector<int> slots;
        for (const auto& c : r.runToEnd())
            slots.push_back(c.slot);
        ASSERT_GE(slots.size(), 20u) << nb;
        for (std::size_t i = 0; i < 20; ++i)
            EXPECT_EQ(slots[i], static_cast<int>(i % nb) + 1) << "page " << nb << " line " << i;
    }
}

TEST(SyncCursorStep, EndOfFileFillsSlotsAndStops)
{
    Reader r(2);
    r.open({"one;1;", "two;2;"});
    r.next();  // "one"
    r.cur.NeedSyllable = -1;
    r.next();  // line 1 used up: slot 1 gets a filler, slot 2 current
    EXPECT_EQ(r.page.PageLines[1], "");
    EXPECT_EQ(r.cur.EofLines, 1);
    EXPECT_EQ(r.cur.Syllable, "two");
    r.next();  // line 2 used up: slot 2 gets a filler, stepping stops
    EXPECT_EQ(r.page.PageLines[2], "");
    EXPECT_EQ(r.cur.EofLines, 2);
}

TEST(SyncCursorStep, EveryRealSyllableIsReachedBeforeTheEnd)
{
    Reader r(4);
    r.open({"a;1;b;2;", "c;3;", "d;4;e;5;f;6;", "g;7;", "h;8;", "i;9;"});
    std::string sung;
    for (const auto& c : r.runToEnd())
        if (c.syllable != ".")
            sung += c.syllable;
    EXPECT_EQ(sung, "abcdefghi");
}

TEST(SyncCursorDisplayLines, LeadingLookOfTheMainFileAppliesBeforeTheFirstPage)
{
    Reader r(2);
    r.hooks.printPage = [&r] {
        ++r.pagesPrinted;
        EXPECT_EQ(r.applied.size(), 1u);  // the look is already there
    };
    r.open({"//pic.jpg;1;2;3;4;5", "a;1;", "b;2;"});
    ASSERT_EQ(r.applied.size(), 1u);
    EXPECT_EQ(r.applied[0], "//pic.jpg;1;2;3;4;5");
    EXPECT_EQ(r.page.PageLines[1], "a");
    EXPECT_EQ(r.page.PageLines[2], "b");
    EXPECT_EQ(r.cur.Directives[1], "");
}

TEST(SyncCursorDisplayLines, LeadingLookOfTheEchoFileWaitsForTheFirstStep)
{
    Reader r(2);
    r.open({"//;1;2;3;4;5", "a;1;", "b;2;"}, /*applyLeading=*/false);
    EXPECT_TRUE(r.applied.empty());
    EXPECT_EQ(r.cur.Directives[1], "//;1;2;3;4;5");
    r.next();
    ASSERT_EQ(r.applied.size(), 1u);
    EXPECT_EQ(r.redrawsAfterLook, 1);
    EXPECT_EQ(r.cur.Directives[1], "");
    EXPECT_EQ(r.cur.Syllable, "a");
}

TEST(SyncCursorDisplayLines, MidFileLookAppliesWhenItsLineBecomesCurrent)
{
    Reader r(2);
    r.open({"a;1;", "b;2;", "//x.jpg;1;2;3;4;5", "c;3;", "d;4;"});
    r.next();  // a
    r.next();  // refill slot 1 with "c" (look parked for slot 1), slot 2 current: b
    EXPECT_EQ(r.cur.Directives[1], "//x.jpg;1;2;3;4;5");
    EXPECT_TRUE(r.applied.empty());  // read, not yet applied
    EXPECT_EQ(r.page.PageLines[1], "c");
    r.next();  // slot 2 refilled with d, slot 1 current: its look applies now
    ASSERT_EQ(r.applied.size(), 1u);
    EXPECT_EQ(r.slotAtApply[0], 1);
    EXPECT_EQ(r.cur.Syllable, "c");
    EXPECT_EQ(r.redrawsAfterLook, 1);
}

TEST(SyncCursorDisplayLines, SecondDisplayLineInARowIsShownAsLyrics)
{
    Reader r(2);
    r.open({"//a;1;2;3;4;5", "//b;1;2;3;4;5", "x;1;"});
    EXPECT_EQ(r.applied.size(), 1u);
    EXPECT_EQ(r.page.PageLines[1], "//b24");  // syllable fields joined, the unclosed last time dropped
}

TEST(SyncCursorDisplayLines, LookParkedByThePreviousSongIsDropped)
{
    Reader r(2);
    r.open({"a;1;", "b;2;", "//old;1;2;3;4;5", "c;3;"});
    r.next();
    r.next();  // parks "//old" for slot 1
    ASSERT_FALSE(r.cur.Directives[1].empty());
    r.open({"new;1;", "song;2;", "more;3;"});
    EXPECT_EQ(r.cur.Directives[1], "");
    r.runToEnd();
    for (const auto& l : r.applied)
        EXPECT_NE(l, "//old;1;2;3;4;5");
}

TEST(SyncCursorHostile, UnterminatedLastTimeEndsTheLine)
{
    Reader r(2);
    r.open({"a;1;b;2", "c;3;"});
    auto cuts = r.runToEnd(1000);
    ASSERT_LT(cuts.size(), 1000u) << "the cursor looped on the unterminated line";
    ASSERT_GE(cuts.size(), 3u);
    EXPECT_EQ(cuts[0].syllable, "a");
    EXPECT_EQ(cuts[1].syllable, "b");
    EXPECT_DOUBLE_EQ(cuts[1].time, 0.0);
    EXPECT_EQ(cuts[2].syllable, "c");
    EXPECT_DOUBLE_EQ(cuts[2].time, 3.0);
}

TEST(SyncCursorHostile, DamagedLinesNeverStallOrCrash)
{
    const std::vector<std::vector<std::string>> files = {
        {"a;xx;b;2;"},                      // letters for a time
        {"a;;b;2;"},                         // empty time
        {"no separators at all", "x;1;"},    // plain text
        {"", "", "x;1;"},                    // empty lines
        {";", ";;", ";;;", "x;1;"},          // only separators
        {"a;1", "b"},                        // unterminated everywhere
        {std::string("a\0b;1;\0;2;", 10)},   // NUL bytes
        {"\xff\xfe;1;\xc3;2;"},              // bytes that are not UTF-8
        {"//", "//", "//", "//"},            // display lines only
    };
    for (const auto& f : files) {
        for (int nb : {2, 8}) {
            Reader r(nb);
            r.open(f);
            const auto cuts = r.runToEnd(10000);
            EXPECT_LT(cuts.size(), 10000u);
            EXPECT_EQ(r.cur.EofLines, pageSize(nb));
        }
    }
}

TEST(SyncCursorHostile, GarbageTimesReadAsZeroAndKeepTheSyllable)
{
    Reader r(2);
    r.open({"a;xx;b;2;"});
    r.next();
    EXPECT_EQ(r.cur.Syllable, "a");
    EXPECT_DOUBLE_EQ(r.cur.SyllableTime, 0.0);
    EXPECT_EQ(r.cur.NeedSyllable, 0);
    r.next();
    EXPECT_EQ(r.cur.Syllable, "b");
    EXPECT_DOUBLE_EQ(r.cur.SyllableTime, 2.0);
}

TEST(SyncCursorHostile, HugeLineIsSteppedSyllableBySyllable)
{
    std::string line;
    const int fields = 20000;
    for (int i = 0; i < fields; ++i)
        line += "la ;" + std::to_string(i) + ",5;";
    Reader r(2);
    r.open({line, "end;1;"});
    EXPECT_EQ(r.page.PageLines[1].size(), static_cast<std::size_t>(3 * fields));
    int n = 0;
    for (; n < fields; ++n) {
        r.next();
        ASSERT_EQ(r.cur.Syllable, "la ");
    }
    EXPECT_DOUBLE_EQ(r.cur.SyllableTime, fields - 1 + 0.5);
    r.next();
    EXPECT_EQ(r.cur.Syllable, "end");
}

TEST(SyncCursorHostile, ClosedCursorStaysQuiet)
{
    Reader r(2);
    resetClosedCursor(r.cur, r.page);
    EXPECT_EQ(r.cur.NeedSyllable, -1);
    EXPECT_TRUE(r.page.Redraw);
    // Stepping a cursor with no file only produces fillers.
    auto cuts = r.runToEnd(100);
    EXPECT_LT(cuts.size(), 100u);
}

TEST(SyncTime, DecimalMarkIsCommaOrPointWhateverTheLocale)
{
    EXPECT_DOUBLE_EQ(parseSyncTime("12,5"), 12.5);
    EXPECT_DOUBLE_EQ(parseSyncTime("12.5"), 12.5);
    EXPECT_DOUBLE_EQ(parseSyncTime(" 3 "), 3.0);
    EXPECT_DOUBLE_EQ(parseSyncTime("0"), 0.0);
    EXPECT_DOUBLE_EQ(parseSyncTime("13,2000000000001"), 13.2000000000001);
    EXPECT_DOUBLE_EQ(parseSyncTime("+1,25"), 1.25);
    EXPECT_DOUBLE_EQ(parseSyncTime("-2"), -2.0);
}

TEST(SyncTime, AnythingElseIsZero)
{
    for (const char* bad : {"", " ", "abc", "1,2,3", "12abc", "nan", "inf", "1e999", "--1", ",", "1 2"})
        EXPECT_DOUBLE_EQ(parseSyncTime(bad), 0.0) << bad;
}

TEST(PageBuffers, ClearKarLinesEmptiesRingsAndKeptLinesOnly)
{
    resetAll();
    for (int i = 1; i <= 8; ++i) {
        KarPageLines[i] = K1PageLines[i] = KarScrollLines[i] = K1ScrollLines[i] = "x";
    }
    resetPastLines(KarPage);
    resetPastLines(K1Page);
    KarSplitRows[1] = "row";
    KarSlot = 3;
    KarRedraw = true;
    SykRawLines[1] = "raw;1;";
    ClearKarLines();
    for (int i = 1; i <= 8; ++i) {
        EXPECT_EQ(KarPageLines[i], "");
        EXPECT_EQ(K1PageLines[i], "");
        EXPECT_EQ(KarScrollLines[i], "");
        EXPECT_EQ(K1ScrollLines[i], "");
    }
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(KarPastLines[i], "");
        EXPECT_EQ(K1PastLines[i], "");
    }
    EXPECT_EQ(KarSplitRows[1], "row");
    EXPECT_EQ(KarSlot, 3);
    EXPECT_TRUE(KarRedraw);
    EXPECT_EQ(SykRawLines[1], "raw;1;");
    resetAll();
}



TEST(SyncCursorFile, WindowsFileWithAccentsAndALookLine)
{
    const char* env = std::getenv("ZUN_TEST_DATA");
    const std::string here = __FILE__;
    const std::string data = env ? env : here.substr(0, here.rfind("/karaoke/")) + "/data";
    const auto lines = textfile::readLines(data + "/karaoke/accents.syk");
    ASSERT_TRUE(lines.has_value());
    Reader r(2);
    r.open(*lines);
    ASSERT_EQ(r.applied.size(), 1u);
    EXPECT_EQ(r.applied[0], "//;16777215;255;65280;0;0");
    EXPECT_EQ(r.page.PageLines[1], "\xc3\x89t\xc3\xa9 l\xc3\xa0");  // "Été là" in UTF-8
    EXPECT_EQ(r.page.PageLines[2], "second line");
    r.next();
    EXPECT_EQ(r.cur.Syllable, "\xc3\x89t\xc3\xa9 ");
    EXPECT_DOUBLE_EQ(r.cur.SyllableTime, 1.5);
    r.next();
    EXPECT_DOUBLE_EQ(r.cur.SyllableTime, 2.25);
}
