// The list view as the play list and the folder browser drive it: rows and
// sub-items by 1-based numbers, sorting as text, selection from code and by
// the user, check boxes, icons by key, and big lists.
#include "platform/forms/listview.h"
#include "platform/forms/picture.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QListView>
#include <QPixmap>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A bare window for the controls (no Form needed).
struct Host : Container {
    Host()
    {
        w.resize(640, 480);
    }
    QWidget* clientWidget() const override { return const_cast<QWidget*>(&w); }
    Form* parentForm() override { return nullptr; }
    QWidget w;
};

StdPicture solid(int w, int h, QRgb colour)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(colour);
    return StdPicture(img);
}

struct ListViewTest : ::testing::Test {
    Host host;
    ImageList ImageList1{&host};
    ListView ListView1{&host};
    std::vector<std::string> events;

    ListViewTest()
    {
        ListView1.Move(0, 0, 600 * 15, 400 * 15);
        ListView1.setView(3);
        ListView1.setFullRowSelect(true);
        ListView1.ColumnHeaders.Add(0, "", "Title", 3000);
        ListView1.ColumnHeaders.Add(0, "", "Artist", 2000);
        ListView1.ColumnHeaders.Add(0, "", "Time", 900, 2);
        ListView1.onItemClick([this](ListItem& it) { events.push_back("ItemClick " + it.Text()); });
        ListView1.onClick([this] { events.push_back("Click"); });
        ListView1.onDblClick([this] { events.push_back("DblClick"); });
        ListView1.onItemCheck([this](ListItem& it) {
            events.push_back("ItemCheck " + it.Text() + (it.Checked() ? " 1" : " 0"));
        });
    }

    void addRows(const std::vector<std::string>& titles)
    {
        for (const auto& t : titles)
            ListView1.ListItems.Add(0, "", t);
    }

    std::vector<std::string> titles()
    {
        std::vector<std::string> out;
        for (int i = 1; i <= ListView1.ListItems.Count(); ++i)
            out.push_back(ListView1.ListItems(i).Text());
        return out;
    }

    QTableView* table() { return qobject_cast<QTableView*>(ListView1.activeView()); }

    void show()
    {
        host.w.show();
        QApplication::processEvents();
    }

    QPoint rowCentre(int index)
    {
        QAbstractItemView* v = qobject_cast<QAbstractItemView*>(ListView1.activeView());
        return v->visualRect(v->model()->index(index - 1, 0)).center();
    }

    // The middle of a row's tick box, where the style draws it.
    QPoint tickBoxCentre(int index)
    {
        QAbstractItemView* v = qobject_cast<QAbstractItemView*>(ListView1.activeView());
        QStyleOptionViewItem option;
        option.initFrom(v);
        option.rect = v->visualRect(v->model()->index(index - 1, 0));
        option.features |= QStyleOptionViewItem::HasCheckIndicator;
        return v->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, v).center();
    }
};

} // namespace

TEST_F(ListViewTest, RowsAreNumberedFromOneAndRenumberedOnRemove)
{
    addRows({"a", "b", "c", "d"});
    EXPECT_EQ(ListView1.ListItems.Count(), 4);
    EXPECT_EQ(ListView1.ListItems(1).Text(), "a");
    EXPECT_EQ(ListView1.ListItems(4).Index(), 4);
    EXPECT_EQ(ListView1.ListItems.Item(0), nullptr);
    EXPECT_EQ(ListView1.ListItems.Item(5), nullptr);
    EXPECT_THROW(ListView1.ListItems(5), std::out_of_range);

    ListView1.ListItems.Remove(2);
    EXPECT_EQ(titles(), (std::vector<std::string>{"a", "c", "d"}));
    EXPECT_EQ(ListView1.ListItems(2).Index(), 2);
    ListView1.ListItems.Remove(9);   // out of range: nothing happens
    EXPECT_EQ(ListView1.ListItems.Count(), 3);

    // An explicit index inserts before the row that had it.
    ListItem& x = ListView1.ListItems.Add(1, "k", "x");
    EXPECT_EQ(titles(), (std::vector<std::string>{"x", "a", "c", "d"}));
    EXPECT_EQ(x.Index(), 1);
    EXPECT_EQ(ListView1.ListItems.Item("k"), &x);

    ListView1.ListItems.Clear();
    EXPECT_EQ(ListView1.ListItems.Count(), 0);
    EXPECT_EQ(ListView1.SelectedItem(), nullptr);
}

