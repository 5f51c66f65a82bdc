#include "platform/music/performance.h"

#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <mutex>
#include <vector>

#include "platform/files/language.h"
#include "platform/media/audio_source.h"
#include "platform/media/engine.h"
#include "platform/media/playclock.h"

namespace music {

namespace {

// The longest slice rendered in one call. FluidSynth renders a call in one
// pass over its sounding voices, and each pass fetches every voice's state
// again: with a hundred voices ringing that costs more than the samples of a
// short slice. So a block is rendered whole, split only where the score has
// an event, not in pieces of a fixed size.
constexpr int kChunk = 4096;
// For the same reason the synthesiser renders ahead of what the output takes,
// at least this much at a time (80 ms), instead of a sound server's request
// (a fiftieth of a second) at a time. What waits there is dropped when the
// music stops or jumps, and a volume change applies to it at once, so only
// a transpose, a tempo or a balance change is heard up to that much later.
constexpr int kAheadFrames = media::kSampleRate * 2 / 25;
constexpr double kEps = 1e-6;             // music-time slack when comparing event times
constexpr std::size_t kKeptStates = 16;   // finished states kept for late position queries

// The synthesiser's gain at master volume 0 cB. FluidSynth's own default (0.2)
// leaves a General MIDI song with the small banks some 20 dB under a mastered
// MP3; this brings a typical song at the player's default volume (-312 cB)
// within a few dB of one, so switching between songs of a list does not call
// for the volume slider.
constexpr double kSynthGain = 1.4;
// The limiter keeps dense passages under this peak (about -1 dBFS) instead of
// letting them clip: it takes the gain down at once and gives it back with a
// time constant of a quarter of a second.
constexpr float kPeakCeiling = 0.89f;
constexpr float kLimiterRelease = 1.0f / (0.25f * static_cast<float>(media::kSampleRate));

float synthGain(long masterVolume) {
    return static_cast<float>(kSynthGain * std::pow(10.0, double(masterVolume) / 2000.0));
}

double ticksPerFrame(std::uint32_t usPerQuarter, float factor) {
    return double(kTicksPerQuarter) * 1e6 * double(factor) / (double(usPerQuarter) * media::kSampleRate);
}

} // namespace

// The run state of one segment state, shared between the UI thread (queries,
// stop) and the audio thread (sequencing). Guarded by the synthesiser's lock.
struct StateRuntime {
    std::uint64_t id = 0;
    std::shared_ptr<Segment> segment;
    double startPoint = 0;
    double endTime = 0;             // max(length, start point)
    MusicTime startTime = 0;
    bool pending = false;           // waiting for the performance time to reach startTime
    bool started = false;           // the audio thread has begun it
    bool finished = false;          // rendered to its end
    bool stopped = false;
    std::int64_t finishFrame = 0;
    double finalPos = 0;            // position after a stop
    double pos = 0;                 // rendered position
    std::size_t nextEvent = 0;
    std::size_t nextTempo = 0;
    std::uint32_t tempo = kDefaultTempo;
    media::PlayClock clock;
};

struct PerformanceCore {
    float masterTempo = 1.0f;
    long masterVolume = 0;
    std::array<int, 16> transpose{};
    // Notes sounding per channel: (key in the score, key sent to the synthesiser).
    std::array<std::vector<std::pair<std::uint8_t, int>>, 16> sounding;
    double perfTime = 0;            // rendered performance music time
    media::PlayClock perfClock;
    std::vector<std::shared_ptr<StateRuntime>> states;

    StateRuntime* find(std::uint64_t id) {
        for (auto& s : states)
            if (s->id == id)
                return s.get();
        return nullptr;
    }
    // The state that sounds (or waits to), if any.
    StateRuntime* current() {
        for (auto it = states.rbegin(); it != states.rend(); ++it)
            if (!(*it)->stopped && !(*it)->finished)
                return it->get();
        return nullptr;
    }
};

namespace {

class Synth final : public media::AudioSource {
public:
    std::mutex m;
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    std::string loadedFont;
    std::string chosenFont;         // setSoundFont; "" = findSoundFont()
    std::string error;
    std::shared_ptr<PerformanceCore> active;
    std::atomic<std::int64_t> renderedEnd{0};
    std::function<std::int64_t()> heardClock;
    std::function<void(const MidiMessage&)> tap;
    bool manual = false;
    bool attached = false;
    std::int64_t lastActiveEnd = 0;   // rendered end when a state last played
    // Rendered ahead, not yet mixed: interleaved frames before the limiter;
    // frame `aheadRead` is engine frame `aheadStart`.
    std::vector<float> ahead;
    std::int64_t aheadStart = 0;
    int aheadRead = 0;
    int aheadFrames = 0;
    float limiterGain = 1.0f;  // the peak limiter's present gain (audio thread)

