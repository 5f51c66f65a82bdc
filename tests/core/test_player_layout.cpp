// Placement of the main window's controls in the full and compact views.
#include "test_player_fixture.h"

using namespace modIni;

TEST(PlayerShifts, ByLayoutVariant)
{
    EXPECT_EQ(PlayerLayoutShifts("1", 10000).TopShift, 1000);
    EXPECT_EQ(PlayerLayoutShifts("1", 10000).BottomShift, 750);
    // Negative shifts become 0.
    EXPECT_EQ(PlayerLayoutShifts("1", 8800).TopShift, 0);
    EXPECT_EQ(PlayerLayoutShifts("1", 8800).BottomShift, 150);
    EXPECT_EQ(PlayerLayoutShifts("1", 6000).BottomShift, 0);
    // Halves go to the even number.
    EXPECT_EQ(PlayerLayoutShifts("2", 9515).TopShift, 508);
    EXPECT_EQ(PlayerLayoutShifts("2", 9515).BottomShift, 508);
    EXPECT_EQ(PlayerLayoutShifts("2", 9545).TopShift, 522);
    EXPECT_EQ(PlayerLayoutShifts("3", 20000).BottomShift, 0);
    EXPECT_EQ(PlayerLayoutShifts("3", 20000).TopShift, 11000);
    for (const char* other : {"", "0", "4", " 1"}) {
        EXPECT_EQ(PlayerLayoutShifts(other, 20000).TopShift, 0) << other;
        EXPECT_EQ(PlayerLayoutShifts(other, 20000).BottomShift, 0) << other;
    }
    // Far beyond the old 16-bit range the shifts stay exact.
    EXPECT_EQ(PlayerLayoutShifts("1", 108500).TopShift, 99500);
    EXPECT_EQ(PlayerLayoutShifts("2", 108500).BottomShift, 50000);
}

class LayoutTest : public PlayerTest {
protected:
    Player& p = start();

    // Sizes the client area and lays the window out for it. The height goes
    // first: each change lays the window out on its own.
    void size(int scaleWidth, int scaleHeight)
    {
        p.setScaleHeight(scaleHeight);
        p.setScaleWidth(scaleWidth);
        p.ArrangePlayerControls();
    }
};

TEST_F(LayoutTest, FullViewAtTheDesignSize)
{
    FrezeDeskTop = "1";
    PlayListTab = 1;
    size(8400, 5355);
    const int SW = p.ScaleWidth(), SH = p.ScaleHeight();
    ASSERT_EQ(SW, 8400);
    ASSERT_EQ(SH, 5355);
    EXPECT_EQ(p.ListView1.Left(), 130);
    EXPECT_EQ(p.ListView1.Top(), 885);
    EXPECT_EQ(p.ListView1.Width(), SW - 350);
    EXPECT_EQ(p.ListView1.Height(), SH - 2590);
    EXPECT_EQ(p.Dir1.Height(), SH - 3010);
    EXPECT_EQ(p.Command_Play.Top(), SH - 1150);
    EXPECT_EQ(p.Command_Quitter.Top(), SH - 670);
    EXPECT_EQ(p.VolumeCtl.Top(), SH - 1285);
    EXPECT_EQ(p.ProgressBar1.Top(), SH - 205);
    // The frame closes around the list 1600 twips above the bottom.
    EXPECT_DOUBLE_EQ(p.LineTab3.Y1(), SH - 1600);
    EXPECT_DOUBLE_EQ(p.LineTab3.Y2(), SH - 1600);
    EXPECT_DOUBLE_EQ(p.LineTab2.Y2(), SH - 1600);
    EXPECT_DOUBLE_EQ(p.LineTab4.Y2(), SH - 1600);
    EXPECT_DOUBLE_EQ(p.LineTab1.X2(), SW - 110);
    EXPECT_DOUBLE_EQ(p.LineTab4.X1(), SW - 110);
    // Sizes are kept.
    EXPECT_EQ(p.Command_Record.Width(), 900);
    EXPECT_EQ(p.Command_Quitter.Width(), 1860);
}

TEST_F(LayoutTest, WideWindowShiftsTopRowAndTransport)
{
    FrezeDeskTop = "1";
    PlayListTab = 0;
    size(12000, 6000);
    const PlayerShifts s = PlayerLayoutShifts("1", p.Width());
    ASSERT_GT(s.TopShift, 0);
    EXPECT_EQ(p.Command_Edit.Left(), s.TopShift + 2940);
    EXPECT_EQ(p.Command_Cacher.Left(), s.TopShift + 7935);
    EXPECT_NEAR(p.Label_ZunMp3.Left(), s.TopShift / 1.5 + 120, 0.5);
    EXPECT_EQ(p.Command_Play.Left(), s.BottomShift + 140);
    EXPECT_EQ(p.TransposeCtl.Left(), s.BottomShift + 6640);
    // The folder tab keeps the list right of the folder tree.
    EXPECT_EQ(p.ListView1.Left(), 2265);
    EXPECT_EQ(p.ListView1.Width(), 12000 - 2480);
    // The balance slider stands right of the others, clear of every control
    // of the panel and inside the frame.
    EXPECT_TRUE(p.BalanceCtl.Visible());
    EXPECT_EQ(p.BalanceCtl.Left(), s.BottomShift + 8400);
    EXPECT_EQ(p.BalanceCtl.Top(), 6000 - 1285);
    EXPECT_LE(p.BalanceCtl.Left() + p.BalanceCtl.Width(), 12000 - 110);
    auto apart = [&](const Control& c) {
        return c.Left() + c.Width() <= p.BalanceCtl.Left() || p.BalanceCtl.Left() + p.BalanceCtl.Width() <= c.Left()
               || c.Top() + c.Height() <= p.BalanceCtl.Top() || p.BalanceCtl.Top() + p.BalanceCtl.Height() <= c.Top();
    };
    for (const Control* c : {static_cast<const Control*>(&p.ProgressBar1), static_cast<const Control*>(&p.Label_PTime),
                             static_cast<const Control*>(&p.VelocityCtl), static_cast<const Control*>(&p.TransposeCtl),
                             static_cast<const Control*>(&p.Label_Vitesse), static_cast<const Control*>(&p.Label_Transpo)})
        EXPECT_TRUE(apart(*c));
    // The compact view hides it with the other sliders; a narrow window,
    // whose panel leaves it no room, too.
    p.Command_Cacher.setValue(1);
    EXPECT_FALSE(p.BalanceCtl.Visible());
    p.Command_Cacher.setValue(0);
    EXPECT_TRUE(p.BalanceCtl.Visible());
    size(8400, 6000);
    EXPECT_FALSE(p.BalanceCtl.Visible());
}

