// The ".lst" reader and writer: real lines, hostile lines, encodings, the
// default list.
#include "playlist/playlistrow.h"
#include "support/testdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace PlayList;
using testsupport::TempDir;
using namespace std::string_literals;

namespace {

PlayListRow makeRow(std::initializer_list<std::string> fields)
{
    PlayListRow row;
    int i = 0;
    for (const auto& f : fields)
        row[i++] = f;
    return row;
}

std::size_t countOf(const std::string& s, char c) { return static_cast<std::size_t>(std::count(s.begin(), s.end(), c)); }

} // namespace

TEST(LstLine, FieldCountsGiveTheRightColumns)
{
    PlayListRow row;
    ASSERT_TRUE(parseLstLine("T;A;3:05;MP3;/m/a.mp3;N", row));
    EXPECT_EQ(row.Title(), "T");
    EXPECT_EQ(row.Path(), "/m/a.mp3");
    EXPECT_EQ(row[ColLookActive], "");

    // Seven fields: the stray seventh is not a look.
    ASSERT_TRUE(parseLstLine("T;A;3:05;MP3;/m/a.mp3;N;1", row));
    EXPECT_EQ(row[ColLookActive], "");

    // Twelve fields (older lists): everything but the picture.
    ASSERT_TRUE(parseLstLine("T;A;3:05;MP3;/m/a.mp3;O;1;255;65280;16711680;0;/img.jpg", row));
    EXPECT_EQ(row[ColLookActive], "1");
    EXPECT_EQ(row[ColShadowColor], "/img.jpg");
    EXPECT_EQ(row[ColPicturePath], "");

    // Fields past the thirteenth are ignored.
    ASSERT_TRUE(parseLstLine("a;b;c;d;e;f;g;h;i;j;k;l;m;n;o", row));
    EXPECT_EQ(row[ColPicturePath], "m");
}

TEST(LstLine, HostileLinesNeverShiftOrLoseColumns)
{
    struct Case {
        std::string line;
        bool kept;
        std::string title;
        std::string path;
        bool complete;
    };
    std::string twoHundred;
    for (int i = 0; i < 200; ++i)
        twoHundred += (i ? ";" : "") + std::to_string(i);
    const std::string huge(1 << 20, 'x');
    const std::vector<Case> cases = {
        {"", false, "", "", true},
        {"   \t ", false, "", "", true},
        {";", false, "", "", true},
        {";;;;;;;;;;;;", false, "", "", true},
        {"Only a title", true, "Only a title", "", false},
        {"T;A", true, "T", "", false},
        {"T;A;1:00;Kar;/k.kar;N;1;2;3", true, "T", "/k.kar", false},
        {twoHundred, true, "0", "4", true},
        {"Ti\0tle;A;;;/p\0.mp3;N"s, true, "Title", "/p.mp3", true},
        {huge + ";A;;;/x.mp3;N", true, huge, "/x.mp3", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.substr(0, 40));
        PlayListRow row;
        bool complete = true;
        EXPECT_EQ(parseLstLine(c.line, row, &complete), c.kept);
        if (!c.kept)
            continue;
        EXPECT_EQ(row.Title(), c.title);
        EXPECT_EQ(row.Path(), c.path);
        EXPECT_EQ(complete, c.complete);
    }
}

TEST(LstLine, WriterKeepsThirteenColumns)
{
    PlayListRow row = makeRow({"Rock; Roll", "A\r\nB", "3:05", "MP3", "/m/a.mp3", "O+"});
    row[ColPicturePath] = "p\0q"s;
    const std::string line = formatLstLine(row);
    EXPECT_EQ(countOf(line, ';'), 12u);
    EXPECT_EQ(line.find('\r'), std::string::npos);
    EXPECT_EQ(line.find('\0'), std::string::npos);
    PlayListRow back;
    ASSERT_TRUE(parseLstLine(line, back));
    EXPECT_EQ(back.Title(), "Rock, Roll");
    EXPECT_EQ(back.Artist(), "A  B");
    EXPECT_EQ(back.Path(), "/m/a.mp3");
    EXPECT_EQ(back[ColPicturePath], "pq");

    // A row added from a folder: six filled fields, seven ";" after the flag.
    EXPECT_EQ(formatLstLine(makeRow({"Song", "", "", "MP3", "/m/Song.mp3", "N"})), "Song;;;MP3;/m/Song.mp3;N;;;;;;;");
}

