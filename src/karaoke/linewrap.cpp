#include "karaoke/linewrap.h"

#include <algorithm>
#include <vector>

namespace Kar {
namespace {

// Characters (code points) of UTF-8 text.
std::size_t charCount(std::string_view s)
{
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

// The text from character `from` on (1-based).
std::string fromChar(const std::string& s, std::size_t from)
{
    std::size_t seen = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (++seen == from)
                return s.substr(i);
        }
    }
    return {};
}

// Splits `text` once: the longest prefix before a blank that fits, or the first
// blank when none does. Returns false when the text has no blank from its
// second character on.
bool cutOnce(std::string_view text, const LineMetrics& m, std::string& head, std::string& tail)
{
    std::vector<std::size_t> blanks;
    for (std::size_t p = text.find(' ', 1); p != std::string_view::npos; p = text.find(' ', p + 1))
        blanks.push_back(p);
    if (blanks.empty())
        return false;
    // Prefixes only widen as they grow, so the last fitting blank is found by
    // galloping out from the first blank and then bisecting: the prefixes
    // measured are never much longer than the row, and a line with thousands
    // of blanks costs a handful of measurements.
    bool found = false;
    std::size_t best = 0;
    std::size_t lo = 0, hi = blanks.size();  // answer: last index in [lo, hi) that fits
    for (std::size_t step = 1, probe = 0; probe < blanks.size(); probe += step, step *= 2) {
        if (m.freeWidth(text.substr(0, blanks[probe])) >= 0) {
            found = true;
            best = probe;
            lo = probe + 1;
        } else {
            hi = probe;
            break;
        }
    }
    while (lo < hi) {
        const std::size_t midIdx = lo + (hi - lo) / 2;
        if (m.freeWidth(text.substr(0, blanks[midIdx])) >= 0) {
            found = true;
            best = midIdx;
            lo = midIdx + 1;
        } else {
            hi = midIdx;
        }
    }
    const std::size_t cut = found ? blanks[best] : blanks.front();
    head.assign(text.substr(0, cut));
    tail.assign(text.substr(cut + 1));
    return true;
}

// Whether a whole text keeps a strictly positive free width. A long text is
// first judged by a prefix: when that does not fit, the whole cannot either,
// and a line of thousands of syllables is not measured whole for every row.
bool fitsWhole(std::string_view text, const LineMetrics& m, std::size_t probeLen)
{
    if (text.size() > probeLen && m.freeWidth(text.substr(0, probeLen)) <= 0)
        return false;
    return m.freeWidth(text) > 0;
}

} // namespace

double LineMetrics::freeWidth(std::string_view s) const
{
    const double w = textWidth ? textWidth(s) : 0.0;
    return static_cast<float>((windowWidth - 300.0) - (margin + w));
}

int splitLine(std::string_view line, const LineMetrics& m, std::array<std::string, 5>& rows)
{
    rows[1].clear();
    rows[2].clear();
    rows[3].clear();
    int count = 1;
    std::string rest(line);
    for (int r = 1; r <= 3; ++r) {
        if (m.freeWidth(rest) > 0)
            break;
        std::string head, tail;
        if (!cutOnce(rest, m, head, tail))
            break;
        rows[r] = std::move(head);
        rows[r + 1] = tail;
        count = r + 1;
        rest = std::move(tail);
    }
    return count;
}

std::vector<std::string> wrapRows(std::string_view line, const LineMetrics& m)
{
    std::vector<std::string> rows;
    std::string rest(line);
    std::size_t probe = 512;
    for (;;) {
        if (fitsWhole(rest, m, probe))
            break;
        std::string head, tail;
        if (!cutOnce(rest, m, head, tail))
            break;
        probe = std::max<std::size_t>(64, 2 * head.size() + 64);
        rows.push_back(std::move(head));
        rest = std::move(tail);
    }
    rows.push_back(std::move(rest));
    return rows;
}

