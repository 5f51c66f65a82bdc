// MIDI karaoke files of the shapes other programs write (lyric events with
// tempo changes at line starts, lines ended by a lone line feed, soft-karaoke
// text before the first line, lines wider than the window, syllables that
// carry their blank in front), played from the main window: while each line
// is sung, the red ink on the lyric window lies on that line's rows and on no
// other.
#include "playback_fixture.h"

#include <QImage>

#include "karaoke/lyricdraw.h"
#include "karaoke/lyricviews.h"
#include "platform/music/smf_writer.h"
#include "playback/midianalysis.h"

using namespace pbtest;
using testmidi::Track;

namespace {

// 120 beats per minute, 480 ticks per quarter note: 960 ticks a second.
constexpr int kDivision = 480;
constexpr int kTick = 960;

struct Lyric {
    double at;  // seconds
    std::string text;
};

// The lyric events in a track of their own (no "Words" name, a handful of
// events: the whole file is merged), type 5 or 1.
Track lyricTrack(const std::vector<Lyric>& words, int type, const std::string& name = "Vocals")
{
    Track t;
    t.name(0, name);
    double last = 0;
    for (const Lyric& w : words) {
        t.meta(static_cast<std::uint32_t>((w.at - last) * kTick + 0.5), type, w.text);
        last = w.at;
    }
    return t.end(0);
}

Track melody(int seconds)
{
    Track m;
    for (int s = 0; s < seconds; ++s)
        m.on(s == 0 ? 0 : kTick / 2, 0, 60).off(kTick / 2, 0, 60);
    return m.end(kTick / 2);
}

class MidiLinesTest : public PlaybackTest {
protected:
    void SetUp() override
    {
        PlaybackTest::SetUp();
        // White page lines, a pure red sung part, no shadow.
        modIni::FontRed = modIni::FontGreen = modIni::FontBlue = "255";
        modIni::ActifRed = "255";
        modIni::ActifGreen = modIni::ActifBlue = "0";
        modIni::ShadowH = modIni::ShadowV = 0;
    }

    void play(const std::string& bytes, const std::string& name = "song.kar")
    {
        const std::string song = dir.write(name, bytes);
        playRow(addRow(song));
        ASSERT_TRUE(modIni::IsPlaying);
        ASSERT_EQ(modIni::MediaKind, "midi");
        // Four lines a page, before the first line is laid out.
        modIni::NbLigne = 4;
        karaoke().setWidth(9000);
    }
    // Plays on to `seconds` of heard time.
    void playTo(double seconds)
    {
        while (modIni::IsPlaying && heard() < seconds)
            playFor(10);
    }
    static double heard() { return Kar::MidiMsAt(Kar::MidiPosition()) / 1000.0; }

    // Text rows (0-based from the top margin) that hold pixels of `colour`.
    std::vector<int> rowsWith(long colour)
    {
        Karaoke& k = karaoke();
        const QImage& img = k.image();
        const Kar::DisplayOptions o = Kar::displayOptions();
        const double h = k.TextHeight("a");
        const int r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
        std::vector<int> rows;
        for (int row = 0; row < 12; ++row) {
            const int y0 = static_cast<int>((o.marginY + row * h) / 15), y1 = static_cast<int>((o.marginY + (row + 1) * h) / 15);
            bool found = false;
            for (int y = std::max(0, y0); y < std::min(img.height(), y1) && !found; ++y)
                for (int x = 0; x < img.width() && !found; ++x) {
                    const QRgb px = img.pixel(x, y);
                    found = std::abs(qRed(px) - r) < 40 && std::abs(qGreen(px) - g) < 40 && std::abs(qBlue(px) - b) < 40;
                }
            if (found)
                rows.push_back(row);
        }
        return rows;
    }
    std::vector<int> redRows() { return rowsWith(Kar::displayOptions().activeColour); }

