// The lyric display settings dialog: its design, loading from the settings
// file, saving, the revert when it closes without saving, the reset to the
// standard look, and the live preview of every edit on the lyric windows.
#include "settings/cfgkaraoke.h"

#include "core/modini.h"
#include "core/player.h"
#include "core/theme.h"
#include "core/uihelpers.h"
#include "lyricwindows/karaoke.h"
#include "lyricwindows/karaoke_k1.h"
#include "platform/files/paths.h"
#include "platform/files/runtime.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"

#include <exception>
#include <initializer_list>
#include <optional>
#include <string>

using namespace modIni;

namespace {

constexpr const char* kKar = "Kar Windows";
constexpr const char* kPlace = "CfgKaraoke Windows";

// The standard look, as a fresh settings file holds it.
constexpr long kDefBackColor = 11860476;
constexpr long kDefFontColor = 16744448;
constexpr long kDefFontColorActif = 255;
constexpr long kDefFontColorPassif = 12615680;
constexpr long kDefShadowColor = 0;
constexpr long kDefBallColor = 65535;
constexpr int kDefBallSize = 175;
constexpr long kDefCountDownColor = 16711680;
constexpr const char* kDefFontName = "Comic Sans MS";
constexpr const char* kDefFontSize = "26";
constexpr const char* kDefCountDownSize = "12";

// Offset of the shadow when it is switched on or centred again (twips).
constexpr int kShadowStep = 30;
// Each press of an arrow moves the shadow by this much (twips).
constexpr int kShadowMove = 10;
// The ball's size changes by this much per press, within these widths.
constexpr int kBallStep = 10;
constexpr int kBallSmallest = 75;
constexpr int kBallLargest = 450;
// A saved size beyond this is damage, not a choice: the standard size is used.
constexpr int kBallMost = 5000;

// A whole-number setting of [Kar Windows]; a missing or damaged value gives
// the fallback, so an old or hand-edited file never breaks the dialog.
long karNumber(const char* key, long fallback)
{
    const std::optional<double> d = vb::ToNumber(IniAccess("GET", kKar, key));
    return d ? vb::CLng(*d) : fallback;
}

// A size kept as text: the stored text when it is a usable size, else the default.
std::string karSizeText(const char* key, const char* fallback)
{
    const std::string s = IniAccess("GET", kKar, key);
    const std::optional<double> d = vb::ToNumber(s);
    return d && *d > 0 && *d < 1000 ? s : std::string(fallback);
}

// A usable font or digit size in a text, else nothing.
std::optional<double> sizeOf(const std::string& text)
{
    const std::optional<double> d = vb::ToNumber(text);
    if (!d || !(*d > 0) || *d >= 1000)
        return std::nullopt;
    return d;
}

// The lyric windows, only while they are loaded: the dialog never brings a
// closed lyric window back to life.
Karaoke* lyricWindow()
{
    return isLoaded<Karaoke>() ? &karaoke() : nullptr;
}

bool k1Shown()
{
    Karaoke* k = lyricWindow();
    return k && k->Check_Aff_K1.Value() == 1;
}

// The second lyric window when it is shown docked under the main one.
Karaoke_K1* shownK1()
{
    return k1Shown() ? &karaoke_K1() : nullptr;
}

// Runs one step of the preview; a step that fails is skipped.
template <class F>
void step(F&& f)
{
    try {
        f();
    } catch (const std::exception&) {
    }
}

std::string colourParts(long colour, const char* part)
{
    return vb::CStr(GetColorPart(colour, part));
}

void redrawLyrics()
{
    if (Karaoke* k = lyricWindow())
        k->Command_Print2Ligne.press();
    if (Karaoke_K1* k1 = shownK1())
        k1->Command_Print2Ligne.press();
}

void setLyricPictures(const StdPicture& p)
{
    if (Karaoke* k = lyricWindow())
        k->setPicture(p);
    if (Karaoke_K1* k1 = shownK1())
        k1->setPicture(p);
}

void placeLine(Line& l, double x1, double y1, double x2, double y2)
{
    l.setX1(x1);
    l.setY1(y1);
    l.setX2(x2);
    l.setY2(y2);
}

void setCountDownLabel(Label& sec, double size)
{
    sec.setFontSize(size);
    int h = 0, w = 0;
    if (CountDownLabelBox(size, h, w)) {
        sec.setHeight(h);
        sec.setWidth(w);
    }
}

} // namespace

namespace modIni {

bool CountDownLabelBox(double size, int& height, int& width)
{
    struct Box {
        double points;
        int height, width;
    };
    for (const Box& b : {Box{8, 160, 220}, Box{10, 190, 220}, Box{12, 240, 280}, Box{14, 280, 330},
                         Box{18, 340, 400}, Box{24, 430, 550}})
        if (b.points == size) {
            height = b.height;
            width = b.width;
            return true;
        }
    return false;
}

void InstallCfgKaraokeHooks()
{
    ShowCfgKaraoke = [](int top, int left) {
        CfgKaraoke& d = cfgKaraoke();
        d.Show();
        d.Move(left, top);
        d.keepOnScreen();
    };
    UnloadCfgKaraoke = [] {
        if (isLoaded<CfgKaraoke>())
            Unload(cfgKaraoke());
    };
}

} // namespace modIni

CfgKaraoke& cfgKaraoke()
{
    return formInstance<CfgKaraoke>();
}

// ---------------------------------------------------------------- design

