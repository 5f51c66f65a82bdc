#include "karaoke/lyricdraw.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/forms/controls.h"
#include "platform/forms/form.h"

namespace Kar {
namespace {

// A value in twips as the controls take it (whole numbers, never out of range).
int twips(double x)
{
    if (!std::isfinite(x))
        return 0;
    x = std::clamp(x, -1.0e9, 1.0e9);
    return static_cast<int>(std::lround(x));
}

// Floor of a time difference, kept in a range that never overflows.
long long floorClamped(double x)
{
    if (!std::isfinite(x))
        return 0;
    return static_cast<long long>(std::floor(std::clamp(x, -1.0e15, 1.0e15)));
}

void printEmptyRow(const LyricView& v)
{
    v.window->Print("");
}

// Where the block's row 0 lies: the top margin, less the rows the view has
// moved on by.
double blockTop(const LyricView& v, const DisplayOptions& o)
{
    return o.marginY - v.page->ViewRow * v.window->TextHeight("a");
}

// Whether the row at `y` is one the window shows whole.
bool rowShown(const LyricView& v, const DisplayOptions& o, double y)
{
    const double h = v.window->TextHeight("a");
    if (!(h > 0))
        return true;
    const long k = std::lround((y - o.marginY) / h);
    return k >= 0 && k < visibleRows(v, o);
}

// The row being sung (`at`, counted from the block's top) must be on the
// window: once it passes the last row shown (or lies above the first), the
// block moves on so that it comes to the top, under the row before it when
// there is room for that. True when the block moved.
bool followSungRow(const LyricView& v, const DisplayOptions& o, int at)
{
    LyricPage& p = *v.page;
    const int shown = visibleRows(v, o);
    if (at >= p.ViewRow && at < p.ViewRow + shown)
        return false;
    p.ViewRow = std::max(0, shown >= 3 ? at - 1 : at);
    return true;
}

// One row of text at the drawing position, printed only when the window
// shows it whole; otherwise the position only moves down a row.
void printRow(const LyricView& v, const DisplayOptions& o, const std::string& text)
{
    Form& w = *v.window;
    w.Print(rowShown(v, o, w.CurrentY()) ? text : std::string());
}

void drawRingLines(const LyricView& v, const DisplayOptions& o,
                   const std::array<std::string, MaxPageLines + 1>& lines, bool clearRedrawAfterTwo)
{
    const int n = pageSize(o.nbLigne);
    drawLine(v, o, lines[1], true);
    drawLine(v, o, lines[2], true);
    if (clearRedrawAfterTwo)
        v.page->Redraw = false;
    for (int k = 3; k <= n; ++k)
        drawLine(v, o, lines[k], true);
}

// A new page is drawn from `lines` (in their order on the window): it starts
// at the block's top, with nothing sung yet.
void startNewPage(LyricPage& p, const std::array<std::string, MaxPageLines + 1>& lines)
{
    p.ViewRow = 0;
    p.Sung.clear();
    p.SungLine.clear();
    p.SungAt = 0;
    p.ShownLines = lines;
    p.Shown = true;
}

// The sung part over the rows of its line, from the drawing position: the
// rows before the one being sung whole, then the part on that row.
void printSungRows(const LyricView& v, const DisplayOptions& o, const std::vector<std::string>& rows,
                   const SungSpot& spot)
{
    Form& w = *v.window;
    for (int r = 1; r < spot.row && r <= static_cast<int>(rows.size()); ++r) {
        printRow(v, o, rows[static_cast<std::size_t>(r - 1)]);
        w.setCurrentX(o.marginX);
    }
    printRow(v, o, spot.part);
}

// The slot of the MIDI line being sung: the one before the next slot to fill
// (the last of the page when that is the first).
int sungSlot(const LyricPage& p, const DisplayOptions& o)
{
    return (p.Slot <= 1 || p.Slot > MaxPageLines) ? pageSize(o.nbLigne) : p.Slot - 1;
}

} // namespace

LineMetrics metricsOf(const LyricView& v, const DisplayOptions& o)
{
    LineMetrics m;
    Form* w = v.window;
    m.textWidth = [w](std::string_view s) { return w->TextWidth(std::string(s)); };
    m.windowWidth = w->Width();
    m.margin = o.marginX;
    return m;
}

namespace {

// The wraps made lately: a line is wrapped on every tick that shows one of
// its syllables, and measuring a line of thousands of syllables again each
// time would cost far more than a tick. A wrap depends only on the text, the
// window's width, the margin and the font.
struct Wrap {
    const Form* window = nullptr;
    std::string line;
    double width = 0;
    int margin = 0;
    std::string font;
    std::vector<std::string> rows;
};
constexpr std::size_t kKeptWraps = 32;  // both windows' pages and kept lines
std::array<Wrap, kKeptWraps> wraps;
std::size_t nextWrap = 0;

std::string fontKey(const Form& w)
{
    return w.FontName() + '/' + std::to_string(w.FontSize()) + (w.FontBold() ? "b" : "") + (w.FontItalic() ? "i" : "");
}

} // namespace

const std::vector<std::string>& rowsOn(const LyricView& v, const DisplayOptions& o, const std::string& line)
{
    const LineMetrics m = metricsOf(v, o);
    const std::string font = fontKey(*v.window);
    for (const Wrap& w : wraps)
        if (w.window == v.window && w.width == m.windowWidth && w.margin == m.margin && w.line == line &&
            w.font == font)
            return w.rows;
    Wrap& w = wraps[nextWrap];
    nextWrap = (nextWrap + 1) % kKeptWraps;
    w = Wrap{v.window, line, m.windowWidth, m.margin, font, wrapRows(line, m)};
    return w.rows;
}

int splitOn(const LyricView& v, const DisplayOptions& o, const std::string& line)
{
    return fourRowWrap(rowsOn(v, o, line), v.page->SplitRows);
}

static std::function<int(const std::string&)> rowCounter(const LyricView& v, const DisplayOptions& o)
{
    return [v, o](const std::string& line) { return static_cast<int>(rowsOn(v, o, line).size()); };
}

int visibleRows(const LyricView& v, const DisplayOptions& o)
{
    const Form& w = *v.window;
    const double h = w.TextHeight("a");
    double bottom = w.ScaleHeight();
    if (v.songBar && v.songBar->Visible())
        bottom = std::min<double>(bottom, v.songBar->Top());
    if (!(h > 0))
        return 1;
    const double n = std::floor((bottom - o.marginY) / h + 1e-6);
    return n < 1 ? 1 : static_cast<int>(std::min(n, 1.0e6));
}

void printShadow(const LyricView& v, const DisplayOptions& o, const std::string& text, bool active)
{
    Form& w = *v.window;
    w.setCurrentX(o.marginX + o.shadowH);
    w.setCurrentY(w.CurrentY() + o.shadowV);
    w.setForeColor(o.shadowColour);
    w.Print(text);
    w.setCurrentX(o.marginX);
    w.setCurrentY(w.CurrentY() - w.TextHeight("a") - o.shadowV);
    w.setForeColor(active ? o.pageColour : o.passiveColour);
}

void drawLine(const LyricView& v, const DisplayOptions& o, const std::string& line, bool active)
{
    Form& w = *v.window;
    w.setCurrentX(o.marginX);
    // Our own copy: the shadow print never rewraps, but the wraps kept are few.
    const std::vector<std::string> rows = rowsOn(v, o, line);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (o.hasShadow()) {
            if (rowShown(v, o, w.CurrentY()))
                printShadow(v, o, rows[r], active);
            else
                w.setForeColor(active ? o.pageColour : o.passiveColour);
        }
        if (r >= 1)
            w.setCurrentX(o.marginX);
        printRow(v, o, rows[r]);
    }
}