    // The window rows (0 = the first row under the top margin) of rows
    // `from`..`to` - 1 of the block, as far as the window shows them.
    static std::vector<int> shownRows(int from, int to)
    {
        const Kar::LyricView v = Kar::karView();
        const int shown = Kar::visibleRows(v, Kar::displayOptions());
        std::vector<int> rows;
        for (int r = from; r < to; ++r)
            if (r - Kar::KarPage.ViewRow >= 0 && r - Kar::KarPage.ViewRow < shown)
                rows.push_back(r - Kar::KarPage.ViewRow);
        return rows;
    }
    // The rows the page gives line `text` on the window: its slot's rows after
    // those of the slots above it.
    std::vector<int> rowsOfLine(const std::string& text)
    {
        const Kar::LyricView v = Kar::karView();
        const Kar::DisplayOptions o = Kar::displayOptions();
        int row = 0;
        for (int s = 1; s <= Kar::pageSize(o.nbLigne); ++s) {
            const int n = static_cast<int>(Kar::rowsOn(v, o, Kar::KarPageLines[static_cast<std::size_t>(s)]).size());
            if (Kar::KarPageLines[static_cast<std::size_t>(s)] == text)
                return shownRows(row, row + n);
            row += n;
        }
        return {};
    }
    int slotOf(const std::string& text)
    {
        for (int s = 1; s <= 8; ++s)
            if (Kar::KarPageLines[static_cast<std::size_t>(s)] == text)
                return s;
        return 0;
    }
};

} // namespace

TEST_F(MidiLinesTest, TempoChangesAtLineStartsDoNotBringTheFinishedLineBack)
{
    // An export from a sequencer: lyric events in a voice track, lines ended
    // with a lone line feed, and the tempo track changing tempo (to the same
    // speed) exactly where each new line begins.
    Track conductor;
    conductor.tempo(0, 500000).tempo(2 * kTick, 500000).tempo(2 * kTick, 500000).end();
    const std::vector<Lyric> words = {{0.5, "Hel"}, {1.0, "lo "}, {1.5, "world"}, {1.9, "\n"},
                                      {2.0, "Se"},  {2.5, "cond "}, {3.0, "line"}, {3.9, "\n"},
                                      {4.0, "Third "}, {4.5, "one"}};
    play(testmidi::file(1, kDivision, {conductor, lyricTrack(words, 5), melody(7)}));
    ASSERT_EQ(Kar::MidiLines.size(), 3u);
    EXPECT_EQ(Kar::MidiLines[0], "Hello world");
    EXPECT_EQ(Kar::MidiLines[1], "Second line");

    // Before the first syllable the page already shows the first line.
    playTo(0.3);
    EXPECT_EQ(slotOf("Hello world"), 1);
    EXPECT_TRUE(redRows().empty());
    playTo(1.2);
    EXPECT_EQ(slotOf("Hello world"), 1);
    EXPECT_EQ(redRows(), rowsOfLine("Hello world"));
    playTo(2.7);
    EXPECT_EQ(Kar::MidiSungText, "Second ");
    EXPECT_EQ(slotOf("Second line"), 2);
    EXPECT_EQ(redRows(), (std::vector<int>{1}));
    playTo(4.7);
    EXPECT_EQ(slotOf("Third one"), 3);
    EXPECT_EQ(redRows(), rowsOfLine("Third one"));
}

TEST_F(MidiLinesTest, SoftKaraokeTextBeforeTheFirstLineKeepsOffIt)
{
    // A soft-karaoke file written in one track (tempo, a text before the
    // first line, the marked lines), and a second track whose name event
    // follows that text in the merged order.
    Track song;
    song.tempo(0, 500000).text(0, "DURATION: 46");
    song.text(kTick, "\\First ").text(kTick / 2, "line").text(kTick, "/Next ").text(kTick / 2, "one").end();
    Track piano = melody(6);
    piano.data = Track().name(0, "Piano").data + piano.data;
    play(testmidi::file(1, kDivision, {song, piano}));
    EXPECT_EQ(Kar::MidiLines[0], "DURATION: 46");

    // The title is not sung: nothing turns red before the first line, and
    // the first line takes the first slot.
    playTo(0.8);
    EXPECT_TRUE(redRows().empty());
    EXPECT_EQ(slotOf("DURATION: 46"), 0);
    playTo(1.2);
    EXPECT_EQ(Kar::MidiSungText, "First ");
    EXPECT_EQ(slotOf("First line"), 1);
    const std::vector<int> first = rowsOfLine("First line");
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(redRows(), first);
    playTo(2.7);
    EXPECT_EQ(Kar::MidiSungText, "Next ");
    const std::vector<int> next = rowsOfLine("Next one");
    ASSERT_FALSE(next.empty());
    EXPECT_NE(next, first);
}

