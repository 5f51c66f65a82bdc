// The song properties editor (EditPlayList) and the Edit command that opens it.
#include "playlist/editplaylist.h"

#include "core/modini.h"
#include "core/player.h"
#include "core/theme.h"
#include "core/uihelpers.h"
#include "platform/files/paths.h"
#include "platform/files/runtime.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "platform/media/mediaplayer.h"
#include "playback/midiplayer.h"
#include "playlist/playlistrow.h"
#include "playlist/playlistview.h"
#include "playlist/songtag.h"

#include <optional>

using namespace PlayList;

namespace {

bool french() { return modIni::Langue == "Fr"; }

// A colour of the row or of the settings: decimal text of a 0xBBGGRR value.
std::optional<long> colourOf(const std::string& text)
{
    const std::optional<double> n = vb::ToNumber(text);
    if (!n)
        return std::nullopt;
    return vb::CLng(*n) & 0xFFFFFF;
}

long iniColour(const char* key)
{
    return colourOf(modIni::IniGetOrDefault("Kar Windows", key)).value_or(0);
}

std::string yesNo(bool yes)
{
    if (french())
        return yes ? "Oui" : "Non";
    return yes ? "Yes" : "No";
}

// A ".mid" or ".kar" song (whatever the case of its name) is measured by its
// MIDI tempo map; every other song by its audio file.
bool isMidiSong(const std::string& song)
{
    const std::string ext = vb::LCase(vb::Right(song, 3));
    return ext == "mid" || ext == "kar";
}

std::string currentFolder()
{
    const std::string here = paths::currentFolder();
    return here.empty() ? paths::homeFolder() : here;
}

// Each opening marks its row with a mark of its own, so a row marked by an
// earlier opening never passes for the one the editor shows now.
int markCounter = 0;

} // namespace

EditPlayList& editPlayList()
{
    return formInstance<EditPlayList>();
}

namespace PlayList {

std::string SongLengthText(const std::string& song)
{
    // A ".mid" or ".kar" song (whatever the case of its name) is measured by
    // its tempo map, every other song by its audio file; neither disturbs a
    // song that plays.
    if (isMidiSong(song))
        return Kar::MidiFileLengthText(song);
    const std::optional<double> seconds = media::probeDuration(song);
    return seconds ? vb::FormatMinSec(*seconds) : std::string();
}

} // namespace PlayList

// ---- the Edit command ----------------------------------------------------------------

void Player::Command_Edit_Click()
{
    if (Select_Song.Text().empty()) {
        modIni::MsgSelectSong();
        return;
    }
    // Only a play-list row has the fields the editor shows.
    ListItem* row = ListView1.SelectedItem();
    if (!row || PlayListTabName != "PlayList" || !ListMode.empty())
        return;
    // The editor works on the row's own song: after a shuffle or a commit the
    // current song may be another row's.
    const std::string song = row->SubItems(ColPath);
    if (!modIni::FileExists(song)) {
        MsgBox(french() ? "Fichier Introuvable" : "File not found", vbOKOnly + vbQuestion,
               french() ? "Attention" : "Warning");
        row->setSmallIcon(IconStop);
        return;
    }
    EditPlayList& editor = editPlayList();
    editor.Show();
    editor.OpenRow(*row);
}

// ---- the window ------------------------------------------------------------------------

