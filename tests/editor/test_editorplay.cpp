// The editor's transport and its preview: playing the song from the editor,
// the follower that walks the list as the song plays, the two preview lines on
// the lyric window, playing from an entry, and choosing another song.
#include "editorplay_fixture.h"

#include <filesystem>

#include "karaoke/lyricviews.h"
#include "karaoke/ink.h"
#include "playback/midianalysis.h"
#include "platform/music/smf_writer.h"

using namespace editortest;
using testsupport::silentWav;

namespace {

const std::vector<std::string> kThreeLines = {"Hel;1", "lo ;1", "world;2_", "la;3", "la;3,5_", "fin;5_"};

// A MIDI song of `seconds` at 120 beats per minute (1536 units of music time a
// second) with a piano note every second and no lyrics.
std::string midiSong(int seconds)
{
    using testmidi::Track;
    constexpr int kDivision = 480;
    Track conductor;
    conductor.tempo(0, 500000).end();
    Track music;
    for (int s = 0; s < seconds; ++s)
        music.on(s == 0 ? 0 : kDivision, 0, 60).off(kDivision, 0, 60);
    music.end(kDivision);
    return testmidi::file(1, kDivision, {conductor, music});
}

} // namespace

TEST_F(EditorPlayTest, PlayShowsTheLengthAndStartsTheFollowerOnTheFirstEntry)
{
    Record& r = openEditor("song.wav", silentWav(205.0));
    setList(kThreeLines, 4);
    r.Command_Play.press();
    EXPECT_EQ(karaoke().Caption(), "Karaoke      Length:  03:25");
    EXPECT_EQ(r.Text_Syk.Text(), "Hel");
    EXPECT_TRUE(r.Timer1.Enabled());
    EXPECT_EQ(Kar::KarPageLines[1], "Hello world");
    EXPECT_EQ(Kar::KarPageLines[2], "lala");
    // The two lines are on the lyric window in the page colour.
    const long page = Kar::colourOf(modIni::FontRed, modIni::FontGreen, modIni::FontBlue);
    EXPECT_GT(inktest::inkIn(karaoke(), page, 0, 1e9).count, 0);

    // Play again during play starts over from the beginning and the first entry.
    skip(5000);
    r.List_Syk.setListIndex(3);
    r.Command_Play.press();
    EXPECT_LT(player().ActiveMovie1.CurrentPosition(), 0.1);
    EXPECT_EQ(r.List_Syk.ListIndex(), 0);
}

TEST_F(EditorPlayTest, LengthIsRoundedToWholeSecondsFirstAndAnEmptyListPlaysWithoutPreview)
{
    Record& r = openEditor("short.wav", silentWav(59.5));
    r.Command_Play.press();
    EXPECT_EQ(karaoke().Caption(), "Karaoke      Length:  01:00");
    EXPECT_FALSE(r.Timer1.Enabled());
    EXPECT_EQ(Kar::KarPageLines[1], "");
    r.Command_Stop.press();
    modIni::Langue = "Fr";
    r.Command_Play.press();
    EXPECT_EQ(karaoke().Caption(), "Karaoke      Durée:  01:00");
}

TEST_F(EditorPlayTest, FollowerReachesOneEntryPerTickAndAdvancesTheLines)
{
    Record& r = openEditor("song.wav", silentWav(30.0));
    setList(kThreeLines, 0);
    r.Command_Play.press();

    skip(990);
    tick();
    EXPECT_EQ(r.List_Syk.ListIndex(), 0);  // 0.99 s: "Hel" (1 s) still ahead
    skip(10);
    tick();  // exactly at its time: reached
    EXPECT_EQ(r.Text_TestSyk.Text(), "Hel");
    EXPECT_EQ(r.List_Syk.ListIndex(), 1);
    tick();  // the next one, due at the same moment, on the next tick
    EXPECT_EQ(r.Text_TestSyk.Text(), "Hello ");
    EXPECT_EQ(r.List_Syk.ListIndex(), 2);
    tick();
    EXPECT_EQ(r.List_Syk.ListIndex(), 2);  // "world" is due at 2 s

    playFor(1000);
    EXPECT_EQ(r.Text_TestSyk.Text(), "Hello world");

    // The first syllable of the next line: the finished line is replaced by
    // the line after the new one, and the sung part starts again.
    playFor(1000);
    EXPECT_EQ(r.Text_TestSyk.Text(), "la");
    EXPECT_EQ(Record::RecCurLine, 2);
    EXPECT_EQ(Kar::KarPageLines[1], "fin");
    EXPECT_EQ(Kar::KarPageLines[2], "lala");
    // The sung part is printed in the active colour.
    const long active = Kar::colourOf(modIni::ActifRed, modIni::ActifGreen, modIni::ActifBlue);
    EXPECT_GT(inktest::inkIn(karaoke(), active, 0, 1e9).count, 0);
}

