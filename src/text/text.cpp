#include "text/text.h"

#include <cstdint>
#include <cstring>
#include <limits>

Text BytesToText(const Bytes& bytes) {
  const void* zero = std::memchr(bytes.data(), 0, bytes.size());
  if (zero == nullptr) return bytes;
  return Text(bytes.data(), static_cast<const char*>(zero) - bytes.data());
}

namespace {

bool IsAsciiSpace(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Full-width forms in GBK: A1 A1 is the ideographic space, A3 xx mirrors ASCII
// (A3 AB '+', A3 AD '-', A3 B0..A3 B9 '0'..'9').
bool IsFullWidth(const Text& t, size_t i, unsigned char lead, unsigned char trail) {
  return i + 1 < t.size() && static_cast<unsigned char>(t[i]) == lead &&
         static_cast<unsigned char>(t[i + 1]) == trail;
}

}  // namespace

int TextToInteger(const Text& text) {
  size_t i = 0;
  const size_t n = text.size();
  for (;;) {
    if (i < n && IsAsciiSpace(static_cast<unsigned char>(text[i]))) {
      ++i;
    } else if (IsFullWidth(text, i, 0xA1, 0xA1)) {
      i += 2;
    } else {
      break;
    }
  }

  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  } else if (IsFullWidth(text, i, 0xA3, 0xAB) || IsFullWidth(text, i, 0xA3, 0xAD)) {
    negative = static_cast<unsigned char>(text[i + 1]) == 0xAD;
    i += 2;
  }

  // Accumulate as a negative number so that INT32_MIN is reachable without overflow;
  // once past the range, keep consuming digits but stay saturated.
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  int64_t value = 0;
  for (;;) {
    int digit;
    if (i < n && text[i] >= '0' && text[i] <= '9') {
      digit = text[i] - '0';
      i += 1;
    } else if (i + 1 < n && static_cast<unsigned char>(text[i]) == 0xA3 &&
               static_cast<unsigned char>(text[i + 1]) >= 0xB0 &&
               static_cast<unsigned char>(text[i + 1]) <= 0xB9) {
      digit = static_cast<unsigned char>(text[i + 1]) - 0xB0;
      i += 2;
    } else {
      break;
    }
    value = value * 10 - digit;
    if (value < kMin) value = kMin - 1;  // clamp one below so both signs saturate
  }

  if (negative) return value < kMin ? std::numeric_limits<int32_t>::min() : static_cast<int>(value);
  const int64_t positive = -value;
  if (positive > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int>(positive);
}

Text IntegerToText(long long value) { return std::to_string(value); }
