// The editor's transport. The editor has no player of its own: it plays the
// main window's song through the main window's media player control (audio
// songs) or the MIDI procedures (.kar and .mid songs). Its song clock is the
// media player's position in seconds, or the MIDI segment position (music
// time, 768 units per quarter note) divided by 1000: the times a MIDI song's
// sync file holds are on that clock.
#include "editor/record.h"

#include <algorithm>
#include <cstdint>

#include "core/modini.h"
#include "core/player.h"
#include "editor/syncwriter.h"
#include "karaoke/pagestate.h"
#include "lyricwindows/karaoke.h"
#include "platform/files/runtime.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "playback/midiplayer.h"
#include "playback/playback.h"

using namespace modIni;

namespace {

// Back and Forward jump by 10 seconds of an audio song, by 10000 units of
// music time of a MIDI song.
constexpr double kJumpSeconds = 10.0;
constexpr std::int32_t kJumpMusicTime = 10000;

// "Karaoke      Length:  mm:ss": the duration rounded to whole seconds first,
// so 59.5 s shows 01:00.
void showAudioLength(double duration)
{
    const long minutes = vb::CLng(duration) / 60;
    const long seconds = vb::CLng(duration - static_cast<double>(minutes) * 60.0);
    karaoke().setCaption(std::string("Karaoke") + (Langue == "Fr" ? "      Durée:  " : "      Length:  ") +
                         vb::Format2(minutes) + ":" + vb::Format2(seconds));
}

} // namespace

bool Record::MidiSong()
{
    // The editor's own box holds the song's file name; before the editor exists
    // the main window's song tells the same.
    const std::string song = RecordLoaded() ? record().Select_Song.Text() : player().Select_Song.Text();
    const std::string ending = vb::LCase(vb::Right(song, 3));
    return ending == "kar" || ending == "mid";
}

double Record::SongClock()
{
    if (MidiSong())
        return static_cast<double>(Kar::MidiPosition()) / 1000.0;
    return player().ActiveMovie1.CurrentPosition();
}

bool Record::StartEditorSong(std::optional<double> fromSeconds)
{
    Player& p = player();
    if (MidiSong()) {
        MediaKind = "midi";
        // Loading the song appends its length to the lyric window's caption:
        // start again from the editor's own caption, so that every Play after
        // a Stop shows the length once instead of adding one more.
        if (!Kar::MidiLoaded)
            karaoke().setCaption("Karaoke");
        if (!Kar::PlayMidi()) {
            playback::ReportUnplayable(p, Kar::MidiError());
            return false;
        }
        DoEvents();
        karaoke().ProgressBar1.setMax(Kar::MidiLength());
        if (fromSeconds)
            Kar::SeekMidi(*fromSeconds * 1000.0);
        return true;
    }
    MediaKind = "mp3";
    if (!p.ActiveMovie1.setFileName(p.Select_Song.Text())) {
        playback::ReportUnplayable(p, p.ActiveMovie1.ErrorText());
        return false;
    }
    if (fromSeconds)
        p.ActiveMovie1.setCurrentPosition(*fromSeconds);
    const double duration = p.ActiveMovie1.Duration();
    karaoke().ProgressBar1.setMax(duration);
    showAudioLength(duration);
    return true;
}

