#include "scene/script_host.h"

#include "platform/file_io.h"
#include "platform/numeric.h"
#include "platform/user_dirs.h"
#include "scene/db.h"
#include "scene/element.h"
#include "scene/script_runner.h"

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

// NameSlot layout: a = kind, b = the class (property) or the parent handle
// (child), c = the property index or the child handle.
enum SlotKind : uint64_t { kNone = 0, kProperty = 1, kChild = 2, kRoot = 3 };

bool HasVariable(const TQZElement& e, const std::string& name) {
  return e.Vars && e.Vars->Find(name) != nullptr;
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

// The property index a slot remembers for e's class, or -1.
int CachedProperty(const TQZElement& e, const script::NameSlot& slot) {
  if (slot.a == kProperty && slot.b == reinterpret_cast<uintptr_t>(&e.Class()))
    return static_cast<int>(slot.c);
  return -1;
}

void RememberProperty(const TQZElement& e, const std::string& name, script::NameSlot& slot) {
  int idx = e.Class().IndexOfUpper(platform::AsciiUpper(name));
  if (idx < 0) return;
  slot.a = kProperty;
  slot.b = reinterpret_cast<uintptr_t>(&e.Class());
  slot.c = static_cast<uint64_t>(idx);
}

}  // namespace

bool ElementScriptHost::GetValue(uint32_t element, const std::string& name, script::Value& out,
                                 script::NameSlot& slot) {
  TQZElement* e = TQZElement::FromHandle(element);
  if (!e) return false;
  if (!HasVariable(*e, name)) {
    int prop = CachedProperty(*e, slot);
    if (prop >= 0) {
      out = e->ReadProp(e->Class().Props[static_cast<size_t>(prop)]);
      return true;
    }
    if (slot.a == kRoot && slot.b == element && e->Root() && !ChildNamed(*e, name)) {
      // "QZDB": no property of the class and no child carries the name.
      out = script::Value::Ref(e->Root()->Handle());
      slot.liveReference = true;
      return true;
    }
    if (slot.a == kChild && slot.b == element) {
      // No property has this name (the class is the element's own); the
      // remembered child must still be the first that carries it.
      TQZElement* c = ChildNamed(*e, name);
      if (c && c->Handle() == slot.c) {
        out = script::Value::Ref(static_cast<uint32_t>(slot.c));
        slot.liveReference = true;
        return true;
      }
    }
  }
  if (!e->GetValue(name, out)) return false;
  slot = script::NameSlot();
  RememberProperty(*e, name, slot);
  if (slot.a == kNone && out.IsLongWord() && !HasVariable(*e, name)) {
    if (TQZElement* c = ChildNamed(*e, name); c && c->Handle() == out.i) {
      slot.a = kChild;
      slot.b = element;
      slot.c = c->Handle();
    } else if (!c && name == "QZDB") {
      slot.a = kRoot;
      slot.b = element;
    }
  }
  return true;
}

bool ElementScriptHost::SetValue(uint32_t element, const std::string& name,
                                 const script::Value& value, script::NameSlot& slot) {
  TQZElement* e = TQZElement::FromHandle(element);
  if (!e) return false;
  bool textKey = value.IsString() && !value.s.empty() && value.s[0] == '"';
  if (!textKey && !HasVariable(*e, name)) {
    int prop = CachedProperty(*e, slot);
    if (prop >= 0) {
      // As SetValue does: a value that does not convert leaves the property.
      e->WriteProp(e->Class().Props[static_cast<size_t>(prop)], value);
      return true;
    }
  }
  if (!e->SetValue(name, value)) return false;
  slot = script::NameSlot();
  RememberProperty(*e, name, slot);
  return true;
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
  std::string bytes = line + "\r\n";
  // Opened, appended and closed for every line; a line that cannot be
  // written anywhere is skipped.
  if (platform::AppendToFile(logPath_, bytes)) return;
  if (!fallbackDir_.empty() && platform::EnsureFolder(fallbackDir_))
    platform::AppendToFile(fallbackDir_ / logPath_.filename(), bytes);
}

std::string ElementScriptHost::ElementDescription() {
  TQZElement* e = runner_.CurrentElement();
  return e ? e->Description() : std::string();
}

std::string ElementScriptHost::EventLabel() {
  return runner_.ContextName();
}

}  // namespace scene
