#include "app/job_thread.h"

#include <windows.h>

namespace {

struct JobStart {
  JobRoutine job;
  JobGate* gate;
  uint64_t ticket;
};

DWORD WINAPI JobThreadMain(LPVOID param) {
  JobStart start = *static_cast<JobStart*>(param);
  delete static_cast<JobStart*>(param);
  start.gate->RunInTurn(start.ticket, start.job);
  return 0;
}

}  // namespace

void StartJobThread(JobRoutine job, JobGate& gate) {
  auto* start = new JobStart{job, &gate, gate.TakeTicket()};
  // Default stack, running at once; the handle is closed straight away: nobody joins a job.
  HANDLE thread = CreateThread(nullptr, 0, JobThreadMain, start, 0, nullptr);
  if (!thread) {
    gate.Abandon(start->ticket);
    delete start;
    return;
  }
  CloseHandle(thread);
}
