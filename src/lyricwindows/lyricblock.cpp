// The full redraw of the lyric block of each lyric window, and the shadow copy
// of one printed row. The engine's own page prints draw the same layout and
// also advance the page state; this redraw only reads it, so a repaint between
// two engine prints shows the same block again.
#include "core/modini.h"
#include "core/player.h"
#include "karaoke/engine.h"
#include "karaoke/pagestate.h"
#include "lyricwindows/karaoke.h"
#include "lyricwindows/karaoke_k1.h"
#include "platform/files/runtime.h"
#include "platform/forms/app.h"
#include "playback/midianalysis.h"

#include <array>
#include <functional>
#include <string>

using namespace modIni;

namespace {

long colourOfParts(const std::string& red, const std::string& green, const std::string& blue)
{
    auto part = [](const std::string& s) {
        const int v = vb::CInt(vb::Val(s));
        return v < 0 ? 0 : (v > 255 ? 255 : v);
    };
    return RGB(part(red), part(green), part(blue));
}

long shadowColour()
{
    // A colour that is not a number draws black rather than stopping the print.
    return static_cast<long>(vb::CLng(vb::Val(KarShadowColor)));
}

void printShadowOn(Form& w, int margin, const std::string& text, const std::string& mode)
{
    w.setCurrentX(margin + ShadowH);
    w.setCurrentY(w.CurrentY() + ShadowV);
    w.setForeColor(shadowColour());
    w.Print(text);
    w.setCurrentX(margin);
    w.setCurrentY(w.CurrentY() - w.TextHeight("a") - ShadowV);
    if (mode == "Actif")
        w.setForeColor(colourOfParts(FontRed, FontGreen, FontBlue));
    else
        w.setForeColor(colourOfParts(PassifRed, PassifGreen, PassifBlue));
}

bool hasShadow() { return ShadowH != 0 || ShadowV != 0; }

// One lyric line from the left margin, word-wrapped, each row after its shadow.
struct BlockPrinter {
    Form& w;
    int margin;
    std::array<std::string, 5>& splitRows;
    std::function<int(const std::string&)> split;
    std::function<void(const std::string&, const std::string&)> shadow;

    void line(const std::string& L, const std::string& mode)
    {
        const int n = split(L);
        if (n == 1) {
            if (hasShadow())
                shadow(L, mode);
            w.Print(L);
            return;
        }
        if (n < 2 || n > 4)
            return;
        const std::array<std::string, 5> rows = splitRows;
        for (int k = 1; k <= n; ++k) {
            if (hasShadow())
                shadow(rows[k], mode);
            if (k > 1)
                w.setCurrentX(margin);
            w.Print(rows[k]);
        }
    }

    void block(const std::array<std::string, 4>& past, bool introDots,
               const std::array<std::string, Kar::MaxPageLines + 1>& source)
    {
        Karaoke& k = karaoke();
        w.setCurrentY(k.VScroll_Kar.Value() * 100);
        if (k.Scroll.Value() == 1 && !k.LiM0.Value()) {
            w.setForeColor(colourOfParts(PassifRed, PassifGreen, PassifBlue));
            w.setCurrentX(margin);
            if (k.LiM2.Value()) {
                if (introDots)
                    w.Print(".");
                else
                    line(past[3], "Passif");
            }
            w.setCurrentX(margin);
            if (introDots)
                w.Print(".");
            else
                line(past[2], "Passif");
        }
        w.setForeColor(colourOfParts(FontRed, FontGreen, FontBlue));
        int last = 2;
        if (modIni::NbLigne > 2)
            last = 4;
        if (modIni::NbLigne > 4)
            last = 6;
        if (modIni::NbLigne > 6)
            last = 8;
        for (int i = 1; i <= last; ++i) {
            w.setCurrentX(margin);
            line(source[i], "Actif");
        }
    }
};

bool lyricsMuted()
{
    return isLoaded<Player>() && player().Check_Muet2.Value() == 1;
}

} // namespace

namespace modIni {

void PrintKarShadow(const std::string& text, const std::string& mode)
{
    Karaoke& k = karaoke();
    printShadowOn(k, k.HScroll_Kar.Value() * 100, text, mode);
}

void PrintKarShadowK1(const std::string& text, const std::string& mode)
{
    const int margin = karaoke().HScroll_Kar.Value() * 100;
    printShadowOn(karaoke_K1(), margin, text, mode);
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
    BlockPrinter p{*this, HScroll_Kar.Value() * 100, Kar::KarSplitRows,
                   [](const std::string& l) { return SplitKarLigne(l); },
                   [](const std::string& t, const std::string& m) { PrintKarShadow(t, m); }};
    p.block(Kar::KarPastLines, Kar::KarIntroDots, rotated ? Kar::KarScrollLines : Kar::KarPageLines);
}

void Karaoke_K1::PrintKarLinesK1()
{
    Cls();
    if (lyricsMuted())
        return;
    Karaoke& k = karaoke();
    const bool rotated = k.Scroll.Value() == 1 && MediaKind == "mp3";
    BlockPrinter p{*this, k.HScroll_Kar.Value() * 100, Kar::K1SplitRows,
                   [](const std::string& l) { return SplitKarLigneK1(l); },
                   [](const std::string& t, const std::string& m) { PrintKarShadowK1(t, m); }};
    p.block(Kar::K1PastLines, Kar::K1IntroDots, rotated ? Kar::K1ScrollLines : Kar::K1PageLines);
}
