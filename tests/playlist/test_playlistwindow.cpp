// The play list in the main window: loading a list into the view, saving it
// and the save question, the folder view, the tab switch, row selection and
// the double-click on a missing song.
#include "core/modini.h"
#include "core/player.h"
#include "platform/files/paths.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "playlist/playlistrow.h"
#include "listfixture.h"
#include "settings/about.h"
#include "support/testdir.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

using namespace PlayList;
using testsupport::ProgramDir;
using testsupport::TempDir;

namespace {

// The list fixture: a fresh main window over a fresh program folder, in
// English, with the play-list tab shown, an empty list and the deferred
// start-up kept from running, so each test drives the list itself.
class PlayListWindow : public listtest::ListTest {
protected:
    std::string writeList(const std::string& name, const std::string& bytes) { return music.write(name, bytes); }

    bool wasAsked(const std::string& part)
    {
        const auto texts = asked();
        return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.find(part) != std::string::npos; });
    }

    using ListTest::row;
    // Row i (from 1) of a window's list.
    static ListItem& row(Player& p, int i) { return p.ListView1.ListItems(i); }
};

} // namespace

TEST_F(PlayListWindow, LoadingAListRecomputesFlagsAndIcons)
{
    music.write("a.mp3", "");
    music.write("a.syk", "");
    music.write("b.kar", "");
    music.write("c.MID", "");
    music.write("c.syk", "");
    music.write("c.sy1", "");
    const std::string m = music.path().generic_string() + "/";
    std::string path = writeList("list.lst",
                                 "A;Artist A;3:05;MP3;" + m + "a.mp3;N;;;;;;;\r\n"
                                 "B;;;Kar;" + m + "b.kar;Y+;1;255;65280;16711680;0;128;/pic.jpg\r\n"
                                 "\r\n"
                                 "C;;;Midi;" + m + "c.MID;N\r\n"
                                 "Gone;;;;" + m + "gone.ogg;N\r\n");
    w->LoadPlayList(path);

    ASSERT_EQ(w->ListView1.ListItems.Count(), 4);
    EXPECT_EQ(row(*w, 1).Text(), "A");
    EXPECT_EQ(row(*w, 1).SubItems(1), "Artist A");
    EXPECT_EQ(row(*w, 1).SubItems(5), "Y");
    EXPECT_EQ(row(*w, 1).SmallIcon(), "Picture_NoteMp3R");
    // The stored flag is not believed: the disk has no .syk for b.kar.
    EXPECT_EQ(row(*w, 2).SubItems(5), "N");
    EXPECT_EQ(row(*w, 2).SmallIcon(), "Picture_Note2");
    EXPECT_EQ(row(*w, 2).SubItems(6), "1");
    EXPECT_EQ(row(*w, 2).SubItems(12), "/pic.jpg");
    EXPECT_EQ(row(*w, 3).SubItems(5), "Y+");
    EXPECT_EQ(row(*w, 3).SmallIcon(), "Picture_Note1R");
    EXPECT_EQ(row(*w, 4).SmallIcon(), "");
    EXPECT_EQ(w->Label_ItemCount.Caption(), "4 file(s)");
    EXPECT_FALSE(modIni::PlayListModified);
    EXPECT_FALSE(w->Text_Londing.Visible());
    EXPECT_TRUE(prompts->questions().empty());

    // The headers of the play-list view, English then French.
    ASSERT_EQ(w->ListView1.ColumnHeaders.Count(), 13);
    EXPECT_EQ(w->ListView1.ColumnHeaders.Item(2)->Text(), "Artist");
    EXPECT_EQ(w->ListView1.ColumnHeaders.Item(4)->Text(), "Type");
    EXPECT_EQ(w->ListView1.ColumnHeaders.Item(13)->Width(), 0.0f);
    modIni::Langue = "Fr";
    w->SetPlayListColumns();
    EXPECT_EQ(w->ListView1.ColumnHeaders.Item(2)->Text(), "Chanteur");
    EXPECT_EQ(w->ListView1.ColumnHeaders.Item(4)->Text(), "Style");
}

