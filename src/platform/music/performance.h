#pragma once
// The MIDI performance: a loader that turns a .mid/.kar file into a segment, a
// performance that plays segments on FluidSynth through the audio engine, and the
// segment state of a running segment. The operations keep the names and meanings
// the player's MIDI code was written against:
//   - music time runs at 768 ticks per quarter note, following the song's tempo map
//     scaled by the master tempo factor;
//   - a segment state's position (GetSeek) is the music time the listener HEARS,
//     not what the synthesiser has already rendered ahead into the output buffer;
//   - transpose applies to later notes (every note-off matches the key its note-on
//     sounded), never to channel 9 (percussion); pan is control change 10;
//   - the master volume is in hundredths of a decibel.
// Each Performance::Init resets the synthesiser (transposes, pan, programs), so a
// new performance per song starts clean. Every call on a performance that is not
// initialised, or whose synthesiser could not start, does nothing and fails quietly.
// All methods are for the user-interface thread; the audio thread renders.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/music/smf.h"

namespace media { class AudioSource; }

namespace music {

class Performance;
class SegmentState;

// A loaded song.
class Segment {
public:
    explicit Segment(Sequence seq);
    // Length in music time (the last event or End of Track).
    MusicTime GetLength() const;
    // Where the next PlaySegment begins, in music time. A start point at or past
    // the end makes the segment end at once (its position is then the start point).
    void SetStartPoint(MusicTime t);
    MusicTime GetStartPoint() const;
    // The segment plays as a standard MIDI file (it always does here).
    void SetStandardMidiFile() {}
    // Makes the instruments available to the performance (the SoundFont is shared,
    // so these only record the state). Download fails on a performance not initialised.
    bool Download(Performance& perf);
    void Unload(Performance& perf);
    bool IsDownloaded() const { return downloaded_; }

    const Sequence& sequence() const { return seq_; }

private:
    Sequence seq_;
    MusicTime startPoint_ = 0;
    bool downloaded_ = false;
};

class Loader {
public:
    // The file as a segment; nullptr when it cannot be read or is no MIDI file
    // (ErrorText then says why).
    std::shared_ptr<Segment> LoadSegment(const std::string& path);
    const std::string& ErrorText() const { return error_; }

private:
    std::string error_;
};

struct PerformanceCore; // shared with the audio thread

// A segment playing (or played) on a performance.
class SegmentState {
public:
    // The heard position in the segment's music time: its start point plus the
    // music time elapsed since the listener began to hear it. Reaches the segment
    // length (and stays there) at the end; stays where it was after a Stop.
    MusicTime GetSeek() const;
    MusicTime GetStartPoint() const { return startPoint_; }
    // Performance music time at which the segment was asked to start.
    MusicTime GetStartTime() const { return startTime_; }
    std::shared_ptr<Segment> GetSegment() const { return segment_; }
    // True until it is stopped or has played to its end (rendered).
    bool IsRunning() const;

    // Internal: made by Performance::PlaySegment.
    SegmentState(std::shared_ptr<PerformanceCore> core, std::shared_ptr<Segment> seg,
                 MusicTime startPoint, MusicTime startTime, std::uint64_t id);
    std::uint64_t id() const { return id_; }

private:
    std::shared_ptr<PerformanceCore> core_;
    std::shared_ptr<Segment> segment_;
    MusicTime startPoint_;
    MusicTime startTime_;
    std::uint64_t id_;
};

class Performance {
public:
    Performance();
    ~Performance();
    Performance(const Performance&) = delete;
    Performance& operator=(const Performance&) = delete;

