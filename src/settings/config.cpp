// The program settings dialog and the main window's button that opens it.
#include "settings/config.h"

#include "core/modini.h"
#include "core/player.h"
#include "core/theme.h"
#include "core/uihelpers.h"
#include "editor/record.h"
#include "lyricwindows/karaoke.h"
#include "platform/files/paths.h"
#include "platform/files/runtime.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "settings/themes.h"
#include "settings/update.h"


using namespace modIni;

Config& config()
{
    return formInstance<Config>();
}

namespace {

std::string get(const char* section, const char* key)
{
    return IniAccess("GET", section, key);
}

// An engraved separator across the dialog: a grey line with a white one under it.
void separator(Line& dark, Line& light, double y)
{
    dark.setX1(120), dark.setY1(y), dark.setX2(6720), dark.setY2(y);
    light.setX1(120), light.setY1(y + 15), light.setX2(6720), light.setY2(y + 15);
    dark.setBorderColor(0x808080);
    light.setBorderColor(0xFFFFFF);
}

} // namespace

Config::Config()
{
    setCaption(" Configuration");
    setBorderStyle(1);
    setMaxButton(false);
    setScaleWidth(6840);
    setScaleHeight(6600);

    // ---- folders
    Label_Music.Move(120, 120, 5160, 255);
    Label_Music.setCaption("Emplacement Musique (.kar, .Mp3...)");
    Text_PathMp3.Move(120, 390, 5160, 315);
    Command_Browse2.Move(5400, 390, 1320, 315);
    Command_Browse2.setCaption("Parcourir");
    Label_Syk.Move(120, 810, 5160, 255);
    Label_Syk.setCaption("Emplacement synchro. (.syk)");
    Text_PathSyk.Move(120, 1080, 5160, 315);
    Command_Browse1.Move(5400, 1080, 1320, 315);
    Command_Browse1.setCaption("Parcourir");

    separator(Line1, Line2, 1530);

    // ---- theme, skin picture, colours
    Label_Theme.Move(120, 1710, 1440, 255);
    Label_Theme.setCaption("Thème");
    Combo_Skins.Move(1680, 1680, 2520, 315);
    Label_ImageFond.Move(120, 2130, 1440, 255);
    Label_ImageFond.setCaption("Image de fond");
    Text_ImgPgm.Move(1680, 2100, 2520, 315);
    Command_BrowseImg.Move(4320, 2100, 1140, 315);
    Command_BrowseImg.setCaption("Parcourir");
    Command_Aucun.Move(5580, 2100, 1140, 315);
    Command_Aucun.setCaption("Aucun");

    Label_PgmColor.Move(120, 2580, 375, 315);
    Command_GetPgmColor.Move(555, 2580, 1590, 315);
    Command_GetPgmColor.setCaption("Couleur de fond");
    Label_ListColor.Move(2325, 2580, 375, 315);
    Command_GetWinColor.Move(2760, 2580, 1590, 315);
    Command_GetWinColor.setCaption("Couleur de champ");
    Label_ButtomColor.Move(4530, 2580, 375, 315);
    Command_GetButtomColor.Move(4965, 2580, 1755, 315);
    Command_GetButtomColor.setCaption("Couleur de bouton");
    for (Label* swatch : {&Label_PgmColor, &Label_ListColor, &Label_ButtomColor})
        swatch->setBorderStyle(1);

    separator(Line3, Line4, 3060);

    // ---- language, MIDI output, update check
    Option_Langue[0].Move(120, 3240, 255, 255);
    Option_Langue[1].Move(1800, 3240, 255, 255);
    Option_Langue[0].setIndex(0);
    Option_Langue[1].setIndex(1);
    Option_Langue[0].setValue(true);
    Label_Option_LangueFr.Move(420, 3240, 1200, 255);
    Label_Option_LangueFr.setCaption("Français");
    Label_Option_LangueEn.Move(2100, 3240, 1200, 255);
    Label_Option_LangueEn.setCaption("English");
    Label_MidiOut.Move(3720, 3240, 1320, 255);
    Label_MidiOut.setCaption("Sortie Midi:");
    Combo_MidiOut.Move(5040, 3210, 1680, 315);
    // The built-in synthesiser is the one MIDI output there is.
    Combo_MidiOut.AddItem("Auto");
    Combo_MidiOut.setText("Auto");

    Check_Maj.Move(120, 3720, 255, 255);
    Label_Check_Maj.Move(420, 3720, 4320, 435);
    Label_Check_Maj.setWordWrap(true);
    Label_Check_Maj.setCaption("Validation mensuelle automatique de la présence d'une mise à jour.");
    Command_WebUpd.Move(4920, 3690, 1800, 375);
    Command_WebUpd.setCaption("Valider maintenant");

    separator(Line5, Line6, 4290);

    // ---- file-type associations
    Label_Ass_Fr.Move(120, 4410, 6600, 615);
    Label_Ass_Fr.setWordWrap(true);
    Label_Ass_Fr.setCaption("Sélectionner les types de fichiers que vous aimeriez que Zun Mp3 Karaoke ouvre "
                            "quand vous les double-cliquer dans Explorateur. Puis cliquer Associer");
    Label_Ass_En.Move(120, 4410, 6600, 615);
    Label_Ass_En.setWordWrap(true);
    Label_Ass_En.setCaption("Select the file type which you would like ZunMp3 Karaoke to open when you "
                            "double-click on them in Explorer. Then click Associate");
    Label_Ass_En.setVisible(false);

    Check_Syk.Move(120, 5100, 255, 255);
    Label_Check_Syk.Move(420, 5100, 2400, 255);
    Label_Check_Syk.setCaption(".Syk (ZunMp3 Karaoke)");
    Check_Kar.Move(3000, 5100, 255, 255);
    Label_Check_Kar.Move(3300, 5100, 2400, 255);
    Label_Check_Kar.setCaption(".Kar  (Midi karoke)");
    Check_Mid.Move(120, 5400, 255, 255);
    Label_Check_Mid.Move(420, 5400, 2400, 255);
    Label_Check_Mid.setCaption(".Mid  (Midi)");
    Check_Mp3.Move(3000, 5400, 255, 255);
    Label_Check_Mp3.Move(3300, 5400, 2400, 255);
    Label_Check_Mp3.setCaption(".Mp3 (Mp3)");
    Command_Associer.Move(5580, 5220, 1140, 375);
    Command_Associer.setCaption("Associer");

    separator(Line7, Line8, 5820);
    // Short rules beside the language choice and the update check.
    Line12.setX1(3600), Line12.setY1(3180), Line12.setX2(3600), Line12.setY2(3540);
    Line16.setX1(3615), Line16.setY1(3180), Line16.setX2(3615), Line16.setY2(3540);
    Line12.setBorderColor(0x808080);
    Line16.setBorderColor(0xFFFFFF);

    Command_Sortie.Move(4200, 6000, 2520, 435);
    Command_Sortie.setCaption("Sauvegarder et Sortir");

    for (Label* l : {&Label_Music, &Label_Syk, &Label_Theme, &Label_ImageFond, &Label_Option_LangueFr,
                     &Label_Option_LangueEn, &Label_MidiOut, &Label_Check_Maj, &Label_Ass_Fr, &Label_Ass_En,
                     &Label_Check_Syk, &Label_Check_Kar, &Label_Check_Mid, &Label_Check_Mp3})
        l->setBackStyle(0);

    BindEvents();
}

