// The search site the program talks to.
#pragma once

#include "text/text.h"

// Scheme and host, no trailing slash. Fixed at build time; only tests and the
// command-line front end pass another one to the jobs.
Text DefaultSiteBase();
