// The list's three selection modes: detect tags ("Detection"), add files from
// a folder ("Ajout") and remove rows ("Supp"). In a mode every row carries a
// check box; OK commits the mode on the ticked rows and leaves it, Apply
// commits and enters the same mode again, Cancel leaves without a change.
#include "core/modini.h"
#include "core/player.h"
#include "platform/files/paths.h"
#include "platform/files/runtime.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "playlist/playlistrow.h"
#include "playlist/playlistview.h"
#include "playlist/songtag.h"
#include "playlist/syncfinder.h"

#include <algorithm>
#include <cstdlib>

using namespace PlayList;

namespace {

bool french() { return modIni::Langue == "Fr"; }

// Rows handled between two looks at pending events while tags are read: the
// window stays responsive (and a song keeps playing) over thousands of songs.
constexpr int TagRowsPerBatch = 16;

void showAll(std::initializer_list<Control*> controls, bool visible)
{
    for (Control* c : controls)
        c->setVisible(visible);
}

// The list buttons that a mode hides and its end shows again.
void showListButtons(Player& w, bool visible)
{
    showAll({&w.Command_Add, &w.Command_Supp, &w.Command_Save, &w.Command_SaveAs, &w.Command_Open, &w.Command_Edit,
             &w.Command_Detect, &w.Command_Quitter},
            visible);
}

// Ticks boxes on, every row unticked whatever the select-all box held before.
void startTicking(Player& w)
{
    w.ListView1.setCheckboxes(true);
    w.ListView1.setVisible(false);
    w.Check_Select.setValue(1);
    w.Check_Select.setValue(0);
}

void setActionLabel(Player& w, double points, const char* fr, const char* en)
{
    w.Label_Action.setFontSize(points);
    w.Label_Action.setCaption(french() ? fr : en);
}

// The row selected when "Detection" or "Supp" was entered: the walk over the
// rows moves the selection to the last one.
int rowBeforeMode = 0;

// Entering "Detection" or "Supp": the play list stays shown, with check boxes.
void enterCheckMode(Player& w, const std::string& mode)
{
    const ListItem* selected = w.ListView1.SelectedItem();
    rowBeforeMode = selected ? selected->Index() : 0;
    const bool detect = mode == "Detection";
    if (detect)
        w.setMousePointer(vbArrowHourglass);
    ListMode = mode;
    showAll({&w.Label_Mp3, &w.Command_Cacher, &w.Label_ItemCount}, false);
    showAll({&w.Command_Ok, &w.Command_Cancel, &w.Command_Appliquer}, true);
    w.Command_Cacher.setValue(1);
    // The mode's own buttons must be placed also when the compact view was on
    // already (its handler, which lays the window out, then does not run).
    w.ArrangePlayerControls();
    showListButtons(w, false);
    w.Select_Song.setVisible(false);
    if (detect)
        setActionLabel(w, 8, "Ceci permet d'importer le titre et le chanteur inclus dans l'index de la chanson (Tag)",
                       "This allows you to detect the title and artist included in the music index (Tag)");
    else
        setActionLabel(w, 12, "Retirer de la Liste de Sélection", "Remove from Play List");
    startTicking(w);
    w.ListView1.setVisible(true);
    showAll({&w.Check_Select, &w.Label_SelectAll, &w.Label_Action, &w.Label_ItemCount}, true);
    w.Image_Tab.setEnabled(false);
    w.setMousePointer(vbDefault);
}

// A mode is entered only from the play list with no other mode active.
bool canEnterMode()
{
    return ListMode.empty() && !ListBusy && modIni::PlayListTab != 0;
}

// Where the list goes back to once the folder view of "Ajout" is left.
void placePlayList(Player& w)
{
    w.ListView1.Move(90, 885, std::max(0, w.ScaleWidth() - 200), std::max(0, w.ScaleHeight() - 2590));
}

// The play list's own order while "Ajout" shows a folder: a header click in
// the folder sorts the folder, and must not re-sort the play list when its
// rows come back.
struct SortState {
    bool sorted = false;
    int key = 0;
    int order = 0;
};
SortState playListSort;

void keepPlayListSort(const ListView& list)
{
    playListSort = {list.Sorted(), list.SortKey(), list.SortOrder()};
}

// The current song when "Ajout" was entered. A click on a folder row makes
// that file the current song (a double click plays it before it is added),
// but once the mode ends the current song is one of the play list again.
std::string songBeforeAdd;

// Brings the play list back from the copy list in the order it had (new rows
// of a commit after the old ones, unless the play list itself was sorted).
void restoreInOrder(Player& w)
{
    w.ListView1.setSorted(false);
    w.ListView1.setSortKey(playListSort.key);
    w.ListView1.setSortOrder(playListSort.order);
    w.RestorePlayList();
    if (playListSort.sorted)
        w.ListView1.setSorted(true);
}

// A path with ";" or a line break cannot be stored in a ".lst" line: the
// next load would cut it in two.
void tellUnstorable(const std::vector<std::string>& names, Unstorable why)
{
    if (names.empty())
        return;
    std::string list;
    for (const std::string& n : names)
        list += "\n" + oneLineName(n);
    if (why == Unstorable::LineBreak)
        MsgBox(french() ? "Le nom de ces fichiers contient un saut de ligne : ils ne peuvent pas être ajoutés à la Liste "
                          "de Sélection."
                              + list
                        : "These file names contain a line break: they cannot be added to the Play List." + list,
               vbOKOnly + vbExclamation, french() ? "Attention" : "Warning");
    else
        MsgBox(french() ? "Le nom de ces fichiers contient « ; » : ils ne peuvent pas être ajoutés à la Liste de "
                          "Sélection."
                              + list
                        : "These file names contain \";\": they cannot be added to the Play List." + list,
               vbOKOnly + vbExclamation, french() ? "Attention" : "Warning");
}

// ---- the commits --------------------------------------------------------------

void showTagProgress(Player& w, int done, int total)
{
    w.Label_ItemCount.setCaption(std::to_string(done) + " / " + std::to_string(total));
    // The song's progress bar is borrowed only while no song plays.
    if (!modIni::IsPlaying) {
        if (done == 0) {
            w.ProgressBar1.setMin(0);
            w.ProgressBar1.setMax(std::max(total, 1));
        }
        w.ProgressBar1.setValue(std::clamp(done, 0, std::max(total, 1)));
    }
}

// One row of the "Detection" commit: a missing song gets the missing-file
// icon and keeps everything else; an existing one gets its sync flag, and its
// tags when it is ticked.
void detectRow(Player& w, ListItem& item, SyncFinder& finder)
{
    const std::string path = item.SubItems(ColPath);
    if (!modIni::FileExists(path)) {
        item.setSmallIcon(IconStop);
        return;
    }
    const bool hasSyk = !finder.findSyk(path).empty();
    const bool hasSy1 = hasSyk && !finder.findSy1(path).empty();
    item.setSubItems(ColSyncFlag, syncFlag(hasSyk, hasSy1, modIni::Langue));
    if (!item.Checked())
        return;
    w.Select_Song.setText(path);
    ReadSongTag(path);
    if (!SongTag[1].empty()) {
        item.setText(SongTag[1]);
        item.setSubItems(ColArtist, SongTag[2]);
    }
}

void commitDetection(Player& w)
{
    ListView& list = w.ListView1;
    const int total = list.ListItems.Count();
    SyncFinder finder(modIni::IniAccess("GET", "Path", "Path Syk"));
    // Nothing may reload, list or save the play list while events run between
    // batches, and the window takes no input meanwhile.
    ListBusy = true;
    w.setEnabled(false);
    showTagProgress(w, 0, total);
    for (int i = 1; i <= list.ListItems.Count(); ++i) {
        try {
            if (ListItem* item = list.ListItems.Item(i))
                detectRow(w, *item, finder);
        } catch (...) {
            // A song that cannot be looked at is skipped; the walk goes on.
        }
        if (i % TagRowsPerBatch == 0) {
            showTagProgress(w, i, total);
            DoEvents();
        }
    }
    if (!modIni::IsPlaying)
        w.ProgressBar1.setValue(w.ProgressBar1.Min());
    w.setEnabled(true);
    ListBusy = false;
    // The walk ends on the last row.
    if (ListItem* last = list.ListItems.Item(list.ListItems.Count()))
        last->setSelected(true);
}

// Appends the ticked folder files to the play list waiting in ListView2 and
// brings the play list back. Returns the number of rows added.
int commitAdd(Player& w, PlayListRow& firstAdded)
{
    SyncFinder finder(modIni::IniAccess("GET", "Path", "Path Syk"));
    const std::string folder = paths::withTrailingSlash(modIni::LastDirList);
    std::vector<std::string> refused;
    std::vector<std::string> refusedBreaks;
    int added = 0;
    w.ListView2.BeginUpdate();
    for (int i = 1; i <= w.ListView1.ListItems.Count(); ++i) {
        const ListItem* item = w.ListView1.ListItems.Item(i);
        if (!item || !item->Checked())
            continue;
        const std::string& name = item->Text();
        PlayListRow row;
        row[ColPath] = folder + name;
        if (const Unstorable why = unstorableInList(row[ColPath]); why != Unstorable::None) {
            (why == Unstorable::LineBreak ? refusedBreaks : refused).push_back(name);
            continue;
        }
        row[ColTitle] = nameAsText(vb::Left(name, static_cast<long>(vb::Len(name)) - 4));
        row[ColStyle] = item->SubItems(2);
        const bool hasSyk = !finder.findSyk(row[ColPath]).empty();
        const bool hasSy1 = hasSyk && !finder.findSy1(row[ColPath]).empty();
        row[ColSyncFlag] = syncFlag(hasSyk, hasSy1, modIni::Langue);
        appendRow(w.ListView2, row, "");
        if (added++ == 0)
            firstAdded = row;
    }
    w.ListView2.EndUpdate();

    w.ListView1.setCheckboxes(false);
    w.Drive1.setVisible(false);
    w.Dir1.setVisible(false);
    w.ListView1.ListItems.Clear();
    placePlayList(w);
    w.SetPlayListColumns();
    restoreInOrder(w);
    tellUnstorable(refused, Unstorable::Semicolon);
    tellUnstorable(refusedBreaks, Unstorable::LineBreak);
    return added;
}

void commitRemove(Player& w)
{
    w.ListView2.ListItems.Clear();
    w.ListView2.BeginUpdate();
    for (int i = 1; i <= w.ListView1.ListItems.Count(); ++i) {
        const ListItem* item = w.ListView1.ListItems.Item(i);
        if (item && !item->Checked())
            copyRow(w.ListView2, *item, "");
    }
    w.ListView2.EndUpdate();
    w.ListView1.ListItems.Clear();
    w.RestorePlayList();
    w.ListView2.ListItems.Clear();
}

// Once "Detection" or "Supp" is left, the selected row is the current song's
// again, as before the mode's walk over the rows, so that the row the user
// sees highlighted is the song Play plays. Of the rows holding that song, the
// one nearest the row selected before the mode (the same row where no row was
// removed above it); none when the song is not in the list.
void selectCurrentSongRow(Player& w)
{
    const std::string& song = w.Select_Song.Text();
    ListItem* nearest = nullptr;
    for (int i = 1; i <= w.ListView1.ListItems.Count(); ++i) {
        ListItem* item = w.ListView1.ListItems.Item(i);
        if (!item || song.empty() || item->SubItems(ColPath) != song)
            continue;
        if (!nearest || std::abs(i - rowBeforeMode) < std::abs(nearest->Index() - rowBeforeMode))
            nearest = item;
    }
    w.ListView1.setSelectedItem(nearest);
    if (nearest)
        nearest->EnsureVisible();
}

// After "Ajout" the selection moves onto the first added row, and the
// selected row is the current song. Also when the added rows make the whole
// list: a first Add onto an empty list leaves a song that Play plays.
void selectFirstAdded(Player& w, int added, const PlayListRow& firstAdded)
{
    w.ListView1.SetFocus();
    const int count = w.ListView1.ListItems.Count();
    if (count < added)
        return;
    ListItem* target = nullptr;
    if (!w.ListView1.Sorted()) {
        target = w.ListView1.ListItems.Item(count - added + 1);
    } else {
        // A sorted list placed the new rows in its order.
        for (int i = 1; i <= count && !target; ++i) {
            ListItem* it = w.ListView1.ListItems.Item(i);
            if (it && rowOf(*it) == firstAdded)
                target = it;
        }
    }
    if (target) {
        target->setSelected(true);
        target->EnsureVisible();
        w.Select_Song.setText(target->SubItems(ColPath));
    }
}

} // namespace

