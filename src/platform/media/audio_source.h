#pragma once
// One producer of sound in the mix. The audio engine pulls every source once per
// output period, on the output's thread, and adds the results. The audio song
// (decoded file) and the MIDI synthesiser are both sources of one stream, so the
// position that each reports is what the listener hears.
#include <cstdint>

namespace media {

constexpr int kSampleRate = 44100;
constexpr int kChannels = 2;

class AudioSource {
public:
    virtual ~AudioSource() = default;
    // Adds (mixes into) `frames` stereo frames of interleaved float samples in
    // [-1, 1] at kSampleRate, starting at `out`. Called on the audio thread; must
    // not block on the user-interface thread. `startFrame` is the engine's running
    // frame counter at the first frame of this block (what was rendered before).
    virtual void mixInto(float* out, int frames, std::int64_t startFrame) = 0;
    // Whether the source still has sound to give (a song playing, notes still
    // ringing). Asked on the audio thread right after mixInto. While no source
    // is busy the engine lets its output rest; whoever makes a source busy
    // again calls AudioEngine::wake().
    virtual bool busy() { return true; }
};

} // namespace media
