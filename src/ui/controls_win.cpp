#include "ui/controls_win.h"

#include <commctrl.h>

#include <vector>

#include "text/codepage_platform.h"

std::wstring GbkToWide(const Text& text) {
  std::u16string units = DecodeCodePage(936, text);
  return std::wstring(units.begin(), units.end());
}

Text WideToGbk(std::wstring_view wide) {
  return EncodeCodePage(936, std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

Text GetControlText(HWND control) {
  int length = GetWindowTextLengthW(control);
  std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
  int got = GetWindowTextW(control, buffer.data(), length + 1);
  buffer.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return WideToGbk(buffer);
}

void SetControlText(HWND control, const Text& text) {
  SetWindowTextW(control, GbkToWide(text).c_str());
}

bool IsChecked(HWND checkBox) {
  return SendMessageW(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void ListAddColumn(HWND list, int index, const wchar_t* header, int width) {
  LVCOLUMNW column{};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column.fmt = LVCFMT_LEFT;
  column.cx = width;
  column.pszText = const_cast<wchar_t*>(header);
  column.iSubItem = index;
  SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

void ListClear(HWND list) { SendMessageW(list, LVM_DELETEALLITEMS, 0, 0); }

int ListRowCount(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

int ListAppendRow(HWND list) {
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = ListRowCount(list);
  item.pszText = const_cast<wchar_t*>(L"");
  return static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void ListSetCell(HWND list, int row, int column, const Text& text) {
  std::wstring wide = GbkToWide(text);
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = wide.data();
  SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

Text ListGetCell(HWND list, int row, int column) {
  if (row < 0 || row >= ListRowCount(list)) return Text();
  // The list view cuts the text to the buffer without saying so: grow until it fits.
  for (size_t size = 256;; size *= 2) {
    std::vector<wchar_t> buffer(size, L'\0');
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(size);
    LRESULT length = SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    if (length < 0) length = 0;
    if (static_cast<size_t>(length) < size - 1 || size >= (1u << 20)) {
      return WideToGbk(std::wstring_view(buffer.data(), static_cast<size_t>(length)));
    }
  }
}

int ListSelectedRow(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

namespace {

bool FontHasGlyphs(HDC dc, HFONT font, const wchar_t* sample, int count) {
  HGDIOBJ old = SelectObject(dc, font);
  std::vector<WORD> glyphs(static_cast<size_t>(count), 0);
  DWORD got = GetGlyphIndicesW(dc, sample, count, glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
  SelectObject(dc, old);
  if (got == GDI_ERROR) return false;
  for (WORD glyph : glyphs) {
    if (glyph == 0xFFFF) return false;
  }
  return true;
}

}  // namespace

HFONT CreateUiFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  LOGFONTW logFont{};
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    logFont = metrics.lfMessageFont;
  } else {
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(logFont), &logFont);
  }
  HFONT font = CreateFontIndirectW(&logFont);
  const wchar_t kSample[] = L"搜索网盘分享";
  const int kSampleCount = 6;
  HDC dc = GetDC(nullptr);
  if (font && FontHasGlyphs(dc, font, kSample, kSampleCount)) {
    ReleaseDC(nullptr, dc);
    return font;
  }
  static const wchar_t* const kCjkFaces[] = {L"Microsoft YaHei UI", L"Microsoft YaHei", L"SimSun",
                                             L"WenQuanYi Micro Hei", L"Noto Sans CJK SC"};
  for (const wchar_t* face : kCjkFaces) {
    LOGFONTW cjk = logFont;
    lstrcpynW(cjk.lfFaceName, face, LF_FACESIZE);
    cjk.lfCharSet = DEFAULT_CHARSET;
    HFONT candidate = CreateFontIndirectW(&cjk);
    if (candidate && FontHasGlyphs(dc, candidate, kSample, kSampleCount)) {
      if (font) DeleteObject(font);
      ReleaseDC(nullptr, dc);
      return candidate;
    }
    if (candidate) DeleteObject(candidate);
  }
  ReleaseDC(nullptr, dc);
  return font;
}
