#pragma once
// Tokenizer and the prepared-script form.
//
// Source text is first stripped of comments and upper-cased outside string
// literals, then cut into tokens. A prepared script is the concatenation, per
// token, of the marker byte 127, the byte (code + 64) and the token text; any
// text holding the byte 127 is taken to be prepared already. The interpreter
// keeps the tokens of a prepared text in an array and works from that.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace script {

// Token codes. 0 is the end of the text, 1 an identifier, 2 a number or
// string literal; 3 to 55 follow the fixed token table.
enum Tk : int16_t {
  tkNone = 0,
  tkIdent = 1,
  tkConst = 2,
  tkTrue = 3,
  tkFalse = 4,
  tkEq = 5,
  tkOr = 6,
  tkAnd = 7,
  tkNot = 8,
  tkXor = 9,
  tkComma = 10,
  tkColon = 11,
  tkNe = 12,
  tkGt = 13,
  tkLt = 14,
  tkGe = 15,
  tkLe = 16,
  tkPlus = 17,
  tkMinus = 18,
  tkStar = 19,
  tkSlash = 20,
  tkCaret = 21,
  tkLParen = 22,
  tkRParen = 23,
  tkLBracket = 24,
  tkRBracket = 25,
  tkSemicolon = 26,
  tkSlashSlash = 27,
  tkLBrace = 28,
  tkRBrace = 29,
  tkAssign = 30,
  tkBegin = 31,
  tkEnd = 32,
  tkIf = 33,
  tkThen = 34,
  tkElse = 35,
  tkFor = 36,
  tkTo = 37,
  tkDownto = 38,
  tkDo = 39,
  tkWhile = 40,
  tkRepeat = 41,
  tkUntil = 42,
  tkBreak = 43,
  tkContinue = 44,
  tkExit = 45,
  tkGoto = 46,
  tkShl = 47,
  tkShr = 48,
  tkProcedure = 49,
  tkFunction = 50,
  tkUses = 51,
  tkInclude = 52,
  tkCase = 53,
  tkOf = 54,
  tkRange = 55,
};

inline constexpr char kTokenMarker = '\x7f';

// Table text of codes 3 to 55; null for other codes.
const char* TokenTableText(int code);

// One token: its code and where its text lies in the bytes of the array that
// holds it. The text is read through that array (TokenArray::Text).
struct Token {
  uint32_t offset = 0;
  uint32_t length = 0;
  // A hand-made prepared text may carry any code from -64 to 191; codes outside
  // 1..55 are tokens that no rule accepts.
  int16_t code = tkNone;
};
static_assert(sizeof(Token) == 12, "four tokens to a cache line, and a bit more");

// The tokens of one text and the bytes their texts are cut from, in two
// allocations: a prepared script keeps its tokens, and making a string per
// token cost more than the scan itself.
//
// Invariants:
//   - every token's text [offset, offset + length) lies inside the bytes;
//   - bytes are only ever added at the end, so a token's text never changes;
//     a view returned by Text stays valid until the next Append;
//   - the bytes of a scanned text are the folded text (blanks included),
//     those of a prepared text the prepared text (markers included); an
//     appended token's text is copied to the end.
// Offsets are 32-bit: bytes of 4 GiB or more are refused with std::bad_alloc,
// as memory that cannot be had.
class TokenArray {
 public:
  TokenArray() = default;
  // An array over held bytes; tokens come from tokens, each of whose range
  // must lie inside bytes.
  TokenArray(std::string bytes, std::vector<Token> tokens);

  size_t size() const { return tokens_.size(); }
  bool empty() const { return tokens_.empty(); }
  const Token& operator[](size_t i) const { return tokens_[i]; }
  const Token* begin() const { return tokens_.data(); }
  const Token* end() const { return tokens_.data() + tokens_.size(); }

  std::string_view Text(const Token& t) const { return {bytes_.data() + t.offset, t.length}; }
  std::string_view Text(size_t i) const { return Text(tokens_[i]); }

  // A token whose text is copied to the end of the bytes.
  void Append(int code, std::string_view text);
  // Tokens [first, last) of another array.
  void Append(const TokenArray& from, size_t first, size_t last);

 private:
  std::vector<Token> tokens_;
  std::string bytes_;
};

using TokenArrayPtr = std::shared_ptr<const TokenArray>;

// Comment removal and case folding (only a-z change; string literals keep their case).
std::string StripCommentsAndFold(std::string_view source);
// Token scan of folded text.
TokenArray ScanTokens(std::string_view folded);
// Both steps.
TokenArray Tokenize(std::string_view source);

inline bool IsPreparedText(std::string_view text) {
  return text.find(kTokenMarker) != std::string_view::npos;
}

// Reads the token at pos (0-based). Answers code 0 with empty text, leaving
// pos, when fewer than two bytes remain or the byte at pos is not the marker.
int ReadToken(std::string_view prepared, size_t& pos, std::string_view& text);
// The tokens of a prepared text, up to the first code 0.
TokenArray ReadPreparedTokens(std::string_view prepared);

std::string EncodeToken(int code, std::string_view text);
void AppendEncoded(std::string& out, int code, std::string_view text);
// The forms of tokens [first, last) of an array (last at most its size).
// Prepared form.
std::string EncodeTokens(const TokenArray& tokens, size_t first, size_t last);
// Readable form: each token text followed by a blank, plus one more blank.
std::string ReadableForm(const TokenArray& tokens, size_t first, size_t last);
// Token texts joined with nothing between them.
std::string JoinedForm(const TokenArray& tokens, size_t first, size_t last);

}  // namespace script