TEST_F(ListViewTest, SubItemsHoldThirteenFieldsWhateverTheColumns)
{
    ListItem& it = ListView1.ListItems.Add(0, "", "Song");
    for (int j = 1; j <= 12; ++j)
        it.setSubItems(j, "f" + std::to_string(j));
    it.setSelected(true);
    EXPECT_EQ(it.SubItems(4), "f4");
    EXPECT_EQ(it.SubItems(12), "f12");
    EXPECT_EQ(it.SubItems(13), "");
    EXPECT_EQ(it.SubItems(0), "");
    // Rebuilding the headers leaves the rows alone.
    ListView1.ColumnHeaders.Clear();
    for (int c = 0; c < 13; ++c)
        ListView1.ColumnHeaders.Add(0, "", "C" + std::to_string(c + 1), c < 6 ? 900 : 0);
    EXPECT_EQ(ListView1.ListItems(1).SubItems(12), "f12");
    // Hidden columns (width 0) are not shown, the others are.
    QTableView* t = table();
    ASSERT_NE(t, nullptr);
    EXPECT_FALSE(t->isColumnHidden(5));
    EXPECT_TRUE(t->isColumnHidden(6));
    EXPECT_TRUE(t->isColumnHidden(12));
    EXPECT_EQ(t->model()->index(0, 4).data().toString(), "f4");
    EXPECT_EQ(t->model()->headerData(0, Qt::Horizontal).toString(), "C1");
    // The selection survives the rebuild and covers the new columns.
    EXPECT_EQ(ListView1.SelectedItem(), &it);
    EXPECT_TRUE(t->selectionModel()->isSelected(t->model()->index(0, 5)));
}

TEST_F(ListViewTest, ColumnWidthsAreTwipsAndTheCentredColumnIsCentred)
{
    EXPECT_EQ(ListView1.ColumnHeaders.Count(), 3);
    EXPECT_EQ(table()->columnWidth(0), 200);   // 3000 twips
    ListView1.ColumnHeaders.Item(2)->setWidth(1500);
    EXPECT_EQ(table()->columnWidth(1), 100);
    ListView1.ListItems.Add(0, "", "t").setSubItems(2, "3:05");
    QApplication::processEvents();   // the views learn of new rows in one batch
    const int align = table()->model()->index(0, 2).data(Qt::TextAlignmentRole).toInt();
    EXPECT_TRUE(align & Qt::AlignHCenter);
    EXPECT_EQ(ListView1.ColumnHeaders.Item(3)->Index(), 3);
    EXPECT_EQ(ListView1.ColumnHeaders.Item(4), nullptr);
}

TEST_F(ListViewTest, SortingComparesTextWithoutCaseOrAccents)
{
    addRows({"banane", "École", "abricot", "Fraise", "ecole"});
    ListView1.setSortKey(0);
    ListView1.setSortOrder(0);
    ListView1.setSorted(true);
    EXPECT_EQ(titles(), (std::vector<std::string>{"abricot", "banane", "ecole", "École", "Fraise"}));
    ListView1.setSortOrder(1);
    ListView1.setSorted(true);   // already on: sorts again
    EXPECT_EQ(titles(), (std::vector<std::string>{"Fraise", "École", "ecole", "banane", "abricot"}));
}

