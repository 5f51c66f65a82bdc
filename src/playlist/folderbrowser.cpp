// The folder tab of the list: the songs of one folder, the drive and folder
// lists that choose it, the switch between the two tabs, and F5.
#include "core/modini.h"
#include "core/player.h"
#include "platform/files/paths.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "playlist/folderlisting.h"
#include "playlist/playlistrow.h"
#include "playlist/playlistview.h"

using namespace PlayList;

namespace {

bool french() { return modIni::Langue == "Fr"; }

constexpr int RowsPerBatch = 250;

// Set while the drive list is made to follow the folder list: that change of
// drive must not send the folder list back to the root of the drive.
bool driveFollowsFolder = false;


void centreNotice(Player& w)
{
    w.Text_Londing.Move(w.ListView1.Left() + w.ListView1.Width() / 2 - w.Text_Londing.Width() / 2,
                        w.ListView1.Top() + w.ListView1.Height() / 2 - w.Text_Londing.Height() / 2);
    w.Text_Londing.setVisible(true);
    w.Text_Londing.ZOrder(0);
}

void setItemCount(Player& w)
{
    w.Label_ItemCount.setCaption(itemCountText(static_cast<std::size_t>(w.ListView1.ListItems.Count()), modIni::Langue));
}

// True when the folder holds at least one visible regular file.
bool folderHasFiles(const std::string& folder) { return !paths::listFolder(folder).empty(); }

} // namespace

// ---- columns and the listing ---------------------------------------------------

void Player::SetBrowseColumns()
{
    const float width = static_cast<float>(ListView1.Width());
    ListView1.setVisible(false);
    ListView1.ColumnHeaders.Clear();
    for (const ColumnSpec& c : browseColumns())
        ListView1.ColumnHeaders.Add(0, "", french() ? c.textFr : c.textEn, width * static_cast<float>(c.percent) / 100.0f);
    ListView1.setVisible(true);
}

void Player::ListFolder()
{
    if (ListBusy)
        return;
    ListBusy = true;
    setMousePointer(vbArrowHourglass);
    centreNotice(*this);
    DoEvents();

    modIni::LastDirList = paths::withTrailingSlash(modIni::LastDirList);
    DoEvents();
    ListView1.ListItems.Clear();
    DoEvents();

    SyncFinder finder(modIni::IniAccess("GET", "Path", "Path Syk"));
    const std::vector<FolderRow> rows = listFolderRows(modIni::LastDirList, finder, modIni::Langue);
    const int total = static_cast<int>(rows.size());
    const bool long_ = total > RowsPerBatch;
    if (long_)
        setEnabled(false);
    ListView1.BeginUpdate();
    int done = 0;
    for (const FolderRow& row : rows) {
        ListItem& item = ListView1.ListItems.Add(0, "", row.name);
        item.setSmallIcon(row.icon);
        item.setSubItems(1, row.sizeText);
        item.setSubItems(2, row.type);
        item.setSubItems(3, row.flag);
        if (++done % RowsPerBatch == 0) {
            ListView1.EndUpdate();
            if (!modIni::IsPlaying) {
                if (done == RowsPerBatch) {
                    ProgressBar1.setMin(0);
                    ProgressBar1.setMax(total);
                }
                ProgressBar1.setValue(done);
            }
            DoEvents();
            ListView1.BeginUpdate();
        }
    }
    ListView1.EndUpdate();
    if (long_) {
        setEnabled(true);
        if (!modIni::IsPlaying)
            ProgressBar1.setValue(ProgressBar1.Min());
    }
    setItemCount(*this);

    // The first row becomes the selected one; the folder list keeps the focus.
    // The row is selected directly: a Home key would reach the list only when
    // its window has the keyboard (not while another window is in front, nor
    // while the list is hidden during the tab switch), and would otherwise
    // move whatever else holds the focus.
    ListView1.SetFocus();
    if (ListItem* first = ListView1.ListItems.Item(1))
        first->setSelected(true);
    Dir1.SetFocus();
    Text_Londing.setVisible(false);
    setMousePointer(vbDefault);
    ListBusy = false;
}

// ---- the tab strip ------------------------------------------------------------------

