#include "platform/media/engine.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>

#include <pulse/pulseaudio.h>
#include <pulse/rtclock.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

namespace media {

namespace {

using Clock = std::chrono::steady_clock;

// How far ahead of the wall clock the null output renders: like a device's
// buffer, so sources see the same block pattern either way.
constexpr std::int64_t kNullLeadFrames = kSampleRate / 50; // 20 ms
constexpr auto kNullPeriod = std::chrono::milliseconds(10);
// The device's buffer: short, so that what is heard stays close to what was
// rendered (seeks and stops answer quickly), long enough not to starve.
constexpr int kDeviceBufferMs = 80;
// How long every source must have been idle before the output rests: what
// was queued has been heard by then, and the last notes have died away.
constexpr std::int64_t kRestFrames = kSampleRate / 2;
// How long a starting song waits for the device before it goes on with the
// null output (the device takes over when it connects later).
constexpr int kStartWaitMs = 500;
// How often a lost device is tried again.
constexpr int kRetryMs = 2000;

float clampSample(float v)
{
    if (!(v >= -1.0f)) // also catches NaN
        return v != v ? 0.0f : -1.0f;
    return v > 1.0f ? 1.0f : v;
}

bool envForcesNull()
{
    const char* v = std::getenv("ZUNKARAOKE_AUDIO");
    if (!v)
        return false;
    std::string s(v);
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s == "null" || s == "none" || s == "off";
}

} // namespace

class DeviceOutput;

// One connection to the device being made on its own thread.
struct DeviceAttempt {
    std::uint64_t id = 0;
    std::thread thread;
    std::unique_ptr<DeviceOutput> device;
    bool ok = false; // written by the thread before it reports
};

struct AudioEngine::Impl {
    // Held while a block is mixed and while the list of sources changes.
    std::mutex mixMu;
    std::vector<AudioSource*> sources;
    std::atomic<std::int64_t> rendered{0};

    // What the output last said about the listener: heard frame at a moment.
    mutable std::mutex pubMu;
    std::int64_t pubHeard = 0;
    std::int64_t pubRendered = 0;
    Clock::time_point pubTime = Clock::now();
    bool pubRealTime = false; // interpolate between publications
    mutable std::int64_t lastHeard = 0;

    // Output selection (user-interface thread).
    std::mutex outMu;
    OutputKind kind = OutputKind::None;
    // The output to open when woken: Device or Null, None until first chosen.
    OutputKind wanted = OutputKind::None;
    // The device is away (could not be opened, or went away while in use)
    // and has not come back yet; the user has been told.
    bool deviceLost = false;
    std::function<void(SoundLoss)> lostHandler;
    QTimer* deviceRetry = nullptr; // tries the lost device again now and then
    // The connection being made, if any, and whether the null output waits
    // for it before it starts (a song just started).
    std::unique_ptr<DeviceAttempt> attempt;
    std::uint64_t lastAttemptId = 0;
    bool nullWaits = false;

    // Rest (audio thread writes, user-interface thread reads).
    std::atomic<std::int64_t> lastBusy{0};
    std::atomic<bool> mayRest{false};
    std::atomic<bool> restPosted{false};

    // Null output.
    std::thread nullThread;
    std::mutex nullMu;
    std::condition_variable nullCv;
    bool nullStop = false;

    // Device output.
    std::unique_ptr<DeviceOutput> device;

    // Stepped output.
    double stepCarry = 0.0;

    void renderBlock(float* out, int frames)
    {
        std::fill(out, out + std::size_t(frames) * kChannels, 0.0f);
        std::lock_guard lock(mixMu);
        const std::int64_t start = rendered.load(std::memory_order_relaxed);
        bool busy = false;
        for (AudioSource* s : sources) {
            s->mixInto(out, frames, start);
            busy = s->busy() || busy;
        }
        const std::int64_t end = start + frames;
        rendered.store(end, std::memory_order_release);
        if (busy)
            lastBusy.store(end, std::memory_order_relaxed);
        else if (mayRest.load(std::memory_order_relaxed) && end - lastBusy.load(std::memory_order_relaxed) >= kRestFrames &&
                 !restPosted.exchange(true))
            postRest();
    }

