#include "playlist/playlistrow.h"

#include "platform/files/paths.h"
#include "platform/files/textfile.h"

#include <algorithm>
#include <functional>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace PlayList {

namespace {

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string asciiLowerString(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = asciiLower(c);
    return out;
}

bool isBlank(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\t' || c == '\0'; });
}

fs::path toPath(const std::string& utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

// The song and picture columns hold file names, which on Linux are bytes that
// need not be UTF-8 ("caf\xE9.mp3" copied from an old system). Such a name is
// kept byte for byte, in memory and in the file, so that it still names its file.
bool isPathColumn(std::size_t col) { return col == ColPath || col == ColPicturePath; }

// A path field of a file that is not UTF-8 as a whole: Windows-1252 text (a
// list from Windows, or one of ours written in Windows-1252) or the bytes of
// a name that is not UTF-8. Only the disk tells them apart: the bytes are
// taken as they are when they name a file and the decoded text does not.
std::string pathFromBytes(const std::string& bytes)
{
    std::string decoded = textfile::cp1252ToUtf8(bytes);
    if (!paths::isFile(decoded) && paths::isFile(bytes))
        return bytes;
    return decoded;
}

} // namespace

const std::array<ColumnSpec, PlayListColumnCount>& playListColumns()
{
    static const std::array<ColumnSpec, PlayListColumnCount> columns{{
        {"Titre", "Title", 33, 0},
        {"Chanteur", "Artist", 20, 0},
        {"Temps", "Time", 9, 2},
        {"Style", "Type", 7, 0},
        {"Chemin", "Path", 21, 0},
        {"syk", "syk", 6, 2},
        {"ActifPerKar", "ActifPerKar", 0, 0},
        {"CoPol", "CoPol", 0, 0},
        {"CoPolAc", "CoPolAc", 0, 0},
        {"CoPolPa", "CoPolPa", 0, 0},
        {"CoFond", "CoFond", 0, 0},
        {"CoShadow", "CoShadow", 0, 0},
        {"PathImg", "PathImg", 0, 0},
    }};
    return columns;
}

const std::array<ColumnSpec, 4>& browseColumns()
{
    static const std::array<ColumnSpec, 4> columns{{
        {"Nom", "Name", 61, 0},
        {"Taille", "Size", 15, 0},
        {"Style", "Type", 10, 0},
        {"Syk", "Syk", 8, 0},
    }};
    return columns;
}

std::string syncFlag(bool hasSyk, bool hasSy1, const std::string& langue)
{
    if (!hasSyk)
        return "N";
    std::string flag = langue == "En" ? "Y" : "O";
    if (hasSy1)
        flag += "+";
    return flag;
}

SongKind songKindOf(std::string_view path)
{
    if (path.size() < 4)
        return SongKind::None;
    const std::string ext = asciiLowerString(path.substr(path.size() - 4));
    if (ext == ".mp3" || ext == ".wav")
        return SongKind::Audio;
    if (ext == ".mid")
        return SongKind::Midi;
    if (ext == ".kar")
        return SongKind::Kar;
    return SongKind::None;
}

std::string iconKey(SongKind kind, bool hasSyk)
{
    const char* key = nullptr;
    switch (kind) {
    case SongKind::Audio: key = hasSyk ? IconNoteMp3R : IconNoteMp3; break;
    case SongKind::Midi: key = hasSyk ? IconNote1R : IconNote1; break;
    case SongKind::Kar: key = hasSyk ? IconNote2R : IconNote2; break;
    case SongKind::None: return {};
    }
    return key;
}

std::string iconKeyForRow(const PlayListRow& row)
{
    return iconKey(songKindOf(row.Path()), row.SyncFlag() != "N");
}

bool parseLstLine(std::string_view line, PlayListRow& row, bool* complete)
{
    row = PlayListRow{};
    if (complete)
        *complete = true;
    if (isBlank(line))
        return false;

    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t semi = line.find(';', start);
        if (semi == std::string_view::npos) {
            parts.push_back(line.substr(start));
            break;
        }
        parts.push_back(line.substr(start, semi - start));
        start = semi + 1;
    }
    // Separators and blanks alone carry no song.
    if (std::all_of(parts.begin(), parts.end(), [](std::string_view p) { return isBlank(p); }))
        return false;

