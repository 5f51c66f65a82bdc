// The main window's transport besides Play: stop, seek back and forward, next
// and previous song, the compact view, and the docking of the second lyric window.
#include <algorithm>

#include "core/modini.h"
#include "core/player.h"
#include "karaoke/engine.h"
#include "karaoke/pagestate.h"
#include "lyricwindows/karaoke.h"
#include "lyricwindows/karaoke_k1.h"
#include "platform/forms/app.h"
#include "playback/midiplayer.h"
#include "playback/playback.h"

using namespace modIni;

namespace {

constexpr double kAudioSeekStep = 20.0;      // seconds
constexpr std::int32_t kMidiSeekStep = 20000; // music time

int ballRestLeft() { return karaoke().HScroll_Kar.Value() * 100 + 100; }

void hideBalls()
{
    Karaoke& k = karaoke();
    k.Shape_Ball.setVisible(false);
    if (k.Check_Aff_K1.Value() == 1)
        karaoke_K1().Shape_Ball.setVisible(false);
}

// The lyric dispatch of a MIDI song starts again with a fresh page after a seek.
void restartMidiPage()
{
    Kar::MidiSeekWait = true;
    Kar::KarRedraw = true;
    Kar::KarSlot = 1;
    Kar::MidiSungText = "";
}

} // namespace

namespace playback {

bool SongAtEnd(Player& p)
{
    if (!IsPlaying)
        return false;
    if (MediaKind == "midi") {
        const std::int32_t length = Kar::MidiLength();
        return Kar::MidiSegment && Kar::MidiPosition() >= length;
    }
    const double duration = p.ActiveMovie1.Duration();
    return p.ActiveMovie1.CurrentPosition() >= duration;
}

} // namespace playback

void Player::Command_Stop_Click()
{
    IsPlaying = false;
    Kar::KarIntroDots = false;
    Kar::ClearKarLines();
    Timer1.setEnabled(false);

    if (MediaKind != "midi") {
        ActiveMovie1.Stop();
    } else {
        Kar::StopMidiRewind();
        DoEvents();
    }

    Kar::CloseSyncFiles();
    DoEvents();
    if (unloading())
        return;

    KarCountDown = 0;

    Time_Left.setCaption("0:00");
    Label_time.setCaption("0:00");
    ProgressBar1.setValue(0);
    Label_PTime.setCaption("0 %");

    // A lyric window that is not loaded shows nothing to reset; loading it
    // here (during the close-down, say) would only bring it back.
    if (!isLoaded<Karaoke>())
        return;
    Karaoke& k = karaoke();
    k.ProgressBar_Syncro.setValue(0);
    k.ProgressBar1.setValue(0);
    k.ProgressBar_Syncro.setVisible(false);
    k.setCaption("Zun Mp3 Karaoke");
    k.Shape_Ball.setVisible(false);
    k.Label_Sec.setVisible(false);
    k.Shape_Ball.setLeft(ballRestLeft());
    k.Cls();

    if (isLoaded<Karaoke_K1>())
        karaoke_K1().ProgressBar_Syncro.setValue(0);
    if (k.Check_Aff_K1.Value() == 1) {
        Karaoke_K1& k1 = karaoke_K1();
        k1.Shape_Ball.setVisible(false);
        k1.Label_Sec.setVisible(false);
        k1.Shape_Ball.setLeft(ballRestLeft());
        k1.Cls();
    }
}

void Player::Command_Back_Click()
{
    if (!IsPlaying)
        return;
    if (MediaKind == "midi") {
        karaoke().Cls();
        // From where the listener is, not from where the song was last started.
        Kar::SeekMidi(std::max<std::int32_t>(0, Kar::MidiPosition() - kMidiSeekStep));
    } else if (MediaKind == "mp3") {
        const double pos = ActiveMovie1.CurrentPosition();
        ActiveMovie1.setCurrentPosition(pos < kAudioSeekStep ? 0.0 : pos - kAudioSeekStep);
    }
    restartMidiPage();
    hideBalls();
    if (HasSyk)
        OpenSykFile();   // the sync file is read again from its first line
}

