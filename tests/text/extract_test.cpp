#include "text/extract.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// GBK bytes used below.
const Text kZhong = "\xD6\xD0";          // 中
const Text kWen = "\xCE\xC4";            // 文
const Text kFullSpace = "\xA1\xA1";      // full-width space
const Text kQuoteWord = "#\xD2\xFD\xBA\xC5";  // "#引号"

// FindText written plainly from its definition: walk from the start, compare at each stop,
// step two bytes over a byte >= 0x80 (stopping when its partner would be the end).
int ReferenceFindText(const std::string& text, const std::string& sought, int startPos,
                      bool ignoreCase) {
  auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
  const long long n = static_cast<long long>(text.size());
  const long long m = static_cast<long long>(sought.size());
  long long offset = startPos < 1 ? 0 : startPos - 1;
  if (offset >= n) return -1;
  if (m == 0) return 1;
  while (n - offset >= m) {
    bool equal = true;
    for (long long k = 0; k < m && equal; ++k) {
      unsigned char a = static_cast<unsigned char>(text[offset + k]);
      unsigned char b = static_cast<unsigned char>(sought[k]);
      if (ignoreCase) {
        a = fold(a);
        b = fold(b);
      }
      equal = a == b;
    }
    if (equal) return static_cast<int>(offset + 1);
    if (static_cast<unsigned char>(text[offset]) >= 0x80) {
      if (offset + 1 >= n) break;
      offset += 2;
    } else {
      offset += 1;
    }
  }
  return -1;
}

// Deterministic generator, the same on every platform.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<uint32_t>(state_ >> 16);
  }
  size_t Below(size_t limit) { return Next() % limit; }

 private:
  uint64_t state_;
};

// Bytes chosen to stress the search: letters of both cases and their non-letter neighbours
// under "| 0x20" ('@' '`' '[' '{'), lead bytes, and bytes that are each other plus 0x20.
Text RandomGbkish(Random& random, size_t length) {
  static const unsigned char kAlphabet[] = {'a', 'A', 'b', 'B', 'z', 'Z', '@', '`', '[', '{', '<',
                                            '>', ' ', 0xA1, 0xB0, 0xC1, 0xE1, 0xD6, 0xD0, 0x81};
  Text text;
  for (size_t i = 0; i < length; ++i) {
    text.push_back(static_cast<char>(kAlphabet[random.Below(sizeof kAlphabet)]));
  }
  return text;
}

struct FindCase {
  const char* name;
  Text text;
  Text sought;
  int startPos;
  bool ignoreCase;
  int expected;
};

TEST(FindText, DefinedCases) {
  const std::vector<FindCase> cases = {
      {"empty sought with something to search", "abc", "", 2, false, 1},
      {"empty sought in empty text", "", "", 0, false, -1},
      {"empty sought past the end", "abc", "", 4, false, -1},
      {"start 0 searches from the first byte", "abc", "c", 0, false, 3},
      {"negative start searches from the first byte", "abc", "a", -5, false, 1},
      {"start past the end", "abc", "c", 4, false, -1},
      {"start on the match", "abcabc", "abc", 4, false, 4},
      {"start just after a match", "abcabc", "abc", 2, false, 4},
      {"sought longer than the rest", "abc", "bcd", 2, false, -1},
      {"never starts on a trail byte", kZhong + kWen, "\xD0\xCE", 0, false, -1},
      {"a start inside a character counts as a character start", kZhong + kWen, "\xD0\xCE", 2,
       false, 2},
      {"finds a whole double-byte character", kZhong + kWen, kWen, 0, false, 3},
      {"exact case by default", "ABC", "b", 0, false, -1},
      {"ignoreCase folds ASCII letters", "ABC", "b", 0, true, 2},
      {"ignoreCase folds the other way", "abc", "ABC", 0, true, 1},
      {"'@' is not the upper case of '`'", "`@", "@", 0, true, 2},
      {"'`' is not the lower case of '@'", "@", "`", 0, true, -1},
      {"'[' and '{' are not folded", "{[", "[", 0, true, 2},
      {"a non-letter inside sought is not folded", "a{b a[b", "A[B", 0, true, 5},
      {"a GBK pair does not match its +0x20 variant", "\xC1\xC1", "\xE1\xE1", 0, true, -1},
      {"high bytes are compared exactly", "\xE1\xE1\xC1\xC1", "\xC1\xC1", 0, true, 3},
      // Folding is byte by byte, so a trail byte in the letter range folds too.
      {"trail bytes in the letter range fold", "\xB0\x41", "\xB0\x61", 0, true, 1},
      {"a lone lead byte at the end is still compared", "a\xB0", "\xB0", 0, false, 2},
      {"the byte after an odd run of lead bytes is a trail", "\xB0\xB0\xB0<b>", "<b>", 0, false,
       -1},
      {"the byte after an even run of lead bytes starts a character", "\xB0\xB0<b>", "<b>", 0,
       false, 3},
  };
  for (const FindCase& c : cases) {
    EXPECT_EQ(FindText(c.text, c.sought, c.startPos, c.ignoreCase), c.expected) << c.name;
    EXPECT_EQ(ReferenceFindText(c.text, c.sought, c.startPos, c.ignoreCase), c.expected)
        << "reference: " << c.name;
  }
}

