// The per-song colour line: opening the dialog from the editor's list, the
// line it builds from the user's choices, the picture beside the song, and
// the ways of leaving it that must change nothing.
#include "core/modini.h"
#include "core/player.h"
#include "editor/record.h"
#include "editor/recordcolorset.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "test_record_fixture.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include <filesystem>
#include <string>
#include <vector>

using namespace modIni;

namespace {

// A small real picture, so the dialog can show it.
void writePicture(const std::string& path)
{
    QImage img(4, 4, QImage::Format_RGB32);
    img.fill(Qt::green);
    ASSERT_TRUE(img.save(QString::fromStdString(path), "JPG"));
}

const std::string kWarnLineStart =
    "You must be positioned on the first lyric at the begining of the line to use this function! ";

class ColorSetTest : public editortest::EditorTest {
protected:
    void TearDown() override
    {
        if (isLoaded<Record_ColorSet>())
            Unload(record_ColorSet());
        EditorTest::TearDown();
    }

    // The editor with exactly these entries in its list, `selected` chosen.
    ListBox& editorList(const std::vector<std::string>& entries, int selected)
    {
        Record& r = record();
        r.List_Syk.Clear();
        for (const std::string& e : entries)
            r.List_Syk.AddItem(e);
        r.List_Syk.setListIndex(selected);
        return r.List_Syk;
    }

    static std::vector<std::string> items(const ListBox& l)
    {
        std::vector<std::string> v;
        for (int i = 0; i < l.ListCount(); ++i)
            v.push_back(l.List(i));
        return v;
    }
};

// ---------------------------------------------------------------- the line itself

TEST(ColorLineText, BuildsTheSixFieldsWithoutFinalSeparator)
{
    EXPECT_EQ(Record_ColorSet::MakeColorLine("back.jpg", {255, 65280, 16711680, 0, 8421504}),
              "//back.jpg;255;65280;16711680;0;8421504");
    EXPECT_EQ(Record_ColorSet::MakeColorLine("", {1, 2, 3, 4, 5}), "//;1;2;3;4;5");
    // A system colour (button face) is kept as its signed 32-bit number.
    EXPECT_EQ(Record_ColorSet::MakeColorLine("", {static_cast<long>(static_cast<int>(0x8000000F)), 0, 0, 0, 0}),
              "//;-2147483633;0;0;0;0");
}

TEST(ColorLineText, ReadsWellFormedAndDamagedLinesWithoutFailing)
{
    auto f = Record_ColorSet::ParseColorLine("//back.jpg;255;65280;16711680;0;8421504");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->image, "back.jpg");
    EXPECT_EQ(f->colours[0], 255);
    EXPECT_EQ(f->colours[1], 65280);
    EXPECT_EQ(f->colours[2], 16711680);
    EXPECT_EQ(f->colours[3], 0);
    EXPECT_EQ(f->colours[4], 8421504);

    EXPECT_FALSE(Record_ColorSet::ParseColorLine("a;1_"));
    EXPECT_FALSE(Record_ColorSet::ParseColorLine(" //x;1;2;3;4;5"));

    // Cut short, or holding text where numbers belong: what can be read is
    // read, the rest stays unset.
    f = Record_ColorSet::ParseColorLine("//pic.jpg;10;20");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->image, "pic.jpg");
    EXPECT_EQ(f->colours[0], 10);
    EXPECT_FALSE(f->colours[1]);   // no closing ";" after 20
    EXPECT_FALSE(f->colours[4]);
    f = Record_ColorSet::ParseColorLine("//;red;2;;4;5;6");
    ASSERT_TRUE(f);
    EXPECT_FALSE(f->colours[0]);
    EXPECT_EQ(f->colours[1], 2);
    EXPECT_FALSE(f->colours[2]);
    EXPECT_EQ(f->colours[3], 4);
    EXPECT_FALSE(f->colours[4]);   // "5;6" is not one number
}

// ---------------------------------------------------------------- opening

