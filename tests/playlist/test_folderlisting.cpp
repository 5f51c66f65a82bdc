// Folder rows (songs only, sorted, sizes, sync flags) and the bulk sync lookup.
#include "playlist/folderlisting.h"
#include "support/testdir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace PlayList;
using testsupport::TempDir;

TEST(FormatKb, DecimalKilobytesRoundedUp)
{
    EXPECT_EQ(FormatKb(0), "1kb");
    EXPECT_EQ(FormatKb(499), "1kb");
    EXPECT_EQ(FormatKb(999), "1kb");
    EXPECT_EQ(FormatKb(1000), "2kb");
    EXPECT_EQ(FormatKb(2345678), "2,346kb");
    EXPECT_EQ(FormatKb(999499), "1,000kb");
    EXPECT_EQ(FormatKb(5'000'000'000ull), "5,000,001kb");
}

TEST(FolderRows, SongsOnlyRegularFilesSortedByName)
{
    TempDir dir;
    dir.write("Track.Kar", std::string(1000, 'k'));
    dir.write("Song.MP3", "");
    dir.write("readme.txt", "x");
    dir.write("b.wav", std::string(2345678, 'w'));
    dir.write(".hidden.mp3", "x");
    std::filesystem::create_directory(dir.path() / "Live.mid");

    SyncFinder finder("");
    const auto rows = listFolderRows(dir.path().generic_string(), finder, "Fr");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].name, "b.wav");
    EXPECT_EQ(rows[0].type, "Wave");
    EXPECT_EQ(rows[0].sizeText, "2,346kb");
    EXPECT_EQ(rows[1].name, "Song.MP3");
    EXPECT_EQ(rows[1].type, "MP3");
    EXPECT_EQ(rows[1].sizeText, "1kb");
    EXPECT_EQ(rows[1].icon, "Picture_NoteMp3");
    EXPECT_EQ(rows[2].name, "Track.Kar");
    EXPECT_EQ(rows[2].type, "Kar");
    EXPECT_EQ(rows[2].sizeText, "2kb");
    EXPECT_EQ(rows[2].flag, "N");

    EXPECT_TRUE(listFolderRows(dir.file("gone"), finder, "Fr").empty());
}

TEST(FolderRows, SyncFlagsFromFilesBesideAndInTheSyncFolder)
{
    TempDir dir;
    TempDir sync;
    dir.write("Song.MP3", "");
    dir.write("Song.syk", "");        // exact name beside the song
    dir.write("Echo.kar", "");
    dir.write("ECHO.SYK", "");        // copied from Windows in capitals
    dir.write("echo.sy1", "");
    dir.write("Lone.mid", "");
    dir.write("Lone.sy1", "");        // an echo file without its .syk
    dir.write("Far.wav", "");
    sync.write("Far.syk", "");        // only in the sync folder

    SyncFinder finder(sync.path().generic_string());
    const auto rows = listFolderRows(dir.path().generic_string() + "/", finder, "En");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].name, "Echo.kar");
    EXPECT_EQ(rows[0].flag, "Y+");
    EXPECT_EQ(rows[0].icon, "Picture_Note2R");
    EXPECT_EQ(rows[1].name, "Far.wav");
    EXPECT_EQ(rows[1].flag, "Y");
    EXPECT_EQ(rows[1].icon, "Picture_NoteMp3R");
    EXPECT_EQ(rows[2].name, "Lone.mid");
    EXPECT_EQ(rows[2].flag, "N+");
    EXPECT_EQ(rows[2].icon, "Picture_Note1");
    EXPECT_EQ(rows[3].name, "Song.MP3");
    EXPECT_EQ(rows[3].flag, "Y");
}

TEST(SyncFinder, SyncFolderFirstThenBesideTheSong)
{
    TempDir music;
    TempDir sync;
    music.write("abc.mp3", "");
    music.write("abc.syk", "");
    const std::string song = music.file("abc.mp3");

    SyncFinder noSyncFolder("");
    EXPECT_EQ(noSyncFolder.findSyk(song), music.file("abc.syk"));
    EXPECT_EQ(noSyncFolder.findSy1(song), "");

    sync.write("abc.syk", "");
    sync.write("abc.sy1", "");
    SyncFinder withSyncFolder(sync.path().generic_string() + "/");
    EXPECT_EQ(withSyncFolder.findSyk(song), sync.file("abc.syk"));
    EXPECT_EQ(withSyncFolder.findSy1(song), sync.file("abc.sy1"));

    // Odd song paths give no match rather than a wrong one.
    EXPECT_EQ(withSyncFolder.findSyk(""), "");
    EXPECT_EQ(withSyncFolder.findSyk("ab"), "");
    EXPECT_EQ(withSyncFolder.findSyk(music.file("x")), "");
    // Windows paths from an old list name no file here.
    EXPECT_EQ(noSyncFolder.findSyk("D:\\Music\\abc.mp3"), "");
}
