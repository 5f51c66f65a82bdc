// Start-up of the main window: settings into the run state, first run, captions
// and colours, and the file named on the command line.
#include "support/playerfixture.h"
#include "test_player_fixture.h"

#include "platform/files/paths.h"

#include <QAbstractItemView>
#include <QTest>

#include <ctime>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace modIni;

namespace {

int nextMonth()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_mon + 1 == 12 ? 1 : local.tm_mon + 2;
}

} // namespace

TEST_F(PlayerTest, FirstStartFromAnEmptyFolderUsesTheDefaults)
{
    Player& p = start();
    EXPECT_EQ(ini("Setting", "Setup"), "1");
    EXPECT_EQ(ini("Path", "Path Image"), dir.file("ZunMp3syk.jpg"));
    EXPECT_EQ(Langue, "Fr");
    EXPECT_EQ(PlayListTab, 0);
    EXPECT_EQ(p.Caption(), "Zun Mp3 Karaoke");
    EXPECT_EQ(p.Command_Play.Caption(), "Jouer");
    EXPECT_EQ(p.Label_Duree.Caption(), "Durée:");
    EXPECT_EQ(CmdLine, "Fin");
    EXPECT_EQ(MediaKind, "None");
    EXPECT_FALSE(PlayListModified);
    // The folder tab: browser shown, play-list buttons and menu items hidden.
    EXPECT_TRUE(p.Drive1.Visible());
    EXPECT_TRUE(p.Dir1.Visible());
    EXPECT_FALSE(p.Command_Add.Visible());
    EXPECT_FALSE(p.mnuEdit[0].Visible());
    EXPECT_TRUE(p.mnuAddtoPlayList[0].Visible());
    // Default colours: buttons R 225 G 232 B 240, lists white, window R 197 G 210 B 226.
    EXPECT_EQ(p.Command_Play.BackColor(), 15788257);
    EXPECT_EQ(p.Select_Song.BackColor(), 16777215);
    EXPECT_EQ(p.BackColor(), 14865093);
    EXPECT_NE(p.Label_ZunMp3.ForeColor(), 0x808080);
    // Lyric colours split into their parts; defaults of the lyric window read.
    EXPECT_EQ(FontRed, std::to_string(GetColorPart(KarFontColor, "gcRed")));
    EXPECT_EQ(ActifBlue, std::to_string(GetColorPart(KarFontColorActif, "gcBlue")));
    EXPECT_EQ(NbLigne, std::stoi(ini("Kar Windows", "NbLigne")));
    EXPECT_EQ(ThemeIndex, 1);
    EXPECT_EQ(PathPgmImage, "@ZunMp3");
    // Sliders bound and centred.
    EXPECT_EQ(p.Timer1.Interval(), 10);
    EXPECT_FALSE(p.Timer_LoadPlayer.Enabled());
    EXPECT_TRUE(prompter->unexpected().empty());
}

TEST_F(PlayerTest, SetupRunsOnlyOnTheFirstStart)
{
    start();
    closePlayer();
    setIni("Path", "Path Image", "/somewhere/else.jpg");
    start();
    EXPECT_EQ(ini("Path", "Path Image"), "/somewhere/else.jpg");
    EXPECT_EQ(PathImage, "/somewhere/else.jpg");
}

TEST_F(PlayerTest, EnglishCaptionsOnlyForExactlyEn)
{
    WriteDefaultIni();
    setIni("Setting", "Langue", "En");
    Player& p = start();
    EXPECT_EQ(p.Command_Play.Caption(), "Play");
    EXPECT_EQ(p.Command_Stop.Caption(), "Stop");
    EXPECT_EQ(p.Command_AffSyk.Caption(), "Show Karaoke");
    EXPECT_EQ(p.Label_Vitesse.Caption(), "Speed");
    EXPECT_EQ(p.Label_Transpo.Caption(), "Pitch");
    EXPECT_EQ(p.Command_Quitter.ToolTipText(), "Quit");
    EXPECT_EQ(p.mnuDeleteToPlayList[0].Caption(), "Remove from Play List");
    EXPECT_EQ(p.Text_Londing.Text(), "Loading List...\r\nPlease Wait !");
    // The window's caption follows the language of the previous pass.
    EXPECT_EQ(p.Caption(), "Zun Mp3 Karaoke");
    closePlayer();
    Langue = "En"; // what the first pass left
    CmdLine = "Fin";
    Player& again = start();
    EXPECT_EQ(again.Caption(), "Player");
}

