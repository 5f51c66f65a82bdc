#pragma once
// The program settings dialog: default music and sync folders, skin picture,
// theme and interface colours, language, MIDI output, the monthly update
// check and the file-type associations. While it is open the main window is
// unloaded; closing it in any way starts the main window again, whose
// start-up reads the saved settings.
#include "platform/forms/controls.h"
#include "platform/forms/form.h"

#include <string>

class Config : public Form {
public:
    Config();

    // ---- folders
    Label Label_Music{this};
    TextBox Text_PathMp3{this};
    CommandButton Command_Browse2{this};
    Label Label_Syk{this};
    TextBox Text_PathSyk{this};
    CommandButton Command_Browse1{this};

    // ---- theme, skin picture, colours
    Label Label_Theme{this};
    ComboBox Combo_Skins{this};
    Label Label_ImageFond{this};
    TextBox Text_ImgPgm{this};           // a file, "@" + theme name, or " " for none
    CommandButton Command_BrowseImg{this};
    CommandButton Command_Aucun{this};
    Label Label_PgmColor{this};          // colour swatches: their BackColor is the colour
    CommandButton Command_GetPgmColor{this};
    Label Label_ListColor{this};
    CommandButton Command_GetWinColor{this};
    Label Label_ButtomColor{this};
    CommandButton Command_GetButtomColor{this};

    // ---- language, MIDI output, update check
    OptionButton Option_Langue[2]{OptionButton{this}, OptionButton{this}}; // French, English
    Label Label_Option_LangueFr{this};
    Label Label_Option_LangueEn{this};
    Label Label_MidiOut{this};
    ComboBox Combo_MidiOut{this};
    CheckBox Check_Maj{this};
    Label Label_Check_Maj{this};
    CommandButton Command_WebUpd{this};

    // ---- file-type associations
    Label Label_Ass_Fr{this};
    Label Label_Ass_En{this};
    CheckBox Check_Syk{this};
    Label Label_Check_Syk{this};
    CheckBox Check_Kar{this};
    Label Label_Check_Kar{this};
    CheckBox Check_Mid{this};
    Label Label_Check_Mid{this};
    CheckBox Check_Mp3{this};
    Label Label_Check_Mp3{this};
    CommandButton Command_Associer{this};

    CommandButton Command_Sortie{this};

    // Decoration.
    Line Line1{this}, Line2{this}, Line3{this}, Line4{this}, Line5{this};
    Line Line6{this}, Line7{this}, Line8{this}, Line12{this}, Line16{this};

    // True while Form_Load runs: the theme list's click applies nothing then.
    bool ConfigLoading = false;
    // True while the language switch fills the theme list again: the entry
    // it selects brings no preset.
    bool SwitchingLanguage = false;

    void Form_Load() override;
    void Form_Resize() override;
    void Form_Unload(int& Cancel) override;

    // The folder picker; the chosen folder without a final separator, "" on cancel.
    std::string BrowseFolder();

    // Theme list (src/settings/themes.cpp).
    void FillSkins();
    void Combo_Skins_Click();

    void Option_Langue_Click(int Index);
    void Label_Option_LangueFr_Click();
    void Label_Option_LangueEn_Click();
    void Label_Check_Syk_Click();
    void Label_Check_Kar_Click();
    void Label_Check_Mid_Click();
    void Label_Check_Mp3_Click();
    void Label_Check_Maj_Click();
    void Label_ImageFond_Click();
    void Command_GetPgmColor_Click();
    void Command_GetWinColor_Click();
    void Command_GetButtomColor_Click();
    void Label_PgmColor_Click();
    void Label_ListColor_Click();
    void Label_ButtomColor_Click();
    void Command_Browse1_Click();
    void Command_Browse2_Click();
    void Command_BrowseImg_Click();
    void Command_Aucun_Click();
    void Command_WebUpd_Click();
    void Command_Associer_Click();      // src/settings/associations.cpp
    void Command_Sortie_Click();

    // Paints a colour group: the window (or the fields, or the buttons) and,
    // when `swatch` is set, the group's swatch.
    void PaintBackgroundGroup(long colour, bool swatch);
    void PaintFieldGroup(long colour, bool swatch);
    void PaintButtonGroup(long colour);

    // [Setting] "Theme" as a list position; a value that names no theme gives
    // the default theme.
    static int SavedThemeIndex();
    // The theme chosen in the list, -1 when none is (or text was typed over it).
    int SkinsListIndex() const;

    // The MIDI output typed or chosen: -1 for "Auto", else a whole number in
    // the 16-bit range; false when the text is neither.
    static bool ParseMidiOut(const std::string& text, int& port);

private:
    void BindEvents();
    void ApplyLanguageCaptions();
    void ShowColourParts(long colour);
    // Runs the colour dialog; false on cancel.
    bool PickColour(long& colour);
    void BrowseInto(TextBox& box);
};

// The settings dialog's default instance, created and loaded on first use.
Config& config();
