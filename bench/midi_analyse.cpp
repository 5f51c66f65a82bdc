// Analyses a generated .kar file of about 50 KB many times and prints the mean
// time per analysis (the work done when a MIDI song is loaded).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "playback/midianalysis.h"

namespace {

std::string vlq(unsigned v) {
    std::string out(1, char(v & 0x7F));
    while (v >>= 7)
        out.insert(out.begin(), char(0x80 | (v & 0x7F)));
    return out;
}

std::string meta(unsigned delta, int type, const std::string& body) {
    return vlq(delta) + char(0xFF) + char(type) + vlq(unsigned(body.size())) + body;
}

std::string chunk(const std::string& tag, const std::string& body) {
    const auto n = unsigned(body.size());
    return tag + char(n >> 24) + char((n >> 16) & 0xFF) + char((n >> 8) & 0xFF) + char(n & 0xFF) + body;
}

// A karaoke song: a "Words" track of syllables and a melody track, ~50 KB.
std::string makeKar() {
    std::string words = meta(0, 3, "Words") + meta(0, 1, "@KMIDI KARAOKE FILE") + meta(0, 1, "@TBench Song");
    std::string melody;
    const char* syll[] = {"\\La ", "la ", "lee ", "lo", "/Sing ", "a ", "long ", "song"};
    for (int i = 0; i < 2000; ++i)
        words += meta(48, 1, syll[i % 8]);
    words += meta(0, 0x2F, "");
    for (int i = 0; i < 4000; ++i) {
        const char key = char(48 + i % 24);
        melody += vlq(0) + char(0x90) + key + char(100) + vlq(24) + char(0x80) + key + char(0);
    }
    melody += meta(0, 0x2F, "");
    std::string head = std::string("\x00\x01\x00\x03\x00\x60", 6);
    std::string tempo = meta(0, 0x51, std::string("\x07\xA1\x20", 3)) + meta(0, 0x2F, "");
    return chunk("MThd", head) + chunk("MTrk", tempo) + chunk("MTrk", words) + chunk("MTrk", melody);
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 500;
    const std::string kar = makeKar();
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
        Kar::ResetMidiChannels();
        Kar::AnalyseMidiData(kar);
    }
    const auto t1 = std::chrono::steady_clock::now();
    const double us = std::chrono::duration<double, std::micro>(t1 - t0).count() / rounds;
    std::printf("file %zu bytes, %zu records, %zu lines: %.1f us per analysis (%d rounds)\n", kar.size(),
                Kar::MidiEvents.size() - 1, Kar::MidiLines.size(), us, rounds);
    return 0;
}
