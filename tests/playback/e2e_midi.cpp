// .kar songs played through the MIDI path from the main window: the file is
// written by the test, played on FluidSynth through the stepped output, and
// the lyrics, times and sound controls are checked as the user meets them.
#include "playback_fixture.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>

#include "editor/paroles.h"
#include "platform/music/smf_writer.h"
#include "playback/midianalysis.h"

using namespace pbtest;

namespace {

// 120 beats per minute, 480 ticks per quarter note: 960 ticks per second, and
// 1536 units of music time per second.
constexpr int kDivision = 480;
constexpr int kTicksPerSecond = 960;

// A karaoke file of `seconds`: a "Words" track with two lines ("Hello " at 1 s
// and 1.5 s, "world" at `worldAt` s), a piano note on channel 0 every second
// and a drum on channel 9 every second.
std::string karFile(int seconds, int worldAt = 3)
{
    using testmidi::Track;
    Track conductor;
    conductor.tempo(0, 500000).end();
    Track words;
    words.name(0, "Words")
        .text(kTicksPerSecond, "\\Hel")
        .text(kTicksPerSecond / 2, "lo ")
        .text(kTicksPerSecond * (2 * worldAt - 3) / 2, "/world")
        .end(0);
    Track music;
    for (int s = 0; s < seconds; ++s) {
        music.on(s == 0 ? 0 : kTicksPerSecond / 2, 0, 60).on(0, 9, 36);
        music.off(kTicksPerSecond / 2, 0, 60).off(0, 9, 36);
    }
    music.end(kTicksPerSecond / 2);
    return testmidi::file(1, kDivision, {conductor, words, music});
}

struct Tap {
    std::mutex lock;
    std::vector<music::MidiMessage> seen;
    void install()
    {
        music::setMidiTap([this](const music::MidiMessage& m) {
            std::lock_guard<std::mutex> g(lock);
            seen.push_back(m);
        });
    }
    ~Tap() { music::setMidiTap(nullptr); }
    std::vector<music::MidiMessage> take()
    {
        std::lock_guard<std::mutex> g(lock);
        return std::exchange(seen, {});
    }
};

class MidiPlaybackTest : public PlaybackTest {
protected:
    // Plays until the last lyric record has been shown; the heard seconds.
    double secondsToLastSyllable(double limitMs)
    {
        const auto last = static_cast<std::int32_t>(Kar::MidiEvents.size()) - 1;
        double ms = 0;
        while (ms < limitMs && Kar::MidiEventIdx < last - 1) {
            playFor(10);
            ms += 10;
        }
        return ms / 1000.0;
    }
};

} // namespace

TEST_F(MidiPlaybackTest, KarSongShowsRealLengthAndItsLyricsReachTheWindow)
{
    const std::string song = dir.write("song.kar", karFile(8));
    const int r = addRow(song, "0:00");
    Player& p = player();
    Kar::SliderVolume.setValue(30);

    playRow(r);
    ASSERT_TRUE(modIni::IsPlaying) << (prompter->questions().empty() ? "" : prompter->questions()[0].text);
    EXPECT_EQ(modIni::MediaKind, "midi");
    EXPECT_TRUE(Kar::MidiLoaded);
    EXPECT_EQ(Kar::MidiState, 0);
    // Eight seconds at 120 bpm are 12288 units of music time: the bars run in
    // music time, the user reads real time.
    EXPECT_DOUBLE_EQ(p.ProgressBar1.Max(), 12288.0);
    EXPECT_EQ(p.Label_time.Caption(), "0:08");
    EXPECT_EQ(row(r).SubItems(PlayList::ColLength), "0:08");
    EXPECT_TRUE(modIni::PlayListModified);
    EXPECT_EQ(row(r).SubItems(PlayList::ColSyncFlag), "N");
    EXPECT_EQ(karaoke().Caption(), "Zun Mp3 Karaoke      Length:  0:08");
    EXPECT_EQ(Kar::SliderVolume.Value(), 64);   // a load puts every slider in the middle

    bool sawHello = false;
    bool sawSung = false;
    for (int i = 0; i < 600 && modIni::IsPlaying; ++i) {
        playFor(10);
        for (int s = 1; s <= 8; ++s)
            sawHello = sawHello || Kar::KarPageLines[static_cast<std::size_t>(s)] == "Hello ";
        sawSung = sawSung || Kar::MidiSungText == "Hel";
    }
    EXPECT_TRUE(sawHello);
    EXPECT_TRUE(sawSung);
    // Heard time (about 6 s), not music time / 1000 (9).
    EXPECT_TRUE(p.Time_Left.Caption() == "0:05" || p.Time_Left.Caption() == "0:06") << p.Time_Left.Caption();

    // The song ends: without automatic next it stops and rewinds.
    playFor(2500);
    EXPECT_FALSE(modIni::IsPlaying);
    EXPECT_FALSE(Kar::MidiLoaded);
    EXPECT_EQ(Kar::MidiStartPos, 0);
    EXPECT_EQ(Kar::MidiState, 1);
    EXPECT_EQ(questionCount(), 0);
}

