// Bars, lists, combo boxes and text boxes: the values they refuse, the
// events they raise, the text they hand back.
#include "platform/forms/app.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPaintEvent>
#include <QPixmap>
#include <QScreen>
#include <QStyle>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

class ValuesForm : public Form {
public:
    HScrollBar HScroll_Kar{this};
    ProgressBar ProgressBar_Syncro{this};
    ListBox List_Syk{this};
    ComboBox Combo_MidiOut{this};
    TextBox Text_TXT{this};
    int changes = 0, scrolls = 0, listClicks = 0, comboClicks = 0, textChanges = 0;
    ValuesForm()
    {
        HScroll_Kar.onChange([this] { ++changes; });
        HScroll_Kar.onScroll([this] { ++scrolls; });
        List_Syk.onClick([this] { ++listClicks; });
        Combo_MidiOut.onClick([this] { ++comboClicks; });
        Text_TXT.onChange([this] { ++textChanges; });
        List_Syk.Move(0, 600, 3000, 1500);
    }
};

TEST(Bars, ScrollBarRefusesValuesOutsideItsRange)
{
    ValuesForm f;
    f.HScroll_Kar.setMin(0);
    f.HScroll_Kar.setMax(100);
    f.HScroll_Kar.setSmallChange(1);
    f.HScroll_Kar.setLargeChange(3);
    EXPECT_TRUE(f.HScroll_Kar.setValue(3));
    EXPECT_EQ(f.changes, 1);
    EXPECT_FALSE(f.HScroll_Kar.setValue(101));
    EXPECT_FALSE(f.HScroll_Kar.setValue(-1));
    EXPECT_EQ(f.HScroll_Kar.Value(), 3);
    EXPECT_TRUE(f.HScroll_Kar.setValue(3));   // same value: no Change
    EXPECT_EQ(f.changes, 1);

    // Arrows of the widget move by SmallChange and raise Change, not Scroll.
    auto* sb = static_cast<QScrollBar*>(f.HScroll_Kar.widget());
    sb->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    sb->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(f.HScroll_Kar.Value(), 7);
    EXPECT_EQ(f.changes, 3);
    EXPECT_EQ(f.scrolls, 0);

    // Lowering Max below the value brings the value into range (and says so).
    f.HScroll_Kar.setMax(5);
    EXPECT_EQ(f.HScroll_Kar.Value(), 5);
    EXPECT_EQ(f.changes, 4);
}

TEST(Bars, ScrollBarWithMinAboveMaxRunsBackwards)
{
    ValuesForm f;
    f.HScroll_Kar.setMin(10);
    f.HScroll_Kar.setMax(0);
    EXPECT_TRUE(f.HScroll_Kar.setValue(7));
    EXPECT_FALSE(f.HScroll_Kar.setValue(11));
    EXPECT_EQ(f.HScroll_Kar.Value(), 7);
}

TEST(Bars, ProgressBarRefusesValuesOutsideItsRange)
{
    ValuesForm f;
    f.ProgressBar_Syncro.setMax(30);
    EXPECT_TRUE(f.ProgressBar_Syncro.setValue(12.5));
    EXPECT_FALSE(f.ProgressBar_Syncro.setValue(31));
    EXPECT_FALSE(f.ProgressBar_Syncro.setValue(-0.5));
    EXPECT_DOUBLE_EQ(f.ProgressBar_Syncro.Value(), 12.5);
    // A Max at or below Min is refused too; a lower Max pulls the value down.
    f.ProgressBar_Syncro.setMax(0);
    EXPECT_DOUBLE_EQ(f.ProgressBar_Syncro.Max(), 30);
    f.ProgressBar_Syncro.setMax(10);
    EXPECT_DOUBLE_EQ(f.ProgressBar_Syncro.Value(), 10);
}

// Counts the paints of a widget and the widest stretch painted.
struct PaintCount : QObject {
    int paints = 0, widest = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) {
            ++paints;
            widest = std::max(widest, static_cast<QPaintEvent*>(e)->rect().width());
        }
        return false;
    }
};

