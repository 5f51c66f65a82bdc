// The MIDI performance: heard music time against rendered frames (tempo map,
// tempo factor, start point, replacement, stop, end, output latency), transpose
// and pan as the synthesiser receives them, master volume on the rendered level,
// and the behaviour without a SoundFont. The synthesiser is pulled by the tests
// themselves, faster than real time.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/media/audio_source.h"
#include "platform/media/engine.h"
#include "platform/music/performance.h"
#include "platform/music/gm_songs.h"
#include "platform/music/smf_writer.h"
#include "support/testdir.h"

using namespace testmidi;
using music::MusicTime;

namespace {

const char* kFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

std::int64_t gFrame = 1000;   // engine frame counter of the pulls below
std::int64_t gLag = 0;        // frames rendered but not yet heard

std::vector<float> render(double seconds) {
    const int total = int(std::lround(seconds * media::kSampleRate));
    std::vector<float> out(std::size_t(total) * 2, 0.0f);
    int done = 0;
    while (done < total) {
        const int n = std::min(1024, total - done);
        music::synthSource().mixInto(out.data() + 2 * done, n, gFrame);
        gFrame += n;
        done += n;
    }
    return out;
}

double rms(const std::vector<float>& v, std::size_t from = 0) {
    double sum = 0;
    for (std::size_t i = from; i < v.size(); ++i)
        sum += double(v[i]) * v[i];
    return v.size() > from ? std::sqrt(sum / double(v.size() - from)) : 0.0;
}

struct Tap {
    std::vector<music::MidiMessage> seen;
    std::vector<music::MidiMessage> notes() const {
        std::vector<music::MidiMessage> n;
        for (const auto& m : seen)
            if ((m.status & 0xE0) == 0x80)
                n.push_back(m);
        return n;
    }
};

class Performance : public ::testing::Test {
protected:
    void SetUp() override {
        music::setManualRendering(true);
        music::setSoundFont(kFont);
        gLag = 0;
        music::setHeardFrameClock([] { return gFrame - gLag; });
        music::setMidiTap([this](const music::MidiMessage& m) { tap.seen.push_back(m); });
        ASSERT_TRUE(perf.Init()) << perf.ErrorText();
    }
    void TearDown() override {
        music::setMidiTap(nullptr);
        music::setHeardFrameClock(nullptr);
    }

    std::shared_ptr<music::Segment> load(const std::string& bytes) {
        const std::string path = dir.write("song.mid", bytes);
        auto seg = loader.LoadSegment(path);
        EXPECT_TRUE(seg) << loader.ErrorText();
        if (seg) {
            seg->SetStandardMidiFile();
            EXPECT_TRUE(seg->Download(perf));
        }
        return seg;
    }

    // Eight quarters: two at 120 bpm, six at 240 bpm; a note on each quarter.
    static std::string tempoSong() {
        Track t;
        t.tempo(0, 500000).program(0, 0, 19);
        for (int q = 0; q < 8; ++q) {
            if (q == 2)
                t.tempo(0, 250000);
            t.on(0, 0, 60 + q).off(96, 0, 60 + q);
        }
        t.end();
        return file(0, 96, {t});
    }

    testsupport::TempDir dir;
    music::Loader loader;
    music::Performance perf;
    Tap tap;
};

} // namespace

TEST_F(Performance, HeardPositionFollowsTheTempoMap) {
    auto seg = load(tempoSong());
    ASSERT_TRUE(seg);
    EXPECT_EQ(seg->GetLength(), 8 * 768);
    auto st = perf.PlaySegment(seg, 0, 0);
    ASSERT_TRUE(st);
    EXPECT_EQ(st->GetSeek(), 0);
    render(1.0);                          // two quarters at 120 bpm
    EXPECT_NEAR(st->GetSeek(), 1536, 2);
    render(0.5);                          // two quarters at 240 bpm
    EXPECT_NEAR(st->GetSeek(), 3072, 2);
    EXPECT_TRUE(perf.IsPlaying(seg, st));
    EXPECT_TRUE(perf.IsPlaying(seg.get(), nullptr));
}

