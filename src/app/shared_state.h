// The program-wide results that jobs pass to one another and to the link window.
// Only the job that holds the job turn (job_gate.h) touches them.
#pragma once

#include <cstdint>

#include "text/text.h"

class JobGate;

struct SharedState {
  Text g_pageCount;       // result pages of the last search, as decimal text
  Text g_searchHtml;      // first result page of the last search, in GBK
  Text g_loadPageHtml;    // result page being loaded
  TextArray g_titles;     // scraped from the page being loaded
  TextArray g_sharers;
  TextArray g_dates;
  Text g_pageHtml;        // result page searched for the selected entry
  int32_t g_prefixLength = 0;
  Text g_titlePrefix;
  Text g_entryId;
  Text g_entryIdTail;     // last 8 bytes of g_entryId: names the detail page
  Text g_detailHtml;
  Text g_shareLink;
  Text g_linkPageHtml;
  Text g_finalLink;       // what the link window shows
};

// Valid between InitSharedState and FreeSharedState.
SharedState& Shared();

// Called once, before anything else touches the shared state.
void InitSharedState();

// Exit clean-up. Never waits: if a job is running it leaves everything to the process's
// end, since the job may still use it. Otherwise it closes the job gate for good and frees.
void FreeSharedState();

// FreeSharedState over a given gate; true when it freed.
bool FreeSharedStateWhenIdle(JobGate& gate);
