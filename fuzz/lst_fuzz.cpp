// Feeds arbitrary bytes to the play-list reader as the content of a .lst file,
// through the file reader and through the line parser, and checks that a row
// read from any line is written back to a line that reads as the same row (a
// list saved and opened again keeps every song as it was).
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "platform/files/textfile.h"
#include "playlist/playlistrow.h"

using fuzzsupport::check;

namespace {

bool blankRow(const PlayList::PlayListRow& row)
{
    return std::all_of(row.fields.begin(), row.fields.end(), [](const std::string& f) {
        return f.find_first_not_of(" \t") == std::string::npos;
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // The lines as the file reader splits them, parsed one by one.
    const std::vector<std::string> lines = textfile::splitLines(textfile::decode(bytes));
    std::vector<PlayList::PlayListRow> rows;
    std::size_t repaired = 0;
    for (const std::string& line : lines) {
        PlayList::PlayListRow row;
        bool complete = true;
        if (!PlayList::parseLstLine(line, row, &complete))
            continue;
        if (!complete)
            ++repaired;
        for (const std::string& field : row.fields) {
            check(textfile::isValidUtf8(field));
            check(field.find_first_of(std::string_view(";\r\n\0", 4)) == std::string::npos);
        }

        // Written and read again: the same row. A row whose thirteen fields are
        // all blank (its text sat in ignored fields) is the only one that may
        // vanish on the way.
        const std::string written = PlayList::formatLstLine(row);
        check(std::count(written.begin(), written.end(), ';') == PlayList::PlayListColumnCount - 1);
        PlayList::PlayListRow again;
        bool againComplete = false;
        if (PlayList::parseLstLine(written, again, &againComplete)) {
            check(again == row);
            check(againComplete);
        } else {
            check(blankRow(row));
        }
        (void)PlayList::iconKeyForRow(row);
        rows.push_back(std::move(row));
    }

    // The file reader: a UTF-8 file gives the same rows as the line parser. A
    // file that is not UTF-8 is decoded field by field, where a path field may
    // keep bytes that are not UTF-8 (a Linux name); every row still holds no
    // separator and is written back to a line that reads as the same row.
    const std::string path = fuzzsupport::scratchPath("list.lst");
    fuzzsupport::writeRaw(path, bytes);
    const PlayList::LstFile file = PlayList::readLstFile(path);
    check(file.opened);
    check(file.repairedLines == repaired);
    if (textfile::isValidUtf8(bytes)) {
        check(file.rows == rows);
        return 0;
    }
    check(file.rows.size() == rows.size());
    for (const PlayList::PlayListRow& row : file.rows) {
        for (std::size_t col = 0; col < row.fields.size(); ++col) {
            const std::string& field = row.fields[col];
            check(field.find_first_of(std::string_view(";\r\n\0", 4)) == std::string::npos);
            if (col != PlayList::ColPath && col != PlayList::ColPicturePath)
                check(textfile::isValidUtf8(field));
        }
        PlayList::PlayListRow again;
        if (PlayList::parseLstLine(PlayList::formatLstLine(row), again, nullptr))
            check(again == row);
        else
            check(blankRow(row));
    }
    return 0;
}
