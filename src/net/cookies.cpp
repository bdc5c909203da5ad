#include "net/cookies.h"

#include <cstddef>
#include <utility>

#include "text/extract.h"

namespace {

// Bytes from 0x80 up open a double-byte character; the byte after one is never read on its own,
// so a trail byte equal to ' ', ';' or '=' is not taken for that character.
size_t CharacterLength(const Text& text, size_t at) {
  return static_cast<unsigned char>(text[at]) >= 0x80 && at + 1 < text.size() ? 2 : 1;
}

constexpr unsigned char kFullWidthSpaceByte = 0xA1;  // A1 A1 is the full-width space

// Drops every ASCII space and every full-width space, wherever they stand.
Text RemoveSpaces(const Text& text) {
  Text out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t length = CharacterLength(text, i);
    const bool space =
        length == 1 ? text[i] == ' '
                    : static_cast<unsigned char>(text[i]) == kFullWidthSpaceByte &&
                          static_cast<unsigned char>(text[i + 1]) == kFullWidthSpaceByte;
    if (!space) out.append(text, i, length);
    i += length;
  }
  return out;
}

// Pieces between ';'. Two in a row give an empty piece; a final one gives none after it.
TextArray SplitPieces(const Text& text) {
  TextArray pieces;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); i += CharacterLength(text, i)) {
    if (text[i] == ';') {
      pieces.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  if (start < text.size()) pieces.push_back(text.substr(start));
  return pieces;
}

struct Cookie {
  Text name;
  Text value;
};

std::vector<Cookie> ParseCookies(const Text& text) {
  std::vector<Cookie> cookies;
  for (const Text& piece : SplitPieces(text)) {
    cookies.push_back({CookieName(piece), CookieValue(piece)});
  }
  return cookies;
}

}  // namespace

Text CookieName(const Text& piece) {
  const int equals = FindText(piece, "=");
  return TrimSpaces(equals == -1 ? piece : piece.substr(0, static_cast<size_t>(equals) - 1));
}

Text CookieValue(const Text& piece) {
  const int equals = FindText(piece, "=");
  if (equals == -1) return Text();
  return piece.substr(static_cast<size_t>(equals));
}

Text MergeCookies(Text& jar, Text& newCookies) {
  jar = RemoveSpaces(jar);
  newCookies = RemoveSpaces(newCookies);
  // Nothing came in: the jar keeps its pieces and its form, not even a ";" is added.
  if (newCookies.empty()) return jar;

  std::vector<Cookie> merged = ParseCookies(jar);
  for (Cookie& incoming : ParseCookies(newCookies)) {
    // Linear on purpose: names appended earlier in this merge are matched too, so a repeated
    // new name ends with its last value, and a name twice in the jar updates its first only.
    Cookie* match = nullptr;
    for (Cookie& cookie : merged) {
      if (cookie.name == incoming.name) {
        match = &cookie;
        break;
      }
    }
    if (match != nullptr) {
      match->value = std::move(incoming.value);
    } else {
      merged.push_back(std::move(incoming));
    }
  }

  jar.clear();
  for (const Cookie& cookie : merged) {
    // An emptied or "deleted" cookie is how a server removes one.
    if (cookie.name.empty() || cookie.value.empty() || cookie.value == "deleted") continue;
    jar += cookie.name;
    jar += '=';
    jar += cookie.value;
    jar += ';';
  }
  return jar;
}
