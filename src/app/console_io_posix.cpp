#include "app/console_io.h"

#include "text/codepage.h"

std::vector<Text> CommandLineArguments(int argc, char** argv) {
  std::vector<Text> args;
  for (int i = 1; i < argc; ++i) args.push_back(Utf8ToGbk(argv[i]));
  return args;
}

void WriteLine(std::FILE* stream, const Text& line) {
  std::string out = GbkToUtf8(line) + "\n";
  std::fwrite(out.data(), 1, out.size(), stream);
  std::fflush(stream);
}
