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
std::optional<int32_t> RoundHalfEvenI32(double v);

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
