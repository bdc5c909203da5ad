// Code-page conversion between GBK text, UTF-8 and UTF-16, and URL encoding.
#pragma once

#include <optional>

#include "text/text.h"

enum : int { kCodePageAnsi = 0, kCodePageGbk = 936, kCodePageUtf8 = 65001 };

// The UTF-16 form: little-endian 16-bit units ending with a zero unit.
// codePage omitted means UTF-8; an explicit 0 means the ANSI code page (936 here).
Bytes MultiByteToUtf16(const Text& text, std::optional<int> codePage = std::nullopt);
Text Utf16ToMultiByte(const Bytes& wide, int codePage = kCodePageAnsi);

Text GbkToUtf8(const Text& text);
Text Utf8ToGbk(const Text& text);

Text UrlEncode(const Text& text, bool keepSafe = false, bool asUtf8 = false);
Text UrlDecode(const Text& text, bool fromUtf8 = false);
