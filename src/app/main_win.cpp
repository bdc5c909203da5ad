// The Windows program's entry: the three buttons start the three jobs against the
// search site fixed at build time.
#include <windows.h>

#include "app/job_thread.h"
#include "app/program_win.h"
#include "jobs/jobs.h"
#include "jobs/site.h"

namespace {

void RunSearchJob() { SearchJob(MainWindowView(), DefaultSiteBase()); }
void RunLoadAllJob() { LoadAllJob(MainWindowView(), DefaultSiteBase()); }
void RunFetchLinkJob() { FetchLinkJob(MainWindowView(), DefaultSiteBase()); }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  MainWindowHandlers handlers;
  handlers.onSearch = [] { StartJobThread(RunSearchJob); };
  handlers.onLoadAll = [] { StartJobThread(RunLoadAllJob); };
  handlers.onFetchLink = [] { StartJobThread(RunFetchLinkJob); };
  return RunProgram(instance, handlers);
}
