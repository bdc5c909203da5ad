// libcurl in place of WinINet: the same verb, path, header block, agent and proxy rule
// on the wire, no cookie engine, redirects as asked, nothing from a cache.
#include "net/wininet_request.h"

#include <curl/curl.h>

#include <mutex>

#include "net/cookies.h"
#include "net/request_common.h"
#include "net/request_timeouts.h"
#include "net/url.h"

namespace {

// WinINet hands back at most this much of the raw header block.
constexpr size_t kHeaderBufferBytes = 5000;

struct Transfer {
  Bytes body;
  Text headers;  // of the last response only, as redirects pass
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  size_t n = size * count;
  size_t room = kMaxBodyBytes - t->body.size();
  t->body.append(data, n < room ? n : room);
  return n <= room ? n : 0;  // past the cap: stop the transfer, keep what came
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  size_t n = size * count;
  Text line(data, n);
  if (line.rfind("HTTP/", 0) == 0) t->headers.clear();
  if (t->headers.size() < (1u << 20)) t->headers += line;
  return n;
}

struct CurlHandle {
  CURL* curl = curl_easy_init();
  curl_slist* lines = nullptr;
  ~CurlHandle() {
    curl_slist_free_all(lines);
    if (curl) curl_easy_cleanup(curl);
  }
};

}  // namespace

Bytes HttpRequestWinInet(const Text& url, WinInetRequest& r) {
  static std::once_flag curlReady;
  std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

  const int method = NormalizeMethod(r.method);
  const bool secure = IsSecureUrl(url);
  const Text agent = WinInetUserAgent(r.headers);

  CurlHandle h;
  if (!h.curl) return Bytes();
  CURL* c = h.curl;

  // Where WinINet would connect and what it would ask for.
  Text target = Text(secure ? "https://" : "http://") + UrlHost(url) + ":" + IntegerToText(UrlPort(url)) + UrlPath(url);
  curl_easy_setopt(c, CURLOPT_URL, target.c_str());
  curl_easy_setopt(c, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_USERAGENT, agent.c_str());
  // An empty proxy also keeps the environment's proxy variables out.
  curl_easy_setopt(c, CURLOPT_PROXY, r.proxy.c_str());
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, r.noRedirect ? 0L : 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, 30L);
  const RequestTimeouts timeouts = CurrentRequestTimeouts();
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts.connectMs));
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, static_cast<long>((timeouts.stallMs + 999) / 1000));

  AddWinInetDefaultHeaders(r.headers, url, r.cookies.value_or(Text()));
  for (const Text& line : SplitAtCrLf(r.headers)) {
    if (!line.empty()) h.lines = curl_slist_append(h.lines, line.c_str());
  }
  // None of curl's own lines beyond what WinINet sends: an empty value takes curl's line
  // away, and a line of ours with that name still goes out. "X-Accept:" in our block
  // stops our default Accept line, but curl would still add its own.
  h.lines = curl_slist_append(h.lines, "Accept:");
  h.lines = curl_slist_append(h.lines, "Expect:");
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, h.lines);

  if (method != 0) {
    if (r.postBytes.empty()) r.postBytes = r.postText;
    // HEAD first: NOBODY makes curl expect no response body; the POST options after it
    // bring the request body back, which WinINet sends with HEAD too.
    if (method == 2) curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, static_cast<long>(r.postBytes.size()));
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, r.postBytes.data());
    if (method == 2) curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, "HEAD");
  }

  Transfer t;
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &t);
  curl_easy_perform(c);  // a failed transfer keeps whatever arrived

  r.responseHeaders = t.headers.size() < kHeaderBufferBytes ? NormalizeSetCookie(BytesToText(t.headers)) : Text();
  r.responseCookies = CollectResponseCookies(r.responseHeaders);
  if (r.cookies) r.responseCookies = MergeCookies(*r.cookies, r.responseCookies);
  return t.body;
}
