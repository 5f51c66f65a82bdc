// The playback clock on the real windows: a generated WAV and its .syk file
// played through the media layer's stepped output, one clock tick per 10 ms of
// heard sound; the lyric window is read by its pixels.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMainWindow>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "core/modini.h"
#include "ink.h"
#include "core/player.h"
#include "karaoke/engine.h"
#include "karaoke/pagestate.h"
#include "lyricwindows/karaoke.h"
#include "lyricwindows/karaoke_k1.h"
#include "playback/midiplayer.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "platform/forms/surface.h"
#include "platform/media/engine.h"
#include "platform/music/performance.h"
#include "platform/music/smf_writer.h"
#include "support/playerfixture.h"

using inktest::Ink;
using inktest::inkIn;

namespace {

constexpr long kBlack = 0x000000;
constexpr long kWhite = 0xFFFFFF;  // page lines
constexpr long kRed = 0x0000FF;    // sung text

using testsupport::silentWav;

class ClockTest : public testsupport::StartedPlayerTest {
protected:
    double played = 0;  // seconds stepped

    // What the song start leaves behind for an audio song with a .syk file.
    void startSong(const std::string& syk, int nbLigne = 2, double seconds = 12.0)
    {
        const std::string song = dir.write("song.wav", silentWav(seconds, seconds > 12.0 ? 8000 : 22050));
        dir.write("song.syk", syk);
        modIni::NbLigne = nbLigne;
        modIni::FontRed = modIni::FontGreen = modIni::FontBlue = "255";
        modIni::ActifRed = "255", modIni::ActifGreen = "0", modIni::ActifBlue = "0";
        modIni::ShadowH = modIni::ShadowV = 0;
        Karaoke& k = karaoke();
        k.setBackColor(kBlack);
        k.setPicture(StdPicture());
        k.setFontName("DejaVu Sans");
        k.setFontSize(14);
        k.Scroll.setValue(0);
        k.Show();
        Player& p = player();
        p.Check_Muet2.setValue(0);
        p.Select_Song.setText(song);
        ASSERT_TRUE(p.ActiveMovie1.setFileName(song));
        p.ProgressBar1.setMax(p.ActiveMovie1.Duration());
        Kar::resetPastLines(Kar::KarPage);
        Kar::resetPastLines(Kar::K1Page);
        modIni::MediaKind = "mp3";
        p.HasSyk = true;
        p.HasSy1 = false;
        modIni::IsPlaying = true;
        p.OpenSykFile();
    }

    // Plays on to `seconds`, one clock tick per 10 ms of sound.
    void playTo(double seconds)
    {
        while (played + 1e-9 < seconds && modIni::IsPlaying) {
            media::engine().step(10);
            played += 0.010;
            player().Timer1_Timer();
        }
    }

    // Plays on to `seconds` in real time on the clock's own timer, at most 2 ms of sound a step (a stalled
    // machine holds the sound back with the clock), `pace` of real time; `each` sees the clock after every step.
    double pace = 1;
    template <class Each>
    void playInRealTime(double seconds, Each&& each)
    {
        using Clock = std::chrono::steady_clock;
        auto last = Clock::now();
        while (played + 1e-9 < seconds && modIni::IsPlaying) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            const auto now = Clock::now();
            const double ms = std::min(kStepMs, std::chrono::duration<double, std::milli>(now - last).count()) * pace;
            last = now;
            media::engine().step(ms);
            played += ms / 1000.0;
            QCoreApplication::processEvents();
            each();
        }
    }
    static constexpr double kStepMs = 2.0;

    // How late after its time (seconds) each change of what `shown` returns came (a line's sung part, a label;
    // none: infinity). `heldBack`: the sound runs at half its pace from 0.2 s to 40 ms before each time, as on a
    // busy machine that lets go.
    template <class Shown>
    std::vector<double> lateness(const std::vector<double>& times, Shown&& shown, double until, bool heldBack = false)
    {
        std::vector<double> late;
        std::string seen = shown();
        playInRealTime(until, [&] {
            if (shown() != seen && late.size() < times.size()) {
                seen = shown();
                late.push_back(played - times[late.size()]);
            }
            const auto held = [&](double t) { return t - played < 0.2 && t - played > 0.04; };
            pace = heldBack && std::any_of(times.begin(), times.end(), held) ? 0.5 : 1.0;
        });
        pace = 1;
        late.resize(times.size(), std::numeric_limits<double>::infinity());
        return late;
    }

