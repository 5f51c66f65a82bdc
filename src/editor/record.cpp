// The editor window's life: how the main window opens it, what loading and
// each activation do, its small own commands, and how it closes and hands the
// lyric window and the main window back.
#include "editor/record.h"
#include "editor/recordsave.h"

#include "core/modini.h"
#include "core/player.h"
#include "core/theme.h"
#include "core/uihelpers.h"
#include "lyricwindows/karaoke.h"
#include "platform/files/paths.h"
#include "platform/files/runtime.h"
#include "platform/forms/app.h"
#include "platform/forms/picture.h"
#include "platform/forms/prompter.h"
#include "platform/shell/shell.h"
#include "playlist/playlistrow.h"
#include "playlist/syncmarks.h"
#include "settings/about.h"
#include "settings/update.h"

using namespace modIni;

Record& record() { return formInstance<Record>(); }
bool RecordLoaded() { return isLoaded<Record>(); }

namespace {

bool french() { return Langue == "Fr"; }

// A settings number, or the default file's value when the stored text is not
// a number (a hand-edited file must not move a window to 0,0 or paint black).
double iniNumber(const char* section, const char* key)
{
    const std::string fallback = IniDefault(section, key);
    return vb::CDbl(IniAccess("GET", section, key), vb::CDbl(fallback, 0));
}

int iniTwips(const char* section, const char* key)
{
    return vb::CLng(iniNumber(section, key));
}

long iniColour(const char* section, const char* key) { return vb::CLng(iniNumber(section, key)); }

constexpr const char* kBoldFont = "MS Sans Serif";

void boldSmall(Control& c)
{
    c.setFontName(kBoldFont);
    c.setFontSize(8.25);
    c.setFontBold(true);
}

// The flag and icon of the play list's selected row after the editor has
// perhaps written its sync files.
void refreshPlayListRow(Player& p)
{
    if (p.ListView1.ListItems.Count() < 1)
        return;
    ListItem* row = p.ListView1.SelectedItem();
    if (!row)
        return;  // rows but no selection: nothing to refresh
    const bool folderRow = PlayListTab == 0;
    const std::string song =
        folderRow ? paths::withTrailingSlash(p.Dir1.Path()) + row->Text() : row->SubItems(PlayList::ColPath);
    const bool synced = !FindSykFile(song).empty();
    PlayList::showSyncFlag(*row, folderRow, synced, !FindSy1File(song).empty());

    // The icon follows the row's own song (the editor may have switched to
    // another music file meanwhile).
    const std::string key = PlayList::iconKey(PlayList::songKindOf(song), synced);
    if (!key.empty())
        row->setSmallIcon(key);
}

// Faces of the tool column's picture buttons, each unlike the others.
// Convert: an arrow from the lyric text (a page) to the list on the left.
const std::vector<std::string> CompilArt = {
    ".........KKKKKKKK",
    ".........KWWWWWWK",
    "....G....KWKKKKWK",
    "...GG....KWWWWWWK",
    "..GGGGGG.KWKKKWWK",
    ".GGGGGGG.KWWWWWWK",
    "..GGGGGG.KWKKKKWK",
    "...GG....KWWWWWWK",
    "....G....KWKKWWWK",
    ".........KWWWWWWK",
    ".........KKKKKKKK",
};
// The song's colours: three paint discs.
const std::vector<std::string> SetColorArt = {
    "....KKKK..KKKK....",
    "...KRRRRKKGGGGK...",
    "..KRRRRRRGGGGGGK..",
    ".KRRRRRRRGGGGGGGK.",
    ".KRRRRRRRGGGGGGGK.",
    ".KRRRRRBBBBGGGGGK.",
    ".KRRRBBBBBBBBGGGK.",
    "..KRBBBBBBBBBBGK..",
    "...KBBBBBBBBBBK...",
    "....KBBBBBBBBK....",
    ".....KBBBBBBK.....",
    "......KKKKKK......",
};
// Clear the list: a list crossed out.
const std::vector<std::string> ClsSykArt = {
    "KKKKKKKKKKKKK.....",
    "KWWWWWWWWWWWK.....",
    "KWKKWKKKKKKWK.....",
    "KWWWWWWWWWWWK.....",
    "KWKKWKKKKKWWK.....",
    "KWWWWWWWWWWWK.....",
    "KWKKWKKKKKKWK.....",
    "KWWWWWWRR....RR...",
    "KWKKWKKRRR..RRR...",
    "KWWWWWWWRRRRRR....",
    "KWKKWKKKWRRRR.....",
    "KWWWWWWWRRRRRR....",
    "KKKKKKKRRR..RRR...",
    ".......RR....RR...",
};
// Every time back to 0: a stopwatch at zero.
const std::vector<std::string> ClsTimeArt = {
    ".......KKKK.......",
    "........KK........",
    "......KKKKKK......",
    "....KKWWWWWWKK....",
    "...KWWWWRRWWWWK...",
    "..KWWWWWRRWWWWWK..",
    "..KWWWWWRRWWWWWK..",
    ".KWWWWWWRRWWWWWWK.",
    ".KKWWWWWRRWWWWWKK.",
    ".KWWWWWWKKWWWWWWK.",
    ".KWWWWWWWWWWWWWWK.",
    "..KWWWWWWWWWWWWK..",
    "..KWWWWWWWWWWWWK..",
    "...KWWWWWWWWWWK...",
    "....KKWWWWWWKK....",
    "......KKKKKK......",
};
const std::vector<std::pair<char, long>> ToolPalette = {
    {'K', 0x303030}, {'W', 0xFFFFFF}, {'G', 0x00A000}, {'R', 0x0000D0}, {'B', 0xD04000},
};

void setToolTips(Record& r, bool english)
{
    r.Command_compil.setToolTipText(english ? "Convert the text into syllables" : "Convertir le texte en syllabes");
    r.Command_SetColor.setToolTipText(english ? "Karaoke colours of the song" : "Couleurs karaoké de la chanson");
    r.Command_ClsSyk.setToolTipText(english ? "Clear the list" : "Effacer la liste");
    r.Command_ClsTime.setToolTipText(english ? "Reset every time to 0" : "Remettre tous les temps à 0");
}

} // namespace