TEST(FindText, DefaultsMatchExactlyFromTheStart) {
  EXPECT_EQ(FindText("xAbab", "ab"), 4);
  EXPECT_EQ(FindText("xAbab", "ab", 0, true), 2);
}

// Matches at every offset of a buffer cover the vector blocks, the 8-byte words and the tail.
TEST(FindText, MatchesAtEveryOffsetAndAtTheEnd) {
  const std::vector<Text> needles = {"q", "Qz", "qzq", "Q{z}q!q", "qwertyuiopasdfghj"};
  for (const Text& needle : needles) {
    for (size_t length = needle.size(); length <= 72; ++length) {
      for (size_t at = 0; at + needle.size() <= length; ++at) {
        Text text(length, 'x');
        text.replace(at, needle.size(), needle);
        SCOPED_TRACE("needle " + needle + " length " + std::to_string(length) + " at " +
                     std::to_string(at));
        ASSERT_EQ(FindText(text, needle), static_cast<int>(at) + 1);
        Text upper = needle;
        for (char& ch : upper) {
          if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
        }
        ASSERT_EQ(FindText(text, upper, 0, true), static_cast<int>(at) + 1);
        ASSERT_EQ(FindText(text, needle, static_cast<int>(at) + 2), -1);
      }
    }
  }
}

// Candidates whose first and last bytes match but whose middle does not, in every lane.
TEST(FindText, RejectsNearMissesInEveryLane) {
  const Text needle = "<a href>";
  for (size_t at = 0; at < 40; ++at) {
    Text text(at, '.');
    text += "<a hrXf><a HREF>";
    text += Text(40, '.');
    EXPECT_EQ(FindText(text, needle), -1) << at;
    EXPECT_EQ(FindText(text, needle, 0, true), static_cast<int>(at) + 9) << at;
  }
}

// A marker behind a long run of double-byte characters, at even and odd distances from the
// last byte below 0x80, and a marker that only occurs across character boundaries.
TEST(FindText, LongDoubleByteRunsKeepCharacterBoundaries) {
  for (size_t chars = 0; chars < 600; chars += 37) {
    const Text run = [&] {
      Text r;
      for (size_t i = 0; i < chars; ++i) r += (i % 2 ? kZhong : kWen);
      return r;
    }();
    for (size_t pad = 0; pad < 20; ++pad) {
      const Text prefix = Text(pad, 'x') + run;
      EXPECT_EQ(FindText(prefix + "<B>", "<b>", 0, true), static_cast<int>(prefix.size()) + 1)
          << chars << " " << pad;
      // One more lead byte makes '<' the partner of that lead.
      EXPECT_EQ(FindText(prefix + "\xB0<b><b>", "<b>", 0, true),
                static_cast<int>(prefix.size()) + 5)
          << chars << " " << pad;
      // A start inside the run shifts which bytes are character starts.
      if (chars > 0) {
        EXPECT_EQ(FindText(prefix + "\xB0<b>", "<b>", static_cast<int>(pad) + 2),
                  static_cast<int>(prefix.size()) + 2)
            << chars << " " << pad;
      }
    }
  }
}

