#include "net/wininet_request.h"

#include <windows.h>
#include <wininet.h>

#include "net/cookies.h"
#include "net/request_common.h"
#include "net/request_timeouts.h"
#include "net/url.h"

namespace {

// Closes a WinINet handle when it goes out of scope; declared in opening order, so the
// request, connection and root close in reverse.
class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
  ~InternetHandle() {
    if (handle_) InternetCloseHandle(handle_);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void Close() {
    if (handle_) InternetCloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HINTERNET handle_;
};

// The program keeps WinINet's own time-outs; only tests shorten them.
void ApplyTestTimeouts(HINTERNET handle) {
  const RequestTimeouts timeouts = CurrentRequestTimeouts();
  if (!timeouts.setByTest) return;
  DWORD connect = static_cast<DWORD>(timeouts.connectMs), stall = static_cast<DWORD>(timeouts.stallMs);
  InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
  InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &stall, sizeof stall);
  InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &stall, sizeof stall);
}

}  // namespace

Bytes HttpRequestWinInet(const Text& url, WinInetRequest& r) {
  const int method = NormalizeMethod(r.method);
  const bool secure = IsSecureUrl(url);
  const Text agent = WinInetUserAgent(r.headers);

  InternetHandle root(r.proxy.empty()
                          ? InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, "", "", 0)
                          : InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PROXY,
                                          WinInetProxyText(url, r.proxy).c_str(), "", 0));
  if (!root) return Bytes();
  ApplyTestTimeouts(root.get());
  InternetHandle connection(InternetConnectA(root.get(), UrlHost(url).c_str(),
                                             static_cast<INTERNET_PORT>(UrlPort(url)), "", "",
                                             INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return Bytes();

  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NEED_FILE;
  if (r.cookies) flags |= INTERNET_FLAG_NO_COOKIES;
  if (r.noRedirect) flags |= INTERNET_FLAG_NO_AUTO_REDIRECT;
  flags |= secure ? INTERNET_FLAG_SECURE : INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
  InternetHandle request(HttpOpenRequestA(connection.get(), VerbName(method), UrlPath(url).c_str(), "HTTP/1.1",
                                          "", nullptr, flags, 0));
  if (!request) return Bytes();
  ApplyTestTimeouts(request.get());

  AddWinInetDefaultHeaders(r.headers, url, r.cookies.value_or(Text()));
  if (method == 0) {
    HttpSendRequestA(request.get(), r.headers.data(), static_cast<DWORD>(r.headers.size()), nullptr, 0);
  } else {
    if (r.postBytes.empty()) r.postBytes = r.postText;
    HttpSendRequestA(request.get(), r.headers.data(), static_cast<DWORD>(r.headers.size()), r.postBytes.data(),
                     static_cast<DWORD>(r.postBytes.size()));
  }

  Bytes body;
  char buffer[1024];
  for (;;) {
    DWORD read = 0;
    if (!InternetReadFile(request.get(), buffer, sizeof buffer, &read)) read = 0;
    if (read == 0) break;
    body.append(buffer, read);
    if (body.size() >= kMaxBodyBytes) {
      body.resize(kMaxBodyBytes);
      break;
    }
  }

  // A header block over 5000 bytes is not read: no cookies come from it.
  Text raw(5000, ' ');
  DWORD length = 5000;
  if (HttpQueryInfoA(request.get(), HTTP_QUERY_RAW_HEADERS_CRLF, raw.data(), &length, nullptr)) {
    raw.resize(length);
  } else {
    raw.clear();
  }
  r.responseHeaders = NormalizeSetCookie(BytesToText(raw));

  request.Close();
  connection.Close();
  root.Close();

  r.responseCookies = CollectResponseCookies(r.responseHeaders);
  if (r.cookies) r.responseCookies = MergeCookies(*r.cookies, r.responseCookies);
  return body;
}