void Config::BindEvents()
{
    Option_Langue[0].onClick([this] { Option_Langue_Click(0); });
    Option_Langue[1].onClick([this] { Option_Langue_Click(1); });
    Label_Option_LangueFr.onClick([this] { Label_Option_LangueFr_Click(); });
    Label_Option_LangueEn.onClick([this] { Label_Option_LangueEn_Click(); });
    Label_Check_Syk.onClick([this] { Label_Check_Syk_Click(); });
    Label_Check_Kar.onClick([this] { Label_Check_Kar_Click(); });
    Label_Check_Mid.onClick([this] { Label_Check_Mid_Click(); });
    Label_Check_Mp3.onClick([this] { Label_Check_Mp3_Click(); });
    Label_Check_Maj.onClick([this] { Label_Check_Maj_Click(); });
    Label_ImageFond.onClick([this] { Label_ImageFond_Click(); });
    Combo_Skins.onClick([this] { Combo_Skins_Click(); });
    Command_GetPgmColor.onClick([this] { Command_GetPgmColor_Click(); });
    Command_GetWinColor.onClick([this] { Command_GetWinColor_Click(); });
    Command_GetButtomColor.onClick([this] { Command_GetButtomColor_Click(); });
    Label_PgmColor.onClick([this] { Label_PgmColor_Click(); });
    Label_ListColor.onClick([this] { Label_ListColor_Click(); });
    Label_ButtomColor.onClick([this] { Label_ButtomColor_Click(); });
    Command_Browse1.onClick([this] { Command_Browse1_Click(); });
    Command_Browse2.onClick([this] { Command_Browse2_Click(); });
    Command_BrowseImg.onClick([this] { Command_BrowseImg_Click(); });
    Command_Aucun.onClick([this] { Command_Aucun_Click(); });
    Command_WebUpd.onClick([this] { Command_WebUpd_Click(); });
    Command_Associer.onClick([this] { Command_Associer_Click(); });
    Command_Sortie.onClick([this] { Command_Sortie_Click(); });
}