// ---- entering a mode --------------------------------------------------------------

void Player::Command_Detect_Click()
{
    if (canEnterMode())
        enterCheckMode(*this, "Detection");
}

void Player::Command_Supp_Click()
{
    if (canEnterMode())
        enterCheckMode(*this, "Supp");
}

void Player::Command_Add_Click()
{
    if (!canEnterMode())
        return;
    ListMode = "Ajout";
    showAll({&Label_Mp3, &Command_Cacher, &Label_ItemCount}, false);
    showAll({&Command_Ok, &Command_Cancel, &Command_Appliquer, &Drive1, &Dir1}, true);
    setActionLabel(*this, 12, "Ajouter à la Liste de Sélection", "Add to Play List");
    Command_Cacher.setValue(1);
    ArrangePlayerControls();
    Select_Song.setVisible(false);
    setMousePointer(vbArrowHourglass);
    Image_Tab.setEnabled(false);

    // The play list waits in the copy list while the folder is shown.
    ListView2.ListItems.Clear();
    BackupPlayList();
    keepPlayListSort(ListView1);
    songBeforeAdd = Select_Song.Text();
    showListButtons(*this, false);
    showAll({&Label_Action, &Label_ItemCount}, true);
    ListView1.ListItems.Clear();
    PlayListTabName = "DirList";

    // A remembered folder that is gone gives way to the home folder.
    if (!paths::isFolder(modIni::LastDirList))
        modIni::LastDirList = paths::homeFolder();
    // The folder list's change handler lists the folder (and moves the drive
    // list along) when the folder shown changes.
    Dir1.setPath(modIni::LastDirList);
    DoEvents();
    SetBrowseColumns();
    if (ListView1.ListItems.Count() == 0)
        ListFolder();

    startTicking(*this);
    showAll({&Check_Select, &Label_SelectAll}, true);
    ListView1.setVisible(true);
    if (ListItem* first = ListView1.ListItems.Item(1))
        first->setSelected(true);
    setMousePointer(vbDefault);
}

