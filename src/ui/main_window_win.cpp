#include "ui/main_window_win.h"

#include <commctrl.h>
#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>
#include <atomic>
#include <functional>

#include "ui/controls_win.h"

namespace {

const wchar_t kClassName[] = L"QuellmarshMainWindow";
const wchar_t kCaption[] = L"Quellmarsh-网盘搜索客户端-tarnwick40217";
const wchar_t kMessageCaption[] = L"信息：";
const wchar_t kHelpText[] = L"选中列表内容即可下载，            搜索框没有内容的时候点击搜索会出错，";

// Runs a closure (LPARAM: std::function<void()>*) on the UI thread.
const UINT kRunOnUiMessage = WM_APP + 1;

const wchar_t kPageClassName[] = L"QuellmarshPage";

// The form nests controls: the tab control at 0,0 of the window, each page's group box in
// it, and the page's controls in the group box. Each page is a container window exactly
// over its group box; it paints the page background and passes notifications up.
struct ControlLayout {
  int id;
  int page;  // 0 or 1: the container it sits in
  const wchar_t* className;
  const wchar_t* text;
  DWORD style;
  DWORD exStyle;
  int x, y, width, height;
};

const RECT kTabsRect = {0, 0, 840, 416};                // in the window
const RECT kPage1Rect = {8, 24, 8 + 832, 24 + 392};     // in the tab control
const RECT kPage2Rect = {0, 24, 0 + 840, 24 + 392};     // in the tab control

// Each page's controls in keyboard order, its group box last so that it lies beneath them.
const ControlLayout kLayout[] = {
    {kSearchBoxId, 0, L"Edit", L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 8, 48, 424, 32},
    {kSearchButtonId, 0, L"Button", L"搜索", WS_TABSTOP | BS_PUSHBUTTON, 0, 448, 48, 80, 32},
    {kSkipSharerCheckId, 0, L"Button", L"不搜索分享人", WS_TABSTOP | BS_AUTOCHECKBOX, 0, 320, 16, 112, 24},
    {kSkipDateCheckId, 0, L"Button", L"不搜索分享时间", WS_TABSTOP | BS_AUTOCHECKBOX, 0, 440, 16, 112, 24},
    {kFetchLinkButtonId, 0, L"Button", L"选中想下载的点击我", WS_TABSTOP | BS_PUSHBUTTON, 0, 608, 16, 120, 32},
    {kLoadAllButtonId, 0, L"Button", L"加载全部", WS_TABSTOP | BS_PUSHBUTTON, 0, 728, 16, 88, 32},
    {kResultListId, 0, WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, WS_EX_CLIENTEDGE, 8, 88, 704, 296},
    {kHelpBoxId, 0, L"Edit", kHelpText, WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, WS_EX_CLIENTEDGE, 720, 64, 112, 312},
    {kStatusLabelId, 0, L"Static", L"", SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, 0, 528, 48, 176, 32},
    {kPage1BoxId, 0, L"Button", L"", BS_GROUPBOX, 0, 0, 0, 832, 392},
    {kPage2BoxId, 1, L"Button", L"", BS_GROUPBOX, 0, 0, 0, 840, 392},
};

struct MainWindowState {
  std::atomic<HWND> window{nullptr};
  HWND pages[2] = {nullptr, nullptr};
  HWND controls[kResultListId - kSiteTabsId + 1] = {};
  DWORD uiThread = 0;
  MainWindowHandlers handlers;
  HFONT font = nullptr;
  HBRUSH pageBrush = nullptr;  // ours; the system's face brush stands in if it could not be made
};

MainWindowState g_main;

HBRUSH PageBrush() { return g_main.pageBrush ? g_main.pageBrush : GetSysColorBrush(COLOR_BTNFACE); }

HWND Control(int id) {
  if (id < kSiteTabsId || id > kResultListId) return nullptr;
  return g_main.controls[id - kSiteTabsId];
}

void ShowPage(int page) {
  ShowWindow(g_main.pages[0], page == 0 ? SW_SHOWNA : SW_HIDE);
  ShowWindow(g_main.pages[1], page == 1 ? SW_SHOWNA : SW_HIDE);
}

// The colour the tab control fills its page with, so the pages blend into it.
void ChoosePageBrush(HWND tabs) {
  COLORREF colour = GetSysColor(COLOR_BTNFACE);
  if (IsAppThemed()) {
    colour = GetSysColor(COLOR_WINDOW);
    if (HTHEME theme = OpenThemeData(tabs, L"TAB")) {
      COLORREF hint;
      if (SUCCEEDED(GetThemeColor(theme, TABP_PANE, 0, TMT_FILLCOLORHINT, &hint))) colour = hint;
      CloseThemeData(theme);
    }
  }
  g_main.pageBrush = CreateSolidBrush(colour);
}

LRESULT CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT rect;
      GetClientRect(page, &rect);
      FillRect(reinterpret_cast<HDC>(wParam), &rect, PageBrush());
      return 1;
    }
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return SendMessageW(GetAncestor(page, GA_PARENT), message, wParam, lParam);
  }
  return DefWindowProcW(page, message, wParam, lParam);
}