TEST(Bars, ProgressBarPaintsWhatMovedAtTheNextTurnAndLooksPaintedWhole)
{
    ValuesForm f;
    ProgressBar& bar = f.ProgressBar_Syncro;
    bar.Move(150, 150, 300 * 15, 20 * 15);
    bar.setMax(1000);
    f.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.window()));
    QWidget* w = bar.widget();
    PaintCount count;
    w->installEventFilter(&count);
    for (int v = 0; v <= 1000; v += 37) {
        const int before = count.paints;
        bar.setValue(v);
        EXPECT_EQ(count.paints, before) << "painted at once at " << v;
        QCoreApplication::processEvents();
    }
    EXPECT_GT(count.paints, 20);
    if (w->style()->name() == QLatin1String("fusion")) {
        EXPECT_LT(count.widest, w->width() / 2) << "painted whole for a pixel's move";
    }
    // What the window shows is what a whole paint of the bar shows.
    const QPoint at = w->mapTo(f.window(), QPoint(0, 0));
    const auto screen = [&] {
        return f.window()->screen()->grabWindow(f.window()->winId()).toImage().copy(QRect(at, w->size()));
    };
    const QImage shown = screen();
    w->repaint();
    const QImage whole = screen();
    ASSERT_FALSE(whole.isNull());
    EXPECT_EQ(shown, whole);
}

TEST(Lists, ListBoxItemsIndexAndClick)
{
    ValuesForm f;
    ListBox& l = f.List_Syk;
    l.AddItem("b");
    l.AddItem("d");
    l.AddItem("a", 0);
    l.AddItem("c", 2);
    l.AddItem("never", 9);   // past the end: refused
    ASSERT_EQ(l.ListCount(), 4);
    EXPECT_EQ(l.List(0), "a");
    EXPECT_EQ(l.List(2), "c");
    EXPECT_EQ(l.List(4), "");
    EXPECT_EQ(l.List(-1), "");
    EXPECT_EQ(l.ListIndex(), -1);
    EXPECT_EQ(f.listClicks, 0);   // adding selects nothing and clicks nothing

    l.setListIndex(2);
    EXPECT_EQ(l.Text(), "c");
    EXPECT_EQ(f.listClicks, 1);
    l.setListIndex(2);
    EXPECT_EQ(f.listClicks, 1);
    l.setListIndex(7);              // refused
    EXPECT_EQ(l.ListIndex(), 2);
    l.setText("d");
    EXPECT_EQ(l.ListIndex(), 3);
    EXPECT_EQ(f.listClicks, 2);

    l.setList(3, "D");
    EXPECT_EQ(l.Text(), "D");
    l.RemoveItem(3);                // the selected one: none left selected
    EXPECT_EQ(l.ListIndex(), -1);
    EXPECT_EQ(l.ListCount(), 3);
    l.RemoveItem(3);                // out of range: ignored
    EXPECT_EQ(l.ListCount(), 3);
    l.Clear();
    EXPECT_EQ(l.ListCount(), 0);
    EXPECT_EQ(l.Text(), "");
}

TEST(Lists, SendKeysMovesTheFocusedListAndRaisesClick)
{
    ValuesForm f;
    for (const char* s : {"one", "two", "three"}) f.List_Syk.AddItem(s);
    f.Show();
    f.List_Syk.SetFocus();
    f.List_Syk.setListIndex(0);
    int before = f.listClicks;
    SendKeys("{DOWN}");
    EXPECT_EQ(f.List_Syk.ListIndex(), 1);
    SendKeys("{END}");
    EXPECT_EQ(f.List_Syk.ListIndex(), 2);
    SendKeys("{HOME}");
    EXPECT_EQ(f.List_Syk.ListIndex(), 0);
    EXPECT_EQ(f.listClicks, before + 3);
}

TEST(Lists, ComboBoxSelectionAndText)
{
    ValuesForm f;
    ComboBox& c = f.Combo_MidiOut;
    c.setStyle(2);
    for (const char* s : {"Auto", "1 ", "2 "}) c.AddItem(s);
    EXPECT_EQ(c.ListIndex(), -1);   // adding to an empty list selects nothing
    EXPECT_EQ(f.comboClicks, 0);
    c.setListIndex(1);
    EXPECT_EQ(c.Text(), "1 ");
    EXPECT_EQ(f.comboClicks, 1);
    c.setText("2 ");                // selects the item, but text set from code runs no Click
    EXPECT_EQ(c.ListIndex(), 2);
    EXPECT_EQ(f.comboClicks, 1);
    c.setText("missing");           // a drop-down list keeps its choice
    EXPECT_EQ(c.ListIndex(), 2);

    ComboBox& e = f.Combo_MidiOut;
    e.setStyle(0);
    e.setText("free text");
    EXPECT_EQ(e.Text(), "free text");
}

