#include "script/names.h"

namespace script {

bool IsValidVarName(std::string_view name) {
  if (name.empty()) return false;
  if (!IsNameStartChar(static_cast<unsigned char>(name[0]))) return false;
  size_t i = 1;
  for (; i < name.size() && name[i] != '['; ++i)
    if (!IsIdentChar(static_cast<unsigned char>(name[i]))) return false;
  if (i == name.size()) return true;
  // After the first '[' only digits, '-', ',' and ']' (the last only at the end).
  for (++i; i < name.size(); ++i) {
    char c = name[i];
    if (c == ']') {
      if (i != name.size() - 1) return false;
    } else if (!((c >= '0' && c <= '9') || c == '-' || c == ',')) {
      return false;
    }
  }
  return true;
}

}  // namespace script