TEST_F(MidiPlaybackTest, SpeedTwoReachesTheLastSyllableAboutTwiceAsSoon)
{
    const std::string song = dir.write("song.kar", karFile(12, 9));
    const int r = addRow(song);
    Player& p = player();

    playRow(r);
    ASSERT_TRUE(modIni::IsPlaying);
    const double normal = secondsToLastSyllable(12000);

    p.Command_Stop.press();
    playRow(r);
    ASSERT_TRUE(modIni::IsPlaying);
    const SliderRect& knob = Kar::SliderVelocity.ButtonRect();
    p.VelocityCtl_MouseMove(vbLeftButton, 0, kFarAway, knobMiddleY(knob));
    ASSERT_EQ(Kar::SliderVelocity.Value(), 127);
    EXPECT_FLOAT_EQ(Kar::MidiMasterTempo(), 2.0f);
    const double fast = secondsToLastSyllable(12000);

    // The last syllable sounds at 9 s: it lights up then, not a fixed lead
    // later, and at twice the speed at half the time.
    EXPECT_GT(normal, 8.98);
    EXPECT_LT(normal, 9.05);
    EXPECT_GT(fast, 4.48);
    EXPECT_LT(fast, 4.55);

    // The knob at the far left would stop the music: the speed stays.
    p.VelocityCtl_MouseMove(vbLeftButton, 0, 0, knobMiddleY(knob));
    EXPECT_EQ(Kar::SliderVelocity.Value(), 0);
    EXPECT_FLOAT_EQ(Kar::MidiMasterTempo(), 2.0f);
    EXPECT_EQ(questionCount(), 0);
}

TEST_F(MidiPlaybackTest, TransposeAndBalanceReachTheSynthesiser)
{
    const std::string song = dir.write("song.kar", karFile(6));
    Player& p = player();
    Tap tap;
    tap.install();
    playRow(addRow(song));
    ASSERT_TRUE(modIni::IsPlaying);

    const SliderRect& pitch = Kar::SliderTranspose.ButtonRect();
    p.TransposeCtl_MouseMove(vbLeftButton, 0, kFarAway, knobMiddleY(pitch));
    ASSERT_EQ(Kar::SliderTranspose.Value(), 127);
    tap.take();
    skip(2000);
    bool pianoUp = false, drumsKept = false, pianoOriginal = false;
    for (const music::MidiMessage& m : tap.take()) {
        if (m.status == 0x90 && m.data2 > 0) {
            pianoUp = pianoUp || m.data1 == 72;
            pianoOriginal = pianoOriginal || m.data1 == 60;
        }
        if (m.status == 0x99 && m.data2 > 0)
            drumsKept = drumsKept || m.data1 == 36;
    }
    EXPECT_TRUE(pianoUp);
    EXPECT_FALSE(pianoOriginal);
    EXPECT_TRUE(drumsKept);

    // Balance: the pan of every channel follows the knob.
    Kar::SliderBalance.setValue(20);
    p.BalanceCtl_MouseMove(vbLeftButton, 0, -kFarAway, -kFarAway);
    const int pan = Kar::SliderBalance.Value();
    skip(50);
    int pannedChannels = 0;
    for (const music::MidiMessage& m : tap.take())
        if ((m.status & 0xF0) == 0xB0 && m.data1 == 10 && m.data2 == pan)
            ++pannedChannels;
    EXPECT_EQ(pannedChannels, 16);
}

