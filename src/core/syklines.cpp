#include "core/syklines.h"

#include "platform/files/textfile.h"

namespace SykFile {

std::string CloseLastTime(std::string_view line)
{
    if (line.substr(0, 2) == "//")
        return std::string(line);
    // The readers' cut: a syllable up to ";", its time up to the next ";".
    // An odd number of ";" leaves the last time open.
    std::size_t count = 0;
    std::size_t last = std::string_view::npos;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == ';') {
            ++count;
            last = i;
        }
    }
    if (count % 2 == 0)
        return std::string(line);
    std::string closed(line);
    if (line.find_first_not_of(" \t", last + 1) == std::string_view::npos) {
        closed.resize(last + 1);
        closed += '0';
    }
    closed += ';';
    return closed;
}

std::optional<std::vector<std::string>> ReadSykLines(const std::string& path)
{
    std::optional<std::vector<std::string>> lines = textfile::readLines(path);
    if (lines)
        for (std::string& line : *lines)
            line = CloseLastTime(line);
    return lines;
}

} // namespace SykFile
