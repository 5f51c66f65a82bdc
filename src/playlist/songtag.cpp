#include "playlist/songtag.h"

#include "platform/files/textfile.h"
#include "playback/midianalysis.h"
#include "playlist/playlistrow.h"

#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

namespace PlayList {

namespace {

// A karaoke file is a few tens of kilobytes; its "@T" texts come first. A huge
// file named ".kar" is not read whole.
constexpr std::size_t MaxMidiBytes = 8u * 1024u * 1024u;

std::string decodeTagText(std::string_view bytes)
{
    std::string text(bytes);
    StripNull(text);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return textfile::decode(text);
}

fs::path toPath(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

bool endsWithNoCase(const std::string& s, const char* suffix3)
{
    if (s.size() < 3)
        return false;
    for (int i = 0; i < 3; ++i) {
        char c = s[s.size() - 3 + static_cast<std::size_t>(i)];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix3[i])
            return false;
    }
    return true;
}

// A byte that starts no valid UTF-8 sequence shows as U+FFFD.
char32_t decodeAt(std::string_view s, std::size_t& i)
{
    char32_t cp;
    const std::size_t len = textfile::utf8SequenceAt(s, i, &cp);
    i += len == 0 ? 1 : len;
    return len == 0 ? 0xFFFD : cp;
}

char32_t toUpper(char32_t c)
{
    if (c >= 'a' && c <= 'z')
        return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return c - 32;
    if (c == 0xFF)
        return 0x178;
    if (c == 0x153 || c == 0x161 || c == 0x17E)
        return c - 1;   // œ š ž
    return c;
}

char32_t toLower(char32_t c)
{
    if (c >= 'A' && c <= 'Z')
        return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 32;
    if (c == 0x178)
        return 0xFF;
    if (c == 0x152 || c == 0x160 || c == 0x17D)
        return c + 1;   // Œ Š Ž
    return c;
}

bool isWordBreak(char32_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == 0; }

} // namespace

std::string properCase(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    bool wordStart = true;
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = decodeAt(utf8, i);
        if (isWordBreak(c)) {
            textfile::appendUtf8(out, c);
            wordStart = true;
            continue;
        }
        textfile::appendUtf8(out, wordStart ? toUpper(c) : toLower(c));
        wordStart = false;
    }
    return out;
}

SongTags midiTagsFromBytes(std::string_view bytes)
{
    std::vector<std::string> texts;
    std::size_t from = 20;   // the search starts at the 21st byte
    for (int search = 0; search < 3 && from < bytes.size(); ++search) {
        const std::size_t q = bytes.find("@T", from);
        if (q == std::string_view::npos)
            break;   // a search without a hit leaves nothing for the next ones
        // An information text is a text meta event: FF 01, a one-byte length,
        // then "@T" and the text.
        if (q >= 3 && static_cast<unsigned char>(bytes[q - 3]) == 0xFF
            && static_cast<unsigned char>(bytes[q - 2]) == 0x01) {
            const std::size_t n = static_cast<unsigned char>(bytes[q - 1]);
            if (n >= 2) {
                const std::size_t start = q + 2;
                const std::size_t len = std::min(n - 2, bytes.size() - std::min(start, bytes.size()));
                std::string raw(start < bytes.size() ? bytes.substr(start, len) : std::string_view{});
                StripNull(raw);
                // The DOS letters are converted before the case change, so a
                // DOS "è" is not taken for a Windows capital and lost.
                texts.push_back(properCase(Kar::OemToAnsiLyric(raw)));
            }
        }
        from = q + 1;
    }
    SongTags tags;
    if (texts.empty() || texts[0].empty())
        return tags;
    tags.title = texts[0];
    if (texts.size() > 1)
        tags.artist = texts[1];
    return tags;
}

SongTags id3v1TagsFromTail(std::string_view tail)
{
    SongTags tags;
    if (tail.size() < 128)
        return tags;
    const std::string_view block = tail.substr(tail.size() - 128);
    if (block.substr(0, 3) != "TAG")
        return tags;
    tags.title = decodeTagText(block.substr(3, 30));
    tags.artist = decodeTagText(block.substr(33, 30));
    return tags;
}

SongTags readSongTags(const std::string& songPath)
{
    if (songPath.empty())
        return {};
    std::error_code ec;
    const fs::path path = toPath(songPath);
    if (!fs::is_regular_file(path, ec))
        return {};
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec)
        return {};
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};

    if (endsWithNoCase(songPath, "mid") || endsWithNoCase(songPath, "kar")) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uintmax_t>(size, MaxMidiBytes));
        std::string bytes(want, '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(want));
        bytes.resize(static_cast<std::size_t>(in.gcount()));
        return midiTagsFromBytes(bytes);
    }

    if (size < 128)
        return {};
    in.seekg(static_cast<std::streamoff>(size - 128));
    std::string tail(128, '\0');
    in.read(tail.data(), 128);
    if (in.gcount() != 128)
        return {};
    return id3v1TagsFromTail(tail);
}

void ReadSongTag(const std::string& songPath)
{
    SongTag[1].clear();
    SongTag[2].clear();
    const SongTags tags = readSongTags(songPath);
    SongTag[1] = tags.title;
    SongTag[2] = tags.artist;
}

} // namespace PlayList
