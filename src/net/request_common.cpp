#include "net/request_common.h"

#include "text/extract.h"

namespace {

const char kDefaultAgent[] = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

bool Contains(const Text& text, const Text& sought) { return FindText(text, sought) != -1; }

// Every occurrence of sought (ASCII case ignored) replaced by replacement, left to right.
Text ReplaceIgnoringCase(const Text& text, const Text& sought, const Text& replacement) {
  Text out;
  int from = 1;
  for (;;) {
    int at = FindText(text, sought, from, true);
    if (at == -1) break;
    out.append(text, static_cast<size_t>(from - 1), static_cast<size_t>(at - from));
    out += replacement;
    from = at + static_cast<int>(sought.size());
  }
  out.append(text, static_cast<size_t>(from - 1), Text::npos);
  return out;
}

}  // namespace

int NormalizeMethod(int method) { return method < 0 || method > 2 ? 0 : method; }

const char* VerbName(int method) {
  static const char* const kVerbs[] = {"GET", "POST", "HEAD"};
  return kVerbs[NormalizeMethod(method)];
}

bool IsSecureUrl(const Text& url) { return FindText(url.substr(0, 8), "https://", 0, true) == 1; }

Text TextAfterColon(const Text& headers) {
  int colon = FindText(headers, ":");
  if (colon == -1) return Text();
  return TrimSpaces(headers.substr(static_cast<size_t>(colon)));
}

Text WinInetUserAgent(const Text& headers) {
  if (FindText(headers, "User-Agent:", 0, true) == -1) return kDefaultAgent;
  Text agent = TrimSpaces(ExtractBetween(headers + "\r\n", "User-Agent:", "\r\n"));
  if (agent.empty()) agent = TextAfterColon(headers);
  return agent;
}

void AddWinInetDefaultHeaders(Text& headers, const Text& url, const Text& cookies) {
  if (headers.empty()) {
    headers = "Accept: */*";
  } else if (!Contains(headers, "Accept:")) {
    headers += "\r\nAccept: */*";
  }
  if (!Contains(headers, "Referer:")) headers += "\r\nReferer: " + url;
  if (!Contains(headers, "Accept-Language:")) headers += "\r\nAccept-Language: zh-cn";
  if (!Contains(headers, "Content-Type:")) headers += "\r\nContent-Type: application/x-www-form-urlencoded";
  if (!cookies.empty()) {
    headers += Contains(cookies, "Cookie:") ? "\r\n" + cookies : "\r\nCookie: " + cookies;
  }
}

Text WinInetProxyText(const Text& url, const Text& proxy) {
  return IsSecureUrl(url) ? proxy : "http=" + proxy;
}

TextArray SplitAtCrLf(const Text& block) {
  TextArray lines;
  size_t start = 0;
  for (;;) {
    size_t end = block.find("\r\n", start);
    if (end == Text::npos) {
      lines.push_back(block.substr(start));
      return lines;
    }
    lines.push_back(block.substr(start, end - start));
    start = end + 2;
  }
}

Text NormalizeSetCookie(const Text& rawHeaders) {
  return ReplaceIgnoringCase(rawHeaders, "Set-Cookie", "Set-Cookie");
}

Text CollectResponseCookies(const Text& rawHeaders) {
  Text cookies;
  for (const Text& line : SplitAtCrLf(rawHeaders)) {
    if (!Contains(line, "Set-Cookie")) continue;
    Text pair = Contains(line, ";") ? ExtractBetween(line, "Set-Cookie:", ";")
                                    : ReplaceIgnoringCase(line, "Set-Cookie:", "");
    cookies += TrimSpaces(pair) + "; ";
  }
  if (cookies.size() >= 2) cookies.resize(cookies.size() - 2);
  return cookies;
}
