// Pieces of an HTTP request that do not depend on the platform's HTTP client: the
// verb, the user agent, the default header block, the proxy rule and the cookies that a
// response sets. Both request backends build on these.
#pragma once

#include <cstddef>

#include "text/text.h"

// Bodies stop growing here: a server that never ends its body cannot exhaust memory.
constexpr size_t kMaxBodyBytes = 64u << 20;

// "GET", "POST" or "HEAD" for 0, 1, 2; anything else counts as 0.
int NormalizeMethod(int method);
const char* VerbName(int method);

// True when the URL starts with "https://" in any letter case.
bool IsSecureUrl(const Text& url);

// The trimmed text after the first ":" of the whole header text; empty without one.
Text TextAfterColon(const Text& headers);

// The agent a request over WinINet announces: the User-Agent value given in headers, else
// the default agent "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)".
Text WinInetUserAgent(const Text& headers);

// Completes the caller's header block with the default lines it lacks, then the cookies.
void AddWinInetDefaultHeaders(Text& headers, const Text& url, const Text& cookies);

// The proxy text handed to the platform: as given for https, "http=" + proxy otherwise.
Text WinInetProxyText(const Text& url, const Text& proxy);

// The lines of a header block, split at CR LF; empty lines included.
TextArray SplitAtCrLf(const Text& block);

// Brings every "Set-Cookie" header name, in whatever letter case, to that spelling.
Text NormalizeSetCookie(const Text& rawHeaders);

// "a=1; b=2": the name=value pair of every Set-Cookie line of a raw header block.
Text CollectResponseCookies(const Text& rawHeaders);