// ---- ticking ---------------------------------------------------------------------------

void Player::Check_Select_Click()
{
    if (!ListView1.Checkboxes())
        ListView1.setCheckboxes(true);
    const int count = ListView1.ListItems.Count();
    if (count == 0)
        return;
    const bool tick = Check_Select.Value() == 1;
    ListView1.BeginUpdate();
    for (int i = 1; i <= count; ++i)
        if (ListItem* item = ListView1.ListItems.Item(i))
            item->setChecked(tick);
    ListView1.EndUpdate();
    // The walk over the rows leaves the last one selected.
    if (ListItem* last = ListView1.ListItems.Item(count))
        last->setSelected(true);
}

void Player::Label_SelectAll_Click()
{
    Check_Select.setValue(Check_Select.Value() == 1 ? 0 : 1);
}

// ---- leaving a mode -----------------------------------------------------------------------

void Player::Command_Ok_Click()
{
    if (ListView1.ListItems.Count() == 0) {
        Command_Cancel_Click();
        return;
    }
    if (ListBusy)
        return;
    setMousePointer(vbArrowHourglass);
    modIni::PlayListModified = true;

    int added = 0;
    PlayListRow firstAdded;
    if (ListMode == "Supp")
        commitRemove(*this);
    else if (ListMode == "Ajout")
        added = commitAdd(*this, firstAdded);
    else if (ListMode == "Detection")
        commitDetection(*this);

    PlayListTabName = "PlayList";
    ListView1.setCheckboxes(false);
    ListView2.ListItems.Clear();
    if (ListMode == "Ajout")
        Select_Song.setText(songBeforeAdd);
    Label_ItemCount.setCaption(itemCountText(static_cast<std::size_t>(ListView1.ListItems.Count()), modIni::Langue));
    Image_Tab.setEnabled(true);
    showListButtons(*this, true);
    Command_Cacher.setVisible(true);
    showAll({&Command_Ok, &Command_Cancel, &Command_Appliquer, &Check_Select, &Label_SelectAll}, false);
    Command_Cacher.setValue(0);
    ArrangePlayerControls();
    showAll({&Label_Mp3, &Select_Song, &Label_ItemCount}, true);
    Label_Action.setVisible(false);
    if (ListMode == "Ajout" && added > 0)
        selectFirstAdded(*this, added, firstAdded);
    else if (ListMode == "Supp" || ListMode == "Detection")
        selectCurrentSongRow(*this);
    ListMode.clear();
    setMousePointer(vbDefault);
}

