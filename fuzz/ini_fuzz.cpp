// Feeds arbitrary bytes to the INI functions as the content of a settings
// file. Reads any key; then writes a value (into a section and key of the file,
// into the program's own [Setting] section and into a new section) and checks
// that the value reads back as written and that every other setting of the file
// kept its value: one write never loses or changes another setting.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "platform/files/profile.h"
#include "platform/files/runtime.h"
#include "platform/files/textfile.h"

using fuzzsupport::check;

namespace {

std::string trimBlanks(std::string_view s)
{
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos)
        return {};
    const auto e = s.find_last_not_of(" \t");
    return std::string(s.substr(b, e - b + 1));
}

// Section names that the file's lines spell, first come first.
std::vector<std::string> sectionNames(const std::vector<std::string>& lines)
{
    std::vector<std::string> names;
    for (const std::string& raw : lines) {
        const std::string t = trimBlanks(raw);
        if (t.empty() || t[0] != '[')
            continue;
        const auto close = t.find(']');
        if (close == std::string::npos)
            continue;
        names.push_back(trimBlanks(std::string_view(t).substr(1, close - 1)));
        if (names.size() >= 16)
            break;
    }
    return names;
}

using Settings = std::map<std::pair<std::string, std::string>, std::string>;

// The value read, or nullopt when the reader fell back to the default (two
// different defaults tell a missing key from one that holds the default's text).
std::optional<std::string> readValue(const std::string& sec, const std::string& key, const std::string& path)
{
    std::string a = profile::GetPrivateProfileString(sec, key, "a", path);
    if (a != "a")
        return a;
    if (profile::GetPrivateProfileString(sec, key, "b", path) == "b")
        return std::nullopt;
    return a;
}

// Every key the file holds in the given sections, with the value the program reads.
Settings snapshot(const std::vector<std::string>& sections, const std::string& path)
{
    Settings all;
    for (const std::string& sec : sections) {
        std::size_t taken = 0;
        for (const std::string& key : profile::GetPrivateProfileKeys(sec, path)) {
            check(textfile::isValidUtf8(key));
            const auto value = readValue(sec, key, path);
            check(value.has_value());
            check(textfile::isValidUtf8(*value));
            all.emplace(std::make_pair(sec, key), *value);
            if (++taken >= 32)
                break;
        }
    }
    return all;
}

// What a written value reads back as: the stored form has no line ends, no
// blanks around it, and the reader stops at a NUL.
std::string expectedValue(std::string value)
{
    for (char& c : value)
        if (c == '\r' || c == '\n')
            c = ' ';
    value = trimBlanks(value);
    if (const auto nul = value.find('\0'); nul != std::string::npos)
        value = trimBlanks(std::string_view(value).substr(0, nul));
    return value;
}

void writeAndCheck(const std::string& path, const std::vector<std::string>& sections,
                   const std::string& section, const std::string& key, const std::string& value)
{
    const Settings before = snapshot(sections, path);
    check(profile::WritePrivateProfileString(section, key, value, path));
    check(readValue(section, key, path) == expectedValue(value));
    const Settings after = snapshot(sections, path);
    for (const auto& [name, old] : before) {
        if (vb::EqualsNoCase(name.first, trimBlanks(section)) && vb::EqualsNoCase(name.second, trimBlanks(key)))
            continue;
        const auto it = after.find(name);
        check(it != after.end());
        check(it->second == old);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string path = fuzzsupport::scratchPath("settings.ini");
    fuzzsupport::writeRaw(path, bytes);

    const std::vector<std::string> lines = textfile::splitLines(textfile::decode(bytes));
    std::vector<std::string> sections = sectionNames(lines);
    sections.push_back("Setting");
    sections.push_back("Zun Fuzz");

    // Reads, with and without the old buffer limit (in characters, a NUL ends the value).
    for (const std::string& sec : sections) {
        for (std::size_t buffer : {std::size_t{0}, std::size_t{1}, std::size_t{5}, std::size_t{260}}) {
            const std::string v = profile::GetPrivateProfileString(sec, "Langue", "Fr", path, buffer);
            check(textfile::isValidUtf8(v));
            check(buffer == 0 || vb::Len(v) <= buffer - 1 || v == "Fr");
        }
    }

    // The value: the last line of the input, as the program holds text (UTF-8).
    std::string value = lines.empty() ? std::string("x") : lines.back();
    if (value.size() > 300)
        value.resize(300);
    value = textfile::decode(value);   // a cut inside a character reads as Windows-1252

    // An existing key of the file's first section, the program's own section,
    // and a section the file does not have.
    if (!sections.empty() && !trimBlanks(sections.front()).empty()) {
        const auto keys = profile::GetPrivateProfileKeys(sections.front(), path);
        if (!keys.empty())
            writeAndCheck(path, sections, sections.front(), keys.front(), value);
    }
    writeAndCheck(path, sections, "Setting", "NextUpd", value);
    writeAndCheck(path, sections, "Zun Fuzz", "Key", value);

    check(profile::DeletePrivateProfileKey("Zun Fuzz", "Key", path));
    check(profile::GetPrivateProfileString("Zun Fuzz", "Key", "gone", path) == "gone");
    return 0;
}
