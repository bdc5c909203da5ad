// Thin wrappers over the Win32 controls the windows use. Text crosses into the
// controls as UTF-16, so the program shows GBK text whatever the system code page.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "text/text.h"

std::wstring GbkToWide(const Text& text);
Text WideToGbk(std::wstring_view wide);

Text GetControlText(HWND control);
void SetControlText(HWND control, const Text& text);

bool IsChecked(HWND checkBox);

// Report-style list view.
void ListAddColumn(HWND list, int index, const wchar_t* header, int width);
void ListClear(HWND list);
int ListRowCount(HWND list);
int ListAppendRow(HWND list);
void ListSetCell(HWND list, int row, int column, const Text& text);
Text ListGetCell(HWND list, int row, int column);
int ListSelectedRow(HWND list);

// A font of the system's message font size that has CJK glyphs: the message font
// itself when it has them, else the first CJK face the system knows. Caller deletes.
HFONT CreateUiFont();
