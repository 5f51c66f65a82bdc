// The timing list's hand edits: the fields that show an entry, Apply, Add,
// Delete, clearing, resetting times, the Ctrl mode and the list's keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/modini.h"
#include "editor/record.h"
#include "editor/recordcolorset.h"
#include "platform/forms/app.h"
#include "test_record_fixture.h"

using namespace modIni;
using Entries = std::vector<std::string>;

namespace {

class RecordListTest : public editortest::EditorTest {
protected:
    void TearDown() override
    {
        if (isLoaded<Record_ColorSet>())
            Unload(record_ColorSet());
        EditorTest::TearDown();
    }

    void key(Record& r, int ascii, bool* swallowed = nullptr)
    {
        int k = ascii;
        r.List_Syk_KeyPress(k);
        if (swallowed)
            *swallowed = k == 0;
    }
};

TEST_F(RecordListTest, FieldsShowTheSelectedEntry)
{
    Record& r = editorWith({"la;12,5_", "//pic.jpg;1;2;3;4;5", "di;3"}, 0);
    EXPECT_EQ(r.Text_Syk.Text(), "la");
    EXPECT_EQ(r.Text_time.Text(), "12,5");
    EXPECT_EQ(r.Check_NLigne.Value(), 1);

    // A display entry hides the fields, which keep their texts.
    r.List_Syk.setListIndex(1);
    EXPECT_FALSE(r.Text_Syk.Visible());
    EXPECT_FALSE(r.Check_NLigne.Visible());
    EXPECT_EQ(r.Command_MAJ.Caption(), "Edit");
    EXPECT_EQ(r.Text_Syk.Text(), "la");

    r.List_Syk.setListIndex(2);
    EXPECT_TRUE(r.Text_Syk.Visible());
    EXPECT_TRUE(r.Command_Ins.Visible());
    EXPECT_EQ(r.Command_MAJ.Caption(), "Apply");
    EXPECT_EQ(r.Text_Syk.Text(), "di");
    EXPECT_EQ(r.Check_NLigne.Value(), 0);

    // While a song plays, an entry still to capture shows the space-bar hint.
    IsPlaying = true;
    r.List_Syk.setListIndex(-1);
    r.List_Syk.AddItem("x;0");
    r.List_Syk.setListIndex(3);
    EXPECT_TRUE(r.Label_Space.Visible());
    r.List_Syk.setListIndex(0);
    EXPECT_FALSE(r.Label_Space.Visible());
    IsPlaying = false;
}

TEST_F(RecordListTest, ApplyNormalisesAndChecksTheFields)
{
    Record& r = editorWith({"a;1", "b;2_"}, 0);
    r.Text_time.setText("1.5");
    r.Text_Syk.setText("a;b");
    r.Command_MAJ.press();
    EXPECT_EQ(entries(), (Entries{"a,b;1,5", "b;2_"}));
    EXPECT_EQ(r.Text_time.Text(), "1,5");
    EXPECT_EQ(r.Text_Syk.Text(), "a,b");
    EXPECT_TRUE(Record::RecModified);

    // A time that is not a number is refused with the entry's text.
    Record::RecModified = false;
    r.Text_time.setText("x1");
    prompter->answerMsgBox(vbOK);
    r.Command_MAJ.press();
    EXPECT_EQ(lastMessage(), "The entry ->  x1   <- is not a valid number !");
    EXPECT_EQ(entries(), (Entries{"a,b;1,5", "b;2_"}));
    EXPECT_FALSE(Record::RecModified);

    // The last entry must keep its line end.
    r.List_Syk.setListIndex(1);
    r.Check_NLigne.setValue(0);
    prompter->answerMsgBox(vbOK);
    r.Command_MAJ.press();
    EXPECT_EQ(lastMessage(), "The last entry must end with an Enter");
    EXPECT_EQ(entries(), (Entries{"a,b;1,5", "b;2_"}));
    r.Check_NLigne.setValue(1);
    r.Text_time.setText("4");
    r.Command_MAJ.press();
    EXPECT_EQ(entries(), (Entries{"a,b;1,5", "b;4_"}));
    EXPECT_TRUE(prompter->unexpected().empty());
}

TEST_F(RecordListTest, ApplyKeepsTheSelectionOnAnEntryThatRepeatsAnEarlierOne)
{
    Record& r = editorWith({"la;0", "di;0", "la;0_"}, 1);
    r.Text_Syk.setText("la");
    r.Command_MAJ.press();
    EXPECT_EQ(entries(), (Entries{"la;0", "la;0", "la;0_"}));
    EXPECT_EQ(r.List_Syk.ListIndex(), 1);
}

TEST_F(RecordListTest, ApplyOnADisplayEntryOpensTheColourLine)
{
    Record& r = editorWith({"//;255;65280;16711680;0;8421504", "a;1_"}, 0);
    r.Command_MAJ.press();
    EXPECT_TRUE(isLoaded<Record_ColorSet>());
    EXPECT_EQ(record_ColorSet().Label_FontColor.BackColor(), 255);
    EXPECT_FALSE(Record::RecModified);
    EXPECT_EQ(entries(), (Entries{"//;255;65280;16711680;0;8421504", "a;1_"}));
}

TEST_F(RecordListTest, InsertGoesBeforeTheSelection)
{
    Record& r = editorWith({"a;1", "b;2", "c;3", "d;4_"}, 3);
    r.Text_Syk.setText("new");
    r.Text_time.setText("0");
    r.Check_NLigne.setValue(0);
    r.Command_Ins.press();
    EXPECT_EQ(entries(), (Entries{"a;1", "b;2", "c;3", "new;0", "d;4_"}));
    EXPECT_TRUE(Record::RecModified);

    // Nothing selected: at the top.
    r.List_Syk.setListIndex(-1);
    r.Text_Syk.setText("top");
    r.Text_time.setText("0");
    r.Check_NLigne.setValue(1);
    r.Command_Ins.press();
    EXPECT_EQ(r.List_Syk.List(0), "top;0_");

    // The same checks as Apply: ";" cannot split the file's line.
    r.Text_Syk.setText("x;y");
    r.Text_time.setText("2.5");
    r.Command_Ins.press();
    EXPECT_EQ(r.List_Syk.List(0), "x,y;2,5_");
    r.Text_time.setText("soon");
    const int before = r.List_Syk.ListCount();
    prompter->answerMsgBox(vbOK);
    r.Command_Ins.press();
    EXPECT_EQ(r.List_Syk.ListCount(), before);
}

TEST_F(RecordListTest, InsertAfterADisplayEntryCopiesTheNextEntry)
{
    Record& r = editorWith({"a;1_", "//x;1;2;3;4;5", "b;2", "c;3_"}, 1);
    r.Command_Ins.press();
    EXPECT_EQ(entries(), (Entries{"a;1_", "//x;1;2;3;4;5", "b;2", "b;2", "c;3_"}));

    // A display entry last: the selection stays and nothing breaks.
    Record& r2 = editorWith({"a;1_", "//x;1;2;3;4;5"}, 1);
    r2.Text_Syk.setText("z");
    r2.Text_time.setText("0");
    r2.Command_Ins.press();
    EXPECT_EQ(entries(), (Entries{"a;1_", "z;0_", "//x;1;2;3;4;5"}));
}

TEST_F(RecordListTest, DeleteKeepsTheLastLineClosed)
{
    Record& r = editorWith({"a;1", "b;2", "c;3_"}, 2);
    r.Command_Supp.press();
    EXPECT_EQ(entries(), (Entries{"a;1", "b;2_"}));
    EXPECT_EQ(r.List_Syk.ListIndex(), 1);
    EXPECT_FALSE(Record::RecBusy);

    // In the middle: the line runs into the next one.
    editorWith({"a;1", "b;2_", "c;3_"}, 1);
    r.Command_Supp.press();
    EXPECT_EQ(entries(), (Entries{"a;1", "c;3_"}));
    EXPECT_EQ(r.List_Syk.ListIndex(), 1);

    // Nothing selected: nothing removed, the list marked changed.
    editorWith({"a;1_"}, -1);
    r.Command_Supp.press();
    EXPECT_EQ(entries(), (Entries{"a;1_"}));
    EXPECT_TRUE(Record::RecModified);
    EXPECT_FALSE(Record::RecBusy);

    // A display line left last is not given a line-end mark.
    editorWith({"a;1_", "//x;1;2;3;4;5", "b;2_"}, 2);
    r.Command_Supp.press();
    EXPECT_EQ(entries(), (Entries{"a;1_", "//x;1;2;3;4;5"}));

    // The list emptied.
    editorWith({"a;1_"}, 0);
    r.Command_Supp.press();
    EXPECT_TRUE(entries().empty());
    EXPECT_FALSE(Record::RecBusy);
}

TEST_F(RecordListTest, CommandsRefuseWhilePlayingBusyOrLocked)
{
    Record& r = editorWith({"a;1", "b;2_"}, 0);
    for (int state = 0; state < 3; ++state) {
        IsPlaying = state == 0;
        Record::RecBusy = state == 1;
        RecordLock = state == 2 ? 1 : 0;
        r.Command_Supp.press();
        r.Command_ClsTime.press();
        r.Command_ClsSyk.press();
        r.Text_time.setText("9");
        r.Command_MAJ.press();
        r.Command_Ins.press();
        EXPECT_EQ(entries(), (Entries{"a;1", "b;2_"})) << state;
    }
    IsPlaying = false;
    Record::RecBusy = false;
    RecordLock = 0;
    EXPECT_FALSE(Record::RecModified);
}

TEST_F(RecordListTest, ClearingTheListAndItsTimes)
{
    Record& r = editorWith({"a;1", "b;2_", "//pic.jpg;1;2;3;4;5"}, 2);
    r.Command_ClsTime.press();
    EXPECT_EQ(entries(), (Entries{"a;0", "b;0_", "//pic.jpg;1;2;3;4;5"}));
    EXPECT_EQ(r.List_Syk.ListIndex(), 0);
    EXPECT_TRUE(Record::RecModified);
    EXPECT_FALSE(Record::RecBusy);

    // Ctrl mode: from the selected entry on; the selection still ends on 0.
    editorWith({"a;1", "b;2", "c;3_"}, 1);
    Record::RecCtrlMode = true;
    r.Label_Ctrl.setVisible(true);
    r.Command_ClsTime.press();
    EXPECT_EQ(entries(), (Entries{"a;1", "b;0", "c;0_"}));
    EXPECT_EQ(r.List_Syk.ListIndex(), 0);
    EXPECT_FALSE(Record::RecCtrlMode);
    EXPECT_FALSE(r.Label_Ctrl.Visible());

    // An empty list: nothing changes, not even the mark.
    editorWith({}, -1);
    r.Command_ClsTime.press();
    EXPECT_FALSE(Record::RecModified);

    // An entry without ";" stops the walk there.
    editorWith({"a;1", "bad", "c;3_"}, 0);
    r.Command_ClsTime.press();
    EXPECT_EQ(entries(), (Entries{"a;0", "bad", "c;3_"}));
    EXPECT_FALSE(Record::RecBusy);

    editorWith({"a;1", "b;2_"}, 0);
    r.Text_TestSyk.setText("a");
    r.Command_ClsSyk.press();
    EXPECT_TRUE(entries().empty());
    EXPECT_EQ(r.Text_Syk.Text(), "");
    EXPECT_EQ(r.Text_time.Text(), "");
    EXPECT_EQ(r.Text_TestSyk.Text(), "");
    EXPECT_FALSE(Record::RecModified);
}

TEST_F(RecordListTest, CtrlModeComesWithCtrlAloneAndGoesWithAnyKeyUp)
{
    Record& r = open();
    int k = 17;
    r.CtrlMode_KeyDown(k, 2);
    EXPECT_TRUE(Record::RecCtrlMode);
    EXPECT_TRUE(r.Label_Ctrl.Visible());
    k = 65;
    r.CtrlMode_KeyUp(k, 0);
    EXPECT_FALSE(Record::RecCtrlMode);
    EXPECT_FALSE(r.Label_Ctrl.Visible());
    k = 17;
    r.CtrlMode_KeyDown(k, 3);  // Ctrl with Shift does not count
    EXPECT_FALSE(Record::RecCtrlMode);
}

TEST_F(RecordListTest, KeysOfTheList)
{
    Record& r = editorWith({"la;12,5_", "di;3_"}, 0);
    bool swallowed = false;
    key(r, '.', &swallowed);
    EXPECT_TRUE(swallowed);
    EXPECT_EQ(entries(), (Entries{"la;0_", "di;3_"}));
    EXPECT_EQ(r.List_Syk.ListIndex(), 1);
    EXPECT_EQ(r.Text_Syk.Text(), "di");
    EXPECT_TRUE(Record::RecModified);
    // On the last entry the selection moves to nothing.
    key(r, '.');
    EXPECT_EQ(entries(), (Entries{"la;0_", "di;0_"}));
    EXPECT_EQ(r.List_Syk.ListIndex(), -1);

    // "." on an entry that repeats an earlier one moves to the next entry.
    editorWith({"la;0", "la;1", "x;2_"}, 1);
    key(r, '.');
    EXPECT_EQ(entries(), (Entries{"la;0", "la;0", "x;2_"}));
    EXPECT_EQ(r.List_Syk.ListIndex(), 2);

    // A ";" typed into the syllable field reaches no entry by "." either
    // (it would cut the saved line into the wrong pairs).
    editorWith({"la;1", "x;2_"}, 0);
    r.Text_Syk.setText("l;a");
    key(r, '.');
    EXPECT_EQ(entries(), (Entries{"l,a;0", "x;2_"}));

    // Other keys are swallowed; space does nothing while nothing plays.
    editorWith({"a;1_"}, 0);
    key(r, ' ', &swallowed);
    EXPECT_TRUE(swallowed);
    key(r, 'q', &swallowed);
    EXPECT_TRUE(swallowed);
    EXPECT_EQ(entries(), (Entries{"a;1_"}));
    EXPECT_FALSE(Record::RecModified);

    // A display entry passes the selection on to the next entry.
    editorWith({"//x;1;2;3;4;5", "a;1_"}, 0);
    key(r, 'q', &swallowed);
    EXPECT_FALSE(swallowed);
    EXPECT_EQ(r.List_Syk.ListIndex(), 1);
}

TEST_F(RecordListTest, CtrlBackspaceSweepsEmptySyllables)
{
    Record& r = editorWith({";0", "a;1", ";2_", ";3"}, 2);
    Record::RecCtrlMode = true;
    bool swallowed = false;
    key(r, 'q', &swallowed);
    EXPECT_FALSE(swallowed);  // the list's own letter search
    EXPECT_EQ(entries().size(), 4u);
    key(r, 127, &swallowed);
    EXPECT_EQ(entries(), (Entries{"a;1", ";3"}));
    EXPECT_EQ(r.List_Syk.ListIndex(), 0);
    EXPECT_TRUE(swallowed);
    EXPECT_TRUE(Record::RecModified);
    Record::RecCtrlMode = false;
}

} // namespace
