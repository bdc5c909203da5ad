// Runs jobs one at a time, in the order their buttons were pressed. The UI thread only
// takes tickets and never waits here; worker threads wait for their turn.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>

using JobRoutine = void (*)();

class JobGate {
 public:
  // At the press, on the UI thread: the job's place in line.
  uint64_t TakeTicket();
  // On the worker: waits for the ticket's turn, runs the job, passes the turn on.
  // Returns false without running when the gate was closed meanwhile.
  bool RunInTurn(uint64_t ticket, JobRoutine job);
  // A ticket whose thread never started must not hold up the line.
  void Abandon(uint64_t ticket);
  // Closes the gate for good when no job runs; false (at once) while one does.
  bool CloseIfIdle();

 private:
  void PassTurnLocked();

  std::mutex mutex_;
  std::condition_variable turnChanged_;
  uint64_t nextTicket_ = 0;
  uint64_t serving_ = 0;
  std::set<uint64_t> abandoned_;
  bool running_ = false;
  bool closed_ = false;
};

// The process-wide gate that every button press goes through. Never destroyed.
JobGate& TheJobGate();