TEST_F(ListViewTest, SortByASubItemComparesCharacterByCharacter)
{
    const std::vector<std::pair<std::string, std::string>> rows{{"a", "9:59"}, {"b", "10:05"}, {"c", ""}};
    for (const auto& [t, time] : rows)
        ListView1.ListItems.Add(0, "", t).setSubItems(2, time);
    ListView1.setSortKey(2);
    ListView1.setSorted(true);
    EXPECT_EQ(titles(), (std::vector<std::string>{"c", "b", "a"}));
    // Every column, the icon and the check mark go with their row.
    EXPECT_EQ(ListView1.ListItems(2).SubItems(2), "10:05");
}

TEST_F(ListViewTest, RowsAddedWhileSortedTakeTheirPlace)
{
    ListView1.setSorted(true);
    ListItem& m = ListView1.ListItems.Add(0, "", "m");
    ListItem& c = ListView1.ListItems.Add(0, "", "c");
    ListView1.ListItems.Add(0, "", "x");
    EXPECT_EQ(titles(), (std::vector<std::string>{"c", "m", "x"}));
    // Numbers and selection follow the place each row took.
    EXPECT_EQ(c.Index(), 1);
    EXPECT_EQ(m.Index(), 2);
    m.setSelected(true);
    EXPECT_EQ(ListView1.SelectedItem(), &m);
    EXPECT_TRUE(table()->selectionModel()->isSelected(table()->model()->index(1, 0)));
    // One by one after a read (straight to the place) ...
    ListView1.ListItems.Add(0, "", "d");
    EXPECT_EQ(ListView1.ListItems(2).Text(), "d");
    // ... and as a big batch (merged in one go).
    std::vector<std::string> many;
    for (int i = 0; i < 50; ++i)
        many.push_back("n" + std::to_string(100 + i));
    addRows(many);
    auto t = titles();
    EXPECT_TRUE(std::is_sorted(t.begin(), t.end()));
    EXPECT_EQ(t.size(), 54u);
    // Sorted off: rows are appended again, in the order they come.
    ListView1.setSorted(false);
    ListView1.ListItems.Add(0, "", "a");
    EXPECT_EQ(ListView1.ListItems(55).Text(), "a");
}

TEST_F(ListViewTest, SelectionFollowsItsRowThroughASort)
{
    addRows({"c", "a", "b"});
    ListView1.ListItems(1).setSelected(true);   // "c"
    ListView1.setSorted(true);
    ASSERT_NE(ListView1.SelectedItem(), nullptr);
    EXPECT_EQ(ListView1.SelectedItem()->Text(), "c");
    EXPECT_EQ(ListView1.SelectedItem()->Index(), 3);
}

TEST_F(ListViewTest, SelectingFromCodeRaisesNoEventAndMovesTheCurrentRow)
{
    addRows({"a", "b", "c"});
    EXPECT_EQ(ListView1.SelectedItem(), nullptr);
    ListView1.ListItems(2).setSelected(true);
    ASSERT_NE(ListView1.SelectedItem(), nullptr);
    EXPECT_EQ(ListView1.SelectedItem()->Index(), 2);
    EXPECT_TRUE(ListView1.ListItems(2).Selected());
    ListView1.ListItems(3).setSelected(true);   // single selection: row 2 lets go
    EXPECT_FALSE(ListView1.ListItems(2).Selected());
    EXPECT_EQ(ListView1.SelectedItem()->Index(), 3);
    ListView1.ListItems(3).setSelected(false);
    EXPECT_EQ(ListView1.SelectedItem(), nullptr);
    ListView1.setSelectedItem(&ListView1.ListItems(1));
    EXPECT_EQ(ListView1.SelectedItem()->Index(), 1);
    EXPECT_TRUE(events.empty());

    // Removing the selected row leaves no selection.
    ListView1.ListItems.Remove(1);
    EXPECT_EQ(ListView1.SelectedItem(), nullptr);
}

TEST_F(ListViewTest, MultiSelectKeepsSeveralRows)
{
    addRows({"a", "b", "c"});
    ListView1.setMultiSelect(true);
    ListView1.ListItems(1).setSelected(true);
    ListView1.ListItems(3).setSelected(true);
    EXPECT_TRUE(ListView1.ListItems(1).Selected());
    EXPECT_TRUE(ListView1.ListItems(3).Selected());
    EXPECT_EQ(ListView1.SelectedItem()->Index(), 3);   // the current one
}

