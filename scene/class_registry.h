#pragma once
// The class registry: per element class its published properties in published
// order (which is also the game file's value order) and the classes it may be
// created under.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/value.h"

namespace scene {

class TQZElement;

// Property type letters of the game file.
enum class PropType : char {
  Int32 = 'I',
  UInt32 = 'U',
  UInt16 = 'W',
  UInt8 = 'B',
  Bool = 'L',
  Enum = 'N',
  Double = 'D',
  Extended = 'X',
  String = 'S',
};

enum class PropKind : uint8_t { Ordinal, Float, String };

inline PropKind KindOf(PropType t) {
  switch (t) {
    case PropType::Double:
    case PropType::Extended: return PropKind::Float;
    case PropType::String: return PropKind::String;
    default: return PropKind::Ordinal;
  }
}

// Truncates a stored 4-byte (or wider) integer to what a property of this type keeps.
inline int64_t TruncateToWidth(PropType t, int64_t v) {
  switch (t) {
    case PropType::Int32: return static_cast<int32_t>(static_cast<uint32_t>(v));
    case PropType::UInt32: return static_cast<uint32_t>(v);
    case PropType::UInt16: return static_cast<uint16_t>(v);
    // Booleans and enumerations are one byte wide.
    case PropType::UInt8:
    case PropType::Bool:
    case PropType::Enum: return static_cast<uint8_t>(v);
    default: return v;
  }
}

struct TQZProp;

// The by-name read and write of any property through its accessors below,
// with the conversions of the by-name interface (TQZElement::ReadProp and
// WriteProp); false when the value does not convert.
void ReadPropByKind(const TQZElement& e, const TQZProp& prop, script::Value& out);
bool WritePropByKind(TQZElement& e, const TQZProp& prop, const script::Value& value);

struct TQZProp {
  std::string Name;       // as published
  std::string UpperName;  // ASCII upper case, for case-insensitive lookup
  PropType Type = PropType::Int32;
  std::vector<std::string> EnumNames;  // enumeration kinds (Booleans included)

  // Ordinal kinds read and write integers already truncated to the width;
  // float kinds doubles; string kinds byte strings.
  std::function<int64_t(const TQZElement&)> GetOrd;
  std::function<void(TQZElement&, int64_t)> SetOrd;
  std::function<double(const TQZElement&)> GetFloat;
  std::function<void(TQZElement&, double)> SetFloat;
  std::function<std::string(const TQZElement&)> GetStr;
  std::function<void(TQZElement&, const std::string&)> SetStr;
  // The read and write TQZElement::ReadProp and WriteProp call: the ones
  // above by kind, or the same conversions compiled together with an
  // accessor that needs no state (see PropTable::OrdFn), so that a script
  // reaching a position calls one function.
  void (*Read)(const TQZElement&, const TQZProp&, script::Value&) = &ReadPropByKind;
  bool (*Write)(TQZElement&, const TQZProp&, const script::Value&) = &WritePropByKind;

  PropKind Kind() const { return KindOf(Type); }
};

using ElementFactory = std::function<std::unique_ptr<TQZElement>(TQZElement* parent)>;

struct TQZClass {
  std::string ClassName;  // "TQZImage"
  std::string ShortName;  // "Image"
  std::vector<std::string> AllowedParents;
  std::vector<TQZProp> Props;
  std::unordered_map<std::string, int> PropIndex;  // upper-case name -> index
  ElementFactory Create;                            // null for TQZDB

  const TQZProp* FindProp(std::string_view name) const;  // any letter case
  int IndexOfUpper(const std::string& upperName) const {
    auto it = PropIndex.find(upperName);
    return it == PropIndex.end() ? -1 : it->second;
  }
};

// The registry, filled once by RegisterAllClasses (idempotent).
class ClassRegistry {
 public:
  static ClassRegistry& Instance();

  void RegisterClass(TQZClass cls);
  void AllowChild(std::string_view parentClass, std::string_view childClass);
  const TQZClass* Find(std::string_view className) const;  // exact, case-sensitive
  const std::vector<std::unique_ptr<TQZClass>>& Classes() const { return classes_; }

 private:
  std::vector<std::unique_ptr<TQZClass>> classes_;
};

// Registers the eleven element classes in their fixed order and enters the
// containment table. Safe to call more than once.
void RegisterAllClasses();

const TQZClass& RegisteredClass(std::string_view className);

}  // namespace scene
