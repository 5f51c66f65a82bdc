// The media player control driven through the stepped output: what is heard,
// where the position is, and how bad files are turned away.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/files/paths.h"
#include "platform/media/engine.h"
#include "platform/media/mediaplayer.h"
#include "support/testdir.h"
#include "audiofiles.h"

using namespace media;
using namespace mediatest;

namespace {

constexpr int kRate = 44100;

class MediaPlayerTest : public ::testing::Test {
protected:
    void SetUp() override { useSteppedOutput(); }

    // A stereo float file whose left sample is its own frame number / 100000
    // and whose right sample is the negative: the mix tells exactly which
    // frame of the file is playing.
    std::string rampFile(const std::string& name, int frames, int rate = kRate)
    {
        const std::string p = dir.file(name);
        EXPECT_TRUE(writeAudio(p, rate, 2, frames, [](int i, int c) {
            const float v = float(i) / 100000.0f;
            return c == 0 ? v : -v;
        }));
        return p;
    }
    std::string constFile(const std::string& name, float v, int frames)
    {
        const std::string p = dir.file(name);
        EXPECT_TRUE(writeAudio(p, kRate, 1, frames, [v](int, int) { return v; }));
        return p;
    }

    testsupport::TempDir dir;
};

float frameOf(const std::vector<float>& mix, int i)
{
    return left(mix, i) * 100000.0f;
}

} // namespace

TEST_F(MediaPlayerTest, LoadGivesDurationAtOnceAndPlaysTheFileSampleForSample)
{
    MediaPlayer mp;
    EXPECT_EQ(mp.PlayState(), mpClosed);
    const std::string p = rampFile("song.wav", 2 * kRate + kRate / 2);
    ASSERT_TRUE(mp.setFileName(p));
    EXPECT_EQ(mp.FileName(), p);
    EXPECT_EQ(mp.ErrorText(), "");
    EXPECT_DOUBLE_EQ(mp.Duration(), 2.5);
    EXPECT_DOUBLE_EQ(mp.CurrentPosition(), 0.0);
    EXPECT_EQ(mp.PlayState(), mpPlaying);

    auto mix = engine().step(1000);
    ASSERT_EQ(mix.size(), std::size_t(2 * kRate));
    for (int i : {0, 1, 1000, 44099})
        EXPECT_FLOAT_EQ(frameOf(mix, i), float(i)) << i;
    EXPECT_FLOAT_EQ(right(mix, 1000), -left(mix, 1000));
    EXPECT_DOUBLE_EQ(mp.CurrentPosition(), 1.0);

    // The 10 ms clock of the lyrics sees the position move with what is heard.
    for (int i = 0; i < 25; ++i)
        engine().step(10);
    EXPECT_NEAR(mp.CurrentPosition(), 1.25, 1e-9);
}

TEST_F(MediaPlayerTest, SeekReadsBackAtOnceAndPlaysFromThere)
{
    MediaPlayer mp;
    ASSERT_TRUE(mp.setFileName(rampFile("song.wav", 3 * kRate)));
    engine().step(500);
    mp.setCurrentPosition(2.0);
    EXPECT_DOUBLE_EQ(mp.CurrentPosition(), 2.0);
    auto mix = engine().step(100);
    EXPECT_FLOAT_EQ(frameOf(mix, 0), 88200.0f);
    EXPECT_NEAR(mp.CurrentPosition(), 2.1, 1e-9);

    // Back below zero goes to the start (the Back button's 20 s step).
    mp.setCurrentPosition(mp.CurrentPosition() - 20.0);
    EXPECT_DOUBLE_EQ(mp.CurrentPosition(), 0.0);
    mix = engine().step(10);
    EXPECT_FLOAT_EQ(frameOf(mix, 0), 0.0f);

    // A fractional target lands on the right frame.
    mp.setCurrentPosition(1.5);
    mix = engine().step(10);
    EXPECT_FLOAT_EQ(frameOf(mix, 0), 66150.0f);

    // NaN is ignored.
    mp.setCurrentPosition(std::nan(""));
    EXPECT_NEAR(mp.CurrentPosition(), 1.51, 1e-9);
}