CfgKaraoke::CfgKaraoke()
{
    setCaption("Configuration Karaoke");
    setBorderStyle(1);
    setMaxButton(false);
    setScaleWidth(7335);
    setScaleHeight(5295);

    // Font.
    Label_Police.Move(120, 165, 900, 255);
    Label_Police.setCaption("Police:");
    Text_FontName.Move(1020, 120, 2535, 315);
    Label_Taille.Move(120, 525, 900, 255);
    Label_Taille.setCaption("Taille:");
    Text_FontSize.Move(1020, 480, 735, 315);
    Label_Gras.Move(1920, 525, 600, 255);
    Label_Gras.setCaption("Gras:");
    Check_FontBold.Move(2520, 510, 255, 255);
    Command_GetFont.Move(3660, 120, 1335, 315);
    Command_GetFont.setCaption("Sélectionner");
    for (TextBox* t : {&Text_FontName, &Text_FontSize, &Text_ImageFond})
        t->setLocked(true);

    placeLine(Line1, 120, 900, 7215, 900);

    // Colours: a swatch and its button per row.
    struct Row {
        Control* swatch;
        CommandButton* button;
        const char* caption;
    };
    int y = 1020;
    for (const Row& r : {Row{&Label_BackColor, &Command_GetColorBack, "Couleur de Fond"},
                         Row{&Label_FontColor, &Command_GetColorFont, "Couleur Police"},
                         Row{&Label_FontColorActif, &Command_GetColorFontActif, "Couleur Police Active"},
                         Row{&Label_FontColorPassif, &Command_GetColorFontPassif, "Couleur Police Passive"},
                         Row{&Label_ShadowColor, &Command_ShadowColor, "Couleur ombrage"}}) {
        r.swatch->Move(120, y + 15, 555, 285);
        r.button->Move(780, y, 2295, 315);
        r.button->setCaption(r.caption);
        y += 375;
    }
    for (Label* l : {&Label_FontColor, &Label_FontColorActif, &Label_FontColorPassif})
        l->setBorderStyle(1);

    placeLine(Line2, 3240, 1020, 3240, 2835);

    // Shadow: the switch, the arrows around the centre button, and the sample.
    Check_Shadow.Move(3360, 1035, 255, 255);
    Label_Check_Shadow.Move(3660, 1050, 1875, 255);
    Label_Check_Shadow.setCaption("Activer Ombrage");
    Command_HShadow.Move(3855, 1395, 375, 315);
    Command_GShadow.Move(3480, 1755, 375, 315);
    Command_CShadow.Move(3855, 1755, 375, 315);
    Command_DShadow.Move(4230, 1755, 375, 315);
    Command_BShadow.Move(3855, 2115, 375, 315);
    Command_HShadow.setCaption("▲");
    Command_BShadow.setCaption("▼");
    Command_GShadow.setCaption("◀");
    Command_DShadow.setCaption("▶");
    Command_CShadow.setCaption("●");
    for (Label* l : {&Label_FontName2, &Label_FontName1}) {
        l->Move(4905, 1395, 2280, 1005);
        l->setCaption("Abc");
        l->setBackStyle(0);
        l->setFontSize(36);
        l->setFontBold(true);
    }
    Label_FontName2.Move(Label_FontName1.Left() + kShadowStep, Label_FontName1.Top() + kShadowStep);

    placeLine(Line3, 120, 2955, 7215, 2955);

    // Ball.
    Check_Ball.Move(120, 3090, 255, 255);
    Label_Check_Ball.Move(420, 3105, 1935, 255);
    Label_Check_Ball.setCaption("Activer Balle");
    Shape_Ball.setShape(3);
    Shape_Ball.setFillStyle(0);
    Shape_Ball.setBorderStyle(0);
    Shape_Ball.Move(2520, 3090, kDefBallSize, kDefBallSize);
    Command_BallColor.Move(3180, 3060, 1095, 315);
    Command_BallColor.setCaption("Couleur");
    Command_BallM.Move(4320, 3060, 375, 315);
    Command_BallM.setCaption("-");
    Command_BallP.Move(4740, 3060, 375, 315);
    Command_BallP.setCaption("+");

    // Count-down.
    Check_Decompte.Move(120, 3510, 255, 255);
    Label_Check_Decompte.Move(420, 3525, 1935, 255);
    Label_Check_Decompte.setCaption("Activer Décompte");
    Combo_DecSize.Move(2400, 3480, 735, 315);
    for (const char* s : {"8", "10", "12", "14", "18", "24"})
        Combo_DecSize.AddItem(s);
    Combo_DecSize.setText(kDefCountDownSize);
    Label_Dec.Move(3180, 3420, 555, 465);
    Label_Dec.setCaption("9");
    Label_Dec.setBackStyle(0);
    Label_Dec.setAlignment(vbCenter);
    Command_DecColor.Move(3780, 3480, 1095, 315);
    Command_DecColor.setCaption("Couleur");
    Check_CountDownBar.Move(120, 3930, 255, 255);
    Label_Check_CountDownBar.Move(420, 3945, 3900, 255);
    Label_Check_CountDownBar.setCaption("Activer Barre de Décompte");

    placeLine(Line4, 120, 4335, 7215, 4335);

    // Background picture.
    Label_ImageFond.Move(120, 4485, 1455, 255);
    Label_ImageFond.setCaption("Image de fond");
    Text_ImageFond.Move(1620, 4440, 3375, 315);
    Command_Browse.Move(5040, 4440, 1095, 315);
    Command_Browse.setCaption("Parcourir");
    Command_Aucun.Move(6180, 4440, 1035, 315);
    Command_Aucun.setCaption("Aucun");

    placeLine(Line5, 120, 4860, 7215, 4860);

    // Actions.
    Command_Test.Move(120, 4920, 855, 315);
    Command_Test.setCaption("Test");
    Command_Raz.Move(1035, 4920, 1815, 315);
    Command_Raz.setCaption("Config. par défault");
    Command_Annuler.Move(2910, 4920, 2115, 315);
    Command_Annuler.setCaption("Annuler et Sortir");
    // Escape leaves the dialog the way Cancel does, bringing the saved look back.
    Command_Annuler.setCancel(true);
    Command_Save.Move(5085, 4920, 2130, 315);
    Command_Save.setCaption("Sauvegarder et Sortir");

    // Captions sit on the window's tiled background.
    for (Label* l : {&Label_Police, &Label_Taille, &Label_Gras, &Label_Check_Shadow, &Label_Check_Ball,
                     &Label_Check_Decompte, &Label_Check_CountDownBar, &Label_ImageFond})
        l->setBackStyle(0);

    BindEvents();
}

