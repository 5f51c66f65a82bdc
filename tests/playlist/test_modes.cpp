// The list's selection modes: entering each mode, ticking rows, and what OK,
// Apply and Cancel do to the play list in "Supp", "Detection" and "Ajout".
#include "listfixture.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTimer>
#include <QWidget>

using namespace listtest;

namespace {

class Modes : public ListTest {
protected:
    // Four rows with their own look, the second and fourth with icons of
    // their own, so a rebuild shows whether anything was lost.
    void fourSongs()
    {
        for (int i = 1; i <= 4; ++i) {
            ListItem& it = addRow("T" + std::to_string(i), "A" + std::to_string(i), "/m/s" + std::to_string(i) + ".kar");
            it.setSubItems(ColLength, "3:0" + std::to_string(i));
            it.setSubItems(ColLookActive, i % 2 ? "1" : "0");
            it.setSubItems(ColShadowColor, std::to_string(i * 11));
            it.setSubItems(ColPicturePath, "/p" + std::to_string(i) + ".jpg");
        }
    }
    void tick(std::initializer_list<int> rows)
    {
        for (int i : rows)
            row(i).setChecked(true);
    }
    // A mouse click on the middle of a row's tick box, the window shown.
    void clickTickBox(int index)
    {
        auto* v = qobject_cast<QAbstractItemView*>(w->ListView1.activeView());
        QStyleOptionViewItem option;
        option.initFrom(v);
        option.rect = v->visualRect(v->model()->index(index - 1, 0));
        option.features |= QStyleOptionViewItem::HasCheckIndicator;
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {},
                          v->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, v).center());
    }
    bool inModeLayout()
    {
        return w->Command_Ok.Visible() && w->Command_Cancel.Visible() && w->Command_Appliquer.Visible()
            && w->Check_Select.Visible() && !w->Command_Add.Visible() && !w->Command_Quitter.Visible()
            && !w->Select_Song.Visible() && !w->Image_Tab.Enabled() && w->Command_Cacher.Value() == 1;
    }
    bool normalLayout()
    {
        return !w->Command_Ok.Visible() && !w->Check_Select.Visible() && !w->Label_Action.Visible()
            && w->Command_Add.Visible() && w->Command_Supp.Visible() && w->Command_Detect.Visible()
            && w->Command_Quitter.Visible() && w->Select_Song.Visible() && w->Image_Tab.Enabled()
            && w->Command_Cacher.Visible() && w->Command_Cacher.Value() == 0 && !w->ListView1.Checkboxes()
            && ListMode.empty() && w->PlayListTabName == "PlayList" && w->ListView2.ListItems.Count() == 0;
    }
};

TEST_F(Modes, RemoveKeepsTheUntickedRowsWhole)
{
    fourSongs();
    const PlayListRow r1 = rowOf(row(1)), r3 = rowOf(row(3));
    row(2).setChecked(true);   // a tick left from before is cleared on entry
    row(3).setSelected(true);
    w->ListView1_Click();
    w->Command_Supp.press();
    EXPECT_EQ(ListMode, "Supp");
    EXPECT_TRUE(inModeLayout());
    EXPECT_TRUE(w->ListView1.Checkboxes());
    EXPECT_EQ(w->Label_Action.Caption(), "Remove from Play List");
    EXPECT_EQ(w->Label_Action.FontSize(), 12);
    for (int i = 1; i <= 4; ++i)
        EXPECT_FALSE(row(i).Checked()) << i;
    EXPECT_EQ(selectedIndex(), 4);

    tick({2, 4});
    w->Command_Ok.press();
    ASSERT_EQ(w->ListView1.ListItems.Count(), 2);
    EXPECT_EQ(rowOf(row(1)), r1);
    EXPECT_EQ(rowOf(row(2)), r3);
    EXPECT_EQ(row(2).SmallIcon(), "Picture_Note2");
    EXPECT_EQ(selectedIndex(), 2);   // the current song's row, moved up
    EXPECT_EQ(w->Select_Song.Text(), "/m/s3.kar");
    EXPECT_EQ(w->Label_ItemCount.Caption(), "2 file(s)");
    EXPECT_TRUE(modIni::PlayListModified);
    EXPECT_TRUE(normalLayout());
    EXPECT_EQ(w->MousePointer(), vbDefault);
}

