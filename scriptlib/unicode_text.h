#pragma once
// Unicode escape text and the hex-UTF-8 settings form.
//
// Escape text: in a game with a unicode font, script strings carry each UTF-16
// code unit of 128 or more as the three bytes 1, low byte, high byte; units
// below 128 are single bytes.
//
// Hex-UTF-8 form: a settings value "#$#$" followed by the UTF-8 bytes of the
// text, each as two upper-case hexadecimal digits ('é' is "#$#$C3A9").

#include <cstddef>
#include <string>
#include <string_view>

namespace scriptlib {

inline constexpr std::string_view kHexFormPrefix = "#$#$";
// Most UTF-8 bytes a value written in the hex form carries.
inline constexpr size_t kHexFormMaxBytes = 1999;

// Characters of escape text: a byte 1 starts a step of three bytes, any other
// byte a step of one (a triple cut short at the end still counts as one).
size_t EscapeTextLength(std::string_view text);
// The text without its last character (the last step); empty stays empty.
std::string_view EscapeTextDropLast(std::string_view text);

// Escape text to UTF-16 units: a byte 1 followed by two more bytes gives the
// unit low + 256 * high; a byte 1 among the last two bytes ends the text;
// every other byte gives the unit of the same number.
std::u16string EscapeTextToUtf16(std::string_view text);
// UTF-16 units to escape text, ending at the first unit 0.
std::string Utf16ToEscapeText(std::u16string_view units);

// The hex form of UTF-16 text: its UTF-8 bytes, cut to kHexFormMaxBytes at a
// character boundary, as "#$#$" + hexadecimal pairs.
std::string HexUtf8Form(std::u16string_view units);
// Whether a value read back is in the hex form.
bool IsHexUtf8Form(std::u16string_view value);
// The text of a hex-form value: pairs are read after the prefix until one is
// not hexadecimal or fewer than two characters remain; the bytes are decoded
// as UTF-8 (invalid sequences give U+FFFD).
std::u16string DecodeHexUtf8Form(std::u16string_view value);

}  // namespace scriptlib
