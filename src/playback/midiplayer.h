#pragma once
// MIDI playback of .mid and .kar songs: the MIDI performance objects of the
// current song and the small run state around them, with the procedures that
// load, start, reposition, stop and measure a song.
//
// Positions are music time (768 units per quarter note). The progress bars,
// seeks and the times the sync files hold stay in music time; every time shown
// to the user (length and elapsed labels, the play list's length column, the
// lyric window's caption) is the song's real time at normal speed, read from
// its tempo map (MidiTimeText / MidiMsAt).
//
// Everything runs on the user-interface thread. The procedures never throw: a
// step that cannot be done (nothing loaded, no synthesiser) is skipped.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/music/performance.h"

namespace Kar {

// ---- the MIDI objects of the current song ------------------------------------

inline music::Loader MidiLoader;
// A new performance for every load (it starts with clean transposes and pans).
inline std::shared_ptr<music::Performance> MidiPerf;
inline std::shared_ptr<music::Segment> MidiSegment;
// The running segment (its GetSeek is the heard position in music time).
inline std::shared_ptr<music::SegmentState> MidiSegState;

// ---- run state -------------------------------------------------------------------

// The current song is loaded into the performance.
inline bool MidiLoaded = false;
// Music time from which PlayMidi starts the segment.
inline std::int32_t MidiStartPos = 0;
// 1 = loaded or stopped (MidiStartPos 0); 2 = repositioned by a seek or by the
// end of the song; 0 = started by PlayMidi. The lyric dispatch waits while it is
// 1 or 2.
inline std::int16_t MidiState = 1;

// ---- procedures ------------------------------------------------------------------

// Makes a new performance on the synthesiser and selects the MIDI output
// (modIni::MidiOut). The first time the synthesiser cannot start (no SoundFont)
// the user is told once; the song then plays silently with its lyrics.
void InitMidiPerformance();
// Loads the current song (the main window's Select_Song): stops what was
// loaded, analyses the file for its lyrics, makes a new performance, loads the
// segment, shows its length (Label_time, the selected play-list row, the lyric
// window's caption), resets speed and sliders. False when the file is not a
// MIDI file that can be read (MidiError() says why); nothing is loaded then.
bool LoadMidiFile();
// Starts (or restarts) the segment from MidiStartPos, loading the song first
// when needed, and picks the first lyric record due after that point. False
// when the song could not be loaded.
bool PlayMidi();
// Restarts the loaded song at `position` (music time); nothing when no song is
// loaded.
void SeekMidi(double position);
// Stops and releases the song: the clock Timer1 is switched off, the
// performance, segment and state are let go, the lyric arrays emptied.
void StopMidi();
// StopMidi, and the next start is from the beginning; clears the lyric window
// when it is shown.
void StopMidiRewind();
// The song has played to its end and stays loaded: a later PlayMidi plays its
// last 250 units again.
void StopMidiAtEnd();
// Appends the song's lyric lines, each followed by CR LF, to the lyric text
// window's box, then releases the MIDI objects.
void ShowMidiLyrics();
// Measures the current song for the play list (without touching the song that
// is playing) and writes its length into the selected row's length column when
// it differs. Returns the m:ss text ("" when the file cannot be read).
std::string GetMidiLength();

// ---- helpers -------------------------------------------------------------------

// Why the last LoadMidiFile failed ("" after a success).
const std::string& MidiError();
// Milliseconds of real time at normal speed from the start of the loaded song
// to music time `t` (its tempo map); without a song, at the analysed first tempo.
double MidiMsAt(double t);
// How fast the loaded song's music time runs at `t` at normal speed: units a
// second, and the music time at which the next tempo change ends that rate
// (infinity when none follows). Without a song, the analysed first tempo.
struct MidiTempoStretch {
    double unitsPerSecond = 0;
    double until = 0;
};
MidiTempoStretch MidiTempoAt(double t);
// m:ss of music time `t` of the loaded song, in real time at normal speed.
std::string MidiTimeText(double t);
// The m:ss length of a song file in real time at normal speed; "" when it is
// not a MIDI file that can be read.
std::string MidiFileLengthText(const std::string& path);
// The heard position of the running segment in music time (MidiStartPos when
// none runs).
std::int32_t MidiPosition();
// The loaded segment's length in music time (0 when none).
std::int32_t MidiLength();
// The tempo factor in use (1.0 without a performance).
float MidiMasterTempo();

// ---- the sound controls' values -------------------------------------------------------

// Media player volume for a slider value (0..127): -4500 at 0, 0 at 127.
long AudioVolume(int v);
// MIDI master volume for a slider value: -3000 at 0, -312 at 64, 2334 at 127.
long MidiVolume(int v);
// Tempo factor for the speed slider: steps of 1/15 from 0 to 2.0, 1.0 at 64.
float SpeedFactor(int v);
// Semitones for the transpose slider: even numbers from -12 to +12, 0 at 64.
int TransposeSemitones(int v);

} // namespace Kar
