#include "platform/files/runtime.h"

#include "platform/files/textfile.h"

#include <QChar>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace vb {

namespace {

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

bool isAscii(std::string_view s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Byte offset of the character with 0-based index `idx` (s.size() past the end).
std::size_t byteOfChar(std::string_view s, std::size_t idx)
{
    std::size_t chars = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (isContinuation(s[i]))
            continue;
        if (chars == idx)
            return i;
        ++chars;
    }
    return s.size();
}

// 0-based character index of the character starting at byte `b`.
std::size_t charOfByte(std::string_view s, std::size_t b)
{
    std::size_t chars = 0;
    for (std::size_t i = 0; i < b && i < s.size(); ++i)
        if (!isContinuation(s[i]))
            ++chars;
    return chars;
}

// Applies f to every character; a byte that starts no valid sequence is kept
// as it is (U+FFFD is not produced, so nothing is lost).
template <typename F>
std::string mapCodePoints(std::string_view s, F f)
{
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t start = i;
        const char32_t cp = textfile::nextCodePoint(s, i);
        if (cp < 0x80 || i - start == 1) {
            if (cp < 0x80)
                textfile::appendUtf8(out, f(cp));
            else
                out += s[start]; // a stray byte stays as it is
        } else {
            textfile::appendUtf8(out, f(cp));
        }
    }
    return out;
}

char32_t foldOne(char32_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    return QChar::toCaseFolded(c);
}

bool isBlankForVal(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The radix prefix form "&H..." / "&O..." of text already stripped of blanks.
// Returns true when s starts with one; `out` receives the value (0 without digits).
bool parseRadix(std::string_view s, std::size_t& pos, double& out)
{
    if (s.size() < pos + 2 || s[pos] != '&')
        return false;
    const char k = s[pos + 1];
    int base;
    if (k == 'h' || k == 'H')
        base = 16;
    else if (k == 'o' || k == 'O')
        base = 8;
    else
        return false;
    pos += 2;
    std::uint64_t v = 0;
    std::size_t digits = 0;
    while (pos < s.size()) {
        const char c = s[pos];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            break;
        if (d >= base)
            break;
        v = ((v * static_cast<unsigned>(base)) + static_cast<unsigned>(d)) & 0xFFFFFFFFull;
        ++digits;
        ++pos;
    }
    // Like the old runtime: a value that fits 16 bits is a signed 16-bit
    // integer (&HFFFF is -1), otherwise a signed 32-bit one (&HFFFFFFFF is -1).
    // Wider values keep their low 32 bits.
    if (digits == 0)
        out = 0;
    else if (v <= 0xFFFF)
        out = static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
    else
        out = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    return true;
}

// Longest decimal prefix of s from pos: [sign] digits [mark digits] [E|D [sign] digits].
// `commaToo`: "," counts as the decimal mark as well as ".".
// Returns the number of characters used (0: no number). `tooLarge` (optional)
// tells a number beyond the range of a double, which reads as 0.
std::size_t decimalPrefix(std::string_view s, std::size_t pos, bool commaToo, double& out, bool* tooLarge = nullptr)
{
    std::string clean;
    std::size_t i = pos;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        clean += s[i++];
    std::size_t mantDigits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        clean += s[i++];
        ++mantDigits;
    }
    if (i < s.size() && (s[i] == '.' || (commaToo && s[i] == ','))) {
        std::size_t j = i + 1;
        std::string frac;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9')
            frac += s[j++];
        if (mantDigits > 0 || !frac.empty()) {
            clean += '.';
            clean += frac;
            mantDigits += frac.size();
            i = j;
        }
    }
    if (mantDigits == 0) {
        out = 0;
        return 0;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        std::string ex = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ex += s[j++];
        std::size_t expDigits = 0;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9') {
            ex += s[j++];
            ++expDigits;
        }
        if (expDigits > 0) {
            clean += ex;
            i = j;
        }
    }
    const char* first = clean.data();
    if (*first == '+')
        ++first;
    double v = 0;
    const auto r = std::from_chars(first, clean.data() + clean.size(), v);
    if (r.ec != std::errc() || !std::isfinite(v)) {
        // Out of range: 0 rather than infinity. A negative exponent only makes
        // it too small to hold, which is 0 indeed.
        if (tooLarge)
            *tooLarge = clean.find("e-") == std::string::npos;
        v = 0;
    }
    out = v;
    return i - pos;
}