void CfgKaraoke::BindEvents()
{
    Command_Save.onClick([this] { Command_Save_Click(); });
    Command_Annuler.onClick([this] { Command_Annuler_Click(); });
    Command_Raz.onClick([this] { Command_Raz_Click(); });
    Command_Test.onClick([this] { Command_Test_Click(); });
    Label_Check_Ball.onClick([this] { Label_Check_Ball_Click(); });
    Label_Check_CountDownBar.onClick([this] { Label_Check_CountDownBar_Click(); });
    Label_Check_Decompte.onClick([this] { Label_Check_Decompte_Click(); });
    Label_Check_Shadow.onClick([this] { Label_Check_Shadow_Click(); });
    Label_FontColor.onClick([this] { Label_FontColor_Click(); });
    Label_FontColorActif.onClick([this] { Label_FontColorActif_Click(); });
    Label_FontColorPassif.onClick([this] { Label_FontColorPassif_Click(); });
    Label_ShadowColor.onClick([this] { Label_ShadowColor_Click(); });
    Label_BackColor.onClick([this] { Label_BackColor_Click(); });
    Check_FontBold.onClick([this] { Check_FontBold_Click(); });
    Command_GetFont.onClick([this] { Command_GetFont_Click(); });
    Command_GetColorFont.onClick([this] { Command_GetColorFont_Click(); });
    Command_GetColorFontActif.onClick([this] { Command_GetColorFontActif_Click(); });
    Command_GetColorFontPassif.onClick([this] { Command_GetColorFontPassif_Click(); });
    Command_GetColorBack.onClick([this] { Command_GetColorBack_Click(); });
    Command_ShadowColor.onClick([this] { Command_ShadowColor_Click(); });
    Check_Shadow.onClick([this] { Check_Shadow_Click(); });
    Command_HShadow.onClick([this] { Command_HShadow_Click(); });
    Command_BShadow.onClick([this] { Command_BShadow_Click(); });
    Command_GShadow.onClick([this] { Command_GShadow_Click(); });
    Command_DShadow.onClick([this] { Command_DShadow_Click(); });
    Command_CShadow.onClick([this] { Command_CShadow_Click(); });
    Command_BallColor.onClick([this] { Command_BallColor_Click(); });
    Check_Ball.onClick([this] { Check_Ball_Click(); });
    Command_BallM.onClick([this] { Command_BallM_Click(); });
    Command_BallP.onClick([this] { Command_BallP_Click(); });
    Check_Decompte.onClick([this] { Check_Decompte_Click(); });
    Check_CountDownBar.onClick([this] { Check_CountDownBar_Click(); });
    Combo_DecSize.onClick([this] {
        if (!quietDecSize_)
            Combo_DecSize_Click();
    });
    Command_DecColor.onClick([this] { Command_DecColor_Click(); });
    Command_Browse.onClick([this] { Command_Browse_Click(); });
    Command_Aucun.onClick([this] { Command_Aucun_Click(); });
}

void CfgKaraoke::setDecSizeText(const std::string& s)
{
    quietDecSize_ = true;
    Combo_DecSize.setText(s);
    quietDecSize_ = false;
}

// ---------------------------------------------------------------- loading

