// Narrow literals in this library are compiled to GBK (-fexec-charset), like every Text.
#include "jobs/site.h"

const Markers kTitleMarkers = {"target=\"_blank\" title=\"", "</a>\r\n\t\t\t\t</div>"};
const Markers kSharerMarkers = {"/\" target=\"_blank\">", "</a></div>"};
const Markers kDateMarkers = {"div class=\"c_ft\">2", "</div>"};
const char kDatePrefix[] = "2";
const Markers kPageCountMarkers = {"第1/", "页"};

Text ResultPageUrl(const Text& siteBase, const Text& encodedKeyword, int page) {
  return siteBase + "/search-all-" + encodedKeyword + "-" + IntegerToText(page) + "/";
}

Text DetailPageUrl(const Text& siteBase, const Text& idTail) { return siteBase + "/fileview" + idTail; }

Text NoResultsSentence(const Text& keyword) {
  return "没有找到”" + keyword + "“的相关记录，你可能感兴趣的资源";
}