void redrawBlock(const LyricView& v, const DisplayOptions& o)
{
    LyricPage& p = *v.page;
    Form& w = *v.window;
    w.Cls();
    if (o.muted)
        return;
    // The page as last printed; before any print of this song, the page
    // state in the order its path prints it.
    const auto& source = p.Shown ? p.ShownLines : ((o.scroll && !v.midiPath) ? p.ScrollLines : p.PageLines);
    const int n = pageSize(o.nbLigne);
    const bool sungShown = p.SungAt >= 1 && p.SungAt <= n && !p.Sung.empty() &&
                           source[static_cast<std::size_t>(p.SungAt)] == p.SungLine;
    if (sungShown) {
        // A window of another size may no longer show the row being sung:
        // the block moves on to it as the highlight does.
        int at = 0;
        if (o.scroll && o.keptLines >= 1)
            at += static_cast<int>(rowsOn(v, o, p.IntroDots ? std::string(".") : p.PastLines[2]).size());
        if (o.scroll && o.keptLines >= 2)
            at += static_cast<int>(rowsOn(v, o, p.IntroDots ? std::string(".") : p.PastLines[3]).size());
        for (int k = 1; k < p.SungAt; ++k)
            at += static_cast<int>(rowsOn(v, o, source[static_cast<std::size_t>(k)]).size());
        at += locateSungIn(p.Sung, rowsOn(v, o, p.SungLine)).row - 1;
        followSungRow(v, o, at);
    }
    w.setCurrentX(o.marginX);
    w.setCurrentY(blockTop(v, o));
    if (o.scroll && o.keptLines >= 1) {
        // The lines the last page print showed above the page: it has since
        // made the current line the newest kept one. Until the first syllable
        // is due they show as ".".
        w.setForeColor(o.passiveColour);
        if (o.keptLines >= 2)
            drawLine(v, o, p.IntroDots ? std::string(".") : p.PastLines[3], false);
        drawLine(v, o, p.IntroDots ? std::string(".") : p.PastLines[2], false);
    }
    w.setForeColor(o.pageColour);
    double sungY = 0;
    for (int k = 1; k <= n; ++k) {
        if (k == p.SungAt)
            sungY = w.CurrentY();
        drawLine(v, o, source[static_cast<std::size_t>(k)], true);
    }
    if (sungShown) {
        const std::vector<std::string> rows = rowsOn(v, o, p.SungLine);
        w.setCurrentX(o.marginX);
        w.setCurrentY(sungY);
        w.setForeColor(o.activeColour);
        printSungRows(v, o, rows, locateSungIn(p.Sung, rows));
    }
}

