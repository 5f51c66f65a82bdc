#include "platform/files/profile.h"
#include "support/testdir.h"

#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::TempDir;
using testsupport::readFileBytes;
using profile::GetPrivateProfileString;
using profile::WritePrivateProfileString;

namespace {

const std::string kIni =
    "[Path]\r\n"
    "Path syk=/home/me/sync/\r\n"
    "Path Lst=\r\n"
    "\r\n"
    "[Kar Windows]\r\n"
    "Top=5850\r\n"
    "CountDownBar = 1\r\n"
    "\r\n";

} // namespace

TEST(Profile, ReadsWithoutRegardToCaseOrBlanks)
{
    TempDir dir;
    const auto f = dir.write("a.ini", kIni);
    EXPECT_EQ(GetPrivateProfileString("path", "PATH SYK", "d", f), "/home/me/sync/");
    EXPECT_EQ(GetPrivateProfileString(" Kar Windows ", "CountDownBar", "d", f), "1");
    EXPECT_EQ(GetPrivateProfileString("Path", "Path Lst", "d", f), "");
    EXPECT_EQ(GetPrivateProfileString("Path", "Missing", "d", f), "d");
    EXPECT_EQ(GetPrivateProfileString("Nope", "Top", "d", f), "d");
    EXPECT_EQ(GetPrivateProfileString("Path", "Top", "d", f), "d"); // keys belong to their section
    EXPECT_EQ(GetPrivateProfileString("Path", "Path", "d", dir.file("none.ini")), "d");
    // The buffer rule: at most size - 1 characters, counted as characters.
    EXPECT_EQ(GetPrivateProfileString("Kar Windows", "Top", "", f, 3), "58");
}

TEST(Profile, WritesInPlaceAppendsToSectionAndAddsSections)
{
    TempDir dir;
    const auto f = dir.write("a.ini", kIni);

    // An existing key is rewritten where it stands, keeping its spelling.
    ASSERT_TRUE(WritePrivateProfileString("kar windows", "countdownbar", "0", f));
    // A new key goes at the end of its section, before the empty line.
    ASSERT_TRUE(WritePrivateProfileString("Path", "Path MP3", "/music/", f));
    // A new section goes at the end.
    ASSERT_TRUE(WritePrivateProfileString("New", "Key", "v a l", f));
    EXPECT_EQ(readFileBytes(f),
              "[Path]\r\n"
              "Path syk=/home/me/sync/\r\n"
              "Path Lst=\r\n"
              "Path MP3=/music/\r\n"
              "\r\n"
              "[Kar Windows]\r\n"
              "Top=5850\r\n"
              "CountDownBar=0\r\n"
              "\r\n"
              "[New]\r\n"
              "Key=v a l\r\n"
              "\r\n");
    EXPECT_EQ(GetPrivateProfileString("new", "key", "", f), "v a l");

    // A missing file is created.
    const auto g = dir.file("fresh.ini");
    ASSERT_TRUE(WritePrivateProfileString("S", "K", "1", g));
    EXPECT_EQ(readFileBytes(g), "[S]\r\nK=1\r\n\r\n");

    // A value with line ends cannot add lines to the file.
    ASSERT_TRUE(WritePrivateProfileString("S", "K", "a\r\n[S]\nK=2", g));
    EXPECT_EQ(GetPrivateProfileString("S", "K", "", g), "a  [S] K=2");
    EXPECT_FALSE(WritePrivateProfileString("", "K", "1", g));
    EXPECT_FALSE(WritePrivateProfileString("S", " ", "1", g));
}

TEST(Profile, KeepsEncodingAndOtherLinesOfForeignFiles)
{
    TempDir dir;
    // Windows-1252 accents, LF and lone CR line ends, a comment.
    const auto f = dir.write("a.ini", "; r\xE9glages\n[S]\rName=Chlo\xE9\n");
    EXPECT_EQ(GetPrivateProfileString("S", "Name", "", f), "Chlo\xC3\xA9");
    ASSERT_TRUE(WritePrivateProfileString("S", "Other", "\xC3\xA0", f));
    EXPECT_EQ(readFileBytes(f), "; r\xE9glages\r\n[S]\r\nName=Chlo\xE9\r\nOther=\xE0\r\n");
}