TEST_F(MidiPlaybackTest, BackAndForwardMoveFromTheHeardPosition)
{
    const std::string song = dir.write("song.kar", karFile(40));
    Player& p = player();
    playRow(addRow(song));
    ASSERT_TRUE(modIni::IsPlaying);

    skip(5000);   // about 7680 units
    const std::int32_t at = Kar::MidiPosition();
    ASSERT_GT(at, 7000);
    p.Command_Forward.press();
    EXPECT_EQ(Kar::MidiStartPos, at + 20000);
    EXPECT_EQ(Kar::MidiState, 0);
    EXPECT_TRUE(Kar::MidiSeekWait);

    p.Command_Back.press();
    EXPECT_NEAR(Kar::MidiStartPos, at, 5);
    p.Command_Back.press();
    EXPECT_EQ(Kar::MidiStartPos, 0);   // never before the start
    skip(500);
    EXPECT_GE(Kar::MidiPosition(), 700);

    // Forward past the end: the song ends instead of playing on.
    for (int i = 0; i < 5; ++i)
        p.Command_Forward.press();
    playFor(500);
    EXPECT_FALSE(modIni::IsPlaying);
}

TEST_F(MidiPlaybackTest, BrokenKarFileIsReportedAndNothingIsLoaded)
{
    const int r = addRow(dir.write("broken.kar", "this is no MIDI file at all"));
    playRow(r);
    EXPECT_TRUE(asked("This file cannot be played."));
    EXPECT_EQ(row(r).SmallIcon(), "Picture_Stop");
    EXPECT_FALSE(modIni::IsPlaying);
    EXPECT_FALSE(Kar::MidiLoaded);
    EXPECT_FALSE(player().Timer1.Enabled());

    // MIDI files with nothing to play in them: a header that announces a track
    // but has none, a track the reader can make nothing of (a data byte with no
    // status before it), and a conductor track alone. Each would otherwise run
    // as a silent 0:00 song without a word. Then files refused for what else is wrong, each said as it is:
    // a tempo of 0 or 1 µs a beat (a 0:00 song), a note beyond the 2^31 units of music time the player reaches.
    using testmidi::Track;
    Track conductor, zeroTempo, fastTempo, farNote;
    conductor.tempo(0, 500000).end(kDivision * 4);
    zeroTempo.tempo(0, 0).on(0, 0, 60).off(kTicksPerSecond, 0, 60).end(0);
    // (the tempo change where the song ends times nothing of it)
    fastTempo.tempo(0, 1).on(0, 0, 60).off(kTicksPerSecond, 0, 60).tempo(0, 0).end(0);
    farNote.on(0x0FFFFFFF, 0, 60).off(1, 0, 60).end(0);
    const std::string none = "The MIDI file holds no note and no lyric.";
    const std::string fast = " microseconds per beat, is too fast to play: the whole song lasts no time.";
    const std::vector<std::pair<std::string, std::string>> refused{
        {testmidi::header(1, 1, kDivision), none},
        {testmidi::header(0, 1, kDivision) + testmidi::chunk("MTrk", testmidi::bytes({0x00, 0x40, 0x40, 0x40})), none},
        {testmidi::file(1, kDivision, {conductor}), none},
        {testmidi::file(0, kDivision, {zeroTempo}), "The MIDI file's tempo, 0" + fast},
        {testmidi::file(0, kDivision, {fastTempo}), "The MIDI file's tempo, 1" + fast},
        {testmidi::file(0, 1, {farNote}), "The MIDI file's notes lie further into the song than the player can reach."},
    };
    for (std::size_t i = 0; i < refused.size(); ++i) {
        SCOPED_TRACE(i);
        prompter->clear();
        const int e = addRow(dir.write("refused" + std::to_string(i) + ".mid", refused[i].first));
        playRow(e);
        ASSERT_EQ(questionCount(), 1);
        EXPECT_EQ(prompter->questions()[0].text, "This file cannot be played.\r\n" + refused[i].second);
        EXPECT_EQ(row(e).SmallIcon(), "Picture_Stop");
        EXPECT_FALSE(modIni::IsPlaying);
        EXPECT_FALSE(Kar::MidiLoaded);
        EXPECT_FALSE(player().Timer1.Enabled());
    }

    // One note that starts and never ends, in a song that ends where it
    // begins: refused, for what it is, not as a file without notes.
    Track hanging;
    hanging.on(0, 0, 60).end(0);
    prompter->clear();
    const int h = addRow(dir.write("hanging.mid", testmidi::file(0, kDivision, {hanging})));
    playRow(h);
    EXPECT_TRUE(asked("This file cannot be played.\r\nThe MIDI file lasts no time: it ends where it begins."));
    EXPECT_FALSE(asked("This file cannot be played.\r\nThe MIDI file holds no note and no lyric."));
    EXPECT_FALSE(modIni::IsPlaying);

    // Words without notes still make a song to sing.
    Track words;
    words.name(0, "Words").text(kTicksPerSecond, "\\La").text(kTicksPerSecond, "la").end(kTicksPerSecond);
    prompter->clear();
    playRow(addRow(dir.write("words.kar", testmidi::file(1, kDivision, {conductor, words}))));
    EXPECT_EQ(questionCount(), 0);
    EXPECT_TRUE(modIni::IsPlaying);
    EXPECT_TRUE(Kar::MidiLoaded);
}