TEST_F(PlayListWindow, IconsAreDrawnAndKeyed)
{
    ASSERT_EQ(w->ImageList1.ListImages.Count(), 7);
    EXPECT_EQ(w->ListView1.SmallIcons(), &w->ImageList1);
    for (const char* key : {"Picture_Note1", "Picture_Note1R", "Picture_Note2", "Picture_Note2R", "Picture_NoteMp3",
                            "Picture_NoteMp3R"}) {
        ListImage* image = w->ImageList1.ListImages.Item(std::string(key));
        ASSERT_NE(image, nullptr) << key;
        EXPECT_EQ(image->Picture().pixelWidth(), 11) << key;
        EXPECT_EQ(image->Picture().pixelHeight(), 13) << key;
        // Around the note the row's own colour shows (a selected row too).
        const QImage& note = image->Picture().image();
        EXPECT_EQ(qAlpha(note.pixel(0, 0)), 0) << key;
        EXPECT_EQ(qAlpha(note.pixel(10, 12)), 0) << key;
        EXPECT_EQ(qAlpha(note.pixel(6, 0)), 255) << key;   // the stem
    }
    ListImage* stop = w->ImageList1.ListImages.Item(std::string("Picture_Stop"));
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(stop->Picture().pixelWidth(), 15);
    // One drawn point is one pixel: the cross's centre is white, the disc
    // red, the corners background.
    const QImage& img = stop->Picture().image();
    EXPECT_EQ(img.pixel(7, 7) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(img.pixel(7, 1) & 0xFFFFFF, 0xE00000u);
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(img.pixel(14, 14)), 0);
    EXPECT_EQ(qAlpha(img.pixel(7, 1)), 255);
    EXPECT_TRUE(w->Image_Tab1Fr.Picture());
    EXPECT_TRUE(w->Image_Tab2An.Picture());
    EXPECT_FALSE(w->Image_Tab1Fr.Picture() == w->Image_Tab2Fr.Picture());
}

TEST_F(PlayListWindow, MissingRememberedListIsKeptInTheSettings)
{
    const std::string away = "/media/usbstick/karaoke.lst";
    modIni::IniAccess("WRITE", "Path", "Path Lst", away);
    modIni::PathLst = away;
    prompts->answerMsgBox(vbOK);
    w->LoadPlayList(modIni::PathLst);

    EXPECT_TRUE(wasAsked(away));
    EXPECT_EQ(modIni::PathLst, paths::programFolder() + "/ZunMp3Syk.lst");
    EXPECT_EQ(modIni::IniAccess("GET", "Path", "Path Lst"), away);
    ASSERT_TRUE(paths::isFile(modIni::PathLst));
    EXPECT_EQ(testsupport::readFileBytes(modIni::PathLst), "");
    EXPECT_EQ(w->ListView1.ListItems.Count(), 0);
    EXPECT_EQ(w->Label_ItemCount.Caption(), "0 file(s)");
}

TEST_F(PlayListWindow, FirstStartMakesAnEmptyDefaultList)
{
    std::string path;
    w->LoadPlayList(path);
    const std::string expected = paths::programFolder() + "/ZunMp3Syk.lst";
    EXPECT_EQ(path, expected);
    EXPECT_EQ(modIni::IniAccess("GET", "Path", "Path Lst"), expected);
    EXPECT_EQ(testsupport::readFileBytes(expected), "");
    EXPECT_TRUE(prompts->questions().empty());
}

TEST_F(PlayListWindow, SaveReportsSuccessOnlyWhenTheFileWasWritten)
{
    modIni::PathLst = writeList("list.lst", "A;;;MP3;/m/a.mp3;N\r\n");
    w->LoadPlayList(modIni::PathLst);
    row(*w, 1).setSubItems(1, "New; Artist");
    modIni::PlayListModified = true;

    prompts->answerMsgBox(vbOK);
    w->Command_Save_Click();
    EXPECT_TRUE(wasAsked("Save complete!"));
    EXPECT_FALSE(modIni::PlayListModified);
    EXPECT_EQ(music.read("list.lst"), "A;New, Artist;;MP3;/m/a.mp3;N;;;;;;;\r\n");

    // A list in a folder that is gone: the error, no success, still modified.
    prompts->clear();
    modIni::PlayListModified = true;
    modIni::PathLst = music.file("gone/list.lst");
    prompts->answerMsgBox(vbOK);
    w->Command_Save_Click();
    EXPECT_TRUE(wasAsked("An error occured while saving!"));
    EXPECT_FALSE(wasAsked("Save complete!"));
    EXPECT_TRUE(modIni::PlayListModified);
}

