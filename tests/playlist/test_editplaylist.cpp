// The song properties editor: what the Edit command refuses, what the editor
// shows and refreshes when it opens, what OK and Apply write back into the row,
// and the row it writes to when the list changed meanwhile.
#include "listfixture.h"

#include "playlist/editplaylist.h"
#include "support/playerfixture.h"

#include <QImage>
#include <QTest>
#include <QWidget>

using namespace listtest;

namespace {

// A one-track MIDI file of the given length at 120 beats a minute.
std::string midiOfSeconds(double seconds)
{
    auto vlq = [](std::uint32_t v) {
        std::string out(1, static_cast<char>(v & 0x7F));
        while (v >>= 7)
            out.insert(out.begin(), static_cast<char>(0x80 | (v & 0x7F)));
        return out;
    };
    const auto ticks = static_cast<std::uint32_t>(seconds * 1536);   // 768 per beat, 2 beats a second
    std::string track;
    track += std::string("\x00\xFF\x51\x03\x07\xA1\x20", 7);
    track += std::string("\x00\x90\x3C\x40", 4);
    track += vlq(ticks) + std::string("\x80\x3C\x40", 3);
    track += std::string("\x00\xFF\x2F\x00", 4);
    std::string m("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x03\x00", 14);
    m += "MTrk";
    for (int shift = 24; shift >= 0; shift -= 8)
        m += static_cast<char>((track.size() >> shift) & 0xFF);
    return m + track;
}

class Editor : public ListTest {
protected:
    void SetUp() override
    {
        ListTest::SetUp();
        modIni::IniAccess("WRITE", "Kar Windows", "FontColor", "255");
        modIni::IniAccess("WRITE", "Kar Windows", "FontColorActif", "65280");
        modIni::IniAccess("WRITE", "Kar Windows", "FontColorPassif", "16711680");
        modIni::IniAccess("WRITE", "Kar Windows", "BackColor", "0");
        modIni::IniAccess("WRITE", "Kar Windows", "ShadowColor", "8421504");
        modIni::IniAccess("WRITE", "Path", "Path Image", "/pics/default.jpg");
    }
    // Selects row i, makes it the current song and presses Edit.
    EditPlayList& edit(int i)
    {
        row(i).setSelected(true);
        w->Select_Song.setText(row(i).SubItems(ColPath));
        w->Command_Edit.press();
        return editPlayList();
    }
    bool lookButtonsEnabled(EditPlayList& e)
    {
        for (CommandButton* b : {&e.Command_GetColorFont, &e.Command_GetColorFontActif, &e.Command_GetColorFontPassif,
                                 &e.Command_GetColorBack, &e.Command_ShadowColor, &e.Command_BrowseI, &e.Command_Aucun})
            if (!b->Enabled())
                return false;
        return true;
    }
    bool lookButtonsDisabled(EditPlayList& e)
    {
        for (CommandButton* b : {&e.Command_GetColorFont, &e.Command_GetColorFontActif, &e.Command_GetColorFontPassif,
                                 &e.Command_GetColorBack, &e.Command_ShadowColor, &e.Command_BrowseI, &e.Command_Aucun})
            if (b->Enabled())
                return false;
        return true;
    }
};

TEST_F(Editor, EditRefusesWithoutASongOrWithAMissingFile)
{
    addRow("Gone", "", folder + "gone.mp3");
    row(1).setSelected(true);
    w->Select_Song.setText("");
    w->Command_Edit.press();
    EXPECT_FALSE(isLoaded<EditPlayList>());

    w->Select_Song.setText(folder + "gone.mp3");
    w->Command_Edit.press();
    EXPECT_FALSE(isLoaded<EditPlayList>());
    EXPECT_EQ(row(1).SmallIcon(), IconStop);
    modIni::Langue = "Fr";
    w->Command_Edit.press();
    const auto& q = prompts->questions();
    ASSERT_EQ(q.size(), 3u);
    EXPECT_EQ(q[0].text, "Select a song !");
    EXPECT_EQ(q[1].text, "File not found");
    EXPECT_EQ(q[1].title, "Warning");
    EXPECT_EQ(q[1].style, vbOKOnly + vbQuestion);
    EXPECT_EQ(q[2].text, "Fichier Introuvable");
    EXPECT_EQ(q[2].title, "Attention");
    EXPECT_FALSE(isLoaded<EditPlayList>());
    EXPECT_FALSE(modIni::PlayListModified);
}

TEST_F(Editor, ARowWithoutALookShowsTheSettingsAndOkStoresThem)
{
    const std::string path = song("tune.mp3");
    ListItem& r = addRow("Tune", "Singer", path);
    r.setSubItems(ColLength, "9:99");
    EditPlayList& e = edit(1);
    ASSERT_TRUE(isLoaded<EditPlayList>());
    EXPECT_EQ(e.Caption(), "Tune");
    EXPECT_EQ(e.Text_Titre.Text(), "Tune");
    EXPECT_EQ(e.Text_Chanteur.Text(), "Singer");
    EXPECT_EQ(e.Text_Style.Text(), "MP3");
    EXPECT_EQ(e.Text_Path.Text(), path);
    EXPECT_EQ(e.Text_SykPresant.Text(), "No");
    EXPECT_EQ(e.Text_Sy1Presant.Text(), "No");
    EXPECT_EQ(e.Check_Actif.Value(), 0);
    EXPECT_TRUE(lookButtonsDisabled(e));
    EXPECT_EQ(e.Label_FontColor.BackColor(), 255);
    EXPECT_EQ(e.Label_FontColorActif.BackColor(), 65280);
    EXPECT_EQ(e.Label_FontColorPassif.BackColor(), 16711680);
    EXPECT_EQ(e.Label_BackColor.BackColor(), 0);
    EXPECT_EQ(e.Label_ShadowColor.BackColor(), 8421504);
    EXPECT_EQ(e.Text_ImageFond.Text(), "/pics/default.jpg");
    EXPECT_EQ(e.EditRowIndex, 1);
    // A file that is no audio keeps the length it had.
    EXPECT_EQ(e.Text_Time.Text(), "9:99");
    EXPECT_FALSE(modIni::PlayListModified);

    // Return in a field is OK, with what the user typed there.
    QTest::keyClicks(e.Text_Chanteur.widget(), "s");
    QTest::keyClick(e.Text_Chanteur.widget(), Qt::Key_Return);
    DoEvents();
    EXPECT_FALSE(isLoaded<EditPlayList>());
    EXPECT_TRUE(modIni::PlayListModified);
    const PlayListRow out = rowOf(row(1));
    EXPECT_EQ(out[ColTitle], "Tune");
    EXPECT_EQ(out[ColArtist], "Singers");
    EXPECT_EQ(out[ColSyncFlag], "N");
    EXPECT_EQ(out[ColLookActive], "0");
    EXPECT_EQ(out[ColFontColor], "255");
    EXPECT_EQ(out[ColSungColor], "65280");
    EXPECT_EQ(out[ColPassiveColor], "16711680");
    EXPECT_EQ(out[ColBackColor], "0");
    EXPECT_EQ(out[ColShadowColor], "8421504");
    EXPECT_EQ(out[ColPicturePath], "/pics/default.jpg");
}

TEST_F(Editor, ARowWithItsOwnLookShowsItAndTheButtonsAreOn)
{
    ListItem& r = addRow("Tune", "", song("tune.mp3"));
    r.setSubItems(ColLookActive, "1");
    r.setSubItems(ColFontColor, "1");
    r.setSubItems(ColSungColor, "2");
    r.setSubItems(ColPassiveColor, "3");
    r.setSubItems(ColBackColor, "not a colour");   // takes the setting
    r.setSubItems(ColShadowColor, "5");
    EditPlayList& e = edit(1);
    EXPECT_EQ(e.Check_Actif.Value(), 1);
    EXPECT_TRUE(lookButtonsEnabled(e));
    EXPECT_EQ(e.Label_FontColor.BackColor(), 1);
    EXPECT_EQ(e.Label_FontColorActif.BackColor(), 2);
    EXPECT_EQ(e.Label_FontColorPassif.BackColor(), 3);
    EXPECT_EQ(e.Label_BackColor.BackColor(), 0);
    EXPECT_EQ(e.Label_ShadowColor.BackColor(), 5);
    // With the look on, an empty picture means no picture.
    EXPECT_EQ(e.Text_ImageFond.Text(), "");
    // Unticking switches the buttons off; the swatches keep their colours.
    e.Check_Actif.setValue(0);
    EXPECT_TRUE(lookButtonsDisabled(e));
    EXPECT_EQ(e.Label_FontColor.BackColor(), 1);
}

TEST_F(Editor, AnOldRowWithThePictureInTheShadowColumnIsConverted)
{
    ListItem& r = addRow("Old", "", song("old.mp3"));
    r.setSubItems(ColShadowColor, "/pics/old.bmp");
    r.setSubItems(ColPicturePath, "ignored");
    EditPlayList& e = edit(1);
    EXPECT_EQ(e.Label_ShadowColor.BackColor(), 8421504);
    EXPECT_EQ(e.Text_ImageFond.Text(), "/pics/old.bmp");
    // The row takes the conversion on OK only: Cancel leaves it as it was.
    EXPECT_EQ(row(1).SubItems(ColShadowColor), "/pics/old.bmp");
    e.Command_Cancel.press();
    DoEvents();
    EXPECT_EQ(row(1).SubItems(ColShadowColor), "/pics/old.bmp");
    EXPECT_EQ(row(1).SubItems(ColPicturePath), "ignored");
    EXPECT_FALSE(modIni::PlayListModified);
    edit(1).Command_Ok.press();
    EXPECT_EQ(row(1).SubItems(ColPicturePath), "/pics/old.bmp");
    EXPECT_EQ(row(1).SubItems(ColShadowColor), "8421504");
}

TEST_F(Editor, TheLengthIsMeasuredFromTheFile)
{
    struct Case {
        double seconds;
        const char* text;
    };
    for (const Case& c : {Case{59.6, "1:00"}, Case{125.2, "2:05"}, Case{0.4, "0:00"}}) {
        w->ListView1.ListItems.Clear();
        addRow("Wave", "", song("w.wav", testsupport::silentWav(c.seconds)));
        modIni::PlayListModified = false;
        EditPlayList& e = edit(1);
        EXPECT_EQ(e.Text_Time.Text(), c.text) << c.seconds;
        // Shown, not yet stored: the row changes on OK.
        EXPECT_EQ(row(1).SubItems(ColLength), "");
        EXPECT_FALSE(modIni::PlayListModified);
        e.Command_Ok.press();
        EXPECT_EQ(row(1).SubItems(ColLength), c.text);
        EXPECT_TRUE(modIni::PlayListModified);
    }
}

TEST_F(Editor, MidiSongsAreMeasuredByTheirTempoMapWhateverTheCase)
{
    addRow("Lower", "", song("a.kar", midiOfSeconds(65)));
    addRow("Upper", "", song("B.MID", midiOfSeconds(125)));
    EXPECT_EQ(edit(1).Text_Time.Text(), "1:05");
    EXPECT_EQ(edit(2).Text_Time.Text(), "2:05");
    EXPECT_EQ(row(2).SubItems(ColLength), "");
    EXPECT_FALSE(modIni::PlayListModified);
}

TEST_F(Editor, SyncPresenceAndTheFlagItWrites)
{
    const std::string path = song("s.mp3");
    music.write("s.syk", "x");
    music.write("s.sy1", "x");
    addRow("S", "", path, "Y+");
    EditPlayList& e = edit(1);
    EXPECT_EQ(row(1).SubItems(ColSyncFlag), "Y+");
    EXPECT_EQ(e.Text_SykPresant.Text(), "Yes");
    EXPECT_EQ(e.Text_Sy1Presant.Text(), "Yes");

    // Pointed at another file without sync files, the row's flag says so.
    const std::string other = song("plain.mp3");
    prompts->answerOpenFile("  " + other + " ");
    e.Command_Browse.press();
    EXPECT_EQ(e.Text_Path.Text(), other);
    EXPECT_EQ(e.Text_SykPresant.Text(), "No");
    EXPECT_EQ(e.Text_Sy1Presant.Text(), "No");
    EXPECT_EQ(e.Text_Titre.Text(), "S");
    ASSERT_FALSE(prompts->questions().empty());
    EXPECT_EQ(prompts->questions().back().title, "Music Files (*.mp3,*.mid,*.kar,*.wav)|*.mp3;*.mid;*.kar;*.wav");
    // A cancelled dialog leaves the box as it is.
    prompts->answerOpenFile(std::nullopt);
    e.Command_Browse.press();
    EXPECT_EQ(e.Text_Path.Text(), other);
    e.Command_Appliquer.press();
    EXPECT_EQ(row(1).SubItems(ColPath), other);
    EXPECT_EQ(row(1).SubItems(ColSyncFlag), "N");
    EXPECT_TRUE(isLoaded<EditPlayList>());

    modIni::Langue = "Fr";
    edit(1);
    EXPECT_EQ(e.Text_SykPresant.Text(), "Non");
}

TEST_F(Editor, ApplyKeepsTheWindowAndCancelKeepsWhatWasApplied)
{
    addRow("Before", "", song("a.mp3"));
    EditPlayList& e = edit(1);
    e.Text_Titre.setText("Applied");
    e.Command_Appliquer.press();
    EXPECT_EQ(row(1).Text(), "Applied");
    EXPECT_TRUE(modIni::PlayListModified);
    e.Text_Titre.setText("Dropped");
    e.Command_Cancel.press();
    DoEvents();
    EXPECT_FALSE(isLoaded<EditPlayList>());
    EXPECT_EQ(row(1).Text(), "Applied");
}

TEST_F(Editor, ColoursAndPictureComeFromTheirDialogs)
{
    addRow("Song", "", song("a.mp3")).setSubItems(ColLookActive, "1");
    EditPlayList& e = edit(1);
    prompts->answerColor(0x123456);
    e.Command_GetColorFontActif.press();
    EXPECT_EQ(e.Label_FontColorActif.BackColor(), 0x123456);
    prompts->answerColor(std::nullopt);
    e.Command_ShadowColor.press();
    EXPECT_EQ(e.Label_ShadowColor.BackColor(), 8421504);
    QImage img(3, 3, QImage::Format_RGB32);
    img.fill(Qt::blue);
    const std::string pic = folder + "new.png";
    ASSERT_TRUE(img.save(QString::fromStdString(pic)));
    prompts->answerOpenFile(pic);
    e.Command_BrowseI.press();
    EXPECT_EQ(e.Text_ImageFond.Text(), pic);
    prompts->answerOpenFile(std::nullopt);
    e.Command_BrowseI.press();
    EXPECT_EQ(e.Text_ImageFond.Text(), pic);
    // A file that cannot be shown is said at once and not taken.
    const std::string pcx = song("old.pcx", "\x0a\x05\x01\x08");
    prompts->answerOpenFile(pcx);
    prompts->answerMsgBox(vbOK);
    e.Command_BrowseI.press();
    EXPECT_EQ(prompts->questions().back().text, "This picture cannot be shown:\n" + pcx);
    EXPECT_EQ(e.Text_ImageFond.Text(), pic);
    e.Command_Ok.press();
    EXPECT_EQ(row(1).SubItems(ColSungColor), std::to_string(0x123456));
    EXPECT_EQ(row(1).SubItems(ColPicturePath), pic);

    EditPlayList& again = edit(1);
    again.Command_Aucun.press();
    again.Command_Ok.press();
    EXPECT_EQ(row(1).SubItems(ColPicturePath), "");
}

TEST_F(Editor, DetectReadsTheSongTheEditorShows)
{
    const std::string tagged = song("tagged.mp3", id3File("Real Title", "Real Artist"));
    const std::string titleOnly = song("t.mp3", id3File("Just Title", ""));
    addRow("Old", "Someone", tagged);
    EditPlayList& e = edit(1);
    // The main window's current song changes meanwhile: Detect still reads
    // the editor's own song.
    w->Select_Song.setText(titleOnly);
    e.Command_Detect.press();
    EXPECT_EQ(e.Text_Titre.Text(), "Real Title");
    EXPECT_EQ(e.Text_Chanteur.Text(), "Real Artist");
    EXPECT_EQ(row(1).Text(), "Old");   // the row changes on OK only

    prompts->answerOpenFile(titleOnly);
    e.Command_Browse.press();
    e.Command_Detect.press();
    EXPECT_EQ(e.Text_Titre.Text(), "Just Title");
    EXPECT_EQ(e.Text_Chanteur.Text(), "");

    // No tag: nothing changes.
    prompts->answerOpenFile(song("none.mp3", id3File("", "", false)));
    e.Command_Browse.press();
    e.Command_Detect.press();
    EXPECT_EQ(e.Text_Titre.Text(), "Just Title");
}

TEST_F(Editor, WriteBackFollowsTheSongAndRefusesARowThatLeft)
{
    addRow("First", "", song("1.mp3"));
    addRow("Second", "", song("2.mp3"));
    addRow("Third", "", song("3.mp3"));
    EditPlayList& e = edit(2);
    // The song moves up, and the list is sorted: the editor still writes to it.
    w->Command_Up.press();
    ASSERT_EQ(row(1).Text(), "Second");
    w->ListView1_ColumnClick(*w->ListView1.ColumnHeaders.Item(1));
    e.Text_Chanteur.setText("Edited");
    e.Command_Appliquer.press();
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(row(i).SubItems(ColArtist), row(i).Text() == "Second" ? "Edited" : "") << i;

    // Edit again on another row: the editor now writes there.
    const int third = row(1).Text() == "Third" ? 1 : (row(2).Text() == "Third" ? 2 : 3);
    edit(third);
    EXPECT_EQ(e.Text_Titre.Text(), "Third");
    e.Text_Chanteur.setText("Third's");
    e.Command_Appliquer.press();
    EXPECT_EQ(row(third).SubItems(ColArtist), "Third's");

    // The row leaves the list: nothing is written anywhere.
    const auto before = [&] {
        row(third).setSelected(true);
        w->mnuDeleteToPlayList_Click(0);
        return rowsOf(w->ListView1);
    }();
    prompts->answerMsgBox(vbOK);
    e.Text_Titre.setText("Nowhere");
    e.Command_Ok.press();
    DoEvents();
    EXPECT_EQ(rowsOf(w->ListView1), before);
    EXPECT_FALSE(isLoaded<EditPlayList>());
    EXPECT_EQ(prompts->questions().back().text, "This song is no longer in the Play List: nothing was changed.");
}

// Removing another row (context menu, Remove mode) and Add's commit or Cancel
// rebuild the rows: the editor still writes to its song's row, also while Add
// shows a folder.
TEST_F(Editor, FindsItsRowAfterEveryRebuildOfTheRows)
{
    addRow("First", "", song("1.mp3"));
    addRow("Second", "", song("2.mp3"));
    addRow("Third", "", song("3.mp3"));
    modIni::LastDirList = folder;
    EditPlayList& e = edit(2);
    auto apply = [&](const std::string& artist) {
        e.Text_Chanteur.setText(artist);
        e.Command_Appliquer.press();
    };
    auto artistOf = [&](const std::string& title) {
        for (const PlayListRow& r : rowsOf(w->ListView1))
            if (r[ColTitle] == title)
                return r[ColArtist];
        return std::string("(not listed)");
    };

    row(1).setSelected(true);
    w->mnuDeleteToPlayList_Click(0);
    ASSERT_EQ(titles(), (std::vector<std::string>{"Second", "Third"}));
    apply("after the menu");
    EXPECT_EQ(artistOf("Second"), "after the menu");

    w->Command_Supp.press();
    row(2).setChecked(true);
    w->Command_Ok.press();
    ASSERT_EQ(titles(), (std::vector<std::string>{"Second"}));
    apply("after Remove");
    EXPECT_EQ(artistOf("Second"), "after Remove");

    w->Command_Add.press();
    ASSERT_EQ(ListMode, "Ajout");
    apply("while adding");
    w->Command_Cancel.press();
    EXPECT_EQ(artistOf("Second"), "while adding");

    w->Command_Add.press();
    row(1).setChecked(true);
    w->Command_Ok.press();
    ASSERT_EQ(w->ListView1.ListItems.Count(), 2);
    apply("after Add");
    EXPECT_EQ(artistOf("Second"), "after Add");
    EXPECT_EQ(artistOf("1"), "");

    // Reloaded from its file: the song's one row there.
    const std::string lst = folder + "list.lst";
    ASSERT_TRUE(w->SavePlayList(lst));
    modIni::PathLst = lst;
    modIni::PlayListModified = false;
    int f5 = 116;
    w->ListView1_KeyDown(f5, 0);
    ASSERT_EQ(w->ListView1.ListItems.Count(), 2);
    apply("after F5");
    EXPECT_EQ(artistOf("Second"), "after F5");
    for (const std::string& q : asked())
        EXPECT_EQ(q.find("no longer"), std::string::npos) << q;
    // Listed twice after a reload, the song's row cannot be told: nothing is
    // written.
    addRow("Second", "", row(1).SubItems(ColPath));
    ASSERT_TRUE(w->SavePlayList(lst));
    w->ListView1_KeyDown(f5, 0);
    prompts->answerMsgBox(vbOK);
    apply("nowhere");
    EXPECT_EQ(prompts->questions().back().text, "This song is no longer in the Play List: nothing was changed.");
    EXPECT_EQ(artistOf("Second"), "after F5");
}

TEST_F(Editor, WorksOnTheRowItOpenedAndCancelChangesNothing)
{
    // The selected row and the current song differ, as after a shuffle or a
    // commit of the selection modes.
    const std::string a = song("a.wav", testsupport::silentWav(2));
    const std::string b = song("b.wav", testsupport::silentWav(5));
    addRow("A", "", a);
    addRow("B", "", b);
    const std::string lst = folder + "list.lst";
    ASSERT_TRUE(w->SavePlayList(lst));
    const std::string before = testsupport::readFileBytes(lst);

    row(1).setSelected(true);
    w->Select_Song.setText(b);
    w->Command_Edit.press();
    EditPlayList& e = editPlayList();
    EXPECT_EQ(e.Text_Path.Text(), a);
    EXPECT_EQ(e.Text_Time.Text(), "0:02");
    e.Command_Cancel.press();
    DoEvents();
    EXPECT_FALSE(modIni::PlayListModified);
    ASSERT_TRUE(w->SavePlayList(lst));
    EXPECT_EQ(testsupport::readFileBytes(lst), before);

    w->Command_Edit.press();
    EditPlayList& again = editPlayList();
    // A path with ";" cannot be stored in a list line: refused, as Add does.
    prompts->answerOpenFile(song("x;y.wav", testsupport::silentWav(1)));
    again.Command_Browse.press();
    EXPECT_EQ(again.Text_Path.Text(), a);
    EXPECT_EQ(prompts->questions().back().text.rfind("This file name contains \";\"", 0), 0u);
    again.Command_Ok.press();
    ASSERT_TRUE(w->SavePlayList(lst));
    EXPECT_EQ(testsupport::readFileBytes(lst), "A;;0:02;MP3;" + a + ";N;0;255;65280;16711680;0;8421504;/pics/default.jpg\r\n"
                                                   "B;;;MP3;" + b + ";N;;;;;;;\r\n");

    // Pointed at another file, the row takes that file's length with it.
    w->Command_Edit.press();
    prompts->answerOpenFile(b);
    editPlayList().Command_Browse.press();
    EXPECT_EQ(editPlayList().Text_Time.Text(), "0:05");
}

TEST_F(Editor, DetectShowsWithTheFirstTabAndCaptionsFollowTheLanguage)
{
    addRow("Song", "", song("a.mp3"));
    modIni::Langue = "De";   // neither French nor English
    EditPlayList& e = edit(1);
    e.SSTab1.setTab(1);
    EXPECT_FALSE(e.Command_Detect.Visible());
    e.SSTab1.setTab(0);
    EXPECT_TRUE(e.Command_Detect.Visible());
    // French captions, English presence words.
    EXPECT_EQ(e.SSTab1.TabCaption(0), "Général");
    EXPECT_EQ(e.Command_Cancel.Caption(), "Annuller");
    EXPECT_EQ(e.Text_SykPresant.Text(), "No");
    Unload(e);
    DoEvents();
    // The English picture label reads whole.
    modIni::Langue = "En";
    EditPlayList& en = edit(1);
    QWidget* label = en.Label_ImageFond.widget();
    EXPECT_LE(label->fontMetrics().horizontalAdvance("Background Image"), label->width());
    EXPECT_LE(en.Label_ImageFond.Left() + en.Label_ImageFond.Width(), en.Text_ImageFond.Left());
}

TEST_F(Editor, TakesTheProgramColoursAndKeepsASystemButtonColour)
{
    // The themes store the button face as a system colour (a negative number):
    // it must reach the buttons whole, not cut down to a near-black 24-bit value.
    modIni::IniAccess("WRITE", "Setting", "PgmColor", "123456");
    modIni::IniAccess("WRITE", "Setting", "ListColor", "not a colour");
    modIni::IniAccess("WRITE", "Setting", "ButtomColor", "-2147483633");
    addRow("Song", "", song("a.mp3"));
    EditPlayList& e = edit(1);
    EXPECT_EQ(e.BackColor(), 123456);
    EXPECT_EQ(e.Text_Titre.BackColor(), 16777215);   // the default file's list colour
    EXPECT_EQ(e.Command_Ok.BackColor() & 0xFFFFFFFF, 0x8000000F);
    EXPECT_EQ(e.Command_Appliquer.BackColor() & 0xFFFFFFFF, 0x8000000F);
}

} // namespace
