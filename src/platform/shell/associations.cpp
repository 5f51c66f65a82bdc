// File-type associations through the freedesktop.org files of the user.
#include "platform/shell/associations.h"

#include "platform/files/paths.h"
#include "platform/files/textfile.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace shell {

namespace {

struct FileType {
    const char* ext;        // lower case, with the dot
    const char* mime;
    bool own;               // a type of ours, defined by our package
    const char* glob;
    const char* parent;     // sub-class-of
    const char* commentEn;
    const char* commentFr;
};

// .sy1 files go with .syk files: the echo sync file's type is defined
// whenever the sync file's is.
constexpr std::array<FileType, 5> kTypes{{
    {".syk", "application/x-zunkaraoke-syk", true, "*.syk", "text/plain", "Zun Mp3 Karaoke sync file",
     "Fichier de synchronisation Zun Mp3 Karaoke"},
    {".sy1", "application/x-zunkaraoke-sy1", true, "*.sy1", "text/plain", "Zun Mp3 Karaoke echo sync file",
     "Fichier de synchronisation écho Zun Mp3 Karaoke"},
    {".kar", "audio/x-zunkaraoke-kar", true, "*.kar", "audio/midi", "Karaoke MIDI song", "Son au format Kar"},
    {".mid", "audio/midi", false, "", "", "", ""},
    {".mp3", "audio/mpeg", false, "", "", "", ""},
}};

const FileType* typeForExtension(std::string_view ext)
{
    std::string e;
    if (ext.empty() || ext.front() != '.')
        e = ".";
    for (char c : ext)
        e += static_cast<char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
    for (const FileType& t : kTypes)
        if (e == t.ext)
            return &t;
    return nullptr;
}

std::string envFolder(const char* name, const char* fallbackUnderHome)
{
    const char* v = std::getenv(name);
    // Relative values are invalid by the base-directory rules and ignored.
    if (v && v[0] == '/') {
        std::string s = v;
        while (s.size() > 1 && s.back() == '/')
            s.pop_back();
        return s;
    }
    return paths::homeFolder() + fallbackUnderHome;
}

std::string trim(std::string_view s)
{
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string_view::npos)
        return "";
    const auto e = s.find_last_not_of(" \t\r");
    return std::string(s.substr(b, e - b + 1));
}

std::vector<std::string> splitList(std::string_view value)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= value.size()) {
        const auto end = value.find(';', start);
        const std::string item = trim(value.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (!item.empty())
            out.push_back(item);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return out;
}

std::string joinList(const std::vector<std::string>& items)
{
    std::string s;
    for (const std::string& i : items)
        s += i + ";";
    return s;
}

// ---- line editing of an INI-like file, keeping every other byte

// The file's lines without their ends, and each line's own end ("\n",
// "\r\n", or "" for a last line without one), so that what we add can be
// taken away again to the byte.
struct Lines {
    std::vector<std::string> lines;
    std::vector<std::string> ends;
    std::string eol = "\n";   // for the lines we add: the file's own kind

    void insert(std::size_t pos, std::string line)
    {
        std::string end = eol;
        // Appended after a last line without an end: that line gets one, the
        // new last line goes without (erase() gives it back).
        if (pos == lines.size() && !ends.empty() && ends.back().empty()) {
            ends.back() = eol;
            end.clear();
        }
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(pos), std::move(line));
        ends.insert(ends.begin() + static_cast<std::ptrdiff_t>(pos), end);
    }
    void erase(std::size_t from, std::size_t to)
    {
        if (from >= to)
            return;
        const bool lastWithoutEnd = to == lines.size() && ends[to - 1].empty();
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(from), lines.begin() + static_cast<std::ptrdiff_t>(to));
        ends.erase(ends.begin() + static_cast<std::ptrdiff_t>(from), ends.begin() + static_cast<std::ptrdiff_t>(to));
        if (lastWithoutEnd && !ends.empty())
            ends.back().clear();
    }
};

