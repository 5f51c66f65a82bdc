// The order and the look of the main window's list: moving a row up and down,
// the shuffle, sorting by a column, the two views, the grid lines and the
// printed list.
#include "listfixture.h"

#include "platform/forms/printer.h"
#include "playlist/ordering.h"

#include <filesystem>
#include <map>

using namespace listtest;

namespace {

class Ordering : public ListTest {
protected:
    // Three songs, each with its own look columns, so a move shows whether
    // every field travels with its song.
    void threeSongs()
    {
        for (int i = 1; i <= 3; ++i) {
            ListItem& it = addRow("T" + std::to_string(i), "A" + std::to_string(i), "/m/s" + std::to_string(i) + ".mp3");
            it.setSubItems(ColLength, std::to_string(i) + ":00");
            it.setSubItems(ColLookActive, "1");
            it.setSubItems(ColFontColor, std::to_string(100 + i));
            it.setSubItems(ColPicturePath, "/pic" + std::to_string(i) + ".jpg");
        }
        row(1).setSmallIcon(IconStop);
        row(2).setSubItems(ColSyncFlag, "Y+");
    }
    std::string ini(const char* key) { return modIni::IniAccess("GET", "Setting", key); }
};

TEST_F(Ordering, MoveUpCarriesTheWholeSongAndLeavesTheTicksInPlace)
{
    threeSongs();
    const PlayListRow first = rowOf(row(1)), second = rowOf(row(2));
    w->ListView1.setCheckboxes(true);
    row(2).setChecked(true);
    row(2).setSelected(true);
    w->Select_Song.setText("/m/s2.mp3");

    w->Command_Up.press();
    EXPECT_EQ(rowOf(row(1)), second);
    EXPECT_EQ(rowOf(row(2)), first);
    EXPECT_EQ(row(1).SmallIcon(), "Picture_NoteMp3");
    EXPECT_EQ(row(2).SmallIcon(), IconStop);
    EXPECT_FALSE(row(1).Checked());
    EXPECT_TRUE(row(2).Checked());
    EXPECT_EQ(selectedIndex(), 1);
    EXPECT_EQ(w->Select_Song.Text(), "/m/s2.mp3");
    // A hand-made order is worth saving.
    EXPECT_TRUE(modIni::PlayListModified);
    EXPECT_EQ(w->MousePointer(), vbDefault);

    // The top row goes no higher; the bottom row no lower; nothing is said.
    modIni::PlayListModified = false;
    w->Command_Up.press();
    EXPECT_EQ(titles(), (std::vector<std::string>{"T2", "T1", "T3"}));
    row(3).setSelected(true);
    w->Command_Dwn.press();
    EXPECT_EQ(titles(), (std::vector<std::string>{"T2", "T1", "T3"}));
    EXPECT_FALSE(modIni::PlayListModified);
    // Down twice from the top takes the song to the bottom.
    row(1).setSelected(true);
    w->Command_Dwn.press();
    w->Command_Dwn.press();
    EXPECT_EQ(titles(), (std::vector<std::string>{"T1", "T3", "T2"}));
    EXPECT_EQ(selectedIndex(), 3);
    EXPECT_TRUE(prompts->questions().empty());
}

TEST_F(Ordering, MoveWithoutACurrentSongOrSelectedRowMovesNothing)
{
    threeSongs();
    row(2).setSelected(true);
    w->Select_Song.setText("");
    w->Command_Up.press();
    EXPECT_EQ(titles(), (std::vector<std::string>{"T1", "T2", "T3"}));
    ASSERT_EQ(asked(), (std::vector<std::string>{"Select a song !"}));

    w->ListView1.setSelectedItem(nullptr);
    w->Select_Song.setText("/m/s2.mp3");
    w->Command_Dwn.press();
    EXPECT_EQ(titles(), (std::vector<std::string>{"T1", "T2", "T3"}));
    EXPECT_EQ(asked().size(), 1u);
    EXPECT_FALSE(modIni::PlayListModified);
}

TEST_F(Ordering, FolderRowsExchangeTheirFourColumnsAndMarkNothingModified)
{
    w->PlayListTabName = "DirList";
    modIni::PlayListTab = 0;
    w->SetBrowseColumns();
    for (const char* n : {"a.mp3", "b.kar"}) {
        ListItem& it = w->ListView1.ListItems.Add(0, "", n);
        it.setSubItems(1, std::string(n) == "a.mp3" ? "3kb" : "9kb");
        it.setSubItems(2, std::string(n) == "a.mp3" ? "MP3" : "Kar");
        it.setSubItems(3, std::string(n) == "a.mp3" ? "N" : "Y");
        it.setSmallIcon(std::string(n) == "a.mp3" ? "Picture_NoteMp3" : "Picture_Note2R");
    }
    row(1).setSelected(true);
    w->Select_Song.setText(folder + "a.mp3");
    w->Command_Dwn.press();
    EXPECT_EQ(row(1).Text(), "b.kar");
    EXPECT_EQ(row(1).SubItems(1), "9kb");
    EXPECT_EQ(row(1).SubItems(2), "Kar");
    EXPECT_EQ(row(1).SubItems(3), "Y");
    EXPECT_EQ(row(1).SmallIcon(), "Picture_Note2R");
    EXPECT_EQ(row(2).Text(), "a.mp3");
    EXPECT_EQ(row(2).SmallIcon(), "Picture_NoteMp3");
    EXPECT_EQ(selectedIndex(), 2);
    EXPECT_FALSE(modIni::PlayListModified);
}

TEST_F(Ordering, ExchangeHandlesRowsWithoutIconAndOutOfRange)
{
    addRow("Odd", "", "/m/odd.ogg");
    addRow("Song", "", "/m/song.mp3");
    ASSERT_EQ(row(1).SmallIcon(), "");
    EXPECT_TRUE(exchangeRows(w->ListView1, 1, 2, 12));
    EXPECT_EQ(row(1).SmallIcon(), "Picture_NoteMp3");
    EXPECT_EQ(row(2).SmallIcon(), "");
    EXPECT_FALSE(exchangeRows(w->ListView1, 2, 2, 12));
    EXPECT_FALSE(exchangeRows(w->ListView1, 0, 2, 12));
    EXPECT_FALSE(exchangeRows(w->ListView1, 1, 3, 12));
    EXPECT_EQ(titles(), (std::vector<std::string>{"Song", "Odd"}));
}

TEST_F(Ordering, ShuffleKeepsEveryRowWhole)
{
    std::map<std::string, PlayListRow> byTitle;
    for (int i = 0; i < 40; ++i) {
        ListItem& it = addRow("Song " + std::to_string(i), "Artist " + std::to_string(i),
                              "/m/" + std::to_string(i) + ".kar");
        it.setSubItems(ColBackColor, std::to_string(i * 1000));
        byTitle[it.Text()] = rowOf(it);
    }
    const auto original = titles();
    w->ListView1.setSorted(true);
    Randomize(7);
    w->Command_Random.press();
    const auto after = rowsOf(w->ListView1);
    ASSERT_EQ(after.size(), 40u);
    std::map<std::string, int> seen;
    for (const PlayListRow& r : after) {
        ++seen[r.Title()];
        EXPECT_EQ(r, byTitle[r.Title()]);   // no field left behind
    }
    EXPECT_EQ(seen.size(), 40u);
    EXPECT_NE(titles(), original);
    EXPECT_FALSE(w->ListView1.Sorted());   // a shuffled list is no longer sorted
    EXPECT_TRUE(modIni::PlayListModified);

    // The same seed gives the same order.
    const auto order1 = titles();
    w->ListView1.ListItems.Clear();
    for (int i = 0; i < 40; ++i)
        appendRow(w->ListView1, byTitle["Song " + std::to_string(i)], "");
    w->ListView1.setSorted(true);
    Randomize(7);
    w->Command_Random.press();
    EXPECT_EQ(titles(), order1);
}

TEST_F(Ordering, ShuffleDrawsFromTheWholeRangeOfRows)
{
    // The extremes of the random source still land on rows 1 and n.
    for (const char* t : {"a", "b", "c"})
        addRow(t, "", std::string("/m/") + t + ".mp3");
    shuffleRows(w->ListView1, 12, [] { return 0.0f; });
    // i=1<->1, 2<->1, 3<->1: b a c, then c a b.
    EXPECT_EQ(titles(), (std::vector<std::string>{"c", "a", "b"}));
    shuffleRows(w->ListView1, 12, [] { return 0.99999994f; });
    EXPECT_EQ(titles().size(), 3u);
    // An empty list and a one-row list come through unchanged.
    w->ListView1.ListItems.Clear();
    w->Command_Random.press();
    EXPECT_EQ(w->ListView1.ListItems.Count(), 0);
    EXPECT_FALSE(modIni::PlayListModified);
    addRow("only", "", "/m/only.mp3");
    w->Command_Random.press();
    EXPECT_EQ(titles(), (std::vector<std::string>{"only"}));
    for (int i = 0; i < 1000; ++i) {
        const float r = Rnd();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
    }
}

TEST_F(Ordering, HeaderClicksFlipTheOrderAndTheSortButtonSortsAscending)
{
    addRow("a", "", "/m/a.mp3").setSubItems(ColLength, "0:30");
    addRow("b", "", "/m/b.mp3").setSubItems(ColLength, "9:59");
    addRow("c", "", "/m/c.mp3").setSubItems(ColLength, "10:05");
    ListView& lv = w->ListView1;
    // The third header is the time: the first click sorts it descending.
    w->ListView1_ColumnClick(*lv.ColumnHeaders.Item(3));
    EXPECT_EQ(lv.SortKey(), 2);
    EXPECT_EQ(column(ColLength), (std::vector<std::string>{"9:59", "10:05", "0:30"}));
    EXPECT_TRUE(modIni::PlayListModified);
    // Times compare as text: "10:05" comes before "9:59".
    w->Command_Trie.press();
    EXPECT_EQ(column(ColLength), (std::vector<std::string>{"0:30", "10:05", "9:59"}));
    EXPECT_EQ(lv.SortOrder(), 0);
    // A header click right after the sort button sorts descending, the next
    // one (another column) ascending.
    w->ListView1_ColumnClick(*lv.ColumnHeaders.Item(1));
    EXPECT_EQ(titles(), (std::vector<std::string>{"c", "b", "a"}));
    w->ListView1_ColumnClick(*lv.ColumnHeaders.Item(2));
    EXPECT_EQ(lv.SortOrder(), 0);
    EXPECT_EQ(lv.SortKey(), 1);

    // Sorting a list that is already in order changes nothing to save.
    w->ListView1_ColumnClick(*lv.ColumnHeaders.Item(1));
    w->ListView1_ColumnClick(*lv.ColumnHeaders.Item(1));
    modIni::PlayListModified = false;
    w->Command_Trie.press();
    EXPECT_EQ(titles(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_FALSE(modIni::PlayListModified);
}

TEST_F(Ordering, ViewsAndGridLinesAreRemembered)
{
    addRow("b", "", "/m/b.mp3");
    addRow("a", "", "/m/a.mp3");
    w->Command_ViewDetail.press();
    EXPECT_EQ(w->ListView1.View(), 3);
    EXPECT_EQ(ini("ListView"), "3");
    w->Command_ViewList.press();
    EXPECT_EQ(ini("ListView"), "2");
    EXPECT_EQ(titles(), (std::vector<std::string>{"b", "a"}));   // the buttons keep the order
    // The menu: the view, its tick (the other item unticked), and the rows sorted.
    w->mnuView[1].fireClick();
    EXPECT_EQ(w->ListView1.View(), 3);
    EXPECT_EQ(ini("ListView"), "3");
    EXPECT_TRUE(w->mnuView[1].Checked());
    EXPECT_FALSE(w->mnuView[0].Checked());
    EXPECT_EQ(titles(), (std::vector<std::string>{"a", "b"}));
    w->Command_ViewList.press();
    EXPECT_TRUE(w->mnuView[0].Checked());
    EXPECT_FALSE(w->mnuView[1].Checked());

    // The grid-line item toggles the lines through the hidden box and stores them.
    w->mnuGride[0].fireClick();
    EXPECT_TRUE(w->mnuGride[0].Checked());
    EXPECT_TRUE(w->ListView1.GridLines());
    EXPECT_EQ(ini("GridLines"), "1");
    w->mnuGride[0].fireClick();
    EXPECT_FALSE(w->ListView1.GridLines());
    EXPECT_EQ(ini("GridLines"), "0");
    w->Check_GridLines.setValue(1);   // the box alone stores nothing
    EXPECT_TRUE(w->ListView1.GridLines());
    EXPECT_EQ(ini("GridLines"), "0");
}

TEST_F(Ordering, PrintingListsTitleAndArtistUnderTheHeading)
{
    modIni::PathLst = "/lists/party.lst";
    addRow("Hello", "Band", "/m/hello.mp3");
    addRow("Solo", "", "/m/solo.mp3");
    const std::string pdf = music.file("printed.pdf");
    prompts->answerPrint(pdf);
    w->Command_Print.press();
    EXPECT_EQ(Printer::LastDocumentRows(),
              (std::vector<std::string>{"Zun Mp3 Karaoke - Play List:   /lists/party.lst", "", "", "", "Hello    -    Band  ",
                                        "Solo    -      "}));
    EXPECT_GT(std::filesystem::file_size(pdf), 0u);
    EXPECT_EQ(asked().size(), 1u);   // the dialog only: no error
    EXPECT_FALSE(modIni::PlayListModified);

    // An empty list prints the heading alone.
    w->ListView1.ListItems.Clear();
    prompts->answerPrint(music.file("empty.pdf"));
    w->Command_Print.press();
    EXPECT_EQ(Printer::LastDocumentRows().size(), 4u);
}

TEST_F(Ordering, ACancelledPrintPrintsNothingAndAFailedOneSaysSo)
{
    addRow("Hello", "Band", "/m/hello.mp3");
    prompts->answerPrint(std::nullopt);
    w->Command_Print.press();
    EXPECT_TRUE(std::filesystem::is_empty(music.path()));
    EXPECT_EQ(asked().size(), 1u);

    modIni::Langue = "Fr";
    prompts->answerPrint(music.file("missing/folder/out.pdf"));
    prompts->answerMsgBox(vbOK);
    w->Command_Print.press();
    const auto& q = prompts->questions();
    ASSERT_EQ(q.size(), 3u);
    EXPECT_EQ(q[2].text, "Erreur lors de l'impression !");
    EXPECT_EQ(q[2].title, "Erreur");
    EXPECT_EQ(q[2].style, vbOKOnly + vbCritical);
}

} // namespace
