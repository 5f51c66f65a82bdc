#pragma once
// How every reader of .syk / .sy1 files takes their lines: the lyric windows,
// the synchronisation editor and the lyric text window read a file through
// here, so a line one of them shows is never dropped by another (and a file
// the editor loads is never saved back shorter than it was).
//
// A lyric line is syllable;time; pairs, each time closed by ";". Files edited
// by hand often lose the ";" after the last time of a line: the time is still
// there, so the line is read as if it had it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace SykFile {

// The line with the ";" its last time lacks: "a;1;b;2" -> "a;1;b;2;"; a last
// syllable whose time is missing altogether gets "0" (not captured yet):
// "a;1;b;" -> "a;1;b;0;". Display lines ("//" first), lines without ";" and
// whole lines come back unchanged.
std::string CloseLastTime(std::string_view line);

// A song's sync file holds a few kilobytes. One far larger is no sync file
// (a file given the wrong name, a damaged disk): it is refused rather than
// read, which would freeze the window and hold all of it in memory.
constexpr std::uintmax_t MaxSykFileBytes = 1024 * 1024;

// Why a sync file was not read.
struct ReadProblem {
    enum Kind { None, CannotRead, TooLarge } kind = None;
    std::uintmax_t bytes = 0;  // the file's size, for TooLarge
};

// The file's lines (any line end; UTF-8, Windows-1252 or UTF-16), each with
// its last time closed as above; nullopt when the file cannot be opened or
// read, or is larger than MaxSykFileBytes (*problem says which).
std::optional<std::vector<std::string>> ReadSykLines(const std::string& path, ReadProblem* problem = nullptr);

// What to tell the user about a sync file that was not read, in French when
// `french`; "" when there was no problem.
std::string ReadProblemText(const ReadProblem& problem, const std::string& path, bool french);

} // namespace SykFile