TEST_F(MidiPlaybackTest, MeasuringForTheListLeavesThePlayingSongAlone)
{
    const std::string playing = dir.write("a.kar", karFile(8));
    const std::string other = dir.write("b.kar", karFile(20));
    Player& p = player();
    playRow(addRow(playing));
    ASSERT_TRUE(modIni::IsPlaying);
    const auto segment = Kar::MidiSegment;

    const int r = addRow(other);
    p.ListView1.setSelectedItem(&row(r));
    p.ListView1_Click();
    EXPECT_EQ(Kar::GetMidiLength(), "0:20");
    EXPECT_EQ(row(r).SubItems(PlayList::ColLength), "0:20");
    EXPECT_EQ(Kar::MidiSegment, segment);
    EXPECT_TRUE(modIni::IsPlaying);

    // The first song goes on to its end.
    p.Command_Stop.press();
    EXPECT_FALSE(Kar::MidiLoaded);
}

TEST_F(MidiPlaybackTest, OnlyTheCurrentSongsRowTakesItsLength)
{
    // The selected row holds another song than the one that plays (typed into
    // the current-song box, as the lyrics editor or the command line do).
    const std::string other = dir.file("other.mp3");
    const int r = addRow(other, "3:33");
    Player& p = player();
    p.ListView1.setSelectedItem(&row(r));
    p.Select_Song.setText(dir.write("typed.kar", karFile(8)));
    p.Command_Play.press();
    ASSERT_TRUE(modIni::IsPlaying);
    EXPECT_EQ(p.Label_time.Caption(), "0:08");
    EXPECT_FALSE(modIni::PlayListModified);
    const std::string lst = dir.file("saved.lst");
    ASSERT_TRUE(p.SavePlayList(lst));
    EXPECT_EQ(testsupport::readFileBytes(lst), "other.mp3;;3:33;;" + other + ";;;;;;;;\r\n");
}

