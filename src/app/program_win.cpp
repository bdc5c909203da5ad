#include "app/program_win.h"

#include <commctrl.h>

#include <cstdlib>

#include "app/shared_state.h"

int RunProgram(HINSTANCE instance, const MainWindowHandlers& handlers) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  InitSharedState();
  std::atexit(FreeSharedState);

  if (!CreateMainWindow(instance, handlers)) return 0;

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (MainWindowPreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  // Running jobs are not waited for: they end with the process.
  return 0;
}
