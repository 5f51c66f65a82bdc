#pragma once
// The About box: program name, version, revision and release date, a button to
// the maker's web site and a button for an update check.
#include "platform/forms/controls.h"
#include "platform/forms/form.h"

#include <string>

class ZunInfo : public Form {
public:
    ZunInfo();

    Label Label1{this};             // product name
    Label Label_Ver{this};
    Label Label2{this};             // version shown
    Label Label3{this};
    Label Label_Rev{this};          // revision; its last four characters are compared by the update check
    Label Label_DateVersion{this};  // release date
    CommandButton Command_Web{this};
    CommandButton Command_WebUpd{this};
    CommandButton Command_Sortie{this};

    void Form_Load() override;
    void Command_Web_Click();
    void Command_WebUpd_Click();
    void Command_Sortie_Click();
};

ZunInfo& zunInfo();

namespace modIni {
// The program's revision and release date, as the About box shows them.
inline constexpr const char* kProgramRevision = "3.1b1.3150";
inline constexpr const char* kProgramDate = "2002-08-15";
inline constexpr const char* kProgramVersion = "3.1 (Beta 1)";

// Tells the user that no web address was configured when the program was
// built (the web, help and update buttons then have nowhere to go).
void MsgNoWebSite();
} // namespace modIni
