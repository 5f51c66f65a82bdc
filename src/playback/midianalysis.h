#pragma once
// MIDI file analysis for the lyric display: before a .mid or .kar song plays, the
// whole file is read here (independently of the MIDI performance) for its first
// tempo, its timed lyric syllables, its lyric lines and a small per-channel summary.
//
// This is the one place that decides how the program understands MIDI lyrics; the
// editor's import and the lyric windows depend on exactly these results. The
// lyric records are the meta events of the lyric track (or of the whole song),
// timed by a walk of the track events, so notes between the lyrics do not upset
// the times. The first tempo, the choice of the track and the channel summary
// stay byte searches. Every read is bounds-checked; no input makes it crash,
// hang or read outside the data.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Kar {

// One meta event found in the lyric track.
struct MidiEvent {
    double TimeMs = 0;        // the first event's own time plus the DeltaMs of records
                              // 1..this one: when the record after it falls due
    double DeltaMs = 0;       // time from this event to the next record, in ms (the last
                              // record: to the event after it in its track, else the
                              // DeltaMs of the record before it)
    std::string Text;         // the syllable (UTF-8); "" for every non-syllable event
    int TextLen = 0;          // length of Text in characters (code points)
    std::int32_t LinePos = 0; // characters of the line before this syllable (0 at a line start)
    std::int32_t LineNo = 0;  // index in MidiLines of the record's line
};

// Per-channel summary. The reserved fields are only ever 0.
struct MidiChannel {
    std::int16_t Reserved1 = 0;
    std::int16_t Reserved2 = 0;
    std::int16_t Program = 0;
    std::int16_t Used = -1;   // channel + 1 when the file holds a note-on for it, else -1
    std::int16_t Volume = 0;
    std::int16_t Pan = 64;
    std::int16_t Reserved3 = 0;
};

// The tempo a MIDI file has when it holds no tempo event (120 beats per minute).
constexpr long kDefaultMidiTempo = 500000;

// The whole song file, one char per byte, as last analysed.
inline std::string MidiFileData;
// Microseconds per quarter note, from the file's first tempo event (500000 when it has none).
inline long MidiTempo = kDefaultMidiTempo;
// 60000000 / MidiTempo rounded to two decimals.
inline float MidiBpm = 120.0f;
// Header division (ticks per quarter note) / 4, not rounded.
inline double MidiDivision4 = 0;
// Milliseconds per tick of the file.
inline double MidiMsPerTick = 0;
// The meta-event type whose texts are the syllables: 5 (lyric) or 1 (text); 0 before any analysis.
inline std::int32_t MidiLyricType = 0;
// Index 0 is an all-zero record that is never filled; 1..n in file order. Record 1
// is only the dispatch's starting point: when the first event is a syllable, an
// empty record at its time goes before it.
inline std::vector<MidiEvent> MidiEvents(1);
// One text per lyric line; index 0 collects what comes before the first line mark.
inline std::vector<std::string> MidiLines(1);
// Line 0 is text before the first line of a file that opens its lines with
// "/" or "\" (a title such as "DURATION: 46"), not a sung line: a single text
// heard at the start of the song or before its first note.
inline bool MidiLeadText = false;
// Whether lyric line `lineNo` is that title: the main window does not sing it
// and the editor does not import it.
inline bool IsTitleLine(long lineNo) { return lineNo == 0 && MidiLeadText; }
// Index of the record dispatched last.
inline std::int32_t MidiEventIdx = 0;
// Channels 0..15.
inline std::array<MidiChannel, 16> MidiChannels{};

// Reads the file at `path` and analyses it (see AnalyseMidiData). Returns false
// when the file cannot be opened or read; the lyric arrays and channel table are
// then empty (as after ResetMidiChannels) and the tempo values are the defaults.
bool AnalyseMidiFile(const std::string& path);
// Analyses a whole song file held in memory: fills MidiFileData, the tempo values,
// MidiLyricType, MidiEvents, MidiLines, MidiChannels, and sets MidiEventIdx to 0.
// Never fails: bytes that are missing or malformed simply yield less.
void AnalyseMidiData(std::string_view bytes);

// Walks one track's events (the data of an "MTrk" chunk) and makes a record of
// each meta event: fills MidiLyricType (5 when the track holds a lyric event,
// else 1), MidiEvents and MidiLines (both start afresh). Uses MidiMsPerTick for
// the times. A truncated or malformed event ends the walk. `firstNote` is the
// tick of the song's first sounding note, when known (it tells a title before
// the first line from a sung line).
void ParseKarTrack(std::string_view data, std::optional<std::uint64_t> firstNote = std::nullopt);
// The same for a whole song file: the meta events of all its tracks, merged in
// the order they are heard (by time; at equal times the earlier track first).
void ParseMergedTracks(std::string_view file);

// Converts the raw bytes of a MIDI text into UTF-8, in place, and returns it.
// Bytes that are valid UTF-8 as a whole are taken as UTF-8 (left unchanged).
// Otherwise the DOS letters of code page 437 listed in the lyric table (130 "é",
// 133 "à", 135 "ç", ...) become their letters and every other byte is read as
// Windows-1252. Pass the bytes as they stand in the file, not already-decoded text.
std::string& OemToAnsiLyric(std::string& text);

// Empties the lyric arrays (MidiEvents = one zero record, MidiLines = one ""),
// sets MidiEventIdx to 0 and every channel to (0, 0, 0, -1, 0, 64, 0).
void ResetMidiChannels();

// Number of characters (code points) of a UTF-8 text.
int Utf8Length(std::string_view text);

} // namespace Kar
