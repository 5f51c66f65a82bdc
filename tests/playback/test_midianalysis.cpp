// The lyric analysis of MIDI files: tempo values, the choice of the lyric track,
// syllables and lines, DOS letters, the channel summary, and hostile bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "playback_fixture.h"
#include "platform/music/smf.h"
#include "platform/music/smf_writer.h"
#include "playback/midianalysis.h"
#include "support/testdir.h"

using namespace testmidi;

namespace {

// A .kar file as karaoke tools write it: a conductor track, a "Words" track with
// text events, and a melody track.
std::string karFile(int division = 96, std::uint32_t tempoUs = 500000) {
    Track conductor;
    conductor.tempo(0, tempoUs).end();
    Track words;
    words.name(0, "Words")
        .text(0, "@KMIDI KARAOKE FILE")
        .text(0, "@TMy Song")
        .text(96, "\\Hel")
        .text(48, "lo ")
        .text(96, "/world")
        .end(24);
    Track melody;
    melody.program(0, 0, 5).on(0, 0, 60).ev(96, {60, 0}).ev(0, {62, 100}).ev(96, {62, 0}).end(); // running status
    return file(1, division, {conductor, words, melody});
}

// The FF-level scan keeps these true whatever it was given.
void expectConsistent() {
    ASSERT_FALSE(Kar::MidiEvents.empty());
    ASSERT_FALSE(Kar::MidiLines.empty());
    EXPECT_EQ(Kar::MidiEvents[0].TimeMs, 0.0);
    EXPECT_EQ(Kar::MidiEvents[0].Text, "");
    for (const Kar::MidiEvent& e : Kar::MidiEvents) {
        ASSERT_GE(e.LineNo, 0);
        ASSERT_LT(std::size_t(e.LineNo), Kar::MidiLines.size());
        ASSERT_TRUE(std::isfinite(e.TimeMs));
        ASSERT_GE(e.DeltaMs, 0.0);
    }
    EXPECT_TRUE(Kar::MidiLyricType == 1 || Kar::MidiLyricType == 5);
}

class MidiAnalysis : public ::testing::Test {
protected:
    void SetUp() override { Kar::ResetMidiChannels(); }
};

} // namespace

TEST_F(MidiAnalysis, WordsTrackGivesSyllablesLinesAndTimes) {
    Kar::AnalyseMidiData(karFile());
    EXPECT_EQ(Kar::MidiTempo, 500000);
    EXPECT_FLOAT_EQ(Kar::MidiBpm, 120.0f);
    EXPECT_DOUBLE_EQ(Kar::MidiDivision4, 24.0);
    EXPECT_NEAR(Kar::MidiMsPerTick, 500000.0 / 96 / 1000, 1e-12);
    EXPECT_EQ(Kar::MidiLyricType, 1);
    EXPECT_EQ(Kar::MidiEventIdx, 0);

    // name, two "@" texts, three syllables, end of track
    ASSERT_EQ(Kar::MidiEvents.size(), 8u);
    const auto& ev = Kar::MidiEvents;
    EXPECT_EQ(ev[1].Text, "");
    EXPECT_EQ(ev[2].Text, "");        // @K information text
    EXPECT_EQ(ev[3].Text, "");        // @T information text
    EXPECT_EQ(ev[4].Text, "Hel");
    EXPECT_EQ(ev[4].LineNo, 1);
    EXPECT_EQ(ev[4].LinePos, 0);
    EXPECT_EQ(ev[5].Text, "lo ");
    EXPECT_EQ(ev[5].TextLen, 3);
    EXPECT_EQ(ev[5].LineNo, 1);
    EXPECT_EQ(ev[5].LinePos, 3);
    EXPECT_EQ(ev[6].Text, "world");
    EXPECT_EQ(ev[6].LineNo, 2);
    EXPECT_EQ(ev[6].LinePos, 0);
    EXPECT_EQ(ev[7].Text, "");
    EXPECT_EQ(ev[7].LineNo, 2);
    EXPECT_EQ(ev[7].LinePos, 5);

    ASSERT_EQ(Kar::MidiLines.size(), 3u);
    EXPECT_EQ(Kar::MidiLines[0], "");
    EXPECT_EQ(Kar::MidiLines[1], "Hello ");
    EXPECT_EQ(Kar::MidiLines[2], "world");

    // Each record carries the delta that follows it: 96 ticks = 500 ms here.
    EXPECT_NEAR(ev[3].TimeMs, 500.0, 1e-9);   // the delta before "\Hel"
    EXPECT_NEAR(ev[4].TimeMs, 750.0, 1e-9);
    EXPECT_NEAR(ev[5].TimeMs, 1250.0, 1e-9);
    EXPECT_NEAR(ev[6].TimeMs, 1375.0, 1e-9);
    EXPECT_NEAR(ev[6].DeltaMs, 125.0, 1e-9);
    // The end of track has no delta after it: it keeps the bytes of the one before.
    EXPECT_NEAR(ev[7].TimeMs, 1500.0, 1e-9);
    expectConsistent();
}

