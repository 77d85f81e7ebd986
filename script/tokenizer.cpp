#include "script/tokenizer.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>
#include <limits>
#include <new>

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

namespace {

// Byte classes of the comment and case pass: the bytes that can change its
// state, and the upper-case form of every byte.
enum : uint8_t { kPlain = 0, kQuote, kOpenBrace, kCloseBrace, kSlash, kLineEnd };

struct FoldTables {
  std::array<uint8_t, 256> kind{};
  std::array<char, 256> upper{};
  FoldTables() {
    for (int b = 0; b < 256; ++b) {
      upper[static_cast<size_t>(b)] = static_cast<char>((b >= 'a' && b <= 'z') ? b - 32 : b);
    }
    kind['"'] = kind['\''] = kQuote;
    kind['{'] = kOpenBrace;
    kind['}'] = kCloseBrace;
    kind['/'] = kSlash;
    kind['\r'] = kind['\n'] = kLineEnd;
  }
};

const FoldTables& Fold() {
  static const FoldTables tables;
  return tables;
}

// Writes the folded text of src to out, which has room for src.size() bytes;
// answers the folded length. A string literal runs from a quote to the next
// quote of either kind; "}" outside literals is always dropped; a comment
// ("{" or "//") ends at "}" or at a line end, which is kept.
size_t FoldInto(std::string_view src, char* out) {
  const FoldTables& f = Fold();
  const size_t n = src.size();
  const char* in = src.data();
  size_t o = 0;
  size_t i = 0;
  while (i < n) {
    // Plain text: neither in a literal nor in a comment.
    const unsigned char c = static_cast<unsigned char>(in[i]);
    switch (f.kind[c]) {
      case kPlain:
      case kLineEnd:
        out[o++] = f.upper[c];
        ++i;
        continue;
      case kCloseBrace:
        ++i;
        continue;
      case kSlash:
        if (!(i + 1 < n && in[i + 1] == '/')) {
          out[o++] = '/';
          ++i;
          continue;
        }
        [[fallthrough]];
      case kOpenBrace:
        // A comment: skipped up to "}" (dropped) or a line end (kept).
        while (i < n && in[i] != '}' && in[i] != '\r' && in[i] != '\n') ++i;
        if (i < n && in[i] == '}') ++i;
        continue;
      case kQuote: {
        // A literal keeps its bytes; the closing quote is any quote.
        out[o++] = in[i++];
        while (i < n) {
          const char ch = in[i++];
          out[o++] = ch;
          if (ch == '"' || ch == '\'') break;
        }
        continue;
      }
    }
  }
  return o;
}

}  // namespace

std::string StripCommentsAndFold(std::string_view src) {
  std::string out(src.size(), '\0');
  out.resize(FoldInto(src, out.data()));
  return out;
}

namespace {

// Texts longer than this (a huge Exec text) do not keep their scratch space.
constexpr size_t kKeptScratchBytes = 1 << 20;
constexpr size_t kLongestKeyword = 9;  // PROCEDURE

// Cuts s into tokens whose ranges are offsets into s.
void ScanSpans(std::string_view s, std::vector<Token>& out) {
  const size_t n = s.size();
  size_t p = 0;
  auto add = [&out](int code, size_t begin, size_t length) {
    out.push_back(
        {static_cast<uint32_t>(begin), static_cast<uint32_t>(length), static_cast<int16_t>(code)});
  };
  while (true) {
    while (p < n && IsWhite(s[p])) ++p;
    if (p >= n) break;
    if (Ident(s[p])) {
      // A table entry made of identifier characters matches only a whole run
      // of them, so the run is cut first and looked up only when short enough.
      size_t q = p + 1;
      while (q < n && Ident(s[q])) ++q;
      size_t len;
      if (q - p <= kLongestKeyword) {
        if (int code = MatchTable(s, p, len)) {
          add(code, p, len);
          p += len;
          continue;
        }
      }
      if (IsDigit(s[p])) {
        // A number stops before "..", so that "1 ..5" and "1..5" both start with 1.
        size_t dots = s.substr(p, q - p).find("..");
        if (dots != std::string_view::npos) q = p + dots;
        add(tkConst, p, q - p);
      } else {
        add(tkIdent, p, q - p);
      }
      p = q;
      continue;
    }
    size_t len;
    if (int code = MatchTable(s, p, len)) {
      add(code, p, len);
      p += len;
      continue;
    }
    if (IsQuote(s[p])) {
      // Either quote character closes the literal; no closing quote runs to the end.
      size_t q = p + 1;
      while (q < n && !IsQuote(s[q])) ++q;
      if (q < n) ++q;
      add(tkConst, p, q - p);
      p = q;
      continue;
    }
    // Any other byte starts a name with the identifier characters after it.
    size_t q = p + 1;
    while (q < n && Ident(s[q])) ++q;
    std::string_view text = TrimControl(s.substr(p, q - p));
    const size_t begin = static_cast<size_t>(text.data() - s.data());
    int code =
        (!text.empty() && (IsDigit(text.front()) || IsQuote(text.front()))) ? tkConst : tkIdent;
    add(code, begin, text.size());
    p = q;
  }
}

// The scan collects the tokens in scratch space first and then copies them
// into an array of the exact size (and one more), with the folded text as its
// bytes: growing the array of a script that is kept would leave it oversized.
TokenArray MakeTokens(std::string_view s, const std::vector<Token>& spans) {
  // One spare place: the main program may get a closing ";" appended.
  std::vector<Token> tokens;
  tokens.reserve(spans.size() + 1);
  tokens.assign(spans.begin(), spans.end());
  std::string bytes;
  bytes.reserve(s.size() + 1);
  bytes.assign(s);
  return TokenArray(std::move(bytes), std::move(tokens));
}

struct ScanScratch {
  std::string folded;
  std::vector<Token> spans;
  void Trim() {
    if (folded.capacity() > kKeptScratchBytes) std::string().swap(folded);
    if (spans.capacity() > kKeptScratchBytes / sizeof(Token)) std::vector<Token>().swap(spans);
  }
};

ScanScratch& Scratch() {
  static thread_local ScanScratch scratch;
  return scratch;
}

}  // namespace

