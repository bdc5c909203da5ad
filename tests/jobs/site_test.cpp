#include "jobs/site.h"

#include <gtest/gtest.h>

#include "text/codepage.h"

namespace {

// The job library's literals must come out as GBK bytes, whatever the source encoding.
TEST(SiteTest, NoResultsSentenceIsGbkWithTheClosingQuoteFirst) {
  EXPECT_EQ(NoResultsSentence("abc"),
            "\xc3\xbb\xd3\xd0\xd5\xd2\xb5\xbd\xa1\xb1"
            "abc"
            "\xa1\xb0\xb5\xc4\xcf\xe0\xb9\xd8\xbc\xc7\xc2\xbc\xa3\xac\xc4\xe3\xbf\xc9\xc4\xdc\xb8\xd0\xd0\xcb\xc8\xa4"
            "\xb5\xc4\xd7\xca\xd4\xb4");
  EXPECT_EQ(Text(kPageCountMarkers.left), "\xb5\xda\x31\x2f");
  EXPECT_EQ(Text(kPageCountMarkers.right), "\xd2\xb3");
}

TEST(SiteTest, UrlScheme) {
  EXPECT_EQ(ResultPageUrl("http://h", UrlEncode(Utf8ToGbk("中文"), true, true), 1),
            "http://h/search-all-%E4%B8%AD%E6%96%87-1/");
  EXPECT_EQ(ResultPageUrl("http://h", "", 12), "http://h/search-all--12/");
  EXPECT_EQ(DetailPageUrl("http://h", "AbCd1234"), "http://h/fileviewAbCd1234");
}

TEST(SiteTest, MarkersAreTheSitesBytes) {
  EXPECT_EQ(Text(kTitleMarkers.right), "</a>\r\n\t\t\t\t</div>");
  EXPECT_EQ(Text(kTitleMarkers.left).size(), 23u);
  EXPECT_EQ(Text(kSharerMarkers.left).size(), 19u);
  EXPECT_EQ(Text(kDateMarkers.left).size(), 18u);
}

}  // namespace