void printPage(const LyricView& v, const DisplayOptions& o)
{
    if (o.muted)
        return;  // a page that was due is drawn by the first call after the mute is lifted
    if (o.scroll) {
        printPageScroll(v, o);
        return;
    }
    Form& w = *v.window;
    startNewPage(*v.page, v.page->PageLines);
    w.Cls();
    w.setCurrentX(o.marginX);
    w.setCurrentY(blockTop(v, o));
    w.setForeColor(o.pageColour);
    drawRingLines(v, o, v.page->PageLines, true);
}

void printPageScroll(const LyricView& v, const DisplayOptions& o)
{
    LyricPage& p = *v.page;
    const int slot = p.Slot;
    const int nb = o.nbLigne;
    const int m = ((nb == 2 || nb == 4 || nb == 6) && slot <= nb) ? nb : MaxPageLines;
    if (slot >= 1 && slot <= MaxPageLines)
        for (int i = 1; i <= m; ++i)
            p.ScrollLines[i] = p.PageLines[((slot - 1) + (i - 1)) % m + 1];

    Form& w = *v.window;
    startNewPage(p, p.ScrollLines);
    w.Cls();
    w.setCurrentX(o.marginX);
    w.setCurrentY(blockTop(v, o));
    w.setForeColor(o.passiveColour);
    if (o.keptLines >= 2)
        drawLine(v, o, p.PastLines[2], false);
    if (o.keptLines >= 1)
        drawLine(v, o, p.PastLines[1], false);
    w.setForeColor(o.pageColour);
    drawRingLines(v, o, p.ScrollLines, true);

    // What this drawing showed above the page moves up one place; the current
    // line becomes the newest sung line.
    p.PastLines[3] = p.PastLines[2];
    p.PastLines[2] = p.PastLines[1];
    p.PastLines[1] = p.ScrollLines[1];
}

