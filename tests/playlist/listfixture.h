#pragma once
// A fresh main window over a fresh program folder with the play-list tab shown
// and an empty list, the deferred start-up kept from running, and helpers that
// make song files and list rows. Shared by the tests of the list commands.
#include "core/modini.h"
#include "core/player.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "playlist/playlistrow.h"
#include "playlist/playlistview.h"
#include "support/testdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace listtest {

using namespace PlayList;

// An MP3-like file whose last 128 bytes are an ID3v1 tag (no tag when the
// title is empty and `withTag` is false).
inline std::string id3File(const std::string& title, const std::string& artist, bool withTag = true)
{
    std::string bytes(300, '\x55');
    if (!withTag)
        return bytes;
    std::string tag = "TAG";
    std::string t = title.substr(0, 30), a = artist.substr(0, 30);
    t.resize(30, ' ');
    a.resize(30, ' ');
    tag += t + a;
    tag.resize(128, '\0');
    return bytes + tag;
}

class ListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        modIni::Langue = "En";
        modIni::PathLst.clear();
        modIni::LastDirList.clear();
        modIni::PlayListTab = 1;
        modIni::PlayListModified = false;
        modIni::IsPlaying = false;
        ListMode.clear();
        ListBusy = false;
        w = &player();
        w->Timer_LoadPlayer.setEnabled(false);
        w->PlayListTabName = "PlayList";
        w->ListView1.ListItems.Clear();
        w->ListView2.ListItems.Clear();
        w->ListView1.setSorted(false);
        w->InitListIcons();
        w->setScaleWidth(8400);
        w->setScaleHeight(5355);
        w->ArrangePlayerControls();
        w->SetPlayListColumns();
        folder = music.path().generic_string() + "/";
    }
    void TearDown() override
    {
        // Closing the window would ask about unsaved changes.
        modIni::PlayListModified = false;
        ListMode.clear();
        for (Form* f : Forms())
            if (f != w)
                Unload(*f);
        // Only a main window that does not end the program lets itself go, so
        // each test starts with a fresh one.
        modIni::QuitOnPlayerClose = false;
        Unload(*w);
        DoEvents();
        DestroyUnloadedForms();
        modIni::QuitOnPlayerClose = true;
    }

    // Writes a song file into the music folder and returns its full path.
    std::string song(const std::string& name, const std::string& bytes = std::string(300, 'x'))
    {
        return music.write(name, bytes);
    }
    // Appends a play-list row (the file is not made).
    ListItem& addRow(const std::string& title, const std::string& artist, const std::string& path,
                     const std::string& flag = "N")
    {
        PlayListRow r;
        r[ColTitle] = title;
        r[ColArtist] = artist;
        r[ColPath] = path;
        r[ColSyncFlag] = flag;
        r[ColStyle] = "MP3";
        return appendRow(w->ListView1, r, iconKeyForRow(r));
    }
    std::vector<std::string> column(int col)
    {
        std::vector<std::string> out;
        for (const PlayListRow& r : rowsOf(w->ListView1))
            out.push_back(r[col]);
        return out;
    }
    std::vector<std::string> titles() { return column(ColTitle); }
    ListItem& row(int i) { return w->ListView1.ListItems(i); }
    int selectedIndex()
    {
        ListItem* it = w->ListView1.SelectedItem();
        return it ? it->Index() : 0;
    }
    std::vector<std::string> asked()
    {
        std::vector<std::string> texts;
        for (const auto& q : prompts->questions())
            texts.push_back(q.text);
        return texts;
    }

    testsupport::ProgramDir program;
    testsupport::TempDir music;
    std::string folder;   // the music folder, with a trailing "/"
    ScopedScriptedPrompter prompts;
    Player* w = nullptr;
};

} // namespace listtest
