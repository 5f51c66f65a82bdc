// The list's context menu: which button opens it, and its row commands (add a
// folder file to the play-list file, remove a row, read a row's tags, edit).
#include "listfixture.h"

#include "platform/files/textfile.h"
#include "playlist/editplaylist.h"

#include <cerrno>
#include <filesystem>

using namespace listtest;

namespace {

class ContextMenu : public ListTest {
protected:
    void SetUp() override
    {
        ListTest::SetUp();
        w->ApplyEnglishCaptions();
        showPlayListItems(true);
    }
    void showPlayListItems(bool playList)
    {
        w->mnuEdit[0].setVisible(playList);
        w->mnuDetect[0].setVisible(playList);
        w->mnuDeleteToPlayList[0].setVisible(playList);
        w->mnuAddtoPlayList[0].setVisible(!playList);
    }
    // The folder tab showing the music folder.
    void folderTab()
    {
        showPlayListItems(false);
        modIni::PlayListTab = 0;
        modIni::LastDirList = folder;
        w->PlayListTabName = "DirList";
        w->ListView1.ListItems.Clear();
        w->SetBrowseColumns();
        w->ListFolder();
    }
    void rightClick(const std::string& item)
    {
        prompts->answerPopup(item);
        w->ListView1_MouseUp(vbRightButton, 0, 100, 100);
    }
    void threeRows()
    {
        for (int i = 1; i <= 3; ++i) {
            ListItem& it = addRow("T" + std::to_string(i), "A" + std::to_string(i), folder + std::to_string(i) + ".mp3");
            it.setSubItems(ColLookActive, "1");
            it.setSubItems(ColFontColor, std::to_string(i));
            it.setSubItems(ColPicturePath, "/p" + std::to_string(i) + ".jpg");
        }
    }
};

TEST_F(ContextMenu, OnlyTheRightButtonOpensTheMenu)
{
    w->ListView1_MouseUp(vbLeftButton, 0, 10, 10);
    w->ListView1_MouseUp(vbMiddleButton, 0, 10, 10);
    EXPECT_TRUE(prompts->questions().empty());
    rightClick("");
    ASSERT_EQ(prompts->questions().size(), 1u);
    EXPECT_EQ(prompts->questions()[0].kind, ScriptedPrompter::Kind::Popup);
    // The view entries are reached through it.
    rightClick("View|Detail View");
    EXPECT_EQ(w->ListView1.View(), 3);
}

TEST_F(ContextMenu, RemoveTakesOutTheSelectedRowOnly)
{
    threeRows();
    const PlayListRow r1 = rowOf(row(1)), r3 = rowOf(row(3));
    row(2).setSelected(true);
    w->Select_Song.setText(row(2).SubItems(ColPath));
    rightClick("Remove from Play List");
    ASSERT_EQ(w->ListView1.ListItems.Count(), 2);
    EXPECT_EQ(rowOf(row(1)), r1);
    EXPECT_EQ(rowOf(row(2)), r3);
    EXPECT_EQ(w->ListView2.ListItems.Count(), 0);
    EXPECT_EQ(w->Label_ItemCount.Caption(), "2 file(s)");
    EXPECT_TRUE(modIni::PlayListModified);
    EXPECT_EQ(w->Select_Song.Text(), folder + "2.mp3");   // the current song stays
    EXPECT_EQ(w->MousePointer(), vbDefault);

    // Without a selected row nothing goes; the last row goes like any other.
    w->ListView1.setSelectedItem(nullptr);
    rightClick("Remove from Play List");
    EXPECT_EQ(w->ListView1.ListItems.Count(), 2);
    row(1).setSelected(true);
    w->mnuDeleteToPlayList_Click(0);
    row(1).setSelected(true);
    w->mnuDeleteToPlayList_Click(0);
    EXPECT_EQ(w->ListView1.ListItems.Count(), 0);
    w->mnuDeleteToPlayList_Click(0);   // an empty list: nothing happens
}

TEST_F(ContextMenu, DetectReadsTheSelectedSongsTags)
{
    const std::string tagged = song("tagged.mp3", id3File("Title", "Artist"));
    const std::string plain = song("plain.wav", id3File("", "", false));
    addRow("old", "someone", tagged);
    addRow("keep", "me", plain);
    row(1).setSelected(true);
    rightClick("Detect Tag");
    EXPECT_EQ(row(1).Text(), "Title");
    EXPECT_EQ(row(1).SubItems(ColArtist), "Artist");
    EXPECT_EQ(w->Select_Song.Text(), tagged);
    EXPECT_TRUE(modIni::PlayListModified);

    modIni::PlayListModified = false;
    row(2).setSelected(true);
    rightClick("Detect Tag");
    EXPECT_EQ(row(2).Text(), "keep");
    EXPECT_EQ(row(2).SubItems(ColArtist), "me");
    EXPECT_EQ(w->Select_Song.Text(), plain);
    EXPECT_TRUE(modIni::PlayListModified);   // counted as a change all the same
}

TEST_F(ContextMenu, EditOpensTheEditorFromThePlayListOnly)
{
    addRow("Song", "", song("a.mp3"));
    row(1).setSelected(true);
    w->Select_Song.setText(folder + "a.mp3");
    rightClick("Edit");
    ASSERT_TRUE(isLoaded<EditPlayList>());
    EXPECT_EQ(editPlayList().Text_Titre.Text(), "Song");
    editPlayList().Command_Cancel.press();
    DoEvents();

    modIni::PlayListTab = 0;
    w->PlayListTabName = "DirList";
    w->mnuEdit_Click(0);
    EXPECT_FALSE(isLoaded<EditPlayList>());
}

TEST_F(ContextMenu, RowCommandsAreOffWhileAModeShowsTickedRows)
{
    song("a.mp3");
    song("b.mp3");
    addRow("Kept", "", folder + "kept.mp3");
    modIni::LastDirList = folder;
    w->Command_Add.press();   // the folder's files are shown in the play-list tab
    ASSERT_EQ(w->ListView1.ListItems.Count(), 2);
    row(1).setSelected(true);
    rightClick("Remove from Play List");
    EXPECT_FALSE(w->mnuDeleteToPlayList[0].Enabled());
    EXPECT_EQ(w->ListView1.ListItems.Count(), 2);
    w->mnuDeleteToPlayList_Click(0);
    w->mnuDetect_Click(0);
    EXPECT_EQ(w->ListView1.ListItems.Count(), 2);
    w->Command_Cancel.press();
    EXPECT_EQ(titles(), (std::vector<std::string>{"Kept"}));
    EXPECT_FALSE(modIni::PlayListModified);
    // Back to normal, the entries are on again.
    rightClick("");
    EXPECT_TRUE(w->mnuDeleteToPlayList[0].Enabled());
}

// ---- adding a folder file to the play-list file -------------------------------------------

class AddToFile : public ContextMenu {
protected:
    void SetUp() override
    {
        ContextMenu::SetUp();
        song("Live.Take.kar");
        music.write("Live.Take.syk", "x");
        song("plain.mp3");
        folderTab();
        ASSERT_EQ(w->ListView1.ListItems.Count(), 2);
        lst = program.write("list.lst", "Old;;;MP3;/old.mp3;N");   // no line end at the end
        modIni::PathLst = lst;
    }
    void selectByName(const std::string& name)
    {
        for (int i = 1; i <= w->ListView1.ListItems.Count(); ++i)
            if (row(i).Text() == name) {
                row(i).setSelected(true);
                return;
            }
        ADD_FAILURE() << name << " is not listed";
    }
    std::string lst;
};

TEST_F(AddToFile, AppendsTheShortLineAndLeavesTheListAlone)
{
    modIni::Langue = "Fr";
    row(1).setSelected(true);
    ASSERT_EQ(row(1).Text(), "Live.Take.kar");
    w->mnuAddtoPlayList_Click(0);
    EXPECT_EQ(program.read("list.lst"),
              "Old;;;MP3;/old.mp3;N\r\nLive.Take;;;Kar;" + folder + "Live.Take.kar;O\r\n");
    EXPECT_EQ(w->ListView1.ListItems.Count(), 2);
    EXPECT_FALSE(modIni::PlayListModified);

    modIni::Langue = "En";
    row(2).setSelected(true);
    rightClick("Add to Play List");
    EXPECT_EQ(program.read("list.lst"), "Old;;;MP3;/old.mp3;N\r\nLive.Take;;;Kar;" + folder + "Live.Take.kar;O\r\n"
                                            + "plain;;;MP3;" + folder + "plain.mp3;N\r\n");
    EXPECT_TRUE(prompts->questions().size() == 1u);   // the menu only

    // The play list, loaded again, has both songs.
    const LstFile file = readLstFile(lst);
    ASSERT_EQ(file.rows.size(), 3u);
    EXPECT_EQ(file.rows[1][ColPath], folder + "Live.Take.kar");
}

TEST_F(AddToFile, TheFileKeepsItsEncoding)
{
    // A Windows-1252 list stays one; a UTF-8 list stays UTF-8.
    program.write("list.lst", "Caf\xE9;;;MP3;/c.mp3;N\r\n");
    song("Été.mp3");
    w->ListView1.ListItems.Clear();
    w->ListFolder();
    selectByName("Été.mp3");
    w->mnuAddtoPlayList_Click(0);
    const std::string cp = program.read("list.lst");
    EXPECT_EQ(cp.rfind("Caf\xE9;;;MP3;/c.mp3;N\r\n\xC9t\xE9;;;MP3;", 0), 0u);
    EXPECT_FALSE(textfile::isValidUtf8(cp));

    program.write("list.lst", "Café;;;MP3;/c.mp3;N\r\n");
    w->mnuAddtoPlayList_Click(0);
    const std::string u8 = program.read("list.lst");
    EXPECT_TRUE(textfile::isValidUtf8(u8));
    EXPECT_NE(u8.find("\r\nÉté;;;MP3;"), std::string::npos);
}

// Windows Notepad's "Unicode": UTF-16 little endian, CR LF, with its mark
// (FF FE) or, from other tools, without one.
std::string notepadUnicode(std::string_view utf8, bool mark)
{
    std::string out = mark ? "\xFF\xFE" : "";
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = textfile::nextCodePoint(utf8, i);   // no letter beyond U+FFFF here
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>((c >> 8) & 0xFF);
    }
    return out;
}