void moveBall(const LyricView& v, const DisplayOptions& o, const std::string& rowText,
              const std::string& syllable, int row)
{
    KarPaintEnabled = false;
    Form& w = *v.window;
    Shape& ball = *v.ball;
    const double h = std::round(w.TextHeight("a"));
    ball.setVisible(true);
    const double sylWidth = w.TextWidth(syllable);
    // A sung part of thousands of characters ends far past the right edge:
    // measuring what can be on the window is enough to put the ball out of
    // sight there too, and keeps a tick's work bounded.
    std::size_t visible = static_cast<std::size_t>(std::max(0.0, w.Width() / 15.0)) * 2 + 16;
    while (visible < rowText.size() && visible > 0 && (static_cast<unsigned char>(rowText[visible]) & 0xC0) == 0x80)
        --visible;  // whole characters only
    const double rowWidth = rowText.size() > visible ? w.TextWidth(rowText.substr(0, visible)) : w.TextWidth(rowText);
    const double left = o.marginX + rowWidth - sylWidth + (sylWidth - ball.Width()) / 2.0;
    const double top = (row - 1 + v.page->RowOffset - v.page->ViewRow) * h + o.marginY;
    ball.Move(twips(left), twips(top));
    KarPaintEnabled = true;
}

void paintSung(const LyricView& v, const DisplayOptions& o, const std::string& line, int lineAt,
               const std::string& sung, const std::string& syllable, bool paintEmpty)
{
    LyricPage& p = *v.page;
    const std::vector<std::string> rows = rowsOn(v, o, line);
    SungSpot spot = locateSungIn(sung, rows);
    if (spot.row == 0) {
        if (!paintEmpty)
            return;
        spot.row = 1;  // an empty sung text still takes its row
    }
    p.Sung = sung;
    p.SungLine = line;
    p.SungAt = lineAt;
    if (followSungRow(v, o, p.RowOffset + spot.row - 1))
        redrawBlock(v, o);
    else
        printSungRows(v, o, rows, spot);
    moveBall(v, o, spot.part, syllable, spot.row);
}

void growDots(std::string& dots)
{
    dots += '.';
    if (dots.size() >= 23)
        dots.clear();
}

void refreshDisplay(const LyricView& v, SyncCursor& cur, const DisplayOptions& o, double pos)
{
    if (o.muted || !cur.HasFile)
        return;
    LyricPage& p = *v.page;
    Form& w = *v.window;
    const double t = cur.SyllableTime;

    // Count-down before a distant syllable, beside the ball.
    if (o.countDown && pos > 3.0 && (pos + 1.5 < t || p.CountDown > 0)) {
        ProgressBar& bar = *v.bar;
        Label& sec = *v.sec;
        if (o.countDownBar && !bar.Visible())
            bar.setVisible(true);
        if (p.CountDown == 0)
            bar.setMax(static_cast<double>(floorClamped((t - pos) * 1000.0) + 1));
        if (floorClamped(t - pos) + 1 > 0) {
            // The bar refuses a value above its maximum and keeps the one it had.
            bar.setValue(std::fabs(bar.Max() - static_cast<double>(floorClamped((t - pos) * 1000.0)) + 1));
            const long long s = std::min<long long>(floorClamped(t - pos) + 1, std::numeric_limits<int>::max());
            if (s != p.CountDown) {
                p.CountDown = static_cast<int>(s);
                sec.setVisible(true);
                KarPaintEnabled = false;
                const Shape& ball = *v.ball;
                sec.Move(ball.Left() + ball.Width() + 50, ball.Top() - sec.Height() / 3);
                sec.setCaption(std::to_string(s));
            }
        } else {
            bar.setValue(0);
            bar.setVisible(false);
            p.CountDown = 0;
            sec.setVisible(false);
        }
    }

    // The pending syllable, once its time has passed.
    if (cur.EofLines >= pageSize(o.nbLigne) || !(t < pos))
        return;
    cur.SungText += cur.Syllable;
    if (t + 4.0 < pos) {
        // Far behind (the lyrics were muted, or the song was moved): no highlight,
        // one more waiting dot per late syllable. Just after an unmute the page
        // the unmute drew stays instead.
        cur.NeedSyllable = -1;
        if (p.Resumed)
            return;
        w.Cls();
        w.setCurrentY(o.marginY);
        growDots(p.Dots);
        w.setForeColor(o.activeColour);
        w.Print("  " + p.Dots);
        return;
    }
    // The waiting dots cleared the window: bring the whole page back before
    // overprinting, or only the sung text would show on an empty window.
    if ((!p.Dots.empty() || p.Resumed) && !p.Redraw)
        redrawBlock(v, o);
    p.Resumed = false;
    p.Dots.clear();
    p.IntroDots = false;
    if (p.Slot < 1 || p.Slot > MaxPageLines)
        p.Slot = 1;
    if (o.scroll) {
        if (p.Redraw)
            printPage(v, o);
        w.setForeColor(o.activeColour);
        w.setCurrentX(o.marginX);
        w.setCurrentY(blockTop(v, o));
        if (o.keptLines >= 1)
            w.Print("");
        if (o.keptLines >= 2)
            w.Print("");
        preparePage(p, 0, rowCounter(v, o), o.layout(), [&v] { printEmptyRow(v); });
        w.setCurrentX(o.marginX);
    } else {
        const int k = p.Slot;
        if (p.Redraw)
            printPage(v, o);
        w.setCurrentX(o.marginX);
        w.setCurrentY(blockTop(v, o));
        if (k == 1) {
            p.RowOffset = 0;
        } else {
            for (int i = 1; i < k; ++i)
                w.Print("");
            preparePage(p, k - 1, rowCounter(v, o), o.layout(), [&v] { printEmptyRow(v); });
            w.setCurrentX(o.marginX);
        }
        w.setForeColor(o.activeColour);
    }
    // The filler of an exhausted file is no lyric: nothing to paint.
    if (cur.RawLines[static_cast<std::size_t>(p.Slot)] != FillerLine)
        paintSung(v, o, p.PageLines[static_cast<std::size_t>(p.Slot)], o.scroll ? 1 : p.Slot, cur.SungText,
                  cur.Syllable, true);
    cur.NeedSyllable = -1;
}