void CfgKaraoke::Form_Load()
{
    // 1. The dialog's own colours.
    ApplyDialogColors(
        *this, {&Check_FontBold, &Check_Shadow, &Check_Ball, &Check_Decompte, &Check_CountDownBar},
        {&Text_FontName, &Text_FontSize, &Text_ImageFond},
        {&Command_GetColorFont, &Command_GetColorFontActif, &Command_GetColorFontPassif, &Command_GetColorBack,
         &Command_ShadowColor, &Command_GetFont, &Command_BallP, &Command_BallM, &Command_BallColor, &Command_Browse,
         &Command_Aucun, &Command_Test, &Command_Raz, &Command_Annuler, &Command_Save, &Command_DecColor,
         &Command_GShadow, &Command_DShadow, &Command_BShadow, &Command_HShadow, &Command_CShadow});

    Karaoke* k = lyricWindow();
    Karaoke_K1* k1 = shownK1();

    // 2. The background picture.
    Text_ImageFond.setText(IniAccess("GET", "Path", "Path Image"));
    const std::string picture = Text_ImageFond.Text();
    if (!picture.empty() && FileExists(picture))
        setLyricPictures(LoadPicture(picture));
    else
        setLyricPictures(StdPicture());
    SavedImageFond = Text_ImageFond.Text();

    // 3. The swatches and the sample's colours.
    Label_BackColor.setBackColor(karNumber("BackColor", kDefBackColor));
    Label_FontColor.setBackColor(karNumber("FontColor", kDefFontColor));
    Label_FontColorActif.setBackColor(karNumber("FontColorActif", kDefFontColorActif));
    Label_FontColorPassif.setBackColor(karNumber("FontColorPassif", kDefFontColorPassif));
    Label_ShadowColor.setBackColor(karNumber("ShadowColor", kDefShadowColor));
    Label_FontName1.setForeColor(Label_FontColor.BackColor());
    Label_FontName2.setForeColor(Label_ShadowColor.BackColor());

    // 4. The font.
    Text_FontName.setText(IniGetOrDefault(kKar, "FontName"));
    if (Text_FontName.Text().empty())
        Text_FontName.setText(kDefFontName);
    for (Control* c : {static_cast<Control*>(&Text_FontName), static_cast<Control*>(&Label_FontName1),
                       static_cast<Control*>(&Label_FontName2)})
        c->setFontName(Text_FontName.Text());
    Text_FontSize.setText(karSizeText("FontSize", kDefFontSize));

    // 5. The shadow: the switch follows the offset in use, then the saved
    // offset places the shadow copy.
    Check_Shadow.setValue(ShadowH != 0 || ShadowV != 0 ? 1 : 0);
    ShadowH = vb::CInt(static_cast<double>(karNumber("ShadowH", kShadowStep)));
    ShadowV = vb::CInt(static_cast<double>(karNumber("ShadowV", kShadowStep)));
    Label_FontName2.Move(Label_FontName1.Left() + ShadowH, Label_FontName1.Top() + ShadowV);

    // 6. The language.
    Langue = IniGetOrDefault("Setting", "Langue");

    // 7. The ball.
    Check_Ball.setValue(karNumber("Ball", 1) != 0 ? 1 : 0);
    const long ballColor = karNumber("BallColor", kDefBallColor);
    long ballSize = karNumber("BallSize", kDefBallSize);
    if (ballSize < 0 || ballSize > kBallMost)
        ballSize = kDefBallSize;
    Shape_Ball.setFillColor(ballColor);
    Shape_Ball.setHeight(static_cast<int>(ballSize));
    Shape_Ball.setWidth(static_cast<int>(ballSize));
    // A ball switched off keeps no size on the lyric window: the engine draws
    // the ball whatever the switch says, and a size of 0 is what hides it.
    const int shownBall = Check_Ball.Value() == 1 ? static_cast<int>(ballSize) : 0;
    if (k) {
        k->Shape_Ball.setFillColor(ballColor);
        k->Shape_Ball.setHeight(shownBall);
        k->Shape_Ball.setWidth(shownBall);
    }

    // 8. The count-down.
    Check_Decompte.setValue(karNumber("CountDown", 1) != 0 ? 1 : 0);
    setDecSizeText(karSizeText("CountDownSize", kDefCountDownSize));
    Label_Dec.setForeColor(karNumber("CountDownColor", kDefCountDownColor));
    Check_CountDownBar.setValue(karNumber("CountDownBar", 1) != 0 ? 1 : 0);
    if (const std::optional<double> size = sizeOf(Combo_DecSize.Text()))
        Label_Dec.setFontSize(*size);
    if (k) {
        k->Label_Sec.setForeColor(Label_Dec.ForeColor());
        k->Label_Sec.setFontSize(Label_Dec.FontSize());
    }

    // 9. The weight (ticking it pushes the loaded look onto the lyric windows).
    Check_FontBold.setValue(karNumber("FontBold", 1) > 0 ? 1 : 0);

    // 10. The second lyric window, when it is shown.
    if (k1) {
        k1->Shape_Ball.setFillColor(ballColor);
        k1->Shape_Ball.setHeight(shownBall);
        k1->Shape_Ball.setWidth(shownBall);
        k1->Label_Sec.setForeColor(Label_Dec.ForeColor());
        k1->Label_Sec.setFontSize(Label_Dec.FontSize());
        k1->Command_Print2Ligne.press();
    }
}

void CfgKaraoke::Form_Activate()
{
    if (Langue != "En")
        return;
    setCaption("Windows Karaoke Configuration");
    Command_GetFont.setCaption("Select");
    Label_Police.setCaption("Font:");
    Label_Taille.setCaption("Size:");
    Label_Gras.setCaption("Bold:");
    Command_GetColorBack.setCaption("Background Color");
    Command_GetColorFont.setCaption("Font Color");
    Command_GetColorFontActif.setCaption("Active Font Color");
    Command_GetColorFontPassif.setCaption("Passive Font Color");
    Command_ShadowColor.setCaption("Shadow Color");
    Label_Check_Shadow.setCaption("Activate Shadow");
    Label_Check_Ball.setCaption("Activate Ball");
    Command_BallColor.setCaption("Color");
    Label_Check_Decompte.setCaption("Activate CountDown");
    Command_DecColor.setCaption("Color");
    Label_Check_CountDownBar.setCaption("Show CountDown ProgressBar");
    Label_ImageFond.setCaption("Background Image");
    Command_Browse.setCaption("Browse");
    Command_Aucun.setCaption("None");
    Command_Save.setCaption("Save and Exit");
    Command_Annuler.setCaption("Cancel and Exit");
    Command_Raz.setCaption("Default Settings");
    Command_Test.setCaption("Test");
}

void CfgKaraoke::Form_Resize() { TileFormBackground(*this); }

// ---------------------------------------------------------------- closing

