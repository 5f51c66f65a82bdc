// The editor window's transport. The editor has no player of its own: it
// drives the main window's media player control and the MIDI playback.
#include "editor/record.h"

#include <algorithm>

#include "core/modini.h"
#include "core/player.h"
#include "karaoke/pagestate.h"
#include "lyricwindows/karaoke.h"
#include "platform/files/runtime.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "playback/midiplayer.h"
#include "playback/playback.h"

using namespace modIni;

namespace {
constexpr double kEditorSeekSeconds = 10.0;
constexpr std::int32_t kEditorSeekMusicTime = 10000;
} // namespace

Record& record() { return formInstance<Record>(); }

Record::Record()
{
    setCaption("Record");
    setScaleWidth(9000);
    setScaleHeight(6000);
    Command_Play.Move(120, 120, 900, 400);
    Command_Stop.Move(1080, 120, 900, 400);
    Command_Back.Move(2040, 120, 900, 400);
    Command_Forward.Move(3000, 120, 900, 400);
    Time_Left.Move(4080, 120, 900, 400);
    Command_Play.setCaption("Jouer");
    Command_Stop.setCaption("Arrêter");
    Command_Back.setCaption("-10");
    Command_Forward.setCaption("+10");
    for (Timer* t : {&Timer1, &Timer2, &Timer_Record}) {
        t->setInterval(10);
        t->setEnabled(false);
    }
    Command_Play.onClick([this] { Command_Play_Click(); });
    Command_Stop.onClick([this] { Command_Stop_Click(); });
    Command_Back.onClick([this] { Command_Back_Click(); });
    Command_Forward.onClick([this] { Command_Forward_Click(); });
}

void Record::Form_Load()
{
    // The lyric window's transport reaches the editor's buttons this way while
    // the editor is open.
    PressRecordButton = [](const std::string& name) {
        Record& r = record();
        if (name == "Command_Play")
            r.Command_Play.press();
        else if (name == "Command_Stop")
            r.Command_Stop.press();
        else if (name == "Command_Back")
            r.Command_Back.press();
        else if (name == "Command_Forward")
            r.Command_Forward.press();
    };
    ShowRecordWindow = [] { record().Show(); };
    if (Langue == "En") {
        Command_Play.setCaption("Play");
        Command_Stop.setCaption("Stop");
    }
}

bool Record::MidiSong()
{
    const std::string ending = vb::LCase(vb::Right(player().Select_Song.Text(), 3));
    return ending == "kar" || ending == "mid";
}

void Record::Command_Play_Click()
{
    if (RecBusy)
        return;
    Player& p = player();
    if (p.Select_Song.Text().empty()) {
        MsgBox(Langue == "Fr" ? "Vous devez sélectionner un fichier de musique." : "You must select a music file.",
               vbOKOnly);
        return;
    }
    IsPlaying = true;
    Karaoke& k = karaoke();
    k.Cls();
    Kar::KarPageLines[1].clear();
    Kar::KarPageLines[2].clear();

    if (MidiSong()) {
        MediaKind = "midi";
        if (!Kar::PlayMidi()) {
            IsPlaying = false;
            playback::ReportUnplayable(p, Kar::MidiError());
            return;
        }
        DoEvents();
        karaoke().ProgressBar1.setMax(Kar::MidiLength());
    } else {
        MediaKind = "mp3";
        if (!p.ActiveMovie1.setFileName(p.Select_Song.Text())) {
            IsPlaying = false;
            playback::ReportUnplayable(p, p.ActiveMovie1.ErrorText());
            return;
        }
        const double duration = p.ActiveMovie1.Duration();
        Karaoke& kw = karaoke();
        kw.ProgressBar1.setMax(duration);
        const long total = vb::CLng(duration);
        kw.setCaption(std::string("Karaoke") + (Langue == "Fr" ? "      Durée:  " : "      Length:  ") +
                      vb::Format2(total / 60) + ":" + vb::Format2(total % 60));
    }
    Timer2.setEnabled(true);
}

void Record::Command_Stop_Click()
{
    Player& p = player();
    if (MidiSong()) {
        Kar::StopMidiRewind();
    } else {
        p.ActiveMovie1.Stop();
        p.ActiveMovie1.setCurrentPosition(0);
    }
    DoEvents();
    Timer1.setEnabled(false);
    Timer2.setEnabled(false);
    Timer_Record.setEnabled(false);
    Time_Left.setText("0");
    p.Time_Left.setCaption("00:00");
    IsPlaying = false;
    RecBusy = false;
    if (isLoaded<Karaoke>()) {
        karaoke().ProgressBar1.setValue(0);
        karaoke().Cls();
    }
}

void Record::Command_Back_Click()
{
    if (!IsPlaying || RecBusy)
        return;
    if (MidiSong()) {
        // From the heard position, as the main window's Back does.
        Kar::SeekMidi(std::max<std::int32_t>(0, Kar::MidiPosition() - kEditorSeekMusicTime));
    } else {
        media::MediaPlayer& m = player().ActiveMovie1;
        const double pos = m.CurrentPosition();
        m.setCurrentPosition(pos < kEditorSeekSeconds ? 0.0 : pos - kEditorSeekSeconds);
    }
}

void Record::Command_Forward_Click()
{
    if (!IsPlaying || RecBusy)
        return;
    if (MidiSong()) {
        Kar::SeekMidi(static_cast<double>(Kar::MidiPosition()) + kEditorSeekMusicTime);
    } else {
        media::MediaPlayer& m = player().ActiveMovie1;
        m.setCurrentPosition(m.CurrentPosition() + kEditorSeekSeconds);
    }
}