void Record::ResetMembers()
{
    RecSykPath.clear();
    RecSykFolder.clear();
    RecSongFileName.clear();
    RecBusy = false;
    RecModified = false;
    RecSykUnread.clear();
    RecCurLine = 0;
    RecLineEnded = false;
    RecNewLine = 0;
    RecLineCount = 0;
    RecCtrlMode = false;
    RecSplitCase = 0;
    RecImportLine.clear();
    RecCounterMark = 0;
}

Record::Record()
{
    setCaption("Edit Syk");
    setScaleWidth(9225);
    setScaleHeight(6120);

    // Design captions (French) and the sizes the layout keeps.
    Label1.setCaption("Karaoke");
    Label_Compteur.setCaption("Compteur:");
    Label_edit.setCaption("Text Éditeur");
    Label_Mp3.setCaption("Musique:");
    Command_OpenMp3.setCaption("Ouvrir musique");
    Command_Play.setCaption("▶");
    Command_Play.setToolTipText("Jouer");
    Command_Stop.setCaption("■");
    Command_Stop.setToolTipText("Arrêter");
    Command_Back.setCaption("◀◀");
    Command_Forward.setCaption("▶▶");
    Command_Capture.setCaption("Capturer");
    Command_AffSyk.setCaption("Afficher Karaoke");
    Command_ImpKar.setCaption("Imp. kar");
    Command_Sortir.setCaption("✕");
    Command_Sortir.setToolTipText("Sortir");
    Command_Help.setCaption("?");
    Label_2Click.setCaption("Double Click: Jouer");
    Label_Space.setCaption("Barre d'espacement pour Capturer");
    Label_Z.setCaption(". pour RAZ");
    Label_Check_NLigne.setCaption("Saut Ligne");
    Command_MAJ.setCaption("Modifier");
    Command_Ins.setCaption("Ajouter");
    Command_Supp.setCaption("Supp.");
    Command_MoinL.setCaption("-");
    Command_PlusL.setCaption("+");
    Command_Moin.setCaption("-");
    Command_Plus.setCaption("+");
    Label_Check_Scrole.setCaption("Auto défilement");
    Label_Esp.setCaption("Esp.");
    const std::pair<CommandButton*, const std::vector<std::string>*> tools[] = {
        {&Command_compil, &CompilArt}, {&Command_SetColor, &SetColorArt},
        {&Command_ClsSyk, &ClsSykArt}, {&Command_ClsTime, &ClsTimeArt}};
    for (const auto& [button, art] : tools) {
        button->setPicture(PictureFromArt(*art, ToolPalette));
        button->setStyle(vbButtonGraphical);
    }
    setToolTips(*this, false);
    Text_Temp.setText("0,1");
    Label_Ctrl.setCaption("Ctrl");
    Label_Tiret.setCaption("Utiliser les tirets pour séparer les syllabes chantées    Ex: Chan-te");
    Command_OpenTXT.setCaption("Ouvrir TXT");
    Command_SaveTXT.setCaption("Enregistrer TXT");
    Command_OpenSyk.setCaption("Ouvrir .Syk");
    Command_SaveSyk.setCaption("Enregistrer .Syk");

    // Controls that never move.
    Label1.Move(165, 255, 975, 255);
    Label_Compteur.Move(945, 45, 975, 255);
    Time_Left.Move(1965, 30, 1215, 285);
    Picture_Show.Move(3420, 0, 600, 360);
    Label_edit.Move(4050, 255, 1455, 255);
    // Sizes; the places come from the layout.
    for (CommandButton* b : {&Command_OpenMp3, &Command_OpenTXT, &Command_OpenSyk, &Command_SaveTXT, &Command_SaveSyk,
                             &Command_Capture, &Command_AffSyk})
        b->Move(0, 0, 1815, 315);
    for (CommandButton* b : {&Command_Play, &Command_Stop, &Command_Back, &Command_Forward, &Command_ImpKar,
                             &Command_Sortir, &Command_MAJ, &Command_Ins, &Command_Supp})
        b->Move(0, 0, 855, 315);
    for (CommandButton* b : {&Command_MoinL, &Command_PlusL, &Command_Moin, &Command_Plus})
        b->Move(0, 0, 255, 255);
    for (CheckBox* c : {&Check_NLigne, &Check_Scrole, &Check_ChkBlank})
        c->Move(0, 0, 195, 195);
    Command_compil.Move(3480, 960, 495, 855);
    Command_SetColor.Move(3480, 1875, 495, 345);
    Command_ClsSyk.Move(3480, 2280, 495, 555);
    Command_ClsTime.Move(3480, 2865, 495, 615);
    Text_Syk.Move(0, 0, 3015, 285);
    Text_time.Move(0, 0, 1215, 285);
    Text_Temp.Move(3465, 3900, 525, 285);
    Select_Song.Move(5400, 30, 3375, 285);
    Text_TestSyk.Move(0, 0, 3735, 300);
    Shape1.Move(0, 0, 3255, 1095);
    Command_Help.Move(8835, 30, 330, 315);
    Label_Z.Move(0, 0, 1095, 255);
    Label_2Click.Move(0, 0, 2535, 255);
    Label_Space.Move(0, 0, 3195, 255);
    Label_Check_NLigne.Move(0, 0, 1080, 255);
    Label_Check_Scrole.Move(0, 0, 1680, 255);
    Label_Tiret.Move(0, 0, 4875, 255);
    Label_Mp3.Move(4485, 30, 855, 255);
    Label_Esp.Move(3480, 420, 495, 255);
    Check_ChkBlank.Move(3600, 660);
    Command_Moin.Move(3480, 3600);
    Command_Plus.Move(3720, 3600);
    Label_Ctrl.Move(3465, 4245, 525, 210);
    Picture_Show.setBorderStyle(0);

    // Fonts of the design.
    for (Label* l : {&Label_Z, &Label_2Click, &Label_Space}) {
        l->setFontName("Comic Sans MS");
        l->setFontSize(9);
        l->setFontBold(true);
    }
    for (Label* l : {&Label1, &Label_edit}) {
        l->setFontName(kBoldFont);
        l->setFontSize(9.75);
        l->setFontBold(true);
    }
    Text_TXT.setFontName(kBoldFont);
    Text_TXT.setFontSize(9.75);
    Text_TXT.setFontBold(false);
    for (CommandButton* b : {&Command_SetColor, &Command_compil}) {
        b->setFontName(kBoldFont);
        b->setFontSize(12);
        b->setFontBold(true);
    }
    Command_Help.setFontName("Arial");
    Command_Help.setFontSize(9);
    Command_Help.setFontBold(true);
    for (Control* c : std::initializer_list<Control*>{
             &Label_Compteur, &Time_Left, &Label_Mp3, &Command_OpenMp3, &Command_Play, &Command_Stop, &Command_Back,
             &Command_Forward, &Command_Capture, &Command_AffSyk, &Command_ImpKar, &Command_Sortir, &Check_NLigne,
             &Label_Check_NLigne, &Command_MAJ, &Command_Ins, &Command_Supp, &Check_Scrole, &Label_Check_Scrole,
             &Text_TestSyk, &Label_Esp, &Command_ClsSyk, &Command_ClsTime, &Label_Ctrl, &Command_OpenTXT,
             &Command_SaveTXT, &Command_OpenSyk, &Command_SaveSyk})
        boldSmall(*c);

    // Design states.
    Text_TXT.setMultiLine(true);
    Text_TXT.setScrollBars(2);
    Check_NLigne.setValue(0);
    Check_Scrole.setValue(1);
    Check_ChkBlank.setValue(1);
    Shape1.setShape(0);
    Text_TestSyk.setVisible(false);
    Label_Space.setVisible(false);
    Label_Z.setVisible(false);
    Label_2Click.setVisible(false);
    Label_Ctrl.setVisible(false);
    Label_Tiret.setVisible(false);
    for (Label* l : {&Label1, &Label_Compteur, &Label_edit, &Label_Mp3, &Label_2Click, &Label_Space, &Label_Z,
                     &Label_Check_NLigne, &Label_Check_Scrole, &Label_Esp, &Label_Ctrl})
        l->setBackStyle(0);
    for (Timer* t : {&Timer1, &Timer2, &Timer_Record}) {
        t->setInterval(10);
        t->setEnabled(false);
    }
    Shape1.ZOrder(1);

    LayoutControls();
    bindEvents();
}

