// What the singer reads survives any full redraw of a lyric window while the
// song plays: for every kind of song (audio with .syk, MIDI with .syk, MIDI
// text events, MIDI lyric events), in both layouts and on both windows, the
// window shows the same rows before and after a resize, a margin change and a
// mute with unmute mid-line. And a line of any length keeps the syllable being
// sung inside the window, above the progress bar.
#include "playback_fixture.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <tuple>

#include "karaoke/lyricdraw.h"
#include "karaoke/lyricviews.h"
#include "platform/music/smf_writer.h"
#include "playback/midianalysis.h"

using namespace pbtest;
using testmidi::Track;

namespace {

// 480 ticks per quarter note of 0.768 s: 625 ticks a second, and the MIDI
// performance's music time (768 a quarter note) counts milliseconds, the time
// base a .syk beside a MIDI song is read in.
constexpr int kDivision = 480;
constexpr int kTick = 625;
constexpr int kTempo = 768000;

constexpr long kWhite = 0xFFFFFF;
constexpr long kRed = 0x0000FF;
constexpr long kGreen = 0x00FF00;
constexpr long kBlue = 0xFF0000;

struct Syllable {
    double at;  // seconds
    std::string text;
};
using Line = std::vector<Syllable>;

// The song's lines, of clearly different lengths so that lines out of order
// show. The second line is sung from 2.0 s to 3.2 s.
const std::vector<Line> kLines = {
    {{0.5, "One "}, {0.8, "two "}, {1.1, "three"}},
    {{2.0, "Four "}, {2.3, "fi"}, {2.6, "ve "}, {2.9, "six "}, {3.2, "seven"}},
    {{4.0, "Eight "}, {4.3, "nine "}, {4.6, "ten "}, {4.9, "eleven "}, {5.2, "twelve"}},
    {{6.0, "End"}},
};
// The echo file for the second window: sung in step with the song.
const std::vector<Line> kEchoLines = {
    {{0.6, "Ah "}, {0.9, "ah"}},
    {{2.1, "Oh "}, {2.4, "oh "}, {2.7, "oh "}, {3.0, "yeah"}},
    {{4.1, "Mm "}, {4.4, "hm"}},
    {{6.1, "Fin"}},
};

std::string sykOf(const std::vector<Line>& lines)
{
    std::string s;
    for (const Line& l : lines) {
        for (const Syllable& w : l) {
            std::ostringstream t;
            t << w.at;
            std::string time = t.str();
            std::replace(time.begin(), time.end(), '.', ',');
            s += w.text + ";" + time + ";";
        }
        s += "\r\n";
    }
    return s;
}

Track melody(int seconds)
{
    Track m;
    for (int s = 0; s < seconds; ++s)
        m.on(s == 0 ? 0 : kTick / 2, 0, 60).off(kTick / 2, 0, 60);
    return m.end(kTick / 2);
}

// The lines as meta events of `type`: text events open each line with "\"
// (soft karaoke), lyric events end each line with a lone carriage return.
Track lyricTrack(const std::vector<Line>& lines, int type)
{
    Track t;
    t.name(0, "Vocals");
    double last = 0;
    auto put = [&](double at, const std::string& text) {
        t.meta(static_cast<std::uint32_t>((at - last) * kTick + 0.5), type, text);
        last = at;
    };
    for (const Line& l : lines) {
        for (std::size_t i = 0; i < l.size(); ++i)
            put(l[i].at, (type == 1 && i == 0 ? "\\" : "") + l[i].text);
        if (type == 5)
            put(l.back().at + 0.1, "\r");
    }
    return t.end(0);
}

std::string midiSong(int type)
{
    return testmidi::file(1, kDivision, {Track().tempo(0, kTempo).end(), lyricTrack(kLines, type), melody(8)});
}

enum class Song { AudioSyk, MidiSyk, MidiText, MidiLyric };
enum class Layout { Static, Scrolling };
enum class Window { Main, Second };

std::string nameOf(Song s)
{
    switch (s) {
    case Song::AudioSyk: return "AudioSyk";
    case Song::MidiSyk: return "MidiSyk";
    case Song::MidiText: return "MidiType1";
    case Song::MidiLyric: return "MidiType5";
    }
    return "";
}

bool near(QRgb px, long bgr)
{
    const int r = bgr & 0xFF, g = (bgr >> 8) & 0xFF, b = (bgr >> 16) & 0xFF;
    return std::abs(qRed(px) - r) < 60 && std::abs(qGreen(px) - g) < 60 && std::abs(qBlue(px) - b) < 60;
}

// The ink of one colour in one text row of the window.
struct Ink {
    int count = 0;
    int minX = -1, maxX = -1;
};

// What a window shows, row by row: the page colour, the sung colour, the
// kept lines' colour and the shadow.
struct RowsShown {
    std::vector<std::array<Ink, 4>> rows;
};

RowsShown rowsShown(const Form& w, int marginY, double rowHeight)
{
    const QImage& img = w.image();
    const std::array<long, 4> colours{kWhite, kRed, kGreen, kBlue};
    RowsShown shown;
    for (int row = 0;; ++row) {
        const int y0 = static_cast<int>((marginY + row * rowHeight) / 15);
        const int y1 = static_cast<int>((marginY + (row + 1) * rowHeight) / 15);
        if (y0 >= img.height())
            break;
        std::array<Ink, 4> inks{};
        for (int y = std::max(0, y0); y < std::min(img.height(), y1); ++y)
            for (int x = 0; x < img.width(); ++x)
                for (std::size_t c = 0; c < colours.size(); ++c)
                    if (near(img.pixel(x, y), colours[c])) {
                        Ink& ink = inks[c];
                        ++ink.count;
                        if (ink.minX < 0 || x < ink.minX)
                            ink.minX = x;
                        ink.maxX = std::max(ink.maxX, x);
                    }
        shown.rows.push_back(inks);
    }
    return shown;
}

// The same rows: each colour in the same place in each row. The sung part
// is overprinted once per syllable during play and once by a redraw, which
// darkens the edges of its letters differently: counts may differ a little.
::testing::AssertionResult sameRows(const RowsShown& before, const RowsShown& after)
{
    static const char* names[] = {"page", "sung", "kept", "shadow"};
    if (before.rows.size() != after.rows.size())
        return ::testing::AssertionFailure() << "row count " << before.rows.size() << " vs " << after.rows.size();
    for (std::size_t r = 0; r < before.rows.size(); ++r)
        for (std::size_t c = 0; c < 4; ++c) {
            const Ink& a = before.rows[r][c];
            const Ink& b = after.rows[r][c];
            const bool same = (a.count == 0) == (b.count == 0) &&
                              std::abs(a.count - b.count) <= 10 + std::max(a.count, b.count) / 4 &&
                              std::abs(a.minX - b.minX) <= 2 && std::abs(a.maxX - b.maxX) <= 2;
            if (!same)
                return ::testing::AssertionFailure()
                       << "row " << r << " " << names[c] << ": " << a.count << " px at " << a.minX << ".." << a.maxX
                       << " before, " << b.count << " px at " << b.minX << ".." << b.maxX << " after";
        }
    return ::testing::AssertionSuccess();
}

class LyricRedrawTest : public PlaybackTest,
                        public ::testing::WithParamInterface<std::tuple<Song, Layout, Window>> {
protected:
    void look()
    {
        // White page, red sung part, green kept lines, blue shadow.
        modIni::FontRed = modIni::FontGreen = modIni::FontBlue = "255";
        modIni::ActifRed = "255";
        modIni::ActifGreen = modIni::ActifBlue = "0";
        modIni::PassifRed = modIni::PassifBlue = "0";
        modIni::PassifGreen = "255";
        modIni::KarShadowColor = std::to_string(kBlue);
        modIni::ShadowH = modIni::ShadowV = 45;
        // The same look at the song start.
        modIni::KarBackColor = "0";
        modIni::KarFontColor = std::to_string(kWhite);
        modIni::KarFontColorActif = std::to_string(kRed);
        modIni::KarFontColorPassif = std::to_string(kGreen);
        modIni::KarShadowColorIni = std::to_string(kBlue);
        modIni::PathImage.clear();
    }

    double position() const
    {
        if (modIni::MediaKind == "midi")
            return Kar::MidiMsAt(Kar::MidiPosition()) / 1000.0;
        return player().ActiveMovie1.CurrentPosition();
    }
    void playTo(double seconds)
    {
        while (modIni::IsPlaying && position() < seconds)
            playFor(10);
    }

    Form& shown(Window w) { return w == Window::Main ? static_cast<Form&>(karaoke()) : karaoke_K1(); }
    RowsShown rows(Window w)
    {
        Form& f = shown(w);
        return rowsShown(f, Kar::displayOptions().marginY, f.TextHeight("a"));
    }
};

} // namespace