TEST_F(MediaPlayerTest, StopKeepsThePositionAndPlayResumesFromIt)
{
    MediaPlayer mp;
    ASSERT_TRUE(mp.setFileName(rampFile("song.wav", 2 * kRate)));
    engine().step(700);
    mp.Stop();
    EXPECT_EQ(mp.PlayState(), mpStopped);
    EXPECT_DOUBLE_EQ(mp.CurrentPosition(), 0.7);
    EXPECT_TRUE(allSilent(engine().step(300)));
    EXPECT_DOUBLE_EQ(mp.CurrentPosition(), 0.7);

    // The editor's "Stop, then position 0" leaves it silent at the start.
    mp.setCurrentPosition(0.0);
    EXPECT_TRUE(allSilent(engine().step(100)));
    EXPECT_DOUBLE_EQ(mp.CurrentPosition(), 0.0);

    mp.setCurrentPosition(0.7);
    mp.Play();
    EXPECT_EQ(mp.PlayState(), mpPlaying);
    auto mix = engine().step(100);
    EXPECT_FLOAT_EQ(frameOf(mix, 0), 30870.0f);

    mp.Pause();
    EXPECT_EQ(mp.PlayState(), mpPaused);
    EXPECT_TRUE(allSilent(engine().step(100)));
    mp.Play();
    EXPECT_FLOAT_EQ(frameOf(engine().step(10), 0), 35280.0f);
}

TEST_F(MediaPlayerTest, EndOfSongIsReachedExactlyAndStaysSilent)
{
    MediaPlayer mp;
    ASSERT_TRUE(mp.setFileName(rampFile("short.wav", kRate / 2 + 123)));
    const double d = mp.Duration();
    while (mp.CurrentPosition() < d - 0.05)
        engine().step(10);
    EXPECT_EQ(mp.PlayState(), mpPlaying);
    for (int i = 0; i < 10; ++i)
        engine().step(10);
    EXPECT_GE(mp.CurrentPosition(), mp.Duration());
    EXPECT_EQ(mp.PlayState(), mpStopped);
    EXPECT_TRUE(allSilent(engine().step(50)));
    // Stop at the end keeps it at the end.
    mp.Stop();
    EXPECT_GE(mp.CurrentPosition(), mp.Duration());

    // Play after the end starts again from the beginning.
    mp.Play();
    EXPECT_DOUBLE_EQ(mp.CurrentPosition(), 0.0);
    EXPECT_FLOAT_EQ(frameOf(engine().step(10), 0), 0.0f);
}