void Record::bindEvents()
{
    Command_Sortir.onClick([this] { Command_Sortir_Click(); });
    Command_Help.onClick([this] { Command_Help_Click(); });
    Check_Scrole.onClick([this] { Check_Scrole_Click(); });
    // A click on a check box's label toggles the box, as the box itself does.
    Label_Check_Scrole.onClick([this] { Check_Scrole.setValue(Check_Scrole.Value() == 0 ? 1 : 0); });
    Label_Check_Scrole.clickOnMouseRelease(true);
    Label_Check_NLigne.onClick([this] { Check_NLigne.setValue(Check_NLigne.Value() == 0 ? 1 : 0); });
    Label_Check_NLigne.clickOnMouseRelease(true);

    Command_OpenSyk.onClick([this] { Command_OpenSyk_Click(); });
    Command_SaveSyk.onClick([this] { Command_SaveSyk_Click(); });

    List_Syk.onClick([this] { List_Syk_Click(); });
    List_Syk.onDblClick([this] { List_Syk_DblClick(); });
    List_Syk.onGotFocus([this] { List_Syk_GotFocus(); });
    List_Syk.onLostFocus([this] { List_Syk_LostFocus(); });
    List_Syk.onKeyPress([this](int& k) { List_Syk_KeyPress(k); });
    Command_MAJ.onClick([this] { Command_MAJ_Click(); });
    Command_Ins.onClick([this] { Command_Ins_Click(); });
    Command_Supp.onClick([this] { Command_Supp_Click(); });
    Command_ClsSyk.onClick([this] { Command_ClsSyk_Click(); });
    Command_ClsTime.onClick([this] { Command_ClsTime_Click(); });
    for (Control* c : std::initializer_list<Control*>{&Command_ClsTime, &Command_compil, &Command_Moin, &Command_Plus,
                                                      &List_Syk, &Text_TXT}) {
        c->onKeyDown([this](int& k, int s) { CtrlMode_KeyDown(k, s); });
        c->onKeyUp([this](int& k, int s) { CtrlMode_KeyUp(k, s); });
    }

    Command_Capture.onClick([this] { Command_Capture_Click(); });
    Command_Plus.onClick([this] { Command_Plus_Click(); });
    Command_Moin.onClick([this] { Command_Moin_Click(); });
    Command_PlusL.onClick([this] { Command_PlusL_Click(); });
    Command_MoinL.onClick([this] { Command_MoinL_Click(); });

    Command_compil.onClick([this] { Command_compil_Click(); });
    Command_OpenTXT.onClick([this] { Command_OpenTXT_Click(); });
    Command_SaveTXT.onClick([this] { Command_SaveTXT_Click(); });
    Text_TXT.onGotFocus([this] { Text_TXT_GotFocus(); });
    Text_TXT.onLostFocus([this] { Text_TXT_LostFocus(); });

    Command_Play.onClick([this] { Command_Play_Click(); });
    Command_Stop.onClick([this] { Command_Stop_Click(); });
    Command_Back.onClick([this] { Command_Back_Click(); });
    Command_Forward.onClick([this] { Command_Forward_Click(); });
    Command_OpenMp3.onClick([this] { Command_OpenMp3_Click(); });

    Timer1.onTimer([this] { Timer1_Timer(); });
    Timer2.onTimer([this] { Timer2_Timer(); });
    Command_AffSyk.onClick([this] { Command_AffSyk_Click(); });

    Command_ImpKar.onClick([this] { Command_ImpKar_Click(); });
    Timer_Record.onTimer([this] { Timer_Record_Timer(); });

    Command_SetColor.onClick([this] { Command_SetColor_Click(); });
}