TEST_F(EditorPlayTest, EqualNeighboursAreTwoSyllablesAndZeroTimesAreNeverReached)
{
    Record& r = openEditor("song.wav", silentWav(30.0));
    setList({"la;1", "la;1", "la;2_", "x;0", "y;3_"}, 0);
    r.Command_Play.press();
    playFor(2100);
    EXPECT_EQ(r.Text_TestSyk.Text(), "lalala");
    EXPECT_EQ(r.List_Syk.ListIndex(), 3);
    EXPECT_TRUE(messages().empty());
    playFor(3000);
    EXPECT_EQ(r.List_Syk.ListIndex(), 3);  // "x" has no time: the follower waits there
    EXPECT_TRUE(modIni::IsPlaying);
}

TEST_F(EditorPlayTest, DisplayEntryAppliesTheSongLookOnTheWay)
{
    Record& r = openEditor("song.wav", silentWav(30.0));
    setList({"a;1_", "//;255;65280;16711680;8421504;0", "b;2_"}, 0);
    r.Command_Play.press();
    playFor(1000);
    EXPECT_EQ(r.List_Syk.ListIndex(), 1);
    tick();  // the display entry: look applied, lines advanced, on to "b"
    EXPECT_EQ(r.List_Syk.ListIndex(), 2);
    EXPECT_EQ(karaoke().BackColor(), 8421504);
    EXPECT_EQ(modIni::FontRed, "255");
    EXPECT_EQ(Kar::KarPageLines[1], "");
    EXPECT_EQ(Kar::KarPageLines[2], "b");
    EXPECT_EQ(Record::RecCurLine, 2);
    EXPECT_EQ(items()[1], "//;255;65280;16711680;8421504;0");
}

TEST_F(EditorPlayTest, SongEndAndStopResetEverything)
{
    Record& r = openEditor("song.wav", silentWav(2.0));
    setList({"a;1_"}, 0);
    r.Command_Play.press();
    playFor(1500);
    EXPECT_EQ(player().Time_Left.Caption(), "00:02");  // 1.5 s rounds to 2
    playFor(600);
    EXPECT_FALSE(modIni::IsPlaying);
    EXPECT_FALSE(r.Timer1.Enabled());
    EXPECT_FALSE(r.Timer2.Enabled());
    EXPECT_EQ(player().Time_Left.Caption(), "00:00");
    EXPECT_EQ(r.Text_TestSyk.Text(), "");
}

TEST_F(EditorPlayTest, AudioBackAndForwardJumpTenSeconds)
{
    Record& r = openEditor("song.wav", silentWav(60.0));
    media::MediaPlayer& m = player().ActiveMovie1;
    r.Command_Play.press();
    skip(7300);
    r.Command_Back.press();
    EXPECT_NEAR(m.CurrentPosition(), 0.0, 0.02);
    skip(27300);
    r.Command_Back.press();
    EXPECT_NEAR(m.CurrentPosition(), 17.3, 0.02);
    r.Command_Forward.press();
    EXPECT_NEAR(m.CurrentPosition(), 27.3, 0.02);
    // Nothing while the song does not play.
    r.Command_Stop.press();
    r.Command_Forward.press();
    EXPECT_NEAR(m.CurrentPosition(), 0.0, 0.02);
}

