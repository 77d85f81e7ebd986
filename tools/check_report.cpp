#include "tools/check_report.h"

#include "scene/element.h"

namespace tools {

std::string PathSegment(std::string_view id, int32_t key, const platform::CodePage& cp) {
  if (id.empty()) return "#" + std::to_string(key);
  return cp.ToUtf8(id);
}

std::string ElementPath(const scene::TQZElement& e, const platform::CodePage& cp) {
  const scene::TQZElement* parent = e.Parent();
  if (!parent) return "QZDB";
  return ElementPath(*parent, cp) + "." + PathSegment(e.Id, e.Key, cp);
}

std::string Label(const std::string& path, std::string_view className, int32_t key) {
  return path + " (" + std::string(className) + ", Key " + std::to_string(key) + ")";
}

std::string Label(const scene::TQZElement& e, const platform::CodePage& cp) {
  return Label(ElementPath(e, cp), e.ClassName(), e.Key);
}

std::string Quoted(std::string_view gameText, const platform::CodePage& cp) {
  return "\"" + cp.ToUtf8(gameText) + "\"";
}

}  // namespace tools
