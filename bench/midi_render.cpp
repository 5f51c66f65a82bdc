// Renders a MIDI file with the SoundFont as fast as possible, with no output
// device, for comparison with `fluidsynth -F out.raw -ni <sf2> <file.mid>`.
//   bench_midi_render file.mid [soundfont.sf2] [out.raw]
// Prints the song length, the render time and the speed against real time; with
// out.raw, writes the rendered audio there (16-bit stereo, 44100 Hz, little-endian).
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

#include "platform/media/audio_source.h"
#include "platform/music/performance.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s file.mid [soundfont.sf2] [out.raw]\n", argv[0]);
        return 2;
    }
    music::setManualRendering(true);
    if (argc > 2)
        music::setSoundFont(argv[2]);
    std::int64_t frame = 0;
    music::setHeardFrameClock([&frame] { return frame; });

    music::Performance perf;
    if (!perf.Init()) {
        std::fprintf(stderr, "%s\n", perf.ErrorText().c_str());
        return 1;
    }
    music::Loader loader;
    auto seg = loader.LoadSegment(argv[1]);
    if (!seg) {
        std::fprintf(stderr, "%s\n", loader.ErrorText().c_str());
        return 1;
    }
    std::ofstream raw;
    if (argc > 3)
        raw.open(argv[3], std::ios::binary);

    const auto t0 = std::chrono::steady_clock::now();
    auto state = perf.PlaySegment(seg, 0, 0);
    constexpr int kBlock = 1024;
    std::vector<float> buf(kBlock * 2);
    std::vector<std::int16_t> pcm(kBlock * 2);
    media::AudioSource& synth = music::synthSource();
    while (state->IsRunning()) {
        std::fill(buf.begin(), buf.end(), 0.0f);
        synth.mixInto(buf.data(), kBlock, frame);
        frame += kBlock;
        if (raw) {
            for (std::size_t i = 0; i < buf.size(); ++i) {
                const float v = std::max(-1.0f, std::min(1.0f, buf[i]));
                pcm[i] = static_cast<std::int16_t>(v * 32767.0f);
            }
            raw.write(reinterpret_cast<const char*>(pcm.data()), std::streamsize(pcm.size() * sizeof(std::int16_t)));
        }
    }
    const auto t1 = std::chrono::steady_clock::now();
    const double secs = std::chrono::duration<double>(t1 - t0).count();
    const double audio = double(frame) / media::kSampleRate;
    std::printf("%.1f s of audio rendered in %.3f s (%.1fx real time)\n", audio, secs, audio / secs);
    return 0;
}
