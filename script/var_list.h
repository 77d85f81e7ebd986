#pragma once
// TVar and TVarList: script variables, element variables and native argument lists.
//
// An ordered list; lookups take the first record whose name equals the searched
// name exactly (byte for byte). The interpreter builds the element-path
// fallbacks (Get, Set) on top of these local operations.

#include <string>
#include <string_view>
#include <vector>

#include "script/value.h"

namespace script {

struct TVar {
  std::string Name;
  Value value;

  TVar() = default;
  TVar(std::string name, Value v) : Name(std::move(name)), value(std::move(v)) {}
};

class TVarList {
 public:
  void Clear() { items_.clear(); }
  size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  TVar& At(size_t i) { return items_[i]; }
  const TVar& At(size_t i) const { return items_[i]; }
  std::vector<TVar>& Items() { return items_; }
  const std::vector<TVar>& Items() const { return items_; }

  // Index of the first record with this exact name, or -1.
  int IndexOf(std::string_view name) const;
  bool Exists(std::string_view name) const { return IndexOf(name) >= 0; }
  // Pointer to the first record with this name, or null.
  TVar* Find(std::string_view name);
  const TVar* Find(std::string_view name) const;

  // Name exists: true, unchanged. Invalid name: false. Otherwise appends a copy: true.
  bool AddQuiet(const TVar& var);
  // Replaces the value of an existing record; false (nothing created) when absent.
  bool SetExisting(std::string_view name, const Value& value);
  // out.Name := name; copies the record into out when found.
  bool GetLocal(std::string_view name, TVar& out) const;
  // Appends without any check (the caller has validated the name).
  void Append(TVar var) { items_.push_back(std::move(var)); }
  // True when some record's name begins with name + "[".
  bool NamesArray(std::string_view name) const;

 private:
  std::vector<TVar> items_;
};

}  // namespace script
