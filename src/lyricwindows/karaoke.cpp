// The main lyric window: its design, the options it keeps in [Kar Windows],
// its commands, and its layout, margins and the docking of the second window.
#include "lyricwindows/karaoke.h"

#include "core/modini.h"
#include "core/player.h"
#include "karaoke/pagestate.h"
#include "lyricwindows/karaoke_k1.h"
#include "platform/files/runtime.h"
#include "platform/forms/app.h"
#include "platform/forms/picture.h"
#include "settings/cfgkaraoke.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

using namespace modIni;

namespace {

constexpr const char* kSection = "Kar Windows";

// The vertical margin bar: its width, and how far its left edge lies from the
// window's right edge (30 twips stay free beyond it).
constexpr int kVScrollWidth = 210;
constexpr int kVScrollRight = kVScrollWidth + 30;
// The count-down bar's end mark where the window is wide enough, and the gap
// between the count-down bar, its end mark and the margin bar.
constexpr int kSyncroEndLeft = 9825;
constexpr int kSyncroGap = 60;

// A numeric option key; a missing or damaged value falls back to its default.
long optionValue(const char* key, long fallback)
{
    const std::string s = IniAccess("GET", kSection, key);
    return vb::CLng(s, fallback);
}

void writeOption(const char* key, const std::string& value)
{
    IniAccess("WRITE", kSection, key, value);
}

Player* loadedPlayer()
{
    return isLoaded<Player>() ? &player() : nullptr;
}

bool playerBoxTicked(CheckBox Player::*box)
{
    Player* p = loadedPlayer();
    return p && (p->*box).Value() == 1;
}

} // namespace

Karaoke& karaoke()
{
    return formInstance<Karaoke>();
}