    const std::size_t n = parts.size();
    // Seven fields is the six-field short form with a stray seventh: the look
    // columns start being read only from eight fields on.
    const std::size_t take = n == 7 ? 6 : std::min<std::size_t>(n, PlayListColumnCount);
    for (std::size_t i = 0; i < take; ++i) {
        std::string field(parts[i]);
        // NUL bytes have no place in a title or a path; they would only travel
        // on into the next save.
        field.erase(std::remove(field.begin(), field.end(), '\0'), field.end());
        row.fields[i] = std::move(field);
    }
    if (complete)
        *complete = n == 6 || n == 7 || n >= 12;
    return true;
}

std::string sanitizeField(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (char c : field) {
        if (c == ';')
            out += ',';
        else if (c == '\r' || c == '\n')
            out += ' ';
        else if (c != '\0')
            out += c;
    }
    return out;
}

Unstorable unstorableInList(std::string_view path)
{
    if (path.find_first_of("\r\n") != std::string_view::npos)
        return Unstorable::LineBreak;
    if (path.find(';') != std::string_view::npos)
        return Unstorable::Semicolon;
    return Unstorable::None;
}

std::string oneLineName(std::string_view name)
{
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\r' || name[i] == '\n') {
            out += "\u21B5";
            if (name[i] == '\r' && i + 1 < name.size() && name[i + 1] == '\n')
                ++i;
        } else {
            out += name[i];
        }
    }
    return out;
}

std::string formatLstLine(const PlayListRow& row)
{
    std::string line;
    for (int i = 0; i < PlayListColumnCount; ++i) {
        if (i > 0)
            line += ';';
        line += sanitizeField(row[i]);
    }
    return line;
}

bool readLstRows(const std::string& path, const std::function<void(std::size_t)>& starting,
                 const std::function<void(PlayListRow&&)>& take, std::size_t* repairedLines)
{
    std::vector<std::string> lines;
    bool utf8File = false;
    {
        auto bytes = textfile::readBytes(path);
        if (!bytes)
            return false;
        // A list saved as "Unicode" by a Windows editor is UTF-16, and a file
        // that is UTF-8 as a whole is read as such: both are decoded once, as
        // every text file is. Otherwise the fields are split first (";" and the
        // line ends are the same bytes in both encodings) and decoded below.
        // The file's bytes go before the rows are made.
        utf8File = textfile::utf16ToUtf8(*bytes).has_value() || textfile::isValidUtf8(*bytes);
        lines = textfile::splitLines(utf8File ? textfile::decode(*bytes) : *bytes);
    }

    // Not UTF-8: a list in Windows-1252, or one whose text is UTF-8 and that
    // holds names that are not. The text is UTF-8 when every field but those
    // names is.
    bool utf8Text = true;
    if (!utf8File) {
        for (const std::string& line : lines) {
            PlayListRow row;
            if (!parseLstLine(line, row, nullptr))
                continue;
            for (std::size_t col = 0; col < row.fields.size() && utf8Text; ++col) {
                if (!textfile::isValidUtf8(row.fields[col]) && !isPathColumn(col))
                    utf8Text = false;
            }
            if (!utf8Text)
                break;
        }
    }

    if (starting)
        starting(lines.size());
    bool first = true;
    for (std::string& line : lines) {
        PlayListRow row;
        bool complete = true;
        const bool parsed = parseLstLine(line, row, &complete);
        std::string().swap(line); // each line's text goes as its row is made
        if (!parsed)
            continue;
        if (!complete && repairedLines)
            ++*repairedLines;
        if (!utf8File) {
            for (std::size_t col = 0; col < row.fields.size(); ++col) {
                std::string& field = row.fields[col];
                if (isPathColumn(col) && !textfile::isValidUtf8(field))
                    field = pathFromBytes(field);
                else if (!utf8Text)
                    field = textfile::cp1252ToUtf8(field);
            }
            if (first && utf8Text && row.Title().rfind("\xEF\xBB\xBF", 0) == 0)
                row.Title().erase(0, 3);
        }
        first = false;
        take(std::move(row));
    }
    return true;
}

