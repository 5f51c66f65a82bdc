// Close-down: window positions written back, the close box, the reload by the
// settings dialog, the other windows.
#include "test_player_fixture.h"

#include "settings/about.h"

#include <sys/stat.h>

using namespace modIni;

TEST_F(PlayerTest, QuitWritesTheWindowPosition)
{
    Player& p = start();
    p.Move(1500, 2400);
    p.QuitPlayer();
    EXPECT_EQ(ini("Player Windows", "Left"), std::to_string(p.Left()));
    EXPECT_EQ(ini("Player Windows", "Top"), std::to_string(p.Top()));
    EXPECT_EQ(ini("Player Windows", "Left"), "1500");
    EXPECT_EQ(ini("Player Windows", "Top"), "2400");
    // The lyric window was not shown: its section is left alone.
    EXPECT_EQ(ini("Kar Windows", "Top"), "6705");
    EXPECT_FALSE(p.Timer1.Enabled());
}

TEST_F(PlayerTest, StartUpPlacesTheWindowWhereItWas)
{
    WriteDefaultIni();
    setIni("Player Windows", "Top", "1230");
    setIni("Player Windows", "Left", "2340");
    Player& p = start();
    EXPECT_EQ(p.Top(), 1230);
    EXPECT_EQ(p.Left(), 2340);
}

TEST_F(PlayerTest, MinimisedWindowKeepsTheStoredPosition)
{
    WriteDefaultIni();
    Player& p = start();
    p.Move(3000, 3000);
    p.setWindowState(vbMinimized);
    if (p.WindowState() != vbMinimized)
        GTEST_SKIP() << "this platform cannot minimise";
    p.QuitPlayer();
    EXPECT_EQ(ini("Player Windows", "Top"), "75");
    EXPECT_EQ(ini("Player Windows", "Left"), "150");
    p.setWindowState(vbNormal);
}

TEST_F(PlayerTest, CloseBoxKeepsTheWindowAndEndsOneSecondLater)
{
    Player& p = start();
    QuitOnPlayerClose = true;
    int cancel = 0;
    p.Form_QueryUnload(cancel, vbFormControlMenu);
    EXPECT_EQ(cancel, 1);
    EXPECT_TRUE(p.Timer_End.Enabled());
    EXPECT_EQ(p.Timer_End.Interval(), 1000);
    EXPECT_FALSE(ini("Player Windows", "Top").empty());
    // Not here: ending would stop the test program.
    p.Timer_End.setEnabled(false);
}

TEST_F(PlayerTest, ReloadKeepsTheOtherWindows)
{
    start();
    zunInfo();
    ASSERT_TRUE(isLoaded<ZunInfo>());
    closePlayer();
    EXPECT_FALSE(isLoaded<Player>());
    EXPECT_TRUE(isLoaded<ZunInfo>());
    Unload(zunInfo());
    DoEvents();
}

TEST_F(PlayerTest, FinalCloseUnloadsTheOtherWindows)
{
    Player& p = start();
    zunInfo();
    QuitOnPlayerClose = true;
    p.QuitPlayer();
    DoEvents();
    EXPECT_FALSE(isLoaded<ZunInfo>());
    EXPECT_TRUE(isLoaded<Player>());
}

// Escape or the close box on the save question goes back: nothing of the
// close-down is done, the song plays on, the changes stay. Only No gives them up.
TEST_F(PlayerTest, QuitOffersToSaveAChangedList)
{
    Player& p = start();
    p.Move(1500, 2400);
    PlayListModified = true;
    IsPlaying = true;
    const auto saveQuestions = [&] {
        int n = 0;
        for (const auto& q : prompter->questions())
            n += q.title == "Sauvegarde" || q.title == "Save";
        return n;
    };
    prompter->answerMsgBox(vbCancel);
    EXPECT_FALSE(p.QuitPlayer());
    prompter->answerMsgBox(vbCancel);
    int cancel = 0;
    p.Form_QueryUnload(cancel, vbFormControlMenu);
    EXPECT_EQ(cancel, 1);
    EXPECT_FALSE(p.Timer_End.Enabled());
    EXPECT_EQ(saveQuestions(), 2);
    EXPECT_TRUE(IsPlaying);
    EXPECT_TRUE(PlayListModified);
    EXPECT_NE(ini("Player Windows", "Left"), "1500");

    prompter->answerMsgBox(vbNo);
    EXPECT_TRUE(p.QuitPlayer());
    EXPECT_EQ(ini("Player Windows", "Left"), "1500");
    EXPECT_EQ(saveQuestions(), 3);
    EXPECT_FALSE(PlayListModified);
    EXPECT_FALSE(IsPlaying);
    EXPECT_TRUE(prompter->unexpected().empty());
}

