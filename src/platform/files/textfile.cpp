#include "platform/files/textfile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <ctime>
#include <dirent.h>
#include <random>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace textfile {

namespace {

// Code points of the bytes 0x80..0x9F in Windows-1252. The five bytes the code
// page leaves undefined keep their own number (C1 control characters), so the
// mapping can always be reversed.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

char32_t cp1252CodePoint(unsigned char b)
{
    if (b >= 0x80 && b <= 0x9F)
        return kCp1252High[b - 0x80];
    return b;
}

int cp1252Byte(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<int>(cp);
    for (int k = 0; k < 32; ++k)
        if (kCp1252High[k] == cp)
            return 0x80 + k;
    return -1;
}

bool writeAll(int fd, std::string_view bytes)
{
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t w = ::write(fd, p, left);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += w;
        left -= static_cast<std::size_t>(w);
    }
    return true;
}

thread_local SaveError lastError;

bool fail(SaveFailure kind, int error)
{
    lastError = {kind, error};
    return false;
}

bool failWithErrno(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return fail(SaveFailure::DiskFull, error);
    case EROFS:
    case EACCES:
    case EPERM:
        return fail(SaveFailure::FolderNotWritable, error);
    default:
        return fail(SaveFailure::Other, error);
    }
}

bool isAsciiAlnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A save writes its new contents into a hidden file beside the target:
//   "." <target's name> ".~zunkaraoke-save-" <12 random letters/digits> "-" <16 hex digits>
// The hex digits are a check over the rest of the name and the user's id,
// so a name shaped like ours by chance (or by another program, or by the
// user) is never taken for one of ours: only a file whose name carries the
// right check, that this user owns, was made by a save of this program.
constexpr std::string_view kTempMark = ".~zunkaraoke-save-";
constexpr std::size_t kTempRandom = 12;
constexpr std::size_t kTempCheck = 16;
// Room left in a file name (at most 255 bytes) for the target's name.
constexpr std::size_t kTempTargetMax = 255 - 1 - kTempMark.size() - kTempRandom - 1 - kTempCheck;

std::string tempCheck(std::string_view target, std::string_view random)
{
    // FNV-1a over a fixed key, the user and the name: not a secret, only a
    // mark no name chosen by hand would carry.
    std::uint64_t h = 1469598103934665603ull;
    const auto mix = [&h](std::string_view bytes) {
        for (unsigned char c : bytes) {
            h ^= c;
            h *= 1099511628211ull;
        }
        h ^= 0xFF;
        h *= 1099511628211ull;
    };
    mix("zunkaraoke temporary save");
    mix(std::to_string(::geteuid()));
    mix(target);
    mix(random);
    static const char hex[] = "0123456789abcdef";
    std::string out(kTempCheck, '0');
    for (std::size_t i = 0; i < kTempCheck; ++i)
        out[i] = hex[(h >> (4 * (kTempCheck - 1 - i))) & 0xF];
    return out;
}

std::string randomLettersAndDigits(std::size_t n)
{
    static const char alphabet[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    static thread_local std::mt19937_64 gen = [] {
        std::random_device rd;
        std::seed_seq seq{rd(), rd(), rd(), rd(), static_cast<unsigned>(::getpid()),
                          static_cast<unsigned>(std::time(nullptr))};
        return std::mt19937_64(seq);
    }();
    std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 2);
    std::string out(n, '0');
    for (char& c : out)
        c = alphabet[pick(gen)];
    return out;
}

// The name of a new temporary file for a save of `targetName`.
std::string temporaryNameFor(std::string_view targetName)
{
    const std::string_view target = targetName.substr(0, kTempTargetMax);
    const std::string random = randomLettersAndDigits(kTempRandom);
    return "." + std::string(target) + std::string(kTempMark) + random + "-" + tempCheck(target, random);
}

bool isOurTemporaryName(std::string_view name)
{
    const std::size_t tail = kTempMark.size() + kTempRandom + 1 + kTempCheck;
    if (name.size() < 1 + tail || name.front() != '.')
        return false;
    const std::size_t at = name.size() - tail;
    if (name.substr(at, kTempMark.size()) != kTempMark)
        return false;
    const std::string_view random = name.substr(at + kTempMark.size(), kTempRandom);
    for (char c : random)
        if (!isAsciiAlnum(c))
            return false;
    if (name[at + kTempMark.size() + kTempRandom] != '-')
        return false;
    return name.substr(name.size() - kTempCheck) == tempCheck(name.substr(1, at - 1), random);
}