    // Starts the synthesiser (loading the SoundFont on first use) and makes this
    // the performance that sounds, resetting transposes, pan and programs. Returns
    // false when no SoundFont could be loaded: ErrorText() then holds a message for
    // the user; segments still play silently, with their positions advancing, so
    // lyrics still show.
    bool Init();
    // Selects the output: -1 (and every port we do not have) is the built-in
    // synthesiser. Returns the port chosen.
    int SetPort(int port, int channelGroups = 1);
    // Starts the segment from its start point. startTime 0: at once; otherwise when
    // the performance's music time reaches startTime. Replaces what was playing.
    // nullptr when the segment is null or the performance is not initialised.
    std::shared_ptr<SegmentState> PlaySegment(const std::shared_ptr<Segment>& seg, int flags,
                                              MusicTime startTime);
    // Stops at once the given state, or every state of the given segment, or (both
    // null) everything; silences the notes that were sounding.
    void Stop(const Segment* seg, const SegmentState* state, MusicTime time = 0, int flags = 0);
    void Stop(const std::shared_ptr<Segment>& seg, const std::shared_ptr<SegmentState>& state,
              MusicTime time = 0, int flags = 0) { Stop(seg.get(), state.get(), time, flags); }
    // The performance's own music time (runs at the playing segment's tempo, or at
    // 120 bpm when idle), as heard.
    MusicTime GetMusicTime() const;
    // Whether the segment (or the state) is still playing.
    bool IsPlaying(const Segment* seg, const SegmentState* state) const;
    bool IsPlaying(const std::shared_ptr<Segment>& seg,
                   const std::shared_ptr<SegmentState>& state) const { return IsPlaying(seg.get(), state.get()); }

    // Tempo factor (1.0 normal). A factor below 0.01 or above 100 is refused: the
    // old factor is kept and false returned.
    bool SetMasterTempo(float factor);
    float GetMasterTempo() const;
    // Master volume in hundredths of a decibel (0 = unchanged level), clamped to
    // -10000..+2000.
    void SetMasterVolume(long centibels);
    long GetMasterVolume() const;

    // Transpose by `semitones` for notes that start later on `channel` (0..15);
    // channel 9 is left alone. time and flags are accepted (always "at once").
    void SendTransposePMSG(MusicTime time, int flags, int channel, int semitones);
    // A channel message sent at once: status is the message kind (0x80..0xE0; its
    // low nibble is replaced by `channel`), e.g. (176, 10, v) sets the pan.
    void SendMIDIPMSG(MusicTime time, int flags, int channel, int status, int data1, int data2);

    bool IsInitialised() const { return initialised_; }
    const std::string& ErrorText() const { return error_; }

    // Internal.
    const std::shared_ptr<PerformanceCore>& core() const { return core_; }

private:
    std::shared_ptr<PerformanceCore> core_;
    bool initialised_ = false;
    std::string error_;
};

// --- The synthesiser as a source of the audio engine -----------------------------

// The SoundFont to use: env ZUNKARAOKE_SOUNDFONT, else /usr/share/sounds/sf2/default-GM.sf2,
// else /usr/share/sounds/sf2/TimGM6mb.sf2; "" when none exists.
std::string findSoundFont();
// The file ZUNKARAOKE_SOUNDFONT names when that is no readable file (findSoundFont
// then falls back on the default banks); "" when it is unset or names a file.
std::string missingSoundFontSetting();
// Uses this SoundFont from now on (tests and benchmarks); the synthesiser reloads
// it at the next Performance::Init. "" returns to findSoundFont().
void setSoundFont(const std::string& path);
// The source that renders MIDI into the mix (one per process).
media::AudioSource& synthSource();
// Voices of the synthesiser still sounding (a song's last notes fading).
int soundingVoices();
// Tests and benchmarks that pull synthSource() themselves call this before the
// first Init, so it is not also added to the audio engine.
void setManualRendering(bool manual);
// Where heard positions come from: a function giving the engine frame the listener
// hears now. Until set, the end of what the synthesiser rendered counts as heard.
void setHeardFrameClock(std::function<std::int64_t()> clock);

// Diagnostics and tests: sees every channel message as it goes to the synthesiser
// (after transposition; a note-off as status 0x80), on the rendering thread.
void setMidiTap(std::function<void(const MidiMessage&)> tap);

} // namespace music
