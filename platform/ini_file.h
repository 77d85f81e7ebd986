#pragma once
// INI files with the semantics of the Windows private-profile functions.
//
// File format, as those functions read it:
//   - lines end with LF or CR LF; a UTF-16LE file starts with the bytes FF FE,
//     any other file is single-byte text in the game code page (a UTF-8 byte
//     order mark at the start is skipped so that the first header still counts);
//   - "[Section]" starts a section (blanks around the brackets and around the
//     name are ignored; the name runs to the last "]" of the line);
//   - "key=value": the key is the trimmed text before the first "=", the value
//     the trimmed text after it (so a value may hold "=");
//   - lines starting with ";", lines without "=" and keys before the first
//     section are never read, and are kept as they are on write;
//   - section and key names match without regard to letter case (ASCII letters
//     and the code page's own letters, Cyrillic included); only the first
//     section of a name is seen, and within it the first key of a name.
//
// Reads never fail: a missing or unreadable file, section or key gives the
// default. Writes keep every other line of the file byte for byte and the
// file's line endings and encoding, and replace the file atomically.
//
// Two forms: the free functions (and IniFile) open the file on every call, as
// the settings file is used; IniDocument reads a file once into memory for the
// language files and the sound table, which are looked up many times.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "platform/codepage.h"

namespace platform {

// Size of the buffer the on-disk narrow reader fills, as a Windows caller's
// buffer: values are cut to kIniReadBufferSize - 1 bytes.
inline constexpr size_t kIniReadBufferSize = 2048;
// Files larger than this are treated as unreadable (reads give the default,
// writes fail and leave the file alone).
inline constexpr uint64_t kMaxIniFileBytes = UINT64_C(32) << 20;

enum class IniEncoding { kCodePage, kUtf16LE };

// ---- On-disk reads and writes (the file is opened on every call) ----

// Value of key in section, or def (without its trailing spaces) when the file,
// the section or the key is missing. As the Windows reader does, a value in
// matching single or double quotes loses them; the result ends at the first NUL
// and holds at most bufferSize - 1 bytes. A UTF-16LE file is converted to the
// code page ("?" for characters the code page lacks).
std::string ReadProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view def,
                              const CodePage& cp = CodePage::Default(),
                              size_t bufferSize = kIniReadBufferSize);

// Sets key in section to value: an existing key keeps its line with the text
// after "=" replaced; a new key goes after the last key of the section; a new
// section goes at the end of the file; a missing file is created (single-byte
// text with CR LF line endings). The value ends at its first CR, LF or NUL (a
// value cannot span lines). Refused (false): empty names, names with CR, LF or
// NUL, keys with "=" or starting with ";" or "[", a file that exists but cannot
// be read, and any write failure. The folder must exist.
bool WriteProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value,
                        const CodePage& cp = CodePage::Default());

// The wide-character reader: a UTF-16LE file is read as is, any other file as
// single-byte text in the code page; the result is UTF-16. bufferUnits is the
// caller's buffer size in UTF-16 units: at most bufferUnits - 1 are returned.
std::u16string ReadProfileStringWide(const std::filesystem::path& file, std::u16string_view section,
                                     std::u16string_view key, std::u16string_view def,
                                     size_t bufferUnits, const CodePage& cp = CodePage::Default());

// The wide-character writer: keeps the file's encoding (a UTF-16LE file stays
// UTF-16LE; in a single-byte file characters the code page lacks become "?");
// a new file is single-byte text in the code page. Otherwise as
// WriteProfileString.
bool WriteProfileStringWide(const std::filesystem::path& file, std::u16string_view section,
                            std::u16string_view key, std::u16string_view value,
                            const CodePage& cp = CodePage::Default());

// The encoding a file has (kCodePage when it is missing or unreadable).
IniEncoding DetectIniEncoding(const std::filesystem::path& file);

// A settings file named once and opened by name on every call.
class IniFile {
 public:
  explicit IniFile(std::filesystem::path path, const CodePage& cp = CodePage::Default())
      : path_(std::move(path)), cp_(&cp) {}

  const std::filesystem::path& Path() const { return path_; }
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def) const {
    return ReadProfileString(path_, section, key, def, *cp_);
  }
  bool WriteString(std::string_view section, std::string_view key, std::string_view value) const {
    return WriteProfileString(path_, section, key, value, *cp_);
  }
  std::u16string ReadStringWide(std::u16string_view section, std::u16string_view key,
                                std::u16string_view def, size_t bufferUnits) const {
    return ReadProfileStringWide(path_, section, key, def, bufferUnits, *cp_);
  }
  bool WriteStringWide(std::u16string_view section, std::u16string_view key,
                       std::u16string_view value) const {
    return WriteProfileStringWide(path_, section, key, value, *cp_);
  }

 private:
  std::filesystem::path path_;
  const CodePage* cp_;
};

// ---- In-memory form ----

// An INI file read once; lookups are hash lookups. Values are returned as
// stored (trimmed, quotes kept, ending at the first NUL), with no length limit
// beyond the file's size. Set changes only the memory copy.
class IniDocument {
 public:
  explicit IniDocument(const CodePage& cp = CodePage::Default()) : cp_(&cp) {}

  // Reads a file; a missing or unreadable file gives an empty document.
  // *existed tells whether the file could be read.
  static IniDocument Load(const std::filesystem::path& file, const CodePage& cp = CodePage::Default(),
                          bool* existed = nullptr);
  // Parses file bytes (either encoding).
  static IniDocument Parse(std::string_view bytes, const CodePage& cp = CodePage::Default());

  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  std::string Get(std::string_view section, std::string_view key, std::string_view def = {}) const;
  bool Has(std::string_view section, std::string_view key) const {
    return Find(section, key).has_value();
  }
  // Adds or replaces a value in memory (names are trimmed; empty names ignored).
  void Set(std::string_view section, std::string_view key, std::string value);
  size_t Size() const { return values_.size(); }

 private:
  struct NameKey {
    std::u16string section;  // folded
    std::u16string key;      // folded
    bool operator==(const NameKey&) const = default;
  };
  struct NameKeyHash {
    size_t operator()(const NameKey& k) const noexcept;
  };

  std::optional<NameKey> MakeKey(std::string_view section, std::string_view key) const;

  const CodePage* cp_;
  std::unordered_map<NameKey, std::string, NameKeyHash> values_;
};

}  // namespace platform
