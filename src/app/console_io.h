// The console's side of the command-line front end: arguments in, lines out, each in the
// platform's own encoding (UTF-8 here; on Windows the wide command line, and the console
// itself or, when redirected, the console's code page).
#pragma once

#include <cstdio>
#include <vector>

#include "text/text.h"

// The arguments after the program name, as GBK Text.
std::vector<Text> CommandLineArguments(int argc, char** argv);

// Writes one GBK line to stream (stdout or stderr) and flushes it.
void WriteLine(std::FILE* stream, const Text& line);
