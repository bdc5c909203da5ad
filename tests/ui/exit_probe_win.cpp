// Presses the search button with a job that never returns, waits until it runs, queues a
// second one behind it, then closes the main window. The process must end with code 0.
#include <windows.h>

#include <atomic>

#include "app/job_thread.h"
#include "app/program_win.h"

namespace {

std::atomic<bool> g_jobEntered{false};

void StuckJob() {
  g_jobEntered = true;
  MainWindowView().SetStatus("waiting");
  Sleep(INFINITE);  // stands for a request that never answers
}

DWORD WINAPI Driver(LPVOID) {
  HWND window = nullptr;
  while (!(window = FindWindowW(L"QuellmarshMainWindow", nullptr))) Sleep(10);
  // The button's notification goes to the main window: press it through there.
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(kSearchButtonId, BN_CLICKED), 0);
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(kSearchButtonId, BN_CLICKED), 0);
  while (!g_jobEntered) Sleep(10);
  Sleep(100);
  PostMessageW(window, WM_CLOSE, 0, 0);
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  MainWindowHandlers handlers;
  handlers.onSearch = [] { StartJobThread(StuckJob); };
  CloseHandle(CreateThread(nullptr, 0, Driver, nullptr, 0, nullptr));
  return RunProgram(instance, handlers);
}
