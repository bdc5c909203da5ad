// window_shot CLASS OUT.png [SECONDS] [KEYWORD]: waits for a visible top-level window of
// that window class and saves what the screen shows of it. With a keyword (ASCII: command
// lines reach Wine programs in the ANSI code page), it first searches for it in the main
// window and waits for the search to finish.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/window_capture_win.h"
#include "support/window_find_win.h"
#include "ui/main_window_win.h"

namespace {

bool SearchAndWait(HWND window, const char* keyword, int seconds) {
  SetWindowTextA(FindControl(window, kSearchBoxId), keyword);
  PostMessageW(FindControl(window, kSearchButtonId), BM_CLICK, 0, 0);
  for (int waited = 0; waited < seconds * 10; ++waited) {
    std::wstring status = WindowText(FindControl(window, kStatusLabelId));
    if (status == L"搜索完成" || status == L"搜素完成") return true;
    Sleep(100);
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: window_shot CLASS OUT.png [SECONDS] [KEYWORD]\n");
    return 2;
  }
  int seconds = argc > 3 ? std::atoi(argv[3]) : 30;
  for (int waited = 0; waited < seconds * 10; ++waited) {
    HWND window = FindWindowA(argv[1], nullptr);
    if (window && IsWindowVisible(window)) {
      Sleep(1000);  // let it finish painting
      if (argc > 4 && !SearchAndWait(window, argv[4], seconds)) {
        std::fprintf(stderr, "window_shot: the search for %s did not finish\n", argv[4]);
      }
      Sleep(300);
      if (SaveWindowPng(window, argv[2])) return 0;
      std::fprintf(stderr, "window_shot: could not capture the window\n");
      return 1;
    }
    Sleep(100);
  }
  std::fprintf(stderr, "window_shot: no window of class %s\n", argv[1]);
  return 1;
}
