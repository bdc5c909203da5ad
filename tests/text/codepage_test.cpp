#include "text/codepage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "text/codepage_platform.h"

namespace {

// The same characters in GBK, UTF-8 and as UTF-16LE units.
const Text kZhongWenGbk = "\xD6\xD0\xCE\xC4";            // 中文
const Text kZhongWenUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";
const Bytes kZhongWenUnits("\x2D\x4E\x87\x65", 4);

Bytes Terminated(const Bytes& units) { return units + Bytes(2, '\0'); }

Text Repeat(const Text& piece, size_t times) {
  Text out;
  out.reserve(piece.size() * times);
  for (size_t i = 0; i < times; ++i) out += piece;
  return out;
}

Text Escape(unsigned char c) {
  char buffer[4];
  std::snprintf(buffer, sizeof buffer, "%%%02X", c);
  return buffer;
}

TEST(UrlEncode, WorkedExamples) {
  struct Case {
    Text text;
    bool keepSafe, asUtf8;
    Text expected;
  };
  const std::vector<Case> cases = {
      {kZhongWenGbk, true, true, "%E4%B8%AD%E6%96%87"},
      {kZhongWenGbk, true, false, "%D6%D0%CE%C4"},
      {"a b/c_d.e-f~", true, false, "a%20b%2Fc%5Fd.e-f%7E"},
      {"x+y=1&z", true, false, "x%2By%3D1%26z"},
      {"abc", false, false, "%61%62%63"},
      {"a*", true, false, "a%2A"},
      {"\n", true, false, "%0A"},
      {"\xD6\xD0", true, true, "%E4%B8%AD"},  // one character, three escapes
      {"a\xD6\xD0", false, true, "%61%E4%B8%AD"},
      {"Az09-.", true, true, "Az09-."},
      {"", true, true, ""},
      {"", false, false, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UrlEncode(c.text, c.keepSafe, c.asUtf8), c.expected) << c.text;
  }
}

TEST(UrlEncode, SafeBytesAreExactlyLettersDigitsHyphenAndDot) {
  for (int c = 1; c < 256; ++c) {
    const auto byte = static_cast<unsigned char>(c);
    const bool safe = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                      (c >= 'a' && c <= 'z') || c == '-' || c == '.';
    const Text text(1, static_cast<char>(byte));
    EXPECT_EQ(UrlEncode(text, true), safe ? text : Escape(byte)) << c;
    EXPECT_EQ(UrlEncode(text), Escape(byte)) << c;
  }
}

TEST(UrlDecode, WorkedExamplesAndEdges) {
  struct Case {
    Text text;
    bool fromUtf8;
    Text expected;
  };
  const std::vector<Case> cases = {
      {"%e4%b8%ad%20x+y", true, "\xD6\xD0 x+y"},
      {"%41%2f", false, "A/"},
      {"%2F%2f", false, "//"},
      {"%00A", false, "A"},
      {"%00A", true, "A"},
      {"a+b", false, "a+b"},
      {"", false, ""},
      {"", true, ""},
      {"%ff%Ff", false, "\xFF\xFF"},
      {"%D6%D0", false, "\xD6\xD0"},
  };
  for (const Case& c : cases) EXPECT_EQ(UrlDecode(c.text, c.fromUtf8), c.expected) << c.text;
}

// A malformed escape still consumes two bytes; a non-digit counts as -2, a missing byte as 0,
// and the byte is (16 * high + low) mod 256, dropped when 0.
TEST(UrlDecode, MalformedEscapes) {
  struct Case {
    Text text;
    Text expected;
  };
  const std::vector<Case> cases = {
      {"%", ""},
      {"100%", "100"},
      {"%4", "@"},
      {"%1", "\x10"},
      {"%0", ""},
      {"a%zzb", "a\xDE" "b"},
      {"%z", "\xE0"},
      {"%G0", "\xE0"},
      {"%%41", "\xE4" "1"},
      {"50% off", "50\xDE" "ff"},
      {"%\xD6\xD0x", "\xDE" "x"},
      {"%-2", "\xE2"},
  };
  for (const Case& c : cases) EXPECT_EQ(UrlDecode(c.text), c.expected) << c.text;
}

TEST(UrlDecode, FromUtf8WithoutEscapesIsTheConversionAlone) {
  const Text page = "<p>" + kZhongWenUtf8 + " a+b</p>\r\n";
  EXPECT_EQ(UrlDecode(page, true), Utf8ToGbk(page));
  EXPECT_EQ(UrlDecode(page, true), "<p>" + kZhongWenGbk + " a+b</p>\r\n");
}

TEST(UrlDecode, UndoesUrlEncode) {
  const Text text = "key word+" + kZhongWenGbk + "/\xA1\xA1~%_" + kZhongWenGbk;
  EXPECT_EQ(UrlDecode(UrlEncode(text, true, true), true), text);
  EXPECT_EQ(UrlDecode(UrlEncode(text)), text);
  EXPECT_EQ(UrlDecode(UrlEncode(text, true)), text);
}

TEST(CodePages, KnownCharacters) {
  struct Case {
    Text gbk, utf8;
  };
  const std::vector<Case> cases = {
      {kZhongWenGbk, kZhongWenUtf8},
      {"\xA1\xA1", "\xE3\x80\x80"},   // full-width space
      {"\x81\x40" "A", "\xE4\xB8\x82" "A"},  // second byte in the ASCII range
      {"\xD6\xD0@\xCE\xC4~", "\xE4\xB8\xAD@\xE6\x96\x87~"},
      {"\x80", "\xE2\x82\xAC"},       // the euro sign is a single byte
      {"\x80\xB0\x41", "\xE2\x82\xAC\xE7\x99\x86"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8);
    EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk);
  }
}