TEST_F(PlayerTest, ListFileButtonsHavePicturesUnlikeTheArrows)
{
    Player& p = start();
    CommandButton* files[] = {&p.Command_Open, &p.Command_Save, &p.Command_SaveAs};
    for (std::size_t i = 0; i < std::size(files); ++i) {
        ASSERT_TRUE(files[i]->Picture().valid()) << i;
        EXPECT_EQ(files[i]->Style(), vbButtonGraphical);
        EXPECT_EQ(files[i]->Caption(), "");
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_NE(files[i]->Picture().image(), files[j]->Picture().image());
        // The move buttons keep their arrows: no face is shared.
        for (CommandButton* arrow : {&p.Command_Up, &p.Command_Dwn})
            EXPECT_FALSE(arrow->Picture().valid());
    }
    EXPECT_EQ(p.Command_Open.ToolTipText(), "Ouvrir (Liste Sélection)");
}

TEST_F(PlayerTest, LowerCaseEnKeepsTheFrenchTexts)
{
    WriteDefaultIni();
    setIni("Setting", "Langue", "en");
    Player& p = start();
    EXPECT_EQ(p.Command_Play.Caption(), "Jouer");
    EXPECT_EQ(p.Command_Back.Caption(), "-20 sec");
}

TEST_F(PlayerTest, RedBackgroundTurnsTheBannerGrey)
{
    WriteDefaultIni();
    setIni("Setting", "PgmColor", "255");
    Player& p = start();
    EXPECT_EQ(p.BackColor(), 255);
    EXPECT_EQ(p.Label_ZunMp3.ForeColor(), 0x808080);
}

TEST_F(PlayerTest, NonNumericColoursKeepTheDefaults)
{
    WriteDefaultIni();
    setIni("Setting", "ButtomColor", "blue");
    setIni("Setting", "ListView", "17");
    Player& p = start();
    EXPECT_EQ(p.Command_Play.BackColor(), 15788257);
    EXPECT_EQ(p.ListView1.View(), 2);
    EXPECT_TRUE(p.mnuView[0].Checked());
    EXPECT_FALSE(p.mnuView[1].Checked());
}

TEST_F(PlayerTest, LyricLookMissingFromAnOlderSettingsFileTakesItsDefaults)
{
    // A settings file from an older version, or cut down by hand: the lyric
    // colours and font must not become black and nameless.
    dir.write("PlaySyk.ini", "[Setting]\r\nCheckUpd=0\r\n\r\n[Kar Windows]\r\nFontColorActif=65280\r\n");
    start();
    EXPECT_EQ(KarFontColor, "16744448");
    EXPECT_EQ(KarFontColorActif, "65280");
    EXPECT_EQ(KarBackColor, "11860476");
    EXPECT_EQ(KarFontName, "Comic Sans MS");
    EXPECT_EQ(IniDefault("kar windows", "countdownbar"), "1");
    EXPECT_EQ(IniDefault("Path", "Path Mp3"), paths::homeFolder());
    EXPECT_EQ(IniDefault("Path", "NoSuchKey"), "");
}

