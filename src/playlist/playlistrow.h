#pragma once
// One song of the play list and its file form.
//
// A row is thirteen text fields: the list row's own text (the title) and its
// sub-items 1 to 12. The same thirteen fields, joined by ";", make one line of
// a ".lst" play-list file. Everything here is pure: no window is touched, so the
// list panel, the selection modes and the tests share one reader and writer.
#include <functional>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace PlayList {

// Column numbers of a play-list row (0 is the row's own text).
enum PlayListColumn : int {
    ColTitle = 0,
    ColArtist = 1,
    ColLength = 2,
    ColStyle = 3,
    ColPath = 4,
    ColSyncFlag = 5,
    ColLookActive = 6,
    ColFontColor = 7,
    ColSungColor = 8,
    ColPassiveColor = 9,
    ColBackColor = 10,
    ColShadowColor = 11,
    ColPicturePath = 12,
};
inline constexpr int PlayListColumnCount = 13;

struct PlayListRow {
    std::array<std::string, PlayListColumnCount> fields;

    std::string& operator[](int col) { return fields[static_cast<std::size_t>(col)]; }
    const std::string& operator[](int col) const { return fields[static_cast<std::size_t>(col)]; }

    std::string& Title() { return fields[ColTitle]; }
    std::string& Artist() { return fields[ColArtist]; }
    std::string& Length() { return fields[ColLength]; }
    std::string& Style() { return fields[ColStyle]; }
    std::string& Path() { return fields[ColPath]; }
    std::string& SyncFlag() { return fields[ColSyncFlag]; }
    const std::string& Title() const { return fields[ColTitle]; }
    const std::string& Artist() const { return fields[ColArtist]; }
    const std::string& Length() const { return fields[ColLength]; }
    const std::string& Style() const { return fields[ColStyle]; }
    const std::string& Path() const { return fields[ColPath]; }
    const std::string& SyncFlag() const { return fields[ColSyncFlag]; }

    bool operator==(const PlayListRow&) const = default;
};

// ---- Headers of the play-list view ---------------------------------------

struct ColumnSpec {
    const char* textFr;
    const char* textEn;
    int percent;   // of the list's outer width; 0 = hidden column
    int align;     // 0 left, 2 centre (the list view's alignment codes)
};
// The thirteen play-list columns in order; the first six are the visible ones.
const std::array<ColumnSpec, PlayListColumnCount>& playListColumns();
// The four columns of the folder view.
const std::array<ColumnSpec, 4>& browseColumns();

// ---- Sync flag and icons ---------------------------------------------------

// Column 5: "N" without a .syk file; else "Y" when the language is "En" and "O"
// for any other language, followed by "+" when a .sy1 exists too.
std::string syncFlag(bool hasSyk, bool hasSy1, const std::string& langue);

// The image-list keys of the row icons.
inline constexpr const char* IconNote2 = "Picture_Note2";       // KAR
inline constexpr const char* IconNote2R = "Picture_Note2R";
inline constexpr const char* IconNote1 = "Picture_Note1";       // MIDI
inline constexpr const char* IconNote1R = "Picture_Note1R";
inline constexpr const char* IconNoteMp3 = "Picture_NoteMp3";   // MP3 and WAV
inline constexpr const char* IconNoteMp3R = "Picture_NoteMp3R";
inline constexpr const char* IconStop = "Picture_Stop";         // file missing

enum class SongKind { None, Audio, Midi, Kar };
// Kind from the path's extension, without regard to case: ".mp3"/".wav" audio,
// ".mid" MIDI, ".kar" KAR, anything else none.
SongKind songKindOf(std::string_view path);
// The icon key of a song kind, "R" variant when the song has a .syk; "" for none.
std::string iconKey(SongKind kind, bool hasSyk);
// Icon of a row copied back from the hidden list: only the exact flag "N" means
// "no sync file".
std::string iconKeyForRow(const PlayListRow& row);

// ---- The ".lst" line form --------------------------------------------------

// Splits one line into a row. Returns false for a line that holds nothing
// (empty or blanks only), which is skipped. A line of fewer than thirteen fields
// is padded with empty fields; fields past the thirteenth are ignored. A line of
// exactly seven fields keeps its seventh field out (it never was a look).
// `complete` (optional) is set to false for a line that was short or odd-sized
// (one the old reader would have refused), so a caller may say so once.
bool parseLstLine(std::string_view line, PlayListRow& row, bool* complete = nullptr);

// A field as it may be written: ";" would shift the later columns on the next
// read, so it becomes ","; line breaks become blanks and NUL bytes are dropped.
std::string sanitizeField(std::string_view field);
// What keeps a song's path out of a ".lst" line, whose fields cannot be
// escaped: a ";" (the next load would cut the line there) or a line break
// (the row would become two lines). A path is never changed to fit: it would
// name another file.
enum class Unstorable { None, Semicolon, LineBreak };
Unstorable unstorableInList(std::string_view path);
// A name as a message shows it on one line: each line break as "↵".
std::string oneLineName(std::string_view name);

// The thirteen fields joined by ";" (no ";" after the last field).
std::string formatLstLine(const PlayListRow& row);

struct LstFile {
    bool opened = false;             // false: the file could not be read at all
    std::vector<PlayListRow> rows;   // in file order
    std::size_t repairedLines = 0;   // lines that were short or odd-sized
};
// Reads a play-list file (UTF-8 when valid, else Windows-1252; any line end).
// The sync flags stay as stored: the caller recomputes them from the disk.
LstFile readLstFile(const std::string& path);
// The same, one row at a time, never holding them all: `starting` hears how
// many lines the file has (at most that many rows follow), `take` each row in
// file order. False when the file could not be read at all.
bool readLstRows(const std::string& path, const std::function<void(std::size_t)>& starting,
                 const std::function<void(PlayListRow&&)>& take, std::size_t* repairedLines = nullptr);
// Writes the rows, one CR LF line each, beside the file and renames it over the
// old one: a failed write leaves the old list intact. No rows: an empty file.
bool writeLstFile(const std::string& path, const std::vector<PlayListRow>& rows);

// ---- The default list --------------------------------------------------------

// Name of the default play list in the program folder.
inline constexpr const char* DefaultListName = "ZunMp3Syk.lst";
// Full path of the default list in `programFolder`: an existing file whose name
// matches without regard to case (a list copied from Windows) is used as it is;
// otherwise the path with DefaultListName.
std::string defaultListPath(const std::string& programFolder);
// Makes sure the default list exists (created empty when missing) and is
// writable. Returns false when it could not be created.
bool ensureDefaultList(const std::string& path);

// ---- Small text helpers shared by the list panel --------------------------

// A file name (or part of one) as text, for a title made from it: a name
// that is not UTF-8 is read as Windows-1252, the code page such names come from.
std::string nameAsText(std::string_view name);
// "12 objet(s)" in French, "12 file(s)" otherwise.
std::string itemCountText(std::size_t count, const std::string& langue);
// Cuts the text before its first NUL character, in place, and returns it.
std::string& StripNull(std::string& text);

} // namespace PlayList
