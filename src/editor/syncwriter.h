#pragma once
// The sync file (.syk, and its echo twin .sy1) and the editor's entries.
//
// A file line is either a display line, "//" + picture;page;sung;passive;
// back;shadow (no ";" at the end), or a lyric line: syllable;time; pairs, the
// time with a decimal comma, the line closed by the ";" after its last time.
// The editor holds one entry per syllable, "syllable;time", with "_" glued to
// the time of a line's last syllable, and display lines verbatim.
//
// Everything here is pure apart from the file read and write; the windows
// (the editor's loader, the save dialog) add the messages.
#include "core/syklines.h"

#include <string>
#include <string_view>
#include <vector>

namespace SykFile {

// The file lines for a list of entries: entries are gathered until one ends
// with "_", which closes a lyric line; a display entry at a line start is a
// line of its own (in the middle of a lyric line it is joined into that line
// like a syllable: the editor places display entries at line starts only).
// Entries after the last line end form a final lyric line of their own, so a
// list whose last entry lacks its line end still loses nothing.
std::vector<std::string> BuildSykLines(const std::vector<std::string>& entries);

// Cuts one file line into entries, appended to `out`: a display line whole,
// a lyric line as its syllable;time pairs, "_" after the last pair. Text after
// the last ";" is ignored; an empty line or one without ";" adds nothing.
// False when a time lacks its closing ";": the pairs before it stay appended.
bool ParseSykLine(std::string_view line, std::vector<std::string>& out);

struct ReadResult {
    std::vector<std::string> entries;  // read up to the failure, if any
    bool ok = false;                   // false: the file could not be read whole
    ReadProblem problem;               // why nothing was read, when so
};
// Reads a whole sync file as the lyric windows read it (core/syklines.h: a
// last time without its closing ";" is still read).
ReadResult ReadSykEntries(const std::string& path);

// Writes the lines (CR LF after each) beside `path` and renames the result
// over it: a failure leaves any existing file untouched. An empty list makes
// an empty file.
bool WriteSykFile(const std::string& path, const std::vector<std::string>& entries);

// Times are kept to the millisecond: a person reads them in the editor's list
// and fields, and a sung syllable needs no finer step. A time that is not 0
// never becomes 0 by the rounding (0 means "not captured yet"): it keeps the
// smallest step, with its sign.
inline constexpr double kSykTimeStep = 0.001;
double RoundSykTime(double seconds);
// A time as the sync file writes it: rounded as above, the shortest text,
// "." turned into ",". 12.5 -> "12,5", 3 -> "3", 1.00455782 -> "1,005".
std::string FormatSykTime(double seconds);
// The time of a syllable the editor has just timed (capture, import): never
// 0, which would leave it waiting for a capture; the song's very start is the
// first step after it.
std::string FormatTimedSykTime(double seconds);
// An entry read from a file, its time given as the editor writes times when
// it holds more than milliseconds ("a;1,00455782_" -> "a;1,005_"). Display
// entries, times that are not numbers and times already to the millisecond
// keep their text.
std::string ReadableEntry(const std::string& entry);
// A time text read with "," or "." as the decimal mark, whatever the locale;
// leading/trailing blanks allowed. nullopt-like: `ok` false when the text is
// not a number (and 0 is returned).
double ParseSykTime(std::string_view text, bool* ok = nullptr);

// Parts of an entry: the syllable (before the first ";"), the time text
// (after it, without a final "_") and whether it ends its lyric line.
struct EntryParts {
    std::string syllable;
    std::string time;
    bool lineEnd = false;
    bool hasSeparator = false;  // false: no ";" in the entry
};
EntryParts SplitEntry(std::string_view entry);
inline bool IsDisplayEntry(std::string_view entry) { return entry.substr(0, 2) == "//"; }

} // namespace SykFile