// Yes to the save question with a list that cannot be written: the program
// never ends over the changes. Cancel stays (the close box too), No quits
// without them, Yes saves them under another name.
TEST_F(PlayerTest, AFailedSaveAtQuitLeavesAWayToKeepTheList)
{
    WriteDefaultIni();
    setIni("Setting", "Langue", "En");
    setIni("Setting", "SSTab", "1");
    Player& p = start();
    const std::string list = dir.write("mine.lst", "A;;;MP3;/m/a.mp3;N\r\n");
    ::chmod(list.c_str(), 0444);
    PathLst = list;
    p.LoadPlayList(PathLst);
    ASSERT_EQ(p.ListView1.ListItems.Count(), 1);
    p.ListView1.ListItems(1).setText("Changed");
    PlayListModified = true;
    const std::string stay = "The Play List was not saved.\nYes: save it under another name\n"
                             "No: quit without saving it\nCancel: go back to the program";

    // Cancel: nothing of the close-down is done; the changes stay, the song goes on playing.
    IsPlaying = true;
    prompter->answerMsgBox(vbYes);     // save them?
    prompter->answerMsgBox(vbOK);      // the save failed
    prompter->answerMsgBox(vbCancel);  // go back
    EXPECT_FALSE(p.QuitPlayer());
    EXPECT_TRUE(IsPlaying);
    EXPECT_TRUE(asked(stay));
    EXPECT_TRUE(PlayListModified);
    EXPECT_EQ(p.ListView1.ListItems(1).Text(), "Changed");
    EXPECT_EQ(testsupport::readFileBytes(list), "A;;;MP3;/m/a.mp3;N\r\n");

    // The close box: the window stays and no end is planned.
    prompter->answerMsgBox(vbYes);
    prompter->answerMsgBox(vbOK);
    prompter->answerMsgBox(vbCancel);
    int cancel = 0;
    p.Form_QueryUnload(cancel, vbFormControlMenu);
    EXPECT_EQ(cancel, 1);
    EXPECT_FALSE(p.Timer_End.Enabled());
    EXPECT_TRUE(PlayListModified);

    // Yes: Save as; a cancelled choice asks again; a chosen file keeps the list.
    const std::string elsewhere = dir.file("kept.lst");
    prompter->answerMsgBox(vbYes);
    prompter->answerMsgBox(vbOK);
    prompter->answerMsgBox(vbYes);
    prompter->answerSaveFile(std::nullopt);
    prompter->answerMsgBox(vbYes);
    prompter->answerSaveFile(elsewhere);
    EXPECT_TRUE(p.QuitPlayer());
    EXPECT_FALSE(IsPlaying);   // stopped once the quit goes on
    EXPECT_FALSE(PlayListModified);
    EXPECT_EQ(testsupport::readFileBytes(elsewhere).rfind("Changed;", 0), 0u);
    EXPECT_TRUE(prompter->unexpected().empty());

    // No: the user gives the changes up knowingly.
    PathLst = list;
    PlayListModified = true;
    prompter->answerMsgBox(vbYes);
    prompter->answerMsgBox(vbOK);
    prompter->answerMsgBox(vbNo);
    EXPECT_TRUE(p.QuitPlayer());
    EXPECT_FALSE(PlayListModified);
    EXPECT_TRUE(prompter->unexpected().empty());
    ::chmod(list.c_str(), 0644);
}
