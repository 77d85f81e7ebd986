#include "tools/check_structure.h"

#include <algorithm>

#include "platform/byte_reader.h"
#include "scene/class_registry.h"

namespace tools {

namespace {

using scene::PropKind;
using scene::TQZClass;

// The player's reader skips child entries below this nesting.
constexpr int kMaxRecordDepth = 256;

// Key and Id of a record, when it stores them (the first two values of every class).
struct Identity {
  int32_t key = 0;
  std::string id;
};

Identity PeekIdentity(std::span<const uint8_t> data) {
  Identity who;
  platform::ByteReader r(data);
  uint32_t nameLen = 0, idLen = 0;
  int32_t count = 0;
  if (!r.ReadU32LE(nameLen) || !r.Skip(nameLen) || !r.ReadI32LE(count)) return who;
  if (count >= 1) r.ReadI32LE(who.key);
  if (count >= 2 && r.ReadU32LE(idLen)) r.ReadBytes(idLen, who.id);
  return who;
}

bool Allowed(const TQZClass& child, const std::string& parentClass) {
  return std::find(child.AllowedParents.begin(), child.AllowedParents.end(), parentClass) !=
         child.AllowedParents.end();
}

class Walker {
 public:
  Walker(const platform::CodePage& cp, Findings& out) : cp_(cp), out_(out) {}

  // One record of a known class, read as the player reads it. parentPath is
  // empty for the root.
  void Record(std::span<const uint8_t> data, const TQZClass& cls, const std::string& parentPath,
              int depth) {
    platform::ByteReader r(data);
    uint32_t nameLen = 0;
    int32_t count = 0;
    Identity who;
    auto path = [&] {
      return parentPath.empty() ? std::string("QZDB")
                                : parentPath + "." + PathSegment(who.id, who.key, cp_);
    };
    if (!r.ReadU32LE(nameLen) || !r.Skip(nameLen) || !r.ReadI32LE(count)) {
      out_.push_back(Label(path(), cls.ClassName, who.key) +
                     ": the record ends before its values; the element stays empty");
      return;
    }
    const size_t n = count <= 0 ? 0 : std::min<size_t>(static_cast<size_t>(count), cls.Props.size());
    for (size_t i = 0; i < n; ++i) {
      if (!SkipValue(r, cls.Props[i], i, who)) {
        out_.push_back(Label(path(), cls.ClassName, who.key) + ": the record ends inside the value of " +
                       cls.Props[i].Name + "; the later values and the children are lost");
        return;
      }
    }
    const std::string self = path();
    while (!r.AtEnd()) {
      uint32_t entryLen = 0;
      std::span<const uint8_t> entry;
      const size_t left = r.Remaining();
      if (!r.ReadU32LE(entryLen) || !r.ReadSpan(entryLen, entry)) {
        out_.push_back(Label(self, cls.ClassName, who.key) + ": the last " + std::to_string(left) +
                       " bytes of the record are not a whole child entry; they are lost");
        return;
      }
      Child(entry, cls, self, who.key, depth);
    }
  }

 private:
  // Reads one value; the first two (Key and Id) are kept.
  static bool SkipValue(platform::ByteReader& r, const scene::TQZProp& p, size_t index,
                        Identity& who) {
    switch (p.Kind()) {
      case PropKind::Ordinal: {
        int32_t v;
        if (!r.ReadI32LE(v)) return false;
        if (index == 0) who.key = v;
        return true;
      }
      case PropKind::Float:
        return r.Skip(8);
      case PropKind::String: {
        uint32_t len;
        if (!r.ReadU32LE(len)) return false;
        if (index == 1) return r.ReadBytes(len, who.id);
        return r.Skip(len);
      }
    }
    return false;
  }

  void Child(std::span<const uint8_t> entry, const TQZClass& parent, const std::string& parentPath,
             int32_t parentKey, int depth) {
    const std::string parentLabel = Label(parentPath, parent.ClassName, parentKey);
    // The player takes the class name's length from the entry's first byte.
    if (entry.size() < 4 || entry.size() < 4 + static_cast<size_t>(entry[0])) {
      out_.push_back(parentLabel + ": a child entry of " + std::to_string(entry.size()) +
                     " bytes is too short for a record and is skipped");
      return;
    }
    const std::string className(reinterpret_cast<const char*>(entry.data() + 4), entry[0]);
    if (depth >= kMaxRecordDepth) {
      out_.push_back(parentLabel + ": child records nested deeper than " +
                     std::to_string(kMaxRecordDepth) + " are skipped");
      return;
    }
    const TQZClass* cls = scene::ClassRegistry::Instance().Find(className);
    if (!cls) {
      out_.push_back(parentLabel + ": a child record of unknown class " + Quoted(className, cp_) +
                     " is skipped");
      return;
    }
    if (!Allowed(*cls, parent.ClassName)) {
      const Identity who = PeekIdentity(entry);
      out_.push_back(Label(parentPath + "." + PathSegment(who.id, who.key, cp_), cls->ClassName,
                           who.key) +
                     ": a " + cls->ClassName + " may not be a child of a " + parent.ClassName +
                     "; it is skipped with its children");
      return;
    }
    Record(entry, *cls, parentPath, depth + 1);
  }

  const platform::CodePage& cp_;
  Findings& out_;
};

}  // namespace

StructureVerdict CheckRecordStructure(std::span<const uint8_t> data, const platform::CodePage& cp,
                                      Findings& out, std::string& why) {
  scene::RegisterAllClasses();
  platform::ByteReader r(data);
  uint32_t nameLen = 0;
  std::string className;
  if (!r.ReadU32LE(nameLen) || nameLen > r.Remaining() || !r.ReadBytes(nameLen, className)) {
    why = "it does not start with a game record";
    return StructureVerdict::NotGame;
  }
  if (className != "TQZDB") {
    why = "its first record is not of class TQZDB";
    return StructureVerdict::NotGame;
  }
  Walker(cp, out).Record(data, scene::RegisteredClass("TQZDB"), std::string(), 1);
  return StructureVerdict::Game;
}

std::string RootStringValue(std::span<const uint8_t> data, std::string_view propName) {
  scene::RegisterAllClasses();
  const TQZClass& cls = scene::RegisteredClass("TQZDB");
  const scene::TQZProp* wanted = cls.FindProp(propName);
  platform::ByteReader r(data);
  uint32_t nameLen = 0;
  int32_t count = 0;
  if (!wanted || !r.ReadU32LE(nameLen) || !r.Skip(nameLen) || !r.ReadI32LE(count)) return {};
  const size_t n = count <= 0 ? 0 : std::min<size_t>(static_cast<size_t>(count), cls.Props.size());
  for (size_t i = 0; i < n; ++i) {
    const scene::TQZProp& p = cls.Props[i];
    switch (p.Kind()) {
      case PropKind::Ordinal:
        if (!r.Skip(4)) return {};
        break;
      case PropKind::Float:
        if (!r.Skip(8)) return {};
        break;
      case PropKind::String: {
        uint32_t len;
        std::string s;
        if (!r.ReadU32LE(len) || !r.ReadBytes(len, s)) return {};
        if (&p == wanted) return s;
        break;
      }
    }
  }
  return {};
}

}  // namespace tools
