// The main window under Wine: layout control by control, the buttons, and the view that
// jobs use from worker threads.
#include "ui/main_window_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/job_thread.h"
#include "support/window_capture_win.h"
#include "support/window_find_win.h"

namespace {

// GBK bytes of the texts the jobs hand over.
const Text kSearchingGbk = "\xd5\xfd\xd4\xda\xcb\xd1\xcb\xf7\xd6\xd0";  // 正在搜索中
const Text kLoadingGbk = "\xd5\xfd\xd4\xda\xbc\xd3\xd4\xd8\xd6\xd0";    // 正在加载中
const Text kTitleGbk = "\xd6\xd0\xce\xc4\xb1\xea\xcc\xe2";               // 中文标题

std::wstring ClassOf(HWND window) {
  wchar_t buffer[256] = {};
  GetClassNameW(window, buffer, 256);
  return buffer;
}

std::wstring CellText(HWND list, int row, int column) {
  wchar_t buffer[1024] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = 1024;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return buffer;
}

// Handles messages until done() or the time runs out; cross-thread calls from jobs run here.
bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 20000) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (GetTickCount() - start > limitMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

// What the buttons' jobs saw, in the order they ran.
struct JobLog {
  std::mutex mutex;
  std::vector<char> ran;
  std::atomic<int> active{0};
  std::atomic<int> maxActive{0};
  std::atomic<int> finished{0};

  void Record(char job) {
    int now = ++active;
    if (now > maxActive) maxActive = now;
    {
      std::lock_guard lock(mutex);
      ran.push_back(job);
    }
    Sleep(2);
    --active;
    ++finished;
  }
};
JobLog* g_log = nullptr;

void SearchProbe() { g_log->Record('S'); }
void LoadAllProbe() { g_log->Record('L'); }
void FetchLinkProbe() { g_log->Record('F'); }

class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
  }

  void SetUp() override {
    g_log = &log_;
    MainWindowHandlers handlers;
    handlers.onSearch = [] { StartJobThread(SearchProbe); };
    handlers.onLoadAll = [] { StartJobThread(LoadAllProbe); };
    handlers.onFetchLink = [] { StartJobThread(FetchLinkProbe); };
    window_ = CreateMainWindow(GetModuleHandleW(nullptr), handlers);
    ASSERT_NE(window_, nullptr);
    PumpUntil([] { return false; }, 200);  // let it paint
  }

  void TearDown() override {
    DestroyWindow(window_);
    PumpUntil([] { return false; }, 50);
    g_log = nullptr;
  }

  // Controls sit in page containers, so look through all descendants.
  HWND Item(int id) const { return FindControl(window_, id); }

  // Runs job on a worker, as a button would, and handles messages until it is done.
  void RunJob(void (*job)()) {
    static std::atomic<int> done{0};
    static void (*pending)() = nullptr;
    pending = job;
    int before = done;
    StartJobThread([] {
      pending();
      ++done;
    });
    ASSERT_TRUE(PumpUntil([&] { return done > before; }));
  }

  HWND window_ = nullptr;
  JobLog log_;
};

TEST_F(MainWindowTest, CaptionPositionAndOuterSize) {
  EXPECT_EQ(WindowText(window_), L"Quellmarsh-网盘搜索客户端-tarnwick40217");
  RECT rect;
  GetWindowRect(window_, &rect);
  EXPECT_EQ(rect.left, 50);
  EXPECT_EQ(rect.top, 50);
  EXPECT_EQ(rect.right - rect.left, 847);
  EXPECT_EQ(rect.bottom - rect.top, 441);
  EXPECT_TRUE(IsWindowVisible(window_));
}

