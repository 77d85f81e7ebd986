#include "scriptlib/format_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/numeric.h"
#include "script/func_list.h"
#include "script/value_ops.h"
#include "scriptlib/native_util.h"

namespace scriptlib {

namespace {

using script::Value;
using script::VKind;

// Widths and precisions beyond this are refused rather than padded.
constexpr int kMaxField = 1 << 16;
// The most digits a floating-point value is given (the precision of an
// extended value; more would only show noise).
constexpr int kMaxFloatDigits = 18;

[[noreturn]] void Invalid(std::string_view format) {
  throw ScriptError("Format '" + std::string(format) + "' invalid or incompatible with argument");
}

bool ReadNumber(std::string_view f, size_t& p, int& out) {
  size_t start = p;
  int64_t v = 0;
  while (p < f.size() && f[p] >= '0' && f[p] <= '9') {
    v = v * 10 + (f[p] - '0');
    if (v > kMaxField) Invalid(f);
    ++p;
  }
  out = static_cast<int>(v);
  return p > start;
}

bool IsIntegerKind(const Value& v) { return v.IsIntegerKind(); }
bool IsNumberKind(const Value& v) { return v.IsIntegerKind() || v.IsFloat(); }

std::string Digits(uint64_t v, int base) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  do {
    out.push_back(kDigits[v % static_cast<uint64_t>(base)]);
    v /= static_cast<uint64_t>(base);
  } while (v);
  std::reverse(out.begin(), out.end());
  return out;
}

std::string ZeroPadded(std::string digits, int least) {
  if (static_cast<int>(digits.size()) < least) digits.insert(0, least - digits.size(), '0');
  return digits;
}

std::string IntegerText(char type, const Value& v, int precision) {
  // 32-bit kinds are 32-bit numbers to "u" and "x": -1 is FFFFFFFF.
  bool wide = v.kind == VKind::Int64;
  switch (type) {
    case 'D': {
      bool negative = v.i < 0;
      uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(v.i) : static_cast<uint64_t>(v.i);
      return (negative ? "-" : "") + ZeroPadded(Digits(magnitude, 10), precision);
    }
    case 'U':
    case 'X': {
      uint64_t u = wide ? static_cast<uint64_t>(v.i) : static_cast<uint32_t>(v.i);
      return ZeroPadded(Digits(u, type == 'U' ? 10 : 16), precision);
    }
  }
  return std::string();
}

// "-0.00" and the like lose their sign: a value that rounds to zero shows
// as zero, whichever side it came from, so it compares equal to "0.00".
void DropNegativeZero(std::string& s) {
  if (s.empty() || s[0] != '-') return;
  for (size_t i = 1; i < s.size() && s[i] != 'E'; ++i)
    if (s[i] >= '1' && s[i] <= '9') return;
  s.erase(0, 1);
}

std::string GroupThousands(const std::string& fixed) {
  size_t start = fixed[0] == '-' ? 1 : 0;
  size_t end = fixed.find('.');
  if (end == std::string::npos) end = fixed.size();
  std::string out = fixed.substr(0, start);
  for (size_t i = start; i < end; ++i) {
    if (i > start && (end - i) % 3 == 0) out.push_back(',');
    out.push_back(fixed[i]);
  }
  out += fixed.substr(end);
  return out;
}

std::string Printf(const char* pattern, int precision, double v) {
  char buf[512];
  int n = std::snprintf(buf, sizeof buf, pattern, precision, v);
  return n < 0 ? std::string() : std::string(buf, std::min<size_t>(static_cast<size_t>(n), sizeof buf - 1));
}

std::string FloatText(char type, double v, int precision, bool hasPrecision) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
  std::string out;
  switch (type) {
    case 'E': {
      int digits = std::clamp(hasPrecision ? precision : 15, 1, kMaxFloatDigits);
      out = Printf("%.*E", digits - 1, v);
      // Exponents have at least three digits: 1.5E+000.
      size_t e = out.find('E');
      if (e != std::string::npos && e + 2 < out.size()) {
        size_t expDigits = out.size() - (e + 2);
        if (expDigits < 3) out.insert(e + 2, 3 - expDigits, '0');
      }
      break;
    }
    case 'G':
      out = platform::FormatRealGeneral(v, std::clamp(hasPrecision ? precision : 15, 1, kMaxFloatDigits));
      break;
    case 'F':
    case 'N':
    case 'M': {
      int decimals = std::clamp(hasPrecision ? precision : 2, 0, kMaxFloatDigits);
      // More integer digits than the formatter carries: general form instead.
      if (std::fabs(v) >= 1e18) {
        out = platform::FormatRealGeneral(v, kMaxFloatDigits);
        break;
      }
      out = Printf("%.*f", decimals, v);
      if (type != 'F') out = GroupThousands(out);
      break;
    }
  }
  DropNegativeZero(out);
  return out;
}

}  // namespace

