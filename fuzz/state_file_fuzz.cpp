// Any bytes as a state file, applied to a small tree with variables and an
// image list.

#include <cstddef>
#include <cstdint>
#include <string>

#include "scene/db.h"
#include "scene/state_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  scene::TQZDB root;
  root.SetKey(1);
  scene::TQZElement* screen = root.CreateChild("TQZScreen");
  screen->SetKey(2);
  scene::TQZElement* image = screen->CreateChild("TQZImage");
  image->SetKey(3);
  scene::TQZElement* list = screen->CreateChild("TQZImList");
  list->SetKey(4);
  scene::TQZElement* text = screen->CreateChild("TQZText");
  text->SetKey(5);
  image->Vars = std::make_unique<script::TVarList>();
  image->Vars->Append({"N", script::Value::Integer(1)});
  image->Vars->Append({"S", script::Value::String("x")});
  scene::ApplyState(root, std::string(reinterpret_cast<const char*>(data), size), {});
  // A save of whatever the file made must parse back whole.
  bool complete = false;
  scene::ParseState(scene::BuildState(root), &complete);
  if (!complete) __builtin_trap();
  return 0;
}