    std::int64_t heardFrame() {
        std::function<std::int64_t()> clock;
        bool eng;
        {
            std::lock_guard lk(m);
            clock = heardClock;
            eng = attached;
        }
        const std::int64_t end = renderedEnd.load();
        std::int64_t h = end;
        if (clock)
            h = clock();
        else if (eng)
            h = media::engine().heardFrames();
        return std::min(h, end);
    }

    // Creates the synthesiser with the SoundFont (once, or again after a change
    // of SoundFont). Called without the lock held: loading a large bank takes time.
    bool ensure(std::string& why) {
        std::string font;
        {
            std::lock_guard lk(m);
            font = chosenFont.empty() ? findSoundFont() : chosenFont;
            if (synth && font == loadedFont)
                return true;
        }
        if (font.empty()) {
            why = language::say("Aucune SoundFont pour les chansons MIDI n'a été trouvée : installez le paquet "
                                "timgm6mb-soundfont ou donnez un fichier .sf2 dans ZUNKARAOKE_SOUNDFONT.",
                                "No SoundFont for MIDI songs was found: install the package timgm6mb-soundfont "
                                "or set ZUNKARAOKE_SOUNDFONT to a .sf2 file.");
            drop();
            return false;
        }
        fluid_set_log_function(FLUID_PANIC, nullptr, nullptr);
        fluid_set_log_function(FLUID_ERR, nullptr, nullptr);
        fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
        fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
        fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
        fluid_settings_t* st = new_fluid_settings();
        if (!st) {
            why = language::say("Le synthétiseur MIDI n'a pas pu démarrer.", "The MIDI synthesiser could not start.");
            return false;
        }
        fluid_settings_setnum(st, "synth.sample-rate", media::kSampleRate);
        fluid_synth_t* sy = new_fluid_synth(st);
        if (!sy) {
            delete_fluid_settings(st);
            why = language::say("Le synthétiseur MIDI n'a pas pu démarrer.", "The MIDI synthesiser could not start.");
            return false;
        }
        if (fluid_synth_sfload(sy, font.c_str(), 1) == FLUID_FAILED) {
            delete_fluid_synth(sy);
            delete_fluid_settings(st);
            why = language::say("La SoundFont " + font + " n'a pas pu être chargée.",
                                "The SoundFont " + font + " could not be loaded.");
            drop();
            return false;
        }
        fluid_synth_set_gain(sy, synthGain(0));
        fluid_synth_t* oldSynth;
        fluid_settings_t* oldSettings;
        {
            std::lock_guard lk(m);
            oldSynth = synth;
            oldSettings = settings;
            synth = sy;
            settings = st;
            loadedFont = font;
        }
        if (oldSynth)
            delete_fluid_synth(oldSynth);
        if (oldSettings)
            delete_fluid_settings(oldSettings);
        return true;
    }

    // Without a usable SoundFont MIDI songs play silently (positions still run).
    void drop() {
        fluid_synth_t* oldSynth;
        fluid_settings_t* oldSettings;
        {
            std::lock_guard lk(m);
            oldSynth = synth;
            oldSettings = settings;
            synth = nullptr;
            settings = nullptr;
            loadedFont.clear();
        }
        if (oldSynth)
            delete_fluid_synth(oldSynth);
        if (oldSettings)
            delete_fluid_settings(oldSettings);
    }

    // ---- below: called with the lock held ----

    // What was rendered ahead is not played: the performance's own time goes
    // back to the frame the output takes next.
    void dropAhead() {
        if (aheadFrames > 0 && active)
            active->perfTime = active->perfClock.at(aheadStart);
        aheadFrames = 0;
    }

    void silence() {
        dropAhead();
        if (synth)
            fluid_synth_all_sounds_off(synth, -1);
        if (active)
            for (auto& v : active->sounding)
                v.clear();
    }

