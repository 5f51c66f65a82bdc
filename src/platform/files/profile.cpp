#include "platform/files/profile.h"

#include "platform/files/runtime.h"
#include "platform/files/textfile.h"

#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace profile {

namespace {

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// A name as it may appear on one line: line ends become blanks, blanks around
// it are not part of it.
std::string cleanName(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c == '\r' || c == '\n')
            c = ' ';
    return std::string(trimBlanks(out));
}

// What one line of the file is.
struct Line {
    enum Kind { Other, Section, Key } kind = Other;
    std::string_view name;  // section or key name, blanks removed
    std::string_view value; // key value, blanks removed
};

Line parseLine(std::string_view raw)
{
    Line l;
    const std::string_view t = trimBlanks(raw);
    if (t.empty())
        return l;
    if (t.front() == '[') {
        const auto close = t.find(']');
        if (close != std::string_view::npos) {
            l.kind = Line::Section;
            l.name = trimBlanks(t.substr(1, close - 1));
        }
        return l; // "[" without "]" is kept as an unknown line
    }
    if (t.front() == ';' || t.front() == '#')
        return l;
    const auto eq = t.find('=');
    if (eq == std::string_view::npos)
        return l;
    const std::string_view key = trimBlanks(t.substr(0, eq));
    if (key.empty())
        return l;
    l.kind = Line::Key;
    l.name = key;
    l.value = trimBlanks(t.substr(eq + 1));
    return l;
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() == b.size()) {
        bool same = true;
        for (std::size_t i = 0; i < a.size() && same; ++i) {
            char x = a[i], y = b[i];
            if (x >= 'A' && x <= 'Z')
                x = static_cast<char>(x + 32);
            if (y >= 'A' && y <= 'Z')
                y = static_cast<char>(y + 32);
            same = x == y;
        }
        if (same)
            return true;
    }
    return vb::EqualsNoCase(a, b);
}

struct Found {
    std::optional<std::size_t> section; // header line
    std::size_t sectionEnd = 0;         // first line after the section
    std::optional<std::size_t> key;     // key line
};

Found locate(const std::vector<std::string>& lines, std::string_view section, std::string_view key)
{
    Found f;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line l = parseLine(lines[i]);
        if (l.kind == Line::Section) {
            if (f.section)
                return f; // the first section of that name is the one used
            if (sameName(l.name, section)) {
                f.section = i;
                f.sectionEnd = lines.size();
            }
        } else if (f.section && l.kind == Line::Key && !f.key && !key.empty() && sameName(l.name, key)) {
            f.key = i;
        }
        if (f.section)
            f.sectionEnd = i + 1;
    }
    return f;
}

// Folders and files are settings too, and a Linux name need not be UTF-8
// ("caf\xE9" made on an older system). A file that is UTF-8 as a whole is read
// as such; otherwise each line is: a UTF-8 line as it is, any other one as
// Windows-1252 text unless its value, taken byte for byte, names a file or
// folder that its decoded text does not name.
std::string decodeLine(const std::string& line)
{
    if (textfile::isValidUtf8(line))
        return line;
    std::string decoded = textfile::cp1252ToUtf8(line);
    const auto eq = line.find('=');
    if (eq != std::string::npos) {
        const std::string raw(trimBlanks(std::string_view(line).substr(eq + 1)));
        const std::string text(trimBlanks(std::string_view(decoded).substr(decoded.find('=') + 1)));
        struct stat st {};
        if (::stat(raw.c_str(), &st) == 0 && ::stat(text.c_str(), &st) != 0)
            return line;
    }
    return decoded;
}

std::optional<std::vector<std::string>> readLinesOf(const std::string& file)
{
    auto bytes = textfile::readBytes(file);
    if (!bytes)
        return std::nullopt;
    // Saved as "Unicode" by a Windows editor: read as the other text files
    // are; the next write stores it whole in the program's own encoding.
    if (auto text = textfile::utf16ToUtf8(*bytes))
        bytes = std::move(text);
    // A line ends at a NUL, as the old platform's strings did ("Nul=ab\0cd"
    // reads "ab"); the rest of such a line is dropped here, so that the line
    // reads the same after the next write (text files are written without NULs).
    std::string kept;
    kept.reserve(bytes->size());
    bool cut = false;
    for (const char c : *bytes) {
        if (c == '\r' || c == '\n')
            cut = false;
        else if (c == '\0')
            cut = true;
        if (!cut)
            kept += c;
    }
    *bytes = std::move(kept);
    if (textfile::isValidUtf8(*bytes))
        return textfile::splitLines(textfile::decode(*bytes));
    std::vector<std::string> lines = textfile::splitLines(*bytes);
    for (std::string& l : lines)
        l = decodeLine(l);
    return lines;
}

