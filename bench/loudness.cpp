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

namespace {

std::string vlq(std::uint32_t v)
{
    std::string out(1, char(v & 0x7F));
    while (v >>= 7)
        out.insert(out.begin(), char(0x80 | (v & 0x7F)));
    return out;
}

struct Track {
    std::string data;
    Track& ev(std::uint32_t delta, std::initializer_list<int> b)
    {
        data += vlq(delta);
        for (int x : b)
            data += char(x);
        return *this;
    }
    Track& on(std::uint32_t d, int ch, int key, int vel) { return ev(d, {0x90 | ch, key, vel}); }
    Track& off(std::uint32_t d, int ch, int key) { return ev(d, {0x80 | ch, key, 0}); }
    Track& program(std::uint32_t d, int ch, int p) { return ev(d, {0xC0 | ch, p}); }
    Track& end() { return ev(0, {0xFF, 0x2F, 0}); }
};

std::string be32(std::uint32_t v)
{
    return {char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)};
}

std::string file(const std::vector<Track>& tracks)
{
    std::string out = "MThd" + be32(6) + std::string("\x00\x01", 2) + char(0) + char(tracks.size()) +
                      std::string("\x00\x60", 2);
    for (const Track& t : tracks)
        out += "MTrk" + be32(static_cast<std::uint32_t>(t.data.size())) + t.data;
    return out;
}

// 120 bpm, 96 ticks a quarter note; `bars` bars.
std::string gmSong(int bars, bool dense)
{
    Track conductor;
    conductor.ev(0, {0xFF, 0x51, 3, 0x07, 0xA1, 0x20}).end();
    std::vector<Track> tracks{conductor};
    Track drums;
    for (int b = 0; b < bars * 8; ++b) {
        drums.on(0, 9, 42, dense ? 127 : 80);
        if (b % 4 == 0)
            drums.on(0, 9, 36, dense ? 127 : 100);
        if (b % 4 == 2)
            drums.on(0, 9, 38, dense ? 127 : 95);
        drums.off(48, 9, 42).off(0, 9, 36).off(0, 9, 38);
    }
    tracks.push_back(drums.end());
    const int chords[4][3] = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};
    if (dense) {
        for (int ch = 0; ch < 16; ++ch) {
            if (ch == 9)
                continue;
            Track t;
            t.program(0, ch, (ch * 7) % 80);
            const int shift = 12 * (ch % 3 - 1);
            for (int b = 0; b < bars * 8; ++b) {
                const int* c = chords[(b / 8) % 4];
                for (int k = 0; k < 3; ++k)
                    t.on(0, ch, c[k] + shift, 127);
                t.off(48, ch, c[0] + shift).off(0, ch, c[1] + shift).off(0, ch, c[2] + shift);
            }
            tracks.push_back(t.end());
        }
        return file(tracks);
    }
    Track bass, piano, strings, lead;
    bass.program(0, 1, 33);
    piano.program(0, 2, 0);
    strings.program(0, 3, 48);
    lead.program(0, 4, 73);
    for (int bar = 0; bar < bars; ++bar) {
        const int* c = chords[bar % 4];
        for (int q = 0; q < 4; ++q) {
            bass.on(0, 1, c[0] - 24, 90).off(90, 1, c[0] - 24).ev(6, {0xB1, 7, 100});
            for (int k = 0; k < 3; ++k)
                piano.on(0, 2, c[k], 70);
            piano.off(80, 2, c[0]).off(0, 2, c[1]).off(0, 2, c[2]).ev(16, {0xB2, 7, 100});
            lead.on(0, 4, c[q % 3] + 12, 95).off(90, 4, c[q % 3] + 12).ev(6, {0xB4, 7, 100});
        }
        for (int k = 0; k < 3; ++k)
            strings.on(0, 3, c[k] - 12, 65);
        strings.off(380, 3, c[0] - 12).off(0, 3, c[1] - 12).off(0, 3, c[2] - 12).ev(4, {0xB3, 7, 100});
    }
    for (Track* t : {&bass, &piano, &strings, &lead})
        tracks.push_back(t->end());
    return file(tracks);
}

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
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        return false;
    const bool ok = sf_writef_float(f, mix.data(), static_cast<sf_count_t>(n)) == static_cast<sf_count_t>(n);
    sf_close(f);
    return ok;
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
    const bool ok = writeBytes(dir + "/typical.mid", gmSong(15, false)) &&
                    writeBytes(dir + "/dense.mid", gmSong(15, true)) && writeMastered(dir + "/mastered.mp3", 30.0);
    if (!ok) {
        std::fprintf(stderr, "cannot write the files in %s\n", dir.c_str());
        return 1;
    }
    std::printf("%s/typical.mid\n%s/dense.mid\n%s/mastered.mp3\n", dir.c_str(), dir.c_str(), dir.c_str());
    return 0;
}
