// Default instances, loading, unloading (and its veto), geometry, timers.
#include "platform/forms/app.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QLabel>
#include <QLayout>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

struct Counters {
    int constructed = 0, destroyed = 0, loads = 0, queries = 0, unloads = 0, terminates = 0, resizes = 0;
    int cancelQuery = 0, cancelUnload = 0;
    int lastMode = -1;
};
Counters g;

class Editor : public Form {
public:
    CommandButton Command_Sortir{this};
    TextBox Text_Syk{this};
    Editor()
    {
        ++g.constructed;
        Command_Sortir.onClick([this] { Command_Sortir_Click(); });
    }
    ~Editor() override { ++g.destroyed; }
    void Form_Load() override
    {
        ++g.loads;
        setCaption("Editor");
    }
    void Form_QueryUnload(int& Cancel, int UnloadMode) override
    {
        ++g.queries;
        g.lastMode = UnloadMode;
        Cancel = g.cancelQuery;
    }
    void Form_Unload(int& Cancel) override
    {
        ++g.unloads;
        Cancel = g.cancelUnload;
    }
    void Form_Terminate() override { ++g.terminates; }
    void Form_Resize() override { ++g.resizes; }
    void Command_Sortir_Click()
    {
        Unload(*this);
        // The handler goes on after unloading its own window, as old code did.
        Text_Syk.setText("still here");
        DoEvents();
        Text_Syk.setText(Caption());
    }
};

Editor& editor() { return formInstance<Editor>(); }

class FormsTest : public ::testing::Test {
protected:
    void SetUp() override { g = Counters{}; }
    void TearDown() override
    {
        if (isLoaded<Editor>()) {
            g.cancelQuery = g.cancelUnload = 0;
            Unload(editor());
        }
        DestroyUnloadedForms();
    }
};

TEST_F(FormsTest, FirstUseCreatesAndLoadsOnceHidden)
{
    EXPECT_FALSE(isLoaded<Editor>());
    Editor& e = editor();
    EXPECT_TRUE(isLoaded<Editor>());
    EXPECT_EQ(&editor(), &e);
    EXPECT_EQ(g.constructed, 1);
    EXPECT_EQ(g.loads, 1);
    EXPECT_EQ(e.Caption(), "Editor");
    EXPECT_FALSE(e.Visible());
    auto forms = Forms();
    EXPECT_NE(std::find(forms.begin(), forms.end(), &e), forms.end());
    e.Show();
    EXPECT_TRUE(e.Visible());
    e.Hide();
    EXPECT_FALSE(e.Visible());
    EXPECT_TRUE(isLoaded<Editor>());
    EXPECT_EQ(g.loads, 1);
}

TEST_F(FormsTest, UnloadCanBeCancelledAndAFreshInstanceLoadsNext)
{
    editor().Show();
    g.cancelQuery = 1;
    EXPECT_FALSE(Unload(editor()));
    EXPECT_EQ(g.unloads, 0);
    g.cancelQuery = 0;
    g.cancelUnload = 1;
    EXPECT_FALSE(Unload(editor()));
    EXPECT_TRUE(isLoaded<Editor>());
    EXPECT_TRUE(editor().Visible());
    EXPECT_EQ(g.lastMode, vbFormCode);

    g.cancelUnload = 0;
    EXPECT_TRUE(Unload(editor()));
    EXPECT_FALSE(isLoaded<Editor>());
    EXPECT_EQ(g.destroyed, 0);   // destroyed later, from the event loop
    DoEvents();
    DestroyUnloadedForms();
    EXPECT_EQ(g.destroyed, 1);
    EXPECT_EQ(g.terminates, 1);

    Editor& fresh = editor();
    EXPECT_EQ(g.constructed, 2);
    EXPECT_EQ(g.loads, 2);
    EXPECT_FALSE(fresh.Visible());
    EXPECT_EQ(fresh.Text_Syk.Text(), "");
}

TEST_F(FormsTest, AWindowMayUnloadItselfFromItsOwnHandler)
{
    editor().Show();
    editor().Command_Sortir.setValue(true);
    EXPECT_FALSE(isLoaded<Editor>());
    EXPECT_EQ(g.destroyed, 0);
    // A user click does the same, the window dies once the event loop runs.
    Editor& second = editor();
    second.Show();
    QTest::mouseClick(second.Command_Sortir.widget(), Qt::LeftButton);
    EXPECT_FALSE(isLoaded<Editor>());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    DestroyUnloadedForms();
    EXPECT_EQ(g.destroyed, 2);
}

TEST_F(FormsTest, ClosingTheWindowAsksTheFormWithTheUserMode)
{
    editor().Show();
    g.cancelQuery = 1;
    editor().window()->close();
    EXPECT_EQ(g.lastMode, vbFormControlMenu);
    EXPECT_TRUE(isLoaded<Editor>());
    EXPECT_TRUE(editor().Visible());
    g.cancelQuery = 0;
    editor().window()->close();
    EXPECT_FALSE(isLoaded<Editor>());
}