// Windows' editors save "Unicode" text as UTF-16 little endian, with a mark
// (FF FE) or, from other tools, without one.
TEST(Profile, AUnicodeSettingsFileIsReadAndAWriteKeepsItsValues)
{
    const auto unicode = [](std::string_view latin, bool mark) {
        std::string out = mark ? "\xFF\xFE" : "";
        for (char c : latin)   // letters of Latin-1 only
            out += std::string{c, '\0'};
        return out;
    };
    TempDir dir;
    for (const bool mark : {true, false}) {
        SCOPED_TRACE(mark ? "with its mark" : "without a mark");
        const auto f = dir.write("u.ini", unicode("[Path]\r\nPath syk=/home/me/caf\xE9/\r\n\r\n"
                                                  "[Setting]\r\nLangue=En\r\nTheme=3\r\n",
                                                  mark));
        EXPECT_EQ(GetPrivateProfileString("Path", "Path syk", "d", f), "/home/me/café/");
        EXPECT_EQ(GetPrivateProfileString("Setting", "Theme", "d", f), "3");
        // A write stores the whole file again in the program's own text:
        // the other values stay readable, no second section appears.
        EXPECT_TRUE(WritePrivateProfileString("Setting", "Theme", "5", f));
        EXPECT_TRUE(WritePrivateProfileString("Setting", "Setup", "1", f));
        EXPECT_EQ(readFileBytes(f), "[Path]\r\nPath syk=/home/me/caf\xE9/\r\n\r\n"
                                    "[Setting]\r\nLangue=En\r\nTheme=5\r\nSetup=1\r\n");
        EXPECT_EQ(GetPrivateProfileString("Path", "Path syk", "d", f), "/home/me/café/");
        EXPECT_EQ(GetPrivateProfileString("Setting", "Langue", "d", f), "En");
    }
}

TEST(Profile, FolderNamesThatAreNotUtf8KeepTheirBytes)
{
    TempDir dir;
    // A folder named on an older system ("Caf\xE9": not UTF-8) beside text that
    // Windows-1252 cannot hold and text that it can.
    const std::string folder = dir.file("Caf\xE9") + "/";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string f = dir.file("s.ini");
    ASSERT_TRUE(WritePrivateProfileString("Path", "Path Mp3", folder, f));
    ASSERT_TRUE(WritePrivateProfileString("Kar Windows", "FontName", "\xE6\x97\xA5\xE6\x9C\xAC", f));
    ASSERT_TRUE(WritePrivateProfileString("Setting", "Name", "Chlo\xC3\xA9", f));
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(GetPrivateProfileString("Path", "Path Mp3", "", f), folder);
        EXPECT_EQ(GetPrivateProfileString("Kar Windows", "FontName", "", f), "\xE6\x97\xA5\xE6\x9C\xAC");
        EXPECT_EQ(GetPrivateProfileString("Setting", "Name", "", f), "Chlo\xC3\xA9");
        // Another write keeps all of them.
        ASSERT_TRUE(WritePrivateProfileString("Setting", "Other", "1", f));
    }
    EXPECT_NE(readFileBytes(f).find("Path Mp3=" + folder + "\r\n"), std::string::npos);

    // A Windows-1252 file names the UTF-8 folder when that one exists, and the
    // folder of those very bytes otherwise.
    ASSERT_EQ(::mkdir(dir.file("No\xC3\xABl").c_str(), 0755), 0);
    const auto old = dir.write("old.ini", "[Path]\r\nA=" + dir.file("No\xEBl") + "\r\nB=" + folder + "\r\nC=/gone/\xE9t\xE9\r\n");
    EXPECT_EQ(GetPrivateProfileString("Path", "A", "", old), dir.file("No\xC3\xABl"));
    EXPECT_EQ(GetPrivateProfileString("Path", "B", "", old), folder);
    EXPECT_EQ(GetPrivateProfileString("Path", "C", "", old), "/gone/\xC3\xA9t\xC3\xA9");
}

