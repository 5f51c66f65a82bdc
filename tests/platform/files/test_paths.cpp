#include "platform/files/language.h"
#include "platform/files/paths.h"
#include "support/testdir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;
using testsupport::TempDir;

TEST(Paths, SplitOnBothSeparatorsAndTheDriveColonOnly)
{
    using namespace paths;
    EXPECT_EQ(fileNamePart("/home/me/abc.mp3"), "abc.mp3");
    EXPECT_EQ(folderPart("/home/me/abc.mp3"), "/home/me/");
    EXPECT_EQ(fileNamePart("c:\\music\\abc.mp3"), "abc.mp3");
    EXPECT_EQ(folderPart("c:\\music\\abc.mp3"), "c:\\music\\");
    EXPECT_EQ(fileNamePart("c:abc.mp3"), "abc.mp3");
    EXPECT_EQ(folderPart("c:abc.mp3"), "c:");
    // ":" elsewhere is part of a Linux name.
    EXPECT_EQ(fileNamePart("/songs/Live: Paris.mp3"), "Live: Paris.mp3");
    EXPECT_EQ(fileNamePart("ab:c.mp3"), "");
    EXPECT_EQ(fileNamePart("abc.mp3"), "");
    EXPECT_EQ(folderPart("abc.mp3"), "");
    EXPECT_EQ(fileNamePart("/music/"), "");
    EXPECT_EQ(folderPart(""), "");
    EXPECT_EQ(join("/a", "b"), "/a/b");
    EXPECT_EQ(join("/a/", "b"), "/a/b");
    EXPECT_EQ(join("", "b"), "b");
    EXPECT_EQ(withTrailingSlash("/a"), "/a/");
    EXPECT_EQ(withTrailingSlash(""), "");
}

TEST(Paths, FoldersOfTheProgram)
{
    TempDir dir;
    const std::string want = dir.file("prog/sub");
    const char* old = std::getenv("ZUNKARAOKE_DIR");
    const std::string saved = old ? old : "";
    setenv("ZUNKARAOKE_DIR", (want + "/").c_str(), 1);
    EXPECT_EQ(paths::programFolder(), want);   // created, no trailing "/"
    EXPECT_TRUE(paths::isFolder(want));
    if (old)
        setenv("ZUNKARAOKE_DIR", saved.c_str(), 1);
    else
        unsetenv("ZUNKARAOKE_DIR");

    const std::string home = paths::homeFolder();
    ASSERT_FALSE(home.empty());
    EXPECT_EQ(home.back(), '/');
    EXPECT_TRUE(paths::isFolder(paths::executableFolder()));
}

TEST(Paths, WithoutTheVariableTheProgramFolderIsTheUsersConfigurationFolder)
{
    TempDir dir;
    testsupport::ScopedEnv noDir("ZUNKARAOKE_DIR", nullptr);
    testsupport::ScopedEnv home("HOME", dir.file("home").c_str());
    {
        // Never the executable's folder, even a writable one (a build folder).
        testsupport::ScopedEnv config("XDG_CONFIG_HOME", nullptr);
        EXPECT_FALSE(paths::programFolderFromEnvironment());
        EXPECT_EQ(paths::programFolder(), dir.file("home/.config/zunkaraoke"));
        EXPECT_TRUE(paths::isFolder(dir.file("home/.config/zunkaraoke")));
        EXPECT_NE(paths::programFolder(), paths::executableFolder());
    }
    {
        testsupport::ScopedEnv config("XDG_CONFIG_HOME", (dir.file("cfg") + "/").c_str());
        EXPECT_EQ(paths::programFolder(), dir.file("cfg/zunkaraoke"));
    }
    {
        // A relative value is not a base folder: the default applies.
        testsupport::ScopedEnv config("XDG_CONFIG_HOME", "relative/cfg");
        EXPECT_EQ(paths::programFolder(), dir.file("home/.config/zunkaraoke"));
    }
}

