// The lag between what the listener really hears and what the lyric window
// shows on the screen: the real main window and lyric window, on an X display,
// play an audio song with its .syk file through a PulseAudio stream, while this
// program records the sink's monitor and reads the lyric window's pixels back
// from the X server.
//
//     bench_lyric_lag_heard [seconds]      (default 180)
//
// Without DISPLAY or PULSE_SERVER, a private Xvfb with openbox and a private
// PulseAudio server with a null sink are started (see bench_support.h).
//
// The song is silence with a short tone burst at the time of each syllable; its
// .syk file has the shape of a sung song (a syllable about every 0.3 s in
// lines of 6 to 12 syllables, verses of four lines, breaks between them).
//
// Heard: the recorder times each read of the monitor. The frame a read ends on
// is heard (leaves the sink) the stream's latency, as the server reports it
// right after the read, before the read (or after it: a null sink renders
// ahead, and the latency is then negative); the median of that over the reads
// of the 6 seconds around a burst anchors the burst's own frame on the steady
// clock (one late answer of the server moves nothing).
// Shown: a thread with its own X connection reads the lyric window's surface
// (GetImage) every 2 ms and counts the pixels in the sung colour. After each
// tick of the program's clock this benchmark notes which syllable the tick
// highlighted; the first read that started after the tick and shows another
// count is when the syllable reached the screen.
// The lag of a syllable is that time minus the time its burst was heard. At
// least 90 % of the song's syllables must be paired (burst heard, highlighted,
// seen on the screen), or the benchmark says which side fell short and exits
// non-zero. Prints the lag's median, p90, maximum and minimum, the part of it
// from the tick to the screen, and how far the player's own heard position
// (what the lyrics follow) was past each syllable at its tick.
#include <pulse/pulseaudio.h>

#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QMainWindow>
#include <QWidget>

#include "bench_support.h"
#include "karaoke/pagestate.h"
#include "lyricwindows/karaoke.h"
#include "platform/media/engine.h"

#include <xcb/xcb.h>

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
    return bs::writeStereo(path, pcm, SF_FORMAT_WAV | SF_FORMAT_PCM_16, kRate);
}

// ---- heard: the sink's monitor ------------------------------------------------

struct Read {
    Clock::time_point end;  // when the read was taken
    double latencyMs;       // the stream's latency right after it (negative: not heard yet)
    std::int64_t frames;    // frames recorded up to its end
};

// The sink's monitor, recorded through PulseAudio's own main loop thread. The
// stream's latency is read with its sign: a null sink renders ahead of time,
// so its monitor holds frames before they are heard (the simple API would
// give 0 for all of those).
class Recorder {
public:
    bool open(std::string& error)
    {
        loop_ = pa_threaded_mainloop_new();
        ctx_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "lyric-lag-heard");
        pa_context_set_state_callback(ctx_, [](pa_context*, void* l) {
            pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(l), 0);
        }, loop_);
        if (pa_context_connect(ctx_, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0 || pa_threaded_mainloop_start(loop_) < 0) {
            error = std::string("no PulseAudio server to record from: ") + pa_strerror(pa_context_errno(ctx_));
            return false;
        }
        pa_threaded_mainloop_lock(loop_);
        pa_context_state_t cs;
        while ((cs = pa_context_get_state(ctx_)) != PA_CONTEXT_READY && PA_CONTEXT_IS_GOOD(cs))
            pa_threaded_mainloop_wait(loop_);
        bool ok = cs == PA_CONTEXT_READY;
        if (ok) {
            const pa_sample_spec format{PA_SAMPLE_S16LE, kRate, 2};
            stream_ = pa_stream_new(ctx_, "monitor", &format, nullptr);
            pa_stream_set_state_callback(stream_, [](pa_stream*, void* l) {
                pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(l), 0);
            }, loop_);
            pa_stream_set_read_callback(stream_, [](pa_stream*, size_t, void* self) {
                static_cast<Recorder*>(self)->take();
            }, this);
            pa_buffer_attr attr{};
            attr.maxlength = uint32_t(-1);
            attr.fragsize = kRate / 200 * 4;  // 5 ms
            const auto flags = pa_stream_flags_t(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE |
                                                 PA_STREAM_ADJUST_LATENCY);
            ok = pa_stream_connect_record(stream_, "@DEFAULT_MONITOR@", &attr, flags) == 0;
            pa_stream_state_t ss;
            while (ok && (ss = pa_stream_get_state(stream_)) != PA_STREAM_READY && PA_STREAM_IS_GOOD(ss))
                pa_threaded_mainloop_wait(loop_);
            ok = ok && pa_stream_get_state(stream_) == PA_STREAM_READY;
        }
        if (!ok)
            error = std::string("the recording stream did not connect: ") + pa_strerror(pa_context_errno(ctx_));
        pa_threaded_mainloop_unlock(loop_);
        return ok;
    }
    void finish()
    {
        if (!loop_)
            return;
        pa_threaded_mainloop_lock(loop_);
        failed = failed || !stream_ || pa_stream_get_state(stream_) != PA_STREAM_READY;
        if (stream_) {
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
        }
        pa_context_disconnect(ctx_);
        pa_context_unref(ctx_);
        pa_threaded_mainloop_unlock(loop_);
        pa_threaded_mainloop_stop(loop_);
        pa_threaded_mainloop_free(loop_);
        loop_ = nullptr;
        stream_ = nullptr;
    }
    ~Recorder() { finish(); }

    std::vector<Read> reads;
    std::vector<std::int64_t> bursts;  // the first frame of each burst
    std::size_t burstRead(std::size_t b) const { return burstReads_[b]; }
    bool failed = false;

