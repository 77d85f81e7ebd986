#include "scriptlib/unicode_text.h"

#include "platform/codepage.h"

namespace scriptlib {

size_t EscapeTextLength(std::string_view text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++count) i += text[i] == '\x01' ? 3 : 1;
  return count;
}

std::string_view EscapeTextDropLast(std::string_view text) {
  size_t lastStart = 0;
  for (size_t i = 0; i < text.size();) {
    lastStart = i;
    i += text[i] == '\x01' ? 3 : 1;
  }
  return text.substr(0, lastStart);
}

std::u16string EscapeTextToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    if (b == 1) {
      if (i + 2 >= text.size()) break;
      out.push_back(static_cast<char16_t>(static_cast<unsigned char>(text[i + 1]) |
                                          static_cast<unsigned char>(text[i + 2]) << 8));
      i += 3;
    } else {
      out.push_back(b);
      ++i;
    }
  }
  return out;
}

std::string Utf16ToEscapeText(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  for (char16_t u : units) {
    if (u == 0) break;
    if (u < 128) {
      out.push_back(static_cast<char>(u));
    } else {
      out.push_back('\x01');
      out.push_back(static_cast<char>(u & 0xFF));
      out.push_back(static_cast<char>(u >> 8));
    }
  }
  return out;
}

std::string HexUtf8Form(std::u16string_view units) {
  std::string utf8 = platform::Utf16ToUtf8(units);
  if (utf8.size() > kHexFormMaxBytes) {
    // Cut before the lead byte of the character that does not fit whole.
    size_t cut = kHexFormMaxBytes;
    while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) --cut;
    utf8.resize(cut);
  }
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out(kHexFormPrefix);
  out.reserve(out.size() + utf8.size() * 2);
  for (char c : utf8) {
    unsigned char b = static_cast<unsigned char>(c);
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

bool IsHexUtf8Form(std::u16string_view value) {
  return value.size() >= 4 && value[0] == u'#' && value[1] == u'$' && value[2] == u'#' &&
         value[3] == u'$';
}

namespace {

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

}  // namespace

std::u16string DecodeHexUtf8Form(std::u16string_view value) {
  std::string bytes;
  for (size_t i = kHexFormPrefix.size(); i + 1 < value.size(); i += 2) {
    int hi = HexDigit(value[i]);
    int lo = HexDigit(value[i + 1]);
    if (hi < 0 || lo < 0) break;
    bytes.push_back(static_cast<char>(hi << 4 | lo));
  }
  return platform::Utf8ToUtf16(bytes);
}

}  // namespace scriptlib
