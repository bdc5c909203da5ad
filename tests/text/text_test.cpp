#include "text/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

TEST(BytesToText, StopsAtTheFirstZeroByte) {
  struct Case {
    Bytes bytes;
    Text expected;
  };
  const std::vector<Case> cases = {
      {Bytes(), Text()},
      {Bytes("abc"), Text("abc")},
      {Bytes("ab\0cd", 5), Text("ab")},
      {Bytes("\0abc", 4), Text()},
      {Bytes("\xD6\xD0\0\0", 4), Text("\xD6\xD0")},
  };
  for (const Case& c : cases) EXPECT_EQ(BytesToText(c.bytes), c.expected);
}

TEST(TextToInteger, Cases) {
  struct Case {
    Text text;
    int expected;
  };
  const std::vector<Case> cases = {
      {"", 0},
      {"abc", 0},
      {"42", 42},
      {"007", 7},
      {"12abc", 12},
      {"12 34", 12},
      {"3.9", 3},
      {"0x10", 0},
      {"  42", 42},
      {"\t\r\n\v\f 7", 7},
      {"\xA1\xA1 \xA1\xA1" "12", 12},  // full-width spaces
      {"-12", -12},
      {"+12", 12},
      {"\xA3\xAD" "12", -12},           // full-width minus
      {"\xA3\xAB" "5", 5},              // full-width plus
      {"\xA3\xB1\xA3\xB2", 12},         // full-width digits
      {"1\xA3\xB2" "3", 123},           // mixed widths
      {"\xA3\xB9\xA3\xB0", 90},
      {"\xA3\xAF" "1", 0},              // the byte pair just before full-width 0
      {"1\xA3\xBA", 1},                 // and just after full-width 9
      {"5\xA3", 5},                     // a lone lead byte ends the digits
      {"- 12", 0},
      {"--1", 0},
      {"-", 0},
      {"x 12", 0},
      {"2147483647", INT_MAX},
      {"2147483648", INT_MAX},
      {"99999999999999999999999", INT_MAX},
      {"-2147483648", INT_MIN},
      {"-2147483649", INT_MIN},
      {"-99999999999999999999999", INT_MIN},
      {"000000000000000000000000012", 12},
  };
  for (const Case& c : cases) EXPECT_EQ(TextToInteger(c.text), c.expected) << c.text;
}

TEST(IntegerToText, DecimalWithoutLeadingZeros) {
  EXPECT_EQ(IntegerToText(0), "0");
  EXPECT_EQ(IntegerToText(7), "7");
  EXPECT_EQ(IntegerToText(-45), "-45");
  EXPECT_EQ(IntegerToText(1234567890123LL), "1234567890123");
  EXPECT_EQ(IntegerToText(LLONG_MIN), "-9223372036854775808");
  for (const int v : {0, 1, -1, 99, INT_MAX, INT_MIN}) EXPECT_EQ(TextToInteger(IntegerToText(v)), v);
}

}  // namespace
