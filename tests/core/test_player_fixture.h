#pragma once
// A main window started in its own program folder, with a scripted prompter,
// and let go again after each test (as the settings dialog does: without
// ending the program).
#include "core/modini.h"
#include "core/player.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "settings/update.h"
#include "support/testdir.h"

#include <gtest/gtest.h>

#include <string>

class PlayerTest : public ::testing::Test {
protected:
    testsupport::ProgramDir dir;
    ScopedScriptedPrompter prompter;

    void SetUp() override
    {
        modIni::CmdLine = "";
        modIni::Langue = "";
        modIni::IsPlaying = false;
        modIni::QuitOnPlayerClose = true;
        PlayList::ListMode = "";
        modIni::SetUpdateSiteOverride("");
        setCommandLine("");
    }

    void TearDown() override { closePlayer(); }

    // Creates (Form_Load) and runs the deferred start-up at once.
    Player& start()
    {
        Player& p = player();
        p.Timer_LoadPlayer.setEnabled(false);
        p.Timer_LoadPlayer_Timer();
        return p;
    }

    // Unloads the main window the way the settings dialog does.
    void closePlayer()
    {
        if (isLoaded<Player>()) {
            modIni::QuitOnPlayerClose = false;
            Unload(player());
        }
        DoEvents();
        modIni::QuitOnPlayerClose = true;
    }

    static std::string ini(const char* section, const char* key)
    {
        return modIni::IniAccess("GET", section, key);
    }
    static void setIni(const char* section, const char* key, const std::string& value)
    {
        modIni::IniAccess("WRITE", section, key, value);
    }

    bool asked(const std::string& text)
    {
        for (const auto& q : prompter->questions())
            if (q.text == text)
                return true;
        return false;
    }
};
