// The three jobs behind the main window's buttons. Each runs on a worker thread of
// its own and talks to the window only through the view.
#pragma once

#include "text/text.h"
#include "ui/view.h"

void SearchJob(View& view, const Text& siteBase);
void LoadAllJob(View& view, const Text& siteBase);
void FetchLinkJob(View& view, const Text& siteBase);