Lines splitText(std::string_view text)
{
    Lines l;
    if (text.find("\r\n") != std::string_view::npos)
        l.eol = "\r\n";
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        std::string line(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        std::string lineEnd = end == std::string_view::npos ? "" : "\n";
        if (!lineEnd.empty() && !line.empty() && line.back() == '\r') {
            line.pop_back();
            lineEnd = "\r\n";
        }
        l.lines.push_back(std::move(line));
        l.ends.push_back(std::move(lineEnd));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return l;
}

std::string joinText(const Lines& l)
{
    std::string s;
    for (std::size_t i = 0; i < l.lines.size(); ++i)
        s += l.lines[i] + l.ends[i];
    return s;
}

bool isSectionHeader(const std::string& line)
{
    const std::string t = trim(line);
    return !t.empty() && t.front() == '[';
}

bool isBlank(const std::string& line)
{
    return trim(line).empty();
}

constexpr std::string_view kDefaultSection = "[Default Applications]";

// Index of the section's header line, or npos.
std::size_t findSection(const Lines& l)
{
    for (std::size_t i = 0; i < l.lines.size(); ++i)
        if (trim(l.lines[i]) == kDefaultSection)
            return i;
    return std::string::npos;
}

// One past the section's last line.
std::size_t sectionEnd(const Lines& l, std::size_t header)
{
    std::size_t i = header + 1;
    while (i < l.lines.size() && !isSectionHeader(l.lines[i]))
        ++i;
    return i;
}

// The line of `key` inside the section, or npos; *value gets its value.
std::size_t findKey(const Lines& l, std::size_t header, std::string_view key, std::string* value)
{
    const std::size_t end = sectionEnd(l, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const std::string t = trim(l.lines[i]);
        if (t.empty() || t.front() == '#')
            continue;
        const auto eq = t.find('=');
        if (eq == std::string::npos)
            continue;
        if (trim(std::string_view(t).substr(0, eq)) == key) {
            if (value)
                *value = t.substr(eq + 1);
            return i;
        }
    }
    return std::string::npos;
}

// ---- our desktop entry

// The types listed in our desktop entry (none when it is missing).
std::vector<std::string> desktopMimeTypes()
{
    const auto text = textfile::readBytes(desktopFilePath());
    if (!text)
        return {};
    for (const std::string& line : splitText(*text).lines) {
        const std::string t = trim(line);
        if (t.rfind("MimeType=", 0) == 0)
            return splitList(std::string_view(t).substr(9));
    }
    return {};
}

std::string desktopEntryText(const std::string& exec, const std::vector<std::string>& mimes)
{
    std::string s;
    s += "[Desktop Entry]\n";
    s += "Type=Application\n";
    s += "Name=Zun Mp3 Karaoke\n";
    s += "GenericName=Karaoke Player\n";
    s += "GenericName[fr]=Lecteur karaoké\n";
    s += "Comment=Karaoke player with a lyric synchronisation editor\n";
    s += "Comment[fr]=Lecteur karaoké avec un éditeur de synchronisation des paroles\n";
    s += "Exec=" + exec + "\n";
    s += "Terminal=false\n";
    s += "Categories=AudioVideo;Audio;Player;\n";
    s += "MimeType=" + joinList(mimes) + "\n";
    return s;
}

// ---- our MIME package

std::string xmlEscape(std::string_view s)
{
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// The own types that the associated types need defined.
std::vector<const FileType*> packageTypes(const std::vector<std::string>& mimes)
{
    std::vector<const FileType*> out;
    auto wanted = [&](const FileType& t) {
        if (std::find(mimes.begin(), mimes.end(), t.mime) != mimes.end())
            return true;
        return std::string_view(t.ext) == ".sy1" &&
               std::find(mimes.begin(), mimes.end(), typeForExtension(".syk")->mime) != mimes.end();
    };
    for (const FileType& t : kTypes)
        if (t.own && wanted(t))
            out.push_back(&t);
    return out;
}

std::string packageText(const std::vector<const FileType*>& types)
{
    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
    for (const FileType* t : types) {
        s += "  <mime-type type=\"" + xmlEscape(t->mime) + "\">\n";
        s += "    <comment>" + xmlEscape(t->commentEn) + "</comment>\n";
        s += "    <comment xml:lang=\"fr\">" + xmlEscape(t->commentFr) + "</comment>\n";
        s += "    <sub-class-of type=\"" + xmlEscape(t->parent) + "\"/>\n";
        // Above the weight of the desktop's own patterns, so that ".kar"
        // files take our type rather than plain MIDI.
        s += "    <glob pattern=\"" + xmlEscape(t->glob) + "\" weight=\"60\"/>\n";
        s += "  </mime-type>\n";
    }
    s += "</mime-info>\n";
    return s;
}

AssociationToolRunner& toolRunner()
{
    static AssociationToolRunner runner;
    return runner;
}

void runTool(const std::string& program, const std::vector<std::string>& args)
{
    if (toolRunner()) {
        toolRunner()(program, args);
        return;
    }
    const QString exe = QStandardPaths::findExecutable(QString::fromStdString(program));
    if (exe.isEmpty())
        return;
    QStringList list;
    for (const std::string& a : args)
        list << QString::fromStdString(a);
    QProcess p;
    p.start(exe, list);
    if (!p.waitForStarted(3000))
        return;
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished(1000);
    }
}

// Writes (or, for empty text, deletes) one of our files; false on failure.
bool putFile(const std::string& path, const std::string& text, std::string* error)
{
    if (text.empty()) {
        if (paths::removeFile(path))
            return true;
        if (error)
            *error = "cannot remove " + path;
        return false;
    }
    if (!paths::makeFolders(paths::folderPart(path)) || !textfile::saveBytesAtomic(path, text)) {
        if (error)
            *error = "cannot write " + path;
        return false;
    }
    return true;
}

// Rewrites the package for the types now associated; runs the MIME cache
// tool when the package changed.
bool updatePackage(const std::vector<std::string>& mimes, std::string* error)
{
    const auto types = packageTypes(mimes);
    const std::string path = mimePackagePath();
    const std::string text = types.empty() ? std::string() : packageText(types);
    const auto old = textfile::readBytes(path);
    if ((old && *old == text) || (!old && text.empty()))
        return true;
    if (!putFile(path, text, error))
        return false;
    runTool("update-mime-database", {userDataHome() + "/mime"});
    return true;
}

bool writeDesktopEntry(const std::string& exec, const std::vector<std::string>& mimes, std::string* error)
{
    const bool ok = putFile(desktopFilePath(), mimes.empty() ? std::string() : desktopEntryText(exec, mimes), error);
    if (ok)
        runTool("update-desktop-database", {userDataHome() + "/applications"});
    return ok;
}

// The Exec= line of our existing desktop entry ("" when none).
std::string currentExec()
{
    const auto text = textfile::readBytes(desktopFilePath());
    if (!text)
        return "";
    for (const std::string& line : splitText(*text).lines) {
        const std::string t = trim(line);
        if (t.rfind("Exec=", 0) == 0)
            return t.substr(5);
    }
    return "";
}

bool editMimeApps(const std::function<std::string(std::string_view)>& edit, std::string* error)
{
    std::string path = mimeAppsListPath();
    // A list kept elsewhere and linked here (a dotfiles folder) is edited
    // where it lives, so the link stays.
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        const auto target = std::filesystem::canonical(path, ec);
        if (ec) {
            if (error)
                *error = "cannot follow the link " + path;
            return false;
        }
        path = target.string();
    }
    const auto old = textfile::readBytes(path);
    const std::string text = edit(old ? *old : std::string());
    if (old ? *old == text : text.empty())
        return true;
    return putFile(path, text, error);
}

} // namespace