TEST_F(PlayListWindow, SaveQuestionClearsTheFlagOnlyAfterNoOrAGoodSave)
{
    modIni::PathLst = writeList("list.lst", "A;;;MP3;/m/a.mp3;N\r\n");
    w->LoadPlayList(modIni::PathLst);
    row(*w, 1).setText("Changed");

    // Escape or the close box: the changes stay, and the caller goes back
    // (the folder tab is not shown instead of the list).
    modIni::PlayListModified = true;
    prompts->answerMsgBox(vbCancel);
    EXPECT_FALSE(w->AskSavePlayList());
    EXPECT_TRUE(modIni::PlayListModified);
    prompts->answerMsgBox(vbCancel);
    w->Image_Tab_Click();
    EXPECT_EQ(w->PlayListTabName, "PlayList");
    EXPECT_EQ(row(*w, 1).Text(), "Changed");

    prompts->answerMsgBox(vbNo);
    w->AskSavePlayList();
    EXPECT_TRUE(wasAsked("Modifications were made in your Play List"));
    EXPECT_FALSE(modIni::PlayListModified);
    EXPECT_EQ(music.read("list.lst"), "A;;;MP3;/m/a.mp3;N\r\n");

    modIni::PlayListModified = true;
    prompts->answerMsgBox(vbYes);
    w->AskSavePlayList();
    EXPECT_FALSE(modIni::PlayListModified);
    EXPECT_EQ(music.read("list.lst"), "Changed;;;MP3;/m/a.mp3;N;;;;;;;\r\n");

    // Nothing changed: nothing asked.
    prompts->clear();
    w->AskSavePlayList();
    EXPECT_TRUE(prompts->questions().empty());
}

// Another program (here a shell) changes the list file while the player holds
// it: the save asks before writing over those changes.
TEST_F(PlayListWindow, SavingOverAListChangedByAnotherProgramAsksFirst)
{
    const std::string lst = writeList("party.lst", "A;;;MP3;/m/a.mp3;N\r\n");
    modIni::PathLst = lst;
    const auto otherProgram = [&](const std::string& command) {
        ASSERT_EQ(std::system(("cd '" + music.path().string() + "' && " + command).c_str()), 0);
    };
    const auto edit = [&](const std::string& title) {
        w->LoadPlayList(modIni::PathLst);
        row(*w, 1).setText(title);
        modIni::PlayListModified = true;
        prompts->clear();
    };

    // Not changed since it was read: saved at once, and again after our own save.
    edit("Ours");
    prompts->answerMsgBox(vbOK);
    w->Command_Save_Click();
    prompts->answerMsgBox(vbOK);
    w->Command_Save_Click();
    EXPECT_EQ(asked(), (std::vector<std::string>{"Save complete!", "Save complete!"}));

    // Cancel: nothing is written, the changes here stay marked.
    otherProgram("printf 'B;;;MP3;/m/b.mp3;N\\r\\n' >> party.lst");
    edit("Mine");
    otherProgram("printf 'C;;;MP3;/m/c.mp3;N\\r\\n' >> party.lst");
    const std::string changed = music.read("party.lst");
    prompts->answerMsgBox(vbCancel);
    w->Command_Save_Click();
    ASSERT_EQ(prompts->questions().size(), 1u);
    EXPECT_EQ(prompts->questions()[0].text.rfind("The play list " + lst + " was changed by another program", 0), 0u);
    EXPECT_EQ(prompts->questions()[0].style, vbYesNoCancel + vbExclamation + vbDefaultButton3);
    EXPECT_EQ(music.read("party.lst"), changed);
    EXPECT_TRUE(modIni::PlayListModified);

    // No: the list is read again and shows the other program's rows.
    prompts->clear();
    prompts->answerMsgBox(vbNo);
    w->Command_Save_Click();
    EXPECT_EQ(asked().size(), 1u);
    EXPECT_EQ(titles(), (std::vector<std::string>{"Ours", "B", "C"}));
    EXPECT_FALSE(modIni::PlayListModified);
    EXPECT_EQ(music.read("party.lst"), changed);

    // Yes: written over it. A file replaced whole (same size, new file) counts
    // as changed too, and so does the question at quit.
    row(*w, 1).setText("Mine");
    modIni::PlayListModified = true;
    otherProgram("sed 's/Ours/Oops/' party.lst > x.tmp && mv x.tmp party.lst");
    prompts->clear();
    prompts->answerMsgBox(vbYes);
    prompts->answerMsgBox(vbYes);
    EXPECT_TRUE(w->AskSavePlayList());
    EXPECT_EQ(asked().size(), 2u);
    EXPECT_EQ(music.read("party.lst").substr(0, 5), "Mine;");
    EXPECT_FALSE(modIni::PlayListModified);

    // Rewritten in place, same size, modification time put back (touch -r): changed all the same.
    edit("Ours");
    otherProgram("sleep 0.05 && cp -p party.lst keep.tmp && sed 's/Mine/Oops/' keep.tmp > party.lst"
                 " && touch -r keep.tmp party.lst");
    const std::string rewritten = music.read("party.lst");
    ASSERT_EQ(rewritten.substr(0, 5), "Oops;");
    prompts->answerMsgBox(vbCancel);
    w->Command_Save_Click();
    ASSERT_EQ(asked().size(), 1u);
    EXPECT_EQ(asked()[0].rfind("The play list " + lst + " was changed by another program", 0), 0u);
    EXPECT_EQ(music.read("party.lst"), rewritten);

    // Made a symbolic link meanwhile: the question names the target; Yes writes there, the link stays.
    edit("Ours");
    otherProgram("mv party.lst elsewhere.lst && ln -s elsewhere.lst party.lst");
    const std::string target = std::filesystem::canonical(music.path() / "elsewhere.lst").string();
    prompts->answerMsgBox(vbYes);
    prompts->answerMsgBox(vbOK);
    w->Command_Save_Click();
    ASSERT_EQ(asked().size(), 2u);
    EXPECT_EQ(asked()[0].rfind("The play list " + lst + " is now a symbolic link to " + target +
                                   ": another program replaced it since it was read; saving writes into that file.\n",
                               0),
              0u);
    EXPECT_EQ(asked()[1], "Save complete!");
    EXPECT_TRUE(std::filesystem::is_symlink(lst));
    EXPECT_EQ(music.read("elsewhere.lst").substr(0, 5), "Ours;");
}