TEST(LstFile, ReadsEveryLineWhateverTheDamage)
{
    TempDir dir;
    const std::string path = dir.write("list.lst",
                                       "One;A;1:00;MP3;/m/one.mp3;N;;;;;;;\r\n"
                                       "\r\n"
                                       "Two;B\r\n"
                                       "   \r\n"
                                       "Three;C;2:00;Kar;/m/three.kar;O;1;1;2;3;4;5;\n"
                                       "Four;D;;;/m/four.mid;N\r"
                                       "Five;E;;;/m/five.wav;N");
    const LstFile file = readLstFile(path);
    ASSERT_TRUE(file.opened);
    ASSERT_EQ(file.rows.size(), 5u);
    EXPECT_EQ(file.rows[1].Title(), "Two");
    EXPECT_EQ(file.rows[1].Path(), "");
    EXPECT_EQ(file.rows[2][ColShadowColor], "5");
    EXPECT_EQ(file.rows[3].Path(), "/m/four.mid");
    EXPECT_EQ(file.rows[4].Title(), "Five");
    EXPECT_EQ(file.repairedLines, 1u);

    EXPECT_FALSE(readLstFile(dir.file("missing.lst")).opened);
}

TEST(LstFile, AccentsRoundTripInWindows1252)
{
    TempDir dir;
    // As an older Windows tool wrote it: "Mère" and "Noël" in Windows-1252.
    const std::string original = "M\xE8re;No\xEBl;3:05;MP3;/m/M\xE8re.mp3;N;0;1;2;3;4;5;\r\n";
    const std::string path = dir.write("w.lst", original);
    const LstFile file = readLstFile(path);
    ASSERT_EQ(file.rows.size(), 1u);
    EXPECT_EQ(file.rows[0].Title(), "Mère");
    EXPECT_EQ(file.rows[0].Artist(), "Noël");
    ASSERT_TRUE(writeLstFile(path, file.rows));
    EXPECT_EQ(dir.read("w.lst"), original);

    // Text that Windows-1252 cannot hold is kept as UTF-8.
    PlayListRow row = makeRow({"日本の歌", "", "", "MP3", "/m/x.mp3", "N"});
    ASSERT_TRUE(writeLstFile(path, {row}));
    const LstFile again = readLstFile(path);
    ASSERT_EQ(again.rows.size(), 1u);
    EXPECT_EQ(again.rows[0].Title(), "日本の歌");

    // Invalid UTF-8 that is not Windows-1252 text either never breaks the read.
    dir.write("bad.lst", "\xC3\x28\xFF\x81;x;;;/p.mp3;N\r\n");
    const LstFile bad = readLstFile(dir.file("bad.lst"));
    ASSERT_EQ(bad.rows.size(), 1u);
    EXPECT_EQ(bad.rows[0].Path(), "/p.mp3");

    // Saved as "Unicode" by a Windows editor: UTF-16 with its mark.
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("M\xE8re;;;MP3;/m/a.mp3;N\r\nB;;;MP3;/m/b.mp3;N\r\n"))
        utf16 += std::string{c, '\0'};
    dir.write("unicode.lst", utf16);
    const LstFile unicode = readLstFile(dir.file("unicode.lst"));
    ASSERT_EQ(unicode.rows.size(), 2u);
    EXPECT_EQ(unicode.rows[0].Title(), "Mère");
    EXPECT_EQ(unicode.rows[1].Path(), "/m/b.mp3");
}

TEST(LstFile, NamesThatAreNotUtf8KeepTheirBytes)
{
    TempDir dir;
    // Names made on an older system: "é" and "è" as single bytes.
    const std::string song = dir.write("caf\xE9.mp3", "x");
    const std::string picture = dir.write("m\xE8re.jpg", "x");
    const std::string path = dir.file("list.lst");

    // Beside text that Windows-1252 holds, and beside text it does not.
    for (const std::string& title : {"Caf\xC3\xA9"s, "\xE6\x97\xA5\xE6\x9C\xAC"s}) {
        SCOPED_TRACE(title);
        const std::vector<PlayListRow> rows = {
            makeRow({title, "No\xC3\xABl", "3:05", "MP3", song, "N", "1", "1", "2", "3", "4", "5", picture}),
            makeRow({"Two", "", "", "MP3", "/m/M\xC3\xA8re.mp3", "N"})};
        ASSERT_TRUE(writeLstFile(path, rows));
        const std::string bytes = dir.read("list.lst");
        EXPECT_NE(bytes.find(";" + song + ";"), std::string::npos);
        EXPECT_NE(bytes.find(";" + picture + "\r\n"), std::string::npos);
        const LstFile back = readLstFile(path);
        ASSERT_EQ(back.rows.size(), 2u);
        EXPECT_EQ(back.rows, rows);
        // Read and written again: the same bytes.
        ASSERT_TRUE(writeLstFile(path, back.rows));
        EXPECT_EQ(dir.read("list.lst"), bytes);
    }

    // A title made from such a name is text: read as Windows-1252.
    ASSERT_TRUE(writeLstFile(path, {makeRow({"caf\xE9", "", "", "MP3", song, "N"})}));
    EXPECT_EQ(readLstFile(path).rows[0].Title(), "caf\xC3\xA9");
    EXPECT_EQ(readLstFile(path).rows[0].Path(), song);

    // Text whose Windows-1252 bytes would read back as other UTF-8 text on
    // their own ("Ã©") beside a Windows-1252 name: the list goes UTF-8.
    const std::vector<PlayListRow> tricky = {makeRow({"\xC3\x83\xC2\xA9", "", "", "MP3", "/m/caf\xC3\xA9.mp3", "N"})};
    ASSERT_TRUE(writeLstFile(path, tricky));
    EXPECT_EQ(readLstFile(path).rows, tricky);

    // A Windows-1252 list names the UTF-8 file when that one is on the disk,
    // and the file of those very bytes otherwise.
    dir.write("No\xC3\xABl.mp3", "x");
    dir.write("old.lst", "Old;A;;MP3;" + dir.file("No\xEBl.mp3") + ";N\r\nT;B;;MP3;" + song + ";N\r\n");
    const LstFile old = readLstFile(dir.file("old.lst"));
    ASSERT_EQ(old.rows.size(), 2u);
    EXPECT_EQ(old.rows[0].Path(), dir.file("No\xC3\xABl.mp3"));
    EXPECT_EQ(old.rows[1].Path(), song);
}