void Record::Form_Load()
{
    // The lyric window's transport and double-click reach the editor this way
    // while the editor is open.
    PressRecordButton = [](const std::string& name) {
        if (!RecordLoaded())
            return;
        Record& r = record();
        if (name == "Command_Play")
            r.Command_Play.press();
        else if (name == "Command_Stop")
            r.Command_Stop.press();
        else if (name == "Command_Back")
            r.Command_Back.press();
        else if (name == "Command_Forward")
            r.Command_Forward.press();
    };
    ShowRecordWindow = [] {
        if (RecordLoaded())
            record().Show();
    };

    RecModified = false;
    MediaKind = "None";
    Timer1.setEnabled(false);

    if (Langue == "En") {
        Label_Compteur.setCaption("Count:");
        Label_edit.setCaption("Text Editor");
        Label_Esp.setCaption("Spc.");
        Label_Z.setCaption(". to Reset");
        Label_Space.setCaption("Space Bar to Capture");
        Label_Mp3.setCaption("Music:");
        Label_Check_NLigne.setCaption("Enter");
        Command_MAJ.setCaption("Apply");
        Command_Ins.setCaption("Add");
        Command_Supp.setCaption("Delete");
        Command_OpenMp3.setCaption("Open MP3");
        Command_OpenSyk.setCaption("Open .Syk");
        Command_SaveSyk.setCaption("Save .Syk");
        Command_OpenTXT.setCaption("Open TXT");
        Command_SaveTXT.setCaption("Save TXT");
        Command_AffSyk.setCaption("Show Karaoke");
        Label_2Click.setCaption("Double Click: Play");
        Label_Check_Scrole.setCaption("Auto Scroll");
        Label_Tiret.setCaption(" Use hyphen to split lyrics   Ex: Syl-la-ble");
        Command_Sortir.setToolTipText("Close");
        Command_Play.setToolTipText("Play");
        Command_Stop.setToolTipText("Stop");
        setToolTips(*this, true);
    }

    // Setting the box runs its click (which writes the value back and starts
    // the follower) only when the stored value differs from the design state.
    Check_Scrole.setValue(iniNumber("Record Windows", "Check_Scrole") != 0 ? 1 : 0);
    Timer1.setEnabled(false);

    ApplyDialogColors(
        *this, {&Check_NLigne, &Check_Scrole, &Check_ChkBlank, &Label_Tiret},
        {&List_Syk, &Select_Song, &Text_Syk, &Text_time, &Text_TXT, &Time_Left},
        {&Command_compil, &Command_SetColor, &Command_ClsSyk, &Command_ClsTime, &Command_MoinL, &Command_PlusL,
         &Command_Moin, &Command_Plus, &Command_MAJ, &Command_Ins, &Command_Supp, &Command_OpenMp3, &Command_OpenSyk,
         &Command_SaveSyk, &Command_Play, &Command_Stop, &Command_Back, &Command_Forward, &Command_Capture,
         &Command_OpenTXT, &Command_SaveTXT, &Command_AffSyk, &Command_ImpKar, &Command_Sortir, &Command_Help});

    DoEvents();

    if (!player().Select_Song.Text().empty()) {
        GetSykPath();
        RecCurLine = 1;
        RecBusy = false;
        RecSykPath = FindSykFile(player().Select_Song.Text());
        if (!RecSykPath.empty())
            LoadSykFile();
    }
}

