// Any bytes as an INI file (settings, language file, sound table), read in
// all three forms: the on-disk narrow and wide readers, and the in-memory
// document. Then a value is written with the narrow and the wide writer;
// when a writer accepts plain names and a plain value, every reader must give
// that value back, and the file must still parse.
//
// Input: three length bytes (section, key, value), those names and the value,
// then the file's bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_folder.h"
#include "platform/codepage.h"
#include "platform/ini_file.h"

namespace {

std::u16string Widen(std::string_view s) {
  return platform::CodePage::Default().ToUtf16(s);
}

// Names and values whose read-back is fully determined: letters, digits and
// inner blanks (no quotes, brackets, "=", ";" or line ends).
bool Plain(std::string_view s, bool name) {
  if (s.empty() || s.front() == ' ' || s.back() == ' ') return !name && s.empty();
  for (unsigned char c : s) {
    const bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                    c == ' ' || c == '_' || c == '.';
    if (!ok) return false;
  }
  return true;
}

void ReadAll(const std::filesystem::path& file, std::string_view section, std::string_view key,
             std::string_view bytes) {
  const auto& cp = platform::CodePage::Default();
  platform::ReadProfileString(file, section, key, "def  ", cp);
  platform::ReadProfileString(file, section, key, "", cp, 3);
  platform::ReadProfileString(file, "Def", "FS", "0", cp);
  platform::ReadProfileStringWide(file, Widen(section), Widen(key), u"def", 2048, cp);
  platform::ReadProfileStringWide(file, Widen(section), Widen(key), u"", 1, cp);
  platform::DetectIniEncoding(file);
  const platform::IniDocument doc = platform::IniDocument::Parse(bytes, cp);
  doc.Get(section, key, "x");
  doc.Find("Default", "Title");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  if (in.size() < 3) return 0;
  const size_t sl = static_cast<uint8_t>(in[0]) % 16, kl = static_cast<uint8_t>(in[1]) % 16,
               vl = static_cast<uint8_t>(in[2]) % 64;
  in.remove_prefix(3);
  auto take = [&](size_t n) {
    std::string_view part = in.substr(0, n);
    in.remove_prefix(part.size());
    return part;
  };
  const std::string_view section = take(sl), key = take(kl), value = take(vl), bytes = in;

  static const std::filesystem::path file = fuzzing::ScratchFolder() / "t.ini";
  const auto& cp = platform::CodePage::Default();
  fuzzing::PutFile(file, bytes);
  ReadAll(file, section, key, bytes);

  const bool plain = Plain(section, true) && Plain(key, true) && Plain(value, false);
  if (platform::WriteProfileString(file, section, key, value, cp) && plain) {
    if (platform::ReadProfileString(file, section, key, "?", cp) != value) __builtin_trap();
    if (platform::ReadProfileStringWide(file, Widen(section), Widen(key), u"?", 4096, cp) !=
        Widen(value))
      __builtin_trap();
  }
  ReadAll(file, section, key, fuzzing::ReadBack(file));

  fuzzing::PutFile(file, bytes);
  if (platform::WriteProfileStringWide(file, Widen(section), Widen(key), Widen(value), cp) &&
      plain) {
    if (platform::ReadProfileString(file, section, key, "?", cp) != value) __builtin_trap();
    const std::string all = fuzzing::ReadBack(file);
    if (platform::IniDocument::Parse(all, cp).Get(section, key, "?") != value) __builtin_trap();
  }
  return 0;
}
