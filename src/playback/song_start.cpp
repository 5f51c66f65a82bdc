// Starting a song: the one procedure behind the Play button, the play-list
// double-click, Next/Previous, the command line and the lyric settings' test.
#include <string>

#include "core/modini.h"
#include "core/player.h"
#include "core/uihelpers.h"
#include "karaoke/engine.h"
#include "karaoke/pagestate.h"
#include "lyricwindows/karaoke.h"
#include "lyricwindows/karaoke_k1.h"
#include "platform/files/paths.h"
#include "platform/files/runtime.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "platform/media/engine.h"
#include "playback/midianalysis.h"
#include "playback/midiplayer.h"
#include "playback/playback.h"
#include "playback/slider.h"
#include "playlist/playlistrow.h"
#include "playlist/songtag.h"
#include "playlist/syncmarks.h"

using namespace modIni;

namespace playback {

ListItem* currentSongRow(Player& p)
{
    ListItem* row = p.ListView1.SelectedItem();
    if (!row)
        return nullptr;
    const std::string song = p.Select_Song.Text();
    const std::string path = p.PlayListTabName == "DirList" ? paths::withTrailingSlash(p.Dir1.Path()) + row->Text()
                                                              : row->SubItems(PlayList::ColPath);
    // A song given on the command line may not be the selected row's.
    return path == song ? row : nullptr;
}

bool WriteSongRowLength(Player& p, const std::string& text)
{
    if (p.PlayListTabName != "PlayList")
        return false;
    ListItem* row = currentSongRow(p);
    if (!row || row->SubItems(PlayList::ColLength) == text)
        return false;
    row->setSubItems(PlayList::ColLength, text);
    return true;
}

void ReportMissing(Player& p)
{
    const bool fr = Langue == "Fr";
    MsgBox(fr ? "Fichier Introuvable" : "File not found", vbOKOnly + vbQuestion, fr ? "Attention" : "Warning");
    if (ListItem* row = currentSongRow(p))
        row->setSmallIcon(PlayList::IconStop);
}

void ReportUnplayable(Player& p, const std::string& reason)
{
    const bool fr = Langue == "Fr";
    std::string text = fr ? "Ce fichier ne peut pas être joué." : "This file cannot be played.";
    if (!reason.empty())
        text += std::string(vb::vbCrLf) + reason;
    MsgBox(text, vbExclamation, fr ? "Attention" : "Warning");
    if (ListItem* row = currentSongRow(p))
        row->setSmallIcon(PlayList::IconStop);
}

void WatchSoundOutput()
{
    static bool watching = false;
    if (watching)
        return;
    watching = true;
    // Said once each time the sound goes on without the device (none at the
    // start, or gone while in use); the song goes on silently in real time,
    // so the lyrics stay with where the song would be.
    media::engine().setOutputLostHandler([](media::SoundLoss why) {
        const bool fr = Langue == "Fr";
        const std::string crlf(vb::vbCrLf);
        const std::string text =
            why == media::SoundLoss::Unavailable
                ? (fr ? "Pas de sortie du son (aucun serveur de son ne répond) : la chanson est jouée sans le son." +
                            crlf + "Le son vient dès que le serveur de son est là, ou au prochain Play."
                      : "No sound output (no sound server answers): the song plays without sound." + crlf +
                            "The sound comes as soon as the sound server is there, or at the next Play.")
                : (fr ? "La sortie du son a été perdue : la chanson continue sans le son." + crlf +
                            "Le son revient dès que le serveur de son est de retour, ou au prochain Play."
                      : "The sound output was lost: the song goes on without sound." + crlf +
                            "The sound comes back as soon as the sound server does, or at the next Play.");
        MsgBox(text, vbExclamation, fr ? "Attention" : "Warning");
    });
}

} // namespace playback

namespace {

// The second lyric window under the first: when both do not fit on the screen
// (its work area, the windows' frames counted as the window manager draws
// them), the first goes to the top and each takes half the height.
void fitSecondWindow()
{
    Karaoke& k = karaoke();
    Karaoke_K1& k1 = karaoke_K1();
    const Form::ScreenArea work = Form::WorkAreaAt(k.Left(), k.Top());
    if (k.HeightShown() + k1.HeightShown() > work.height) {
        k.setTop(work.top);
        k.setHeight(k.HeightForShown(work.height / 2));
        k1.setHeight(k1.HeightForShown(work.height / 2));
    }
}

void showSecondWindow(Player& p, bool mp3)
{
    Karaoke& k = karaoke();
    if (!Kar::HasSy1) {
        k.Check_Aff_K1.setValue(0);
        return;
    }
    k.Check_Aff_K1.setValue(1);
    if (mp3) {
        fitSecondWindow();
        p.OpenSy1File();
    } else {
        p.OpenSy1File();
        fitSecondWindow();
    }
    p.Timer_SetKar2.setEnabled(true);
}

} // namespace