    void tell(int status, int d1, int d2) {
        if (!tap)
            return;
        MidiMessage m;
        m.status = static_cast<std::uint8_t>(status);
        m.data1 = static_cast<std::uint8_t>(d1);
        m.data2 = static_cast<std::uint8_t>(d2);
        tap(m);
    }

    void send(PerformanceCore& c, const MidiMessage& e) {
        const int ch = e.status & 0x0F;
        const int kind = e.status & 0xF0;
        auto& sounding = c.sounding[static_cast<std::size_t>(ch)];
        const int shift = c.transpose[static_cast<std::size_t>(ch)];
        if (kind == 0x90 && e.data2 > 0) {
            const int key = e.data1 + shift;
            const int sent = (key >= 0 && key <= 127) ? key : -1;
            if (sounding.size() >= 512) // a score that never releases its notes
                sounding.erase(sounding.begin());
            sounding.emplace_back(e.data1, sent);
            if (sent < 0)
                return;
            tell(0x90 | ch, sent, e.data2);
            if (synth)
                fluid_synth_noteon(synth, ch, sent, e.data2);
            return;
        }
        if (kind == 0x80 || kind == 0x90) {
            // The note-off goes to the key its note-on sounded, whatever the
            // transpose is now, so no note is left hanging.
            int sent = e.data1 + shift;
            auto it = std::find_if(sounding.begin(), sounding.end(),
                                   [&](const auto& n) { return n.first == e.data1; });
            if (it != sounding.end()) {
                sent = it->second;
                sounding.erase(it);
            }
            if (sent < 0 || sent > 127)
                return;
            tell(0x80 | ch, sent, 0);
            if (synth)
                fluid_synth_noteoff(synth, ch, sent);
            return;
        }
        const int d1 = kind == 0xA0 ? std::clamp(e.data1 + shift, 0, 127) : e.data1;
        tell(e.status, d1, e.data2);
        if (!synth)
            return;
        switch (kind) {
        case 0xA0: fluid_synth_key_pressure(synth, ch, d1, e.data2); break;
        case 0xB0:
            fluid_synth_cc(synth, ch, e.data1, e.data2);
            if (e.data1 == 120 || e.data1 == 123)
                sounding.clear();
            break;
        case 0xC0: fluid_synth_program_change(synth, ch, e.data1); break;
        case 0xD0: fluid_synth_channel_pressure(synth, ch, e.data1); break;
        case 0xE0: fluid_synth_pitch_bend(synth, ch, e.data1 | (e.data2 << 7)); break;
        default: break;
        }
    }

    // Begins a state at engine frame `frame`: the controllers, programs and
    // bends before its start point are sent (no notes), so a song started in
    // its middle sounds with the right instruments.
    void begin(PerformanceCore& c, StateRuntime& s) {
        const Sequence& seq = s.segment->sequence();
        s.pending = false;
        s.started = true;
        s.pos = s.startPoint;
        s.nextEvent = 0;
        while (s.nextEvent < seq.events.size() && double(seq.events[s.nextEvent].time) < s.startPoint - kEps) {
            const MidiMessage& e = seq.events[s.nextEvent++];
            const int kind = e.status & 0xF0;
            if (kind != 0x80 && kind != 0x90 && kind != 0xA0)
                send(c, e);
        }
        s.nextTempo = 0;
        s.tempo = kDefaultTempo;
        while (s.nextTempo < seq.tempos.size() && double(seq.tempos[s.nextTempo].time) <= s.startPoint + kEps)
            s.tempo = seq.tempos[s.nextTempo++].usPerQuarter;
    }

    void finish(StateRuntime& s, std::int64_t frame) {
        s.finished = true;
        s.finishFrame = frame;
        s.pos = s.endTime;
        if (synth)
            fluid_synth_all_notes_off(synth, -1);
        if (active)
            for (auto& v : active->sounding)
                v.clear();
    }

    // Interleaved frames, written (not added).
    void render(float* out, int n) {
        if (synth)
            fluid_synth_write_float(synth, n, out, 0, 2, out, 1, 2);
        else
            std::fill(out, out + 2 * n, 0.0f);
    }

    // A volume change: what waits ahead was rendered at the old gain.
    void regain(float before, float after) {
        if (!(before > 0.0f) || after == before)
            return;
        const float k = after / before;
        for (int i = 2 * aheadRead; i < 2 * (aheadRead + aheadFrames); ++i)
            ahead[static_cast<std::size_t>(i)] *= k;
    }

