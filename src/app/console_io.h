// The console's side of the command-line front end: arguments in, text out, each in the
// platform's own encoding (UTF-8 here; on Windows the wide command line and the console's
// code page).
#pragma once

#include <vector>

#include "text/text.h"

// The arguments after the program name, as GBK Text.
std::vector<Text> CommandLineArguments(int argc, char** argv);

// GBK Text in the encoding the console shows.
std::string ForConsole(const Text& text);
