// The platform's code-page conversion, behind plain values. Windows uses kernel32;
// elsewhere iconv stands in. Both convert the whole input (outputs are sized for the
// target code page) and replace what cannot be converted the way the platform does.
#pragma once

#include <string>
#include <string_view>

// Bytes in codePage (0 = ANSI, 936 = GBK, 65001 = UTF-8) to UTF-16 units.
std::u16string DecodeCodePage(int codePage, std::string_view bytes);

// UTF-16 units to bytes in codePage.
std::string EncodeCodePage(int codePage, std::u16string_view units);

// The code page that 0 stands for: the system's ANSI code page on Windows, 936 elsewhere.
int AnsiCodePage();
