// The search job: the first result page of the keyword into the list.
#include "app/shared_state.h"
#include "jobs/jobs.h"
#include "jobs/site.h"
#include "net/wininet_request.h"
#include "text/codepage.h"
#include "text/extract.h"

namespace {

// The i-th element, or the empty Text when the page gave fewer sharers or dates than titles.
const Text& ElementOr(const TextArray& array, size_t i) {
  static const Text kEmpty;
  return i < array.size() ? array[i] : kEmpty;
}

}  // namespace

void SearchJob(View& view, const Text& siteBase) {
  view.ShowStatus();
  view.SetStatus("正在搜索中");

  const Text url = ResultPageUrl(siteBase, UrlEncode(view.ReadSearchBox(), true, true), 1);
  WinInetRequest request;
  request.cookies = Text();  // a jar of our own, dropped afterwards: no platform cookies
  const Text page = UrlDecode(BytesToText(HttpRequestWinInet(url, request)), true);
  Shared().g_searchHtml = page;

  if (FindText(page, NoResultsSentence(view.ReadSearchBox())) != -1) {
    view.ShowMessage("对不起，没有分享");
    view.SetStatus("搜素完成");  // its own text, not the one below
    return;
  }

  TextArray titles, sharers, dates;
  ExtractAllBetween(page, kTitleMarkers.left, kTitleMarkers.right, titles);
  ExtractAllBetween(page, kSharerMarkers.left, kSharerMarkers.right, sharers);
  ExtractOptions dateOptions;
  dateOptions.prefix = kDatePrefix;
  ExtractAllBetween(page, kDateMarkers.left, kDateMarkers.right, dates, dateOptions);

  view.ClearRows();
  for (size_t i = 0; i < titles.size(); ++i) {
    // The keyword is read afresh for every title: an edit made meanwhile counts.
    if (FindText(titles[i], view.ReadSearchBox()) == -1) continue;
    const int row = view.AppendRow();
    view.SetCell(row, 0, titles[i]);
    view.SetCell(row, 1, ElementOr(sharers, i));
    view.SetCell(row, 2, ElementOr(dates, i));
  }
  view.SetStatus("搜索完成");
}