std::string FormatOne(std::string_view f, const Value& arg) {
  std::string out;
  int nextArg = 0;
  for (size_t i = 0; i < f.size();) {
    if (f[i] != '%') {
      out.push_back(f[i++]);
      continue;
    }
    if (i + 1 < f.size() && f[i + 1] == '%') {
      out.push_back('%');
      i += 2;
      continue;
    }
    // "%" [index ":"] ["-"] [width] ["." precision] type
    size_t p = i + 1;
    int number = 0;
    bool haveNumber = p < f.size() && f[p] != '*' && ReadNumber(f, p, number);
    if (p < f.size() && f[p] == '*') Invalid(f);
    if (haveNumber && p < f.size() && f[p] == ':') {
      nextArg = number;
      haveNumber = false;
      ++p;
    }
    bool left = false;
    if (!haveNumber && p < f.size() && f[p] == '-') {
      left = true;
      ++p;
    }
    if (!haveNumber) {
      if (p < f.size() && f[p] == '*') Invalid(f);
      haveNumber = ReadNumber(f, p, number);
    }
    int width = haveNumber ? number : 0;
    int precision = 0;
    bool hasPrecision = false;
    if (p < f.size() && f[p] == '.') {
      ++p;
      if (p < f.size() && f[p] == '*') Invalid(f);
      ReadNumber(f, p, precision);
      hasPrecision = true;
    }
    if (p >= f.size()) Invalid(f);
    char type = platform::AsciiUpperChar(f[p]);
    i = p + 1;
    // There is exactly one argument.
    if (nextArg != 0) Invalid(f);
    ++nextArg;

    std::string text;
    switch (type) {
      case 'D':
      case 'U':
      case 'X':
        if (!IsIntegerKind(arg)) Invalid(f);
        text = IntegerText(type, arg, precision);
        break;
      case 'E':
      case 'F':
      case 'G':
      case 'N':
      case 'M': {
        if (!IsNumberKind(arg)) Invalid(f);
        double v = arg.IsFloat() ? arg.d : static_cast<double>(arg.i);
        text = FloatText(type, v, precision, hasPrecision);
        break;
      }
      case 'S':
        text = AsText(arg);
        if (hasPrecision && text.size() > static_cast<size_t>(precision)) text.resize(precision);
        break;
      default:
        Invalid(f);
    }
    if (static_cast<int>(text.size()) < width) {
      size_t pad = width - text.size();
      if (left)
        text.append(pad, ' ');
      else
        text.insert(0, pad, ' ');
    }
    out += text;
  }
  return out;
}

namespace {

std::string FormatArgument(const std::string& placeholder, const Value& v) {
  if (v.IsString()) return FormatOne(placeholder, v);
  try {
    return FormatOne(placeholder, v);
  } catch (const ScriptError&) {
    // "%d" with a Real and the like: once more as a truncated integer.
    double d;
    if (!v.ToDouble(d) || !std::isfinite(d) || std::fabs(d) >= 9223372036854775808.0) throw;
    return FormatOne(placeholder, Value::Int64(static_cast<int64_t>(std::trunc(d))));
  }
}

}  // namespace

std::string FormatPlaceholders(const script::TVarList& args) {
  std::string format = AsText(args.At(0).value);
  std::string out, pending;
  bool inPlaceholder = false;
  size_t k = 0;
  for (char c : format) {
    if (!inPlaceholder) {
      if (c == '%') {
        inPlaceholder = true;
        pending = "%";
      } else {
        out.push_back(c);
      }
      continue;
    }
    pending.push_back(c);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
      ++k;
      if (k < args.Count()) out += FormatArgument(pending, args.At(k).value);
      // Every argument may be padded to a wide field: the text as a whole
      // has the length limit of any script text.
      if (out.size() > script::kMaxTextLength) throw ScriptError("Out of memory");
      pending.clear();
      inPlaceholder = false;
    }
  }
  return out + pending;
}

}  // namespace scriptlib
