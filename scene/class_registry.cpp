#include "scene/class_registry.h"

#include <stdexcept>

#include "platform/numeric.h"
#include "scene/an_key.h"
#include "scene/anim.h"
#include "scene/db.h"
#include "scene/effect_element.h"
#include "scene/ex_anim.h"
#include "scene/ex_screen.h"
#include "scene/im_list.h"
#include "scene/image_element.h"
#include "scene/prop_table.h"
#include "scene/screen.h"
#include "scene/shape_element.h"
#include "scene/text_element.h"

namespace scene {

const std::vector<std::string> kBoolNames = {"False", "True"};
const std::vector<std::string> kPosHorNames = {"phLeft", "phCenter", "phRight"};
const std::vector<std::string> kPosVertNames = {"pvTop", "pvCenter", "pvBottom"};
const std::vector<std::string> kShapeTypeNames = {"stBox", "stCircle"};

const TQZProp* TQZClass::FindProp(std::string_view name) const {
  int i = IndexOfUpper(platform::AsciiUpper(name));
  return i < 0 ? nullptr : &Props[static_cast<size_t>(i)];
}

ClassRegistry& ClassRegistry::Instance() {
  static ClassRegistry registry;
  return registry;
}

void ClassRegistry::RegisterClass(TQZClass cls) {
  const std::string& name = cls.ClassName;
  cls.ShortName = (name.size() >= 3 && platform::AsciiIEquals(name.substr(0, 3), "TQZ"))
                      ? name.substr(3)
                      : name;
  classes_.push_back(std::make_unique<TQZClass>(std::move(cls)));
}

void ClassRegistry::AllowChild(std::string_view parentClass, std::string_view childClass) {
  for (auto& cls : classes_) {
    if (cls->ClassName == childClass) {
      cls->AllowedParents.emplace_back(parentClass);
      return;
    }
  }
}

const TQZClass* ClassRegistry::Find(std::string_view className) const {
  for (const auto& cls : classes_)
    if (cls->ClassName == className) return cls.get();
  return nullptr;
}

void RegisterAllClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  ClassRegistry& r = ClassRegistry::Instance();
  TQZDB::Register(r);
  TQZScreen::Register(r);
  TQZImage::Register(r);
  TQZExScreen::Register(r);
  TQZAnim::Register(r);
  TQZAnKey::Register(r);
  TQZExAnim::Register(r);
  TQZEffect::Register(r);
  TQZImList::Register(r);
  TQZShape::Register(r);
  TQZText::Register(r);

  const struct {
    const char* child;
    std::vector<const char*> parents;
  } containment[] = {
      {"TQZScreen", {"TQZDB"}},
      {"TQZAnim", {"TQZDB", "TQZScreen", "TQZImage", "TQZShape"}},
      {"TQZImage", {"TQZScreen", "TQZImage", "TQZAnKey", "TQZShape"}},
      {"TQZExScreen", {"TQZScreen", "TQZImage", "TQZShape"}},
      {"TQZAnKey", {"TQZAnim"}},
      {"TQZExAnim", {"TQZScreen", "TQZImage", "TQZShape"}},
      {"TQZEffect", {"TQZScreen", "TQZImage", "TQZShape"}},
      {"TQZImList", {"TQZScreen", "TQZImage", "TQZShape"}},
      {"TQZShape", {"TQZScreen", "TQZImage", "TQZShape"}},
      {"TQZText", {"TQZScreen", "TQZImage", "TQZText", "TQZShape"}},
  };
  for (const auto& row : containment)
    for (const char* parent : row.parents) r.AllowChild(parent, row.child);
}

const TQZClass& RegisteredClass(std::string_view className) {
  RegisterAllClasses();
  const TQZClass* cls = ClassRegistry::Instance().Find(className);
  if (!cls) throw std::logic_error("class not registered: " + std::string(className));
  return *cls;
}

}  // namespace scene
