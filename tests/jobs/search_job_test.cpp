// The search job against the scripted server, seen through a recording view.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "app/shared_state.h"
#include "jobs/jobs.h"
#include "support/http_server.h"
#include "support/printable.h"
#include "support/recording_view.h"
#include "text/codepage.h"

namespace {

using namespace std::chrono_literals;

// Test literals are UTF-8; the view sees GBK.
Text G(const std::string& utf8) { return Utf8ToGbk(utf8); }

struct Entry {
  std::string title, sharer, date;  // UTF-8, as the site sends them
};

// One entry in the site's markup; an empty sharer or date leaves its block out.
std::string EntryHtml(const Entry& e, int n) {
  std::string html = "<div class=\"item\">\n<div class=\"title\"><a href=\"/fileviewId" + std::to_string(10000000 + n) +
                     "\" target=\"_blank\" title=\"" + e.title + "\">" + e.title + "</a>\r\n\t\t\t\t</div>\n";
  if (!e.sharer.empty()) {
    html += "<div class=\"sharer\">分享者：<a href=\"/u/7/\" target=\"_blank\">" + e.sharer + "</a></div>\n";
  }
  if (!e.date.empty()) html += "<div class=\"c_ft\">" + e.date + "</div>\n";
  return html + "</div>\n";
}

std::string ResultPage(const std::vector<Entry>& entries) {
  std::string html = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>搜索结果</title></head><body>\n";
  for (size_t i = 0; i < entries.size(); ++i) html += EntryHtml(entries[i], static_cast<int>(i));
  return html + "<div class=\"pager\">第1/1页</div></body></html>";
}

std::string NoResultsPage(const std::string& keyword) {
  return "<html><head><meta charset=\"utf-8\"></head><body><p>没有找到”" + keyword +
         "“的相关记录，你可能感兴趣的资源</p></body></html>";
}

// The calls a row makes: its index, then its three cells.
std::vector<std::string> RowCalls(int row, const Text& title, const Text& sharer, const Text& date) {
  std::string r = std::to_string(row);
  return {"read", "append " + r, "cell " + r + ",0 " + title, "cell " + r + ",1 " + sharer, "cell " + r + ",2 " + date};
}

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

class SearchJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitSharedState();
    ASSERT_TRUE(server_.Ok()) << server_.Error();
  }

  // Runs the job for keyword (UTF-8) against one scripted response.
  void Run(const std::string& keyword, const ScriptedResponse& response) {
    server_.Enqueue(response);
    view_.keyword = G(keyword);
    SearchJob(view_, server_.BaseUrl());
    ASSERT_TRUE(server_.WaitForRequests(1, 5s));
  }

  std::string RequestLine() const {
    std::string raw = server_.Requests().at(0);
    return raw.substr(0, raw.find("\r\n"));
  }

  const std::vector<std::string> kStart = {"show", "status " + G("正在搜索中"), "read", "read"};
  const std::string kDone = "status " + G("搜索完成");

  ScriptedServer server_;
  RecordingView view_;
};

TEST_F(SearchJobTest, FillsOneRowPerEntryWithTheKeyword) {
  const std::vector<Entry> entries = {{"Python 教程 第一部", "小明", "2016-05-01"},
                                      {"Linux 教程", "bob", "2015-01-02"},
                                      {"教程合集", "李四", "2020-12-31"}};
  Run("教程", Reply(200, ResultPage(entries)));
  // A title piece holds the attribute, the closing "\">" and the link text.
  auto piece = [](const Entry& e) { return G(e.title + "\">" + e.title); };
  EXPECT_EQ(view_.calls, Join({kStart,
                               {"clear"},
                               RowCalls(0, piece(entries[0]), G("小明"), "2016-05-01"),
                               RowCalls(1, piece(entries[1]), "bob", "2015-01-02"),
                               RowCalls(2, piece(entries[2]), G("李四"), "2020-12-31"),
                               {kDone}}));
  EXPECT_EQ(RequestLine(), "GET /search-all-%E6%95%99%E7%A8%8B-1/ HTTP/1.1");
  EXPECT_EQ(Shared().g_searchHtml, G(ResultPage(entries)));
}

