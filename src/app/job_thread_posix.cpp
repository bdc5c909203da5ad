#include "app/job_thread.h"

#include <system_error>
#include <thread>

void StartJobThread(JobRoutine job, JobGate& gate) {
  uint64_t ticket = gate.TakeTicket();
  try {
    std::thread([job, &gate, ticket] { gate.RunInTurn(ticket, job); }).detach();
  } catch (const std::system_error&) {
    gate.Abandon(ticket);
  }
}
