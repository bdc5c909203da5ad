#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "text/codepage_platform.h"

// iconv stands in for kernel32. Only the non-ASCII stretches go through it: ASCII is the same
// bytes in GBK and UTF-8 and the same values as UTF-16 units, and most of a web page is ASCII.
//
// Replacements follow what kernel32 does with flags 0 (as seen under Wine), so both builds
// turn bad input into the same text; none of them swallows more than the bad character:
//  - UTF-8 input: each maximal ill-formed piece (a valid start of a sequence cut short, or
//    else a single byte) becomes one U+FFFD.
//  - GBK input: a lead byte that GBK does not pair with what follows becomes one '?', taking
//    its following byte with it (as every search over Text does); a lead byte at the very end
//    becomes '?', as does any other rejected byte.
//  - Encoding to GBK: every UTF-16 unit that GBK lacks becomes '?' (two for a surrogate pair).
//  - Encoding to UTF-8: a lone surrogate becomes U+FFFD.
// Known difference: Windows maps GBK's user-defined areas and the byte FF to private-use
// characters; iconv rejects them, so here they become '?'.
// Code pages other than 0, 936 and 65001 are not available here and convert to nothing.

namespace {

enum class Charset { kGbk, kUtf8, kNone };

Charset CharsetOf(int codePage) {
  switch (codePage) {
    case 0:
    case 936:
      return Charset::kGbk;
    case 65001:
      return Charset::kUtf8;
    default:
      return Charset::kNone;
  }
}

// UTF-16 in the host's byte order, so iconv writes and reads char16_t directly.
constexpr const char* kUnits =
    std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

class Converter {
 public:
  Converter(const char* to, const char* from) : to_(to), from_(from) {}
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  ~Converter() {
    if (cd_ != kNoConverter) iconv_close(cd_);
  }

  iconv_t Get() {
    if (cd_ == kNoConverter) cd_ = iconv_open(to_, from_);
    return cd_;
  }

 private:
  const char* to_;
  const char* from_;
  iconv_t cd_ = kNoConverter;
};

// One set per thread: an iconv_t is not safe to share, and opening one per call costs more
// than converting a title. Closed when the thread ends.
struct Converters {
  Converter gbkToUnits{kUnits, "CP936"};
  Converter utf8ToUnits{kUnits, "UTF-8"};
  Converter unitsToGbk{"CP936", kUnits};
  Converter unitsToUtf8{"UTF-8", kUnits};
};

Converters& ThreadConverters() {
  thread_local Converters converters;
  return converters;
}

bool IsGbkLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Length of the run of bytes below 0x80 at the start of [p, p + size).
size_t AsciiPrefix(const unsigned char* p, size_t size) {
  size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, sizeof w);
    if ((w & 0x8080808080808080ULL) != 0) break;
  }
  while (i < size && p[i] < 0x80) ++i;
  return i;
}

// Growable output with a write position, so that runs can be appended without zero-filling
// the whole worst case up front.
template <typename String>
class Output {
 public:
  using Unit = typename String::value_type;

  Unit* Reserve(size_t count) {
    if (buffer_.size() - used_ < count) buffer_.resize(std::max(buffer_.size() * 2, used_ + count));
    return buffer_.data() + used_;
  }
  void Commit(size_t count) { used_ += count; }
  String Take() {
    buffer_.resize(used_);
    return std::move(buffer_);
  }

 private:
  String buffer_;
  size_t used_ = 0;
};

// Length of the maximal ill-formed piece at p: the longest prefix of a well-formed UTF-8
// sequence that is there, or 1 when p[0] starts none.
size_t Utf8BadLength(const unsigned char* p, size_t left) {
  const unsigned char c = p[0];
  size_t trail;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    trail = 1;
  } else if (c == 0xE0) {
    trail = 2;
    low = 0xA0;
  } else if (c == 0xED) {
    trail = 2;
    high = 0x9F;
  } else if (c >= 0xE1 && c <= 0xEF) {
    trail = 2;
  } else if (c == 0xF0) {
    trail = 3;
    low = 0x90;
  } else if (c == 0xF4) {
    trail = 3;
    high = 0x8F;
  } else if (c >= 0xF1 && c <= 0xF3) {
    trail = 3;
  } else {
    return 1;
  }
  size_t k = 1;
  for (; k <= trail && k < left; ++k) {
    const unsigned char b = p[k];
    if (k == 1 ? (b < low || b > high) : (b < 0x80 || b > 0xBF)) break;
  }
  return k;
}

