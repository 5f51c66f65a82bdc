#include "editor/textconvert.h"

namespace textconvert {

namespace {

void replaceAll(std::string& s, char from, char to)
{
    for (char& c : s)
        if (c == from)
            c = to;
}

void trimTrailingBlanks(std::string& s)
{
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
}

// Blanks before each line break (and at the start) removed; `whole`: the
// pane's whole text, whose last line is closed by a line break and loses its
// closing blanks too.
std::string normaliseLines(std::string_view text, bool whole)
{
    std::size_t start = 0;
    while (start < text.size() && text[start] == ' ')
        ++start;

    std::string out;
    out.reserve(text.size() + 2);
    std::string line;
    for (std::size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            trimTrailingBlanks(line);
            out += line;
            out += "\r\n";
            line.clear();
        } else {
            line += c;
        }
    }
    if (!whole) {
        out += line;
        return out;
    }
    // The last line (when the text does not end with a line break) loses its
    // trailing blanks too, or they would turn into an empty syllable.
    if (!line.empty() || out.empty()) {
        trimTrailingBlanks(line);
        out += line;
        out += "\r\n";
    }
    return out;
}

} // namespace

std::string normaliseLyricText(std::string_view text) { return normaliseLines(text, true); }

std::string normaliseSelectedText(std::string_view text) { return normaliseLines(text, false); }

std::vector<std::string> textToEntries(std::string_view text, bool splitAtBlanks, bool partial)
{
    constexpr auto none = std::string_view::npos;
    std::vector<std::string> entries;
    std::size_t p = 0;
    const std::size_t n = text.size();
    while (p < n) {
        std::string piece;
        bool endsLine = false;
        bool rest = false;
        if (text[p] == '/') {
            // The rest of the text line, whole.
            const std::size_t lf = text.find('\n', p);
            ++p;
            const std::size_t end = lf == none ? n : lf;
            piece = std::string(text.substr(p, end - p));
            endsLine = true;
            p = lf == none ? n : lf + 1;
        } else {
            const std::size_t dash = text.find('-', p);
            const std::size_t blank = splitAtBlanks ? text.find(' ', p) : none;
            const std::size_t lf = text.find('\n', p);
            if (dash != none && dash < blank && dash < lf) {
                piece = std::string(text.substr(p, dash - p));
                p = dash + 1;
            } else if (blank != none && blank < dash && blank < lf) {
                piece = std::string(text.substr(p, blank - p + 1));
                p = blank + 1;
            } else if (lf != none) {
                piece = std::string(text.substr(p, lf - p));
                endsLine = true;
                p = lf + 1;
            } else if (partial) {
                piece = std::string(text.substr(p));
                rest = true;
                p = n;
            } else {
                break;
            }
        }
        // A line break in the pane is CR LF; only the CR is dropped, so a text
        // with bare LF line ends keeps every letter.
        if (!piece.empty() && piece.back() == '\r')
            piece.pop_back();
        replaceAll(piece, '_', '-');
        replaceAll(piece, ';', ',');
        if (piece == " ")
            continue;
        const std::size_t first = piece.find_first_not_of(' ');
        if (rest && first == std::string::npos)
            continue;
        std::string entry = first == std::string::npos ? std::string() : piece.substr(first);
        entry += ";0";
        if (endsLine)
            entry += '_';
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace textconvert