TEST_F(MidiLinesTest, AWideLineIsOverprintedRowByRowAlsoAfterTheWindowCameBack)
{
    // A line of forty words ends the first line; the page wraps it, and the
    // sung part follows it onto its second row, under the line above.
    std::vector<Lyric> words = {{0.5, "Short "}, {0.8, "one"}, {0.9, "\r"}};
    double at = 1.0;
    for (int i = 0; i < 40; ++i, at += 0.1)
        words.push_back({at, "word" + std::to_string(i) + " "});
    words.push_back({at + 0.5, "\r"});
    words.push_back({at + 0.6, "End"});
    play(testmidi::file(1, kDivision, {Track().tempo(0, 500000).end(), lyricTrack(words, 1), melody(8)}));
    ASSERT_EQ(Kar::MidiLines.size(), 3u);
    const std::string wide = Kar::MidiLines[1];
    ASSERT_EQ(wide.substr(0, 6), "word0 ");

    playTo(1.05);
    const std::vector<int> rows = rowsOfLine(wide);
    ASSERT_GE(rows.size(), 1u);
    EXPECT_EQ(rows.front(), 1);
    EXPECT_EQ(redRows(), (std::vector<int>{1}));
    // Well into the line: the sung part runs over its rows, one after the
    // other, down to the row where the wrap puts its last syllable, as far as
    // the window shows them.
    auto expectedRed = [&] {
        const Kar::LyricView v = Kar::karView();
        const auto& wrapped = Kar::rowsOn(v, Kar::displayOptions(), wide);
        const int last = Kar::locateSungIn(Kar::MidiSungText, wrapped).row;
        return shownRows(1, 1 + last);
    };
    auto sungRow = [&] {
        return Kar::locateSungIn(Kar::MidiSungText, Kar::rowsOn(Kar::karView(), Kar::displayOptions(), wide)).row;
    };
    playTo(1.0 + 0.1 * 9 + 0.05);
    ASSERT_GE(sungRow(), 2);
    ASSERT_FALSE(expectedRed().empty());
    EXPECT_EQ(redRows(), expectedRed());

    // The lyric window closes mid-line and comes back: the page is drawn
    // again and the sung part still follows the rows.
    Unload(karaoke());
    player().Command_AffSyk_Click();
    karaoke().setWidth(9000);
    playTo(1.0 + 0.1 * 10 + 0.05);
    ASSERT_GE(sungRow(), 2);
    ASSERT_FALSE(expectedRed().empty());
    EXPECT_EQ(redRows(), expectedRed());
}

TEST_F(MidiLinesTest, SyllablesWithTheBlankInFrontKeepTheirBlanksInside)
{
    // Syllables that carry the blank before the word, lines ended by CR.
    const std::vector<Lyric> words = {{0.5, "Er"}, {0.8, " kocht"}, {1.1, " Reis"}, {1.4, "\r"},
                                      {1.5, " Ra"}, {1.8, "ben"}, {2.1, " rufen"}};
    play(testmidi::file(1, kDivision, {Track().tempo(0, 500000).end(), lyricTrack(words, 5), melody(4)}));
    ASSERT_EQ(Kar::MidiLines.size(), 2u);
    EXPECT_EQ(Kar::MidiLines[0], "Er kocht Reis");
    EXPECT_EQ(Kar::MidiLines[1], "Raben rufen");

    playTo(1.9);
    EXPECT_EQ(Kar::MidiSungText, "Raben");
    EXPECT_EQ(redRows(), (std::vector<int>{1}));
    // The sung part starts at the left margin like its line.
    Karaoke& k = karaoke();
    const Kar::DisplayOptions o = Kar::displayOptions();
    const QImage& img = k.image();
    const double h = k.TextHeight("a");
    int firstRed = -1;
    for (int x = 0; x < img.width() && firstRed < 0; ++x)
        for (int y = static_cast<int>((o.marginY + h) / 15); y < static_cast<int>((o.marginY + 2 * h) / 15); ++y) {
            const QRgb px = img.pixel(x, y);
            if (qRed(px) > 200 && qGreen(px) < 60 && qBlue(px) < 60) {
                firstRed = x * 15;
                break;
            }
        }
    EXPECT_NEAR(firstRed, o.marginX, 150);
}

