// Importing the lyric events of a generated .kar song into the editor's list:
// the entries and their times, line ends, stopping by hand and at the end of
// the song, and the cases the import must not make worse.
#include "editorplay_fixture.h"

#include <algorithm>

#include "editor/recordsave.h"
#include "editor/syncwriter.h"

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

    // Saves the list beside the song (the test's own folder), empties it and
    // opens the saved file again.
    void saveBesideTheSongAndOpenAgain()
    {
        Record& r = record();
        r.Command_SaveSyk.press();
        ASSERT_TRUE(Record_SaveLoaded());
        Record_Save& d = record_Save();
        d.Check_SaveRepCh.setValue(1);
        ASSERT_EQ(d.Check_SaveRepCfg.Value(), 0);
        const std::string path = d.Text_PathMp3.Text();
        ASSERT_EQ(path, dir.file("song.syk"));
        prompter->answerMsgBox(vbOK); // "Done..."
        d.Command_Save.press();
        DoEvents();
        r.List_Syk.Clear();
        Record::RecModified = false;
        prompter->answerOpenFile(path);
        r.Command_OpenSyk.press();
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

TEST_F(ImportTest, ImportedListSavesAndOpensAgainWithTheSameEntries)
{
    // A soft-karaoke file as programs write them: information texts, a title
    // before the first line ending in a line feed, a syllable holding
    // ";", one ending its line with CR LF, and the last syllables in the
    // song's final moments.
    using testmidi::Track;
    Track conductor;
    conductor.tempo(0, 500000).end();
    Track words;
    words.name(0, "Words").text(0, "@KMIDI KARAOKE FILE").text(0, "@TRound trip");
    words.text(0, "Testing Karaoke in .kar format.\n");
    words.text(kTicksPerSecond / 2, "\\star; ").text(kTicksPerSecond / 4, "light\r\n");
    words.text(kTicksPerSecond / 4, "Twin").text(kTicksPerSecond / 4, "kle ");
    words.text(kTicksPerSecond * 3 / 2 - 20, "lit").text(10, "tle").end(0);
    Track music;
    music.on(0, 0, 60).off(kTicksPerSecond * 5 / 2, 0, 60).end(0);
    // The sync folder is the test's own: the default one is the user's home,
    // where a song.syk left behind would be found by every later test.
    modIni::IniAccess("WRITE", "Path", "Path Syk", dir.file(""));
    Record& r = openEditor("song.kar", testmidi::file(1, kDivision, {conductor, words, music}));
    r.Command_ImpKar.press();
    prompter->answerMsgBox(vbOK);
    playFor(4000);
    ASSERT_FALSE(Record::RecBusy);
    const V got = items();
    // Every syllable, none with a line break or a ";" inside, the lines
    // closed; the title is not sung when the song plays, nor imported.
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(got[0].substr(0, 7), "star, ;");
    EXPECT_EQ(got[1].substr(0, 6), "light;");
    EXPECT_EQ(got[1].back(), '_');
    EXPECT_EQ(got[4].substr(0, 4), "lit;");
    EXPECT_EQ(got[5].substr(0, 4), "tle;");
    EXPECT_EQ(got[5].back(), '_');
    for (const std::string& e : got) {
        EXPECT_EQ(e.find_first_of("\r\n"), std::string::npos) << e;
        EXPECT_EQ(std::count(e.begin(), e.end(), ';'), 1) << e;
    }
    // "tle" sounds 10 ticks before the end of the song.
    EXPECT_NEAR(timeOf(got[5]), importedAt((kTicksPerSecond * 11 / 4 - 10.0) / kTicksPerSecond), 1e-6);

    // Saved, then opened again: the same entries.
    saveBesideTheSongAndOpenAgain();
    EXPECT_EQ(items(), got);
    EXPECT_FALSE(asked("File Not Found"));
}

// ---------------------------------------------------------------- real-shaped songs, imported and played back

namespace {

// Karaoke files shaped as the ones people own: the lyrics on a track after
// the music (piano, drums), a title at the song's first tick and the first
// syllable on the downbeat, at tick 0 too.
std::string lateLyricsKar(bool lyricEvents)
{
    using testmidi::Track;
    Track conductor;
    conductor.tempo(0, 500000).end();
    Track piano;
    Track drums;
    for (int s = 0; s < 5; ++s) {
        piano.on(s == 0 ? 0 : kTicksPerSecond / 2, 0, 60).off(kTicksPerSecond / 2, 0, 60);
        drums.on(s == 0 ? 0 : kTicksPerSecond / 2, 9, 36).off(kTicksPerSecond / 2, 9, 36);
    }
    piano.end(kTicksPerSecond / 2);
    drums.end(kTicksPerSecond / 2);
    Track words;
    if (lyricEvents) {
        // Lyric events, a line ending with a line feed; the title as the
        // track's name and as the first text, at tick 0 with the first syllable.
        words.name(0, "Sunny Song").lyric(0, "Sunny Song\n").lyric(0, "Sun").lyric(kTicksPerSecond / 2, "ny ");
        words.lyric(kTicksPerSecond / 2, "day\n").lyric(kTicksPerSecond, "Here ").lyric(kTicksPerSecond / 2, "we ");
        words.lyric(kTicksPerSecond / 2, "go\n").end(0);
    } else {
        // Soft karaoke: information texts, then "\" and "/" open lines.
        words.name(0, "Words").text(0, "@KMIDI KARAOKE FILE").text(0, "@TSunny Song").text(0, "\\Sun");
        words.text(kTicksPerSecond / 2, "ny ").text(kTicksPerSecond / 2, "day").text(kTicksPerSecond, "/Here ");
        words.text(kTicksPerSecond / 2, "we ").text(kTicksPerSecond / 2, "go").end(0);
    }
    return testmidi::file(1, kDivision, {conductor, piano, drums, words});
}

// What the sung part of a line shows, syllable after syllable, when every
// entry of the list is sung in order.
std::vector<std::string> sungInOrder(const V& entries)
{
    std::vector<std::string> v;
    std::string line;
    for (const std::string& e : entries) {
        const std::string syllable = e.substr(0, e.find(';'));
        line += syllable;
        if (!syllable.empty() && (v.empty() || v.back() != line))
            v.push_back(line);
        if (e.back() == '_')
            line.clear();
    }
    return v;
}

void addChange(std::vector<std::string>& seen, const std::string& now)
{
    if (!now.empty() && (seen.empty() || seen.back() != now))
        seen.push_back(now);
}

class RoundTripTest : public ImportTest {
protected:
    // Plays the editor's list from its first entry to the song's end: the
    // entries reached (the selection moves past each one) and the sung parts shown.
    void playInEditor(std::vector<int>& reached, std::vector<std::string>& sung)
    {
        Record& r = record();
        r.Command_Play.press();
        EXPECT_TRUE(modIni::IsPlaying);
        int last = r.List_Syk.ListIndex();
        for (int t = 0; t < 800 && modIni::IsPlaying; ++t) {
            playFor(10);
            const int now = r.List_Syk.ListIndex();
            if (now != last)
                reached.push_back(last);
            last = now;
            addChange(sung, r.Text_TestSyk.Text());
        }
        EXPECT_FALSE(modIni::IsPlaying);  // the song's end stopped it
    }

    void expectEverySyllableSungInOrder(const V& entries)
    {
        std::vector<int> reached;
        std::vector<std::string> sung;
        playInEditor(reached, sung);
        std::vector<int> all;
        for (int i = 0; i < static_cast<int>(entries.size()); ++i)
            all.push_back(i);
        EXPECT_EQ(reached, all);
        EXPECT_EQ(sung, sungInOrder(entries));
    }

    void roundTrip(const std::string& song)
    {
        Record& r = openEditor("song.kar", song);
        r.Command_ImpKar.press();
        prompter->answerMsgBox(vbOK);  // "End of recording"
        playFor(6000);
        ASSERT_FALSE(Record::RecBusy);
        const V got = items();
        ASSERT_GE(got.size(), 6u);
        for (const std::string& e : got) {
            // Every imported entry is a timed one, to the millisecond.
            const std::string time = SykFile::SplitEntry(e).time;
            EXPECT_GT(timeOf(e), 0.0) << e;
            const auto comma = time.find(',');
            EXPECT_TRUE(comma == std::string::npos || time.size() - comma - 1 <= 3) << e;
        }
        EXPECT_EQ(SykFile::SplitEntry(got[0]).time, "0,001");

        // Played in the editor: every syllable, in order.
        expectEverySyllableSungInOrder(got);

        // Saved beside the song, opened again, played again.
        saveBesideTheSongAndOpenAgain();
        ASSERT_EQ(items(), got);
        expectEverySyllableSungInOrder(got);

        // The main window plays the saved file the same way.
        Record::RecModified = false;
        Unload(record());
        DestroyUnloadedForms();
        Player& p = player();
        p.Select_Song.setText(dir.file("song.kar"));
        p.Command_Play.press();
        ASSERT_TRUE(modIni::IsPlaying);
        ASSERT_TRUE(Kar::HasSyk);
        std::vector<std::string> sung;
        for (int t = 0; t < 800 && modIni::IsPlaying; ++t) {
            media::engine().step(10);
            p.Timer1_Timer();
            addChange(sung, Kar::SykCursor.SungText);
        }
        EXPECT_EQ(sung, sungInOrder(got));
        EXPECT_TRUE(prompter->unexpected().empty());
    }
};

} // namespace

TEST_F(RoundTripTest, SoftKaraokeWithTheFirstSyllableAtTickZero) { roundTrip(lateLyricsKar(false)); }

TEST_F(RoundTripTest, LyricEventsWithTheTitleAtTickZero) { roundTrip(lateLyricsKar(true)); }

TEST_F(RoundTripTest, OneTrackSongWithTextsAmongTheNotes)
{
    // Format 0: tempo, notes and lyric events on the one track, the first
    // syllable with the first note.
    using testmidi::Track;
    Track all;
    all.tempo(0, 500000).name(0, "Song").lyric(0, "Sun").on(0, 0, 60).lyric(kTicksPerSecond / 2, "ny ");
    all.off(kTicksPerSecond / 2, 0, 60).lyric(0, "day\n").on(0, 0, 62).off(kTicksPerSecond, 0, 62);
    all.lyric(0, "Here ").on(0, 0, 64).lyric(kTicksPerSecond / 2, "we ").off(kTicksPerSecond / 2, 0, 64);
    all.lyric(0, "go\n").on(0, 0, 65).off(kTicksPerSecond, 0, 65).end(kTicksPerSecond / 2);
    roundTrip(testmidi::file(0, kDivision, {all}));
}