void midiCountDown(const LyricView& v, const DisplayOptions& o, long long dueMs, long long nowMs)
{
    LyricPage& p = *v.page;
    const long long gap = dueMs - nowMs;
    if (!(o.countDown && (dueMs > nowMs + 1500 || p.CountDown > 0) && nowMs > 3))
        return;
    ProgressBar& bar = *v.bar;
    Label& sec = *v.sec;
    sec.setVisible(true);
    if (o.countDownBar && !bar.Visible())
        bar.setVisible(true);
    if (p.CountDown == 0)
        bar.setMax(static_cast<double>(gap + 1));
    if (gap + 1 <= 0 || gap >= 99000) {
        bar.setValue(0);
        p.CountDown = 0;
        sec.setCaption("");
        sec.setVisible(false);
        bar.setVisible(false);
        return;
    }
    bar.setValue(std::fabs(bar.Max() - static_cast<double>(gap) + 1));
    const int s = static_cast<int>(gap / 1000 + 1);
    if (s != p.CountDown) {
        p.CountDown = s;
        sec.setVisible(true);
        KarPaintEnabled = false;
        const Shape& ball = *v.ball;
        sec.Move(ball.Left() + ball.Width() + 50, ball.Top() - sec.Height() / 3);
        sec.setCaption(std::to_string(s));
    }
}

void redrawMidiPage(const LyricView& v, const DisplayOptions& o, bool shiftKept)
{
    LyricPage& p = *v.page;
    Form& w = *v.window;
    startNewPage(p, p.PageLines);
    w.Cls();
    if (!o.muted) {
        w.setCurrentX(o.marginX);
        w.setCurrentY(blockTop(v, o));
        w.setForeColor(o.passiveColour);
        if (o.scroll && o.keptLines == 1) {
            drawLine(v, o, p.PastLines[1], false);
        } else if (o.scroll && o.keptLines >= 2) {
            drawLine(v, o, p.PastLines[2], false);
            drawLine(v, o, p.PastLines[1], false);
        }
        w.setForeColor(o.pageColour);
        drawRingLines(v, o, p.PageLines, false);
    }
    if (!p.IntroDots && shiftKept) {
        p.PastLines[3] = p.PastLines[2];
        p.PastLines[2] = p.PastLines[1];
        p.PastLines[1] = p.PageLines[1];
    }
    p.Redraw = false;
}

