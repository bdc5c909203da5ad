#include "app/job_gate.h"

uint64_t JobGate::TakeTicket() {
  std::lock_guard lock(mutex_);
  return nextTicket_++;
}

bool JobGate::RunInTurn(uint64_t ticket, JobRoutine job) {
  {
    std::unique_lock lock(mutex_);
    turnChanged_.wait(lock, [&] { return closed_ || serving_ == ticket; });
    if (closed_) return false;
    running_ = true;
  }
  job();
  std::lock_guard lock(mutex_);
  running_ = false;
  PassTurnLocked();
  return true;
}

void JobGate::Abandon(uint64_t ticket) {
  std::lock_guard lock(mutex_);
  if (ticket == serving_ && !running_) {
    PassTurnLocked();
  } else {
    abandoned_.insert(ticket);
  }
}

bool JobGate::CloseIfIdle() {
  std::lock_guard lock(mutex_);
  if (running_) return false;
  closed_ = true;
  turnChanged_.notify_all();
  return true;
}

void JobGate::PassTurnLocked() {
  ++serving_;
  while (abandoned_.erase(serving_) > 0) ++serving_;
  turnChanged_.notify_all();
}

JobGate& TheJobGate() {
  // Leaked on purpose: workers may still wait on it while static destructors run at exit.
  static JobGate* gate = new JobGate();
  return *gate;
}
