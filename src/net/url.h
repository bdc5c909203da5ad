// Cutting a URL into the host, port and path that a connection needs, on text alone.
#pragma once

#include "text/text.h"

// The host, lower-cased; with keepPort, followed by ":" and the port when the URL names one.
Text UrlHost(const Text& url, bool keepPort = false);
// The port the URL names, else 443 for https and 80 for everything else.
int UrlPort(const Text& url);
// Everything from the first "/" after the host, query included, case kept; "/" when none.
Text UrlPath(const Text& url);