std::string mimeTypeForExtension(std::string_view ext)
{
    const FileType* t = typeForExtension(ext);
    return t ? t->mime : "";
}

std::string userDataHome()
{
    return envFolder("XDG_DATA_HOME", ".local/share");
}

std::string userConfigHome()
{
    return envFolder("XDG_CONFIG_HOME", ".config");
}

std::string desktopFilePath()
{
    return userDataHome() + "/applications/" + kDesktopFileId;
}

std::string mimePackagePath()
{
    return userDataHome() + "/mime/packages/zunkaraoke.xml";
}

std::string mimeAppsListPath()
{
    return userConfigHome() + "/mimeapps.list";
}

std::string runningExecutable()
{
    if (!QCoreApplication::instance())
        return "";
    return QCoreApplication::applicationFilePath().toStdString();
}

void setAssociationToolRunner(AssociationToolRunner runner)
{
    toolRunner() = std::move(runner);
}

std::optional<std::string> desktopExecLine(std::string_view program)
{
    if (program.empty() || program.front() != '/')
        return std::nullopt;
    // The characters that oblige a command-line argument to be quoted.
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    bool quote = false;
    for (char c : program) {
        const auto u = static_cast<unsigned char>(c);
        // No control characters, and no "=" in the program's path at all.
        if (u < 0x20 || u == 0x7F || c == '=')
            return std::nullopt;
        if (reserved.find(c) != std::string_view::npos)
            quote = true;
    }
    // Quotes only where the path needs them: some readers of the entry (the
    // generic part of xdg-utils) take the first word as it stands and would
    // look for a program whose name begins with a quote.
    std::string arg;
    if (quote) {
        arg = "\"";
        for (char c : program) {
            // Inside a quoted argument these four are escaped with a backslash.
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                arg += '\\';
            arg += c;
        }
        arg += '"';
    } else {
        arg = program;
    }
    // Then the string rules of the file: backslashes doubled, and "%" is a
    // field code unless doubled.
    std::string value;
    for (char c : arg) {
        if (c == '\\')
            value += "\\\\";
        else if (c == '%')
            value += "%%";
        else
            value += c;
    }
    return value + " %f";
}

