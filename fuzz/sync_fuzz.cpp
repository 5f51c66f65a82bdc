// Feeds arbitrary bytes to the sync-file reader as the content of a .syk/.sy1
// file: decoded and split as the file reader does, then the line cursor is
// opened on them and driven to well past the end of the file, on every page size.
// Besides crashes and stray reads it traps when the cursor stops making
// progress (a song that would never end) or hands out text or times the lyric
// windows cannot trust.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/syklines.h"
#include "editor/syncwriter.h"
#include "fuzz_support.h"
#include "karaoke/pagestate.h"
#include "karaoke/synccursor.h"
#include "platform/files/textfile.h"

using fuzzsupport::check;

namespace {

void checkPage(const Kar::SyncCursor& cur, const Kar::LyricPage& page, int n)
{
    check(page.Slot >= 1 && page.Slot <= n);
    for (int k = 1; k <= n; ++k) {
        check(textfile::isValidUtf8(cur.RawLines[k]));
        check(textfile::isValidUtf8(page.PageLines[k]));
        // The shown text is the raw line without its marks: never longer.
        check(page.PageLines[k].size() <= cur.RawLines[k].size());
        check(page.PageLines[k].find(';') == std::string::npos);
    }
}

void runCursor(const std::vector<std::string>& lines, std::size_t byteCount, int nbLigne, bool leading)
{
    Kar::SyncCursor cur;
    Kar::LyricPage page;
    const int n = Kar::pageSize(nbLigne);
    int applied = 0;
    int printed = 0;
    Kar::CursorHooks hooks;
    hooks.applyDisplayLine = [&](const std::string& line) {
        check(line.size() >= 2 && line[0] == '/' && line[1] == '/');
        ++applied;
    };
    hooks.printPage = [&] { ++printed; };
    hooks.displayLineApplied = [&] { check(applied > 0); };

    Kar::openCursor(cur, page, lines, nbLigne, leading, hooks);
    check(printed == 1);
    check(cur.FileOpen);
    checkPage(cur, page, n);

    // Every call either uses up at least one ";" of the current line or moves to
    // the next line, so the whole file plus a few pages of fillers is bounded by
    // the input's size.
    const std::size_t limit = 4 * byteCount + 4 * lines.size() + 64 * static_cast<std::size_t>(n) + 64;
    std::size_t calls = 0;
    while (cur.EofLines < 3 * n) {
        check(++calls <= limit);
        cur.NeedSyllable = -1;
        Kar::nextLine(cur, page, nbLigne, hooks);
        check(cur.NeedSyllable == 0);
        check(std::isfinite(cur.SyllableTime));
        check(textfile::isValidUtf8(cur.Syllable));
        check(cur.Syllable.find(';') == std::string::npos);
        check(cur.ReadPos >= 1);
        checkPage(cur, page, n);
    }
    // The last page's worth of refills came after the end: only fillers are left.
    for (int k = 1; k <= n; ++k)
        check(cur.RawLines[k] == Kar::FillerLine);
    Kar::closeCursor(cur);
    check(!cur.FileOpen && cur.FileLines.empty());
}

// The page size changed in the settings while a song plays: the cursor goes on
// with the new size from the next call (here a new size every few syllables,
// taken from the input).
void runCursorChangingSize(const std::vector<std::string>& lines, std::string_view bytes)
{
    Kar::SyncCursor cur;
    Kar::LyricPage page;
    const Kar::CursorHooks hooks;
    Kar::openCursor(cur, page, lines, 8, false, hooks);
    const std::size_t limit = 4 * bytes.size() + 4 * lines.size() + 64 * Kar::MaxPageLines + 64;
    std::size_t calls = 0;
    while (cur.EofLines < 3 * Kar::MaxPageLines) {
        check(++calls <= limit);
        const int nbLigne = 2 + 2 * (static_cast<unsigned char>(bytes[(calls / 3) % bytes.size()]) % 4);
        cur.NeedSyllable = -1;
        Kar::nextLine(cur, page, nbLigne, hooks);
        check(cur.NeedSyllable == 0);
        check(page.Slot >= 1 && page.Slot <= Kar::MaxPageLines);
        check(textfile::isValidUtf8(cur.Syllable));
        check(textfile::isValidUtf8(page.PageLines[page.Slot]));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = textfile::decode(bytes);
    check(textfile::isValidUtf8(text));
    const std::vector<std::string> lines = textfile::splitLines(text);

    runCursor(lines, size, 2, true);
    runCursor(lines, size, 4, false);
    runCursor(lines, size, 6, true);
    runCursor(lines, size, 8, false);
    runCursor(lines, size, 3, true);   // not a page size of the settings: a full page
    if (size > 0)
        runCursorChangingSize(lines, bytes);

    // The lines as every reader takes them: each time closed, so the editor
    // reads every line whole and the windows show the same lines.
    std::vector<std::string> closed;
    closed.reserve(lines.size());
    for (const std::string& line : lines) {
        closed.push_back(SykFile::CloseLastTime(line));
        check(closed.back().size() <= line.size() + 2);
        std::vector<std::string> entries;
        check(SykFile::ParseSykLine(closed.back(), entries));
    }
    runCursor(closed, size + 2 * closed.size(), 2, true);

    // The time reader alone, on the raw bytes: a number or 0, never NaN or inf.
    const double t = Kar::parseSyncTime(bytes.substr(0, 64));
    check(std::isfinite(t));
    return 0;
}