void CfgKaraoke::Command_Save_Click()
{
    // A typed count-down size that is no usable number would leave the lyric
    // windows without a readable size at the next start: the size in effect
    // on the sample is kept instead.
    std::string decSize = Combo_DecSize.Text();
    if (!sizeOf(decSize))
        decSize = vb::CStr(static_cast<long>(vb::CLng(Label_Dec.FontSize())));
    std::string fontSize = Text_FontSize.Text();
    if (!sizeOf(fontSize))
        fontSize = vb::CStr(static_cast<long>(KarFontSize > 0 ? KarFontSize : 26));

    TakeIniWriteFailure();
    IniAccess("WRITE", kKar, "BackColor", Label_BackColor.BackColor());
    IniAccess("WRITE", kKar, "FontColor", Label_FontColor.BackColor());
    IniAccess("WRITE", kKar, "FontColorActif", Label_FontColorActif.BackColor());
    IniAccess("WRITE", kKar, "FontColorPassif", Label_FontColorPassif.BackColor());
    IniAccess("WRITE", kKar, "ShadowColor", Label_ShadowColor.BackColor());
    IniAccess("WRITE", kKar, "FontName", Text_FontName.Text());
    IniAccess("WRITE", kKar, "FontSize", fontSize);
    IniAccess("WRITE", kKar, "FontBold", Check_FontBold.Value() == 1 ? "1" : "0");
    IniAccess("WRITE", kKar, "Ball", Check_Ball.Value() == 1 ? "1" : "0");
    IniAccess("WRITE", kKar, "CountDown", Check_Decompte.Value() == 1 ? "1" : "0");
    IniAccess("WRITE", kKar, "CountDownSize", decSize);
    IniAccess("WRITE", kKar, "CountDownColor", Label_Dec.ForeColor());
    IniAccess("WRITE", kKar, "BallColor", Shape_Ball.FillColor());
    IniAccess("WRITE", kKar, "BallSize", Shape_Ball.Width());
    IniAccess("WRITE", kKar, "CountDownBar", Check_CountDownBar.Value() == 1 ? "1" : "0");
    IniAccess("WRITE", kKar, "ShadowH", ShadowH);
    IniAccess("WRITE", kKar, "ShadowV", ShadowV);
    // The picture is written here only: choosing one is a preview until saved.
    IniAccess("WRITE", "Path", "Path Image", Text_ImageFond.Text());
    // Not stored, the look would be on the lyric window but not in the copies
    // the next song starts with, nor in the next run: the dialog stays open
    // with the edited look, for another try or Cancel (which brings back the
    // stored look everywhere).
    if (const std::string why = TakeIniWriteFailure(); !why.empty()) {
        ShowSettingsNotSaved(why);
        return;
    }

    SetStartUpCopies(fontSize);
    SavedImageFond = Text_ImageFond.Text();
    Unload(*this);
}

void CfgKaraoke::SetStartUpCopies(const std::string& fontSize)
{
    // The start-up copies of the look, which every later song start applies.
    const long fontColour = Label_FontColor.BackColor();
    const long actifColour = Label_FontColorActif.BackColor();
    const long passifColour = Label_FontColorPassif.BackColor();
    FontRed = colourParts(fontColour, "gcRed");
    FontGreen = colourParts(fontColour, "gcGreen");
    FontBlue = colourParts(fontColour, "gcBlue");
    ActifRed = colourParts(actifColour, "gcRed");
    ActifGreen = colourParts(actifColour, "gcGreen");
    ActifBlue = colourParts(actifColour, "gcBlue");
    PassifRed = colourParts(passifColour, "gcRed");
    PassifGreen = colourParts(passifColour, "gcGreen");
    PassifBlue = colourParts(passifColour, "gcBlue");
    KarBackColor = vb::CStr(Label_BackColor.BackColor());
    KarFontColor = vb::CStr(fontColour);
    KarFontColorActif = vb::CStr(actifColour);
    KarFontColorPassif = vb::CStr(passifColour);
    KarFontBold = Check_FontBold.Value() == 1;
    KarFontName = Text_FontName.Text();
    KarFontSize = vb::CInt(fontSize, KarFontSize);
    // The shadow colour of the saved look too, or the next song would bring
    // back the one read at start-up.
    KarShadowColorIni = vb::CStr(Label_ShadowColor.BackColor());
}

void CfgKaraoke::Command_Annuler_Click() { Unload(*this); }

void CfgKaraoke::Form_Unload(int&)
{
    Karaoke* k = lyricWindow();
    if (k)
        k->Check_Aff_CfgKar.setValue(0);
    KarTestMode = false;

    // The picture goes back to the one the dialog opened with (or saved).
    Text_ImageFond.setText(SavedImageFond);
    PathImage = IniAccess("GET", "Path", "Path Image");
    KarShadowColor = IniAccess("GET", kKar, "ShadowColor");

    if (WindowState() == vbNormal) {
        IniAccess("WRITE", kPlace, "Top", Top());
        IniAccess("WRITE", kPlace, "Left", Left());
    }

    // Back to the file's look, on the controls, the globals and the windows,
    // and in the copies the next song starts with (the file may hold part of
    // a save that failed half-way).
    Form_Load();
    ApplyTest();
    SetStartUpCopies(Text_FontSize.Text());

    if (PathImage.empty() || !FileExists(PathImage)) {
        PathImage.clear();
        setLyricPictures(StdPicture());
    } else {
        setLyricPictures(LoadPicture(PathImage));
    }
    CmdLine = "Fin";
    redrawLyrics();
}

// ---------------------------------------------------------------- reset

