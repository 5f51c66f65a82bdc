#include "platform/media/mediaplayer.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <vector>

#include "platform/files/language.h"
#include "platform/media/audio_source.h"
#include "platform/media/engine.h"
#include "platform/media/playclock.h"

namespace media {

namespace {

constexpr long kMinVolume = -4500;
constexpr long kMaxVolume = 0;
// Gain changes (volume, mute) glide over 10 ms instead of clicking.
constexpr float kGainStep = 1.0f / (kSampleRate / 100);
// Samples read from the file per decode call, whatever the channel count.
constexpr int kDecodeSamples = 8192;

struct OpenResult {
    SNDFILE* file = nullptr;
    SF_INFO info{};
    std::string error;
};

std::string fileLabel(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

std::string cannotPlay(const std::string& path)
{
    return language::say("Lecture impossible de " + fileLabel(path) + " : ", "Cannot play " + fileLabel(path) + ": ");
}

// Opens an audio file and checks that it holds something playable. Only
// regular files are opened: a FIFO or a device would block the caller.
OpenResult openAudio(const std::string& path)
{
    OpenResult r;
    std::error_code ec;
    if (path.empty()) {
        r.error = language::say("Aucun nom de fichier.", "No file name.");
        return r;
    }
    if (!std::filesystem::exists(path, ec)) {
        r.error = language::say("Fichier introuvable : ", "File not found: ") + fileLabel(path);
        return r;
    }
    if (!std::filesystem::is_regular_file(path, ec)) {
        r.error = language::say("Ce n'est pas un fichier : ", "Not a file: ") + fileLabel(path);
        return r;
    }
    r.file = sf_open(path.c_str(), SFM_READ, &r.info);
    if (!r.file) {
        // The file is there (checked above): for one it cannot make sense of,
        // the decoder may say "does not exist", which would mislead the user.
        // The decoder's own texts are English only: the reason is said here,
        // in the program's language.
        std::string why;
        switch (sf_error(nullptr)) {
        case SF_ERR_SYSTEM:
            why = language::say("le fichier ne peut pas être lu.", "the file cannot be read.");
            break;
        case SF_ERR_MALFORMED_FILE:
            why = language::say("le fichier est endommagé.", "the file is damaged.");
            break;
        case SF_ERR_UNSUPPORTED_ENCODING:
            why = language::say("son codage n'est pas pris en charge.", "its encoding is not supported.");
            break;
        default:
            why = language::say("ce n'est pas un fichier son lisible, ou il est endommagé.",
                                "not a sound file that can be read, or a damaged one.");
            break;
        }
        r.error = cannotPlay(path) + why;
        return r;
    }
    const SF_INFO& i = r.info;
    if (i.channels < 1 || i.samplerate < 1000 || i.samplerate > 1000000 || i.frames <= 0 ||
        i.frames >= SF_COUNT_MAX / 2) {
        sf_close(r.file);
        r.file = nullptr;
        r.error = cannotPlay(path) + language::say("le fichier ne contient pas de son.", "no audio in the file.");
    }
    return r;
}

} // namespace

// The player's state, shared between the user-interface thread (the control's
// members) and the audio thread (mixInto). Everything below `mu` is guarded by
// it; the audio thread holds it while it decodes one block.
struct MediaPlayer::Impl : AudioSource {
    // User-interface thread only.
    std::string fileName;
    std::string error;
    bool autoStart = true;
    bool mute = false;
    long volume = 0;
    bool registered = false;

    mutable std::mutex mu;
    SNDFILE* file = nullptr;
    int fileRate = kSampleRate;
    int fileChannels = 2;
    std::int64_t totalFrames = 0; // as the header says
    double duration = 0.0;
    bool playing = false;
    bool paused = false;
    bool ended = false;
    bool seekPending = false;
    double seekTo = 0.0; // file frames
    float gainTarget = 1.0f;
    float gain = 1.0f;
    PlayClock clock; // seconds of the song

    // Decoder (audio thread, under mu). `prev` and `next` are the file frames
    // around the read position prevIdx + frac.
    std::vector<float> raw;   // interleaved, fileChannels
    std::vector<float> dec;   // stereo
    int decodeFrames = 0;
    int decPos = 0;
    int decLen = 0;
    std::int64_t fetchIdx = 0; // file frame that the next fetch returns
    std::int64_t endFrame = 0; // where the song really ends
    std::int64_t prevIdx = 0;
    float prevL = 0, prevR = 0, nextL = 0, nextR = 0;
    double frac = 0.0;

    ~Impl() override
    {
        if (file)
            sf_close(file);
    }

