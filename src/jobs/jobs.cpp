#include "jobs/jobs.h"

// Not built yet: each job returns at once, so a press starts a worker that ends at once.
void SearchJob(View&, const Text&) {}
void LoadAllJob(View&, const Text&) {}
void FetchLinkJob(View&, const Text&) {}
