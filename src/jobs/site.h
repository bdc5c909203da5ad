// The search site: its address, URL scheme, the markers its result pages are scraped by
// and the sentence of its no-results page. All Text here is GBK.
#pragma once

#include "text/text.h"

// Scheme and host, no trailing slash. Fixed at build time; only tests and the
// command-line front end pass another one to the jobs.
Text DefaultSiteBase();

// Result page `page` of a keyword already percent-encoded as UTF-8:
// base + "/search-all-" + encoded + "-" + page + "/".
Text ResultPageUrl(const Text& siteBase, const Text& encodedKeyword, int page);

// An entry's detail page: base + "/fileview" + the identifier's tail.
Text DetailPageUrl(const Text& siteBase, const Text& idTail);

// "没有找到”" + keyword + "“的相关记录，你可能感兴趣的资源": closing quote first.
Text NoResultsSentence(const Text& keyword);

struct Markers {
  const char* left;
  const char* right;
};

// An entry's title piece: the title attribute, the "\">" closing the tag and the link text.
extern const Markers kTitleMarkers;
extern const Markers kSharerMarkers;
// The left marker eats the date's leading "2"; kDatePrefix puts it back.
extern const Markers kDateMarkers;
extern const char kDatePrefix[];
// "第1/" N "页" on the first result page.
extern const Markers kPageCountMarkers;
