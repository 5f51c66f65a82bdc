#include "platform/media/engine.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QCoreApplication>
#include <QIODevice>
#include <QMediaDevices>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

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
    // The device went away while in use and has not come back yet.
    bool deviceLost = false;
    std::function<void()> lostHandler;
    QTimer* deviceRetry = nullptr; // tries the lost device again now and then

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
    static void deviceFailed() { engine().d->outputFailed(false); }
    void restIfIdle();
    void outputFailed(bool simulated);
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
    bool startDevice();
    void stopDevice();
    void stopCurrent();
    void start(OutputKind k);
};

// ---------------------------------------------------------------------------
// Device output: a QAudioSink in pull mode, living on its own thread so that
// the mix never waits on the user-interface thread and vice versa.

namespace {

class PullDevice : public QIODevice {
public:
    PullDevice(AudioEngine::Impl* eng, QAudioFormat::SampleFormat fmt) : eng_(eng), fmt_(fmt)
    {
        scratch_.resize(std::size_t(kMaxBlockFrames) * kChannels);
    }
    // `base`: the engine's frame count when the sink started.
    void setSink(QAudioSink* sink, std::int64_t base)
    {
        sink_ = sink;
        base_ = base;
    }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return QIODevice::bytesAvailable() + (qint64(1) << 30); }

protected:
    qint64 readData(char* data, qint64 maxlen) override
    {
        const int bpf = bytesPerFrame();
        const std::int64_t frames = maxlen / bpf;
        if (frames <= 0)
            return 0;
        char* dst = data;
        eng_->render(frames, scratch_.data(), [&](const float* block, int n) {
            const int samples = n * kChannels;
            if (fmt_ == QAudioFormat::Float) {
                auto* f = reinterpret_cast<float*>(dst);
                for (int i = 0; i < samples; ++i)
                    f[i] = clampSample(block[i]);
            } else {
                auto* s = reinterpret_cast<qint16*>(dst);
                for (int i = 0; i < samples; ++i)
                    s[i] = qint16(std::lrint(clampSample(block[i]) * 32767.0f));
            }
            dst += std::size_t(n) * bpf;
        });
        const std::int64_t r = eng_->rendered.load();
        // The sink's processed time is the sound server's playback clock,
        // which counts the server's own latency too. Without it: in pull mode
        // the sink asks for all the room it has, so after a pull its buffer is
        // full and the listener is one buffer behind.
        const qint64 usecs = sink_ ? sink_->processedUSecs() : 0;
        std::int64_t heard;
        if (usecs > 0)
            heard = base_ + usecs * kSampleRate / 1000000;
        else
            heard = r - (sink_ ? sink_->bufferSize() / bpf : 0);
        eng_->publish(std::min(heard, r), r, true);
        return frames * bpf;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    int bytesPerFrame() const { return kChannels * (fmt_ == QAudioFormat::Float ? 4 : 2); }

    AudioEngine::Impl* eng_;
    QAudioFormat::SampleFormat fmt_;
    QAudioSink* sink_ = nullptr;
    std::int64_t base_ = 0;
    std::vector<float> scratch_;
};

void shutdownAtAppExit()
{
    engine().shutdown();
}

} // namespace

class DeviceOutput {
public:
    explicit DeviceOutput(AudioEngine::Impl* eng) : eng_(eng) {}
    ~DeviceOutput() { stop(); }

    bool start()
    {
        if (!QCoreApplication::instance())
            return false;
        const QAudioDevice dev = QMediaDevices::defaultAudioOutput();
        if (dev.isNull())
            return false;
        QAudioFormat fmt;
        fmt.setSampleRate(kSampleRate);
        fmt.setChannelCount(kChannels);
        fmt.setSampleFormat(QAudioFormat::Float);
        if (!dev.isFormatSupported(fmt)) {
            fmt.setSampleFormat(QAudioFormat::Int16);
            if (!dev.isFormatSupported(fmt))
                return false;
        }
        rootSoundServerLink(dev, fmt);
        thread_ = new QThread;
        thread_->setObjectName(QStringLiteral("zun-audio"));
        thread_->start(QThread::TimeCriticalPriority);
        anchor_ = new QObject;
        anchor_->moveToThread(thread_);
        bool ok = false;
        QMetaObject::invokeMethod(
            anchor_,
            [&] {
                io_ = new PullDevice(eng_, fmt.sampleFormat());
                io_->open(QIODevice::ReadOnly);
                sink_ = new QAudioSink(dev, fmt);
                io_->setSink(sink_, eng_->rendered.load());
                sink_->setBufferSize(fmt.bytesForDuration(qint64(kDeviceBufferMs) * 1000));
                sink_->start(io_);
                ok = sink_->error() == QAudio::NoError && sink_->state() != QAudio::StoppedState;
                if (ok) {
                    QObject::connect(sink_, &QAudioSink::stateChanged, anchor_, [this](QAudio::State st) {
                        if (st == QAudio::StoppedState && sink_ && sink_->error() != QAudio::NoError)
                            failedLater();
                    });
                }
            },
            Qt::BlockingQueuedConnection);
        if (!ok) {
            stop();
            return false;
        }
        return true;
    }