TEST_F(PlayListWindow, AFailedSaveKeepsThePlayListOnScreen)
{
    modIni::PathLst = writeList("list.lst", "A;;;MP3;/m/a.mp3;N\r\n");
    w->LoadPlayList(modIni::PathLst);
    row(*w, 1).setText("Changed");
    modIni::PlayListModified = true;
    // The list's folder is gone: the save cannot be made.
    modIni::PathLst = music.file("gone/list.lst");
    prompts->answerMsgBox(vbYes);
    prompts->answerMsgBox(vbOK);
    w->Image_Tab_Click();
    EXPECT_TRUE(wasAsked("An error occured while saving!"));
    EXPECT_EQ(modIni::PlayListTab, 1);
    EXPECT_EQ(w->PlayListTabName, "PlayList");
    ASSERT_EQ(w->ListView1.ListItems.Count(), 1);
    EXPECT_EQ(row(*w, 1).Text(), "Changed");
    EXPECT_TRUE(modIni::PlayListModified);

    // Yes with no play list on screen says why nothing was saved.
    prompts->clear();
    w->PlayListTabName = "DirList";
    modIni::PlayListTab = 0;
    prompts->answerMsgBox(vbYes);
    prompts->answerMsgBox(vbOK);
    EXPECT_FALSE(w->AskSavePlayList());
    EXPECT_TRUE(wasAsked("The Play List is not shown: it was not saved."));
}