std::vector<std::string> readProfileLines(const std::string& file)
{
    auto lines = readLinesOf(file);
    return lines ? std::move(*lines) : std::vector<std::string>{};
}

// Written in Windows-1252 when every line fits and none would read back as
// other text line by line ("\xC3\xA9" would come back as one letter); names that
// are not UTF-8 keep their bytes beside UTF-8 text, which the reader takes
// line by line.
bool saveProfile(const std::string& file, const std::vector<std::string>& lines)
{
    bool cp1252 = true;
    for (const std::string& l : lines) {
        const auto b = textfile::utf8ToCp1252(l);
        if (!b || (*b != l && textfile::isValidUtf8(*b))) {
            cp1252 = false;
            break;
        }
    }
    return cp1252 ? textfile::writeLines(file, lines) : textfile::writeLinesAsIs(file, lines);
}

} // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& file,
                                    std::size_t bufferSize)
{
    if (file.empty())
        return std::string(defaultValue);
    const auto lines = readProfileLines(file);
    const Found f = locate(lines, cleanName(section), cleanName(key));
    if (!f.key)
        return std::string(defaultValue);
    std::string_view v = parseLine(lines[*f.key]).value;
    // The old call copied into a C buffer: the text ends at a NUL character.
    if (const auto nul = v.find('\0'); nul != std::string_view::npos)
        v = trimBlanks(v.substr(0, nul));
    if (bufferSize > 0)
        return vb::Left(v, static_cast<long>(bufferSize - 1));
    return std::string(v);
}

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& file)
{
    return WriteProfileString(section, key, value, file, 5000) == WriteResult::Written;
}

WriteResult WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::string& file, int lockWaitMs)
{
    const std::string sec = cleanName(section);
    const std::string k = cleanName(key);
    if (file.empty() || sec.empty() || k.empty())
        return WriteResult::Failed;
    std::string v = cleanName(value);

    // Another running instance changes the same file: read, change and save
    // as one step, or one of the two writes is lost. While it holds the lock
    // nothing is written, unless the caller chose to go ahead without it.
    std::optional<textfile::FileLock> lock;
    if (lockWaitMs >= 0) {
        lock.emplace(file, lockWaitMs);
        if (lock->busy())
            return WriteResult::LockBusy;
        if (lock->unavailable())
            return WriteResult::LockUnavailable;
    }
    const auto done = [](bool ok) { return ok ? WriteResult::Written : WriteResult::Failed; };
    // A file that exists but cannot be read is left alone: rewriting it from
    // nothing would lose every other setting.
    auto text = readLinesOf(file);
    if (!text && ::access(file.c_str(), F_OK) == 0) {
        textfile::refuseUnreadableFile();
        return WriteResult::Failed;
    }
    auto lines = text ? std::move(*text) : std::vector<std::string>{};
    const Found f = locate(lines, sec, k);
    if (f.key) {
        // Rewritten in place, keeping the key's spelling as the file has it.
        const std::string stored(parseLine(lines[*f.key]).name);
        const std::string line = stored + "=" + v;
        if (lines[*f.key] == line)
            return WriteResult::Written;
        lines[*f.key] = line;
    } else if (f.section) {
        // At the end of the section, before its trailing empty lines.
        std::size_t at = *f.section + 1;
        for (std::size_t i = *f.section + 1; i < f.sectionEnd; ++i)
            if (!trimBlanks(lines[i]).empty())
                at = i + 1;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), k + "=" + v);
    } else {
        if (!lines.empty() && !trimBlanks(lines.back()).empty())
            lines.emplace_back();
        lines.push_back("[" + sec + "]");
        lines.push_back(k + "=" + v);
        lines.emplace_back();
    }
    return done(saveProfile(file, lines));
}

bool DeletePrivateProfileKey(std::string_view section, std::string_view key, const std::string& file)
{
    const textfile::FileLock lock(file);
    if (lock.busy() || lock.unavailable())
        return false;
    auto text = readLinesOf(file);
    if (!text)
        return ::access(file.c_str(), F_OK) != 0;
    auto lines = std::move(*text);
    const Found f = locate(lines, cleanName(section), cleanName(key));
    if (!f.key)
        return true;
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*f.key));
    return saveProfile(file, lines);
}

std::vector<std::string> GetPrivateProfileKeys(std::string_view section, const std::string& file)
{
    std::vector<std::string> keys;
    const auto lines = readProfileLines(file);
    const Found f = locate(lines, cleanName(section), {});
    if (!f.section)
        return keys;
    for (std::size_t i = *f.section + 1; i < f.sectionEnd; ++i) {
        const Line l = parseLine(lines[i]);
        if (l.kind == Line::Key)
            keys.emplace_back(l.name);
    }
    return keys;
}

} // namespace profile