TEST_F(MidiPlaybackTest, MuteHoldsAcrossTheNextMidiSong)
{
    const std::string song = dir.write("song.kar", karFile(4));
    Player& p = player();
    p.Check_Muet.setValue(1);
    playRow(addRow(song));
    ASSERT_TRUE(Kar::MidiPerf);
    EXPECT_EQ(Kar::MidiPerf->GetMasterVolume(), -4500);
    p.Check_Muet.setValue(0);
    EXPECT_EQ(Kar::MidiPerf->GetMasterVolume(), Kar::MidiVolume(64));
    // The loudest of a second of the song heard: next to nothing while ticked, once the echo has died away.
    const auto loudest = [](double ms) {
        float peak = 0;
        for (float v : media::engine().step(ms))
            peak = std::max(peak, std::fabs(v));
        return peak;
    };
    const float heard = loudest(1000);
    ASSERT_GT(heard, 0.01f);
    p.Check_Muet.setValue(1);
    loudest(500);
    EXPECT_LT(loudest(1000), heard / 50);
    p.Check_Muet.setValue(0);

    const SliderRect& knob = Kar::SliderVolume.ButtonRect();
    p.VolumeCtl_MouseMove(vbLeftButton, 0, knobMiddleX(knob), 0);
    EXPECT_EQ(Kar::MidiPerf->GetMasterVolume(), 2000);   // 2334 asked, the synthesiser's top
}

TEST_F(MidiPlaybackTest, LyricTextOfAKarSongWithoutSyncFile)
{
    Player& p = player();
    p.Select_Song.setText(dir.write("song.kar", karFile(4)));
    paroles().Text_Paroles.setText("before\r\n");
    p.Command_Parole.press();
    // The window shows this song's lyrics only, not after an earlier song's.
    EXPECT_EQ(paroles().Text_Paroles.Text(), "Hello \r\nworld\r\n");
    EXPECT_FALSE(Kar::MidiLoaded);
    EXPECT_EQ(karaoke().Caption(), "Zun Mp3 Karaoke");
    Unload(paroles());
}

TEST(SykLyricText, JoinsSyllablesPerLineAndRefusesBrokenTimes)
{
    EXPECT_EQ(Kar::SykLyricText({"Hel;1,5;lo ;2;world;2,5;", ";3;"}), "Hello world\r\n\r\n");
    EXPECT_EQ(Kar::SykLyricText({"//back.jpg;1;2;3;4;5", "A;1;"}), "A\r\n");
    EXPECT_EQ(Kar::SykLyricText({"no separators here"}), "");
    EXPECT_EQ(Kar::SykLyricText({"Hel;abc;"}), std::nullopt);
    EXPECT_EQ(Kar::SykLyricText({"Hel;1,5"}), std::nullopt);
}

TEST_F(MidiPlaybackTest, ASoundFontSettingNamingNoFileIsSaidOnceAndTheSongsStillSound)
{
    const std::string song = dir.write("song.kar", karFile(4));
    setenv("ZUNKARAOKE_SOUNDFONT", dir.file("gone.sf2").c_str(), 1);
    Player& p = player();
    prompter->answerMsgBox(vbOK);
    const int r = addRow(song);
    playRow(r);
    ASSERT_TRUE(modIni::IsPlaying);
    p.Command_Stop.press();
    playRow(r);
    ASSERT_TRUE(modIni::IsPlaying);
    unsetenv("ZUNKARAOKE_SOUNDFONT");
    ASSERT_EQ(questionCount(), 1);
    EXPECT_NE(prompter->questions()[0].text.find(dir.file("gone.sf2")), std::string::npos);
    EXPECT_NE(prompter->questions()[0].text.find("not found"), std::string::npos);
    // The default bank plays meanwhile.
    EXPECT_TRUE(Kar::MidiPerf && Kar::MidiPerf->IsInitialised());
}