// The playback clock ends a song when the position reaches the duration. Over
// sample rates that need resampling and lengths that end on, just before and
// just after a decode chunk or a mix block, the position climbs to exactly the
// duration (never a hair short, never past it) no later than the first clock
// tick after the last frame is heard, and not earlier.
TEST_F(MediaPlayerTest, EveryRateAndLengthReachesItsEndOnTime)
{
    MediaPlayer mp;
    int n = 0;
    for (int rate : {11025, 22050, 44100, 48000})
        for (int channels : {1, 2})
            for (int frames : {1, 4096 * 3 - 1, 4096 * 3, 4096 * 3 + 1, 8192 * 2, rate / 2 + 7})
                for (int tickFrames : {0, kMaxBlockFrames}) { // 0: 10 ms ticks
                    SCOPED_TRACE("rate " + std::to_string(rate) + ", " + std::to_string(channels) + " ch, " +
                                 std::to_string(frames) + " frames, tick " + std::to_string(tickFrames));
                    const std::string p = dir.file("end" + std::to_string(n++) + ".wav");
                    ASSERT_TRUE(writeAudio(p, rate, channels, frames, [](int, int) { return 0.25f; }));
                    ASSERT_TRUE(mp.setFileName(p));
                    const double d = mp.Duration();
                    const double tick = tickFrames ? double(tickFrames) / kSampleRate : 0.010;
                    double heard = 0.0, last = 0.0;
                    bool ended = false;
                    for (int i = 0; i < 2000 && !ended; ++i) {
                        if (tickFrames)
                            engine().stepFrames(tickFrames);
                        else
                            engine().step(10);
                        heard += tick;
                        const double pos = mp.CurrentPosition();
                        ASSERT_GE(pos, last);
                        ASSERT_LE(pos, d);
                        last = pos;
                        ended = pos >= d;
                        if (!ended) {
                            ASSERT_EQ(mp.PlayState(), mpPlaying) << "stopped short at " << pos << " of " << d;
                        }
                    }
                    ASSERT_TRUE(ended) << "position " << last << " of " << d;
                    EXPECT_EQ(mp.CurrentPosition(), d);
                    EXPECT_EQ(mp.PlayState(), mpStopped);
                    EXPECT_GE(heard + 2.0 / kSampleRate, d);
                    EXPECT_LT(heard, d + tick + 2.0 / kSampleRate);
                    EXPECT_TRUE(allSilent(engine().step(20)));
                    EXPECT_EQ(mp.CurrentPosition(), d);
                }
}

TEST_F(MediaPlayerTest, SeekingPastTheEndEndsTheSong)
{
    MediaPlayer mp;
    ASSERT_TRUE(mp.setFileName(rampFile("song.wav", kRate)));
    engine().step(500);
    mp.setCurrentPosition(mp.CurrentPosition() + 20.0);
    EXPECT_GE(mp.CurrentPosition(), mp.Duration());
    EXPECT_EQ(mp.PlayState(), mpStopped);
    EXPECT_TRUE(allSilent(engine().step(50)));
    // Exactly at the end counts as past it.
    ASSERT_TRUE(mp.setFileName(rampFile("song2.wav", kRate)));
    mp.setCurrentPosition(1.0);
    EXPECT_GE(mp.CurrentPosition(), mp.Duration());
}

TEST_F(MediaPlayerTest, VolumeAndMuteScaleTheMix)
{
    MediaPlayer mp;
    ASSERT_TRUE(mp.setFileName(constFile("dc.wav", 0.5f, 4 * kRate)));
    EXPECT_FLOAT_EQ(left(engine().step(10), 0), 0.5f);

    mp.setVolume(-2000); // -20 dB
    EXPECT_EQ(mp.Volume(), -2000);
    engine().step(20); // the change glides in
    auto mix = engine().step(10);
    EXPECT_NEAR(left(mix, 0), 0.05f, 1e-6);
    EXPECT_NEAR(right(mix, 440), 0.05f, 1e-6);

    mp.setMute(true);
    EXPECT_TRUE(mp.Mute());
    engine().step(20);
    EXPECT_TRUE(allSilent(engine().step(10)));
    // The position goes on while muted.
    const double p = mp.CurrentPosition();
    engine().step(100);
    EXPECT_NEAR(mp.CurrentPosition(), p + 0.1, 1e-9);

    mp.setMute(false);
    mp.setVolume(0);
    engine().step(20);
    EXPECT_FLOAT_EQ(left(engine().step(10), 0), 0.5f);

    // A sudden change never jumps by more than a small step per frame.
    mp.setVolume(-4500);
    mix = engine().step(10);
    for (int i = 1; i < 441; ++i)
        EXPECT_LE(std::fabs(left(mix, i) - left(mix, i - 1)), 0.5f / 400) << i;

    mp.setVolume(-9000);
    EXPECT_EQ(mp.Volume(), -4500);
    mp.setVolume(300);
    EXPECT_EQ(mp.Volume(), 0);
}

