#pragma once
// Standard MIDI file loader. A file is read into one merged, time-ordered list of
// channel messages on the music-time line of the performance: 768 ticks per
// quarter note whatever the file's own division, with the tempo map beside it.
//
// Reading is defensive: every length is checked against the data; a truncated
// track, a track length past the end, a missing End of Track, running status after
// a meta or SysEx event, unknown chunks and odd divisions never crash or hang the
// reader: what can be read is kept. Only data that is not a MIDI file at all (no
// "MThd" header, also inside a RIFF "RMID" wrapper) is refused.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace music {

// Music time: 768 ticks per quarter note.
using MusicTime = std::int32_t;
constexpr int kTicksPerQuarter = 768;
constexpr std::uint32_t kDefaultTempo = 500000; // µs per quarter note (120 bpm)

struct MidiMessage {
    std::int64_t time = 0;      // music time
    std::uint8_t status = 0;    // 0x80..0xEF, channel in the low nibble
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
};

struct TempoChange {
    std::int64_t time = 0;              // music time
    std::uint32_t usPerQuarter = kDefaultTempo;
};

struct Sequence {
    int format = 0;
    int trackCount = 0;                 // tracks actually read
    int division = 0;                   // raw header word
    std::vector<MidiMessage> events;    // sorted by time; same-time events keep track then file order
    std::vector<TempoChange> tempos;    // sorted by time; always starts with one at time 0
    // The tempo map as the file writes it: a tempo of 0, which `tempos` leaves
    // out (the tempo before holds), is kept here.
    std::vector<TempoChange> writtenTempos;
    std::int64_t length = 0;            // music time of the last event or End of Track
    bool damaged = false;               // something was cut short or skipped while reading
    // A track went on past the last music time there is: what lies there is not read.
    bool beyondReach = false;

    // Milliseconds from music time 0 to `t` at tempo factor 1, following the tempo map.
    double msAt(double t) const;
    // The same along the tempo map the file writes.
    double writtenMsAt(double t) const;
    // Tempo in force at music time t.
    std::uint32_t tempoAt(std::int64_t t) const;
};

// Parses a file held in memory; nullopt (and a reason in *error) when it is not a
// MIDI file at all.
std::optional<Sequence> parseStandardMidiFile(std::string_view bytes, std::string* error = nullptr);
// Reads and parses a file; nullopt (and a reason) when it cannot be read or parsed.
std::optional<Sequence> loadStandardMidiFile(const std::string& path, std::string* error = nullptr);

} // namespace music
