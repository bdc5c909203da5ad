// The Windows program end to end under Wine: quellmarsh_e2e.exe (the real program, built
// against a site on 127.0.0.1:QM_E2E_SITE_PORT) is driven by window messages from here,
// where a scripted server plays the site.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <cstdio>
#include <string>
#include <vector>

#include "support/http_server.h"
#include "support/window_capture_win.h"
#include "support/window_find_win.h"
#include "ui/main_window_win.h"

namespace {

using namespace std::chrono_literals;

// Entry markup as the site serves it, UTF-8.
std::string Entry(const std::string& id, const std::string& title, const std::string& sharer, const std::string& date) {
  return "<div class=\"item\"><a href=\"/fileview" + id + "\" target=\"_blank\" title=\"" + title + "\">" + title +
         "</a>\r\n\t\t\t\t</div><div class=\"sharer\"><a href=\"/u/1/\" target=\"_blank\">" + sharer +
         "</a></div><div class=\"c_ft\">" + date + "</div></div>\n";
}

std::string Page(const std::string& body) {
  return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>结果</title></head><body>" + body +
         "<div>第1/1页</div></body></html>";
}

bool WaitUntil(const std::function<bool()>& done, DWORD limitMs = 20000) {
  for (DWORD start = GetTickCount(); !done(); Sleep(10)) {
    if (GetTickCount() - start > limitMs) return false;
  }
  return true;
}

// The program under test, started fresh for each test and closed at its end.
class ProgramUnderTest {
 public:
  ProgramUnderTest() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring exe(path);
    exe = exe.substr(0, exe.find_last_of(L"\\/") + 1) + L"quellmarsh_e2e.exe";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_)) return;
    WaitUntil([&] {
      window_ = FindWindowW(L"QuellmarshMainWindow", nullptr);
      return window_ && IsWindowVisible(window_);
    });
  }
  ~ProgramUnderTest() {
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    if (process_.hProcess) {
      if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process_.hProcess, 1);
      CloseHandle(process_.hThread);
      CloseHandle(process_.hProcess);
    }
  }

  HWND Window() const { return window_; }
  HWND Control(int id) const { return FindControl(window_, id); }

  // List view texts live in the other process: the item and its buffer must be there too.
  std::vector<std::vector<std::wstring>> Rows() const {
    HWND list = Control(kResultListId);
    std::vector<std::vector<std::wstring>> rows;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    const SIZE_T textChars = 1024;
    const SIZE_T size = sizeof(LVITEMW) + textChars * sizeof(wchar_t);
    auto* remote = static_cast<char*>(VirtualAllocEx(process_.hProcess, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    if (!remote) return rows;
    for (int r = 0; r < count; ++r) {
      std::vector<std::wstring> row;
      for (int c = 0; c < 3; ++c) {
        LVITEMW item{};
        item.iSubItem = c;
        item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
        item.cchTextMax = static_cast<int>(textChars);
        WriteProcessMemory(process_.hProcess, remote, &item, sizeof item, nullptr);
        LRESULT length = SendMessageW(list, LVM_GETITEMTEXTW, r, reinterpret_cast<LPARAM>(remote));
        std::wstring text(static_cast<size_t>(length > 0 ? length : 0), L'\0');
        if (length > 0) {
          ReadProcessMemory(process_.hProcess, remote + sizeof(LVITEMW), text.data(), text.size() * sizeof(wchar_t),
                            nullptr);
        }
        row.push_back(text);
      }
      rows.push_back(row);
    }
    VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
    return rows;
  }

  void Search(const std::wstring& keyword) {
    SetWindowTextW(Control(kSearchBoxId), keyword.c_str());
    PostMessageW(Control(kSearchButtonId), BM_CLICK, 0, 0);
  }

  bool StatusIs(const std::wstring& text) const { return WindowText(Control(kStatusLabelId)) == text; }

 private:
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

// The message box the job shows, as a top-level dialog of the program's.
HWND FindMessageBox() { return FindWindowW(L"#32770", L"信息："); }

std::wstring MessageText(HWND box) {
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[32] = {};
    GetClassNameW(child, cls, 32);
    std::wstring text = WindowText(child);
    if (std::wstring(cls) == L"Static" && !text.empty()) return text;
  }
  return L"";
}

class GuiSearchTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(site_.Ok()) << site_.Error(); }
  ScriptedServer site_{QM_E2E_SITE_PORT};
};

TEST_F(GuiSearchTest, SearchFillsTheListFromTheSite) {
  site_.Enqueue(Reply(200, Page(Entry("Aa000001", "Python 教程 入门", "小明", "2016-05-01") +
                                Entry("Bb000002", "Excel 技巧", "bob", "2017-06-02") +
                                Entry("Cc000003", "教程合集 2019", "李四", "2019-01-31"))));
  ProgramUnderTest program;
  ASSERT_NE(program.Window(), nullptr);
  auto start = std::chrono::steady_clock::now();
  program.Search(L"教程");
  ASSERT_TRUE(WaitUntil([&] { return program.StatusIs(L"搜索完成"); }));
  auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  std::printf("click to \"搜索完成\": %lld ms\n", static_cast<long long>(elapsed.count()));

  EXPECT_EQ(program.Rows(), (std::vector<std::vector<std::wstring>>{
                                {L"Python 教程 入门\">Python 教程 入门", L"小明", L"2016-05-01"},
                                {L"教程合集 2019\">教程合集 2019", L"李四", L"2019-01-31"}}));
  ASSERT_EQ(site_.Requests().size(), 1u);
  const std::string request = site_.Requests()[0];
  EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET /search-all-%E6%95%99%E7%A8%8B-1/ HTTP/1.1");
  EXPECT_NE(request.find("\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"), std::string::npos);
  EXPECT_TRUE(IsWindowVisible(program.Control(kStatusLabelId)));

  Sleep(300);
  EXPECT_TRUE(SaveWindowPng(program.Window(), std::string(QM_ARTIFACT_DIR) + "/search_results.png"));
}

TEST_F(GuiSearchTest, NoResultsShowsTheMessageThenItsOwnStatus) {
  site_.Enqueue(Reply(200, Page("<p>没有找到”无此物“的相关记录，你可能感兴趣的资源</p>")));
  ProgramUnderTest program;
  ASSERT_NE(program.Window(), nullptr);
  program.Search(L"无此物");
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (box = FindMessageBox()) != nullptr && IsWindowVisible(box); }));
  EXPECT_EQ(MessageText(box), L"对不起，没有分享");
  EXPECT_TRUE(program.StatusIs(L"正在搜索中")) << "the status waits for the box";
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return program.StatusIs(L"搜素完成"); }));
  EXPECT_TRUE(program.Rows().empty());
}

}  // namespace