TEST_F(MainWindowTest, EveryControlSitsWhereTheFormPutsIt) {
  // Client positions: the tab control at 0,0; page 1's group box at 8,24 in it, and the
  // page's controls relative to that box.
  const int bx = 8, by = 24;
  struct Expected {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    int x, y, width, height;
    bool visible;
  } const expected[] = {
      {kSiteTabsId, L"SysTabControl32", L"", 0, 0, 840, 416, true},
      {kPage2BoxId, L"Button", L"", 0, 24, 840, 392, false},
      {kPage1BoxId, L"Button", L"", 8, 24, 832, 392, true},
      {kSkipSharerCheckId, L"Button", L"不搜索分享人", bx + 320, by + 16, 112, 24, true},
      {kSkipDateCheckId, L"Button", L"不搜索分享时间", bx + 440, by + 16, 112, 24, true},
      {kFetchLinkButtonId, L"Button", L"选中想下载的点击我", bx + 608, by + 16, 120, 32, true},
      {kLoadAllButtonId, L"Button", L"加载全部", bx + 728, by + 16, 88, 32, true},
      {kSearchBoxId, L"Edit", L"", bx + 8, by + 48, 424, 32, true},
      {kSearchButtonId, L"Button", L"搜索", bx + 448, by + 48, 80, 32, true},
      {kStatusLabelId, L"Static", L"", bx + 528, by + 48, 176, 32, false},
      {kHelpBoxId, L"Edit", L"选中列表内容即可下载，            搜索框没有内容的时候点击搜索会出错，", bx + 720, by + 64, 112,
       312, true},
      {kResultListId, L"SysListView32", L"", bx + 8, by + 88, 704, 296, true},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.id);
    HWND control = Item(e.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(GetAncestor(control, GA_ROOT), window_);
    EXPECT_EQ(ClassOf(control), e.className);
    EXPECT_EQ(WindowText(control), e.text);
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, e.x);
    EXPECT_EQ(rect.top, e.y);
    EXPECT_EQ(rect.right - rect.left, e.width);
    EXPECT_EQ(rect.bottom - rect.top, e.height);
    EXPECT_EQ(IsWindowVisible(control) != FALSE, e.visible);
  }
}

TEST_F(MainWindowTest, ControlSettingsAtStart) {
  auto style = [&](int id) { return static_cast<DWORD>(GetWindowLongW(Item(id), GWL_STYLE)); };
  EXPECT_EQ(style(kSkipSharerCheckId) & BS_TYPEMASK, static_cast<DWORD>(BS_AUTOCHECKBOX));
  EXPECT_EQ(style(kSkipDateCheckId) & BS_TYPEMASK, static_cast<DWORD>(BS_AUTOCHECKBOX));
  EXPECT_EQ(SendMessageW(Item(kSkipSharerCheckId), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(Item(kSkipDateCheckId), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(style(kPage1BoxId) & BS_TYPEMASK, static_cast<DWORD>(BS_GROUPBOX));
  EXPECT_EQ(style(kPage2BoxId) & BS_TYPEMASK, static_cast<DWORD>(BS_GROUPBOX));
  for (int id : {kSearchButtonId, kLoadAllButtonId, kFetchLinkButtonId}) {
    EXPECT_EQ(style(id) & BS_TYPEMASK, static_cast<DWORD>(BS_PUSHBUTTON)) << id;
  }
  EXPECT_EQ(style(kSearchBoxId) & ES_MULTILINE, 0u);
  EXPECT_NE(style(kHelpBoxId) & ES_MULTILINE, 0u);
  EXPECT_NE(style(kHelpBoxId) & WS_VSCROLL, 0u);
  EXPECT_EQ(style(kResultListId) & LVS_TYPEMASK, static_cast<DWORD>(LVS_REPORT));
  EXPECT_EQ(style(kResultListId) & LVS_NOCOLUMNHEADER, 0u);
  EXPECT_EQ(SendMessageW(Item(kResultListId), LVM_GETITEMCOUNT, 0, 0), 0);
  EXPECT_NE(SendMessageW(Item(kSearchButtonId), WM_GETFONT, 0, 0), 0) << "controls use the UI font";
}

TEST_F(MainWindowTest, ListHasThreeLeftAlignedColumns) {
  HWND list = Item(kResultListId);
  const struct {
    const wchar_t* header;
    int width;
  } columns[] = {{L"结果", 400}, {L"分享人", 100}, {L"分享时间", 150}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    wchar_t header[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_IMAGE;
    column.pszText = header;
    column.cchTextMax = 64;
    ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ(header, columns[i].header);
    EXPECT_EQ(column.cx, columns[i].width);
    EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
    EXPECT_EQ(column.fmt & LVCFMT_IMAGE, 0);
  }
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  EXPECT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 3);
}

TEST_F(MainWindowTest, TabsSwitchBetweenThePages) {
  HWND tabs = Item(kSiteTabsId);
  ASSERT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 2);
  const wchar_t* names[] = {L"百度云搜", L"胖次搜索"};
  for (int i = 0; i < 2; ++i) {
    wchar_t text[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    SendMessageW(tabs, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(text, names[i]);
  }
  EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 0);

  // Click the tabs as a user would.
  auto click = [&](int index) {
    RECT rect;
    SendMessageW(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect));
    LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    SendMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(tabs, WM_LBUTTONUP, 0, at);
    PumpUntil([] { return false; }, 50);
  };
  click(1);
  EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 1);
  EXPECT_TRUE(IsWindowVisible(Item(kPage2BoxId)));
  for (int id : {kPage1BoxId, kSearchBoxId, kSearchButtonId, kResultListId, kHelpBoxId, kSkipDateCheckId}) {
    EXPECT_FALSE(IsWindowVisible(Item(id))) << id;
  }
  click(0);
  EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 0);
  EXPECT_FALSE(IsWindowVisible(Item(kPage2BoxId)));
  for (int id : {kPage1BoxId, kSearchBoxId, kSearchButtonId, kResultListId, kHelpBoxId, kSkipDateCheckId}) {
    EXPECT_TRUE(IsWindowVisible(Item(id))) << id;
  }
  EXPECT_FALSE(IsWindowVisible(Item(kStatusLabelId))) << "a label never shown stays hidden";
}