void Player::Image_Tab_Click()
{
    if (ListBusy)
        return;
    if (modIni::PlayListTab == 1) {
        // Play list -> folder. The changes are offered for saving first: when
        // the save fails the user stays in the play list, which stays shown.
        if (!AskSavePlayList())
            return;
        setMousePointer(vbArrowHourglass);
        modIni::PlayListTab = 0;
        modIni::IniAccess("WRITE", "Setting", "SSTab", "0");
        Image_Tab.setPicture(french() ? Image_Tab1Fr.Picture() : Image_Tab1An.Picture());
        DoEvents();
        for (CommandButton* b : {&Command_Add, &Command_Supp, &Command_Save, &Command_SaveAs, &Command_Open,
                                 &Command_Edit, &Command_Detect})
            b->setVisible(false);
        mnuEdit[0].setVisible(false);
        mnuDetect[0].setVisible(false);
        mnuDeleteToPlayList[0].setVisible(false);
        mnuAddtoPlayList[0].setVisible(true);
        PlayListTabName = "DirList";
        ListView1.ListItems.Clear();
        // A remembered folder that is gone, or holds no file, gives way to the
        // home folder.
        if (!folderHasFiles(modIni::LastDirList))
            modIni::LastDirList = paths::homeFolder();
        Dir1.setPath(modIni::LastDirList);
        FollowFolderWithDrive(modIni::LastDirList);
        DoEvents();
        ArrangePlayerControls();
        Drive1.setVisible(true);
        Dir1.setVisible(true);
        SetBrowseColumns();
        if (ListView1.ListItems.Count() == 0)
            ListFolder();
    } else {
        // Folder -> play list.
        setMousePointer(vbArrowHourglass);
        modIni::PlayListTab = 1;
        modIni::IniAccess("WRITE", "Setting", "SSTab", "1");
        Image_Tab.setPicture(french() ? Image_Tab2Fr.Picture() : Image_Tab2An.Picture());
        ShowPlayListTab();
    }
    Select_Song.setText("");
    setMousePointer(vbDefault);
}

void Player::FollowFolderWithDrive(const std::string& folder)
{
    driveFollowsFolder = true;
    Drive1.setDrive(folder);
    driveFollowsFolder = false;
}

void Player::ShowPlayListTab()
{
    ListView1.setSorted(false);
    for (CommandButton* b : {&Command_Add, &Command_Supp, &Command_Save, &Command_SaveAs, &Command_Open,
                             &Command_Edit, &Command_Detect})
        b->setVisible(true);
    mnuEdit[0].setVisible(true);
    mnuDetect[0].setVisible(true);
    mnuDeleteToPlayList[0].setVisible(true);
    mnuAddtoPlayList[0].setVisible(false);
    PlayListTabName = "PlayList";
    Drive1.setVisible(false);
    Dir1.setVisible(false);
    ListView1.ListItems.Clear();
    ListView1.setVisible(false);
    ArrangePlayerControls();
    ListView1.setVisible(true);
    SetPlayListColumns();
    // The play list decides what a missing remembered list means; nothing here
    // writes "Path Lst" itself.
    LoadPlayList(modIni::PathLst);
}

// ---- drive and folder lists -------------------------------------------------------

void Player::Dir1_Change()
{
    const std::string path = Dir1.Path();
    if (path.empty()) {
        // The folder list could not say where it is: list the drive's root and
        // remember nothing.
        modIni::LastDirList = paths::withTrailingSlash(Drive1.Drive());
        ListFolder();
        return;
    }
    modIni::LastDirList = paths::withTrailingSlash(path);
    FollowFolderWithDrive(path);
    ListFolder();
    modIni::IniAccess("WRITE", "Path", "Path", modIni::LastDirList);
}

void Player::Drive1_Change()
{
    if (driveFollowsFolder)
        return;
    const std::string drive = Drive1.Drive();
    if (!paths::isFolder(drive)) {
        MsgBox((french() ? "Accès invalide! Valider le disque " : "Access denied! Please check drive ")
                   + paths::withTrailingSlash(drive),
               vbOKOnly + vbCritical, french() ? "Disque inaccessible" : "Drive not accessible");
        // Back to the drive the folder list is on.
        Drive1.setDrive(Dir1.Path());
        return;
    }
    Dir1.setPath(drive);
}

// ---- F5 --------------------------------------------------------------------------------

void Player::ListView1_KeyDown(int& KeyCode, int Shift)
{
    (void)Shift;
    if (KeyCode != vbKeyF5)
        return;
    // While a selection mode shows a folder in the play-list tab, a reload
    // would put the play list among the folder's files.
    if (ListBusy || !ListMode.empty())
        return;
    if (modIni::PlayListTab != 0) {
        // Reloading drops what was changed on screen: offer to keep it first,
        // and keep it shown when it could not be saved.
        if (!AskSavePlayList())
            return;
        ListView1.ListItems.Clear();
        LoadPlayList(modIni::PathLst);
    } else {
        ListView1.ListItems.Clear();
        ListFolder();
    }
    ListView1.SetFocus();
    SendKeys("{HOME}", true);
}