TEST_F(FormsTest, OuterSizeCountsTheFrameAndResizeRuns)
{
    Editor& e = editor();
    int before = g.resizes;
    e.Move(1200, 900, 7000, 5000);
    EXPECT_EQ(e.Left(), 1200);
    EXPECT_EQ(e.Width(), 7000);
    EXPECT_EQ(e.Height(), 5000);
    EXPECT_EQ(e.ScaleWidth(), 7000 - e.frameWidthTwips());
    EXPECT_EQ(e.ScaleHeight(), 5000 - e.frameHeightTwips());
    EXPECT_EQ(g.resizes, before + 1);
    e.Move(1200, 900, 7000, 5000);   // same size: no Resize
    EXPECT_EQ(g.resizes, before + 1);
    e.Show();
    EXPECT_EQ(e.clientWidget()->width(), 459);   // 6880 twips, to the nearest pixel
    EXPECT_EQ(e.ScaleWidth(), 7000 - e.frameWidthTwips());
    // The window manager sizes the window, and the main window's layout may
    // leave the client area behind, or put back a size it had before: the
    // window's own size is the form's, and the client area follows it.
    e.window()->layout()->setEnabled(false);
    before = g.resizes;
    e.window()->resize(500, 400);
    EXPECT_EQ(e.ScaleWidth(), 500 * 15);
    EXPECT_EQ(e.ScaleHeight(), 400 * 15);
    EXPECT_EQ(e.clientWidget()->size(), QSize(500, 400));
    EXPECT_EQ(g.resizes, before + 1);
    e.clientWidget()->resize(459, 320);
    EXPECT_EQ(e.ScaleHeight(), 400 * 15);
    EXPECT_EQ(e.clientWidget()->size(), QSize(500, 400));
    EXPECT_EQ(g.resizes, before + 1);
    e.window()->layout()->setEnabled(true);
    // A borderless window is all client area.
    e.setBorderStyle(0);
    EXPECT_EQ(e.Width(), e.ScaleWidth());
}

TEST_F(FormsTest, AWindowNotFramedYetCountsTheFrameOfOneThatIs)
{
    Editor& e = editor();
    e.Move(600, 600, 6000, 4000);
    // No window framed yet: the fixed border sizes.
    EXPECT_EQ(e.HeightShown(), e.Height());
    Form shown;
    shown.Move(0, 0, 3000, 2000);
    shown.Show();
    const QMargins m = shown.window()->windowHandle()->frameMargins();
    ASSERT_NE((m.top() + m.bottom()) * 15, e.frameHeightTwips());
    // The window manager frames the program's windows alike.
    EXPECT_EQ(e.HeightShown(), e.ScaleHeight() + (m.top() + m.bottom()) * 15);
}

TEST_F(FormsTest, AWindowOffEveryScreenComesBackOntoTheScreen)
{
    const int screenW = Screen::Width();
    const int screenH = Screen::Height();
    Editor& e = editor();
    // A position from a hand-edited settings file, or from a larger monitor:
    // the window would open where the user can never reach it.
    e.Move(-999999999, 99999999, 3000, 2000);
    e.keepOnScreen();
    EXPECT_GE(e.Left(), 0);
    EXPECT_GE(e.Top(), 0);
    EXPECT_LE(e.Left() + e.Width(), screenW);
    EXPECT_LE(e.Top() + e.Height(), screenH);
    EXPECT_EQ(e.Width(), 3000);
    EXPECT_TRUE(QRect(0, 0, screenW / 15, screenH / 15).intersects(e.window()->geometry()));
    // Partly on the screen is where the user put it: left alone.
    e.Move(-1500, 600, 3000, 2000);
    e.keepOnScreen();
    EXPECT_EQ(e.Left(), -1500);
    EXPECT_EQ(e.Top(), 600);
}

TEST_F(FormsTest, ControlGeometryIsKeptInTwips)
{
    Editor& e = editor();
    e.Text_Syk.Move(1005, 120, 2000, 315);
    EXPECT_EQ(e.Text_Syk.Left(), 1005);
    EXPECT_EQ(e.Text_Syk.Width(), 2000);
    EXPECT_EQ(e.Text_Syk.widget()->x(), 67);
    EXPECT_EQ(e.Text_Syk.widget()->height(), 21);
    e.Text_Syk.Move(0, 0);   // width and height kept
    EXPECT_EQ(e.Text_Syk.Width(), 2000);
    e.Text_Syk.setVisible(false);
    EXPECT_FALSE(e.Text_Syk.Visible());
    e.Text_Syk.setVisible(true);
    EXPECT_TRUE(e.Text_Syk.Visible());   // even while its window is hidden
}