namespace {

// Inside a line, the page no longer shows it (the lyric window was closed
// and shown again, or a line began while the lyrics were hidden and emptied
// the page): draw the page again around the same slot, so the sung part has
// its rows to go over.
void keepMidiLineOnPage(const LyricView& v, const DisplayOptions& o, const std::array<std::string, 9>& L)
{
    LyricPage& p = *v.page;
    if (o.muted || p.Redraw)
        return;
    const int c = sungSlot(p, o);
    if (!L[0].empty() && p.PageLines[c] != L[0]) {
        p.Slot = c;
        refillMidiRing(p, o.nbLigne, L);
        redrawMidiPage(v, o, false);
    }
}

// The sung part of the MIDI line over its rows, the ball over `syllable`.
void paintMidiSung(const LyricView& v, const DisplayOptions& o, const std::string& syllable)
{
    if (o.muted)
        return;
    LyricPage& p = *v.page;
    Form& w = *v.window;
    w.setForeColor(o.activeColour);
    w.setCurrentY(blockTop(v, o));
    w.setCurrentX(o.marginX);
    if (o.scroll) {
        if (o.keptLines >= 1)
            w.Print("");
        if (o.keptLines >= 2)
            w.Print("");
        preparePage(p, 0, rowCounter(v, o), o.layout(), [&v] { printEmptyRow(v); });
    }
    const int c = sungSlot(p, o);
    if (c == 1) {
        w.setCurrentX(o.marginX);
        if (!o.scroll)
            p.RowOffset = 0;
    } else {
        for (int i = 1; i < c; ++i)
            w.Print("");
        preparePage(p, c - 1, rowCounter(v, o), o.layout(), [&v] { printEmptyRow(v); });
        w.setCurrentX(o.marginX);
        w.setForeColor(o.activeColour);
    }
    paintSung(v, o, p.PageLines[static_cast<std::size_t>(c)], c, MidiSungText, syllable, false);
}

} // namespace

void playMidiEvent(const LyricView& v, const DisplayOptions& o, const std::string& text, int linePos,
                   const std::array<std::string, 9>& L)
{
    LyricPage& p = *v.page;
    Form& w = *v.window;

    // After a seek, events inside a line only grow the waiting row.
    if (linePos != 0 && MidiSeekWait) {
        growDots(p.Dots);
        w.Cls();
        w.Print("  " + p.Dots);
        return;
    }
    MidiSeekWait = false;
    p.Dots.clear();

    // A new line: refill the ring and draw the page.
    if (p.Redraw) {
        if (o.scroll)
            p.Slot = 1;
        refillMidiRing(p, o.nbLigne, L);
        if (o.muted)
            ClearKarLines();
        redrawMidiPage(v, o);
    }

    MidiSungText += text;
    keepMidiLineOnPage(v, o, L);
    paintMidiSung(v, o, text);

    // The whole line has been sung: the next event starts a new one.
    if (MidiSungText == L[0]) {
        MidiSungText.clear();
        p.Redraw = true;
    }
}

void resumeMidiLine(const LyricView& v, const DisplayOptions& o, const std::string& syllable,
                    const std::array<std::string, 9>& L)
{
    LyricPage& p = *v.page;
    if (o.muted || MidiSeekWait)
        return;  // while waiting after a seek, the next event draws the page
    // The line ended with `syllable` while the lyrics were hidden: it shows
    // sung whole until the next line begins, as it would have.
    const bool ended = p.Redraw && MidiSungText.empty() && !syllable.empty();
    if (ended) {
        MidiSungText = L[0];
        p.Redraw = false;
    }
    if (!p.Redraw && !MidiSungText.empty() && L[0].compare(0, MidiSungText.size(), MidiSungText) == 0) {
        keepMidiLineOnPage(v, o, L);
        paintMidiSung(v, o, syllable);
    }
    if (ended) {
        MidiSungText.clear();
        p.Redraw = true;
    }
}

} // namespace Kar