    void mixInto(float* out, int frames, std::int64_t startFrame) override {
        std::lock_guard lk(m);
        renderedEnd.store(startFrame + frames);
        if (startFrame != aheadStart) {
            // The output took frames elsewhere, or went back: what waits is
            // not for these frames.
            if (startFrame > aheadStart && startFrame < aheadStart + aheadFrames) {
                const int skip = int(startFrame - aheadStart);
                aheadRead += skip;
                aheadFrames -= skip;
            } else {
                aheadFrames = 0;
            }
            aheadStart = startFrame;
        }
        if (aheadFrames < frames) {
            const int want = std::max(frames - aheadFrames, kAheadFrames);
            std::copy(ahead.begin() + 2 * aheadRead, ahead.begin() + 2 * (aheadRead + aheadFrames), ahead.begin());
            aheadRead = 0;
            if (ahead.size() < std::size_t(2 * (aheadFrames + want)))
                ahead.resize(std::size_t(2 * (aheadFrames + want)));
            sequence(ahead.data() + 2 * aheadFrames, want, aheadStart + aheadFrames);
            aheadFrames += want;
        }
        const float* in = ahead.data() + 2 * aheadRead;
        for (int i = 0; i < frames; ++i) {
            float l = in[2 * i];
            float r = in[2 * i + 1];
            const float peak = std::max(std::fabs(l), std::fabs(r));
            if (peak * limiterGain > kPeakCeiling)
                limiterGain = kPeakCeiling / peak;
            else
                limiterGain += (1.0f - limiterGain) * kLimiterRelease;
            out[2 * i] += l * limiterGain;
            out[2 * i + 1] += r * limiterGain;
        }
        aheadRead += frames;
        aheadFrames -= frames;
        aheadStart += frames;
    }

    // Plays the score into `out` (interleaved, written) for engine frames
    // from `startFrame`.
    void sequence(float* out, int frames, std::int64_t startFrame) {
        PerformanceCore* c = active.get();
        std::int64_t frame = startFrame;
        int done = 0;
        // The stretch of the current state's time line that this block carries,
        // at one rate: a position read inside the block follows a tempo change
        // within it.
        StateRuntime* noted = nullptr;
        std::int64_t notedFrom = 0;
        double notedPos = 0;
        double notedRate = 0;
        auto closeNote = [&](std::int64_t upTo) {
            if (noted && upTo > notedFrom)
                noted->clock.note(notedFrom, int(upTo - notedFrom), notedPos, noted->pos);
            noted = nullptr;
        };
        // Likewise the performance's own time.
        std::int64_t perfFrom = startFrame;
        double perfFromTime = c ? c->perfTime : 0;
        double perfNotedRate = -1;

        while (done < frames) {
            int n = std::min(frames - done, kChunk);
            StateRuntime* s = c ? c->current() : nullptr;
            double rate = 0;
            if (s) {
                if (s->pending) {
                    const double idle = ticksPerFrame(kDefaultTempo, c->masterTempo);
                    const double need = double(s->startTime) - c->perfTime;
                    if (need <= kEps) {
                        begin(*c, *s);
                        continue;
                    }
                    n = static_cast<int>(std::min<double>(n, std::max(1.0, std::ceil(need / idle - 1e-9))));
                    s = nullptr; // nothing of it sounds yet
                } else {
                    if (!s->started)
                        begin(*c, *s);
                    const Sequence& seq = s->segment->sequence();
                    while (s->nextTempo < seq.tempos.size() &&
                           double(seq.tempos[s->nextTempo].time) <= s->pos + kEps)
                        s->tempo = seq.tempos[s->nextTempo++].usPerQuarter;
                    while (s->nextEvent < seq.events.size() &&
                           double(seq.events[s->nextEvent].time) <= s->pos + kEps)
                        send(*c, seq.events[s->nextEvent++]);
                    if (s->pos >= s->endTime - kEps) {
                        closeNote(frame);
                        finish(*s, frame);
                        continue;
                    }
                    rate = ticksPerFrame(s->tempo, c->masterTempo);
                    if (noted != s || rate != notedRate) {
                        closeNote(frame);
                        noted = s;
                        notedFrom = frame;
                        notedPos = s->pos;
                        notedRate = rate;
                    }
                    double next = s->endTime;
                    if (s->nextEvent < seq.events.size())
                        next = std::min(next, double(seq.events[s->nextEvent].time));
                    if (s->nextTempo < seq.tempos.size())
                        next = std::min(next, double(seq.tempos[s->nextTempo].time));
                    n = static_cast<int>(std::min<double>(n, std::max(1.0, std::ceil((next - s->pos) / rate - 1e-9))));
                }
            }
            render(out + 2 * done, n);
            if (c) {
                const double perfRate = s ? rate : ticksPerFrame(kDefaultTempo, c->masterTempo);
                if (perfRate != perfNotedRate) {
                    if (frame > perfFrom)
                        c->perfClock.note(perfFrom, int(frame - perfFrom), perfFromTime, c->perfTime);
                    perfFrom = frame;
                    perfFromTime = c->perfTime;
                    perfNotedRate = perfRate;
                }
                c->perfTime += perfRate * n;
            }
            if (s)
                s->pos = std::min(s->pos + rate * n, s->endTime);
            done += n;
            frame += n;
        }
        closeNote(frame);
        if (c && frame > perfFrom)
            c->perfClock.note(perfFrom, int(frame - perfFrom), perfFromTime, c->perfTime);
    }

