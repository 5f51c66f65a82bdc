// The sync file as the editor writes and reads it: exact bytes, the round
// trip, hostile files, and the atomic write.
#include "editor/syncwriter.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <utility>
#include <random>
#include <string>
#include <vector>

#include "support/testdir.h"

using SykFile::BuildSykLines;
using SykFile::ParseSykLine;
using Entries = std::vector<std::string>;

namespace {

Entries parse(const std::string& line, bool* ok = nullptr)
{
    Entries out;
    const bool r = ParseSykLine(line, out);
    if (ok)
        *ok = r;
    return out;
}

} // namespace

TEST(SyncFileWriter, LinesFromEntries)
{
    EXPECT_EQ(BuildSykLines({"a;1", "b;2_", "c;3", "d;4_"}), (Entries{"a;1;b;2;", "c;3;d;4;"}));
    // A display line at a line start is a line of its own, even at the end.
    EXPECT_EQ(BuildSykLines({"//pic.jpg;1;2;3;4;5", "a;1_"}), (Entries{"//pic.jpg;1;2;3;4;5", "a;1;"}));
    EXPECT_EQ(BuildSykLines({"a;1_", "//x;1;2;3;4;5"}), (Entries{"a;1;", "//x;1;2;3;4;5"}));
    EXPECT_EQ(BuildSykLines({"//x;1;2;3;4;5", "//y;1;2;3;4;5", "a;1_"}),
              (Entries{"//x;1;2;3;4;5", "//y;1;2;3;4;5", "a;1;"}));
    // In the middle of a lyric line it joins that line.
    EXPECT_EQ(BuildSykLines({"a;1", "//x.jpg;1;2;3;4;5", "b;2_"}), (Entries{"a;1;//x.jpg;1;2;3;4;5;b;2;"}));
    // A lone line-end mark makes the line ";".
    EXPECT_EQ(BuildSykLines({"_"}), (Entries{";"}));
    EXPECT_TRUE(BuildSykLines({}).empty());
}

TEST(SyncFileWriter, EntriesAfterTheLastLineEndAreKept)
{
    // Without a line end on the last entry the old writer dropped it silently.
    EXPECT_EQ(BuildSykLines({"a;1_", "b;2"}), (Entries{"a;1;", "b;2;"}));
    EXPECT_EQ(BuildSykLines({"a;1", "b;2"}), (Entries{"a;1;b;2;"}));
    Entries back;
    for (const std::string& l : BuildSykLines({"a;1_", "b;2", "c;3"}))
        ASSERT_TRUE(ParseSykLine(l, back));
    EXPECT_EQ(back, (Entries{"a;1_", "b;2", "c;3_"}));
}

TEST(SyncFileReader, LyricAndDisplayLines)
{
    EXPECT_EQ(parse("a;1;b;2;"), (Entries{"a;1", "b;2_"}));
    EXPECT_EQ(parse(";0;"), (Entries{";0_"}));
    EXPECT_EQ(parse(""), Entries{});
    EXPECT_EQ(parse("abc"), Entries{});
    // Text after the last ";" is ignored.
    EXPECT_EQ(parse("a;1;b;2;c"), (Entries{"a;1", "b;2_"}));
    // Blanks stay; a display line is kept whole.
    EXPECT_EQ(parse("Hel;12,5;lo ;12,84;world;13,2;"), (Entries{"Hel;12,5", "lo ;12,84", "world;13,2_"}));
    EXPECT_EQ(parse("//pic.jpg;1;2;3;4;5"), (Entries{"//pic.jpg;1;2;3;4;5"}));
    EXPECT_EQ(parse("//"), (Entries{"//"}));
}

TEST(SyncFileReader, BadlyFormedLinesKeepWhatCameBefore)
{
    bool ok = true;
    EXPECT_EQ(parse("a;1;b;2", &ok), (Entries{"a;1"}));
    EXPECT_FALSE(ok);
    // A blank before "//" makes it a lyric line, which then lacks a ";".
    EXPECT_EQ(parse(" //x;1;2;3;4;5", &ok), (Entries{" //x;1", "2;3"}));
    EXPECT_FALSE(ok);
    EXPECT_EQ(parse(";", &ok), Entries{});
    EXPECT_FALSE(ok);
    EXPECT_EQ(parse("a;;", &ok), (Entries{"a;_"}));
    EXPECT_TRUE(ok);
}