TEST_F(MidiLinesTest, OnlyASingleTextBeforeTheMusicIsTakenForATitle)
{
    // Files whose lines after the first open with "/": what comes before the
    // first mark is the first sung line, unless it is one text heard before
    // the music (at the start, or before the first note).
    Track lateNotes;  // the music begins at 1 s
    lateNotes.on(kTick, 0, 60).off(3 * kTick, 0, 60).end(kTick / 2);
    struct Case {
        const char* what;
        std::vector<Lyric> words;
        bool lateMusic;
        bool title;
        double at;          // when the first line's first syllable is sung
        const char* first;  // the first sung line
        const char* sung;   // its sung part then
    };
    const std::vector<Case> cases = {
        {"a first line of two syllables at the start, over the music",
         {{0.0, "First "}, {0.5, "line"}, {1.5, "/Next "}, {2.0, "one"}}, false, false, 0.2, "First line", "First "},
        {"a first line of one syllable sung over the music",
         {{1.0, "Hello"}, {2.0, "/Next "}, {2.5, "one"}}, false, false, 1.2, "Hello", "Hello"},
        {"a first line of two syllables sung before the music begins",
         {{0.0, "First "}, {0.5, "line"}, {1.5, "/Next "}, {2.0, "one"}}, true, false, 0.2, "First line", "First "},
        {"a title before the music, which begins later",
         {{0.5, "DURATION: 46"}, {1.0, "\\First "}, {1.5, "line"}, {2.5, "/Next "}, {3.0, "one"}}, true, true, 1.2,
         "First line", "First "},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        player().Command_Stop_Click();
        play(testmidi::file(1, kDivision,
                            {Track().tempo(0, 500000).end(), lyricTrack(c.words, 1), c.lateMusic ? lateNotes : melody(6)}),
             "song" + std::to_string(++n) + ".kar");
        EXPECT_EQ(Kar::MidiLeadText, c.title);
        if (c.title) {
            playTo(0.8);
            EXPECT_TRUE(redRows().empty());
            EXPECT_EQ(slotOf(c.words[0].text), 0);
            // Nor after the lyrics come back from a mute during it.
            player().Check_Muet2.setValue(1);
            player().Check_Muet2.setValue(0);
            playTo(0.9);
            EXPECT_TRUE(redRows().empty());
        }
        playTo(c.at);
        EXPECT_EQ(Kar::KarPage.Sung, c.sung);
        EXPECT_EQ(slotOf(c.first), 1);
        const std::vector<int> first = rowsOfLine(c.first);
        ASSERT_FALSE(first.empty());
        EXPECT_EQ(redRows(), first);
    }
}

