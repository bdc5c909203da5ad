// Finding controls and reading window texts, in this process or another one.
#pragma once

#include <windows.h>

#include <string>

// The descendant of root with control id, however deep it sits; nullptr when none.
HWND FindControl(HWND root, int id);

// A window's text through WM_GETTEXT, which the system carries across processes.
std::wstring WindowText(HWND window);
