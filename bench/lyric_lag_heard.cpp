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
// .syk file has the shape of a sung song (verses of lines of 4 to 11
// syllables, breaks between them, a few hundred syllables).
//
// Heard: the recorder times each read of the monitor. The frame a read ends on
// was heard (left the sink) the stream's latency, as the server reports it
// right after the read, before the read returned; the median of that over the
// reads of the 6 seconds around a burst anchors the burst's own frame on the
// steady clock (one late answer of the server moves nothing).
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
#include <pulse/error.h>
#include <pulse/simple.h>

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
    Clock::time_point end;  // when the read returned
    double latencyMs;       // the stream's latency right after it
    std::int64_t frames;    // frames recorded up to its end
};

class Recorder {
public:
    bool open(std::string& error)
    {
        pa_sample_spec format{PA_SAMPLE_S16LE, kRate, 2};
        pa_buffer_attr attr{};
        attr.maxlength = uint32_t(-1);
        attr.fragsize = kRate / 200 * 4;  // 5 ms
        int err = 0;
        rec_ = pa_simple_new(nullptr, "lyric-lag-heard", PA_STREAM_RECORD, "@DEFAULT_MONITOR@", "monitor", &format,
                             nullptr, &attr, &err);
        if (!rec_)
            error = std::string("the recording stream did not connect: ") + pa_strerror(err);
        return rec_ != nullptr;
    }
    void start()
    {
        thread_ = std::thread([this] { run(); });
    }
    void finish()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        if (rec_)
            pa_simple_free(rec_);
        rec_ = nullptr;
    }
    ~Recorder() { finish(); }

    std::vector<Read> reads;
    std::vector<std::int64_t> bursts;  // the first frame of each burst
    std::size_t burstRead(std::size_t b) const { return burstReads_[b]; }
    bool failed = false;

private:
    void run()
    {
        std::vector<std::int16_t> buf(kRate / 200 * 2);
        std::int64_t frames = 0;
        long quiet = kRate;  // frames since the last loud one
        int err = 0;
        while (!stop_.load()) {
            if (pa_simple_read(rec_, buf.data(), buf.size() * 2, &err) < 0) {
                failed = true;
                break;
            }
            const auto now = Clock::now();
            const pa_usec_t latency = pa_simple_get_latency(rec_, &err);
            const std::size_t n = buf.size() / 2;
            for (std::size_t i = 0; i < n; ++i) {
                if (std::abs(int(buf[2 * i])) > 3000) {
                    if (quiet > kRate / 20) {
                        bursts.push_back(frames + std::int64_t(i));
                        burstReads_.push_back(reads.size());
                    }
                    quiet = 0;
                } else {
                    ++quiet;
                }
            }
            frames += std::int64_t(n);
            reads.push_back({now, double(latency) / 1000.0, frames});
        }
    }

    pa_simple* rec_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::vector<std::size_t> burstReads_;
};

// When the frame `frame`, recorded by read `at`, was heard: the reads of the 6 s
// around it each say when the recording's frame 0 was heard (the end of the read,
// less the stream's latency, less the frames before it); their median anchors it.
Clock::time_point heardAt(const std::vector<Read>& reads, std::size_t at, std::int64_t frame)
{
    const std::size_t span = 600;  // reads of 5 ms on each side
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

    recorder.start();
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
    std::printf("recording anchor over %zu reads: spread p10..p90 %.2f ms, p1..p99 %.2f ms; %zu window reads\n",
                anchors.size(), bs::quantile(anchors, 0.9) - bs::quantile(anchors, 0.1),
                bs::quantile(anchors, 0.99) - bs::quantile(anchors, 0.01), looks.size());
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