int fourRowWrap(const std::vector<std::string>& rows, std::array<std::string, 5>& out)
{
    out[1].clear();
    out[2].clear();
    out[3].clear();
    if (rows.size() <= 1)
        return 1;
    const std::size_t n = std::min<std::size_t>(rows.size(), 4);
    for (std::size_t r = 0; r + 1 < n; ++r)
        out[r + 1] = rows[r];
    // Each cut dropped one blank: joining the rest with one blank gives the
    // text after the third cut back.
    std::string last = rows[n - 1];
    for (std::size_t r = n; r < rows.size(); ++r)
        last += ' ' + rows[r];
    out[n] = std::move(last);
    return static_cast<int>(n);
}

void preparePage(LyricPage& page, int n, const LineMetrics& m, const LayoutOptions& opt,
                 const std::function<void()>& printEmptyRow)
{
    preparePage(
        page, n, [&](const std::string& line) { return splitLine(line, m, page.SplitRows); }, opt, printEmptyRow);
}

void preparePage(LyricPage& page, int n, const std::function<int(const std::string&)>& rowsOf,
                 const LayoutOptions& opt, const std::function<void()>& printEmptyRow)
{
    page.RowOffset = 0;
    auto take = [&](const std::string& line) {
        const int rows = rowsOf(line);
        page.RowOffset += rows;
        for (int i = 1; i < rows; ++i)
            if (printEmptyRow)
                printEmptyRow();
    };
    const int first = (n >= 0 && n <= 6) ? n : 7;
    for (int k = first; k >= 1; --k) {
        // Copy: the wrap overwrites page.SplitRows, never the ring, but keep the
        // argument independent of the buffers it fills.
        const std::string line = page.PageLines[k];
        take(line);
    }
    if (opt.scroll && opt.keptLines >= 1) {
        const std::string line = page.PastLines[2];
        take(line);
    }
    if (opt.scroll && opt.keptLines >= 2) {
        const std::string line = page.PastLines[3];
        take(line);
    }
}

SungSpot locateSung(const std::string& sung, int rowCount, const std::array<std::string, 5>& rows)
{
    SungSpot spot;
    if (sung.empty() || rowCount < 1 || rowCount > 4)
        return spot;
    if (rowCount == 1) {
        spot.row = 1;
        spot.part = sung;
        return spot;
    }
    const std::size_t len = charCount(sung);
    std::size_t upTo = 0;  // characters of rows 1..r plus one blank per break
    int row = rowCount;
    for (int r = 1; r < rowCount; ++r) {
        upTo += charCount(rows[r]) + 1;
        if (len <= upTo) {
            row = r;
            break;
        }
    }
    spot.row = row;
    if (row == 1) {
        spot.part = sung;
    } else {
        std::size_t before = 0;
        for (int r = 1; r < row; ++r)
            before += charCount(rows[r]);
        spot.part = fromChar(sung, before + static_cast<std::size_t>(row));
    }
    return spot;
}

SungSpot locateSungIn(const std::string& sung, const std::vector<std::string>& rows)
{
    SungSpot spot;
    if (sung.empty() || rows.empty())
        return spot;
    if (rows.size() == 1) {
        spot.row = 1;
        spot.part = sung;
        return spot;
    }
    const std::size_t len = charCount(sung);
    std::size_t upTo = 0;    // characters of rows 1..r plus one blank per break
    std::size_t before = 0;  // characters of the rows before the row found
    std::size_t row = rows.size();
    for (std::size_t r = 0; r + 1 < rows.size(); ++r) {
        upTo += charCount(rows[r]) + 1;
        if (len <= upTo) {
            row = r + 1;
            break;
        }
        before += charCount(rows[r]);
    }
    spot.row = static_cast<int>(row);
    spot.part = row == 1 ? sung : fromChar(sung, before + row);
    return spot;
}

void refillMidiRing(LyricPage& page, int nbLigne, const std::array<std::string, 9>& lines)
{
    const int n = pageSize(nbLigne);
    int s = page.Slot;
    if (s < 1 || s > MaxPageLines)
        s = 1;
    if (s == 1 && lines[0].empty()) {
        for (int k = 1; k <= MaxPageLines; ++k)
            page.PageLines[k] = lines[k];
        page.Slot = 1;
        return;
    }
    for (int k = 1; k <= n; ++k)
        page.PageLines[k] = lines[static_cast<std::size_t>((((k - s) % n) + n) % n)];
    if (s == 1)
        page.IntroDots = false;
    page.Slot = (s >= n) ? 1 : s + 1;
}

} // namespace Kar