LstFile readLstFile(const std::string& path)
{
    LstFile result;
    result.opened = readLstRows(
        path, [&](std::size_t lines) { result.rows.reserve(lines); },
        [&](PlayListRow&& row) { result.rows.push_back(std::move(row)); }, &result.repairedLines);
    return result;
}

bool writeLstFile(const std::string& path, const std::vector<PlayListRow>& rows)
{
    if (path.empty())
        return false;
    std::vector<std::string> lines;
    lines.reserve(rows.size());
    bool names = false;
    for (const PlayListRow& row : rows) {
        lines.push_back(formatLstLine(row));
        names = names || !textfile::isValidUtf8(lines.back());
    }
    if (!names) {
        // A list that is not UTF-8 is read field by field (below): Windows-1252
        // serves only when no field on its own would read back as other text
        // ("\xC3\xA9" written for "Ã©" would come back as one letter).
        bool fits = true;
        bool ambiguous = false;
        for (const PlayListRow& row : rows) {
            for (const std::string& field : row.fields) {
                const std::string text = sanitizeField(field);
                const auto b = textfile::utf8ToCp1252(text);
                if (!b)
                    fits = false;
                else if (*b != text && textfile::isValidUtf8(*b))
                    ambiguous = true;
            }
        }
        if (!fits || !ambiguous)
            return textfile::writeLines(path, lines);
    }

    // Names that are not UTF-8 are written as their bytes; the text around
    // them is written in UTF-8, which tells the reader that these are names
    // and not Windows-1252 text. Anything else that is not UTF-8 is text.
    // (The ambiguous list above takes the same form, without such names.)
    lines.clear();
    for (const PlayListRow& row : rows) {
        std::string line;
        for (std::size_t col = 0; col < row.fields.size(); ++col) {
            if (col > 0)
                line += ';';
            std::string field = sanitizeField(row.fields[col]);
            if (!isPathColumn(col) && !textfile::isValidUtf8(field))
                field = textfile::cp1252ToUtf8(field);
            line += field;
        }
        lines.push_back(std::move(line));
    }
    return textfile::writeLinesAsIs(path, lines);
}

std::string defaultListPath(const std::string& programFolder)
{
    std::string folder = programFolder;
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\')
        folder += '/';
    const std::string exact = folder + DefaultListName;
    std::error_code ec;
    if (fs::is_regular_file(toPath(exact), ec))
        return exact;
    // A list copied over from Windows may carry another spelling of the name.
    const std::string wanted = asciiLowerString(DefaultListName);
    std::string found;
    for (fs::directory_iterator it(toPath(folder.empty() ? "." : folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::u8string u8 = it->path().filename().u8string();
        const std::string name(u8.begin(), u8.end());
        std::error_code fec;
        if (asciiLowerString(name) == wanted && it->is_regular_file(fec)) {
            if (found.empty() || name < found)
                found = name;
        }
    }
    return found.empty() ? exact : folder + found;
}

bool ensureDefaultList(const std::string& path)
{
    std::error_code ec;
    const fs::path p = toPath(path);
    if (!fs::exists(p, ec)) {
        // A new default list holds no line at all: a first empty line would hide
        // every song appended after it from older readers.
        return textfile::saveBytesAtomic(path, std::string_view{});
    }
    // The list must stay writable, whatever another tool did to it.
    const fs::perms perms = fs::status(p, ec).permissions();
    if (!ec && (perms & fs::perms::owner_write) == fs::perms::none)
        fs::permissions(p, fs::perms::owner_write, fs::perm_options::add, ec);
    return fs::is_regular_file(p, ec);
}

std::string nameAsText(std::string_view name)
{
    return textfile::isValidUtf8(name) ? std::string(name) : textfile::cp1252ToUtf8(name);
}

std::string itemCountText(std::size_t count, const std::string& langue)
{
    return std::to_string(count) + (langue == "Fr" ? " objet(s)" : " file(s)");
}

std::string& StripNull(std::string& text)
{
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos)
        text.erase(nul);
    return text;
}

} // namespace PlayList