TEST_F(SearchJobTest, OnlyTitlesHoldingTheKeywordMakeRows) {
  const std::vector<Entry> entries = {{"first", "s1", "2011-11-11"},
                                      {"the abc one", "s2", "2012-12-12"},
                                      {"ABC upper", "s3", "2013-03-03"}};
  Run("abc", Reply(200, ResultPage(entries)));
  // Markers match in any case, the keyword filter does not: "ABC upper" gets no row.
  EXPECT_EQ(view_.calls, Join({kStart,
                               {"clear", "read"},
                               RowCalls(0, "the abc one\">the abc one", "s2", "2012-12-12"),
                               {"read", kDone}}));
}

TEST_F(SearchJobTest, NoResultsPageKeepsTheRows) {
  view_.rows = {{"old", "row", "2000-01-01"}};
  Run("不存在", Reply(200, NoResultsPage("不存在")));
  EXPECT_EQ(view_.calls, Join({kStart, {"message " + G("对不起，没有分享"), "status " + G("搜素完成")}}));
  ASSERT_EQ(view_.rows.size(), 1u);
  EXPECT_EQ(view_.rows[0][0], "old");
  EXPECT_EQ(Shared().g_searchHtml, G(NoResultsPage("不存在")));
}

TEST_F(SearchJobTest, EmptyResponseClearsTheList) {
  view_.rows = {{"old", "row", "2000-01-01"}};
  Run("x", Reply(200, ""));
  EXPECT_EQ(view_.calls, Join({kStart, {"clear", kDone}}));
  EXPECT_TRUE(view_.rows.empty());
  EXPECT_EQ(Shared().g_searchHtml, "");
}

TEST_F(SearchJobTest, EmptyKeywordLetsEveryTitleThrough) {
  const std::vector<Entry> entries = {{"a", "s", "2001-01-01"}, {"中文", "t", "2002-02-02"}};
  Run("", Reply(200, ResultPage(entries)));
  EXPECT_EQ(RequestLine(), "GET /search-all--1/ HTTP/1.1");
  ASSERT_EQ(view_.rows.size(), 2u);
  EXPECT_EQ(view_.rows[1][0], G("中文\">中文"));
}

TEST_F(SearchJobTest, PercentEscapesInThePageAreDecodedBeforeConversion) {
  // %E4%B8%AD is 中 in UTF-8; %41 is A.
  Run("中", Reply(200, ResultPage({{"%E4%B8%AD%41", "s", "2003-03-03"}})));
  ASSERT_EQ(view_.rows.size(), 1u);
  EXPECT_EQ(view_.rows[0][0], G("中A\">中A"));
}

TEST_F(SearchJobTest, MissingSharerOrDateLeavesTheCellEmpty) {
  Run("t", Reply(200, ResultPage({{"t1", "", "2004-04-04"}, {"t2", "s2", ""}, {"t3", "s3", "2005-05-05"}})));
  // Sharers and dates are paired with titles by position, as the page gives them.
  ASSERT_EQ(view_.rows.size(), 3u);
  EXPECT_EQ(view_.rows[0], (std::vector<Text>{"t1\">t1", "s2", "2004-04-04"}));
  EXPECT_EQ(view_.rows[1], (std::vector<Text>{"t2\">t2", "s3", "2005-05-05"}));
  EXPECT_EQ(view_.rows[2], (std::vector<Text>{"t3\">t3", "", ""}));
  EXPECT_EQ(view_.calls.back(), kDone);
}

TEST_F(SearchJobTest, KeywordIsReadAfreshAtEveryUse) {
  server_.Enqueue(Reply(200, ResultPage({{"one", "s", "2006-06-06"}, {"two", "s", "2007-07-07"}})));
  // URL, sentence, then one read per title: an edit made meanwhile changes the filter.
  view_.keywords = {"o", "o", "one", "xx"};
  SearchJob(view_, server_.BaseUrl());
  ASSERT_EQ(view_.rows.size(), 1u);
  EXPECT_EQ(view_.rows[0][0], "one\">one");
  EXPECT_EQ(std::count(view_.calls.begin(), view_.calls.end(), "read"), 4);
}

TEST(SearchJobUnreachableTest, FailedRequestEndsWithAnEmptyList) {
  InitSharedState();
  int port;
  {
    ScriptedServer gone;
    port = gone.Port();
  }
  RecordingView view;
  view.keyword = "k";
  view.rows = {{"old", "", ""}};
  SearchJob(view, "http://127.0.0.1:" + std::to_string(port));
  EXPECT_TRUE(view.rows.empty());
  EXPECT_EQ(view.calls.back(), "status " + G("搜索完成"));
}

}  // namespace
