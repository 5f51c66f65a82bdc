#pragma once
// The lyric display settings dialog: the font, the five colours, the shadow,
// the ball, the count-down and the background picture of the two lyric
// windows.
//
// The dialog works on a copy held in its own controls. Every edit is carried
// at once onto the shared look globals and both lyric windows (ApplyTest), so
// the user judges the look on the real windows. "Save and Exit" writes the copy
// to [Kar Windows] (and [Path] "Path Image"); every other way of closing
// reloads the file's values into the controls and pushes them again, so the
// lyric windows return to the saved look.
#include "platform/forms/controls.h"
#include "platform/forms/form.h"

#include <string>

class CfgKaraoke : public Form {
public:
    CfgKaraoke();

    // ---- font
    Label Label_Police{this};
    TextBox Text_FontName{this};        // read-only: changed by the font dialog
    Label Label_Taille{this};
    TextBox Text_FontSize{this};        // read-only
    Label Label_Gras{this};
    CheckBox Check_FontBold{this};
    CommandButton Command_GetFont{this};

    // ---- colours: each swatch's back colour is the colour itself
    PictureBox Label_BackColor{this};
    Label Label_FontColor{this};
    Label Label_FontColorActif{this};
    Label Label_FontColorPassif{this};
    PictureBox Label_ShadowColor{this};
    CommandButton Command_GetColorBack{this};
    CommandButton Command_GetColorFont{this};
    CommandButton Command_GetColorFontActif{this};
    CommandButton Command_GetColorFontPassif{this};
    CommandButton Command_ShadowColor{this};

    // ---- shadow: its offset is the position of Label_FontName2 relative to
    // Label_FontName1 (declared first, so it is drawn underneath the sample)
    CheckBox Check_Shadow{this};
    Label Label_Check_Shadow{this};
    CommandButton Command_HShadow{this};  // up
    CommandButton Command_BShadow{this};  // down
    CommandButton Command_GShadow{this};  // left
    CommandButton Command_DShadow{this};  // right
    CommandButton Command_CShadow{this};  // back to the standard offset
    Label Label_FontName2{this};
    Label Label_FontName1{this};

    // ---- ball
    CheckBox Check_Ball{this};
    Label Label_Check_Ball{this};
    Shape Shape_Ball{this};               // fill colour and size of the ball
    CommandButton Command_BallColor{this};
    CommandButton Command_BallM{this};
    CommandButton Command_BallP{this};

    // ---- count-down
    CheckBox Check_Decompte{this};
    Label Label_Check_Decompte{this};
    ComboBox Combo_DecSize{this};         // its text is the digit size
    Label Label_Dec{this};                // sample digit: colour and size
    CommandButton Command_DecColor{this};
    CheckBox Check_CountDownBar{this};
    Label Label_Check_CountDownBar{this};

    // ---- background picture
    Label Label_ImageFond{this};
    TextBox Text_ImageFond{this};         // read-only; " " stands for no picture
    CommandButton Command_Browse{this};
    CommandButton Command_Aucun{this};

    // ---- actions
    CommandButton Command_Test{this};
    CommandButton Command_Raz{this};
    CommandButton Command_Annuler{this};
    CommandButton Command_Save{this};

    // ---- grouping lines
    Line Line1{this};
    Line Line2{this};
    Line Line3{this};
    Line Line4{this};
    Line Line5{this};

    // The background-picture path as the dialog loaded it or last saved it;
    // closing without saving puts it back.
    std::string SavedImageFond;

    // Carries the controls' look onto the shared look globals and both lyric
    // windows, which then redraw. A step that cannot be done is skipped.
    void ApplyTest();

    void Form_Load() override;
    void Form_Activate() override;
    void Form_Resize() override;
    void Form_Unload(int& Cancel) override;

    void Command_Save_Click();
    void Command_Annuler_Click();
    void Command_Raz_Click();
    void Command_Test_Click();

    void Label_Check_Ball_Click();
    void Label_Check_CountDownBar_Click();
    void Label_Check_Decompte_Click();
    void Label_Check_Shadow_Click();
    void Label_FontColor_Click();
    void Label_FontColorActif_Click();
    void Label_FontColorPassif_Click();
    void Label_ShadowColor_Click();
    void Label_BackColor_Click();

    void Check_FontBold_Click();
    void Command_GetFont_Click();
    void Command_GetColorFont_Click();
    void Command_GetColorFontActif_Click();
    void Command_GetColorFontPassif_Click();
    void Command_GetColorBack_Click();
    void Command_ShadowColor_Click();
    void Check_Shadow_Click();
    void Command_HShadow_Click();
    void Command_BShadow_Click();
    void Command_GShadow_Click();
    void Command_DShadow_Click();
    void Command_CShadow_Click();
    void Command_BallColor_Click();
    void Check_Ball_Click();
    void Command_BallM_Click();
    void Command_BallP_Click();
    void Check_Decompte_Click();
    void Check_CountDownBar_Click();
    void Combo_DecSize_Click();
    void Command_DecColor_Click();
    void Command_Browse_Click();
    void Command_Aucun_Click();

private:
    void BindEvents();
    // Sets the count-down size text without running the combo's Click (a
    // text set by the program is not a choice of the user).
    void setDecSizeText(const std::string& s);
    // Moves the shadow copy by (dx, dy) twips, ticking the shadow first.
    void moveShadow(int dx, int dy);
    // Shows the colour dialog; the chosen colour, or nothing on Cancel.
    bool pickColour(long& chosen);
    void showRgb(long colour);
    // The start-up copies of the look (colours, font) from the controls, with
    // `fontSize` as the size: what every later song start applies.
    void SetStartUpCopies(const std::string& fontSize);
    bool quietDecSize_ = false;
};

// The dialog's default instance, created and loaded on first use.
CfgKaraoke& cfgKaraoke();

namespace modIni {

// Lets the lyric window open and close the dialog (sets ShowCfgKaraoke and
// UnloadCfgKaraoke). Calling it again changes nothing.
void InstallCfgKaraokeHooks();

// The box of the count-down seconds for a digit size (twips); false for a
// size that has no box of its own, which leaves the box as it is.
bool CountDownLabelBox(double size, int& height, int& width);

} // namespace modIni