TEST_F(Performance, TempoFactorScalesTimeAndBadFactorsAreRefused) {
    auto seg = load(tempoSong());
    EXPECT_TRUE(perf.SetMasterTempo(2.0f));
    EXPECT_FALSE(perf.SetMasterTempo(0.0f));
    EXPECT_FALSE(perf.SetMasterTempo(0.005f));
    EXPECT_FALSE(perf.SetMasterTempo(std::nanf("")));
    EXPECT_FLOAT_EQ(perf.GetMasterTempo(), 2.0f);
    auto st = perf.PlaySegment(seg, 0, 0);
    render(0.5);
    EXPECT_NEAR(st->GetSeek(), 1536, 2);
    // A change while playing applies once what was rendered ahead (80 ms at
    // most, at 480 bpm: 369 units more than at 120 bpm) is heard.
    perf.SetMasterTempo(0.5f);
    render(1.0);                          // 240 bpm x 0.5 = 120 bpm: two quarters
    EXPECT_GE(st->GetSeek(), 3072 - 3);
    EXPECT_LE(st->GetSeek(), 3072 + 369 + 3);
}

TEST_F(Performance, StartPointStartsThereWithTheRightInstruments) {
    auto seg = load(tempoSong());
    seg->SetStartPoint(3072);
    EXPECT_EQ(seg->GetStartPoint(), 3072);
    auto st = perf.PlaySegment(seg, 0, 0);
    EXPECT_EQ(st->GetStartPoint(), 3072);
    EXPECT_EQ(st->GetSeek(), 3072);       // before anything is heard
    render(0.5);
    EXPECT_NEAR(st->GetSeek(), 3072 + 1536, 2);
    // The program change before the start point was sent, and no earlier note.
    ASSERT_FALSE(tap.seen.empty());
    EXPECT_EQ(tap.seen.front().status, 0xC0);
    EXPECT_EQ(tap.seen.front().data1, 19);
    int firstOn = -1;
    for (const auto& m : tap.notes())
        if ((m.status & 0xF0) == 0x90) {
            firstOn = m.data1;
            break;
        }
    EXPECT_EQ(firstOn, 64);
}

TEST_F(Performance, SongEndsAtItsLength) {
    auto seg = load(tempoSong());
    auto st = perf.PlaySegment(seg, 0, 0);
    render(3.0);                          // the song lasts 1 + 1.5 s
    EXPECT_EQ(st->GetSeek(), seg->GetLength());
    EXPECT_FALSE(st->IsRunning());
    EXPECT_FALSE(perf.IsPlaying(seg, st));
    int ons = 0, offs = 0;
    for (const auto& m : tap.notes())
        (m.status & 0xF0) == 0x90 ? ++ons : ++offs;
    EXPECT_EQ(ons, 8);
    EXPECT_EQ(offs, 8);

    // A start point past the end is the end at once.
    seg->SetStartPoint(seg->GetLength() + 500);
    st = perf.PlaySegment(seg, 0, 0);
    render(0.1);
    EXPECT_EQ(st->GetSeek(), seg->GetLength() + 500);
    EXPECT_FALSE(perf.IsPlaying(seg, st));
}

TEST_F(Performance, StopFreezesThePositionAndSilences) {
    auto seg = load(tempoSong());
    auto st = perf.PlaySegment(seg, 0, 0);
    const double playing = rms(render(1.0), 2 * 22050);
    perf.Stop(seg, st);
    const MusicTime at = st->GetSeek();
    EXPECT_NEAR(at, 1536, 2);
    const std::size_t seen = tap.seen.size();
    auto tail = render(1.0);
    EXPECT_EQ(st->GetSeek(), at);
    EXPECT_FALSE(perf.IsPlaying(seg, st));
    EXPECT_EQ(tap.seen.size(), seen);     // nothing more is played
    // Nothing rendered ahead of the stop is heard after it, only the reverb's
    // tail, which has died away by half a second.
    const std::vector<float> first(tail.begin(), tail.begin() + 2 * 2205);
    EXPECT_LT(rms(first), playing / 4);
    EXPECT_LT(rms(tail, tail.size() / 2), 1e-4);
}

TEST_F(Performance, HeardPositionLagsWhatIsStillQueued) {
    auto seg = load(tempoSong());
    auto st = perf.PlaySegment(seg, 0, 0);
    gLag = 4410;                          // 0.1 s waits in the output
    render(0.05);
    EXPECT_EQ(st->GetSeek(), 0);          // nothing of it heard yet
    render(0.95);
    EXPECT_NEAR(st->GetSeek(), 0.9 * 1536, 2);
}

TEST_F(Performance, PlayingAgainReplacesTheRunningState) {
    auto seg = load(tempoSong());
    auto first = perf.PlaySegment(seg, 0, 0);
    render(0.5);
    seg->SetStartPoint(768);
    auto second = perf.PlaySegment(seg, 0, 0);
    EXPECT_FALSE(first->IsRunning());
    EXPECT_TRUE(second->IsRunning());
    render(0.25);
    EXPECT_NEAR(second->GetSeek(), 768 + 384, 2);
    EXPECT_NEAR(first->GetSeek(), 768, 2);
}

