#include "script/tokenizer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>

#include "script/names.h"

namespace script {

namespace {

constexpr const char* kTable[] = {
    "TRUE",      "FALSE",
    "=",         "OR",
    "AND",       "NOT",
    "XOR",       "," /*10*/,
    ":",         "<>",
    ">",         "<",
    ">=",        "<=",
    "+",         "-",
    "*",         "/" /*20*/,
    "^",         "(",
    ")",         "[",
    "]",         ";",
    "//",        "{",
    "}",         ":=" /*30*/,
    "BEGIN",     "END",
    "IF",        "THEN",
    "ELSE",      "FOR",
    "TO",        "DOWNTO",
    "DO",        "WHILE" /*40*/,
    "REPEAT",    "UNTIL",
    "BREAK",     "CONTINUE",
    "EXIT",      "GOTO",
    "SHL",       "SHR",
    "PROCEDURE", "FUNCTION" /*50*/,
    "USES",      "INCLUDE",
    "CASE",      "OF",
    "..",
};
constexpr int kFirstTableCode = 3;
constexpr int kLastTableCode = 55;
static_assert(sizeof(kTable) / sizeof(kTable[0]) == kLastTableCode - kFirstTableCode + 1);

bool IsQuote(char c) {
  return c == '"' || c == '\'';
}
// The byte 127 cannot stand inside a prepared token, so the scan treats it as a blank.
bool IsWhite(char c) {
  return c == 9 || c == 10 || c == 13 || c == 32 || c == kTokenMarker;
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool Ident(char c) {
  return IsIdentChar(static_cast<unsigned char>(c));
}

struct TableEntry {
  std::string_view text;
  int16_t code;
  bool identOnly;  // made only of identifier characters: must not be followed by one
};

// The table entries by their first byte, longest first, so that the first
// entry that matches is the longest match.
struct TableIndex {
  std::array<TableEntry, kLastTableCode - kFirstTableCode + 1> entries{};
  std::array<uint8_t, 257> first{};  // entries of byte b: [first[b], first[b + 1])

  TableIndex() {
    size_t n = 0;
    for (int b = 0; b < 256; ++b) {
      first[static_cast<size_t>(b)] = static_cast<uint8_t>(n);
      const size_t start = n;
      for (int c = kFirstTableCode; c <= kLastTableCode; ++c) {
        std::string_view t = kTable[c - kFirstTableCode];
        if (static_cast<unsigned char>(t[0]) != b) continue;
        bool identOnly = true;
        for (char ch : t) identOnly = identOnly && Ident(ch);
        entries[n++] = {t, static_cast<int16_t>(c), identOnly};
      }
      std::stable_sort(
          entries.begin() + static_cast<std::ptrdiff_t>(start),
          entries.begin() + static_cast<std::ptrdiff_t>(n),
          [](const TableEntry& a, const TableEntry& b) { return a.text.size() > b.text.size(); });
    }
    first[256] = static_cast<uint8_t>(n);
  }
};

const TableIndex& Index() {
  static const TableIndex index;
  return index;
}

// Longest table entry at pos, or 0.
int MatchTable(std::string_view s, size_t pos, size_t& length) {
  const TableIndex& index = Index();
  const unsigned char b = static_cast<unsigned char>(s[pos]);
  const size_t left = s.size() - pos;
  for (size_t i = index.first[b]; i < index.first[b + 1u]; ++i) {
    const TableEntry& e = index.entries[i];
    const size_t n = e.text.size();
    if (left < n || std::memcmp(s.data() + pos, e.text.data(), n) != 0) continue;
    if (e.identOnly && n < left && Ident(s[pos + n])) continue;
    length = n;
    return e.code;
  }
  length = 0;
  return 0;
}

std::string_view TrimControl(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
  return s;
}

}  // namespace

const char* TokenTableText(int code) {
  if (code < kFirstTableCode || code > kLastTableCode) return nullptr;
  return kTable[code - kFirstTableCode];
}

std::string StripCommentsAndFold(std::string_view src) {
  std::string out;
  out.reserve(src.size());
  bool inString = false, inComment = false;
  for (size_t i = 0; i < src.size(); ++i) {
    char c = src[i];
    if (!inComment && IsQuote(c)) inString = !inString;
    if (!inString) {
      if (c == '}') {
        inComment = false;
        continue;
      }
      if (c == '\r' || c == '\n')
        inComment = false;
      else if (c == '{' || (c == '/' && i + 1 < src.size() && src[i + 1] == '/'))
        inComment = true;
    }
    if (inComment) continue;
    out.push_back((!inString && c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c);
  }
  return out;
}

namespace {

// Tokens are scanned into a buffer that stays from one scan to the next and
// then moved once into an array of the exact size (and one more): a prepared script keeps
// its tokens, and growing its own array by doubling cost more than the scan.
// A buffer grown past this many tokens (a huge Exec text) is let go after use.
constexpr size_t kKeptScanTokens = 1 << 16;

void ScanInto(std::string_view s, TokenArray& out);

}  // namespace

TokenArray ScanTokens(std::string_view s) {
  static thread_local TokenArray scratch;
  scratch.clear();
  ScanInto(s, scratch);
  TokenArray out;
  // One spare place: the main program may get a closing ";" appended.
  out.reserve(scratch.size() + 1);
  out.insert(out.end(), std::make_move_iterator(scratch.begin()),
             std::make_move_iterator(scratch.end()));
  scratch.clear();
  if (scratch.capacity() > kKeptScanTokens) TokenArray().swap(scratch);
  return out;
}

namespace {

void ScanInto(std::string_view s, TokenArray& out) {
  size_t p = 0;
  while (true) {
    while (p < s.size() && IsWhite(s[p])) ++p;
    if (p >= s.size()) break;
    size_t len;
    if (int code = MatchTable(s, p, len)) {
      out.push_back({static_cast<int16_t>(code), std::string(s.substr(p, len))});
      p += len;
      continue;
    }
    if (IsQuote(s[p])) {
      // Either quote character closes the literal; no closing quote runs to the end.
      size_t q = p + 1;
      while (q < s.size() && !IsQuote(s[q])) ++q;
      if (q < s.size()) ++q;
      out.push_back({tkConst, std::string(s.substr(p, q - p))});
      p = q;
      continue;
    }
    size_t q = p + 1;
    while (q < s.size() && Ident(s[q])) ++q;
    std::string_view raw = s.substr(p, q - p);
    if (IsDigit(raw.front())) {
      // A number stops before "..", so that "1 ..5" and "1..5" both start with 1.
      size_t dots = raw.find("..");
      if (dots != std::string_view::npos) raw = raw.substr(0, dots);
    }
    p += raw.size();
    std::string_view text = TrimControl(raw);
    int16_t code =
        (!text.empty() && (IsDigit(text.front()) || IsQuote(text.front()))) ? tkConst : tkIdent;
    out.push_back({code, std::string(text)});
  }
}

}  // namespace

TokenArray Tokenize(std::string_view source) {
  return ScanTokens(StripCommentsAndFold(source));
}

int ReadToken(std::string_view s, size_t& pos, std::string_view& text) {
  text = std::string_view();
  if (pos + 1 >= s.size() || s[pos] != kTokenMarker) return 0;
  int code = static_cast<unsigned char>(s[pos + 1]) - 64;
  size_t start = pos + 2;
  size_t next = s.find(kTokenMarker, start);
  if (next == std::string_view::npos) next = s.size();
  text = s.substr(start, next - start);
  pos = next;
  return code;
}

TokenArray ReadPreparedTokens(std::string_view prepared) {
  TokenArray out;
  size_t pos = 0;
  std::string_view text;
  while (int code = ReadToken(prepared, pos, text))
    out.push_back({static_cast<int16_t>(code), std::string(text)});
  return out;
}

void AppendEncoded(std::string& out, const Token& t) {
  out.push_back(kTokenMarker);
  out.push_back(static_cast<char>(t.code + 64));
  out += t.text;
}

std::string EncodeToken(int code, std::string_view text) {
  std::string out;
  out.push_back(kTokenMarker);
  out.push_back(static_cast<char>(code + 64));
  out += text;
  return out;
}

std::string EncodeTokens(const Token* begin, const Token* end) {
  std::string out;
  for (const Token* t = begin; t < end; ++t) AppendEncoded(out, *t);
  return out;
}

std::string ReadableForm(const Token* begin, const Token* end) {
  std::string out;
  for (const Token* t = begin; t < end; ++t) {
    out += t->text;
    out.push_back(' ');
  }
  out.push_back(' ');
  return out;
}

std::string JoinedForm(const Token* begin, const Token* end) {
  std::string out;
  for (const Token* t = begin; t < end; ++t) out += t->text;
  return out;
}

}  // namespace script
