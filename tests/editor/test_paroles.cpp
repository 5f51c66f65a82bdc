// The lyric text window: the main window's lyrics button fills it from the
// song's sync file or from the lyric events of a MIDI song, and its text is
// saved as a .txt file.
#include "core/modini.h"
#include "core/player.h"
#include "editor/paroles.h"
#include "editor/record.h"
#include "karaoke/pagestate.h"
#include "lyricwindows/karaoke.h"
#include "platform/files/textfile.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "platform/music/smf_writer.h"
#include "playback/midiplayer.h"
#include "support/playerfixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace modIni;

namespace {

// A .kar song with the lines "Hello " and "world".
std::string karSong()
{
    using testmidi::Track;
    Track conductor;
    conductor.tempo(0, 500000).end();
    Track words;
    words.name(0, "Words").text(480, "\\Hel").text(240, "lo ").text(480, "/world").end(0);
    Track music;
    music.on(0, 0, 60).off(960, 0, 60).end(480);
    return testmidi::file(1, 480, {conductor, words, music});
}

class ParolesTest : public testsupport::StartedPlayerTest {
protected:
    void SetUp() override
    {
        StartedPlayerTest::SetUp();
        Langue = "En";
    }

    void TearDown() override
    {
        if (isLoaded<Paroles>())
            Unload(paroles());
        StartedPlayerTest::TearDown();
    }

