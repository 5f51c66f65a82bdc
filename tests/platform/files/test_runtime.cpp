#include "platform/files/runtime.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <random>

using namespace vb;

TEST(Runtime, ValReadsTheLongestNumericPrefix)
{
    EXPECT_EQ(Val(""), 0);
    EXPECT_EQ(Val("abc"), 0);
    EXPECT_EQ(Val("  42abc"), 42);
    EXPECT_EQ(Val("1 2 3"), 123);           // blanks inside are ignored
    EXPECT_EQ(Val("\t-12.5e1x"), -125);
    EXPECT_EQ(Val("1.5.6"), 1.5);
    EXPECT_EQ(Val(".5"), 0.5);
    EXPECT_EQ(Val("12,5"), 12);             // only "." is a decimal mark for Val
    EXPECT_EQ(Val("3e"), 3);                // an exponent without digits is not one
    EXPECT_EQ(Val("2D2"), 200);
    EXPECT_EQ(Val("-"), 0);
    EXPECT_EQ(Val("1e999"), 0);             // out of range: no infinity
    EXPECT_FALSE(std::signbit(Val("-0")));
    // Radix forms: 16-bit when they fit, then 32-bit.
    EXPECT_EQ(Val("&HFF8000"), 16744448);
    EXPECT_EQ(Val("&h1F"), 31);
    EXPECT_EQ(Val("&HFFFF"), -1);
    EXPECT_EQ(Val("&HFFFFFFFF"), -1);
    EXPECT_EQ(Val("&O17"), 15);
    EXPECT_EQ(Val("&H"), 0);
    EXPECT_EQ(Val("&HZZ"), 0);
}

