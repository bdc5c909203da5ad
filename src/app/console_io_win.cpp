#include "app/console_io.h"

#include <windows.h>
#include <shellapi.h>

#include <string_view>

#include "text/codepage_platform.h"

std::vector<Text> CommandLineArguments(int, char**) {
  // The narrow argv went through the ANSI code page and may have lost characters.
  std::vector<Text> args;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return args;
  for (int i = 1; i < count; ++i) {
    std::wstring_view arg(wide[i]);
    args.push_back(EncodeCodePage(936, std::u16string_view(reinterpret_cast<const char16_t*>(arg.data()), arg.size())));
  }
  LocalFree(wide);
  return args;
}

void WriteLine(std::FILE* stream, const Text& line) {
  std::u16string units = DecodeCodePage(936, line);
  units += u"\n";
  HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    // A real console shows every character, whatever its code page.
    std::fflush(stream);
    DWORD written = 0;
    WriteConsoleW(handle, units.data(), static_cast<DWORD>(units.size()), &written, nullptr);
    return;
  }
  // Redirected: the bytes a program reading it expects, in the console's code page.
  UINT codePage = GetConsoleOutputCP();
  if (codePage == 0) codePage = GetACP();
  std::string out = EncodeCodePage(static_cast<int>(codePage), units);
  std::fwrite(out.data(), 1, out.size(), stream);
  std::fflush(stream);
}