    static void postRest();
    static void deviceFailed(std::uint64_t deviceId) { engine().d->outputFailed(false, deviceId); }
    void restIfIdle();
    // outMu held. Starts connecting to the device on a thread of its own.
    void connectDevice();
    // outMu held. Ends the connection being made, if any.
    void cancelAttempt();
    // The connection thread `id` has finished (user-interface thread).
    void attemptFinished(std::uint64_t id);
    // The song that started with connection `id` waited long enough for the
    // device.
    void startWaitOver(std::uint64_t id);
    // `deviceId`: the device output that reported the loss (0: simulated).
    void outputFailed(bool simulated, std::uint64_t deviceId = 0);
    void watchDevices();
    void retryDevice();

    // Renders `frames` frames in blocks of at most kMaxBlockFrames; `sink`
    // receives each block.
    template <class Sink>
    void render(std::int64_t frames, float* scratch, Sink&& sink)
    {
        while (frames > 0) {
            const int n = int(std::min<std::int64_t>(frames, kMaxBlockFrames));
            renderBlock(scratch, n);
            sink(scratch, n);
            frames -= n;
        }
    }

    void publish(std::int64_t heard, std::int64_t renderedNow, bool realTime)
    {
        std::lock_guard lock(pubMu);
        pubHeard = std::max<std::int64_t>(0, heard);
        pubRendered = renderedNow;
        pubTime = Clock::now();
        pubRealTime = realTime;
    }

    std::int64_t heard() const
    {
        std::lock_guard lock(pubMu);
        std::int64_t r = rendered.load(std::memory_order_acquire);
        std::int64_t h;
        if (!pubRealTime) {
            h = r;
        } else {
            const double secs = std::chrono::duration<double>(Clock::now() - pubTime).count();
            h = pubHeard + std::int64_t(secs * kSampleRate);
            h = std::min(h, pubRendered);
        }
        h = std::clamp<std::int64_t>(h, 0, r);
        // A new publication can start slightly behind the previous
        // interpolation; the listener's clock never runs backwards.
        if (h < lastHeard)
            h = std::min(lastHeard, r);
        lastHeard = h;
        return h;
    }

    // `from`: the frame the listener is at (-1: the rendered end), so that a
    // null output taking over goes on from where the listener was.
    void startNull(std::int64_t from = -1);
    void stopNull();
    void stopDevice();
    void stopCurrent();
    void start(OutputKind k);
};

// ---------------------------------------------------------------------------
// Device output: our own PulseAudio client. Its threaded mainloop is the audio
// thread: the server asks for data, the write callback mixes it. Each start
// makes a fresh context, so a server that was restarted (at any time, after
// any pause) is simply connected to again.

namespace {

void shutdownAtAppExit()
{
    engine().shutdown();
}

// How long a start may wait for the server before giving up (a server that
// hangs must not hang the player).
constexpr pa_usec_t kConnectTimeoutUs = 2 * PA_USEC_PER_SEC;

std::string clientName()
{
    std::string name;
    if (QCoreApplication::instance())
        name = QCoreApplication::applicationName().toStdString();
    return name.empty() ? std::string("zunkaraoke") : name;
}

} // namespace

class DeviceOutput {
public:
    // Made on the user-interface thread; start() may run on another one.
    explicit DeviceOutput(AudioEngine::Impl* eng) : eng_(eng), id_(++lastId_), name_(clientName())
    {
        scratch_.resize(std::size_t(kMaxBlockFrames) * kChannels);
    }
    ~DeviceOutput() { stop(); }

    // Which output this is, so that a late failure report of an output already
    // replaced is told apart from one about the current output.
    std::uint64_t id() const { return id_; }

