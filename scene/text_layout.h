#pragma once
// Layout of a text element's text into lines.
//
// Texts are bytes in the game's code page; in unicode mode a character
// outside it is the three bytes 0x01, low byte, high byte of its UTF-16 code
// unit. Every scan for spaces, line ends and line breaks skips the two bytes
// after a 0x01. A laid-out text holds its lines each ended by a zero byte.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class CodePage;
}

namespace scene {

inline constexpr char kEscape = '\x01';

// Line pass: cuts the text at each carriage return + line feed and at each
// backslash + "n" (whichever comes first), dropping the two characters, and
// ends every line, the last one included, with a zero byte.
std::string SplitLines(std::string_view text);

// Measures a piece of text in pixels.
using MeasureFn = std::function<double(std::string_view)>;
// The advance in pixels of one UTF-16 code unit (0 without a glyph).
using GlyphAdvanceFn = std::function<double(uint16_t)>;

// Wrap pass over the result of SplitLines: words (separated by spaces and
// zero bytes alike) are put on lines no wider than boxWidth, a zero byte
// replacing the space before a word that does not fit. A word wider than the
// box goes on a line of its own; with `glyphAdvance` (unicode mode) it is
// broken between characters instead.
std::string WrapWords(std::string_view lines, double boxWidth, const MeasureFn& measure,
                      const GlyphAdvanceFn* glyphAdvance);

// The lines of a laid-out text: the pieces up to each zero byte, and the rest
// after the last one when it is not empty (as if a zero byte were appended).
std::vector<std::string_view> LaidOutLines(std::string_view laidOut);

// Calls f(codeUnit) for each character: a 0x01 and its two bytes give their
// code unit, any other byte its own value. A 0x01 without its two bytes ends
// the walk.
void ForEachCodeUnit(std::string_view text, const std::function<void(uint16_t)>& f);

// The text as UTF-16 for drawing with a TrueType font: escaped characters
// give their code unit, bytes below 128 themselves and other bytes their
// character in the game's code page. A 0x01 without its two bytes is dropped.
std::u16string DecodeForDrawing(std::string_view text, const platform::CodePage& codePage);

}  // namespace scene
