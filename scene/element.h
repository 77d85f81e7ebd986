#pragma once
// TQZElement: base class of every scene object.
//
// Index:
//   fields named by the engine (public, as scripts and the file formats see them)
//   tree bookkeeping: parent/children, Root, handles, SetOrder, lookups
//   virtual operations in their fixed slot order
//   by-name interface GetValue/SetValue

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/numeric.h"
#include "scene/class_registry.h"
#include "scene/scene_state.h"
#include "script/script_slot.h"
#include "script/value.h"
#include "script/var_list.h"

namespace scene {

class TQZDB;

// What an ordinal property is given: integers as they are, Booleans and
// reals as Value::ToInt64 converts them, a text read as a decimal or "$"
// hexadecimal number (0 when it is neither); false when it does not convert.
inline bool OrdinalOf(const script::Value& value, int64_t& out) {
  // Integer kinds hold their number as it is: no call for the usual case.
  if (value.IsIntegerKind()) {
    out = value.i;
    return true;
  }
  if (value.IsString()) {
    auto parsed = platform::ParseIntegerText(value.s);
    out = parsed ? *parsed : 0;
    return true;
  }
  return value.ToInt64(out);
}

enum class TQZPosHor : uint8_t { phLeft = 0, phCenter = 1, phRight = 2 };
enum class TQZPosVert : uint8_t { pvTop = 0, pvCenter = 1, pvBottom = 2 };
enum class TQZShapeType : uint8_t { stBox = 0, stCircle = 1 };

// The twelve event scripts every element stores, in the order the record declares them.
enum class Ev : uint8_t {
  MouseMove,
  Init,
  MouseUp,
  VarRS,
  MouseOut,
  MouseIn,
  AfterLoad,
  MouseDown,
  Update,
  Process,
  Show,
  Render,
  Count
};

class TQZElement {
 public:
  // Creates an element; with a parent it is appended to the parent's children,
  // becomes visible through the virtual SetVis and takes part in hit testing.
  explicit TQZElement(TQZElement* parent);
  virtual ~TQZElement();
  TQZElement(const TQZElement&) = delete;
  TQZElement& operator=(const TQZElement&) = delete;

  // ---- fields ----------------------------------------------------------
  bool ResourcesLoaded = false;
  bool MousedNotVis = false;
  script::ScriptSlot Scripts[static_cast<int>(Ev::Count)];
  bool MousedVis = false;
  bool NoMsQZDB = false;
  int32_t Order = 0;
  bool MsKeep = false;
  bool NotSave = false;
  bool AutoInit = true;
  bool Initialised = false;
  int32_t MaxOrder = 0;
  int32_t MinOrder = 0;
  // Shared so that a run whose sink is this list keeps it alive even when a
  // script it calls replaces the list (re-initialising its own element).
  std::shared_ptr<script::TVarList> Vars;
  bool KeepLoaded = false;
  std::string Id;
  std::string Tag;
  // Read-only: writes go through SetKey, so that the root's key index follows.
  const int32_t& Key = key_;
  double rX = 0;
  double rY = 0;
  bool Vis = false;

  script::ScriptSlot& Script(Ev e) { return Scripts[static_cast<int>(e)]; }
  const script::ScriptSlot& Script(Ev e) const { return Scripts[static_cast<int>(e)]; }

  // ---- tree --------------------------------------------------------------
  TQZDB* Root() const { return root_; }
  TQZElement* Parent() const { return parent_; }
  const std::vector<TQZElement*>& Children() const { return children_; }
  size_t ChildCount() const { return children_.size(); }
  TQZElement* Child(size_t i) const { return children_[i]; }
  int IndexInParent() const;  // 0-based, -1 for the root

  // Nonzero, unique, stable for the run; 0 is none.
  uint32_t Handle() const { return handle_; }
  // Inline: element paths resolve a handle at every segment.
  static TQZElement* FromHandle(uint32_t handle) {
    const uint32_t slot = handle - 1;  // handle 0 wraps around and is refused
    return slot < handleCount_ ? handles_[slot] : nullptr;
  }
  // Changes whenever an element is added to or removed from the tree,
  // children are reordered or an Id changes: caches of names found in the
  // tree stay valid while it holds.
  static uint64_t TreeGeneration() { return treeGeneration_; }
  // The same without Id changes: positions in a pre-order of the tree stay
  // valid while it holds.
  static uint64_t ShapeGeneration() { return shapeGeneration_; }

  const TQZClass& Class() const { return *class_; }
  const std::string& ClassName() const { return class_->ClassName; }
  const std::string& UpperId() const { return upperId_; }
  void SetId(std::string id);
  // The writer of Key (the published property, scripts and state records
  // alike); tells the root's key index.
  void SetKey(int32_t value);

  // X and Y read rX and rY rounded half to even, the range's ends beyond it.
  // Inline: scripts read positions through them on every access.
  int32_t X() const { return RoundedPosition(rX); }
  int32_t Y() const { return RoundedPosition(rY); }

  TQZElement* CreateChild(std::string_view className);
  void DestroyChildren();
  // Moves a child to the end of the children (drawn on top within its layer).
  void MoveChildToEnd(TQZElement* child);