TEST(Runtime, DecimalMarkIsEitherAndNeverTheLocale)
{
    // The desktop's locale must not change how numbers in files are read.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    EXPECT_EQ(ValDecimal("12,5"), 12.5);
    EXPECT_EQ(ValDecimal("12.5"), 12.5);
    EXPECT_EQ(ValDecimal(" 0,25;"), 0.25);
    EXPECT_EQ(Val("12.5"), 12.5);
    EXPECT_EQ(CStr(0.5), "0.5");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(Runtime, ToNumberNeedsTheWholeText)
{
    EXPECT_EQ(ToNumber(" 150 "), 150);
    EXPECT_EQ(ToNumber("-1"), -1);
    EXPECT_EQ(ToNumber("1,5"), 1.5);
    EXPECT_EQ(ToNumber("+2.5E2"), 250);
    EXPECT_EQ(ToNumber("&HFF"), 255);
    EXPECT_FALSE(ToNumber(""));
    EXPECT_FALSE(ToNumber("  "));
    EXPECT_FALSE(ToNumber("12abc"));
    EXPECT_FALSE(ToNumber("."));
    EXPECT_FALSE(ToNumber("&H"));
    EXPECT_FALSE(ToNumber("1 2"));
    // Too large to hold: no number, so a hand-edited "1e400" colour takes the
    // caller's fallback instead of becoming 0 (black). Too small is just 0.
    EXPECT_FALSE(ToNumber("1e400"));
    EXPECT_FALSE(ToNumber("-1D999"));
    EXPECT_EQ(CLng("1e400", 15788257L), 15788257L);
    EXPECT_EQ(ToNumber("1e-400"), 0);
    EXPECT_EQ(ToNumber("1e308"), 1e308);
    EXPECT_TRUE(IsNumeric("3.25"));
    EXPECT_FALSE(IsNumeric("Fr"));
}

TEST(Runtime, IntegerConversionsRoundHalfToEvenAndSaturate)
{
    EXPECT_EQ(CInt(2.5), 2);
    EXPECT_EQ(CInt(3.5), 4);
    EXPECT_EQ(CInt(-2.5), -2);
    EXPECT_EQ(CInt(-3.5), -4);
    EXPECT_EQ(CInt(2.5000001), 3);
    EXPECT_EQ(CInt(0.49999999), 0);
    EXPECT_EQ(CInt(32767.4), 32767);
    EXPECT_EQ(CInt(40000.0), kIntMax);
    EXPECT_EQ(CInt(-40000.0), kIntMin);
    EXPECT_EQ(CInt(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_FALSE(FitsInt(32767.5)); // rounds to 32768
    EXPECT_TRUE(FitsInt(-32768.4));
    EXPECT_EQ(CLng(1e12), 2147483647L);
    EXPECT_EQ(CLng(-1e12), -2147483647L - 1);
    EXPECT_EQ(CLng(16744448.5), 16744448L);
    // Text: a value that is not a number gives the caller's fallback.
    EXPECT_EQ(CInt("26"), 26);
    EXPECT_EQ(CInt("abc", 7), 7);
    EXPECT_EQ(CInt("", 2), 2);
    EXPECT_EQ(CLng(" 15788257 "), 15788257L);
    EXPECT_EQ(CSng("1e60", 0), std::numeric_limits<float>::max());
    EXPECT_EQ(CDbl("0,5"), 0.5);
    EXPECT_EQ(Int(-2.5), -3);
    EXPECT_EQ(Fix(-2.5), -2);
    EXPECT_EQ(Int(2.9), 2);
}

TEST(Runtime, NumbersToText)
{
    EXPECT_EQ(CStr(1500.0), "1500");
    EXPECT_EQ(CStr(-0.0), "0");
    EXPECT_EQ(CStr(0.1 + 0.2), "0.3");       // 15 significant digits
    EXPECT_EQ(CStr(1e20), "1E+20");
    EXPECT_EQ(CStr(0.1f), "0.1");
    EXPECT_EQ(Str(5.0), " 5");
    EXPECT_EQ(Str(-5.0), "-5");
    EXPECT_EQ(Hex(16744448), "FF8000");
    EXPECT_EQ(Hex(-1), "FFFFFFFF");
    EXPECT_EQ(Hex(0), "0");
    EXPECT_EQ(Format2(5), "05");
    EXPECT_EQ(Format2(123), "123");
    EXPECT_EQ(Format2(-5), "-05");
    EXPECT_EQ(FormatMinSec(225), "3:45");
    EXPECT_EQ(FormatMinSec(119.7), "2:00");  // never "1:-0"
    EXPECT_EQ(FormatMinSec(59.4), "0:59");
    EXPECT_EQ(FormatMinSec(-3), "0:00");
    EXPECT_EQ(FormatMinSec(std::numeric_limits<double>::infinity()), "0:00");
}

TEST(Runtime, TextFunctionsCountCharactersNotBytes)
{
    const std::string s = "\xC3\x89t\xC3\xA9 d\xC3\xA9j\xC3\xA0"; // "Été déjà"
    EXPECT_EQ(Len(s), 8u);
    EXPECT_EQ(Left(s, 3), "\xC3\x89t\xC3\xA9");
    EXPECT_EQ(Right(s, 2), "j\xC3\xA0");
    EXPECT_EQ(Mid(s, 5, 2), "d\xC3\xA9");
    EXPECT_EQ(Mid(s, 5), "d\xC3\xA9j\xC3\xA0");
    EXPECT_EQ(Mid(s, 20), "");
    EXPECT_EQ(Left(s, -1), "");
    EXPECT_EQ(Right(s, 99), s);
    EXPECT_EQ(LCase(s), "\xC3\xA9t\xC3\xA9 d\xC3\xA9j\xC3\xA0");
    EXPECT_EQ(UCase(s), "\xC3\x89T\xC3\x89 D\xC3\x89J\xC3\x80");
    EXPECT_EQ(InStr(s, "d"), 5);
    EXPECT_EQ(InStr(1, s, "\xC3\xA9"), 3);
    EXPECT_EQ(InStr(4, s, "\xC3\xA9"), 6);
    EXPECT_EQ(InStr(1, s, "\xC3\xA9T", true), 1);   // without regard to case
    EXPECT_EQ(InStr(s, "zz"), 0);
    EXPECT_EQ(InStr(3, s, ""), 3);
    EXPECT_EQ(InStr(10, s, ""), 0);
    EXPECT_EQ(InStrRev(s, "\xC3\xA9"), 6);
    EXPECT_EQ(InStrRev(s, "\xC3\xA9", 5), 3);
    EXPECT_EQ(InStrRev("abc", "c", 2), 0);              // the match must end by `start`
    EXPECT_EQ(InStrRev("a\\b\\c", "\\"), 4);
}

TEST(Runtime, CaseChangeKeepsBytesThatAreNotUtf8)
{
    // Stray, truncated and overlong sequences come back byte for byte; the
    // letters around them still change.
    EXPECT_EQ(LCase("A\x80" "B"), "a\x80" "b");
    EXPECT_EQ(UCase("\xC0\x80x"), "\xC0\x80X");
    EXPECT_EQ(UCase("\xED\xA0\x80" "e"), "\xED\xA0\x80" "E");  // a surrogate's encoding
    EXPECT_EQ(LCase("\xC3"), "\xC3");
    EXPECT_EQ(FoldCase("\xE9T\xC3\x89"), "\xE9t\xC3\xA9");
}

TEST(Runtime, TrimReplaceSplit)
{
    EXPECT_EQ(Trim("  a b \t "), "a b \t");  // blanks only, as the old runtime
    EXPECT_EQ(LTrim("  x "), "x ");
    EXPECT_EQ(RTrim("  x "), "  x");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Replace("12,5;3,25;", ",", "."), "12.5;3.25;");
    EXPECT_EQ(Replace("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(Replace("x", "", "y"), "x");
    EXPECT_EQ(Replace("Song.MP3 song.mp3", "\x2Emp3", ".syk", true), "Song.syk song.syk");
    EXPECT_EQ(Replace("\xC3\x89t\xC3\xA9", "\xC3\xA9", "e", true), "ete");
    using V = std::vector<std::string>;
    EXPECT_EQ(Split("a;b;", ";"), (V{"a", "b", ""}));
    EXPECT_EQ(Split("", ";"), V{});
    EXPECT_EQ(Split("abc", ""), V{"abc"});
    EXPECT_EQ(Split("a<>b", "<>"), (V{"a", "b"}));
    EXPECT_EQ(Join({"a", "b"}, ";"), "a;b");
    EXPECT_TRUE(EqualsNoCase("Path Syk", "PATH syk"));
    EXPECT_TRUE(EqualsNoCase("\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89"));
    EXPECT_FALSE(EqualsNoCase("ab", "abc"));
}

TEST(Runtime, ChrAndAscUseWindows1252Codes)
{
    EXPECT_EQ(Chr(233), "\xC3\xA9");
    EXPECT_EQ(Chr(128), "\xE2\x82\xAC");
    EXPECT_EQ(Chr(13), "\r");
    EXPECT_EQ(Chr(256), "");
    EXPECT_EQ(Chr(-1), "");
    EXPECT_EQ(Asc("\xE2\x82\xAC"), 128);
    EXPECT_EQ(Asc("\xC3\xA9t\xC3\xA9"), 233);
    EXPECT_EQ(Asc("\xE6\x84\x9B"), 63); // no code in Windows-1252
    EXPECT_EQ(Asc(""), 0);
    EXPECT_EQ(AscW("\xE6\x84\x9B"), 0x611B);
    EXPECT_EQ(ChrW(0x611B), "\xE6\x84\x9B");
    EXPECT_EQ(ChrW(0xD800), "");
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(Asc(Chr(c)), c) << c;
}

TEST(Runtime, RandomTextNeverBreaksTheConversions)
{
    std::mt19937 rng(99);
    const std::string alphabet = "0123456789+-.,eEdD&hHoO \tx\xC3\xA9\xFF";
    for (int round = 0; round < 5000; ++round) {
        std::string s(rng() % 24, ' ');
        for (char& c : s)
            c = alphabet[rng() % alphabet.size()];
        const double v = Val(s);
        EXPECT_TRUE(std::isfinite(v)) << s;
        EXPECT_TRUE(std::isfinite(ValDecimal(s))) << s;
        if (auto n = ToNumber(s)) {
            EXPECT_TRUE(std::isfinite(*n)) << s;
        }
        (void)CInt(s);
        (void)Len(s);
        (void)Mid(s, static_cast<long>(rng() % 30), static_cast<long>(rng() % 30) - 5);
        (void)InStrRev(s, "e", -1, true);
        (void)UCase(s);
    }
}
