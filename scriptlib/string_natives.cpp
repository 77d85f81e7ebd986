// Strings and conversion: Val, Char, IntToStr, StrToInt, FloatToStr,
// StrToFloat, Copy, Poss, Length, DelLastChar, Insert, Delete, Trim,
// TrimLeft, TrimRight, UpperCase, LowerCase, Format.
//
// Texts are bytes in the game code page; only Length and DelLastChar know the
// unicode escape form.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "platform/numeric.h"
#include "platform/path_resolver.h"
#include "scriptlib/format_text.h"
#include "scriptlib/handlers.h"
#include "scriptlib/unicode_text.h"

namespace scriptlib {

namespace {

// A real number in the script's notation: blanks, sign, digits with an
// optional "." and fraction, an optional exponent. `end` is where the number
// stops; nullopt when no digits were found (end is then where they were
// expected). A number too large for a double is no number either.
struct RealScan {
  std::optional<double> value;
  size_t end = 0;
};

RealScan ScanReal(std::string_view s) {
  RealScan r;
  size_t p = 0;
  while (p < s.size() && s[p] == ' ') ++p;
  size_t numberStart = p;
  if (p < s.size() && (s[p] == '+' || s[p] == '-')) ++p;
  size_t digits = 0;
  while (p < s.size() && s[p] >= '0' && s[p] <= '9') ++p, ++digits;
  if (p < s.size() && s[p] == '.') {
    ++p;
    while (p < s.size() && s[p] >= '0' && s[p] <= '9') ++p, ++digits;
  }
  if (digits == 0) {
    r.end = numberStart + (numberStart < s.size() && (s[numberStart] == '+' || s[numberStart] == '-'));
    return r;
  }
  if (p < s.size() && (s[p] == 'E' || s[p] == 'e')) {
    size_t q = p + 1;
    if (q < s.size() && (s[q] == '+' || s[q] == '-')) ++q;
    size_t expStart = q;
    while (q < s.size() && s[q] >= '0' && s[q] <= '9') ++q;
    if (q == expStart) {
      r.end = q;  // an exponent without digits
      return r;
    }
    p = q;
  }
  r.end = p;
  // from_chars takes no "+" and no lone trailing ".".
  std::string text(s.substr(numberStart, p - numberStart));
  if (!text.empty() && text[0] == '+') text.erase(0, 1);
  double v = 0;
#if defined(__cpp_lib_to_chars)
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  (void)ptr;
  bool inRange = ec == std::errc();
#else
  // A C++ library without floating-point from_chars (emscripten's): strtod
  // reads the same digits, correctly rounded, and "C" is its only locale. As
  // from_chars, a value that ends as infinity or as zero from non-zero digits
  // is out of range; a subnormal one is not.
  v = std::strtod(text.c_str(), nullptr);
  bool nonZeroDigits = text.find_first_of("123456789") < text.find_first_of("eE");
  bool inRange = std::isfinite(v) && (v != 0 || !nonZeroDigits);
#endif
  if (!inRange || !std::isfinite(v)) {
    // Only the range can fail here: 1E999 is not a number of the script.
    r.end = s.size();
    return r;
  }
  r.value = v;
  return r;
}

std::string_view TrimLeftView(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) <= 32) ++i;
  return s.substr(i);
}

std::string_view TrimRightView(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && static_cast<unsigned char>(s[n - 1]) <= 32) --n;
  return s.substr(0, n);
}

}  // namespace