void Record::Form_Activate()
{
    ActiveWindowName = "Record";
    Karaoke& k = karaoke();
    k.Li2.setValue(true);
    k.NbLigne.setEnabled(false);
    k.Command_Prev.setEnabled(false);
    k.Command_Next.setEnabled(false);
    k.Mute_S.setEnabled(false);
    k.Mute_SK.setEnabled(false);
    for (OptionButton* o : {&k.Li2, &k.Li4, &k.Li6, &k.Li8})
        o->setEnabled(false);

    Player& p = player();
    p.Check_Muet.setValue(0);
    p.Check_Muet2.setValue(0);

    // The option handlers above may run code that redraws the lyric window;
    // it is reached afresh rather than through a reference kept across them.
    Karaoke& kw = karaoke();
    kw.Command_Back.setCaption("-10");
    kw.Command_Forward.setCaption("+10");
    kw.LiM0.setValue(true);
    for (OptionButton* o : {&kw.LiM0, &kw.LiM1, &kw.LiM2})
        o->setEnabled(false);
}

void Record::Check_Scrole_Click()
{
    List_Syk.SetFocus();
    Timer1.setEnabled(true);
    if (List_Syk.ListIndex() == -1 && List_Syk.ListCount() > 0)
        List_Syk.setListIndex(0);
    IniAccess("WRITE", "Record Windows", "Check_Scrole", Check_Scrole.Value() != 0 ? "1" : "0");
}