TEST_F(ColorSetTest, OpensOnTheFirstSyllableOfALineWithTheSavedColours)
{
    editorList({"a;1", "b;2_", "c;3", "d;4_"}, 2);
    record().Command_SetColor.press();
    ASSERT_TRUE(isLoaded<Record_ColorSet>());
    Record_ColorSet& d = record_ColorSet();
    EXPECT_TRUE(d.Visible());
    EXPECT_EQ(d.Label_FontColor.BackColor(), 16744448);
    EXPECT_EQ(d.Label_FontColorActif.BackColor(), 255);
    EXPECT_EQ(d.Label_FontColorPassif.BackColor(), 12615680);
    EXPECT_EQ(d.Label_BackColor.BackColor(), 11860476);
    EXPECT_EQ(d.Label_ShadowColor.BackColor(), 0);
    EXPECT_EQ(d.Text_ImageFond.Text(), "");
    EXPECT_TRUE(messages().empty());
}

TEST_F(ColorSetTest, RefusesAnywhereButALineStart)
{
    struct Case {
        std::vector<std::string> entries;
        int selected;
    };
    const Case cases[] = {
        {{"a;1", "b;2_", "c;3", "d;4_"}, 3},   // the last entry
        {{"a;1", "b;2_", "c;3", "d;4_"}, 1},   // the middle of a line
        {{"a;1", "b;2_", "c;3", "d;4_"}, -1},  // nothing selected
        {{"a;1_"}, 0},                         // first, but also the last
    };
    for (const Case& c : cases) {
        prompter->clear();
        ListBox& l = editorList(c.entries, c.selected);
        record().Command_SetColor.press();
        EXPECT_FALSE(isLoaded<Record_ColorSet>()) << c.selected;
        ASSERT_EQ(prompter->questions().size(), 1u);
        EXPECT_EQ(prompter->questions()[0].text, kWarnLineStart);
        EXPECT_EQ(prompter->questions()[0].title, "Warning");
        EXPECT_EQ(items(l), c.entries);
    }
}

TEST_F(ColorSetTest, SilentWhileASongPlaysOrTheListIsBusy)
{
    editorList({"a;1", "b;2_", "c;3", "d;4_"}, 0);
    IsPlaying = true;
    record().Command_SetColor.press();
    IsPlaying = false;
    Record::RecBusy = true;
    record().Command_SetColor.press();
    Record::RecBusy = false;
    EXPECT_FALSE(isLoaded<Record_ColorSet>());
    EXPECT_TRUE(prompter->questions().empty());
}

// ---------------------------------------------------------------- building the line

TEST_F(ColorSetTest, OkPutsTheChosenLookBeforeTheSelectedSyllable)
{
    writePicture(dir.file("Songs/back.jpg"));
    ListBox& l = editorList({"a;1", "b;2_", "c;3", "d;4_"}, 2);
    record().Command_SetColor.press();
    Record_ColorSet& d = record_ColorSet();

    prompter->answerOpenFile(songs + "back.jpg");
    d.Command_BrowseI.press();
    EXPECT_EQ(d.Text_ImageFond.Text(), "back.jpg");
    for (long c : {255L, 65280L, 16711680L, 0L, 8421504L})
        prompter->answerColor(c);
    d.Command_GetColorFont.press();
    d.Command_GetColorFontActif.press();
    d.Command_GetColorFontPassif.press();
    d.Command_GetColorBack.press();
    d.Command_ShadowColor.press();
    EXPECT_TRUE(prompter->unexpected().empty());
    EXPECT_EQ(prompter->questions()[0].detail, songs);   // the picker opens in the song's folder
    EXPECT_EQ(prompter->questions()[1].style, cdlCCFullOpen);
    // Each picker opens unset, not on the colour chosen before it.
    for (std::size_t q = 1; q <= 5; ++q)
        EXPECT_EQ(prompter->questions()[q].text, "0") << q;

    d.Command_Ok.press();
    EXPECT_EQ(items(l), (std::vector<std::string>{"a;1", "b;2_", "//back.jpg;255;65280;16711680;0;8421504", "c;3",
                                                  "d;4_"}));
    EXPECT_FALSE(isLoaded<Record_ColorSet>());
    // Closing the editor now asks about the unsaved line.
    EXPECT_TRUE(Record::RecModified);
}

TEST_F(ColorSetTest, NoPictureGivesAnEmptyFirstField)
{
    ListBox& l = editorList({"a;1", "b;2_"}, 0);
    record().Command_SetColor.press();
    Record_ColorSet& d = record_ColorSet();
    d.Text_ImageFond.setText("old.jpg");
    d.Command_Aucun.press();
    // Return in the picture field is OK.
    QTest::keyClick(d.Text_ImageFond.widget(), Qt::Key_Return);
    EXPECT_FALSE(isLoaded<Record_ColorSet>());
    ASSERT_EQ(l.ListCount(), 3);
    EXPECT_EQ(l.List(0), "//;16744448;255;12615680;11860476;0");
}