    // --- audio thread ------------------------------------------------------

    bool fetch(float& l, float& r)
    {
        if (decPos >= decLen) {
            const std::int64_t want = std::min<std::int64_t>(decodeFrames, endFrame - fetchIdx);
            if (want <= 0)
                return false;
            const sf_count_t got = sf_readf_float(file, raw.data(), want);
            if (got <= 0) {
                // The file is shorter than its header said.
                endFrame = fetchIdx;
                return false;
            }
            for (sf_count_t f = 0; f < got; ++f) {
                const float* in = &raw[std::size_t(f) * fileChannels];
                dec[std::size_t(f) * 2] = in[0];
                dec[std::size_t(f) * 2 + 1] = fileChannels > 1 ? in[1] : in[0];
            }
            decPos = 0;
            decLen = int(got);
        }
        l = dec[std::size_t(decPos) * 2];
        r = dec[std::size_t(decPos) * 2 + 1];
        ++decPos;
        ++fetchIdx;
        return true;
    }

    // Positions the decoder at file frame `pos`; false at or past the end.
    bool seekDecoder(double pos)
    {
        endFrame = totalFrames;
        const std::int64_t i = std::int64_t(std::floor(pos));
        if (i < 0 || i >= endFrame)
            return false;
        if (sf_seek(file, i, SEEK_SET) < 0)
            return false;
        decPos = decLen = 0;
        fetchIdx = i;
        if (!fetch(prevL, prevR))
            return false;
        prevIdx = i;
        frac = pos - double(i);
        if (!fetch(nextL, nextR)) {
            nextL = prevL;
            nextR = prevR;
        }
        return true;
    }

    void finish(std::int64_t engineStart, int frames, double posStart)
    {
        playing = false;
        ended = true;
        clock.note(engineStart, std::max(frames, 1), posStart, duration);
    }

    void mixInto(float* out, int frames, std::int64_t startFrame) override
    {
        std::lock_guard lock(mu);
        if (!file || !playing) {
            gain = gainTarget;
            return;
        }
        if (seekPending) {
            seekPending = false;
            if (!seekDecoder(seekTo)) {
                finish(startFrame, 0, seekTo / fileRate);
                return;
            }
        }
        const double step = double(fileRate) / kSampleRate;
        const double posStart = (double(prevIdx) + frac) / fileRate;
        int n = 0;
        bool reachedEnd = prevIdx >= endFrame;
        while (n < frames && !reachedEnd) {
            if (gain != gainTarget)
                gain += std::clamp(gainTarget - gain, -kGainStep, kGainStep);
            const float t = float(frac);
            out[2 * n] += (prevL + (nextL - prevL) * t) * gain;
            out[2 * n + 1] += (prevR + (nextR - prevR) * t) * gain;
            ++n;
            frac += step;
            while (frac >= 1.0) {
                frac -= 1.0;
                if (++prevIdx >= endFrame) {
                    reachedEnd = true;
                    break;
                }
                prevL = nextL;
                prevR = nextR;
                // At the last frame, or when the data stops early (fetch then
                // moves endFrame), hold the last sample.
                if (prevIdx + 1 >= endFrame || !fetch(nextL, nextR)) {
                    nextL = prevL;
                    nextR = prevR;
                }
            }
        }
        if (reachedEnd) {
            finish(startFrame, n, posStart);
            return;
        }
        clock.note(startFrame, n, posStart, (double(prevIdx) + frac) / fileRate);
    }

    bool busy() override
    {
        std::lock_guard lock(mu);
        return file && playing;
    }

    // --- user-interface thread (callers hold mu) ----------------------------

    double positionLocked() const
    {
        if (!file)
            return 0.0;
        const double p = clock.at(engine().heardFrames());
        return std::clamp(p, 0.0, duration);
    }

    void jumpLocked(double seconds)
    {
        clock.jump(seconds);
        seekTo = seconds * fileRate;
        seekPending = true;
    }