// Converts one non-ASCII stretch with iconv, replacing what it rejects. `out` must have room
// for the worst case: at most one unit per input byte.
size_t DecodeRun(iconv_t cd, Charset charset, const unsigned char* run, size_t size,
                 char16_t* out) {
  char* in = const_cast<char*>(reinterpret_cast<const char*>(run));
  size_t inLeft = size;
  char* outPos = reinterpret_cast<char*>(out);
  size_t outLeft = size * sizeof(char16_t);
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &outPos, &outLeft) != static_cast<size_t>(-1)) break;
    if (errno != EILSEQ && errno != EINVAL) break;  // E2BIG cannot happen with this sizing
    const unsigned char* bad = reinterpret_cast<const unsigned char*>(in);
    size_t skip;
    char16_t replacement;
    if (charset == Charset::kGbk) {
      replacement = u'?';
      skip = IsGbkLead(bad[0]) && inLeft >= 2 ? 2 : 1;
    } else {
      replacement = 0xFFFD;
      skip = Utf8BadLength(bad, inLeft);
    }
    std::memcpy(outPos, &replacement, sizeof replacement);
    outPos += sizeof replacement;
    outLeft -= sizeof replacement;
    in += skip;
    inLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return static_cast<size_t>(reinterpret_cast<char16_t*>(outPos) - out);
}

// `out` must have room for three bytes per unit.
size_t EncodeRun(iconv_t cd, Charset charset, const char16_t* run, size_t size, char* out) {
  char* in = const_cast<char*>(reinterpret_cast<const char*>(run));
  size_t inLeft = size * sizeof(char16_t);
  char* outPos = out;
  size_t outLeft = size * 3;
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &outPos, &outLeft) != static_cast<size_t>(-1)) break;
    if (errno != EILSEQ && errno != EINVAL) break;
    if (charset == Charset::kUtf8) {
      std::memcpy(outPos, "\xEF\xBF\xBD", 3);
      outPos += 3;
      outLeft -= 3;
    } else {
      *outPos++ = '?';
      outLeft -= 1;
    }
    in += sizeof(char16_t);
    inLeft -= sizeof(char16_t);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return static_cast<size_t>(outPos - out);
}

}  // namespace

std::u16string DecodeCodePage(int codePage, std::string_view bytes) {
  const Charset charset = CharsetOf(codePage);
  if (charset == Charset::kNone || bytes.empty()) return {};
  Converters& converters = ThreadConverters();
  const iconv_t cd =
      charset == Charset::kGbk ? converters.gbkToUnits.Get() : converters.utf8ToUnits.Get();
  if (cd == kNoConverter) return {};

  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  Output<std::u16string> out;
  out.Reserve(n);
  size_t i = 0;
  while (i < n) {
    const size_t ascii = AsciiPrefix(p + i, n - i);
    char16_t* to = out.Reserve(ascii);
    for (size_t k = 0; k < ascii; ++k) to[k] = p[i + k];
    out.Commit(ascii);
    i += ascii;
    if (i == n) break;

    // The stretch ends before the next byte below 0x80 that starts a character. In GBK a
    // trail byte may be in the ASCII range, so step over whole pairs there.
    size_t end = i;
    if (charset == Charset::kGbk) {
      while (end < n && p[end] >= 0x80) end += IsGbkLead(p[end]) ? 2 : 1;
      end = std::min(end, n);
    } else {
      while (end < n && p[end] >= 0x80) ++end;
    }
    const size_t length = end - i;
    out.Commit(DecodeRun(cd, charset, p + i, length, out.Reserve(length)));
    i = end;
  }
  return out.Take();
}

std::string EncodeCodePage(int codePage, std::u16string_view units) {
  const Charset charset = CharsetOf(codePage);
  if (charset == Charset::kNone || units.empty()) return {};
  Converters& converters = ThreadConverters();
  const iconv_t cd =
      charset == Charset::kGbk ? converters.unitsToGbk.Get() : converters.unitsToUtf8.Get();
  if (cd == kNoConverter) return {};

  const char16_t* u = units.data();
  const size_t n = units.size();
  Output<std::string> out;
  out.Reserve(n + n / 2);
  size_t i = 0;
  while (i < n) {
    size_t ascii = 0;
    while (i + ascii < n && u[i + ascii] < 0x80) ++ascii;
    char* to = out.Reserve(ascii);
    for (size_t k = 0; k < ascii; ++k) to[k] = static_cast<char>(u[i + k]);
    out.Commit(ascii);
    i += ascii;
    if (i == n) break;

    size_t end = i;
    while (end < n && u[end] >= 0x80) ++end;
    const size_t length = end - i;
    out.Commit(EncodeRun(cd, charset, u + i, length, out.Reserve(length * 3)));
    i = end;
  }
  return out.Take();
}

int AnsiCodePage() { return 936; }