TEST_F(MidiAnalysis, DivisionAndTempoSetTheTickLength) {
    Kar::AnalyseMidiData(karFile(480, 600000));
    EXPECT_EQ(Kar::MidiTempo, 600000);
    EXPECT_FLOAT_EQ(Kar::MidiBpm, 100.0f);
    EXPECT_DOUBLE_EQ(Kar::MidiDivision4, 120.0);
    EXPECT_NEAR(Kar::MidiMsPerTick, 1.25, 1e-12);
    EXPECT_NEAR(Kar::MidiEvents[4].DeltaMs, 48 * 1.25, 1e-9);

    Kar::AnalyseMidiData(karFile(768, 700000));
    EXPECT_FLOAT_EQ(Kar::MidiBpm, 85.71f);
    EXPECT_NEAR(Kar::MidiMsPerTick, 700000.0 / 768 / 1000, 1e-12);
}

TEST_F(MidiAnalysis, OnlyTheFirstTempoCounts) {
    Track t;
    t.tempo(0, 400000).text(96, "a").tempo(0, 1000000).text(96, "b").end();
    Kar::AnalyseMidiData(file(0, 96, {t}));
    EXPECT_EQ(Kar::MidiTempo, 400000);
    EXPECT_FLOAT_EQ(Kar::MidiBpm, 150.0f);
}

TEST_F(MidiAnalysis, FileWithoutTempoUsesTheStandardTempoNotThePreviousSong) {
    Kar::AnalyseMidiData(karFile(96, 250000));
    ASSERT_EQ(Kar::MidiTempo, 250000);
    Track words;
    words.name(0, "Words").text(96, "\\la").end(96);
    Kar::AnalyseMidiData(file(0, 96, {words}));
    EXPECT_EQ(Kar::MidiTempo, 500000);
    EXPECT_FLOAT_EQ(Kar::MidiBpm, 120.0f);
    EXPECT_NEAR(Kar::MidiEvents[1].TimeMs, 500.0, 1e-9);
}

TEST_F(MidiAnalysis, SmpteDivisionIsTimedByFrames) {
    // 25 frames per second, 40 ticks per frame: one tick per millisecond.
    Track words;
    words.name(0, "Words").text(250, "\\one").text(100, "two").end();
    Kar::AnalyseMidiData(file(0, 0xE728, {words}));
    EXPECT_NEAR(Kar::MidiMsPerTick, 1.0, 1e-12);
    EXPECT_NEAR(Kar::MidiEvents[1].TimeMs, 250.0, 1e-9);
    EXPECT_NEAR(Kar::MidiEvents[2].TimeMs, 350.0, 1e-9);
    expectConsistent();
}

TEST_F(MidiAnalysis, DivisionZeroGivesTimeZeroNotInfinity) {
    Track words;
    words.name(0, "Words").text(250, "\\one").text(100, "two").end();
    Kar::AnalyseMidiData(file(0, 0, {words}));
    EXPECT_EQ(Kar::MidiMsPerTick, 0.0);
    for (const auto& e : Kar::MidiEvents)
        EXPECT_EQ(e.TimeMs, 0.0);
    EXPECT_EQ(Kar::MidiLines[1], "onetwo");
}

