#include "platform/files/textfile.h"
#include "support/testdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::readFileBytes;

namespace {

std::vector<std::string> folderNames(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    return names;
}

} // namespace

TEST(TextEncoding, Windows1252FileRoundTripsByteForByte)
{
    // "Été à l'œuvre – “déjà”" in Windows-1252, plus every byte the code page
    // leaves undefined: reading and writing it back must not change a byte.
    const std::string bytes = "\xC9t\xE9 \xE0 l'\x9Cuvre \x96 \x93\x64\xE9j\xE0\x94 \x80 \x81\x8D\x8F\x90\x9D";
    TempDir dir;
    const auto path = dir.write("song.syk", bytes);

    textfile::Encoding enc{};
    auto text = textfile::decode(bytes, &enc);
    EXPECT_EQ(enc, textfile::Encoding::Windows1252);
    EXPECT_EQ(text.substr(0, 11), "\xC3\x89t\xC3\xA9 \xC3\xA0 l'");        // "Été à l'"
    EXPECT_NE(text.find("\xC5\x93uvre"), std::string::npos);              // œ
    EXPECT_NE(text.find("\xE2\x80\x93"), std::string::npos);              // –
    EXPECT_NE(text.find("\xE2\x82\xAC"), std::string::npos);              // €

    auto read = textfile::readText(path);
    ASSERT_TRUE(read);
    ASSERT_TRUE(textfile::writeText(path, *read));
    EXPECT_EQ(readFileBytes(path), bytes);
}

TEST(TextEncoding, Utf8IsKeptAndWrittenAsCp1252OnlyWhenEverythingFits)
{
    textfile::Encoding enc{};
    // Valid UTF-8 is taken as such.
    EXPECT_EQ(textfile::decode("caf\xC3\xA9", &enc), "caf\xC3\xA9");
    EXPECT_EQ(enc, textfile::Encoding::Utf8);
    // A BOM is dropped.
    EXPECT_EQ(textfile::decode("\xEF\xBB\xBFok"), "ok");

    // Fits Windows-1252: written in it.
    EXPECT_EQ(textfile::encode("caf\xC3\xA9", &enc), "caf\xE9");
    EXPECT_EQ(enc, textfile::Encoding::Windows1252);
    // Japanese does not fit: the whole text stays UTF-8, untouched.
    const std::string jp = "\xE6\x84\x9B caf\xC3\xA9";
    EXPECT_EQ(textfile::encode(jp, &enc), jp);
    EXPECT_EQ(enc, textfile::Encoding::Utf8);

    TempDir dir;
    const auto path = dir.file("x.txt");
    ASSERT_TRUE(textfile::writeLines(path, {jp, "b"}));
    EXPECT_EQ(readFileBytes(path), jp + "\r\nb\r\n");
    EXPECT_EQ(*textfile::readText(path), jp + "\r\nb\r\n");
}

TEST(TextEncoding, InvalidUtf8SequencesAreNotTakenForUtf8)
{
    EXPECT_FALSE(textfile::isValidUtf8("\xC0\x80"));          // overlong NUL
    EXPECT_FALSE(textfile::isValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(textfile::isValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(textfile::isValidUtf8("abc\xE2\x82"));       // cut at the end
    EXPECT_TRUE(textfile::isValidUtf8(std::string("a\0b", 3)));
    EXPECT_EQ(textfile::decode("abc\xE2\x82"), "abc\xC3\xA2\xE2\x80\x9A"); // read as 1252: "â‚"
}

TEST(TextLines, AnyLineEndSplitsAndCrLfIsWritten)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(textfile::splitLines("a\r\nb\nc\rd"), (V{"a", "b", "c", "d"}));
    EXPECT_EQ(textfile::splitLines("a\r\n"), (V{"a"}));
    EXPECT_EQ(textfile::splitLines("a\r\n\r\n"), (V{"a", ""}));
    EXPECT_EQ(textfile::splitLines("\n\n"), (V{"", ""}));
    EXPECT_EQ(textfile::splitLines(""), V{});
    EXPECT_EQ(textfile::splitLines("\r\r\n"), (V{"", ""})); // CR, then CR LF

    TempDir dir;
    const auto path = dir.write("mixed.txt", "one\rtwo\r\nthree\nfour");
    auto lines = textfile::readLines(path);
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, (V{"one", "two", "three", "four"}));
    ASSERT_TRUE(textfile::writeLines(path, *lines));
    EXPECT_EQ(readFileBytes(path), "one\r\ntwo\r\nthree\r\nfour\r\n");

    EXPECT_FALSE(textfile::readLines(dir.file("missing.txt")));
    EXPECT_FALSE(textfile::readText(dir.path().string())); // a folder is not a text file
}

