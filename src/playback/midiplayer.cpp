// MIDI playback: loading, starting, repositioning, stopping and measuring the
// current .mid/.kar song on the MIDI performance.
#include "playback/midiplayer.h"

#include <algorithm>
#include <iterator>
#include <limits>

#include "core/modini.h"
#include "core/player.h"
#include "editor/paroles.h"
#include "lyricwindows/karaoke.h"
#include "platform/files/runtime.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"
#include "playback/midianalysis.h"
#include "playback/playback.h"
#include "playback/slider.h"

namespace Kar {

namespace {

std::string loadError;
bool soundFontWarned = false;

// The text of the main window's current-song box ("" when the window is gone).
std::string currentSong()
{
    return isLoaded<Player>() ? player().Select_Song.Text() : std::string();
}

// Real time of music time `t` at normal speed along `seq`'s tempo map.
double msAlong(const music::Sequence& seq, double t)
{
    if (!(t > 0))
        return 0;
    return seq.msAt(t);
}

// The current song's row takes the length (see playback::WriteSongRowLength).
bool writeRowLength(const std::string& text)
{
    return isLoaded<Player>() && playback::WriteSongRowLength(player(), text);
}

// Why a loaded song has nothing to play, in the user's language; "" when it
// has something. Started, such a song would only run as a silent 0:00 song
// with an empty lyric window: one with neither a sounding note nor a syllable
// (a header without track chunks, tracks the reader could make nothing of, a
// conductor track alone), one that ends where it begins, one whose tempo plays
// it all in no time. The reason must be the true one: a file whose notes
// never end has notes, it only lasts no time.
std::string whyNothingPlayable(const music::Sequence& seq)
{
    const bool fr = modIni::Langue == "Fr";
    const bool notes = std::any_of(seq.events.begin(), seq.events.end(), [](const music::MidiMessage& m) {
        return (m.status & 0xF0) == 0x90 && m.data2 > 0;
    });
    const bool words =
        std::any_of(MidiEvents.begin(), MidiEvents.end(), [](const MidiEvent& e) { return !e.Text.empty(); });
    if (!notes && !words) {
        // Its notes are there, only further into the song than music time goes.
        if (seq.beyondReach)
            return fr ? "Les notes du fichier MIDI se trouvent plus loin dans la chanson que le lecteur ne peut aller."
                      : "The MIDI file's notes lie further into the song than the player can reach.";
        return fr ? "Le fichier MIDI ne contient ni note ni parole." : "The MIDI file holds no note and no lyric.";
    }
    if (seq.length <= 0)
        return fr ? "Le fichier MIDI ne dure aucun temps : il finit là où il commence."
                  : "The MIDI file lasts no time: it ends where it begins.";
    // A tempo of 0 (or of a few microseconds a beat) plays the whole song in
    // less than a millisecond, as a 0:00 song that ends as it starts.
    if (seq.writtenMsAt(static_cast<double>(seq.length)) < 1.0) {
        std::uint32_t fastest = music::kDefaultTempo;
        for (const music::TempoChange& c : seq.writtenTempos)
            if (c.time < seq.length || c.time == 0)
                fastest = std::min(fastest, c.usPerQuarter);
        const std::string us = std::to_string(fastest);
        return fr ? "Le tempo du fichier MIDI, " + us +
                        " microsecondes par temps, est trop rapide : toute la chanson ne dure aucun temps."
                  : "The MIDI file's tempo, " + us +
                        " microseconds per beat, is too fast to play: the whole song lasts no time.";
    }
    return {};
}

} // namespace

const std::string& MidiError() { return loadError; }

double MidiMsAt(double t)
{
    if (MidiSegment)
        return msAlong(MidiSegment->sequence(), t);
    if (!(t > 0))
        return 0;
    return t * static_cast<double>(MidiTempo) / 768000.0;
}

MidiTempoStretch MidiTempoAt(double t)
{
    MidiTempoStretch s;
    double us = static_cast<double>(MidiTempo);
    s.until = std::numeric_limits<double>::infinity();
    if (MidiSegment) {
        const std::vector<music::TempoChange>& tempos = MidiSegment->sequence().tempos;
        const auto next = std::upper_bound(tempos.begin(), tempos.end(), t,
                                           [](double at, const music::TempoChange& c) { return at < double(c.time); });
        if (next != tempos.begin())
            us = std::prev(next)->usPerQuarter;
        if (next != tempos.end())
            s.until = double(next->time);
    }
    if (us > 0)
        s.unitsPerSecond = music::kTicksPerQuarter * 1.0e6 / us;
    return s;
}

std::string MidiTimeText(double t) { return vb::FormatMinSec(MidiMsAt(t) / 1000.0); }

std::string MidiFileLengthText(const std::string& path)
{
    // A segment of its own: the song that plays keeps its segment.
    music::Loader loader;
    std::shared_ptr<music::Segment> seg = loader.LoadSegment(path);
    if (!seg)
        return "";
    return vb::FormatMinSec(msAlong(seg->sequence(), seg->GetLength()) / 1000.0);
}

std::int32_t MidiPosition()
{
    if (MidiSegState)
        return MidiSegState->GetSeek();
    return MidiStartPos;
}

std::int32_t MidiLength() { return MidiSegment ? MidiSegment->GetLength() : 0; }

float MidiMasterTempo() { return MidiPerf ? MidiPerf->GetMasterTempo() : 1.0f; }

long AudioVolume(int v) { return vb::CLng(4500.0 * v / 127.0 - 4500.0); }

long MidiVolume(int v) { return static_cast<long>(v) * 42 - 3000; }

float SpeedFactor(int v)
{
    const double steps = vb::Int(30.0 / 127.0 * v);
    return static_cast<float>(2.0 / 30.0 * steps);
}

int TransposeSemitones(int v)
{
    return 2 * static_cast<int>(vb::Int((24.0 / 127.0 * v - 12.0) / 2.0));
}

// ---------------------------------------------------------------- load

void InitMidiPerformance()
{
    // A SoundFont setting that names no file is said once; the default banks
    // play meanwhile.
    static bool missingFontWarned = false;
    if (const std::string missing = music::missingSoundFontSetting(); !missing.empty() && !missingFontWarned) {
        missingFontWarned = true;
        const bool fr = modIni::Langue == "Fr";
        MsgBox(fr ? "La SoundFont '" + missing + "' (ZUNKARAOKE_SOUNDFONT) est introuvable : la SoundFont par d\xC3\xA9" "faut est utilis\xC3\xA9" "e."
                  : "The SoundFont '" + missing + "' (ZUNKARAOKE_SOUNDFONT) was not found: the default SoundFont is used.",
               vbExclamation, fr ? "Attention" : "Warning");
    }
    MidiPerf = std::make_shared<music::Performance>();
    if (!MidiPerf->Init() && !soundFontWarned) {
        // Said once per run: the songs still play (silently) with their lyrics.
        soundFontWarned = true;
        const bool fr = modIni::Langue == "Fr";
        MsgBox(MidiPerf->ErrorText(), vbExclamation, fr ? "Attention" : "Warning");
    }
    MidiPerf->SetPort(modIni::MidiOut, 80);
}

bool LoadMidiFile()
{
    StopMidi();
    loadError.clear();
    const std::string song = currentSong();

    AnalyseMidiFile(song);
    InitMidiPerformance();
    DoEvents();
    // Pending events (a start-up tick, a click on Stop) may have released the
    // performance meanwhile: the load is then abandoned rather than used on nothing.
    if (!MidiPerf) {
        loadError = modIni::Langue == "Fr" ? "Le synthétiseur MIDI a été arrêté pendant le chargement de la chanson."
                                           : "The MIDI synthesiser was stopped while the song was loading.";
        ResetMidiChannels();
        return false;
    }

    MidiSegment = MidiLoader.LoadSegment(song);
    if (!MidiSegment) {
        loadError = MidiLoader.ErrorText();
        MidiPerf.reset();
        ResetMidiChannels();
        return false;
    }
    if (std::string why = whyNothingPlayable(MidiSegment->sequence()); !why.empty()) {
        loadError = std::move(why);
        MidiSegment.reset();
        MidiPerf.reset();
        ResetMidiChannels();
        return false;
    }
    MidiSegment->SetStandardMidiFile();
    MidiSegment->Download(*MidiPerf);

    const std::string length = MidiTimeText(MidiSegment->GetLength());
    if (isLoaded<Player>()) {
        Player& p = player();
        p.Label_time.setCaption(length);
        if (modIni::PlayListTab == 1 && writeRowLength(p.Label_time.Caption()))
            modIni::PlayListModified = true;
        Karaoke& k = karaoke();
        k.setCaption(k.Caption() + (modIni::Langue == "Fr" ? "      Durée:  " : "      Length:  ") + length);
    }

    MidiPerf->SetMasterTempo(1.0f);
    MidiState = 1;
    MidiStartPos = 0;

    SliderVolume.setValue(64);
    SliderBalance.setValue(64);
    SliderVelocity.setValue(64);
    SliderTranspose.setValue(64);
    // A muted player stays muted when the next song loads.
    const bool muted = isLoaded<Player>() && player().Check_Muet.Value() == 1;
    MidiPerf->SetMasterVolume(muted ? -4500 : MidiVolume(64));

    MidiEventIdx = 0;
    MidiLoaded = true;
    return true;
}

// ---------------------------------------------------------------- start and seek

bool PlayMidi()
{
    if (!MidiLoaded && !LoadMidiFile())
        return false;
    if (!MidiPerf || !MidiSegment)
        return false;

    // The lyric clock at the start point (the heard position, with nothing
    // taken off), and the first record due after it.
    const double start = MidiStartPos / 768000.0 * static_cast<double>(MidiTempo);
    const auto last = static_cast<std::int32_t>(MidiEvents.size()) - 1;
    MidiEventIdx = last;
    for (std::int32_t i = 0; i < last; ++i) {
        // A record due exactly at the start point is still to be shown.
        if (MidiEvents[static_cast<std::size_t>(i)].TimeMs >= start) {
            MidiEventIdx = i;
            break;
        }
    }

    if (MidiStartPos >= MidiSegment->GetLength())
        MidiStartPos -= 10;
    if (MidiStartPos < 0)
        MidiStartPos = 0;
    MidiSegment->SetStartPoint(MidiStartPos);
    MidiState = 0;
    MidiSegState = MidiPerf->PlaySegment(MidiSegment, 0, 0);
    return true;
}

void SeekMidi(double position)
{
    if (!MidiLoaded)
        return;
    MidiStartPos = vb::CLng(position);
    MidiState = 2;
    PlayMidi();
}

// ---------------------------------------------------------------- stop

void StopMidi()
{
    if (isLoaded<Player>())
        player().Timer1.setEnabled(false);
    if (MidiLoaded && MidiPerf) {
        MidiPerf->Stop(MidiSegment, MidiSegState);
        DoEvents();
    }
    if (MidiSegment && MidiPerf)
        MidiSegment->Unload(*MidiPerf);
    MidiSegState.reset();
    MidiSegment.reset();
    MidiPerf.reset();
    ResetMidiChannels();
    MidiLoaded = false;
}

void StopMidiRewind()
{
    StopMidi();
    MidiState = 1;
    MidiStartPos = 0;
    if (isLoaded<Player>() && player().Check_Aff_Karaoke.Value() == 1 && isLoaded<Karaoke>())
        karaoke().Cls();
}

void StopMidiAtEnd()
{
    if (MidiSegment)
        MidiStartPos = std::max<std::int32_t>(0, MidiSegment->GetLength() - 250);
    if (MidiPerf)
        MidiPerf->Stop(nullptr, nullptr);
    if (isLoaded<Karaoke>())
        karaoke().Cls();
    MidiEventIdx = std::max<std::int32_t>(0, static_cast<std::int32_t>(MidiEvents.size()) - 1 - 10);
    MidiState = 2;
}

// ---------------------------------------------------------------- lyrics and length

void ShowMidiLyrics()
{
    if (MidiLoaded || LoadMidiFile()) {
        std::string text;
        for (std::size_t i = 0; i < MidiLines.size(); ++i) {
            if (i == 0 && MidiLines[0].empty())
                continue;
            text += MidiLines[i];
            text += "\r\n";
        }
        if (!text.empty()) {
            TextBox& box = paroles().Text_Paroles;
            box.setText(box.Text() + text);
        }
    }
    StopMidi();
}

std::string GetMidiLength()
{
    const std::string text = MidiFileLengthText(currentSong());
    if (!text.empty())
        writeRowLength(text);
    return text;
}

} // namespace Kar

// The main window's name for the stop used at start-up and by the close-down.
void Player::StopMidiRewind() { Kar::StopMidiRewind(); }
