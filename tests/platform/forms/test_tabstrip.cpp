// The tabbed dialog control: pages that hold controls, and Click with the
// tab shown before, from the user and from code.
#include "platform/forms/tabstrip.h"

#include <QApplication>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

struct Host : Container {
    QWidget* clientWidget() const override { return const_cast<QWidget*>(&w); }
    Form* parentForm() override { return nullptr; }
    QWidget w;
};

// A plain control to put on a page.
struct Plain : Control {
    explicit Plain(Container* c) : Control(c, new QWidget) {}
};

struct TabTest : ::testing::Test {
    Host host;
    SSTab SSTab1{&host, 2};
    Plain onFirst{SSTab1.page(0)};
    Plain onSecond{SSTab1.page(1)};
    std::vector<int> previous;

    TabTest()
    {
        SSTab1.Move(0, 0, 6000, 4000);
        SSTab1.setTabCaption(0, "Général");
        SSTab1.setTabCaption(1, "Karaoke");
        SSTab1.onClick([this](int PreviousTab) { previous.push_back(PreviousTab); });
    }
    QTabWidget* tabs() { return qobject_cast<QTabWidget*>(SSTab1.widget()); }
};

} // namespace

TEST_F(TabTest, PagesHoldTheirControls)
{
    EXPECT_EQ(SSTab1.Tabs(), 2);
    EXPECT_EQ(SSTab1.page(2), nullptr);
    EXPECT_EQ(SSTab1.TabCaption(0), "Général");
    EXPECT_EQ(SSTab1.Caption(), "Général");
    EXPECT_EQ(onFirst.widget()->parentWidget(), tabs()->widget(0));
    EXPECT_EQ(onSecond.widget()->parentWidget(), tabs()->widget(1));
    host.w.show();
    QApplication::processEvents();
    EXPECT_TRUE(onFirst.widget()->isVisible());
    EXPECT_FALSE(onSecond.widget()->isVisible());
    SSTab1.setTab(1);
    EXPECT_FALSE(onFirst.widget()->isVisible());
    EXPECT_TRUE(onSecond.widget()->isVisible());
}

TEST_F(TabTest, ClickGetsTheTabShownBefore)
{
    SSTab1.setTab(1);
    SSTab1.setTab(1);   // no change, no click
    SSTab1.setTab(5);   // out of range: ignored
    EXPECT_EQ(previous, (std::vector<int>{0}));
    EXPECT_EQ(SSTab1.Tab(), 1);

    host.w.show();
    QApplication::processEvents();
    QTabBar* bar = tabs()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
    EXPECT_EQ(SSTab1.Tab(), 0);
    EXPECT_EQ(previous, (std::vector<int>{0, 1}));
}

TEST_F(TabTest, MoreTabsAddPagesFewerHideThem)
{
    SSTab1.setTabs(3);
    EXPECT_EQ(SSTab1.Tabs(), 3);
    ASSERT_NE(SSTab1.page(2), nullptr);
    SSTab1.setTab(2);
    SSTab1.setTabs(2);
    EXPECT_EQ(SSTab1.Tabs(), 2);
    EXPECT_EQ(SSTab1.Tab(), 1);   // the shown tab went away
    EXPECT_EQ(previous, (std::vector<int>{0, 2}));
    EXPECT_TRUE(onSecond.widget() != nullptr);
}