// Removes what interrupted saves of this program left in `dir`. A save holds
// a lock on its temporary file while it writes, so a file we can lock has no
// writer; the age check covers the instant between its creation and its lock.
void removeStaleTemporaries(const std::string& dir)
{
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return;
    const std::time_t now = std::time(nullptr);
    while (const dirent* e = ::readdir(d)) {
        const std::string_view name = e->d_name;
        if (!isOurTemporaryName(name))
            continue;
        const std::string full = (dir == "/" ? "" : dir) + "/" + std::string(name);
        struct stat st {};
        if (::lstat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()
            || st.st_nlink != 1 || now - st.st_mtime < 2)
            continue;
        const int fd = ::open(full.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(full.c_str());
        ::close(fd);
    }
    ::closedir(d);
}

bool readOnlyMode(const std::string& path, const struct stat& st)
{
    if ((st.st_mode & 0222) == 0)
        return true;
    return ::geteuid() != 0 && ::access(path.c_str(), W_OK) != 0 && errno == EACCES;
}

// Where a chain of links that ends at no file points: the name the last link
// gives, read relative to that link's folder; "" for links in a circle.
std::string danglingLinkTarget(std::string path)
{
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::string target(static_cast<std::size_t>(PATH_MAX), '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size())
            return path;
        target.resize(static_cast<std::size_t>(n));
        if (target.front() != '/') {
            const auto slash = path.rfind('/');
            target = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + target;
        }
        path = target;
    }
    return {}; // links that go round in a circle
}

} // namespace

SaveError lastSaveError() { return lastError; }

void refuseUnreadableFile() { fail(SaveFailure::UnreadableFile, 0); }

FileStamp fileStamp(const std::string& path)
{
    FileStamp stamp;
    struct stat st {};
    if (path.empty() || ::lstat(path.c_str(), &st) != 0)
        return stamp;
    stamp.exists = true;
    if (S_ISLNK(st.st_mode)) {
        // The file the link leads to; a link to nothing is stamped as itself.
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            stamp.linkTarget = real;
            std::free(real);
        } else {
            stamp.linkTarget = danglingLinkTarget(path);
        }
        if (stamp.linkTarget.empty())
            stamp.linkTarget = path; // links that go round in a circle
        struct stat target {};
        if (::stat(path.c_str(), &target) == 0)
            st = target;
    }
    stamp.device = static_cast<std::uint64_t>(st.st_dev);
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
    stamp.size = static_cast<std::int64_t>(st.st_size);
    stamp.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.changedNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return stamp;
}

bool isReadOnlyFile(const std::string& path)
{
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    return readOnlyMode(path, st);
}

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::size_t utf8SequenceAt(std::string_view bytes, std::size_t i, char32_t* cp)
{
    const auto n = bytes.size();
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
        *cp = c;
        return 1;
    }
    std::size_t len;
    char32_t v;
    char32_t min;
    if ((c & 0xE0) == 0xC0) {
        len = 2; v = c & 0x1F; min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3; v = c & 0x0F; min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4; v = c & 0x07; min = 0x10000;
    } else {
        return 0;
    }
    if (n - i < len)
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const unsigned char cc = static_cast<unsigned char>(bytes[i + k]);
        if ((cc & 0xC0) != 0x80)
            return 0;
        v = (v << 6) | (cc & 0x3F);
    }
    if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        return 0;
    *cp = v;
    return len;
}

char32_t nextCodePoint(std::string_view s, std::size_t& i)
{
    char32_t cp;
    const std::size_t len = utf8SequenceAt(s, i, &cp);
    if (len == 0) {
        cp = static_cast<unsigned char>(s[i]);
        i += 1;
        return cp;
    }
    i += len;
    return cp;
}

bool isValidUtf8(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        char32_t cp;
        const std::size_t len = utf8SequenceAt(bytes, i, &cp);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

std::string cp1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char ch : bytes)
        appendUtf8(out, cp1252CodePoint(static_cast<unsigned char>(ch)));
    return out;
}

std::optional<std::string> utf8ToCp1252(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp;
        const std::size_t len = utf8SequenceAt(utf8, i, &cp);
        if (len == 0)
            return std::nullopt;
        const int b = cp1252Byte(cp);
        if (b < 0)
            return std::nullopt;
        out += static_cast<char>(b);
        i += len;
    }
    return out;
}