TEST(FindText, ManyCandidatesInsideCharacters) {
  // "\xA1\xB0" occurs at every odd offset, always across two characters.
  Text text;
  for (int i = 0; i < 5000; ++i) text += "\xB0\xA1";
  EXPECT_EQ(FindText(text, "\xA1\xB0"), -1);
  EXPECT_EQ(FindText(text, "\xA1\xB0", 2), 2);
  EXPECT_EQ(FindText(text + "x", "\xA1x"), -1);
  EXPECT_EQ(FindText(text + "\xA1x", "\xA1x"), static_cast<int>(text.size()) + 1);
}

TEST(FindText, AgreesWithTheReferenceOnGeneratedInputs) {
  Random random(20160501);
  for (int round = 0; round < 3000; ++round) {
    const size_t length = random.Below(round < 2000 ? 48 : 400);
    const Text text = RandomGbkish(random, length);
    Text sought;
    if (random.Below(3) != 0 && length > 0) {
      const size_t from = random.Below(length);
      sought = text.substr(from, 1 + random.Below(std::min<size_t>(length - from, 24)));
    } else {
      sought = RandomGbkish(random, random.Below(4));
    }
    for (int startPos = -1; startPos <= static_cast<int>(length) + 1; ++startPos) {
      for (const bool ignoreCase : {false, true}) {
        ASSERT_EQ(FindText(text, sought, startPos, ignoreCase),
                  ReferenceFindText(text, sought, startPos, ignoreCase))
            << "round " << round << " start " << startPos << " ignoreCase " << ignoreCase;
      }
      if (length > 64) startPos += static_cast<int>(random.Below(8));
    }
  }
}

TEST(ExtractBetween, QuotePlaceholderStandsForADoubleQuote) {
  EXPECT_EQ(ExtractBetween("a=\"1\" b=\"2\" c", "b=" + kQuoteWord, kQuoteWord), "2");
  // Every occurrence is replaced, and the source is never rewritten.
  EXPECT_EQ(ExtractBetween("<\"\"x\"\">", kQuoteWord + kQuoteWord, kQuoteWord + kQuoteWord), "x");
  EXPECT_EQ(ExtractBetween("[" + kQuoteWord + "]", "[", "]"), kQuoteWord);
  EXPECT_EQ(ExtractBetween("[" + kQuoteWord + "]", kQuoteWord, "]"), "");
}

TEST(ExtractBetween, Cases) {
  struct Case {
    const char* name;
    Text source, left, right;
    int startPos;
    bool ignoreCase;
    Text expected;
  };
  const std::vector<Case> cases = {
      {"first piece", "<b>x</b><b>y</b>", "<b>", "</b>", 0, false, "x"},
      {"left marker missing, right present", "x</b>", "<b>", "</b>", 0, false, ""},
      {"right marker missing after the left one", "</b><b>x", "<b>", "</b>", 0, false, ""},
      {"untrimmed", "[  x  ]", "[", "]", 0, false, "  x  "},
      {"markers side by side", "[]", "[", "]", 0, false, ""},
      {"right marker never overlaps the left one", "aba ba", "ab", "ba", 0, false, "a "},
      {"startPos skips earlier pieces", "<b>x</b><b>y</b>", "<b>", "</b>", 2, false, "y"},
      {"exact case by default", "<B>x</B>", "<b>", "</b>", 0, false, ""},
      {"ignoreCase", "<B>x</B>", "<b>", "</b>", 0, true, "x"},
      {"double-byte text between markers", "<b>" + kZhong + kWen + "</b>", "<b>", "</b>", 0,
       false, kZhong + kWen},
      {"markers inside a character are not seen", "\xB0[x]", "[", "]", 0, false, ""},
      {"empty right marker gives nothing", "[x]", "[", "", 0, false, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExtractBetween(c.source, c.left, c.right, c.startPos, c.ignoreCase), c.expected)
        << c.name;
  }
}