    void updateGainLocked()
    {
        gainTarget = mute ? 0.0f : float(std::pow(10.0, double(volume) / 2000.0));
    }
};

MediaPlayer::MediaPlayer() : d(std::make_shared<Impl>()) {}

MediaPlayer::~MediaPlayer()
{
    if (d->registered)
        engine().removeSource(d.get());
}

std::string MediaPlayer::FileName() const
{
    return d->fileName;
}

bool MediaPlayer::setFileName(const std::string& path)
{
    d->fileName = path;
    OpenResult r;
    if (!path.empty())
        r = openAudio(path);
    SNDFILE* old = nullptr;
    {
        std::lock_guard lock(d->mu);
        old = d->file;
        d->file = r.file;
        d->playing = d->paused = d->ended = false;
        d->seekPending = false;
        d->clock.reset(0.0);
        if (r.file) {
            const SF_INFO& i = r.info;
            d->fileRate = i.samplerate;
            d->fileChannels = i.channels;
            d->totalFrames = i.frames;
            d->endFrame = i.frames;
            d->duration = double(i.frames) / double(i.samplerate);
            d->decodeFrames = std::max(16, kDecodeSamples / i.channels);
            d->raw.assign(std::size_t(d->decodeFrames) * std::size_t(i.channels), 0.0f);
            d->dec.assign(std::size_t(d->decodeFrames) * 2, 0.0f);
            d->decPos = d->decLen = 0;
            d->jumpLocked(0.0);
            d->playing = d->autoStart;
        } else {
            d->totalFrames = 0;
            d->duration = 0.0;
        }
        d->updateGainLocked();
        d->gain = d->gainTarget;
    }
    if (old)
        sf_close(old);
    d->error = r.error;
    if (r.file && !d->registered) {
        engine().addSource(d.get());
        d->registered = true;
    } else if (r.file && d->autoStart) {
        engine().wake();
    }
    return path.empty() || r.file != nullptr;
}

bool MediaPlayer::AutoStart() const
{
    return d->autoStart;
}

void MediaPlayer::setAutoStart(bool on)
{
    d->autoStart = on;
}

double MediaPlayer::Duration() const
{
    std::lock_guard lock(d->mu);
    return d->duration;
}

double MediaPlayer::CurrentPosition() const
{
    std::lock_guard lock(d->mu);
    return d->positionLocked();
}

void MediaPlayer::setCurrentPosition(double seconds)
{
    {
        std::lock_guard lock(d->mu);
        if (!d->file || std::isnan(seconds))
            return;
        if (seconds >= d->duration) {
            // Past the end: the song is over, as if it had played to its end.
            d->playing = d->paused = false;
            d->ended = true;
            d->seekPending = false;
            d->clock.jump(d->duration);
            return;
        }
        d->ended = false;
        d->jumpLocked(std::max(0.0, seconds));
        if (!d->playing)
            return;
    }
    // Outside the lock: opening a resting output may pull this source at once.
    engine().wake();
}

void MediaPlayer::Play()
{
    {
        std::lock_guard lock(d->mu);
        if (!d->file || d->playing)
            return;
        double pos = d->positionLocked();
        if (d->ended || pos >= d->duration)
            pos = 0.0;
        d->ended = d->paused = false;
        d->playing = true;
        d->jumpLocked(pos);
    }
    engine().wake();
}

void MediaPlayer::Pause()
{
    std::lock_guard lock(d->mu);
    if (!d->file || !d->playing)
        return;
    const double pos = d->positionLocked();
    d->playing = false;
    d->paused = true;
    d->jumpLocked(pos);
}

void MediaPlayer::Stop()
{
    std::lock_guard lock(d->mu);
    if (!d->file)
        return;
    const double pos = d->positionLocked();
    d->paused = false;
    if (d->ended && pos >= d->duration)
        return; // already over; the position stays at the end
    // The listener stops where they are; what was queued still drains.
    d->playing = false;
    d->ended = false;
    d->jumpLocked(pos);
}

bool MediaPlayer::Mute() const
{
    return d->mute;
}

void MediaPlayer::setMute(bool on)
{
    d->mute = on;
    std::lock_guard lock(d->mu);
    d->updateGainLocked();
}

long MediaPlayer::Volume() const
{
    return d->volume;
}

void MediaPlayer::setVolume(long centibels)
{
    d->volume = std::clamp(centibels, kMinVolume, kMaxVolume);
    std::lock_guard lock(d->mu);
    d->updateGainLocked();
}

int MediaPlayer::PlayState() const
{
    std::lock_guard lock(d->mu);
    if (!d->file)
        return mpClosed;
    if (d->playing)
        return mpPlaying;
    if (d->ended)
        return d->positionLocked() < d->duration ? mpPlaying : mpStopped;
    return d->paused ? mpPaused : mpStopped;
}

std::string MediaPlayer::ErrorText() const
{
    return d->error;
}

std::optional<double> probeDuration(const std::string& path)
{
    OpenResult r = openAudio(path);
    if (!r.file)
        return std::nullopt;
    const double secs = double(r.info.frames) / double(r.info.samplerate);
    sf_close(r.file);
    return secs;
}

} // namespace media