TEST(CodePages, AsciiAndEmptyPassUnchanged) {
  Text ascii;
  for (int c = 1; c < 128; ++c) ascii.push_back(static_cast<char>(c));
  EXPECT_EQ(GbkToUtf8(ascii), ascii);
  EXPECT_EQ(Utf8ToGbk(ascii), ascii);
  EXPECT_EQ(GbkToUtf8(""), "");
  EXPECT_EQ(Utf8ToGbk(""), "");
}

// Every character of the GB2312 block B0A1-D6FE, each followed by ASCII bytes that could be
// mistaken for second bytes, survives the trip to UTF-8 and back.
TEST(CodePages, RoundTripThroughUtf8) {
  Text gbk;
  const char kFollowers[] = "@A~ z";
  int k = 0;
  for (int lead = 0xB0; lead <= 0xD6; ++lead) {
    for (int trail = 0xA1; trail <= 0xFE; ++trail) {
      gbk.push_back(static_cast<char>(lead));
      gbk.push_back(static_cast<char>(trail));
      if (++k % 3 == 0) gbk.push_back(kFollowers[k % 5]);
    }
  }
  const Text utf8 = GbkToUtf8(gbk);
  EXPECT_GT(utf8.size(), gbk.size());
  EXPECT_EQ(Utf8ToGbk(utf8), gbk);
}

TEST(CodePages, InvalidInputIsReplacedWithoutLosingWhatFollows) {
  struct Case {
    const char* name;
    Text utf8;
    Text gbk;
  };
  const std::vector<Case> utf8Cases = {
      {"byte that starts nothing", "\xFF" "abc", "?abc"},
      {"sequence cut short", "\xE4\xB8" "a", "?a"},
      {"overlong form", "\xC0\x80" "a", "??a"},
      {"lead byte at the end", "a\xE4", "a?"},
      {"stray continuation byte", "\x80" "\xE4\xB8\xAD", "?\xD6\xD0"},
      {"not in GBK", "\xE0\xB8\x81" "a", "?a"},
      {"outside the BMP, one '?' per unit", "\xF0\x9F\x98\x80" "a", "??a"},
  };
  for (const Case& c : utf8Cases) EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk) << c.name;

  const std::vector<Case> gbkCases = {
      {"lead byte with a space", "\xE4\xB8\xAD?a", "\xD6\xD0\x81 a"},
      {"lead byte with DEL", "?a", "\x81\x7F" "a"},
      {"lead byte at the end", "a?", "a\x81"},
  };
  for (const Case& c : gbkCases) EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8) << c.name;
}

TEST(MultiByteToUtf16, ReturnsTerminatedUnits) {
  EXPECT_EQ(MultiByteToUtf16(kZhongWenGbk, kCodePageGbk), Terminated(kZhongWenUnits));
  EXPECT_EQ(MultiByteToUtf16(kZhongWenUtf8), Terminated(kZhongWenUnits));  // UTF-8 by default
  EXPECT_EQ(MultiByteToUtf16("Ab", kCodePageGbk), Bytes("A\0b\0\0\0", 6));
  EXPECT_EQ(MultiByteToUtf16(""), Bytes(2, '\0'));
  EXPECT_EQ(MultiByteToUtf16(Text("ab\0cd", 5)), Bytes("a\0b\0\0\0", 6));
  EXPECT_EQ(MultiByteToUtf16("\xF0\x9F\x98\x80"), Bytes("\x3D\xD8\x00\xDE\0\0", 6));
}

