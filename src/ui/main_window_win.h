// The program's main window: search box, option check boxes, job buttons, status label
// and result list on the first page of a two-page tab control.
#pragma once

#include <windows.h>

#include "ui/view.h"

// Control identifiers, also what tests look controls up by.
enum MainWindowControl : int {
  kSiteTabsId = 1001,
  kPage2BoxId,
  kPage1BoxId,
  kSkipSharerCheckId,
  kSkipDateCheckId,
  kFetchLinkButtonId,
  kLoadAllButtonId,
  kSearchBoxId,
  kSearchButtonId,
  kStatusLabelId,
  kHelpBoxId,
  kResultListId,
};

// What the three buttons do; the window itself does no work.
struct MainWindowHandlers {
  void (*onSearch)() = nullptr;
  void (*onLoadAll)() = nullptr;
  void (*onFetchLink)() = nullptr;
};

// Creates and shows the main window on the calling thread, which becomes its UI thread
// and must run a message loop. nullptr on failure. One main window at a time.
HWND CreateMainWindow(HINSTANCE instance, const MainWindowHandlers& handlers);

// Feeds the main window's keyboard navigation; true when msg was handled.
bool MainWindowPreTranslate(MSG& msg);

// The view that jobs on worker threads use. Every call is carried out on the UI thread
// and returns when it is done; once the window is gone, calls do nothing and reads are empty.
View& MainWindowView();