    bool start()
    {
        if (!QCoreApplication::instance())
            return false;
        ml_ = pa_threaded_mainloop_new();
        if (!ml_)
            return false;
        pa_threaded_mainloop_set_name(ml_, "zun-audio");
        bool cancelled = false;
        {
            std::lock_guard lock(cancelMu_);
            cancelled = cancelled_;
            mlReady_ = !cancelled;
        }
        if (cancelled)
            return stopAndFail();
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(ml_);
        ctx_ = pa_context_new(api, name_.c_str());
        if (!ctx_)
            return stopAndFail();
        pa_context_set_state_callback(ctx_, &DeviceOutput::onContextState, this);
        // No autospawn: the periodic retries while the server is away must
        // not start servers of their own.
        if (pa_context_connect(ctx_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
            pa_threaded_mainloop_start(ml_) < 0)
            return stopAndFail();
        pa_threaded_mainloop_lock(ml_);
        pa_time_event* timeout = pa_context_rttime_new(ctx_, pa_rtclock_now() + kConnectTimeoutUs,
                                                       &DeviceOutput::onTimeout, this);
        bool ok = waitFor([this] {
            const pa_context_state_t st = pa_context_get_state(ctx_);
            return st == PA_CONTEXT_READY ? 1 : PA_CONTEXT_IS_GOOD(st) ? 0 : -1;
        });
        if (ok)
            ok = connectStream();
        if (ok)
            ok = waitFor([this] {
                const pa_stream_state_t st = pa_stream_get_state(stream_);
                return st == PA_STREAM_READY ? 1 : PA_STREAM_IS_GOOD(st) ? 0 : -1;
            });
        if (timeout)
            api->time_free(timeout);
        if (ok)
            running_ = true;
        pa_threaded_mainloop_unlock(ml_);
        if (!ok)
            return stopAndFail();
        return true;
    }

    // Any thread: a start() under way gives up at once.
    void cancel()
    {
        std::lock_guard lock(cancelMu_);
        cancelled_ = true;
        if (mlReady_) {
            pa_threaded_mainloop_lock(ml_);
            pa_threaded_mainloop_signal(ml_, 0);
            pa_threaded_mainloop_unlock(ml_);
        }
    }

    // User-interface thread, after a successful start(): from now on the mix
    // goes to the device. The data the server asked for meanwhile is written
    // now. False when the stream failed in between.
    bool activate()
    {
        pa_threaded_mainloop_lock(ml_);
        const bool good = stream_ && PA_STREAM_IS_GOOD(pa_stream_get_state(stream_)) &&
                          PA_CONTEXT_IS_GOOD(pa_context_get_state(ctx_));
        if (good) {
            active_ = true;
            const std::size_t n = pa_stream_writable_size(stream_);
            if (n != std::size_t(-1) && n > 0)
                write(n);
        }
        pa_threaded_mainloop_unlock(ml_);
        return good;
    }

    // Closes the stream and the context and ends the audio thread: nothing
    // wakes the process up any more.
    void stop()
    {
        {
            std::lock_guard lock(cancelMu_);
            mlReady_ = false;
        }
        if (!ml_)
            return;
        pa_threaded_mainloop_lock(ml_);
        running_ = false;
        if (stream_) {
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            pa_stream_set_write_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
            stream_ = nullptr;
        }
        if (ctx_) {
            pa_context_set_state_callback(ctx_, nullptr, nullptr);
            pa_context_disconnect(ctx_);
            pa_context_unref(ctx_);
            ctx_ = nullptr;
        }
        pa_threaded_mainloop_unlock(ml_);
        pa_threaded_mainloop_stop(ml_);
        pa_threaded_mainloop_free(ml_);
        ml_ = nullptr;
    }

private:
    bool stopAndFail()
    {
        stop();
        return false;
    }

    // Mainloop locked. Waits until `state` says 1 (there) or -1 (failed).
    template <class State>
    bool waitFor(State&& state)
    {
        for (;;) {
            const int st = state();
            if (st != 0)
                return st > 0;
            if (timedOut_ || cancelled_)
                return false;
            pa_threaded_mainloop_wait(ml_);
        }
    }

    // Mainloop locked.
    bool connectStream()
    {
        const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, std::uint32_t(kSampleRate), std::uint8_t(kChannels)};
        stream_ = pa_stream_new(ctx_, name_.c_str(), &format, nullptr);
        if (!stream_)
            return false;
        pa_stream_set_state_callback(stream_, &DeviceOutput::onStreamState, this);
        pa_stream_set_write_callback(stream_, &DeviceOutput::onWrite, this);
        // The whole way to the listener (our queue and the sink's own) is
        // kept near the buffer's length: what is heard stays close to what
        // was rendered, so seeks and stops answer quickly.
        pa_buffer_attr attr;
        attr.maxlength = std::uint32_t(-1);
        attr.tlength = std::uint32_t(pa_usec_to_bytes(pa_usec_t(kDeviceBufferMs) * PA_USEC_PER_MSEC, &format));
        attr.prebuf = std::uint32_t(-1);
        attr.minreq = std::uint32_t(-1);
        attr.fragsize = std::uint32_t(-1);
        tlengthFrames_ = std::int64_t(attr.tlength / pa_frame_size(&format));
        const auto flags = pa_stream_flags_t(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE |
                                             PA_STREAM_ADJUST_LATENCY);
        return pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) == 0;
    }