TEST_F(PlayListWindow, SaveAsAndOpen)
{
    modIni::PathLst = writeList("list.lst", "A;;;MP3;/m/a.mp3;N\r\n");
    modIni::IniAccess("WRITE", "Path", "Path Lst", modIni::PathLst);
    w->LoadPlayList(modIni::PathLst);

    // A cancelled Save as changes nothing.
    modIni::PlayListModified = true;
    prompts->answerSaveFile(std::nullopt);
    w->Command_SaveAs_Click();
    EXPECT_EQ(modIni::PathLst, music.file("list.lst"));
    EXPECT_TRUE(modIni::PlayListModified);

    prompts->answerSaveFile(music.file("mylist"));
    w->Command_SaveAs_Click();
    EXPECT_EQ(modIni::PathLst, music.file("mylist.lst"));
    EXPECT_EQ(modIni::IniAccess("GET", "Path", "Path Lst"), music.file("mylist.lst"));
    EXPECT_EQ(music.read("mylist.lst"), "A;;;MP3;/m/a.mp3;N;;;;;;;\r\n");
    EXPECT_FALSE(modIni::PlayListModified);

    // Open offers to save a changed list first; a cancelled Open keeps it all.
    writeList("other.lst", "X;;;Kar;/m/x.kar;N\r\nY;;;Kar;/m/y.kar;N\r\n");
    row(*w, 1).setText("Edited");
    modIni::PlayListModified = true;
    prompts->clear();
    prompts->answerMsgBox(vbNo);
    prompts->answerOpenFile(std::nullopt);
    w->Command_Open_Click();
    EXPECT_TRUE(wasAsked("Do you want to save them?"));
    EXPECT_EQ(row(*w, 1).Text(), "Edited");
    EXPECT_EQ(modIni::PathLst, music.file("mylist.lst"));

    prompts->answerOpenFile(" " + music.file("other.lst") + " ");
    w->Command_Open_Click();
    EXPECT_EQ(modIni::PathLst, music.file("other.lst"));
    ASSERT_EQ(w->ListView1.ListItems.Count(), 2);
    EXPECT_EQ(row(*w, 2).Text(), "Y");
    EXPECT_FALSE(modIni::PlayListModified);
    EXPECT_TRUE(prompts->unexpected().empty());
}

TEST_F(PlayListWindow, AListThatCouldNotBeReadIsNeverSavedOver)
{
    const std::string bytes = "A;;;MP3;/m/a.mp3;N\r\nB;;;MP3;/m/b.mp3;N\r\n";
    modIni::PathLst = writeList("list.lst", bytes);
    ::chmod(modIni::PathLst.c_str(), 0200);  // writable, not readable
    {
        testsupport::ObeyFileModes obey;
        if (!obey.active())
            GTEST_SKIP() << "file modes cannot be enforced here";
        prompts->answerMsgBox(vbOK);
        w->LoadPlayList(modIni::PathLst);
    }
    EXPECT_TRUE(wasAsked("Error while opening PlayList File " + music.file("list.lst")));
    EXPECT_EQ(w->ListView1.ListItems.Count(), 0);
    addRow("New", "", "/m/new.mp3");
    modIni::PlayListModified = true;

    // Save: said, and the user is asked for another file (cancelled here).
    prompts->clear();
    prompts->answerMsgBox(vbOK);
    prompts->answerSaveFile(std::nullopt);
    w->Command_Save_Click();
    EXPECT_TRUE(wasAsked("The play list " + music.file("list.lst") + " could not be read: it is not replaced."));
    EXPECT_FALSE(wasAsked("Save complete!"));
    EXPECT_TRUE(modIni::PlayListModified);
    EXPECT_EQ(music.read("list.lst"), bytes);

    // Quit -> Yes: the same.
    prompts->clear();
    prompts->answerMsgBox(vbYes);
    prompts->answerMsgBox(vbOK);
    prompts->answerSaveFile(std::nullopt);
    w->AskSavePlayList();
    EXPECT_TRUE(wasAsked("could not be read: it is not replaced."));
    EXPECT_EQ(music.read("list.lst"), bytes);
    EXPECT_TRUE(prompts->unexpected().empty());

    // A file chosen with Save as is written; it becomes the list's file.
    prompts->clear();
    prompts->answerMsgBox(vbOK);
    prompts->answerSaveFile(music.file("saved.lst"));
    w->Command_Save_Click();
    EXPECT_EQ(music.read("saved.lst"), "New;;;MP3;/m/new.mp3;N;;;;;;;\r\n");
    EXPECT_EQ(modIni::PathLst, music.file("saved.lst"));
    EXPECT_FALSE(modIni::PlayListModified);
    EXPECT_EQ(music.read("list.lst"), bytes);
}