HWND CreateChild(HWND parent, HINSTANCE instance, const wchar_t* className, const wchar_t* text, DWORD style,
                 DWORD exStyle, int id, int x, int y, int width, int height) {
  HWND child = CreateWindowExW(exStyle, className, text, WS_CHILD | WS_CLIPSIBLINGS | style, x, y, width, height, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(g_main.font), FALSE);
  if (id >= kSiteTabsId && id <= kResultListId) g_main.controls[id - kSiteTabsId] = child;
  return child;
}

void CreateControls(HWND window, HINSTANCE instance) {
  HWND tabs = CreateChild(window, instance, WC_TABCONTROLW, L"", WS_VISIBLE | WS_TABSTOP, 0, kSiteTabsId,
                          kTabsRect.left, kTabsRect.top, kTabsRect.right - kTabsRect.left, kTabsRect.bottom - kTabsRect.top);
  const wchar_t* tabNames[] = {L"百度云搜", L"胖次搜索"};
  for (int i = 0; i < 2; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(tabNames[i]);
    SendMessageW(tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  ChoosePageBrush(tabs);

  const RECT* pageRects[] = {&kPage1Rect, &kPage2Rect};
  for (int i = 0; i < 2; ++i) {
    const RECT& r = *pageRects[i];
    // Siblings of the tab control, above it, so the tab control never paints over them.
    // No WS_CLIPCHILDREN: the group box covers the page and paints no background itself.
    g_main.pages[i] = CreateChild(window, instance, kPageClassName, L"",
                                  i == 0 ? WS_VISIBLE : 0, WS_EX_CONTROLPARENT, 0,
                                  kTabsRect.left + r.left, kTabsRect.top + r.top, r.right - r.left, r.bottom - r.top);
    SetWindowPos(g_main.pages[i], HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }

  for (const ControlLayout& c : kLayout) {
    DWORD visible = c.id == kStatusLabelId ? 0 : WS_VISIBLE;  // hidden until a search shows it
    CreateChild(g_main.pages[c.page], instance, c.className, c.text, c.style | visible,
                c.exStyle, c.id, c.x, c.y, c.width, c.height);
  }

  for (int id : {kSkipSharerCheckId, kSkipDateCheckId}) SendMessageW(Control(id), BM_SETCHECK, BST_CHECKED, 0);

  HWND list = Control(kResultListId);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  ListAddColumn(list, 0, L"结果", 400);
  ListAddColumn(list, 1, L"分享人", 100);
  ListAddColumn(list, 2, L"分享时间", 150);
}

void StartHandler(void (*handler)()) {
  if (handler) handler();
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
          case kSearchButtonId: StartHandler(g_main.handlers.onSearch); return 0;
          case kLoadAllButtonId: StartHandler(g_main.handlers.onLoadAll); return 0;
          case kFetchLinkButtonId: StartHandler(g_main.handlers.onFetchLink); return 0;
        }
      }
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->idFrom == kSiteTabsId && header->code == TCN_SELCHANGE) {
        ShowPage(static_cast<int>(SendMessageW(header->hwndFrom, TCM_GETCURSEL, 0, 0)));
        return 0;
      }
      break;
    }
    case WM_CTLCOLORSTATIC: {
      // Labels, check boxes and group boxes take the page's colour, so they look
      // transparent on it and the status label repaints cleanly when its text changes.
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(PageBrush());
    }
    case kRunOnUiMessage:
      (*reinterpret_cast<std::function<void()>*>(lParam))();
      return 1;
    case WM_DESTROY:
      g_main.window.store(nullptr);
      if (g_main.font) DeleteObject(g_main.font);
      if (g_main.pageBrush) DeleteObject(g_main.pageBrush);
      g_main.font = nullptr;
      g_main.pageBrush = nullptr;
      std::fill(std::begin(g_main.controls), std::end(g_main.controls), nullptr);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// Carries f out on the UI thread and waits for it. Returns false when there is no window.
