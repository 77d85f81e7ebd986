#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <map>
#include <mutex>

#include "platform/numeric.h"

namespace platform {

namespace {

// Decodes one byte with iconv; false when the converter refuses it.
bool IconvByte(iconv_t cd, unsigned char b, char32_t& out) {
  char in[1] = {static_cast<char>(b)};
  char outBuf[8];
  char* inPtr = in;
  size_t inLeft = 1;
  char* outPtr = outBuf;
  size_t outLeft = sizeof outBuf;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) return false;
  if (sizeof outBuf - outLeft != 4) return false;
  const unsigned char* u = reinterpret_cast<const unsigned char*>(outBuf);
  out = static_cast<char32_t>(u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<uint32_t>(u[3]) << 24));
  return true;
}

}  // namespace

const CodePage* CodePage::Find(std::string_view name) {
  static std::mutex mu;
  static std::map<std::string, std::unique_ptr<CodePage>> pages;
  std::lock_guard<std::mutex> lock(mu);
  std::string key = AsciiUpper(name);
  auto it = pages.find(key);
  if (it != pages.end()) return it->second.get();
  iconv_t cd = iconv_open("UTF-32LE", key.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
  std::unique_ptr<CodePage> cp(new CodePage());
  cp->name_ = key;
  for (int b = 0; b < 256; ++b) {
    char32_t u;
    if (!IconvByte(cd, static_cast<unsigned char>(b), u)) u = static_cast<char32_t>(b);
    cp->table_[b] = u;
  }
  iconv_close(cd);
  for (int b = 255; b >= 0; --b) cp->reverse_[cp->table_[b]] = static_cast<unsigned char>(b);
  for (int b = 0; b < 256; ++b) {
    int up = cp->FromUnicode(SimpleUpper(cp->table_[b]));
    int lo = cp->FromUnicode(SimpleLower(cp->table_[b]));
    cp->upper_[b] = static_cast<unsigned char>(up >= 0 ? up : b);
    cp->lower_[b] = static_cast<unsigned char>(lo >= 0 ? lo : b);
  }
  const CodePage* result = cp.get();
  pages.emplace(key, std::move(cp));
  return result;
}

const CodePage& CodePage::Default() {
  static const CodePage* cp = Find("CP1251");
  return *cp;
}

int CodePage::FromUnicode(char32_t cp) const {
  auto it = reverse_.find(cp);
  return it == reverse_.end() ? -1 : it->second;
}

std::string CodePage::ToUtf8(std::string_view bytes) const {
  std::string out;
  out.reserve(bytes.size());
  for (unsigned char b : bytes) AppendUtf8(out, table_[b]);
  return out;
}

std::string CodePage::FromUtf8(std::string_view utf8, bool* lossless) const {
  std::string out;
  bool ok = true;
  for (char32_t cp : DecodeUtf8(utf8)) {
    int b = FromUnicode(cp);
    if (b < 0) {
      ok = false;
      b = '?';
    }
    out.push_back(static_cast<char>(b));
  }
  if (lossless) *lossless = ok;
  return out;
}

std::u16string CodePage::ToUtf16(std::string_view bytes) const {
  std::u16string out;
  out.reserve(bytes.size());
  for (unsigned char b : bytes) out.push_back(static_cast<char16_t>(table_[b]));
  return out;
}

std::string CodePage::Upper(std::string_view s) const {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(upper_[static_cast<unsigned char>(c)]);
  return out;
}

std::string CodePage::Lower(std::string_view s) const {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(lower_[static_cast<unsigned char>(c)]);
  return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x110000) {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    AppendUtf8(out, 0xFFFD);
  }
}

std::u32string DecodeUtf8(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int extra;
    char32_t cp;
    if (c < 0x80) {
      out.push_back(c);
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
      cp = c & 0x07;
    } else {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    if (i + static_cast<size_t>(extra) >= s.size()) {
      out.push_back(0xFFFD);
      break;
    }
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
      if ((cc & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (!ok) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    out.push_back(cp);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string out;
  for (char32_t cp : text) AppendUtf8(out, cp);
  return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  for (char32_t cp : DecodeUtf8(utf8)) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  for (size_t i = 0; i < utf16.size(); ++i) {
    char32_t c = utf16[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

char32_t SimpleUpper(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    // Latin Extended-A: mostly even upper / odd lower pairs, shifted in 0x139..0x148 and 0x179..0x17E.
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 0) ? c - 1 : c;
    if (c == 0x131) return 'I';
    return (c % 2 == 1 && c != 0x138 && c != 0x149) ? c - 1 : c;
  }
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (c == 0x491) return 0x490;
  return c;
}

char32_t SimpleLower(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  if (c == 0x178) return 0xFF;
  if (c >= 0x100 && c <= 0x17F) {
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 1) ? c + 1 : c;
    if (c == 0x130) return 'i';
    return (c % 2 == 0 && c != 0x138) ? c + 1 : c;
  }
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if (c == 0x490) return 0x491;
  return c;
}

}  // namespace platform
