#include "support/window_find_win.h"

namespace {

struct ControlSearch {
  int id;
  HWND found;
};

BOOL CALLBACK MatchId(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<ControlSearch*>(param);
  if (GetDlgCtrlID(child) != search->id) return TRUE;
  search->found = child;
  return FALSE;
}

}  // namespace

HWND FindControl(HWND root, int id) {
  ControlSearch search{id, nullptr};
  EnumChildWindows(root, MatchId, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring WindowText(HWND window) {
  wchar_t buffer[1024] = {};
  GetWindowTextW(window, buffer, 1024);
  return buffer;
}