TEST_F(ColorSetTest, CancelledChoicesAndCancelChangeNothing)
{
    ListBox& l = editorList({"a;1", "b;2_"}, 0);
    record().Command_SetColor.press();
    Record_ColorSet& d = record_ColorSet();
    prompter->answerColor(std::nullopt);
    d.Command_GetColorBack.press();
    EXPECT_EQ(d.Label_BackColor.BackColor(), 11860476);
    prompter->answerColor(std::nullopt);
    d.Command_ShadowColor.press();
    EXPECT_EQ(d.Label_ShadowColor.BackColor(), 0);

    // A cancelled picture choice is not a picture from another folder.
    d.Text_ImageFond.setText("kept.jpg");
    prompter->answerOpenFile(std::nullopt);
    d.Command_BrowseI.press();
    EXPECT_EQ(d.Text_ImageFond.Text(), "kept.jpg");
    EXPECT_TRUE(messages().empty());

    d.Command_Cancel.press();
    EXPECT_FALSE(isLoaded<Record_ColorSet>());
    EXPECT_EQ(items(l), (std::vector<std::string>{"a;1", "b;2_"}));
    EXPECT_FALSE(Record::RecModified);
}

// ---------------------------------------------------------------- the picture

TEST_F(ColorSetTest, PictureMustLieBesideTheSong)
{
    editorList({"a;1", "b;2_"}, 0);
    record().Command_SetColor.press();
    Record_ColorSet& d = record_ColorSet();
    d.Text_ImageFond.setText("kept.jpg");

    std::filesystem::create_directories(dir.path() / "Other");
    dir.write("Other/far.jpg", "x");
    prompter->answerOpenFile(dir.file("Other/far.jpg"));
    d.Command_BrowseI.press();
    EXPECT_EQ(d.Text_ImageFond.Text(), "kept.jpg");
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0], "The image file must be in the same directory as the song file");

    // A sub-folder of the song's folder is another folder too.
    std::filesystem::create_directories(dir.path() / "Songs" / "pics");
    dir.write("Songs/pics/sub.jpg", "x");
    prompter->answerOpenFile(songs + "pics/sub.jpg");
    d.Command_BrowseI.press();
    EXPECT_EQ(d.Text_ImageFond.Text(), "kept.jpg");

    // The same folder written another way, with blanks around the answer.
    writePicture(dir.file("Songs/back.jpg"));
    prompter->answerOpenFile("  " + songs + "pics/../back.jpg  ");
    d.Command_BrowseI.press();
    EXPECT_EQ(d.Text_ImageFond.Text(), "back.jpg");

    // The folder in other letters, as from a song list made on Windows.
    d.Text_ImageFond.setText("kept.jpg");
    const std::string upper = dir.path().string() + "/SONGS/back.jpg";
    prompter->answerOpenFile(upper);
    d.Command_BrowseI.press();
    EXPECT_EQ(d.Text_ImageFond.Text(), "back.jpg");
    EXPECT_EQ(messages().size(), 2u);
}

TEST_F(ColorSetTest, APictureThatCannotBeShownIsSaidAndNotTaken)
{
    editorList({"a;1", "b;2_"}, 0);
    record().Command_SetColor.press();
    Record_ColorSet& d = record_ColorSet();
    d.Text_ImageFond.setText("kept.jpg");
    dir.write("Songs/scan.pcx", "\x0a\x05\x01\x08");
    prompter->answerOpenFile(songs + "scan.pcx");
    prompter->answerMsgBox(vbOK);
    d.Command_BrowseI.press();
    EXPECT_EQ(d.Text_ImageFond.Text(), "kept.jpg");
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0], "This picture cannot be shown:\n" + songs + "scan.pcx");
    EXPECT_EQ(prompter->questions()[0].title.find("*.pcx"), std::string::npos);
}