    double rowTop(int row) const
    {
        return karaoke().VScroll_Kar.Value() * 100 + row * karaoke().TextHeight("a");
    }
    Ink rowInk(long colour, int row) { return inkIn(karaoke(), colour, rowTop(row), rowTop(row + 1)); }
    double margin() const { return karaoke().HScroll_Kar.Value() * 100; }
};

} // namespace

TEST_F(ClockTest, SungPartFollowsTheSoundAndTheBallFollowsTheSyllable)
{
    startSong("Hel;1;lo ;1,5;world;2;\r\nsecond ;3;line;3,2;\r\nthird;4;\r\n");
    Karaoke& k = karaoke();
    playTo(0.5);
    EXPECT_EQ(rowInk(kRed, 0).count, 0);   // nothing sung yet
    EXPECT_GT(rowInk(kWhite, 0).count, 0); // the page is there
    EXPECT_GT(rowInk(kWhite, 1).count, 0);

    playTo(1.2);
    const Ink red = rowInk(kRed, 0);
    ASSERT_GT(red.count, 0);
    EXPECT_LE(red.maxX, margin() + k.TextWidth("Hel") + 30);
    const double ballMid = k.Shape_Ball.Left() + k.Shape_Ball.Width() / 2.0;
    EXPECT_NEAR(ballMid, margin() + k.TextWidth("Hel") / 2, 30);

    playTo(2.1);
    EXPECT_GE(rowInk(kRed, 0).maxX, margin() + k.TextWidth("Hello wor"));
    EXPECT_NEAR(k.Shape_Ball.Left() + k.Shape_Ball.Width() / 2.0,
                margin() + k.TextWidth("Hello ") + k.TextWidth("world") / 2, 30);

    // The second line becomes current: it is sung on row 2 and slot 1 shows the
    // line after the page.
    playTo(3.1);
    EXPECT_EQ(Kar::KarSlot, 2);
    EXPECT_EQ(Kar::KarPageLines[1], "third");
    EXPECT_EQ(rowInk(kRed, 0).count, 0);
    EXPECT_GT(rowInk(kRed, 1).count, 0);
    EXPECT_NEAR(k.Shape_Ball.Top(), rowTop(1), 30);
}

TEST_F(ClockTest, ALineOfThousandsOfSyllablesCostsATickNoMoreThanAShortLine)
{
    // Syllables every 20 ms from 1 s on, one line of `count` of them; the
    // text measured and drawn while 100 of them are sung.
    auto workWhileSinging = [this](int count) {
        std::string line;
        for (int i = 0; i < count; ++i) {
            const int ms = 1000 + 20 * i;
            line += "la ;" + std::to_string(ms / 1000) + "," + std::to_string(100 + ms % 1000 / 10).substr(1) + ";";
        }
        played = 0;
        startSong(line + "\r\nnext;9;\r\n");
        playTo(1.5);  // the page drawn, the line well under way
        const unsigned long long before = Surface::textWork();
        playTo(3.5);  // 100 syllables, one a tick every other tick
        return double(Surface::textWork() - before) / 200.0;
    };
    const double shortLine = workWhileSinging(150);
    const double longLine = workWhileSinging(5000);
    // A short line wraps into a few rows that fit; a long one runs far past
    // the window, but only what can be seen is measured and drawn.
    EXPECT_LT(longLine, 2 * shortLine + 500) << "characters measured or drawn per tick";
}

