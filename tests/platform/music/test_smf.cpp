// The standard MIDI file loader: music time at 768 per quarter note whatever the
// division, track merging, running status, tempo map, and damaged files.
#include <gtest/gtest.h>

#include "platform/music/smf.h"
#include "platform/music/smf_writer.h"
#include "support/testdir.h"

using namespace testmidi;
using music::parseStandardMidiFile;

namespace {

std::vector<std::int64_t> noteOnTimes(const music::Sequence& s) {
    std::vector<std::int64_t> t;
    for (const auto& e : s.events)
        if ((e.status & 0xF0) == 0x90 && e.data2 > 0)
            t.push_back(e.time);
    return t;
}

} // namespace

TEST(SmfLoader, MusicTimeIs768PerQuarterWhateverTheDivision) {
    for (int division : {96, 480, 768, 120}) {
        SCOPED_TRACE(division);
        Track t;
        t.on(0, 0, 60).off(std::uint32_t(division), 0, 60).on(std::uint32_t(division / 2), 0, 62)
            .off(std::uint32_t(division), 0, 62).end(std::uint32_t(division));
        auto s = parseStandardMidiFile(file(0, division, {t}));
        ASSERT_TRUE(s);
        EXPECT_EQ(noteOnTimes(*s), (std::vector<std::int64_t>{0, 768 + 384}));
        EXPECT_EQ(s->length, 768 * 3 + 384);
        EXPECT_FALSE(s->damaged);
    }
}

TEST(SmfLoader, TracksMergeInTimeOrderAndTheTempoMapIsCollected) {
    Track conductor;
    conductor.tempo(0, 500000).tempo(192, 250000).end(0);
    Track a;
    a.on(96, 0, 60).off(96, 0, 60).end();
    Track b;
    b.on(48, 1, 50).on(96, 1, 52).end(400);
    auto s = parseStandardMidiFile(file(1, 96, {conductor, a, b}));
    ASSERT_TRUE(s);
    EXPECT_EQ(noteOnTimes(*s), (std::vector<std::int64_t>{384, 768, 1152}));
    ASSERT_EQ(s->tempos.size(), 2u);
    EXPECT_EQ(s->tempos[1].time, 1536);
    EXPECT_EQ(s->tempos[1].usPerQuarter, 250000u);
    EXPECT_EQ(s->length, (48 + 96 + 400) * 8);
    // Two quarters at 120 bpm, then at 240 bpm.
    EXPECT_DOUBLE_EQ(s->msAt(1536), 1000.0);
    EXPECT_DOUBLE_EQ(s->msAt(1536 + 768), 1250.0);
    EXPECT_EQ(s->tempoAt(1535), 500000u);
    EXPECT_EQ(s->tempoAt(1536), 250000u);

    // A tempo of 0 would stop the music clock: the tempo before holds, the written map keeps it.
    Track stops;
    stops.tempo(0, 500000).tempo(96, 0).end(96);
    s = parseStandardMidiFile(file(1, 96, {stops}));
    ASSERT_TRUE(s);
    EXPECT_DOUBLE_EQ(s->msAt(1536), 1000.0);
    EXPECT_EQ(s->writtenTempos.back().usPerQuarter, 0u);
}

TEST(SmfLoader, SameTimeEventsKeepTrackThenFileOrder) {
    Track a;
    a.cc(0, 0, 7, 1).cc(0, 0, 7, 2).end();
    Track b;
    b.cc(0, 0, 7, 3).end();
    auto s = parseStandardMidiFile(file(1, 96, {a, b}));
    ASSERT_TRUE(s);
    ASSERT_EQ(s->events.size(), 3u);
    EXPECT_EQ(s->events[0].data2, 1);
    EXPECT_EQ(s->events[1].data2, 2);
    EXPECT_EQ(s->events[2].data2, 3);

    // So also for many events at once, tracks given in the other order (too many for a sort to keep it).
    Track many, more;
    for (int i = 0; i < 60; ++i)
        many.cc(0, 0, 7, i), more.cc(0, 1, 7, 60 + i);
    more.cc(5, 1, 7, 127).end();
    many.end();
    s = parseStandardMidiFile(file(1, 96, {more, many}));
    ASSERT_TRUE(s);
    ASSERT_EQ(s->events.size(), 121u);
    for (int i = 0; i < 120; ++i)
        EXPECT_EQ(s->events[std::size_t(i)].data2, (i + 60) % 120) << "event " << i;
    EXPECT_EQ(s->events[120].data2, 127);
}