void Player::Command_Appliquer_Click()
{
    if (ListView1.ListItems.Count() == 0 || ListBusy)
        return;
    const std::string mode = ListMode;
    modIni::PlayListModified = true;
    Command_Ok_Click();
    if (mode == "Supp")
        Command_Supp_Click();
    else if (mode == "Ajout")
        Command_Add_Click();
    else if (mode == "Detection")
        Command_Detect_Click();
    MsgBox(french() ? "Complèté..." : "Done...", vbOKOnly + vbInformation, "");
}

void Player::Command_Cancel_Click()
{
    if (ListBusy)
        return;
    setMousePointer(vbArrowHourglass);
    ListView1.setCheckboxes(false);
    if (ListMode == "Ajout") {
        Drive1.setVisible(false);
        Dir1.setVisible(false);
        ListView1.ListItems.Clear();
        placePlayList(*this);
        SetPlayListColumns();
        restoreInOrder(*this);
        Select_Song.setText(songBeforeAdd);
    } else if (ListMode == "Supp" || ListMode == "Detection") {
        selectCurrentSongRow(*this);
    }
    PlayListTabName = "PlayList";
    ListView2.ListItems.Clear();
    Command_Cacher.setVisible(true);
    showAll({&Command_Ok, &Command_Cancel, &Command_Appliquer, &Check_Select, &Label_SelectAll}, false);
    Command_Cacher.setValue(0);
    Image_Tab.setEnabled(true);
    showListButtons(*this, true);
    showAll({&Label_Mp3, &Select_Song, &Label_ItemCount}, true);
    Label_Action.setVisible(false);
    ListMode.clear();
    ArrangePlayerControls();
    setMousePointer(vbDefault);
}
