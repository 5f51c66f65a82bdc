#include "karaoke/pagestate.h"

#include "core/modini.h"

namespace Kar {

int pageSize(int nbLigne)
{
    return (nbLigne == 2 || nbLigne == 4 || nbLigne == 6) ? nbLigne : MaxPageLines;
}

bool BeginKarRepaint()
{
    if (!KarPaintEnabled)
        return false;
    if (!modIni::IsPlaying)
        ClearKarLines();
    return true;
}

void ClearKarLines()
{
    for (int i = 1; i <= MaxPageLines; ++i) {
        KarPage.PageLines[i].clear();
        KarPage.ScrollLines[i].clear();
        K1Page.PageLines[i].clear();
        K1Page.ScrollLines[i].clear();
    }
    for (int i = 1; i <= 3; ++i) {
        KarPage.PastLines[i].clear();
        K1Page.PastLines[i].clear();
    }
    for (LyricPage* p : {&KarPage, &K1Page}) {
        p->Sung.clear();
        p->SungLine.clear();
        p->SungAt = 0;
        p->ViewRow = 0;
        p->Shown = false;
        for (auto& line : p->ShownLines)
            line.clear();
    }
}

void resetPastLines(LyricPage& page)
{
    for (int i = 1; i <= 3; ++i)
        page.PastLines[i] = ".";
    page.IntroDots = true;
    page.Resumed = false;
}

void resetAll()
{
    KarPage = LyricPage{};
    K1Page = LyricPage{};
    SykCursor = SyncCursor{};
    Sy1Cursor = SyncCursor{};
    KarPaintEnabled = false;
    MidiSungText.clear();
    MidiSeekWait = false;
}

} // namespace Kar
