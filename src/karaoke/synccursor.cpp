#include "karaoke/synccursor.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "platform/files/runtime.h"

namespace Kar {
namespace {

// 1-based position of the first ";" at or after 1-based `from`; 0 when none.
int32_t findSep(const std::string& s, int32_t from)
{
    if (from < 1)
        from = 1;
    if (static_cast<std::size_t>(from) > s.size())
        return 0;
    const auto p = s.find(';', static_cast<std::size_t>(from - 1));
    return p == std::string::npos ? 0 : static_cast<int32_t>(p + 1);
}

// `len` characters from 1-based `pos` (what lies outside the text is left out).
std::string mid(const std::string& s, int32_t pos, int32_t len)
{
    if (pos < 1 || len <= 0 || static_cast<std::size_t>(pos) > s.size())
        return {};
    return s.substr(static_cast<std::size_t>(pos - 1), static_cast<std::size_t>(len));
}

bool isDisplayLine(const std::string& line)
{
    return line.size() >= 2 && line[0] == '/' && line[1] == '/';
}

bool readFileLine(SyncCursor& cur, std::string& out)
{
    if (!cur.FileOpen || cur.NextFileLine >= cur.FileLines.size())
        return false;
    out = std::move(cur.FileLines[cur.NextFileLine++]);
    return true;
}

int32_t currentSlot(LyricPage& page)
{
    if (page.Slot < 1 || page.Slot > MaxPageLines)
        page.Slot = 1;
    return page.Slot;
}

} // namespace

double parseSyncTime(std::string_view text)
{
    const auto value = vb::ToNumber(text);
    return (value && std::isfinite(*value)) ? *value : 0.0;
}

void stripMarks(SyncCursor& cur, LyricPage& page)
{
    const int32_t s = page.Slot;
    if (s < 1 || s > MaxPageLines)
        return;
    const std::string& raw = cur.RawLines[s];
    std::string& shown = page.PageLines[s];
    cur.ReadPos = 1;
    cur.NextSep = 1;
    shown.clear();
    // The filler of an exhausted file keeps the page going; it shows nothing.
    for (; raw != FillerLine;) {
        cur.NextSep = findSep(raw, cur.ReadPos);
        if (cur.NextSep == 0)
            break;
        shown += mid(raw, cur.ReadPos, cur.NextSep - cur.ReadPos);
        cur.ReadPos = cur.NextSep + 1;
        // The time field: skipped; without its closing ";" the line ends here.
        cur.NextSep = findSep(raw, cur.ReadPos);
        cur.ReadPos = cur.NextSep + 1;
        if (cur.NextSep == 0)
            break;
    }
    cur.ReadPos = 1;
    cur.NextSep = 1;
}

void resetClosedCursor(SyncCursor& cur, LyricPage& page)
{
    closeCursor(cur);
    cur.ReadPos = 1;
    cur.NextSep = 1;
    cur.SungText.clear();
    cur.EofLines = 0;
    cur.NeedSyllable = -1;
    page.Redraw = true;
}

void openCursor(SyncCursor& cur, LyricPage& page, std::vector<std::string> fileLines,
                int nbLigne, bool applyLeadingDisplayLine, const CursorHooks& hooks)
{
    resetClosedCursor(cur, page);
    // A look parked by the previous song must not colour this one.
    for (auto& d : cur.Directives)
        d.clear();
    cur.FileLines = std::move(fileLines);
    cur.NextFileLine = 0;
    cur.FileOpen = true;

    const int n = pageSize(nbLigne);
    for (int k = 1; k <= n; ++k) {
        std::string line;
        bool got = readFileLine(cur, line);
        if (got && isDisplayLine(line)) {
            // One display line per slot: it belongs to the lyric line after it.
            if (k == 1 && applyLeadingDisplayLine) {
                if (hooks.applyDisplayLine)
                    hooks.applyDisplayLine(line);
            } else {
                cur.Directives[k] = line;
            }
            got = readFileLine(cur, line);
        }
        if (got) {
            cur.RawLines[k] = std::move(line);
        } else {
            cur.RawLines[k] = FillerLine;
            ++cur.EofLines;
        }
    }
    for (int k = 1; k <= n; ++k) {
        page.Slot = k;
        stripMarks(cur, page);
    }
    page.Slot = 1;
    cur.ReadPos = 1;
    cur.NextSep = 1;
    if (hooks.printPage)
        hooks.printPage();
}

void nextLine(SyncCursor& cur, LyricPage& page, int nbLigne, const CursorHooks& hooks)
{
    const int n = pageSize(nbLigne);
    const int32_t s = currentSlot(page);
    cur.NextSep = findSep(cur.RawLines[s], cur.ReadPos);

    bool filler = false;
    if (cur.NextSep == 0) {
        // The current line is used up: its slot takes the next line of the file
        // (the one that shows NbLigne lines later) and the next slot becomes current.
        const int32_t next = (s >= n || s >= MaxPageLines) ? 1 : s + 1;
        std::string line;
        bool got = readFileLine(cur, line);
        if (got && isDisplayLine(line)) {
            cur.Directives[s] = line;
            got = readFileLine(cur, line);
        }
        filler = !got;
        cur.RawLines[s] = got ? std::move(line) : FillerLine;
        stripMarks(cur, page);
        cur.ReadPos = 1;
        cur.NextSep = findSep(cur.RawLines[next], 1);
        cur.SungText.clear();
        page.Slot = next;
        page.Redraw = true;
        if (filler)
            ++cur.EofLines;
    }

    if (!filler) {
        // A look parked for the slot that has just become current applies now.
        std::string& parked = cur.Directives[page.Slot];
        if (!parked.empty()) {
            const std::string line = std::move(parked);
            parked.clear();
            if (hooks.applyDisplayLine)
                hooks.applyDisplayLine(line);
            if (hooks.displayLineApplied)
                hooks.displayLineApplied();
        }
    }

    // Cut the syllable and its time.
    const std::string& raw = cur.RawLines[page.Slot];
    cur.FieldLen = std::max(0, cur.NextSep - cur.ReadPos);
    cur.Syllable = mid(raw, cur.ReadPos, cur.FieldLen);
    cur.ReadPos = cur.NextSep + 1;
    cur.NextSep = findSep(raw, cur.ReadPos);
    cur.FieldLen = cur.NextSep - cur.ReadPos;
    if (cur.NextSep == 0) {
        // A time without its closing ";" (or no time at all): the syllable is due
        // at once and the line ends here, so the next call moves on to the next
        // line instead of cutting this one again.
        cur.SyllableTime = 0;
        cur.ReadPos = static_cast<int32_t>(std::min<std::size_t>(raw.size(), INT32_MAX - 1)) + 1;
    } else {
        cur.SyllableTime = parseSyncTime(std::string_view(raw).substr(
            static_cast<std::size_t>(cur.ReadPos - 1), static_cast<std::size_t>(cur.FieldLen)));
        cur.ReadPos = cur.NextSep + 1;
    }
    cur.NeedSyllable = 0;
}

void closeCursor(SyncCursor& cur)
{
    cur.FileOpen = false;
    cur.FileLines.clear();
    cur.FileLines.shrink_to_fit();
    cur.NextFileLine = 0;
}

} // namespace Kar