TEST_F(EditorPlayTest, MidiJumpsGoFromWhatIsHeard)
{
    Record& r = openEditor("song.mid", midiSong(40));
    r.Command_Play.press();
    ASSERT_TRUE(modIni::IsPlaying);
    EXPECT_EQ(karaoke().ProgressBar1.Max(), Kar::MidiLength());
    r.Command_Back.press();
    EXPECT_EQ(Kar::MidiStartPos, 0);  // before the start: from the start

    skip(10000);  // about 15360 units of music time
    const std::int32_t heard = Kar::MidiPosition();
    ASSERT_GT(heard, 15000);
    r.Command_Forward.press();
    EXPECT_EQ(Kar::MidiStartPos, heard + 10000);
    r.Command_Back.press();
    EXPECT_NEAR(Kar::MidiStartPos, heard, 50);

    // The editor's clock of a MIDI song is the music time / 1000.
    EXPECT_DOUBLE_EQ(Record::SongClock(), Kar::MidiPosition() / 1000.0);
    r.Command_Stop.press();
    EXPECT_EQ(Kar::MidiStartPos, 0);
    EXPECT_FALSE(Kar::MidiLoaded);

    // Playing from an entry at 12,7 starts at music time 12000.
    setList({"a;1", "b;12,7_"}, 1);
    r.List_Syk_DblClick();
    EXPECT_TRUE(modIni::IsPlaying);
    EXPECT_EQ(Kar::MidiStartPos, 12000);
}

TEST_F(EditorPlayTest, MidiLengthShowsOnceInTheCaptionWhateverTheRestarts)
{
    Record& r = openEditor("song.mid", midiSong(40));
    const auto lengths = [] {
        const std::string c = karaoke().Caption();
        std::size_t n = 0;
        for (std::size_t at = c.find("Length:"); at != std::string::npos; at = c.find("Length:", at + 1))
            ++n;
        return n;
    };
    // Each Play after a Stop loads the song again, and so does an import.
    for (int round = 0; round < 3; ++round) {
        r.Command_Play.press();
        ASSERT_TRUE(modIni::IsPlaying);
        EXPECT_EQ(karaoke().Caption().rfind("Karaoke      Length:  ", 0), 0u) << karaoke().Caption();
        EXPECT_EQ(lengths(), 1u) << karaoke().Caption();
        r.Command_Stop.press();
    }
    r.Command_ImpKar.press();
    ASSERT_TRUE(Record::RecBusy);
    EXPECT_EQ(lengths(), 1u) << karaoke().Caption();
    r.Command_ImpKar.press();
    r.Command_Play.press();
    EXPECT_EQ(lengths(), 1u) << karaoke().Caption();
}

TEST_F(EditorPlayTest, TimeDisplayShowsMinutesAndSeconds)
{
    Record& r = openEditor("song.wav", silentWav(120.0));
    r.Command_Play.press();
    skip(65700);
    tick();
    EXPECT_EQ(r.Time_Left.Text(), "65.7");
    EXPECT_EQ(player().Time_Left.Caption(), "01:06");
    skip(54000);  // 119.7 s: never "01:-00"
    r.Timer2_Timer();
    EXPECT_EQ(player().Time_Left.Caption(), "02:00");
}

TEST_F(EditorPlayTest, DoubleClickPlaysFromTheEntrysWholeSecond)
{
    Record& r = openEditor("song.wav", silentWav(60.0));
    setList({"a;1", "b;12,7_", "c;20_"}, 1);
    r.List_Syk_DblClick();
    EXPECT_TRUE(modIni::IsPlaying);
    EXPECT_NEAR(player().ActiveMovie1.CurrentPosition(), 12.0, 0.02);
    EXPECT_EQ(Kar::KarPageLines[1], "b");
    EXPECT_EQ(Kar::KarPageLines[2], "c");
    // A short list: the list never scrolls by itself.
    EXPECT_EQ(Record::RecLineCount, 10000);
    // Nothing while playing.
    r.List_Syk.setListIndex(0);
    r.List_Syk_DblClick();
    EXPECT_NEAR(player().ActiveMovie1.CurrentPosition(), 12.0, 0.02);
}