// The grid-line and view settings tick their menu items from the start.
TEST_F(PlayerTest, GridLinesAndViewSettingsTickTheMenu)
{
    WriteDefaultIni();
    setIni("Setting", "GridLines", "1");
    setIni("Setting", "ListView", "3");
    Player& p = start();
    EXPECT_EQ(p.Check_GridLines.Value(), 1);
    EXPECT_TRUE(p.mnuGride[0].Checked());
    EXPECT_EQ(p.ListView1.View(), 3);  // the detail view, as it was left
    EXPECT_TRUE(p.mnuView[1].Checked());
    EXPECT_FALSE(p.mnuView[0].Checked());
}

TEST_F(PlayerTest, PlayListTabShowsItsButtons)
{
    WriteDefaultIni();
    setIni("Setting", "SSTab", "1");
    // A list on a removed stick: the user is told, the setting stays.
    const std::string remembered = dir.file("stick/gone.lst");
    setIni("Path", "Path Lst", remembered);
    prompter->answerMsgBox(vbOK);
    Player& p = start();
    EXPECT_EQ(PlayListTab, 1);
    EXPECT_EQ(p.PlayListTabName, "PlayList");
    EXPECT_TRUE(p.Command_Add.Visible());
    EXPECT_TRUE(p.Command_Detect.Visible());
    EXPECT_FALSE(p.Drive1.Visible());
    EXPECT_FALSE(p.Dir1.Visible());
    EXPECT_FALSE(p.mnuAddtoPlayList[0].Visible());
    EXPECT_TRUE(p.ListView1.Visible());
    // A start-up never forgets which list the user had.
    EXPECT_EQ(ini("Path", "Path Lst"), remembered);
}

TEST_F(PlayerTest, HandEditedSettingsStillGiveAUsableWindow)
{
    WriteDefaultIni();
    // A tab number that is neither tab: the play list, which the folder tab
    // then replaces at the first click, as from a normal start.
    setIni("Setting", "SSTab", "999");
    // Positions no screen has, one beyond what a 32-bit number holds.
    setIni("Player Windows", "Top", "-999999999");
    setIni("Player Windows", "Left", "99999999999");
    prompter->answerMsgBox(vbOK);   // the remembered list may be missing
    Player& p = start();
    EXPECT_EQ(PlayListTab, 1);
    EXPECT_EQ(p.PlayListTabName, "PlayList");
    p.Show();
    EXPECT_GE(p.Left(), 0);
    EXPECT_GE(p.Top(), 0);
    EXPECT_LE(p.Left() + p.Width(), Screen::Width());
    EXPECT_LE(p.Top() + p.Height(), Screen::Height());
    p.Image_Tab_Click();
    EXPECT_EQ(PlayListTab, 0);
    EXPECT_EQ(p.PlayListTabName, "DirList");
    EXPECT_TRUE(p.Dir1.Visible());
}

TEST_F(PlayerTest, UnreadableSettingsFileKeepsOneLanguage)
{
    // A folder stands where the settings file should be: every setting reads
    // as "". The windows are French then, and so must the messages be.
    modIni::ResetIniErrorShown();
    int boxes = 0;
    modIni::IniErrorBox = [&boxes](const std::string&) { ++boxes; };
    ASSERT_EQ(::mkdir(dir.file("PlaySyk.ini").c_str(), 0755), 0);
    prompter->answerMsgBox(vbOK);   // the default list cannot be made either
    Player& p = start();
    modIni::IniErrorBox = nullptr;
    modIni::ResetIniErrorShown();
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(Langue, "Fr");
    EXPECT_EQ(p.Command_Play.Caption(), "Jouer");
    p.Select_Song.setText(dir.file("missing.mp3"));
    prompter->answerMsgBox(vbOK);
    p.Command_Play_Click();
    EXPECT_TRUE(asked("Fichier Introuvable"));
}