    // Audio thread: the server wants `nbytes` more. Until the engine hands
    // the mix over (activate), the request waits.
    void write(std::size_t nbytes)
    {
        if (!active_)
            return;
        constexpr std::size_t bpf = sizeof(float) * kChannels;
        while (nbytes >= bpf) {
            void* data = nullptr;
            std::size_t len = nbytes;
            if (pa_stream_begin_write(stream_, &data, &len) < 0 || !data || len < bpf)
                return;
            len -= len % bpf;
            auto* dst = static_cast<float*>(data);
            eng_->render(std::int64_t(len / bpf), scratch_.data(), [&](const float* block, int n) {
                const int samples = n * kChannels;
                for (int i = 0; i < samples; ++i)
                    dst[i] = clampSample(block[i]);
                dst += samples;
            });
            if (pa_stream_write(stream_, data, len, nullptr, 0, PA_SEEK_RELATIVE) < 0)
                return;
            nbytes -= std::min(nbytes, len);
        }
        publishHeard();
    }

    // The listener is behind the rendered end by the stream's latency: what
    // waits in the server's queue and in the sink.
    void publishHeard()
    {
        const std::int64_t r = eng_->rendered.load();
        std::int64_t heard;
        pa_usec_t usec = 0;
        int negative = 0;
        if (pa_stream_get_latency(stream_, &usec, &negative) == 0) {
            const std::int64_t lag = std::int64_t(usec) * kSampleRate / 1000000;
            heard = negative ? r + lag : r - lag;
        } else {
            // No timing from the server yet: the queue has just been filled.
            heard = r - tlengthFrames_;
        }
        eng_->publish(std::min(heard, r), r, true);
    }

    // The server went away or dropped the stream while in use: carry on with
    // the null output so that songs still advance and end.
    void failed()
    {
        if (!running_ || reported_)
            return;
        reported_ = true;
        if (QCoreApplication* app = QCoreApplication::instance()) {
            const std::uint64_t id = id_;
            QMetaObject::invokeMethod(app, [id] { AudioEngine::Impl::deviceFailed(id); }, Qt::QueuedConnection);
        }
    }

    static void onContextState(pa_context* c, void* self)
    {
        auto* d = static_cast<DeviceOutput*>(self);
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(c)))
            d->failed();
        pa_threaded_mainloop_signal(d->ml_, 0);
    }
    static void onStreamState(pa_stream* s, void* self)
    {
        auto* d = static_cast<DeviceOutput*>(self);
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(s)))
            d->failed();
        pa_threaded_mainloop_signal(d->ml_, 0);
    }
    static void onWrite(pa_stream*, std::size_t nbytes, void* self) { static_cast<DeviceOutput*>(self)->write(nbytes); }
    static void onTimeout(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self)
    {
        auto* d = static_cast<DeviceOutput*>(self);
        d->timedOut_ = true;
        pa_threaded_mainloop_signal(d->ml_, 0);
    }

    static inline std::atomic<std::uint64_t> lastId_{0};

    AudioEngine::Impl* eng_;
    const std::uint64_t id_;
    const std::string name_;
    pa_threaded_mainloop* ml_ = nullptr;
    pa_context* ctx_ = nullptr;
    pa_stream* stream_ = nullptr;
    std::int64_t tlengthFrames_ = 0;
    std::vector<float> scratch_;
    // Under the mainloop's lock.
    bool running_ = false;
    bool reported_ = false;
    bool timedOut_ = false;
    bool active_ = false;
    // A start() under way may be cancelled from another thread.
    std::mutex cancelMu_;
    std::atomic<bool> cancelled_{false};
    bool mlReady_ = false; // under cancelMu_: ml_ may be locked and signalled
};