void Record::Command_Help_Click()
{
    const std::string site = MakerWebSite();
    if (site.empty()) {
        MsgNoWebSite();
        return;
    }
    shell::openUrl(site + (french() ? "/manuel_fr/manu_editeur_fr.html" : "/manuel_en/manu_editor_en.html"));
}

void Record::Command_Sortir_Click() { Unload(*this); }

void Record::Form_Unload(int& Cancel)
{
    if (RecBusy) {
        if (french())
            MsgBox("Vous devez arrêter l'enregistrement avant de quitter", vbOKOnly + vbCritical, "Attention");
        else
            MsgBox("You must stop recording before exiting", vbOKOnly + vbCritical, "Stop");
        Cancel = 1;
        return;
    }
    if (RecModified) {
        const int answer =
            french() ? MsgBox("Vous n'avez pas enregistré!! Quitter maintenant ?", vbOKCancel + vbInformation,
                              "Attention")
                     : MsgBox("You did not save!! Exit now ?", vbOKCancel + vbInformation, "Warning");
        if (answer != vbOK) {
            Cancel = 1;
            return;
        }
    }
    if (IsPlaying) {
        Command_Stop_Click();
        DoEvents();
    }
    // The save dialog reads this window's list: it goes with it.
    if (Record_SaveLoaded())
        Unload(record_Save());
    if (WindowState() == vbNormal) {
        IniAccess("WRITE", "Record Windows", "Top", Top());
        IniAccess("WRITE", "Record Windows", "Left", Left());
    }

    // The main window and the lyric window are given back; neither is
    // created anew here when it is already gone (the program's end).
    if (isLoaded<Player>())
        player().Check_Aff_Record.setValue(0);
    const bool haveKaraoke = isLoaded<Karaoke>();
    if (haveKaraoke) {
        Karaoke& k = karaoke();
        k.NbLigne.setEnabled(true);
        for (Control* c : std::initializer_list<Control*>{&k.Command_Play, &k.Command_Stop, &k.Command_Back,
                                                          &k.Command_Forward, &k.Command_Prev, &k.Command_Next,
                                                          &k.Mute_S, &k.Mute_SK, &k.Li2, &k.Li4, &k.Li6, &k.Li8})
            c->setEnabled(true);
        k.ProgressBar1.setValue(0);
        k.Command_Back.setCaption("-20");
        k.Command_Forward.setCaption("+20");
    }
    if (isLoaded<Player>())
        player().Show();
    if (haveKaraoke && isLoaded<Karaoke>()) {
        Karaoke& k = karaoke();
        for (OptionButton* o : {&k.LiM0, &k.LiM1, &k.LiM2})
            o->setEnabled(true);
    }
    if (isLoaded<Player>())
        refreshPlayListRow(player());
}