EditPlayList::EditPlayList()
{
    setCaption("Edition");
    setBorderStyle(3);
    setMinButton(false);
    setMaxButton(false);
    setScaleWidth(6000);
    setScaleHeight(4680);

    SSTab1.Move(120, 120, 5760, 3900);
    SSTab1.setTabCaption(0, "Général");
    SSTab1.setTabCaption(1, "Karaoke");

    // First tab.
    Label_Titre.Move(120, 240, 1100, 285);
    Label_Titre.setCaption("Titre:");
    Text_Titre.Move(1300, 200, 4200, 315);
    Label_Chanteur.Move(120, 640, 1100, 285);
    Label_Chanteur.setCaption("Chanteur:");
    Text_Chanteur.Move(1300, 600, 4200, 315);
    Label_Style.Move(120, 1040, 1100, 285);
    Label_Style.setCaption("Style:");
    Text_Style.Move(1300, 1000, 1900, 315);
    Label_Time.Move(3360, 1040, 700, 285);
    Label_Time.setCaption("Temp:");
    Text_Time.Move(4100, 1000, 1400, 315);
    Text_Time.setLocked(true);
    Label_Path.Move(120, 1440, 1100, 285);
    Label_Path.setCaption("Chemin:");
    Text_Path.Move(1300, 1400, 4200, 315);
    Text_Path.setLocked(true);
    Command_Browse.Move(4200, 1800, 1300, 375);
    Command_Browse.setCaption("Parcourir");
    Label_SykPresant.Move(120, 2380, 1100, 285);
    Label_SykPresant.setCaption("Présent:");
    Label3.Move(1300, 2380, 500, 285);
    Label3.setCaption(".Syk");
    Text_SykPresant.Move(1850, 2340, 800, 315);
    Text_SykPresant.setLocked(true);
    Label4.Move(2900, 2380, 500, 285);
    Label4.setCaption(".Sy1");
    Text_Sy1Presant.Move(3450, 2340, 800, 315);
    Text_Sy1Presant.setLocked(true);

    // Second tab.
    Check_Actif.Move(120, 240, 300, 300);
    Label1.Move(480, 180, 5100, 255);
    Label1.setCaption("Activer cette fonction afin de personnaliser ");
    Label2.Move(480, 420, 5100, 255);
    Label2.setCaption("la fenêtre karaoké pour cette chanson.");
    struct ColourRow {
        CommandButton* button;
        PictureBox* swatch;
        const char* caption;
    };
    const ColourRow colours[] = {
        {&Command_GetColorFont, &Label_FontColor, "Couleur Police"},
        {&Command_GetColorFontActif, &Label_FontColorActif, "Couleur Police Active"},
        {&Command_GetColorFontPassif, &Label_FontColorPassif, "Couleur Police Passive"},
        {&Command_GetColorBack, &Label_BackColor, "Couleur de Fond"},
        {&Command_ShadowColor, &Label_ShadowColor, "Couleur Ombrage"},
    };
    int y = 840;
    for (const ColourRow& c : colours) {
        c.button->Move(120, y, 2700, 375);
        c.button->setCaption(c.caption);
        c.swatch->Move(2940, y, 900, 375);
        y += 450;
    }
    // Wide enough for "Background Image" whole.
    Label_ImageFond.Move(120, 3160, 1900, 285);
    Label_ImageFond.setCaption("Image de fond");
    Text_ImageFond.Move(2060, 3120, 2000, 315);
    Text_ImageFond.setLocked(true);
    Command_BrowseI.Move(4120, 3090, 780, 375);
    Command_BrowseI.setCaption("Parcourir");
    Command_Aucun.Move(4940, 3090, 700, 375);
    Command_Aucun.setCaption("Aucun");

    // Below the tabs.
    Command_Detect.Move(120, 4140, 1300, 405);
    Command_Detect.setCaption("Détection");
    Command_Ok.Move(2280, 4140, 1150, 405);
    Command_Ok.setCaption("Ok");
    Command_Cancel.Move(3510, 4140, 1150, 405);
    Command_Cancel.setCaption("Annuller");
    Command_Appliquer.Move(4740, 4140, 1150, 405);
    Command_Appliquer.setCaption("Appliquer");
    // Return in a field confirms the fields, as a click on OK; Escape cancels.
    Command_Ok.setDefault(true);
    setCancelButton(&Command_Cancel);

    SSTab1.onClick([this](int previous) { SSTab1_Click(previous); });
    Check_Actif.onClick([this] { Check_Actif_Click(); });
    Command_Browse.onClick([this] { Command_Browse_Click(); });
    Command_BrowseI.onClick([this] { Command_BrowseI_Click(); });
    Command_Aucun.onClick([this] { Command_Aucun_Click(); });
    Command_Detect.onClick([this] { Command_Detect_Click(); });
    Command_GetColorFont.onClick([this] { Command_GetColorFont_Click(); });
    Command_GetColorFontActif.onClick([this] { Command_GetColorFontActif_Click(); });
    Command_GetColorFontPassif.onClick([this] { Command_GetColorFontPassif_Click(); });
    Command_GetColorBack.onClick([this] { Command_GetColorBack_Click(); });
    Command_ShadowColor.onClick([this] { Command_ShadowColor_Click(); });
    Command_Ok.onClick([this] { Command_Ok_Click(); });
    Command_Appliquer.onClick([this] { Command_Appliquer_Click(); });
    Command_Cancel.onClick([this] { Command_Cancel_Click(); });
}

