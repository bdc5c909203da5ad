// The value types every module passes around.
#pragma once

#include <string>
#include <vector>

// A byte string in code page 936 (GBK). By contract it holds no zero byte;
// an absent Text and an empty Text are the same value.
using Text = std::string;

// A counted byte buffer that may hold zero bytes (response bodies, UTF-16 forms).
using Bytes = std::string;

// Array of Text. Indexed from 0 in code; "the i-th element" in user terms is [i - 1].
using TextArray = std::vector<Text>;

// The bytes up to the first zero byte, all of them when there is none.
Text BytesToText(const Bytes& bytes);

// Integer value of a Text: optional leading white space, an optional sign, then decimal
// digits up to the first other character; 0 when there is no digit. Full-width (double-byte)
// digits, signs and spaces count as their ASCII forms. Saturates at the 32-bit range.
int TextToInteger(const Text& text);

// Decimal, no leading zeros.
Text IntegerToText(long long value);
