#pragma once
// The synchronisation editor window. For now it holds the transport that the
// lyric window presses while the editor is open (the main window's
// `Check_Aff_Record` is 1): play the current song from its start, stop, and
// jump 10 seconds back or forward. The timing list, capture and preview come
// with the editor proper.
#include "platform/forms/controls.h"
#include "platform/forms/form.h"

class Record : public Form {
public:
    Record();

    CommandButton Command_Play{this};
    CommandButton Command_Stop{this};
    CommandButton Command_Back{this};
    CommandButton Command_Forward{this};
    TextBox Time_Left{this};   // the editor's time display
    Timer Timer1{this};        // preview follower (10 ms)
    Timer Timer2{this};        // time display (10 ms)
    Timer Timer_Record{this};  // import of MIDI lyric events (10 ms)

    // A list operation or an import is under way: play refuses, stop ends it.
    bool RecBusy = false;

    void Form_Load() override;
    void Command_Play_Click();
    void Command_Stop_Click();
    void Command_Back_Click();
    void Command_Forward_Click();

    // The song's kind, from the last three letters of the current song.
    static bool MidiSong();
};

// The editor window's default instance, created and loaded on first use.
Record& record();
