// Title and artist from .kar "@T" texts and from MP3 ID3v1 tails.
#include "playlist/songtag.h"
#include "support/testdir.h"

#include <gtest/gtest.h>

#include <random>

using namespace PlayList;
using testsupport::TempDir;
using namespace std::string_literals;

namespace {

// The start of a karaoke file: header chunk and the start of a track, long
// enough that the first text lies past the 20th byte.
std::string midiStart() { return "MThd\0\0\0\x06\0\x01\0\x02\x01\xE0MTrk\0\0\x01\0"s; }

std::string textEvent(const std::string& text)
{
    return "\0\xFF\x01"s + static_cast<char>(text.size()) + text;
}

std::string id3Tail(const std::string& title, const std::string& artist, char fill = ' ')
{
    std::string tag = "TAG";
    tag += title + std::string(30 - title.size(), fill);
    tag += artist + std::string(30 - artist.size(), fill);
    tag += std::string(128 - tag.size(), '\0');
    return tag;
}

} // namespace

TEST(MidiTags, TitleAndArtistFromInformationTexts)
{
    SongTags t = midiTagsFromBytes(midiStart() + textEvent("@KMIDI KARAOKE FILE") + textEvent("@TMY SONG")
                                   + textEvent("@Tjohn smith") + textEvent("@Tthird"));
    EXPECT_EQ(t.title, "My Song");
    EXPECT_EQ(t.artist, "John Smith");

    t = midiTagsFromBytes(midiStart() + textEvent("@Tonly title"));
    EXPECT_EQ(t.title, "Only Title");
    EXPECT_EQ(t.artist, "");

    // No text at all, or a first text that is empty: nothing.
    EXPECT_EQ(midiTagsFromBytes(midiStart()).title, "");
    t = midiTagsFromBytes(midiStart() + textEvent("@T") + textEvent("@TArtist"));
    EXPECT_EQ(t.title, "");
    EXPECT_EQ(t.artist, "");
}

TEST(MidiTags, OnlyThreeSearchesAndOnlyTextEvents)
{
    // Two "@T" inside other data use up two of the three searches.
    std::string bytes = midiStart() + "\x90@T\x40" + "\0\xFF\x02\x04@Txx"s + textEvent("@Tthird one")
                        + textEvent("@Tfourth");
    SongTags t = midiTagsFromBytes(bytes);
    EXPECT_EQ(t.title, "Third One");
    EXPECT_EQ(t.artist, "");

    // Nothing before the 21st byte is searched.
    std::string early = "\xFF\x01\x06@Tearly"s;
    early += std::string(40, '\0');
    EXPECT_EQ(midiTagsFromBytes(early).title, "");
}

TEST(MidiTags, DosLettersBecomeWindowsLettersBeforeTheCaseChange)
{
    // "MÈRE" from a DOS tool (138 = è) and from a Windows one (0xC8 = È).
    EXPECT_EQ(midiTagsFromBytes(midiStart() + textEvent("@TM\x8aRE")).title, "Mère");
    EXPECT_EQ(midiTagsFromBytes(midiStart() + textEvent("@TM\xC8RE NO\xCBL")).title, "Mère Noël");
    // UTF-8 text is not mistaken for DOS letters ("à" is C3 A0, and A0 is a DOS "á").
    EXPECT_EQ(midiTagsFromBytes(midiStart() + textEvent("@Tà bientôt")).title, "À Bientôt");
    EXPECT_EQ(properCase("hello\tWORLD\nagain  x"), "Hello\tWorld\nAgain  X");
    EXPECT_EQ(properCase("œuvre ŒUVRE ÿ"), "Œuvre Œuvre Ÿ");
}