TEST_F(Modes, RemovingEveryRowLeavesAnEmptyCountedList)
{
    modIni::Langue = "Fr";
    fourSongs();
    w->Command_Supp.press();
    EXPECT_EQ(w->Label_Action.Caption(), "Retirer de la Liste de Sélection");
    w->Check_Select.setValue(1);
    w->Command_Ok.press();
    EXPECT_EQ(w->ListView1.ListItems.Count(), 0);
    EXPECT_EQ(w->Label_ItemCount.Caption(), "0 objet(s)");
    EXPECT_TRUE(modIni::PlayListModified);
}

TEST_F(Modes, SelectAllTicksAndUnticksEveryRow)
{
    // On an empty list the box only switches the check boxes on.
    w->Check_Select.setValue(1);
    EXPECT_TRUE(w->ListView1.Checkboxes());
    w->Check_Select.setValue(0);

    fourSongs();
    w->Command_Detect.press();
    w->Label_SelectAll.fireClick();
    EXPECT_EQ(w->Check_Select.Value(), 1);
    for (int i = 1; i <= 4; ++i)
        EXPECT_TRUE(row(i).Checked());
    EXPECT_EQ(selectedIndex(), 4);
    w->Label_SelectAll.fireClick();
    EXPECT_EQ(w->Check_Select.Value(), 0);
    for (int i = 1; i <= 4; ++i)
        EXPECT_FALSE(row(i).Checked());

    // A tick box only ticks: the current song stays the user's, through the commit.
    w->Select_Song.setText("/m/s2.kar");
    w->Show();
    DoEvents();
    clickTickBox(1);
    EXPECT_TRUE(row(1).Checked());
    EXPECT_EQ(w->Select_Song.Text(), "/m/s2.kar");
    w->Command_Cancel.press();

    w->Command_Supp.press();
    clickTickBox(1);
    clickTickBox(4);
    EXPECT_TRUE(row(4).Checked());
    EXPECT_EQ(w->Select_Song.Text(), "/m/s2.kar");
    w->Command_Ok.press();
    EXPECT_EQ(titles(), (std::vector<std::string>{"T2", "T3"}));
    EXPECT_EQ(w->Select_Song.Text(), "/m/s2.kar");
}

TEST_F(Modes, CancelLeavesTheRowsAndTheFlagAlone)
{
    fourSongs();
    row(2).setSelected(true);
    w->ListView1_Click();
    const auto before = rowsOf(w->ListView1);
    w->Label_ItemCount.setCaption("old");
    w->Command_Supp.press();
    tick({1, 2});
    w->Command_Cancel.press();
    EXPECT_EQ(rowsOf(w->ListView1), before);
    EXPECT_FALSE(modIni::PlayListModified);
    EXPECT_TRUE(normalLayout());
    EXPECT_EQ(w->Label_ItemCount.Caption(), "old");
    // The highlighted row is the current song's again, not the last one the
    // mode's walk left selected; a row clicked in the mode is the current song.
    EXPECT_EQ(selectedIndex(), 2);
    EXPECT_EQ(w->Select_Song.Text(), "/m/s2.kar");
    w->Command_Detect.press();
    EXPECT_EQ(selectedIndex(), 4);
    row(3).setSelected(true);
    w->ListView1_Click();
    row(4).setSelected(true);   // the walk of "select all" moves the selection on
    w->Command_Cancel.press();
    EXPECT_EQ(selectedIndex(), 3);
    EXPECT_EQ(w->Select_Song.Text(), "/m/s3.kar");
    // The same song twice: the row that was current stays highlighted.
    addRow("T2 again", "A2", "/m/s2.kar");
    row(5).setSelected(true);
    w->ListView1_Click();
    w->Command_Supp.press();
    w->Command_Cancel.press();
    EXPECT_EQ(selectedIndex(), 5);
    // A current song that is not in the list: no row is highlighted.
    w->Select_Song.setText("/elsewhere/x.mp3");
    w->Command_Supp.press();
    w->Command_Cancel.press();
    EXPECT_EQ(selectedIndex(), 0);

    // OK on an empty list is a Cancel: the flag stays untouched.
    w->ListView1.ListItems.Clear();
    w->Command_Detect.press();
    w->Command_Ok.press();
    EXPECT_FALSE(modIni::PlayListModified);
    EXPECT_TRUE(normalLayout());
}

