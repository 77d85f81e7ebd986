#include "platform/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/confined_files.h"
#include "platform/file_io.h"

// Every file is parsed as a sequence of UTF-16 units: a single-byte file gives
// one unit per byte (the code page maps bytes one to one), a UTF-16LE file one
// unit per byte pair after the BOM. Positions therefore map straight back to
// byte offsets, so a write splices new text into the original bytes and never
// re-encodes a line it does not change.

namespace platform {

namespace {

// ---- Decoding ----

struct IniText {
  IniEncoding encoding = IniEncoding::kCodePage;
  std::u16string units;
  size_t start = 0;  // first unit of the first line (after a byte order mark)
};

IniText DecodeIni(std::string_view bytes, const CodePage& cp) {
  IniText t;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    t.encoding = IniEncoding::kUtf16LE;
    size_t n = (bytes.size() - 2) / 2;  // an odd last byte is not a unit
    t.units.resize(n);
    for (size_t i = 0; i < n; ++i) {
      t.units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                         (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
    }
    return t;
  }
  t.units = cp.ToUtf16(bytes);
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") t.start = 3;
  return t;
}

size_t ByteOffset(const IniText& t, size_t unit) {
  return t.encoding == IniEncoding::kUtf16LE ? 2 + 2 * unit : unit;
}

std::string EncodeUnits(std::u16string_view units, IniEncoding encoding, const CodePage& cp) {
  std::string out;
  if (encoding == IniEncoding::kUtf16LE) {
    out.reserve(units.size() * 2);
    for (char16_t u : units) {
      out.push_back(static_cast<char>(u & 0xFF));
      out.push_back(static_cast<char>(u >> 8));
    }
    return out;
  }
  out.reserve(units.size());
  for (char16_t u : units) {
    int b = cp.FromUnicode(u);
    out.push_back(static_cast<char>(b >= 0 ? b : '?'));
  }
  return out;
}

// Units to code page text, "?" for what the code page lacks.
std::string UnitsToCodePage(std::u16string_view units, const CodePage& cp) {
  return EncodeUnits(units, IniEncoding::kCodePage, cp);
}

// ---- Lines ----

bool IsBlank(char16_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

struct Span {
  size_t begin = 0, end = 0;
  size_t size() const { return end - begin; }
};

Span Trim(std::u16string_view t, Span s) {
  while (s.begin < s.end && IsBlank(t[s.begin])) ++s.begin;
  while (s.end > s.begin && IsBlank(t[s.end - 1])) --s.end;
  return s;
}

struct IniLine {
  enum Kind { kOther, kSection, kKey } kind = kOther;
  Span content;  // the line without its line ending
  size_t next = 0;  // first unit of the next line
  bool terminated = false;  // the line has a line ending
  Span name;     // section name or key
  Span value;    // trimmed value (keys)
  size_t eq = 0;  // position of "=" (keys)
};

class LineScanner {
 public:
  LineScanner(std::u16string_view t, size_t start) : t_(t), pos_(start) {}

  bool Next(IniLine& line) {
    if (pos_ >= t_.size()) return false;
    size_t lf = t_.find(u'\n', pos_);
    line = IniLine{};
    line.terminated = lf != std::u16string_view::npos;
    size_t end = line.terminated ? lf : t_.size();
    line.next = line.terminated ? lf + 1 : t_.size();
    if (line.terminated && end > pos_ && t_[end - 1] == u'\r') --end;
    line.content = {pos_, end};
    pos_ = line.next;
    Classify(line);
    return true;
  }

 private:
  void Classify(IniLine& line) const {
    Span s = Trim(t_, line.content);
    if (s.size() == 0 || t_[s.begin] == u';') return;
    if (t_[s.begin] == u'[') {
      size_t close = t_.substr(0, s.end).rfind(u']');
      if (close == std::u16string_view::npos || close <= s.begin) return;
      line.kind = IniLine::kSection;
      line.name = Trim(t_, {s.begin + 1, close});
      return;
    }
    size_t eq = t_.substr(0, s.end).find(u'=', s.begin);
    if (eq == std::u16string_view::npos) return;
    Span name = Trim(t_, {s.begin, eq});
    if (name.size() == 0) return;
    line.kind = IniLine::kKey;
    line.name = name;
    line.eq = eq;
    line.value = Trim(t_, {eq + 1, s.end});
  }

  std::u16string_view t_;
  size_t pos_;
};

// ---- Names ----

char16_t Fold(char16_t c) {
  char32_t u = SimpleUpper(c);
  return u <= 0xFFFF ? static_cast<char16_t>(u) : c;
}

std::u16string FoldName(std::u16string_view s) {
  std::u16string out(s);
  for (char16_t& c : out) c = Fold(c);
  return out;
}

bool NameMatches(std::u16string_view t, Span name, std::u16string_view folded) {
  if (name.size() != folded.size()) return false;
  for (size_t i = 0; i < folded.size(); ++i)
    if (Fold(t[name.begin + i]) != folded[i]) return false;
  return true;
}

template <class Ch>
std::basic_string_view<Ch> TrimName(std::basic_string_view<Ch> s) {
  auto blank = [](Ch c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

template <class Ch>
std::basic_string_view<Ch> CutAtNul(std::basic_string_view<Ch> s) {
  size_t nul = s.find(Ch{0});
  return nul == std::basic_string_view<Ch>::npos ? s : s.substr(0, nul);
}

// ---- Finding a key ----

struct Location {
  bool sectionFound = false;
  size_t afterHeader = 0;   // where the section's first line starts
  bool haveLastKey = false;
  size_t afterLastKey = 0;  // where the line after the section's last key starts
  bool keyFound = false;
  IniLine keyLine;
};

// Only the first section of a name counts; within it the first key of a name.
Location Locate(const IniText& t, std::u16string_view foldedSection, std::u16string_view foldedKey,
                bool stopAtKey) {
  Location loc;
  LineScanner scan(t.units, t.start);
  IniLine line;
  bool inSection = false;
  while (scan.Next(line)) {
    if (line.kind == IniLine::kSection) {
      if (inSection) break;  // the end of the first matching section
      if (NameMatches(t.units, line.name, foldedSection)) {
        inSection = true;
        loc.sectionFound = true;
        loc.afterHeader = line.next;
      }
      continue;
    }
    if (!inSection || line.kind != IniLine::kKey) continue;
    loc.haveLastKey = true;
    loc.afterLastKey = line.next;
    if (!loc.keyFound && NameMatches(t.units, line.name, foldedKey)) {
      loc.keyFound = true;
      loc.keyLine = line;
      if (stopAtKey) break;
    }
  }
  return loc;
}

std::u16string_view StripQuotes(std::u16string_view v) {
  if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

std::u16string_view DefaultValue(std::u16string_view def) {
  def = CutAtNul(def);
  while (!def.empty() && def.back() == u' ') def.remove_suffix(1);
  return def;
}

// Reads the file for a write: nullopt when it exists but cannot be read; an
// empty string when it does not exist (*missing is set).
std::optional<std::string> ReadForWrite(const std::filesystem::path& file, bool* missing) {
  *missing = false;
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) {
    if (errno == ENOENT) {
      *missing = true;
      return std::string();
    }
    return std::nullopt;
  }
  return ReadWholeFile(file, kMaxIniFileBytes);
}

// The read shared by both readers: the value's units (quotes stripped, cut at
// NUL) or nullopt. For a single-byte file *bytes receives the value's original
// bytes, so that no code page round trip can alter them.
std::optional<std::u16string> ReadValueUnits(const std::filesystem::path& file,
                                             std::u16string_view section, std::u16string_view key,
                                             const CodePage& cp, std::string* bytes,
                                             IniEncoding* encoding) {
  section = TrimName(section);
  key = TrimName(key);
  if (section.empty() || key.empty()) return std::nullopt;
  std::optional<std::string> data = ReadWholeFile(file, kMaxIniFileBytes);
  if (!data) return std::nullopt;
  IniText t = DecodeIni(*data, cp);
  *encoding = t.encoding;
  Location loc = Locate(t, FoldName(section), FoldName(key), true);
  if (!loc.keyFound) return std::nullopt;
  std::u16string_view all(t.units);
  Span v = loc.keyLine.value;
  std::u16string_view value = StripQuotes(all.substr(v.begin, v.size()));
  value = CutAtNul(value);
  if (bytes && t.encoding == IniEncoding::kCodePage) {
    size_t first = static_cast<size_t>(value.data() - all.data());
    *bytes = data->substr(first, value.size());
  }
  return std::u16string(value);
}

bool ValidNames(std::u16string_view section, std::u16string_view key) {
  auto bad = [](std::u16string_view s) {
    return s.empty() || s.find_first_of(std::u16string_view(u"\r\n\0", 3)) != std::u16string_view::npos;
  };
  if (bad(section) || bad(key)) return false;
  if (key.find(u'=') != std::u16string_view::npos) return false;
  return key.front() != u';' && key.front() != u'[';
}

// The write shared by both writers; names and value arrive as UTF-16.
bool WriteValue(const std::filesystem::path& file, std::u16string_view section,
                std::u16string_view key, std::u16string_view value, const CodePage& cp) {
  section = TrimName(section);
  key = TrimName(key);
  if (!ValidNames(section, key)) return false;
  size_t cut = value.find_first_of(std::u16string_view(u"\r\n\0", 3));
  if (cut != std::u16string_view::npos) value = value.substr(0, cut);

  bool missing = false;
  std::optional<std::string> data = ReadForWrite(file, &missing);
  if (!data) return false;
  IniText t = DecodeIni(*data, cp);
  const std::u16string& u = t.units;

  std::u16string eol = u"\r\n";
  size_t lf = u.find(u'\n', t.start);
  if (lf != std::u16string::npos && !(lf > t.start && u[lf - 1] == u'\r')) eol = u"\n";

  Location loc = Locate(t, FoldName(section), FoldName(key), true);
  size_t from, to;
  std::u16string insert;
  if (loc.keyFound) {
    from = loc.keyLine.eq + 1;
    to = loc.keyLine.content.end;
    insert = value;
  } else {
    std::u16string keyLine = std::u16string(key) + u"=" + std::u16string(value) + eol;
    if (loc.sectionFound) {
      from = to = loc.haveLastKey ? loc.afterLastKey : loc.afterHeader;
      insert = keyLine;
    } else {
      from = to = u.size();
      insert = u"[" + std::u16string(section) + u"]" + eol + keyLine;
    }
    // The line before the insertion point may lack its line ending (the file's last line).
    if (from > t.start && u[from - 1] != u'\n') insert = eol + insert;
  }

  std::string out;
  if (missing) {
    out = EncodeUnits(insert, IniEncoding::kCodePage, cp);
  } else {
    size_t fromByte = ByteOffset(t, from);
    size_t toByte = ByteOffset(t, to);
    std::string encoded = EncodeUnits(insert, t.encoding, cp);
    if (toByte - fromByte == encoded.size() &&
        std::string_view(*data).substr(fromByte, encoded.size()) == encoded)
      return true;  // unchanged
    out.reserve(data->size() + encoded.size());
    out.append(*data, 0, fromByte);
    out += encoded;
    out.append(*data, toByte, std::string::npos);
  }
  return WriteFileAtomically(file, out);
}

template <class Ch>
std::basic_string_view<Ch> LimitTo(std::basic_string_view<Ch> s, size_t buffer) {
  if (buffer == 0) return {};
  return s.size() > buffer - 1 ? s.substr(0, buffer - 1) : s;
}

}  // namespace

// ---- On-disk form ----

std::string ReadProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view def, const CodePage& cp,
                              size_t bufferSize) {
  std::string bytes;
  IniEncoding encoding = IniEncoding::kCodePage;
  std::optional<std::u16string> units = ReadValueUnits(
      file, cp.ToUtf16(TrimName(section)), cp.ToUtf16(TrimName(key)), cp, &bytes, &encoding);
  std::string result;
  if (!units) {
    def = CutAtNul(def);
    while (!def.empty() && def.back() == ' ') def.remove_suffix(1);
    result = std::string(def);
  } else if (encoding == IniEncoding::kCodePage) {
    result = std::move(bytes);
  } else {
    result = UnitsToCodePage(*units, cp);
  }
  return std::string(LimitTo(std::string_view(result), bufferSize));
}

std::u16string ReadProfileStringWide(const std::filesystem::path& file, std::u16string_view section,
                                     std::u16string_view key, std::u16string_view def,
                                     size_t bufferUnits, const CodePage& cp) {
  IniEncoding encoding = IniEncoding::kCodePage;
  std::optional<std::u16string> units = ReadValueUnits(file, section, key, cp, nullptr, &encoding);
  std::u16string_view result = units ? std::u16string_view(*units) : DefaultValue(def);
  return std::u16string(LimitTo(result, bufferUnits));
}

bool WriteProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value, const CodePage& cp) {
  return WriteValue(file, cp.ToUtf16(section), cp.ToUtf16(key), cp.ToUtf16(value), cp);
}

bool WriteProfileStringWide(const std::filesystem::path& file, std::u16string_view section,
                            std::u16string_view key, std::u16string_view value,
                            const CodePage& cp) {
  return WriteValue(file, section, key, value, cp);
}

IniEncoding DetectIniEncoding(const std::filesystem::path& file) {
  int fd = OpenConfined(file, O_RDONLY);
  if (fd < 0) return IniEncoding::kCodePage;
  unsigned char head[2] = {0, 0};
  ssize_t n = ::read(fd, head, 2);
  ::close(fd);
  return (n == 2 && head[0] == 0xFF && head[1] == 0xFE) ? IniEncoding::kUtf16LE
                                                        : IniEncoding::kCodePage;
}

// ---- In-memory form ----

size_t IniDocument::NameKeyHash::operator()(const NameKey& k) const noexcept {
  size_t h = std::hash<std::u16string>()(k.section);
  return h ^ (std::hash<std::u16string>()(k.key) + 0x9E3779B97F4A7C15ULL + (h << 6) + (h >> 2));
}

IniDocument IniDocument::Load(const std::filesystem::path& file, const CodePage& cp, bool* existed) {
  std::optional<std::string> data = ReadWholeFile(file, kMaxIniFileBytes);
  if (existed) *existed = data.has_value();
  return data ? Parse(*data, cp) : IniDocument(cp);
}

IniDocument IniDocument::Parse(std::string_view bytes, const CodePage& cp) {
  IniDocument doc(cp);
  IniText t = DecodeIni(bytes, cp);
  std::u16string_view all(t.units);
  LineScanner scan(all, t.start);
  IniLine line;
  std::unordered_set<std::u16string> seen;
  bool active = false;  // inside the first section of its name
  std::u16string section;
  while (scan.Next(line)) {
    if (line.kind == IniLine::kSection) {
      section = FoldName(all.substr(line.name.begin, line.name.size()));
      active = seen.insert(section).second;
      continue;
    }
    if (!active || line.kind != IniLine::kKey) continue;
    NameKey key{section, FoldName(all.substr(line.name.begin, line.name.size()))};
    if (doc.values_.count(key)) continue;
    std::string value = t.encoding == IniEncoding::kCodePage
                            ? std::string(CutAtNul(bytes.substr(line.value.begin, line.value.size())))
                            : UnitsToCodePage(CutAtNul(all.substr(line.value.begin, line.value.size())), cp);
    doc.values_.emplace(std::move(key), std::move(value));
  }
  return doc;
}

std::optional<IniDocument::NameKey> IniDocument::MakeKey(std::string_view section,
                                                         std::string_view key) const {
  section = TrimName(section);
  key = TrimName(key);
  if (section.empty() || key.empty()) return std::nullopt;
  return NameKey{FoldName(cp_->ToUtf16(section)), FoldName(cp_->ToUtf16(key))};
}

std::optional<std::string> IniDocument::Find(std::string_view section, std::string_view key) const {
  std::optional<NameKey> k = MakeKey(section, key);
  if (!k) return std::nullopt;
  auto it = values_.find(*k);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

std::string IniDocument::Get(std::string_view section, std::string_view key,
                             std::string_view def) const {
  std::optional<NameKey> k = MakeKey(section, key);
  if (k) {
    auto it = values_.find(*k);
    if (it != values_.end()) return it->second;
  }
  return std::string(def);
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string value) {
  std::optional<NameKey> k = MakeKey(section, key);
  if (k) values_.insert_or_assign(std::move(*k), std::move(value));
}

}  // namespace platform