TEST(LstFile, WriterFormAndFailures)
{
    TempDir dir;
    const std::string path = dir.file("out.lst");
    const std::vector<PlayListRow> rows = {makeRow({"A", "a", "1:00", "MP3", "/a.mp3", "N"}),
                                           makeRow({"B", "b", "2:00", "Kar", "/b.kar", "Y+"})};
    ASSERT_TRUE(writeLstFile(path, rows));
    EXPECT_EQ(dir.read("out.lst"), "A;a;1:00;MP3;/a.mp3;N;;;;;;;\r\nB;b;2:00;Kar;/b.kar;Y+;;;;;;;\r\n");
    EXPECT_EQ(readLstFile(path).rows, rows);

    // An empty list is an empty file, which reads back as an empty list.
    ASSERT_TRUE(writeLstFile(path, {}));
    EXPECT_EQ(dir.read("out.lst"), "");
    EXPECT_TRUE(readLstFile(path).opened);
    EXPECT_TRUE(readLstFile(path).rows.empty());

    // A folder that does not exist cannot take the list: reported, not hidden.
    EXPECT_FALSE(writeLstFile(dir.file("no/such/folder/x.lst"), rows));
    EXPECT_FALSE(writeLstFile("", rows));
}

TEST(DefaultList, OneSpellingCreatedEmptyAndFoundWhateverItsCase)
{
    TempDir dir;
    const std::string folder = dir.path().generic_string();
    const std::string path = defaultListPath(folder);
    EXPECT_EQ(path, folder + "/ZunMp3Syk.lst");
    ASSERT_TRUE(ensureDefaultList(path));
    EXPECT_EQ(dir.read("ZunMp3Syk.lst"), "");
    EXPECT_TRUE(readLstFile(path).rows.empty());

    // A read-only list is made writable again.
    std::filesystem::permissions(path, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
    ASSERT_TRUE(ensureDefaultList(path));
    EXPECT_NE(std::filesystem::status(path).permissions() & std::filesystem::perms::owner_write,
              std::filesystem::perms::none);

    TempDir other;
    other.write("zunmp3syk.LST", "A;;;;/a.mp3;N\r\n");
    const std::string found = defaultListPath(other.path().generic_string());
    EXPECT_EQ(found, other.file("zunmp3syk.LST"));
    ASSERT_TRUE(ensureDefaultList(found));
    EXPECT_EQ(readLstFile(found).rows.size(), 1u);
}

TEST(RowRules, SyncFlagsAndIcons)
{
    EXPECT_EQ(syncFlag(false, true, "En"), "N");
    EXPECT_EQ(syncFlag(true, false, "En"), "Y");
    EXPECT_EQ(syncFlag(true, true, "Fr"), "O+");
    EXPECT_EQ(syncFlag(true, false, "De"), "O");

    PlayListRow row;
    row.Path() = "/m/Song.MP3";
    row.SyncFlag() = "N";
    EXPECT_EQ(iconKeyForRow(row), "Picture_NoteMp3");
    for (const char* flag : {"O+", "Y", "", "n"}) {
        row.SyncFlag() = flag;
        EXPECT_EQ(iconKeyForRow(row), "Picture_NoteMp3R") << flag;
    }
    row.Path() = "/m/a.Kar";
    EXPECT_EQ(iconKeyForRow(row), "Picture_Note2R");
    row.Path() = "/m/a.mid";
    row.SyncFlag() = "N";
    EXPECT_EQ(iconKeyForRow(row), "Picture_Note1");
    for (const char* path : {"/m/a.ogg", "/m/noext", "", "mp3"}) {
        row.Path() = path;
        EXPECT_EQ(iconKeyForRow(row), "") << path;
    }
    EXPECT_EQ(itemCountText(12, "Fr"), "12 objet(s)");
    EXPECT_EQ(itemCountText(0, "En"), "0 file(s)");
}