TEST_F(Modes, ModesEndInTheFullViewAndArePlacedInTheCompactOne)
{
    fourSongs();
    // The compact view was on before: the mode's own buttons are still placed.
    w->Command_Cacher.setValue(1);
    w->Command_Ok.Move(0, 0);
    w->Command_Supp.press();
    EXPECT_EQ(w->Command_Ok.Left(), 4950);
    EXPECT_EQ(w->Command_Ok.Top(), w->ScaleHeight() - 800);
    // The select-all box has room for its check mark, left of its label.
    QWidget* box = w->Check_Select.widget();
    EXPECT_GE(box->width(), box->sizeHint().width());
    EXPECT_GE(box->height(), box->sizeHint().height());
    EXPECT_LE(w->Check_Select.Left() + w->Check_Select.Width(), w->Label_SelectAll.Left());
    w->Command_Cancel.press();
    EXPECT_EQ(w->Command_Cacher.Value(), 0);

    // No mode can be entered on top of another.
    w->Command_Detect.press();
    w->Command_Supp_Click();
    EXPECT_EQ(ListMode, "Detection");
    w->Command_Ok.press();
    EXPECT_EQ(w->Command_Cacher.Value(), 0);
}

TEST_F(Modes, ApplyCommitsAndEntersTheModeAgain)
{
    fourSongs();
    w->Command_Supp.press();
    tick({1});
    prompts->answerMsgBox(vbOK);
    w->Command_Appliquer.press();
    EXPECT_EQ(titles(), (std::vector<std::string>{"T2", "T3", "T4"}));
    EXPECT_EQ(ListMode, "Supp");
    EXPECT_TRUE(inModeLayout());
    for (int i = 1; i <= 3; ++i)
        EXPECT_FALSE(row(i).Checked());
    EXPECT_TRUE(modIni::PlayListModified);
    ASSERT_EQ(prompts->questions().size(), 1u);
    EXPECT_EQ(prompts->questions()[0].text, "Done...");
    EXPECT_EQ(prompts->questions()[0].style, vbOKOnly + vbInformation);

    // Apply on an empty list does nothing at all.
    w->Check_Select.setValue(1);
    prompts->answerMsgBox(vbOK);
    w->Command_Appliquer.press();
    EXPECT_EQ(w->ListView1.ListItems.Count(), 0);
    ASSERT_EQ(ListMode, "Supp");
    w->Command_Appliquer.press();
    EXPECT_EQ(prompts->questions().size(), 2u);
    EXPECT_EQ(ListMode, "Supp");
}

// ---- detection --------------------------------------------------------------------------

TEST_F(Modes, DetectionRefreshesFlagsAndReadsTagsOfTickedSongs)
{
    const std::string a = song("a.mp3", id3File("Hello", "Band"));
    music.write("a.syk", "x");
    music.write("a.sy1", "x");
    const std::string b = song("b.mp3", id3File("Only Title", ""));
    const std::string c = song("c.wav", id3File("", "", false));
    const std::string d = folder + "gone.mp3";
    const std::string e = song("e.mp3", id3File("Unticked", "Nobody"));
    music.write("e.syk", "x");
    addRow("old a", "x", a);
    addRow("old b", "someone", b);
    addRow("old c", "y", c);
    addRow("old d", "z", d, "Y");
    addRow("old e", "q", e);

    w->Command_Detect.press();
    EXPECT_EQ(ListMode, "Detection");
    EXPECT_EQ(w->Label_Action.FontSize(), 8);
    EXPECT_EQ(w->Label_Action.Caption(), "This allows you to detect the title and artist included in the music index (Tag)");
    tick({1, 2, 3, 4});
    w->Command_Ok.press();

    EXPECT_EQ(titles(), (std::vector<std::string>{"Hello", "Only Title", "old c", "old d", "old e"}));
    EXPECT_EQ(column(ColArtist), (std::vector<std::string>{"Band", "", "y", "z", "q"}));
    EXPECT_EQ(column(ColSyncFlag), (std::vector<std::string>{"Y+", "N", "N", "Y", "Y"}));
    // The missing song is marked and keeps its flag; other icons stay.
    EXPECT_EQ(row(4).SmallIcon(), IconStop);
    EXPECT_EQ(row(5).SmallIcon(), "Picture_NoteMp3");
    // The current song is the last ticked song that exists, and its row the one selected.
    EXPECT_EQ(w->Select_Song.Text(), c);
    EXPECT_EQ(selectedIndex(), 3);
    EXPECT_TRUE(modIni::PlayListModified);
    EXPECT_TRUE(normalLayout());
    EXPECT_TRUE(w->Enabled());
    EXPECT_FALSE(ListBusy);
    EXPECT_EQ(w->Label_ItemCount.Caption(), "5 file(s)");
}

