// The editor's sync file commands and the save dialog: where the file goes,
// which file it is, the default folder change, the writer's file and its
// messages, Return as Save, and the unsaved-changes mark.
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

} // namespace