TEST_F(MidiAnalysis, LineMarksAndInformationTexts) {
    Track words;
    words.name(0, "Words")
        .text(10, "\\first")
        .text(10, "@Lno line")  // information text: a record, no line change
        .text(10, "/")           // empty line
        .text(10, " \\ ")        // empty line, blanks around
        .text(10, "\r")          // empty line
        .text(10, "/  second")   // leading blanks dropped after the mark
        .text(10, " /not a mark")
        .end();
    Kar::AnalyseMidiData(file(0, 96, {words}));
    const auto& ev = Kar::MidiEvents;
    ASSERT_EQ(ev.size(), 10u);
    EXPECT_EQ(ev[3].Text, "");
    EXPECT_EQ(ev[3].LineNo, 1);
    EXPECT_EQ(ev[4].Text, "");
    EXPECT_EQ(ev[4].LineNo, 2);
    EXPECT_EQ(ev[5].LineNo, 3);
    EXPECT_EQ(ev[6].LineNo, 4);
    EXPECT_EQ(ev[7].Text, "second");
    EXPECT_EQ(ev[7].LineNo, 5);
    EXPECT_EQ(ev[8].Text, " /not a mark");
    EXPECT_EQ(ev[8].LinePos, 6);
    ASSERT_EQ(Kar::MidiLines.size(), 6u);
    EXPECT_EQ(Kar::MidiLines[1], "first");
    EXPECT_EQ(Kar::MidiLines[2], "");
    EXPECT_EQ(Kar::MidiLines[4], "");
    EXPECT_EQ(Kar::MidiLines[5], "second /not a mark");
}

TEST_F(MidiAnalysis, LyricEventsWinOverTextEvents) {
    // No "Words" track and fewer than 50 texts: the whole file is scanned, and
    // with lyric events present only they are syllables.
    Track conductor;
    conductor.tempo(0, 500000).text(0, "a text").end();
    Track voice;
    voice.lyric(0, "\\Sing").lyric(96, "ing").text(0, "ignored").lyric(96, "/on").end();
    Kar::AnalyseMidiData(file(1, 96, {conductor, voice}));
    EXPECT_EQ(Kar::MidiLyricType, 5);
    std::vector<std::string> syllables;
    for (const auto& e : Kar::MidiEvents)
        if (!e.Text.empty())
            syllables.push_back(e.Text);
    EXPECT_EQ(syllables, (std::vector<std::string>{"Sing", "ing", "on"}));
    EXPECT_EQ(Kar::MidiLines[1], "Singing");
    EXPECT_EQ(Kar::MidiLines[2], "on");
    expectConsistent();
}

TEST_F(MidiAnalysis, ChunkWithFiftyTextsIsTheLyricTrack) {
    Track conductor;
    conductor.tempo(0, 500000).end();
    Track few;
    for (int i = 0; i < 10; ++i)
        few.text(10, "x");
    few.end();
    Track many;
    many.text(0, "\\start");
    for (int i = 0; i < 49; ++i)
        many.text(10, "s");
    many.end();
    Kar::AnalyseMidiData(file(1, 96, {conductor, few, many}));
    // The track opens with a syllable: an empty starting record goes before it.
    EXPECT_EQ(Kar::MidiEvents.size(), 1u + 1u + 50u + 1u);
    EXPECT_EQ(Kar::MidiEvents[2].Text, "start");
    EXPECT_EQ(Kar::MidiLines[1], "start" + std::string(49, 's'));
}