TEST_F(MidiLinesTest, AnUnmuteShowsTheLineBeingSungAlsoWhenItBeganMuted)
{
    play(testmidi::file(1, kDivision,
                        {Track().tempo(0, 500000).end(),
                         lyricTrack({{1.0, "\\One "}, {1.2, "line"}, {2.0, "/Two "}, {5.0, "words"},
                                     {5.5, "/End"}, {6.5, "/Last "}, {6.8, "words"}},
                                    5),
                         melody(8)}));
    const long page = Kar::displayOptions().pageColour;
    playTo(1.5);
    EXPECT_EQ(redRows(), rowsOfLine("One line"));
    // Muted while the first line is sung; the second begins meanwhile.
    player().Check_Muet2.setValue(1);
    playTo(2.5);
    player().Check_Muet2.setValue(0);
    playTo(3.0);
    // The page of the line being sung, with its sung part.
    EXPECT_EQ(slotOf("Two words"), 2);
    std::vector<int> lines = rowsOfLine("Two words");
    const std::vector<int> end = rowsOfLine("End");
    lines.insert(lines.end(), end.begin(), end.end());
    EXPECT_EQ(rowsWith(page), lines) << "blank page after the unmute";
    EXPECT_EQ(redRows(), rowsOfLine("Two words"));
    EXPECT_EQ(Kar::KarPage.Sung, "Two ");
    // The rest of the line is sung over the same page.
    playTo(5.2);
    EXPECT_EQ(Kar::KarPage.Sung, "Two words");
    EXPECT_EQ(redRows(), rowsOfLine("Two words"));

    // A line begun and ended while muted shows sung whole until the next one.
    player().Check_Muet2.setValue(1);
    playTo(5.8);
    player().Check_Muet2.setValue(0);
    playTo(6.0);
    EXPECT_EQ(slotOf("End"), 3);
    EXPECT_EQ(redRows(), rowsOfLine("End"));
    EXPECT_EQ(rowsWith(page), rowsOfLine("Last words")) << "blank page after the unmute";
    playTo(6.6);
    EXPECT_EQ(Kar::KarPage.Sung, "Last ");
    EXPECT_EQ(redRows(), rowsOfLine("Last words"));
}

TEST_F(MidiLinesTest, AfterForwardOrBackTheFirstLineSungIsTheOneDueThere)
{
    // Line n ("Line 01" .. "Line 24") is sung from n seconds, in two syllables.
    std::vector<Lyric> words;
    for (int n = 1; n <= 24; ++n) {
        words.push_back({double(n), n == 1 ? "Line " : "/Line "});
        words.push_back({n + 0.5, (n < 10 ? "0" : "") + std::to_string(n)});
    }
    play(testmidi::file(1, kDivision, {Track().tempo(0, 500000).end(), lyricTrack(words, 1), melody(26)}));

    // The line under the red ink: "" while no page shows (the waiting row
    // after a seek is red too), "?" when it lies on no line of the page.
    const long page = Kar::displayOptions().pageColour;
    auto sungLine = [&]() -> std::string {
        const std::vector<int> red = redRows();
        if (red.empty() || rowsWith(page).empty())
            return "";
        for (int s = 1; s <= Kar::pageSize(modIni::NbLigne); ++s) {
            const std::string& line = Kar::KarPageLines[static_cast<std::size_t>(s)];
            if (!line.empty() && rowsOfLine(line) == red)
                return line;
        }
        return "?";
    };
    // Plays on tick by tick to `seconds`: the lines sung on the way, in
    // order, and when the first of them turned red.
    struct Sung {
        std::vector<std::string> lines;
        double firstAt = -1;
    };
    auto singTo = [&](double seconds) {
        Sung sung;
        while (modIni::IsPlaying && heard() < seconds) {
            playFor(10);
            const std::string line = sungLine();
            if (line.empty() || (!sung.lines.empty() && sung.lines.back() == line))
                continue;
            if (sung.lines.empty())
                sung.firstAt = heard();
            sung.lines.push_back(line);
        }
        return sung;
    };
    using Lines = std::vector<std::string>;

    EXPECT_EQ(singTo(3.2).lines, (Lines{"Line 01", "Line 02", "Line 03"}));

    // Forward, about 13 s on (mid-way through line 16): nothing is sung
    // until line 17 begins, and the lines passed over never come back.
    player().Command_Forward.press();
    ASSERT_NEAR(heard(), 16.22, 0.02);
    Sung sung = singTo(18.2);
    EXPECT_EQ(sung.lines, (Lines{"Line 17", "Line 18"}));
    EXPECT_NEAR(sung.firstAt, 17.0, 0.02);

    // Back, from the middle of line 18 to that of line 5: line 6 is sung
    // when it begins, and the lines after it are not passed over.
    player().Command_Back.press();
    ASSERT_NEAR(heard(), 5.18, 0.02);
    sung = singTo(7.2);
    EXPECT_EQ(sung.lines, (Lines{"Line 06", "Line 07"}));
    EXPECT_NEAR(sung.firstAt, 6.0, 0.02);
}
