#include "scene/script_host.h"

#include "platform/file_io.h"
#include "scene/db.h"
#include "scene/element.h"
#include "scene/script_runner.h"

namespace scene {

uint32_t ElementScriptHost::CurrentElement() { return runner_.CurrentHandle(); }

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
  if (!fallbackDir_.empty()) platform::AppendToFile(fallbackDir_ / logPath_.filename(), bytes);
}

std::string ElementScriptHost::ElementDescription() {
  TQZElement* e = runner_.CurrentElement();
  return e ? e->Description() : std::string();
}

std::string ElementScriptHost::EventLabel() { return runner_.ContextName(); }

}  // namespace scene
