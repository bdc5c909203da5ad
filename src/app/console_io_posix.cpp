#include "app/console_io.h"

#include "text/codepage.h"

std::vector<Text> CommandLineArguments(int argc, char** argv) {
  std::vector<Text> args;
  for (int i = 1; i < argc; ++i) args.push_back(Utf8ToGbk(argv[i]));
  return args;
}

std::string ForConsole(const Text& text) { return GbkToUtf8(text); }
