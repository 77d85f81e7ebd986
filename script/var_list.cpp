#include "script/var_list.h"

#include <algorithm>
#include <cstddef>

#include "script/element_path.h"
#include "script/host.h"
#include "script/names.h"

namespace script {

namespace {

// Lists up to this size are scanned; longer ones use the hash index.
constexpr size_t kLinearLimit = 8;

uint64_t g_recordIds = 0;
uint64_t g_sharedShape = 0;

// Names are short: a plain loop beats a library search call.
bool HasChar(const std::string& s, char c) {
  for (char ch : s)
    if (ch == c) return true;
  return false;
}

// Exact name equality; names are short, so the bytes are compared in place.
inline bool SameName(const std::string& a, std::string_view b) {
  const size_t n = a.size();
  if (n != b.size()) return false;
  const char* p = a.data();
  const char* q = b.data();
  for (size_t i = 0; i < n; ++i)
    if (p[i] != q[i]) return false;
  return true;
}

std::string_view ArrayBase(std::string_view name) {
  size_t p = name.find('[');
  return p == std::string_view::npos ? std::string_view() : name.substr(0, p);
}

}  // namespace

uint64_t TVarList::NewId() {
  return ++g_recordIds;
}

uint64_t TVarList::NewShape(bool privateList) {
  if (!privateList) ++g_sharedShape;
  return NewId();
}

uint64_t TVarList::SharedShape() {
  return g_sharedShape;
}

TVarList::TVarList(const TVarList& other) : items_(other.items_), meta_(other.meta_) {
  // A copy is a fresh list: no snapshot is open in it. The ids stay: each
  // still names the same record with the same name.
  for (Meta& m : meta_) m.epoch = 0;
  RebuildArrayNames();
  Count(static_cast<int64_t>(items_.size()));
}

TVarList TVarList::Aside(const TVarList& other) {
  TVarList copy;
  copy.transient_ = true;
  copy.items_ = other.items_;
  copy.meta_ = other.meta_;
  return copy;
}

TVarList& TVarList::operator=(const TVarList& other) {
  if (this == &other) return *this;
  const int64_t held = HeldValues();
  items_ = other.items_;
  meta_ = other.meta_;
  for (Meta& m : meta_) m.epoch = 0;
  ForgetJournal();
  Count(static_cast<int64_t>(items_.size()) - held);
  shape_.Renew();
  InvalidateIndex();
  RebuildArrayNames();
  return *this;
}

int64_t TVarList::HeldValues() const {
  size_t n = items_.size() + saved_.size();
  for (const ClearedList& c : cleared_) n += c.items.size();
  return static_cast<int64_t>(n);
}

void TVarList::Clear() {
  if (!marks_.empty()) {
    // The records move into the journal: still held.
    cleared_.push_back({std::move(items_), std::move(meta_)});
    journal_.emplace_back(Undo::Cleared, 0, Meta{});
  } else {
    Count(-static_cast<int64_t>(items_.size()));
  }
  items_.clear();
  meta_.clear();
  shape_.Renew();
  InvalidateIndex();
  arrayNames_.clear();
  bracketed_ = 0;
}

int TVarList::IndexOf(std::string_view name) const {
  if (items_.size() <= kLinearLimit) {
    for (size_t i = 0; i < items_.size(); ++i)
      if (SameName(items_[i].Name, name)) return static_cast<int>(i);
    return -1;
  }
  if (!indexValid_) {
    index_.clear();
    for (size_t i = 0; i < items_.size(); ++i)
      index_.emplace(items_[i].Name, static_cast<uint32_t>(i));
    indexValid_ = true;
  }
  auto it = index_.find(std::string(name));
  return it == index_.end() ? -1 : static_cast<int>(it->second);
}

int TVarList::IndexOfHintedSlow(const std::string& name, Hint& hint) const {
  int i = IndexOf(name);
  if (i >= 0) {
    PointHint(static_cast<size_t>(i), hint);
  } else {
    hint.absentShape = shape_.value;
  }
  return i;
}

TVar* TVarList::Find(std::string_view name) {
  int i = IndexOf(name);
  return i < 0 ? nullptr : &items_[static_cast<size_t>(i)];
}

const TVar* TVarList::Find(std::string_view name) const {
  int i = IndexOf(name);
  return i < 0 ? nullptr : &items_[static_cast<size_t>(i)];
}

bool TVarList::AddQuiet(const TVar& var) {
  if (Exists(var.Name)) return true;
  if (!IsValidVarName(var.Name)) return false;
  Append(var);
  return true;
}

bool TVarList::Add(const TVar& var, ScriptHost* host) {
  if (Exists(var.Name)) return true;
  if (!IsValidVarName(var.Name)) return false;
  if (host && HasChar(var.Name, '.') && host->LogEnabled())
    host->WriteLogLine("Add var " + LogQuote(var.Name) + " (in " + host->ElementDescription() +
                       " " + host->EventLabel());
  Append(var);
  return true;
}

void TVarList::AddNew(const std::string& name, Value&& value, ScriptHost* host) {
  AddNew(name, std::move(value), host, HasChar(name, '.'), HasChar(name, '['));
}

void TVarList::AddNew(const std::string& name, Value&& value, ScriptHost* host, bool dotted,
                      bool bracketed) {
  if (host && dotted && host->LogEnabled())
    host->WriteLogLine("Add var " + LogQuote(name) + " (in " + host->ElementDescription() + " " +
                       host->EventLabel());
  TVar& var = items_.emplace_back();
  var.Name = name;
  var.value = std::move(value);
  Appended(bracketed);
}

bool TVarList::SetExisting(std::string_view name, const Value& value) {
  int i = IndexOf(name);
  if (i < 0) return false;
  SetValueAt(static_cast<size_t>(i), value);
  return true;
}

// The old value moves into the journal, so the value that replaces it counts
// as new text: a copy would double what a recursion holds without a trace.
void TVarList::SaveBeforeChange(size_t i) {
  if (meta_[i].epoch == epoch_) return;
  journal_.emplace_back(Undo::ValueChanged, static_cast<uint32_t>(i), Meta{meta_[i].epoch, 0});
  saved_.push_back(std::move(items_[i].value));
  items_[i].value.Clear();
  meta_[i].epoch = epoch_;
  Count(1);
}

bool TVarList::GetLocal(std::string_view name, TVar& out) const {
  out.Name = std::string(name);
  int i = IndexOf(name);
  if (i < 0) return false;
  out = items_[static_cast<size_t>(i)];
  return true;
}

void TVarList::Append(TVar var) {
  const bool bracketed = HasChar(var.Name, '[');
  items_.push_back(std::move(var));
  Appended(bracketed);
}

// Bookkeeping of the record just pushed onto items_.
void TVarList::Appended(bool bracketed) {
  if (!marks_.empty()) journal_.emplace_back(Undo::Appended, 0, Meta{});
  Count(1);
  const TVar& var = items_.back();
  if (bracketed) CountArrayName(var.Name, 1);
  if (!transient_ && var.value.kind == VKind::String) g_process.textGrowth += var.value.s.size();
  meta_.push_back({epoch_, NewId()});
  shape_.Renew();
  IndexAppended(items_.size() - 1);
}

bool TVarList::Remove(std::string_view name) {
  int found = IndexOf(name);
  if (found < 0) return false;
  RemoveAt(static_cast<size_t>(found));
  return true;
}

void TVarList::RemoveAt(size_t i) {
  // Without any bracketed name in the list there is nothing to count.
  if (bracketed_ != 0 && HasChar(items_[i].Name, '[')) CountArrayName(items_[i].Name, -1);
  if (!marks_.empty()) {
    // The record moves into the journal: still held.
    saved_.push_back(std::move(items_[i].value));
    removedNames_.push_back(std::move(items_[i].Name));
    journal_.emplace_back(Undo::Removed, static_cast<uint32_t>(i), meta_[i]);
  } else {
    Count(-1);
  }
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
  meta_.erase(meta_.begin() + static_cast<std::ptrdiff_t>(i));
  shape_.Renew();
  InvalidateIndex();
}

bool TVarList::NamesArraySlow(std::string_view name) const {
  if (name.find('[') == std::string_view::npos) {
    auto it = arrayNames_.find(std::string(name));
    return it != arrayNames_.end() && it->second > 0;
  }
  for (const auto& v : items_)
    if (v.Name.size() > name.size() && v.Name.compare(0, name.size(), name) == 0 &&
        v.Name[name.size()] == '[')
      return true;
  return false;
}

void TVarList::CopyInto(TVarList& dest, ScriptHost* host) const {
  for (const auto& v : items_) dest.Add(v, host);
}

void TVarList::OpenSnapshot() {
  marks_.push_back({journal_.size(), epoch_, shape_.value});
  epoch_ = ++nextEpoch_;
}

void TVarList::RollBack() {
  if (marks_.empty()) return;
  Mark mark = marks_.back();
  marks_.pop_back();
  bool reshaped = false;
  while (journal_.size() > mark.journalSize) {
    Undo& u = journal_.back();
    if (u.kind != Undo::ValueChanged) reshaped = true;
    switch (u.kind) {
      case Undo::ValueChanged:
        DropCountedText(items_[u.index].value);
        items_[u.index].value = std::move(saved_.back());
        saved_.pop_back();
        meta_[u.index].epoch = u.meta.epoch;
        Count(-1);
        break;
      case Undo::Appended:
        if (bracketed_ != 0 && HasChar(items_.back().Name, '['))
          CountArrayName(items_.back().Name, -1);
        IndexPopped(items_.size() - 1);
        DropCountedText(items_.back().value);
        items_.pop_back();
        meta_.pop_back();
        Count(-1);
        break;
      case Undo::Removed: {
        TVar var(std::move(removedNames_.back()), std::move(saved_.back()));
        removedNames_.pop_back();
        saved_.pop_back();
        if (HasChar(var.Name, '[')) CountArrayName(var.Name, 1);
        items_.insert(items_.begin() + u.index, std::move(var));
        meta_.insert(meta_.begin() + u.index, u.meta);
        InvalidateIndex();
        break;
      }
      case Undo::Cleared:
        // Records appended since the clear went first: items_ is empty.
        items_ = std::move(cleared_.back().items);
        meta_ = std::move(cleared_.back().meta);
        cleared_.pop_back();
        InvalidateIndex();
        RebuildArrayNames();
        break;
    }
    journal_.pop_back();
  }
  // The records are those the list had when the snapshot opened.
  if (reshaped) shape_.Restore(mark.shape);
  epoch_ = mark.epoch;
}

void TVarList::RestoreFrom(const TVarList& aside) {
  std::vector<TVar> items = aside.items_;
  std::vector<Meta> meta = aside.meta_;
  Count(static_cast<int64_t>(items.size()) - static_cast<int64_t>(items_.size()));
  items_ = std::move(items);
  meta_ = std::move(meta);
  InvalidateIndex();
  RebuildArrayNames();
}

void TVarList::ForgetJournal() noexcept {
  journal_.clear();
  saved_.clear();
  removedNames_.clear();
  cleared_.clear();
  marks_.clear();
  epoch_ = 0;
}

void TVarList::Reset() noexcept {
  Count(-HeldValues());
  items_.clear();
  meta_.clear();
  ForgetJournal();
  shape_.Renew();
  indexValid_ = false;
  index_.clear();
  arrayNames_.clear();
  bracketed_ = 0;
}

// A record's text that a rollback drops was counted since the snapshot
// opened (as new text when the old value moved out, or when it was
// appended), so the event gets it back.
void TVarList::DropCountedText(const Value& v) {
  if (transient_ || v.kind != VKind::String) return;
  g_process.textGrowth -= std::min<uint64_t>(v.s.size(), g_process.textGrowth);
}

void TVarList::IndexAppended(size_t i) {
  if (indexValid_) index_.emplace(items_[i].Name, static_cast<uint32_t>(i));
}

void TVarList::IndexPopped(size_t i) {
  if (!indexValid_) return;
  auto it = index_.find(items_[i].Name);
  if (it != index_.end() && it->second == i) index_.erase(it);
}

void TVarList::InvalidateIndex() {
  if (indexValid_) index_.clear();
  indexValid_ = false;
}

void TVarList::CountArrayName(const std::string& name, int delta) {
  std::string base(ArrayBase(name));
  if (delta > 0) {
    ++arrayNames_[base];
    ++bracketed_;
  } else {
    auto it = arrayNames_.find(base);
    if (it != arrayNames_.end() && --it->second == 0) arrayNames_.erase(it);
    --bracketed_;
  }
}

void TVarList::RebuildArrayNames() {
  arrayNames_.clear();
  bracketed_ = 0;
  for (const auto& v : items_)
    if (HasChar(v.Name, '[')) CountArrayName(v.Name, 1);
}

bool TVarList::Get(std::string_view name, TVar& out, ScriptHost* host) const {
  if (GetLocal(name, out)) return true;
  return ReadElementPath(host, this, std::string(name), out.value);
}

bool TVarList::Set(const TVar& var, ScriptHost* host) {
  int i = IndexOf(var.Name);
  if (i >= 0) {
    SetValueAt(static_cast<size_t>(i), var.value);
    return true;
  }
  if (WritePath(host, this, ParseElementPath(var.Name), var.value)) return true;
  return Add(var, host);
}

}  // namespace script
