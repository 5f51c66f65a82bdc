// The lag between what the listener hears and what the lyric window shows, on
// the real main window and lyric window.
//
//     bench_lyric_lag [syk|kar] [seconds] [step] [bpm] [speed]
//     bench_lyric_lag table [seconds]
//
//   syk  (default) an audio song (a WAV) with a .syk file, 60 s, a syllable
//        about every 0.15 s;
//   kar  a MIDI karaoke song (.kar, `bpm`, default 120) with its lyric events,
//        60 s, a syllable about every 0.25 s, played with the speed slider's
//        tempo factor `speed` (default 1);
//   table runs both side by side, one after the other in this one run (each
//        in a process of its own): the audio song, then the .kar song at 60,
//        120 and 250 bpm, each at the speed factors 1, 0.5 and 2 (songs of
//        `seconds`, default 20), and prints one line per case.
//
// The song is written first, then started as a user starts it (Select_Song,
// then Command_Play) and played on the null output, which advances in real
// time. A sampler thread reads the heard frame (media::engine().heardFrames())
// against a steady clock about every 0.25 ms; after each tick of the playback
// clock the program notes which syllable became highlighted and when. The lag
// of a syllable is the time of its highlight minus the time at which the heard
// position reached the syllable's time. Syllable times fall at every phase of
// the 10 ms clock (whole milliseconds, not multiples of 10).
//
// Prints the syllables highlighted (and missed), the lag's median, p90, p99 and
// maximum, and the spread of the clock's tick intervals.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>

#include "bench_support.h"
#include "karaoke/pagestate.h"
#include "platform/media/audio_source.h"
#include "platform/media/engine.h"
#include "playback/midianalysis.h"
#include "playback/midiplayer.h"

using Clock = std::chrono::steady_clock;
namespace bs = benchsupport;

namespace {

struct Sample {
    Clock::time_point at;
    std::int64_t heard;
};

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// The moment the heard frame reached `frame`, interpolated between the samples
// around it; false when the samples do not reach it.
bool crossing(const std::vector<Sample>& s, std::int64_t frame, Clock::time_point& at)
{
    auto it = std::lower_bound(s.begin(), s.end(), frame,
                               [](const Sample& a, std::int64_t f) { return a.heard < f; });
    if (it == s.end() || it == s.begin())
        return false;
    const Sample& hi = *it;
    const Sample& lo = *(it - 1);
    const double f = hi.heard == lo.heard ? 1.0 : double(frame - lo.heard) / double(hi.heard - lo.heard);
    at = lo.at + std::chrono::duration_cast<Clock::duration>((hi.at - lo.at) * f);
    return true;
}

// --- a .kar song ---------------------------------------------------------------

std::string vlq(unsigned long v)
{
    std::string out(1, char(v & 0x7F));
    while (v >>= 7)
        out.insert(out.begin(), char(0x80 | (v & 0x7F)));
    return out;
}

std::string chunk(const char* tag, const std::string& body)
{
    const auto n = static_cast<std::uint32_t>(body.size());
    std::string out(tag, 4);
    for (int shift = 24; shift >= 0; shift -= 8)
        out += char((n >> shift) & 0xFF);
    return out + body;
}

std::string meta(unsigned long delta, int type, const std::string& body)
{
    return vlq(delta) + char(0xFF) + char(type) + vlq(body.size()) + body;
}

// A karaoke file at `bpm`: a "Words" track with one lyric event "w<k> " at
// each of `times` (seconds, rounded to ticks; lines of eight, each starting
// with "/") and a melody. `texts` receives each event's text with its time in
// seconds.
std::string makeKar(const std::vector<double>& times, double seconds, std::map<std::string, double>& texts,
                    double bpm)
{
    constexpr int ppq = 480;
    const double ticksPerSecond = ppq * bpm / 60.0;
    const auto usPerQuarter = static_cast<unsigned long>(std::lround(60000000.0 / bpm));
    std::string words = meta(0, 3, "Words") + meta(0, 1, "@KMIDI KARAOKE FILE") + meta(0, 1, "@TLag");
    long at = 0;
    for (std::size_t k = 0; k < times.size(); ++k) {
        const long tick = std::lround(times[k] * ticksPerSecond);
        const std::string text = (k % 8 == 0 ? "/" : "") + ("w" + std::to_string(k) + " ");
        words += meta(static_cast<unsigned long>(tick - at), 1, text);
        texts[k % 8 == 0 ? text.substr(1) : text] = double(tick) / ticksPerSecond;
        at = tick;
    }
    const long end = std::lround(seconds * ticksPerSecond);
    words += meta(static_cast<unsigned long>(std::max(0L, end - at)), 0x2F, "");
    std::string melody = std::string("\x00\xC0\x00", 3);
    long mat = 0;
    for (long t = 0, i = 0; t + ppq <= end; t += ppq / 2, ++i) {
        const char key = char(60 + (i * 5) % 12);
        melody += vlq(static_cast<unsigned long>(t - mat)) + char(0x90) + key + char(90);
        melody += vlq(ppq / 4) + char(0x80) + key + char(0);
        mat = t + ppq / 4;
    }
    melody += meta(static_cast<unsigned long>(std::max(0L, end - mat)), 0x2F, "");
    const std::string tempo = meta(0, 0x51,
                                   std::string{char((usPerQuarter >> 16) & 0xFF), char((usPerQuarter >> 8) & 0xFF),
                                               char(usPerQuarter & 0xFF)}) +
                              meta(0, 0x2F, "");
    return chunk("MThd", std::string("\x00\x01\x00\x03\x01\xE0", 6)) + chunk("MTrk", tempo) + chunk("MTrk", words) +
           chunk("MTrk", melody);
}

} // namespace

