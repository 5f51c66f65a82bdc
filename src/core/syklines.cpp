#include "core/syklines.h"

#include "platform/files/textfile.h"

#include <filesystem>
#include <system_error>

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

std::optional<std::vector<std::string>> ReadSykLines(const std::string& path, ReadProblem* problem)
{
    if (problem)
        *problem = {};
    bool tooLarge = false;
    const std::optional<std::string> bytes = textfile::readBytes(path, MaxSykFileBytes, &tooLarge);
    if (!bytes) {
        if (problem) {
            problem->kind = tooLarge ? ReadProblem::TooLarge : ReadProblem::CannotRead;
            std::error_code ec;
            const std::uintmax_t size = std::filesystem::file_size(path, ec);
            problem->bytes = ec ? 0 : size;
        }
        return std::nullopt;
    }
    std::vector<std::string> lines = textfile::splitLines(textfile::decode(*bytes));
    for (std::string& line : lines)
        line = CloseLastTime(line);
    return lines;
}

std::string ReadProblemText(const ReadProblem& problem, const std::string& path, bool french)
{
    switch (problem.kind) {
    case ReadProblem::None:
        return {};
    case ReadProblem::CannotRead:
        return french ? "Le fichier de synchronisation " + path + " n'a pas pu être lu."
                      : "The sync file " + path + " could not be read.";
    case ReadProblem::TooLarge: {
        const std::uintmax_t mb = (problem.bytes + 1024 * 1024 - 1) / (1024 * 1024);
        const std::string limit = std::to_string(MaxSykFileBytes / (1024 * 1024));
        return french ? "Le fichier de synchronisation " + path + " (" + std::to_string(mb)
                            + " Mo) est bien trop grand pour être celui d'une chanson (au plus " + limit
                            + " Mo) : il n'est pas lu."
                      : "The sync file " + path + " (" + std::to_string(mb)
                            + " MB) is far too large to be a song's (at most " + limit + " MB): it is not read.";
    }
    }
    return {};
}

} // namespace SykFile
