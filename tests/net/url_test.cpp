#include "net/url.h"

#include <gtest/gtest.h>

#include <string>

#include "support/printable.h"

namespace {

struct UrlCase {
  const char* note;
  Text url;
  Text host;          // UrlHost(url)
  Text hostWithPort;  // UrlHost(url, true)
  int port;
  Text path;
};

TEST(UrlTest, SplitsHostPortAndPath) {
  const UrlCase cases[] = {
      {"plain http with a path", "http://host.example/search-all-abc-1/", "host.example",
       "host.example", 80, "/search-all-abc-1/"},
      {"upper-case https with a port and no path", "HTTPS://Host.EXAMPLE:8443", "host.example",
       "host.example:8443", 8443, "/"},
      {"query keeps its case", "https://host.example/a?b=C", "host.example", "host.example", 443,
       "/a?b=C"},
      {"no scheme falls back to http", "host.example/Path", "host.example", "host.example", 80,
       "/Path"},
      {"explicit port", "http://host.example:8080/x", "host.example", "host.example:8080", 8080,
       "/x"},
      {"empty port is 0", "http://host.example:/x", "host.example", "host.example:", 0, "/x"},
      {"query straight after the host stays in the host", "http://h?q=1", "h?q=1", "h?q=1", 80,
       "/"},
      {"host spelt with scheme letters is not found inside the scheme", "http://h/p", "h", "h",
       80, "/p"},
      {"no trailing slash", "http://host.example", "host.example", "host.example", 80, "/"},
      {"trailing slash", "http://host.example/", "host.example", "host.example", 80, "/"},
      {"mixed-case scheme, path case kept", "HtTpS://X.Example/Z", "x.example", "x.example", 443,
       "/Z"},
      {"upper-case http with port and query", "HTTP://Host.Example:8080/Path?Q=A",
       "host.example", "host.example:8080", 8080, "/Path?Q=A"},
      {"no scheme with a port", "Host:81/a", "host", "host:81", 81, "/a"},
      {"https URL carrying an http URL in its query", "https://a.example/r?u=http://b.example/",
       "a.example", "a.example", 443, "/r?u=http://b.example/"},
      {"http URL carrying an https URL in its query", "http://a.example/x?https://b", "a.example",
       "a.example", 80, "/x?https://b"},
      // Without a leading https:// the first http:// anywhere in the text marks the host.
      {"scheme-less URL carrying an http URL", "go.example/?u=http://B.example/p", "b.example",
       "b.example", 80, "/p"},
      {"port is read after the last colon", "http://h:1:2/", "h", "h:1:2", 2, "/"},
      {"port stops at the first non-digit", "http://h:80x/", "h", "h:80x", 80, "/"},
      // Only the first five bytes pick the default port, whatever follows them.
      {"scheme-less host starting with https", "httpsfoo.example/x", "httpsfoo.example",
       "httpsfoo.example", 443, "/x"},
      {"empty URL", "", "", "", 80, "/"},
      {"double-byte path is kept", "http://h/\xD6\xD0\xCE\xC4", "h", "h", 80,
       "/\xD6\xD0\xCE\xC4"},

      // Double-byte characters: 81 41 is one character whose trail byte is 'A'; only ASCII
      // letters standing on their own are lower-cased.
      {"trail byte in A-Z is not lower-cased", "http://\x81\x41Z.cn/P", "\x81\x41z.cn",
       "\x81\x41z.cn", 80, "/P"},
      {"letter after a double-byte character is lower-cased", "http://\xD6\xD0X/Y",
       "\xD6\xD0x", "\xD6\xD0x", 80, "/Y"},
      // A trail byte equal to '/' or ':' is part of its character, not a separator.
      {"trail byte '/' does not end the host", "http://a\x81/b/c", "a\x81/b", "a\x81/b", 80,
       "/c"},
      {"trail byte '/' at the very end does not close the host", "http://a\x81/", "a\x81/",
       "a\x81/", 80, "/"},
      {"trail byte ':' does not start a port", "http://a\x81:b/x", "a\x81:b", "a\x81:b", 80,
       "/x"},
      {"trail byte ':' before a real port", "http://a\x81:b:8080/x", "a\x81:b",
       "a\x81:b:8080", 8080, "/x"},
      {"real port whose digits are followed by a trail byte ':'", "http://h:7\x81:/", "h",
       "h:7\x81:", 7, "/"},
  };

  for (const UrlCase& c : cases) {
    SCOPED_TRACE(std::string(c.note) + ": " + Printable(c.url));
    EXPECT_EQ(Printable(UrlHost(c.url)), Printable(c.host));
    EXPECT_EQ(Printable(UrlHost(c.url, true)), Printable(c.hostWithPort));
    EXPECT_EQ(UrlPort(c.url), c.port);
    EXPECT_EQ(Printable(UrlPath(c.url)), Printable(c.path));
  }
}

}  // namespace
