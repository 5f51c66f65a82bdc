#pragma once
// The editor opened from a started main window, as the user opens it, on a
// song written by the test; helpers to fill its list, to play on (the stepped
// audio output, the editor's timers run as their ticks would) and to read what
// was asked.
#include <gtest/gtest.h>

#include <filesystem>

#include <string>
#include <vector>

#include "core/modini.h"
#include "core/player.h"
#include "editor/record.h"
#include "karaoke/pagestate.h"
#include "lyricwindows/karaoke.h"
#include "platform/forms/app.h"
#include "platform/forms/form.h"
#include "platform/forms/prompter.h"
#include "platform/media/engine.h"
#include "platform/music/performance.h"
#include "playback/midiplayer.h"
#include "support/playerfixture.h"

namespace editortest {

class EditorPlayTest : public testsupport::StartedPlayerTest {
protected:
    void SetUp() override
    {
        music::setSoundFont("/usr/share/sounds/sf2/TimGM6mb.sf2");
        StartedPlayerTest::SetUp();
        modIni::Langue = "En";
        // The default sync folder is the home folder: a save there would
        // reach the user's files and the other tests' songs.
        std::filesystem::create_directories(dir.path() / "Syk");
        modIni::IniAccess("WRITE", "Path", "Path Syk", dir.file("Syk") + "/");
        modIni::PathSyk = dir.file("Syk") + "/";
        Record::ResetMembers();
        prompter->clear();
    }

    void TearDown() override
    {
        if (RecordLoaded()) {
            Record& r = record();
            for (Timer* t : {&r.Timer1, &r.Timer2, &r.Timer_Record})
                t->setEnabled(false);
            if (modIni::IsPlaying || Record::RecBusy)
                r.Command_Stop_Click();
            Record::RecModified = false;
            Record::RecBusy = false;
            Unload(r);
        }
        modIni::IsPlaying = false;
        Kar::StopMidiRewind();
        DoEvents();
        DestroyUnloadedForms();
        Record::ResetMembers();
        StartedPlayerTest::TearDown();
    }

    // Writes the song (and its sync file when `syk` is not empty, beside it)
    // and opens the editor on it with the main window's editor button.
    Record& openEditor(const std::string& name, const std::string& bytes, const std::string& syk = "")
    {
        const std::string song = dir.write(name, bytes);
        if (!syk.empty())
            dir.write(name.substr(0, name.size() - 3) + "syk", syk);
        player().Select_Song.setText(song);
        player().Command_Record.press();
        EXPECT_TRUE(RecordLoaded());
        return record();
    }

    // The editor's list holds exactly these entries, `selected` chosen.
    static void setList(const std::vector<std::string>& entries, int selected = -1)
    {
        Record& r = record();
        r.List_Syk.Clear();
        for (const std::string& e : entries)
            r.List_Syk.AddItem(e);
        r.List_Syk.setListIndex(selected);
    }

    static std::vector<std::string> items()
    {
        const ListBox& l = record().List_Syk;
        std::vector<std::string> v;
        for (int i = 0; i < l.ListCount(); ++i)
            v.push_back(l.List(i));
        return v;
    }

    // Plays on for `ms` milliseconds; every 10 ms of sound each running timer
    // of the editor ticks once.
    static void playFor(double ms)
    {
        for (double t = 0; t < ms - 1e-9 && RecordLoaded(); t += 10) {
            media::engine().step(10);
            tick();
        }
    }
    // One tick of each running timer of the editor, the sound standing still.
    static void tick()
    {
        if (!RecordLoaded())
            return;
        Record& r = record();
        if (r.Timer1.Enabled())
            r.Timer1_Timer();
        if (RecordLoaded() && r.Timer2.Enabled())
            r.Timer2_Timer();
        if (RecordLoaded() && r.Timer_Record.Enabled())
            r.Timer_Record_Timer();
    }
    // Renders sound without any tick (a quick way to a position).
    static void skip(double ms)
    {
        for (double t = 0; t < ms - 1e-9; t += 1000)
            media::engine().step(ms - t < 1000 ? ms - t : 1000);
    }

    std::vector<ScriptedPrompter::Question> messages()
    {
        std::vector<ScriptedPrompter::Question> v;
        for (const auto& q : prompter->questions())
            if (q.kind == ScriptedPrompter::Kind::MsgBox)
                v.push_back(q);
        return v;
    }
    bool asked(const std::string& text)
    {
        for (const auto& q : messages())
            if (q.text == text)
                return true;
        return false;
    }
};

} // namespace editortest