TEST_F(MidiAnalysis, DosLettersBecomeTheirAccentedLetters) {
    std::string s = "\x82t\x82";
    EXPECT_EQ(Kar::OemToAnsiLyric(s), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(s, "\xC3\xA9t\xC3\xA9");
    s = "gar\x87on \x85 l'\x90t\x82 \xAB \x8E";
    EXPECT_EQ(Kar::OemToAnsiLyric(s), "gar\xC3\xA7on \xC3\xA0 l'\xC3\x89t\xC3\xA9 \xC2\xBD A");
    s = "plain text";
    EXPECT_EQ(Kar::OemToAnsiLyric(s), "plain text");
    // Text that is already UTF-8 keeps its letters (à is C3 A0: A0 must stay).
    s = "d\xC3\xA9j\xC3\xA0";
    EXPECT_EQ(Kar::OemToAnsiLyric(s), "d\xC3\xA9j\xC3\xA0");
    // Windows-1252 bytes outside the DOS table.
    s = "caf\xE9";
    EXPECT_EQ(Kar::OemToAnsiLyric(s), "caf\xC3\xA9");

    Track t;
    t.name(0, "Words").text(0, "\\\x82t\x82").end();
    Kar::AnalyseMidiData(file(0, 96, {t}));
    EXPECT_EQ(Kar::MidiLines[1], "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(Kar::MidiEvents[2].TextLen, 3);
}

TEST_F(MidiAnalysis, ChannelSummary) {
    Track t;
    t.program(0, 0, 0)          // program 0 is passed over
        .program(0, 0, 5)
        .cc(0, 0, 7, 127)       // volumes 127 and 0 are passed over
        .cc(0, 0, 7, 0)
        .on(0, 0, 60)
        .cc(0, 1, 7, 80)
        .cc(0, 1, 10, 0)        // pan 0: the next pan counts
        .cc(0, 1, 10, 30)
        .on(0, 1, 62)
        .cc(0, 3, 10, 20)       // no note on channel 3
        .end();
    Kar::AnalyseMidiData(file(0, 96, {t}));
    const auto& ch = Kar::MidiChannels;
    EXPECT_EQ(ch[0].Used, 1);
    EXPECT_EQ(ch[0].Program, 5);
    EXPECT_EQ(ch[0].Volume, 100);
    EXPECT_EQ(ch[0].Pan, 64);
    EXPECT_EQ(ch[1].Used, 2);
    EXPECT_EQ(ch[1].Volume, 80);
    EXPECT_EQ(ch[1].Pan, 30);
    for (int c : {2, 3, 9, 15}) {
        EXPECT_EQ(ch[c].Used, -1) << c;
        EXPECT_EQ(ch[c].Program, 0);
        EXPECT_EQ(ch[c].Volume, 0);
        EXPECT_EQ(ch[c].Pan, 64);
    }
}

TEST_F(MidiAnalysis, FileOnDiskAndMissingFile) {
    testsupport::TempDir dir;
    const std::string path = dir.write("song.kar", karFile());
    EXPECT_TRUE(Kar::AnalyseMidiFile(path));
    EXPECT_EQ(Kar::MidiLines[1], "Hello ");
    EXPECT_EQ(Kar::MidiFileData.size(), karFile().size());

    EXPECT_FALSE(Kar::AnalyseMidiFile(dir.file("missing.kar")));
    EXPECT_EQ(Kar::MidiEvents.size(), 1u);
    EXPECT_EQ(Kar::MidiLines.size(), 1u);
    EXPECT_EQ(Kar::MidiTempo, 500000);
}

// ---- Lyrics among other events: times come from the event walk ------------------

namespace {

// Texts of the records, in order (records 1..n).
std::vector<std::string> texts() {
    std::vector<std::string> out;
    for (std::size_t i = 1; i < Kar::MidiEvents.size(); ++i)
        out.push_back(Kar::MidiEvents[i].Text);
    return out;
}

// When record i is shown: the TimeMs of the record before it.
double shownAt(std::size_t i) {
    return Kar::MidiEvents[i - 1].TimeMs;
}

// A karaoke file as simple tools write it: a conductor track, a track of text
// events (the "@" information texts, then one syllable per quarter note, a new
// line every `perLine` syllables) with no "Words" name, and a melody track with
// one note per quarter note. 96 ticks per quarter note at 120 bpm: 500 ms each.
std::string unnamedKarFile(int syllables, int notes, int perLine = 7) {
    static const char* const words[] = {"Sing", "ing ", "in ", "the ", "rain ", "a", "gain "};
    Track conductor;
    conductor.tempo(0, 500000).end();
    Track lyrics;
    lyrics.text(0, "@KMIDI KARAOKE FILE").text(0, "@TSystem test");
    for (int i = 0; i < syllables; ++i) {
        std::string w = words[i % 7];
        if (i % perLine == 0)
            w = "/" + w;
        lyrics.text(i == 0 ? 0 : 96, w);
    }
    lyrics.end();
    Track melody;
    melody.program(0, 0, 0).cc(0, 0, 7, 127);
    for (int i = 0; i < notes; ++i)
        melody.on(0, 0, 60 + i % 12, 110).off(96, 0, 60 + i % 12);
    melody.end();
    return file(1, 96, {conductor, lyrics, melody});
}

} // namespace

TEST_F(MidiAnalysis, WordsTrackWithNotesBetweenTheSyllables) {
    // Notes, a controller, a program change and a SysEx between the syllables;
    // the notes after the first use running status, also across a syllable.
    Track words;
    words.name(0, "Words")
        .on(0, 0, 60)
        .text(0, "\\Hel")
        .ev(48, {60, 0})                     // running status: note 60 off
        .cc(0, 0, 7, 90)
        .text(48, "lo ")
        .on(0, 0, 62)
        .ev(0, {0xF0, 3, 0x7E, 0x7F, 0xF7})  // SysEx
        .program(0, 0, 3)
        .text(96, "/world")
        .ev(96, {0x90, 62, 0})
        .end(0);
    Kar::AnalyseMidiData(file(0, 96, {words}));
    EXPECT_EQ(texts(), (std::vector<std::string>{"", "Hel", "lo ", "world", ""}));
    EXPECT_EQ(Kar::MidiLines[1], "Hello ");
    EXPECT_EQ(Kar::MidiLines[2], "world");
    // 96 ticks are 500 ms.
    EXPECT_NEAR(shownAt(2), 0.0, 1e-9);
    EXPECT_NEAR(shownAt(3), 500.0, 1e-9);
    EXPECT_NEAR(shownAt(4), 1000.0, 1e-9);
    EXPECT_NEAR(shownAt(5), 1500.0, 1e-9);   // the end of track, after the last note
    EXPECT_NEAR(Kar::MidiEvents[3].DeltaMs, 500.0, 1e-9);
    expectConsistent();
}

TEST_F(MidiAnalysis, TrackOfFiftyTextsAmongNotesIsTimedByItsEvents) {
    Track conductor;
    conductor.tempo(0, 500000).end();
    Track voice;
    voice.name(0, "Voice");
    for (int i = 0; i < 60; ++i)
        voice.text(i == 0 ? 0 : 24, "s").on(0, 1, 64).off(72, 1, 64);
    voice.end();
    Kar::AnalyseMidiData(file(1, 96, {conductor, voice}));
    ASSERT_EQ(Kar::MidiEvents.size(), 1u + 1u + 60u + 1u);
    for (std::size_t i = 2; i <= 61; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Kar::MidiEvents[i].Text, "s");
        EXPECT_NEAR(shownAt(i), double(i - 2) * 500.0, 1e-6);
    }
}

TEST_F(MidiAnalysis, FileWithoutWordsTrackMergesAllTracksByTime) {
    // The file of the system test: texts in the second track, notes in the third.
    Kar::AnalyseMidiData(unnamedKarFile(8, 8));
    EXPECT_EQ(Kar::MidiLyricType, 1);
    // Heard order: at time 0 the conductor's tempo and end, the two information
    // texts (empty records) and the first syllable; the melody's end comes last.
    const auto t = texts();
    ASSERT_EQ(t.size(), 2u + 2u + 8u + 1u + 1u);
    EXPECT_EQ(t[0], "");
    EXPECT_EQ(t[1], "");
    EXPECT_EQ(t[2], "");
    EXPECT_EQ(t[3], "");
    EXPECT_EQ(std::vector<std::string>(t.begin() + 4, t.begin() + 12),
              (std::vector<std::string>{"Sing", "ing ", "in ", "the ", "rain ", "a", "gain ", "Sing"}));
    EXPECT_EQ(t[12], "");
    EXPECT_EQ(t[13], "");
    ASSERT_EQ(Kar::MidiLines.size(), 3u);
    EXPECT_EQ(Kar::MidiLines[1], "Singing in the rain again ");
    EXPECT_EQ(Kar::MidiLines[2], "Sing");

    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(shownAt(std::size_t(5 + i)), 500.0 * i, 1e-9);
    }
    // The end of the words track at 3.5 s, then the melody's at 4 s.
    EXPECT_NEAR(shownAt(14), 4000.0, 1e-9);
    EXPECT_NEAR(Kar::MidiEvents.back().TimeMs, 4500.0, 1e-9);
    expectConsistent();
}

