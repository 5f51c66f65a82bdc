#pragma once
// The song properties editor: one play-list row's title, artist, type and
// music file, and the row's own look in the lyric windows (the look switch,
// five colours and a background picture). Opened by the main window's Edit
// button (Player::Command_Edit_Click) for the selected row; OK and Apply write
// the fields back into that row, which changes nowhere else meanwhile (Cancel
// leaves it exactly as it was).
//
// The editor follows its row, not a position: the row is marked when the
// editor opens on it, and the mark moves with the song when rows are moved,
// shuffled or sorted, and when the rows are rebuilt (another row removed,
// Add's commit or Cancel). In a list reloaded from its file the song's only
// row is the editor's. When the row has left the list, OK and Apply say so
// and write nothing.
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/tabstrip.h"

#include <string>

class ListItem;

class EditPlayList : public Form {
public:
    EditPlayList();

    SSTab SSTab1{this, 2};

    // ---- first tab: the song
    Label Label_Titre{SSTab1.page(0)};
    TextBox Text_Titre{SSTab1.page(0)};
    Label Label_Chanteur{SSTab1.page(0)};
    TextBox Text_Chanteur{SSTab1.page(0)};
    Label Label_Style{SSTab1.page(0)};
    TextBox Text_Style{SSTab1.page(0)};
    Label Label_Time{SSTab1.page(0)};
    TextBox Text_Time{SSTab1.page(0)};          // read-only
    Label Label_Path{SSTab1.page(0)};
    TextBox Text_Path{SSTab1.page(0)};          // read-only
    CommandButton Command_Browse{SSTab1.page(0)};
    Label Label_SykPresant{SSTab1.page(0)};
    Label Label3{SSTab1.page(0)};
    TextBox Text_SykPresant{SSTab1.page(0)};    // read-only: "Oui"/"Non", "Yes"/"No"
    Label Label4{SSTab1.page(0)};
    TextBox Text_Sy1Presant{SSTab1.page(0)};    // read-only

    // ---- second tab: the song's own look in the lyric windows
    CheckBox Check_Actif{SSTab1.page(1)};
    Label Label1{SSTab1.page(1)};
    Label Label2{SSTab1.page(1)};
    CommandButton Command_GetColorFont{SSTab1.page(1)};
    PictureBox Label_FontColor{SSTab1.page(1)};
    CommandButton Command_GetColorFontActif{SSTab1.page(1)};
    PictureBox Label_FontColorActif{SSTab1.page(1)};
    CommandButton Command_GetColorFontPassif{SSTab1.page(1)};
    PictureBox Label_FontColorPassif{SSTab1.page(1)};
    CommandButton Command_GetColorBack{SSTab1.page(1)};
    PictureBox Label_BackColor{SSTab1.page(1)};
    CommandButton Command_ShadowColor{SSTab1.page(1)};
    PictureBox Label_ShadowColor{SSTab1.page(1)};
    Label Label_ImageFond{SSTab1.page(1)};
    TextBox Text_ImageFond{SSTab1.page(1)};     // read-only
    CommandButton Command_BrowseI{SSTab1.page(1)};
    CommandButton Command_Aucun{SSTab1.page(1)};

    // ---- below the tabs
    CommandButton Command_Detect{this};         // shown with the first tab only
    CommandButton Command_Ok{this};
    CommandButton Command_Cancel{this};
    CommandButton Command_Appliquer{this};

    // 1-based position of the edited row when the editor last opened on it.
    int EditRowIndex = 0;

    void Form_Load() override;
    void Form_Resize() override;
    void SSTab1_Click(int PreviousTab);
    void Check_Actif_Click();
    void Command_Browse_Click();
    void Command_BrowseI_Click();
    void Command_Aucun_Click();
    void Command_Detect_Click();
    void Command_GetColorFont_Click();
    void Command_GetColorFontActif_Click();
    void Command_GetColorFontPassif_Click();
    void Command_GetColorBack_Click();
    void Command_ShadowColor_Click();
    void Command_Ok_Click();
    void Command_Appliquer_Click();
    void Command_Cancel_Click();

    // Fills the fields from `row` of the main window's list and makes it the
    // row that OK and Apply write (the opening of the Edit command).
    void OpenRow(ListItem& row);
    // The row the editor writes, nullptr when it is no longer in the list.
    ListItem* EditedRow() const;

private:
    std::string rowMark_;   // the Tag that marks the edited row
    std::string rowPath_;   // its song, to find it again in a reloaded list
    int loadsAtOpen_ = 0;   // PlayList::ListLoads when the editor opened on it
    // Writes the fields into the edited row; false when it is gone.
    bool WriteBack();
    void ChooseColor(PictureBox& swatch);
    void ShowPresence(const std::string& song);
};

// The editor's default instance, created and loaded on first use.
EditPlayList& editPlayList();

namespace PlayList {
// The length of a song file as m:ss, measured from the file without touching
// the song that plays: MIDI songs by their tempo map, the others by their
// audio, rounded to the nearest second (a half second up). "" when the file
// cannot be measured.
std::string SongLengthText(const std::string& song);
} // namespace PlayList