    void stop()
    {
        if (!thread_)
            return;
        QMetaObject::invokeMethod(
            anchor_,
            [this] {
                if (sink_) {
                    sink_->disconnect();
                    sink_->stop();
                }
                delete sink_;
                sink_ = nullptr;
                delete io_;
                io_ = nullptr;
            },
            Qt::BlockingQueuedConnection);
        thread_->quit();
        thread_->wait();
        delete anchor_;
        anchor_ = nullptr;
        delete thread_;
        thread_ = nullptr;
    }

private:
    // Qt's link to the sound server is made by the first stream opened, on
    // that stream's thread, and reconnects after a server restart only from
    // a thread that still runs: one short stream opened here, on the
    // user-interface thread, before any on the audio thread.
    static void rootSoundServerLink(const QAudioDevice& dev, const QAudioFormat& fmt)
    {
        static bool done = false;
        if (done || QThread::currentThread() != QCoreApplication::instance()->thread())
            return;
        done = true;
        QBuffer empty;
        empty.open(QIODevice::ReadOnly);
        QAudioSink probe(dev, fmt);
        probe.start(&empty);
        probe.stop();
    }

    // The device went away while playing (sound server stopped): carry on with
    // the null output so that songs still advance and end.
    void failedLater()
    {
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, [] { AudioEngine::Impl::deviceFailed(); }, Qt::QueuedConnection);
    }

    AudioEngine::Impl* eng_;
    QThread* thread_ = nullptr;
    QObject* anchor_ = nullptr;
    QAudioSink* sink_ = nullptr;
    PullDevice* io_ = nullptr;
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

bool AudioEngine::Impl::startDevice()
{
    device = std::make_unique<DeviceOutput>(this);
    if (!device->start()) {
        device.reset();
        return false;
    }
    static bool routineAdded = false;
    if (!routineAdded) {
        qAddPostRoutine(shutdownAtAppExit);
        routineAdded = true;
    }
    return true;
}

void AudioEngine::Impl::stopDevice()
{
    device.reset();
}

void AudioEngine::Impl::stopCurrent()
{
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
        if (startDevice())
            deviceLost = false;
        else
            k = OutputKind::Null;
    }
    if (k == OutputKind::Null)
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

void AudioEngine::Impl::outputFailed(bool simulated)
{
    std::function<void()> tell;
    {
        std::lock_guard lock(outMu);
        if (kind != OutputKind::Device && !simulated)
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
        tell();
}

// While the device is lost and a song goes on silently, the device is tried
// again every few seconds, so the sound comes back soon after the server does.
void AudioEngine::Impl::watchDevices()
{
    if (!QCoreApplication::instance())
        return;
    if (!deviceRetry) {
        deviceRetry = new QTimer;
        deviceRetry->setInterval(2000);
        QObject::connect(deviceRetry, &QTimer::timeout, [] {
            AudioEngine::Impl& e = *engine().d;
            std::lock_guard lock(e.outMu);
            e.retryDevice();
        });
    }
    deviceRetry->start();
}

// outMu held. From the null output to the device, the listener's place kept.
void AudioEngine::Impl::retryDevice()
{
    if (!deviceLost || kind != OutputKind::Null || wanted != OutputKind::Device) {
        if (deviceRetry && kind != OutputKind::Null)
            deviceRetry->stop();
        return;
    }
    const std::int64_t at = heard();
    stopNull();
    if (startDevice()) {
        deviceLost = false;
        kind = OutputKind::Device;
        deviceRetry->stop();
        return;
    }
    startNull(at);
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

void AudioEngine::setOutputLostHandler(std::function<void()> handler)
{
    std::lock_guard lock(d->outMu);
    d->lostHandler = std::move(handler);
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