Karaoke::Karaoke()
{
    setCaption("Zun Mp3 Karaoke");
    setScaleWidth(12915);
    setScaleHeight(2130);
    setFontName("Arial Black");
    setFontBold(true);
    setFontSize(12);

    // ---- the panel row
    Command_Cacher.Move(15, -15, 235, 255);
    Command_Cacher.setStyle(vbButtonGraphical);
    Command_Cacher.setToolTipText("Afficher/Cacher contrôle");
    Command_Cacher.setValue(1);

    struct Placed {
        Control* c;
        int left, width;
    };
    for (const Placed& p : {Placed{&Command_Play, 240, 315}, Placed{&Command_Stop, 540, 315},
                            Placed{&Command_Back, 840, 435}, Placed{&Command_Forward, 1260, 435},
                            Placed{&Command_Prev, 1680, 435}, Placed{&Command_Next, 2100, 435},
                            Placed{&Mute_S, 2580, 435}, Placed{&Mute_SK, 3060, 435}, Placed{&OnTop, 3540, 375},
                            Placed{&Command_Config, 3945, 375}, Placed{&NbLigne, 4350, 1455},
                            Placed{&Scroll, 5850, 435}, Placed{&Frame_LIM, 6330, 1275}})
        p.c->Move(p.left, 0, p.width, 255);

    Command_Play.setCaption("▶");
    Command_Stop.setCaption("■");
    Command_Back.setCaption("-20");
    Command_Forward.setCaption("+20");
    Command_Prev.setCaption("|◀");
    Command_Next.setCaption("▶|");
    for (CheckBox* c : {&Mute_S, &Mute_SK, &OnTop, &Scroll})
        c->setStyle(vbButtonGraphical);
    Mute_S.setCaption("♪");
    Mute_S.setToolTipText("Muet Son");
    Mute_SK.setCaption("A");
    Mute_SK.setToolTipText("Muet paroles karaoke");
    OnTop.setCaption("▲");
    OnTop.setToolTipText("Au premier plan");
    Command_Config.setCaption("…");
    Command_Config.setToolTipText("Configuration");
    Scroll.setCaption("⇅");
    Scroll.setToolTipText("Défilement Haut/Bas");

    NbLigne.setBorderStyle(0);
    NbLigne.setCaption("");
    int x = 0;
    for (OptionButton* o : {&Li2, &Li4, &Li6, &Li8}) {
        o->Move(x, 0, 375, 255);
        x += 360;
    }
    Li2.setCaption("2 Li");
    Li4.setCaption("4 Li");
    Li6.setCaption("6 Li");
    Li8.setCaption("8 Li");

    Frame_LIM.setBorderStyle(0);
    Frame_LIM.setCaption("");
    x = 0;
    for (OptionButton* o : {&LiM0, &LiM1, &LiM2}) {
        o->Move(x, 0, 435, 255);
        x += 420;
    }
    // The layout options are narrow push-like buttons (the graphical style), so
    // their whole width holds the caption in a small face.
    for (OptionButton* o : {&Li2, &Li4, &Li6, &Li8, &LiM0, &LiM1, &LiM2}) {
        o->setStyle(1);
        o->setFontSize(6.5);
    }
    LiM0.setCaption("-0 Li");
    LiM1.setCaption("-1 Li");
    LiM2.setCaption("-2 Li");
    LiM0.setValue(true);

    // The count-down bar in the panel, the seconds and the ball over the lyrics.
    PlaceSyncOverlay(Image_Syncro1, ProgressBar_Syncro, Image_Syncro2, Label_Sec, Shape_Ball);

    HScroll_Kar.Move(11550, 0, 1215, 135);
    HScroll_Kar.setMin(0);
    HScroll_Kar.setMax(100);
    HScroll_Kar.setSmallChange(1);
    HScroll_Kar.setLargeChange(3);
    HScroll_Kar.setValue(3);
    // As wide as the toolkit draws a scroll bar whole (arrows and border).
    VScroll_Kar.Move(12915 - kVScrollRight, 120, kVScrollWidth, 975);
    VScroll_Kar.setMin(0);
    VScroll_Kar.setMax(80);
    VScroll_Kar.setSmallChange(1);
    VScroll_Kar.setLargeChange(10);
    VScroll_Kar.setValue(4);
    Check_HSize.Move(12915 - kVScrollRight, 1080, 255, 255);
    Check_HSize.setCaption("Check1");
    Check_HSize.setToolTipText("Auto. Horizontal");
    Check_HSize.setValue(1);
    ProgressBar1.Move(-15, 1920, 10770, 135);

    // ---- hidden boxes
    for (Control* c : {static_cast<Control*>(&Check_Ball), static_cast<Control*>(&Check_Decompte),
                       static_cast<Control*>(&Check_ShowCountDownBar), static_cast<Control*>(&Check_Aff_K1),
                       static_cast<Control*>(&Check_Aff_CfgKar), static_cast<Control*>(&Command_Print2Ligne)})
        c->setVisible(false);

    Timer_DblClick.setInterval(500);
    Timer_DblClick.setEnabled(false);

    BindEvents();
}

Karaoke::~Karaoke() = default;

namespace {

// The count-down bar's end marks, 11 x 13 pixels: where the wait starts (a
// green tile with a white arrow towards the bar) and where singing starts (a
// red tile with the yellow ball). '#' tile, 'o' its rim, 'x' the sign.
const std::vector<std::string> kSyncroStart = {
    "ooooooooooo", "o#########o", "o#x#######o", "o#xxx#####o", "o#xxxxx###o", "o#xxxxxxx#o", "o#xxxxxxxxo",
    "o#xxxxxxx#o", "o#xxxxx###o", "o#xxx#####o", "o#x#######o", "o#########o", "ooooooooooo",
};
const std::vector<std::string> kSyncroEnd = {
    "ooooooooooo", "o#########o", "o#########o", "o###xxx###o", "o##xxxxx##o", "o#xxxxxxx#o", "o#xxxxxxx#o",
    "o#xxxxxxx#o", "o##xxxxx##o", "o###xxx###o", "o#########o", "o#########o", "ooooooooooo",
};

StdPicture drawMark(const std::vector<std::string>& art, long rim, long tile, long sign)
{
    return PictureFromArt(art, {{'o', rim}, {'#', tile}, {'x', sign}});
}

} // namespace