// Runs this program once per case and prints the lines of their results.
int table(const char* self, double seconds)
{
    struct Case {
        std::string args, label;
    };
    std::vector<Case> cases{{"syk", "audio song (.wav + .syk)"}};
    for (const char* bpm : {"60", "120", "250"})
        for (const char* speed : {"1", "0.5", "2"})
            cases.push_back({std::string("kar ") + "x 0.25 " + bpm + " " + speed,
                             std::string(".kar ") + bpm + " bpm, speed " + speed});
    std::printf("%-28s %s\n", "case", "result");
    for (const Case& c : cases) {
        std::string args = c.args;
        const std::string secs = std::to_string(static_cast<int>(seconds));
        if (args == "syk")
            args += " " + secs;
        else
            args.replace(args.find('x'), 1, secs);
        const std::string cmd = std::string("'") + self + "' " + args + " 2>&1";
        FILE* out = popen(cmd.c_str(), "r");
        if (!out)
            return 1;
        char line[512];
        std::string lag = "(no result)";
        while (std::fgets(line, sizeof line, out))
            if (std::strncmp(line, "lag heard", 9) == 0 && std::strchr(line, ':'))
                lag = std::string(std::strchr(line, ':') + 2, line + std::strlen(line) - 1);
        pclose(out);
        std::printf("%-28s %s\n", c.label.c_str(), lag.c_str());
        std::fflush(stdout);
    }
    return 0;
}

