#include "scene/element.h"

#include <algorithm>
#include <stdexcept>

#include "platform/byte_reader.h"
#include "platform/numeric.h"
#include "scene/db.h"

namespace scene {

namespace {

// Handle table: handle h refers to slot h - 1. Slots are never reused, so a
// handle stays unique for the whole process. Never freed: elements may
// outlive other statics.
std::vector<TQZElement*>& HandleTable() {
  static auto* table = new std::vector<TQZElement*>();
  return *table;
}

}  // namespace

ScriptHooks& GetScriptHooks() {
  static ScriptHooks hooks;
  return hooks;
}

TQZElement::TQZElement(TQZElement* parent) {
  RegisterAllClasses();
  auto& table = HandleTable();
  table.push_back(this);
  handles_ = table.data();
  handleCount_ = static_cast<uint32_t>(table.size());
  handle_ = handleCount_;
  AutoInit = true;
  if (parent) {
    root_ = parent->root_;
    parent_ = parent;
    parent->children_.push_back(this);
    ShapeChanged();
    // The constructor of a derived class has not run yet, so this is the base
    // SetVis; derived classes whose SetVis matters call it again themselves.
    SetVis(true);
    MousedVis = true;
  }
}

TQZElement::~TQZElement() {
  DestroyChildren();
  if (parent_) {
    auto& siblings = parent_->children_;
    auto it = std::find(siblings.begin(), siblings.end(), this);
    if (it != siblings.end()) siblings.erase(it);
  }
  HandleTable()[handle_ - 1] = nullptr;
  ShapeChanged();
}

void TQZElement::DestroyChildren() {
  while (!children_.empty()) {
    // The child's destructor removes it from children_.
    delete children_.back();
  }
}

int TQZElement::IndexInParent() const {
  if (!parent_) return -1;
  const auto& s = parent_->children_;
  auto it = std::find(s.begin(), s.end(), this);
  return it == s.end() ? -1 : static_cast<int>(it - s.begin());
}

void TQZElement::SetId(std::string id) {
  Id = std::move(id);
  upperId_ = platform::AsciiUpper(Id);
  ++treeGeneration_;
}

void TQZElement::SetKey(int32_t value) {
  if (value == key_) return;
  const int32_t old = key_;
  key_ = value;
  if (root_) root_->Keys().KeyChanged(*this, old);
}

void TQZElement::MoveChildToEnd(TQZElement* child) {
  auto it = std::find(children_.begin(), children_.end(), child);
  if (it == children_.end()) return;
  children_.erase(it);
  children_.push_back(child);
  ShapeChanged();
}

TQZElement* TQZElement::CreateChild(std::string_view className) {
  const auto& registry = ClassRegistry::Instance();
  bool allowed = false;
  const TQZClass* target = nullptr;
  for (const auto& cls : registry.Classes()) {
    if (cls->ClassName != className) continue;
    if (std::find(cls->AllowedParents.begin(), cls->AllowedParents.end(), ClassName()) !=
        cls->AllowedParents.end()) {
      allowed = true;
      target = cls.get();
      break;
    }
  }
  if (!allowed || !target->Create) return nullptr;
  std::unique_ptr<TQZElement> child = target->Create(this);
  // The constructor appended the child to children_; ownership now lies there.
  return child.release();
}

TQZElement* TQZElement::FindByKey(int32_t key, TQZElement** nextHint) {
  uint64_t visited = 0;
  TQZElement* found = FindByKeyWalk(key, nextHint, visited);
  if (root_) root_->Keys().CountVisits(visited);
  return found;
}

TQZElement* TQZElement::FindByKeyWalk(int32_t key, TQZElement** nextHint, uint64_t& visited) {
  ++visited;
  if (key_ == key) return this;
  for (size_t i = 0; i < children_.size(); ++i) {
    TQZElement* found = children_[i]->FindByKeyWalk(key, nextHint, visited);
    if (found) {
      if (nextHint && !*nextHint && i + 1 < children_.size()) *nextHint = children_[i + 1];
      return found;
    }
  }
  return nullptr;
}

TQZElement* TQZElement::FindChildById(std::string_view name) const {
  std::string upper = platform::AsciiUpper(name);
  for (TQZElement* c : children_)
    if (c->upperId_ == upper) return c;
  return nullptr;
}

void TQZElement::SetOrder(int32_t value) {
  Order = value;
  MaxOrder = std::max(MaxOrder, value);
  MinOrder = std::min(MinOrder, value);
  TQZElement* c = this;
  while (TQZElement* p = c->parent_) {
    bool changed = false;
    if (p->MaxOrder < c->MaxOrder) {
      p->MaxOrder = c->MaxOrder;
      changed = true;
    }
    if (p->MinOrder > c->MinOrder) {
      p->MinOrder = c->MinOrder;
      changed = true;
    }
    if (!changed) break;
    c = p;
  }
}

void TQZElement::SetAbsX(int32_t value) {
  int64_t v = parent_ ? static_cast<int64_t>(value) - parent_->GetAbsX() : value;
  SetX(static_cast<int32_t>(v));
}

void TQZElement::SetAbsY(int32_t value) {
  int64_t v = parent_ ? static_cast<int64_t>(value) - parent_->GetAbsY() : value;
  SetY(static_cast<int32_t>(v));
}

void TQZElement::ClearResourcesLoaded() {
  ResourcesLoaded = false;
  for (TQZElement* c : children_) c->ClearResourcesLoaded();
}

void TQZElement::SetScriptText(script::ScriptSlot& slot, const std::string& text) {
  slot.Source = text;
  slot.Prepared.clear();
  slot.Compiled.reset();
  if (text.empty()) return;
  if (auto prepare = GetScriptHooks().Prepare) prepare(*this, slot);
}

void TQZElement::RunScript(const script::ScriptSlot& slot, const char* context,
                           script::TVarList* variableSink) {
  if (auto run = GetScriptHooks().Run) run(*this, slot, context, variableSink);
}

std::string TQZElement::Description() const { return Id + " <" + ClassName() + ">"; }

// ---- virtual operations ------------------------------------------------------

void TQZElement::SetVis(bool value) { Vis = value; }
void TQZElement::SetX(int32_t value) { rX = value; }
void TQZElement::SetY(int32_t value) { rY = value; }
void TQZElement::SetSizeX(int32_t) {}
void TQZElement::SetSizeY(int32_t) {}
int32_t TQZElement::GetSizeX() { return 0; }
int32_t TQZElement::GetSizeY() { return 0; }

int32_t TQZElement::GetAbsX() {
  int64_t v = X() + (parent_ ? static_cast<int64_t>(parent_->GetAbsX()) : 0);
  return static_cast<int32_t>(v);
}

int32_t TQZElement::GetAbsY() {
  int64_t v = Y() + (parent_ ? static_cast<int64_t>(parent_->GetAbsY()) : 0);
  return static_cast<int32_t>(v);
}

TQZElement* TQZElement::HitTest(int32_t layer, int32_t x, int32_t y, int32_t extra, int32_t flag) {
  if (!Vis && !MousedNotVis) return nullptr;
  if (Vis && !MousedVis) return nullptr;
  if (layer < MinOrder || layer > MaxOrder) return nullptr;
  const int32_t cx = x - X();
  const int32_t cy = y - Y();
  for (size_t i = children_.size(); i-- > 0;) {
    if (TQZElement* hit = children_[i]->HitTest(layer, cx, cy, extra, flag)) return hit;
  }
  return nullptr;
}

void TQZElement::SetPos(int32_t x, int32_t y) {
  rX = x;
  rY = y;
}

void TQZElement::Paint(int32_t layer, uint32_t colour, double offsetX, double offsetY,
                       int32_t /*flag*/) {
  if (!ResourcesLoaded) LoadResources();
  if (layer < MinOrder || layer > MaxOrder) return;
  for (size_t i = 0; i < children_.size(); ++i) {
    TQZElement* c = children_[i];
    if (c->Vis) c->Paint(layer, colour, offsetX + rX, offsetY + rY, 0);
  }
}

void TQZElement::DoProcess() {
  if (!Vis && !MousedNotVis) return;
  RunScript(Script(Ev::Process), "Process");
  for (size_t i = 0; i < children_.size(); ++i) children_[i]->DoProcess();
}

void TQZElement::DoShow() {
  RunScript(Script(Ev::Show), "Show");
  for (size_t i = 0; i < children_.size(); ++i) children_[i]->DoShow();
}

void TQZElement::DoMouseIn() {
  RunScript(Script(Ev::MouseIn), "ms_In");
  if (root_ && root_ != this) {
    // The root's hover scripts run with this element as the current element.
    RunScript(static_cast<TQZElement*>(root_)->Script(Ev::MouseIn), "ms_In");
  }
}

void TQZElement::DoMouseOut() {
  RunScript(Script(Ev::MouseOut), "ms_Out");
  if (root_ && root_ != this) {
    RunScript(static_cast<TQZElement*>(root_)->Script(Ev::MouseOut), "ms_Out");
  }
}

void TQZElement::DoMouseDown() { RunScript(Script(Ev::MouseDown), "ms_Down"); }
void TQZElement::DoMouseUp() { RunScript(Script(Ev::MouseUp), "ms_Up"); }
void TQZElement::DoMouseMove() { RunScript(Script(Ev::MouseMove), "ms_Move"); }
void TQZElement::DoUpdate() { RunScript(Script(Ev::Update), "Update"); }

void TQZElement::DoInit() {
  if (Initialised) return;
  Initialised = true;
  if (ClassName() == "TQZScreen" && !AutoInit) return;
  Vars = std::make_shared<script::TVarList>();
  std::shared_ptr<script::TVarList> sink = Vars;
  RunScript(Script(Ev::Init), "Init", sink.get());
  for (size_t i = 0; i < children_.size(); ++i) children_[i]->DoInit();
}

void TQZElement::DoReinit() {
  Vars = std::make_shared<script::TVarList>();
  std::shared_ptr<script::TVarList> sink = Vars;
  RunScript(Script(Ev::Init), "InitPr", sink.get());
  for (size_t i = 0; i < children_.size(); ++i) children_[i]->DoReinit();
}

void TQZElement::DoAfterLoad() {
  RunScript(Script(Ev::AfterLoad), "Load");
  for (size_t i = 0; i < children_.size(); ++i) children_[i]->DoAfterLoad();
}

namespace {

bool IsResourceProp(const TQZProp& p) {
  return p.Type == PropType::String &&
         ((p.UpperName.size() >= 2 && p.UpperName[0] == 'I' && p.UpperName[1] == 'M') ||
          p.UpperName == "FONT");
}

}  // namespace

void TQZElement::LoadResources() {
  if (ResourcesLoaded) return;
  for (const TQZProp& p : class_->Props) {
    if (!IsResourceProp(p)) continue;
    std::string v = p.GetStr(*this);
    p.SetStr(*this, v);
  }
  ResourcesLoaded = true;
  for (size_t i = 0; i < children_.size(); ++i) children_[i]->LoadResources();
}

void TQZElement::ReloadResources() {
  if (ResourcesLoaded) {
    for (const TQZProp& p : class_->Props) {
      if (!IsResourceProp(p)) continue;
      std::string v = p.GetStr(*this);
      p.SetStr(*this, v);
    }
  }
  for (size_t i = 0; i < children_.size(); ++i) children_[i]->ReloadResources();
}

}  // namespace scene
