// The site address built into a program; a test build links another one.
#include "jobs/site.h"

Text DefaultSiteBase() { return QM_SITE_BASE; }
