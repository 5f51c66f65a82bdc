// The main window's sync-file cursors and the drawing of both lyric windows:
// thin procedures that run the window-free engine (synccursor, lyricdraw) on the
// main lyric window (.syk) and on the second one (.sy1).
#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "core/modini.h"
#include "core/syklines.h"
#include "core/player.h"
#include "karaoke/engine.h"
#include "karaoke/lyricviews.h"
#include "karaoke/synccursor.h"
#include "platform/files/runtime.h"
#include "platform/forms/controls.h"
#include "platform/forms/prompter.h"

namespace {

// A sync file's lines. A file that cannot be read, or that is far too large to
// be a song's, is said once, and the window goes on as for a song without one
// (`has` is cleared), so no later step reads it again.
std::optional<std::vector<std::string>> syncFileLines(const std::string& path, bool& has)
{
    if (path.empty())
        return std::vector<std::string>{};
    SykFile::ReadProblem problem;
    auto lines = SykFile::ReadSykLines(path, &problem);
    if (lines)
        return lines;
    has = false;
    Kar::TellSyncFileProblem(problem, path);
    return std::nullopt;
}

// Both cursors: a display line that becomes current recolours both windows, so
// both pages are drawn again (the second one only while it is shown).
Kar::CursorHooks cursorHooks(bool mainWindow)
{
    Kar::CursorHooks h;
    h.applyDisplayLine = [](const std::string& line) { Kar::applyDisplayLine(line); };
    h.printPage = [mainWindow] {
        if (mainWindow)
            player().PrintKarPage();
        else
            player().PrintKarPageK1();
    };
    h.displayLineApplied = [] {
        Player& p = player();
        p.PrintKarPage();
        const Kar::DisplayOptions o = Kar::displayOptions();
        if (Kar::karShowsK1()) {
            Kar::LyricView k1 = Kar::k1View();
            k1.ball->setLeft(o.marginX + 100);
            p.PrintKarPageK1();
        }
    };
    return h;
}

// In the scrolling layout the ball waits on the row above the first line.
void placeBallAtOpen(const Kar::LyricView& v)
{
    const Kar::DisplayOptions o = Kar::displayOptions();
    if (!o.scroll)
        return;
    const double top = (v.page->RowOffset - 1) * v.window->TextHeight("a") + o.marginY;
    v.ball->setTop(static_cast<int>(std::lround(top)));
}

} // namespace

void Kar::TellSyncFileProblem(const SykFile::ReadProblem& problem, const std::string& path)
{
    const bool fr = modIni::Langue == "Fr";
    MsgBox(SykFile::ReadProblemText(problem, path, fr), vbOKOnly + vbExclamation, fr ? "Attention" : "Warning");
}

void Player::OpenSykFile()
{
    Kar::closeCursor(Kar::SykCursor);
    const Kar::LyricView v = Kar::karView();
    if (!HasSyk) {
        Kar::resetClosedCursor(Kar::SykCursor, Kar::KarPage);
        // Say so on the lyric window, in a small font.
        const std::string song = Select_Song.Text();
        const std::string name = modIni::GetFileName(song);
        const std::string stem = vb::Left(name, static_cast<long>(vb::Len(name)) - 3);
        const std::string folder = modIni::IniAccess("GET", "Path", "Path Syk");
        const std::string file = folder + stem + "syk";
        v.window->setFontSize(12);
        v.window->Print("");
        v.window->Print(modIni::Langue == "Fr" ? " Fichier '" + file + "' introuvable"
                                               : " File '" + file + "' not found");
        v.window->setFontSize(vb::CInt(modIni::IniAccess("GET", "Kar Windows", "FontSize"), modIni::KarFontSize));
        placeBallAtOpen(v);
        return;
    }
    auto lines = syncFileLines(modIni::FindSykFile(Select_Song.Text()), HasSyk);
    if (!lines) {
        Kar::resetClosedCursor(Kar::SykCursor, Kar::KarPage);
        placeBallAtOpen(v);
        return;
    }
    Kar::openCursor(Kar::SykCursor, Kar::KarPage, std::move(*lines), modIni::NbLigne,
                    /*applyLeadingDisplayLine=*/true, cursorHooks(true));
    placeBallAtOpen(v);
}

