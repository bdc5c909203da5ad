#include "net/cookies.h"

#include <gtest/gtest.h>

#include <string>

#include "support/printable.h"

namespace {

struct PieceCase {
  Text piece;
  Text name;
  Text value;
};

TEST(CookiesTest, NameAndValueOfAPiece) {
  const PieceCase cases[] = {
      {"a=1", "a", "1"},
      {" a = 1 ", "a", " 1 "},  // the name is trimmed, the value is not
      {"\xA1\xA1nm\xA1\xA1=v", "nm", "v"},
      {"a=1=2", "a", "1=2"},
      {"a=", "a", ""},
      {"=v", "", "v"},
      {"Secure", "Secure", ""},
      {" x ", "x", ""},
      {"", "", ""},
      {"\xD6\xD0=\xCE\xC4", "\xD6\xD0", "\xCE\xC4"},
      // 81 3D is one character whose trail byte is '='; it is no separator.
      {"\x81==v", "\x81=", "v"},
      {"\x81=x", "\x81=x", ""},
      {"k=\x81=", "k", "\x81="},
  };
  for (const PieceCase& c : cases) {
    SCOPED_TRACE(Printable(c.piece));
    EXPECT_EQ(Printable(CookieName(c.piece)), Printable(c.name));
    EXPECT_EQ(Printable(CookieValue(c.piece)), Printable(c.value));
  }
}

struct MergeCase {
  const char* note;
  Text jar;
  Text newCookies;
  Text result;          // also what the caller's jar holds afterwards
  Text newCookiesAfter; // the caller's newCookies afterwards
};

TEST(CookiesTest, MergesIntoTheJarInPlace) {
  const MergeCase cases[] = {
      {"into an empty jar", "", "a=1; b=2", "a=1;b=2;", "a=1;b=2"},
      {"update one, add one", "a=1; b=2", "b=3; c=4", "a=1;b=3;c=4;", "b=3;c=4"},
      {"deleted drops the cookie", "a=1;b=2;", "a=deleted", "b=2;", "a=deleted"},
      {"no new cookies leaves the jar as it is, spaces aside", "a=1; b=2", "", "a=1;b=2", ""},
      {"piece without '=' adds nothing", "a=1", "x", "a=1;", "x"},
      {"empty piece in the jar disappears", "a=1;;b=2", "c=3", "a=1;b=2;c=3;", "c=3"},
      {"value keeps further '='", "", "a=1=2", "a=1=2;", "a=1=2"},
      {"names are case-sensitive", "A=1", "a=2", "A=1;a=2;", "a=2"},
      {"later new value wins", "", "a=1;a=2", "a=2;", "a=1;a=2"},
      {"empty new value empties the cookie", "a=5;b=6", "a=", "b=6;", "a="},
      {"space inside a value goes", "", "s=hello world", "s=helloworld;", "s=helloworld"},

      {"both empty", "", "", "", ""},
      {"deleted with spaces around", "a=1; b=2", "b=deleted", "a=1;", "b=deleted"},
      {"space inside a new value", "", "x=a b", "x=ab;", "x=ab"},
      {"full-width space goes like an ASCII one", "k=1\xA1\xA1;", "x=a\xA1\xA1 b", "k=1;x=ab;",
       "x=ab"},
      {"tab stays", "", "x=a\tb", "x=a\tb;", "x=a\tb"},
      {"only spaces count as no new cookies", "a=1; b=2", "  \xA1\xA1 ", "a=1;b=2", ""},
      {"A and a are two cookies", "A=9", "a=1", "A=9;a=1;", "a=1"},
      {"new cookies lose their spaces even when nothing changes", "a=1;", " a = 1 ", "a=1;",
       "a=1"},
      {"a lone ';' still rewrites the jar", "a=1;b=2", ";", "a=1;b=2;", ";"},
      {"only the first of two equal jar names takes the new value", "a=1;a=2", "a=3",
       "a=3;a=2;", "a=3"},
      {"jar order kept, new names behind it", "c=3;a=1", "b=2;a=9", "c=3;a=9;b=2;", "b=2;a=9"},
      {"pair appended earlier in the same merge is found again", "x=0", "a=1;b=2;a=3",
       "x=0;a=3;b=2;", "a=1;b=2;a=3"},
      {"attribute word in the jar vanishes", "a=1;Secure;Path=/", "b=2", "a=1;Path=/;b=2;",
       "b=2"},
      {"only lower-case deleted drops", "a=1", "a=Deleted", "a=Deleted;", "a=Deleted"},
      {"deleted as part of a value stays", "", "a=deleted1", "a=deleted1;", "a=deleted1"},
      {"deleted then set again in one merge", "a=1", "a=deleted;a=4", "a=4;", "a=deleted;a=4"},
      {"deleted in the jar is dropped by any merge", "a=deleted;b=1", "c=2", "b=1;c=2;", "c=2"},
      {"empty name is dropped", "", "=v", "", "=v"},

      // B0 A1 is one character; the A1 after it opens the next one, so neither A1 A1 below
      // is a full-width space.
      {"lead byte then A1 is not half a full-width space", "", "k=\xB0\xA1\xA1x",
       "k=\xB0\xA1\xA1x;", "k=\xB0\xA1\xA1x"},
      {"lone A1 at the end after a double-byte character", "j=\xB0\xA1\xA1", "k=1",
       "j=\xB0\xA1\xA1;k=1;", "k=1"},
      {"real full-width space after a double-byte character", "", "k=\xB0\xA1\xA1\xA1",
       "k=\xB0\xA1;", "k=\xB0\xA1"},
      // A byte from 0x80 up takes the byte after it along, even a space.
      {"space as a trail byte stays", "", "k=\x81 v", "k=\x81 v;", "k=\x81 v"},
      // Trail bytes equal to ';' or '=' belong to their character.
      {"trail byte ';' does not split", "", "k=\x81;;m=2", "k=\x81;;m=2;", "k=\x81;;m=2"},
      {"trail byte '=' is part of the name", "\x81==1", "\x81=2", "\x81==1;", "\x81=2"},
      {"name ending in trail byte '=' is matched whole", "\x81==1;b=2", "\x81==3",
       "\x81==3;b=2;", "\x81==3"},
  };

  for (const MergeCase& c : cases) {
    SCOPED_TRACE(std::string(c.note) + ": [" + Printable(c.jar) + "] + [" +
                 Printable(c.newCookies) + "]");
    Text jar = c.jar;
    Text newCookies = c.newCookies;
    const Text result = MergeCookies(jar, newCookies);
    EXPECT_EQ(Printable(result), Printable(c.result));
    EXPECT_EQ(Printable(jar), Printable(c.result));
    EXPECT_EQ(Printable(newCookies), Printable(c.newCookiesAfter));
  }
}

}  // namespace
