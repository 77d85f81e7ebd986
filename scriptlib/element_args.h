#pragma once
// Element arguments of the element, screen, animation and star natives.
//
// An element argument is usable when it holds the LongWord kind and names a
// live element. "Is a" tests accept a class and the classes derived from it;
// "exactly" tests accept the class itself only.

#include <typeinfo>

#include "scene/element.h"
#include "scriptlib/native_util.h"

namespace scriptlib {

// The element argument i refers to, or null.
inline scene::TQZElement* ElementArg(const TVarList& args, size_t i) {
  if (i >= args.Count()) return nullptr;
  const Value& v = Arg(args, i);
  if (!v.IsLongWord() || v.i == 0) return nullptr;
  return scene::TQZElement::FromHandle(static_cast<uint32_t>(v.i));
}

template <class T>
T* ExactlyClass(scene::TQZElement* e) {
  return e && typeid(*e) == typeid(T) ? static_cast<T*>(e) : nullptr;
}

// Argument i as Integer when it converts.
inline bool TryInteger(const TVarList& args, size_t i, int32_t& out) {
  return i < args.Count() && Arg(args, i).ToInteger(out);
}

}  // namespace scriptlib