void EditPlayList::Form_Load()
{
    modIni::CenterForm(*this);
    if (isLoaded<Player>())
        if (ListItem* row = player().ListView1.SelectedItem())
            EditRowIndex = row->Index();

    modIni::ApplyDialogColors(*this, {},
                              {&Text_Titre, &Text_Chanteur, &Text_Style, &Text_Time, &Text_Path, &Text_SykPresant,
                               &Text_Sy1Presant, &Text_ImageFond},
                              {&Command_Browse, &Command_Detect, &Command_Ok, &Command_Cancel, &Command_Appliquer});

    if (modIni::Langue == "En") {
        SSTab1.setTabCaption(0, "General");
        SSTab1.setTabCaption(1, "Karaoke");
        Label_Titre.setCaption("Title");
        Label_Chanteur.setCaption("Artist");
        Label_Style.setCaption("Type");
        Label_Time.setCaption("Time");
        Label_Path.setCaption("Path");
        Command_Browse.setCaption("Browse");
        Label_SykPresant.setCaption("Existing");
        Label1.setCaption("Use this fuction to personnalize");
        Label2.setCaption("The karaoke window for this song only.");
        Command_GetColorFont.setCaption("Font Color");
        Command_GetColorFontActif.setCaption("Active Font Color");
        Command_GetColorFontPassif.setCaption("Passive Font Color");
        Command_GetColorBack.setCaption("Background Color");
        Command_ShadowColor.setCaption("Shadow Color");
        Label_ImageFond.setCaption("Background Image");
        Command_BrowseI.setCaption("Browse");
        Command_Aucun.setCaption("None");
        Command_Detect.setCaption("Detect");
        Command_Cancel.setCaption("Cancel");
        Command_Appliquer.setCaption("Apply");
    }
}

void EditPlayList::Form_Resize()
{
    modIni::TileFormBackground(*this);
}

void EditPlayList::SSTab1_Click(int PreviousTab)
{
    (void)PreviousTab;
    // Detect reads the song's tags: it belongs with the first tab only.
    Command_Detect.setVisible(SSTab1.Tab() == 0);
}

void EditPlayList::Check_Actif_Click()
{
    const bool on = Check_Actif.Value() != 0;
    for (CommandButton* b : {&Command_GetColorFont, &Command_GetColorFontActif, &Command_GetColorFontPassif,
                             &Command_GetColorBack, &Command_BrowseI, &Command_Aucun, &Command_ShadowColor})
        b->setEnabled(on);
}

// ---- filling the fields --------------------------------------------------------------------

void EditPlayList::ShowPresence(const std::string& song)
{
    Text_SykPresant.setText(yesNo(!modIni::FindSykFile(song).empty()));
    Text_Sy1Presant.setText(yesNo(!modIni::FindSy1File(song).empty()));
}

