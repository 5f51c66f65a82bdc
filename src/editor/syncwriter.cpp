// Sync file lines <-> editor entries, and the file itself.
#include "editor/syncwriter.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "core/syklines.h"
#include "platform/files/runtime.h"
#include "platform/files/textfile.h"

namespace SykFile {

std::vector<std::string> BuildSykLines(const std::vector<std::string>& entries)
{
    std::vector<std::string> lines;
    // The accumulator always starts with the ";" put in front of its first
    // entry, so ";//" at its start means a display entry opens a line.
    std::string acc;
    for (const std::string& entry : entries) {
        acc += ';';
        acc += entry;
        if (acc.compare(0, 3, ";//") == 0) {
            lines.push_back(acc.substr(1));
            acc.clear();
        } else if (acc.back() == '_') {
            lines.push_back(acc.substr(1, acc.size() - 2) + ";");
            acc.clear();
        }
    }
    // Entries after the last line end: closing them as a last line keeps them
    // (a reader gives them back with the line end on the last one).
    if (!acc.empty())
        lines.push_back(acc.substr(1) + ";");
    return lines;
}

bool ParseSykLine(std::string_view line, std::vector<std::string>& out)
{
    if (line.substr(0, 2) == "//") {
        out.emplace_back(line);
        return true;
    }
    constexpr auto npos = std::string_view::npos;
    std::size_t p = 0;
    std::size_t q = line.find(';');
    while (q != npos) {
        const std::string_view syllable = line.substr(p, q - p);
        const std::size_t r = line.find(';', q + 1);
        if (r == npos)
            return false;  // a time without its closing ";"
        const std::string_view time = line.substr(q + 1, r - q - 1);
        p = r + 1;
        q = p < line.size() ? line.find(';', p) : npos;
        std::string entry;
        entry.reserve(syllable.size() + time.size() + 2);
        entry.append(syllable).append(";").append(time);
        if (q == npos)
            entry += '_';
        out.push_back(std::move(entry));
    }
    return true;
}

ReadResult ReadSykEntries(const std::string& path)
{
    ReadResult result;
    // The same reading as the lyric windows': the editor holds every line
    // they show, so a save never drops one.
    const std::optional<std::vector<std::string>> lines = ReadSykLines(path, &result.problem);
    if (!lines)
        return result;
    for (const std::string& line : *lines) {
        if (!ParseSykLine(line, result.entries))
            return result;
    }
    result.ok = true;
    return result;
}

bool WriteSykFile(const std::string& path, const std::vector<std::string>& entries)
{
    return textfile::writeLines(path, BuildSykLines(entries));
}

double RoundSykTime(double seconds)
{
    if (!std::isfinite(seconds) || seconds == 0)
        return 0.0;
    const double r = std::round(seconds / kSykTimeStep) * kSykTimeStep;
    return r == 0 ? std::copysign(kSykTimeStep, seconds) : r;
}

std::string FormatSykTime(double seconds) { return vb::Replace(vb::CStr(RoundSykTime(seconds)), ".", ","); }

std::string FormatTimedSykTime(double seconds) { return FormatSykTime(std::max(seconds, kSykTimeStep)); }

std::string ReadableEntry(const std::string& entry)
{
    if (IsDisplayEntry(entry))
        return entry;
    const EntryParts parts = SplitEntry(entry);
    const std::size_t mark = parts.time.find_first_of(",.");
    if (!parts.hasSeparator || mark == std::string::npos || parts.time.size() - mark - 1 <= 3)
        return entry;
    bool ok = false;
    const double t = ParseSykTime(parts.time, &ok);
    if (!ok)
        return entry;
    return parts.syllable + ";" + FormatSykTime(t) + (parts.lineEnd ? "_" : "");
}

double ParseSykTime(std::string_view text, bool* ok)
{
    const std::optional<double> v = vb::ToNumber(text);
    if (ok)
        *ok = v.has_value();
    return v.value_or(0.0);
}

EntryParts SplitEntry(std::string_view entry)
{
    EntryParts parts;
    const std::size_t p = entry.find(';');
    if (p == std::string_view::npos) {
        parts.syllable = std::string(entry);
        return parts;
    }
    parts.hasSeparator = true;
    parts.syllable = std::string(entry.substr(0, p));
    std::string_view time = entry.substr(p + 1);
    if (!entry.empty() && entry.back() == '_') {
        parts.lineEnd = true;
        if (!time.empty())
            time.remove_suffix(1);
    }
    parts.time = std::string(time);
    return parts;
}

} // namespace SykFile