// What the user does in an editable combo: typed text stays as typed (no
// completion into an entry, which would run Click); choosing an entry in the
// list is a Click, also when it is the entry already selected.
TEST(Lists, ComboBoxTypingCompletesNothingAndEveryChoiceClicks)
{
    ValuesForm f;
    ComboBox& c = f.Combo_MidiOut;
    for (const char* s : {"8", "10", "12"}) c.AddItem(s);
    c.setListIndex(0);
    ASSERT_EQ(f.comboClicks, 1);
    auto* combo = qobject_cast<QComboBox*>(c.widget());
    ASSERT_NE(combo, nullptr);
    ASSERT_NE(combo->lineEdit(), nullptr);

    // Typed as a user does: into the box that has the keyboard.
    f.Show();
    combo->window()->activateWindow();
    combo->lineEdit()->setFocus();
    QApplication::processEvents();
    combo->lineEdit()->clear();
    QTest::keyClicks(combo->lineEdit(), "1");
    EXPECT_EQ(c.Text(), "1");
    EXPECT_EQ(c.ListIndex(), 0);
    EXPECT_EQ(f.comboClicks, 1);
    // Typed up to an entry's text and confirmed: still only text.
    QTest::keyClicks(combo->lineEdit(), "2");
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(c.Text(), "12");
    EXPECT_EQ(c.ListIndex(), 0);
    EXPECT_EQ(f.comboClicks, 1);
    QApplication::processEvents();

    // The entry already selected, chosen again.
    emit combo->activated(0);
    EXPECT_EQ(f.comboClicks, 2);
    // Another entry: one Click, not two.
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(c.ListIndex(), 1);
    EXPECT_EQ(f.comboClicks, 3);
    emit combo->activated(1);
    EXPECT_EQ(f.comboClicks, 4);
    // A choice made by the program is one Click, and no later choice is lost.
    c.setListIndex(2);
    EXPECT_EQ(f.comboClicks, 5);
    emit combo->activated(2);
    EXPECT_EQ(f.comboClicks, 6);
}

TEST(Text, MultiLineTextUsesCrLfAndSelectionCountsIt)
{
    ValuesForm f;
    TextBox& t = f.Text_TXT;
    t.setMultiLine(true);
    t.setScrollBars(2);
    t.setText("ab\r\ncd\nef");
    EXPECT_EQ(t.Text(), "ab\r\ncd\r\nef");
    int changesAfterSet = f.textChanges;
    EXPECT_GE(changesAfterSet, 1);

    // "cd" starts after "ab" and its CR LF.
    t.setSelStart(4);
    t.setSelLength(2);
    EXPECT_EQ(t.SelStart(), 4);
    EXPECT_EQ(t.SelText(), "cd");
    t.setSelText("XY");
    EXPECT_EQ(t.Text(), "ab\r\nXY\r\nef");
    EXPECT_GT(f.textChanges, changesAfterSet);

    // Selecting across a line end hands back CR LF.
    t.setSelStart(1);
    t.setSelLength(4);
    EXPECT_EQ(t.SelText(), "b\r\nX");
    EXPECT_EQ(t.SelLength(), 4);

    // Setting the same text again is no change.
    int n = f.textChanges;
    t.setText(t.Text());
    EXPECT_EQ(f.textChanges, n);
}

TEST(Text, SingleLineBoxLockedAndSelection)
{
    ValuesForm f;
    TextBox& t = f.Text_TXT;
    t.setText("hello world");
    t.setSelStart(6);
    t.setSelLength(50);   // clipped to the text
    EXPECT_EQ(t.SelText(), "world");
    t.setLocked(true);
    f.Show();
    QTest::keyClicks(t.widget(), "zz");
    EXPECT_EQ(t.Text(), "hello world");

    // File names hold any bytes: what a box is given comes back byte for byte
    // (a Latin-1 "é", stray and cut sequences, the UTF-8 form of a surrogate,
    // text beyond the first plane around them).
    for (const std::string& name : {std::string("/m/caf\xE9.mp3"), std::string("\xFF\x80\xC3"),
                                     std::string("a\xED\xB2\x80" "b"),
                                     std::string("\xF0\x9F\x8E\xA4\xE9\xF0\x9F\x8E\xA4")}) {
        t.setText(name);
        EXPECT_EQ(t.Text(), name);
    }
}

} // namespace
