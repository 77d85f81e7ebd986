#include "script/func_list.h"

#include "platform/numeric.h"
#include "script/compiled.h"
#include "script/names.h"

namespace script {

std::string_view TrimText(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
  return s;
}

TFuncList::TFuncList() : gen_(NextGeneration()) {}

bool TFuncList::RegisterFunction(std::string_view name, NativeHandler handler) {
  std::string upper = platform::AsciiUpper(TrimText(name));
  auto it = index_.find(upper);
  if (it != index_.end()) {
    gen_ = NextGeneration();
    if (handler) {
      list_[static_cast<size_t>(it->second)].Handler = std::move(handler);
      return true;
    }
    list_.erase(list_.begin() + it->second);
    index_.clear();
    for (size_t i = 0; i < list_.size(); ++i) index_.emplace(list_[i].Name, static_cast<int>(i));
    return true;
  }
  // Removing a name that is not registered changes nothing.
  if (!handler) return true;
  if (!IsValidVarName(upper)) return false;
  gen_ = NextGeneration();
  index_.emplace(upper, static_cast<int>(list_.size()));
  list_.push_back({std::move(upper), std::move(handler)});
  return true;
}

int TFuncList::IndexOf(std::string_view name) const {
  auto it = index_.find(std::string(name));
  return it == index_.end() ? -1 : it->second;
}

}  // namespace script
