#include "net/request_common.h"

#include <gtest/gtest.h>

namespace {

const Text kUrl = "http://127.0.0.1:8360/search-all-abc-1/";
const Text kDefaults =
    "Accept: */*\r\nReferer: http://127.0.0.1:8360/search-all-abc-1/\r\nAccept-Language: zh-cn\r\n"
    "Content-Type: application/x-www-form-urlencoded";

TEST(RequestVerbTest, OutOfRangeMethodsAreGet) {
  const struct {
    int method;
    const char* verb;
  } cases[] = {{0, "GET"}, {1, "POST"}, {2, "HEAD"}, {3, "GET"}, {5, "GET"}, {-1, "GET"}};
  for (const auto& c : cases) EXPECT_STREQ(VerbName(c.method), c.verb) << c.method;
}

TEST(RequestHeadersTest, DefaultLinesAreAddedOnlyWhenTheirNameIsMissing) {
  const struct {
    Text given;
    Text cookies;
    Text sent;
  } cases[] = {
      {"", "", kDefaults},
      {"Accept: text/html", "",
       "Accept: text/html\r\nReferer: " + kUrl +
           "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded"},
      // The presence test looks anywhere: X-Accept: counts as Accept:.
      {"X-Accept: 1", "",
       "X-Accept: 1\r\nReferer: " + kUrl + "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded"},
      // ... and is case-sensitive: a lower-case accept: does not.
      {"accept: 1", "", "accept: 1\r\nAccept: */*\r\nReferer: " + kUrl +
                            "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded"},
      {"Referer: r\r\nAccept-Language: en\r\nContent-Type: text/plain", "",
       "Referer: r\r\nAccept-Language: en\r\nContent-Type: text/plain\r\nAccept: */*"},
      {"", "a=1; b=2", kDefaults + "\r\nCookie: a=1; b=2"},
      {"", "Cookie: a=1", kDefaults + "\r\nCookie: a=1"},
  };
  for (const auto& c : cases) {
    Text headers = c.given;
    AddWinInetDefaultHeaders(headers, kUrl, c.cookies);
    EXPECT_EQ(headers, c.sent) << c.given;
  }
}

TEST(RequestAgentTest, UserAgentComesFromTheHeadersOrTheDefault) {
  const struct {
    Text headers;
    Text agent;
  } cases[] = {
      {"", "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"},
      {"Accept: x", "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"},
      {"User-Agent: Tool/1.0", "Tool/1.0"},
      {"Accept: x\r\nUser-Agent:   Tool/2 \r\nReferer: r", "Tool/2"},
      {"User-Agent:\xa1\xa1Wide\xa1\xa1", "Wide"},
      // Another letter case is found, but not cut out: the text after the first colon serves.
      {"user-agent: X", "X"},
      {"Accept: a\r\nuser-agent: X", "a\r\nuser-agent: X"},
      // A blank value falls back the same way.
      {"User-Agent:  ", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(WinInetUserAgent(c.headers), c.agent) << c.headers;
}

TEST(RequestAgentTest, TextAfterColon) {
  EXPECT_EQ(TextAfterColon("no colon"), "");
  EXPECT_EQ(TextAfterColon("a: b: c "), "b: c");
  EXPECT_EQ(TextAfterColon(""), "");
}

TEST(RequestProxyTest, PlainHttpGetsThePrefix) {
  EXPECT_EQ(WinInetProxyText("http://h/", "127.0.0.1:3128"), "http=127.0.0.1:3128");
  EXPECT_EQ(WinInetProxyText("HTTPS://h/", "127.0.0.1:3128"), "127.0.0.1:3128");
  EXPECT_TRUE(IsSecureUrl("hTTps://x"));
  EXPECT_FALSE(IsSecureUrl("http://https://"));
}

TEST(ResponseCookiesTest, SetCookieLinesInAnyCaseGiveTheirPairs) {
  const struct {
    Text raw;
    Text cookies;
  } cases[] = {
      {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nset-cookie: b=2\r\n\r\n", "a=1; b=2"},
      {"HTTP/1.1 200 OK\r\nSET-COOKIE:  c=3 ;HttpOnly\r\nContent-Length: 0\r\n\r\n", "c=3"},
      {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", ""},
      {"", ""},
      // A value holding the header name twice loses both occurrences.
      {"HTTP/1.1 200 OK\r\nSet-Cookie: x=set-cookie:y\r\n", "x=y"},
  };
  for (const auto& c : cases) EXPECT_EQ(CollectResponseCookies(NormalizeSetCookie(c.raw)), c.cookies) << c.raw;
}

TEST(ResponseCookiesTest, NormalisationTouchesOnlyTheHeaderName) {
  EXPECT_EQ(NormalizeSetCookie("set-cookie: A=B\r\nSET-COOKIE2: x\r\nX-Set-cookie: y"),
            "Set-Cookie: A=B\r\nSet-Cookie2: x\r\nX-Set-Cookie: y");
}

}  // namespace