struct AllCase {
  const char* name;
  Text source, left, right;
  ExtractOptions options;
  std::vector<Text> expected;
};

ExtractOptions WithPrefix(Text prefix) {
  ExtractOptions o;
  o.prefix = std::move(prefix);
  return o;
}
ExtractOptions WithSuffix(Text suffix) {
  ExtractOptions o;
  o.suffix = std::move(suffix);
  return o;
}
ExtractOptions WithMaxLength(int maxLength) {
  ExtractOptions o;
  o.maxLength = maxLength;
  return o;
}
ExtractOptions Keeping(bool left, bool right, int maxLength = 0) {
  ExtractOptions o;
  o.keepLeftMarker = left;
  o.keepRightMarker = right;
  o.maxLength = maxLength;
  return o;
}
ExtractOptions CaseSensitive() {
  ExtractOptions o;
  o.caseSensitive = true;
  return o;
}
ExtractOptions StartingAt(int startPos) {
  ExtractOptions o;
  o.startPos = startPos;
  return o;
}

TEST(ExtractAllBetween, Cases) {
  const Text dateLeft = "div class=\"c_ft\">2";
  const std::vector<AllCase> cases = {
      {"date with prefix", dateLeft + "015-01-02</div>", dateLeft, "</div>", WithPrefix("2"),
       {"2015-01-02"}},
      {"empty piece gives no element, spaces trimmed", "<b> x </b><b></b><b>y</b>", "<b>",
       "</b>", {}, {"x", "y"}},
      {"right marker serves as the next left marker", "[a]b]c]", "]", "]", {}, {"b", "c"}},
      {"markers ignore case unless told otherwise", "<b>x</b>", "<B>", "</B>", {}, {"x"}},
      {"caseSensitive", "<b>x</b><B>y</B>", "<B>", "</B>", CaseSensitive(), {"y"}},
      {"maxLength is strict and the search goes on", "<i>ab</i><i>abc</i><i>cd</i>", "<i>",
       "</i>", WithMaxLength(3), {"ab", "cd"}},
      {"an empty piece leaves the cursor after the left marker", "]]a]", "]", "]", {}, {"a"}},
      {"a prefix makes an empty piece an item", "]]a]", "]", "]", WithPrefix("p"), {"p", "pa"}},
      {"a suffix makes an empty piece an item", "<b></b><b>y</b>", "<b>", "</b>",
       WithSuffix("!"), {"!", "y!"}},
      {"full-width spaces are trimmed too", "<b>" + kFullSpace + " x" + kFullSpace + "</b>", "<b>",
       "</b>", {}, {"x"}},
      {"tabs and line breaks stay", "<b>\tx\r\n</b>", "<b>", "</b>", {}, {"\tx\r\n"}},
      {"stops at a left marker without a right one", "<b>x</b><b>y", "<b>", "</b>", {}, {"x"}},
      {"the first right marker closes the piece", "<b>x<b>y</b>", "<b>", "</b>", {}, {"x<b>y"}},
      {"keep the left marker as given", "<i>ab</i>", "<I>", "</I>", Keeping(true, false),
       {"<I>ab"}},
      {"keep the right marker", "<i>ab</i>", "<i>", "</i>", Keeping(false, true), {"ab</i>"}},
      {"maxLength counts kept markers, at the limit", "<i>ab</i>", "<i>", "</i>",
       Keeping(true, true, 9), {}},
      {"maxLength counts kept markers, below the limit", "<i>ab</i>", "<i>", "</i>",
       Keeping(true, true, 10), {"<i>ab</i>"}},
      {"startPos", "<b>x</b><b>y</b>", "<b>", "</b>", StartingAt(3), {"y"}},
      {"nothing found", "no markers", "<b>", "</b>", {}, {}},
      {"markers inside characters are not seen", "\xB0<b>x</b><b>y</b>", "<b>", "</b>", {},
       {"y"}},
      {"double-byte pieces", "<b>" + kZhong + "</b><b>" + kWen + "</b>", "<b>", "</b>", {},
       {kZhong, kWen}},
  };
  for (const AllCase& c : cases) {
    TextArray results = {"stale", "elements"};
    const int count = ExtractAllBetween(c.source, c.left, c.right, results, c.options);
    EXPECT_EQ(results, c.expected) << c.name;
    EXPECT_EQ(count, static_cast<int>(results.size())) << c.name;
  }
}