int main(int argc, char** argv)
{
    // The windows are shown on an X display run by a window manager; the
    // table's runs share the one started here.
    bs::Desktop desktop(false);
    if (!desktop.ok()) {
        std::fprintf(stderr, "cannot measure: %s\n", desktop.error.c_str());
        return 1;
    }
    if (argc > 1 && std::strcmp(argv[1], "table") == 0)
        return table(argv[0], argc > 2 ? std::max(5.0, std::atof(argv[2])) : 20.0);
    int arg = 1;
    const bool kar = argc > 1 && std::strcmp(argv[1], "kar") == 0;
    if (argc > 1 && (kar || std::strcmp(argv[1], "syk") == 0))
        ++arg;
    const double seconds = argc > arg ? std::max(5.0, std::atof(argv[arg])) : 60.0;
    const double step = argc > arg + 1 ? std::max(0.02, std::atof(argv[arg + 1])) : (kar ? 0.25 : 0.15);
    const double bpm = argc > arg + 2 ? std::clamp(std::atof(argv[arg + 2]), 20.0, 400.0) : 120.0;
    // The speed slider's tempo factor; song times below are heard times.
    const double speed = argc > arg + 3 ? std::clamp(std::atof(argv[arg + 3]), 0.1, 4.0) : 1.0;
    setenv("ZUNKARAOKE_AUDIO", "null", 1);
    bs::ProgramFolder folder("lag");

    // Syllables from 1 s to 1 s before the end.
    const std::vector<double> times = bs::syllableTimes(1.0, seconds - 1.0, step);
    const int count = static_cast<int>(times.size());
    std::map<std::string, double> karTexts;
    std::string song;
    bool written;
    if (kar) {
        song = folder.path("lag song.kar");
        // Written at normal speed: the song's own times are the heard ones times the factor.
        std::vector<double> own;
        for (double t : times)
            own.push_back(t * speed);
        written = bs::writeText(song, makeKar(own, seconds * speed, karTexts, bpm));
    } else {
        song = folder.path("lag song.wav");
        written = bs::writeSong(song, seconds, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050) &&
                  bs::writeText(folder.path("lag song.syk"), bs::sykText(times, 8));
    }
    if (!written) {
        std::fprintf(stderr, "cannot write the song in %s\n", folder.dir.c_str());
        return 1;
    }

    QApplication app(argc, argv);
    Player& p = bs::startPlayer();

    // The sampler of the heard position.
    std::vector<Sample> samples;
    samples.reserve(static_cast<std::size_t>(seconds * 5000) + 1000);
    std::mutex samplesMu;
    std::atomic<bool> stop{false};
    std::thread sampler([&] {
        while (!stop.load()) {
            const std::int64_t h = media::engine().heardFrames();
            const auto t = Clock::now();
            {
                std::lock_guard lock(samplesMu);
                samples.push_back({t, h});
            }
            std::this_thread::sleep_for(std::chrono::microseconds(250));
        }
    });

    // After each tick: the syllable that became highlighted, and when.
    struct Highlight {
        Clock::time_point at;
        double time;  // the syllable's time in the song
    };
    std::vector<Highlight> shown;
    std::vector<Clock::time_point> ticks;
    std::vector<double> startOffsets;  // engine frame of the song's 0 s, per tick
    double lastTime = -1;
    long lastIdx = 0;
    int unknown = 0;
    p.Timer1.onTimer([&] {
        ticks.push_back(Clock::now());
        p.Timer1_Timer();
        const auto done = Clock::now();
        if (!modIni::IsPlaying)
            return;
        if (kar) {
            if (modIni::MediaKind != "midi" || Kar::MidiState != 0)
                return;
            const double pos = Kar::MidiMsAt(Kar::MidiPosition()) / 1000.0 / speed;
            const std::int64_t heard = media::engine().heardFrames();
            if (pos > 0.5)
                startOffsets.push_back(double(heard) - pos * media::kSampleRate);
            const long idx = Kar::MidiEventIdx;
            if (idx != lastIdx && idx >= 0 && idx < static_cast<long>(Kar::MidiEvents.size())) {
                lastIdx = idx;
                const auto it = karTexts.find(Kar::MidiEvents[static_cast<std::size_t>(idx)].Text);
                if (it != karTexts.end())
                    shown.push_back({done, it->second / speed});
                else if (!Kar::MidiEvents[static_cast<std::size_t>(idx)].Text.empty())
                    ++unknown;
            }
        } else {
            if (modIni::MediaKind != "mp3")
                return;
            const double pos = p.ActiveMovie1.CurrentPosition();
            const std::int64_t heard = media::engine().heardFrames();
            if (pos > 0.5)
                startOffsets.push_back(double(heard) - pos * media::kSampleRate);
            if (Kar::SykNeedSyllable == -1 && Kar::SykSyllableTime != lastTime) {
                lastTime = Kar::SykSyllableTime;
                shown.push_back({done, lastTime});
            }
        }
    });

    p.Select_Song.setText(song);
    p.Command_Play.press();
    if (kar && speed != 1.0 && Kar::MidiPerf)
        Kar::MidiPerf->SetMasterTempo(static_cast<float>(speed));
    if (!modIni::IsPlaying || (!kar && !p.HasSyk)) {
        std::fprintf(stderr, "the song did not start with its lyrics\n");
        stop = true;
        sampler.join();
        return 1;
    }
    // The song ends by itself; a song that plays on well past its length is a
    // fault worth saying, not a reason to wait for ever.
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(seconds + 5.0));
    bs::runUntil([&] { return !modIni::IsPlaying || Clock::now() > deadline; }, 50);
    if (modIni::IsPlaying) {
        std::fprintf(stderr, "the song did not end: position %.6f of %.6f s, play state %d, clock %s\n",
                     p.ActiveMovie1.CurrentPosition(), p.ActiveMovie1.Duration(),
                     static_cast<int>(p.ActiveMovie1.PlayState()), p.Timer1.Enabled() ? "on" : "off");
    }
    stop = true;
    sampler.join();
    bs::closePlayer();

    if (startOffsets.empty()) {
        std::fprintf(stderr, "no clock ticks while playing\n");
        return 1;
    }
    // The song's 0 s in engine frames: heard frame minus the song position read
    // at the same moment (steady while the song plays on without a seek).
    const double start = bs::quantile(startOffsets, 0.5);

    std::vector<double> lags;
    int unmatched = 0;
    for (const Highlight& h : shown) {
        Clock::time_point reached;
        const auto frame = static_cast<std::int64_t>(std::ceil(start + h.time * media::kSampleRate));
        if (!crossing(samples, frame, reached)) {
            ++unmatched;
            continue;
        }
        lags.push_back(ms(h.at - reached));
    }
    std::vector<double> intervals;
    for (std::size_t i = 1; i < ticks.size(); ++i)
        intervals.push_back(ms(ticks[i] - ticks[i - 1]));
    double spread = 0;
    for (double o : startOffsets)
        spread = std::max(spread, std::abs(o - start));

    std::printf("%s song %.0f s (%.0f bpm, speed %.2f), %d syllables every %.0f ms; %zu highlighted, %d missed, %d not timed%s\n",
                kar ? ".kar" : ".syk", seconds, kar ? bpm : 0.0, kar ? speed : 1.0, count, step * 1000, shown.size(),
                count - static_cast<int>(shown.size()), unmatched,
                unknown ? (", " + std::to_string(unknown) + " unknown texts").c_str() : "");
    std::printf("lag heard -> highlight (ms): median %.2f  p90 %.2f  p99 %.2f  max %.2f  min %.2f\n",
                bs::quantile(lags, 0.5), bs::quantile(lags, 0.9), bs::quantile(lags, 0.99), bs::quantile(lags, 1.0),
                bs::quantile(lags, 0.0));
    std::printf("clock ticks: %zu, interval (ms) median %.2f  p99 %.2f  max %.2f\n", ticks.size(),
                bs::quantile(intervals, 0.5), bs::quantile(intervals, 0.99), bs::quantile(intervals, 1.0));
    std::printf("heard samples: %zu; song start offset spread %.1f frames\n", samples.size(), spread);
    return 0;
}
