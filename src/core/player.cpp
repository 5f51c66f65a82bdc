// The main window's design: every control's place, size, caption and style,
// the timers' intervals, and the binding of every event to its handler.
#include "core/player.h"

#include "core/modini.h"
#include "core/theme.h"
#include "lyricwindows/karaoke.h"
#include "lyricwindows/karaoke_k1.h"
#include "platform/forms/app.h"
#include "playback/slider.h"

#include <initializer_list>

namespace {

// The texts of the window as designed (French); the English ones replace them
// at start-up when the language is "En".
constexpr long kBannerColor = 0x0040C0;       // orange-red banner
constexpr long kBannerShadowColor = 0x808080;

void place(Control& c, int left, int top, int width, int height)
{
    c.Move(left, top, width, height);
}

void placeLine(Line& l, double x1, double y1, double x2, double y2)
{
    l.setX1(x1);
    l.setY1(y1);
    l.setX2(x2);
    l.setY2(y2);
}

// Where the two lyric windows are and how they show.
struct PairPlace {
    int left = 0, top = 0, width = 0, height = 0, state = 0;
    int left1 = 0, top1 = 0, width1 = 0, height1 = 0, state1 = 0;
    bool operator==(const PairPlace&) const = default;
};

PairPlace pairPlace()
{
    PairPlace p;
    if (isLoaded<Karaoke>()) {
        const Karaoke& k = karaoke();
        p = {k.Left(), k.Top(), k.Width(), k.Height(), k.WindowState()};
    }
    if (isLoaded<Karaoke_K1>()) {
        const Karaoke_K1& k1 = karaoke_K1();
        p.left1 = k1.Left();
        p.top1 = k1.Top();
        p.width1 = k1.Width();
        p.height1 = k1.Height();
        p.state1 = k1.WindowState();
    }
    return p;
}

// Ticks of the docking in a row that left the pair as it was.
int g_dockQuietTicks = 0;
constexpr int kQuietTicksBeforeSleep = 5;

// A tick of the docking. Once the pair has stayed as it is for a few ticks
// (the window manager's late answers to a move have come in), the docking
// sleeps until either lyric window is moved, resized, minimised or restored,
// which wakes it (Karaoke::placeChanged, Karaoke_K1::placeChanged): a pair at
// rest costs no tick, and wakes no resting timer.
void dockingTick(Player& p)
{
    const PairPlace before = pairPlace();
    p.Timer_SetKar2_Timer();
    if (!(pairPlace() == before))
        g_dockQuietTicks = 0;
    else if (++g_dockQuietTicks >= kQuietTicksBeforeSleep) {
        g_dockQuietTicks = 0;
        p.Timer_SetKar2.sleepUntilWoken();
    }
}

} // namespace

Player& player()
{
    return formInstance<Player>();
}