std::vector<std::string> defaultApplications(std::string_view text, std::string_view mime)
{
    const Lines l = splitText(text);
    const std::size_t header = findSection(l);
    if (header == std::string::npos)
        return {};
    std::string value;
    if (findKey(l, header, mime, &value) == std::string::npos)
        return {};
    return splitList(value);
}

namespace {

// Where the list of a key line begins: after the "=" and the blanks that follow it.
std::size_t listStart(const std::string& line)
{
    std::size_t p = line.find('=') + 1;
    while (p < line.size() && (line[p] == ' ' || line[p] == '\t'))
        ++p;
    return p;
}

// Takes one element out of a key line's list as written: the element with its
// ";" (the one before it when it is the last without one), nothing else. False
// when the line does not list it.
bool cutListElement(std::string& line, std::string_view id)
{
    std::size_t p = listStart(line);
    while (p <= line.size()) {
        const auto semi = line.find(';', p);
        const std::size_t stop = semi == std::string::npos ? line.size() : semi;
        if (trim(std::string_view(line).substr(p, stop - p)) == id) {
            if (semi != std::string::npos)
                line.erase(p, semi + 1 - p);
            else if (p > listStart(line))
                line.erase(p - 1);   // the ";" before it goes with it
            else
                line.erase(p);
            return true;
        }
        if (semi == std::string::npos)
            break;
        p = semi + 1;
    }
    return false;
}

} // namespace

std::string addDefaultApplication(std::string_view text, std::string_view mime, std::string_view desktopId)
{
    Lines l = splitText(text);
    const std::string ourLine = std::string(mime) + "=" + std::string(desktopId) + ";";
    std::size_t header = findSection(l);
    if (header == std::string::npos) {
        // A new section at the end, one blank line after what is there.
        if (!l.lines.empty())
            l.insert(l.lines.size(), "");
        l.insert(l.lines.size(), std::string(kDefaultSection));
        l.insert(l.lines.size(), ourLine);
        return joinText(l);
    }
    std::string value;
    const std::size_t at = findKey(l, header, mime, &value);
    if (at != std::string::npos) {
        const std::vector<std::string> apps = splitList(value);
        if (!apps.empty() && apps.front() == desktopId)
            return std::string(text);
        // Ours goes in front; the user's list stays as it is written after it.
        std::string& line = l.lines[at];
        cutListElement(line, desktopId);
        line.insert(listStart(line), std::string(desktopId) + ";");
        return joinText(l);
    }
    // A new key goes after the section's last line that is not blank.
    std::size_t pos = sectionEnd(l, header);
    while (pos > header + 1 && isBlank(l.lines[pos - 1]))
        --pos;
    l.insert(pos, ourLine);
    return joinText(l);
}

