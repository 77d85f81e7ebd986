#pragma once
// Builds a class's published-property table: name, type letter, enumeration
// names, reader and writer, in published order.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/numeric.h"
#include "scene/class_registry.h"
#include "scene/element.h"

namespace scene {

extern const std::vector<std::string> kBoolNames;
extern const std::vector<std::string> kPosHorNames;
extern const std::vector<std::string> kPosVertNames;
extern const std::vector<std::string> kShapeTypeNames;

template <class C>
class PropTable {
 public:
  explicit PropTable(TQZClass& cls) : cls_(cls) {}

  // The five properties every class publishes first: Key, Id, X, Y, Vis.
  PropTable& Base() {
    OrdFn(
        "Key", PropType::Int32, [](const C& e) -> int64_t { return e.Key; },
        [](C& e, int64_t v) { e.SetKey(static_cast<int32_t>(v)); });
    StrFn(
        "Id", [](const C& e) { return e.Id; }, [](C& e, const std::string& v) { e.SetId(v); });
    OrdFn(
        "X", PropType::Int32, [](const C& e) -> int64_t { return e.X(); },
        [](C& e, int64_t v) { e.SetX(static_cast<int32_t>(v)); });
    OrdFn(
        "Y", PropType::Int32, [](const C& e) -> int64_t { return e.Y(); },
        [](C& e, int64_t v) { e.SetY(static_cast<int32_t>(v)); });
    OrdFn(
        "Vis", PropType::Bool, [](const C& e) -> int64_t { return e.Vis ? 1 : 0; },
        [](C& e, int64_t v) { e.SetVis(v != 0); });
    return *this;
  }

  // `Order` through SetOrder, so that the layer bounds widen.
  PropTable& Order() {
    return OrdFn(
        "Order", PropType::Int32, [](const C& e) -> int64_t { return e.Order; },
        [](C& e, int64_t v) { e.SetOrder(static_cast<int32_t>(v)); });
  }

  // A plain stored field of an ordinal, float or string kind.
  template <class M>
  PropTable& Field(const char* name, PropType type, M m) {
    using T = std::remove_cvref_t<decltype(std::declval<C&>().*m)>;
    if constexpr (std::is_same_v<T, std::string>) {
      return StrFn(
          name, [m](const C& e) { return e.*m; }, [m](C& e, const std::string& v) { e.*m = v; });
    } else if constexpr (std::is_floating_point_v<T>) {
      return FloatFn(
          name, type, [m](const C& e) { return static_cast<double>(e.*m); },
          [m](C& e, double v) { e.*m = static_cast<T>(v); });
    } else if constexpr (std::is_same_v<T, bool>) {
      return OrdFn(
          name, type, [m](const C& e) -> int64_t { return (e.*m) ? 1 : 0; },
          [m](C& e, int64_t v) { e.*m = v != 0; });
    } else if constexpr (std::is_enum_v<T>) {
      return OrdFn(
          name, type, [m](const C& e) -> int64_t { return static_cast<int64_t>(e.*m); },
          [m](C& e, int64_t v) { e.*m = static_cast<T>(v); });
    } else {
      return OrdFn(
          name, type, [m](const C& e) -> int64_t { return static_cast<int64_t>(e.*m); },
          [m](C& e, int64_t v) { e.*m = static_cast<T>(v); });
    }
  }

  template <class G, class S>
  PropTable& OrdFn(const char* name, PropType type, G get, S set) {
    TQZProp& p = Add(name, type);
    p.GetOrd = [get](const TQZElement& e) -> int64_t { return get(static_cast<const C&>(e)); };
    p.SetOrd = [set](TQZElement& e, int64_t v) { set(static_cast<C&>(e), v); };
    // Accessors without state (a lambda that captures nothing) can be
    // called from a plain function: ReadPropByKind's and WritePropByKind's
    // ordinal steps compiled around them.
    if constexpr (std::is_empty_v<G> && std::is_default_constructible_v<G>) {
      p.Read = [](const TQZElement& e, const TQZProp&, script::Value& out) {
        out = script::Value::Integer(
            static_cast<int32_t>(static_cast<uint32_t>(G{}(static_cast<const C&>(e)))));
      };
    }
    if constexpr (std::is_empty_v<S> && std::is_default_constructible_v<S>) {
      p.Write = [](TQZElement& e, const TQZProp& prop, const script::Value& value) {
        int64_t v = 0;
        if (!OrdinalOf(value, v)) return false;
        S{}(static_cast<C&>(e), TruncateToWidth(prop.Type, v));
        return true;
      };
    }
    return *this;
  }