double valImpl(std::string_view s, bool commaToo)
{
    // The old Val ignores blanks, tabs and line feeds anywhere in the text.
    std::string t;
    t.reserve(s.size());
    for (char c : s)
        if (!isBlankForVal(c))
            t += c;
    std::size_t pos = 0;
    double v = 0;
    if (parseRadix(t, pos, v))
        return v;
    decimalPrefix(t, 0, commaToo, v);
    return v == 0 ? 0.0 : v; // no negative zero
}

std::string_view trimAll(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string trimZeros(std::string s)
{
    // to_chars in general form already drops trailing zeros; only the
    // exponent needs the old runtime's look ("1E+20", "1E-05").
    for (char& c : s)
        if (c == 'e')
            c = 'E';
    if (s == "-0")
        s = "0";
    return s;
}

} // namespace

// ---- Numbers ---------------------------------------------------------------

double Val(std::string_view s)
{
    return valImpl(s, false);
}

double ValDecimal(std::string_view s)
{
    return valImpl(s, true);
}

std::optional<double> ToNumber(std::string_view s)
{
    s = trimAll(s);
    if (s.empty())
        return std::nullopt;
    std::size_t pos = 0;
    double v = 0;
    if (parseRadix(s, pos, v)) {
        if (pos == 2 || pos != s.size())
            return std::nullopt;
        return v;
    }
    bool tooLarge = false;
    const std::size_t used = decimalPrefix(s, 0, true, v, &tooLarge);
    // A number too large to hold is no number: the caller's fallback applies.
    if (used == 0 || used != s.size() || tooLarge)
        return std::nullopt;
    return v == 0 ? 0.0 : v;
}

bool IsNumeric(std::string_view s)
{
    return ToNumber(s).has_value();
}

double RoundEven(double x)
{
    if (!std::isfinite(x))
        return x;
    const double f = std::floor(x);
    const double diff = x - f;
    if (diff < 0.5)
        return f;
    if (diff > 0.5)
        return f + 1;
    return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

bool FitsInt(double x)
{
    if (std::isnan(x))
        return false;
    const double r = RoundEven(x);
    return r >= kIntMin && r <= kIntMax;
}

int CInt(double x)
{
    if (std::isnan(x))
        return 0;
    const double r = RoundEven(x);
    if (r <= kIntMin)
        return kIntMin;
    if (r >= kIntMax)
        return kIntMax;
    return static_cast<int>(r);
}

long CLng(double x)
{
    if (std::isnan(x))
        return 0;
    const double r = RoundEven(x);
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    if (r <= lo)
        return static_cast<long>(lo);
    if (r >= hi)
        return static_cast<long>(hi);
    return static_cast<long>(r);
}

int CInt(std::string_view s, int fallback)
{
    const auto v = ToNumber(s);
    return v ? CInt(*v) : fallback;
}

long CLng(std::string_view s, long fallback)
{
    const auto v = ToNumber(s);
    return v ? CLng(*v) : fallback;
}

float CSng(std::string_view s, float fallback)
{
    const auto v = ToNumber(s);
    if (!v)
        return fallback;
    constexpr double m = std::numeric_limits<float>::max();
    if (*v > m)
        return std::numeric_limits<float>::max();
    if (*v < -m)
        return -std::numeric_limits<float>::max();
    return static_cast<float>(*v);
}

double CDbl(std::string_view s, double fallback)
{
    const auto v = ToNumber(s);
    return v ? *v : fallback;
}

double Int(double x)
{
    return std::floor(x);
}

double Fix(double x)
{
    return std::trunc(x);
}

std::string CStr(double x)
{
    if (std::isnan(x))
        return "0";
    if (x == 0)
        return "0";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 15);
    return trimZeros(std::string(buf, r.ptr));
}

std::string CStr(float x)
{
    if (std::isnan(x) || x == 0)
        return "0";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 7);
    return trimZeros(std::string(buf, r.ptr));
}

std::string CStr(long x)
{
    return std::to_string(x);
}

