// Importing the lyric events of a generated .kar song into the editor's list:
// the entries and their times, line ends, stopping by hand and at the end of
// the song, and the cases the import must not make worse.
#include "editorplay_fixture.h"

#include "platform/files/runtime.h"
#include "playback/midianalysis.h"
#include "platform/music/smf_writer.h"

using namespace editortest;
using testsupport::silentWav;
using V = std::vector<std::string>;

namespace {

// 120 beats per minute, 480 ticks per quarter note: 960 ticks a second.
constexpr int kDivision = 480;
constexpr int kTicksPerSecond = 960;

struct Syllable {
    double at;  // seconds
    std::string text;
};

// A karaoke file of `seconds` with a "Words" track holding the syllables as
// text events, and a note every second. The track's name comes first, or,
// with `nameAfterFirst`, just after the first syllable.
std::string karFile(int seconds, const std::vector<Syllable>& words, bool nameAfterFirst = false)
{
    using testmidi::Track;
    Track conductor;
    conductor.tempo(0, 500000).end();
    Track lyrics;
    if (!nameAfterFirst)
        lyrics.name(0, "Words");
    double last = 0;
    for (const Syllable& s : words) {
        lyrics.text(static_cast<std::uint32_t>((s.at - last) * kTicksPerSecond + 0.5), s.text);
        if (nameAfterFirst && &s == &words.front())
            lyrics.name(0, "Words");
        last = s.at;
    }
    lyrics.end(0);
    Track music;
    for (int s = 0; s < seconds; ++s)
        music.on(s == 0 ? 0 : kTicksPerSecond / 2, 0, 60).off(kTicksPerSecond / 2, 0, 60);
    music.end(kTicksPerSecond / 2);
    return testmidi::file(1, kDivision, {conductor, lyrics, music});
}

const std::vector<Syllable> kHelloWorld = {{1.0, "\\Hel"}, {1.5, "lo "}, {3.0, "/world"}};

class ImportTest : public EditorPlayTest {
protected:
    // The song clock (music time / 1000) of a syllable that sounds at
    // `seconds`: its own time, whatever tick imported it.
    static double importedAt(double seconds) { return seconds * 1.536; }

    static double timeOf(const std::string& entry)
    {
        const auto p = entry.find(';');
        std::string t = entry.substr(p + 1);
        if (!t.empty() && t.back() == '_')
            t.pop_back();
        return vb::ValDecimal(t);
    }
};

} // namespace

TEST_F(ImportTest, SyllablesBecomeEntriesWithTheirTimesAndLineEnds)
{
    Record& r = openEditor("song.kar", karFile(6, kHelloWorld));
    r.Command_ImpKar.press();
    EXPECT_TRUE(Record::RecBusy);
    EXPECT_FALSE(modIni::IsPlaying);
    EXPECT_EQ(r.Label_Compteur.Caption(), "Record:");
    EXPECT_TRUE(r.Timer_Record.Enabled());
    // Play, Back, Forward and capture stay out of the way meanwhile.
    r.Command_Play.press();
    EXPECT_FALSE(modIni::IsPlaying);

    playFor(4500);
    const V got = items();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].substr(0, 4), "Hel;");
    EXPECT_EQ(got[1].substr(0, 4), "lo ;");
    EXPECT_EQ(got[1].back(), '_');
    EXPECT_EQ(got[2].substr(0, 6), "world;");
    EXPECT_EQ(got[2].back(), '_');
    EXPECT_NE(got[0].back(), '_');
    // Times on the editor's clock, a decimal comma, each the syllable's own.
    EXPECT_NEAR(timeOf(got[0]), importedAt(1.0), 1e-6);
    EXPECT_NEAR(timeOf(got[1]), importedAt(1.5), 1e-6);
    EXPECT_NEAR(timeOf(got[2]), importedAt(3.0), 1e-6);
    EXPECT_NE(got[0].find(','), std::string::npos);
    EXPECT_TRUE(Record::RecModified);
    EXPECT_EQ(Record::RecImportLine, "");
    EXPECT_TRUE(Record::RecLineEnded);
}