TEST_F(MediaPlayerTest, MonoFileAtHalfRatePlaysAtTheRightSpeed)
{
    MediaPlayer mp;
    const std::string p = dir.file("mono22k.wav");
    ASSERT_TRUE(writeAudio(p, 22050, 1, 2 * 22050, [](int i, int) { return float(i) / 100000.0f; }));
    ASSERT_TRUE(mp.setFileName(p));
    EXPECT_DOUBLE_EQ(mp.Duration(), 2.0);
    auto mix = engine().step(1000);
    EXPECT_DOUBLE_EQ(mp.CurrentPosition(), 1.0);
    // Output frame k is file frame k/2: on a ramp, linear interpolation is exact.
    for (int k : {0, 1, 2, 3, 1001, 44098})
        EXPECT_NEAR(frameOf(mix, k), k / 2.0f, 1e-2) << k;
    EXPECT_FLOAT_EQ(left(mix, 777), right(mix, 777));
    while (mp.PlayState() == mpPlaying)
        engine().step(10);
    EXPECT_DOUBLE_EQ(mp.CurrentPosition(), 2.0);
}

TEST_F(MediaPlayerTest, BadFilesAreRefusedAndThePlayerStaysUsable)
{
    MediaPlayer mp;
    ASSERT_TRUE(mp.setFileName(rampFile("good.wav", kRate)));
    engine().step(100);

    std::mt19937 rng(42);
    std::string noise(20000, '\0');
    for (char& c : noise)
        c = char(rng());
    const std::string bad[] = {
        dir.file("missing.mp3"),
        dir.write("noise.wav", noise),
        dir.write("text.mp3", "this is not music at all\r\n"),
        dir.write("empty.wav", ""),
        dir.path().generic_string(), // a folder
    };
    for (const std::string& p : bad) {
        EXPECT_FALSE(mp.setFileName(p)) << p;
        EXPECT_NE(mp.ErrorText(), "") << p;
        // A file that is there is never said to be missing.
        if (paths::isFile(p)) {
            EXPECT_EQ(mp.ErrorText().find("not exist"), std::string::npos) << mp.ErrorText();
        }
        EXPECT_EQ(mp.PlayState(), mpClosed) << p;
        EXPECT_DOUBLE_EQ(mp.Duration(), 0.0);
        EXPECT_DOUBLE_EQ(mp.CurrentPosition(), 0.0);
        // The clock's end test sees an empty song that is over.
        EXPECT_GE(mp.CurrentPosition(), mp.Duration());
        mp.Play();
        mp.Stop();
        mp.setCurrentPosition(5);
        EXPECT_TRUE(allSilent(engine().step(20)));
        EXPECT_FALSE(probeDuration(p).has_value());
    }
    // A random .mp3 may happen to hold something the decoder accepts; it
    // must still be safe to play to its end.
    const std::string noiseMp3 = dir.write("noise.mp3", noise);
    if (mp.setFileName(noiseMp3)) {
        for (int i = 0; i < 1000 && mp.PlayState() == mpPlaying; ++i)
            engine().step(50);
    } else {
        EXPECT_NE(mp.ErrorText(), "");
    }

    ASSERT_TRUE(mp.setFileName(rampFile("good2.wav", kRate)));
    EXPECT_EQ(mp.ErrorText(), "");
    EXPECT_FLOAT_EQ(frameOf(engine().step(10), 0), 0.0f);

    // An empty name closes the song.
    EXPECT_TRUE(mp.setFileName(""));
    EXPECT_EQ(mp.PlayState(), mpClosed);
    EXPECT_TRUE(allSilent(engine().step(10)));
}

