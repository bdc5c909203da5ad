#include "text/extract.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

#include "text/pending_messages.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

using Byte = unsigned char;

constexpr std::array<Byte, 256> MakeFoldTable() {
  std::array<Byte, 256> table{};
  for (int c = 0; c < 256; ++c) {
    table[c] = static_cast<Byte>(c >= 'A' && c <= 'Z' ? c | 0x20 : c);
  }
  return table;
}
constexpr std::array<Byte, 256> kFold = MakeFoldTable();

bool IsAsciiLetter(Byte c) { return kFold[c] >= 'a' && kFold[c] <= 'z'; }

// One byte of the sought text as the bulk scan tests it: (b | orBits) == value.
// For a letter under case folding this is (b | 0x20) == lower, which accepts exactly the
// two cases of that letter; for anything else it is plain equality.
struct ByteProbe {
  Byte orBits;
  Byte value;
};

ByteProbe MakeProbe(Byte c, bool ignoreCase) {
  if (ignoreCase && IsAsciiLetter(c)) return {0x20, kFold[c]};
  return {0x00, c};
}

// Answers, for offsets asked in increasing order, whether the search walk lands on them.
// The walk steps one byte over a byte below 0x80 and two over a higher one, so the offset
// right after any byte below 0x80 is always on it, and inside a run of higher bytes it lands
// every second byte. An offset is therefore on the walk iff the run of bytes >= 0x80 just
// before it has even length. The run is measured back to the last byte below 0x80 or to an
// offset already known to be on the walk, which only moves forward, so the total work stays
// linear however many candidates a long run of double-byte text holds.
class WalkTracker {
 public:
  WalkTracker(const Byte* text, size_t start) : text_(text), known_(start) {}

  bool OnWalk(size_t p) {
    size_t q = p;
    while (q - known_ >= 8 && AllHigh(text_ + q - 8)) q -= 8;
    while (q > known_ && text_[q - 1] >= 0x80) --q;
    const bool on = ((p - q) & 1) == 0;
    // Off the walk, p is the second byte of a character that starts at p - 1, so p + 1 is on it.
    known_ = on ? p : p + 1;
    return on;
  }

 private:
  static bool AllHigh(const Byte* p) {
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return (w & 0x8080808080808080ULL) == 0x8080808080808080ULL;
  }

  const Byte* text_;
  size_t known_;
};

class Finder {
 public:
  Finder(const Byte* text, size_t size, const Byte* sought, size_t length, bool ignoreCase)
      : text_(text),
        size_(size),
        sought_(sought),
        length_(length),
        ignoreCase_(ignoreCase),
        first_(MakeProbe(sought[0], ignoreCase)),
        last_(MakeProbe(sought[length - 1], ignoreCase)) {}

  // Offset of the first match on the walk from start, or -1. Needs start + length <= size.
  long long Find(size_t start) const {
    WalkTracker walk(text_, start);
    const size_t lastOffset = length_ - 1;
    size_t i = start;

#ifdef __SSE2__
    const __m128i firstOr = _mm_set1_epi8(static_cast<char>(first_.orBits));
    const __m128i firstValue = _mm_set1_epi8(static_cast<char>(first_.value));
    const __m128i lastOr = _mm_set1_epi8(static_cast<char>(last_.orBits));
    const __m128i lastValue = _mm_set1_epi8(static_cast<char>(last_.value));
    while (i + lastOffset + 16 <= size_) {
      const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text_ + i));
      const __m128i tail =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(text_ + i + lastOffset));
      const __m128i hit = _mm_and_si128(
          _mm_cmpeq_epi8(_mm_or_si128(head, firstOr), firstValue),
          _mm_cmpeq_epi8(_mm_or_si128(tail, lastOr), lastValue));
      unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
      while (mask != 0) {
        const size_t p = i + static_cast<size_t>(std::countr_zero(mask));
        if (MiddleMatches(p) && walk.OnWalk(p)) return static_cast<long long>(p);
        mask &= mask - 1;
      }
      i += 16;
    }