TEST(MidiTags, TagsReadDosLettersAsTheLyricsDo)
{
    // 154 is "Ü" in the DOS code page, as in the lyric display; in Windows-1252
    // it would have been "š".
    EXPECT_EQ(midiTagsFromBytes(midiStart() + textEvent("@T\x9A" "ber")).title, "Über");
    // A byte that starts no UTF-8 character (here a lone continuation byte) is
    // shown as the replacement character, never read past.
    EXPECT_EQ(properCase("a\x80" "b"), "A\xEF\xBF\xBD" "b");
    EXPECT_EQ(properCase("x\xC3"), "X\xEF\xBF\xBD");
}

TEST(MidiTags, DamagedFilesNeverReadPastTheEnd)
{
    // A length byte that promises more than the file holds.
    std::string cut = midiStart() + "\0\xFF\x01\x7F@Tcut short"s;
    EXPECT_EQ(midiTagsFromBytes(cut).title, "Cut Short");
    // A length below two is skipped and the search goes on.
    EXPECT_EQ(midiTagsFromBytes(midiStart() + "\0\xFF\x01\x01@T"s + textEvent("@Treal")).title, "Real");
    // "@T" as the very last bytes.
    EXPECT_EQ(midiTagsFromBytes(midiStart() + "\xFF\x01\x02@T"s).title, "");
    // A NUL ends the text.
    EXPECT_EQ(midiTagsFromBytes(midiStart() + textEvent("@Tname\0junk"s)).title, "Name");

    std::mt19937 rng(7);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(rng() % 300, '\0');
        for (char& c : bytes)
            c = static_cast<char>(rng() % 4 == 0 ? "\xFF\x01@T"[rng() % 4] : rng());
        (void)midiTagsFromBytes(bytes);
        (void)id3v1TagsFromTail(bytes);
    }
}

TEST(Id3v1, FieldsFromTheLast128Bytes)
{
    SongTags t = id3v1TagsFromTail(std::string(500, 'x') + id3Tail("Hello", "Band"));
    EXPECT_EQ(t.title, "Hello");
    EXPECT_EQ(t.artist, "Band");

    // Fields filled with NUL bytes end at the first one.
    t = id3v1TagsFromTail(id3Tail("Title", "Artist", '\0'));
    EXPECT_EQ(t.title, "Title");
    EXPECT_EQ(t.artist, "Artist");

    // Windows-1252 accents; no case change.
    t = id3v1TagsFromTail(id3Tail("CAF\xC9 cr\xE8me", "x"));
    EXPECT_EQ(t.title, "CAFÉ crème");

    EXPECT_EQ(id3v1TagsFromTail("tag" + id3Tail("a", "b").substr(3)).title, "");
    EXPECT_EQ(id3v1TagsFromTail(id3Tail("a", "b").substr(1)).title, "");
}

TEST(ReadSongTag, ByFileKind)
{
    TempDir dir;
    const std::string mp3 = dir.write("song.mp3", std::string(1000, '\xAA') + id3Tail("Mp3 Title", "Mp3 Artist"));
    const std::string kar = dir.write("SONG.KAR", midiStart() + textEvent("@TKAR TITLE") + textEvent("@Tsinger"));
    const std::string midAsId3 = dir.write("plain.mid", id3Tail("Not", "Read"));
    const std::string tiny = dir.write("tiny.mp3", "TAG");
    const std::string noTag = dir.write("none.wav", std::string(4000, 'R'));

    ReadSongTag(mp3);
    EXPECT_EQ(SongTag[1], "Mp3 Title");
    EXPECT_EQ(SongTag[2], "Mp3 Artist");

    // Extensions in capitals, as files copied from Windows carry them.
    ReadSongTag(kar);
    EXPECT_EQ(SongTag[1], "Kar Title");
    EXPECT_EQ(SongTag[2], "Singer");

    for (const std::string& path : {midAsId3, tiny, noTag, dir.file("missing.mp3"), std::string(), dir.path().generic_string()}) {
        ReadSongTag(path);
        EXPECT_EQ(SongTag[1], "") << path;
        EXPECT_EQ(SongTag[2], "") << path;
    }
}
