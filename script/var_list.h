#pragma once
// TVar and TVarList: script variables, element variables and native argument lists.
//
// An ordered list; lookups take the first record whose name equals the searched
// name exactly (byte for byte). A hash index beside the list serves long
// lists; it maps each name to its first record, so the first-match rule holds.
//
// Snapshots: a script procedure call must leave its caller's variables as they
// were. OpenSnapshot starts recording the old state of every record the first
// time it changes (an undo log), and RollBack puts it all back, so a call
// costs what it changes rather than a copy of the whole list.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/value.h"

namespace script {

class ScriptHost;

struct TVar {
  std::string Name;
  Value value;

  TVar() = default;
  TVar(std::string name, Value v) : Name(std::move(name)), value(std::move(v)) {}
};

class TVarList {
 public:
  TVarList() = default;
  // Copies the records only (not an open snapshot).
  TVarList(const TVarList& other);
  TVarList& operator=(const TVarList& other);
  TVarList(TVarList&&) noexcept = default;
  TVarList& operator=(TVarList&&) noexcept = default;

  // Frees and removes all records.
  void Clear();
  size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  // Direct access. Changing a record through it bypasses an open snapshot, and
  // a record must never be renamed through it (the index would go stale).
  TVar& At(size_t i) { return items_[i]; }
  const TVar& At(size_t i) const { return items_[i]; }
  const std::vector<TVar>& Items() const { return items_; }

  // Index of the first record with this exact name, or -1.
  int IndexOf(std::string_view name) const;
  // IndexOf with a remembered position: a list whose names are unique (the
  // interpreter's own list) answers from the hint when it still matches.
  int IndexOfHinted(const std::string& name, uint32_t& hint) const;
  bool Exists(std::string_view name) const { return IndexOf(name) >= 0; }
  // Pointer to the first record with this name, or null (see At for the rules).
  TVar* Find(std::string_view name);
  const TVar* Find(std::string_view name) const;

  // Name exists: true, unchanged. Invalid name: false. Otherwise appends a copy: true.
  bool AddQuiet(const TVar& var);
  // As AddQuiet; before appending a name that holds "." it writes the Add-var
  // diagnostic line through the host (an element path that did not resolve).
  bool Add(const TVar& var, ScriptHost* host);
  // Replaces the value of an existing record; false (nothing created) when absent.
  bool SetExisting(std::string_view name, const Value& value);
  void SetValueAt(size_t i, const Value& value);
  void SetValueAt(size_t i, Value&& value);
  // out.Name := name; copies the record into out when found.
  bool GetLocal(std::string_view name, TVar& out) const;
  // Appends without any check (argument lists, callers that validated the name).
  void Append(TVar var);
  // Removes the first record with this name; false when there is none.
  bool Remove(std::string_view name);
  // True when some record's name begins with name + "[".
  bool NamesArray(std::string_view name) const;
  // Add every record, in order, into dest.
  void CopyInto(TVarList& dest, ScriptHost* host) const;

  // Get: the record, or else the element-path read of the name starting at the
  // host's current element, with this list as the source of intermediate
  // segments. Set: replace the record, or else an element-path write, or else
  // Add. Both are defined with the element paths (element_path.cpp).
  bool Get(std::string_view name, TVar& out, ScriptHost* host) const;
  bool Set(const TVar& var, ScriptHost* host);

  // ---- snapshots ---------------------------------------------------------
  // Starts recording changes; snapshots nest. Returns nothing: RollBack closes
  // the innermost one and restores the list as it was when it opened.
  void OpenSnapshot();
  void RollBack();
  bool SnapshotOpen() const { return !marks_.empty(); }

 private:
  struct Undo {
    enum Kind : uint8_t { ValueChanged, Appended, Removed, Cleared } kind = ValueChanged;
    uint32_t index = 0;
    uint64_t epoch = 0;
    TVar var;
    std::vector<TVar> all;
    std::vector<uint64_t> allEpochs;
  };
  struct Mark {
    size_t journalSize;
    uint64_t epoch;
  };

  void SaveBeforeChange(size_t i);
  void IndexAppended(size_t i);
  void IndexPopped(size_t i);
  void InvalidateIndex();
  void CountArrayName(const std::string& name, int delta);
  void RebuildArrayNames();

  std::vector<TVar> items_;
  // Per record: the snapshot epoch in which its old value was last saved.
  std::vector<uint64_t> epochs_;
  mutable std::unordered_map<std::string, uint32_t> index_;
  mutable bool indexValid_ = false;
  // Names holding "[": how many records share each part before the "[".
  std::unordered_map<std::string, uint32_t> arrayNames_;
  uint32_t bracketed_ = 0;
  std::vector<Undo> journal_;
  std::vector<Mark> marks_;
  uint64_t epoch_ = 0;
  uint64_t nextEpoch_ = 0;
};

}  // namespace script
