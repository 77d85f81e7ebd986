#pragma once
// Rounding and number-text helpers shared by every folder.

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Nearest integer, halves to the even neighbour (the engine's rounding rule).
inline double RoundHalfEvenD(double v) { return std::nearbyint(v); }

// Nearest 64-bit integer, halves to even; nullopt when v is NaN or out of range.
std::optional<int64_t> RoundHalfEvenI64(double v);

// Nearest 32-bit signed integer, halves to even; nullopt outside the range.
// Inline and without a library call: scripts read element positions through
// it on every access.
inline std::optional<int32_t> RoundHalfEvenI32(double v) {
  // Exactly the doubles that round into the range; NaN fails the test.
  if (!(v >= -2147483648.5 && v < 2147483647.5)) return std::nullopt;
  // Below 2^51 in magnitude, adding 1.5 * 2^52 leaves no fraction bits, so
  // the sum is rounded as nearbyint rounds (halves to even); taking the
  // constant off again is exact.
  constexpr double kShift = 0x1.8p52;
  return static_cast<int32_t>((v + kShift) - kShift);
}

// Integer text: optional blanks, optional sign, then decimal digits or "$" and
// hexadecimal digits, optional trailing blanks. nullopt when not an integer or
// out of the 64-bit range.
std::optional<int64_t> ParseIntegerText(std::string_view text);

// Real text with "." as the decimal point and an optional exponent; integers
// (including "$" hexadecimal) are accepted too. Leading and trailing blanks are
// allowed. nullopt when the text is not a number.
std::optional<double> ParseRealText(std::string_view text);

// A real number as the engine prints it: general format with 15 significant
// digits, "." as decimal point, scientific form ("1.5E20", "1E-5") when the
// decimal exponent is below -4 or at least 15 (0.0001 stays "0.0001").
std::string FormatRealGeneral(double v, int precision = 15);

// ASCII-only upper case: only a-z change, as the engine's name handling does.
std::string AsciiUpper(std::string_view s);
inline char AsciiUpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
bool AsciiIEquals(std::string_view a, std::string_view b);

}  // namespace platform