// ---- opening from the main window ------------------------------------------

void Player::Command_Record_Click()
{
    if (IsPlaying) {
        MsgMustStop();
        return;
    }
    if (Select_Song.Text().empty()) {
        MsgSelectSong();
        return;
    }
    if (!FileExists(Select_Song.Text())) {
        if (french())
            MsgBox("Fichier Introuvable", vbOKOnly + vbQuestion, "Attention");
        else
            MsgBox("File not found", vbOKOnly + vbQuestion, "Warning");
        if (ListItem* row = ListView1.SelectedItem())
            row->setSmallIcon("Picture_Stop");
        return;
    }

    if (Check_Aff_Karaoke.Value() == 0) {
        Karaoke& k = karaoke();
        k.setBackColor(iniColour("Kar Windows", "BackColor"));
        k.setFontName(IniGetOrDefault("Kar Windows", "FontName"));
        k.setFontSize(iniNumber("Kar Windows", "FontSize"));
        k.placeOnScreen(iniTwips("Kar Windows", "Left"), iniTwips("Kar Windows", "Top"),
                        iniTwips("Kar Windows", "Width"), iniTwips("Kar Windows", "Height"));
        const std::string picture = IniAccess("GET", "Path", "Path Image");
        if (FileExists(picture)) {
            bool ok = false;
            StdPicture pic = LoadPicture(picture, &ok);
            if (ok)
                k.setPicture(pic);
        }
        k.setFontBold(vb::Val(IniAccess("GET", "Kar Windows", "FontBold")) == 1);
        Check_Aff_Karaoke.setValue(1);
        k.Show();
        k.Cls();
        k.Li2.setValue(true);
        k.NbLigne.setEnabled(false);
        k.HScroll_Kar.setValue(KarScrollPos[1]);
        k.VScroll_Kar.setValue(KarScrollPos[2]);
    }

    if (Check_Aff_Record.Value() == 0) {
        // The first use creates and loads the window before the place is set.
        Record& r = record();
        r.setTop(iniTwips("Record Windows", "Top"));
        r.setLeft(iniTwips("Record Windows", "Left"));
        r.keepOnScreen();
        Check_Aff_Record.setValue(1);
        r.Show();
    } else {
        record().SetFocus();
    }

    Record& r = record();
    // The song's file name: after the last separator of the full path.
    r.Select_Song.setText(GetFileName(Select_Song.Text()));

    Hide();

    r.List_Syk.SetFocus();
    if (r.List_Syk.ListCount() > 0)
        r.List_Syk.setListIndex(0);
}
