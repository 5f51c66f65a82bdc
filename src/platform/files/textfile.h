#pragma once
// Text files as the program exchanges them with other tools: read as UTF-8 when
// the bytes are valid UTF-8, otherwise as Windows-1252; written in Windows-1252
// when every character fits (so files stay readable by existing users' tools),
// else in UTF-8. Any line end is read; CR LF is written. Inside the program all
// text is UTF-8 std::string.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace textfile {

enum class Encoding { Utf8, Windows1252, Utf16 };

// Bytes -> UTF-8 text: UTF-16 when the bytes are UTF-16 (see utf16ToUtf8),
// else UTF-8 when valid, else Windows-1252. A byte-order mark is dropped.
std::string decode(std::string_view bytes, Encoding* detected = nullptr);
// UTF-16 bytes -> UTF-8 text, nullopt when the bytes are not UTF-16. Windows'
// editors save "Unicode" text as UTF-16 with a byte-order mark (FF FE little
// endian, FE FF big endian); without one, text whose every other byte is 0
// (Latin letters) is taken as UTF-16 of that order. A lone surrogate or a
// last odd byte becomes U+FFFD.
std::optional<std::string> utf16ToUtf8(std::string_view bytes);
// UTF-8 text -> bytes in Windows-1252 when every character fits, else UTF-8 unchanged.
std::string encode(std::string_view utf8, Encoding* chosen = nullptr);
// Windows-1252 byte -> UTF-8 (our own table; never fails). The five bytes the
// code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control
// characters of the same number, as Windows itself does, so that encode() gives
// the same bytes back and a file read and written again is unchanged.
std::string cp1252ToUtf8(std::string_view bytes);
bool isValidUtf8(std::string_view bytes);
// UTF-8 text -> Windows-1252 bytes; nullopt when a character does not fit.
std::optional<std::string> utf8ToCp1252(std::string_view utf8);

// ---- Characters of UTF-8 text (one decoder for the whole program) ----------

// Length in bytes of the valid UTF-8 sequence at bytes[i] (i < size), its code
// point in *cp; 0 when none starts there (stray or missing continuation bytes,
// overlong forms, surrogates and values above U+10FFFF are refused).
std::size_t utf8SequenceAt(std::string_view bytes, std::size_t i, char32_t* cp);
// The character at s[i] (i < size), moving i past it. A byte that starts no
// valid sequence stands for itself: its value, one byte long.
char32_t nextCodePoint(std::string_view s, std::size_t& i);
// Appends the UTF-8 form of a code point.
void appendUtf8(std::string& out, char32_t cp);

// Splits text into lines by the rules of readLines.
std::vector<std::string> splitLines(std::string_view text);
// The file's bytes as they are; nullopt when it cannot be opened, or when it
// holds more than `limit` bytes (*tooLarge is then set, and nothing past the
// limit is read).
std::optional<std::string> readBytes(const std::string& path, std::size_t limit = SIZE_MAX,
                                     bool* tooLarge = nullptr);

// Whole file as UTF-8 text; nullopt when it cannot be opened.
std::optional<std::string> readText(const std::string& path);
// Whole file split into lines (CR LF, LF or lone CR end a line; the line ends are
// not kept; a last line without an end still counts; a final line end does not
// add an empty line). nullopt when the file cannot be opened.
std::optional<std::vector<std::string>> readLines(const std::string& path);

// Writes bytes to a file beside `path` and renames it over `path`, so a failed
// write never loses the old file. Returns false (old file untouched) on failure;
// lastSaveError() then says why. A file the user made read-only is never
// replaced. Temporary files that an interrupted save of this program left in
// the folder are removed on the way: only hidden files whose name carries the
// check only our saves write, owned by this user; the ones another save is
// still writing are left alone, and no other file is ever touched.
bool saveBytesAtomic(const std::string& path, std::string_view bytes);

// What a file was like at one moment: a later stamp that differs says that
// the file was changed or replaced meanwhile (by another program, or another
// running player), as desktop editors tell before they save over it. The
// inode's change time is part of it: a program can put the modification time
// back (touch -r, cp -p, rsync -t) after a rewrite of the same size, never
// the change time.
struct FileStamp {
    bool exists = false;         // the name is there (also as a link to nothing)
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    // For a symbolic link, the file a save through it writes ("" for a file
    // that is no link).
    std::string linkTarget;
    bool operator==(const FileStamp&) const = default;
};
FileStamp fileStamp(const std::string& path);

// Why the last save of this thread failed (kind None after a success).
enum class SaveFailure { None, ReadOnlyFile, DiskFull, FolderNotWritable, UnreadableFile, Other };
struct SaveError {
    SaveFailure kind = SaveFailure::None;
    int error = 0;  // errno of the failing call, 0 when none
};
SaveError lastSaveError();
// A change to a file that could not be read was refused: written from what
// little was read, the file would lose the rest. lastSaveError() says so.
void refuseUnreadableFile();
// True for an existing file that its owner made read-only (no write permission
// for anyone), or that this user may not write. Root may write anything, so the
// mode is what tells; a missing file is not read-only.
bool isReadOnlyFile(const std::string& path);
// An exclusive lock between processes over a file that is read, changed and
// saved again (the settings file): the lock lives on `path` + ".lock", which is
// created when missing and left in place. Waits up to `timeoutMs` for another
// holder. busy() tells the caller that another process still holds it. A
// lock that cannot be made in a folder that cannot be written is not busy, and
// the caller goes on unprotected, as nobody else can hold it either.
// unavailable() tells that something else stands at the lock's name (a
// symbolic link, which is never followed, a folder, a pipe) or that it cannot
// be opened: nothing is locked then, and error() gives the errno.
class FileLock {
public:
    explicit FileLock(const std::string& path, int timeoutMs = 5000);
    ~FileLock();
    bool busy() const { return busy_; }
    bool unavailable() const { return unavailable_; }
    int error() const { return error_; }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd_ = -1;
    bool busy_ = false;
    bool unavailable_ = false;
    int error_ = 0;
};

// Encodes (see encode) and writes each line followed by CR LF, atomically.
bool writeLines(const std::string& path, const std::vector<std::string>& lines);
// Encodes and writes text as is (line ends in `text` are written unchanged), atomically.
bool writeText(const std::string& path, std::string_view text);
// Writes each line followed by CR LF, atomically, with no encoding: UTF-8 text
// that may hold the bytes of names that are not UTF-8, kept as they are. A
// byte-order mark at the start is kept behind another, as encode() does.
bool writeLinesAsIs(const std::string& path, const std::vector<std::string>& lines);

} // namespace textfile
