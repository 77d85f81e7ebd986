#pragma once
// TFuncList: the native handlers a host registers by name.

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/var_list.h"

namespace script {

class TPasCalc;

// A native handler: (interpreter, arguments, result) -> success. Arguments
// arrive one TVar per argument, named "VAR" when the argument text is a plain
// variable of the caller (its value is copied back after a successful call)
// and "VALUE" otherwise. The result arrives Empty.
using NativeHandler = std::function<bool(TPasCalc&, TVarList&, TVar&)>;

// The error class a handler may throw: the call fails and the message is
// appended to "Invalid parameters, function NAME : ". Any std::exception is
// treated the same way.
class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TFunc {
  std::string Name;
  NativeHandler Handler;
};

class TFuncList {
 public:
  TFuncList();
  // The name is trimmed and upper-cased. An existing entry gets the new
  // handler (a null handler removes it); otherwise a valid variable name is
  // appended. False when a new name is not a valid variable name.
  bool RegisterFunction(std::string_view name, NativeHandler handler);
  // Index of the entry whose name equals name exactly, or -1.
  int IndexOf(std::string_view name) const;
  size_t Count() const { return list_.size(); }
  const TFunc& At(size_t i) const { return list_[i]; }
  // Changes whenever the table changes; unique across all tables.
  uint64_t Generation() const { return gen_; }

 private:
  std::vector<TFunc> list_;
  std::unordered_map<std::string, int> index_;
  uint64_t gen_;
};

// Trim: every byte from 0 to 32 removed at both ends, so control bytes count
// as blanks too (a name typed with a tab or a line break still matches).
std::string_view TrimText(std::string_view s);

}  // namespace script