TEST_F(MainWindowTest, EachButtonStartsExactlyOneWorkerForItsJob) {
  const struct {
    int id;
    char job;
  } buttons[] = {{kSearchButtonId, 'S'}, {kLoadAllButtonId, 'L'}, {kFetchLinkButtonId, 'F'}};
  int expected = 0;
  for (const auto& b : buttons) {
    SCOPED_TRACE(b.job);
    SendMessageW(Item(b.id), BM_CLICK, 0, 0);
    ++expected;
    ASSERT_TRUE(PumpUntil([&] { return log_.finished >= expected; }));
    PumpUntil([] { return false; }, 100);  // a second worker would show up by now
    std::lock_guard lock(log_.mutex);
    ASSERT_EQ(log_.ran.size(), static_cast<size_t>(expected));
    EXPECT_EQ(log_.ran.back(), b.job);
  }
}

TEST_F(MainWindowTest, QuickPressesRunOneJobAtATimeInPressOrder) {
  const int ids[] = {kSearchButtonId, kLoadAllButtonId, kFetchLinkButtonId};
  const char jobs[] = {'S', 'L', 'F'};
  std::vector<char> pressed;
  for (int i = 0; i < 45; ++i) {
    SendMessageW(Item(ids[i % 3]), BM_CLICK, 0, 0);
    pressed.push_back(jobs[i % 3]);
  }
  ASSERT_TRUE(PumpUntil([&] { return log_.finished == 45; }));
  EXPECT_EQ(log_.maxActive, 1);
  std::lock_guard lock(log_.mutex);
  EXPECT_EQ(log_.ran, pressed);
}

// What the view jobs saw, for the checks on the UI thread.
struct ViewReadings {
  int rows[2] = {-1, -1};
  Text missingRow, negativeRow, cell, keyword;
  int selected = -2;
  bool skipSharer = false, skipDate = true;
};
ViewReadings g_read;

