// Capturing syllable times while the song plays, and shifting times
// afterwards: the clock written, the selection moving on, the sung part, and
// the arithmetic of decimal-comma times.
#include "editorplay_fixture.h"

#include <QFontMetrics>
#include <QWidget>

#include "editor/recordsave.h"
#include "editor/syncwriter.h"
#include "karaoke/lyricviews.h"
#include "karaoke/ink.h"
#include "platform/files/runtime.h"
#include "platform/music/smf_writer.h"

using namespace editortest;
using testsupport::silentWav;
using V = std::vector<std::string>;

namespace {

class CaptureTest : public EditorPlayTest {
protected:
    // The editor on a 60 s audio song, playing, with these entries, the first selected.
    Record& playing(const V& entries)
    {
        Record& r = openEditor("song.wav", silentWav(60.0));
        setList(entries, 0);
        r.Command_Play.press();
        return r;
    }
    // The space bar on the list, as the user captures.
    static void space()
    {
        int key = 32;
        record().List_Syk_KeyPress(key);
    }
};

} // namespace

TEST_F(CaptureTest, SpaceWritesTheClockIntoTheSelectedEntryAndMovesOn)
{
    Record& r = playing({"la;0", "di;0_", "da;0", "do;0_"});
    skip(12500);
    space();
    EXPECT_EQ(items()[0], "la;12,5");
    EXPECT_EQ(r.List_Syk.ListIndex(), 1);
    EXPECT_EQ(r.Text_Syk.Text(), "di");
    EXPECT_EQ(r.Check_NLigne.Value(), 1);
    EXPECT_TRUE(Record::RecModified);

    skip(750);
    r.Command_Capture.press();
    EXPECT_EQ(items()[1], "di;13,25_");
    EXPECT_EQ(r.Text_TestSyk.Text(), "ladi");
    EXPECT_TRUE(Record::RecLineEnded);
    EXPECT_EQ(Record::RecNewLine, 1);
    const long active = Kar::colourOf(modIni::ActifRed, modIni::ActifGreen, modIni::ActifBlue);
    EXPECT_GT(inktest::inkIn(karaoke(), active, 0, 1e9).count, 0);

    // The next line: the preview moves on and the sung part starts afresh.
    skip(1000);
    space();
    EXPECT_EQ(items()[2], "da;14,25");
    EXPECT_EQ(r.Text_TestSyk.Text(), "da");
    EXPECT_EQ(Record::RecNewLine, 0);
    EXPECT_EQ(Record::RecCurLine, 2);
    EXPECT_EQ(Kar::KarPageLines[2], "dado");

    // Equal texts are separate syllables: the selection goes to the next item.
    setList({"la;0", "la;0", "la;0_"}, 0);
    space();
    EXPECT_EQ(items()[0], "la;14,25");
    EXPECT_EQ(r.List_Syk.ListIndex(), 1);
}

TEST_F(CaptureTest, CapturedTimesAndDisplayEntriesAreLeftAlone)
{
    Record& r = playing({"la;5", "//;1;2;3;4;5", "b;0_"});
    skip(8000);
    space();
    EXPECT_EQ(items()[0], "la;5");
    EXPECT_EQ(r.List_Syk.ListIndex(), 0);
    r.List_Syk.setListIndex(1);
    r.Command_Capture.press();
    EXPECT_EQ(items()[1], "//;1;2;3;4;5");
    EXPECT_EQ(r.List_Syk.ListIndex(), 1);
}

TEST_F(CaptureTest, LastCaptureEndsTheRunButNotThePlay)
{
    Record& r = playing({"a;0", "b;0_"});
    skip(1000);
    space();
    skip(1000);
    prompter->answerMsgBox(vbOK);
    space();
    EXPECT_EQ(items(), (V{"a;1", "b;2_"}));
    EXPECT_EQ(r.List_Syk.ListIndex(), -1);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, "End");
    EXPECT_FALSE(r.Timer1.Enabled());
    EXPECT_TRUE(modIni::IsPlaying);
    EXPECT_TRUE(r.Timer2.Enabled());
}

TEST_F(CaptureTest, AfterTheLastCaptureTheSongEndStillStopsAndSaveWorks)
{
    Record& r = openEditor("song.wav", silentWav(3.0));
    setList({"a;0", "b;0_"}, 0);
    r.Command_Play.press();
    playFor(500);
    space();
    playFor(500);
    prompter->answerMsgBox(vbOK);
    space();
    ASSERT_FALSE(r.Timer1.Enabled());
    // Saving while the song plays says why nothing happens.
    r.Command_SaveSyk.press();
    ASSERT_EQ(messages().size(), 2u);
    EXPECT_EQ(messages()[1].text, "You must stop before running this function");
    EXPECT_FALSE(Record_SaveLoaded());

    // The song plays to its end: the editor knows it, and Save opens.
    playFor(2500);
    EXPECT_FALSE(modIni::IsPlaying);
    EXPECT_FALSE(r.Timer2.Enabled());
    r.Command_SaveSyk.press();
    EXPECT_TRUE(Record_SaveLoaded());
}