TEST(AtomicSave, ReplacesKeepingPermissionsAndLeavesNoTemporaryFile)
{
    TempDir dir;
    const auto path = dir.write("list.lst", "old");
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(textfile::saveBytesAtomic(path, "new contents"));
    EXPECT_EQ(readFileBytes(path), "new contents");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(folderNames(dir.path()), std::vector<std::string>{"list.lst"});

    // Saving through a link replaces the file it points to.
    const auto link = dir.file("link.lst");
    fs::create_symlink(path, link);
    ASSERT_TRUE(textfile::saveBytesAtomic(link, "via link"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFileBytes(path), "via link");
}

TEST(AtomicSave, FailureLeavesTheOldFileIntact)
{
    TempDir dir;
    const std::string old = "old settings\r\n";
    const auto path = dir.write("PlaySyk.ini", old);

    // The write fails half-way: the process may not write files this large.
    const std::string big(256 * 1024, 'x');
    const bool ok = testsupport::underFileSizeLimit(4096, [&] { return textfile::saveBytesAtomic(path, big); });

    EXPECT_FALSE(ok);
    EXPECT_EQ(readFileBytes(path), old);
    EXPECT_EQ(folderNames(dir.path()), std::vector<std::string>{"PlaySyk.ini"});

    // The data never reached the disk, and only the flush says so (a network
    // folder, a stick pulled out, a thin-provisioned disk out of room): the
    // save fails with the flush's reason, and nothing of it stays.
    for (const auto& [error, kind] : {std::pair{EIO, textfile::SaveFailure::Other},
                                      std::pair{ENOSPC, textfile::SaveFailure::DiskFull}}) {
        bool saved = true;
        EXPECT_EQ(testsupport::underFailingFlush(error, [&] { saved = textfile::saveBytesAtomic(path, "new\r\n"); }), 1);
        EXPECT_FALSE(saved);
        EXPECT_EQ(textfile::lastSaveError().kind, kind);
        EXPECT_EQ(textfile::lastSaveError().error, error);
        EXPECT_EQ(readFileBytes(path), old);
        EXPECT_EQ(folderNames(dir.path()), std::vector<std::string>{"PlaySyk.ini"});
    }

    // No place for the temporary file: the folder does not exist.
    EXPECT_FALSE(textfile::saveBytesAtomic(dir.file("nowhere/x.txt"), "x"));
    // A folder is never replaced by a file.
    fs::create_directory(dir.path() / "sub");
    EXPECT_FALSE(textfile::saveBytesAtomic(dir.file("sub"), "x"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "sub"));
    EXPECT_FALSE(textfile::saveBytesAtomic("", "x"));
}

TEST(TextEncoding, WhatIsWrittenReadsBackAsTheSameText)
{
    // Text whose Windows-1252 bytes would form valid UTF-8 ("Ã©" is C3 A9, which
    // reads as "é") must be written in UTF-8, or a save would change it.
    const std::vector<std::string> texts = {
        "Caf\xC3\x83\xC2\xA9",                       // "CafÃ©"
        "\xC3\xAF\xC2\xBB\xC2\xBF rest",            // "ï»¿ rest"
        "\xEF\xBB\xBF lead",                         // starts with U+FEFF
        "plain ascii",
        "Mère \xE2\x80\x93 d\xC3\xA9j\xC3\xA0",     // fits in Windows-1252, stays there
        "\xE2\x99\xAA notes",                        // does not fit
        "\xC3\xBF\xC3\xBE lead",                      // "ÿþ": FF FE in Windows-1252, the UTF-16 mark
        "\xC3\xBE\xC3\xBF lead",                      // "þÿ": FE FF
    };
    for (const std::string& t : texts) {
        const std::string bytes = textfile::encode(t);
        EXPECT_EQ(textfile::decode(bytes), t) << t;
        EXPECT_EQ(textfile::encode(textfile::decode(bytes)), bytes) << t;
    }
    textfile::Encoding e;
    textfile::encode("Mère", &e);
    EXPECT_EQ(e, textfile::Encoding::Windows1252);
    // A NUL between letters would make the written bytes look like UTF-16
    // without its mark ("\0€" in Windows-1252 is 00 80, U+0080 in UTF-16BE):
    // NULs are neither written nor read.
    EXPECT_EQ(textfile::decode(textfile::encode(std::string("\0\xE2\x82\xAC\0\xE2\x82\xAC", 8))),
              "\xE2\x82\xAC\xE2\x82\xAC");
    EXPECT_EQ(textfile::decode(std::string("a\0b\0c", 5)), "abc");
}

TEST(AtomicSave, AFileTheUserMadeReadOnlyIsNotReplaced)
{
    TempDir dir;
    const auto path = dir.write("song.syk", "a;1;\r\n");
    ::chmod(path.c_str(), 0444);
    // Root could write it: the mode is what the user said.
    EXPECT_FALSE(textfile::saveBytesAtomic(path, "b;2;\r\n"));
    EXPECT_EQ(textfile::lastSaveError().kind, textfile::SaveFailure::ReadOnlyFile);
    EXPECT_TRUE(textfile::isReadOnlyFile(path));
    EXPECT_EQ(readFileBytes(path), "a;1;\r\n");
    EXPECT_EQ(folderNames(dir.path()), std::vector<std::string>{"song.syk"});

    // Writable again: saved, and the error is forgotten.
    ::chmod(path.c_str(), 0644);
    EXPECT_FALSE(textfile::isReadOnlyFile(path));
    EXPECT_TRUE(textfile::saveBytesAtomic(path, "b;2;\r\n"));
    EXPECT_EQ(textfile::lastSaveError().kind, textfile::SaveFailure::None);
    EXPECT_EQ(readFileBytes(path), "b;2;\r\n");
    EXPECT_FALSE(textfile::isReadOnlyFile(dir.file("missing.syk")));
}

namespace {

// Runs a save of `path` in a child process that dies half-way through the
// write (it may not write files this large), as a player killed during a save
// does; returns the name of the temporary file it left behind.
std::string killedSave(const fs::path& dir, const std::string& path)
{
    const auto before = folderNames(dir);
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        const rlimit small{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &small);
        textfile::saveBytesAtomic(path, std::string(256 * 1024, 'n'));
        ::_exit(0);
    }
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);
    for (const std::string& name : folderNames(dir))
        if (std::find(before.begin(), before.end(), name) == before.end())
            return name;
    ADD_FAILURE() << "the killed save left no temporary file";
    return {};
}

} // namespace