TEST(SmfLoader, RunningStatusAlsoAcrossMetaAndSysEx) {
    Track t;
    t.on(0, 2, 60)
        .ev(10, {62, 90})                     // running status
        .text(0, "x")
        .ev(10, {64, 80})                     // still running after a meta event
        .ev(0, {0xF0, 0x02, 0x7E, 0xF7})      // SysEx
        .ev(10, {65, 0})                      // after SysEx, velocity 0 = off
        .end();
    auto s = parseStandardMidiFile(file(0, 96, {t}));
    ASSERT_TRUE(s);
    ASSERT_EQ(s->events.size(), 4u);
    for (const auto& e : s->events)
        EXPECT_EQ(e.status, 0x92);
    EXPECT_EQ(s->events[2].data1, 64);
    EXPECT_EQ(s->events[3].data2, 0);
}

TEST(SmfLoader, DamagedFilesKeepWhatCanBeRead) {
    Track t;
    t.on(0, 0, 60).off(96, 0, 60).on(0, 0, 62).off(96, 0, 62).end();
    const std::string whole = file(0, 96, {t});

    // Missing End of Track: all notes still there, the file is marked damaged.
    auto s = parseStandardMidiFile(whole.substr(0, whole.size() - 4));
    ASSERT_TRUE(s);
    EXPECT_EQ(noteOnTimes(*s).size(), 2u);
    EXPECT_TRUE(s->damaged);
    EXPECT_EQ(s->length, 1536);

    // Track length past the end of the file, cut in the middle of an event.
    std::string cut = header(0, 1, 96) + "MTrk" + be32(1000) + t.data.substr(0, 9);
    s = parseStandardMidiFile(cut);
    ASSERT_TRUE(s);
    EXPECT_EQ(noteOnTimes(*s), (std::vector<std::int64_t>{0}));
    EXPECT_TRUE(s->damaged);

    // Unknown chunks are skipped, a longer header is accepted.
    std::string odd = chunk("MThd", be16(0) + be16(1) + be16(96) + "xx") + chunk("JUNK", "abc") + chunk("MTrk", t.data);
    s = parseStandardMidiFile(odd);
    ASSERT_TRUE(s);
    EXPECT_EQ(noteOnTimes(*s).size(), 2u);
}

TEST(SmfLoader, SmpteDivisionUsesFrames) {
    // 25 fps x 40 ticks: 1000 ticks = 1 s = 1536 music time at the standard tempo.
    Track t;
    t.tempo(0, 250000).on(1000, 0, 60).end(1000);
    auto s = parseStandardMidiFile(file(0, 0xE728, {t}));
    ASSERT_TRUE(s);
    EXPECT_EQ(noteOnTimes(*s), (std::vector<std::int64_t>{1536}));
    EXPECT_EQ(s->tempos.size(), 1u); // tempo events do not time an SMPTE file
    EXPECT_DOUBLE_EQ(s->msAt(1536), 1000.0);
}

TEST(SmfLoader, RefusesWhatIsNoMidiFile) {
    std::string why;
    EXPECT_FALSE(parseStandardMidiFile("RIFF....WAVEfmt ", &why));
    EXPECT_FALSE(why.empty());
    Track t;
    t.on(0, 0, 60).end();
    EXPECT_FALSE(parseStandardMidiFile(file(0, 0, {t}), &why)); // no time base
    EXPECT_FALSE(music::loadStandardMidiFile("/nonexistent/x.mid", &why));
    EXPECT_FALSE(why.empty());
}

TEST(SmfLoader, ReadsRiffMidiAndFilesOnDisk) {
    Track t;
    t.on(0, 0, 60).off(96, 0, 60).end();
    const std::string smf = file(0, 96, {t});
    std::string le = {char(smf.size() & 0xFF), char((smf.size() >> 8) & 0xFF), 0, 0};
    std::string riffBody = "RMID" + std::string("data") + le + smf;
    const std::uint32_t n = std::uint32_t(riffBody.size());
    std::string riff = "RIFF" + std::string{char(n & 0xFF), char((n >> 8) & 0xFF), 0, 0} + riffBody;
    auto s = parseStandardMidiFile(riff);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->length, 768);

    testsupport::TempDir dir;
    s = music::loadStandardMidiFile(dir.write("a.mid", smf));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->length, 768);
}
