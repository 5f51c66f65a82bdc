// Close-down: window positions written back, the close box, the reload by the
// settings dialog, the other windows.
#include "test_player_fixture.h"

#include "settings/about.h"

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
    EXPECT_EQ(ini("Kar Windows", "Top"), "5850");
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

TEST_F(PlayerTest, QuitOffersToSaveAChangedList)
{
    Player& p = start();
    PlayListModified = true;
    prompter->answerMsgBox(vbNo);
    p.QuitPlayer();
    bool askedToSave = false;
    for (const auto& q : prompter->questions())
        if (q.title == "Sauvegarde" || q.title == "Save")
            askedToSave = true;
    EXPECT_TRUE(askedToSave);
    EXPECT_FALSE(PlayListModified);
}