TEST_F(MidiAnalysis, LyricEventsInANoteTrack) {
    // A standard MIDI file of one track: lyric events between the notes, a text
    // event that is no syllable, long deltas in two, three and four bytes.
    Track t;
    t.name(0, "Song")
        .tempo(0, 500000)
        .program(0, 0, 1)
        .lyric(0, "\\Long")
        .on(0, 0, 60)
        .off(200, 0, 60)                  // 200: two bytes
        .lyric(0, "er ")
        .text(0, "comment")
        .on(0, 0, 62)
        .ev(20000, {62, 0})               // three bytes, running status
        .lyric(0, "and")
        .on(2100000, 0, 64)               // four bytes
        .lyric(0, "/longest")
        .off(96, 0, 64)
        .end();
    Kar::AnalyseMidiData(file(0, 96, {t}));
    EXPECT_EQ(Kar::MidiLyricType, 5);
    EXPECT_EQ(texts(), (std::vector<std::string>{"", "", "Long", "er ", "", "and", "longest", ""}));
    EXPECT_EQ(Kar::MidiLines[1], "Longer and");
    EXPECT_EQ(Kar::MidiLines[2], "longest");
    const double tick = 500.0 / 96;
    EXPECT_NEAR(shownAt(3), 0.0, 1e-6);
    EXPECT_NEAR(shownAt(4), 200 * tick, 1e-6);
    EXPECT_NEAR(shownAt(5), 200 * tick, 1e-6);
    EXPECT_NEAR(shownAt(6), 20200 * tick, 1e-6);
    EXPECT_NEAR(shownAt(7), 2120200 * tick, 1e-4);
    EXPECT_NEAR(shownAt(8), 2120296 * tick, 1e-4);
    expectConsistent();
}