TEST_F(Performance, DelayedStartStoppedAtOnceNeverSounds) {
    auto seg = load(tempoSong());
    render(0.5);
    const MusicTime t = perf.GetMusicTime();
    auto st = perf.PlaySegment(seg, 0, t + 2000);
    perf.Stop(seg.get(), nullptr);
    render(2.0);
    EXPECT_TRUE(tap.notes().empty());
    EXPECT_FALSE(perf.IsPlaying(seg, st));
    // The performance's own time runs at 120 bpm while idle.
    EXPECT_NEAR(perf.GetMusicTime() - t, 3072, 3);
}

TEST_F(Performance, DelayedStartBeginsWhenItsTimeComes) {
    auto seg = load(tempoSong());
    const MusicTime t = perf.GetMusicTime();
    auto st = perf.PlaySegment(seg, 0, t + 768); // half a second from now
    render(0.4);
    EXPECT_TRUE(tap.notes().empty());
    EXPECT_EQ(st->GetSeek(), 0);
    render(0.6);
    EXPECT_FALSE(tap.notes().empty());
    EXPECT_NEAR(st->GetSeek(), 768, 3);
}

TEST_F(Performance, TransposeAppliesToLaterNotesAndNoteOffsMatch) {
    Track t;
    t.on(0, 0, 60).on(0, 9, 36)             // at 0
        .on(96, 0, 62).on(0, 9, 38)         // after one quarter
        .off(96, 0, 60).off(0, 0, 62).off(0, 9, 36).off(0, 9, 38)
        .end();
    auto seg = load(file(0, 96, {t}));
    perf.PlaySegment(seg, 0, 0);
    render(0.25);                           // half a quarter: the first notes sound
    perf.SendTransposePMSG(0, 1, 0, 5);
    perf.SendTransposePMSG(0, 1, 9, 5);     // percussion is never transposed
    render(1.5);
    std::vector<std::pair<int, int>> got;
    for (const auto& m : tap.notes())
        got.emplace_back(m.status, m.data1);
    const std::vector<std::pair<int, int>> want = {
        {0x90, 60}, {0x99, 36}, {0x90, 67}, {0x99, 38},
        {0x80, 60}, {0x80, 67}, {0x89, 36}, {0x89, 38}};
    EXPECT_EQ(got, want);
}

TEST_F(Performance, NewPerformanceStartsWithoutTranspose) {
    Track t;
    t.on(0, 0, 60).off(96, 0, 60).end();
    auto seg = load(file(0, 96, {t}));
    perf.SendTransposePMSG(0, 1, 0, -2);
    music::Performance next;
    ASSERT_TRUE(next.Init());
    auto st = next.PlaySegment(seg, 0, 0);
    render(1.0);
    const auto notes = tap.notes();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].data1, 60);
    // The old performance no longer sounds anything.
    perf.SendMIDIPMSG(0, 1, 0, 176, 10, 1);
    EXPECT_EQ(tap.seen.size(), 2u);
}

TEST_F(Performance, PanAndOtherChannelMessagesGoOutAtOnce) {
    for (int ch = 0; ch < 16; ++ch)
        perf.SendMIDIPMSG(0, 1, ch, 176, 10, 20);
    perf.SendMIDIPMSG(0, 1, 3, 0xC5, 40, 0);    // the channel comes from the argument
    perf.SendMIDIPMSG(0, 1, 16, 176, 10, 20);   // no such channel
    perf.SendMIDIPMSG(0, 1, 0, 0x20, 10, 20);   // no such message
    ASSERT_EQ(tap.seen.size(), 17u);
    for (int ch = 0; ch < 16; ++ch) {
        EXPECT_EQ(tap.seen[std::size_t(ch)].status, 0xB0 | ch);
        EXPECT_EQ(tap.seen[std::size_t(ch)].data1, 10);
        EXPECT_EQ(tap.seen[std::size_t(ch)].data2, 20);
    }
    EXPECT_EQ(tap.seen[16].status, 0xC3);
}