TEST_F(ClockTest, CountDownShowsBeforeADistantLine)
{
    startSong("a;1;\r\nfar ;7;away;7,5;\r\n");
    Karaoke& k = karaoke();
    k.Check_Decompte.setValue(1);
    playTo(2.9);
    EXPECT_FALSE(k.Label_Sec.Visible());  // never in the first three seconds
    playTo(4.1);  // "far" is 2.9 s away
    EXPECT_TRUE(k.Label_Sec.Visible());
    EXPECT_EQ(k.Label_Sec.Caption(), "3");
    playTo(6.2);
    EXPECT_EQ(k.Label_Sec.Caption(), "1");
    playTo(7.05);
    EXPECT_FALSE(k.Label_Sec.Visible());
    EXPECT_EQ(player().KarCountDown, 0);
}

TEST_F(ClockTest, TheClockRestsOnlyWhileNothingItShowsCanChange)
{
    // A syllable at 1 s, the next at 1.6 s, then a distant one that brings a
    // count-down once 3 s have played.
    startSong("a;1;b;1,6;\r\nfar;5;\r\n");
    karaoke().Check_Decompte.setValue(1);
    Player& p = player();
    p.Timer1.setEnabled(true);
    int rests = 0, highlights = 0, restsAfterHighlight = 0, countDownTicks = 0, restsInCountDown = 0;
    int countDownBehind = 0;
    const ProgressBar& bar = karaoke().ProgressBar_Syncro;
    // What the count-down before "far" shows at `s` seconds: its seconds, and its bar (a unit a millisecond).
    const auto secondsAt = [](double s) { return std::to_string(static_cast<long>(std::floor(5.0 - s)) + 1); };
    const auto barAt = [&](double s) { return bar.Max() - std::floor((5.0 - s) * 1000.0) + 1; };
    // Behind by more than a tick (and a step of the sound), with what it shows.
    constexpr double lag = 0.010 + kStepMs / 1000.0 + 0.002;
    playInRealTime(4.8, [&] {
        if (p.Timer1.Resting())
            ++rests;
        // A syllable was shown: the cursor cuts the next one on the next tick.
        if (Kar::SykNeedSyllable == -1 && Kar::SykEofLines < Kar::pageSize(modIni::NbLigne)) {
            ++highlights;
            restsAfterHighlight += p.Timer1.Resting();
        }
        if (p.KarCountDown > 0) {
            ++countDownTicks;
            restsInCountDown += p.Timer1.Resting();
            const std::string shown = karaoke().Label_Sec.Caption();
            if ((shown != secondsAt(played) && shown != secondsAt(played - lag)) ||
                barAt(played - lag) >= bar.NextStepValue())
                ++countDownBehind;
        }
    });
    p.Timer1.setEnabled(false);
    EXPECT_GT(rests, 10) << "the position ran steadily; the clock never rested";
    EXPECT_GE(highlights, 2);
    EXPECT_EQ(restsAfterHighlight, 0);
    EXPECT_GT(countDownTicks, 200);
    // A count-down moves at known moments: the clock rests between them, yet shows them on time.
    EXPECT_GT(restsInCountDown, countDownTicks / 10);
    EXPECT_EQ(countDownBehind, 0) << "the count-down showed late";
}