void Record::Command_Play_Click()
{
    if (RecBusy)
        return;
    if (player().Select_Song.Text().empty()) {
        MsgBox(Langue == "Fr" ? "Vous devez sélectionner un fichier de musique." : "You must select a music file.",
               vbOKOnly);
        return;
    }
    Label_2Click.setVisible(false);
    RecCurLine = 1;
    IsPlaying = true;
    RecLineEnded = false;
    RecLineCount = vb::CInt(List_Syk.Height() * 20.0 / 3960.0 - 1.0);

    List_Syk.SetFocus();
    if (List_Syk.ListCount() > 0)
        List_Syk.setListIndex(0);

    karaoke().Cls();
    Kar::KarPageLines[1].clear();
    Kar::KarPageLines[2].clear();
    // A restart during play begins a new sung part too.
    Text_TestSyk.setText("");
    FillKarLines();

    if (!StartEditorSong(std::nullopt)) {
        IsPlaying = false;
        RecCurLine = 0;
        return;
    }

    Command_Capture.SetFocus();
    List_Syk.SetFocus();
    Timer2.setEnabled(true);
    if (List_Syk.ListIndex() != -1) {
        List_Syk.setListIndex(0);
        List_Syk_Click();
        Timer1.setEnabled(true);
    }
    RecNewLine = 0;
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
    // The lyric window may have been closed meanwhile: it is not brought back
    // just to be cleared.
    const bool lyricWindow = isLoaded<Karaoke>();
    if (lyricWindow)
        karaoke().ProgressBar1.setValue(0);
    RecCurLine = 0;
    IsPlaying = false;

    if (RecBusy) {
        // An import was running: its last entry closes its lyric line.
        const int count = List_Syk.ListCount();
        if (count > 0) {
            List_Syk.setListIndex(count - 1);
            List_Syk.SetFocus();
            const std::string last = List_Syk.List(count - 1);
            if (last.empty() || last.back() != '_')
                List_Syk.setList(count - 1, last + "_");
        }
        RecBusy = false;
    }
    Label_Compteur.setVisible(true);
    Label_Compteur.setCaption(Langue == "Fr" ? "Compteur:" : "Counter:");
    if (lyricWindow)
        karaoke().Cls();
    Text_TestSyk.setText("");
}

void Record::Command_Back_Click()
{
    if (!IsPlaying)
        return;
    if (MidiSong()) {
        // From what is heard now, so that a jump never goes the wrong way
        // (SeekMidi brings a negative position to the start).
        Kar::SeekMidi(static_cast<double>(Kar::MidiPosition()) - kJumpMusicTime);
    } else {
        media::MediaPlayer& m = player().ActiveMovie1;
        const double pos = m.CurrentPosition();
        m.setCurrentPosition(pos < kJumpSeconds ? 0.0 : pos - kJumpSeconds);
    }
    List_Syk.SetFocus();
}

void Record::Command_Forward_Click()
{
    if (!IsPlaying)
        return;
    if (MidiSong()) {
        Kar::SeekMidi(static_cast<double>(Kar::MidiPosition()) + kJumpMusicTime);
    } else {
        media::MediaPlayer& m = player().ActiveMovie1;
        m.setCurrentPosition(m.CurrentPosition() + kJumpSeconds);
    }
    List_Syk.SetFocus();
}

void Record::Command_OpenMp3_Click()
{
    if (IsPlaying || RecBusy)
        return;
    Player& p = player();
    FileDialogOptions o;
    o.filter = "Music Files (*.mp3,*.mid,*.kar,*.wav)|*.mp3;*.mid;*.kar;*.wav";
    o.initDir = GetFilePath(p.Select_Song.Text());
    const std::string chosen = vb::Trim(prompter().openFile(o).value_or(""));

    if (!chosen.empty()) {
        p.Select_Song.setText(chosen);
        Select_Song.setText(GetFileName(chosen));
        // A MIDI song still held by the performance would be played instead of
        // the new one.
        if (Kar::MidiLoaded)
            Kar::StopMidiRewind();
        if (!MidiSong())
            p.ActiveMovie1.setFileName(chosen);
    }
    p.ActiveMovie1.Stop();
    p.ActiveMovie1.setCurrentPosition(0);

    // Cancelling keeps the song, and the list as it stands (reading its file
    // again would drop the edits).
    if (chosen.empty())
        return;
    GetSykPath();
    // The new song's sync file wherever it lies (the default sync folder
    // first, then beside the song).
    const std::string found = FindSykFile(chosen);
    if (found.empty()) {
        // The list is kept, but it is not this song's file: saving must be
        // asked about, and no file path of the old song carries over.
        RecSykPath.clear();
        if (List_Syk.ListCount() > 0)
            RecModified = true;
        return;
    }
    if (RecModified && List_Syk.ListCount() > 0) {
        const bool fr = Langue == "Fr";
        const int answer =
            MsgBox(fr ? "Vous n'avez pas enregistré!! Remplacer la liste par le fichier de la nouvelle chanson ?"
                      : "You did not save!! Replace the list with the file of the new song ?",
                   vbOKCancel + vbInformation, fr ? "Attention" : "Warning");
        if (answer != vbOK) {
            RecSykPath.clear();
            return;
        }
    }
    RecSykPath = found;
    LoadSykFile();
    RecModified = false;
    RecCurLine = 1;
}
