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
//
// Keep in mind when changing it: every way a record is added, removed,
// renamed or restored must go through the bookkeeping below (Appended,
// RemoveAt, RollBack, RestoreFrom, Reset), or one of these caches goes stale
// without anything noticing until a script reads the wrong variable.
//
//   what                  assumes                           made stale (renewed) by
//   ------------------    --------------------------------  ------------------------------
//   record ids (Hint.id,  a record keeps its id while it    nothing: ids are never reused,
//   Hint.index)           stands at its index; a copy of    so a moved or removed record
//                         the list keeps the ids            simply stops matching
//   absent entries        a name absent at a shape stays    every add or remove renews the
//   (Hint.absentShape)    absent while the list has that    shape; RollBack brings back the
//                         shape again                       shape whose records it restores
//   the shared shape      element variables (lists that     any change of the record set of
//   (SharedShape)         are not private) are unchanged    a list that is not private; the
//                         while it holds                    host's path cache compares it
//   private lists         only their interpreter reads      SetPrivate (kept by copies)
//                         them, so they leave the shared
//                         shape alone
//   transient lists       argument lists and copies kept    SetTransient, Aside: they count
//                         aside hold nothing that lasts     in neither ledger
//   the undo journal      records change only through the   OpenSnapshot / RollBack; At()
//   (journal_, saved_,    members here while a snapshot     bypasses it (callers change
//   marks_)               is open                           values only through SetValueAt)
//   the hash index        names do not change in place      InvalidateIndex on every removal
//                                                           and restore; appends add to it
//   text and record       every stored text and record is   CountGrowth, Appended,
//   ledgers (g_process)   counted once where it is kept     DropCountedText, Count / Tally
//
// The interpreter's own list has unique names, which the hints rely on;
// argument lists may repeat a name and are only ever searched by position.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/process_state.h"
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
  TVarList(TVarList&& other) noexcept = default;
  TVarList& operator=(TVarList&& other) noexcept = default;
  // A copy of the records as they stand, ids and snapshot epochs included,
  // kept aside to be put back by RestoreFrom; it counts nowhere (transient).
  static TVarList Aside(const TVarList& other);

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
  // A remembered record of a name, for lists whose names are unique (the
  // interpreter's own list). Every record carries an id, unique across all
  // lists and kept by a copy of the record only, so a hint holds exactly as
  // long as its record stands at its position.
  // A hint also remembers the shape at which its name was last found absent:
  // while the list has that shape again, the name is still absent.
  struct Hint {
    uint64_t id = 0;
    uint64_t absentShape = 0;
    uint32_t index = 0;
  };
  int IndexOfHinted(const std::string& name, Hint& hint) const {
    if (hint.index < meta_.size() && meta_[hint.index].id == hint.id)
      return static_cast<int>(hint.index);
    if (hint.absentShape == shape_.value) return -1;
    return IndexOfHintedSlow(name, hint);
  }
  // Points the hint at record i as it stands now.
  void PointHint(size_t i, Hint& hint) const {
    hint.id = meta_[i].id;
    hint.index = static_cast<uint32_t>(i);
  }
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
  void SetValueAt(size_t i, const Value& value) {
    if (!marks_.empty()) {
      if (&value == &items_[i].value) return;  // the old value is about to move out
      SaveBeforeChange(i);
    }
    if (!transient_) CountGrowth(items_[i].value, value);
    items_[i].value = value;
  }
  void SetValueAt(size_t i, Value&& value) {
    if (!marks_.empty()) {
      if (&value == &items_[i].value) return;
      SaveBeforeChange(i);
    }
    if (!transient_) CountGrowth(items_[i].value, value);
    items_[i].value = std::move(value);
  }
  // out.Name := name; copies the record into out when found.
  bool GetLocal(std::string_view name, TVar& out) const;
  // Appends without any check (argument lists, callers that validated the name).
  void Append(TVar var);
  // Removes the first record with this name; false when there is none.
  bool Remove(std::string_view name);
  void RemoveAt(size_t i);
  // Appends a record whose name the caller knows to be valid and absent;
  // writes the Add-var line for a dotted name as Add does.
  void AddNew(const std::string& name, Value&& value, ScriptHost* host);
  // The same for a name whose "." and "[" the caller has looked for already.
  void AddNew(const std::string& name, Value&& value, ScriptHost* host, bool dotted,
              bool bracketed);
  // True when some record's name begins with name + "[".
  bool NamesArray(std::string_view name) const { return bracketed_ != 0 && NamesArraySlow(name); }
  // True when some record's name holds "[".
  bool HasArrays() const { return bracketed_ != 0; }
  // Names the list's set of records: it changes whenever a record is added
  // or removed (not when a value changes), and no two lists ever share one,
  // so a cache of "this name is not a variable here" holds while it does.
  // A rollback that brings back the records of an earlier shape brings back
  // that shape too.
  uint64_t Shape() const { return shape_.value; }
  // Changes whenever any list that is not private is made or changes its set
  // of records: element variables, whose names element paths resolve.
  static uint64_t SharedShape();
  // Lists that only an interpreter itself consults (its variables, argument
  // lists) leave SharedShape alone. Kept by copies and moves into the list.
  void SetPrivate() { shape_.privateList = true; }
  // Argument lists are filled and cleared for every call: the texts and
  // records they hold are counted where they are kept, not in g_process.textGrowth
  // and g_process.variableRecords as they pass.
  void SetTransient() {
    Count(-HeldValues());
    transient_ = true;
  }
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
  // After RollBack: the records become those of aside (made by Aside when
  // that snapshot opened); the snapshots still open stay open.
  void RestoreFrom(const TVarList& aside);
  // Drops every record and every snapshot, whatever state they are in (after
  // a failed allocation left a change half made).
  void Reset() noexcept;

 private:
  struct Meta {
    uint64_t epoch = 0;  // the snapshot epoch in which the record was last saved
    uint64_t id = 0;
  };
  // One change to undo. Values and names of changed or removed records are
  // kept apart (saved_, removedNames_), so an append costs one small entry.
  // Built in place by emplace_back: a copy of one assembled on the stack
  // reads back fields just written in narrower pieces, which stalls.
  struct Undo {
    enum Kind : uint8_t { ValueChanged, Appended, Removed, Cleared } kind = ValueChanged;
    uint32_t index = 0;  // ValueChanged, Removed
    Meta meta;           // ValueChanged: epoch; Removed: both
    Undo(Kind k, uint32_t i, Meta m) : kind(k), index(i), meta(m) {}
  };
  struct ClearedList {
    std::vector<TVar> items;
    std::vector<Meta> meta;
  };
  struct Mark {
    size_t journalSize;
    uint64_t epoch;
    uint64_t shape;
  };

  // A fresh shape id for every list, copy and change; a list moved from
  // gets one too. The private flag stays with the list it was set on.
  struct ShapeId {
    uint64_t value = NewShape(false);
    bool privateList = false;
    ShapeId() = default;
    ShapeId(const ShapeId&) : value(NewShape(false)) {}
    ShapeId(ShapeId&& o) noexcept : value(NewShape(false)) { o.Renew(); }
    ShapeId& operator=(const ShapeId&) {
      Renew();
      return *this;
    }
    ShapeId& operator=(ShapeId&& o) noexcept {
      Renew();
      o.Renew();
      return *this;
    }
    void Renew() { value = NewShape(privateList); }
    // Back to an earlier value of this list, whose records are those of now.
    void Restore(uint64_t earlier) {
      Renew();
      value = earlier;
    }
  };
  // This list's share of g_process.variableRecords, given back when the list goes
  // and handed on by a move (with the records).
  struct Tally {
    int64_t n = 0;
    Tally() = default;
    Tally(const Tally&) {}
    Tally(Tally&& o) noexcept : n(o.n) { o.n = 0; }
    Tally& operator=(const Tally&) { return *this; }
    Tally& operator=(Tally&& o) noexcept {
      g_process.variableRecords -= n;
      n = o.n;
      o.n = 0;
      return *this;
    }
    ~Tally() { g_process.variableRecords -= n; }
  };
  void Count(int64_t delta) {
    if (transient_) return;
    tally_.n += delta;
    g_process.variableRecords += delta;
  }
  // Records plus the values the journal keeps.
  int64_t HeldValues() const;
  void DropCountedText(const Value& v);

  static uint64_t NewShape(bool privateList);
  static void CountGrowth(const Value& before, const Value& after) {
    if (after.kind != VKind::String) return;
    const size_t had = before.kind == VKind::String ? before.s.size() : 0;
    if (after.s.size() > had) g_process.textGrowth += after.s.size() - had;
  }

  int IndexOfHintedSlow(const std::string& name, Hint& hint) const;
  bool NamesArraySlow(std::string_view name) const;
  static uint64_t NewId();
  void SaveBeforeChange(size_t i);
  void Appended(bool bracketed);
  void IndexAppended(size_t i);
  void IndexPopped(size_t i);
  void InvalidateIndex();
  // Drops every snapshot and what they would undo.
  void ForgetJournal() noexcept;
  void CountArrayName(const std::string& name, int delta);
  void RebuildArrayNames();

  std::vector<TVar> items_;
  std::vector<Meta> meta_;  // one per record
  mutable std::unordered_map<std::string, uint32_t> index_;
  mutable bool indexValid_ = false;
  // Names holding "[": how many records share each part before the "[".
  std::unordered_map<std::string, uint32_t> arrayNames_;
  uint32_t bracketed_ = 0;
  std::vector<Undo> journal_;
  std::vector<Value> saved_;  // the old values of ValueChanged and Removed entries, in order
  std::vector<std::string> removedNames_;
  std::vector<ClearedList> cleared_;
  std::vector<Mark> marks_;
  uint64_t epoch_ = 0;
  uint64_t nextEpoch_ = 0;
  ShapeId shape_;
  bool transient_ = false;
  Tally tally_;
};

}  // namespace script
