// The editor window's life: opening it from the main window (refusals, the
// lyric window put into the editor's mode, the song's sync file loaded),
// closing it (refusals, the main window and lyric window given back, the play
// list's row refreshed), its settings and its layout.
#include "editor/record.h"

#include <QImage>
#include <QRect>
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "core/modini.h"
#include "core/player.h"
#include "editor/recordsave.h"
#include "lyricwindows/karaoke.h"
#include "platform/forms/app.h"
#include "platform/forms/listview.h"
#include "platform/forms/prompter.h"
#include "platform/shell/shell.h"
#include "settings/update.h"
#include "support/playerfixture.h"
#include "test_record_fixture.h"

using namespace modIni;

namespace {

using editortest::EditorTest;

TEST_F(EditorTest, RefusesWhilePlayingWithoutSongOrWhenTheSongIsGone)
{
    IsPlaying = true;
    prompter->answerMsgBox(vbOK);
    player().Command_Record.press();
    EXPECT_EQ(lastMessage(), "You must stop before running this function");
    EXPECT_FALSE(RecordLoaded());
    EXPECT_EQ(player().Check_Aff_Record.Value(), 0);
    IsPlaying = false;

    ListItem& row = playListRow();
    player().Select_Song.setText(songs + "gone.mp3");
    prompter->answerMsgBox(vbOK);
    player().Command_Record.press();
    EXPECT_EQ(lastMessage(), "File not found");
    EXPECT_EQ(row.SmallIcon(), "Picture_Stop");
    EXPECT_FALSE(RecordLoaded());

    Langue = "Fr";
    prompter->answerMsgBox(vbOK);
    player().Command_Record.press();
    EXPECT_EQ(lastMessage(), "Fichier Introuvable");
    EXPECT_EQ(prompter->questions().back().title, "Attention");
    EXPECT_FALSE(RecordLoaded());
    EXPECT_TRUE(prompter->unexpected().empty());
}

TEST_F(EditorTest, OpeningHidesTheMainWindowAndLoadsTheSongsSyncFile)
{
    // The file in the default sync folder wins over the one beside the song.
    dir.write("Syk/song.syk", "la;1,5;di;2;\r\nda;3;\r\n");
    dir.write("Songs/song.syk", "other;1;\r\n");
    Record& r = open();
    EXPECT_EQ(Record::RecSykPath, syk + "song.syk");
    EXPECT_EQ(Record::RecSykFolder, syk);
    EXPECT_EQ(Record::RecSongFileName, "song.mp3");
    EXPECT_EQ(Record::RecCurLine, 1);
    ASSERT_EQ(r.List_Syk.ListCount(), 3);
    EXPECT_EQ(r.List_Syk.List(0), "la;1,5");
    EXPECT_EQ(r.List_Syk.List(1), "di;2_");
    EXPECT_EQ(r.List_Syk.List(2), "da;3_");
    // The first entry is selected and shown in the fields.
    EXPECT_EQ(r.List_Syk.ListIndex(), 0);
    EXPECT_EQ(r.Text_Syk.Text(), "la");
    EXPECT_EQ(r.Text_time.Text(), "1,5");
    EXPECT_EQ(r.Check_NLigne.Value(), 0);

    EXPECT_EQ(r.Select_Song.Text(), "song.mp3");
    EXPECT_EQ(r.Caption(), "Edit Syk");
    EXPECT_EQ(player().Check_Aff_Record.Value(), 1);
    EXPECT_FALSE(player().Visible());
    EXPECT_EQ(player().Check_Aff_Karaoke.Value(), 1);
    EXPECT_TRUE(karaoke().Visible());
    EXPECT_FALSE(Record::RecModified);
    EXPECT_EQ(r.Command_MAJ.Caption(), "Apply");
    EXPECT_EQ(r.Label_Check_NLigne.Caption(), "Enter");
}

TEST_F(EditorTest, ActivationPutsTheLyricWindowInTheEditorsMode)
{
    Karaoke& k = karaoke();
    k.Li6.setValue(true);
    k.LiM2.setValue(true);
    player().Check_Muet.setValue(1);
    Record& r = open();
    r.Form_Activate();  // as the window system does when the editor comes forward
    EXPECT_EQ(ActiveWindowName, "Record");
    EXPECT_TRUE(k.Li2.Value());
    EXPECT_TRUE(k.LiM0.Value());
    EXPECT_EQ(IniAccess("GET", "Kar Windows", "NbLigne"), "2");
    EXPECT_EQ(IniAccess("GET", "Kar Windows", "NbLigneNeg"), "0");
    for (Control* c : std::initializer_list<Control*>{&k.NbLigne, &k.Command_Prev, &k.Command_Next, &k.Mute_S,
                                                      &k.Mute_SK, &k.Li2, &k.Li4, &k.Li6, &k.Li8, &k.LiM0, &k.LiM1,
                                                      &k.LiM2})
        EXPECT_FALSE(c->Enabled());
    EXPECT_EQ(k.Command_Back.Caption(), "-10");
    EXPECT_EQ(k.Command_Forward.Caption(), "+10");
    EXPECT_EQ(player().Check_Muet.Value(), 0);

    // The lyric window's transport presses the editor's buttons meanwhile.
    ASSERT_TRUE(PressRecordButton);
    ASSERT_TRUE(ShowRecordWindow);

    r.Command_Sortir.press();
    DoEvents();
    EXPECT_FALSE(RecordLoaded());
    for (Control* c : std::initializer_list<Control*>{&k.NbLigne, &k.Command_Prev, &k.Command_Next, &k.Mute_S,
                                                      &k.Mute_SK, &k.Li2, &k.Li4, &k.Li6, &k.Li8, &k.LiM0, &k.LiM1,
                                                      &k.LiM2, &k.Command_Play, &k.Command_Stop})
        EXPECT_TRUE(c->Enabled());
    EXPECT_EQ(k.Command_Back.Caption(), "-20");
    EXPECT_EQ(k.Command_Forward.Caption(), "+20");
    EXPECT_TRUE(player().Visible());
    EXPECT_EQ(player().Check_Aff_Record.Value(), 0);
    // The two-line choice stays after the editor.
    EXPECT_EQ(IniAccess("GET", "Kar Windows", "NbLigne"), "2");
}

TEST_F(EditorTest, AnOpenLyricWindowKeepsItsPlaceAndLook)
{
    player().Command_AffSyk.press();
    Karaoke& k = karaoke();
    k.Move(1500, 1200, 9000, 3000);
    k.setBackColor(0x123456);
    IniAccess("WRITE", "Kar Windows", "BackColor", "255");
    open();
    EXPECT_EQ(k.Left(), 1500);
    EXPECT_EQ(k.Top(), 1200);
    EXPECT_EQ(k.BackColor(), 0x123456);
}

TEST_F(EditorTest, SongWithoutSyncFileOpensEmpty)
{
    Record& r = open();
    EXPECT_EQ(Record::RecSykPath, "");
    EXPECT_EQ(r.List_Syk.ListCount(), 0);
    EXPECT_EQ(r.List_Syk.ListIndex(), -1);
}

TEST_F(EditorTest, ClosingRefreshesTheSelectedPlayListRow)
{
    ListItem& row = playListRow();
    open();
    // Saved meanwhile: a .syk in the default folder, a .sy1 beside the song.
    dir.write("Syk/song.syk", "a;1;\r\n");
    dir.write("Songs/song.sy1", "a;1;\r\n");
    record().Command_Sortir.press();
    DoEvents();
    EXPECT_FALSE(RecordLoaded());
    EXPECT_EQ(row.SubItems(5), "Y+");
    EXPECT_EQ(row.SmallIcon(), "Picture_NoteMp3R");

    // In French the flag reads "O"; without a sync file "N" and the plain icon.
    Langue = "Fr";
    std::filesystem::remove(dir.path() / "Songs" / "song.sy1");
    open();
    record().Command_Sortir.press();
    DoEvents();
    EXPECT_EQ(row.SubItems(5), "O");
    std::filesystem::remove(dir.path() / "Syk" / "song.syk");
    open();
    record().Command_Sortir.press();
    DoEvents();
    EXPECT_EQ(row.SubItems(5), "N");
    EXPECT_EQ(row.SmallIcon(), "Picture_NoteMp3");
}

TEST_F(EditorTest, ClosingInTheFolderTabUsesTheFolderAndColumnThree)
{
    PlayListTab = 0;
    player().Dir1.setPath(songs);
    ListItem& it = player().ListView1.ListItems.Add(0, "", "song.mp3");
    it.setSubItems(3, "N");
    player().ListView1.setSelectedItem(&it);
    open();
    dir.write("Songs/song.syk", "a;1;\r\n");
    record().Command_Sortir.press();
    DoEvents();
    EXPECT_EQ(it.SubItems(3), "Y");
}

TEST_F(EditorTest, ClosingRefusalsAndTheStoredPlace)
{
    Record& r = open();
    r.Move(600, 450);
    Record::RecBusy = true;
    prompter->answerMsgBox(vbOK);
    r.Command_Sortir.press();
    DoEvents();
    EXPECT_TRUE(RecordLoaded());
    EXPECT_EQ(lastMessage(), "You must stop recording before exiting");
    Record::RecBusy = false;

    Record::RecModified = true;
    prompter->answerMsgBox(vbCancel);
    r.Command_Sortir.press();
    DoEvents();
    EXPECT_TRUE(RecordLoaded());
    EXPECT_EQ(lastMessage(), "You did not save!! Exit now ?");
    EXPECT_FALSE(player().Visible());

    prompter->answerMsgBox(vbOK);
    r.Command_Sortir.press();
    DoEvents();
    EXPECT_FALSE(RecordLoaded());
    EXPECT_EQ(IniAccess("GET", "Record Windows", "Top"), "450");
    EXPECT_EQ(IniAccess("GET", "Record Windows", "Left"), "600");

    // Opened again at the stored place, with a fresh list; members remain.
    Record::RecCtrlMode = true;
    Record& again = open();
    EXPECT_EQ(again.Top(), 450);
    EXPECT_EQ(again.Left(), 600);
    EXPECT_TRUE(Record::RecCtrlMode);
    EXPECT_EQ(again.Text_TXT.Text(), "");
}

TEST_F(EditorTest, HandEditedPlacesOfTheEditorAndItsLyricWindowFitTheScreen)
{
    // A place from a monitor that is gone, and a lyric window size no screen holds.
    IniAccess("WRITE", "Record Windows", "Top", "99999999");
    IniAccess("WRITE", "Record Windows", "Left", "-99999999");
    IniAccess("WRITE", "Kar Windows", "Top", "-40000");
    IniAccess("WRITE", "Kar Windows", "Left", "99999999");
    IniAccess("WRITE", "Kar Windows", "Width", "99999999");
    IniAccess("WRITE", "Kar Windows", "Height", "99999999");
    Record& r = open();
    const int SW = Screen::Width(), SH = Screen::Height();
    const QRect screen(0, 0, SW / 15, SH / 15);
    EXPECT_TRUE(screen.intersects(QRect(r.Left() / 15, r.Top() / 15, r.Width() / 15, r.Height() / 15)));
    Karaoke& k = karaoke();
    EXPECT_LE(k.Width(), SW);
    EXPECT_LE(k.Height(), SH);
    EXPECT_TRUE(screen.intersects(QRect(k.Left() / 15, k.Top() / 15, k.Width() / 15, k.Height() / 15)));
}

TEST_F(EditorTest, AutoScrollBoxFollowsTheSettings)
{
    IniAccess("WRITE", "Record Windows", "Check_Scrole", "0");
    Record& r = open();
    EXPECT_EQ(r.Check_Scrole.Value(), 0);
    EXPECT_FALSE(r.Timer1.Enabled());
    EXPECT_EQ(IniAccess("GET", "Record Windows", "Check_Scrole"), "0");

    r.Check_Scrole.setValue(1);
    EXPECT_EQ(IniAccess("GET", "Record Windows", "Check_Scrole"), "1");
    EXPECT_TRUE(r.Timer1.Enabled());
    r.Timer1.setEnabled(false);
}

TEST_F(EditorTest, HelpOpensTheEditorsManualPage)
{
    std::string opened;
    shell::setUrlOpener([&](const std::string& url) {
        opened = url;
        return true;
    });
    SetUpdateSiteOverride("http://example.org");
    Record& r = open();
    r.Command_Help.press();
    EXPECT_EQ(opened, "http://example.org/manuel_en/manu_editor_en.html");
    Langue = "Fr";
    r.Command_Help.press();
    EXPECT_EQ(opened, "http://example.org/manuel_fr/manu_editeur_fr.html");
    SetUpdateSiteOverride("");
    shell::setUrlOpener(nullptr);
}

TEST_F(EditorTest, ToolButtonsHaveDistinctPicturesAndTipsInBothLanguages)
{
    std::vector<std::string> english;
    {
        Record& r = open();
        CommandButton* tools[] = {&r.Command_compil, &r.Command_SetColor, &r.Command_ClsSyk, &r.Command_ClsTime};
        for (std::size_t i = 0; i < std::size(tools); ++i) {
            EXPECT_EQ(tools[i]->Style(), vbButtonGraphical);
            ASSERT_TRUE(tools[i]->Picture().valid());
            EXPECT_EQ(tools[i]->Caption(), "");
            for (std::size_t j = 0; j < i; ++j)
                EXPECT_NE(tools[i]->Picture().image(), tools[j]->Picture().image()) << i << " " << j;
            english.push_back(tools[i]->ToolTipText());
        }
        Unload(r);
        DoEvents();
    }
    Langue = "Fr";
    Record& r = open();
    const std::vector<std::string> french = {r.Command_compil.ToolTipText(), r.Command_SetColor.ToolTipText(),
                                             r.Command_ClsSyk.ToolTipText(), r.Command_ClsTime.ToolTipText()};
    for (std::size_t i = 0; i < french.size(); ++i) {
        EXPECT_FALSE(english[i].empty());
        EXPECT_FALSE(french[i].empty());
        EXPECT_NE(english[i], french[i]);
    }
    EXPECT_EQ(french[2], "Effacer la liste");
    EXPECT_EQ(english[2], "Clear the list");
}

TEST_F(EditorTest, LayoutFollowsTheWindowSize)
{
    Record& r = open();
    const int frameW = r.Width() - r.ScaleWidth();
    const int frameH = r.Height() - r.ScaleHeight();

    FrezeDeskTop = "1";
    r.Move(0, 0, 9345, 6120 + frameH);
    r.Form_Resize();
    EXPECT_EQ(r.List_Syk.Height(), 3920);
    EXPECT_EQ(r.Label_Z.Top(), 4452);
    EXPECT_EQ(r.Command_Sortir.Left(), 8280);
    EXPECT_EQ(r.Command_Sortir.Top(), 5775);
    EXPECT_EQ(r.Command_Help.Left(), 8835);
    EXPECT_EQ(r.Text_TXT.Width(), 9345 - frameW - 4200);

    // 2000 twips wider: the help button follows the edge, the bottom block
    // stays centred in the extra width.
    r.Move(0, 0, 9345 + 2000, 6120 + frameH);
    r.Form_Resize();
    EXPECT_EQ(r.Command_Help.Left(), 10335);
    EXPECT_EQ(r.Command_Sortir.Left(), 9280);
    FrezeDeskTop = "2";
    r.Form_Resize();
    EXPECT_EQ(r.Command_Help.Left(), 9835);
    EXPECT_EQ(r.Command_Sortir.Left(), 9280);
    FrezeDeskTop = "3";
    r.Form_Resize();
    EXPECT_EQ(r.Command_Help.Left(), 10335);
    EXPECT_EQ(r.Command_Sortir.Left(), 8280);
    FrezeDeskTop = "0";
    r.Form_Resize();
    EXPECT_EQ(r.Command_Help.Left(), 8835);
    // Halves go to the even neighbour.
    FrezeDeskTop = "2";
    r.Move(0, 0, 9345 + 1001, 6120 + frameH);
    r.Form_Resize();
    EXPECT_EQ(r.Command_Help.Left(), 8835 + 500);
    r.Move(0, 0, 9345 + 1003, 6120 + frameH);
    r.Form_Resize();
    EXPECT_EQ(r.Command_Help.Left(), 8835 + 502);

    // Taller: the tool column moves down by half the extra height.
    r.Move(0, 0, 9345, 6630 + 1000);
    r.Form_Resize();
    EXPECT_EQ(r.Command_compil.Top(), 960 + 500);

    // Lower than designed: laid out as if 6105 high.
    r.Move(0, 0, 9345, 4000);
    r.Form_Resize();
    EXPECT_EQ(r.Command_Sortir.Top(), 6105 - 345);
    EXPECT_EQ(r.Command_compil.Top(), 960);
    // Too narrow for the text pane: it keeps its last size.
    const int paneWidth = r.Text_TXT.Width();
    r.Move(0, 0, 3000, 6120 + frameH);
    r.Form_Resize();
    EXPECT_EQ(r.Text_TXT.Width(), paneWidth);
    EXPECT_EQ(r.Command_Help.Left(), 8835);
    FrezeDeskTop = "1";
}

} // namespace