void Player::OpenSy1File()
{
    Kar::closeCursor(Kar::Sy1Cursor);
    // An echo file's leading display line waits for the first step, like any
    // other parked line.
    auto lines = syncFileLines(modIni::FindSy1File(Select_Song.Text()), HasSy1);
    if (!lines) {
        Kar::resetClosedCursor(Kar::Sy1Cursor, Kar::K1Page);
        placeBallAtOpen(Kar::k1View());
        return;
    }
    Kar::openCursor(Kar::Sy1Cursor, Kar::K1Page, std::move(*lines), modIni::NbLigne,
                    /*applyLeadingDisplayLine=*/false, cursorHooks(false));
    placeBallAtOpen(Kar::k1View());
}

void Player::NextSykLine()
{
    Kar::nextLine(Kar::SykCursor, Kar::KarPage, modIni::NbLigne, cursorHooks(true));
}

void Player::NextSy1Line()
{
    Kar::nextLine(Kar::Sy1Cursor, Kar::K1Page, modIni::NbLigne, cursorHooks(false));
}

void Player::StripSykMarks()
{
    Kar::stripMarks(Kar::SykCursor, Kar::KarPage);
}

void Player::StripSy1Marks()
{
    Kar::stripMarks(Kar::Sy1Cursor, Kar::K1Page);
}

void Player::PrintKarPage()
{
    Kar::printPage(Kar::karView(), Kar::displayOptions());
}

void Player::PrintKarPageK1()
{
    Kar::printPage(Kar::k1View(), Kar::displayOptions());
}

void Player::PrintKarPageScroll()
{
    Kar::printPageScroll(Kar::karView(), Kar::displayOptions());
}

void Player::PrintKarPageScrollK1()
{
    Kar::printPageScroll(Kar::k1View(), Kar::displayOptions());
}

void Player::RefreshKaraoke()
{
    Kar::refreshDisplay(Kar::karView(), Kar::SykCursor, Kar::displayOptions(), Kar::playPositionSeconds());
}

void Player::RefreshKaraokeK1()
{
    Kar::refreshDisplay(Kar::k1View(), Kar::Sy1Cursor, Kar::displayOptions(), Kar::playPositionSeconds());
}

void Player::PlayKar(const std::string& text, int linePos, const std::string& L0, const std::string& previous,
                     const std::string& L1, const std::string& L2, const std::string& L3, const std::string& L4,
                     const std::string& L5, const std::string& L6, const std::string& L7, const std::string& L8)
{
    (void)previous;
    const std::array<std::string, 9> lines{L0, L1, L2, L3, L4, L5, L6, L7, L8};
    Kar::playMidiEvent(Kar::karView(), Kar::displayOptions(), text, linePos, lines);
}

void Player::RedrawKarPage()
{
    Kar::redrawMidiPage(Kar::karView(), Kar::displayOptions());
}

namespace Kar {

void MoveBall(const std::string& rowText, const std::string& syllable, int row)
{
    moveBall(karView(), displayOptions(), rowText, syllable, row);
}

void MoveBallK1(const std::string& rowText, const std::string& syllable, int row)
{
    moveBall(k1View(), displayOptions(), rowText, syllable, row);
}

void CloseSyncFiles()
{
    closeCursor(SykCursor);
    closeCursor(Sy1Cursor);
}

} // namespace Kar

namespace modIni {

int SplitKarLigne(const std::string& line)
{
    return Kar::splitOn(Kar::karView(), Kar::displayOptions(), line);
}

int SplitKarLigneK1(const std::string& line)
{
    return Kar::splitOn(Kar::k1View(), Kar::displayOptions(), line);
}

void PrepareKarPage(int n)
{
    const Kar::LyricView v = Kar::karView();
    const Kar::DisplayOptions o = Kar::displayOptions();
    Kar::preparePage(*v.page, n, Kar::metricsOf(v, o), o.layout(), [&v] { v.window->Print(""); });
}

void PrepareKarPageK1(int n)
{
    const Kar::LyricView v = Kar::k1View();
    const Kar::DisplayOptions o = Kar::displayOptions();
    Kar::preparePage(*v.page, n, Kar::metricsOf(v, o), o.layout(), [&v] { v.window->Print(""); });
}

} // namespace modIni
