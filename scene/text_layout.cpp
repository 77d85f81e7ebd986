#include "scene/text_layout.h"

#include "platform/codepage.h"

namespace scene {

namespace {

// Length of the character at i: 3 for an escape (or what remains of one), else 1.
size_t CharLength(std::string_view s, size_t i) {
  if (s[i] != kEscape) return 1;
  return std::min<size_t>(3, s.size() - i);
}

bool IsLineEndAt(std::string_view s, size_t i) {
  if (i + 1 >= s.size()) return false;
  return (s[i] == '\r' && s[i + 1] == '\n') || (s[i] == '\\' && s[i + 1] == 'n');
}

}  // namespace

std::string SplitLines(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 1);
  size_t start = 0;
  size_t i = 0;
  while (i < text.size()) {
    if (IsLineEndAt(text, i)) {
      out.append(text.substr(start, i - start));
      out.push_back('\0');
      i += 2;
      start = i;
      continue;
    }
    i += CharLength(text, i);
  }
  out.append(text.substr(start));
  out.push_back('\0');
  return out;
}

std::string WrapWords(std::string_view lines, double boxWidth, const MeasureFn& measure,
                      const GlyphAdvanceFn* glyphAdvance) {
  std::string out;
  out.reserve(lines.size() + 8);
  const double space = measure(" ");
  double r = 0;  // width of the current output line
  size_t pos = 0;
  std::string word;
  while (pos < lines.size()) {
    // The next word runs up to the first space or zero byte.
    size_t end = pos;
    while (end < lines.size() && lines[end] != ' ' && lines[end] != '\0')
      end += CharLength(lines, end);
    if (end > lines.size()) end = lines.size();
    word.clear();
    if (r != 0) word.push_back(' ');
    word.append(lines.substr(pos, end - pos));
    pos = end < lines.size() ? end + 1 : end;

    const double w = measure(word);
    if (r + w <= boxWidth) {
      out += word;
      r += w;
    } else if (w <= boxWidth || !glyphAdvance) {
      if (r != 0) {
        // The space before the word becomes the line break.
        word[0] = '\0';
        out += word;
        r = w - space;
      } else {
        // The first word of a line stays there however wide it is.
        out += word;
        r = w;
      }
    } else {
      // Unicode mode: break the too-wide word between characters.
      for (size_t i = 0; i < word.size();) {
        size_t len = CharLength(word, i);
        uint16_t unit;
        if (word[i] == kEscape) {
          if (len < 3) break;
          unit = static_cast<uint16_t>(static_cast<unsigned char>(word[i + 1]) |
                                       (static_cast<unsigned char>(word[i + 2]) << 8));
        } else {
          unit = static_cast<unsigned char>(word[i]);
        }
        const double g = (*glyphAdvance)(unit);
        // A glyph wider than the box on an empty line stays there rather
        // than leaving an empty line before it.
        if (r + g > boxWidth && r != 0) {
          out.push_back('\0');
          r = g;
        } else {
          r += g;
        }
        out.append(word, i, len);
        i += len;
      }
    }
  }
  return out;
}

std::vector<std::string_view> LaidOutLines(std::string_view laidOut) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < laidOut.size()) {
    if (laidOut[i] == '\0') {
      lines.push_back(laidOut.substr(start, i - start));
      start = ++i;
      continue;
    }
    i += CharLength(laidOut, i);
  }
  if (start < laidOut.size()) lines.push_back(laidOut.substr(start));
  return lines;
}

void ForEachCodeUnit(std::string_view text, const std::function<void(uint16_t)>& f) {
  for (size_t i = 0; i < text.size();) {
    if (text[i] == kEscape) {
      if (i + 2 >= text.size()) return;
      f(static_cast<uint16_t>(static_cast<unsigned char>(text[i + 1]) |
                              (static_cast<unsigned char>(text[i + 2]) << 8)));
      i += 3;
    } else {
      f(static_cast<unsigned char>(text[i]));
      ++i;
    }
  }
}

std::u16string DecodeForDrawing(std::string_view text, const platform::CodePage& codePage) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b == 0x01) {
      if (i + 2 >= text.size()) break;
      out.push_back(static_cast<char16_t>(static_cast<unsigned char>(text[i + 1]) |
                                          (static_cast<unsigned char>(text[i + 2]) << 8)));
      i += 3;
      continue;
    }
    if (b < 128) {
      out.push_back(static_cast<char16_t>(b));
    } else {
      const char32_t cp = codePage.ToUnicode(b);
      if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
      } else {
        out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
      }
    }
    ++i;
  }
  return out;
}

}  // namespace scene