TEST_F(ImportTest, TheSongEndEndsTheImportOnce)
{
    Record& r = openEditor("song.kar", karFile(3, {{0.5, "\\la "}, {1.0, "la"}}));
    r.Command_ImpKar.press();
    prompter->answerMsgBox(vbOK);
    playFor(5000);
    EXPECT_FALSE(Record::RecBusy);
    EXPECT_FALSE(r.Timer_Record.Enabled());
    EXPECT_TRUE(Record::RecModified);
    EXPECT_EQ(r.Label_Compteur.Caption(), "Counter:");
    EXPECT_TRUE(r.Label_Compteur.Visible());
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, "End of recording");
    const V got = items();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].back(), '_');
    EXPECT_FALSE(Kar::MidiLoaded);
}

TEST_F(ImportTest, PressingAgainStopsAndClosesTheLastLine)
{
    Record& r = openEditor("song.kar", karFile(10, {{1.0, "\\one "}, {1.5, "two "}, {6.0, "three"}}));
    r.Command_ImpKar.press();
    playFor(2500);
    ASSERT_EQ(items().size(), 2u);
    r.Command_ImpKar.press();
    EXPECT_FALSE(Record::RecBusy);
    EXPECT_FALSE(r.Timer_Record.Enabled());
    EXPECT_TRUE(r.Label_Compteur.Visible());
    EXPECT_EQ(items()[1].back(), '_');
    EXPECT_EQ(items()[1].substr(0, 5), "two ;");
    // The list is not the file's any more: closing will ask about it.
    EXPECT_TRUE(Record::RecModified);
    EXPECT_TRUE(messages().empty());
}

TEST_F(ImportTest, ASyllableThatIsTheTracksFirstEventIsImportedToo)
{
    // The first syllable comes before the track's name: it is the track's
    // first event, and it is imported at its own time like the others.
    Record& r = openEditor("song.kar", karFile(6, kHelloWorld, true));
    r.Command_ImpKar.press();
    playFor(4500);
    const V got = items();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].substr(0, 4), "Hel;");
    EXPECT_NEAR(timeOf(got[0]), importedAt(1.0), 1e-6);
    EXPECT_EQ(got[1].substr(0, 4), "lo ;");
    EXPECT_EQ(got[1].back(), '_');
    EXPECT_EQ(got[2].substr(0, 6), "world;");
    EXPECT_EQ(got[2].back(), '_');
}

TEST_F(ImportTest, ASongWithoutLyricsEndsAtItsEndAllTheSame)
{
    Record& r = openEditor("song.mid", karFile(2, {}));
    r.Command_ImpKar.press();
    prompter->answerMsgBox(vbOK);
    playFor(4000);
    EXPECT_TRUE(items().empty());
    EXPECT_FALSE(Record::RecBusy);
    EXPECT_FALSE(r.Timer_Record.Enabled());
    EXPECT_TRUE(asked("End of recording"));
}

TEST_F(ImportTest, OnlyMidiSongsCanBeImported)
{
    Record& r = openEditor("song.wav", silentWav(3.0));
    setList({"keep;1_"}, 0);
    prompter->answerMsgBox(vbOK);
    r.Command_ImpKar.press();
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, "Invalid file");
    EXPECT_EQ(messages()[0].title, "Stop");
    EXPECT_EQ(messages()[0].style, vbOKOnly + vbCritical);
    EXPECT_FALSE(Record::RecBusy);
    EXPECT_EQ(items(), (V{"keep;1_"}));
}

TEST_F(ImportTest, UnsavedListIsOnlyReplacedWhenTheUserAgrees)
{
    Record& r = openEditor("song.kar", karFile(6, kHelloWorld));
    setList({"mine;2_"}, 0);
    Record::RecModified = true;
    prompter->answerMsgBox(vbCancel);
    r.Command_ImpKar.press();
    EXPECT_FALSE(Record::RecBusy);
    EXPECT_EQ(items(), (V{"mine;2_"}));

    prompter->answerMsgBox(vbOK);
    r.Command_ImpKar.press();
    EXPECT_TRUE(Record::RecBusy);
    EXPECT_TRUE(items().empty());
}