TEST(Profile, HostileContentsNeverCrash)
{
    TempDir dir;
    std::string junk = "[Kar Windows\r\n"        // "[" without "]"
                       "no equals sign here\r\n"
                       "=value without key\r\n"
                       "[]\r\n"
                       "[S]\r\n"
                       "Nul=ab";
    junk += std::string("\0cd", 3);
    junk += "\r\nLong=" + std::string(1'000'000, 'x') + "\r\n";
    junk += std::string("\xFF\xFE\x00\x01", 4) + "]]]=[[[\r\n[S]\r\nDup=second\r\n";
    const auto f = dir.write("junk.ini", junk);

    EXPECT_EQ(GetPrivateProfileString("Kar Windows", "no equals sign here", "d", f), "d");
    EXPECT_EQ(GetPrivateProfileString("S", "Nul", "d", f), "ab");        // a value ends at NUL
    EXPECT_EQ(GetPrivateProfileString("S", "Long", "", f, 100).size(), 99u);
    EXPECT_EQ(GetPrivateProfileString("S", "Dup", "d", f), "d");         // only the first [S] counts
    ASSERT_TRUE(WritePrivateProfileString("S", "Added", "1", f));
    EXPECT_EQ(GetPrivateProfileString("S", "Added", "", f), "1");
    EXPECT_EQ(GetPrivateProfileString("S", "Long", "", f).size(), 1'000'000u);
}

TEST(Profile, AFileThatCannotBeReadIsNotOverwritten)
{
    TempDir dir;
    // A folder where the file should be: nothing can be read or replaced.
    const auto f = dir.file("folder.ini");
    ASSERT_EQ(::mkdir(f.c_str(), 0755), 0);
    EXPECT_FALSE(WritePrivateProfileString("S", "K", "1", f));
    EXPECT_EQ(GetPrivateProfileString("S", "K", "d", f), "d");

    const auto g = dir.write("b.ini", "[S]\r\nA=1\r\nB=2\r\n");
    EXPECT_TRUE(profile::DeletePrivateProfileKey("s", "a", g));
    EXPECT_EQ(readFileBytes(g), "[S]\r\nB=2\r\n");
    EXPECT_EQ(profile::GetPrivateProfileKeys("S", g), std::vector<std::string>{"B"});
    // A folder in the lock's place: nothing is locked, so nothing is deleted.
    ::unlink((g + ".lock").c_str());
    ASSERT_EQ(::mkdir((g + ".lock").c_str(), 0755), 0);
    EXPECT_FALSE(profile::DeletePrivateProfileKey("S", "B", g));
    EXPECT_EQ(readFileBytes(g), "[S]\r\nB=2\r\n");
}

TEST(Profile, RandomFilesNeverCrash)
{
    // Random bytes biased towards the characters the parser looks at.
    TempDir dir;
    const auto f = dir.file("r.ini");
    std::mt19937 rng(1234);
    const std::string alphabet = std::string("[]=; \t\r\nabAB\xC3\xA9\xFF", 16) + std::string(1, '\0');
    for (int round = 0; round < 300; ++round) {
        std::string bytes(rng() % 200, ' ');
        for (char& c : bytes)
            c = alphabet[rng() % alphabet.size()];
        dir.write("r.ini", bytes);
        (void)GetPrivateProfileString("a", "b", "", f, 100);
        ASSERT_TRUE(WritePrivateProfileString("a", "b", "1", f));
        EXPECT_EQ(GetPrivateProfileString("A", "B", "", f), "1") << round;
    }
}

TEST(Profile, TwoRunningProgramsNeverLoseEachOthersWrites)
{
    TempDir dir;
    const auto f = dir.write("PlaySyk.ini", kIni);
    constexpr int kProcesses = 4;
    constexpr int kWrites = 60;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool ok = true;
            for (int k = 0; k < kWrites; ++k)
                ok = WritePrivateProfileString("Run" + std::to_string(p), "Key" + std::to_string(k), std::to_string(k), f)
                     && ok;
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    int lost = 0;
    for (int p = 0; p < kProcesses; ++p)
        for (int k = 0; k < kWrites; ++k)
            if (GetPrivateProfileString("Run" + std::to_string(p), "Key" + std::to_string(k), "", f)
                != std::to_string(k))
                ++lost;
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(GetPrivateProfileString("Kar Windows", "Top", "", f), "5850");
}