void EditPlayList::OpenRow(ListItem& row)
{
    rowMark_ = "EditPlayList:" + std::to_string(++markCounter);
    // Only one row carries the editor's mark.
    if (isLoaded<Player>()) {
        ListView& list = player().ListView1;
        for (int i = 1; i <= list.ListItems.Count(); ++i)
            if (ListItem* it = list.ListItems.Item(i); it && it->Tag().rfind("EditPlayList:", 0) == 0)
                it->setTag("");
    }
    row.setTag(rowMark_);
    EditRowIndex = row.Index();
    rowPath_ = row.SubItems(ColPath);
    loadsAtOpen_ = ListLoads;

    // The fields show the row as its file is now (length, sync files, the
    // picture of an old list's row); the row itself changes on OK or Apply
    // only, so Cancel leaves it exactly as it was.
    const std::string song = row.SubItems(ColPath);
    Text_Titre.setText(row.Text());
    setCaption(row.Text());
    Text_Chanteur.setText(row.SubItems(ColArtist));
    const std::string length = SongLengthText(song);
    Text_Time.setText(length.empty() ? row.SubItems(ColLength) : length);
    ShowPresence(song);
    Text_Style.setText(row.SubItems(ColStyle));
    Text_Path.setText(song);

    // The look switch: "" and "0" are off; any other text is on (a number
    // other than 1 or 2, or no number at all, counts as ticked).
    const std::string active = row.SubItems(ColLookActive);
    if (active.empty() || active == "0") {
        Check_Actif.setValue(0);
    } else {
        int v = 1;
        if (const std::optional<double> n = vb::ToNumber(active))
            v = vb::CInt(*n);
        if (v < 0 || v > 2)
            v = 1;
        Check_Actif.setValue(v);
    }
    Check_Actif_Click();

    // Colours: the row's own, else the lyric windows' settings. A colour that
    // is not a number takes the setting too.
    Label_FontColor.setBackColor(colourOf(row.SubItems(ColFontColor)).value_or(iniColour("FontColor")));
    Label_FontColorActif.setBackColor(colourOf(row.SubItems(ColSungColor)).value_or(iniColour("FontColorActif")));
    Label_FontColorPassif.setBackColor(colourOf(row.SubItems(ColPassiveColor)).value_or(iniColour("FontColorPassif")));
    Label_BackColor.setBackColor(colourOf(row.SubItems(ColBackColor)).value_or(iniColour("BackColor")));

    // Lists written by older versions hold the picture path in the shadow
    // column: it is shown as the picture and the shadow takes its setting.
    std::string picture = row.SubItems(ColPicturePath);
    const std::string shadow = row.SubItems(ColShadowColor);
    if (shadow.empty()) {
        Label_ShadowColor.setBackColor(iniColour("ShadowColor"));
    } else if (const auto c = colourOf(shadow)) {
        Label_ShadowColor.setBackColor(*c);
    } else {
        picture = shadow;
        Label_ShadowColor.setBackColor(iniColour("ShadowColor"));
    }

    if (!picture.empty() || active == "1")
        Text_ImageFond.setText(picture);
    else
        Text_ImageFond.setText(modIni::IniAccess("GET", "Path", "Path Image"));
}

ListItem* EditPlayList::EditedRow() const
{
    if (rowMark_.empty() || !isLoaded<Player>())
        return nullptr;
    // The mark travels with the row whenever the rows are rebuilt; while Add
    // shows a folder, the play list and its marked row wait in the copy list.
    Player& w = player();
    for (ListView* list : {&w.ListView1, &w.ListView2})
        for (int i = 1; i <= list->ListItems.Count(); ++i)
            if (ListItem* it = list->ListItems.Item(i); it && it->Tag() == rowMark_)
                return it;
    // Reloaded from its file (F5, Open, back to the play-list tab), the list
    // has new rows: the song's only row there is the editor's. A song listed
    // twice cannot tell which.
    if (loadsAtOpen_ == ListLoads || w.PlayListTabName != "PlayList")
        return nullptr;
    ListItem* found = nullptr;
    for (int i = 1; i <= w.ListView1.ListItems.Count(); ++i) {
        ListItem* it = w.ListView1.ListItems.Item(i);
        if (!it || it->SubItems(ColPath) != rowPath_)
            continue;
        if (found)
            return nullptr;
        found = it;
    }
    if (found)
        found->setTag(rowMark_);
    return found;
}

bool EditPlayList::WriteBack()
{
    ListItem* row = EditedRow();
    if (!row) {
        MsgBox(french() ? "Cette chanson n'est plus dans la Liste de Sélection : rien n'a été modifié."
                        : "This song is no longer in the Play List: nothing was changed.",
               vbOKOnly + vbExclamation, french() ? "Attention" : "Warning");
        return false;
    }
    modIni::PlayListModified = true;
    row->setText(Text_Titre.Text());
    row->setSubItems(ColArtist, Text_Chanteur.Text());
    row->setSubItems(ColLength, Text_Time.Text());
    row->setSubItems(ColStyle, Text_Style.Text());
    row->setSubItems(ColPath, Text_Path.Text());
    const std::string syk = Text_SykPresant.Text();
    row->setSubItems(ColSyncFlag, syk == "Oui" ? "O" : syk == "Yes" ? "Y" : "N");
    row->setSubItems(ColLookActive, std::to_string(Check_Actif.Value()));
    row->setSubItems(ColFontColor, std::to_string(Label_FontColor.BackColor()));
    row->setSubItems(ColSungColor, std::to_string(Label_FontColorActif.BackColor()));
    row->setSubItems(ColPassiveColor, std::to_string(Label_FontColorPassif.BackColor()));
    row->setSubItems(ColBackColor, std::to_string(Label_BackColor.BackColor()));
    row->setSubItems(ColShadowColor, std::to_string(Label_ShadowColor.BackColor()));
    row->setSubItems(ColPicturePath, Text_ImageFond.Text());
    rowPath_ = Text_Path.Text();
    // The icon follows the (possibly new) file and its sync file.
    row->setSmallIcon(iconKeyForRow(rowOf(*row)));
    return true;
}