#endif

    // Eight bytes at a time in plain integer arithmetic (the 32-bit Windows build has no SSE2).
    const uint64_t firstOrWord = Broadcast(first_.orBits);
    const uint64_t firstValueWord = Broadcast(first_.value);
    const uint64_t lastOrWord = Broadcast(last_.orBits);
    const uint64_t lastValueWord = Broadcast(last_.value);
    while (i + lastOffset + 8 <= size_) {
      uint64_t mask = ZeroBytes((Load(text_ + i) | firstOrWord) ^ firstValueWord) &
                      ZeroBytes((Load(text_ + i + lastOffset) | lastOrWord) ^ lastValueWord);
      while (mask != 0) {
        const size_t p = i + LowestByteIndex(mask);
        if (MiddleMatches(p) && walk.OnWalk(p)) return static_cast<long long>(p);
        mask = ClearLowestByte(mask);
      }
      i += 8;
    }

    for (; i + length_ <= size_; ++i) {
      if (Probe(first_, text_[i]) && Probe(last_, text_[i + lastOffset]) && MiddleMatches(i) &&
          walk.OnWalk(i)) {
        return static_cast<long long>(i);
      }
    }
    return -1;
  }

 private:
  static bool Probe(ByteProbe probe, Byte c) { return (c | probe.orBits) == probe.value; }

  static uint64_t Broadcast(Byte c) { return 0x0101010101010101ULL * c; }

  static uint64_t Load(const Byte* p) {
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
  }

  // 0x80 in each byte lane of x that is zero, 0 elsewhere. Exact per lane: no carry crosses
  // lanes because (x & 0x7F) + 0x7F never exceeds 0xFF.
  static uint64_t ZeroBytes(uint64_t x) {
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    return ~(((x & kLow7) + kLow7) | x) & ~kLow7;
  }

  // Lane index of the lowest-addressed flagged byte, and the mask without it.
  static size_t LowestByteIndex(uint64_t mask) {
    if constexpr (std::endian::native == std::endian::little) {
      return static_cast<size_t>(std::countr_zero(mask)) / 8;
    } else {
      return static_cast<size_t>(std::countl_zero(mask)) / 8;
    }
  }
  static uint64_t ClearLowestByte(uint64_t mask) {
    if constexpr (std::endian::native == std::endian::little) {
      return mask & (mask - 1);
    } else {
      return mask & ~(0x8000000000000000ULL >> std::countl_zero(mask));
    }
  }

  // The first and last bytes are already known to match; compare what lies between.
  bool MiddleMatches(size_t p) const {
    if (length_ <= 2) return true;
    const Byte* t = text_ + p + 1;
    const Byte* s = sought_ + 1;
    const size_t middle = length_ - 2;
    if (!ignoreCase_) return std::memcmp(t, s, middle) == 0;
    for (size_t k = 0; k < middle; ++k) {
      if (kFold[t[k]] != kFold[s[k]]) return false;
    }
    return true;
  }

  const Byte* text_;
  size_t size_;
  const Byte* sought_;
  size_t length_;
  bool ignoreCase_;
  ByteProbe first_;
  ByteProbe last_;
};

constexpr char kQuotePlaceholder[] = "#\xD2\xFD\xBA\xC5";  // "#引号"

Text ReplaceQuotePlaceholder(const Text& marker) {
  constexpr size_t kLength = sizeof kQuotePlaceholder - 1;
  Text out;
  size_t from = 0;
  for (size_t at; (at = marker.find(kQuotePlaceholder, from, kLength)) != Text::npos;
       from = at + kLength) {
    out.append(marker, from, at - from);
    out.push_back('"');
  }
  if (from == 0) return marker;
  out.append(marker, from, Text::npos);
  return out;
}

constexpr Byte kFullWidthSpaceByte = 0xA1;  // A1 A1 is the full-width space

// Bounds of text[0, size) without spaces and full-width spaces at either end, as offsets.
std::pair<size_t, size_t> TrimmedRange(const Byte* t, size_t size) {
  size_t begin = 0;
  while (begin < size) {
    if (t[begin] == ' ') {
      begin += 1;
    } else if (begin + 1 < size && t[begin] == kFullWidthSpaceByte &&
               t[begin + 1] == kFullWidthSpaceByte) {
      begin += 2;
    } else {
      break;
    }
  }

  // From the end, characters are only known after measuring the run of high bytes that
  // ends there: it starts on a character boundary (after a byte below 0x80 or at begin),
  // so its pairs are aligned from its start. An odd run ends with a lone lead byte.
  const auto runStartBefore = [&](size_t at) {
    while (at > begin && t[at - 1] >= 0x80) --at;
    return at;
  };
  size_t end = size;
  while (end > begin) {
    const size_t runStart = runStartBefore(end);
    if (((end - runStart) & 1) != 0) break;
    while (end > runStart && t[end - 2] == kFullWidthSpaceByte &&
           t[end - 1] == kFullWidthSpaceByte) {
      end -= 2;
    }
    if (end > runStart) break;  // another double-byte character
    if (end == begin || t[end - 1] != ' ') break;
    // A space is the second byte of a character when an odd run of high bytes precedes it.
    if (((end - 1 - runStartBefore(end - 1)) & 1) != 0) break;
    --end;
  }
  return {begin, end};
}