// ---------------------------------------------------------------------------

void AudioEngine::Impl::startNull(std::int64_t from)
{
    {
        std::lock_guard lock(nullMu);
        nullStop = false;
    }
    nullThread = std::thread([this, from] {
        std::vector<float> scratch(std::size_t(kMaxBlockFrames) * kChannels);
        const auto t0 = Clock::now();
        const std::int64_t base = from >= 0 ? std::min(from, rendered.load()) : rendered.load();
        std::unique_lock lock(nullMu);
        while (!nullStop) {
            lock.unlock();
            const double secs = std::chrono::duration<double>(Clock::now() - t0).count();
            const std::int64_t now = base + std::int64_t(secs * kSampleRate);
            const std::int64_t todo = now + kNullLeadFrames - rendered.load();
            if (todo > 0)
                render(todo, scratch.data(), [](const float*, int) {});
            publish(now, rendered.load(), true);
            lock.lock();
            nullCv.wait_for(lock, kNullPeriod, [this] { return nullStop; });
        }
    });
}

void AudioEngine::Impl::stopNull()
{
    if (!nullThread.joinable())
        return;
    {
        std::lock_guard lock(nullMu);
        nullStop = true;
    }
    nullCv.notify_all();
    nullThread.join();
}

void AudioEngine::Impl::connectDevice()
{
    if (attempt)
        return;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    static bool routineAdded = false;
    if (!routineAdded) {
        // A connection under way or a device open is closed with the
        // application object.
        qAddPostRoutine(shutdownAtAppExit);
        routineAdded = true;
    }
    attempt = std::make_unique<DeviceAttempt>();
    DeviceAttempt* a = attempt.get();
    a->id = ++lastAttemptId;
    a->device = std::make_unique<DeviceOutput>(this);
    a->thread = std::thread([a, app] {
        a->ok = a->device->start();
        const std::uint64_t id = a->id;
        QMetaObject::invokeMethod(app, [id] { engine().d->attemptFinished(id); }, Qt::QueuedConnection);
    });
}

void AudioEngine::Impl::cancelAttempt()
{
    if (!attempt)
        return;
    attempt->device->cancel();
    attempt->thread.join();
    attempt.reset();
}

void AudioEngine::Impl::attemptFinished(std::uint64_t id)
{
    std::function<void(SoundLoss)> tell;
    {
        std::lock_guard lock(outMu);
        if (!attempt || attempt->id != id)
            return; // cancelled meanwhile
        attempt->thread.join();
        std::unique_ptr<DeviceOutput> dev = std::move(attempt->device);
        const bool ok = attempt->ok;
        attempt.reset();
        if (kind != OutputKind::Null || wanted != OutputKind::Device)
            return; // the output was stopped or chosen otherwise meanwhile
        if (ok) {
            // From the null output (or from a song that waited) to the
            // device: the listener goes on from where the null output was.
            stopNull();
            nullWaits = false;
            if (dev->activate()) {
                device = std::move(dev);
                kind = OutputKind::Device;
                deviceLost = false;
                if (deviceRetry)
                    deviceRetry->stop();
                lastBusy.store(rendered.load());
                mayRest.store(true);
                return;
            }
        }
        dev.reset();
        if (nullWaits || !nullThread.joinable()) {
            nullWaits = false;
            startNull();
        }
        if (!deviceLost) {
            deviceLost = true;
            tell = lostHandler;
        }
        watchDevices();
    }
    if (tell)
        tell(SoundLoss::Unavailable);
}