private:
    // On the main loop's thread, which holds its lock.
    void take()
    {
        const void* data = nullptr;
        size_t bytes = 0;
        while (pa_stream_readable_size(stream_) > 0 && pa_stream_peek(stream_, &data, &bytes) == 0 && bytes > 0) {
            const std::size_t n = bytes / 4;
            if (!data) {
                ++holes_;  // frames the server lost: they still count
            } else {
                const auto* pcm = static_cast<const std::int16_t*>(data);
                for (std::size_t i = 0; i < n; ++i) {
                    if (std::abs(int(pcm[2 * i])) > 3000) {
                        if (quiet_ > kRate / 20) {
                            bursts.push_back(frames_ + std::int64_t(i));
                            burstReads_.push_back(reads.size());
                        }
                        quiet_ = 0;
                    } else {
                        ++quiet_;
                    }
                }
            }
            frames_ += std::int64_t(n);
            pa_stream_drop(stream_);
        }
        const auto now = Clock::now();
        pa_usec_t usec = 0;
        int negative = 0;
        if (pa_stream_get_latency(stream_, &usec, &negative) == 0)
            reads.push_back({now, (negative ? -1.0 : 1.0) * double(usec) / 1000.0, frames_});
    }

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* ctx_ = nullptr;
    pa_stream* stream_ = nullptr;
    std::int64_t frames_ = 0;
    long quiet_ = kRate;  // frames since the last loud one
    long holes_ = 0;
    std::vector<std::size_t> burstReads_;
};

// When the frame `frame`, recorded by read `at`, was heard: the reads of the 6 s
// around it each say when the recording's frame 0 was heard (the end of the read,
// less the stream's latency, less the frames before it); their median anchors it.
Clock::time_point heardAt(const std::vector<Read>& reads, std::size_t at, std::int64_t frame)
{
    const std::size_t span = 600;  // reads of 5 ms on each side
    at = std::min(at, reads.size() - 1);
    const std::size_t from = at > span ? at - span : 0;
    const std::size_t to = std::min(reads.size(), at + span);
    std::vector<double> zero;
    const Clock::time_point base = reads[at].end;
    for (std::size_t i = from; i < to; ++i)
        zero.push_back(ms(reads[i].end - base) - reads[i].latencyMs - 1000.0 * double(reads[i].frames) / kRate);
    const double z = bs::quantile(zero, 0.5) + 1000.0 * double(frame) / kRate;
    return base + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(z));
}