TEST_F(MidiAnalysis, FFBytesInsideDeltasAndTextsAreNoEvents) {
    // A delta of 16261 ticks is written FF 05, a long text has a two-byte
    // length, and a text may hold the byte FF: none of these makes a record,
    // and the FF 05 in the delta makes no lyric type.
    const std::string longText = "\\" + std::string(199, 'a');
    Track words;
    words.name(0, "Words")
        .text(0, longText)
        .text(16261, "b\xFF" "c")
        .text(96, "d")
        .end();
    Kar::AnalyseMidiData(file(0, 96, {words}));
    EXPECT_EQ(Kar::MidiLyricType, 1);
    ASSERT_EQ(Kar::MidiEvents.size(), 6u);
    EXPECT_EQ(Kar::MidiEvents[2].Text, std::string(199, 'a'));
    EXPECT_EQ(Kar::MidiEvents[2].TextLen, 199);
    EXPECT_EQ(Kar::MidiEvents[3].Text, "b\xC3\xBF" "c");
    EXPECT_EQ(Kar::MidiLines[1], std::string(199, 'a') + "b\xC3\xBF" "cd");
    EXPECT_NEAR(Kar::MidiEvents[2].DeltaMs, 16261 * 500.0 / 96, 1e-6);
    EXPECT_NEAR(Kar::MidiEvents[3].TimeMs, 16357 * 500.0 / 96, 1e-6);
    expectConsistent();
}

