// The by-name interface of TQZElement: variables, published properties,
// children by Id and the computed names.

#include <cstdlib>

#include "platform/numeric.h"
#include "scene/db.h"
#include "scene/element.h"

namespace scene {

using script::Value;
using script::VKind;

void ReadPropByKind(const TQZElement& e, const TQZProp& prop, script::Value& out) {
  switch (prop.Kind()) {
    case PropKind::Ordinal:
      // Integer, Boolean and enumeration kinds read as 32-bit signed integers.
      out = Value::Integer(static_cast<int32_t>(static_cast<uint32_t>(prop.GetOrd(e))));
      return;
    case PropKind::Float: out = Value::Real(prop.GetFloat(e)); return;
    case PropKind::String: out = Value::String(prop.GetStr(e)); return;
  }
  out = Value();
}

bool WritePropByKind(TQZElement& e, const TQZProp& prop, const script::Value& value) {
  switch (prop.Kind()) {
    case PropKind::Ordinal: {
      int64_t v = 0;
      if (!OrdinalOf(value, v)) return false;
      prop.SetOrd(e, TruncateToWidth(prop.Type, v));
      return true;
    }
    case PropKind::Float: {
      double d;
      if (!value.ToDouble(d)) return false;
      prop.SetFloat(e, d);
      return true;
    }
    case PropKind::String: prop.SetStr(e, value.ToText()); return true;
  }
  return false;
}

namespace {

// "CHILD[n]" and "CHILDn": the n-th child (1-based) or none; nullopt-like
// false when n is not a decimal integer.
bool ParseChildIndex(std::string_view text, int64_t& n) {
  if (text.empty()) return false;
  size_t i = 0;
  bool negative = false;
  if (text[0] == '-' || text[0] == '+') {
    negative = text[0] == '-';
    i = 1;
  }
  if (i >= text.size()) return false;
  int64_t acc = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return false;
    if (acc > 100000000000LL) return false;
    acc = acc * 10 + (c - '0');
  }
  n = negative ? -acc : acc;
  return true;
}

}  // namespace

bool TQZElement::GetComputedValue(const std::string& name, script::Value& out) {
  auto childRef = [&](int64_t n) {
    if (n < 1 || n > static_cast<int64_t>(children_.size())) return Value::Ref(0);
    return Value::Ref(children_[static_cast<size_t>(n - 1)]->Handle());
  };
  switch (name.size() ? name[0] : '\0') {
    case 'A':
      if (name == "ABSX") return out = Value::Integer(GetAbsX()), true;
      if (name == "ABSY") return out = Value::Integer(GetAbsY()), true;
      break;
    case 'C':
      if (name == "CLASS") return out = Value::String(platform::AsciiUpper(ClassName())), true;
      if (name == "CHILDCOUNT")
        return out = Value::Integer(static_cast<int32_t>(children_.size())), true;
      if (name.size() >= 6 && name.compare(0, 6, "CHILD[") == 0) {
        // The index is the text from the seventh character up to the last one.
        if (name.size() < 7) return false;
        int64_t n;
        if (!ParseChildIndex(std::string_view(name).substr(6, name.size() - 7), n)) return false;
        out = childRef(n);
        return true;
      }
      if (name.size() >= 5 && name.compare(0, 5, "CHILD") == 0) {
        int64_t n;
        if (!ParseChildIndex(std::string_view(name).substr(5), n)) return false;
        out = childRef(n);
        return true;
      }
      break;
    case 'N':
      if (name == "NIL") return out = Value::Ref(0), true;
      if (name == "NOWVIS") {
        // Vis of this element and its ancestors up to (not counting) the first
        // screen or the first element directly under the root.
        bool visible = true;
        for (TQZElement* e = this; e; e = e->parent_) {
          if (e->ClassName() == "TQZScreen" || e->parent_ == root_) break;
          if (!e->Vis) {
            visible = false;
            break;
          }
        }
        out = Value::Boolean(visible);
        return true;
      }
      break;
    case 'P':
      if (name == "PARENT") {
        if (!parent_) return false;
        return out = Value::Ref(parent_->Handle()), true;
      }
      if (name == "PARPOS") {
        if (!parent_) return false;
        return out = Value::Integer(IndexInParent() + 1), true;
      }
      break;
    case 'Q':
      if (name == "QZDB") return out = Value::Ref(root_ ? root_->Handle() : 0), true;
      break;
    case 'S':
      if (name == "SELF") return out = Value::Ref(Handle()), true;
      if (name == "SZX") return out = Value::Integer(GetSizeX()), true;
      if (name == "SZY") return out = Value::Integer(GetSizeY()), true;
      break;
    default: break;
  }
  return false;
}

bool TQZElement::GetValue(const std::string& name, script::Value& out) {
  if (Vars) {
    if (const script::TVar* v = Vars->Find(name)) {
      out = v->value;
      return true;
    }
  }
  int idx = class_->IndexOfUpper(platform::AsciiUpper(name));
  if (idx >= 0) {
    ReadProp(class_->Props[static_cast<size_t>(idx)], out);
    return true;
  }
  for (TQZElement* c : children_) {
    if (c->upperId_ == name) {
      out = Value::Ref(c->Handle());
      return true;
    }
  }
  if (GetComputedValue(name, out)) return true;
  if (root_) return root_->GetSharedValue(*this, name, out);
  return false;
}

bool TQZElement::SetValue(const std::string& name, const script::Value& value) {
  const Value* v = &value;
  Value translated;
  if (value.IsString() && !value.s.empty() && value.s[0] == '"' && root_) {
    // A quoted text is a language text key; an empty translation keeps the text.
    std::string key = value.s.size() >= 2 ? value.s.substr(1, value.s.size() - 2) : std::string();
    std::string text = root_->LookupText(key);
    if (!text.empty()) {
      translated = Value::String(std::move(text));
      v = &translated;
    }
  }
  if (Vars && Vars->SetExisting(name, *v)) return true;
  int idx = class_->IndexOfUpper(platform::AsciiUpper(name));
  if (idx >= 0) {
    // A value that does not convert leaves the property as it was.
    WriteProp(class_->Props[static_cast<size_t>(idx)], *v);
    return true;
  }
  if (name == "ABSX" || name == "ABSY") {
    int32_t n = 0;
    if (!v->ToInteger(n)) {
      int64_t wide;
      if (!v->ToInt64(wide)) return true;
      n = static_cast<int32_t>(wide);
    }
    if (name == "ABSX")
      SetAbsX(n);
    else
      SetAbsY(n);
    return true;
  }
  if (root_) return root_->SetSharedValue(*this, name, *v);
  return false;
}

}  // namespace scene
