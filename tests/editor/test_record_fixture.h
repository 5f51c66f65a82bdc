#pragma once
// The editor opened on a song of its own program folder: the song's folder
// and the default sync folder are temporary folders of the test.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/modini.h"
#include "core/player.h"
#include "editor/record.h"
#include "editor/recordsave.h"
#include "platform/forms/app.h"
#include "platform/forms/listview.h"
#include "platform/forms/prompter.h"
#include "support/playerfixture.h"

namespace editortest {

using namespace modIni;

class EditorTest : public testsupport::StartedPlayerTest {
protected:
    std::string songs;  // the song's folder, with its "/"
    std::string syk;    // the default sync folder, with its "/"
    std::string song;

    void SetUp() override
    {
        StartedPlayerTest::SetUp();
        Langue = "En";  // start-up took the settings file's language
        Record::ResetMembers();
        std::filesystem::create_directories(dir.path() / "Songs");
        std::filesystem::create_directories(dir.path() / "Syk");
        songs = dir.file("Songs") + "/";
        syk = dir.file("Syk") + "/";
        IniAccess("WRITE", "Path", "Path Syk", syk);
        dir.write("Songs/song.mp3", testsupport::silentWav(1));
        song = songs + "song.mp3";
        player().Select_Song.setText(song);
    }

    void TearDown() override
    {
        if (Record_SaveLoaded())
            Unload(record_Save());
        Record::RecModified = false;
        Record::RecBusy = false;
        if (RecordLoaded())
            Unload(record());
        DoEvents();
        DestroyUnloadedForms();
        Record::ResetMembers();
        StartedPlayerTest::TearDown();
    }

    // A play-list row for the current song, selected, in the play-list tab.
    ListItem& playListRow()
    {
        PlayListTab = 1;
        player().PlayListTabName = "PlayList";
        ListItem& it = player().ListView1.ListItems.Add(0, "", "Song");
        it.setSubItems(4, song);
        it.setSubItems(5, "N");
        it.setSmallIcon("Picture_NoteMp3");
        player().ListView1.setSelectedItem(&it);
        return it;
    }

    Record& open()
    {
        player().Command_Record.press();
        EXPECT_TRUE(RecordLoaded());
        return record();
    }

    // The editor with exactly these entries, `selected` chosen (-1: none).
    Record& editorWith(const std::vector<std::string>& entries, int selected)
    {
        Record& r = open();
        r.List_Syk.Clear();
        for (const std::string& e : entries)
            r.List_Syk.AddItem(e);
        r.List_Syk.setListIndex(selected);
        Record::RecModified = false;
        return r;
    }

    std::vector<std::string> entries()
    {
        std::vector<std::string> v;
        for (int i = 0; i < record().List_Syk.ListCount(); ++i)
            v.push_back(record().List_Syk.List(i));
        return v;
    }

    std::string lastMessage()
    {
        const std::vector<std::string> shown = messages();
        return shown.empty() ? "" : shown.back();
    }
};

} // namespace editortest