TEST(ExtractAllBetween, EmptyMarkersEndAtOnce) {
  TextArray results = {"stale"};
  EXPECT_EQ(ExtractAllBetween("abc", "", "c", results), 0);
  EXPECT_TRUE(results.empty());
  results = {"stale"};
  EXPECT_EQ(ExtractAllBetween("abc", "a", "", results, WithPrefix("p")), 0);
  EXPECT_TRUE(results.empty());
}

TEST(ExtractAllBetween, LongPageInOrder) {
  Text page = "<html>";
  std::vector<Text> expected;
  for (int i = 0; i < 3000; ++i) {
    const Text title = kZhong + std::to_string(i) + kWen;
    page += "<div class=\"row\"><A HREF=\"/f/" + std::to_string(i) + "\" title=\"" + title +
            "\">" + title + "</a>\r\n\t\t</div>";
    expected.push_back(title);
  }
  ASSERT_GT(page.size(), 65536u);
  TextArray results;
  EXPECT_EQ(ExtractAllBetween(page, "\" title=\"", "\">", results), 3000);
  EXPECT_EQ(results, expected);
  EXPECT_EQ(ExtractAllBetween(page, "<a href=\"/f/", "\"", results, WithPrefix("#")), 3000);
  EXPECT_EQ(results.back(), "#2999");
}

// The extraction loop written plainly on top of FindText and TrimSpaces.
int ReferenceExtractAll(const Text& source, const Text& left, const Text& right,
                        TextArray& results, const ExtractOptions& o) {
  results.clear();
  if (left.empty() || right.empty()) return 0;
  const bool ignoreCase = !o.caseSensitive;
  const int leftLength = static_cast<int>(left.size());
  int c = o.startPos;
  for (;;) {
    const int e = FindText(source, left, c, ignoreCase);
    if (e == -1) break;
    const int f = FindText(source, right, e + leftLength, ignoreCase);
    if (f == -1) break;
    c = e + leftLength;
    Text item = o.prefix + TrimSpaces(source.substr(c - 1, f - c)) + o.suffix;
    if (!item.empty()) {
      if (o.keepLeftMarker) item = left + item;
      if (o.keepRightMarker) item += right;
      if (o.maxLength == 0 || static_cast<int>(item.size()) < o.maxLength) {
        results.push_back(item);
      }
      c = f;
    }
  }
  return static_cast<int>(results.size());
}

TEST(ExtractAllBetween, AgreesWithTheReferenceOnGeneratedInputs) {
  Random random(42);
  static const char* const kPieces[] = {" ", " ", "\xA1", "\xA1\xA1", "a", "B", "<", ">", "\xB0",
                                        "x"};
  static const char* const kMarkers[] = {" ",  "  ",   "\xA1\xA1", "\xA1", " \xA1\xA1", "<",
                                         ">",  "<a",   "A>",       "x",    "\xA1x",     " x",
                                         "\xB0<"};
  for (int round = 0; round < 20000; ++round) {
    Text source;
    const size_t pieces = random.Below(round < 15000 ? 16 : 120);
    for (size_t i = 0; i < pieces; ++i) source += kPieces[random.Below(10)];
    const Text left = kMarkers[random.Below(13)];
    const Text right = kMarkers[random.Below(13)];
    ExtractOptions options;
    options.caseSensitive = random.Below(2) == 0;
    options.startPos = static_cast<int>(random.Below(4));
    if (random.Below(4) == 0) options.prefix = "p";
    if (random.Below(4) == 0) options.suffix = " ";
    options.keepLeftMarker = random.Below(3) == 0;
    options.keepRightMarker = random.Below(3) == 0;
    if (random.Below(3) == 0) options.maxLength = static_cast<int>(random.Below(6));
    TextArray results;
    TextArray expected;
    const int count = ExtractAllBetween(source, left, right, results, options);
    ReferenceExtractAll(source, left, right, expected, options);
    ASSERT_EQ(results, expected) << "round " << round << " source [" << source << "] left ["
                                 << left << "] right [" << right << "]";
    ASSERT_EQ(count, static_cast<int>(expected.size()));
  }
}

