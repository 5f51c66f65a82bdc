#pragma once
// A started main window whose settings button opens the settings dialog;
// after each test the dialog is closed before the main window goes.
#include "core/modini.h"
#include "core/player.h"
#include "platform/files/textfile.h"
#include "platform/forms/app.h"
#include "platform/forms/form.h"
#include "settings/config.h"
#include "support/playerfixture.h"

#include <gtest/gtest.h>

#include <string>

class ConfigTest : public testsupport::StartedPlayerTest {
protected:
    static std::string ini(const char* section, const char* key)
    {
        return modIni::IniAccess("GET", section, key);
    }
    static void setIni(const char* section, const char* key, const std::string& value)
    {
        modIni::IniAccess("WRITE", section, key, value);
    }
    static std::string iniBytes()
    {
        return textfile::readBytes(modIni::IniPath()).value_or("");
    }

    // Presses the main window's settings button; the dialog replaces it.
    Config& open()
    {
        player().Command_Config.press();
        EXPECT_TRUE(isLoaded<Config>());
        EXPECT_FALSE(isLoaded<Player>());
        return config();
    }

    // The main window that the closing dialog brought back, its deferred
    // start-up run at once.
    Player& restarted()
    {
        EXPECT_TRUE(isLoaded<Player>());
        Player& p = player();
        p.Timer_LoadPlayer.setEnabled(false);
        p.Timer_LoadPlayer_Timer();
        return p;
    }

    void TearDown() override
    {
        if (isLoaded<Config>())
            Unload(config());
        DoEvents();
        testsupport::StartedPlayerTest::TearDown();
    }
};