TEST_F(Modes, DetectionFlagLetterFollowsTheLanguage)
{
    const std::string a = song("a.mp3");
    music.write("a.syk", "x");
    music.write("a.sy1", "x");
    const std::string b = song("b.mp3");
    music.write("b.syk", "x");
    addRow("a", "", a);
    addRow("b", "", b);
    for (const auto& [langue, flags] : {std::pair<std::string, std::vector<std::string>>{"Fr", {"O+", "O"}},
                                        {"De", {"O+", "O"}},
                                        {"En", {"Y+", "Y"}}}) {
        modIni::Langue = langue;
        w->Command_Detect.press();
        w->Command_Ok.press();
        EXPECT_EQ(column(ColSyncFlag), flags) << langue;
    }
}

TEST_F(Modes, DetectionOverManySongsShowsProgressAndLetsEventsRun)
{
    for (int i = 0; i < 40; ++i)
        addRow("s" + std::to_string(i), "", song("s" + std::to_string(i) + ".mp3", id3File("Tag " + std::to_string(i), "")));
    w->Command_Detect.press();
    w->Check_Select.setValue(1);
    // Posted before the commit starts: it can run only if the commit lets
    // events through while it works.
    std::string progressSeen;
    bool enabledSeen = true;
    bool busySeen = false;
    QTimer::singleShot(0, [&] {
        progressSeen = w->Label_ItemCount.Caption();
        enabledSeen = w->Enabled();
        busySeen = ListBusy;
    });
    w->Command_Ok.press();
    EXPECT_EQ(progressSeen, "16 / 40");
    EXPECT_FALSE(enabledSeen);   // no clicks reach the list meanwhile
    EXPECT_TRUE(busySeen);       // nor a reload or a save
    EXPECT_EQ(row(40).Text(), "Tag 39");
    EXPECT_TRUE(w->Enabled());
    EXPECT_EQ(w->ProgressBar1.Value(), w->ProgressBar1.Min());
}

// ---- adding -------------------------------------------------------------------------------

class AddMode : public Modes {
protected:
    void SetUp() override
    {
        Modes::SetUp();
        song("Song.mp3");
        song("Other.kar");
        music.write("Other.syk", "x");
        music.write("readme.txt", "x");
        modIni::LastDirList = folder;
    }
};