void PlaceSyncOverlay(Image& syncro1, ProgressBar& bar, Image& syncro2, Label& sec, Shape& ball)
{
    syncro1.setStretch(true);
    syncro1.Move(7800, 60, 165, 195);
    syncro1.setPicture(drawMark(kSyncroStart, 0x004000, 0x00A000, 0xFFFFFF));
    syncro1.setVisible(false);
    bar.Move(7995, 75, 1770, 135);
    bar.setVisible(false);
    syncro2.setStretch(true);
    syncro2.Move(9825, 60, 165, 195);
    syncro2.setPicture(drawMark(kSyncroEnd, 0x000060, 0x0000C0, 0x00FFFF));
    syncro2.setVisible(false);
    sec.Move(600, 360, 255, 225);
    sec.setCaption("00");
    sec.setBackStyle(0);
    sec.setVisible(false);
    ball.setShape(3);
    ball.setFillStyle(0);
    ball.setBorderStyle(0);
    ball.Move(315, 345, 150, 150);
}

void Karaoke::BindEvents()
{
    Li2.onClick([this] { Li2_Click(); });
    Li4.onClick([this] { Li4_Click(); });
    Li6.onClick([this] { Li6_Click(); });
    Li8.onClick([this] { Li8_Click(); });
    LiM0.onClick([this] { LiM0_Click(); });
    LiM1.onClick([this] { LiM1_Click(); });
    LiM2.onClick([this] { LiM2_Click(); });
    Scroll.onClick([this] { Scroll_Click(); });
    Check_HSize.onClick([this] { Check_HSize_Click(); });
    Command_Cacher.onClick([this] { Command_Cacher_Click(); });
    Command_Play.onClick([this] { Command_Play_Click(); });
    Command_Stop.onClick([this] { Command_Stop_Click(); });
    Command_Back.onClick([this] { Command_Back_Click(); });
    Command_Forward.onClick([this] { Command_Forward_Click(); });
    Command_Prev.onClick([this] { Command_Prev_Click(); });
    Command_Next.onClick([this] { Command_Next_Click(); });
    Mute_S.onClick([this] { Mute_S_Click(); });
    Mute_SK.onClick([this] { Mute_SK_Click(); });
    OnTop.onClick([this] { OnTop_Click(); });
    Command_Config.onClick([this] { Command_Config_Click(); });
    Command_Print2Ligne.onClick([this] { Command_Print2Ligne_Click(); });
    Check_Aff_K1.onClick([this] { Check_Aff_K1_Click(); });
    Timer_DblClick.onTimer([this] { Timer_DblClick_Timer(); });
    HScroll_Kar.onChange([this] { HScroll_Kar_Change(); });
    VScroll_Kar.onChange([this] { VScroll_Kar_Change(); });
    HScroll_Kar.onScroll([this] { HScroll_Kar_Scroll(); });
    VScroll_Kar.onScroll([this] { VScroll_Kar_Scroll(); });
    VScroll_Kar.onGotFocus([this] { VScroll_Kar_GotFocus(); });

    // Every focusable control of the panel hands its keys to the hot keys.
    for (Control* c : {static_cast<Control*>(&Command_Back), static_cast<Control*>(&Command_Cacher),
                       static_cast<Control*>(&Command_Config), static_cast<Control*>(&Command_Forward),
                       static_cast<Control*>(&Command_Next), static_cast<Control*>(&Command_Play),
                       static_cast<Control*>(&Command_Prev), static_cast<Control*>(&Command_Stop),
                       static_cast<Control*>(&Li2), static_cast<Control*>(&Li4), static_cast<Control*>(&Li6),
                       static_cast<Control*>(&Li8), static_cast<Control*>(&LiM0), static_cast<Control*>(&LiM1),
                       static_cast<Control*>(&LiM2), static_cast<Control*>(&Mute_S), static_cast<Control*>(&Mute_SK),
                       static_cast<Control*>(&OnTop), static_cast<Control*>(&Scroll)})
        c->onKeyDown([](int& KeyCode, int) { KarWindowHotKey(KeyCode); });
}

