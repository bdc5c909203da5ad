#include "app/shared_state.h"

#include "app/job_gate.h"

namespace {
// On the heap and never destroyed by static destructors: a job may still be running
// while the process ends, and must not find its strings freed under it.
SharedState* g_state = nullptr;
}  // namespace

SharedState& Shared() { return *g_state; }

void InitSharedState() {
  if (!g_state) g_state = new SharedState();
}

bool FreeSharedStateWhenIdle(JobGate& gate) {
  if (!gate.CloseIfIdle()) return false;
  delete g_state;
  g_state = nullptr;
  return true;
}

void FreeSharedState() { FreeSharedStateWhenIdle(TheJobGate()); }