    // Busy while a state plays or waits to, then while notes still ring
    // (their release), for a few seconds at most: a note held by the
    // sustain pedal or a looped sample could otherwise ring for ever.
    bool busy() override {
        std::lock_guard lk(m);
        const std::int64_t end = renderedEnd.load();
        if (active && active->current()) {
            lastActiveEnd = end;
            return true;
        }
        return synth && fluid_synth_get_active_voice_count(synth) > 0 &&
               end - lastActiveEnd < 3 * media::kSampleRate;
    }

    // Heard position of a state (lock held; `heard` read before locking).
    static double positionAt(const StateRuntime& s, std::int64_t heard) {
        if (s.stopped)
            return s.finalPos;
        if (!s.started)
            return s.startPoint;
        if (s.finished && heard >= s.finishFrame)
            return s.endTime;
        return std::clamp(s.clock.at(heard), s.startPoint, s.endTime);
    }

    void stopState(StateRuntime& s, std::int64_t heard) {
        if (s.stopped)
            return;
        s.finalPos = positionAt(s, heard);
        s.stopped = true;
    }
};

Synth& theSynth() {
    // Never destroyed: the audio thread may still pull it while the process ends.
    static Synth* s = new Synth;
    return *s;
}

MusicTime toMusicTime(double t) {
    if (t >= double(std::numeric_limits<MusicTime>::max()))
        return std::numeric_limits<MusicTime>::max();
    if (t <= double(std::numeric_limits<MusicTime>::min()))
        return std::numeric_limits<MusicTime>::min();
    return static_cast<MusicTime>(std::floor(t + 0.5));
}

} // namespace

// ---- Segment ---------------------------------------------------------------

Segment::Segment(Sequence seq) : seq_(std::move(seq)) {}

MusicTime Segment::GetLength() const {
    return toMusicTime(double(seq_.length));
}

void Segment::SetStartPoint(MusicTime t) {
    startPoint_ = std::max<MusicTime>(0, t);
}

MusicTime Segment::GetStartPoint() const {
    return startPoint_;
}

bool Segment::Download(Performance& perf) {
    downloaded_ = perf.IsInitialised();
    return downloaded_;
}

void Segment::Unload(Performance&) {
    downloaded_ = false;
}

// ---- Loader ----------------------------------------------------------------

std::shared_ptr<Segment> Loader::LoadSegment(const std::string& path) {
    error_.clear();
    std::string why;
    auto seq = loadStandardMidiFile(path, &why);
    if (!seq) {
        error_ = path + language::say(" : ", ": ") + why;
        return nullptr;
    }
    return std::make_shared<Segment>(std::move(*seq));
}

// ---- SegmentState ----------------------------------------------------------

SegmentState::SegmentState(std::shared_ptr<PerformanceCore> core, std::shared_ptr<Segment> seg,
                           MusicTime startPoint, MusicTime startTime, std::uint64_t id)
    : core_(std::move(core)), segment_(std::move(seg)), startPoint_(startPoint), startTime_(startTime), id_(id) {}

MusicTime SegmentState::GetSeek() const {
    Synth& sy = theSynth();
    const std::int64_t heard = sy.heardFrame();
    std::lock_guard lk(sy.m);
    const StateRuntime* s = core_ ? core_->find(id_) : nullptr;
    if (!s)
        return startPoint_;
    return toMusicTime(Synth::positionAt(*s, heard));
}

bool SegmentState::IsRunning() const {
    Synth& sy = theSynth();
    const std::int64_t heard = sy.heardFrame();
    std::lock_guard lk(sy.m);
    const StateRuntime* s = core_ ? core_->find(id_) : nullptr;
    if (!s || s->stopped)
        return false;
    return !(s->finished && heard >= s->finishFrame);
}

// ---- Performance -----------------------------------------------------------

Performance::Performance() : core_(std::make_shared<PerformanceCore>()) {}

Performance::~Performance() {
    Synth& sy = theSynth();
    std::lock_guard lk(sy.m);
    if (sy.active == core_) {
        sy.silence();
        sy.active.reset();
    }
}

bool Performance::Init() {
    Synth& sy = theSynth();
    error_.clear();
    const bool haveSynth = sy.ensure(error_);
    const std::int64_t heard = sy.heardFrame();
    bool attach = false;
    {
        std::lock_guard lk(sy.m);
        if (sy.active && sy.active != core_)
            for (auto& s : sy.active->states)
                sy.stopState(*s, heard);
        sy.silence();
        if (haveSynth && sy.synth) {
            fluid_synth_system_reset(sy.synth);
            fluid_synth_set_gain(sy.synth, synthGain(core_->masterVolume));
        }
        core_->transpose.fill(0);
        for (auto& v : core_->sounding)
            v.clear();
        core_->perfClock.reset(core_->perfTime);
        sy.active = core_;
        if (!sy.manual && !sy.attached) {
            sy.attached = true;
            attach = true;
        }
    }
    if (attach)
        media::engine().addSource(&sy);
    initialised_ = true;
    return haveSynth;
}

int Performance::SetPort(int, int) {
    // Only the built-in synthesiser exists; every other port falls back to it.
    return -1;
}

std::shared_ptr<SegmentState> Performance::PlaySegment(const std::shared_ptr<Segment>& seg, int,
                                                       MusicTime startTime) {
    if (!initialised_ || !seg)
        return nullptr;
    Synth& sy = theSynth();
    const std::int64_t heard = sy.heardFrame();
    std::unique_lock lk(sy.m);
    // The new segment replaces the one playing, as a primary segment does.
    for (auto& s : core_->states)
        if (!s->stopped && !s->finished) {
            sy.stopState(*s, heard);
            if (sy.active == core_)
                sy.silence();
        }
    // It starts with the next frame taken, not after what was rendered ahead.
    if (sy.active == core_)
        sy.dropAhead();
    auto rt = std::make_shared<StateRuntime>();
    static std::atomic<std::uint64_t> nextId{1}; // unique across performances
    rt->id = nextId++;
    rt->segment = seg;
    rt->startPoint = seg->GetStartPoint();
    rt->endTime = std::max<double>(double(seg->GetLength()), rt->startPoint);
    rt->startTime = startTime;
    rt->pending = startTime != 0;
    rt->pos = rt->startPoint;
    rt->clock.reset(rt->startPoint);
    core_->states.push_back(rt);
    while (core_->states.size() > kKeptStates)
        core_->states.erase(core_->states.begin());
    const bool attached = sy.attached;
    lk.unlock();
    // Outside the lock: opening the output may pull the synthesiser at once.
    if (attached)
        media::engine().wake();
    return std::make_shared<SegmentState>(core_, seg, seg->GetStartPoint(), startTime, rt->id);
}

void Performance::Stop(const Segment* seg, const SegmentState* state, MusicTime, int) {
    if (!initialised_)
        return;
    Synth& sy = theSynth();
    const std::int64_t heard = sy.heardFrame();
    std::lock_guard lk(sy.m);
    bool any = false;
    for (auto& s : core_->states) {
        const bool match = (!seg && !state) || (state && s->id == state->id()) ||
                           (seg && s->segment.get() == seg);
        if (match && !s->stopped) {
            sy.stopState(*s, heard);
            any = true;
        }
    }
    if ((any || (!seg && !state)) && sy.active == core_)
        sy.silence();
}

MusicTime Performance::GetMusicTime() const {
    Synth& sy = theSynth();
    const std::int64_t heard = sy.heardFrame();
    std::lock_guard lk(sy.m);
    return toMusicTime(core_->perfClock.at(heard));
}

bool Performance::IsPlaying(const Segment* seg, const SegmentState* state) const {
    if (!initialised_)
        return false;
    if (state)
        return state->IsRunning();
    if (!seg)
        return false;
    Synth& sy = theSynth();
    const std::int64_t heard = sy.heardFrame();
    std::lock_guard lk(sy.m);
    for (auto& s : core_->states)
        if (s->segment.get() == seg && !s->stopped && !(s->finished && heard >= s->finishFrame))
            return true;
    return false;
}

bool Performance::SetMasterTempo(float factor) {
    if (!initialised_ || !(factor >= 0.01f) || !(factor <= 100.0f))
        return false;
    std::lock_guard lk(theSynth().m);
    core_->masterTempo = factor;
    return true;
}

float Performance::GetMasterTempo() const {
    std::lock_guard lk(theSynth().m);
    return core_->masterTempo;
}

void Performance::SetMasterVolume(long centibels) {
    if (!initialised_)
        return;
    Synth& sy = theSynth();
    std::lock_guard lk(sy.m);
    core_->masterVolume = std::clamp(centibels, -10000L, 2000L);
    if (sy.active == core_ && sy.synth) {
        const float before = fluid_synth_get_gain(sy.synth);
        fluid_synth_set_gain(sy.synth, synthGain(core_->masterVolume));
        sy.regain(before, fluid_synth_get_gain(sy.synth));
    }
}

long Performance::GetMasterVolume() const {
    std::lock_guard lk(theSynth().m);
    return core_->masterVolume;
}

void Performance::SendTransposePMSG(MusicTime, int, int channel, int semitones) {
    if (!initialised_ || channel < 0 || channel > 15 || channel == 9)
        return;
    std::lock_guard lk(theSynth().m);
    core_->transpose[static_cast<std::size_t>(channel)] = std::clamp(semitones, -127, 127);
}

void Performance::SendMIDIPMSG(MusicTime, int, int channel, int status, int data1, int data2) {
    if (!initialised_ || channel < 0 || channel > 15 || status < 0x80 || status > 0xEF)
        return;
    Synth& sy = theSynth();
    std::lock_guard lk(sy.m);
    if (sy.active != core_)
        return;
    MidiMessage m;
    m.status = static_cast<std::uint8_t>((status & 0xF0) | channel);
    m.data1 = static_cast<std::uint8_t>(std::clamp(data1, 0, 127));
    m.data2 = static_cast<std::uint8_t>(std::clamp(data2, 0, 127));
    sy.send(*core_, m);
}

// ---- The synthesiser source -----------------------------------------------

std::string missingSoundFontSetting() {
    namespace fs = std::filesystem;
    std::error_code ec;
    const char* env = std::getenv("ZUNKARAOKE_SOUNDFONT");
    if (env && *env && !fs::is_regular_file(env, ec))
        return env;
    return {};
}

std::string findSoundFont() {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (const char* env = std::getenv("ZUNKARAOKE_SOUNDFONT"); env && *env && fs::is_regular_file(env, ec))
        return env;
    for (const char* p : {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2"})
        if (fs::is_regular_file(p, ec))
            return p;
    return {};
}

void setSoundFont(const std::string& path) {
    std::lock_guard lk(theSynth().m);
    theSynth().chosenFont = path;
}

media::AudioSource& synthSource() {
    return theSynth();
}

int soundingVoices() {
    Synth& sy = theSynth();
    std::lock_guard lk(sy.m);
    return sy.synth ? fluid_synth_get_active_voice_count(sy.synth) : 0;
}

void setManualRendering(bool manual) {
    std::lock_guard lk(theSynth().m);
    theSynth().manual = manual;
}

void setMidiTap(std::function<void(const MidiMessage&)> tap) {
    std::lock_guard lk(theSynth().m);
    theSynth().tap = std::move(tap);
}

void setHeardFrameClock(std::function<std::int64_t()> clock) {
    std::lock_guard lk(theSynth().m);
    theSynth().heardClock = std::move(clock);
}

} // namespace music
