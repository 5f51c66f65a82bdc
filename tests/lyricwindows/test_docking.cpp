// The docked pair of lyric windows: the docking tick keeps the second window
// under the main one whichever way the main one moved, and a drag of the pair
// stops at the screen's edges. The same under a real window manager, driven
// with the pointer: tests/system/window_manager_lyric_windows.sh.
#include "core/player.h"
#include "lyricwindows/karaoke.h"
#include "lyricwindows/karaoke_k1.h"
#include "support/frames.h"
#include "support/playerfixture.h"

#include <QTest>

using namespace modIni;

namespace {

using testsupport::edgeToEdge;
using testsupport::frameHeight;

class DockedPairTest : public testsupport::StartedPlayerTest {
protected:
    // The lyric window shown at left, top, width, height, the second docked under it.
    Karaoke& dockedPair(int left, int top, int width, int height)
    {
        player().Command_AffSyk.press();
        Karaoke& k = karaoke();
        k.Move(left, top, width, height);
        k.Check_Aff_K1.setValue(1);
        return k;
    }
};

TEST_F(DockedPairTest, DockingTickFollowsASidewaysMoveAndLetsAnEdgeResizeBe)
{
    Karaoke& k = dockedPair(300, 600, 9000, 2400);
    Karaoke_K1& k1 = karaoke_K1();
    Player& p = player();

    // Straight sideways: the bottom edge stays where it was.
    k.Move(1500, 600);
    p.Timer_SetKar2_Timer();
    EXPECT_EQ(k1.Left(), 1500);
    EXPECT_TRUE(edgeToEdge(k, k1));
    EXPECT_EQ(k1.Width(), 9000);

    // The second window widened at its left edge is left to its own
    // re-layout, not pulled back at every tick while the user drags the edge.
    k1.Move(900, k1.Top(), 9600, k1.Height());
    p.Timer_SetKar2_Timer();
    EXPECT_EQ(k1.Left(), 900);
    EXPECT_EQ(k1.Width(), 9600);

    // At rest the docking sleeps (the playback clock is not woken for nothing).
    const auto docked = [&] {  // one more tick would move nothing
        const int left = k1.Left(), top = k1.Top(), width = k1.Width();
        p.Timer_SetKar2_Timer();
        return k1.Left() == left && k1.Top() == top && k1.Width() == width && left == k.Left();
    };
    k1.Timer_Resize.fire();  // its re-layout docks it again and restarts the docking
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.Timer_SetKar2.Asleep(); }, 3000))
        << "the docking kept ticking while the pair stayed where it was";
    EXPECT_TRUE(p.Timer_SetKar2.Enabled());
    EXPECT_TRUE(docked());
    // A move of either window wakes it; the second comes back under the main one.
    for (auto [w, left, top] : {std::tuple<Form*, int, int>{&k, 1500, 900}, {&k1, 4000, 200}}) {
        w->Move(left, top);
        EXPECT_FALSE(p.Timer_SetKar2.Asleep());
        EXPECT_TRUE(QTest::qWaitFor([&] { return k1.Left() == 1500 && p.Timer_SetKar2.Asleep(); }, 3000));
        EXPECT_TRUE(docked());
    }
    // Without the second window there is nothing to wake.
    k.Check_Aff_K1.setValue(0);
    k.Move(300, 600);
    EXPECT_FALSE(p.Timer_SetKar2.Enabled());
}

TEST_F(DockedPairTest, DragOfTheDockedPairStopsAtTheScreenEdges)
{
    Karaoke& k = dockedPair(300, 600, 9000, 2400);
    const Form::ScreenArea screen{0, 0, 19200, 15360};

    // Up and to the right past the corner: the pair stays whole.
    int left = 15000, top = -900;
    KeepDockedPairOnScreen(left, top, screen);
    EXPECT_EQ(left, 19200 - 9000);
    EXPECT_EQ(top, 0);
    // Down past the bottom: the second window's bottom on the screen's.
    left = 600;
    top = 14000;
    KeepDockedPairOnScreen(left, top, screen);
    EXPECT_EQ(left, 600);
    EXPECT_EQ(top, 15360 - frameHeight(k) - frameHeight(karaoke_K1()));

    // A pair higher and wider than a screen keeps its top and left on it.
    const Form::ScreenArea small{1000, 500, 6000, 4000};
    left = 3000;
    top = 2000;
    KeepDockedPairOnScreen(left, top, small);
    EXPECT_EQ(left, 1000);
    EXPECT_EQ(top, 500);

    // The main window alone goes wherever the pointer takes it.
    k.Check_Aff_K1.setValue(0);
    left = 15000;
    top = -900;
    KeepDockedPairOnScreen(left, top, screen);
    EXPECT_EQ(left, 15000);
    EXPECT_EQ(top, -900);
}

} // namespace