// ---------------------------------------------------------------- loading

void Karaoke::Form_Load()
{
    Check_HSize.setValue(optionValue("AutoH", 0) != 0 ? 1 : 0);
    Scroll.setValue(optionValue("Scroll", 0) != 0 ? 1 : 0);
    Command_Cacher.setValue(optionValue("ShowMenu", 1) != 0 ? 1 : 0);

    const long n = optionValue("NbLigne", 2);
    if (!playerBoxTicked(&Player::Check_Aff_Record)) {
        if (n == 2)
            Li2.setValue(true);
        else if (n == 4)
            Li4.setValue(true);
        else if (n == 6)
            Li6.setValue(true);
        else
            Li8.setValue(true);
    } else {
        // The editor previews two lines at a time.
        Li2.setValue(true);
        NbLigne.setEnabled(false);
    }

    switch (optionValue("NbLigneNeg", 0)) {
    case 0: LiM0.setValue(true); break;
    case 1: LiM1.setValue(true); break;
    case 2: LiM2.setValue(true); break;
    default: break;
    }

    Check_Ball.setValue(optionValue("Ball", 1) != 0 ? 1 : 0);
    Shape_Ball.setFillColor(optionValue("BallColor", 65535));
    if (Check_Ball.Value() == 1) {
        const int size = static_cast<int>(optionValue("BallSize", 175));
        Shape_Ball.setHeight(size);
        Shape_Ball.setWidth(size);
    } else {
        Shape_Ball.setHeight(0);
        Shape_Ball.setWidth(0);
    }

    Check_ShowCountDownBar.setValue(optionValue("CountDownBar", 1) != 0 ? 1 : 0);
    if (Check_ShowCountDownBar.Value() == 1) {
        Image_Syncro1.setVisible(true);
        Image_Syncro2.setVisible(true);
    }
    Check_Decompte.setValue(optionValue("CountDown", 1) != 0 ? 1 : 0);

    const long s = optionValue("CountDownSize", 12);
    if (s > 0 && s < 1000)
        Label_Sec.setFontSize(static_cast<double>(s));
    Label_Sec.setForeColor(optionValue("CountDownColor", 16711680));
    int boxHeight = 0, boxWidth = 0;
    if (modIni::CountDownLabelBox(static_cast<double>(s), boxHeight, boxWidth)) {
        Label_Sec.setHeight(boxHeight);
        Label_Sec.setWidth(boxWidth);
    }
}

// ---------------------------------------------------------------- options

void Karaoke::LinesPerPageChosen(int n)
{
    writeOption("NbLigne", std::to_string(n));
    modIni::NbLigne = n;
    Shape_Ball.setVisible(false);
    if (playerBoxTicked(&Player::Check_Aff_Karaoke) && IsPlaying) {
        // The page ring is laid out for the page size: start the song again.
        Command_Stop_Click();
        DoEvents();
        Command_Play_Click();
    }
    if (Check_HSize.Value() == 1)
        Form_Resize();
}

void Karaoke::Li2_Click() { LinesPerPageChosen(2); }
void Karaoke::Li4_Click() { LinesPerPageChosen(4); }
void Karaoke::Li6_Click() { LinesPerPageChosen(6); }
void Karaoke::Li8_Click() { LinesPerPageChosen(8); }

void Karaoke::KeptLinesChosen(int k)
{
    writeOption("NbLigneNeg", std::to_string(k));
    Shape_Ball.setVisible(false);
    PrintKarLines();
    if (Check_Aff_K1.Value() == 1) {
        Karaoke_K1& k1 = karaoke_K1();
        k1.Shape_Ball.setVisible(false);
        k1.Command_Print2Ligne.press();
    }
    if (Check_HSize.Value() == 1)
        Form_Resize();
}

void Karaoke::LiM0_Click() { KeptLinesChosen(0); }
void Karaoke::LiM1_Click() { KeptLinesChosen(1); }
void Karaoke::LiM2_Click() { KeptLinesChosen(2); }