// ---- shown: the lyric window's pixels ------------------------------------------

struct Look {
    Clock::time_point start, end;  // of the read of the pixels
    long sung;                     // pixels in the sung colour; < 0: not readable
};

class Watcher {
public:
    // The area (x, y, w, h) of X window `window` to read.
    bool start(std::uint32_t window, int x, int y, int w, int h, std::string& error)
    {
        conn_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(conn_)) {
            error = "cannot open the X display a second time to read the window";
            return false;
        }
        window_ = window;
        x_ = x, y_ = y, w_ = w, h_ = h;
        const Look first = look();
        if (first.sung < 0) {
            error = "the lyric window's pixels cannot be read from the X server";
            return false;
        }
        thread_ = std::thread([this] {
            while (!stop_.load()) {
                const Look l = look();
                {
                    std::lock_guard lock(mu_);
                    looks_.push_back(l);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
        return true;
    }
    std::vector<Look> finish()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        if (conn_)
            xcb_disconnect(conn_);
        conn_ = nullptr;
        return looks_;
    }
    ~Watcher() { finish(); }

private:
    // The sung colour is pure red; the text's smoothed edges mix it with the
    // background, so only clearly red pixels count. The window is 24 bits
    // deep: 32-bit pixels, blue in the lowest byte.
    Look look()
    {
        Look l;
        l.start = Clock::now();
        xcb_get_image_reply_t* img = xcb_get_image_reply(
            conn_,
            xcb_get_image(conn_, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, std::int16_t(x_), std::int16_t(y_),
                          std::uint16_t(w_), std::uint16_t(h_), ~0u),
            nullptr);
        l.end = Clock::now();
        l.sung = -1;
        if (!img)
            return l;
        const std::uint8_t* px = xcb_get_image_data(img);
        const int bytes = xcb_get_image_data_length(img);
        if (img->depth == 24 && bytes >= w_ * h_ * 4) {
            l.sung = 0;
            for (int i = 0; i + 3 < bytes; i += 4)
                if (px[i + 2] >= 200 && px[i + 1] <= 90 && px[i] <= 90)
                    ++l.sung;
        }
        std::free(img);
        return l;
    }

    xcb_connection_t* conn_ = nullptr;
    std::uint32_t window_ = 0;
    int x_ = 0, y_ = 0, w_ = 0, h_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mu_;
    std::vector<Look> looks_;
};

// When the highlight of a tick at `tick` reached the screen: the first read
// started after the tick that shows another count than the last read that
// ended before it; false when none within a second.
bool shownAt(const std::vector<Look>& looks, Clock::time_point tick, Clock::time_point& at)
{
    auto it = std::lower_bound(looks.begin(), looks.end(), tick,
                               [](const Look& l, Clock::time_point t) { return l.start < t; });
    if (it == looks.begin())
        return false;
    long before = -1;
    for (auto b = it; b != looks.begin();) {
        --b;
        if (b->end <= tick && b->sung >= 0) {
            before = b->sung;
            break;
        }
    }
    if (before < 0)
        return false;
    for (; it != looks.end() && it->start < tick + std::chrono::seconds(1); ++it)
        if (it->sung >= 0 && it->sung != before) {
            at = it->start + (it->end - it->start) / 2;
            return true;
        }
    return false;
}

int fail(const std::string& why)
{
    std::fprintf(stderr, "cannot measure: %s\n", why.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::max(20.0, std::atof(argv[1])) : 180.0;
    bs::Desktop desktop(true);
    if (!desktop.ok())
        return fail(desktop.error);
    unsetenv("ZUNKARAOKE_AUDIO");
    bs::ProgramFolder folder("heard");
    const auto lines = bs::sungLines(seconds);
    const std::vector<double> times = bs::flatten(lines);
    const std::string song = folder.path("heard song.wav");
    if (!writeClicks(song, seconds, times) || !bs::writeText(folder.path("heard song.syk"), bs::sykLines(lines)))
        return fail("cannot write the song in " + folder.dir.string());

    Recorder recorder;
    std::string error;
    if (!recorder.open(error))
        return fail(error);

    QApplication app(argc, argv);
    Player& p = bs::startPlayer();
    std::printf("on %s\n", desktop.describe().c_str());
    struct Highlight {
        Clock::time_point tick;
        double time;
        double ownLeadMs;  // the player's heard position minus the syllable's time, at the tick
    };
    std::vector<Highlight> ticks;
    double lastTime = -1;
    p.Timer1.onTimer([&] {
        p.Timer1_Timer();
        if (!modIni::IsPlaying || Kar::SykNeedSyllable != -1 || Kar::SykSyllableTime == lastTime)
            return;
        lastTime = Kar::SykSyllableTime;
        ticks.push_back({Clock::now(), lastTime, 1000.0 * (p.ActiveMovie1.CurrentPosition() - lastTime)});
    });

    p.Select_Song.setText(song);
    p.Command_Play.press();
    // The output connects away from the window: it is looked at once it had
    // the time to (the first syllable is seconds in).
    const auto connecting = Clock::now() + std::chrono::seconds(2);
    bs::runUntil([&] { return media::engine().outputKind() == media::OutputKind::Device || Clock::now() > connecting; },
                 10);
    if (!modIni::IsPlaying || !p.HasSyk || media::engine().outputKind() != media::OutputKind::Device)
        return fail("the song did not start on the sound server with its lyrics");
    Karaoke& k = karaoke();
    if (!k.Visible())
        return fail("the lyric window is not shown");
    QWidget* surface = k.clientWidget();
    QMainWindow* top = k.window();
    const QPoint origin = surface->mapTo(top, QPoint(0, 0));
    const double scale = top->devicePixelRatioF();
    Watcher watcher;
    if (!watcher.start(std::uint32_t(top->winId()), int(origin.x() * scale), int(origin.y() * scale), int(surface->width() * scale),
                       int(surface->height() * scale), error))
        return fail(error);

    bs::runUntil([&] { return !modIni::IsPlaying; }, 50);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    recorder.finish();
    const std::vector<Look> looks = watcher.finish();
    bs::closePlayer();
    if (recorder.failed)
        return fail("the recording stream broke off");

    // Bursts to syllables: the offset between the song's time and the heard
    // time is found by vote over the first bursts, then followed burst by burst
    // (an underrun moves it), each burst taking the syllable within 30 ms.
    std::vector<Clock::time_point> heard(times.size());
    std::vector<bool> isHeard(times.size(), false);
    const Clock::time_point t0 = recorder.reads.empty() ? Clock::now() : recorder.reads.front().end;
    std::vector<double> burstMs;
    for (std::size_t b = 0; b < recorder.bursts.size(); ++b)
        burstMs.push_back(ms(heardAt(recorder.reads, recorder.burstRead(b), recorder.bursts[b]) - t0));
    const auto nearest = [&](double songMs) {
        auto it = std::lower_bound(times.begin(), times.end(), songMs / 1000.0);
        std::size_t best = std::size_t(it - times.begin());
        if (it != times.begin() && (it == times.end() || songMs / 1000.0 - *(it - 1) < *it - songMs / 1000.0))
            --best;
        return best;
    };
    double offset = 0;
    std::size_t bestVotes = 0;
    for (std::size_t b = 0; b < std::min<std::size_t>(burstMs.size(), 20); ++b)
        for (std::size_t s = 0; s < std::min<std::size_t>(times.size(), 20); ++s) {
            const double candidate = burstMs[b] - 1000.0 * times[s];
            std::size_t votes = 0;
            for (double h : burstMs) {
                const std::size_t n = nearest(h - candidate);
                votes += n < times.size() && std::abs(h - candidate - 1000.0 * times[n]) < 5.0;
            }
            if (votes > bestVotes)
                bestVotes = votes, offset = candidate;
        }
    for (double h : burstMs) {
        const std::size_t n = nearest(h - offset);
        if (n < times.size() && std::abs(h - offset - 1000.0 * times[n]) < 30.0) {
            offset = h - 1000.0 * times[n];
            heard[n] = t0 + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(h));
            isHeard[n] = true;
        }
    }

    std::vector<double> lags, tickToScreen, leads;
    std::size_t highlighted = 0, shown = 0;
    for (const Highlight& h : ticks) {
        const std::size_t n = nearest(1000.0 * h.time);
        if (n >= times.size() || std::abs(times[n] - h.time) > 1e-6)
            continue;
        ++highlighted;
        Clock::time_point at;
        if (!shownAt(looks, h.tick, at))
            continue;
        ++shown;
        if (!isHeard[n])
            continue;
        lags.push_back(ms(at - heard[n]));
        tickToScreen.push_back(ms(at - h.tick));
        leads.push_back(h.ownLeadMs);
    }
    const std::size_t heardCount = std::size_t(std::count(isHeard.begin(), isHeard.end(), true));
    std::vector<double> anchors;
    for (const Read& r : recorder.reads)
        anchors.push_back(ms(r.end - t0) - r.latencyMs - 1000.0 * double(r.frames) / kRate);
    std::printf("%zu syllables in %zu lines over %.0f s: %zu bursts heard (%zu paired), %zu highlighted, %zu seen on "
                "the screen, %zu paired in all\n",
                times.size(), lines.size(), seconds, recorder.bursts.size(), heardCount, highlighted, shown,
                lags.size());
    std::vector<double> latencies;
    for (const Read& r : recorder.reads)
        latencies.push_back(r.latencyMs);
    std::printf("recording: %zu reads, the stream's latency median %.2f ms (p10 %.2f, p90 %.2f); anchor spread "
                "p10..p90 %.2f ms, p1..p99 %.2f ms; %zu window reads\n",
                anchors.size(), bs::quantile(latencies, 0.5), bs::quantile(latencies, 0.1),
                bs::quantile(latencies, 0.9), bs::quantile(anchors, 0.9) - bs::quantile(anchors, 0.1),
                bs::quantile(anchors, 0.99) - bs::quantile(anchors, 0.01), looks.size());
    if (const char* dump = std::getenv("ZUN_BENCH_READS")) {
        // Each read of the recording: when it returned (ms), the latency the
        // server gave, the frames up to its end; for checking the anchor.
        FILE* f = std::fopen(dump, "w");
        for (const Read& r : recorder.reads)
            if (f)
                std::fprintf(f, "%.3f %.3f %lld\n", ms(r.end - t0), r.latencyMs, static_cast<long long>(r.frames));
        if (f)
            std::fclose(f);
    }
    if (anchors.size() > 4000) {
        const std::vector<double> first(anchors.begin(), anchors.begin() + 2000), last(anchors.end() - 2000, anchors.end());
        std::printf("recording anchor, median of the last 10 s less that of the first 10 s: %.2f ms\n",
                    bs::quantile(last, 0.5) - bs::quantile(first, 0.5));
    }
    std::printf("lag heard -> on the screen (ms): median %.2f  p90 %.2f  max %.2f  min %.2f\n",
                bs::quantile(lags, 0.5), bs::quantile(lags, 0.9), bs::quantile(lags, 1.0), bs::quantile(lags, 0.0));
    std::printf("of which tick -> on the screen (ms): median %.2f  p90 %.2f  max %.2f\n", bs::quantile(tickToScreen, 0.5),
                bs::quantile(tickToScreen, 0.9), bs::quantile(tickToScreen, 1.0));
    std::printf("player's position at the highlighting tick, past the syllable (ms): median %.2f\n",
                bs::quantile(leads, 0.5));
    if (double(lags.size()) < 0.9 * double(times.size())) {
        const char* side = double(heardCount) < 0.9 * double(times.size()) ? "bursts heard in the recording"
                           : double(highlighted) < 0.9 * double(times.size()) ? "syllables highlighted"
                           : double(shown) < 0.9 * double(times.size())       ? "highlights seen on the screen"
                                                                              : "syllables paired";
        return fail("too few " + std::string(side) + ": " + std::to_string(lags.size()) + " of " +
                    std::to_string(times.size()) + " syllables paired, at least 90 % are needed");
    }
    return 0;
}
