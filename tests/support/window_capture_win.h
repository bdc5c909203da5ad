// Screenshots of windows for test artifacts.
#pragma once

#include <windows.h>

#include <string>

// Copies what the screen shows of window (frame included) into a PNG file.
bool SaveWindowPng(HWND window, const std::string& path);
