#pragma once
// The update check: a small text file on the maker's web site names the newest
// version and where to download it. The check is asynchronous (the interface
// stays responsive while the server answers or times out); it always records the
// month of the next automatic check when it ends.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace modIni {

// The four line-feed separated fields of the update text.
struct UpdateInfoType {
    std::string VersionAvailable; // version of the available program
    std::string VersionDate;      // release text shown in brackets after it
    std::string UrlFr;            // download address for the French interface
    std::string UrlEn;            // download address for any other language
};

// The maker's web site as configured at build time ("" when none is configured),
// without a trailing "/".
std::string MakerWebSite();
// Path of the update text under the web site.
inline constexpr const char* kUpdatePath = "/logiciel/update.txt";

// Cuts the answer of the server into its four fields. Blanks and carriage
// returns around each field are removed (servers answer with CR LF as often as
// with LF). An answer with fewer than three line feeds is no answer: nullopt.
std::optional<UpdateInfoType> ParseUpdateText(std::string_view text);

// The last four characters of the available version compared as text with the
// last four of our own revision (a field shorter than four is taken whole).
bool IsNewerVersion(std::string_view versionAvailable, std::string_view ownRevision);

// A download address from the network is only ever opened in the desktop's web
// browser, and only when it is one plain absolute http or https address: no
// blanks, no control characters, no shell characters. nullopt otherwise.
std::optional<std::string> SafeDownloadUrl(std::string_view field);

// Month number written to [Setting] "NextUpd": the month after `month` (1..12),
// 1 after December.
int NextUpdateMonth(int month);

// Fetches the update text and tells the user what it found. Mode "Auto" (the
// monthly check at start-up) stays silent when there is nothing new; any other
// mode ("Manuel") always answers. `onDone` runs when the check has ended (after
// the messages and the "NextUpd" write). A check by button asked for while the
// monthly check still waits for the server joins it: that check then answers
// as a check by button does, and both `onDone` run when it ends. Asked for
// while another check by button waits, it tells the user a check is under
// way (the answer follows) and its `onDone` runs at once.
void CheckUpdate(const std::string& Mode, std::function<void()> onDone = {});
// True while a check is waiting for the server or showing its answer.
bool UpdateCheckRunning();
// Time allowed for the server's answer (milliseconds); tests shorten it.
void SetUpdateTimeout(int ms);
// Tests point the check at their own server ("" restores the build-time site).
void SetUpdateSiteOverride(const std::string& baseUrl);

} // namespace modIni
