// The main window's colours from the settings and its English texts.
#include "core/player.h"

#include "core/modini.h"
#include "core/uihelpers.h"

#include <initializer_list>

using modIni::SettingColor;

void Player::ApplyPlayerColors()
{
    const long pgm = SettingColor("PgmColor");
    Check_Select.setBackColor(pgm);

    const long list = SettingColor("ListColor");
    for (Control* c : std::initializer_list<Control*>{&Drive1, &Dir1, &ListView1, &Select_Song, &Text_Londing})
        c->setBackColor(list);

    const long button = SettingColor("ButtomColor");
    for (Control* c : std::initializer_list<Control*>{
             &Command_Config, &Command_Help, &Command_ZunInfo, &Command_Play, &Command_Stop, &Command_Back,
             &Command_Forward, &Command_AffSyk, &Command_Record, &Command_Parole, &Command_Auto, &Check_Muet,
             &Check_Muet2, &Command_Prev, &Command_Next, &Command_Quitter, &Command_Random, &Command_Trie,
             &Command_Cacher, &Command_Dwn, &Command_Up, &Command_Print, &Command_ViewDetail, &Command_ViewList,
             &Command_SaveAs, &Command_Save, &Command_Open, &Command_Supp, &Command_Add, &Command_Edit,
             &Command_Appliquer, &Command_Cancel, &Command_Ok, &Command_Detect})
        c->setBackColor(button);

    // The banner is drawn in a red tone: on a red, orange or pink window it
    // would vanish, so it turns grey there.
    const long back = BackColor();
    if (back == 255 || back == 0x8080FF || back == 0x4080FF || back == 0x0080FF || back == 0x8000FF)
        Label_ZunMp3.setForeColor(0x808080);
}

void Player::ApplyEnglishCaptions()
{
    Command_Play.setCaption("Play");
    Command_Stop.setCaption("Stop");
    Command_Quitter.setToolTipText("Quit");
    Label_Compteur.setCaption("Counter:");
    Label_Mp3.setCaption("Selection:");
    Label_Duree.setCaption("Length:");
    Command_Back.setCaption("-20 Sec.");
    Command_Forward.setCaption("+20 Sec.");
    Command_AffSyk.setCaption("Show Karaoke");
    Command_Record.setCaption("Editor .Syk");
    Label_Vitesse.setCaption("Speed");
    Label_Transpo.setCaption("Pitch");
    Text_Londing.setText("Loading List...\r\nPlease Wait !");
    Label_SelectAll.setCaption("Select All");
    Command_Cancel.setCaption("Cancel");
    Command_Appliquer.setCaption("Apply");
    Command_Cacher.setToolTipText("Show/Hide control");
    Check_Muet.setToolTipText("Mute sound");
    Check_Muet2.setToolTipText("Mute karaoke lyrics");
    Command_Parole.setToolTipText("Lyrics");
    Command_Auto.setToolTipText("Auto play next");
    Command_Prev.setToolTipText("Back");
    Command_Next.setToolTipText("Next");
    Command_Edit.setToolTipText("Edit");
    Command_Detect.setToolTipText("Detect Tag");
    Command_Add.setToolTipText("Add");
    Command_Supp.setToolTipText("Remove");
    Command_Open.setToolTipText("Open (Play List)");
    Command_Save.setToolTipText("Save (Play List)");
    Command_SaveAs.setToolTipText("Save as (Play List)");
    Command_ViewList.setToolTipText("List");
    Command_ViewDetail.setToolTipText("Detail");
    Command_Print.setToolTipText("Print");
    Command_Up.setToolTipText("Up");
    Command_Dwn.setToolTipText("Down");
    Command_Random.setToolTipText("Shuffle");
    Command_Trie.setToolTipText("Sort");
    Command_Help.setToolTipText("Help (Web)");
    Command_ZunInfo.setToolTipText("About Zun Mp3 Karaoke");
    mnuView0.setCaption("View");
    mnuView[0].setCaption("List View");
    mnuView[1].setCaption("Detail View");
    mnuGride[0].setCaption("Grid Line");
    mnuEdit[0].setCaption("Edit");
    mnuAddtoPlayList[0].setCaption("Add to Play List");
    mnuDetect[0].setCaption("Detect Tag");
    mnuDeleteToPlayList[0].setCaption("Remove from Play List");
}