Player::Player()
{
    setCaption("Zun Mp3 Karaoke");
    setScaleWidth(8400);
    setScaleHeight(5355);
    setBackColor(0xE2D2C5);

    // ---- top row
    place(Label_ZunMp3_Shadow, 150, -105, 4335, 615);
    Label_ZunMp3_Shadow.setCaption("ZUN MP3 Karaoke");
    Label_ZunMp3_Shadow.setBackStyle(0);
    Label_ZunMp3_Shadow.setFontName("Comic Sans MS");
    Label_ZunMp3_Shadow.setFontSize(24);
    Label_ZunMp3_Shadow.setFontBold(true);
    Label_ZunMp3_Shadow.setForeColor(kBannerShadowColor);
    place(Label_ZunMp3, 120, -135, 4365, 615);
    Label_ZunMp3.setCaption("ZUN MP3 Karaoke");
    Label_ZunMp3.setBackStyle(0);
    Label_ZunMp3.setFontName("Comic Sans MS");
    Label_ZunMp3.setFontSize(24);
    Label_ZunMp3.setFontBold(true);
    Label_ZunMp3.setForeColor(kBannerColor);
    Label_ZunMp3.clickOnMouseRelease(true);

    place(Label_Compteur, 4935, 15, 975, 255);
    Label_Compteur.setCaption("Compteur:");
    place(Label_Duree, 4905, 240, 1005, 285);
    Label_Duree.setCaption("Durée:");
    for (Label* l : {&Label_Compteur, &Label_Duree}) {
        l->setBackStyle(0);
        l->setAlignment(vbRightJustify);
    }
    place(Time_Left, 6045, 45, 735, 255);
    Time_Left.setCaption("0:00");
    place(Label_time, 6045, 255, 825, 360);
    Label_time.setCaption("0:00");
    for (Label* l : {&Time_Left, &Label_time}) {
        l->setBackStyle(0);
        l->setFontBold(true);
    }

    place(Command_Config, 7125, 60, 375, 325);
    Command_Config.setCaption("⚙");
    Command_Config.setToolTipText("Configuration");
    place(Command_Help, 7500, 60, 375, 325);
    Command_Help.setCaption("?");
    Command_Help.setToolTipText("Aide (Web)");
    place(Command_ZunInfo, 7875, 60, 375, 325);
    Command_ZunInfo.setCaption("i");
    Command_ZunInfo.setToolTipText("A propos de Zun Mp3 Karaoke ");

    // ---- list toolbar: small buttons with a sign and a tool tip
    struct Tool {
        CommandButton* button;
        int left;
        const char* sign;
        const char* tip;
    };
    const Tool tools[] = {
        {&Command_Edit, 2940, "✎", "Edition"},
        {&Command_Detect, 3315, "T", "Détection Tag"},
        {&Command_Add, 3690, "+", "Ajouter"},
        {&Command_Supp, 4005, "−", "Supprimer"},
        {&Command_Open, 4410, "▴", "Ouvrir (Liste Sélection)"},
        {&Command_Save, 4725, "▾", "Enregistrer (Liste Sélection)"},
        {&Command_SaveAs, 5070, "▿", "Enregistrer sous (Liste Sélection)"},
        {&Command_ViewList, 5490, "≡", "Liste"},
        {&Command_ViewDetail, 5820, "▦", "Détail"},
        {&Command_Print, 6180, "▤", "Imprimer"},
        {&Command_Up, 6555, "▲", "Haut"},
        {&Command_Dwn, 6885, "▼", "Bas"},
        {&Command_Random, 7215, "⇄", "Mélanger"},
        {&Command_Trie, 7545, "↕", "Trier"},
    };
    for (const Tool& t : tools) {
        place(*t.button, t.left, 525, 325, 300);
        t.button->setCaption(t.sign);
        t.button->setToolTipText(t.tip);
    }
    // Signs alone would make the list file buttons look like the arrows.
    DrawListButtons();
    // The play-list buttons show only in the play-list tab.
    for (CommandButton* b : {&Command_Add, &Command_Supp, &Command_Save, &Command_SaveAs, &Command_Open,
                             &Command_Edit, &Command_Detect})
        b->setVisible(false);
    place(Command_Cacher, 7935, 525, 325, 300);
    Command_Cacher.setStyle(vbButtonGraphical);
    Command_Cacher.setCaption("▭");
    Command_Cacher.setToolTipText("Afficher/Cacher contrôle");

    // ---- list panel
    place(Image_Tab, 60, 525, 2625, 315);
    Image_Tab.setStretch(true);
    Image_Tab.clickOnMouseRelease(true);
    for (Image* i : {&Image_Tab1Fr, &Image_Tab1An, &Image_Tab2Fr, &Image_Tab2An}) {
        place(*i, 60, 525, 2625, 315);
        i->setStretch(true);
        i->setVisible(false);
    }
    place(Drive1, 150, 900, 2055, 288);
    place(Dir1, 150, 1245, 2055, 2232);
    place(ListView1, 2265, 915, 5940, 2760);
    ListView1.setView(3);
    ListView1.setFullRowSelect(true);
    ListView1.setHideSelection(false);
    ListView1.setLabelEdit(1);
    place(ListView2, 2265, 915, 5940, 2760);
    ListView2.setVisible(false);
    ListView2.setView(3);
    place(Text_Londing, 4000, 1900, 2655, 660);
    Text_Londing.setMultiLine(true);
    Text_Londing.setLocked(true);
    Text_Londing.setAlignment(vbCenter);
    Text_Londing.setText("Chargement de la liste...\r\nUn instant !\r\n");
    Text_Londing.setVisible(false);
    placeLine(LineTab1, 2685, 825, 8325, 825);
    placeLine(LineTab2, 60, 840, 45, 3750);
    placeLine(LineTab3, 45, 3735, 8310, 3750);
    placeLine(LineTab4, 8325, 825, 8325, 3750);
    for (Line* l : {&LineTab1, &LineTab2, &LineTab3, &LineTab4})
        l->setBorderColor(0x808080);
    for (PictureBox* p : {&Picture_Note1, &Picture_Note1R, &Picture_Note2, &Picture_Note2R,
                          &Picture_NoteMp3, &Picture_NoteMp3R}) {
        place(*p, 0, 0, 165, 195);
        p->setBorderStyle(0);
        p->setVisible(false);
    }
    place(Picture_Stop, 0, 0, 225, 225);
    Picture_Stop.setBorderStyle(0);
    Picture_Stop.setVisible(false);

    // ---- current song, item count, selection modes
    place(Label_Mp3, 120, 3890, 855, 255);
    Label_Mp3.setCaption("Sélection:");
    Label_Mp3.setBackStyle(0);
    place(Select_Song, 1020, 3860, 3690, 285);
    place(Label_ItemCount, 4750, 3875, 1035, 195);
    Label_ItemCount.setBackStyle(0);
    place(Label_Action, 240, 4515, 2670, 615);
    Label_Action.setBackStyle(0);
    Label_Action.setWordWrap(true);
    Label_Action.setVisible(false);
    place(Command_Ok, 4950, 4555, 900, 510);
    Command_Ok.setCaption("OK");
    place(Command_Cancel, 5910, 4555, 900, 510);
    Command_Cancel.setCaption("Annuller");
    place(Command_Appliquer, 6870, 4555, 945, 495);
    Command_Appliquer.setCaption("Appliquer");
    // 195 twips is smaller than a check box of this desktop's style: the box
    // is given the style's room, still left of its label.
    place(Check_Select, 3000, 4505, 240, 240);
    place(Label_SelectAll, 3250, 4505, 1650, 285);
    Label_SelectAll.setCaption("Selectionner tous");
    Label_SelectAll.setBackStyle(0);
    Label_SelectAll.clickOnMouseRelease(true);
    for (Control* c : std::initializer_list<Control*>{&Command_Ok, &Command_Cancel, &Command_Appliquer,
                                                      &Check_Select, &Label_SelectAll})
        c->setVisible(false);

    // ---- transport
    place(Command_Play, 140, 4205, 910, 445);
    Command_Play.setCaption("Jouer");
    place(Command_Stop, 1110, 4205, 910, 445);
    Command_Stop.setCaption("Arrêter");
    place(Command_Back, 2085, 4205, 910, 445);
    Command_Back.setCaption("-20 sec");
    place(Command_Forward, 3060, 4205, 910, 445);
    Command_Forward.setCaption("+20 sec");
    place(Command_AffSyk, 4035, 4205, 910, 445);
    Command_AffSyk.setCaption("Afficher Karaoke");
    place(Command_Record, 4995, 4205, 900, 445);
    Command_Record.setCaption("Editeur .Syk");
    place(Command_Parole, 140, 4685, 435, 375);
    Command_Parole.setCaption("♪");
    Command_Parole.setToolTipText("Paroles");
    place(Command_Auto, 620, 4685, 435, 375);
    Command_Auto.setStyle(vbButtonGraphical);
    Command_Auto.setCaption("↻");
    Command_Auto.setToolTipText("Auto Suivant");
    place(Check_Muet, 1110, 4685, 435, 375);
    Check_Muet.setStyle(vbButtonGraphical);
    Check_Muet.setCaption("M");
    Check_Muet.setToolTipText("Muet Son");
    place(Check_Muet2, 1590, 4685, 435, 375);
    Check_Muet2.setStyle(vbButtonGraphical);
    Check_Muet2.setCaption("A");
    Check_Muet2.setToolTipText("Muet Paroles Karaoke");
    place(Command_Prev, 2085, 4685, 910, 375);
    Command_Prev.setCaption("◄◄");
    Command_Prev.setToolTipText("Reculer d'un morceau");
    place(Command_Next, 3060, 4685, 910, 375);
    Command_Next.setCaption("►►");
    Command_Next.setToolTipText("Avancer d'un morceau");
    place(Command_Quitter, 4035, 4685, 1860, 375);
    Command_Quitter.setCaption("✕");
    Command_Quitter.setToolTipText("Quitter");

    // ---- sliders
    place(Label_Volume, 5950, 3785, 645, 255);
    Label_Volume.setCaption("Volume");
    place(Label_Vitesse, 6960, 3785, 780, 255);
    Label_Vitesse.setCaption("Vitesse");
    place(Label_Transpo, 6930, 4455, 900, 255);
    Label_Transpo.setCaption("Tonalité");
    for (Label* l : {&Label_Volume, &Label_Vitesse, &Label_Transpo})
        l->setBackStyle(0);
    place(VolumeCtl, 6065, 4070, 465, 990);
    place(VelocityCtl, 6640, 4070, 1500, 360);
    place(TransposeCtl, 6640, 4700, 1500, 360);
    place(BalanceCtl, 6640, 5060, 1500, 360);
    for (PictureBox* p : {&VolumeCtl, &VelocityCtl, &TransposeCtl, &BalanceCtl}) {
        p->setBorderStyle(0);
        p->setAutoRedraw(true);
    }
    // Placed and shown by the layout, in the full view only.
    BalanceCtl.setVisible(false);
    BalanceCtl.setToolTipText("Balance");

    // ---- progress
    place(ProgressBar1, 120, 5150, 7695, 135);
    place(Label_PTime, 7890, 5090, 435, 225);
    Label_PTime.setCaption("0 %");
    Label_PTime.setBackStyle(0);

    // ---- hidden state boxes
    place(Check_GridLines, 0, 0, 1200, 255);
    Check_GridLines.setCaption("Grid Lines");
    for (CheckBox* c : {&Check_GridLines, &Check_Aff_Record, &Check_Aff_Karaoke})
        c->setVisible(false);

    // ---- timers (all stopped until code starts them)
    Timer1.setInterval(10);
    Timer_LoadPlayer.setInterval(100);
    Timer_SetKar2.setInterval(100);
    Timer_End.setInterval(1000);
    Timer_StopGIF.setInterval(10500);

    // ---- context menu
    popFeatures.setVisible(false);
    popFeatures.setCaption("popFeatures");
    mnuView0.setCaption("Affichage");
    mnuView[0].setCaption("Liste");
    mnuView[1].setCaption("Détails");
    zzmnuSep1.setCaption("-");
    mnuGride[0].setCaption("Ligne de guide");
    zzmnuSep2.setCaption("-");
    mnuEdit[0].setCaption("Edition");
    mnuDetect[0].setCaption("Détecter Tag");
    mnuDeleteToPlayList[0].setCaption("Effacer de la Liste de Sélection");
    mnuAddtoPlayList[0].setCaption("Ajouter à la Liste de Sélection");
    for (int i = 0; i < 2; ++i)
        mnuView[i].setIndex(i);
    for (Menu* m : {&mnuGride[0], &mnuEdit[0], &mnuDetect[0], &mnuDeleteToPlayList[0], &mnuAddtoPlayList[0]})
        m->setIndex(0);

    BindEvents();
}