TEST_F(MidiAnalysis, BrokenTrackKeepsWhatCameBefore) {
    // A data byte with no status to belong to ends the walk: the syllables
    // before it stay, with their times.
    Track words;
    words.name(0, "Words").text(0, "\\one").text(96, "two").raw(bytes({0x00, 0x3C, 0x40})).text(96, "lost").end();
    Kar::AnalyseMidiData(file(0, 96, {words}));
    EXPECT_EQ(texts(), (std::vector<std::string>{"", "one", "two"}));
    EXPECT_NEAR(shownAt(3), 500.0, 1e-9);
    // The last record has a delta read after it: the time to that event.
    EXPECT_NEAR(Kar::MidiEvents[3].DeltaMs, 0.0, 1e-9);

    // A text whose length runs past the end of the file keeps what is there.
    Track cut;
    cut.name(0, "Words").text(0, "\\one").raw(bytes({0x60, 0xFF, 0x01, 0x20})).raw("tw");
    Kar::AnalyseMidiData(header(0, 1, 96) + chunk("MTrk", cut.data));
    EXPECT_EQ(texts(), (std::vector<std::string>{"", "one", "tw"}));
    EXPECT_NEAR(shownAt(3), 500.0, 1e-9);
    expectConsistent();

    // Merging also takes a track after a chunk that is no track, and more
    // tracks than the header announces.
    Track conductor;
    conductor.tempo(0, 500000).end();
    Track voice;
    voice.lyric(0, "\\a").on(0, 0, 60).off(96, 0, 60).lyric(0, "b").end();
    Kar::AnalyseMidiData(header(1, 1, 96) + chunk("MTrk", conductor.data) + chunk("XXXX", "\xFF\x05\x01z") +
                         chunk("MTrk", voice.data));
    EXPECT_EQ(texts(), (std::vector<std::string>{"", "", "a", "b", ""}));
    EXPECT_NEAR(shownAt(4), 500.0, 1e-9);
}

// The karaoke file of the system test, played from the main window: its
// syllables are sung one after the other, at their times.
class MidiLyricPlayback : public pbtest::PlaybackTest {};

TEST_F(MidiLyricPlayback, TextTrackWithoutWordsNameIsSungFromTheMainWindow) {
    const std::string song = dir.write("song.kar", unnamedKarFile(8, 16));
    playRow(addRow(song));
    ASSERT_TRUE(modIni::IsPlaying);
    ASSERT_EQ(modIni::MediaKind, "midi");

    std::vector<std::string> sung;   // each new state of the sung part
    double secondAt = -1;            // sound played when "ing " was sung
    bool sawLine = false;
    for (int ms = 10; ms <= 7000 && modIni::IsPlaying; ms += 10) {
        playFor(10);
        if (sung.empty() ? !Kar::MidiSungText.empty() : Kar::MidiSungText != sung.back())
            sung.push_back(Kar::MidiSungText);
        if (secondAt < 0 && Kar::MidiSungText == "Singing ")
            secondAt = ms;
        for (int s = 1; s <= 8; ++s)
            sawLine = sawLine || Kar::KarPageLines[static_cast<std::size_t>(s)] == "Singing in the rain again ";
    }
    EXPECT_TRUE(sawLine);
    const std::vector<std::string> firstLine = {"Sing", "Singing ", "Singing in ", "Singing in the ",
                                                "Singing in the rain ", "Singing in the rain a"};
    ASSERT_GE(sung.size(), firstLine.size());
    EXPECT_EQ(std::vector<std::string>(sung.begin(), sung.begin() + std::ptrdiff_t(firstLine.size())), firstLine);
    // Half a second of music lies between the first two syllables.
    EXPECT_GE(secondAt, 500);
    EXPECT_LE(secondAt, 3000);
    EXPECT_EQ(questionCount(), 0);
}

// ---- Hostile bytes: both readers, never a crash, hang or stray read -------------

