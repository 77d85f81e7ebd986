#include "platform/numeric.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

std::optional<int64_t> RoundHalfEvenI64(double v) {
  if (!std::isfinite(v)) return std::nullopt;
  double r = std::nearbyint(v);
  // 2^63 is exactly representable; everything below it converts safely.
  if (r < -9223372036854775808.0 || r >= 9223372036854775808.0) return std::nullopt;
  return static_cast<int64_t>(r);
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<int64_t> ParseIntegerText(std::string_view text) {
  std::string_view s = TrimBlanks(text);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return std::nullopt;
  bool hex = false;
  if (s.front() == '$') {
    hex = true;
    s.remove_prefix(1);
  }
  if (s.empty()) return std::nullopt;
  uint64_t acc = 0;
  for (char c : s) {
    int d = hex ? HexDigit(c) : ((c >= '0' && c <= '9') ? c - '0' : -1);
    if (d < 0) return std::nullopt;
    uint64_t base = hex ? 16 : 10;
    if (acc > (UINT64_MAX - static_cast<uint64_t>(d)) / base) return std::nullopt;
    acc = acc * base + static_cast<uint64_t>(d);
  }
  if (hex) {
    // Hexadecimal text gives the bit pattern, as the engine's string conversion does.
    int64_t v = static_cast<int64_t>(acc);
    return negative ? -v : v;
  }
  if (negative) {
    if (acc > UINT64_C(9223372036854775808)) return std::nullopt;
    return static_cast<int64_t>(0 - acc);
  }
  if (acc > static_cast<uint64_t>(INT64_MAX)) return std::nullopt;
  return static_cast<int64_t>(acc);
}

std::optional<double> ParseRealText(std::string_view text) {
  std::string_view s = TrimBlanks(text);
  if (s.empty()) return std::nullopt;
  if (auto i = ParseIntegerText(s)) return static_cast<double>(*i);
  // Validate the shape ourselves: strtod would also take "inf", "nan" and hex floats.
  size_t p = 0;
  if (s[p] == '+' || s[p] == '-') ++p;
  size_t digits = 0;
  while (p < s.size() && s[p] >= '0' && s[p] <= '9') ++p, ++digits;
  if (p < s.size() && s[p] == '.') {
    ++p;
    while (p < s.size() && s[p] >= '0' && s[p] <= '9') ++p, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (p < s.size() && (s[p] == 'e' || s[p] == 'E')) {
    ++p;
    if (p < s.size() && (s[p] == '+' || s[p] == '-')) ++p;
    size_t expDigits = 0;
    while (p < s.size() && s[p] >= '0' && s[p] <= '9') ++p, ++expDigits;
    if (expDigits == 0) return std::nullopt;
  }
  if (p != s.size()) return std::nullopt;
  std::string copy(s);
  return std::strtod(copy.c_str(), nullptr);
}

std::string FormatRealGeneral(double v, int precision) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
  if (v == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", precision - 1, v);
  // buf = [-]d.dddde[+-]xx
  std::string s(buf);
  size_t ePos = s.find('e');
  int exponent = std::atoi(s.c_str() + ePos + 1);
  std::string mant = s.substr(0, ePos);
  bool negative = mant[0] == '-';
  if (negative) mant.erase(0, 1);
  std::string digits;
  for (char c : mant)
    if (c != '.') digits.push_back(c);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = negative ? "-" : "";
  if (exponent >= precision || exponent < -4) {
    out += digits[0];
    if (digits.size() > 1) {
      out += '.';
      out += digits.substr(1);
    }
    out += 'E';
    out += std::to_string(exponent);
    return out;
  }
  if (exponent >= 0) {
    std::string intPart, frac;
    if (static_cast<int>(digits.size()) <= exponent + 1) {
      intPart = digits + std::string(static_cast<size_t>(exponent + 1) - digits.size(), '0');
    } else {
      intPart = digits.substr(0, static_cast<size_t>(exponent + 1));
      frac = digits.substr(static_cast<size_t>(exponent + 1));
    }
    out += intPart;
    if (!frac.empty()) out += "." + frac;
    return out;
  }
  out += "0.";
  out += std::string(static_cast<size_t>(-exponent - 1), '0');
  out += digits;
  return out;
}

std::string AsciiUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiUpperChar(c);
  return out;
}

bool AsciiIEquals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiUpperChar(a[i]) != AsciiUpperChar(b[i])) return false;
  return true;
}

}  // namespace platform
