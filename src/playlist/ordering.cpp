// The order and the look of the main window's list: move up and down,
// shuffle, sort by a column, list or detail view, grid lines.
#include "playlist/ordering.h"

#include "core/modini.h"
#include "core/player.h"
#include "core/uihelpers.h"
#include "playlist/playlistrow.h"
#include "playlist/playlistview.h"

#include <algorithm>
#include <array>
#include <random>
#include <vector>

namespace PlayList {

bool exchangeRows(ListView& list, int p, int q, int lastSubItem)
{
    if (p == q)
        return false;
    ListItem* a = list.ListItems.Item(p);
    ListItem* b = list.ListItems.Item(q);
    if (!a || !b)
        return false;
    // Everything is read before anything is written.
    std::vector<std::string> textsA, textsB;
    textsA.reserve(static_cast<std::size_t>(lastSubItem) + 1);
    textsB.reserve(static_cast<std::size_t>(lastSubItem) + 1);
    textsA.push_back(a->Text());
    textsB.push_back(b->Text());
    for (int j = 1; j <= lastSubItem; ++j) {
        textsA.push_back(a->SubItems(j));
        textsB.push_back(b->SubItems(j));
    }
    const std::string iconA = a->SmallIcon(), iconB = b->SmallIcon();
    const std::string tagA = a->Tag(), tagB = b->Tag();

    a->setSmallIcon(iconB);
    b->setSmallIcon(iconA);
    a->setText(textsB[0]);
    b->setText(textsA[0]);
    for (int j = 1; j <= lastSubItem; ++j) {
        a->setSubItems(j, textsB[static_cast<std::size_t>(j)]);
        b->setSubItems(j, textsA[static_cast<std::size_t>(j)]);
    }
    a->setTag(tagB);
    b->setTag(tagA);
    return true;
}

int lastSubItemFor(const std::string& playListTabName)
{
    return playListTabName == "PlayList" ? PlayListColumnCount - 1 : 3;
}

namespace {

std::mt19937& generator()
{
    static std::mt19937 gen = [] {
        std::random_device device;
        std::seed_seq seq{device(), device(), device(), device()};
        return std::mt19937(seq);
    }();
    return gen;
}

} // namespace

float Rnd()
{
    // 24 random bits make every float of [0, 1) on the 2^-24 grid, never 1.
    return static_cast<float>(generator()() >> 8) * (1.0f / 16777216.0f);
}

void Randomize(std::uint32_t seed)
{
    generator().seed(seed);
}

void shuffleRows(ListView& list, int lastSubItem, const std::function<float()>& rnd)
{
    // The row count is read again on every pass, as rows cannot change here.
    for (int i = 1; i != list.ListItems.Count() + 1; ++i) {
        const int n = list.ListItems.Count();
        int j = static_cast<int>(static_cast<double>(rnd()) * n + 1);
        j = std::clamp(j, 1, n);
        exchangeRows(list, i, j, lastSubItem);
    }
}

} // namespace PlayList

using namespace PlayList;

namespace {

// A hand-made order is part of the play list: once it changed, leaving or
// closing asks to save it. The folder view has nothing to save.
void markOrderChanged(Player& w)
{
    if (w.PlayListTabName == "PlayList")
        modIni::PlayListModified = true;
}

// The rows' contents in order, to tell whether a sort moved anything.
std::vector<std::array<std::string, 2>> orderKey(ListView& list)
{
    std::vector<std::array<std::string, 2>> key;
    const int n = list.ListItems.Count();
    key.reserve(static_cast<std::size_t>(n));
    for (int i = 1; i <= n; ++i)
        if (const ListItem* it = list.ListItems.Item(i))
            key.push_back({it->Text(), it->SubItems(ColPath)});
    return key;
}

// Sorted mode on: the list orders its rows at once by the sort column.
void sortNow(Player& w)
{
    if (w.PlayListTabName != "PlayList") {
        w.ListView1.setSorted(true);
        return;
    }
    const auto before = orderKey(w.ListView1);
    w.ListView1.setSorted(true);
    if (orderKey(w.ListView1) != before)
        markOrderChanged(w);
}

void moveSelected(Player& w, int step)
{
    if (w.Select_Song.Text().empty()) {
        modIni::MsgSelectSong();
        return;
    }
    ListItem* item = w.ListView1.SelectedItem();
    if (!item) {
        // A current song but no selected row: there is nothing to move.
        w.ListView1.SetFocus();
        return;
    }
    const int r = item->Index();
    const int target = r + step;
    if (target < 1 || target > w.ListView1.ListItems.Count()) {
        w.ListView1.SetFocus();
        return;
    }
    w.setMousePointer(vbArrowHourglass);
    // A list moved by hand is no longer in sort order: rows added later are
    // appended instead of being sorted in.
    w.ListView1.setSorted(false);
    if (exchangeRows(w.ListView1, r, target, lastSubItemFor(w.PlayListTabName)))
        markOrderChanged(w);
    if (ListItem* moved = w.ListView1.ListItems.Item(target)) {
        moved->setSelected(true);
        moved->EnsureVisible();
    }
    w.ListView1.SetFocus();
    w.setMousePointer(vbDefault);
}

} // namespace

// ---- order ------------------------------------------------------------------------

void Player::Command_Up_Click() { moveSelected(*this, -1); }

void Player::Command_Dwn_Click() { moveSelected(*this, +1); }

void Player::Command_Random_Click()
{
    setMousePointer(vbArrowHourglass);
    const int n = ListView1.ListItems.Count();
    ListView1.setSorted(false);
    ListView1.BeginUpdate();
    shuffleRows(ListView1, lastSubItemFor(PlayListTabName));
    ListView1.EndUpdate();
    if (n > 1)
        markOrderChanged(*this);
    setMousePointer(vbDefault);
}

void Player::Command_Trie_Click()
{
    ListView1.setSortOrder(0);
    sortNow(*this);
}

void Player::ListView1_ColumnClick(ColumnHeader& ColumnHeader)
{
    ListView1.setSortKey(ColumnHeader.Index() - 1);
    ListView1.setSortOrder(ListView1.SortOrder() != 1 ? 1 : 0);
    sortNow(*this);
}

// ---- views ---------------------------------------------------------------------------

void Player::TickViewMenu()
{
    const int view = ListView1.View();
    mnuView[0].setChecked(view == 2);
    mnuView[1].setChecked(view == 3);
}

void Player::Command_ViewList_Click()
{
    ListView1.setView(2);
    modIni::IniAccess("WRITE", "Setting", "ListView", "2");
    TickViewMenu();
}

void Player::Command_ViewDetail_Click()
{
    ListView1.setView(3);
    modIni::IniAccess("WRITE", "Setting", "ListView", "3");
    TickViewMenu();
}

void Player::mnuView_Click(int Index)
{
    if (Index < 0 || Index > 1)
        return;
    const int view = Index + 2;
    ListView1.setView(view);
    TickViewMenu();
    modIni::IniAccess("WRITE", "Setting", "ListView", view);
    sortNow(*this);
}

// ---- grid lines ------------------------------------------------------------------------

void Player::Check_GridLines_Click()
{
    ListView1.setGridLines(Check_GridLines.Value() != 0);
}

void Player::mnuGride_Click(int Index)
{
    if (Index != 0)
        return;
    if (mnuGride[0].Checked()) {
        mnuGride[0].setChecked(false);
        Check_GridLines.setValue(0);
    } else {
        mnuGride[0].setChecked(true);
        Check_GridLines.setValue(1);
    }
    modIni::IniAccess("WRITE", "Setting", "GridLines", Check_GridLines.Value());
}
