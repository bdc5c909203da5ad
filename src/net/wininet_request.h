// One blocking HTTP(S) request the way WinINet makes it: the search job fetches its page
// with it. Natively libcurl stands in with the same request on the wire.
#pragma once

#include <optional>

#include "text/text.h"

// The arguments after the URL. In/out and out fields are written in place.
struct WinInetRequest {
  int method = 0;                // 0 GET, 1 POST, 2 HEAD; anything else GET
  Text postText;                 // body when postBytes is empty and the verb is not GET
  std::optional<Text> cookies;   // in/out: the caller's jar; given at all, the platform's cookies are off
  Text responseCookies;          // out: cookies this response set, or the merged jar
  Text headers;                  // in/out: extra lines; on return the whole block sent
  Text responseHeaders;          // out: raw response headers, Set-Cookie in one spelling
  bool noRedirect = false;
  Bytes postBytes;               // in/out: body bytes; filled from postText when empty
  Text proxy;                    // empty: direct
};

// The response body; empty when a handle cannot be opened or nothing arrives.
Bytes HttpRequestWinInet(const Text& url, WinInetRequest& request);
