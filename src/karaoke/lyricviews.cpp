// The engine's link to the lyric windows, the main window and the MIDI player.
#include "karaoke/lyricviews.h"

#include "core/modini.h"
#include "core/player.h"
#include "lyricwindows/karaoke.h"
#include "lyricwindows/karaoke_k1.h"
#include "platform/files/runtime.h"
#include "playback/midiplayer.h"
#include "platform/forms/controls.h"

#include <optional>

namespace Kar {

namespace {
struct TickValues {
    bool active = false;
    double position = 0;
    std::optional<DisplayOptions> options;
};
TickValues tick;
} // namespace

TickScope::TickScope(double positionSeconds)
{
    tick = TickValues{true, positionSeconds, std::nullopt};
}

TickScope::~TickScope()
{
    tick = TickValues{};
}

long colourOf(const std::string& red, const std::string& green, const std::string& blue)
{
    auto part = [](const std::string& s) { return static_cast<long>(vb::CInt(s, 0)) & 0xFF; };
    return part(red) + 256 * part(green) + 65536 * part(blue);
}

DisplayOptions displayOptions()
{
    if (tick.active && tick.options)
        return *tick.options;
    Karaoke& k = karaoke();
    DisplayOptions o;
    o.nbLigne = modIni::NbLigne;
    o.scroll = k.Scroll.Value() == 1;
    o.keptLines = k.LiM2.Value() ? 2 : (k.LiM1.Value() ? 1 : 0);
    o.marginX = k.HScroll_Kar.Value() * 100;
    o.marginY = k.VScroll_Kar.Value() * 100;
    o.muted = player().Check_Muet2.Value() == 1;
    o.countDown = k.Check_Decompte.Value() == 1;
    o.countDownBar = k.Check_ShowCountDownBar.Value() == 1;
    o.pageColour = colourOf(modIni::FontRed, modIni::FontGreen, modIni::FontBlue);
    o.passiveColour = colourOf(modIni::PassifRed, modIni::PassifGreen, modIni::PassifBlue);
    o.activeColour = colourOf(modIni::ActifRed, modIni::ActifGreen, modIni::ActifBlue);
    o.shadowColour = vb::CLng(modIni::KarShadowColor, 0);
    o.shadowH = modIni::ShadowH;
    o.shadowV = modIni::ShadowV;
    if (tick.active)
        tick.options = o;
    return o;
}

LyricView karView()
{
    Karaoke& k = karaoke();
    LyricView v{&k, &KarPage, &k.Shape_Ball, &k.Label_Sec, &k.ProgressBar_Syncro};
    v.songBar = &k.ProgressBar1;
    // A MIDI song without .syk shows its own lyric events; any other song (a
    // MIDI song with .syk included) plays through the sync-file page.
    v.midiPath = modIni::MediaKind == "midi" && !HasSyk;
    return v;
}

LyricView k1View()
{
    Karaoke_K1& k = karaoke_K1();
    // The second window always shows a sync-file (.sy1) page.
    return {&k, &K1Page, &k.Shape_Ball, &k.Label_Sec, &k.ProgressBar_Syncro};
}

bool karShowsK1()
{
    return karaoke().Check_Aff_K1.Value() == 1;
}

ProgressBar* karSongBar()
{
    return &karaoke().ProgressBar1;
}

void applyDisplayLine(const std::string& line)
{
    modIni::ApplyKarDisplaySettings(line);
    tick.options.reset(); // its colours are the options' from now on
}

MidiClock midiClock()
{
    MidiClock c;
    c.loaded = MidiSegment != nullptr;
    if (!c.loaded)
        return c;
    c.position = MidiPosition();
    c.length = MidiLength();
    c.masterTempo = MidiMasterTempo();
    c.state = MidiState;
    c.elapsedMs = MidiMsAt(static_cast<double>(c.position));
    const MidiTempoStretch stretch = MidiTempoAt(static_cast<double>(c.position));
    c.rate = stretch.unitsPerSecond * c.masterTempo;
    c.nextTempo = stretch.until;
    return c;
}

void stopMidiAtEnd()
{
    StopMidiAtEnd();
}

double playPositionSeconds()
{
    if (tick.active)
        return tick.position;
    if (modIni::MediaKind == "midi")
        return midiClock().position / 1000.0;
    return player().ActiveMovie1.CurrentPosition();
}

} // namespace Kar
