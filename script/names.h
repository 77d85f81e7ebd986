#pragma once
// Character classes and name rules of the script language (8-bit code page text).

#include <string_view>

namespace script {

// `.` `0`-`9` `@` `A`-`Z` `_` `a`-`z`, bytes 168, 184 and 192..255.
inline bool IsIdentChar(unsigned char c) {
  return c == '.' || (c >= '0' && c <= '9') || c == '@' || (c >= 'A' && c <= 'Z') || c == '_' ||
         (c >= 'a' && c <= 'z') || c == 168 || c == 184 || c >= 192;
}

// Identifier characters without the digits: what may start a variable name.
inline bool IsNameStartChar(unsigned char c) {
  return IsIdentChar(c) && !(c >= '0' && c <= '9');
}

// A valid variable name: COUNT, SCREEN1.IMAGE2.X, A[3], A[-1,2]; not 1A, A[B], A[1]X.
bool IsValidVarName(std::string_view name);

}  // namespace script
