#include "text/codepage.h"

#include <array>
#include <cstring>
#include <string_view>

#include "text/codepage_platform.h"

namespace {

// A Text ends at its first zero byte, as the platform calls read it.
std::string_view UpToZero(const Text& text) {
  const void* zero = std::memchr(text.data(), 0, text.size());
  const size_t size =
      zero == nullptr ? text.size() : static_cast<size_t>(static_cast<const char*>(zero) - text.data());
  return std::string_view(text.data(), size);
}

Text Convert(const Text& text, int fromCodePage, int toCodePage) {
  const std::string_view input = UpToZero(text);
  if (input.empty()) return Text();
  return BytesToText(EncodeCodePage(toCodePage, DecodeCodePage(fromCodePage, input)));
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

constexpr std::array<bool, 256> MakeSafeTable() {
  std::array<bool, 256> safe{};
  safe['-'] = true;
  safe['.'] = true;
  for (int c = '0'; c <= '9'; ++c) safe[c] = true;
  for (int c = 'A'; c <= 'Z'; ++c) safe[c] = true;
  for (int c = 'a'; c <= 'z'; ++c) safe[c] = true;
  return safe;
}
constexpr std::array<bool, 256> kSafe = MakeSafeTable();

// Digit value of a byte after '%': its place in "0123456789ABCDEF" (either case), -2 for any
// other byte. Malformed escapes still decode to some byte instead of being kept verbatim;
// pages carry stray percent signs, and this keeps their decoding stable.
constexpr std::array<signed char, 256> MakeHexTable() {
  std::array<signed char, 256> value{};
  for (auto& v : value) v = -2;
  for (int d = 0; d < 16; ++d) {
    value[static_cast<unsigned char>(kHexDigits[d])] = static_cast<signed char>(d);
    if (d >= 10) value[static_cast<unsigned char>(kHexDigits[d] | 0x20)] = static_cast<signed char>(d);
  }
  return value;
}
constexpr std::array<signed char, 256> kHexValue = MakeHexTable();

}  // namespace

Bytes MultiByteToUtf16(const Text& text, std::optional<int> codePage) {
  const std::u16string units = DecodeCodePage(codePage.value_or(kCodePageUtf8), UpToZero(text));
  Bytes out(2 * (units.size() + 1), '\0');  // the terminating zero unit is already in place
  for (size_t i = 0; i < units.size(); ++i) {
    out[2 * i] = static_cast<char>(units[i] & 0xFF);
    out[2 * i + 1] = static_cast<char>(units[i] >> 8);
  }
  return out;
}

Text Utf16ToMultiByte(const Bytes& wide, int codePage) {
  std::u16string units;
  units.reserve(wide.size() / 2);
  for (size_t i = 0; i + 1 < wide.size(); i += 2) {
    const char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(wide[i]) |
                                                static_cast<unsigned char>(wide[i + 1]) << 8);
    if (unit == 0) break;
    units.push_back(unit);
  }
  return BytesToText(EncodeCodePage(codePage, units));
}

Text GbkToUtf8(const Text& text) { return Convert(text, kCodePageGbk, kCodePageUtf8); }

Text Utf8ToGbk(const Text& text) { return Convert(text, kCodePageUtf8, kCodePageGbk); }

Text UrlEncode(const Text& text, bool keepSafe, bool asUtf8) {
  if (text.empty()) return Text();
  const Text utf8 = asUtf8 ? GbkToUtf8(text) : Text();
  const std::string_view bytes = asUtf8 ? std::string_view(utf8) : UpToZero(text);
  Text out;
  out.reserve(bytes.size() * 3);
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (keepSafe && kSafe[c]) {
      out.push_back(ch);
    } else {
      const char escape[3] = {'%', kHexDigits[c >> 4], kHexDigits[c & 0x0F]};
      out.append(escape, 3);
    }
  }
  return out;
}

Text UrlDecode(const Text& text, bool fromUtf8) {
  const size_t n = text.size();
  const char* data = text.data();
  Text out;
  out.reserve(n);
  size_t i = 0;
  while (i < n) {
    const void* percent = std::memchr(data + i, '%', n - i);
    const size_t at = percent == nullptr ? n : static_cast<size_t>(static_cast<const char*>(percent) - data);
    out.append(data + i, at - i);
    if (at == n) break;
    // The two bytes after '%' are always consumed; one past the end counts as the digit 0.
    const int high = at + 1 < n ? kHexValue[static_cast<unsigned char>(data[at + 1])] : 0;
    const int low = at + 2 < n ? kHexValue[static_cast<unsigned char>(data[at + 2])] : 0;
    const int byte = (16 * high + low) & 0xFF;
    if (byte != 0) out.push_back(static_cast<char>(byte));
    i = at + 3;
  }
  return fromUtf8 ? Utf8ToGbk(out) : out;
}