// ---- the buttons ------------------------------------------------------------------------------

void EditPlayList::Command_Browse_Click()
{
    FileDialogOptions options;
    options.filter = "Music Files (*.mp3,*.mid,*.kar,*.wav)|*.mp3;*.mid;*.kar;*.wav";
    options.initDir = currentFolder();
    const std::string chosen = trimChosenName(prompter().openFile(options).value_or(""));
    if (chosen.empty())
        return;
    // A ".lst" line has no room for a ";" or a line break in a path: the next
    // load would cut it in two and the row would name a file that does not
    // exist.
    const Unstorable why = unstorableInList(chosen);
    if (why == Unstorable::LineBreak) {
        MsgBox(french() ? "Le nom de ce fichier contient un saut de ligne : il ne peut pas être enregistré dans la "
                          "Liste de Sélection.\n"
                              + oneLineName(chosen)
                        : "This file name contains a line break: it cannot be stored in the Play List.\n"
                              + oneLineName(chosen),
               vbOKOnly + vbExclamation, french() ? "Attention" : "Warning");
        return;
    }
    if (why == Unstorable::Semicolon) {
        MsgBox(french() ? "Le nom de ce fichier contient « ; » : il ne peut pas être enregistré dans la Liste de "
                          "Sélection.\n"
                              + chosen
                        : "This file name contains \";\": it cannot be stored in the Play List.\n" + chosen,
               vbOKOnly + vbExclamation, french() ? "Attention" : "Warning");
        return;
    }
    Text_Path.setText(chosen);
    ShowPresence(chosen);
    // The length shown is the new file's, so OK never stores another song's.
    const std::string length = SongLengthText(chosen);
    if (!length.empty())
        Text_Time.setText(length);
}

void EditPlayList::Command_BrowseI_Click()
{
    FileDialogOptions options;
    options.filter = modIni::PictureFilter();
    options.initDir = currentFolder();
    const std::string chosen = trimChosenName(prompter().openFile(options).value_or(""));
    // A picture the lyric windows could not show is said at once, not when
    // the song plays with no picture.
    if (!chosen.empty() && modIni::PictureCanBeShown(chosen))
        Text_ImageFond.setText(chosen);
}

void EditPlayList::Command_Aucun_Click()
{
    Text_ImageFond.setText("");
}

void EditPlayList::Command_Detect_Click()
{
    // The tags of the song the editor shows (the current song of the main
    // window may have changed meanwhile, or another file been chosen).
    ReadSongTag(Text_Path.Text());
    if (SongTag[1].empty())
        return;
    Text_Titre.setText(SongTag[1]);
    Text_Chanteur.setText(SongTag[2]);
}

void EditPlayList::ChooseColor(PictureBox& swatch)
{
    // The dialog is not preset to the swatch: it opens on black, with its
    // custom-colour part shown.
    if (const std::optional<long> c = prompter().chooseColor(0, cdlCCFullOpen))
        swatch.setBackColor(*c & 0xFFFFFF);
}

void EditPlayList::Command_GetColorFont_Click() { ChooseColor(Label_FontColor); }
void EditPlayList::Command_GetColorFontActif_Click() { ChooseColor(Label_FontColorActif); }
void EditPlayList::Command_GetColorFontPassif_Click() { ChooseColor(Label_FontColorPassif); }
void EditPlayList::Command_GetColorBack_Click() { ChooseColor(Label_BackColor); }
void EditPlayList::Command_ShadowColor_Click() { ChooseColor(Label_ShadowColor); }

void EditPlayList::Command_Ok_Click()
{
    // A row that has left the list cannot take the fields: the user was told,
    // and the editor closes as OK promises.
    WriteBack();
    Unload(*this);
}

void EditPlayList::Command_Appliquer_Click()
{
    WriteBack();
}

void EditPlayList::Command_Cancel_Click()
{
    Unload(*this);
}
