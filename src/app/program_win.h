// Start-up and the message loop of the Windows program.
#pragma once

#include <windows.h>

#include "ui/main_window_win.h"

// Prepares the shared state (freed at exit), shows the main window with the given button
// handlers, runs the message loop until the window is closed, and returns 0.
int RunProgram(HINSTANCE instance, const MainWindowHandlers& handlers);