TEST_F(AddMode, TickedFilesAreAppendedAndTheFirstNewRowSelected)
{
    addRow("Before", "Someone", "/m/before.mp3").setSubItems(ColLookActive, "1");
    const PlayListRow before = rowOf(row(1));
    w->Command_Add.press();
    EXPECT_EQ(ListMode, "Ajout");
    EXPECT_EQ(w->PlayListTabName, "DirList");
    EXPECT_TRUE(w->Drive1.Visible());
    EXPECT_TRUE(w->Dir1.Visible());
    EXPECT_EQ(w->Label_Action.Caption(), "Add to Play List");
    ASSERT_EQ(w->ListView1.ListItems.Count(), 2);   // the two songs, sorted by name
    EXPECT_EQ(row(1).Text(), "Other.kar");
    EXPECT_EQ(row(2).Text(), "Song.mp3");
    EXPECT_EQ(selectedIndex(), 1);
    EXPECT_FALSE(row(1).Checked());
    EXPECT_EQ(rowsOf(w->ListView2), std::vector<PlayListRow>{before});

    // The play list waiting aside is what a save writes meanwhile.
    const std::string lst = music.file("during.lst");
    ASSERT_TRUE(w->SavePlayList(lst));
    EXPECT_EQ(music.read("during.lst"), "Before;Someone;;MP3;/m/before.mp3;N;1;;;;;;\r\n");

    tick({1, 2});
    w->Command_Ok.press();
    ASSERT_EQ(w->ListView1.ListItems.Count(), 3);
    EXPECT_EQ(rowOf(row(1)), before);
    PlayListRow other;
    other[ColTitle] = "Other";
    other[ColStyle] = "Kar";
    other[ColPath] = folder + "Other.kar";
    other[ColSyncFlag] = "Y";
    EXPECT_EQ(rowOf(row(2)), other);
    EXPECT_EQ(row(2).SmallIcon(), "Picture_Note2R");
    EXPECT_EQ(row(3).Text(), "Song");
    EXPECT_EQ(row(3).SubItems(ColStyle), "MP3");
    EXPECT_EQ(row(3).SubItems(ColSyncFlag), "N");
    EXPECT_EQ(selectedIndex(), 2);
    EXPECT_FALSE(w->Drive1.Visible());
    EXPECT_FALSE(w->Dir1.Visible());
    EXPECT_EQ(w->ListView1.ColumnHeaders.Count(), 13);
    EXPECT_EQ(w->Label_ItemCount.Caption(), "3 file(s)");
    EXPECT_TRUE(normalLayout());
    EXPECT_TRUE(modIni::PlayListModified);
}

TEST_F(AddMode, AddingToAnEmptyListMakesTheFirstNewRowCurrentAndNothingTickedAddsNothing)
{
    w->Command_Add.press();
    w->Command_Ok.press();   // nothing ticked
    EXPECT_EQ(w->ListView1.ListItems.Count(), 0);
    EXPECT_TRUE(modIni::PlayListModified);
    EXPECT_TRUE(normalLayout());

    w->Command_Add.press();
    w->Check_Select.setValue(1);
    w->ListView1_Click();   // a folder row made current meanwhile
    w->Command_Ok.press();
    EXPECT_EQ(titles(), (std::vector<std::string>{"Other", "Song"}));
    EXPECT_EQ(selectedIndex(), 1);
    EXPECT_EQ(w->Select_Song.Text(), folder + "Other.kar");   // Play has a song to play
}

// Ticking a folder file makes no file current; at the end the current song is in the play list.
TEST_F(AddMode, TheCurrentSongIsTheFirstAddedRowOrTheOneBefore)
{
    addRow("Before", "", "/m/before.mp3");
    w->Select_Song.setText("/m/before.mp3");
    w->Show();
    DoEvents();
    w->Command_Add.press();
    ASSERT_EQ(selectedIndex(), 1);
    clickTickBox(2);
    EXPECT_TRUE(row(2).Checked());
    EXPECT_EQ(w->Select_Song.Text(), "/m/before.mp3");
    w->ListView1_Click();   // a click on the unticked first file: it may be heard
    EXPECT_EQ(w->Select_Song.Text(), folder + "Other.kar");
    w->Command_Ok.press();
    EXPECT_EQ(titles(), (std::vector<std::string>{"Before", "Song"}));
    EXPECT_EQ(selectedIndex(), 2);
    EXPECT_EQ(w->Select_Song.Text(), folder + "Song.mp3");
    w->Command_Add.press();
    w->ListView1_Click();
    w->Command_Cancel.press();   // back to the song current when the mode began
    EXPECT_EQ(w->Select_Song.Text(), folder + "Song.mp3");
}

// "Select all" leaves the sideways-scrolling list view at its first files.
TEST_F(AddMode, SelectAllKeepsTheListAtItsLeftEdge)
{
    for (int i = 0; i < 60; ++i)
        song("A rather long file name to fill the columns " + std::to_string(100 + i) + ".mp3");
    w->ListView1.setView(2);
    w->Show();
    DoEvents();
    w->Command_Add.press();
    DoEvents();
    auto* v = qobject_cast<QAbstractItemView*>(w->ListView1.activeView());
    ASSERT_GT(v->horizontalScrollBar()->maximum(), 0);   // the names need more than one screen
    w->Check_Select.setValue(1);
    DoEvents();
    EXPECT_EQ(v->horizontalScrollBar()->value(), 0);
    for (int i = 1; i <= w->ListView1.ListItems.Count(); ++i)
        EXPECT_TRUE(row(i).Checked()) << i;
    w->Command_Cancel.press();
    w->ListView1.setView(3);
}