TEST_F(MainWindowTest, ViewCallsFromAWorkerReachTheControls) {
  HWND label = Item(kStatusLabelId);
  HWND list = Item(kResultListId);

  // Setting the text of a label never shown leaves it hidden.
  RunJob([] { MainWindowView().SetStatus(kLoadingGbk); });
  EXPECT_EQ(WindowText(label), L"正在加载中");
  EXPECT_FALSE(IsWindowVisible(label));

  RunJob([] {
    View& view = MainWindowView();
    view.ShowStatus();
    view.SetStatus(kSearchingGbk);
    view.ClearRows();
    for (int i = 0; i < 2; ++i) {
      int row = view.AppendRow();
      g_read.rows[i] = row;
      view.SetCell(row, 0, i == 0 ? kTitleGbk : "Second title");
      view.SetCell(row, 1, i == 0 ? "sharer-a" : "sharer-b");
      view.SetCell(row, 2, i == 0 ? "2016-05-01" : "2015-01-02");
    }
    g_read.cell = view.ReadCell(0, 0);
    g_read.missingRow = view.ReadCell(7, 0);
    g_read.negativeRow = view.ReadCell(-1, 1);
    g_read.selected = view.SelectedRow();
  });
  EXPECT_TRUE(IsWindowVisible(label));
  EXPECT_EQ(WindowText(label), L"正在搜索中");
  EXPECT_EQ(g_read.rows[0], 0);
  EXPECT_EQ(g_read.rows[1], 1);
  ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(CellText(list, 0, 0), L"中文标题");
  EXPECT_EQ(CellText(list, 0, 1), L"sharer-a");
  EXPECT_EQ(CellText(list, 1, 2), L"2015-01-02");
  EXPECT_EQ(g_read.cell, kTitleGbk);
  EXPECT_EQ(g_read.missingRow, "");
  EXPECT_EQ(g_read.negativeRow, "");
  EXPECT_EQ(g_read.selected, -1);

  // The user types a keyword, unticks a box and selects the second row.
  SetWindowTextW(Item(kSearchBoxId), L"关键词 abc");
  SendMessageW(Item(kSkipDateCheckId), BM_SETCHECK, BST_UNCHECKED, 0);
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
  RunJob([] {
    View& view = MainWindowView();
    g_read.keyword = view.ReadSearchBox();
    g_read.skipSharer = view.IsSkipSharerChecked();
    g_read.skipDate = view.IsSkipDateChecked();
    g_read.selected = view.SelectedRow();
  });
  EXPECT_EQ(g_read.keyword, "\xb9\xd8\xbc\xfc\xb4\xca abc");
  EXPECT_TRUE(g_read.skipSharer);
  EXPECT_FALSE(g_read.skipDate);
  EXPECT_EQ(g_read.selected, 1);

  PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(SaveWindowPng(window_, std::string(QM_ARTIFACT_DIR) + "/main_window.png"));

  RunJob([] { MainWindowView().ClearRows(); });
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
}

TEST_F(MainWindowTest, ViewCallsAfterTheWindowIsGoneDoNothing) {
  DestroyWindow(window_);
  PumpUntil([] { return false; }, 50);
  RunJob([] {
    View& view = MainWindowView();
    view.SetStatus("late");
    g_read.rows[0] = view.AppendRow();
    g_read.cell = view.ReadCell(0, 0);
    g_read.keyword = view.ReadSearchBox();
  });
  EXPECT_EQ(g_read.rows[0], -1);
  EXPECT_EQ(g_read.cell, "");
  EXPECT_EQ(g_read.keyword, "");
}

TEST(ProgramExitTest, ClosingTheWindowEndsTheProgramWhileAJobIsStuck) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring probe(path);
  probe = probe.substr(0, probe.find_last_of(L"\\/") + 1) + L"exit_probe.exe";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(probe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  DWORD waited = WaitForSingleObject(process.hProcess, 30000);
  DWORD code = 1234;
  GetExitCodeProcess(process.hProcess, &code);
  if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 99);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(waited, WAIT_OBJECT_0);
  EXPECT_EQ(code, 0u);
}

}  // namespace
