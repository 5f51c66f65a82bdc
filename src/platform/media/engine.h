#pragma once
// The one audio engine of the process. It mixes every registered AudioSource
// into one stereo float stream at kSampleRate and feeds one output:
//   - Device:  the default sound device of the PulseAudio server, through our
//              own client (the server pulls the mix on the engine's own
//              audio thread);
//   - Null:    no device (no sound server, or ZUNKARAOKE_AUDIO=null): a thread
//              renders the mix and throws it away, in real time, so songs
//              advance and end exactly as if they were heard;
//   - Stepped: for tests: nothing runs by itself; step() renders a given
//              amount of audio at once and returns the mix.
//
// Positions follow what the listener hears, not what was rendered: the device
// keeps some audio queued, so heardFrames() lags renderedFrames() by that much.
//
// Rest: when no source has been busy for half a second (nothing plays: stopped,
// paused, ended, between songs), the device or null output is closed, so the
// process wakes up no more and the sound server may suspend its sink. The
// frame counters stand still meanwhile; wake() (called by whoever makes a
// source busy again) opens the output once more.
//
// The device is connected on a thread of its own, never on the caller's: a
// sound server that hangs, answers garbage or is not there costs the
// user-interface thread nothing. When a song starts, its sources wait (the
// clock stands still) until the device is there, but never longer than a
// moment: then the null output takes over and the device replaces it as soon
// as it connects. No device at the start (no server, a refused or broken
// connection) and a device that goes away while in use (the sound server
// stopped) are both told to the output-lost handler, once until the sound
// comes back; songs go on in real time meanwhile. The device is tried again at
// the next wake() and every few seconds while it is lost, with a fresh
// connection each time, so the sound comes back however long the sound server
// was away.
//
// Threads: addSource/removeSource and the readers are called from the
// user-interface thread; sources are pulled on the audio thread (or inside
// step() with the stepped output). The engine's lock is held only while one
// block of at most kMaxBlockFrames is mixed.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/media/audio_source.h"

namespace media {

// The largest block handed to AudioSource::mixInto.
constexpr int kMaxBlockFrames = 1024;

enum class OutputKind { None, Device, Null, Stepped };

// Why the sound goes on without a device.
enum class SoundLoss {
    Unavailable, // the device could not be opened when the sound started
    Lost,        // the device went away while in use
};

class AudioEngine {
public:
    AudioEngine();
    ~AudioEngine();
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    // Adds a source to the mix from the next block on; starts the output on
    // first use. Adding a source twice adds it once.
    void addSource(AudioSource* source);
    // A source has become busy (a song starts, goes on after a pause, moves):
    // a resting output opens again, and a device lost earlier is tried again.
    void wake();
    // Runs on the user-interface thread when the sound goes on without the
    // device: once when it cannot be opened or goes away, and not again until
    // the device has come back.
    void setOutputLostHandler(std::function<void(SoundLoss)> handler);
    // True while a connection to the device is being made (tests).
    bool connecting() const;
    // Test hook: behaves as if the device had just gone away.
    void simulateOutputLost();
    // Takes a source out of the mix. When this returns, the audio thread is no
    // longer inside the source and never calls it again: it may be destroyed.
    void removeSource(AudioSource* source);

    // Frames mixed since the engine started (the next block's startFrame).
    std::int64_t renderedFrames() const;
    // Frames the listener has heard: rendered frames minus what still waits
    // in the output's buffer, advancing smoothly between the output's pulls.
    // Never decreases, never exceeds renderedFrames().
    std::int64_t heardFrames() const;
    double heardSeconds() const { return double(heardFrames()) / kSampleRate; }

    OutputKind outputKind() const;
    // Chooses the output: Device falls back to Null when there is no device
    // or it cannot be opened. The frame counters carry on across a switch.
    // Choosing Null or Stepped forgets that the device was away.
    void setOutput(OutputKind kind);

    // Stepped output only (does nothing otherwise and returns an empty mix):
    // renders `ms` milliseconds of audio now, on the calling thread, and
    // returns the mix (interleaved stereo, kChannels samples per frame).
    // Fractions of a frame are carried over, so 100 steps of 10 ms render
    // exactly one second.
    std::vector<float> step(double ms);
    std::vector<float> stepFrames(int frames);

    // Stops the output (the device is closed, the null thread ends); the next
    // addSource starts it again. Called when the application object goes away.
    void shutdown();

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};

// The engine of the process, created on first use. Its output is chosen when
// the first source is added: ZUNKARAOKE_AUDIO=null forces the null output;
// otherwise the sound device, falling back to the null output.
AudioEngine& engine();

// Tests: switch the engine to the stepped output (at any time).
void useSteppedOutput();
// Switch to the null output (benchmarks, or a program told to be silent).
void useNullOutput();

} // namespace media
