// The main window's sound sliders (volume, speed, transpose, balance) and the
// mute box. Volume and mute act on both kinds of song; speed, transpose and
// balance on MIDI songs only.
#include "core/modini.h"
#include "core/player.h"
#include "lyricwindows/karaoke.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "playback/midianalysis.h"
#include "playback/midiplayer.h"
#include "playback/slider.h"

using namespace modIni;

namespace {

// The "MIDI only" messages are said once per press of the mouse button: a drag
// would otherwise raise a box on every move. A move without the left button
// (the press is over) lets the next press say it again.
bool speedWarned = false;
bool transposeWarned = false;

bool warnOncePerPress(bool& warned, int Button)
{
    if (Button != vbLeftButton) {
        warned = false;
        return false;
    }
    if (warned)
        return false;
    warned = true;
    return true;
}

} // namespace

void Player::VolumeCtl_MouseMove(int Button, int Shift, float X, float Y)
{
    (void)Shift;
    Kar::SliderVolume.DragButton(Button, X, Y);
    const int v = Kar::SliderVolume.Value();
    if (Button != vbLeftButton || Check_Muet.Value() != 0)
        return;
    if (MediaKind != "midi")
        ActiveMovie1.setVolume(Kar::AudioVolume(v));
    else if (Kar::MidiPerf)
        Kar::MidiPerf->SetMasterVolume(Kar::MidiVolume(v));
}

void Player::Check_Muet_Click()
{
    const bool muted = Check_Muet.Value() == 1;
    karaoke().Mute_S.setValue(muted ? 1 : 0);
    ActiveMovie1.setMute(muted);
    if (muted) {
        Check_Muet.setForeColor(0xFF);
        if (Kar::MidiPerf)
            Kar::MidiPerf->SetMasterVolume(-4500);
    } else {
        ActiveMovie1.setVolume(Kar::AudioVolume(Kar::SliderVolume.Value()));
        Check_Muet.setForeColor(0xC00000);
        if (Kar::MidiPerf)
            Kar::MidiPerf->SetMasterVolume(Kar::MidiVolume(Kar::SliderVolume.Value()));
    }
}

void Player::VelocityCtl_MouseMove(int Button, int Shift, float X, float Y)
{
    (void)Shift;
    Kar::SliderVelocity.DragButton(Button, X, Y);
    const float factor = Kar::SpeedFactor(Kar::SliderVelocity.Value());
    const bool sayIt = warnOncePerPress(speedWarned, Button);
    if (Button != vbLeftButton)
        return;
    if (MediaKind != "mp3") {
        // The performance cannot stand still: a factor of 0 (knob at the far
        // left) keeps the speed it had.
        if (Kar::MidiPerf && factor >= 0.01f)
            Kar::MidiPerf->SetMasterTempo(factor);
    } else if (sayIt) {
        if (Langue != "En")
            MsgBox("Cette fonction est utilisée seulement avec les fichiers Midis", vbCritical, "Attention");
        else
            MsgBox("This function is used only with Midi files only ", vbCritical, "Warning");
    }
}

void Player::TransposeCtl_MouseMove(int Button, int Shift, float X, float Y)
{
    (void)Shift;
    Kar::SliderTranspose.DragButton(Button, X, Y);
    const bool sayIt = warnOncePerPress(transposeWarned, Button);
    if (Button != vbLeftButton)
        return;
    if (MediaKind != "mp3") {
        const int semitones = Kar::TransposeSemitones(Kar::SliderTranspose.Value());
        for (int channel = 0; channel <= 15; ++channel) {
            if (Kar::MidiChannels[static_cast<std::size_t>(channel)].Used == -1)
                continue;
            // The performance leaves channel 9, the percussion, as it is:
            // drums keep their notes.
            if (Kar::MidiPerf)
                Kar::MidiPerf->SendTransposePMSG(0, 1, channel, semitones);
            DoEvents();
            if (unloading())
                return;
        }
    } else if (sayIt) {
        if (Langue != "En")
            MsgBox("Cette fonction est utilisée avec les fichiers Midis seulement.", vbCritical, "Attention");
        else
            MsgBox("This function is used with Midi files only.", vbCritical, "Warning");
    }
}

void Player::BalanceCtl_MouseMove(int Button, int Shift, float X, float Y)
{
    (void)Shift;
    Kar::SliderBalance.DragButton(Button, X, Y);
    if (Button != vbLeftButton || !Kar::MidiPerf)
        return;
    const int v = Kar::SliderBalance.Value();
    for (int channel = 0; channel <= 15; ++channel)
        Kar::MidiPerf->SendMIDIPMSG(0, 1, channel, 176, 10, v);
}