namespace natives {

// Val(text, VAR number, VAR code). A text that is not a number stores 0.
bool Val(TPasCalc&, TVarList& args, TVar&) {
  if (!CountIs(args, 3) || !IsVarArg(args, 1) || !IsVarArg(args, 2)) return false;
  std::string text = AsText(Arg(args, 0));
  RealScan scan = ScanReal(text);
  bool whole = scan.value && scan.end == text.size();
  args.At(1).value = Value::Real(whole ? *scan.value : 0.0);
  args.At(2).value = Value::Integer(whole ? 0 : static_cast<int32_t>(scan.end + 1));
  return true;
}

bool Char(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  result.value = Value::String(std::string(1, static_cast<char>(AsInteger(Arg(args, 0)) & 0xFF)));
  return true;
}

bool IntToStr(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  result.value = Value::String(std::to_string(AsInteger(Arg(args, 0))));
  return true;
}

// Decimal or "$" hexadecimal; hexadecimal up to $FFFFFFFF wraps into the
// signed range, so a colour written in hexadecimal reads back as the same
// 32 bits. 0 for anything else.
bool StrToInt(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  std::string text = AsText(Arg(args, 0));
  int32_t v = 0;
  if (auto n = platform::ParseIntegerText(text)) {
    bool hex = text.find('$') != std::string::npos;
    if (*n >= INT32_MIN && *n <= INT32_MAX)
      v = static_cast<int32_t>(*n);
    else if (hex && *n > INT32_MAX && *n <= UINT32_MAX)
      v = static_cast<int32_t>(static_cast<uint32_t>(*n));
  }
  result.value = Value::Integer(v);
  return true;
}

bool FloatToStr(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  double v = AsReal(Arg(args, 0));
  std::string text;
  if (std::isnan(v)) {
    text = "NAN";
  } else if (std::isinf(v)) {
    text = v < 0 ? "-INF" : "INF";
  } else {
    std::vector<char> buf(static_cast<size_t>(std::snprintf(nullptr, 0, "%.15f", v)) + 1);
    std::snprintf(buf.data(), buf.size(), "%.15f", v);
    text = buf.data();
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
    if (text == "-0") text = "0";
  }
  result.value = Value::String(std::move(text));
  return true;
}

bool StrToFloat(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  std::string text = AsText(Arg(args, 0));
  std::string_view trimmed = TrimRightView(TrimLeftView(text));
  RealScan scan = ScanReal(trimmed);
  if (!scan.value || scan.end != trimmed.size()) return false;
  result.value = Value::Real(*scan.value);
  return true;
}

bool Copy(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 3)) return false;
  std::string text = AsText(Arg(args, 0));
  int64_t from = AsTrunc(Arg(args, 1));
  int64_t count = AsTrunc(Arg(args, 2));
  if (from < 1) from = 1;
  std::string out;
  if (count > 0 && from <= static_cast<int64_t>(text.size()))
    out = text.substr(static_cast<size_t>(from - 1), static_cast<size_t>(count));
  result.value = Value::String(std::move(out));
  return true;
}

bool Poss(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 2)) return false;
  std::string sub = AsText(Arg(args, 0));
  std::string text = AsText(Arg(args, 1));
  size_t at = sub.empty() ? std::string::npos : text.find(sub);
  result.value = Value::Integer(at == std::string::npos ? 0 : static_cast<int32_t>(at + 1));
  return true;
}

bool Length(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  // A text is measured where it stands: scripts ask the length of a growing
  // accumulator after every append.
  const Value& v = Arg(args, 0);
  std::string converted;
  const std::string& text = v.IsString() ? v.s : (converted = v.ToText());
  size_t n = UnicodeModeOn() ? EscapeTextLength(text) : text.size();
  result.value = Value::Integer(static_cast<int32_t>(n));
  return true;
}

bool DelLastChar(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  std::string text = AsText(Arg(args, 0));
  if (UnicodeModeOn())
    text = std::string(EscapeTextDropLast(text));
  else if (!text.empty())
    text.pop_back();
  result.value = Value::String(std::move(text));
  return true;
}

// Insert(sub, VAR text, position)
bool Insert(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 3) || !IsVarArg(args, 1)) return false;
  std::string sub = AsText(Arg(args, 0));
  std::string text = AsText(Arg(args, 1));
  int64_t pos = AsTrunc(Arg(args, 2));
  pos = std::clamp<int64_t>(pos, 1, static_cast<int64_t>(text.size()) + 1);
  if (text.size() + sub.size() > script::kMaxTextLength) throw ScriptError("Out of memory");
  text.insert(static_cast<size_t>(pos - 1), sub);
  args.At(1).value = Value::String(text);
  result.value = Value::String(std::move(text));
  return true;
}

// Delete(VAR text, position, count)
bool Delete(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 3) || !IsVarArg(args, 0)) return false;
  std::string text = AsText(Arg(args, 0));
  int64_t pos = AsTrunc(Arg(args, 1));
  int64_t count = AsTrunc(Arg(args, 2));
  if (pos >= 1 && pos <= static_cast<int64_t>(text.size()) && count > 0)
    text.erase(static_cast<size_t>(pos - 1), static_cast<size_t>(count));
  args.At(0).value = Value::String(text);
  result.value = Value::String(std::move(text));
  return true;
}

bool Trim(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  std::string text = AsText(Arg(args, 0));
  result.value = Value::String(std::string(TrimRightView(TrimLeftView(text))));
  return true;
}

bool TrimLeft(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  std::string text = AsText(Arg(args, 0));
  result.value = Value::String(std::string(TrimLeftView(text)));
  return true;
}

bool TrimRight(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  std::string text = AsText(Arg(args, 0));
  result.value = Value::String(std::string(TrimRightView(text)));
  return true;
}

bool UpperCase(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  result.value = Value::String(platform::GameFiles().Cp().Upper(AsText(Arg(args, 0))));
  return true;
}

bool LowerCase(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountIs(args, 1)) return false;
  result.value = Value::String(platform::GameFiles().Cp().Lower(AsText(Arg(args, 0))));
  return true;
}

bool Format(TPasCalc&, TVarList& args, TVar& result) {
  if (!CountAtLeast(args, 2)) return false;
  result.value = Value::String(FormatPlaceholders(args));
  return true;
}

}  // namespace natives
}  // namespace scriptlib