void Karaoke::Scroll_Click()
{
    const bool on = Scroll.Value() == 1;
    writeOption("Scroll", on ? "1" : "0");
    for (Control* c : {static_cast<Control*>(&LiM0), static_cast<Control*>(&LiM1), static_cast<Control*>(&LiM2),
                       static_cast<Control*>(&Frame_LIM)})
        c->setVisible(on);
    if (Check_HSize.Value() == 1)
        Form_Resize();
}

void Karaoke::Check_HSize_Click()
{
    writeOption("AutoH", Check_HSize.Value() == 1 ? "1" : "0");
    Form_Resize();
}

void Karaoke::ShowPanel(bool show)
{
    for (Control* c : {static_cast<Control*>(&NbLigne), static_cast<Control*>(&Li2), static_cast<Control*>(&Li4),
                       static_cast<Control*>(&Li6), static_cast<Control*>(&Li8),
                       static_cast<Control*>(&Command_Play), static_cast<Control*>(&Command_Stop),
                       static_cast<Control*>(&Command_Back), static_cast<Control*>(&Command_Forward),
                       static_cast<Control*>(&Command_Prev), static_cast<Control*>(&Command_Next),
                       static_cast<Control*>(&Mute_S), static_cast<Control*>(&Mute_SK), static_cast<Control*>(&OnTop),
                       static_cast<Control*>(&HScroll_Kar), static_cast<Control*>(&VScroll_Kar),
                       static_cast<Control*>(&Check_HSize), static_cast<Control*>(&Scroll)})
        c->setVisible(show);
    if (Scroll.Value() == 1)
        for (Control* c : {static_cast<Control*>(&Frame_LIM), static_cast<Control*>(&LiM0),
                           static_cast<Control*>(&LiM1), static_cast<Control*>(&LiM2)})
            c->setVisible(show);
    Command_Config.setVisible(show);
}

void Karaoke::Command_Cacher_Click()
{
    const bool show = Command_Cacher.Value() == 1;
    writeOption("ShowMenu", show ? "1" : "0");
    ShowPanel(show);
    if (show) {
        Command_Cacher.setBackColor(vbButtonFace);
        return;
    }
    if (Picture().valid())
        return;  // the toggle keeps its colour over a picture
    // The lone toggle takes the window's background colour: the song's own when
    // its play-list row carries a look, else the settings' one.
    long colour = vb::CLng(IniAccess("GET", kSection, "BackColor"), 0);
    if (Player* p = loadedPlayer(); p && PlayListTab == 1 && !p->Select_Song.Text().empty()) {
        if (ListItem* row = p->ListView1.SelectedItem(); row && row->SubItems(6) == "1")
            colour = vb::CLng(row->SubItems(10), colour);
    }
    Command_Cacher.setBackColor(colour);
}

// ---------------------------------------------------------------- transport

namespace {

// The lyric window's transport presses the editor's buttons while the editor
// is open, else the main window's.
void pressTransport(Karaoke& k, const char* name, CommandButton Player::*button)
{
    if (playerBoxTicked(&Player::Check_Aff_Record)) {
        if (PressRecordButton)
            PressRecordButton(name);
        k.SetFocus();
        return;
    }
    (player().*button).press();
}

} // namespace

void Karaoke::Command_Play_Click() { pressTransport(*this, "Command_Play", &Player::Command_Play); }
void Karaoke::Command_Stop_Click() { pressTransport(*this, "Command_Stop", &Player::Command_Stop); }
void Karaoke::Command_Back_Click() { pressTransport(*this, "Command_Back", &Player::Command_Back); }
void Karaoke::Command_Forward_Click() { pressTransport(*this, "Command_Forward", &Player::Command_Forward); }

void Karaoke::Command_Prev_Click()
{
    try {
        player().Command_Prev.press();
    } catch (...) {
    }
}

void Karaoke::Command_Next_Click()
{
    try {
        player().Command_Next.press();
    } catch (...) {
    }
}

void Karaoke::Mute_S_Click() { player().Check_Muet.setValue(Mute_S.Value() == 1 ? 1 : 0); }
void Karaoke::Mute_SK_Click() { player().Check_Muet2.setValue(Mute_SK.Value() == 1 ? 1 : 0); }

