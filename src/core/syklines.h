#pragma once
// How every reader of .syk / .sy1 files takes their lines: the lyric windows,
// the synchronisation editor and the lyric text window read a file through
// here, so a line one of them shows is never dropped by another (and a file
// the editor loads is never saved back shorter than it was).
//
// A lyric line is syllable;time; pairs, each time closed by ";". Files edited
// by hand often lose the ";" after the last time of a line: the time is still
// there, so the line is read as if it had it.
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

// The file's lines (any line end, UTF-8 or Windows-1252), each with its last
// time closed as above; nullopt when the file cannot be opened or read.
std::optional<std::vector<std::string>> ReadSykLines(const std::string& path);

} // namespace SykFile