TEST_F(PlayListWindow, AReadOnlyListIsNotWrittenAndTheUserIsTold)
{
    modIni::PathLst = writeList("list.lst", "A;;;MP3;/m/a.mp3;N\r\n");
    // Read-only before it is read: a later chmod is a change the save would ask about.
    ::chmod(modIni::PathLst.c_str(), 0444);
    w->LoadPlayList(modIni::PathLst);
    row(*w, 1).setText("Changed");
    modIni::PlayListModified = true;
    prompts->answerMsgBox(vbOK);
    w->Command_Save_Click();
    EXPECT_TRUE(wasAsked("An error occured while saving!\n" + music.file("list.lst") + ": the file is read-only."));
    EXPECT_FALSE(wasAsked("Save complete!"));
    EXPECT_TRUE(modIni::PlayListModified);
    EXPECT_EQ(music.read("list.lst"), "A;;;MP3;/m/a.mp3;N\r\n");
}

TEST_F(PlayListWindow, BackupAndRestoreKeepEveryField)
{
    modIni::PathLst = writeList("list.lst", "A;a;1:00;MP3;/m/a.MP3;N;1;2;3;4;5;6;/p.jpg\r\n"
                                            "B;b;2:00;Kar;/m/b.kar;O+;;;;;;;\r\n"
                                            "C;c;;;/m/c.ogg;N\r\n");
    w->LoadPlayList(modIni::PathLst);
    row(*w, 2).setSubItems(5, "O+");
    w->BackupPlayList();
    ASSERT_EQ(w->ListView2.ListItems.Count(), 3);
    w->ListView1.ListItems.Clear();
    w->RestorePlayList();
    ASSERT_EQ(w->ListView1.ListItems.Count(), 3);
    EXPECT_EQ(row(*w, 1).SubItems(12), "/p.jpg");
    EXPECT_EQ(row(*w, 1).SmallIcon(), "Picture_NoteMp3");
    EXPECT_EQ(row(*w, 2).SmallIcon(), "Picture_Note2R");
    EXPECT_EQ(row(*w, 3).SmallIcon(), "");
    EXPECT_EQ(w->Label_ItemCount.Caption(), "3 file(s)");
}

TEST_F(PlayListWindow, FolderTabListsSongsAndSelectsByPath)
{
    music.write("Song.MP3", std::string(1000, 'x'));
    music.write("Song.syk", "");
    music.write("Track.Kar", "");
    music.write("readme.txt", "");
    modIni::PathLst = writeList("list.lst", "A;;;MP3;/m/a.mp3;N\r\n");
    modIni::LastDirList = music.path().generic_string();
    modIni::Langue = "Fr";

    w->Image_Tab_Click();
    EXPECT_EQ(modIni::PlayListTab, 0);
    EXPECT_EQ(modIni::IniAccess("GET", "Setting", "SSTab"), "0");
    EXPECT_EQ(w->PlayListTabName, "DirList");
    EXPECT_TRUE(w->Dir1.Visible());
    EXPECT_FALSE(w->Command_Save.Visible());
    EXPECT_TRUE(w->Image_Tab.Picture() == w->Image_Tab1Fr.Picture());
    ASSERT_EQ(w->ListView1.ListItems.Count(), 2);
    EXPECT_EQ(w->ListView1.ColumnHeaders.Item(1)->Text(), "Nom");
    EXPECT_EQ(row(*w, 1).Text(), "Song.MP3");
    EXPECT_EQ(row(*w, 1).SubItems(1), "2kb");
    EXPECT_EQ(row(*w, 1).SubItems(2), "MP3");
    EXPECT_EQ(row(*w, 1).SubItems(3), "O");
    EXPECT_EQ(row(*w, 1).SmallIcon(), "Picture_NoteMp3R");
    EXPECT_EQ(row(*w, 2).SubItems(3), "N");
    EXPECT_EQ(w->Label_ItemCount.Caption(), "2 objet(s)");

    row(*w, 2).setSelected(true);
    w->ListView1_Click();
    EXPECT_EQ(w->Select_Song.Text(), music.file("Track.Kar"));

    // F5 lists the folder again.
    int f5 = 116;
    w->ListView1_KeyDown(f5, 0);
    EXPECT_EQ(w->ListView1.ListItems.Count(), 2);

    // Back to the play list: always reloaded from its file.
    w->Image_Tab_Click();
    EXPECT_EQ(modIni::PlayListTab, 1);
    EXPECT_EQ(modIni::IniAccess("GET", "Setting", "SSTab"), "1");
    EXPECT_EQ(w->PlayListTabName, "PlayList");
    EXPECT_FALSE(w->Dir1.Visible());
    ASSERT_EQ(w->ListView1.ListItems.Count(), 1);
    EXPECT_EQ(row(*w, 1).Text(), "A");
    EXPECT_EQ(w->Select_Song.Text(), "");

    row(*w, 1).setSelected(true);
    w->ListView1_Click();
    EXPECT_EQ(w->Select_Song.Text(), "/m/a.mp3");
}