// ---------------------------------------------------------------- opening

void Player::Command_Config_Click()
{
    // The play-list question comes first, even when the opening is refused; a
    // list that could not be saved keeps the main window, which would
    // otherwise take it away.
    if (PlayListModified && !AskSavePlayList())
        return;
    DoEvents();
    if (IsPlaying) {
        MsgMustStop();
        return;
    }
    if (isLoaded<Karaoke>())
        Unload(karaoke());
    config().Show();
    // The main window goes away without ending the program; the dialog
    // brings it back when it closes.
    QuitOnPlayerClose = false;
    Unload(*this);
}

void Config::Form_Load()
{
    ConfigLoading = true;
    CenterForm(*this);
    FillSkins();

    const long pgmColour = SettingColor("PgmColor");
    const long listColour = SettingColor("ListColor");
    const long buttonColour = SettingColor("ButtomColor");

    Text_PathSyk.setText(get("Path", "Path Syk"));
    Text_PathMp3.setText(get("Path", "Path Mp3"));
    Text_ImgPgm.setText(get("Path", "Path PgmImage"));

    Check_Maj.setValue(vb::CInt(get("Setting", "CheckUpd"), 0) == 1 ? 1 : 0);

    Label_ListColor.setBackColor(listColour);
    Label_PgmColor.setBackColor(pgmColour);

    Langue = IniGetOrDefault("Setting", "Langue");
    if (Langue == "Fr")
        Option_Langue[0].setValue(true);
    else
        Option_Langue[1].setValue(true);

    MidiOut = vb::CInt(get("Setting", "MidiOut"), -1);
    Combo_MidiOut.setText(MidiOut == -1 ? std::string("Auto") : std::to_string(MidiOut));

    PaintBackgroundGroup(pgmColour, false);
    PaintFieldGroup(listColour, false);
    PaintButtonGroup(buttonColour);
    ConfigLoading = false;
    // The window was sized before its colours were set, which wiped the
    // skin: lay it now over the final background.
    TileFormBackground(*this);
}

void Config::Form_Resize()
{
    TileFormBackground(*this);
}

void Config::Label_ImageFond_Click()
{
    TileFormBackground(*this);
}

// ---------------------------------------------------------------- colours