std::optional<std::string> utf16ToUtf8(std::string_view bytes)
{
    bool little;
    std::size_t start = 0;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF
        && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        little = true;
        start = 2;
    } else if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE
               && static_cast<unsigned char>(bytes[1]) == 0xFF) {
        little = false;
        start = 2;
    } else {
        // No mark: Latin text in UTF-16 has a 0 byte in every character, on
        // the same side; other text files hold no 0 byte at all.
        if (bytes.size() < 4 || bytes.size() % 2 != 0)
            return std::nullopt;
        std::size_t evenZeros = 0;
        std::size_t oddZeros = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i)
            if (bytes[i] == '\0')
                ++(i % 2 == 0 ? evenZeros : oddZeros);
        const std::size_t units = bytes.size() / 2;
        if (oddZeros * 2 >= units && evenZeros * 8 < oddZeros)
            little = true;
        else if (evenZeros * 2 >= units && oddZeros * 8 < evenZeros)
            little = false;
        else
            return std::nullopt;
    }
    const auto unitAt = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return little ? static_cast<char32_t>(a | (b << 8)) : static_cast<char32_t>((a << 8) | b);
    };
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = start;
    while (i + 1 < bytes.size()) {
        char32_t u = unitAt(i);
        i += 2;
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < bytes.size()) {
            const char32_t low = unitAt(i);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF)
            u = 0xFFFD;
        appendUtf8(out, u);
    }
    if (i < bytes.size())
        appendUtf8(out, 0xFFFD);
    return out;
}

namespace {

// A NUL has no place in a text file: it is dropped on reading and never
// written, so what the program writes can never be taken for UTF-16 without
// its mark (a 0 byte in every character) when read again.
std::string withoutNul(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
    return text;
}

} // namespace

std::string decode(std::string_view bytes, Encoding* detected)
{
    // Before the UTF-8 test: Latin text in UTF-16 without a mark is valid
    // UTF-8 too (with a 0 byte between its letters).
    if (auto text = utf16ToUtf8(bytes)) {
        if (detected)
            *detected = Encoding::Utf16;
        return withoutNul(std::move(*text));
    }
    if (isValidUtf8(bytes)) {
        if (detected)
            *detected = Encoding::Utf8;
        if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
            bytes.remove_prefix(3);
        return withoutNul(std::string(bytes));
    }
    if (detected)
        *detected = Encoding::Windows1252;
    return withoutNul(cp1252ToUtf8(bytes));
}

std::string encode(std::string_view utf8In, Encoding* chosen)
{
    const std::string text = withoutNul(std::string(utf8In));
    const std::string_view utf8 = text;
    // Windows-1252 bytes that happen to form valid UTF-8 would be read back as
    // other text ("Ã©" would come back as "é"), and "ÿþ" or "þÿ" at the start
    // as the mark of UTF-16: such text is written in UTF-8.
    if (auto b = utf8ToCp1252(utf8); b && (*b == utf8 || !isValidUtf8(*b))
                                     && b->substr(0, 2) != "\xFF\xFE" && b->substr(0, 2) != "\xFE\xFF") {
        if (chosen)
            *chosen = Encoding::Windows1252;
        return std::move(*b);
    }
    if (chosen)
        *chosen = Encoding::Utf8;
    // The reader drops one byte-order mark: text that starts with U+FEFF keeps
    // it behind another.
    if (utf8.substr(0, 3) == "\xEF\xBB\xBF")
        return "\xEF\xBB\xBF" + text;
    return text;
}

std::vector<std::string> splitLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < n && text[i + 1] == '\n')
                ++i;
            ++i;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < n)
        lines.emplace_back(text.substr(start));
    return lines;
}

std::optional<std::string> readBytes(const std::string& path, std::size_t limit, bool* tooLarge)
{
    if (tooLarge)
        *tooLarge = false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return std::nullopt;
    struct stat st {};
    if (::fstat(::fileno(f), &st) != 0 || S_ISDIR(st.st_mode)) {
        std::fclose(f);
        return std::nullopt;
    }
    const auto refuseAsTooLarge = [&]() -> std::optional<std::string> {
        std::fclose(f);
        if (tooLarge)
            *tooLarge = true;
        return std::nullopt;
    };
    if (st.st_size > 0 && static_cast<std::uintmax_t>(st.st_size) > limit)
        return refuseAsTooLarge();
    std::string data;
    if (st.st_size > 0)
        data.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const std::size_t got = std::fread(buf, 1, sizeof buf, f);
        data.append(buf, got);
        // A file that grows while it is read (or a device) stops at the limit too.
        if (data.size() > limit)
            return refuseAsTooLarge();
        if (got < sizeof buf)
            break;
    }
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        return std::nullopt;
    return data;
}

std::optional<std::string> readText(const std::string& path)
{
    auto bytes = readBytes(path);
    if (!bytes)
        return std::nullopt;
    return decode(*bytes);
}