namespace {

void feedBoth(const std::string& bytes) {
    Kar::AnalyseMidiData(bytes);
    expectConsistent();
    std::string why;
    auto seq = music::parseStandardMidiFile(bytes, &why);
    if (!seq) {
        EXPECT_FALSE(why.empty());
        return;
    }
    ASSERT_FALSE(seq->tempos.empty());
    EXPECT_EQ(seq->tempos.front().time, 0);
    std::int64_t last = 0;
    for (const auto& e : seq->events) {
        ASSERT_GE(e.time, last);
        ASSERT_LE(e.time, seq->length);
        ASSERT_GE(e.status, 0x80);
        ASSERT_LT(e.status, 0xF0);
        ASSERT_LT(e.data1, 0x80);
        ASSERT_LT(e.data2, 0x80);
        last = e.time;
    }
    for (const auto& t : seq->tempos)
        ASSERT_GT(t.usPerQuarter, 0u);
}

} // namespace

TEST(MidiHostileInput, TableOfBrokenFiles) {
    Track good;
    good.tempo(0, 500000).name(0, "Words").text(0, "\\la").on(0, 0, 60).off(96, 0, 60).end();
    const std::string goodFile = file(0, 96, {good});
    const std::vector<std::string> cases = {
        "",
        "\xFF",
        "\xFF\x05",
        "\xFF\x51",
        "\xFF\x51\x03\x00",
        std::string("\xFF\x51\x03\x00\x00\x00", 6),                  // tempo 0
        "MThd",
        header(1, 65535, 96),                                        // tracks announced, none there
        header(1, 1, 96) + "MTrk" + be32(0xFFFFFFFF) + "\x00\x90",   // length past the end
        header(0, 1, 0) + chunk("MTrk", good.data),                  // division 0
        header(0, 1, 0x8000) + chunk("MTrk", good.data),             // SMPTE with 0 fps
        header(0, 1, 0xE700) + chunk("MTrk", good.data),             // SMPTE with 0 ticks per frame
        header(0, 1, 96) + chunk("XXXX", "junk") + chunk("MTrk", good.data), // unknown chunk
        header(0, 1, 96) + chunk("MTrk", bytes({0x00, 0x3C, 0x40})), // data byte without status
        header(0, 1, 96) + chunk("MTrk", bytes({0x00, 0x90, 0x3C})), // truncated note
        header(0, 1, 96) + chunk("MTrk", bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x7F})), // 5-byte delta
        header(0, 1, 96) + chunk("MTrk", bytes({0x00, 0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F})),
        header(0, 1, 96) + chunk("MTrk", bytes({0x00, 0xF0, 0x85})), // SysEx length cut
        header(0, 1, 96) + chunk("MTrk", bytes({0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x01, 0x01, 'a', 0x00, 0x3E, 0x40})),
        header(0, 2, 96) + chunk("MTrk", std::string(3000, '\xFF')),
        std::string(20000, '\xFF'),
        goodFile.substr(0, goodFile.size() - 3),                     // no End of Track
        "RIFF" + std::string("\x10\x00\x00\x00", 4) + "RMIDdata" + std::string("\xFF\xFF\xFF\x7F", 4) + "MThd",
        "RIFF" + std::string("\x00\x00\x00\x00", 4) + "RMID",
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        feedBoth(cases[i]);
    }
}

TEST(MidiHostileInput, SeededMutationsOfAValidKarFile) {
    const std::string base = karFile();
    std::mt19937 rng(20240611u);
    for (int round = 0; round < 3000; ++round) {
        std::string m = base;
        const int edits = 1 + int(rng() % 8);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = m.empty() ? 0 : rng() % m.size();
            switch (rng() % 5) {
            case 0: if (!m.empty()) m[at] = char(rng()); break;
            case 1: m.insert(m.begin() + std::ptrdiff_t(at), char(rng())); break;
            case 2: if (!m.empty()) m.erase(at, 1 + rng() % 4); break;
            case 3: m.resize(at); break;
            case 4: if (!m.empty()) m[at] = char(0xFF); break;
            }
        }
        SCOPED_TRACE(round);
        feedBoth(m);
        if (HasFatalFailure())
            return;
    }
}