TEST_F(Performance, MasterVolumeScalesTheRenderedLevel) {
    Track t;
    t.program(0, 0, 19).on(0, 0, 60, 110).off(768, 0, 60).end();
    auto seg = load(file(0, 96, {t}));

    auto levelAt = [&](long cb) {
        music::Performance p;
        EXPECT_TRUE(p.Init());
        p.SetMasterVolume(cb);
        render(0.5);                        // let any earlier tail die away
        p.PlaySegment(seg, 0, 0);
        return rms(render(1.0), 2 * 4410);
    };
    const double loud = levelAt(0);
    const double soft = levelAt(-2000);      // -20 dB: a tenth of the amplitude
    ASSERT_GT(loud, 1e-3);
    EXPECT_NEAR(loud / soft, 10.0, 1.0);
    EXPECT_NEAR(levelAt(-312) / loud, std::pow(10.0, -312.0 / 2000.0), 0.05);
    {
        // A change while playing is heard at once, also in what was rendered ahead.
        music::Performance p;
        ASSERT_TRUE(p.Init());
        p.PlaySegment(seg, 0, 0);
        const double before = rms(render(0.3), 2 * 8820);
        p.SetMasterVolume(-2000);
        EXPECT_LT(rms(render(0.05)) / before, 0.25);
    }

    perf.SetMasterVolume(5000);
    EXPECT_EQ(perf.GetMasterVolume(), 2000);
    perf.SetMasterVolume(-20000);
    EXPECT_EQ(perf.GetMasterVolume(), -10000);
}

namespace {

double dbfs(double level) { return 20.0 * std::log10(std::max(level, 1e-9)); }

} // namespace

TEST_F(Performance, ATypicalSongAtTheDefaultVolumeIsAsLoudAsMasteredMusicAndADenseOneDoesNotClip) {
    // The player's default volume is -312 cB. Mastered music measures about
    // -12 dBFS RMS; a General MIDI song must land within 6 dB of it.
    auto play = [&](const std::string& bytes, double seconds) {
        auto seg = load(bytes);
        music::Performance p;
        EXPECT_TRUE(p.Init());
        p.SetMasterVolume(-312);
        render(0.5);
        p.PlaySegment(seg, 0, 0);
        return render(seconds);
    };
    const std::vector<float> typical = play(gmSong(4, false), 8.0);
    const double level = dbfs(rms(typical, 2 * 44100));
    EXPECT_GT(level, -18.0);
    EXPECT_LT(level, -6.0);

    const std::vector<float> dense = play(gmSong(4, true), 8.0);
    float peak = 0;
    for (float x : dense)
        peak = std::max(peak, std::fabs(x));
    EXPECT_LT(peak, 1.0f);
    EXPECT_GT(dbfs(rms(dense, 2 * 44100)), level);
}

TEST_F(Performance, WithoutSoundFontSongsRunSilently) {
    music::setSoundFont(dir.file("missing.sf2"));
    music::Performance p;
    EXPECT_FALSE(p.Init());
    EXPECT_FALSE(p.ErrorText().empty());
    auto seg = load(tempoSong());
    auto st = p.PlaySegment(seg, 0, 0);
    ASSERT_TRUE(st);
    auto out = render(1.0);
    EXPECT_NEAR(st->GetSeek(), 1536, 2);
    EXPECT_EQ(rms(out), 0.0);
    music::setSoundFont(kFont);
}

TEST_F(Performance, UninitialisedPerformanceDoesNothing) {
    music::Performance p;
    auto seg = load(tempoSong());
    EXPECT_EQ(p.PlaySegment(seg, 0, 0), nullptr);
    EXPECT_FALSE(p.SetMasterTempo(1.0f));
    EXPECT_FALSE(p.IsPlaying(seg.get(), nullptr));
    p.SendTransposePMSG(0, 1, 0, 2);
    p.SendMIDIPMSG(0, 1, 0, 176, 10, 0);
    p.SetMasterVolume(-312);
    p.Stop(nullptr, nullptr);
    EXPECT_EQ(p.GetMusicTime(), 0);
    EXPECT_TRUE(tap.seen.empty());
    EXPECT_EQ(loader.LoadSegment(dir.file("none.mid")), nullptr);
    EXPECT_FALSE(loader.ErrorText().empty());
}

// Last: the performance joins the process's audio engine, whose stepped output
// pulls it; the heard position then comes from the engine.
TEST_F(Performance, PlaysThroughTheAudioEngine) {
    music::setHeardFrameClock(nullptr);
    music::setManualRendering(false);
    media::useSteppedOutput();
    music::Performance p;
    ASSERT_TRUE(p.Init());
    auto seg = load(tempoSong());
    auto st = p.PlaySegment(seg, 0, 0);
    auto mix = media::engine().step(1000.0);
    EXPECT_NEAR(st->GetSeek(), 1536, 3);
    EXPECT_GT(rms(mix), 1e-3);
    p.Stop(nullptr, nullptr);
}