TEST_F(CaptureTest, LastLineOfOneSyllableIsSungOnItsOwnLine)
{
    Record& r = playing({"a;0", "b;0_", "c;0_"});
    Karaoke& k = karaoke();
    const long active = Kar::colourOf(modIni::ActifRed, modIni::ActifGreen, modIni::ActifBlue);
    const double top = k.VScroll_Kar.Value() * 100.0;
    const double h = k.TextHeight("a");
    skip(1000);
    space();
    skip(500);
    space();
    ASSERT_GT(inktest::inkIn(k, active, top, top + h).count, 0);
    skip(500);
    prompter->answerMsgBox(vbOK);
    space();
    EXPECT_EQ(items()[2], "c;2_");
    // The preview moved on: "c" is the line being sung, drawn on its own row,
    // and the line above went back to the page colour.
    EXPECT_EQ(Record::RecCurLine, 2);
    EXPECT_EQ(Kar::KarPageLines[2], "c");
    EXPECT_EQ(r.Text_TestSyk.Text(), "c");
    EXPECT_EQ(inktest::inkIn(k, active, top, top + h).count, 0);
    EXPECT_GT(inktest::inkIn(k, active, top + h, top + 2 * h).count, 0);
}

TEST_F(CaptureTest, MidiCaptureWritesMusicTimeOverAThousand)
{
    using testmidi::Track;
    Track conductor;
    conductor.tempo(0, 500000).end();
    Track music;
    for (int s = 0; s < 20; ++s)
        music.on(s == 0 ? 0 : 480, 0, 60).off(480, 0, 60);
    music.end(480);
    Record& r = openEditor("song.mid", testmidi::file(1, 480, {conductor, music}));
    setList({"la;0", "di;0_"}, 0);
    r.Command_Play.press();
    ASSERT_TRUE(modIni::IsPlaying);
    skip(4000);
    const std::int32_t pos = Kar::MidiPosition();
    ASSERT_GT(pos, 6000);
    space();
    const std::string expected = "la;" + vb::Replace(vb::CStr(pos / 1000.0), ".", ",");
    EXPECT_EQ(items()[0], expected);
    EXPECT_NE(expected.find(','), std::string::npos);
}

TEST_F(CaptureTest, ShiftAddsTheStepToEveryTime)
{
    Record& r = openEditor("song.wav", silentWav(10.0));
    setList({"a;1", "b;2_", "//pic.jpg;1;2;3;4;5", "c;0"}, 2);
    r.Text_Temp.setText("0.1");
    r.Command_Plus.press();
    EXPECT_EQ(items(), (V{"a;1,1", "b;2,1_", "//pic.jpg;1;2;3;4;5", "c;0,1"}));
    EXPECT_EQ(r.Text_Temp.Text(), "0,1");
    EXPECT_EQ(r.List_Syk.ListIndex(), 0);
    EXPECT_TRUE(Record::RecModified);
    EXPECT_FALSE(Record::RecBusy);

    setList({"a;0,2"}, 0);
    r.Text_Temp.setText("0,5");
    r.Command_Moin.press();
    EXPECT_EQ(items(), (V{"a;-0,3"}));

    // 0,3 - 0,1 - 0,2 is exactly 0 again (not a captured time).
    setList({"a;0,3", "b;1,5_"}, 0);
    r.Text_Temp.setText("0,1");
    r.Command_Moin.press();
    r.Text_Temp.setText("0,2");
    r.Command_Moin.press();
    EXPECT_EQ(items(), (V{"a;0", "b;1,2_"}));

    // Times are written to the millisecond, whatever the step.
    setList({"a;1,5", "b;2,0015_"}, 0);
    r.Text_Temp.setText("0,0004");
    r.Command_Plus.press();
    EXPECT_EQ(items(), (V{"a;1,5", "b;2,002_"}));
}

TEST_F(CaptureTest, CtrlModeShiftsFromTheSelectionOn)
{
    Record& r = openEditor("song.wav", silentWav(10.0));
    setList({"a;1", "b;2", "c;3", "d;4_"}, 2);
    Record::RecCtrlMode = true;
    r.Label_Ctrl.setVisible(true);
    r.Text_Temp.setText("1");
    r.Command_Plus.press();
    EXPECT_EQ(items(), (V{"a;1", "b;2", "c;4", "d;5_"}));
    EXPECT_EQ(r.List_Syk.ListIndex(), 2);
    EXPECT_FALSE(Record::RecCtrlMode);
    EXPECT_FALSE(r.Label_Ctrl.Visible());
}

