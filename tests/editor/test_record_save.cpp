// The editor's sync file commands and the save dialog: where the file goes,
// which file it is, the default folder change, the writer's file and its
// messages, Return as Save, the unsaved-changes mark, and the sync marks the
// main window's lists show after a save.
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <string>
#include <vector>

#include "core/modini.h"
#include "editor/record.h"
#include "editor/recordsave.h"
#include "platform/forms/app.h"
#include "playlist/playlistrow.h"
#include "test_record_fixture.h"

using namespace modIni;
using Entries = std::vector<std::string>;

namespace {

class RecordSaveTest : public editortest::EditorTest {
protected:
    Record_Save& saveDialog()
    {
        record().Command_SaveSyk.press();
        EXPECT_TRUE(Record_SaveLoaded());
        return record_Save();
    }
    // The user presses Return with the focus in this control of the dialog.
    static void pressReturnIn(Control& c) { QTest::keyClick(c.widget(), Qt::Key_Return); }
    // Opens the dialog, types `target` (when given) into the default folder's
    // path and saves there with Return, the "Done..." message answered.
    void saveWithReturn(const std::string& target = "")
    {
        Record_Save& d = saveDialog();
        if (!target.empty())
            d.Text_PathSyk.setText(target);
        prompter->answerMsgBox(vbOK);
        pressReturnIn(d.Text_PathSyk);
        DoEvents();
    }
};

TEST_F(RecordSaveTest, NewSongSavesToTheDefaultFolder)
{
    Record& r = editorWith({"//pic.jpg;1;2;3;4;5", "Hel;12,5", "lo ;12,84_", "a;1"}, 0);
    Record::RecModified = true;
    Record_Save& d = saveDialog();
    EXPECT_EQ(d.Check_SaveRepCfg.Value(), 1);
    EXPECT_EQ(d.Check_SaveRepCh.Value(), 0);
    EXPECT_EQ(d.Check_SaveSyk.Value(), 1);
    EXPECT_FALSE(d.Check_SaveSy1.Enabled());
    EXPECT_EQ(d.Label_SaveSy1.ForeColor(), 8421504);
    EXPECT_EQ(d.Text_PathSyk.Text(), syk + "song.syk");
    EXPECT_EQ(d.Text_PathMp3.Text(), songs + "song.syk");
    EXPECT_TRUE(d.Text_PathSyk.Enabled());
    EXPECT_FALSE(d.Text_PathMp3.Enabled());
    // Opening the dialog is not saving.
    EXPECT_TRUE(Record::RecModified);

    // The echo file needs a main file first.
    d.Check_SaveSyk.setValue(0);
    EXPECT_EQ(d.Check_SaveSyk.Value(), 1);

    // Return in the path field saves, as Save does.
    EXPECT_TRUE(d.Command_Save.Default());
    prompter->answerMsgBox(vbOK);
    pressReturnIn(d.Text_PathSyk);
    DoEvents();
    EXPECT_EQ(lastMessage(), "Done...");
    EXPECT_FALSE(Record_SaveLoaded());
    EXPECT_FALSE(Record::RecModified);
    EXPECT_EQ(testsupport::readFileBytes(syk + "song.syk"),
              "//pic.jpg;1;2;3;4;5\r\nHel;12,5;lo ;12,84;\r\na;1;\r\n");
    EXPECT_EQ(r.List_Syk.ListCount(), 4);
    EXPECT_TRUE(prompter->unexpected().empty());
}

TEST_F(RecordSaveTest, ExistingFilesChooseThePlaceAndAskBeforeReplacing)
{
    dir.write("Songs/song.syk", "old;1;\r\n");
    editorWith({"new;2_"}, 0);
    Record_Save& d = saveDialog();
    // The song's .syk lies beside it: that place is chosen.
    EXPECT_EQ(d.Check_SaveRepCh.Value(), 1);
    EXPECT_EQ(d.Check_SaveRepCfg.Value(), 0);
    EXPECT_TRUE(d.Text_PathMp3.Enabled());
    EXPECT_FALSE(d.Text_PathSyk.Enabled());
    EXPECT_TRUE(d.Check_SaveSy1.Enabled());

    // Cancel at the question (asked for Return in the path field): nothing
    // written, the dialog stays, with its text as it was.
    prompter->answerMsgBox(vbCancel);
    pressReturnIn(d.Text_PathMp3);
    ASSERT_EQ(prompter->questions().size(), 1u);
    EXPECT_EQ(prompter->questions().back().text,
              "The File -> " + songs + "song.syk <- already exits\nDo you want to replace it ?\n");
    EXPECT_EQ(prompter->questions().back().title, "Warning");
    EXPECT_TRUE(Record_SaveLoaded());
    EXPECT_EQ(d.Text_PathMp3.Text(), songs + "song.syk");
    EXPECT_EQ(testsupport::readFileBytes(songs + "song.syk"), "old;1;\r\n");

    // A check box takes Space, not Return: Return there saves too and leaves
    // the file choice as it was.
    prompter->answerMsgBox(vbOK);
    prompter->answerMsgBox(vbOK);
    pressReturnIn(d.Check_SaveSyk);
    EXPECT_EQ(prompter->questions().size(), 3u);
    EXPECT_EQ(d.Check_SaveSyk.Value(), 1);
    DoEvents();
    EXPECT_EQ(testsupport::readFileBytes(songs + "song.syk"), "new;2;\r\n");
    EXPECT_EQ(lastMessage(), "Done...");
    EXPECT_FALSE(Record_SaveLoaded());
}

TEST_F(RecordSaveTest, FolderAndFileChoicesAreExclusivePairs)
{
    dir.write("Syk/song.syk", "a;1;\r\n");
    editorWith({"a;1_"}, 0);
    Record_Save& d = saveDialog();
    EXPECT_EQ(d.Check_SaveRepCfg.Value(), 1);
    EXPECT_TRUE(d.Check_SaveSy1.Enabled());

    d.Check_SaveSy1.setValue(1);
    EXPECT_EQ(d.Check_SaveSyk.Value(), 0);
    EXPECT_EQ(d.Text_PathSyk.Text(), syk + "song.sy1");
    EXPECT_EQ(d.Text_PathMp3.Text(), songs + "song.sy1");
    d.Check_SaveSy1.setValue(0);
    EXPECT_EQ(d.Check_SaveSyk.Value(), 1);
    EXPECT_EQ(d.Text_PathSyk.Text(), syk + "song.syk");
    d.Label_SaveSy1_Click();
    EXPECT_EQ(d.Check_SaveSy1.Value(), 1);
    d.Label_SaveSyk_Click();
    EXPECT_EQ(d.Check_SaveSy1.Value(), 0);
    EXPECT_EQ(d.Text_PathMp3.Text(), songs + "song.syk");

    d.Check_SaveRepCh.setValue(1);
    EXPECT_EQ(d.Check_SaveRepCfg.Value(), 0);
    EXPECT_FALSE(d.Text_PathSyk.Enabled());
    EXPECT_TRUE(d.Text_PathMp3.Enabled());
    d.Label_SaveRepCfg_Click();
    EXPECT_EQ(d.Check_SaveRepCfg.Value(), 1);
    EXPECT_EQ(d.Check_SaveRepCh.Value(), 0);

    // The echo file is written where chosen; the main file stays.
    d.Check_SaveSy1.setValue(1);
    d.Check_SaveRepCh.setValue(1);
    prompter->answerMsgBox(vbOK);
    d.Command_Save.press();
    DoEvents();
    EXPECT_EQ(testsupport::readFileBytes(songs + "song.sy1"), "a;1;\r\n");
    EXPECT_EQ(testsupport::readFileBytes(syk + "song.syk"), "a;1;\r\n");
}

TEST_F(RecordSaveTest, ChangingTheDefaultFolderKeepsTheFileChoice)
{
    dir.write("Syk/song.syk", "a;1;\r\n");
    std::filesystem::create_directories(dir.path() / "Lyrics");
    editorWith({"a;1_"}, 0);
    Record_Save& d = saveDialog();
    d.Check_SaveSy1.setValue(1);

    prompter->answerFolder(std::nullopt);
    d.Command_ModifPathSyk.press();
    EXPECT_EQ(IniAccess("GET", "Path", "Path Syk"), syk);

    prompter->answerFolder(dir.file("Lyrics"));
    d.Command_ModifPathSyk.press();
    EXPECT_EQ(IniAccess("GET", "Path", "Path Syk"), dir.file("Lyrics") + "/");
    // Still the echo file: a .sy1 save must not replace a .syk by surprise.
    EXPECT_EQ(d.Text_PathSyk.Text(), dir.file("Lyrics") + "/song.sy1");
    EXPECT_EQ(d.Text_PathMp3.Text(), songs + "song.sy1");
    // Later lookups use the new folder.
    dir.write("Lyrics/song.syk", "b;1;\r\n");
    EXPECT_EQ(FindSykFile(song), dir.file("Lyrics") + "/song.syk");
}

TEST_F(RecordSaveTest, AFailedWriteKeepsTheOldFileAndSaysSo)
{
    dir.write("Syk/song.syk", "old;1;\r\n");
    editorWith({"new;2_"}, 0);
    Record::RecModified = true;
    Record_Save& d = saveDialog();
    // A target whose folder does not exist cannot be written.
    d.Text_PathSyk.setText(syk + "missing/song.syk");
    prompter->answerMsgBox(vbOK);
    d.Command_Save.press();
    DoEvents();
    EXPECT_EQ(lastMessage().rfind("An error occured!\n" + syk + "missing/song.syk: ", 0), 0u) << lastMessage();
    EXPECT_EQ(prompter->questions().back().title, "Error");
    EXPECT_FALSE(Record_SaveLoaded());
    EXPECT_TRUE(Record::RecModified);
    EXPECT_EQ(testsupport::readFileBytes(syk + "song.syk"), "old;1;\r\n");

    // Cancelling the dialog leaves the question for the close.
    saveDialog().Command_Cancel.press();
    DoEvents();
    EXPECT_TRUE(Record::RecModified);
}

TEST_F(RecordSaveTest, EveryLineTheLyricWindowsReadIsSavedBack)
{
    // A file edited by hand: the second line lost the ";" after its last time.
    dir.write("Songs/song.syk", "One;1;two;2;\r\nThree;3;four;4\r\nFive;5;\r\n");
    Record& r = open();
    EXPECT_EQ(entries(), (Entries{"One;1", "two;2_", "Three;3", "four;4_", "Five;5_"}));
    EXPECT_TRUE(messages().empty());
    r.List_Syk.setListIndex(0);
    Record::RecModified = true;
    Record_Save& d = saveDialog();
    prompter->answerMsgBox(vbOK);  // replace the file
    prompter->answerMsgBox(vbOK);  // done
    d.Command_Save.press();
    DoEvents();
    EXPECT_EQ(lastMessage(), "Done...");
    EXPECT_EQ(testsupport::readFileBytes(songs + "song.syk"), "One;1;two;2;\r\nThree;3;four;4;\r\nFive;5;\r\n");
}

TEST_F(RecordSaveTest, AFileThatCouldNotBeReadIsReplacedOnlyWhenTheUserSaysSo)
{
    const std::string bytes = "a;1;b;2;\r\nc;3;\r\n";
    dir.write("Songs/song.syk", bytes);
    ::chmod((songs + "song.syk").c_str(), 0200);  // writable, not readable
    {
        testsupport::ObeyFileModes obey;
        if (!obey.active())
            GTEST_SKIP() << "file modes cannot be enforced here";
        prompter->answerMsgBox(vbOK);
        open();
    }
    EXPECT_EQ(lastMessage(), "The file " + songs + "song.syk could not be read whole: the list holds only the part "
                                                   "that was read.");
    record().List_Syk.AddItem("new;1_");

    // Cancel: the file stays, the dialog too.
    Record_Save& d = saveDialog();
    prompter->answerMsgBox(vbCancel);
    d.Command_Save.press();
    EXPECT_EQ(lastMessage(), "The File -> " + songs + "song.syk <- could not be read whole when it was opened: the "
                                                      "list shown does not hold all of it.\nReplace the file with the "
                                                      "list shown ?");
    EXPECT_TRUE(Record_SaveLoaded());
    EXPECT_EQ(testsupport::readFileBytes(songs + "song.syk"), bytes);

    // OK: the user wants the list shown.
    prompter->answerMsgBox(vbOK);
    prompter->answerMsgBox(vbOK);
    d.Command_Save.press();
    DoEvents();
    EXPECT_EQ(lastMessage(), "Done...");
    EXPECT_EQ(testsupport::readFileBytes(songs + "song.syk"), "new;1;\r\n");
    EXPECT_TRUE(Record::RecSykUnread.empty());
}

TEST_F(RecordSaveTest, AReadOnlySyncFileIsNotReplaced)
{
    dir.write("Songs/song.syk", "old;1;\r\n");
    ::chmod((songs + "song.syk").c_str(), 0444);
    editorWith({"new;2_"}, 0);
    Record_Save& d = saveDialog();
    prompter->answerMsgBox(vbOK);  // replace
    prompter->answerMsgBox(vbOK);  // the error
    pressReturnIn(d.Text_PathMp3);
    DoEvents();
    EXPECT_EQ(lastMessage(), "An error occured!\n" + songs + "song.syk: the file is read-only.");
    EXPECT_EQ(testsupport::readFileBytes(songs + "song.syk"), "old;1;\r\n");
    EXPECT_FALSE(Record_SaveLoaded());
}

TEST_F(RecordSaveTest, SyncFileCommandsRefuseWhilePlaying)
{
    editorWith({"a;1_"}, 0);
    IsPlaying = true;
    record().Command_OpenSyk.press();
    EXPECT_TRUE(prompter->questions().empty());
    // Save says why it does nothing.
    record().Command_SaveSyk.press();
    EXPECT_FALSE(Record_SaveLoaded());
    ASSERT_EQ(prompter->questions().size(), 1u);
    EXPECT_EQ(prompter->questions()[0].text, "You must stop before running this function");
    IsPlaying = false;
}

TEST_F(RecordSaveTest, OpenSykReplacesTheListAndAsksAboutUnsavedChanges)
{
    dir.write("Songs/other.sy1", "x;1;y;2;\r\nz;3;w\r\n");
    Record& r = editorWith({"a;1_"}, 0);
    prompter->answerOpenFile(songs + "other.sy1");
    r.Command_OpenSyk.press();
    EXPECT_EQ(entries(), (Entries{"x;1", "y;2_", "z;3_"}));
    EXPECT_EQ(Record::RecSykPath, songs + "other.sy1");

    // Unsaved changes: Cancel keeps the list.
    Record::RecModified = true;
    prompter->answerOpenFile(songs + "other.sy1");
    prompter->answerMsgBox(vbCancel);
    r.List_Syk.AddItem("kept;0_");
    r.Command_OpenSyk.press();
    EXPECT_EQ(r.List_Syk.ListCount(), 4);

    // A line whose last time lacks its closing ";" (the lyric windows read
    // it): every line is in the list, nothing is said.
    dir.write("Songs/bad.syk", "a;1;b;2\r\nc;3;\r\nd;\r\n");
    Record::RecModified = false;
    prompter->clear();
    prompter->answerOpenFile(songs + "bad.syk");
    r.Command_OpenSyk.press();
    EXPECT_EQ(entries(), (Entries{"a;1", "b;2_", "c;3_", "d;0_"}));
    EXPECT_TRUE(messages().empty());

    // A cancelled dialog changes nothing.
    prompter->answerOpenFile(std::nullopt);
    r.Command_OpenSyk.press();
    EXPECT_EQ(entries(), (Entries{"a;1", "b;2_", "c;3_", "d;0_"}));
    EXPECT_TRUE(prompter->unexpected().empty());
}

TEST_F(RecordSaveTest, ASaveShowsAtOnceOnEveryPlayListRowOfTheSong)
{
    ListItem& row = playListRow();
    std::filesystem::create_directories(dir.path() / "Other");
    dir.write("Other/SONG.MID", "x");
    ListView& list = player().ListView1;
    auto add = [&](const std::string& path, const std::string& flag, const std::string& icon) -> ListItem& {
        ListItem& it = list.ListItems.Add(0, "", "Row");
        it.setSubItems(4, path);
        it.setSubItems(5, flag);
        it.setSmallIcon(icon);
        return it;
    };
    ListItem& twice = add(song, "N", "Picture_NoteMp3");                        // the song again
    ListItem& elsewhere = add(dir.file("Other") + "/SONG.MID", "N", "Picture_Note1");  // same name, other case
    ListItem& missing = add(dir.file("Gone") + "/song.wav", "N", "Picture_Stop");
    ListItem& other = add(songs + "other.mp3", "Y", "Picture_NoteMp3R");        // not this song: left alone
    PlayListModified = false;
    editorWith({"a;1_"}, 0);

    // An echo file alone does not count: the rows stay without a sync file.
    saveWithReturn(syk + "song.sy1");
    ASSERT_EQ(testsupport::readFileBytes(syk + "song.sy1"), "a;1;\r\n");
    for (ListItem* it : {&row, &twice, &elsewhere, &missing})
        EXPECT_EQ(it->SubItems(5), "N");
    EXPECT_EQ(row.SmallIcon(), "Picture_NoteMp3");

    // The main file: every row of a song that finds it shows it at once, the
    // echo file with it; the row of a missing song keeps its mark.
    saveWithReturn();
    EXPECT_EQ(lastMessage(), "Done...");
    for (ListItem* it : {&row, &twice, &elsewhere, &missing})
        EXPECT_EQ(it->SubItems(5), "Y+");
    EXPECT_EQ(row.SmallIcon(), "Picture_NoteMp3R");
    EXPECT_EQ(twice.SmallIcon(), "Picture_NoteMp3R");
    EXPECT_EQ(elsewhere.SmallIcon(), "Picture_Note1R");
    EXPECT_EQ(missing.SmallIcon(), "Picture_Stop");
    EXPECT_EQ(other.SubItems(5), "Y");
    // The flags are read from the disk on every load: no save question.
    EXPECT_FALSE(PlayListModified);

    EXPECT_TRUE(prompter->unexpected().empty());
}

TEST_F(RecordSaveTest, ASaveShowsAtOnceInTheFolderView)
{
    dir.write("Songs/SONG.kar", "x");
    dir.write("Songs/other.mid", "x");
    // From the play list to the folder tab, on the song's folder.
    PlayListTab = 1;
    player().PlayListTabName = "PlayList";
    LastDirList = songs;
    player().Image_Tab_Click();
    ASSERT_EQ(player().PlayListTabName, "DirList");
    ListView& list = player().ListView1;
    ASSERT_EQ(list.ListItems.Count(), 3);
    auto rowNamed = [&](const std::string& name) -> ListItem& {
        for (int i = 1; i <= list.ListItems.Count(); ++i)
            if (list.ListItems(i).Text() == name)
                return list.ListItems(i);
        ADD_FAILURE() << name;
        return list.ListItems(1);
    };
    ListItem& mp3 = rowNamed("song.mp3");
    ListItem& kar = rowNamed("SONG.kar");
    ListItem& mid = rowNamed("other.mid");
    EXPECT_EQ(mp3.SubItems(3), "N");
    player().Select_Song.setText(song);
    editorWith({"a;1_"}, 0);

    // The folder view shows an echo file alone too, as its listing does.
    saveWithReturn(syk + "song.sy1");
    EXPECT_EQ(mp3.SubItems(3), "N+");
    EXPECT_EQ(mp3.SmallIcon(), "Picture_NoteMp3");

    saveWithReturn();
    EXPECT_EQ(mp3.SubItems(3), "Y+");
    EXPECT_EQ(mp3.SmallIcon(), "Picture_NoteMp3R");
    EXPECT_EQ(kar.SubItems(3), "Y+");
    EXPECT_EQ(kar.SmallIcon(), "Picture_Note2R");
    EXPECT_EQ(mid.SubItems(3), "N");
    EXPECT_EQ(mid.SmallIcon(), "Picture_Note1");

    // Closing the editor keeps what the listing's rule says.
    std::filesystem::remove(dir.path() / "Syk" / "song.syk");
    list.setSelectedItem(&mp3);
    record().Command_Sortir.press();
    DoEvents();
    EXPECT_EQ(mp3.SubItems(3), "N+");

    EXPECT_FALSE(PlayListModified);
    EXPECT_TRUE(prompter->unexpected().empty());
}

} // namespace
