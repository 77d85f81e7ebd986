#pragma once
// The error codes a script run, a prepare or a native call can end with, for
// tests that feed the interpreter arbitrary texts: whatever the bytes, the
// outcome must be one of these (0 is success). A new code in the interpreter
// belongs here too, or those tests fail on the first text that meets it.

#include <algorithm>
#include <array>

namespace testing_support {

inline constexpr std::array<int, 28> kScriptErrorCodes = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
    14, 15, 16, 17, 18, 20, 21, 24, 25, 26, 28, 29, 30, 31,
};

inline bool IsScriptErrorCode(int code) {
  return std::find(kScriptErrorCodes.begin(), kScriptErrorCodes.end(), code) !=
         kScriptErrorCodes.end();
}

}  // namespace testing_support
