#include "net/url.h"

#include <cstddef>

#include "text/extract.h"

namespace {

// Bytes from 0x80 up open a double-byte character; the byte after one is never read on its own.
bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// Only ASCII A-Z change; a double-byte character is stepped over whole, so a trail byte
// that happens to lie in 0x41..0x5A stays as it is.
Text LowerAscii(const Text& text) {
  Text out = text;
  for (size_t i = 0; i < out.size();) {
    if (IsLeadByte(out[i])) {
      i += 2;
    } else {
      if (out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] - 'A' + 'a');
      i += 1;
    }
  }
  return out;
}

// Offset of the last character that starts at or after the first byte, or npos for empty text.
// A trailing lone lead byte counts as a character of its own.
size_t LastCharacterStart(const Text& text) {
  size_t last = Text::npos;
  for (size_t i = 0; i < text.size(); i += IsLeadByte(text[i]) ? 2 : 1) last = i;
  return last;
}

// Offset of the last ':' that is a character of its own (not a trail byte), or npos.
size_t LastColon(const Text& text) {
  size_t found = Text::npos;
  for (size_t i = 0; i < text.size(); i += IsLeadByte(text[i]) ? 2 : 1) {
    if (text[i] == ':') found = i;
  }
  return found;
}

constexpr char kHttps[] = "https://";
constexpr char kHttp[] = "http://";

bool StartsWithIgnoringCase(const Text& text, const Text& prefix) {
  return LowerAscii(text.substr(0, prefix.size())) == prefix;
}

}  // namespace

Text UrlHost(const Text& url, bool keepPort) {
  Text copy = LowerAscii(url);
  // The host must always be closed by a "/"; a '/' that is the trail byte of a double-byte
  // character does not count.
  const size_t last = LastCharacterStart(copy);
  if (last == Text::npos || copy.size() - last != 1 || copy[last] != '/') copy += '/';

  Text host;
  if (copy.starts_with(kHttps)) {
    host = ExtractBetween(copy, kHttps, "/");
  } else {
    if (FindText(copy, kHttp) == -1) copy.insert(0, kHttp);
    host = ExtractBetween(copy, kHttp, "/");
  }

  if (!keepPort) {
    const int colon = FindText(host, ":");
    if (colon != -1) host.resize(static_cast<size_t>(colon) - 1);
  }
  return host;
}

int UrlPort(const Text& url) {
  const Text host = UrlHost(url, true);
  const size_t colon = LastColon(host);
  if (colon != Text::npos) return TextToInteger(host.substr(colon + 1));
  // Only the first five bytes decide; a URL without a scheme never reaches 443 otherwise.
  return StartsWithIgnoringCase(url, "https") ? 443 : 80;
}

Text UrlPath(const Text& url) {
  // Start looking where UrlHost took the host from, so that a host spelt with the letters
  // of the scheme is not found inside the scheme marker.
  int hostStart = 1;
  if (StartsWithIgnoringCase(url, kHttps)) {
    hostStart = static_cast<int>(sizeof kHttps - 1) + 1;
  } else if (const int http = FindText(url, kHttp, 1, true); http != -1) {
    hostStart = http + static_cast<int>(sizeof kHttp - 1);
  }
  const int slash = FindText(url, "/", hostStart);
  if (slash == -1) return "/";
  return url.substr(static_cast<size_t>(slash) - 1);
}