void Config::PaintBackgroundGroup(long colour, bool swatch)
{
    if (swatch)
        Label_PgmColor.setBackColor(colour);
    setBackColor(colour);
    for (OptionButton& o : Option_Langue)
        o.setBackColor(colour);
    for (CheckBox* c : {&Check_Syk, &Check_Kar, &Check_Mid, &Check_Mp3, &Check_Maj})
        c->setBackColor(colour);
}

void Config::PaintFieldGroup(long colour, bool swatch)
{
    if (swatch)
        Label_ListColor.setBackColor(colour);
    for (TextBox* t : {&Text_PathSyk, &Text_PathMp3, &Text_ImgPgm})
        t->setBackColor(colour);
    Combo_Skins.setBackColor(colour);
    Combo_MidiOut.setBackColor(colour);
}

void Config::PaintButtonGroup(long colour)
{
    Label_ButtomColor.setBackColor(colour);
    for (CommandButton* b : {&Command_Browse1, &Command_Browse2, &Command_GetPgmColor, &Command_GetWinColor,
                             &Command_GetButtomColor, &Command_Associer, &Command_Sortie, &Command_WebUpd,
                             &Command_Aucun, &Command_BrowseImg})
        b->setBackColor(colour);
}

bool Config::PickColour(long& colour)
{
    // The dialog is not preset to the swatch: it opens on black, with its
    // custom-colour part shown.
    const auto chosen = prompter().chooseColor(0, cdlCCFullOpen);
    if (!chosen)
        return false;
    colour = *chosen;
    return true;
}

void Config::Command_GetPgmColor_Click()
{
    long c = 0;
    if (!PickColour(c))
        return;
    PaintBackgroundGroup(c, true);
    // The new background colour wiped the tiled picture: lay it again.
    TileFormBackground(*this);
}

void Config::Command_GetWinColor_Click()
{
    long c = 0;
    if (PickColour(c))
        PaintFieldGroup(c, true);
}

void Config::Command_GetButtomColor_Click()
{
    long c = 0;
    if (PickColour(c))
        PaintButtonGroup(c);
}

void Config::ShowColourParts(long colour)
{
    const std::string text = ThemePresets::ColourText(colour);
    const long red = GetColorPart(text, "gcRed");
    const long green = GetColorPart(text, "gcGreen");
    const long blue = GetColorPart(text, "gcBlue");
    if (Langue == "Fr")
        MsgBox("Rouge:  " + std::to_string(red) + "       Vert:  " + std::to_string(green) + "       Bleu:  " +
                   std::to_string(blue),
               vbOKOnly + vbInformation, "Couleurs RGB");
    else
        MsgBox("Red: " + std::to_string(red) + "  Green: " + std::to_string(green) + "  Blue: " + std::to_string(blue),
               vbOKOnly + vbInformation, "RGB Colors");
}

void Config::Label_PgmColor_Click()
{
    ShowColourParts(Label_PgmColor.BackColor());
}

void Config::Label_ListColor_Click()
{
    ShowColourParts(Label_ListColor.BackColor());
}

void Config::Label_ButtomColor_Click()
{
    ShowColourParts(Label_ButtomColor.BackColor());
}

// ---------------------------------------------------------------- language

void Config::Option_Langue_Click(int Index)
{
    (void)Index;
    // Only the language changes. The theme list comes back with the names of
    // the new language on the entry it showed, and nothing of the look goes:
    // a picture and colours that differ from the theme's preset (saved ones
    // as well as ones just picked) stay as they are.
    const int shown = SkinsListIndex();
    const std::string shownName = shown >= 0 ? Combo_Skins.List(shown) : std::string();
    const std::string typed = Combo_Skins.Text();
    Langue = Option_Langue[0].Value() ? "Fr" : "En";
    ApplyLanguageCaptions();
    SwitchingLanguage = true;
    Combo_Skins.Clear();
    FillSkins();
    Combo_Skins.setListIndex(shown);
    if (shown < 0)
        Combo_Skins.setText(typed);
    SwitchingLanguage = false;
    // A built-in theme picture is named after its theme in the language the
    // list speaks; only its leading "@" is read, so the picture stays.
    if (!ConfigLoading && shown > 0) {
        const std::string before = "@" + shownName;
        const std::string after = "@" + Combo_Skins.List(shown);
        if (Text_ImgPgm.Text() == before)
            Text_ImgPgm.setText(after);
        if (PathPgmImage == before)
            PathPgmImage = after;
    }
}