TEST_F(ColorSetTest, PictureNameWithTheFieldSeparatorIsRefused)
{
    ListBox& l = editorList({"a;1", "b;2_"}, 0);
    record().Command_SetColor.press();
    Record_ColorSet& d = record_ColorSet();
    dir.write("Songs/a;b.jpg", "x");
    prompter->answerOpenFile(songs + "a;b.jpg");
    d.Command_BrowseI.press();
    EXPECT_EQ(d.Text_ImageFond.Text(), "");
    EXPECT_EQ(messages().size(), 1u);

    // Typed into the field by hand: OK refuses and the dialog stays.
    d.Text_ImageFond.setText("x;y.jpg");
    d.Command_Ok.press();
    EXPECT_TRUE(isLoaded<Record_ColorSet>());
    EXPECT_EQ(l.ListCount(), 2);
    EXPECT_EQ(messages().size(), 2u);
}

// ---------------------------------------------------------------- display entries

TEST_F(ColorSetTest, ADisplayEntryIsEditedInPlace)
{
    dir.write("Songs/pic.jpg", "x");
    ListBox& l = editorList({"//pic.jpg;1;2;3;4;5", "a;1", "b;2_"}, 0);
    record().Command_SetColor.press();
    ASSERT_TRUE(isLoaded<Record_ColorSet>());
    Record_ColorSet& d = record_ColorSet();
    EXPECT_EQ(d.Text_ImageFond.Text(), "pic.jpg");
    EXPECT_EQ(d.Label_FontColor.BackColor(), 1);
    EXPECT_EQ(d.Label_FontColorActif.BackColor(), 2);
    EXPECT_EQ(d.Label_FontColorPassif.BackColor(), 3);
    EXPECT_EQ(d.Label_BackColor.BackColor(), 4);
    EXPECT_EQ(d.Label_ShadowColor.BackColor(), 5);

    prompter->answerColor(7);
    d.Command_GetColorBack.press();
    d.Command_Ok.press();
    EXPECT_EQ(items(l), (std::vector<std::string>{"//pic.jpg;1;2;3;7;5", "a;1", "b;2_"}));
}

TEST_F(ColorSetTest, ShowingAnEntryKeepsWhatCannotBeRead)
{
    editorList({"a;1", "b;2_"}, 0);
    Record_ColorSet& d = record_ColorSet();
    d.Text_ImageFond.setText("mine.jpg");
    d.Label_FontColorActif.setBackColor(99);
    d.Label_ShadowColor.setBackColor(98);
    // The picture is missing beside the song, one colour is not a number and
    // the line stops before the shadow.
    d.ShowColorLine("//gone.jpg;10;oops;30;40");
    EXPECT_TRUE(d.Visible());
    EXPECT_EQ(d.Text_ImageFond.Text(), "mine.jpg");
    EXPECT_EQ(d.Label_FontColor.BackColor(), 10);
    EXPECT_EQ(d.Label_FontColorActif.BackColor(), 99);
    EXPECT_EQ(d.Label_FontColorPassif.BackColor(), 30);
    EXPECT_EQ(d.Label_ShadowColor.BackColor(), 98);
}

// ---------------------------------------------------------------- the editor moved on

TEST_F(ColorSetTest, OkRefusesASelectionMovedIntoALine)
{
    ListBox& l = editorList({"a;1", "b;2_", "c;3", "d;4_"}, 0);
    record().Command_SetColor.press();
    // The dialog does not block the editor: the user selects another entry.
    l.setListIndex(3);
    prompter->clear();
    record_ColorSet().Command_Ok.press();
    EXPECT_EQ(items(l), (std::vector<std::string>{"a;1", "b;2_", "c;3", "d;4_"}));
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0], kWarnLineStart);
    EXPECT_TRUE(isLoaded<Record_ColorSet>());

    // Moved to another line start: the line goes there.
    l.setListIndex(2);
    record_ColorSet().Command_Ok.press();
    EXPECT_EQ(l.List(2).substr(0, 3), "//;");
    EXPECT_EQ(l.List(3), "c;3");

    // Nothing selected: at the top of the list.
    record_ColorSet().Show();
    l.setListIndex(-1);
    record_ColorSet().Command_Ok.press();
    EXPECT_EQ(l.List(0).substr(0, 3), "//;");
    EXPECT_EQ(l.ListCount(), 6);
}

TEST_F(ColorSetTest, OkAfterTheEditorClosedDoesNotReopenIt)
{
    editorList({"a;1", "b;2_"}, 0);
    record().Command_SetColor.press();
    Record::RecModified = false;
    Unload(record());
    ASSERT_FALSE(RecordLoaded());
    record_ColorSet().Command_Ok.press();
    EXPECT_FALSE(RecordLoaded());
    EXPECT_FALSE(isLoaded<Record_ColorSet>());
}

} // namespace