// Left markers made of spaces over long runs of spaces: every piece is empty.
TEST(ExtractAllBetween, SpaceMarkersOverLongRunsOfSpaces) {
  TextArray results;
  EXPECT_EQ(ExtractAllBetween(Text(5000, ' ') + "x", " ", "x", results), 0);
  const Text fullWidth = [] {
    Text t;
    for (int i = 0; i < 2500; ++i) t += "\xA1\xA1";
    return t;
  }();
  EXPECT_EQ(ExtractAllBetween(fullWidth + "x", kFullSpace, "x", results), 0);
  EXPECT_EQ(ExtractAllBetween(fullWidth + " y x", kFullSpace, "x", results), 1);
  EXPECT_EQ(results, TextArray{"y"});
  EXPECT_EQ(ExtractAllBetween(Text(5000, ' ') + "y x", " ", "x", results), 1);
  EXPECT_EQ(results, TextArray{"y"});
}

// TrimSpaces written plainly: split into characters from the start (a byte >= 0x80 takes the
// next byte with it), then drop space characters at both ends.
Text ReferenceTrim(const Text& text) {
  std::vector<std::pair<size_t, size_t>> chars;
  for (size_t i = 0; i < text.size();) {
    const size_t width = static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size() ? 2 : 1;
    chars.emplace_back(i, width);
    i += width;
  }
  auto isSpace = [&](std::pair<size_t, size_t> c) {
    const Text ch = text.substr(c.first, c.second);
    return ch == " " || ch == "\xA1\xA1";
  };
  size_t first = 0;
  size_t last = chars.size();
  while (first < last && isSpace(chars[first])) ++first;
  while (last > first && isSpace(chars[last - 1])) --last;
  if (first == last) return Text();
  return text.substr(chars[first].first, chars[last - 1].first + chars[last - 1].second -
                                             chars[first].first);
}

TEST(TrimSpaces, Cases) {
  struct Case {
    Text text, expected;
  };
  const std::vector<Case> cases = {
      {"", ""},
      {"   ", ""},
      {" a b ", "a b"},
      {kFullSpace + "a" + kFullSpace, "a"},
      {kFullSpace + " " + kFullSpace + "a " + kFullSpace + " ", "a"},
      {"\ta\r\n", "\ta\r\n"},
      {kZhong + " ", kZhong},
      {kFullSpace, ""},
      // The last A1 has no partner: a lone byte, not a space.
      {"a" + kFullSpace + "\xA1", "a" + kFullSpace + "\xA1"},
      {kFullSpace + "\xA1", "\xA1"},
      // \xB0\xA1 is one character, so the A1 A1 that seems to end the text is not there.
      {"\xB0\xA1\xA1", "\xB0\xA1\xA1"},
      {"\xB0\xA1\xA1\xA1", "\xB0\xA1"},
      // A space right after a lead byte is that character's second byte.
      {"\xC4 ", "\xC4 "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TrimSpaces(c.text), c.expected) << c.text;
    EXPECT_EQ(ReferenceTrim(c.text), c.expected) << "reference: " << c.text;
  }
}

TEST(TrimSpaces, AgreesWithTheReferenceOnGeneratedInputs) {
  Random random(7);
  static const char* const kPieces[] = {" ", "\xA1", "\xA1\xA1", "a", "\xB0", "\t", "\xD6\xD0"};
  for (int round = 0; round < 20000; ++round) {
    Text text;
    const size_t pieces = random.Below(10);
    for (size_t i = 0; i < pieces; ++i) text += kPieces[random.Below(7)];
    ASSERT_EQ(TrimSpaces(text), ReferenceTrim(text)) << round;
  }
}

}  // namespace