    // A song in the test folder with this sync file beside it (no sync file when empty).
    std::string song(const std::string& name, const std::string& syk = "")
    {
        const std::string path = dir.write(name, name.ends_with(".kar") ? karSong() : testsupport::silentWav(1));
        if (!syk.empty())
            dir.write(name.substr(0, name.size() - 3) + "syk", syk);
        player().Select_Song.setText(path);
        return path;
    }
};

// ---------------------------------------------------------------- filling the text

TEST_F(ParolesTest, SyncFileShownAsPlainText)
{
    song("song.mp3", "//back.jpg;1;2;3;4;5\r\nHel;1,5;lo ;2;world;2,5;\r\n;3;\r\nÉté;4.5;\r\n");
    Kar::SykSyllableTime = 7.25;
    player().Command_Parole.press();
    EXPECT_EQ(Kar::SykSyllableTime, 7.25);  // the playback's syllable time left alone
    ASSERT_TRUE(isLoaded<Paroles>());
    EXPECT_TRUE(paroles().Visible());
    // The display line adds nothing; the empty syllable is an empty text line;
    // either decimal mark is read.
    EXPECT_EQ(paroles().Text_Paroles.Text(), "Hello world\r\n\r\nÉté\r\n");
    EXPECT_TRUE(messages().empty());

    // Another song replaces the text.
    song("other.mp3", "One;1;\r\n");
    player().Command_Parole.press();
    EXPECT_EQ(paroles().Text_Paroles.Text(), "One\r\n");
}

TEST_F(ParolesTest, BrokenSyncFileLeavesTheTextAsItWas)
{
    // A last time without its closing ";" is read, as the lyric windows read it.
    paroles().Text_Paroles.setText("previous\r\n");
    song("song.mp3", "A;1;\r\nHel;1,5;lo ;2\r\nB;3;\r\n");
    player().Command_Parole.press();
    EXPECT_EQ(paroles().Text_Paroles.Text(), "A\r\nHello \r\nB\r\n");
    EXPECT_TRUE(prompter->questions().empty());

    for (const char* bad : {"Hel;1,5;lo ;abc;\r\n"}) {
        prompter->clear();
        paroles().Text_Paroles.setText("previous\r\n");
        song("song.mp3", std::string("A;1;\r\n") + bad);
        player().Command_Parole.press();
        EXPECT_EQ(paroles().Text_Paroles.Text(), "previous\r\n") << bad;
        ASSERT_EQ(prompter->questions().size(), 1u);
        EXPECT_EQ(prompter->questions()[0].text, "File Not Found");
        EXPECT_EQ(prompter->questions()[0].title, "Error");
    }
}

TEST_F(ParolesTest, RefusedWhilePlayingOrWithoutSong)
{
    song("song.mp3", "A;1;\r\n");
    IsPlaying = true;
    player().Command_Parole.press();
    IsPlaying = false;
    ASSERT_EQ(prompter->questions().size(), 1u);
    EXPECT_EQ(prompter->questions()[0].text, "You must stop before running this function");
    EXPECT_EQ(prompter->questions()[0].title, "Stop");
    EXPECT_FALSE(isLoaded<Paroles>());

    prompter->clear();
    player().Select_Song.setText("");
    player().Command_Parole.press();
    EXPECT_EQ(messages(), std::vector<std::string>{"Select a song !"});
    EXPECT_FALSE(isLoaded<Paroles>());
}

TEST_F(ParolesTest, AudioSongWithoutSyncFileDoesNothing)
{
    song("song.mp3");
    player().Command_Parole.press();
    EXPECT_FALSE(isLoaded<Paroles>());
    EXPECT_TRUE(prompter->questions().empty());
}

TEST_F(ParolesTest, KarSongWithoutSyncFileShowsOnlyItsOwnLyrics)
{
    song("song.kar");
    // Left from an earlier song while the window stayed open.
    paroles().Text_Paroles.setText("Old song\r\n");
    player().Command_Parole.press();
    EXPECT_TRUE(paroles().Visible());
    EXPECT_EQ(paroles().Text_Paroles.Text(), "Hello \r\nworld\r\n");
    EXPECT_FALSE(Kar::MidiLoaded);
    EXPECT_EQ(karaoke().Caption(), "Zun Mp3 Karaoke");
}

// ---------------------------------------------------------------- saving

TEST_F(ParolesTest, SavesTheTextWithOneFinalLineEnd)
{
    song("song.mp3", "Été;1;\r\nla;2;\r\n");
    player().Command_Parole.press();
    const std::string target = dir.file("words.txt");
    dir.write("words.txt", std::string(5000, 'x'));   // a longer old file is replaced whole

    prompter->answerSaveFile("  " + target + " ");
    paroles().Command_Save.press();
    ASSERT_TRUE(prompter->unexpected().empty());
    const auto& ask = prompter->questions().back();
    EXPECT_EQ(ask.kind, ScriptedPrompter::Kind::SaveFile);
    EXPECT_EQ(ask.title, "Syk Files (*.txt)|*.txt");
    EXPECT_EQ(ask.style, cdlOFNOverwritePrompt);
    EXPECT_EQ(ask.detail, dir.path().string() + "/");   // opens in the song's folder
    // Windows-1252 like the other text files, CR LF line ends, no blank line added.
    EXPECT_EQ(testsupport::readFileBytes(target), "\xC9t\xE9\r\nla\r\n");

    // Text typed without a final line end gets one; an empty text an empty file.
    paroles().Text_Paroles.setText("no end");
    prompter->answerSaveFile(target);
    paroles().Command_Save.press();
    EXPECT_EQ(testsupport::readFileBytes(target), "no end\r\n");
    paroles().Text_Paroles.setText("");
    prompter->answerSaveFile(target);
    paroles().Command_Save.press();
    EXPECT_EQ(testsupport::readFileBytes(target), "");
    EXPECT_TRUE(messages().empty());
}

TEST_F(ParolesTest, SaveCancelledRefusedOrFailing)
{
    song("song.mp3", "A;1;\r\n");
    player().Command_Parole.press();
    prompter->clear();

    prompter->answerSaveFile(std::nullopt);
    paroles().Command_Save.press();
    prompter->answerSaveFile("   ");
    paroles().Command_Save.press();
    EXPECT_TRUE(messages().empty());

    // While a song plays the dialog does not even open.
    IsPlaying = true;
    paroles().Command_Save.press();
    IsPlaying = false;
    RecordLock = 1;
    paroles().Command_Save.press();
    RecordLock = 0;
    EXPECT_EQ(prompter->questions().size(), 2u);

    // A folder that does not exist: the user is told, nothing is left behind.
    const std::string bad = dir.file("missing/words.txt");
    prompter->answerSaveFile(bad);
    paroles().Command_Save.press();
    EXPECT_EQ(messages(), std::vector<std::string>{"There has been an error!"});
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));

    // A target that cannot be replaced keeps what it was.
    std::filesystem::create_directories(dir.path() / "taken.txt" / "inside");
    prompter->clear();
    prompter->answerSaveFile(dir.file("taken.txt"));
    Langue = "Fr";
    paroles().Command_Save.press();
    ASSERT_EQ(messages(), std::vector<std::string>{"Une erreur s'est produite!"});
    EXPECT_EQ(prompter->questions().back().title, "Erreur");
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "taken.txt" / "inside"));
}

// ---------------------------------------------------------------- the window

TEST_F(ParolesTest, LayoutFollowsTheWindowDownToItsSmallestSize)
{
    Paroles& w = paroles();
    w.setScaleWidth(8000);
    w.setScaleHeight(6000);
    DoEvents();
    EXPECT_EQ(w.Text_Paroles.Width(), 8000 - 210);
    EXPECT_EQ(w.Text_Paroles.Height(), 6000 - 700);
    EXPECT_EQ(w.Command_Save.Top(), 6000 - 500);
    EXPECT_EQ(w.Command_Fermer.Top(), 6000 - 500);

    // Below 4200 x 3300 the controls stay where they were.
    w.setScaleWidth(4000);
    DoEvents();
    EXPECT_EQ(w.Text_Paroles.Width(), 8000 - 210);
    w.setScaleHeight(3000);
    DoEvents();
    EXPECT_EQ(w.Text_Paroles.Height(), 6000 - 700);
    EXPECT_EQ(w.Command_Save.Top(), 6000 - 500);
    w.setScaleWidth(6000);
    DoEvents();
    EXPECT_EQ(w.Text_Paroles.Width(), 8000 - 210);

    w.Command_Fermer.press();
    DoEvents();
    EXPECT_FALSE(isLoaded<Paroles>());
}

} // namespace