TEST_F(CaptureTest, ShiftStopsAtAnEntryItCannotRead)
{
    Record& r = openEditor("song.wav", silentWav(10.0));
    setList({"a;1", "b;x", "c;3_"}, 0);
    r.Text_Temp.setText("1");
    r.Command_Plus.press();
    EXPECT_EQ(items(), (V{"a;2", "b;x", "c;3_"}));
    EXPECT_EQ(r.List_Syk.ListIndex(), 1);
    EXPECT_FALSE(Record::RecBusy);

    // A step that is not a number shifts nothing.
    setList({"a;1", "c;3_"}, 0);
    r.Text_Temp.setText("abc");
    r.Command_Plus.press();
    EXPECT_EQ(items(), (V{"a;1", "c;3_"}));
    EXPECT_TRUE(messages().empty());

    // Nothing while the song plays.
    r.Text_Temp.setText("1");
    r.Command_Play.press();
    r.Command_Plus.press();
    EXPECT_EQ(items(), (V{"a;1", "c;3_"}));
}

TEST_F(CaptureTest, FieldShiftChangesOnlyTheTimeField)
{
    Record& r = openEditor("song.wav", silentWav(10.0));
    setList({"la;1,5", "b;2_"}, 0);
    r.Text_Temp.setText("0.1");
    r.Command_PlusL.press();
    EXPECT_EQ(r.Text_time.Text(), "1,6");
    EXPECT_EQ(r.Text_Temp.Text(), "0,1");
    EXPECT_EQ(items()[0], "la;1,5");
    r.Command_MoinL.press();
    r.Command_MoinL.press();
    EXPECT_EQ(r.Text_time.Text(), "1,4");
    r.Text_Temp.setText("0,0004");
    r.Command_PlusL.press();
    EXPECT_EQ(r.Text_time.Text(), "1,4");
    r.Text_Temp.setText("0.1");

    // A time field that is not a number: told, nothing changed.
    r.Text_time.setText("1,x");
    prompter->answerMsgBox(vbOK);
    r.Command_PlusL.press();
    EXPECT_EQ(r.Text_time.Text(), "1,x");
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, "The entry ->  1,x   <- is not a valid number !");

    // On the last entry without its line end the user is reminded of it.
    r.List_Syk.setListIndex(1);
    r.Check_NLigne.setValue(0);
    prompter->answerMsgBox(vbOK);
    r.Command_PlusL.press();
    EXPECT_EQ(r.Text_time.Text(), "2,1");
    EXPECT_EQ(messages().back().text, "The last entry must end with an Enter");
}

TEST_F(CaptureTest, TimesReadToTheMillisecondAndWholeInTheirBoxes)
{
    // A sound clock at a position that is no whole number of milliseconds
    // (frames over the sample rate): 1.00458049886621 s.
    Record& r = playing({"la;0", "di;0_"});
    skip(1004.58);
    tick();
    const std::string counter = r.Time_Left.Text();
    EXPECT_EQ(counter, "1.005");
    // The whole text fits the box, so its start is not scrolled away.
    QWidget* box = r.Time_Left.widget();
    EXPECT_LE(QFontMetrics(box->font()).horizontalAdvance(QString::fromStdString(counter)), box->width() - 8);

    space();
    EXPECT_EQ(items()[0], "la;1,005");
    // The field shows the same time.
    r.List_Syk.setListIndex(0);
    EXPECT_EQ(r.Text_time.Text(), "1,005");
    // A capture at the song's very start is still a capture.
    r.Command_Stop.press();
    setList({"la;0_"}, 0);
    r.Command_Play.press();
    prompter->answerMsgBox(vbOK);  // "End"
    space();
    EXPECT_EQ(items()[0], "la;0,001_");
    r.Command_Stop.press();

    // Saved and read back: the same times. A file with finer times (another
    // program's) shows them to the millisecond, and is saved that way.
    const std::string path = dir.write("fine.syk", "a;1,00455782312925;b;0,0002;c;0;\r\n");
    Record::RecSykPath = path;
    r.LoadSykFile();
    EXPECT_EQ(items(), (V{"a;1,005", "b;0,001", "c;0_"}));
    ASSERT_TRUE(SykFile::WriteSykFile(path, items()));
    r.LoadSykFile();
    EXPECT_EQ(items(), (V{"a;1,005", "b;0,001", "c;0_"}));
}
