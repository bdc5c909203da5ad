// Starting a job on a worker thread of its own.
#pragma once

#include "app/job_gate.h"

// Starts a detached worker that runs job in its turn through gate, and returns at once.
// A thread that cannot be created is not reported; its turn is given up.
void StartJobThread(JobRoutine job, JobGate& gate = TheJobGate());
