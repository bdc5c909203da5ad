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

std::string ForConsole(const Text& text) {
  UINT codePage = GetConsoleOutputCP();
  if (codePage == 0) codePage = GetACP();  // no console: output redirected
  if (codePage == 936) return text;
  return EncodeCodePage(static_cast<int>(codePage), DecodeCodePage(936, text));
}
