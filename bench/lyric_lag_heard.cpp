// The lag between what the listener really hears and what the lyric window
// paints, through a real PulseAudio stream: the real main window and lyric
// window play an audio song with its .syk file on the sound device, and this
// program records the sink's monitor at the same time.
//
//     bench_lyric_lag_heard [seconds] [step]      (default 30 s, a syllable every 0.25 s)
//
// Run it under a private PulseAudio server with a null sink (see DESIGN.md,
// "Sound"):  PULSE_SERVER=unix:/tmp/pulse-test/native bench_lyric_lag_heard
//
// The song is silence with a short tone burst at the time of each syllable.
// The recorder notes when each burst comes out of the sink (the monitor's
// read time minus the recording stream's own latency). The program runs as it
// always does: after each tick of its clock this benchmark only notes which
// syllable the tick highlighted, and a watch on the lyric window's surface
// notes when the program itself paints it; the first paint after the tick is
// when the syllable reached the window. The lag of a syllable is that paint's
// time minus the time its burst was heard. Prints the lag's median, p90 and
// maximum, and how far the player's own heard position (what the lyrics
// follow) is ahead (+) or behind (-) the sink.
//
// By default the windows are drawn offscreen (Qt's offscreen platform paints
// them all the same); under an X server, QT_QPA_PLATFORM=xcb shows them.
#include <pulse/error.h>
#include <pulse/simple.h>

#include <sndfile.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include "bench_support.h"
#include "karaoke/pagestate.h"
#include "lyricwindows/karaoke.h"
#include "platform/media/audio_source.h"
#include "platform/media/engine.h"

using Clock = std::chrono::steady_clock;
namespace bs = benchsupport;