TEST_F(AddToFile, AUnicodeListIsWrittenAgainWholeWithTheNewRow)
{
    const std::string added = "plain;;;MP3;" + folder + "plain.mp3;N\r\n";
    for (const bool mark : {true, false}) {
        SCOPED_TRACE(mark ? "with its mark" : "without a mark");
        program.write("list.lst", notepadUnicode("Café;;;MP3;/c.mp3;N\r\nOld;;;MP3;/old.mp3;N\r\n", mark));
        selectByName("plain.mp3");
        w->mnuAddtoPlayList_Click(0);
        // Every old row kept, in the program's own encoding.
        EXPECT_EQ(program.read("list.lst"), "Caf\xE9;;;MP3;/c.mp3;N\r\nOld;;;MP3;/old.mp3;N\r\n" + added);
        const LstFile file = readLstFile(lst);
        ASSERT_EQ(file.rows.size(), 3u);
        EXPECT_EQ(file.rows[0][ColTitle], "Café");
        EXPECT_EQ(file.rows[1][ColPath], "/old.mp3");
        EXPECT_EQ(file.rows[2][ColPath], folder + "plain.mp3");
    }
    // Text that Windows-1252 cannot hold is written in UTF-8.
    program.write("list.lst", notepadUnicode("Ωmega;;;MP3;/o.mp3;N", true));
    w->mnuAddtoPlayList_Click(0);
    EXPECT_EQ(program.read("list.lst"), "Ωmega;;;MP3;/o.mp3;N\r\n" + added);
    EXPECT_TRUE(prompts->questions().empty());
}