void Player::Command_Forward_Click()
{
    if (!IsPlaying)
        return;
    if (MediaKind == "midi") {
        karaoke().Cls();
        restartMidiPage();
        Kar::SeekMidi(static_cast<double>(Kar::MidiPosition()) + kMidiSeekStep);
    } else if (MediaKind == "mp3") {
        ActiveMovie1.setCurrentPosition(ActiveMovie1.CurrentPosition() + kAudioSeekStep);
    }
    hideBalls();
}

namespace {

// Moves the list's selection by `step` rows (wrapping at both ends) and plays
// the row. With no rows or no selected row nothing is chosen: a song that has
// just ended (automatic next) stops, one that still plays goes on.
void playNeighbour(Player& p, int step)
{
    // The clock calls this at the end of a song: it must not tick (and ask for
    // the next song again) while pending events run below.
    const bool ticking = p.Timer1.Enabled();
    p.Timer1.setEnabled(false);
    DoEvents();
    if (p.unloading())
        return;
    const int count = p.ListView1.ListItems.Count();
    ListItem* selected = p.ListView1.SelectedItem();
    if (count == 0 || !selected) {
        if (playback::SongAtEnd(p))
            p.Command_Stop_Click();
        else if (IsPlaying)
            p.Timer1.setEnabled(ticking);
        return;
    }
    const int i = selected->Index();
    int target = i + step;
    if (target > count)
        target = 1;
    if (target < 1)
        target = count;
    // Selected directly, as the arrow keys would: keys sent to "the focused
    // widget" could reach another window when the list does not have the focus.
    p.ListView1.SetFocus();
    if (ListItem* row = p.ListView1.ListItems.Item(target)) {
        p.ListView1.setSelectedItem(row);
        row->EnsureVisible();
    }

    DoEvents();
    if (p.unloading())
        return;
    p.ListView1.SetFocus();
    p.ListView1_Click();
    p.Command_Stop_Click();
    DoEvents();
    if (p.unloading())
        return;
    p.Command_Play_Click();
}

} // namespace

void Player::Command_Next_Click() { playNeighbour(*this, +1); }

void Player::Command_Prev_Click() { playNeighbour(*this, -1); }

void Player::Command_Cacher_Click()
{
    const bool show = Command_Cacher.Value() != 1;
    for (Control* c : {static_cast<Control*>(&Command_Play), static_cast<Control*>(&Command_Stop),
                       static_cast<Control*>(&Command_Back), static_cast<Control*>(&Command_Forward),
                       static_cast<Control*>(&Command_AffSyk), static_cast<Control*>(&Command_Record),
                       static_cast<Control*>(&Command_Parole), static_cast<Control*>(&Command_Auto),
                       static_cast<Control*>(&Check_Muet), static_cast<Control*>(&Check_Muet2),
                       static_cast<Control*>(&Command_Prev), static_cast<Control*>(&Command_Next),
                       static_cast<Control*>(&Label_Volume), static_cast<Control*>(&Label_Vitesse),
                       static_cast<Control*>(&Label_Transpo), static_cast<Control*>(&VolumeCtl),
                       static_cast<Control*>(&VelocityCtl), static_cast<Control*>(&TransposeCtl)})
        c->setVisible(show);
    ArrangePlayerControls();
}

void Player::Timer_SetKar2_Timer()
{
    if (!isLoaded<Karaoke>()) {
        Timer_SetKar2.setEnabled(false);
        return;
    }
    Karaoke& k = karaoke();
    if (k.WindowState() == vbMinimized)
        return;
    if (k.Check_Aff_K1.Value() == 0) {
        Timer_SetKar2.setEnabled(false);
        return;
    }
    Karaoke_K1& k1 = karaoke_K1();
    if (k1.WindowState() == vbMinimized)
        k1.setWindowState(vbNormal);
    if (k.Top() < 0)
        k.setTop(0);
    // Docked means under the main window's bottom edge (its frame as the
    // window manager draws it) and at its left edge:
    // a sideways move of the main window moves the second one too. A left
    // edge apart while the widths differ is the second window being resized
    // at that edge; its own re-layout lines the pair up after it.
    const int bottom = k.Top() + k.HeightShown();
    if (bottom != k1.Top() || (k.Left() != k1.Left() && k.Width() == k1.Width()))
        k1.Move(k.Left(), bottom, k.Width(), k.Height());
}