void CfgKaraoke::Command_Raz_Click()
{
    Label_BackColor.setBackColor(kDefBackColor);
    Label_FontColor.setBackColor(kDefFontColor);
    Label_FontName1.setForeColor(kDefFontColor);
    Label_FontColorActif.setBackColor(kDefFontColorActif);
    Label_FontColorPassif.setBackColor(kDefFontColorPassif);
    Label_ShadowColor.setBackColor(kDefShadowColor);
    // The shadow sample shows the shadow colour it stands for.
    Label_FontName2.setForeColor(kDefShadowColor);

    Text_FontName.setText(kDefFontName);
    for (Control* c : {static_cast<Control*>(&Text_FontName), static_cast<Control*>(&Label_FontName1),
                       static_cast<Control*>(&Label_FontName2)})
        c->setFontName(kDefFontName);
    Text_FontSize.setText(kDefFontSize);
    Check_FontBold.setValue(1);

    // Ticking the ball brings back the saved size: the standard size is set
    // after it, so the reset always ends with the standard ball.
    Check_Ball.setValue(1);
    Shape_Ball.setHeight(kDefBallSize);
    Shape_Ball.setWidth(kDefBallSize);
    Shape_Ball.setFillColor(kDefBallColor);
    Check_Decompte.setValue(1);
    setDecSizeText(kDefCountDownSize);
    Label_Dec.setForeColor(kDefCountDownColor);
    Label_Dec.setFontSize(12);

    // An offset already in use stays; a shadow that was off comes at +30, +30.
    Check_Shadow.setValue(1);

    if (Karaoke* k = lyricWindow())
        k->Cls();
    ApplyTest();
}

// ---------------------------------------------------------------- caption labels and swatches

namespace {
void toggle(CheckBox& box)
{
    box.setValue(box.Value() == 0 ? 1 : 0);
}
} // namespace

void CfgKaraoke::Label_Check_Ball_Click() { toggle(Check_Ball); }
void CfgKaraoke::Label_Check_CountDownBar_Click() { toggle(Check_CountDownBar); }
void CfgKaraoke::Label_Check_Decompte_Click() { toggle(Check_Decompte); }
void CfgKaraoke::Label_Check_Shadow_Click() { toggle(Check_Shadow); }

void CfgKaraoke::showRgb(long colour)
{
    const std::string red = vb::CStr(GetColorPart(colour, "gcRed"));
    const std::string green = vb::CStr(GetColorPart(colour, "gcGreen"));
    const std::string blue = vb::CStr(GetColorPart(colour, "gcBlue"));
    if (Langue == "Fr")
        MsgBox("Rouge:  " + red + "       Vert:  " + green + "       Bleu:  " + blue, vbOKOnly + vbInformation,
               "Couleurs RGB");
    else
        MsgBox("Red: " + red + "  Green: " + green + "  Blue: " + blue, vbOKOnly + vbInformation, "RGB Colors");
}

void CfgKaraoke::Label_FontColor_Click() { showRgb(Label_FontColor.BackColor()); }
void CfgKaraoke::Label_FontColorActif_Click() { showRgb(Label_FontColorActif.BackColor()); }
void CfgKaraoke::Label_FontColorPassif_Click() { showRgb(Label_FontColorPassif.BackColor()); }
void CfgKaraoke::Label_ShadowColor_Click() { showRgb(Label_ShadowColor.BackColor()); }
void CfgKaraoke::Label_BackColor_Click() { showRgb(Label_BackColor.BackColor()); }

// ---------------------------------------------------------------- live preview

void CfgKaraoke::ApplyTest()
{
    Karaoke* k = lyricWindow();

    // 1. Font and background of the main lyric window.
    if (k) {
        step([&] {
            if (!Text_FontName.Text().empty())
                k->setFontName(Text_FontName.Text());
        });
        step([&] {
            if (const std::optional<double> size = sizeOf(Text_FontSize.Text()))
                k->setFontSize(static_cast<float>(*size));
        });
        step([&] { k->setBackColor(Label_BackColor.BackColor()); });
        step([&] { k->setFontBold(Check_FontBold.Value() == 1); });
    }

    // 2. The print colours of the lyric drawing, and the shadow's colour.
    step([&] {
        const long c = Label_FontColor.BackColor();
        FontRed = colourParts(c, "gcRed");
        FontGreen = colourParts(c, "gcGreen");
        FontBlue = colourParts(c, "gcBlue");
    });
    step([&] {
        const long c = Label_FontColorActif.BackColor();
        ActifRed = colourParts(c, "gcRed");
        ActifGreen = colourParts(c, "gcGreen");
        ActifBlue = colourParts(c, "gcBlue");
    });
    step([&] {
        const long c = Label_FontColorPassif.BackColor();
        PassifRed = colourParts(c, "gcRed");
        PassifGreen = colourParts(c, "gcGreen");
        PassifBlue = colourParts(c, "gcBlue");
    });
    // The swatch is what the user sees: the reset changes it without the
    // colour dialog, and the preview must follow.
    step([&] { KarShadowColor = vb::CStr(Label_ShadowColor.BackColor()); });

    // 3. The shadow offset is where the shadow copy sits, whatever the switch says.
    step([&] {
        ShadowH = vb::CInt(static_cast<double>(Label_FontName2.Left() - Label_FontName1.Left()));
        ShadowV = vb::CInt(static_cast<double>(Label_FontName2.Top() - Label_FontName1.Top()));
    });

    if (k) {
        // 4. The picture: none for an empty path; a path that cannot be loaded
        // (the blank that stands for "none" too) keeps what is shown.
        step([&] {
            const std::string path = Text_ImageFond.Text();
            if (path.empty()) {
                k->setPicture(StdPicture());
                return;
            }
            bool ok = false;
            StdPicture p = LoadPicture(path, &ok);
            if (ok)
                k->setPicture(p);
        });

        // 5. Ball colour, count-down colour and size.
        step([&] { k->Shape_Ball.setFillColor(Shape_Ball.FillColor()); });
        step([&] {
            k->Label_Sec.setForeColor(Label_Dec.ForeColor());
            k->Label_Sec.setFontSize(Label_Dec.FontSize());
        });

        // 6. The ball on or off.
        step([&] {
            if (Check_Ball.Value() == 1) {
                k->Check_Ball.setValue(1);
                k->Shape_Ball.setWidth(Shape_Ball.Width());
                k->Shape_Ball.setHeight(Shape_Ball.Height());
            } else {
                k->Check_Ball.setValue(0);
                k->Shape_Ball.setWidth(0);
                k->Shape_Ball.setHeight(0);
            }
        });

        // 7. The count-down box from its size.
        step([&] {
            const std::optional<double> size = sizeOf(Combo_DecSize.Text());
            int h = 0, w = 0;
            if (size && CountDownLabelBox(*size, h, w)) {
                k->Label_Sec.setHeight(h);
                k->Label_Sec.setWidth(w);
            }
        });

        // 8. The second window takes the main window's look.
        if (k1Shown())
            step([] { CopyKarLookToK1(); });
    }

    // 9. Both windows redraw with the new look.
    step([] { redrawLyrics(); });
}

