#include "script/var_list.h"

#include "script/names.h"

namespace script {

int TVarList::IndexOf(std::string_view name) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].Name == name) return static_cast<int>(i);
  return -1;
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
  items_.push_back(var);
  return true;
}

bool TVarList::SetExisting(std::string_view name, const Value& value) {
  TVar* v = Find(name);
  if (!v) return false;
  v->value = value;
  return true;
}

bool TVarList::GetLocal(std::string_view name, TVar& out) const {
  out.Name = std::string(name);
  const TVar* v = Find(name);
  if (!v) return false;
  out = *v;
  return true;
}

bool TVarList::NamesArray(std::string_view name) const {
  for (const auto& v : items_)
    if (v.Name.size() > name.size() && v.Name.compare(0, name.size(), name) == 0 &&
        v.Name[name.size()] == '[')
      return true;
  return false;
}

}  // namespace script