// Whether offset `at` starts a character of a stretch of spaces and full-width spaces that
// is tiled with whole characters from offset `from` on: an even number of A1 bytes precedes it.
bool StartsBlankCharacter(const Byte* t, size_t from, size_t at) {
  size_t k = at;
  while (k > from && t[k - 1] == kFullWidthSpaceByte) --k;
  return ((at - k) & 1) == 0;
}

const Byte* Data(const Text& t) { return reinterpret_cast<const Byte*>(t.data()); }

}  // namespace

int FindText(const Text& text, const Text& sought, int startPos, bool ignoreCase) {
  const size_t n = text.size();
  const size_t start = startPos < 1 ? 0 : static_cast<size_t>(startPos) - 1;
  if (start >= n) return -1;
  if (sought.empty()) return 1;  // 1, not start + 1: that is how callers have always seen it
  if (sought.size() > n - start) return -1;
  const long long at =
      Finder(Data(text), n, Data(sought), sought.size(), ignoreCase).Find(start);
  return at < 0 ? -1 : static_cast<int>(at + 1);
}

Text ExtractBetween(const Text& source, const Text& leftMarker, const Text& rightMarker,
                    int startPos, bool ignoreCase) {
  const Text left = ReplaceQuotePlaceholder(leftMarker);
  const Text right = ReplaceQuotePlaceholder(rightMarker);
  int a = FindText(source, left, startPos, ignoreCase);
  if (a == -1) return Text();
  a += static_cast<int>(left.size());
  const int b = FindText(source, right, a, ignoreCase);
  // An empty right marker is "found" at 1, before the left one: nothing lies between.
  if (b == -1 || b < a) return Text();
  return source.substr(static_cast<size_t>(a) - 1, static_cast<size_t>(b - a));
}

int ExtractAllBetween(const Text& source, const Text& leftMarker, const Text& rightMarker,
                      TextArray& results, const ExtractOptions& options) {
  results.clear();
  // An empty marker is found everywhere (the right one at position 1, behind the cursor),
  // so the loop would never move on.
  if (leftMarker.empty() || rightMarker.empty()) return 0;

  const bool ignoreCase = !options.caseSensitive;
  const int leftLength = static_cast<int>(leftMarker.size());
  int cursor = options.startPos;
  // After an empty piece, the positions from blankFrom up to rightAt hold nothing but spaces,
  // whole characters from blankFrom on, and the right marker was found at rightAt. A left
  // marker made of spaces is then found again inside that stretch on every turn. When the
  // byte after it starts a character of the stretch, the search from there walks a tail of
  // the walk that found rightAt, so the right marker and the empty piece are already known:
  // without this shortcut, each turn would search and trim the rest of the stretch again.
  int blankFrom = 0;  // 0: none known
  int rightAt = 0;
  for (;;) {
    const int e = FindText(source, leftMarker, cursor, ignoreCase);
    if (e == -1) break;
    const int afterLeft = e + leftLength;
    if (blankFrom != 0 && afterLeft <= rightAt &&
        StartsBlankCharacter(Data(source), static_cast<size_t>(blankFrom) - 1,
                             static_cast<size_t>(afterLeft) - 1)) {
      cursor = afterLeft;
      blankFrom = afterLeft;
      ProcessPendingMessages();
      ProcessPendingMessages();
      ProcessPendingMessages();
      continue;
    }
    const int f = FindText(source, rightMarker, afterLeft, ignoreCase);
    if (f == -1) break;
    cursor = afterLeft;

    const Byte* piece = Data(source) + (cursor - 1);
    const auto [begin, end] = TrimmedRange(piece, static_cast<size_t>(f - cursor));
    if (!options.prefix.empty() || end > begin || !options.suffix.empty()) {
      Text item;
      item.reserve((options.keepLeftMarker ? leftMarker.size() : 0) + options.prefix.size() +
                   (end - begin) + options.suffix.size() +
                   (options.keepRightMarker ? rightMarker.size() : 0));
      if (options.keepLeftMarker) item += leftMarker;
      item += options.prefix;
      item.append(reinterpret_cast<const char*>(piece) + begin, end - begin);
      item += options.suffix;
      if (options.keepRightMarker) item += rightMarker;

      if (options.maxLength != 0) {
        if (static_cast<long long>(item.size()) < options.maxLength) {
          results.push_back(std::move(item));
        }
        ProcessPendingMessages();
      } else {
        results.push_back(std::move(item));
      }
      // The right marker may also be the next left marker.
      cursor = f;
      blankFrom = 0;
    } else {
      blankFrom = cursor;
      rightAt = f;
    }
    ProcessPendingMessages();
    ProcessPendingMessages();
    ProcessPendingMessages();
  }
  return static_cast<int>(results.size());
}

Text TrimSpaces(const Text& text) {
  const auto [begin, end] = TrimmedRange(Data(text), text.size());
  return text.substr(begin, end - begin);
}