bool OnUiThread(const std::function<void()>& f) {
  HWND window = g_main.window.load();
  if (!window) return false;
  if (GetCurrentThreadId() == g_main.uiThread) {
    f();
    return true;
  }
  // SendMessage returns 0 without running f if the window is destroyed meanwhile.
  return SendMessageW(window, kRunOnUiMessage, 0, reinterpret_cast<LPARAM>(&f)) == 1;
}

class MainWindowViewImpl final : public View {
 public:
  Text ReadSearchBox() override {
    Text text;
    OnUiThread([&] { text = GetControlText(Control(kSearchBoxId)); });
    return text;
  }
  bool IsSkipSharerChecked() override { return ReadCheck(kSkipSharerCheckId); }
  bool IsSkipDateChecked() override { return ReadCheck(kSkipDateCheckId); }

  void SetStatus(const Text& text) override {
    OnUiThread([&] {
      HWND label = Control(kStatusLabelId);
      SetControlText(label, text);
      // Repaint the page behind the label too, so no trace of the old text stays.
      HWND page = GetParent(label);
      RECT rect;
      GetWindowRect(label, &rect);
      MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
      RedrawWindow(page, &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    });
  }
  void ShowStatus() override {
    OnUiThread([] { ShowWindow(Control(kStatusLabelId), SW_SHOWNA); });
  }

  void ClearRows() override {
    OnUiThread([] { ListClear(Control(kResultListId)); });
  }
  int AppendRow() override {
    int row = -1;
    OnUiThread([&] { row = ListAppendRow(Control(kResultListId)); });
    return row;
  }
  void SetCell(int row, int column, const Text& text) override {
    OnUiThread([&] { ListSetCell(Control(kResultListId), row, column, text); });
  }
  int SelectedRow() override {
    int row = -1;
    OnUiThread([&] { row = ListSelectedRow(Control(kResultListId)); });
    return row;
  }
  Text ReadCell(int row, int column) override {
    Text text;
    OnUiThread([&] { text = ListGetCell(Control(kResultListId), row, column); });
    return text;
  }

  // Shown on the job's own thread: task-modal there, so the main window stays usable.
  void ShowMessage(const Text& text) override {
    MessageBoxW(nullptr, GbkToWide(text).c_str(), kMessageCaption, MB_OK | MB_TASKMODAL);
  }

 private:
  static bool ReadCheck(int id) {
    bool checked = false;
    OnUiThread([&] { checked = IsChecked(Control(id)); });
    return checked;
  }
};

}  // namespace

HWND CreateMainWindow(HINSTANCE instance, const MainWindowHandlers& handlers) {
  if (g_main.window.load()) return nullptr;

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  if (!GetClassInfoExW(instance, kClassName, &windowClass)) {
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExW(&windowClass)) return nullptr;

    WNDCLASSEXW pageClass{};
    pageClass.cbSize = sizeof(pageClass);
    pageClass.lpfnWndProc = PageProc;
    pageClass.hInstance = instance;
    pageClass.hCursor = windowClass.hCursor;
    pageClass.lpszClassName = kPageClassName;
    if (!RegisterClassExW(&pageClass)) return nullptr;
  }

  g_main.handlers = handlers;
  g_main.uiThread = GetCurrentThreadId();
  if (!g_main.font) g_main.font = CreateUiFont();

  // Fixed frame: the layout is laid out for this one size.
  HWND window = CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, kCaption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                                50, 50, 847, 441, nullptr, nullptr, instance, nullptr);
  if (!window) return nullptr;
  g_main.window.store(window);
  CreateControls(window, instance);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  return window;
}

bool MainWindowPreTranslate(MSG& msg) {
  HWND window = g_main.window.load();
  return window && IsDialogMessageW(window, &msg);
}

View& MainWindowView() {
  static MainWindowViewImpl view;
  return view;
}