namespace {
// The font dialog's size as the shortest text of a single-precision number.
std::string sizeText(double size)
{
    return vb::CStr(static_cast<float>(size));
}
} // namespace

void CfgKaraoke::Check_FontBold_Click() { ApplyTest(); }

void CfgKaraoke::Command_GetFont_Click()
{
    FontChoice current;
    current.name = Text_FontName.Text();
    if (const std::optional<double> size = sizeOf(Text_FontSize.Text()))
        current.size = *size;
    current.bold = Check_FontBold.Value() == 1;
    const std::optional<FontChoice> chosen = prompter().chooseFont(current);
    if (!chosen || chosen->name.empty() || !(chosen->size > 0))
        return;

    Text_FontName.setText(chosen->name);
    for (Control* c : {static_cast<Control*>(&Text_FontName), static_cast<Control*>(&Label_FontName1),
                       static_cast<Control*>(&Label_FontName2)})
        c->setFontName(chosen->name);
    Text_FontSize.setText(sizeText(chosen->size));
    Check_FontBold.setValue(chosen->bold ? 1 : 0);
    ApplyTest();
}

bool CfgKaraoke::pickColour(long& chosen)
{
    // The dialog is not preset to the swatch: it opens on black, with its
    // custom-colour part shown.
    const std::optional<long> c = prompter().chooseColor(0, cdlCCFullOpen);
    if (!c)
        return false;
    chosen = *c;
    return true;
}

void CfgKaraoke::Command_GetColorFont_Click()
{
    long c = 0;
    if (!pickColour(c))
        return;
    Label_FontColor.setBackColor(c);
    Label_FontName1.setForeColor(c);
    ApplyTest();
}

void CfgKaraoke::Command_GetColorFontActif_Click()
{
    long c = 0;
    if (!pickColour(c))
        return;
    Label_FontColorActif.setBackColor(c);
    ApplyTest();
}

void CfgKaraoke::Command_GetColorFontPassif_Click()
{
    long c = 0;
    if (!pickColour(c))
        return;
    Label_FontColorPassif.setBackColor(c);
    ApplyTest();
}

void CfgKaraoke::Command_GetColorBack_Click()
{
    long c = 0;
    if (!pickColour(c))
        return;
    Label_BackColor.setBackColor(c);
    ApplyTest();
}

void CfgKaraoke::Command_ShadowColor_Click()
{
    long c = 0;
    if (!pickColour(c))
        return;
    Label_ShadowColor.setBackColor(c);
    KarShadowColor = vb::CStr(c);
    Label_FontName2.setForeColor(c);
    ApplyTest();
}

void CfgKaraoke::Command_BallColor_Click()
{
    long c = 0;
    if (!pickColour(c))
        return;
    Shape_Ball.setFillColor(c);
    ApplyTest();
}

void CfgKaraoke::Command_DecColor_Click()
{
    long c = 0;
    if (!pickColour(c))
        return;
    Label_Dec.setForeColor(c);
    if (Karaoke* k = lyricWindow())
        k->Label_Sec.setForeColor(c);
    if (Karaoke_K1* k1 = shownK1())
        k1->Label_Sec.setForeColor(c);
    ApplyTest();
}

// ---- shadow

void CfgKaraoke::Check_Shadow_Click()
{
    if (Check_Shadow.Value() == 1) {
        Label_FontName2.Move(Label_FontName1.Left() + kShadowStep, Label_FontName1.Top() + kShadowStep);
        ShadowV = kShadowStep;
        ShadowH = kShadowStep;
    } else {
        Label_FontName2.Move(Label_FontName1.Left(), Label_FontName1.Top());
        ShadowH = 0;
        ShadowV = 0;
    }
    ApplyTest();
}

void CfgKaraoke::moveShadow(int dx, int dy)
{
    if (Check_Shadow.Value() == 0)
        Check_Shadow.setValue(1);
    Label_FontName2.Move(Label_FontName2.Left() + dx, Label_FontName2.Top() + dy);
    if (dy != 0)
        ShadowV = vb::CInt(static_cast<double>(Label_FontName2.Top() - Label_FontName1.Top()));
    if (dx != 0)
        ShadowH = vb::CInt(static_cast<double>(Label_FontName2.Left() - Label_FontName1.Left()));
    ApplyTest();
}

void CfgKaraoke::Command_HShadow_Click() { moveShadow(0, -kShadowMove); }
void CfgKaraoke::Command_BShadow_Click() { moveShadow(0, kShadowMove); }
void CfgKaraoke::Command_GShadow_Click() { moveShadow(-kShadowMove, 0); }
void CfgKaraoke::Command_DShadow_Click() { moveShadow(kShadowMove, 0); }

