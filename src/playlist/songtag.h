#pragma once
// Title and artist of a song, read from the song file itself: the "@T"
// information texts of karaoke MIDI files, the ID3v1 tag of other songs.
// Only reads; never creates or changes a file; any bytes are safe to read.
#include <array>
#include <string>
#include <string_view>

namespace PlayList {

struct SongTags {
    std::string title;
    std::string artist;
};

// Tags from the bytes of a MIDI/KAR file: the first two "@T" texts that sit in
// a text meta event (FF 01 length), searched from the 21st byte, at most three
// searches. Texts are converted from the DOS code page (or decoded as UTF-8 /
// Windows-1252) and then put in proper case.
SongTags midiTagsFromBytes(std::string_view bytes);
// Tags from the last 128 bytes of a file (ID3v1: "TAG", 30 bytes of title, 30
// of artist). Fields end at their first NUL; trailing blanks are removed.
SongTags id3v1TagsFromTail(std::string_view tail128);
// Reads the file named by `songPath` (MIDI when its name ends in "mid" or
// "kar", whatever the case; ID3v1 otherwise). Empty results when the path is
// empty, the file cannot be read or it carries no tag.
SongTags readSongTags(const std::string& songPath);

// Every word's first letter in capitals, the other letters small (ASCII and the
// Latin-1 letters); words are separated by blanks, control characters or NUL.
std::string properCase(std::string_view utf8);

// The results of the last ReadSongTag: element 1 the title, 2 the artist
// (element 0 is not used).
inline std::array<std::string, 3> SongTag;

// Reads the tags of `songPath` into SongTag (the window code passes the text of
// Select_Song).
void ReadSongTag(const std::string& songPath);

} // namespace PlayList