TEST_F(AddToFile, FailuresAreReportedAndNothingIsLost)
{
    // A missing list file is created.
    modIni::PathLst = program.file("new.lst");
    row(2).setSelected(true);
    w->mnuAddtoPlayList_Click(0);
    EXPECT_EQ(program.read("new.lst"), "plain;;;MP3;" + folder + "plain.mp3;N\r\n");

    // A list file that cannot be written: the message, the old file intact.
    modIni::PathLst = program.file("no/such/folder/x.lst");
    prompts->answerMsgBox(vbOK);
    w->mnuAddtoPlayList_Click(0);
    // No selected row (a folder without songs): the user is asked to choose a
    // song, also while another song is current, and nothing is written: not
    // the list, nor, on a first start, the default list or its setting.
    w->ListView1.setSelectedItem(nullptr);
    w->Select_Song.setText(folder + "plain.mp3");
    modIni::PathLst.clear();
    for (const char* langue : {"En", "Fr"}) {
        modIni::Langue = langue;
        prompts->answerMsgBox(vbOK);
        w->mnuAddtoPlayList_Click(0);
    }
    modIni::Langue = "En";
    EXPECT_EQ(modIni::PathLst + modIni::IniAccess("GET", "Path", "Path Lst"), "");
    EXPECT_FALSE(std::filesystem::exists(program.file("ZunMp3Syk.lst")));
    const auto& q = prompts->questions();
    ASSERT_EQ(q.size(), 3u);
    EXPECT_EQ(q[0].text.rfind("An error occured while saving!\n" + program.file("no/such/folder/x.lst") + ": ", 0), 0u)
        << q[0].text;
    EXPECT_EQ(q[0].title, "Error");
    EXPECT_EQ(q[1].text, "Select a song !");
    EXPECT_EQ(q[1].style, vbOKOnly);
    EXPECT_EQ(q[1].title, "");
    EXPECT_EQ(q[2].text, "Sélectionner une chanson !");
    EXPECT_EQ(program.read("list.lst"), "Old;;;MP3;/old.mp3;N");
    modIni::PathLst = lst;

    // A list the user made read-only is not written; the message says why.
    ::chmod(lst.c_str(), 0444);
    row(2).setSelected(true);
    prompts->answerMsgBox(vbOK);
    w->mnuAddtoPlayList_Click(0);
    EXPECT_EQ(prompts->questions().back().text, "An error occured while saving!\n" + lst + ": the file is read-only.");
    EXPECT_EQ(program.read("list.lst"), "Old;;;MP3;/old.mp3;N");
    ::chmod(lst.c_str(), 0644);

    // Only the flush to the disk fails (a USB stick pulled out): said with its
    // reason, and the list keeps its bytes.
    prompts->answerMsgBox(vbOK);
    EXPECT_EQ(testsupport::underFailingFlush(EIO, [&] { w->mnuAddtoPlayList_Click(0); }), 1);
    EXPECT_EQ(prompts->questions().back().text,
              "An error occured while saving!\n" + lst + ": system error: input/output error.");
    EXPECT_EQ(program.read("list.lst"), "Old;;;MP3;/old.mp3;N");

    // A name with ";" would break the list line: refused.
    song("a;b.mp3");
    w->ListView1.ListItems.Clear();
    w->ListFolder();
    selectByName("a;b.mp3");
    prompts->answerMsgBox(vbOK);
    w->mnuAddtoPlayList_Click(0);
    EXPECT_EQ(program.read("list.lst"), "Old;;;MP3;/old.mp3;N");
    EXPECT_EQ(prompts->questions().back().text, "This file name contains \";\": it cannot be added to the Play List.");

    // So is a name with a line feed: written raw, it made two lines of the list.
    song("Two\nLines.mp3");
    w->ListView1.ListItems.Clear();
    w->ListFolder();
    selectByName("Two\nLines.mp3");
    prompts->answerMsgBox(vbOK);
    w->mnuAddtoPlayList_Click(0);
    EXPECT_EQ(program.read("list.lst"), "Old;;;MP3;/old.mp3;N");
    EXPECT_EQ(prompts->questions().back().text,
              "This file name contains a line break: it cannot be added to the Play List.\nTwo\u21B5Lines.mp3");
}

} // namespace