// Whatever window is in front, every listing of a folder ends with its first
// row selected: the tab switch, a folder chosen in the folder list, Add.
TEST_F(PlayListWindow, EveryFolderListingSelectsTheFirstRow)
{
    music.write("b.mp3", "");
    music.write("a.kar", "");
    TempDir other;
    other.write("z.wav", "");
    other.write("y.mid", "");
    modIni::PathLst = writeList("list.lst", "A;;;MP3;/m/a.mp3;N\r\n");
    w->LoadPlayList(modIni::PathLst);
    modIni::LastDirList = music.path().generic_string();
    w->Show();
    // Another window holds the keyboard.
    ZunInfo& info = zunInfo();
    info.Show();
    info.Command_Sortie.SetFocus();
    DoEvents();

    auto selected = [&]() -> std::string {
        ListItem* it = w->ListView1.SelectedItem();
        return it ? it->Text() : "(none)";
    };
    w->Image_Tab_Click();
    EXPECT_EQ(selected(), "a.kar");
    w->Dir1.setPath(other.path().generic_string());
    EXPECT_EQ(selected(), "y.mid");

    w->Image_Tab_Click();
    modIni::LastDirList = music.path().generic_string();
    w->Command_Add.press();
    ASSERT_EQ(ListMode, "Ajout");
    EXPECT_EQ(selected(), "a.kar");
    w->Command_Cancel.press();
    Unload(info);
}

TEST_F(PlayListWindow, SwitchingToFoldersAsksToSaveAndFallsBackToHome)
{
    modIni::PathLst = writeList("list.lst", "A;;;MP3;/m/a.mp3;N\r\n");
    w->LoadPlayList(modIni::PathLst);
    modIni::PlayListModified = true;
    modIni::LastDirList = music.file("deleted") + "/";
    prompts->answerMsgBox(vbNo);
    w->Image_Tab_Click();
    EXPECT_TRUE(wasAsked("Do you want to save them?"));
    EXPECT_FALSE(modIni::PlayListModified);
    EXPECT_EQ(modIni::LastDirList, paths::homeFolder());
}

TEST_F(PlayListWindow, F5AsksBeforeDroppingChanges)
{
    modIni::PathLst = writeList("list.lst", "A;;;MP3;/m/a.mp3;N\r\n");
    w->LoadPlayList(modIni::PathLst);
    row(*w, 1).setText("Changed");
    modIni::PlayListModified = true;
    prompts->answerMsgBox(vbYes);
    int f5 = 116;
    w->ListView1_KeyDown(f5, 0);
    EXPECT_TRUE(wasAsked("Do you want to save them?"));
    ASSERT_EQ(w->ListView1.ListItems.Count(), 1);
    EXPECT_EQ(row(*w, 1).Text(), "Changed");
    EXPECT_FALSE(modIni::PlayListModified);

    // Other keys do nothing; F5 in a selection mode does nothing either.
    int other = 115;
    w->ListView1_KeyDown(other, 0);
    ListMode = "Ajout";
    w->ListView1_KeyDown(f5, 0);
    EXPECT_EQ(w->ListView1.ListItems.Count(), 1);
}

TEST_F(PlayListWindow, DoubleClickOnAMissingSongMarksTheRow)
{
    music.write("here.mp3", "");
    modIni::PathLst = writeList("list.lst", "Gone;;;MP3;" + music.file("gone.mp3") + ";N\r\n");
    w->LoadPlayList(modIni::PathLst);
    row(*w, 1).setSelected(true);
    w->ListView1_Click();
    modIni::IsPlaying = true;   // a song plays on
    prompts->answerMsgBox(vbOK);
    w->ListView1_DblClick();
    ASSERT_EQ(prompts->questions().size(), 1u);
    EXPECT_EQ(prompts->questions()[0].text, "File not found");
    EXPECT_EQ(prompts->questions()[0].title, "Warning");
    EXPECT_EQ(row(*w, 1).SmallIcon(), "Picture_Stop");
    EXPECT_TRUE(modIni::IsPlaying);
    modIni::IsPlaying = false;
}