void Karaoke::OnTop_Click()
{
    const bool on = OnTop.Value() == 1;
    karaoke_K1().SetTopMost(on);
    SetTopMost(on);
}

void Karaoke::Command_Config_Click()
{
    // The settings dialog makes itself reachable on first use.
    if (!ShowCfgKaraoke)
        InstallCfgKaraokeHooks();
    const int top = static_cast<int>(vb::CLng(IniAccess("GET", "CfgKaraoke Windows", "Top"), 360));
    const int left = static_cast<int>(vb::CLng(IniAccess("GET", "CfgKaraoke Windows", "Left"), 705));
    if (ShowCfgKaraoke)
        ShowCfgKaraoke(top, left);
    Check_Aff_CfgKar.setValue(1);
    PrintKarLines();
}

void Karaoke::Command_Print2Ligne_Click() { PrintKarLines(); }

// ---------------------------------------------------------------- window events

void Karaoke::Form_Activate()
{
    KarActive = true;
    if (Langue == "En") {
        Command_Cacher.setToolTipText("Show/Hide control");
        Mute_SK.setToolTipText("Mute lyrics karaoke");
        Mute_S.setToolTipText("Mute sound");
        Scroll.setToolTipText("Scroll Up/Down");
        OnTop.setToolTipText("OnTop");
    } else {
        Command_Cacher.setToolTipText("Afficher/Cacher contrôle");
        Mute_SK.setToolTipText("Muet paroles karaoke");
        Mute_S.setToolTipText("Muet Son");
        Scroll.setToolTipText("Défilement Haut/Bas");
        // The design's "OnTop" is English: the French window says it in French.
        OnTop.setToolTipText("Au premier plan");
    }
    const bool scroll = Scroll.Value() == 1;
    writeOption("Scroll", scroll ? "1" : "0");
    const bool showKept = scroll && Command_Cacher.Value() == 1;
    for (Control* c : {static_cast<Control*>(&LiM0), static_cast<Control*>(&LiM1), static_cast<Control*>(&LiM2),
                       static_cast<Control*>(&Frame_LIM)})
        c->setVisible(showKept);

    if (handingOver_)
        return;  // this activation comes from our own focus hand-over
    handingOver_ = true;
    if (Check_Aff_K1.Value() == 1 && (ActiveWindowName == "Player" || ActiveWindowName == "Record") &&
        isLoaded<Karaoke_K1>()) {
        // Bring the docked window forward too, then take the focus back.
        karaoke_K1().SetFocus();
    }
    ActiveWindowName = "Karaoke";
    SetFocus();
    handingOver_ = false;
}

void Karaoke::Form_Deactivate() { KarActive = false; }

void Karaoke::Form_DblClick()
{
    OnTop.setValue(0);
    Timer_DblClick.setEnabled(true);
}

void Karaoke::Timer_DblClick_Timer()
{
    Timer_DblClick.setEnabled(false);
    Player& p = player();
    if (p.Check_Aff_Record.Value() == 0) {
        p.Show();
    } else {
        p.Check_Aff_Record.setValue(1);
        if (ShowRecordWindow)
            ShowRecordWindow();
    }
}

void Karaoke::Form_KeyDown(int& KeyCode, int) { KarWindowHotKey(KeyCode); }

void Karaoke::Form_MouseDown(int Button, int, float, float)
{
    dragArmed_ = Button == vbLeftButton;
}

void Karaoke::Form_MouseMove(int Button, int, float, float)
{
    // Dragging the surface with the left button alone moves the window.
    if (Button != vbLeftButton || !dragArmed_)
        return;
    dragArmed_ = false;
    if (Check_Aff_K1.Value() == 1 && isLoaded<Player>())
        player().Timer_SetKar2.setEnabled(true);  // the second window follows
    StartDrag(nullptr, KeepDockedPairOnScreen);
}