  // Pre-order search; on a match inside a child that is not the last one, and
  // when nextHint is still null, nextHint receives the child that follows it.
  // A walk of the subtree: lookups that repeat go through the root's
  // KeyIndex, which answers the same.
  TQZElement* FindByKey(int32_t key, TQZElement** nextHint);
  TQZElement* FindByKey(int32_t key) {
    TQZElement* ignored = nullptr;
    return FindByKey(key, &ignored);
  }
  TQZElement* FindChildById(std::string_view name) const;

  void SetOrder(int32_t value);
  void SetAbsX(int32_t value);
  void SetAbsY(int32_t value);
  void ClearResourcesLoaded();

  // Stores a script text and its prepared form.
  void SetScriptText(script::ScriptSlot& slot, const std::string& text);

  // ---- virtual operations, in slot order ----------------------------------
  virtual void SetVis(bool value);
  virtual void SetX(int32_t value);
  virtual void SetY(int32_t value);
  virtual void SetSizeX(int32_t value);
  virtual void SetSizeY(int32_t value);
  virtual int32_t GetSizeX();
  virtual int32_t GetSizeY();
  virtual int32_t GetAbsX();
  virtual int32_t GetAbsY();
  virtual TQZElement* HitTest(int32_t layer, int32_t x, int32_t y, int32_t extra, int32_t flag);
  virtual void SetPos(int32_t x, int32_t y);
  // Reads one game file record into this element; false when the record
  // ended early (it was cut short or a writer failed).
  virtual bool LoadFromData(std::span<const uint8_t> data);
  virtual void Paint(int32_t layer, uint32_t colour, double offsetX, double offsetY, int32_t flag);
  virtual void DoProcess();
  virtual void DoShow();
  virtual void DoMouseIn();
  virtual void DoMouseOut();
  virtual void DoMouseDown();
  virtual void DoMouseUp();
  virtual void DoMouseMove();
  virtual void DoUpdate();
  virtual void DoInit();
  virtual void DoReinit();
  virtual void DoAfterLoad();
  virtual void LoadResources();
  virtual void ReloadResources();
  // By-name read. Names arrive in upper case. True when the name is known.
  virtual bool GetValue(const std::string& name, script::Value& out);
  // By-name write. True when the name is known.
  virtual bool SetValue(const std::string& name, const script::Value& value);

  // Runs one event script of this element (the interpreter pool decides how).
  // variableSink receives the variables the script declares.
  void RunScript(const script::ScriptSlot& slot, const char* context,
                 script::TVarList* variableSink = nullptr);

  // Published-property access by descriptor (used by the file readers, the
  // by-name interface and the tools).
  script::Value ReadProp(const TQZProp& prop) const {
    script::Value v;
    prop.Read(*this, prop, v);
    return v;
  }
  void ReadProp(const TQZProp& prop, script::Value& out) const { prop.Read(*this, prop, out); }
  // Assigns through the property's writer with the conversions of the
  // by-name interface; false when the value does not convert.
  bool WriteProp(const TQZProp& prop, const script::Value& value) {
    return prop.Write(*this, prop, value);
  }

  // "Id <ClassName>", used by log lines.
  std::string Description() const;

 protected:
  // Called by each concrete class's constructor once the class is known.
  void BindClass(const TQZClass* cls) { class_ = cls; }
  // Names common to every element that need no frame loop; used by GetValue.
  bool GetComputedValue(const std::string& name, script::Value& out);
  void SetRootSelf(TQZDB* root) { root_ = root; }

 private:
  friend class TQZDB;
  friend class KeyIndex;
  const TQZClass* class_ = nullptr;
  TQZDB* root_ = nullptr;
  TQZElement* parent_ = nullptr;
  std::vector<TQZElement*> children_;  // owned
  std::string upperId_;
  int32_t key_ = 0;
  uint32_t handle_ = 0;
  // Where the root's key index last placed this element (it checks before
  // trusting it).
  uint32_t keyIndexPosition_ = 0;

  static int32_t RoundedPosition(double v) {
    const auto r = platform::RoundHalfEvenI32(v);
    return r ? *r : (v < 0 ? INT32_MIN : INT32_MAX);
  }
  TQZElement* FindByKeyWalk(int32_t key, TQZElement** nextHint, uint64_t& visited);
  // An element was added, removed or moved among its siblings.
  static void ShapeChanged() {
    ++treeGeneration_;
    ++shapeGeneration_;
  }

  // The handle table (slot h - 1 for handle h), as FromHandle reads it.
  static inline TQZElement* const* handles_ = nullptr;
  static inline uint32_t handleCount_ = 0;
  static inline uint64_t treeGeneration_ = 0;
  static inline uint64_t shapeGeneration_ = 0;
};

// Hooks that later layers install (the interpreter pool prepares and runs
// scripts). Until installed, texts are kept with an empty prepared form and
// runs do nothing.
struct ScriptHooks {
  // element: the owner of the text (its root decides whether errors are logged).
  void (*Prepare)(TQZElement& element, script::ScriptSlot& slot) = nullptr;
  void (*Run)(TQZElement& element, const script::ScriptSlot& slot, const char* context,
              script::TVarList* sink) = nullptr;
};
ScriptHooks& GetScriptHooks();

}  // namespace scene
