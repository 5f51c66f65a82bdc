#pragma once
// Songs as General MIDI files commonly are, for measuring what the synthesiser
// makes of them: the unit tests check their level, the loudness benchmark plays
// them through the sound server.
#include <string>
#include <vector>

#include "platform/music/smf_writer.h"

namespace testmidi {

// A General MIDI arrangement as songs have them: drums, bass, piano chords,
// strings and a lead, at ordinary velocities, `bars` bars at 120 bpm; with
// `dense`, fifteen melodic channels hammer fortissimo chords instead.
inline std::string gmSong(int bars, bool dense) {
    Track conductor;
    conductor.tempo(0, 500000).end();
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
            for (int b = 0; b < bars * 8; ++b) {
                const int* c = chords[(b / 8) % 4];
                for (int k = 0; k < 3; ++k)
                    t.on(0, ch, c[k] + 12 * (ch % 3 - 1), 127);
                t.off(48, ch, c[0] + 12 * (ch % 3 - 1)).off(0, ch, c[1] + 12 * (ch % 3 - 1)).off(0, ch, c[2] + 12 * (ch % 3 - 1));
            }
            tracks.push_back(t.end());
        }
        return file(1, 96, tracks);
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
    return file(1, 96, tracks);
}

} // namespace testmidi