TEST_F(MediaPlayerTest, FileCutShortEndsWhereItsDataEnds)
{
    // A download that stopped half-way: the header promises more than is there.
    const std::string p = dir.file("cut.wav");
    ASSERT_TRUE(writeAudio(p, kRate, 2, kRate, [](int, int) { return 0.5f; }, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    std::filesystem::resize_file(p, std::filesystem::file_size(p) / 2);
    MediaPlayer mp;
    if (!mp.setFileName(p))
        GTEST_SKIP() << "libsndfile refuses the cut file: " << mp.ErrorText();
    int steps = 0;
    while (mp.PlayState() == mpPlaying && steps++ < 1000)
        engine().step(10);
    EXPECT_GE(mp.CurrentPosition(), mp.Duration());
    EXPECT_TRUE(allSilent(engine().step(10)));
}

TEST_F(MediaPlayerTest, AutoStartOffLoadsSilentlyAtTheStart)
{
    MediaPlayer mp;
    mp.setAutoStart(false);
    ASSERT_TRUE(mp.setFileName(rampFile("song.wav", kRate)));
    EXPECT_DOUBLE_EQ(mp.Duration(), 1.0);
    EXPECT_EQ(mp.PlayState(), mpStopped);
    EXPECT_TRUE(allSilent(engine().step(100)));
    EXPECT_DOUBLE_EQ(mp.CurrentPosition(), 0.0);
    mp.setAutoStart(true);
    mp.Play();
    EXPECT_FLOAT_EQ(frameOf(engine().step(10), 0), 0.0f);
}

TEST_F(MediaPlayerTest, LoadingAgainRestartsFromTheBeginning)
{
    MediaPlayer mp;
    const std::string p = rampFile("song.wav", 2 * kRate);
    ASSERT_TRUE(mp.setFileName(p));
    engine().step(800);
    ASSERT_TRUE(mp.setFileName(p));
    EXPECT_DOUBLE_EQ(mp.CurrentPosition(), 0.0);
    EXPECT_FLOAT_EQ(frameOf(engine().step(10), 0), 0.0f);
    // Loading then seeking at once (the editor starts a song at a syllable).
    ASSERT_TRUE(mp.setFileName(p));
    mp.setCurrentPosition(1.2);
    EXPECT_FLOAT_EQ(frameOf(engine().step(10), 0), 52920.0f);
}

TEST_F(MediaPlayerTest, TwoPlayersMixAndOneGoingAwayLeavesTheOther)
{
    MediaPlayer a;
    ASSERT_TRUE(a.setFileName(constFile("a.wav", 0.25f, kRate)));
    {
        MediaPlayer b;
        ASSERT_TRUE(b.setFileName(constFile("b.wav", 0.5f, kRate)));
        auto mix = engine().step(10);
        EXPECT_FLOAT_EQ(left(mix, 5), 0.75f);
        EXPECT_FLOAT_EQ(right(mix, 5), 0.75f);
    }
    EXPECT_FLOAT_EQ(left(engine().step(10), 0), 0.25f);
}

TEST_F(MediaPlayerTest, Mp3PlaysWhenTheEncoderIsAvailable)
{
    const std::string p = dir.file("tone.mp3");
    const bool written = writeAudio(
        p, kRate, 2, 3 * kRate, [](int i, int) { return 0.5f * std::sin(2.0f * 3.14159265f * 440.0f * i / kRate); },
        SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III);
    if (!written)
        GTEST_SKIP() << "libsndfile cannot write MP3 here";
    auto probed = probeDuration(p);
    ASSERT_TRUE(probed.has_value());
    EXPECT_NEAR(*probed, 3.0, 0.1);

    MediaPlayer mp;
    ASSERT_TRUE(mp.setFileName(p));
    EXPECT_DOUBLE_EQ(mp.Duration(), *probed);
    auto mix = engine().step(1000);
    float peak = 0.0f;
    for (int i = 22050; i < 44100; ++i)
        peak = std::max(peak, std::fabs(left(mix, i)));
    EXPECT_GT(peak, 0.3f);
    EXPECT_LT(peak, 0.7f);
    mp.setCurrentPosition(2.0);
    engine().step(100);
    EXPECT_NEAR(mp.CurrentPosition(), 2.1, 1e-6);
    while (mp.PlayState() == mpPlaying)
        engine().step(50);
    EXPECT_GE(mp.CurrentPosition(), mp.Duration());
}