TEST_F(EditorPlayTest, ChoosingAnotherSongFindsItsSyncFileBesideIt)
{
    Record& r = openEditor("first.wav", silentWav(5.0), "old;1;\r\n");
    EXPECT_EQ(items(), (std::vector<std::string>{"old;1_"}));
    const std::string second = dir.write("second.wav", silentWav(5.0));
    dir.write("second.syk", "new;2;\r\n");

    // Cancel changes nothing.
    prompter->answerOpenFile(std::nullopt);
    r.Command_OpenMp3.press();
    EXPECT_EQ(items(), (std::vector<std::string>{"old;1_"}));

    prompter->answerOpenFile(second);
    r.Command_OpenMp3.press();
    EXPECT_EQ(player().Select_Song.Text(), second);
    EXPECT_EQ(r.Select_Song.Text(), "second.wav");
    EXPECT_EQ(items(), (std::vector<std::string>{"new;2_"}));
    EXPECT_EQ(Record::RecSykPath, dir.file("second.syk"));
    EXPECT_FALSE(Record::RecModified);

    // A song without sync file: the list stays, as unsaved work of no file.
    const std::string third = dir.write("third.wav", silentWav(5.0));
    prompter->answerOpenFile(third);
    r.Command_OpenMp3.press();
    EXPECT_EQ(items(), (std::vector<std::string>{"new;2_"}));
    EXPECT_EQ(Record::RecSykPath, "");
    EXPECT_TRUE(Record::RecModified);
}

TEST_F(EditorPlayTest, UnsavedListIsNotReplacedWithoutAsking)
{
    Record& r = openEditor("first.wav", silentWav(5.0));
    setList({"mine;3_"}, 0);
    Record::RecModified = true;
    const std::string second = dir.write("second.wav", silentWav(5.0));
    dir.write("second.syk", "new;2;\r\n");

    prompter->answerOpenFile(second);
    prompter->answerMsgBox(vbCancel);
    r.Command_OpenMp3.press();
    EXPECT_EQ(items(), (std::vector<std::string>{"mine;3_"}));
    EXPECT_TRUE(Record::RecModified);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].style, vbOKCancel + vbInformation);

    prompter->answerOpenFile(second);
    prompter->answerMsgBox(vbOK);
    r.Command_OpenMp3.press();
    EXPECT_EQ(items(), (std::vector<std::string>{"new;2_"}));
}

TEST_F(EditorPlayTest, ASongThatCannotBePlayedIsReportedInTheProgramsLanguage)
{
    // The reason the file reader gives is in the same language as the message.
    const std::string junk = std::string(5000, '\x5A');
    modIni::Langue = "Fr";
    Record& r = openEditor("junk.kar", junk);
    prompter->answerMsgBox(vbOK);
    r.Command_Play.press();
    EXPECT_FALSE(modIni::IsPlaying);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, "Ce fichier ne peut pas être joué.\r\n" + dir.file("junk.kar") +
                                      " : ce n'est pas un fichier MIDI");
    EXPECT_EQ(messages()[0].title, "Attention");

    prompter->clear();
    const std::string wav = dir.write("junk.wav", junk);
    player().Select_Song.setText(wav);
    r.Select_Song.setText("junk.wav");
    prompter->answerMsgBox(vbOK);
    r.Command_Play.press();
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, "Ce fichier ne peut pas être joué.\r\nLecture impossible de junk.wav : ce n'est pas "
                                  "un fichier son lisible, ou il est endommagé.");

    modIni::Langue = "En";
    prompter->clear();
    prompter->answerMsgBox(vbOK);
    r.Command_Play.press();
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text,
              "This file cannot be played.\r\nCannot play junk.wav: not a sound file that can be read, or a damaged one.");
}