void Config::ApplyLanguageCaptions()
{
    const bool fr = Langue == "Fr";
    Command_GetWinColor.setCaption(fr ? "Couleur de champ" : "Field Color");
    Command_GetPgmColor.setCaption(fr ? "Couleur de fond" : "Background Color");
    Label_Syk.setCaption(fr ? "Emplacement .Syk:" : "Path .Syk");
    Label_Music.setCaption(fr ? "Emplacement Musique (.kar, .Mp3...)" : "Path Music (.kar, .Mp3...)");
    Command_Sortie.setCaption(fr ? "Sauvegarder et Sortir" : "Save and Exit");
    Command_Browse1.setCaption(fr ? "Parcourir" : "Browse");
    Command_Browse2.setCaption(fr ? "Parcourir" : "Browse");
    Label_Ass_Fr.setVisible(fr);
    Label_Ass_En.setVisible(!fr);
    Command_Associer.setCaption(fr ? "Associer" : "Associate");
    Command_GetButtomColor.setCaption(fr ? "Couleurs de bouton" : "Button Color");
    Label_MidiOut.setCaption(fr ? "Sortie Midi:" : "Midi Out:");
    Label_Check_Maj.setCaption(fr ? "Validation mensuelle automatique d'une mise à jour."
                                  : "Check monthly update automatically.");
    Command_WebUpd.setCaption(fr ? "Valider maintenant" : "Check now");
    Command_Aucun.setCaption(fr ? "Aucun" : "None");
    Command_BrowseImg.setCaption(fr ? "Parcourir" : "Browse");
    Label_ImageFond.setCaption(fr ? "Image de Fond" : "Background Image");
    Label_Theme.setCaption(fr ? "Thème" : "Theme");
}

void Config::Label_Option_LangueFr_Click()
{
    Option_Langue[0].setValue(true);
}

void Config::Label_Option_LangueEn_Click()
{
    Option_Langue[1].setValue(true);
}

// ---------------------------------------------------------------- check box captions

namespace {
void toggle(CheckBox& box)
{
    box.setValue(box.Value() == 1 ? 0 : 1);
}
} // namespace

void Config::Label_Check_Syk_Click() { toggle(Check_Syk); }
void Config::Label_Check_Kar_Click() { toggle(Check_Kar); }
void Config::Label_Check_Mid_Click() { toggle(Check_Mid); }
void Config::Label_Check_Mp3_Click() { toggle(Check_Mp3); }
void Config::Label_Check_Maj_Click() { toggle(Check_Maj); }

// ---------------------------------------------------------------- folders and picture

std::string Config::BrowseFolder()
{
    const std::string title = Langue == "En" ? "Select Directory" : "Sélectionner le répertoire";
    return prompter().browseFolder(title, "").value_or("");
}

void Config::BrowseInto(TextBox& box)
{
    const std::string folder = BrowseFolder();
    if (folder.empty())
        return;
    // Folders are kept with their final separator; the root "/" has one already.
    box.setText(paths::withTrailingSlash(folder));
}

void Config::Command_Browse1_Click()
{
    BrowseInto(Text_PathSyk);
}

void Config::Command_Browse2_Click()
{
    BrowseInto(Text_PathMp3);
}