  template <class G, class S>
  PropTable& FloatFn(const char* name, PropType type, G get, S set) {
    TQZProp& p = Add(name, type);
    p.GetFloat = [get](const TQZElement& e) -> double { return get(static_cast<const C&>(e)); };
    p.SetFloat = [set](TQZElement& e, double v) { set(static_cast<C&>(e), v); };
    return *this;
  }

  template <class G, class S>
  PropTable& StrFn(const char* name, G get, S set) {
    TQZProp& p = Add(name, PropType::String);
    p.GetStr = [get](const TQZElement& e) -> std::string { return get(static_cast<const C&>(e)); };
    p.SetStr = [set](TQZElement& e, const std::string& v) { set(static_cast<C&>(e), v); };
    return *this;
  }

  // One of the twelve scripts every element stores.
  PropTable& Script(const char* name, Ev ev) {
    return StrFn(
        name, [ev](const C& e) { return e.Script(ev).Source; },
        [ev](C& e, const std::string& v) { e.SetScriptText(e.Script(ev), v); });
  }

  // A script stored by the class itself.
  template <class M>
  PropTable& ScriptField(const char* name, M m) {
    return StrFn(
        name, [m](const C& e) { return (e.*m).Source; },
        [m](C& e, const std::string& v) { e.SetScriptText(e.*m, v); });
  }

  // The ten event scripts of an element that takes the pointer, in their
  // published order: exVarRS, exInit, exAfterLoad, the five mouse events,
  // exUpdate, exProcess.
  PropTable& EventScripts() {
    Script("exVarRS", Ev::VarRS);
    Script("exInit", Ev::Init);
    Script("exAfterLoad", Ev::AfterLoad);
    Script("exMouseIn", Ev::MouseIn);
    Script("exMouseOut", Ev::MouseOut);
    Script("exMouseMove", Ev::MouseMove);
    Script("exMouseDown", Ev::MouseDown);
    Script("exMouseUp", Ev::MouseUp);
    Script("exUpdate", Ev::Update);
    return Script("exProcess", Ev::Process);
  }

  // ImBack: the background picture's name, through GetImBack / SetImBack
  // (a loaded background may resize the element).
  PropTable& ImBack() {
    return StrFn(
        "ImBack", [](const C& e) { return e.GetImBack(); },
        [](C& e, const std::string& v) { e.SetImBack(v); });
  }

  // What a screen and an animation publish after Base: a background
  // (ImBack), SizeX, SizeY, hxDrawFx, and the modal pair Agro and Modal.
  PropTable& Backdrop() {
    ImBack();
    Size();
    Field("hxDrawFx", PropType::UInt32, &C::hxDrawFx);
    Field("Agro", PropType::Int32, &C::Agro);
    return Field("Modal", PropType::Bool, &C::Modal);
  }

  // SizeX and SizeY, written through SetSizeX / SetSizeY so that a class can
  // react (a text rewraps, a background resizes).
  PropTable& Size() {
    OrdFn(
        "SizeX", PropType::Int32, [](const C& e) -> int64_t { return e.SizeX; },
        [](C& e, int64_t v) { e.SetSizeX(static_cast<int32_t>(v)); });
    return OrdFn(
        "SizeY", PropType::Int32, [](const C& e) -> int64_t { return e.SizeY; },
        [](C& e, int64_t v) { e.SetSizeY(static_cast<int32_t>(v)); });
  }

  // A colour and its transparency, one stored 0xAARRGGBB field published as
  // two properties: colourName the low 24 bits, transName the top 8.
  PropTable& ColourPair(const char* colourName, const char* transName, uint32_t C::*colour) {
    OrdFn(
        colourName, PropType::UInt32,
        [colour](const C& e) -> int64_t { return e.*colour & 0xFFFFFF; },
        [colour](C& e, int64_t v) {
          e.*colour = (e.*colour & 0xFF000000u) | (static_cast<uint32_t>(v) & 0xFFFFFF);
        });
    return OrdFn(
        transName, PropType::UInt8, [colour](const C& e) -> int64_t { return e.*colour >> 24; },
        [colour](C& e, int64_t v) {
          e.*colour = (e.*colour & 0xFFFFFF) | (static_cast<uint32_t>(v & 0xFF) << 24);
        });
  }

  // Enumeration names for the last property added.
  PropTable& Names(const std::vector<std::string>& names) {
    cls_.Props.back().EnumNames = names;
    return *this;
  }

 private:
  TQZProp& Add(const char* name, PropType type) {
    TQZProp p;
    p.Name = name;
    p.UpperName = platform::AsciiUpper(name);
    p.Type = type;
    if (type == PropType::Bool) p.EnumNames = kBoolNames;
    cls_.PropIndex.emplace(p.UpperName, static_cast<int>(cls_.Props.size()));
    cls_.Props.push_back(std::move(p));
    return cls_.Props.back();
  }

  TQZClass& cls_;
};

}  // namespace scene
