#pragma once
// Single-byte code pages (the game's text encoding, CP1251 by default).
//
// Each code page is a 256-entry table built once. Bytes that the system's
// converter leaves undefined map to the code point of the same number, as
// Windows maps them, so every byte converts and the mapping is reversible.

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace platform {

class CodePage {
 public:
  // The code page of that name ("CP1251", "cp1252", "WINDOWS-1250", ...);
  // null when the system does not know it. Tables live for the process.
  static const CodePage* Find(std::string_view name);
  // CP1251.
  static const CodePage& Default();

  const std::string& Name() const { return name_; }
  char32_t ToUnicode(unsigned char b) const { return table_[b]; }
  // The byte for a code point, or -1 when the code page cannot represent it.
  int FromUnicode(char32_t cp) const;

  std::string ToUtf8(std::string_view bytes) const;
  // Characters the code page cannot represent become '?'; *lossless tells.
  std::string FromUtf8(std::string_view utf8, bool* lossless = nullptr) const;
  std::u16string ToUtf16(std::string_view bytes) const;

  // Letter case in this code page (Cyrillic included).
  unsigned char Upper(unsigned char b) const { return upper_[b]; }
  unsigned char Lower(unsigned char b) const { return lower_[b]; }
  std::string Upper(std::string_view s) const;
  std::string Lower(std::string_view s) const;

 private:
  CodePage() = default;
  std::string name_;
  std::array<char32_t, 256> table_{};
  std::array<unsigned char, 256> upper_{};
  std::array<unsigned char, 256> lower_{};
  std::unordered_map<char32_t, unsigned char> reverse_;
};

// UTF-8 helpers. Invalid sequences decode as U+FFFD.
void AppendUtf8(std::string& out, char32_t cp);
std::u32string DecodeUtf8(std::string_view utf8);
std::string EncodeUtf8(std::u32string_view text);
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Simple one-to-one case mappings of the letters single-byte code pages hold.
char32_t SimpleUpper(char32_t cp);
char32_t SimpleLower(char32_t cp);

}  // namespace platform