void Config::Command_BrowseImg_Click()
{
    FileDialogOptions o;
    o.fileName = "";
    o.flags = cdlOFNOverwritePrompt;
    // Only the formats that can be shown are offered (PNG among them).
    o.filter = PictureFilter();
    o.initDir = paths::currentFolder();
    const std::string file = vb::Trim(prompter().openFile(o).value_or(""));
    if (file.empty())
        return;
    // A picture that cannot be shown is said, and the choice there was stays:
    // saved, it would show nothing at the next start.
    StdPicture picture;
    if (!PictureCanBeShown(file, &picture))
        return;
    Text_ImgPgm.setText(file);
    theme().SetUserPicture(picture);
    PathPgmImage = Text_ImgPgm.Text();
    TileFormBackground(*this);
}

void Config::Command_Aucun_Click()
{
    Cls();
    Text_ImgPgm.setText(" ");
}

// ---------------------------------------------------------------- update check

void Config::Command_WebUpd_Click()
{
    Command_WebUpd.setEnabled(false);
    // The check answers later; the button comes back on this window if it is
    // still open then.
    Config* self = this;
    CheckUpdate("Manuel", [self] {
        if (isLoaded<Config>() && &config() == self)
            self->Command_WebUpd.setEnabled(true);
    });
}

// ---------------------------------------------------------------- save and close

bool Config::ParseMidiOut(const std::string& text, int& port)
{
    if (text == "Auto") {
        port = -1;
        return true;
    }
    const auto n = vb::ToNumber(text);
    if (!n || *n != vb::Int(*n) || *n < vb::kIntMin || *n > vb::kIntMax)
        return false;
    port = static_cast<int>(*n);
    return true;
}

void Config::Command_Sortie_Click()
{
    // Checked before anything is written, so a refused save changes nothing.
    int port = -1;
    if (!ParseMidiOut(Combo_MidiOut.Text(), port)) {
        if (Langue == "Fr")
            MsgBox("La sortie Midi doit être « Auto » ou un nombre entier.", vbOKOnly + vbExclamation, "Attention");
        else
            MsgBox("Midi Out must be \"Auto\" or a whole number.", vbOKOnly + vbExclamation, "Warning");
        Combo_MidiOut.SetFocus();
        return;
    }

    const int themeIndex = SkinsListIndex();
    TakeIniWriteFailure();
    IniAccess("WRITE", "Path", "Path Syk", Text_PathSyk.Text());
    IniAccess("WRITE", "Path", "Path MP3", Text_PathMp3.Text());
    IniAccess("WRITE", "Setting", "ListColor", ThemePresets::ColourText(Label_ListColor.BackColor()));
    IniAccess("WRITE", "Setting", "PgmColor", ThemePresets::ColourText(Label_PgmColor.BackColor()));
    IniAccess("WRITE", "Setting", "ButtomColor", ThemePresets::ColourText(Label_ButtomColor.BackColor()));
    IniAccess("WRITE", "Setting", "CheckUpd", Check_Maj.Value() == 1 ? "1" : "0");
    IniAccess("WRITE", "Path", "Path PgmImage", Text_ImgPgm.Text());
    IniAccess("WRITE", "Setting", "Theme", themeIndex);
    MidiOut = port;
    IniAccess("WRITE", "Setting", "MidiOut", MidiOut);
    IniAccess("WRITE", "Setting", "Langue", Option_Langue[0].Value() ? "Fr" : "En");
    // The main window reads its settings from the file when it comes back:
    // settings that were not stored would be lost without a word. The dialog
    // stays open so the user can try again or close it.
    if (const std::string why = TakeIniWriteFailure(); !why.empty()) {
        ShowSettingsNotSaved(why);
        return;
    }

    PathSyk = Text_PathSyk.Text();
    PathMp3 = Text_PathMp3.Text();
    PathPgmImage = Text_ImgPgm.Text();
    ThemeIndex = themeIndex;

    if (isLoaded<Record>())
        Unload(record());
    Unload(*this);
}

void Config::Form_Unload(int& Cancel)
{
    (void)Cancel;
    // The main window's new start-up skips the command-line song and the
    // automatic update check.
    CmdLine = "Fin";
    if (!Ending())
        player().Show();
}