void Player::Command_Play_Click()
{
    if (IsPlaying) {
        Command_Stop_Click();
        DoEvents();
        if (unloading())
            return;
    }

    const std::string song = Select_Song.Text();
    // No song chosen is said as such, before any look at the disk.
    if (song.empty()) {
        MsgSelectSong();
        return;
    }
    if (!FileExists(song)) {
        playback::ReportMissing(*this);
        return;
    }
    IsPlaying = true;
    playback::WatchSoundOutput();

    const SyncFileSearch syk = SearchSyncFile(song, "syk");
    const SyncFileSearch sy1 = SearchSyncFile(song, "sy1");
    const bool hasSyk = !syk.file.empty();
    const bool hasSy1 = !sy1.file.empty();
    // A folder standing at a sync file's name cannot be read as one: the user
    // hears so, and the song plays without it.
    for (const std::string& blocked : {syk.notAFile, sy1.notAFile})
        if (!blocked.empty())
            Kar::TellSyncFileProblem({SykFile::ReadProblem::CannotRead, 0}, blocked);
    if (ListItem* row = playback::currentSongRow(*this))
        PlayList::showSyncFlag(*row, PlayListTabName == "DirList", hasSyk, hasSy1);

    Karaoke& k = karaoke();
    k.Cls();
    const std::string fileName = GetFileName(song);
    HasSyk = hasSyk;
    HasSy1 = hasSy1;

    PlayList::ReadSongTag(song);
    if (!PlayList::SongTag[1].empty())
        k.setCaption(PlayList::SongTag[1] + " - " + PlayList::SongTag[2]);
    else
        k.setCaption("Zun Mp3 Karaoke");

    Command_AffSyk_Click();
    if (unloading())
        return;
    if (HasSy1) {
        karaoke().Check_Aff_K1.setValue(1);
        CopyKarLookToK1();
    } else {
        karaoke().Check_Aff_K1.setValue(0);
    }

    const std::string ending = vb::LCase(vb::Right(fileName, 4));
    if (ending == ".kar" || ending == ".mid") {
        if (MediaKind == "mp3") {
            Kar::SliderVolume.setValue(64);
            Label_Vitesse.setForeColor(0);
            Label_Transpo.setForeColor(0);
        }
        IsPlaying = true;
        Kar::KarRedraw = true;
        Kar::KarSlot = 1;
        Kar::MidiSungText = "";
        MediaKind = "midi";
        Kar::resetPastLines(Kar::KarPage);
        Kar::K1Page.Resumed = false;
        Kar::MidiSeekWait = false;

        if (!Kar::PlayMidi()) {
            const std::string reason = Kar::MidiError();
            Command_Stop_Click();
            playback::ReportUnplayable(*this, reason);
            return;
        }
        DoEvents();
        if (unloading() || !IsPlaying)
            return;   // stopped while pending events ran

        if (HasSyk)
            OpenSykFile();
        showSecondWindow(*this, false);

        const double length = Kar::MidiLength();
        ProgressBar1.setValue(0);
        ProgressBar1.setMax(length);
        Karaoke& kw = karaoke();
        kw.ProgressBar1.setValue(0);
        kw.ProgressBar1.setMax(length);
        Time_Left.setCaption("0:00");
        DoEvents();
        if (unloading() || !IsPlaying)
            return;
    } else {
        if (MediaKind == "midi" || MediaKind == "None") {
            Kar::SliderVolume.setValue(100);
            Label_Vitesse.setForeColor(0x808080);
            Label_Transpo.setForeColor(0x808080);
        }
        IsPlaying = true;
        MediaKind = "mp3";
        Kar::resetPastLines(Kar::KarPage);
        Kar::resetPastLines(Kar::K1Page);

        if (!ActiveMovie1.setFileName(song)) {
            const std::string reason = ActiveMovie1.ErrorText();
            Command_Stop_Click();
            playback::ReportUnplayable(*this, reason);
            return;
        }

        const double duration = ActiveMovie1.Duration();
        Karaoke& kw = karaoke();
        ProgressBar1.setValue(0);
        ProgressBar1.setMax(duration);
        kw.ProgressBar1.setValue(0);
        kw.ProgressBar1.setMax(duration);

        const int restLeft = kw.HScroll_Kar.Value() * 100 + 100;
        kw.Shape_Ball.setLeft(restLeft);
        if (HasSy1)
            karaoke_K1().Shape_Ball.setLeft(restLeft);

        Label_time.setCaption(vb::FormatMinSec(duration));
        if (PlayListTab == 1 && playback::WriteSongRowLength(*this, Label_time.Caption()))
            PlayListModified = true;
        kw.setCaption(kw.Caption() + (Langue == "Fr" ? "      Durée:  " : "      Length:  ") + Label_time.Caption());

        OpenSykFile();
        showSecondWindow(*this, true);
    }

    IsPlaying = true;

    Karaoke& kw = karaoke();
    if (kw.Check_Ball.Value() != 0) {
        int kept = 0;
        if (kw.Scroll.Value() == 1 && kw.LiM1.Value())
            kept = 1;
        else if (kw.Scroll.Value() == 1 && kw.LiM2.Value())
            kept = 2;
        const int left = kw.HScroll_Kar.Value() * 100 + 200;
        const int top = static_cast<int>(kw.TextHeight("a") * kept) + kw.VScroll_Kar.Value() * 100;
        kw.Shape_Ball.setVisible(true);
        kw.Shape_Ball.Move(left, top);
        if (HasSy1) {
            Karaoke_K1& k1 = karaoke_K1();
            k1.Shape_Ball.setVisible(true);
            k1.Shape_Ball.Move(left, top);
        }
    }

    Timer1.setEnabled(true);
}