// ---------------------------------------------------------------- timers

class Clock : public Form {
public:
    Timer Timer1{this};
    int ticks = 0, depth = 0, maxDepth = 0;
    bool pump = false;
    Clock()
    {
        Timer1.onTimer([this] {
            ++ticks;
            ++depth;
            maxDepth = std::max(maxDepth, depth);
            if (pump) {
                QElapsedTimer t;
                t.start();
                while (t.elapsed() < 40) DoEvents();
            }
            --depth;
        });
    }
};

bool waitFor(const std::function<bool()>& cond, int maxMs = 3000)
{
    QElapsedTimer t;
    t.start();
    while (!cond() && t.elapsed() < maxMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qWait(1);
    }
    return cond();
}

TEST(Timers, StoppedUntilEnabledThenTicksWithTheEventLoop)
{
    Clock c;
    c.Timer1.setInterval(10);
    QTest::qWait(40);
    EXPECT_EQ(c.ticks, 0);
    c.Timer1.setEnabled(true);
    EXPECT_TRUE(waitFor([&] { return c.ticks >= 3; }));
    c.Timer1.setEnabled(false);
    int n = c.ticks;
    QTest::qWait(40);
    EXPECT_EQ(c.ticks, n);
    // Interval 0 keeps an enabled timer quiet.
    c.Timer1.setInterval(0);
    c.Timer1.setEnabled(true);
    QTest::qWait(30);
    EXPECT_EQ(c.ticks, n);
}

TEST(Timers, AHandlerPumpingEventsIsNotReentered)
{
    Clock c;
    c.pump = true;
    c.Timer1.setInterval(5);
    c.Timer1.setEnabled(true);
    EXPECT_TRUE(waitFor([&] { return c.ticks >= 2; }));
    c.Timer1.setEnabled(false);
    EXPECT_EQ(c.maxDepth, 1);
}

TEST(Timers, ARestingTimerWaitsUntilInputOrAnotherTimerWakesIt)
{
    Clock c;
    bool rest = true;
    c.Timer1.onTimer([&] {
        ++c.ticks;
        if (rest)
            c.Timer1.restFor(60000);
    });
    c.Timer1.setInterval(10);
    c.Timer1.setEnabled(true);
    ASSERT_TRUE(waitFor([&] { return c.ticks >= 1; }));
    EXPECT_TRUE(c.Timer1.Resting());
    int n = c.ticks;
    QTest::qWait(150);
    EXPECT_EQ(c.ticks, n) << "ticked while resting";

    // A key pressed anywhere in the program: the interval again.
    rest = false;
    QWidget w;
    w.show();
    QTest::keyClick(&w, Qt::Key_A);
    EXPECT_FALSE(c.Timer1.Resting());
    EXPECT_TRUE(waitFor([&] { return c.ticks >= n + 3; }, 2000));

    // A control sizing, showing or hiding itself is no input; the window resized is.
    rest = true;
    ASSERT_TRUE(waitFor([&] { return c.Timer1.Resting(); }));
    QLabel label(&w);
    label.show();
    label.resize(80, 20);
    label.hide();
    QCoreApplication::processEvents();
    EXPECT_TRUE(c.Timer1.Resting()) << "a control's own size or visibility ended the rest";
    w.resize(w.width() + 40, w.height() + 30);
    QCoreApplication::processEvents();
    EXPECT_FALSE(c.Timer1.Resting());

    // Another timer's tick wakes it too.
    ASSERT_TRUE(waitFor([&] { return c.Timer1.Resting(); }));
    n = c.ticks;
    Clock other;
    other.Timer1.setInterval(30);
    other.Timer1.setEnabled(true);
    EXPECT_TRUE(waitFor([&] { return other.ticks >= 1 && c.ticks > n; }, 2000));
    other.Timer1.setEnabled(false);

    // A rest no longer than the interval changes nothing; disabling ends a rest.
    c.Timer1.setEnabled(false);
    c.Timer1.setEnabled(true);
    c.Timer1.restFor(10);
    EXPECT_FALSE(c.Timer1.Resting());
    c.Timer1.restFor(60000);
    EXPECT_TRUE(c.Timer1.Resting());
    c.Timer1.setEnabled(false);
    EXPECT_FALSE(c.Timer1.Resting());

    // A timer put to rest after a sleep rests: a wake() meant for the sleep does not end it.
    rest = false;
    c.Timer1.setEnabled(true);
    c.Timer1.sleepUntilWoken();
    c.Timer1.restFor(60000);
    n = c.ticks;
    c.Timer1.wake();
    QTest::qWait(80);
    EXPECT_EQ(c.ticks, n) << "the wake ended the rest";
    c.Timer1.setEnabled(false);
}

} // namespace