TEST_P(LyricRedrawTest, RedrawMidLineShowsTheSameRows)
{
    const auto [song, layout, window] = GetParam();
    std::string path;
    if (song == Song::AudioSyk) {
        path = dir.write("song.wav", silentWav(8.0));
    } else {
        path = dir.write("song.kar", midiSong(song == Song::MidiText ? 1 : 5));
    }
    if (song == Song::AudioSyk || song == Song::MidiSyk)
        dir.write("song.syk", sykOf(kLines));
    dir.write("song.sy1", sykOf(kEchoLines));

    Karaoke& k = karaoke();
    k.Scroll.setValue(layout == Layout::Scrolling ? 1 : 0);
    k.LiM1.setValue(true);
    k.Check_HSize.setValue(0);
    look();
    playRow(addRow(path));
    ASSERT_TRUE(modIni::IsPlaying);
    ASSERT_EQ(karaoke().Check_Aff_K1.Value(), 1);
    look();

    // Into the second line (the second slot of the page), mid-line.
    playTo(2.75);
    RowsShown before = rows(window);
    ASSERT_FALSE(before.rows.empty());
    int sung = 0, page = 0;
    for (const auto& r : before.rows) {
        sung += r[1].count;
        page += r[0].count;
    }
    ASSERT_GT(page, 0) << "the window shows its page";
    if (window == Window::Main || song == Song::AudioSyk || song == Song::MidiSyk) {
        ASSERT_GT(sung, 0) << "the window shows a sung part";
    }

    // A resize, and back.
    Form& w = shown(window);
    const int height = w.Height();
    w.setHeight(height + 600);
    w.setHeight(height);
    EXPECT_TRUE(sameRows(before, rows(window))) << "after a resize";

    // The margin moved and back.
    k.HScroll_Kar.setValue(k.HScroll_Kar.Value() + 1);
    k.HScroll_Kar.setValue(k.HScroll_Kar.Value() - 1);
    EXPECT_TRUE(sameRows(before, rows(window))) << "after a margin change";

    // The lyrics muted and shown again.
    player().Check_Muet2.setValue(1);
    player().Check_Muet2.setValue(0);
    EXPECT_TRUE(sameRows(before, rows(window))) << "after a mute and unmute";

    // Redraws after the rotated page moved on a line.
    playTo(4.45);
    before = rows(window);
    w.setHeight(height + 600);
    w.setHeight(height);
    EXPECT_TRUE(sameRows(before, rows(window))) << "after a resize on the next line";
}

