// The update check against the maker's web site.
#include "settings/update.h"

#include "core/modini.h"
#include "platform/files/textfile.h"
#include "platform/forms/prompter.h"
#include "platform/shell/shell.h"
#include "settings/about.h"

#include <ctime>
#include <vector>
#include <utility>

namespace modIni {

namespace {

bool g_running = false;
// How the running check tells its answer: "Auto" stays quiet when there is
// nothing new; a check by button joining it makes it answer.
std::string g_mode;
// What to run when the running check has ended (one per caller).
std::vector<std::function<void()>> g_onDone;
int g_timeoutMs = 8000;
std::string g_siteOverride;
bool g_overrideSet = false;

constexpr const char* kTitle = "Program Update";

int thisMonth()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_mon + 1;
}

void recordNextCheck()
{
    IniAccess("WRITE", "Setting", "NextUpd", NextUpdateMonth(thisMonth()));
}

void tellNoAnswer(const std::string& mode)
{
    if (mode == "Auto") {
        if (Langue == "Fr")
            MsgBox("Zun Mp3 a tenté de valider la présence d'une mise à jour\n"
                   "mais il a été impossible de contacter le serveur.",
                   vbOKOnly + vbInformation, kTitle);
        else
            MsgBox("Zun Mp3 tried to validate for an update\nbut can't contact server.", vbOKOnly + vbInformation,
                   kTitle);
    } else {
        if (Langue == "Fr")
            MsgBox("Impossible de contacter le serveur, SVP réessayer plus tard", vbOKOnly, kTitle);
        else
            MsgBox("Can't contact server, please try again later.", vbOKOnly, kTitle);
    }
}

void offerDownload(const UpdateInfoType& info)
{
    const bool fr = Langue == "Fr";
    std::string text = fr ? "Une nouvelle version est disponnible. Désirez-vous la télécharger maintenant ?"
                          : "There is a newer version of this program available. Would you like to download it?";
    text += "\n";
    text += fr ? "Votre version:        " : "Your version:       ";
    text += std::string(kProgramRevision) + "   (" + kProgramDate + ")\n";
    text += fr ? "Version Disponible: " : "Version available: ";
    text += info.VersionAvailable + "   (" + info.VersionDate + ")";
    if (MsgBox(text, vbYesNo + vbInformation, kTitle) != vbYes)
        return;
    // The address comes from the network: it is only ever handed to the
    // desktop's browser, and only when it is a plain web address.
    const auto url = SafeDownloadUrl(fr ? info.UrlFr : info.UrlEn);
    if (!url) {
        if (fr)
            MsgBox("L'adresse de téléchargement reçue du serveur n'est pas une adresse web valide.",
                   vbOKOnly + vbExclamation, kTitle);
        else
            MsgBox("The download address sent by the server is not a valid web address.",
                   vbOKOnly + vbExclamation, kTitle);
        return;
    }
    // The address is good but nothing could open it: the user gets it to open
    // by hand.
    if (!shell::openUrl(*url)) {
        if (fr)
            MsgBox("Aucun navigateur web n'a pu être démarré pour ouvrir :\n" + *url, vbOKOnly + vbExclamation,
                   kTitle);
        else
            MsgBox("No web browser could be started to open:\n" + *url, vbOKOnly + vbExclamation, kTitle);
    }
}

void finish()
{
    recordNextCheck();
    g_running = false;
    const auto callbacks = std::move(g_onDone);
    g_onDone.clear();
    for (const auto& done : callbacks)
        if (done)
            done();
}

void tellAlreadyRunning()
{
    if (Langue == "Fr")
        MsgBox("Une vérification de mise à jour est déjà en cours.\nSa réponse va suivre.", vbOKOnly + vbInformation,
               kTitle);
    else
        MsgBox("A check for updates is already under way.\nIts answer will follow.", vbOKOnly + vbInformation, kTitle);
}

} // namespace

std::string MakerWebSite()
{
    std::string site = g_overrideSet ? g_siteOverride : std::string(ZUN_WEBSITE);
    while (!site.empty() && (site.back() == '/' || site.back() == ' '))
        site.pop_back();
    return site;
}

bool UpdateCheckRunning()
{
    return g_running;
}

void SetUpdateTimeout(int ms)
{
    g_timeoutMs = ms > 0 ? ms : 8000;
}

void SetUpdateSiteOverride(const std::string& baseUrl)
{
    g_overrideSet = !baseUrl.empty();
    g_siteOverride = baseUrl;
}

void CheckUpdate(const std::string& Mode, std::function<void()> onDone)
{
    if (g_running) {
        if (g_mode == "Auto" && Mode != "Auto") {
            // The user asks while the monthly check still waits for the
            // server: that check answers for both, as a check by button does.
            g_mode = Mode;
            g_onDone.push_back(std::move(onDone));
            return;
        }
        if (Mode != "Auto")
            tellAlreadyRunning();
        if (onDone)
            onDone();
        return;
    }
    g_running = true;
    g_mode = Mode;
    g_onDone.clear();
    g_onDone.push_back(std::move(onDone));
    const std::string site = MakerWebSite();
    if (site.empty()) {
        // Nowhere to ask: the monthly check stays quiet, a check asked for by
        // the user says why nothing happens.
        if (Mode != "Auto")
            MsgNoWebSite();
        finish();
        return;
    }
    shell::httpGet(site + kUpdatePath, g_timeoutMs,
                   [](bool ok, const std::string& body) {
                       const std::string text = ok ? textfile::decode(body) : std::string();
                       const auto info = ParseUpdateText(text);
                       const std::string mode = g_mode;
                       if (!info)
                           tellNoAnswer(mode);
                       else if (IsNewerVersion(info->VersionAvailable, kProgramRevision))
                           offerDownload(*info);
                       else if (mode != "Auto") {
                           if (Langue == "Fr")
                               MsgBox("Aucune nouvelle version disponible.", vbOKOnly + vbInformation, kTitle);
                           else
                               MsgBox("There's no new version available.", vbOKOnly + vbInformation, kTitle);
                       }
                       finish();
                   },
                   64 * 1024);
}

} // namespace modIni