TEST_F(ClockTest, EachSyllableTurnsRedWithinATickOfItsTime)
{
    // Syllables of long songs away from the clock's other wakes (second, percent, bar step), at MIDI ticks
    // (960 a second; the MIDI song goes twice as fast from tick 2100, and plays at 1.25 times its speed).
    const std::vector<int> ticks{1185, 1552, 2009, 2372, 2745, 3208};
    constexpr double kSpeed = 1.25;
    std::vector<double> sykTimes, midiTimes;
    for (int t : ticks) {
        sykTimes.push_back(t / 960.0);
        midiTimes.push_back((t < 2100 ? t / 960.0 : 2100 / 960.0 + (t - 2100) / 1920.0) / kSpeed);
    }
    std::string syk;
    testmidi::Track words, conductor, music;
    words.name(0, "Words");
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const std::string syllable(1, char('a' + i));
        const int ms = ticks[i] * 1000 / 960;
        syk += syllable + ";" + std::to_string(ms / 1000) + "," + std::to_string(ms % 1000 + 1000).substr(1) + ";";
        words.text(ticks[i] - (i ? ticks[i - 1] : 0), i ? syllable : "\\" + syllable);
    }
    words.end(960);
    Player& p = player();
    const auto expectOnTime = [&](const std::vector<double>& late) {
        // A busy machine may hold back a tick more now and then, never the 0.1 s a missed wake costs.
        const double tick = 0.010 + kStepMs / 1000;
        for (std::size_t i = 0; i < late.size(); ++i)
            EXPECT_TRUE(late[i] >= -0.001 && late[i] <= 2 * tick) << i << ": " << late[i] << " s";
        std::vector<double> sorted = late;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_LE(sorted[sorted.size() / 2], tick) << "median lateness";
    };

    startSong(syk + "\r\nend;9;\r\n", 2, 600.0);
    p.Timer1.setEnabled(true);
    expectOnTime(lateness(sykTimes, [] { return Kar::SykSungText; }, 3.5, true));
    EXPECT_GE(rowInk(kRed, 0).maxX, margin() + karaoke().TextWidth("abcde"));
    p.Command_Stop.press();

    conductor.tempo(0, 500000).tempo(2100, 250000).end();
    music.on(0, 0, 60).off(960 * 600, 0, 60).end();
    music::setSoundFont("/usr/share/sounds/sf2/TimGM6mb.sf2");
    p.Select_Song.setText(dir.write("tune.kar", testmidi::file(1, 480, {conductor, words, music})));
    p.Command_Play.press();
    ASSERT_EQ(modIni::MediaKind, "midi");
    Kar::MidiPerf->SetMasterTempo(float(kSpeed));
    played = 0;
    expectOnTime(lateness(midiTimes, [] { return Kar::MidiSungText; }, 2.4));
    EXPECT_GT(inkIn(karaoke(), kRed, 0, 6000).count, 0);
    // The elapsed time (of the song at its own speed) goes on by the second, on time too, once the lyrics are over.
    playInRealTime(2.6, [] {});
    expectOnTime(lateness({4 / kSpeed, 5 / kSpeed, 6 / kSpeed}, [&] { return p.Time_Left.Caption(); }, 5.0));
    EXPECT_EQ(p.Time_Left.Caption(), "0:06");
    // A little slower (the input wakes the clock): what was rendered ahead plays at the old speed, which a tick
    // cannot tell from the new. The clock does not rest on the new rate in the 150 ms before it is heard.
    Kar::MidiPerf->SetMasterTempo(1.1f);
    QTest::keyClick(p.window(), Qt::Key_Shift);
    const auto heard = std::chrono::steady_clock::now() + std::chrono::milliseconds(150);
    int rests = 0;
    playInRealTime(5.2, [&] { rests += std::chrono::steady_clock::now() < heard && p.Timer1.Resting(); });
    EXPECT_EQ(rests, 0);
}

TEST_F(ClockTest, TimeAndPercentLabels)
{
    startSong("a;1;\r\n");
    Player& p = player();
    playTo(5.0);
    EXPECT_EQ(p.Time_Left.Caption(), "0:05");
    EXPECT_EQ(p.Label_PTime.Caption(), "41 %");
    EXPECT_DOUBLE_EQ(karaoke().ProgressBar1.Value(), p.ProgressBar1.Value());
}

TEST_F(ClockTest, EndOfTheSongStops)
{
    startSong("a;1;\r\n");
    playTo(13.0);
    EXPECT_FALSE(modIni::IsPlaying);
}

TEST_F(ClockTest, MissingSyncFileIsSaidOnTheLyricWindow)
{
    const std::string song = dir.write("nosync.wav", silentWav(2.0, 22050));
    Player& p = player();
    karaoke().setBackColor(kBlack);
    karaoke().Cls();
    p.Select_Song.setText(song);
    p.HasSyk = false;
    p.OpenSykFile();
    EXPECT_EQ(Kar::SykNeedSyllable, -1);
    EXPECT_GT(inkIn(karaoke(), karaoke().ForeColor(), 0, 2000).count, 0);
}

