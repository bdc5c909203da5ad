// Throughput of the text utilities on a result page like the search site's, with glibc's
// memmem and a direct iconv conversion over the same bytes as yardsticks.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstring>
#include <string>
#include <vector>

#include "text/codepage.h"
#include "text/extract.h"

namespace {

constexpr int kEntries = 30;

const char* const kWords[] = {"高清", "三体", "全集", "第一部", "电影", "纪录片", "中文字幕",
                              "教程", "合集", "音乐", "百度云", "分享", "资料", "完整版",
                              "英语", "考研", "数学", "小说", "动画", "蓝光"};
const char* const kSharers[] = {"云盘小助手", "lucky_star", "书香门第", "阿飞", "Movie2016",
                                "学习使我快乐"};

struct Page {
  std::string utf8;
  std::string gbk;
};

std::string Title(int i) {
  std::string title = "【";
  title += kWords[i % 20];
  title += "】";
  for (int k = 0; k < 3 + i % 4; ++k) title += kWords[(i * 7 + k * 3) % 20];
  title += " ";
  title += std::to_string(2010 + i % 7);
  title += i % 2 ? ".mp4" : ".rar";
  return title;
}

std::string Entry(int i) {
  const std::string title = Title(i);
  char id[16];
  std::snprintf(id, sizeof id, "%c%c%c%c%04d", 'A' + i % 26, 'b' + i % 20, 'C' + i % 17,
                'd' + i % 13, 1000 + i * 37);
  return "<div class=\"row\"><div class=\"x\"><a href=\"/fileview/" + std::string(id) +
         "\" target=\"_blank\" title=\"" + title + "\">" + title +
         "</a>\r\n\t\t\t\t</div><div class=\"sharer\"><a href=\"/u/" + std::to_string(100 + i * 13) +
         "/\" target=\"_blank\">" + kSharers[i % 6] +
         "</a></div><div class=\"c_ft\">2016-05-" + (i % 28 < 9 ? "0" : "") +
         std::to_string(i % 28 + 1) + "</div></div>\n";
}

// About 60 KB: head with styles (percent signs included), navigation, the entries between
// advertising blocks, pagination, and scripts.
Page BuildPage() {
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>三体 - 百度云搜 - 百度网盘资源搜索</title>\n"
      "<meta name=\"keywords\" content=\"三体,百度云,网盘搜索,资源分享\">\n<style>\n";
  for (int i = 0; i < 160; ++i) {
    html += ".c" + std::to_string(i) + " .row, .nav-" + std::to_string(i) +
            " a:hover { width: " + std::to_string(10 + i % 90) +
            "%; margin: 0 auto; padding: 4px 8px; color: #3" + std::to_string(i % 10) +
            "a; font: 12px/1.5 \"Microsoft YaHei\", sans-serif; }\n";
  }
  html += "</style>\n</head>\n<body>\n<div id=\"top\"><ul class=\"nav\">\n";
  const char* const kMenu[] = {"首页", "电影", "电视剧", "动漫", "音乐", "软件", "文档", "教程"};
  for (int i = 0; i < 48; ++i) {
    html += "<li><a href=\"/cat/" + std::to_string(i) + "/\" class=\"menu\">" +
            std::string(kMenu[i % 8]) + "</a></li>\n";
  }
  html += "</ul></div>\n<div class=\"search\"><form action=\"/search\" method=\"get\">"
          "<input type=\"text\" name=\"q\" value=\"三体\"><button>搜索</button></form></div>\n"
          "<div class=\"tip\">找到约 1,208 条结果，第 1 页</div>\n<div id=\"list\">\n";
  for (int i = 0; i < kEntries; ++i) {
    html += Entry(i);
    if (i % 6 == 5) {
      html += "<div class=\"ad\" style=\"width:100%;height:90px\"><script>(adsbygoogle = "
              "window.adsbygoogle || []).push({});</script><ins class=\"adsbygoogle\" "
              "data-ad-client=\"ca-pub-0000000000\" data-ad-slot=\"" +
              std::to_string(1000000 + i) + "\"></ins></div>\n";
    }
  }
  html += "</div>\n<div class=\"pages\">";
  for (int p = 1; p <= 40; ++p) {
    html += "<a href=\"/search-all-%E4%B8%89%E4%BD%93-" + std::to_string(p) + "/\">" +
            std::to_string(p) + "</a>";
  }
  html += "<span>共 41 页</span></div>\n<script>\n";
  while (html.size() < 59 * 1024) {
    const std::string n = std::to_string(html.size() % 997);
    html += "function track" + n + "(e){var t=document.getElementById('list'),r=t.getElements"
            "ByTagName('a');for(var i=0;i<r.length;i++){if(r[i].href.indexOf('/fileview/')>=0)"
            "{r[i].onclick=function(){_hmt.push(['_trackEvent','file','click',this.title]);}}}"
            "return r.length;}\n";
  }
  html += "</script>\n<div class=\"footer\">Copyright 2016 百度云搜 本站不存储任何资源</div>\n"
          "</body>\n</html>\n";
  return {html, Utf8ToGbk(html)};
}

const Page& ThePage() {
  static const Page page = BuildPage();
  return page;
}

struct Markers {
  const char* left;
  const char* right;
  const char* prefix;
};
constexpr Markers kTitle = {"target=\"_blank\" title=\"", "</a>\r\n\t\t\t\t</div>", ""};
constexpr Markers kSharer = {"/\" target=\"_blank\">", "</a></div>", ""};
constexpr Markers kDate = {"div class=\"c_ft\">2", "</div>", "2"};

void Scrape(benchmark::State& state, const Markers& markers) {
  const Text& page = ThePage().gbk;
  ExtractOptions options;
  options.prefix = markers.prefix;
  TextArray results;
  for (auto _ : state) {
    ExtractAllBetween(page, markers.left, markers.right, results, options);
    benchmark::DoNotOptimize(results.data());
  }
  if (results.size() != kEntries) {
    state.SkipWithError(("found " + std::to_string(results.size()) + " entries").c_str());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
}

// The same search loop with glibc's memmem (exact case, no character boundaries): left
// marker, then right marker after it, continuing from the right marker.
void MemmemScrape(benchmark::State& state, const Markers& markers) {
  const std::string& page = ThePage().gbk;
  const size_t leftLength = std::strlen(markers.left);
  const size_t rightLength = std::strlen(markers.right);
  int found = 0;
  for (auto _ : state) {
    found = 0;
    const char* cursor = page.data();
    const char* const end = page.data() + page.size();
    for (;;) {
      const void* e = memmem(cursor, end - cursor, markers.left, leftLength);
      if (e == nullptr) break;
      const char* afterLeft = static_cast<const char*>(e) + leftLength;
      const void* f = memmem(afterLeft, end - afterLeft, markers.right, rightLength);
      if (f == nullptr) break;
      ++found;
      cursor = static_cast<const char*>(f);
    }
    benchmark::DoNotOptimize(found);
  }
  if (found != kEntries) state.SkipWithError("memmem found the wrong number of entries");
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
}

void BM_ScrapeTitles(benchmark::State& state) { Scrape(state, kTitle); }
void BM_ScrapeSharers(benchmark::State& state) { Scrape(state, kSharer); }
void BM_ScrapeDates(benchmark::State& state) { Scrape(state, kDate); }
void BM_MemmemTitles(benchmark::State& state) { MemmemScrape(state, kTitle); }
void BM_MemmemSharers(benchmark::State& state) { MemmemScrape(state, kSharer); }
void BM_MemmemDates(benchmark::State& state) { MemmemScrape(state, kDate); }

// A whole-page scan that finds nothing: the search loop alone.
void BM_FindTextAbsentIgnoreCase(benchmark::State& state) {
  const Text& page = ThePage().gbk;
  for (auto _ : state) benchmark::DoNotOptimize(FindText(page, "class=\"absent\">", 0, true));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
}
void BM_MemmemAbsent(benchmark::State& state) {
  const std::string& page = ThePage().gbk;
  for (auto _ : state) {
    benchmark::DoNotOptimize(memmem(page.data(), page.size(), "class=\"absent\">", 15));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
}

// Mostly double-byte text, where candidates for the marker's first and last bytes are common
// and character boundaries have to be checked.
const Text& ChineseText() {
  static const Text text = [] {
    std::string utf8;
    for (int i = 0; utf8.size() < 60 * 1024; ++i) {
      utf8 += kWords[i % 20];
      utf8 += kWords[(i * 7) % 20];
      utf8 += i % 5 == 4 ? "。\n" : "，";
    }
    return Utf8ToGbk(utf8);
  }();
  return text;
}
const Text& ChineseMarker() {
  static const Text marker = Utf8ToGbk("资源不存在");
  return marker;
}

void BM_FindTextChineseAbsent(benchmark::State& state) {
  const Text& text = ChineseText();
  for (auto _ : state) benchmark::DoNotOptimize(FindText(text, ChineseMarker(), 0, true));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
void BM_MemmemChineseAbsent(benchmark::State& state) {
  const Text& text = ChineseText();
  const Text& marker = ChineseMarker();
  for (auto _ : state) {
    benchmark::DoNotOptimize(memmem(text.data(), text.size(), marker.data(), marker.size()));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void BM_UrlDecodeUtf8Page(benchmark::State& state) {
  const std::string& page = ThePage().utf8;
  Text decoded;
  for (auto _ : state) {
    decoded = UrlDecode(page, true);
    benchmark::DoNotOptimize(decoded.data());
  }
  if (decoded.find(Title(0).substr(0, 3)) != Text::npos || decoded.size() < page.size() / 2) {
    state.SkipWithError("the page did not come out as GBK");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
}

void BM_UrlEncodeKeyword(benchmark::State& state) {
  const Text keyword = Utf8ToGbk("三体 第一部");
  Text encoded;
  for (auto _ : state) {
    encoded = UrlEncode(keyword, true, true);
    benchmark::DoNotOptimize(encoded.data());
  }
  if (encoded != "%E4%B8%89%E4%BD%93%20%E7%AC%AC%E4%B8%80%E9%83%A8") {
    state.SkipWithError("wrong encoding");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(keyword.size()));
}

// The conversion of the same page in one iconv call, without the ASCII shortcut.
void BM_IconvUtf8ToCp936(benchmark::State& state) {
  const std::string& page = ThePage().utf8;
  iconv_t cd = iconv_open("CP936", "UTF-8");
  std::string out(page.size(), '\0');
  for (auto _ : state) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(page.data());
    size_t inLeft = page.size();
    char* to = out.data();
    size_t outLeft = out.size();
    if (iconv(cd, &in, &inLeft, &to, &outLeft) == static_cast<size_t>(-1)) {
      state.SkipWithError("iconv failed");
      break;
    }
    benchmark::DoNotOptimize(out.data());
  }
  iconv_close(cd);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
}

BENCHMARK(BM_ScrapeTitles);
BENCHMARK(BM_MemmemTitles);
BENCHMARK(BM_ScrapeSharers);
BENCHMARK(BM_MemmemSharers);
BENCHMARK(BM_ScrapeDates);
BENCHMARK(BM_MemmemDates);
BENCHMARK(BM_FindTextAbsentIgnoreCase);
BENCHMARK(BM_MemmemAbsent);
BENCHMARK(BM_FindTextChineseAbsent);
BENCHMARK(BM_MemmemChineseAbsent);
BENCHMARK(BM_UrlDecodeUtf8Page);
BENCHMARK(BM_IconvUtf8ToCp936);
BENCHMARK(BM_UrlEncodeKeyword);

}  // namespace

int main(int argc, char** argv) {
  const Page& page = ThePage();
  std::printf("result page: %zu bytes UTF-8, %zu bytes GBK, %d entries\n", page.utf8.size(),
              page.gbk.size(), kEntries);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
