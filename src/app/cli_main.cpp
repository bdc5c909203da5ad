// quellmarsh-cli: the jobs from the command line, for scripts and end-to-end tests.
//   quellmarsh-cli [--site URL] search KEYWORD
// prints one line per row (title, sharer, date, tab-separated) and the status and
// message texts on the error stream. Exit code 0 when the job ended, 2 on a usage error.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/console_io.h"
#include "app/console_view.h"
#include "app/shared_state.h"
#include "jobs/jobs.h"
#include "jobs/site.h"

namespace {

int Usage() {
  std::fputs("usage: quellmarsh-cli [--site URL] search KEYWORD\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<Text> args = CommandLineArguments(argc, argv);
  Text site = DefaultSiteBase();
  size_t i = 0;
  if (i < args.size() && args[i] == "--site") {
    if (i + 1 >= args.size() || args[i + 1].empty()) return Usage();
    site = args[i + 1];
    i += 2;
  }
  while (!site.empty() && site.back() == '/') site.pop_back();  // the site is scheme and host only
  if (args.size() != i + 2 || args[i] != "search") return Usage();

  InitSharedState();
  std::atexit(FreeSharedState);
  ConsoleView view(args[i + 1], [](const Text& text) { WriteLine(stderr, text); });
  SearchJob(view, site);
  for (const auto& row : view.Rows()) WriteLine(stdout, row[0] + "\t" + row[1] + "\t" + row[2]);
  return 0;
}