TEST_F(ListViewTest, UserClickRaisesMouseUpItemClickThenClick)
{
    addRows({"a", "b", "c"});
    ListView1.onMouseUp([this](int Button, int, float X, float Y) {
        events.push_back("MouseUp " + std::to_string(Button));
        EXPECT_GT(X, 0);
        EXPECT_GT(Y, 0);
    });
    show();
    QWidget* vp = table()->viewport();
    QTest::mouseClick(vp, Qt::LeftButton, {}, rowCentre(2));
    EXPECT_EQ(events, (std::vector<std::string>{"MouseUp 1", "ItemClick b", "Click"}));
    ASSERT_NE(ListView1.SelectedItem(), nullptr);
    EXPECT_EQ(ListView1.SelectedItem()->Text(), "b");

    // The right button selects the row but makes no click: only MouseUp 2.
    events.clear();
    QTest::mouseClick(vp, Qt::RightButton, {}, rowCentre(3));
    EXPECT_EQ(events, (std::vector<std::string>{"MouseUp 2"}));

    // A real double-click: press, release, double-click, release. The
    // second release is no click.
    events.clear();
    QTest::mousePress(vp, Qt::LeftButton, {}, rowCentre(1));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, rowCentre(1));
    QTest::mouseDClick(vp, Qt::LeftButton, {}, rowCentre(1));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, rowCentre(1));
    EXPECT_EQ(events, (std::vector<std::string>{"MouseUp 1", "ItemClick a", "Click", "DblClick", "MouseUp 1"}));
    EXPECT_EQ(ListView1.SelectedItem()->Text(), "a");
}

TEST_F(ListViewTest, ClickOnAColumnHeaderGivesItsPosition)
{
    int clicked = 0;
    ListView1.onColumnClick([&](ColumnHeader& h) { clicked = h.Index(); });
    show();
    QHeaderView* hh = table()->horizontalHeader();
    const int x = hh->sectionViewportPosition(2) + hh->sectionSize(2) / 2;
    QTest::mouseClick(hh->viewport(), Qt::LeftButton, {}, QPoint(x, hh->height() / 2));
    EXPECT_EQ(clicked, 3);
}

TEST_F(ListViewTest, KeysMoveTheSelectionByRowsAndReachKeyDown)
{
    addRows({"a", "b", "c", "d"});
    std::vector<int> codes;
    ListView1.onKeyDown([&](int& KeyCode, int) { codes.push_back(KeyCode); });
    show();
    QWidget* v = ListView1.activeView();
    ListView1.ListItems(3).setSelected(true);
    QTest::keyClick(v, Qt::Key_Down);
    EXPECT_EQ(ListView1.SelectedItem()->Index(), 4);
    QTest::keyClick(v, Qt::Key_Home);   // first row, not first cell
    EXPECT_EQ(ListView1.SelectedItem()->Index(), 1);
    QTest::keyClick(v, Qt::Key_End);
    EXPECT_EQ(ListView1.SelectedItem()->Index(), 4);
    QTest::keyClick(v, Qt::Key_F5);
    EXPECT_EQ(codes, (std::vector<int>{40, 36, 35, 116}));
    // Keys raise no click.
    EXPECT_TRUE(events.empty());
}

