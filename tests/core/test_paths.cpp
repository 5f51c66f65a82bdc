#include "core/modini.h"
#include "support/testdir.h"

#include <gtest/gtest.h>

#include <filesystem>

using testsupport::ProgramDir;
using testsupport::TempDir;
using namespace modIni;

TEST(PathHelpers, FileExistsOnlyForVisibleFiles)
{
    TempDir dir;
    const auto song = dir.write("music/abc.mp3", "x");
    EXPECT_TRUE(FileExists(song));
    EXPECT_FALSE(FileExists(dir.file("music/")));        // a folder path never counts
    EXPECT_FALSE(FileExists(dir.file("music")));         // nor a folder
    EXPECT_FALSE(FileExists(dir.file("music") + "\\"));
    EXPECT_FALSE(FileExists(dir.write("music/.abc.mp3", "x"))); // hidden
    EXPECT_FALSE(FileExists(dir.file("music/none.mp3")));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(std::string("bad\0name", 8)));
    EXPECT_FALSE(FileExists(dir.file("music/*.mp3")));    // no wildcards: "*" is a legal name character
}

TEST(PathHelpers, FileNameAndPathSplitOnEitherSeparator)
{
    EXPECT_EQ(GetFileName("c:\\music\\abc.mp3"), "abc.mp3");
    EXPECT_EQ(GetFilePath("c:\\music\\abc.mp3"), "c:\\music\\");
    EXPECT_EQ(GetFileName("c:abc.mp3"), "abc.mp3");
    EXPECT_EQ(GetFilePath("c:abc.mp3"), "c:");
    EXPECT_EQ(GetFileName("abc.mp3"), "");
    EXPECT_EQ(GetFilePath("abc.mp3"), "");
    EXPECT_EQ(GetFileName("/home/me/Music/abc.mp3"), "abc.mp3");
    EXPECT_EQ(GetFilePath("/home/me/Music/abc.mp3"), "/home/me/Music/");
    EXPECT_EQ(GetFileName("/home/me/Music/"), "");
    EXPECT_EQ(GetFilePath("/songs\\old/a.kar"), "/songs\\old/");
    EXPECT_EQ(GetFileName("/songs/Live 10:30.mp3"), "Live 10:30.mp3");
    EXPECT_EQ(GetFileName(""), "");
    EXPECT_EQ(GetFilePath(""), "");
}

class SyncLookup : public ::testing::Test {
protected:
    ProgramDir prog;
    TempDir music;
    TempDir sync;
    std::string song;
    void SetUp() override
    {
        song = music.write("abc.mp3", "x");
        IniAccess("WRITE", "Path", "Path Syk", sync.path().string() + "/");
    }
};

TEST_F(SyncLookup, SyncFolderFirstThenBesideTheSong)
{
    EXPECT_EQ(FindSykFile(song), "");
    const auto beside = music.write("abc.syk", "");
    EXPECT_EQ(FindSykFile(song), beside);
    const auto inSync = sync.write("abc.syk", "");
    EXPECT_EQ(FindSykFile(song), inSync);
    // The echo file uses the same folder and its own extension.
    EXPECT_EQ(FindSy1File(song), "");
    const auto echo = sync.write("abc.sy1", "");
    EXPECT_EQ(FindSy1File(song), echo);
    EXPECT_EQ(FindSykFile(""), "");
}

TEST_F(SyncLookup, NamesFromWindowsMatchWithoutRegardToCase)
{
    const auto upperSong = music.write("Song.MP3", "x");
    const auto syk = music.write("SONG.SYK", "");
    EXPECT_EQ(FindSykFile(upperSong), syk);
    const auto exact = music.write("Song.syk", "");
    EXPECT_EQ(FindSykFile(upperSong), exact); // the exact name wins
    const auto inSync = sync.write("song.Syk", "");
    EXPECT_EQ(FindSykFile(upperSong), inSync);
}

TEST_F(SyncLookup, ExtensionIsTheLastThreeCharacters)
{
    // A four-letter extension keeps its first letter: abc.jpeg -> abc.jsyk.
    const auto jpeg = music.write("abc.jpeg", "x");
    const auto odd = music.write("abc.jsyk", "");
    EXPECT_EQ(FindSykFile(jpeg), odd);
    // Accented names are cut by characters, not bytes.
    const auto accented = music.write("\xC3\xA9t\xC3\xA9.w\xC3\xA0v", "x");
    const auto accSyk = music.write("\xC3\xA9t\xC3\xA9.syk", "");
    EXPECT_EQ(FindSykFile(accented), accSyk);
}

TEST_F(SyncLookup, SyncFolderWithoutFinalSeparator)
{
    IniAccess("WRITE", "Path", "Path Syk", sync.path().string());
    const auto inSync = sync.write("abc.syk", "");
    EXPECT_EQ(FindSykFile(song), inSync);
    // A sync folder that does not exist: beside the song.
    IniAccess("WRITE", "Path", "Path Syk", "/no/such/folder/");
    const auto beside = music.write("abc.syk", "");
    EXPECT_EQ(FindSykFile(song), beside);
}

TEST_F(SyncLookup, DeepSyncFolderIsFoundWhole)
{
    // A sync folder whose path is longer than 99 characters: the whole setting
    // is read, not the first 99 characters of it.
    std::string deep = "karaoke";
    while (sync.file(deep).size() < 110)
        deep += "/sub-folder-of-songs";
    const auto inSync = sync.write(deep + "/abc.syk", "");
    ASSERT_GT(sync.file(deep).size() + 1, 99u);
    IniAccess("WRITE", "Path", "Path Syk", sync.file(deep) + "/");
    EXPECT_EQ(IniAccess("GET", "Path", "Path Syk"), sync.file(deep) + "/");
    EXPECT_EQ(FindSykFile(song), inSync);
}