TEST(SyncFileReader, RoundTripOfWrittenLists)
{
    const std::vector<Entries> lists = {
        {"a;1", "b;2_", "c;3", "d;4_"},
        {"//pic.jpg;255;65280;16711680;0;8421504", "Hel;12,5", "lo ;12,84", "world;13,2_"},
        {";0_", " ;0_", "é à;1,25_"},
        {"a;1_", "//x;1;2;3;4;5", "//y;;;;;", "b;0_"},
    };
    for (const Entries& list : lists) {
        Entries back;
        for (const std::string& l : BuildSykLines(list))
            ASSERT_TRUE(ParseSykLine(l, back)) << l;
        EXPECT_EQ(back, list);
    }
}

TEST(SyncFileReader, HostileBytesNeverCrash)
{
    std::mt19937 rng(7);
    const std::string alphabet = ";;;;//_ ,.0123\r\n\xff\xc3\x80" "a";
    for (int round = 0; round < 2000; ++round) {
        std::string line;
        const int n = static_cast<int>(rng() % 64);
        for (int i = 0; i < n; ++i)
            line += alphabet[rng() % alphabet.size()];
        Entries out;
        const bool ok = ParseSykLine(line, out);
        // Every entry came from the line; a lyric entry always has its ";".
        for (const std::string& e : out) {
            if (!SykFile::IsDisplayEntry(e)) {
                EXPECT_NE(e.find(';'), std::string::npos) << line;
            }
        }
        if (ok && !SykFile::IsDisplayEntry(line) && !out.empty()) {
            EXPECT_EQ(out.back().back(), '_');
        }
    }
    // A very long line with many pairs is cut in one pass.
    std::string longLine;
    for (int i = 0; i < 40000; ++i)
        longLine += "x;1;";
    Entries out;
    EXPECT_TRUE(ParseSykLine(longLine, out));
    EXPECT_EQ(out.size(), 40000u);
}

TEST(SyncFileTimes, DecimalCommaBothWays)
{
    EXPECT_EQ(SykFile::FormatSykTime(12.5), "12,5");
    EXPECT_EQ(SykFile::FormatSykTime(3), "3");
    EXPECT_EQ(SykFile::FormatSykTime(12.345), "12,345");
    bool ok = false;
    EXPECT_DOUBLE_EQ(SykFile::ParseSykTime("12,5", &ok), 12.5);
    EXPECT_TRUE(ok);
    EXPECT_DOUBLE_EQ(SykFile::ParseSykTime("12.5", &ok), 12.5);
    EXPECT_TRUE(ok);
    SykFile::ParseSykTime("abc", &ok);
    EXPECT_FALSE(ok);
    SykFile::ParseSykTime("", &ok);
    EXPECT_FALSE(ok);
}

TEST(SyncFileEntries, Split)
{
    auto p = SykFile::SplitEntry("la;12,5_");
    EXPECT_EQ(p.syllable, "la");
    EXPECT_EQ(p.time, "12,5");
    EXPECT_TRUE(p.lineEnd);
    p = SykFile::SplitEntry("a;b;c");
    EXPECT_EQ(p.syllable, "a");
    EXPECT_EQ(p.time, "b;c");
    EXPECT_FALSE(p.lineEnd);
    p = SykFile::SplitEntry("abc");
    EXPECT_FALSE(p.hasSeparator);
}