namespace {

constexpr int kRate = 44100;

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// Silence with a 5 ms burst of 2 kHz at each of `times`.
bool writeClicks(const std::string& path, double seconds, const std::vector<double>& times)
{
    std::vector<float> pcm(static_cast<std::size_t>(seconds * kRate) * 2, 0.0f);
    for (double t : times) {
        const auto start = static_cast<std::size_t>(std::llround(t * kRate));
        for (std::size_t i = 0; i < kRate / 200 && start + i < pcm.size() / 2; ++i) {
            const float v = float(0.5 * std::sin(2 * M_PI * 2000.0 * double(i) / kRate));
            pcm[2 * (start + i)] = pcm[2 * (start + i) + 1] = v;
        }
    }
    return benchsupport::writeStereo(path, pcm, SF_FORMAT_WAV | SF_FORMAT_PCM_16, kRate);
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::max(5.0, std::atof(argv[1])) : 30.0;
    const double step = argc > 2 ? std::max(0.05, std::atof(argv[2])) : 0.25;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    unsetenv("ZUNKARAOKE_AUDIO");
    bs::ProgramFolder folder("heard");
    const std::vector<double> times = bs::syllableTimes(1.0, seconds - 1.0, step);
    const std::string song = folder.path("heard song.wav");
    if (!writeClicks(song, seconds, times) || !bs::writeText(folder.path("heard song.syk"), bs::sykText(times, 8))) {
        std::fprintf(stderr, "cannot write the song in %s\n", folder.dir.c_str());
        return 1;
    }

    // The recorder of the sink's monitor.
    pa_sample_spec format{PA_SAMPLE_S16LE, kRate, 2};
    pa_buffer_attr attr{};
    attr.maxlength = uint32_t(-1);
    attr.fragsize = kRate / 200 * 4;  // 5 ms
    int err = 0;
    pa_simple* rec = pa_simple_new(nullptr, "lyric-lag-heard", PA_STREAM_RECORD, "@DEFAULT_MONITOR@", "monitor", &format,
                                   nullptr, &attr, &err);
    if (!rec) {
        std::fprintf(stderr, "no PulseAudio server to record from: %s\n", pa_strerror(err));
        return 1;
    }
    std::vector<Clock::time_point> bursts;
    std::mutex burstsMu;
    std::atomic<bool> stop{false};
    std::thread recorder([&] {
        std::vector<std::int16_t> buf(kRate / 200 * 2);
        long quiet = kRate;  // frames since the last loud one
        while (!stop.load()) {
            if (pa_simple_read(rec, buf.data(), buf.size() * 2, &err) < 0)
                break;
            const auto now = Clock::now();
            const pa_usec_t latency = pa_simple_get_latency(rec, &err);
            const std::size_t n = buf.size() / 2;
            for (std::size_t i = 0; i < n; ++i) {
                if (std::abs(int(buf[2 * i])) > 3000) {
                    if (quiet > kRate / 20) {
                        const double behind = double(latency) / 1e3 + double(n - 1 - i) * 1000.0 / kRate;
                        std::lock_guard lock(burstsMu);
                        bursts.push_back(now - std::chrono::microseconds(std::llround(behind * 1000)));
                    }
                    quiet = 0;
                } else {
                    ++quiet;
                }
            }
        }
    });

    QApplication app(argc, argv);
    Player& p = bs::startPlayer();
    struct Highlight {
        Clock::time_point at;
        double time;
        double ownLeadMs;  // the player's heard position minus the syllable's time, at the tick
    };
    std::vector<Highlight> shown;
    // Syllables highlighted by a tick and not painted yet.
    std::vector<Highlight> waiting;
    double lastTime = -1;
    p.Timer1.onTimer([&] {
        p.Timer1_Timer();
        if (!modIni::IsPlaying || Kar::SykNeedSyllable != -1 || Kar::SykSyllableTime == lastTime)
            return;
        lastTime = Kar::SykSyllableTime;
        waiting.push_back({Clock::now(), lastTime, 1000.0 * (p.ActiveMovie1.CurrentPosition() - lastTime)});
    });
    // The program's own paint of the lyric window's surface.
    struct PaintWatch : QObject {
        std::function<void()> painted;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                painted();
            return false;
        }
    } watch;
    watch.painted = [&] {
        const auto now = Clock::now();
        for (Highlight h : waiting) {
            h.at = now;
            shown.push_back(h);
        }
        waiting.clear();
    };
    karaoke().clientWidget()->installEventFilter(&watch);
    p.Select_Song.setText(song);
    p.Command_Play.press();
    // The output connects away from the window: it is looked at once it had
    // the time to (the first syllable is 1 s in).
    const auto connecting = Clock::now() + std::chrono::milliseconds(800);
    bs::runUntil([&] {
        return media::engine().outputKind() == media::OutputKind::Device || Clock::now() > connecting;
    }, 10);
    if (!modIni::IsPlaying || !p.HasSyk || media::engine().outputKind() != media::OutputKind::Device) {
        std::fprintf(stderr, "the song did not start on the sound device with its lyrics\n");
        stop = true;
        recorder.join();
        return 1;
    }
    bs::runUntil([&] { return !modIni::IsPlaying; }, 50);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    stop = true;
    recorder.join();
    pa_simple_free(rec);
    bs::closePlayer();

    // The k-th burst is the k-th syllable; a burst the recorder missed would
    // shift the rest, so each pair must keep the song's spacing.
    std::vector<double> lags, leads;
    int unmatched = 0;
    const std::size_t pairs = std::min(bursts.size(), times.size());
    for (const Highlight& h : shown) {
        std::size_t k = 0;
        while (k < times.size() && std::abs(times[k] - h.time) > 1e-6)
            ++k;
        if (k >= pairs || std::abs(ms(bursts[k] - bursts[0]) - 1000.0 * (times[k] - times[0])) > 5.0) {
            ++unmatched;
            continue;
        }
        lags.push_back(ms(h.at - bursts[k]));
        leads.push_back(h.ownLeadMs);
    }
    std::printf("%zu syllables every %.0f ms, %zu bursts heard, %zu highlighted, %d not matched\n", times.size(),
                step * 1000, bursts.size(), shown.size(), unmatched);
    std::printf("lag heard -> painted (ms): median %.2f  p90 %.2f  max %.2f  min %.2f\n", bs::quantile(lags, 0.5),
                bs::quantile(lags, 0.9), bs::quantile(lags, 1.0), bs::quantile(lags, 0.0));
    std::printf("player's position at the highlighting tick, past the syllable (ms): median %.2f\n", bs::quantile(leads, 0.5));
    return 0;
}