namespace {

// Bytes beyond 32-bit offsets are refused as memory that cannot be had: the
// callers already turn a failed allocation into the budget error.
void CheckAddressable(size_t bytes) {
  if (bytes > std::numeric_limits<uint32_t>::max()) throw std::bad_alloc();
}

}  // namespace

TokenArray::TokenArray(std::string bytes, std::vector<Token> tokens)
    : tokens_(std::move(tokens)), bytes_(std::move(bytes)) {
  CheckAddressable(bytes_.size());
  assert(std::all_of(tokens_.begin(), tokens_.end(), [this](const Token& t) {
    return t.offset <= bytes_.size() && t.length <= bytes_.size() - t.offset;
  }));
}

void TokenArray::Append(int code, std::string_view text) {
  CheckAddressable(bytes_.size() + text.size());
  tokens_.push_back({static_cast<uint32_t>(bytes_.size()), static_cast<uint32_t>(text.size()),
                     static_cast<int16_t>(code)});
  bytes_.append(text);
}

void TokenArray::Append(const TokenArray& from, size_t first, size_t last) {
  assert(&from != this && first <= last && last <= from.size());
  size_t bytes = 0;
  for (size_t i = first; i < last; ++i) bytes += from[i].length;
  tokens_.reserve(tokens_.size() + (last - first));
  bytes_.reserve(bytes_.size() + bytes);
  for (size_t i = first; i < last; ++i) Append(from[i].code, from.Text(i));
}

TokenArray ScanTokens(std::string_view s) {
  // Own spans: the caller may be scanning the scratch's folded text.
  std::vector<Token> spans;
  ScanSpans(s, spans);
  return MakeTokens(s, spans);
}

TokenArray Tokenize(std::string_view source) {
  ScanScratch& scratch = Scratch();
  scratch.folded.resize(source.size());
  const std::string_view folded(scratch.folded.data(), FoldInto(source, scratch.folded.data()));
  scratch.spans.clear();
  ScanSpans(folded, scratch.spans);
  TokenArray out = MakeTokens(folded, scratch.spans);
  scratch.Trim();
  return out;
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
  std::vector<Token>& spans = Scratch().spans;
  spans.clear();
  size_t pos = 0;
  std::string_view text;
  while (int code = ReadToken(prepared, pos, text)) {
    spans.push_back({static_cast<uint32_t>(text.data() - prepared.data()),
                     static_cast<uint32_t>(text.size()), static_cast<int16_t>(code)});
  }
  // The bytes up to the last token read: the text after a code 0 is dropped.
  TokenArray out = MakeTokens(prepared.substr(0, pos), spans);
  Scratch().Trim();
  return out;
}

void AppendEncoded(std::string& out, int code, std::string_view text) {
  out.push_back(kTokenMarker);
  out.push_back(static_cast<char>(code + 64));
  out += text;
}

std::string EncodeToken(int code, std::string_view text) {
  std::string out;
  AppendEncoded(out, code, text);
  return out;
}

namespace {

// Bytes of the texts of tokens [first, last), plus per token extra.
size_t FormSize(const TokenArray& a, size_t first, size_t last, size_t extra) {
  size_t n = 0;
  for (size_t i = first; i < last; ++i) n += a[i].length + extra;
  return n;
}

}  // namespace

std::string EncodeTokens(const TokenArray& a, size_t first, size_t last) {
  std::string out;
  out.reserve(FormSize(a, first, last, 2));
  for (size_t i = first; i < last; ++i) AppendEncoded(out, a[i].code, a.Text(i));
  return out;
}

std::string ReadableForm(const TokenArray& a, size_t first, size_t last) {
  std::string out;
  out.reserve(FormSize(a, first, last, 1) + 1);
  for (size_t i = first; i < last; ++i) {
    out += a.Text(i);
    out.push_back(' ');
  }
  out.push_back(' ');
  return out;
}

std::string JoinedForm(const TokenArray& a, size_t first, size_t last) {
  std::string out;
  out.reserve(FormSize(a, first, last, 0));
  for (size_t i = first; i < last; ++i) out += a.Text(i);
  return out;
}

}  // namespace script
