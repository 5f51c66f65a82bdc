// The About box and the main window's help button.
#include "settings/about.h"

#include "core/modini.h"
#include "core/player.h"
#include "core/uihelpers.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "platform/shell/shell.h"
#include "settings/update.h"

using namespace modIni;

ZunInfo& zunInfo()
{
    return formInstance<ZunInfo>();
}

ZunInfo::ZunInfo()
{
    setCaption("Info");
    setBorderStyle(3);
    setMinButton(false);
    setMaxButton(false);
    setScaleWidth(5400);
    setScaleHeight(2700);

    Label1.Move(240, 120, 4920, 555);
    Label1.setCaption("Zun Mp3 Karaoke");
    Label1.setFontName("Comic Sans MS");
    Label1.setFontSize(20);
    Label1.setFontBold(true);
    Label1.setAlignment(vbCenter);
    Label1.setForeColor(0x0040C0);

    Label_Ver.Move(480, 840, 1095, 255);
    Label_Ver.setCaption("Version:");
    Label2.Move(1620, 840, 2400, 255);
    Label2.setCaption(kProgramVersion);
    Label3.Move(480, 1140, 1095, 255);
    Label3.setCaption("Rev.");
    Label_Rev.Move(1620, 1140, 1500, 255);
    Label_Rev.setCaption(kProgramRevision);
    Label_DateVersion.Move(3240, 1140, 1500, 255);
    Label_DateVersion.setCaption(kProgramDate);
    for (Label* l : {&Label_Ver, &Label2, &Label3, &Label_Rev, &Label_DateVersion})
        l->setBackStyle(0);

    const std::string site = MakerWebSite();
    Command_Web.Move(480, 1560, 4440, 375);
    Command_Web.setCaption(site.empty() ? "Zun Mp3 Karaoke" : site);
    Command_WebUpd.Move(480, 2040, 3840, 435);
    Command_WebUpd.setCaption("Vérification d'une mise à jour disponible.");
    Command_Sortie.Move(4440, 2040, 480, 435);
    Command_Sortie.setCaption("✕");
    Command_Sortie.setToolTipText("Sortir");
    setCancelButton(&Command_Sortie);

    Command_Web.onClick([this] { Command_Web_Click(); });
    Command_WebUpd.onClick([this] { Command_WebUpd_Click(); });
    Command_Sortie.onClick([this] { Command_Sortie_Click(); });
}

void ZunInfo::Form_Load()
{
    CenterForm(*this);
    if (Langue == "En") {
        Command_Sortie.setToolTipText("Exit");
        Label_Ver.setCaption("Version");
        Command_WebUpd.setCaption("Check if newer version is available.");
    }
}

void ZunInfo::Command_Web_Click()
{
    const std::string site = MakerWebSite();
    if (site.empty()) {
        MsgNoWebSite();
        return;
    }
    shell::openUrl(site);
}

void ZunInfo::Command_WebUpd_Click()
{
    Command_WebUpd.setEnabled(false);
    // The check answers later; the button comes back when it has ended (on
    // this window if it is still the one that asked).
    ZunInfo* self = this;
    CheckUpdate("Manuel", [self] {
        if (isLoaded<ZunInfo>() && &zunInfo() == self)
            self->Command_WebUpd.setEnabled(true);
    });
}

void ZunInfo::Command_Sortie_Click()
{
    Unload(*this);
}

void Player::Command_ZunInfo_Click()
{
    zunInfo().Show();
}

void Player::Command_Help_Click()
{
    const std::string site = MakerWebSite();
    if (site.empty()) {
        MsgNoWebSite();
        return;
    }
    shell::openUrl(site + (Langue == "Fr" ? "/manuel_fr/manu_lecteur_fr.html" : "/manuel_en/manu_player_en.html"));
}

namespace modIni {

void MsgNoWebSite()
{
    if (Langue == "Fr")
        MsgBox("Aucune adresse web n'a été configurée pour ce programme.", vbInformation, "Zun Mp3 Karaoke");
    else
        MsgBox("No web address has been configured for this program.", vbInformation, "Zun Mp3 Karaoke");
}

} // namespace modIni