void CfgKaraoke::Command_CShadow_Click()
{
    Label_FontName2.Move(Label_FontName1.Left() + kShadowStep, Label_FontName1.Top() + kShadowStep);
    ShadowV = vb::CInt(static_cast<double>(Label_FontName2.Top() - Label_FontName1.Top()));
    ApplyTest();
}

// ---- ball

namespace {
void setBallSize(Shape& ball, int width, int height)
{
    ball.setWidth(width);
    ball.setHeight(height);
}
} // namespace

void CfgKaraoke::Check_Ball_Click()
{
    Karaoke* k = lyricWindow();
    Karaoke_K1* k1 = shownK1();
    if (Check_Ball.Value() == 1) {
        if (k)
            k->Check_Ball.setValue(1);
        // The saved size comes back, not the last size of the + and - buttons.
        const float saved = vb::CSng(IniAccess("GET", kKar, "BallSize"), -1.0f);
        const int size = saved >= 0 && saved <= kBallMost ? static_cast<int>(vb::CLng(saved)) : kDefBallSize;
        Shape_Ball.setHeight(size);
        Shape_Ball.setWidth(size);
        if (k)
            setBallSize(k->Shape_Ball, Shape_Ball.Width(), Shape_Ball.Height());
        if (k1)
            setBallSize(k1->Shape_Ball, Shape_Ball.Width(), Shape_Ball.Height());
    } else {
        if (k) {
            k->Check_Ball.setValue(0);
            setBallSize(k->Shape_Ball, 0, 0);
        }
        if (k1)
            setBallSize(k1->Shape_Ball, 0, 0);
    }
}

void CfgKaraoke::Command_BallM_Click()
{
    if (Shape_Ball.Width() < kBallSmallest)
        return;
    Shape_Ball.setWidth(Shape_Ball.Width() - kBallStep);
    Shape_Ball.setHeight(Shape_Ball.Height() - kBallStep);
    if (Karaoke* k = lyricWindow())
        setBallSize(k->Shape_Ball, Shape_Ball.Width(), Shape_Ball.Height());
    if (Karaoke_K1* k1 = shownK1())
        setBallSize(k1->Shape_Ball, Shape_Ball.Width(), Shape_Ball.Height());
}

void CfgKaraoke::Command_BallP_Click()
{
    if (Shape_Ball.Width() > kBallLargest)
        return;
    Shape_Ball.setWidth(Shape_Ball.Width() + kBallStep);
    Shape_Ball.setHeight(Shape_Ball.Height() + kBallStep);
    if (Karaoke* k = lyricWindow())
        setBallSize(k->Shape_Ball, Shape_Ball.Width(), Shape_Ball.Height());
    if (Karaoke_K1* k1 = shownK1())
        setBallSize(k1->Shape_Ball, Shape_Ball.Width(), Shape_Ball.Height());
}

// ---- count-down

void CfgKaraoke::Check_Decompte_Click()
{
    if (Karaoke* k = lyricWindow()) {
        k->Check_Decompte.setValue(Check_Decompte.Value());
        k->Label_Sec.setCaption("");
    }
}

void CfgKaraoke::Check_CountDownBar_Click()
{
    Karaoke* k = lyricWindow();
    if (!k)
        return;
    const bool on = Check_CountDownBar.Value() == 1;
    k->Check_ShowCountDownBar.setValue(Check_CountDownBar.Value());
    // The second window takes these from the main one when it loads, so only
    // a loaded one needs them set.
    Karaoke_K1* k1 = isLoaded<Karaoke_K1>() ? &karaoke_K1() : nullptr;
    k->Image_Syncro1.setVisible(on);
    k->Image_Syncro2.setVisible(on);
    if (k1) {
        k1->Image_Syncro1.setVisible(on);
        k1->Image_Syncro2.setVisible(on);
    }
    if (!on) {
        k->ProgressBar_Syncro.setVisible(false);
        if (k1)
            k1->ProgressBar_Syncro.setVisible(false);
    }
}

void CfgKaraoke::Combo_DecSize_Click()
{
    const std::optional<double> size = sizeOf(Combo_DecSize.Text());
    if (!size)
        return;
    Label_Dec.setFontSize(*size);
    if (Karaoke* k = lyricWindow())
        setCountDownLabel(k->Label_Sec, *size);
    if (Karaoke_K1* k1 = shownK1())
        setCountDownLabel(k1->Label_Sec, *size);
}

// ---- background picture

void CfgKaraoke::Command_Browse_Click()
{
    FileDialogOptions o;
    o.fileName = "";
    o.filter = PictureFilter();
    // The dialog starts in the program's current directory, as the settings
    // dialog's picture choice does.
    o.initDir = paths::currentFolder();
    const std::optional<std::string> chosen = prompter().openFile(o);
    const std::string path = vb::Trim(chosen.value_or(""));
    if (path.empty()) {
        Command_Aucun_Click();
        return;
    }
    // A picture that cannot be shown is said, and the picture there was stays.
    StdPicture picture;
    if (!PictureCanBeShown(path, &picture))
        return;
    Text_ImageFond.setText(path);
    // The chosen picture is shown at once; the settings file takes it only
    // when the user saves, so that closing without saving keeps the old one.
    PathImage = path;
    setLyricPictures(picture);
}

void CfgKaraoke::Command_Aucun_Click()
{
    // A single blank: the settings file keeps no empty value, and a blank
    // reads back as no picture.
    Text_ImageFond.setText(" ");
    PathImage.clear();
    setLyricPictures(StdPicture());
}

// ---- test play

void CfgKaraoke::Command_Test_Click()
{
    KarTestMode = true;
    ApplyTest();
    if (isLoaded<Player>())
        player().Command_Play.press();
}
