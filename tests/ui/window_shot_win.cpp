// window_shot CAPTION OUT.png [SECONDS]: waits for a top-level window with that caption
// (UTF-8) and saves what the screen shows of it.
#include <windows.h>

#include <cstdio>
#include <string>

#include "support/window_capture_win.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: window_shot CAPTION OUT.png [SECONDS]\n");
    return 2;
  }
  wchar_t caption[512];
  if (!MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, caption, 512)) return 2;
  int seconds = argc > 3 ? std::atoi(argv[3]) : 30;
  for (int waited = 0; waited < seconds * 10; ++waited) {
    HWND window = FindWindowW(nullptr, caption);
    if (window && IsWindowVisible(window)) {
      Sleep(1000);  // let it finish painting
      if (SaveWindowPng(window, argv[2])) return 0;
      std::fprintf(stderr, "window_shot: could not capture the window\n");
      return 1;
    }
    Sleep(100);
  }
  std::fprintf(stderr, "window_shot: no window captioned %s\n", argv[1]);
  return 1;
}