TEST(Paths, AttributesMapReadOnlyToTheWriteBit)
{
    using namespace paths;
    TempDir dir;
    const auto f = dir.write("PlaySyk.ini", "x");
    EXPECT_EQ(getFileAttributes(f), kAttrArchive);
    ::chmod(f.c_str(), 0444);
    EXPECT_EQ(getFileAttributes(f), kAttrArchive | kAttrReadOnly);
    EXPECT_TRUE(setFileAttributes(f, kAttrArchive));
    EXPECT_EQ(getFileAttributes(f), kAttrArchive);
    EXPECT_TRUE(setFileAttributes(f, kAttrReadOnly));
    struct stat st {};
    ::stat(f.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    EXPECT_EQ(getFileAttributes(dir.write(".hidden", "")) & kAttrHidden, kAttrHidden);
    EXPECT_EQ(getFileAttributes(dir.path().string()) & kAttrDirectory, kAttrDirectory);
    EXPECT_EQ(getFileAttributes(dir.file("missing")), kAttrInvalid);
    EXPECT_FALSE(setFileAttributes(dir.file("missing"), kAttrArchive));

    EXPECT_TRUE(isFile(f));
    EXPECT_FALSE(isFile(dir.path().string()));
    EXPECT_EQ(fileSize(f), 1);
    EXPECT_EQ(fileSize(dir.file("missing")), -1);
    EXPECT_TRUE(removeFile(f));
    EXPECT_TRUE(removeFile(f)); // already gone
}

TEST(Paths, ListFolderGivesSortedVisibleFiles)
{
    TempDir dir;
    dir.write("b.MP3", "12345");
    dir.write("A.kar", "1");
    dir.write("c.txt", "");
    dir.write(".hidden.mp3", "");
    fs::create_directory(dir.path() / "folder.mp3");
    fs::create_symlink(dir.path() / "b.MP3", dir.path() / "link.mp3");
    fs::create_symlink(dir.path() / "gone", dir.path() / "dangling.mp3");

    auto all = paths::listFolder(dir.path().string());
    std::vector<std::string> names;
    for (const auto& e : all)
        names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"A.kar", "b.MP3", "c.txt", "link.mp3"}));
    EXPECT_EQ(all[1].size, 5);

    paths::ListOptions songs;
    songs.extensions = {".mp3", ".kar"};
    songs.includeHidden = true;
    names.clear();
    for (const auto& e : paths::listFolder(dir.path().string(), songs))
        names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{".hidden.mp3", "A.kar", "b.MP3", "link.mp3"}));
    EXPECT_TRUE(paths::listFolder(dir.file("missing")).empty());
}

TEST(Paths, CaseInsensitiveLookupPrefersTheExactName)
{
    TempDir dir;
    dir.write("Song.SYK", "upper");
    EXPECT_EQ(paths::findFileNoCase(dir.file("song.syk")), dir.file("Song.SYK"));
    EXPECT_EQ(paths::findFileNoCase(dir.file("Song.SYK")), dir.file("Song.SYK"));
    dir.write("song.syk", "lower");
    EXPECT_EQ(paths::findFileNoCase(dir.file("song.syk")), dir.file("song.syk"));
    EXPECT_EQ(paths::findFileNoCase(dir.file("SONG.syk")), dir.file("Song.SYK")); // first in byte order
    dir.write("\xC3\x89t\xC3\xA9.syk", "");
    EXPECT_EQ(paths::findFileNoCase(dir.file("\xC3\xA9T\xC3\x89.SYK")), dir.file("\xC3\x89t\xC3\xA9.syk"));
    fs::create_directory(dir.path() / "Dir.syk");
    EXPECT_EQ(paths::findFileNoCase(dir.file("dir.syk")), "");
    EXPECT_EQ(paths::findFileNoCase(dir.file("none.syk")), "");
    EXPECT_EQ(paths::findFileNoCase(dir.file("missing/song.syk")), "");
    EXPECT_EQ(paths::findFileNoCase(""), "");
}

// A save or copy that the system refuses is reported inside a French message
// with a French reason: the C library's own text is English whatever the
// program speaks.
TEST(SystemErrorText, TheErrorsASaveMeetsAreSaidInTheProgramsLanguage)
{
    for (int e : {EACCES, EPERM, EROFS, ENOSPC, EDQUOT, ENOENT, EIO, ENAMETOOLONG}) {
        const std::string fr = language::systemError(e, true);
        EXPECT_EQ(fr.find(std::strerror(e)), std::string::npos) << fr;
        EXPECT_EQ(fr.rfind("erreur du système : ", 0), 0u) << fr;
        EXPECT_EQ(language::systemError(e, false).rfind("system error: ", 0), 0u);
    }
    EXPECT_EQ(language::systemError(EACCES, true), "erreur du système : accès refusé.");
    EXPECT_EQ(language::systemError(ENOSPC, false), "system error: no space left on the disk.");
    // A number without a text of ours is still named, never left blank.
    EXPECT_EQ(language::systemError(ECHILD, true), "erreur du système : erreur n° " + std::to_string(ECHILD) + ".");
}
