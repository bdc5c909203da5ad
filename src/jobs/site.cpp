#include "jobs/site.h"

Text DefaultSiteBase() { return QM_SITE_BASE; }