INSTANTIATE_TEST_SUITE_P(
    EverySong, LyricRedrawTest,
    ::testing::Combine(::testing::Values(Song::AudioSyk, Song::MidiSyk, Song::MidiText, Song::MidiLyric),
                       ::testing::Values(Layout::Static, Layout::Scrolling),
                       ::testing::Values(Window::Main, Window::Second)),
    [](const ::testing::TestParamInfo<LyricRedrawTest::ParamType>& info) {
        return nameOf(std::get<0>(info.param)) +
               (std::get<1>(info.param) == Layout::Static ? "_Static" : "_Scrolling") +
               (std::get<2>(info.param) == Window::Main ? "_Main" : "_Second");
    });

namespace {

class LongLineTest : public PlaybackTest {};

} // namespace

TEST_F(LongLineTest, EverySyllableOfALineWithoutMarksIsRedInsideTheWindow)
{
    // A real file's shape: lyric events without any line mark, so the whole
    // song is one line of 150 syllables that wraps to many rows.
    Track t;
    t.name(0, "Words");
    std::vector<std::string> syllables;
    for (int i = 0; i < 150; ++i)
        syllables.push_back((i % 3 == 0 ? "Ba" : "ri") + std::to_string(i) + (i % 2 ? " " : ""));
    for (std::size_t i = 0; i < syllables.size(); ++i)
        t.meta(i == 0 ? kTick / 2 : kTick / 10, 5, syllables[i]);
    const std::string bytes =
        testmidi::file(1, kDivision, {Track().tempo(0, kTempo).end(), t.end(0), melody(18)});
    modIni::FontRed = modIni::FontGreen = modIni::FontBlue = "255";
    modIni::KarFontColor = std::to_string(kWhite);
    modIni::KarFontColorActif = std::to_string(kRed);
    modIni::KarBackColor = "0";
    modIni::PathImage.clear();
    modIni::ShadowH = modIni::ShadowV = 0;
    playRow(addRow(dir.write("long.kar", bytes)));
    ASSERT_TRUE(modIni::IsPlaying);
    ASSERT_EQ(Kar::MidiLines.size(), 1u);

    Karaoke& k = karaoke();
    const Kar::LyricView v = Kar::karView();
    // Whether the end of the sung part `sung` is red on a row of the window
    // that lies whole above the progress bar.
    auto redInside = [&](const std::string& sung) {
        // Where the sung part ends: its row of the wrapped line and the text
        // on that row.
        const Kar::DisplayOptions o = Kar::displayOptions();
        const Kar::SungSpot spot = Kar::locateSungIn(sung, Kar::rowsOn(v, o, Kar::MidiLines[0]));
        std::string ink = spot.part;  // a trailing blank leaves no ink
        while (!ink.empty() && ink.back() == ' ')
            ink.pop_back();
        const int endX = static_cast<int>((o.marginX + k.TextWidth(ink)) / 15);
        const QImage& img = k.image();
        const double h = k.TextHeight("a");
        const int barTop = k.ProgressBar1.Top() / 15;
        for (int row = 0;; ++row) {
            const int y0 = static_cast<int>((o.marginY + row * h) / 15);
            const int y1 = static_cast<int>((o.marginY + (row + 1) * h) / 15);
            if (y1 > barTop || y1 > img.height())
                return false;
            int maxX = -1;
            for (int y = y0; y < y1; ++y)
                for (int x = 0; x < img.width(); ++x)
                    if (near(img.pixel(x, y), kRed))
                        maxX = std::max(maxX, x);
            // The last letter's ink may stop a few pixels short of its advance.
            if (maxX >= endX - 8 && maxX <= endX + 3)
                return true;
        }
    };
    std::string last;
    int checked = 0;
    const auto deadline = static_cast<long>(Kar::MidiEvents.size());
    while (modIni::IsPlaying && checked < 150 && Kar::MidiEventIdx < deadline) {
        playFor(10);
        // The sung part the window was last painted with (the line's end
        // empties the text being sung).
        if (Kar::KarPage.Sung.empty() || Kar::KarPage.Sung == last)
            continue;
        last = Kar::KarPage.Sung;
        ++checked;
        ASSERT_TRUE(redInside(last)) << "syllable " << checked << " (\"" << last.substr(last.size() > 20 ? last.size() - 20 : 0)
                                     << "\") is not red inside the window";
        const Kar::DisplayOptions o = Kar::displayOptions();
        const double h = k.TextHeight("a");
        if (checked == 60) {
            // A window made lower mid-line still shows the row being sung.
            const int height = k.Height();
            k.setHeight(height - 600);
            EXPECT_TRUE(redInside(last)) << "after the window was made lower";
            k.setHeight(height);
            EXPECT_TRUE(redInside(last)) << "after the window came back";
        }
        // The ball is over it, inside the window too.
        EXPECT_GE(k.Shape_Ball.Top(), o.marginY - h);
        EXPECT_LE(k.Shape_Ball.Top() + h, k.ProgressBar1.Top() + 15);
    }
    EXPECT_EQ(checked, 150);
}