// A move, resize or change of state wakes the docking of the second window,
// which sleeps while the pair stays where it is.
void Karaoke::placeChanged()
{
    if (Check_Aff_K1.Value() == 1)
        if (Player* p = loadedPlayer())
            p->Timer_SetKar2.wake();
}

void Karaoke::Form_Paint()
{
    if (Kar::BeginKarRepaint())
        PrintKarLines();
}

void Karaoke::Form_Unload(int&)
{
    if (Visible() && WindowState() == vbNormal) {
        writeOption("Top", vb::CStr(static_cast<long>(Top())));
        writeOption("Left", vb::CStr(static_cast<long>(Left())));
        writeOption("Height", vb::CStr(static_cast<long>(Height())));
        writeOption("Width", vb::CStr(static_cast<long>(Width())));
    }
    Kar::ClearKarLines();
    if (Player* p = loadedPlayer())
        p->Check_Aff_Karaoke.setValue(0);
    if (isLoaded<Karaoke_K1>() && !karaoke_K1().Closing())
        Unload(karaoke_K1());
    if (Check_Aff_CfgKar.Value() == 1 && UnloadCfgKaraoke)
        UnloadCfgKaraoke();
}

// ---------------------------------------------------------------- layout and docking

// The second window hangs from this one's frame as the window manager draws
// it: the frames are counted as they are, so that the two meet edge to edge
// and a pair sized to the screen fits it.
void Karaoke::DockK1()
{
    if (!isLoaded<Karaoke_K1>())
        return;
    karaoke_K1().Move(Left(), Top() + HeightShown(), Width(), Height());
}

void modIni::KeepDockedPairOnScreen(int& left, int& top, const Form::ScreenArea& screen)
{
    if (!isLoaded<Karaoke>() || !isLoaded<Karaoke_K1>() || karaoke().Check_Aff_K1.Value() != 1)
        return;
    const Karaoke& k = karaoke();
    const Karaoke_K1& k1 = karaoke_K1();
    // The second window hangs under this one, left edges together.
    const int width = std::max(k.Width(), k1.Width());
    const int height = k.HeightShown() + k1.HeightShown();
    left = std::clamp(left, screen.left, std::max(screen.left, screen.left + screen.width - width));
    top = std::clamp(top, screen.top, std::max(screen.top, screen.top + screen.height - height));
}

void Karaoke::Form_Resize()
{
    const int state = WindowState();
    if (state == vbMinimized) {
        if (Check_Aff_K1.Value() == 1 && isLoaded<Karaoke_K1>())
            karaoke_K1().setWindowState(vbMinimized);
        return;
    }
    if (state == vbMaximized && Check_Aff_K1.Value() == 1 && WindowPlacementAvailable()) {
        // The two windows share the screen: this one takes the top half.
        setWindowState(vbNormal);
        const ScreenArea work = WorkAreaAt(Left(), Top());
        Move(work.left, work.top, work.width, HeightForShown(work.height / 2));
    }

    ProgressBar1.Move(120, ScaleHeight() - 160, ScaleWidth() - 165);
    HScroll_Kar.setLeft(ScaleWidth() - 1365);
    // The vertical bar ends 30 twips inside the window's right edge.
    VScroll_Kar.setLeft(ScaleWidth() - kVScrollRight);
    Check_HSize.setLeft(ScaleWidth() - kVScrollRight);
    // On a window narrower than designed the margin bar would cover the
    // count-down bar's end mark: the count-down bar gives up width so that the
    // mark stays beside it, left of the margin bar.
    const int markLeft = std::min(kSyncroEndLeft, HScroll_Kar.Left() - kSyncroGap - Image_Syncro2.Width());
    const int barWidth = std::max(0, markLeft - kSyncroGap - ProgressBar_Syncro.Left());
    ProgressBar_Syncro.setWidth(barWidth);
    Image_Syncro2.setLeft(ProgressBar_Syncro.Left() + barWidth + kSyncroGap);

    if (Check_HSize.Value() == 1) {
        int n = modIni::NbLigne;
        if (LiM1.Value())
            n += 1;
        if (LiM2.Value())
            n += 2;
        const double h = TextHeight("a");
        const long t = vb::CLng(ScaleHeight() / 2.0 - h * n / 2.0);
        long s = vb::CLng(static_cast<double>(t) / 100.0);
        if (s < 4)
            s = 4;
        VScroll_Kar.setValue(static_cast<int>(s - 1));  // above the maximum: refused, margin kept
    }

    PrintKarLines();

    if (Check_Aff_K1.Value() == 1)
        DockK1();
}