TEST(AtomicSave, OnlyTemporaryFilesOurKilledSavesLeftAreRemoved)
{
    TempDir dir;
    const auto list = dir.write("list.lst", "old");
    auto age = [&](const std::string& name) {
        const timespec old[2] = {{std::time(nullptr) - 3600, 0}, {std::time(nullptr) - 3600, 0}};
        ::utimensat(AT_FDCWD, dir.file(name).c_str(), old, 0);
    };
    auto aged = [&](const std::string& name) {
        dir.write(name, "the user's own");
        age(name);
    };

    const std::string stale = killedSave(dir.path(), list);
    const std::string fresh = killedSave(dir.path(), list);
    const std::string busy = killedSave(dir.path(), list);
    ASSERT_FALSE(stale.empty() || fresh.empty() || busy.empty());
    EXPECT_EQ(readFileBytes(list), "old");
    age(stale);
    age(busy);

    // The user's files that merely look like temporary files, and names shaped
    // like ours whose check does not hold (another target, a changed digit).
    aged("notes.txt.tmp-backup");
    aged("party.lst.tmp-2024v1");
    aged("list.lst.tmp-AbC123");
    std::string otherTarget = stale;
    otherTarget.replace(1, 8, "play.lst");
    aged(otherTarget);
    std::string changedDigit = stale;
    changedDigit.back() = changedDigit.back() == '0' ? '1' : '0';
    aged(changedDigit);

    // A save still writing holds the lock on its temporary file.
    const int fd = ::open(dir.file(busy).c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);

    ASSERT_TRUE(textfile::saveBytesAtomic(list, "new"));
    ::close(fd);
    EXPECT_EQ(readFileBytes(list), "new");
    auto names = folderNames(dir.path());
    std::sort(names.begin(), names.end());
    std::vector<std::string> kept = {"list.lst", "notes.txt.tmp-backup", "party.lst.tmp-2024v1", "list.lst.tmp-AbC123",
                                     otherTarget, changedDigit, fresh, busy};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(names, kept);
}

TEST(AtomicSave, FullOrReadOnlyDiskFailsSayingWhyAndLeavesNothingBehind)
{
    TempDir dir;
    testsupport::SmallDisk disk(dir.path() / "disk", 64 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount a RAM disk here (needs root)";
    const std::string path = disk.path() + "/PlaySyk.ini";
    ASSERT_TRUE(textfile::saveBytesAtomic(path, "old\r\n"));
    disk.fill();
    EXPECT_FALSE(textfile::saveBytesAtomic(path, std::string(8192, 'n')));
    EXPECT_EQ(textfile::lastSaveError().kind, textfile::SaveFailure::DiskFull);
    EXPECT_EQ(readFileBytes(path), "old\r\n");
    EXPECT_EQ(folderNames(disk.path()).size(), 2u);  // the file and the filler

    ASSERT_TRUE(disk.makeReadOnly());
    EXPECT_FALSE(textfile::saveBytesAtomic(path, "new\r\n"));
    EXPECT_EQ(textfile::lastSaveError().kind, textfile::SaveFailure::FolderNotWritable);
    EXPECT_EQ(readFileBytes(path), "old\r\n");
}
