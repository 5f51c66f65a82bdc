#pragma once
// A started main window on the stepped audio output, with a play list of songs
// written by the test, and helpers to play on as a listener would.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/modini.h"
#include "core/player.h"
#include "karaoke/pagestate.h"
#include "lyricwindows/karaoke.h"
#include "lyricwindows/karaoke_k1.h"
#include "platform/forms/app.h"
#include "platform/forms/form.h"
#include "platform/forms/prompter.h"
#include "platform/media/engine.h"
#include "platform/music/performance.h"
#include "playback/midiplayer.h"
#include "playback/slider.h"
#include "playlist/playlistrow.h"
#include "support/playerfixture.h"
#include "support/testdir.h"

namespace pbtest {

using testsupport::silentWav;

// The started main window, plus the SoundFont for MIDI songs and an empty
// play-list tab.
class PlaybackTest : public testsupport::StartedPlayerTest {
protected:
    void SetUp() override
    {
        music::setSoundFont("/usr/share/sounds/sf2/TimGM6mb.sf2");
        modIni::PlayListModified = false;
        StartedPlayerTest::SetUp();
        modIni::Langue = "En";
        // The play-list tab, empty.
        modIni::PlayListTab = 1;
        player().PlayListTabName = "PlayList";
        player().ListView1.ListItems.Clear();
        prompter->clear();
    }

    void TearDown() override
    {
        if (isLoaded<Player>() && modIni::IsPlaying)
            player().Command_Stop_Click();
        modIni::IsPlaying = false;
        Kar::StopMidiRewind();
        // Nothing to ask about when the main window goes.
        modIni::PlayListModified = false;
        StartedPlayerTest::TearDown();
        modIni::PlayListTab = 0;
    }

    // Adds a play-list row for `path` (title = its name) and returns its index.
    int addRow(const std::string& path, const std::string& length = "")
    {
        ListItem& row = player().ListView1.ListItems.Add(0, "", modIni::GetFileName(path));
        row.setSubItems(PlayList::ColLength, length);
        row.setSubItems(PlayList::ColPath, path);
        return row.Index();
    }
    ListItem& row(int index) { return *player().ListView1.ListItems.Item(index); }

    // Selects the row as a click does, and presses Play.
    void playRow(int index)
    {
        Player& p = player();
        p.ListView1.setSelectedItem(&row(index));
        p.ListView1_Click();
        p.Command_Play.press();
    }

    // Plays on for `ms` milliseconds, one clock tick per 10 ms of sound.
    void playFor(double ms)
    {
        for (double t = 0; t < ms - 1e-9 && isLoaded<Player>(); t += 10) {
            media::engine().step(10);
            if (player().Timer1.Enabled())
                player().Timer1_Timer();
        }
    }
    // Renders sound without running the clock (a quick way to a position).
    static void skip(double ms)
    {
        for (double t = 0; t < ms - 1e-9; t += 1000)
            media::engine().step(ms - t < 1000 ? ms - t : 1000);
    }

    bool asked(const std::string& text, int style = -1)
    {
        for (const auto& q : prompter->questions())
            if (q.text.rfind(text, 0) == 0 && (style < 0 || q.style == style))
                return true;
        return false;
    }
    int questionCount() { return static_cast<int>(prompter->questions().size()); }
};

// Mouse positions (twips) on a slider's knob, and far beyond either end, so that
// a drag with the left button takes the knob to that end.
inline float knobMiddleX(const SliderRect& r) { return (r.Left + r.Right) / 2.0f * 15; }
inline float knobMiddleY(const SliderRect& r) { return (r.Top + r.Bottom) / 2.0f * 15; }
constexpr float kFarAway = 1.0e6f;

} // namespace pbtest
