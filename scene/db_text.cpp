// Text and sound lookup, and the unicode font set of the root.

#include <iostream>

#include "platform/file_io.h"
#include "platform/numeric.h"
#include "platform/path_resolver.h"
#include "resources/image_cache.h"
#include "scene/db.h"

namespace scene {

namespace {

// Characters 0..32 removed at both ends.
std::string TrimText(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return std::string(s.substr(b, e - b));
}

// "Section.Key" or "Key" (section Default), both parts trimmed.
void SplitAddress(const std::string& address, std::string& section, std::string& key) {
  size_t dot = address.find('.');
  if (dot == std::string::npos) {
    section = "Default";
    key = TrimText(address);
  } else {
    section = TrimText(std::string_view(address).substr(0, dot));
    key = TrimText(std::string_view(address).substr(dot + 1));
  }
}

// Code units of 128 or more become 0x01, low byte, high byte.
std::string ToEscapeText(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t u : text) {
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

}  // namespace

std::string TQZDB::LookupText(const std::string& address) {
  std::string section, key;
  SplitAddress(address, section, key);
  if (section.empty() || key.empty() || !language_) return std::string();
  if (!unicodeMode_) return language_->Get(section, key);
  if (auto cached = unicodeCache_.Find(section, key)) return *cached;
  auto& files = platform::GameFiles();
  std::u16string value;
  if (auto path = files.Resolve(languageFileName_)) {
    const auto& cp = files.Cp();
    value = platform::ReadProfileStringWide(*path, cp.ToUtf16(section), cp.ToUtf16(key), u"", 2001,
                                            cp);
  }
  std::string text = ToEscapeText(value);
  unicodeCache_.Set(section, key, text);
  return text;
}

void TQZDB::LookupSound(const std::string& address, std::string& fileName, int& volume) {
  std::string section, key;
  SplitAddress(address, section, key);
  if (section.empty() || key.empty()) {
    fileName.clear();
    volume = 0;
    return;
  }
  if (!soundTable_) return;
  std::string value = soundTable_->Get(section, key);
  size_t colon = value.find(':');
  if (colon == std::string::npos) {
    volume = 100;
    fileName = value;
    return;
  }
  if (auto v = platform::ParseIntegerText(value.substr(0, colon));
      v && *v >= INT32_MIN && *v <= INT32_MAX)
    volume = static_cast<int>(*v);
  fileName = value.substr(colon + 1);
}

void TQZDB::SetUpUnicode() {
  auto& files = platform::GameFiles();
  auto fnt = files.Resolve("unicode\\unicode.fnt");
  if (!fnt) return;
  unicodeTtf_ = files.Resolve("unicode\\unicode.ttf");
  auto lng = files.Resolve("unicode\\unicode.lng");
  unicodeCache_ = lng ? platform::IniDocument::Load(*lng, files.Cp())
                      : platform::IniDocument(files.Cp());
  unicodeMode_ = true;
  if (services_.images) unicodeGlyphs_ = services_.images->RequestImage("unicode\\unicode.png", true);
  auto text = platform::ReadWholeFile(*fnt, UINT64_C(64) << 20);
  if (!text) {
    std::cerr << "qazmir: cannot read unicode\\unicode.fnt\n";
    return;
  }
  ReadUnicodeTable(*text);
}

// The table: a count N, N lines "hex-code width", then the face name. A line
// that cannot be read is reported and ends the set-up there; what was read
// before it stays.
bool TQZDB::ReadUnicodeTable(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    if (end == text.size()) break;
    start = end + 1;
  }
  auto fail = [](size_t lineNo, const char* what) {
    std::cerr << "qazmir: unicode\\unicode.fnt line " << lineNo << ": " << what << "\n";
    return false;
  };
  auto count = platform::ParseIntegerText(lines.empty() ? std::string() : lines[0]);
  if (!count || *count < 0) return fail(1, "not a glyph count");
  size_t line = 1;
  for (int64_t g = 0; g < *count; ++g, ++line) {
    if (line >= lines.size()) return fail(line + 1, "unexpected end of the table");
    const std::string item = TrimText(lines[line]);
    size_t space = item.find(' ');
    if (space == std::string::npos) return fail(line + 1, "expected a code and a width");
    auto code = platform::ParseIntegerText("$" + item.substr(0, space));
    auto width = platform::ParseIntegerText(item.substr(space + 1));
    if (!code || *code < 0 || *code > 0xFFFF) return fail(line + 1, "not a character code");
    if (!width || *width < 0 || *width > 0xFFFF) return fail(line + 1, "not a glyph width");
    if (g > 0xFFFF) return fail(line + 1, "too many glyphs");
    if (static_cast<size_t>(*code) >= unicodeTable_.size())
      unicodeTable_.resize(static_cast<size_t>(*code) + 1);
    auto advance = platform::RoundHalfEvenI32(static_cast<double>(*width) / 1.7);
    unicodeTable_[static_cast<size_t>(*code)] = {static_cast<uint16_t>(g),
                                                 static_cast<uint16_t>(advance.value_or(0))};
  }
  if (line >= lines.size()) return fail(line + 1, "missing the font face name");
  unicodeFace_ = lines[line];
  return true;
}

}  // namespace scene