std::string removeDefaultApplication(std::string_view text, std::string_view mime, std::string_view desktopId)
{
    Lines l = splitText(text);
    const std::size_t header = findSection(l);
    if (header == std::string::npos)
        return std::string(text);
    std::string value;
    const std::size_t at = findKey(l, header, mime, &value);
    if (at == std::string::npos)
        return std::string(text);
    std::string line = l.lines[at];
    if (!cutListElement(line, desktopId))
        return std::string(text);
    if (!splitList(std::string_view(line).substr(line.find('=') + 1)).empty()) {
        l.lines[at] = line;
        return joinText(l);
    }
    l.erase(at, at + 1);
    // A section with nothing left in it goes, with the blank line that
    // separated it from the one before when it was the last.
    const std::size_t end = sectionEnd(l, header);
    bool empty = true;
    for (std::size_t i = header + 1; i < end; ++i)
        if (!isBlank(l.lines[i]))
            empty = false;
    if (empty) {
        std::size_t from = header;
        if (end == l.lines.size() && from > 0 && isBlank(l.lines[from - 1]))
            --from;
        l.erase(from, end);
    }
    bool blank = true;
    for (const std::string& s : l.lines)
        if (!isBlank(s))
            blank = false;
    return blank ? std::string() : joinText(l);
}

bool associateFileType(std::string_view ext, const std::string& program, std::string* error)
{
    const FileType* type = typeForExtension(ext);
    if (!type) {
        if (error)
            *error = "unknown file type " + std::string(ext);
        return false;
    }
    const auto exec = desktopExecLine(program);
    if (!exec) {
        if (error)
            *error = "the program path cannot be used: " + program;
        return false;
    }
    // GLib looks the program of an Exec line up before it turns "%%" back
    // into "%", so it refuses an entry whose program path holds a "%": such
    // an association would be written and never work.
    if (program.find('%') != std::string::npos) {
        if (error)
            *error = "the program path holds a \"%\": " + program;
        return false;
    }
    std::vector<std::string> mimes = desktopMimeTypes();
    if (std::find(mimes.begin(), mimes.end(), type->mime) == mimes.end())
        mimes.push_back(type->mime);
    // The type exists before anything names it.
    if (!updatePackage(mimes, error))
        return false;
    if (!writeDesktopEntry(*exec, mimes, error))
        return false;
    return editMimeApps([&](std::string_view text) { return addDefaultApplication(text, type->mime, kDesktopFileId); },
                        error);
}

bool removeFileTypeAssociation(std::string_view ext, std::string* error)
{
    const FileType* type = typeForExtension(ext);
    if (!type) {
        if (error)
            *error = "unknown file type " + std::string(ext);
        return false;
    }
    if (!editMimeApps(
            [&](std::string_view text) { return removeDefaultApplication(text, type->mime, kDesktopFileId); }, error))
        return false;
    std::vector<std::string> mimes = desktopMimeTypes();
    const auto it = std::find(mimes.begin(), mimes.end(), type->mime);
    if (it == mimes.end())
        return updatePackage(mimes, error);
    mimes.erase(it);
    if (!writeDesktopEntry(currentExec(), mimes, error))
        return false;
    return updatePackage(mimes, error);
}

bool isFileTypeAssociated(std::string_view ext)
{
    const FileType* type = typeForExtension(ext);
    if (!type)
        return false;
    const auto mimes = desktopMimeTypes();
    if (std::find(mimes.begin(), mimes.end(), type->mime) == mimes.end())
        return false;
    const auto text = textfile::readBytes(mimeAppsListPath());
    if (!text)
        return false;
    const auto apps = defaultApplications(*text, type->mime);
    return !apps.empty() && apps.front() == kDesktopFileId;
}

} // namespace shell