TEST_F(AddMode, CancelBringsBackTheListAsItWas)
{
    fourSongs();
    const auto before = rowsOf(w->ListView1);
    w->Command_Add.press();
    tick({1});
    // Sorting the folder, and a resize, act on what the list shows: the folder.
    w->ListView1_ColumnClick(*w->ListView1.ColumnHeaders.Item(1));
    w->Form_Resize();
    ASSERT_EQ(w->ListView1.ColumnHeaders.Count(), 4);
    EXPECT_EQ(w->ListView1.ColumnHeaders.Item(1)->Text(), "Name");
    w->Command_Cancel.press();
    EXPECT_EQ(rowsOf(w->ListView1), before);
    EXPECT_FALSE(w->ListView1.Sorted());
    EXPECT_EQ(w->ListView1.ColumnHeaders.Count(), 13);
    EXPECT_FALSE(w->Dir1.Visible());
    EXPECT_FALSE(modIni::PlayListModified);
    EXPECT_TRUE(normalLayout());
}

TEST_F(AddMode, ApplyAddsThenShowsTheFolderAgain)
{
    addRow("Before", "", "/m/before.mp3");
    w->Command_Add.press();
    tick({2});
    prompts->answerMsgBox(vbOK);
    w->Command_Appliquer.press();
    EXPECT_EQ(ListMode, "Ajout");
    EXPECT_EQ(w->PlayListTabName, "DirList");
    EXPECT_EQ(w->ListView1.ListItems.Count(), 2);
    EXPECT_FALSE(row(2).Checked());
    EXPECT_EQ(w->ListView2.ListItems.Count(), 2);
    w->Command_Cancel.press();
    EXPECT_EQ(titles(), (std::vector<std::string>{"Before", "Song"}));
}

TEST_F(AddMode, AFileWhoseNameCannotBeStoredIsRefused)
{
    song("A;B.mp3");
    w->Command_Add.press();
    ASSERT_EQ(w->ListView1.ListItems.Count(), 3);
    w->Check_Select.setValue(1);
    prompts->answerMsgBox(vbOK);
    w->Command_Ok.press();
    EXPECT_EQ(titles(), (std::vector<std::string>{"Other", "Song"}));
    ASSERT_EQ(prompts->questions().size(), 1u);
    EXPECT_NE(prompts->questions()[0].text.find("A;B.mp3"), std::string::npos);
}

// A line feed in a file name would split the row over two lines of the list
// file, or (cleaned) name a song that does not exist: such a song is refused
// like one with ";", and the list saved afterwards holds one line per song.
TEST_F(AddMode, AFileWhoseNameHoldsALineBreakIsRefusedAndTheSavedListStaysWhole)
{
    song("Two\nLines.mp3");
    w->Command_Add.press();
    ASSERT_EQ(w->ListView1.ListItems.Count(), 3);
    w->Check_Select.setValue(1);
    prompts->answerMsgBox(vbOK);
    w->Command_Ok.press();
    EXPECT_EQ(titles(), (std::vector<std::string>{"Other", "Song"}));
    ASSERT_EQ(prompts->questions().size(), 1u);
    EXPECT_EQ(prompts->questions()[0].text,
              "These file names contain a line break: they cannot be added to the Play List.\nTwo\u21B5Lines.mp3");

    modIni::PathLst = music.file("party.lst");
    prompts->answerMsgBox(vbOK);
    w->Command_Save_Click();
    EXPECT_EQ(prompts->questions().back().text, "Save complete!");
    EXPECT_EQ(music.read("party.lst"), "Other;;;Kar;" + folder + "Other.kar;Y;;;;;;;\r\n" + "Song;;;MP3;" + folder
                                           + "Song.mp3;N;;;;;;;\r\n");
}

} // namespace