TEST_F(PlayerTest, ClickOnASongOfTheFolderTabMakesItTheCurrentSong)
{
    // Straight after start-up, in the folder tab, a user's click on a row must
    // put that song's full path into the current-song box.
    WriteDefaultIni();
    const std::string song = dir.write("songs/tune.wav", "RIFF");
    setIni("Path", "Path", dir.file("songs/"));
    Player& p = start();
    ASSERT_EQ(PlayListTab, 0);
    EXPECT_EQ(p.PlayListTabName, "DirList");
    ASSERT_EQ(p.ListView1.ListItems.Count(), 1);
    auto* view = p.ListView1.widget()->findChild<QAbstractItemView*>();
    if (!view)
        view = qobject_cast<QAbstractItemView*>(p.ListView1.widget());
    ASSERT_NE(view, nullptr);
    const QRect r = view->visualRect(view->model()->index(0, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(p.Select_Song.Text(), song);
}

TEST_F(PlayerTest, StartUpInTheFolderTabSelectsTheFirstRowWhichAddGoesToTheListTheListTabOpens)
{
    // A first start: the settings name no list yet.
    WriteDefaultIni();
    dir.write("songs/b.mp3", "");
    dir.write("songs/a.wav", "");
    setIni("Path", "Path", dir.file("songs/"));
    Player& p = start();
    ASSERT_EQ(p.ListView1.ListItems.Count(), 2);
    ListItem* selected = p.ListView1.SelectedItem();
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(selected->Text(), "a.wav");
    // Added before the list tab was ever shown: no message, the default list
    // made and remembered, and the list tab opens on it.
    prompter->answerPopup("Ajouter à la Liste de Sélection");
    p.ListView1_MouseUp(vbRightButton, 0, 10, 10);
    const std::string list = dir.file("ZunMp3Syk.lst");
    EXPECT_EQ(ini("Path", "Path Lst"), list);
    EXPECT_EQ(testsupport::readFileBytes(list), "a;;;Wave;" + dir.file("songs/a.wav") + ";N\r\n");
    p.Image_Tab_Click();
    ASSERT_EQ(p.ListView1.ListItems.Count(), 1);
    EXPECT_EQ(p.ListView1.ListItems.Item(1)->SubItems(4), dir.file("songs/a.wav"));
    EXPECT_EQ(prompter->questions().size(), 1u);   // the menu, no message
}

TEST_F(PlayerTest, MissingRememberedFolderFallsBackToHome)
{
    WriteDefaultIni();
    setIni("Path", "Path", dir.file("gone/"));
    Player& p = start();
    std::string home = paths::homeFolder();
    if (home.size() > 1 && home.back() == '/')
        home.pop_back();
    EXPECT_EQ(p.Dir1.Path(), home);
}

// ---- the command line

class CommandLineTest : public PlayerTest {
protected:
    testsupport::TempDir songs;
    testsupport::TempDir music;
};

TEST_F(CommandLineTest, SykLooksInTheMusicFolderFirstThenBesideIt)
{
    const std::string syk = songs.write("abc.syk", "a;1;\r\n");
    const std::string musicDir = music.path().generic_string() + "/";
    songs.write("abc.mp3", "x");
    EXPECT_EQ(CommandLineSong(syk, musicDir), songs.file("abc.mp3"));
    music.write("abc.wav", "x");
    EXPECT_EQ(CommandLineSong(syk, musicDir), music.file("abc.wav"));
    music.write("abc.kar", "x");
    EXPECT_EQ(CommandLineSong(syk, musicDir), music.file("abc.kar"));
    music.write("abc.mp3", "x");
    EXPECT_EQ(CommandLineSong(syk, musicDir), music.file("abc.mp3"));
}

TEST_F(CommandLineTest, SykBesideOrderIsMp3KarMidWav)
{
    const std::string syk = songs.write("abc.syk", "");
    const std::string none = music.path().generic_string() + "/";
    songs.write("abc.wav", "x");
    songs.write("abc.mid", "x");
    EXPECT_EQ(CommandLineSong(syk, none), songs.file("abc.mid"));
    songs.write("abc.kar", "x");
    EXPECT_EQ(CommandLineSong(syk, none), songs.file("abc.kar"));
}

TEST_F(CommandLineTest, SongCopiedFromWindowsIsFoundWhateverItsCase)
{
    const std::string syk = songs.write("abc.syk", "");
    songs.write("ABC.MP3", "x");
    bool isSyk = false;
    EXPECT_EQ(CommandLineSong(syk, music.path().generic_string() + "/", &isSyk), songs.file("ABC.MP3"));
    EXPECT_TRUE(isSyk);
}

TEST_F(CommandLineTest, EndingsAndTheirCase)
{
    bool isSyk = true;
    EXPECT_EQ(CommandLineSong("/x/Song.MP3", "/m/", &isSyk), "/x/Song.MP3");
    EXPECT_FALSE(isSyk);
    EXPECT_EQ(CommandLineSong("/x/Song.Kar", "/m/"), "/x/Song.Kar");
    // Only a lower-case ".syk" is a sync file; ".SYK" is no song either.
    EXPECT_EQ(CommandLineSong("/x/Song.SYK", "/m/", &isSyk), "");
    EXPECT_FALSE(isSyk);
    EXPECT_EQ(CommandLineSong("/x/readme.txt", "/m/"), "");
    EXPECT_EQ(CommandLineSong("", "/m/"), "");
    EXPECT_EQ(CommandLineSong(".sy", "/m/"), "");
    // Quotes are part of the path: nothing is found.
    const std::string quoted = "\"" + songs.write("q.syk", "") + "\"";
    songs.write("q.mp3", "x");
    EXPECT_EQ(CommandLineSong(quoted, "/m/", &isSyk), "");
}

TEST_F(CommandLineTest, StartUpPutsTheSongIntoTheCurrentSongBox)
{
    const std::string song = songs.write("tune.mp3", "x");
    setCommandLine(song);
    prompter->answerMsgBox(vbOK); // the song itself is not playable
    Player& p = start();
    EXPECT_EQ(p.Select_Song.Text(), song);
    EXPECT_EQ(p.Check_Aff_Karaoke.Value(), 1);
    EXPECT_EQ(CmdLine, "Fin");
}

TEST_F(CommandLineTest, ARelativeSongPathIsTakenFromTheStartingFolder)
{
    const std::string song = songs.write("tune.mp3", "x");
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(songs.path());
    setCommandLine("tune.mp3");
    prompter->answerMsgBox(vbOK); // the song itself is not playable
    Player& p = start();
    std::filesystem::current_path(before);
    EXPECT_EQ(p.Select_Song.Text(), song);
    EXPECT_EQ(p.Dir1.Path(), songs.path().generic_string());
}

TEST_F(CommandLineTest, SongWhoseNameIsNotUtf8PlaysFromTheCommandLine)
{
    // A name made on an older system: "caf\xE9" is not UTF-8, yet names the file.
    const std::string song = songs.write("caf\xE9.wav", testsupport::silentWav(2.0));
    setCommandLine(song);
    Player& p = start();
    EXPECT_EQ(p.Select_Song.Text(), song);
    EXPECT_TRUE(IsPlaying);
    EXPECT_TRUE(prompter->questions().empty());
    p.Command_Stop_Click();
}

TEST_F(CommandLineTest, SykWithoutItsSongSaysSo)
{
    WriteDefaultIni();
    setIni("Setting", "Langue", "En");
    setCommandLine(songs.write("lonely.syk", ""));
    prompter->answerMsgBox(vbOK);
    Player& p = start();
    EXPECT_TRUE(asked("Music file not found in the specified directory."));
    EXPECT_EQ(p.Select_Song.Text(), "");
    EXPECT_EQ(p.Check_Aff_Karaoke.Value(), 0);
}

TEST_F(CommandLineTest, SykWithoutItsSongSaysSoInFrench)
{
    setCommandLine(songs.write("lonely.syk", ""));
    prompter->answerMsgBox(vbOK);
    start();
    ASSERT_EQ(prompter->questions().size(), 1u);
    EXPECT_EQ(prompter->questions()[0].text,
              "Le fichier musique est inexistant à l'endroit spécifié dans la configuration.");
    EXPECT_EQ(prompter->questions()[0].title, "Attention");
    EXPECT_EQ(prompter->questions()[0].style, vbCritical);
}

// A file the player cannot play is said so, a missing one as Play says it;
// nothing plays and no lyric window opens.
TEST_F(CommandLineTest, AFileThatCannotBePlayedIsSaid)
{
    WriteDefaultIni();
    setIni("Setting", "Langue", "En");
    const std::string cannot = "This file cannot be played.\r\n";
    const std::string text = songs.write("readme.txt", "x");
    const std::string folder = songs.path().generic_string();
    std::filesystem::create_directory(songs.path() / "album.mp3");
    for (const auto& [named, said] : {std::pair{text, cannot + text}, std::pair{folder, cannot + folder},
                                      std::pair{std::string("/dev/null"), cannot + "/dev/null"},
                                      std::pair{songs.file("album.mp3"), cannot + songs.file("album.mp3")},
                                      std::pair{songs.file("gone.txt"), std::string("File not found")}}) {
        closePlayer();
        CmdLine = "";
        setCommandLine(named);
        prompter->clear();
        prompter->answerMsgBox(vbOK);
        Player& p = start();
        ASSERT_EQ(prompter->questions().size(), 1u) << named;
        EXPECT_EQ(prompter->questions()[0].text, said);
        EXPECT_EQ(p.Select_Song.Text(), "");
        EXPECT_EQ(p.Check_Aff_Karaoke.Value(), 0);
        EXPECT_FALSE(IsPlaying);
    }
}

TEST_F(CommandLineTest, ReloadAfterTheSettingsDialogIgnoresTheCommandLine)
{
    const std::string song = songs.write("tune.mp3", "x");
    setCommandLine(song);
    prompter->answerMsgBox(vbOK);
    start();
    closePlayer();
    Player& again = start();
    EXPECT_EQ(again.Select_Song.Text(), "");
}

TEST_F(CommandLineTest, SongInThePlayListTabLeavesTheListAlone)
{
    WriteDefaultIni();
    setIni("Setting", "SSTab", "1");
    const std::string songFolder = songs.path().generic_string() + "/";
    setCommandLine(songs.write("tune.mp3", "x"));
    prompter->answerMsgBox(vbOK);
    start();
    // The folder browser was not moved to the song's folder.
    EXPECT_NE(ini("Path", "Path"), songFolder);
}

// ---- the monthly update check

TEST_F(PlayerTest, MonthlyCheckRunsOncePerMonth)
{
    WriteDefaultIni();
    setIni("Setting", "CheckUpd", "1");
    setIni("Setting", "NextUpd", std::to_string(nextMonth()));
    // A server that is not there: a check would say so.
    SetUpdateSiteOverride("http://127.0.0.1:9");
    start();
    for (int i = 0; i < 200 && UpdateCheckRunning(); ++i)
        DoEvents();
    EXPECT_TRUE(prompter->questions().empty());
}

TEST_F(PlayerTest, MonthlyCheckRunsInANewMonth)
{
    WriteDefaultIni();
    setIni("Setting", "CheckUpd", "1");
    setIni("Setting", "NextUpd", std::to_string(nextMonth() % 12 + 1));
    SetUpdateSiteOverride("http://127.0.0.1:9");
    SetUpdateTimeout(2000);
    prompter->answerMsgBox(vbOK);
    start();
    for (int i = 0; i < 2000 && UpdateCheckRunning(); ++i) {
        DoEvents();
        usleep(2000);
    }
    EXPECT_FALSE(UpdateCheckRunning());
    EXPECT_TRUE(asked("Zun Mp3 a tenté de valider la présence d'une mise à jour\n"
                      "mais il a été impossible de contacter le serveur."));
    EXPECT_EQ(ini("Setting", "NextUpd"), std::to_string(nextMonth()));
    SetUpdateTimeout(8000);
}
