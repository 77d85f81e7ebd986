#include "scene/script_host.h"

#include "platform/file_io.h"
#include "platform/numeric.h"
#include "platform/user_dirs.h"
#include "scene/db.h"
#include "scene/element.h"
#include "scene/script_runner.h"
#include "script/element_path.h"

namespace scene {

uint32_t ElementScriptHost::CurrentElement() {
  return runner_.CurrentHandle();
}

bool ElementScriptHost::IsElement(uint32_t handle) {
  return TQZElement::FromHandle(handle) != nullptr;
}

uint32_t ElementScriptHost::ParentOf(uint32_t handle) {
  TQZElement* e = TQZElement::FromHandle(handle);
  return (e && e->Parent()) ? e->Parent()->Handle() : 0;
}

TQZDB* ElementScriptHost::Root() {
  if (TQZElement* e = runner_.CurrentElement(); e && e->Root()) return e->Root();
  return runner_.Root();
}

// Children found by name and the root found as QZDB are the stable answers:
// they hold while no element is added, removed, reordered or renamed and no
// element's variables gain or lose a name.
uint64_t ElementScriptHost::CurrentPathStamp() {
  return TQZElement::TreeGeneration() + script::TVarList::SharedShape() + 1;
}

uint64_t ElementScriptHost::PathStamp() {
  return CurrentPathStamp();
}

uint32_t ElementScriptHost::RootElement() {
  TQZDB* root = Root();
  return root ? root->Handle() : 0;
}

bool ElementScriptHost::GetValue(uint32_t element, const std::string& name, script::Value& out) {
  TQZElement* e = TQZElement::FromHandle(element);
  return e && e->GetValue(name, out);
}

bool ElementScriptHost::SetValue(uint32_t element, const std::string& name,
                                 const script::Value& value) {
  TQZElement* e = TQZElement::FromHandle(element);
  return e && e->SetValue(name, value);
}

namespace {

// NameSlot layout: a = kind, b = the class (property, no such name) or the
// element (child, root), c = the property (its entry in that class's table,
// which stays where it is once registered), the child handle or, for no such
// name, whether the element has a root; d = the shape of the element's
// variable list when the slot was filled (0: no list), e = the tree
// generation then (child, root).
//
// A slot is trusted without further checks while what its answer depends on
// holds: the element's variables (a variable of the name comes first), its
// class (its properties), and for names found among the children the tree
// (earlier children, Ids).
enum SlotKind : uint64_t { kNone = 0, kProperty = 1, kChild = 2, kRoot = 3, kNoSuchName = 4 };

bool HasVariable(const TQZElement& e, const std::string& name) {
  return e.Vars && e.Vars->Find(name) != nullptr;
}

uint64_t VarsShape(const TQZElement& e) {
  return e.Vars ? e.Vars->Shape() : 0;
}

uint64_t ClassId(const TQZElement& e) {
  return reinterpret_cast<uintptr_t>(&e.Class());
}

// Names are short: compared in place rather than through a library call.
bool SameText(const std::string& a, const std::string& b) {
  const size_t n = a.size();
  if (n != b.size()) return false;
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

// The first child of e named name (upper-case Id), or null.
TQZElement* ChildNamed(const TQZElement& e, const std::string& name) {
  for (TQZElement* c : e.Children())
    if (SameText(c->UpperId(), name)) return c;
  return nullptr;
}

void Remember(script::NameSlot& slot, SlotKind kind, uint64_t b, uint64_t c, uint64_t shape) {
  slot.a = kind;
  slot.b = b;
  slot.c = c;
  slot.d = shape;
  slot.e = TQZElement::TreeGeneration();
}

// Only a property the name reaches: an element variable of the name comes
// first, and the shape of the element's variables stays the same while its
// values change.
void RememberProperty(const TQZElement& e, const std::string& name, script::NameSlot& slot) {
  if (HasVariable(e, name)) return;
  int idx = e.Class().IndexOfUpper(platform::AsciiUpper(name));
  if (idx >= 0) {
    const TQZProp* prop = &e.Class().Props[static_cast<size_t>(idx)];
    Remember(slot, kProperty, ClassId(e), reinterpret_cast<uintptr_t>(prop), VarsShape(e));
  }
}

// What a slot answers on e by itself: a property, or (for the read) the
// child or the root found there before.
[[gnu::always_inline]] inline bool ReadBySlot(TQZElement& e, script::NameSlot& slot,
                                              script::Value& out) {
  if (slot.d != VarsShape(e)) return false;
  // No variable of the name has appeared since the slot was filled.
  if (slot.a == kProperty && slot.b == ClassId(e)) {
    e.ReadProp(*reinterpret_cast<const TQZProp*>(slot.c), out);
    return true;
  }
  if ((slot.a == kChild || slot.a == kRoot) && slot.b == e.Handle() &&
      slot.e == TQZElement::TreeGeneration()) {
    // The tree is as it was: the same child is still the first of that
    // name (and it exists), or no child is named QZDB.
    const uint32_t h = slot.a == kChild ? static_cast<uint32_t>(slot.c) : e.Root()->Handle();
    out = script::Value::Ref(h);
    slot.liveReference = true;
    slot.stable = true;
    return true;
  }
  return false;
}

using Cached = script::ScriptHost::Cached;

[[gnu::always_inline]] inline Cached WriteBySlot(TQZElement& e, const script::NameSlot& slot,
                                                 const script::Value& value) {
  if (slot.d != VarsShape(e) || slot.b != ClassId(e)) return Cached::kUnknown;
  // A text key is translated by SetValue itself.
  const bool textKey = value.IsString() && !value.s.empty() && value.s[0] == '"';
  if (slot.a == kProperty && !textKey) {
    // As SetValue does: a value that does not convert leaves the property.
    e.WriteProp(*reinterpret_cast<const TQZProp*>(slot.c), value);
    return Cached::kDone;
  }
  // Not a variable, property or name of the root here: a script's own
  // variable (a function's RESULT) is written this way first every time.
  if (slot.a == kNoSuchName && slot.c == (e.Root() != nullptr)) return Cached::kRefused;
  return Cached::kUnknown;
}

}  // namespace

bool ElementScriptHost::GetValue(uint32_t element, const std::string& name, script::Value& out,
                                 script::NameSlot& slot) {
  TQZElement* e = TQZElement::FromHandle(element);
  if (!e) return false;
  if (ReadBySlot(*e, slot, out)) return true;
  if (!e->GetValue(name, out)) return false;
  slot = script::NameSlot();
  RememberProperty(*e, name, slot);
  if (slot.a == kNone && out.IsLongWord() && !HasVariable(*e, name)) {
    if (TQZElement* c = ChildNamed(*e, name); c && c->Handle() == out.i) {
      Remember(slot, kChild, element, c->Handle(), VarsShape(*e));
      slot.liveReference = slot.stable = true;
    } else if (!c && name == "QZDB" && e->Root()) {
      Remember(slot, kRoot, element, 0, VarsShape(*e));
      slot.liveReference = slot.stable = true;
    }
  }
  return true;
}

bool ElementScriptHost::SetValue(uint32_t element, const std::string& name,
                                 const script::Value& value, script::NameSlot& slot) {
  TQZElement* e = TQZElement::FromHandle(element);
  if (!e) return false;
  if (const Cached c = WriteBySlot(*e, slot, value); c != Cached::kUnknown)
    return c == Cached::kDone;
  slot = script::NameSlot();
  if (!e->SetValue(name, value)) {
    Remember(slot, kNoSuchName, ClassId(*e), e->Root() != nullptr, VarsShape(*e));
    return false;
  }
  RememberProperty(*e, name, slot);
  return true;
}

// The element a path's last name is on, as the walk would find it, when
// the walk is remembered and still holds (any element for a plain path);
// null when it takes the walk to know.
TQZElement* ElementScriptHost::CachedPathEnd(const script::ElementPath& p) {
  uint32_t h = runner_.CurrentHandle();
  if (p.slots.empty()) return nullptr;
  if (!p.plain) {
    if (!p.WalkRemembered(h) || p.walkStamp != CurrentPathStamp()) return nullptr;
    h = p.walkEnd;
  }
  return TQZElement::FromHandle(h);
}

Cached ElementScriptHost::ReadCached(const script::ElementPath& p, script::Value& out) {
  TQZElement* e = CachedPathEnd(p);
  return e && ReadBySlot(*e, p.slots.back(), out) ? Cached::kDone : Cached::kUnknown;
}

Cached ElementScriptHost::WriteCached(const script::ElementPath& p, const script::Value& value) {
  TQZElement* e = CachedPathEnd(p);
  return e ? WriteBySlot(*e, p.slots.back(), value) : Cached::kUnknown;
}

std::string ElementScriptHost::LookupText(const std::string& key) {
  TQZDB* root = Root();
  return root ? root->LookupText(key) : std::string();
}

bool ElementScriptHost::LogEnabled() {
  TQZDB* root = Root();
  return root && root->SaveErr;
}

void ElementScriptHost::WriteLogLine(const std::string& line) {
  if (logStopped_) return;
  std::string bytes = line + "\r\n";
  if (logWritten_ + bytes.size() > logLimit_) {
    logStopped_ = true;
    const std::string limit = logLimit_ >= (uint64_t{1} << 20)
                                  ? std::to_string(logLimit_ >> 20) + " MB"
                                  : std::to_string(logLimit_) + " bytes";
    bytes = "The log stops here: this session has written its " + limit + "\r\n";
  }
  logWritten_ += bytes.size();
  // Opened, appended and closed for every line; a line that cannot be
  // written anywhere is skipped.
  if (platform::AppendToFile(logPath_, bytes)) return;
  if (!fallbackDir_.empty()) platform::AppendToFile(fallbackDir_ / logPath_.filename(), bytes);
}

std::string ElementScriptHost::ElementDescription() {
  TQZElement* e = runner_.CurrentElement();
  return e ? e->Description() : std::string();
}

std::string ElementScriptHost::EventLabel() {
  return runner_.ContextName();
}

}  // namespace scene
