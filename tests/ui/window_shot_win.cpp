// window_shot CLASS OUT.png [SECONDS]: waits for a visible top-level window of that window
// class and saves what the screen shows of it. A class name, not a caption: command lines
// reach Wine programs in the ANSI code page, which need not hold the caption's characters.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "support/window_capture_win.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: window_shot CLASS OUT.png [SECONDS]\n");
    return 2;
  }
  int seconds = argc > 3 ? std::atoi(argv[3]) : 30;
  for (int waited = 0; waited < seconds * 10; ++waited) {
    HWND window = FindWindowA(argv[1], nullptr);
    if (window && IsWindowVisible(window)) {
      Sleep(1000);  // let it finish painting
      if (SaveWindowPng(window, argv[2])) return 0;
      std::fprintf(stderr, "window_shot: could not capture the window\n");
      return 1;
    }
    Sleep(100);
  }
  std::fprintf(stderr, "window_shot: no window of class %s\n", argv[1]);
  return 1;
}
