#pragma once
// The conversions and text functions of the old runtime, with its rules, so
// that every place that turns text into numbers (settings, sync files, list
// files) behaves the same way. Nothing here throws.
//
// Text is UTF-8; positions and lengths count characters (code points), 1-based
// as the old runtime counts them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vb {

// ---- Numbers ---------------------------------------------------------------

// Leading blanks (and tabs, line feeds) are skipped; blanks inside the number
// are ignored as the old runtime does ("1 2" -> 12); then the longest numeric
// prefix is read: sign, digits, "." decimals, "E"/"D" exponent; "&H" hex and
// "&O" octal (16-bit when they fit, else 32-bit, as the old runtime does).
// "" or no number -> 0. Only "." is a decimal mark.
double Val(std::string_view s);
// As Val, but "," is accepted as the decimal mark too (times in sync files,
// written with "," and read whatever the locale).
double ValDecimal(std::string_view s);
// The whole text (blanks around it allowed) as a number: decimal with "." or
// ",", optional sign and exponent, or "&H"/"&O"; nullopt when it is not one.
std::optional<double> ToNumber(std::string_view s);
bool IsNumeric(std::string_view s);

// Rounding to an integer is half to even: CInt(2.5) = 2, CInt(3.5) = 4,
// CInt(-2.5) = -2. The old runtime stopped with "Overflow" outside the range;
// here the value saturates at the range's ends instead (NaN gives 0).
constexpr int kIntMin = -32768;
constexpr int kIntMax = 32767;
int CInt(double x);                    // 16-bit range, held in an int
long CLng(double x);                   // 32-bit range, held in a long
// Text versions: the whole text must be a number (see ToNumber), else `fallback`.
int CInt(std::string_view s, int fallback = 0);
long CLng(std::string_view s, long fallback = 0);
float CSng(std::string_view s, float fallback = 0);
double CDbl(std::string_view s, double fallback = 0);
// True when x rounds into the 16-bit integer range.
bool FitsInt(double x);
// Round half to even, no range limit.
double RoundEven(double x);

double Int(double x);   // floor: Int(-2.5) = -3
double Fix(double x);   // toward zero: Fix(-2.5) = -2

// Number -> text as the old runtime's CStr: no leading blank, "." decimal
// mark, up to 15 significant digits (7 for the float overload), no trailing
// zeros ("0.5", "1500", "-3").
std::string CStr(double x);
std::string CStr(float x);
std::string CStr(long x);
std::string CStr(int x);
// Str: as CStr with a leading blank for numbers >= 0.
std::string Str(double x);
// Upper-case hexadecimal text of the 32-bit value (Hex(-1) = "FFFFFFFF").
std::string Hex(long x);
// Format(n, "0#"): at least two digits, "05", "12", "123", "-05".
std::string Format2(long n);
// m:ss of a time in seconds, rounded to whole seconds first ("3:45", "0:05";
// 119.7 s is "2:00"); negative times show as "0:00".
std::string FormatMinSec(double seconds);

// ---- Text (UTF-8, by characters) --------------------------------------------

std::size_t Len(std::string_view s);                     // characters
std::string Left(std::string_view s, long n);             // first n characters
std::string Right(std::string_view s, long n);            // last n characters
std::string Mid(std::string_view s, long start, long n = -1); // from 1-based start, n chars (-1: rest)
std::string LCase(std::string_view s);  // any letter, accents included
std::string UCase(std::string_view s);
std::string Trim(std::string_view s);   // blanks (spaces) only, as the old runtime
std::string LTrim(std::string_view s);
std::string RTrim(std::string_view s);
// 1-based character position of `find` in `s` from `start`, 0 when absent.
// An empty `find` gives `start` (when start <= Len + 1). textCompare: without
// regard to case.
long InStr(std::string_view s, std::string_view find);
long InStr(long start, std::string_view s, std::string_view find, bool textCompare = false);
// Last position of `find` in `s`, searching from `start` (-1: the end) backwards.
long InStrRev(std::string_view s, std::string_view find, long start = -1, bool textCompare = false);
// Every occurrence of `find` replaced (an empty `find` changes nothing).
std::string Replace(std::string_view s, std::string_view find, std::string_view with,
                    bool textCompare = false);
// Split("a;b;", ";") -> {"a","b",""}; Split("", d) -> {} as the old runtime.
std::vector<std::string> Split(std::string_view s, std::string_view delimiter = " ");
std::string Join(const std::vector<std::string>& parts, std::string_view delimiter = " ");
std::string Space(long n);
std::string String(long n, char c);
// Text comparison without regard to case (the old "Option Compare Text").
bool EqualsNoCase(std::string_view a, std::string_view b);
// A key for comparing names without regard to case (Unicode case folding;
// ASCII text takes a fast path). Only for comparisons, never for display.
std::string FoldCase(std::string_view s);

// Chr: the Windows-1252 character with that code as UTF-8 (Chr(233) = "é",
// Chr(13) = "\r"); codes outside 0..255 give "".
std::string Chr(int code);
// Asc: the Windows-1252 code of the first character; 63 ("?") for a character
// that has none; 0 for "".
int Asc(std::string_view s);
// Unicode code point of the first character, and its inverse.
int AscW(std::string_view s);
std::string ChrW(int codePoint);

// Old line end.
inline constexpr std::string_view vbCrLf = "\r\n";

} // namespace vb