std::string CStr(int x)
{
    return std::to_string(x);
}

std::string Str(double x)
{
    std::string s = CStr(x);
    if (s[0] != '-')
        s.insert(s.begin(), ' ');
    return s;
}

std::string Hex(long x)
{
    static const char digits[] = "0123456789ABCDEF";
    std::uint32_t v = static_cast<std::uint32_t>(static_cast<std::int64_t>(x) & 0xFFFFFFFF);
    if (v == 0)
        return "0";
    std::string out;
    while (v) {
        out.insert(out.begin(), digits[v & 0xF]);
        v >>= 4;
    }
    return out;
}

std::string Format2(long n)
{
    const bool neg = n < 0;
    const long long a = neg ? -static_cast<long long>(n) : n;
    std::string d = std::to_string(a);
    if (d.size() < 2)
        d.insert(d.begin(), '0');
    return neg ? "-" + d : d;
}

std::string FormatMinSec(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0)
        return "0:00";
    const long long t = std::llround(seconds);
    return std::to_string(t / 60) + ":" + Format2(static_cast<long>(t % 60));
}

// ---- Text --------------------------------------------------------------------

std::size_t Len(std::string_view s)
{
    return charOfByte(s, s.size());
}

std::string Left(std::string_view s, long n)
{
    if (n <= 0)
        return {};
    return std::string(s.substr(0, byteOfChar(s, static_cast<std::size_t>(n))));
}

std::string Right(std::string_view s, long n)
{
    if (n <= 0)
        return {};
    const std::size_t len = Len(s);
    if (static_cast<std::size_t>(n) >= len)
        return std::string(s);
    return std::string(s.substr(byteOfChar(s, len - static_cast<std::size_t>(n))));
}

std::string Mid(std::string_view s, long start, long n)
{
    if (start < 1)
        start = 1;
    const std::size_t b = byteOfChar(s, static_cast<std::size_t>(start - 1));
    if (b >= s.size())
        return {};
    const std::string_view rest = s.substr(b);
    if (n < 0)
        return std::string(rest);
    return std::string(rest.substr(0, byteOfChar(rest, static_cast<std::size_t>(n))));
}

std::string LCase(std::string_view s)
{
    return mapCodePoints(s, [](char32_t c) -> char32_t {
        if (c < 0x80)
            return (c >= 'A' && c <= 'Z') ? c + 32 : c;
        return QChar::toLower(c);
    });
}

std::string UCase(std::string_view s)
{
    return mapCodePoints(s, [](char32_t c) -> char32_t {
        if (c < 0x80)
            return (c >= 'a' && c <= 'z') ? c - 32 : c;
        return QChar::toUpper(c);
    });
}

std::string FoldCase(std::string_view s)
{
    if (isAscii(s)) {
        std::string out(s);
        for (char& c : out)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c + 32);
        return out;
    }
    return mapCodePoints(s, foldOne);
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return FoldCase(a) == FoldCase(b);
}

std::string LTrim(std::string_view s)
{
    const auto p = s.find_first_not_of(' ');
    return p == std::string_view::npos ? std::string() : std::string(s.substr(p));
}

std::string RTrim(std::string_view s)
{
    const auto p = s.find_last_not_of(' ');
    return p == std::string_view::npos ? std::string() : std::string(s.substr(0, p + 1));
}

std::string Trim(std::string_view s)
{
    return LTrim(RTrim(s));
}

long InStr(std::string_view s, std::string_view find)
{
    return InStr(1, s, find, false);
}

long InStr(long start, std::string_view s, std::string_view find, bool textCompare)
{
    if (start < 1)
        start = 1;
    const std::size_t len = Len(s);
    if (static_cast<std::size_t>(start) > len + 1)
        return 0;
    if (find.empty())
        return start;
    // Case folding keeps the number of characters, so character positions in
    // the folded copies are those of the original text.
    std::string fs, ff;
    if (textCompare) {
        fs = FoldCase(s);
        ff = FoldCase(find);
        s = fs;
        find = ff;
    }
    const std::size_t from = byteOfChar(s, static_cast<std::size_t>(start - 1));
    const auto p = s.find(find, from);
    if (p == std::string_view::npos)
        return 0;
    return static_cast<long>(charOfByte(s, p)) + 1;
}