TEST(SyncFileDisk, ExactBytesAndAtomicReplace)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("song.syk");
    ASSERT_TRUE(SykFile::WriteSykFile(path, {"//pic.jpg;1;2;3;4;5", "é;1,5", "b;2_", "c;3_"}));
    // Windows-1252 when every character fits, CR LF after every line.
    EXPECT_EQ(testsupport::readFileBytes(path), "//pic.jpg;1;2;3;4;5\r\n\xe9;1,5;b;2;\r\nc;3;\r\n");
    const SykFile::ReadResult r = SykFile::ReadSykEntries(path);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.entries, (Entries{"//pic.jpg;1;2;3;4;5", "é;1,5", "b;2_", "c;3_"}));

    // An empty list makes an empty file.
    ASSERT_TRUE(SykFile::WriteSykFile(path, {}));
    EXPECT_EQ(testsupport::readFileBytes(path), "");

    // A name as long as the system allows is saved too: the temporary file
    // beside it takes a shortened copy of the name.
    const std::string longPath = dir.file(std::string(251, 'n') + ".syk");
    dir.write(std::string(251, 'n') + ".syk", "a;1;\r\n");
    EXPECT_TRUE(SykFile::WriteSykFile(longPath, {"b;2_"}));
    EXPECT_EQ(testsupport::readFileBytes(longPath), "b;2;\r\n");

    // A write that fails half-way leaves the old file as it was: the process
    // may not write files this large.
    Entries many(20000, "syllable;1_");
    const bool written = testsupport::underFileSizeLimit(4096, [&] { return SykFile::WriteSykFile(longPath, many); });
    EXPECT_FALSE(written);
    EXPECT_EQ(testsupport::readFileBytes(longPath), "b;2;\r\n");

    EXPECT_FALSE(SykFile::ReadSykEntries(dir.file("missing.syk")).ok);
    // A line read with LF only, or ending without a line end, reads the same.
    dir.write("lf.syk", "a;1;\nb;2;");
    EXPECT_EQ(SykFile::ReadSykEntries(dir.file("lf.syk")).entries, (Entries{"a;1_", "b;2_"}));
}

// Windows' editors save "Unicode" text as UTF-16: such a sync file shows its
// lyrics like any other. One far larger than any song's is refused unread,
// saying why, instead of freezing the window while it is read.
TEST(SyncFileDisk, Utf16AndOversizedFiles)
{
    testsupport::TempDir dir;
    const std::u16string text = u"\u00e9;1,5;b;2;\r\nc;3;\r\n\U0001F3A4;4;\r\n";
    auto utf16 = [&](bool little, bool mark) {
        std::string bytes;
        if (mark)
            bytes += little ? "\xFF\xFE" : "\xFE\xFF";
        for (char16_t u : text) {
            const char lo = static_cast<char>(u & 0xFF);
            const char hi = static_cast<char>(u >> 8);
            bytes += little ? std::string{lo, hi} : std::string{hi, lo};
        }
        return bytes;
    };
    const Entries expected{"\u00e9;1,5", "b;2_", "c;3_", "\U0001F3A4;4_"};
    for (const auto& [little, mark] : std::vector<std::pair<bool, bool>>{{true, true}, {false, true}, {true, false}}) {
        SCOPED_TRACE(std::string(little ? "little" : "big") + (mark ? " endian, marked" : " endian, no mark"));
        dir.write("unicode.syk", utf16(little, mark));
        const SykFile::ReadResult r = SykFile::ReadSykEntries(dir.file("unicode.syk"));
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.entries, expected);
    }

    // Just under the limit: read. A gigabyte (sparse, so the test costs
    // nothing): refused at once, with its size.
    std::string lines;
    while (lines.size() + 6 <= SykFile::MaxSykFileBytes)
        lines += "a;1;\r\n";
    dir.write("full.syk", lines);
    EXPECT_TRUE(SykFile::ReadSykEntries(dir.file("full.syk")).ok);
    const std::string huge = dir.write("huge.syk", "a;1;\r\n");
    std::filesystem::resize_file(huge, std::uintmax_t(1) << 30);
    const SykFile::ReadResult r = SykFile::ReadSykEntries(huge);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.entries.empty());
    EXPECT_EQ(r.problem.kind, SykFile::ReadProblem::TooLarge);
    EXPECT_EQ(SykFile::ReadProblemText(r.problem, huge, false),
              "The sync file " + huge + " (1024 MB) is far too large to be a song's (at most 1 MB): it is not read.");
    EXPECT_EQ(SykFile::ReadSykEntries(dir.file("missing.syk")).problem.kind, SykFile::ReadProblem::CannotRead);
}
