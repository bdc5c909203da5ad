#include <windows.h>

#include <climits>

#include "text/codepage_platform.h"

// kernel32 with flags 0: invalid input and unrepresentable characters come out the way
// Windows replaces them. Each output is sized by a length query in the target code page,
// so texts of any length (and texts that grow in conversion) convert whole.

std::u16string DecodeCodePage(int codePage, std::string_view bytes) {
  if (bytes.empty() || bytes.size() > INT_MAX) return {};
  const int length = static_cast<int>(bytes.size());
  const int units = MultiByteToWideChar(static_cast<UINT>(codePage), 0, bytes.data(), length,
                                        nullptr, 0);
  if (units <= 0) return {};
  std::wstring wide(static_cast<size_t>(units), L'\0');
  const int written = MultiByteToWideChar(static_cast<UINT>(codePage), 0, bytes.data(), length,
                                          wide.data(), units);
  if (written <= 0) return {};
  return std::u16string(wide.begin(), wide.begin() + written);
}

std::string EncodeCodePage(int codePage, std::u16string_view units) {
  if (units.empty() || units.size() > INT_MAX) return {};
  const std::wstring wide(units.begin(), units.end());
  const int length = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(static_cast<UINT>(codePage), 0, wide.data(), length,
                                       nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string out(static_cast<size_t>(size), '\0');
  const int written = WideCharToMultiByte(static_cast<UINT>(codePage), 0, wide.data(), length,
                                          out.data(), size, nullptr, nullptr);
  if (written <= 0) return {};
  out.resize(static_cast<size_t>(written));
  return out;
}

int AnsiCodePage() { return static_cast<int>(GetACP()); }