long InStrRev(std::string_view s, std::string_view find, long start, bool textCompare)
{
    const std::size_t len = Len(s);
    if (start == -1)
        start = static_cast<long>(len);
    if (start < 1 || static_cast<std::size_t>(start) > len)
        return 0;
    if (find.empty())
        return start;
    std::string fs, ff;
    if (textCompare) {
        fs = FoldCase(s);
        ff = FoldCase(find);
        s = fs;
        find = ff;
    }
    // The match must lie within the first `start` characters.
    const std::size_t limit = byteOfChar(s, static_cast<std::size_t>(start));
    if (find.size() > limit)
        return 0;
    const auto p = s.substr(0, limit).rfind(find);
    if (p == std::string_view::npos)
        return 0;
    return static_cast<long>(charOfByte(s, p)) + 1;
}

std::string Replace(std::string_view s, std::string_view find, std::string_view with, bool textCompare)
{
    if (find.empty())
        return std::string(s);
    std::string out;
    out.reserve(s.size());
    if (!textCompare) {
        std::size_t pos = 0;
        for (;;) {
            const auto p = s.find(find, pos);
            if (p == std::string_view::npos)
                break;
            out.append(s.substr(pos, p - pos));
            out.append(with);
            pos = p + find.size();
        }
        out.append(s.substr(pos));
        return out;
    }
    // Without regard to case: match on the folded copy, copy from the original
    // by character positions.
    const std::string fs = FoldCase(s);
    const std::string ff = FoldCase(find);
    const std::size_t findChars = Len(find);
    std::size_t pos = 0;      // byte in fs
    std::size_t origPos = 0;  // byte in s
    for (;;) {
        const auto p = fs.find(ff, pos);
        if (p == std::string::npos)
            break;
        const std::size_t startChar = charOfByte(fs, p);
        const std::size_t ob = byteOfChar(s, startChar);
        const std::size_t oe = byteOfChar(s, startChar + findChars);
        out.append(s.substr(origPos, ob - origPos));
        out.append(with);
        origPos = oe;
        pos = p + ff.size();
    }
    out.append(s.substr(origPos));
    return out;
}

std::vector<std::string> Split(std::string_view s, std::string_view delimiter)
{
    std::vector<std::string> parts;
    if (s.empty())
        return parts;
    if (delimiter.empty()) {
        parts.emplace_back(s);
        return parts;
    }
    std::size_t pos = 0;
    for (;;) {
        const auto p = s.find(delimiter, pos);
        if (p == std::string_view::npos) {
            parts.emplace_back(s.substr(pos));
            break;
        }
        parts.emplace_back(s.substr(pos, p - pos));
        pos = p + delimiter.size();
    }
    return parts;
}

std::string Join(const std::vector<std::string>& parts, std::string_view delimiter)
{
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i)
            out.append(delimiter);
        out.append(parts[i]);
    }
    return out;
}

std::string Space(long n)
{
    return n > 0 ? std::string(static_cast<std::size_t>(n), ' ') : std::string();
}

std::string String(long n, char c)
{
    return n > 0 ? std::string(static_cast<std::size_t>(n), c) : std::string();
}

std::string Chr(int code)
{
    if (code < 0 || code > 255)
        return {};
    const char b = static_cast<char>(code);
    return textfile::cp1252ToUtf8(std::string_view(&b, 1));
}

int Asc(std::string_view s)
{
    if (s.empty())
        return 0;
    std::size_t i = 0;
    textfile::nextCodePoint(s, i);
    const auto b = textfile::utf8ToCp1252(s.substr(0, i));
    if (!b || b->size() != 1)
        return i == 1 ? static_cast<unsigned char>(s[0]) : 63;
    return static_cast<unsigned char>((*b)[0]);
}

int AscW(std::string_view s)
{
    if (s.empty())
        return 0;
    std::size_t i = 0;
    return static_cast<int>(textfile::nextCodePoint(s, i));
}

std::string ChrW(int codePoint)
{
    if (codePoint < 0 || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return {};
    std::string out;
    textfile::appendUtf8(out, static_cast<char32_t>(codePoint));
    return out;
}

} // namespace vb