std::optional<std::vector<std::string>> readLines(const std::string& path)
{
    auto text = readText(path);
    if (!text)
        return std::nullopt;
    return splitLines(*text);
}

bool saveBytesAtomic(const std::string& pathIn, std::string_view bytes)
{
    lastError = {};
    if (pathIn.empty() || pathIn.back() == '/')
        return fail(SaveFailure::Other, EISDIR);
    // Saving through a symbolic link replaces the file it points to, not the
    // link; a link to a file that does not exist yet creates that file.
    std::string path = pathIn;
    struct stat lst {};
    if (::lstat(pathIn.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        if (char* real = ::realpath(pathIn.c_str(), nullptr)) {
            path = real;
            std::free(real);
        } else {
            path = danglingLinkTarget(pathIn);
            if (path.empty())
                return fail(SaveFailure::Other, ELOOP);
        }
    }
    // Keep the permissions of the file we replace (a new file gets the usual
    // ones from the umask).
    struct stat old {};
    const bool hadOld = ::stat(path.c_str(), &old) == 0;
    if (hadOld && S_ISDIR(old.st_mode))
        return fail(SaveFailure::Other, EISDIR);
    // The rename would replace a read-only file as if it were writable: the
    // user's mark is respected instead.
    if (hadOld && readOnlyMode(path, old))
        return fail(SaveFailure::ReadOnlyFile, EACCES);

    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    removeStaleTemporaries(dir);

    const std::string folderPrefix = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string_view targetName = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tmp = folderPrefix + temporaryNameFor(targetName);
        fd = ::open(tmp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return failWithErrno(errno);
    // Held until the file is renamed or removed: tells a save running in
    // another process that this temporary file is not stale.
    ::flock(fd, LOCK_EX | LOCK_NB);
    int error = 0;
    bool ok = writeAll(fd, bytes);
    if (!ok)
        error = errno;
    if (ok) {
        mode_t mode;
        if (hadOld) {
            mode = old.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        ::fchmod(fd, mode); // best effort: the contents matter more than the mode
        ok = ::fsync(fd) == 0;
        if (!ok)
            error = errno;
    }
    if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) {
        error = errno;
        ok = false;
    }
    if (!ok)
        ::unlink(tmp.c_str());
    ::close(fd);  // the data was synced before the rename
    if (!ok)
        return failWithErrno(error);
    // Make the rename itself durable: sync the folder entry (best effort).
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

FileLock::FileLock(const std::string& path, int timeoutMs)
{
    const std::string name = path + ".lock";
    // Never through a link: following one would create or lock whatever file
    // it names. Not blocking: a pipe put in its place must not hang the window.
    constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | kFlags, 0666);
    // Another user's lock file, or one on a disk mounted read-only, locks as well.
    if (fd < 0 && (errno == EACCES || errno == EROFS))
        fd = ::open(name.c_str(), O_RDONLY | kFlags);
    if (fd < 0) {
        const int e = errno;
        struct stat st {};
        // Nothing at the name, and none can be made (a folder that cannot be
        // written): nobody holds that lock, and the save that follows fails
        // there for its own reason.
        if (::lstat(name.c_str(), &st) != 0)
            return;
        unavailable_ = true;
        error_ = e;
        return;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        unavailable_ = true;
        error_ = EINVAL;
        ::close(fd);
        return;
    }
    for (int waited = 0;; waited += 5) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            fd_ = fd;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR)
            break;
        if (waited >= timeoutMs) {
            busy_ = true;
            break;
        }
        ::usleep(5000);
    }
    ::close(fd);
}

FileLock::~FileLock()
{
    if (fd_ >= 0)
        ::close(fd_);  // closing lets go of the lock
}

bool writeLines(const std::string& path, const std::vector<std::string>& lines)
{
    std::string text;
    std::size_t total = 0;
    for (const auto& l : lines)
        total += l.size() + 2;
    text.reserve(total);
    for (const auto& l : lines) {
        text += l;
        text += "\r\n";
    }
    return saveBytesAtomic(path, encode(text));
}

bool writeText(const std::string& path, std::string_view text)
{
    return saveBytesAtomic(path, encode(text));
}

bool writeLinesAsIs(const std::string& path, const std::vector<std::string>& lines)
{
    std::string bytes;
    for (const auto& l : lines) {
        bytes += l;
        bytes += "\r\n";
    }
    // The reader drops one byte-order mark.
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
        bytes.insert(0, "\xEF\xBB\xBF");
    return saveBytesAtomic(path, bytes);
}

} // namespace textfile
