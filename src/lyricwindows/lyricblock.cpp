// The full redraw of the lyric block of each lyric window, and the shadow copy
// of one printed row. The engine's own page prints draw the same layout and
// also advance the page state; this redraw only reads it, so a repaint between
// two engine prints shows the same block again.
#include "core/modini.h"
#include "core/player.h"
#include "karaoke/engine.h"
#include "karaoke/lyricviews.h"
#include "karaoke/pagestate.h"
#include "lyricwindows/karaoke.h"
#include "lyricwindows/karaoke_k1.h"
#include "platform/forms/app.h"
#include "playback/midianalysis.h"

#include <array>
#include <string>

using namespace modIni;

namespace {

// The block as the engine's page print lays it out, from the current state:
// the kept sung lines above (scrolling layout), then the page lines. Each line
// is drawn by the engine's own line printer, so wrap, shadow and colours match.
void printBlock(const Kar::LyricView& v, const std::array<std::string, 4>& past, bool introDots,
                const std::array<std::string, Kar::MaxPageLines + 1>& source)
{
    const Kar::DisplayOptions o = Kar::displayOptions();
    Form& w = *v.window;
    Karaoke& k = karaoke();
    w.setCurrentY(o.marginY);
    if (o.scroll && !k.LiM0.Value()) {
        w.setForeColor(o.passiveColour);
        w.setCurrentX(o.marginX);
        if (k.LiM2.Value()) {
            if (introDots)
                w.Print(".");
            else
                Kar::drawLine(v, o, past[3], false);
        }
        w.setCurrentX(o.marginX);
        if (introDots)
            w.Print(".");
        else
            Kar::drawLine(v, o, past[2], false);
    }
    w.setForeColor(o.pageColour);
    int last = 2;
    if (o.nbLigne > 2)
        last = 4;
    if (o.nbLigne > 4)
        last = 6;
    if (o.nbLigne > 6)
        last = 8;
    for (int i = 1; i <= last; ++i)
        Kar::drawLine(v, o, source[i], true);
}

bool lyricsMuted()
{
    return isLoaded<Player>() && player().Check_Muet2.Value() == 1;
}

} // namespace

namespace modIni {

void PrintKarShadow(const std::string& text, const std::string& mode)
{
    Kar::printShadow(Kar::karView(), Kar::displayOptions(), text, mode == "Actif");
}

void PrintKarShadowK1(const std::string& text, const std::string& mode)
{
    // The second window keeps the main window's margin (the options are read there).
    Kar::printShadow(Kar::k1View(), Kar::displayOptions(), text, mode == "Actif");
}

} // namespace modIni

void Karaoke::PrintKarLines()
{
    Cls();
    if (lyricsMuted())
        return;
    // Songs with standard lyric events keep their page to the engine; the test
    // holds only while such a MIDI song plays, never for a later audio song.
    if (IsPlaying && MediaKind == "midi" && Kar::MidiLyricType == 5)
        return;
    const bool rotated = Scroll.Value() == 1 && MediaKind == "mp3";
    Kar::LyricView v = Kar::karView();
    v.window = this;
    printBlock(v, Kar::KarPastLines, Kar::KarIntroDots,
               rotated ? Kar::KarScrollLines : Kar::KarPageLines);
}

void Karaoke_K1::PrintKarLinesK1()
{
    Cls();
    if (lyricsMuted())
        return;
    Karaoke& k = karaoke();
    const bool rotated = k.Scroll.Value() == 1 && MediaKind == "mp3";
    Kar::LyricView v = Kar::k1View();
    v.window = this;
    printBlock(v, Kar::K1PastLines, Kar::K1IntroDots,
               rotated ? Kar::K1ScrollLines : Kar::K1PageLines);
}