TEST_F(ListViewTest, CheckBoxesFromCodeAreQuietFromTheUserRaiseItemCheck)
{
    addRows({"a", "b"});
    ListView1.setCheckboxes(true);
    ListView1.ListItems(1).setChecked(true);
    EXPECT_TRUE(ListView1.ListItems(1).Checked());
    EXPECT_TRUE(events.empty());
    QTableView* t = table();
    EXPECT_EQ(t->model()->index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);

    show();
    ListView1.ListItems(2).setSelected(true);
    QTest::keyClick(t, Qt::Key_Space);
    EXPECT_TRUE(ListView1.ListItems(2).Checked());
    EXPECT_EQ(events, (std::vector<std::string>{"ItemCheck b 1"}));

    // A click or double click on another row's tick box only ticks it; the selection stays.
    events.clear();
    QWidget* vp = t->viewport();
    const QPoint box = tickBoxCentre(1);
    QTest::mouseClick(vp, Qt::LeftButton, {}, box);
    EXPECT_FALSE(ListView1.ListItems(1).Checked());
    EXPECT_EQ(events, (std::vector<std::string>{"ItemCheck a 0"}));
    EXPECT_EQ(ListView1.SelectedItem()->Index(), 2);
    events.clear();
    QTest::mousePress(vp, Qt::LeftButton, {}, box);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, box);
    QTest::mouseDClick(vp, Qt::LeftButton, {}, box);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, box);
    EXPECT_EQ(events, (std::vector<std::string>{"ItemCheck a 1"}));
    // Beside the box the row is clicked as ever.
    events.clear();
    QTest::mouseClick(vp, Qt::LeftButton, {}, rowCentre(1));
    EXPECT_EQ(events, (std::vector<std::string>{"ItemClick a", "Click"}));

    // The ticks stay with the rows while the boxes are hidden.
    ListView1.setCheckboxes(false);
    EXPECT_FALSE(t->model()->index(0, 0).data(Qt::CheckStateRole).isValid());
    EXPECT_TRUE(ListView1.ListItems(1).Checked());
}

TEST_F(ListViewTest, IconsComeFromTheImageListByKey)
{
    ImageList1.ListImages.Add(1, "Picture_Note1", solid(11, 13, qRgb(0, 0, 0)));
    ImageList1.ListImages.Add(2, "Picture_Stop", solid(15, 15, qRgb(255, 0, 0)));
    EXPECT_EQ(ImageList1.ListImages.Count(), 2);
    EXPECT_EQ(ImageList1.ListImages.Item("Picture_Stop")->Index(), 2);
    EXPECT_EQ(ImageList1.ListImages.Item("nope"), nullptr);
    ListView1.setSmallIcons(&ImageList1);

    ListView1.ListItems.Add(0, "", "note", "", "Picture_Note1");
    ListView1.ListItems.Add(0, "", "plain");
    ListView1.ListItems.Add(0, "", "odd").setSmallIcon("no such key");
    ListView1.ListItems(2).setSmallIcon("Picture_Stop");
    ListView1.ListItems(2).setSmallIcon("");
    auto deco = [&](int row) {
        return table()->model()->index(row - 1, 0).data(Qt::DecorationRole).value<QPixmap>();
    };
    // Every row gets the same box, so the texts line up.
    const QPixmap note = deco(1);
    ASSERT_FALSE(note.isNull());
    EXPECT_EQ(note.size(), QSize(15, 15));
    EXPECT_EQ(deco(2).size(), QSize(15, 15));
    EXPECT_EQ(deco(2).toImage().pixelColor(7, 7).alpha(), 0);
    EXPECT_EQ(deco(3).toImage().pixelColor(7, 7).alpha(), 0);
    EXPECT_EQ(note.toImage().pixelColor(7, 7), QColor(0, 0, 0));
    EXPECT_EQ(ListView1.ListItems(1).SmallIcon(), "Picture_Note1");

    // Emptying the image list (as before rebuilding it) leaves the rows alone.
    ListView1.setSmallIcons(nullptr);
    ImageList1.ListImages.Clear();
    EXPECT_FALSE(table()->model()->index(0, 0).data(Qt::DecorationRole).isValid());
    EXPECT_EQ(ListView1.ListItems(1).SmallIcon(), "Picture_Note1");
}

TEST(ListViewLifetime, AnImageListMayGoBeforeItsListView)
{
    Host host;
    ListView lv(&host);
    {
        ImageList il(&host);
        il.ListImages.Add(0, "k", solid(4, 4, qRgb(1, 2, 3)));
        lv.setSmallIcons(&il);
        lv.ListItems.Add(0, "", "a", "", "k");
    }
    EXPECT_EQ(lv.SmallIcons(), nullptr);
    lv.setView(3);
    EXPECT_EQ(lv.ListItems(1).Text(), "a");
}

