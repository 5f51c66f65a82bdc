// Files for comparing the loudness of MIDI songs with mastered audio songs.
//
//     bench_loudness FOLDER
//
// writes into FOLDER:
//   typical.mid   a General MIDI arrangement as songs have it: drums, bass,
//                 piano chords, strings and a lead at ordinary velocities, 30 s;
//   dense.mid     fifteen melodic channels and drums hammering fortissimo
//                 chords, 30 s (the clipping case);
//   mastered.mp3  music-like sound (chords, bass, drum hits, noise) limited and
//                 levelled as mastered pop music is: about -12 dBFS RMS with
//                 peaks just under 0 dBFS, 30 s, MPEG layer III.
// bench/loudness.sh plays them through the player into a PulseAudio null sink
// and prints what the sink heard.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "platform/music/gm_songs.h"

namespace {

bool writeMastered(const std::string& path, double seconds)
{
    constexpr int rate = 44100;
    const auto n = static_cast<std::size_t>(seconds * rate);
    std::vector<float> mix(2 * n);
    std::mt19937 rng(7);
    std::normal_distribution<float> noise(0.0f, 1.0f);
    const double chords[4][3] = {{261.6, 329.6, 392.0}, {220.0, 261.6, 329.6}, {174.6, 220.0, 261.6}, {196.0, 246.9, 293.7}};
    for (std::size_t i = 0; i < n; ++i) {
        const double t = double(i) / rate;
        const double* c = chords[static_cast<int>(t / 2.0) % 4];
        double v = 0;
        for (int k = 0; k < 3; ++k)
            for (int h = 1; h <= 4; ++h)
                v += 0.08 / h * std::sin(2 * M_PI * c[k] * h * t + k);
        v += 0.3 * std::sin(2 * M_PI * c[0] / 4 * t);
        const double beat = std::fmod(t, 0.5);
        v += 0.6 * std::exp(-beat * 30) * std::sin(2 * M_PI * 60 * beat);
        const double hat = std::fmod(t, 0.25);
        const float nz = noise(rng);
        v += 0.15 * std::exp(-hat * 60) * nz + 0.03 * nz;
        mix[2 * i] = static_cast<float>(v);
        mix[2 * i + 1] = static_cast<float>(v * 0.95 + 0.02 * noise(rng));
    }
    // Levelled to -12 dBFS RMS, then soft-limited under 0 dBFS as masters are.
    double sum = 0;
    for (float x : mix)
        sum += double(x) * x;
    const double gain = std::pow(10.0, -12.0 / 20.0) / std::sqrt(sum / double(mix.size()));
    for (float& x : mix)
        x = static_cast<float>(0.97 * std::tanh(x * gain / 0.97));
    return benchsupport::writeStereo(path, mix, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, rate);
}

bool writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok = writeBytes(dir + "/typical.mid", testmidi::gmSong(15, false)) &&
                    writeBytes(dir + "/dense.mid", testmidi::gmSong(15, true)) && writeMastered(dir + "/mastered.mp3", 30.0);
    if (!ok) {
        std::fprintf(stderr, "cannot write the files in %s\n", dir.c_str());
        return 1;
    }
    std::printf("%s/typical.mid\n%s/dense.mid\n%s/mastered.mp3\n", dir.c_str(), dir.c_str(), dir.c_str());
    return 0;
}