TEST_F(LayoutTest, VeryWideWindowStillLaysOut)
{
    FrezeDeskTop = "1";
    size(60000, 6000);
    const PlayerShifts s = PlayerLayoutShifts("1", p.Width());
    EXPECT_GT(s.TopShift + 7935, 32767);
    EXPECT_EQ(p.Command_Cacher.Left(), s.TopShift + 7935);
    EXPECT_EQ(p.Command_Play.Top(), 6000 - 1150);
}

TEST_F(LayoutTest, TooSmallMovesOnlyTheTopRow)
{
    FrezeDeskTop = "2";
    size(8400, 5355);
    const int playLeft = p.Command_Play.Left(), playTop = p.Command_Play.Top();
    const int listHeight = p.ListView1.Height();
    size(9000, 3285);
    EXPECT_EQ(p.Command_Play.Left(), playLeft);
    EXPECT_EQ(p.Command_Play.Top(), playTop);
    EXPECT_EQ(p.ListView1.Height(), listHeight);
    EXPECT_EQ(p.Command_Edit.Left(), PlayerLayoutShifts("2", p.Width()).TopShift + 2940);
    size(4200, 3300);
    EXPECT_EQ(p.Command_Play.Top(), 3300 - 1150);
}

TEST_F(LayoutTest, CompactViewGrowsTheList)
{
    FrezeDeskTop = "1";
    PlayListTab = 1;
    p.Command_Cacher.setValue(1);
    size(8400, 5355);
    EXPECT_EQ(p.ListView1.Left(), 90);
    EXPECT_EQ(p.ListView1.Top(), 885);
    EXPECT_EQ(p.ListView1.Width(), 8070);
    EXPECT_EQ(p.ListView1.Height(), 3705);
    EXPECT_DOUBLE_EQ(p.LineTab3.Y1(), 4655);
    EXPECT_EQ(p.Command_Quitter.Left(), 5900);
    EXPECT_EQ(p.Command_Quitter.Top(), 5355 - 630);
    EXPECT_EQ(p.Label_ItemCount.Left(), 4750);
    EXPECT_EQ(p.Label_ItemCount.Top(), 5355 - 600);
    // The bottom bar does not follow the shift.
    size(12000, 5355);
    EXPECT_EQ(p.Select_Song.Left(), 1020);
}

TEST_F(LayoutTest, CompactViewInAddModeWithTheFolderTree)
{
    PlayListTab = 1;
    p.Command_Cacher.setValue(1);
    p.Command_Ok.setVisible(true);
    p.Dir1.setVisible(true);
    PlayList::ListMode = "Ajout";
    size(8400, 5355);
    EXPECT_EQ(p.Dir1.Left(), 120);
    EXPECT_EQ(p.Dir1.Top(), 1245);
    EXPECT_EQ(p.Dir1.Height(), 5355 - 2300);
    EXPECT_EQ(p.ListView1.Left(), 2265);
    EXPECT_EQ(p.ListView1.Width(), 8400 - 2470);
    EXPECT_EQ(p.Label_ItemCount.Left(), 3300);
    EXPECT_EQ(p.Label_ItemCount.Top(), 5355 - 500);
    EXPECT_EQ(p.Command_Ok.Top(), 5355 - 800);
    EXPECT_DOUBLE_EQ(p.LineTab3.Y1(), 5355 - 900);
    // A mode without the tree: the list takes the whole width.
    p.Dir1.setVisible(false);
    size(8400, 5355);
    EXPECT_EQ(p.ListView1.Left(), 90);
    EXPECT_EQ(p.ListView1.Width(), 8400 - 280);
}

TEST_F(LayoutTest, FullViewLeavesTheModeButtonsWhereTheCompactViewPutThem)
{
    PlayListTab = 1;
    p.Command_Cacher.setValue(1);
    size(8400, 6000);
    const int okTop = p.Command_Ok.Top();
    p.Command_Cacher.setValue(0);
    PlayList::ListMode = "Supp";
    size(8400, 5355);
    EXPECT_EQ(p.Command_Ok.Top(), okTop);
    EXPECT_EQ(p.Label_ItemCount.Left(), PlayerLayoutShifts(FrezeDeskTop, p.Width()).BottomShift + 4750);
    EXPECT_EQ(p.Label_ItemCount.Top(), 5355 - 1480);
}

TEST_F(LayoutTest, LayoutIsRepeatable)
{
    size(10000, 6000);
    const int left = p.Command_Stop.Left(), top = p.ListView1.Top(), width = p.ListView1.Width();
    p.ArrangePlayerControls();
    EXPECT_EQ(p.Command_Stop.Left(), left);
    EXPECT_EQ(p.ListView1.Top(), top);
    EXPECT_EQ(p.ListView1.Width(), width);
}
