// Renders a MIDI file with the SoundFont as fast as possible, with no output
// device, for comparison with `fluidsynth -F out.raw -ni <sf2> <file.mid>`.
//   bench_midi_render file.mid [soundfont.sf2] [out.raw|-] [seconds]
// Prints the song length, the render time and the speed against real time; with
// out.raw, writes the rendered audio there (16-bit stereo, 44100 Hz, little-endian).
// By default renders the song, then its last notes until every voice has
// died away and two seconds more, as `fluidsynth -F` does, so both render the
// same length; with `seconds`, renders exactly that much audio.
// The synthesiser keeps FluidSynth's default settings (4th-order interpolation,
// 256 voices, reverb and chorus on), as the fluidsynth program does.
//
//   bench_midi_render --write-dense file.mid [seconds]
// writes a dense General MIDI song to render (default 60 s): fifteen melodic
// channels playing overlapping three-note chords in eighth notes, each with its
// own instrument and pan, and a drum kit in sixteenth notes.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/media/audio_source.h"
#include "platform/music/performance.h"

namespace {

struct TimedEvent {
    long tick;
    int order;  // note-offs before other events of the same tick
    std::string bytes;
};

std::string vlq(unsigned long v) {
    std::string out(1, char(v & 0x7F));
    while (v >>= 7)
        out.insert(out.begin(), char(0x80 | (v & 0x7F)));
    return out;
}

std::string chunk(const char* tag, const std::string& body) {
    const auto n = static_cast<std::uint32_t>(body.size());
    std::string out(tag, 4);
    for (int shift = 24; shift >= 0; shift -= 8)
        out += char((n >> shift) & 0xFF);
    return out + body;
}

std::string track(std::vector<TimedEvent> events, long endTick) {
    std::stable_sort(events.begin(), events.end(), [](const TimedEvent& a, const TimedEvent& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::string body;
    long at = 0;
    for (const TimedEvent& e : events) {
        body += vlq(static_cast<unsigned long>(e.tick - at)) + e.bytes;
        at = e.tick;
    }
    body += vlq(static_cast<unsigned long>(std::max(0L, endTick - at))) + std::string("\xFF\x2F\x00", 3);
    return chunk("MTrk", body);
}

bool writeDense(const char* path, double seconds) {
    constexpr int ppq = 480;                       // 120 bpm: 960 ticks a second
    const long endTick = static_cast<long>(seconds * 2 * ppq);
    const int programs[16] = {0, 48, 61, 33, 25, 52, 89, 73, 65, 0, 40, 19, 4, 56, 11, 81};
    // I - vi - IV - V, one chord a bar, as semitones above C.
    const int chords[4][3] = {{0, 4, 7}, {9, 12, 16}, {5, 9, 12}, {7, 11, 14}};
    std::string file = chunk("MThd", std::string("\x00\x01\x00\x11\x01\xE0", 6));
    file += track({{0, 1, std::string("\xFF\x51\x03\x07\xA1\x20", 6)}}, endTick);
    for (int ch = 0; ch < 16; ++ch) {
        std::vector<TimedEvent> ev;
        const char status = char(ch);
        ev.push_back({0, 1, std::string{char(0xC0 | status), char(programs[ch])}});
        ev.push_back({0, 1, std::string{char(0xB0 | status), 7, 100}});
        ev.push_back({0, 1, std::string{char(0xB0 | status), 10, char((ch * 37) % 128)}});
        auto note = [&](long tick, long length, int key, int velocity) {
            ev.push_back({tick, 1, std::string{char(0x90 | status), char(key), char(velocity)}});
            ev.push_back({tick + length, 0, std::string{char(0x80 | status), char(key), 0}});
        };
        if (ch == 9) {
            for (long t = 0, i = 0; t + ppq / 4 <= endTick; t += ppq / 4, ++i) {
                note(t, ppq / 8, 42, 70 + int(i % 4) * 10);         // closed hi-hat
                if (i % 4 == 0)
                    note(t, ppq / 8, 36, 110);                    // kick on the beat
                if (i % 8 == 4)
                    note(t, ppq / 8, 38, 100);                    // snare on 2 and 4
                if (i % 64 == 0)
                    note(t, ppq, 49, 100);                        // crash every four bars
            }
        } else {
            const int octave = 36 + 12 * (ch % 4);
            const long offset = (ch * 7) % (ppq / 2);            // the channels do not all strike at once
            for (long t = offset, i = 0; t + ppq <= endTick; t += ppq / 2, ++i) {
                const int* chord = chords[(t / (4 * ppq)) % 4];
                for (int k = 0; k < 3; ++k)
                    note(t, ppq * 3 / 4, octave + chord[k], 70 + int((i * 13 + ch * 5) % 40));
            }
        }
        file += track(std::move(ev), endTick);
    }
    std::ofstream out(path, std::ios::binary);
    out << file;
    return bool(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--write-dense") == 0) {
        const double seconds = argc > 3 ? std::max(1.0, std::atof(argv[3])) : 60.0;
        if (!writeDense(argv[2], seconds)) {
            std::fprintf(stderr, "cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s file.mid [soundfont.sf2] [out.raw|-] [seconds]\n", argv[0]);
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
    if (argc > 3 && std::strcmp(argv[3], "-") != 0)
        raw.open(argv[3], std::ios::binary);
    const std::int64_t exactFrames =
        argc > 4 ? static_cast<std::int64_t>(std::atof(argv[4]) * media::kSampleRate + 0.5) : -1;

    const auto t0 = std::chrono::steady_clock::now();
    auto state = perf.PlaySegment(seg, 0, 0);
    constexpr int kBlock = 1024;
    std::vector<float> buf(kBlock * 2);
    std::vector<std::int16_t> pcm(kBlock * 2);
    media::AudioSource& synth = music::synthSource();
    // The song, then its tail as `fluidsynth -F` renders it: until the last
    // voice has died away, then two seconds more (bounded, should a note
    // never end).
    std::int64_t songEnd = -1, silentFrom = -1;
    const auto rendering = [&] {
        if (exactFrames >= 0)
            return frame < exactFrames;
        if (state->IsRunning())
            return true;
        if (songEnd < 0)
            songEnd = frame;
        if (silentFrom < 0 && (music::soundingVoices() == 0 || frame - songEnd >= 30 * media::kSampleRate))
            silentFrom = frame;
        return silentFrom < 0 || frame - silentFrom < 2 * media::kSampleRate;
    };
    while (rendering()) {
        const int n = exactFrames >= 0 ? static_cast<int>(std::min<std::int64_t>(kBlock, exactFrames - frame)) : kBlock;
        std::fill(buf.begin(), buf.end(), 0.0f);
        synth.mixInto(buf.data(), n, frame);
        frame += n;
        if (raw) {
            for (std::size_t i = 0; i < std::size_t(n) * 2; ++i) {
                const float v = std::max(-1.0f, std::min(1.0f, buf[i]));
                pcm[i] = static_cast<std::int16_t>(v * 32767.0f);
            }
            raw.write(reinterpret_cast<const char*>(pcm.data()), std::streamsize(std::size_t(n) * 2 * sizeof(std::int16_t)));
        }
    }
    const auto t1 = std::chrono::steady_clock::now();
    const double secs = std::chrono::duration<double>(t1 - t0).count();
    const double audio = double(frame) / media::kSampleRate;
    std::printf("%.1f s of audio rendered in %.3f s (%.1fx real time)\n", audio, secs, audio / secs);
    return 0;
}
