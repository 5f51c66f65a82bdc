// The full redraw of the lyric block of each lyric window, and the shadow copy
// of one printed row. The engine's own page prints draw the same layout and
// also advance the page state; this redraw only reads it, so a repaint between
// two engine prints shows the same block again, sung part included, whatever
// the song plays through (MIDI lyric events or a sync file).
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
    Kar::LyricView v = Kar::karView();
    v.window = this;
    Kar::redrawBlock(v, Kar::displayOptions());
}

void Karaoke_K1::PrintKarLinesK1()
{
    Kar::LyricView v = Kar::k1View();
    v.window = this;
    Kar::redrawBlock(v, Kar::displayOptions());
}