Player::~Player()
{
    // The slider objects outlive the window; they must not draw into its
    // picture boxes once these are gone. A newer main window may already have
    // bound them to its own boxes: those bindings stay.
    if (Kar::SliderVolume.SlidePicture() == &VolumeCtl)
        Kar::SliderVolume.Release();
    if (Kar::SliderVelocity.SlidePicture() == &VelocityCtl)
        Kar::SliderVelocity.Release();
    if (Kar::SliderTranspose.SlidePicture() == &TransposeCtl)
        Kar::SliderTranspose.Release();
    if (Kar::SliderBalance.SlidePicture() == &BalanceCtl)
        Kar::SliderBalance.Release();
}

void Player::BindEvents()
{
    // start-up, close-down, banner
    Timer_LoadPlayer.onTimer([this] { Timer_LoadPlayer_Timer(); });
    Timer_End.onTimer([this] { Timer_End_Timer(); });
    Timer_StopGIF.onTimer([this] { Timer_StopGIF_Timer(); });
    Label_ZunMp3.onClick([this] { Label_ZunMp3_Click(); });
    Command_Quitter.onClick([this] { Command_Quitter_Click(); });
    Command_ZunInfo.onClick([this] { Command_ZunInfo_Click(); });
    Command_Help.onClick([this] { Command_Help_Click(); });
    Command_Config.onClick([this] { Command_Config_Click(); });

    // transport and sound
    Command_Play.onClick([this] { Command_Play_Click(); });
    Command_Stop.onClick([this] { Command_Stop_Click(); });
    Command_Back.onClick([this] { Command_Back_Click(); });
    Command_Forward.onClick([this] { Command_Forward_Click(); });
    Command_Next.onClick([this] { Command_Next_Click(); });
    Command_Prev.onClick([this] { Command_Prev_Click(); });
    Command_Cacher.onClick([this] { Command_Cacher_Click(); });
    Timer_SetKar2.onTimer([this] { dockingTick(*this); });
    VolumeCtl.onMouseMove([this](int b, int s, float x, float y) { VolumeCtl_MouseMove(b, s, x, y); });
    VelocityCtl.onMouseMove([this](int b, int s, float x, float y) { VelocityCtl_MouseMove(b, s, x, y); });
    TransposeCtl.onMouseMove([this](int b, int s, float x, float y) { TransposeCtl_MouseMove(b, s, x, y); });
    BalanceCtl.onMouseMove([this](int b, int s, float x, float y) { BalanceCtl_MouseMove(b, s, x, y); });
    Check_Muet.onClick([this] { Check_Muet_Click(); });
    Command_AffSyk.onClick([this] { Command_AffSyk_Click(); });
    Check_Muet2.onClick([this] { Check_Muet2_Click(); });
    Timer1.onTimer([this] { Timer1_Timer(); });

    // play list
    ListView1.onClick([this] { ListView1_Click(); });
    ListView1.onDblClick([this] { ListView1_DblClick(); });
    ListView1.onKeyDown([this](int& k, int s) { ListView1_KeyDown(k, s); });
    ListView1.onColumnClick([this](ColumnHeader& c) { ListView1_ColumnClick(c); });
    ListView1.onMouseUp([this](int b, int s, float x, float y) { ListView1_MouseUp(b, s, x, y); });
    Image_Tab.onClick([this] { Image_Tab_Click(); });
    Drive1.onChange([this] { Drive1_Change(); });
    Dir1.onChange([this] { Dir1_Change(); });
    Command_Add.onClick([this] { Command_Add_Click(); });
    Command_Supp.onClick([this] { Command_Supp_Click(); });
    Command_Detect.onClick([this] { Command_Detect_Click(); });
    Command_Edit.onClick([this] { Command_Edit_Click(); });
    Command_Open.onClick([this] { Command_Open_Click(); });
    Command_Save.onClick([this] { Command_Save_Click(); });
    Command_SaveAs.onClick([this] { Command_SaveAs_Click(); });
    Command_ViewList.onClick([this] { Command_ViewList_Click(); });
    Command_ViewDetail.onClick([this] { Command_ViewDetail_Click(); });
    Command_Print.onClick([this] { Command_Print_Click(); });
    Command_Up.onClick([this] { Command_Up_Click(); });
    Command_Dwn.onClick([this] { Command_Dwn_Click(); });
    Command_Random.onClick([this] { Command_Random_Click(); });
    Command_Trie.onClick([this] { Command_Trie_Click(); });
    Command_Ok.onClick([this] { Command_Ok_Click(); });
    Command_Cancel.onClick([this] { Command_Cancel_Click(); });
    Command_Appliquer.onClick([this] { Command_Appliquer_Click(); });
    Check_Select.onClick([this] { Check_Select_Click(); });
    Label_SelectAll.onClick([this] { Label_SelectAll_Click(); });
    Check_GridLines.onClick([this] { Check_GridLines_Click(); });
    for (int i = 0; i < 2; ++i)
        mnuView[i].onClick([this, i] { mnuView_Click(i); });
    mnuGride[0].onClick([this] { mnuGride_Click(0); });
    mnuEdit[0].onClick([this] { mnuEdit_Click(0); });
    mnuDetect[0].onClick([this] { mnuDetect_Click(0); });
    mnuDeleteToPlayList[0].onClick([this] { mnuDeleteToPlayList_Click(0); });
    mnuAddtoPlayList[0].onClick([this] { mnuAddtoPlayList_Click(0); });

    // editor
    Command_Record.onClick([this] { Command_Record_Click(); });
    Command_Parole.onClick([this] { Command_Parole_Click(); });
}

void Player::Form_Activate()
{
    modIni::ActiveWindowName = "Player";
}

void Player::Form_Resize()
{
    // A resize with the window minimised has no client area worth laying out.
    if (WindowState() == vbMinimized)
        return;
    modIni::TileFormBackground(*this);
    ArrangePlayerControls();
    // The headers follow what the list shows: the add mode shows a folder in
    // the play-list tab.
    if (PlayListTabName != "DirList")
        SetPlayListColumns();
    else
        SetBrowseColumns();
}

void Player::Label_ZunMp3_Click() {}

void Player::Timer_StopGIF_Timer() {}