void Karaoke::HScroll_Kar_Change()
{
    const int v = HScroll_Kar.Value();
    const int step = LastHScroll < v ? 100 : -100;
    Shape_Ball.setLeft(Shape_Ball.Left() + step);
    Label_Sec.setLeft(Shape_Ball.Left() + 200);
    if (Check_Aff_K1.Value() == 1) {
        Karaoke_K1& k1 = karaoke_K1();
        k1.Shape_Ball.setLeft(k1.Shape_Ball.Left() + step);
        k1.Label_Sec.setLeft(k1.Shape_Ball.Left() + 200);
    }
    LastHScroll = v;
    KarScrollPos[1] = v;
    PrintKarLines();
    if (Check_Aff_K1.Value() == 1)
        karaoke_K1().Command_Print2Ligne.press();
}

void Karaoke::VScroll_Kar_Change()
{
    const int v = VScroll_Kar.Value();
    const int step = LastVScroll < v ? 100 : -100;
    Shape_Ball.setTop(Shape_Ball.Top() + step);
    Label_Sec.setTop(Shape_Ball.Top());
    if (Check_Aff_K1.Value() == 1) {
        Karaoke_K1& k1 = karaoke_K1();
        k1.Shape_Ball.setTop(k1.Shape_Ball.Top() + step);
        k1.Label_Sec.setTop(k1.Shape_Ball.Top());
    }
    LastVScroll = v;
    KarScrollPos[2] = v;
    PrintKarLines();
    if (Check_Aff_K1.Value() == 1)
        karaoke_K1().Command_Print2Ligne.press();
}

void Karaoke::HScroll_Kar_Scroll()
{
    Shape_Ball.setVisible(false);
    Label_Sec.setVisible(false);
    LastHScroll = HScroll_Kar.Value();
    PrintKarLines();
    if (Check_Aff_K1.Value() == 1)
        karaoke_K1().Command_Print2Ligne.press();
}

void Karaoke::VScroll_Kar_Scroll()
{
    Shape_Ball.setVisible(false);
    Label_Sec.setVisible(false);
    LastVScroll = VScroll_Kar.Value();
    PrintKarLines();
    if (Check_Aff_K1.Value() == 1)
        karaoke_K1().Command_Print2Ligne.press();
}

void Karaoke::VScroll_Kar_GotFocus() { LastVScroll = VScroll_Kar.Value(); }

void Karaoke::Check_Aff_K1_Click()
{
    K1ShowBusy = true;
    if (Check_Aff_K1.Value() == 1) {
        Karaoke_K1& k1 = karaoke_K1();
        k1.Move(Left(), HeightShown() + Top(), Width(), Height());
        k1.Show();
        // The screen's room is its work area (panels left out), and the
        // windows take the room their frames take.
        const ScreenArea work = WorkAreaAt(Left(), Top());
        const int bottom = work.top + work.height;
        if (static_cast<float>(k1.Top()) + static_cast<float>(k1.HeightShown()) > static_cast<float>(bottom) &&
            WindowState() != vbMaximized)
            setTop(std::max(work.top, bottom - HeightShown() - k1.HeightShown() - 400));
        if (WindowState() == vbMaximized) {
            setWindowState(vbNormal);
            Move(work.left, work.top, work.width, HeightForShown(work.height / 2 - 200));
            DockK1();
        }
    } else {
        if (Player* p = loadedPlayer())
            p->Timer_SetKar2.setEnabled(false);
        if (isLoaded<Karaoke_K1>() && !karaoke_K1().Closing())
            Unload(karaoke_K1());
    }
    K1ShowBusy = false;
}