void AudioEngine::Impl::startWaitOver(std::uint64_t id)
{
    std::lock_guard lock(outMu);
    if (!nullWaits || kind != OutputKind::Null || !attempt || attempt->id != id)
        return;
    nullWaits = false;
    startNull();
}

void AudioEngine::Impl::stopDevice()
{
    device.reset();
}

void AudioEngine::Impl::stopCurrent()
{
    cancelAttempt();
    nullWaits = false;
    stopNull();
    stopDevice();
    // Whatever was queued is gone or heard: the listener is at the rendered end.
    const std::int64_t r = rendered.load();
    publish(r, r, false);
    mayRest.store(false);
    kind = OutputKind::None;
}

void AudioEngine::Impl::start(OutputKind k)
{
    stopCurrent();
    if (k == OutputKind::Device) {
        // The null output stands in until the device is there; the song
        // waits for it a moment first, so that its beginning is heard.
        k = OutputKind::Null;
        connectDevice();
        if (attempt) {
            nullWaits = true;
            const std::uint64_t id = attempt->id;
            if (QCoreApplication* app = QCoreApplication::instance())
                QTimer::singleShot(kStartWaitMs, app, [id] { engine().d->startWaitOver(id); });
        }
    }
    if (k == OutputKind::Null && !nullWaits)
        startNull();
    if (k == OutputKind::Stepped)
        stepCarry = 0.0;
    // A fresh output counts as busy, so it runs at least until the sources
    // have had their say.
    lastBusy.store(rendered.load());
    restPosted.store(false);
    mayRest.store(k == OutputKind::Device || k == OutputKind::Null);
    kind = k;
}

void AudioEngine::Impl::postRest()
{
    // Closing the output is the user-interface thread's work; without an
    // application object (command-line tools) the output simply keeps running.
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [] { engine().d->restIfIdle(); }, Qt::QueuedConnection);
}

void AudioEngine::Impl::restIfIdle()
{
    std::lock_guard lock(outMu);
    restPosted.store(false);
    if (kind != OutputKind::Device && kind != OutputKind::Null)
        return;
    if (rendered.load() - lastBusy.load() < kRestFrames)
        return; // woken meanwhile
    stopCurrent();
}

void AudioEngine::Impl::outputFailed(bool simulated, std::uint64_t deviceId)
{
    std::function<void(SoundLoss)> tell;
    {
        std::lock_guard lock(outMu);
        if (!simulated && (kind != OutputKind::Device || !device || device->id() != deviceId))
            return; // a late report of a device already replaced
        if (kind == OutputKind::Device) {
            // The listener heard up to here; what the server still held is
            // lost, and the song goes on from this point in real time.
            const std::int64_t at = heard();
            stopDevice();
            startNull(at);
            kind = OutputKind::Null;
            lastBusy.store(rendered.load());
            mayRest.store(true);
        }
        if (!deviceLost) {
            deviceLost = true;
            tell = lostHandler;
        }
        watchDevices();
    }
    if (tell)
        tell(SoundLoss::Lost);
}

// While the device is lost and a song goes on silently, the device is tried
// again every few seconds, so the sound comes back soon after the server does.
void AudioEngine::Impl::watchDevices()
{
    if (!QCoreApplication::instance())
        return;
    if (!deviceRetry) {
        deviceRetry = new QTimer;
        deviceRetry->setInterval(kRetryMs);
        QObject::connect(deviceRetry, &QTimer::timeout, [] {
            AudioEngine::Impl& e = *engine().d;
            std::lock_guard lock(e.outMu);
            e.retryDevice();
        });
    }
    deviceRetry->start();
}

// outMu held. Connects to the device again, away from this thread; the null
// output goes on until it is there (attemptFinished).
void AudioEngine::Impl::retryDevice()
{
    if (!deviceLost || kind != OutputKind::Null || wanted != OutputKind::Device) {
        if (deviceRetry && kind != OutputKind::Null)
            deviceRetry->stop();
        return;
    }
    connectDevice();
}

// ---------------------------------------------------------------------------

AudioEngine::AudioEngine() : d(std::make_unique<Impl>()) {}