TEST_F(ClockTest, PlayButtonStartsTheLyricsOfTheSong)
{
    const std::string song = dir.write("pressed.wav", silentWav(6.0, 22050));
    dir.write("pressed.syk", "Hel;1;lo;1,5;\r\nnext;3;\r\n");
    modIni::NbLigne = 2;
    Player& p = player();
    p.Select_Song.setText(song);
    p.Command_Play.press();
    ASSERT_TRUE(modIni::IsPlaying);
    ASSERT_TRUE(p.HasSyk);
    EXPECT_EQ(Kar::KarPageLines[1], "Hello");
    EXPECT_EQ(Kar::KarPageLines[2], "next");
    p.Timer1.setEnabled(false);  // the test is the clock
    modIni::ActifRed = "255", modIni::ActifGreen = "0", modIni::ActifBlue = "0";
    playTo(1.2);
    EXPECT_EQ(Kar::SykSungText, "Hel");
    EXPECT_GT(inkIn(karaoke(), kRed, 0, 6000).count, 0);
}

TEST_F(ClockTest, EchoFileDrivesTheSecondWindowOnItsOwn)
{
    const std::string song = dir.write("echo.wav", silentWav(6.0, 22050));
    dir.write("echo.syk", "main;4;\r\n");
    dir.write("echo.sy1", "ech;1;o;1,5;\r\n");
    modIni::NbLigne = 2;
    Player& p = player();
    p.Select_Song.setText(song);
    p.Command_Play.press();
    ASSERT_TRUE(p.HasSy1);
    p.Timer1.setEnabled(false);
    EXPECT_EQ(Kar::K1PageLines[1], "echo");
    EXPECT_EQ(Kar::KarPageLines[1], "main");
    modIni::ActifRed = "255", modIni::ActifGreen = "0", modIni::ActifBlue = "0";
    playTo(1.2);
    EXPECT_EQ(Kar::Sy1SungText, "ech");
    EXPECT_EQ(Kar::SykSungText, "");  // the main line is not due yet
    EXPECT_GT(inkIn(karaoke_K1(), kRed, 0, 6000).count, 0);
    EXPECT_EQ(inkIn(karaoke(), kRed, 0, 6000).count, 0);
    EXPECT_FALSE(Kar::K1IntroDots);
    EXPECT_TRUE(Kar::KarIntroDots);
    // The one-line echo file is spent once its line is sung; the main file goes on.
    playTo(1.7);
    EXPECT_EQ(Kar::Sy1EofLines, 2);
    EXPECT_EQ(Kar::SykEofLines, 1);
}

TEST_F(ClockTest, UnmutingMidLineBringsThePageBackAtOnce)
{
    startSong("Hel;1;lo ;1,5;world;9;\r\nsecond ;9,5;line;10;\r\n");
    playTo(1.2);
    player().Check_Muet2.setValue(1);  // mid-line, for longer than 4 s
    playTo(7.0);
    player().Check_Muet2.setValue(0);
    playTo(7.1);
    // Both lines of the page, no waiting dots in place of them.
    EXPECT_GT(rowInk(kWhite, 0).count, 0);
    EXPECT_GT(rowInk(kWhite, 1).count, 0);
    EXPECT_EQ(Kar::KarPage.Dots, "");
    playTo(9.1);
    // The sung part over the whole page.
    EXPECT_GT(rowInk(kRed, 0).count, 0);
    EXPECT_GT(rowInk(kWhite, 1).count, 0);
}

TEST_F(ClockTest, AnUnmuteDoesNotHoldTheNextSongsPage)
{
    startSong("Hel;1;lo ;1,5;world;9;\r\n");
    playTo(1.2);
    player().Check_Muet2.setValue(1);
    playTo(3.0);
    player().Check_Muet2.setValue(0);  // nothing falls due before the stop
    player().Command_Stop.press();

    startSong("Hel;1;lo ;1,5;world;9;\r\n");
    // The sound runs ahead of the lyrics, as after a jump: the late syllable
    // takes the waiting dots.
    media::engine().step(6000);
    player().Timer1_Timer();
    EXPECT_NE(Kar::KarPage.Dots, "");
}