TEST(MultiByteToUtf16, ExplicitZeroIsTheAnsiCodePageNotTheDefault) {
  EXPECT_EQ(MultiByteToUtf16(kZhongWenGbk, 0), MultiByteToUtf16(kZhongWenGbk, AnsiCodePage()));
  EXPECT_NE(MultiByteToUtf16(kZhongWenGbk, 0), MultiByteToUtf16(kZhongWenGbk));
  EXPECT_EQ(MultiByteToUtf16("Ab", 0), Bytes("A\0b\0\0\0", 6));
#ifndef _WIN32
  EXPECT_EQ(AnsiCodePage(), kCodePageGbk);
#endif
}

TEST(Utf16ToMultiByte, ReadsUpToTheFirstZeroUnit) {
  struct Case {
    Bytes wide;
    int codePage;
    Text expected;
  };
  const std::vector<Case> cases = {
      {Bytes("A\0B\0\0\0C\0", 8), kCodePageGbk, "AB"},
      {Bytes("A\0B\0", 4), kCodePageGbk, "AB"},
      {Bytes("A\0B", 3), kCodePageGbk, "A"},  // half a unit is not read
      {Bytes(), kCodePageUtf8, ""},
      {Bytes("\0\0A\0", 4), kCodePageUtf8, ""},
      {Bytes("\x00\x01" "A\0", 4), kCodePageUtf8, "\xC4\x80" "A"},  // a zero low byte is not the end
      {Terminated(kZhongWenUnits), kCodePageGbk, kZhongWenGbk},
      {Terminated(kZhongWenUnits), kCodePageUtf8, kZhongWenUtf8},
      {Bytes("\x01\x0E" "a\0", 4), kCodePageGbk, "?a"},           // not in GBK
      {Bytes("\x3D\xD8" "a\0", 4), kCodePageGbk, "?a"},           // lone high surrogate
      {Bytes("\x00\xDE" "a\0", 4), kCodePageGbk, "?a"},           // lone low surrogate
      {Bytes("\x3D\xD8" "a\0", 4), kCodePageUtf8, "\xEF\xBF\xBD" "a"},
      {Bytes("a\0\x3D\xD8", 4), kCodePageUtf8, "a\xEF\xBF\xBD"},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(Utf16ToMultiByte(cases[i].wide, cases[i].codePage), cases[i].expected) << i;
  }
  EXPECT_EQ(Utf16ToMultiByte(Terminated(kZhongWenUnits)),
            Utf16ToMultiByte(Terminated(kZhongWenUnits), AnsiCodePage()));
}

// Well past 64 KB, through every conversion, including ones whose output outgrows the
// input (GBK to UTF-8 takes half as many bytes again; URL encoding three times).
TEST(CodePages, LongTextsConvertWhole) {
  const size_t kRepeats = 20000;
  const Text gbk = Repeat(kZhongWenGbk, kRepeats);
  const Text utf8 = Repeat(kZhongWenUtf8, kRepeats);
  const Bytes units = Terminated(Repeat(kZhongWenUnits, kRepeats));
  ASSERT_GT(gbk.size(), 65536u);

  EXPECT_EQ(GbkToUtf8(gbk), utf8);
  EXPECT_EQ(Utf8ToGbk(utf8), gbk);
  EXPECT_EQ(MultiByteToUtf16(gbk, kCodePageGbk), units);
  EXPECT_EQ(MultiByteToUtf16(utf8), units);
  EXPECT_EQ(Utf16ToMultiByte(units, kCodePageGbk), gbk);
  EXPECT_EQ(Utf16ToMultiByte(units, kCodePageUtf8), utf8);

  const Text escaped = Repeat("%E4%B8%AD%E6%96%87", kRepeats);
  EXPECT_EQ(UrlEncode(gbk, true, true), escaped);
  EXPECT_EQ(UrlDecode(escaped, true), gbk);
  EXPECT_EQ(UrlDecode(utf8, true), gbk);

  const Text mixed = Repeat("a" + kZhongWenGbk + " <b>\r\n\xA1\xA1", 8000);
  EXPECT_EQ(Utf8ToGbk(GbkToUtf8(mixed)), mixed);
  EXPECT_EQ(UrlDecode(UrlEncode(mixed, true, true), true), mixed);
}

TEST(CodePages, ThreadsConvertIndependently) {
  const Text gbk = Repeat("x" + kZhongWenGbk, 500);
  const Text utf8 = Repeat("x" + kZhongWenUtf8, 500);
  std::vector<int> failures(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 50; ++i) {
        if (GbkToUtf8(gbk) != utf8 || Utf8ToGbk(utf8) != gbk) ++failures[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