AudioEngine::~AudioEngine()
{
    std::lock_guard lock(d->outMu);
    d->stopCurrent();
}

void AudioEngine::addSource(AudioSource* source)
{
    if (!source)
        return;
    {
        std::lock_guard lock(d->mixMu);
        if (std::find(d->sources.begin(), d->sources.end(), source) == d->sources.end())
            d->sources.push_back(source);
    }
    wake();
}

void AudioEngine::wake()
{
    std::lock_guard lock(d->outMu);
    d->lastBusy.store(d->rendered.load());
    if (d->wanted == OutputKind::None) {
        const bool null = envForcesNull() || !QCoreApplication::instance();
        d->wanted = null ? OutputKind::Null : OutputKind::Device;
    }
    if (d->kind == OutputKind::None) {
        d->start(d->wanted);
        if (d->deviceLost && d->kind == OutputKind::Null)
            d->watchDevices();
    } else {
        d->retryDevice();
    }
}

void AudioEngine::setOutputLostHandler(std::function<void(SoundLoss)> handler)
{
    std::lock_guard lock(d->outMu);
    d->lostHandler = std::move(handler);
}

bool AudioEngine::connecting() const
{
    std::lock_guard lock(d->outMu);
    return d->attempt != nullptr;
}

void AudioEngine::simulateOutputLost()
{
    d->outputFailed(true);
}

void AudioEngine::removeSource(AudioSource* source)
{
    std::lock_guard lock(d->mixMu);
    d->sources.erase(std::remove(d->sources.begin(), d->sources.end(), source), d->sources.end());
}

std::int64_t AudioEngine::renderedFrames() const
{
    return d->rendered.load(std::memory_order_acquire);
}

std::int64_t AudioEngine::heardFrames() const
{
    return d->heard();
}

OutputKind AudioEngine::outputKind() const
{
    std::lock_guard lock(d->outMu);
    return d->kind;
}

void AudioEngine::setOutput(OutputKind kind)
{
    std::lock_guard lock(d->outMu);
    if (kind == OutputKind::Device || kind == OutputKind::Null)
        d->wanted = kind;
    // Another output chosen on purpose: what was said about the device no
    // longer holds, and the next trouble with it is said again.
    if (kind == OutputKind::Null || kind == OutputKind::Stepped)
        d->deviceLost = false;
    if (kind == d->kind)
        return;
    if (kind == OutputKind::None)
        d->stopCurrent();
    else
        d->start(kind);
}

std::vector<float> AudioEngine::step(double ms)
{
    {
        std::lock_guard lock(d->outMu);
        if (d->kind != OutputKind::Stepped || !(ms > 0.0))
            return {};
    }
    d->stepCarry += ms * kSampleRate / 1000.0;
    const double whole = std::floor(d->stepCarry);
    d->stepCarry -= whole;
    return stepFrames(int(whole));
}

std::vector<float> AudioEngine::stepFrames(int frames)
{
    {
        std::lock_guard lock(d->outMu);
        if (d->kind != OutputKind::Stepped || frames <= 0)
            return {};
    }
    std::vector<float> mix(std::size_t(frames) * kChannels);
    float* dst = mix.data();
    std::vector<float> scratch(std::size_t(kMaxBlockFrames) * kChannels);
    d->render(frames, scratch.data(), [&](const float* block, int n) {
        std::copy(block, block + std::size_t(n) * kChannels, dst);
        dst += std::size_t(n) * kChannels;
    });
    const std::int64_t r = d->rendered.load();
    d->publish(r, r, false);
    return mix;
}

void AudioEngine::shutdown()
{
    std::lock_guard lock(d->outMu);
    d->stopCurrent();
}

AudioEngine& engine()
{
    // Never destroyed: windows that own players may be torn down during the
    // program's exit after any static engine would already be gone. The
    // device is closed with the application object (see startDevice).
    static AudioEngine* instance = new AudioEngine;
    return *instance;
}

void useSteppedOutput()
{
    engine().setOutput(OutputKind::Stepped);
}

void useNullOutput()
{
    engine().setOutput(OutputKind::Null);
}

} // namespace media