TEST_F(ListViewTest, ViewsShareRowsAndSelection)
{
    addRows({"a", "b", "c"});
    ListView1.ListItems(2).setSelected(true);
    ListView1.setView(2);
    auto* list = qobject_cast<QListView*>(ListView1.activeView());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->flow(), QListView::TopToBottom);
    EXPECT_EQ(ListView1.SelectedItem()->Index(), 2);
    show();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(3));
    EXPECT_EQ(ListView1.SelectedItem()->Text(), "c");
    ListView1.setView(3);
    EXPECT_NE(table(), nullptr);
    EXPECT_EQ(ListView1.SelectedItem()->Text(), "c");
    ListView1.setGridLines(true);
    EXPECT_TRUE(table()->showGrid());
    ListView1.setGridLines(false);
    EXPECT_FALSE(table()->showGrid());
}

TEST_F(ListViewTest, TheListViewShowsWholeNamesWithinItsWidth)
{
    ListView1.setView(2);
    const std::string longName = "Zebra Crossing at Midnight (Live in Paris)";
    addRows({"Abba", longName, "b"});
    show();
    auto* list = qobject_cast<QListView*>(ListView1.activeView());
    ASSERT_NE(list, nullptr);
    auto cell = [&](int i) { return list->visualRect(list->model()->index(i - 1, 0)); };
    const int need = QFontMetrics(list->font()).horizontalAdvance(QString::fromStdString(longName));
    EXPECT_GE(cell(2).width(), need);
    // Every column takes that width: the names line up.
    EXPECT_EQ(cell(1).width(), cell(2).width());
    // Check boxes take room of their own: the names keep theirs.
    const int withoutBoxes = cell(2).width();
    ListView1.setCheckboxes(true);
    QApplication::processEvents();
    EXPECT_GT(cell(2).width(), withoutBoxes);
    ListView1.setCheckboxes(false);
    // A name longer than the list is held to the list's width.
    ListView1.ListItems(3).setText(std::string(300, 'W'));
    QApplication::processEvents();
    EXPECT_LE(cell(3).width(), list->viewport()->width());
    EXPECT_GT(cell(3).width(), need);
    // The detail view keeps its own column widths.
    ListView1.setView(3);
    EXPECT_FALSE(list->gridSize().isValid());
}

TEST_F(ListViewTest, HitTestFindsTheRowUnderAPoint)
{
    addRows({"a", "b"});
    show();
    QTableView* t = table();
    const QPoint inHost = t->viewport()->mapTo(ListView1.widget(), rowCentre(2));
    ListItem* hit = ListView1.HitTest(float(inHost.x() * 15), float(inHost.y() * 15));
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->Text(), "b");
    EXPECT_EQ(ListView1.HitTest(float(590 * 15), float(390 * 15)), nullptr);
}

TEST_F(ListViewTest, TenThousandRowsAddAndShow)
{
    ListView1.BeginUpdate();
    for (int i = 0; i < 10000; ++i) {
        ListItem& it = ListView1.ListItems.Add(0, "", "Song " + std::to_string(10000 - i));
        it.setSubItems(4, "/music/" + std::to_string(i) + ".mp3");
    }
    ListView1.EndUpdate();
    EXPECT_EQ(ListView1.ListItems.Count(), 10000);
    EXPECT_EQ(ListView1.ListItems(10000).Index(), 10000);
    EXPECT_EQ(table()->model()->rowCount(), 10000);
    show();
    ListView1.ListItems(9000).EnsureVisible();
    ListView1.ListItems(9000).setSelected(true);
    ListView1.setSorted(true);
    EXPECT_EQ(ListView1.ListItems(1).Text(), "Song 1");
    EXPECT_EQ(ListView1.SelectedItem()->SubItems(4), "/music/8999.mp3");
    ListView1.ListItems.Clear();
    EXPECT_EQ(table()->model()->rowCount(), 0);
}
