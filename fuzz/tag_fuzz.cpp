// Feeds arbitrary bytes to the song-tag readers: the "@T" texts of karaoke MIDI
// files and the ID3v1 tag at the end of other songs, in memory and through the
// file reader (a ".kar" and an ".mp3" name). The titles and artists must come
// out as text the play list can show and store.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "platform/files/textfile.h"
#include "playlist/songtag.h"

using fuzzsupport::check;

namespace {

void checkTags(const PlayList::SongTags& tags)
{
    check(textfile::isValidUtf8(tags.title));
    check(textfile::isValidUtf8(tags.artist));
    // No artist without a title.
    check(!tags.title.empty() || tags.artist.empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const PlayList::SongTags midi = PlayList::midiTagsFromBytes(bytes);
    checkTags(midi);
    // A text meta event holds at most 255 bytes; a DOS or Windows byte becomes
    // at most three bytes of UTF-8.
    check(midi.title.size() <= 3 * 253 && midi.artist.size() <= 3 * 253);
    // The case change is already done: doing it again changes nothing.
    check(PlayList::properCase(midi.title) == midi.title);
    check(PlayList::properCase(midi.artist) == midi.artist);

    const PlayList::SongTags id3 = PlayList::id3v1TagsFromTail(bytes);
    check(textfile::isValidUtf8(id3.title) && textfile::isValidUtf8(id3.artist));
    check(id3.title.size() <= 3 * 30 && id3.artist.size() <= 3 * 30);
    check(id3.title.find('\0') == std::string::npos && id3.artist.find('\0') == std::string::npos);
    check(id3.title.empty() || id3.title.back() != ' ');
    if (size < 128 || bytes.substr(size - 128, 3) != "TAG")
        check(id3.title.empty() && id3.artist.empty());

    // The case change on any text, valid or not: a stray byte shows as U+FFFD.
    const std::string proper = PlayList::properCase(bytes);
    check(textfile::isValidUtf8(proper));
    const std::string decoded = textfile::decode(bytes);
    const std::string properDecoded = PlayList::properCase(decoded);
    check(textfile::isValidUtf8(properDecoded));
    check(PlayList::properCase(properDecoded) == properDecoded);

    // Through the files: the name picks the reader.
    const std::string kar = fuzzsupport::scratchPath("song.KAR");
    fuzzsupport::writeRaw(kar, bytes);
    const PlayList::SongTags fromKar = PlayList::readSongTags(kar);
    check(fromKar.title == midi.title && fromKar.artist == midi.artist);

    const std::string mp3 = fuzzsupport::scratchPath("song.mp3");
    fuzzsupport::writeRaw(mp3, bytes);
    const PlayList::SongTags fromMp3 = PlayList::readSongTags(mp3);
    check(fromMp3.title == id3.title && fromMp3.artist == id3.artist);

    PlayList::ReadSongTag(mp3);
    check(PlayList::SongTag[1] == id3.title && PlayList::SongTag[2] == id3.artist);
    return 0;
}
