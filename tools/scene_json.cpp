#include "tools/scene_json.h"

#include <map>
#include <memory>

#include "platform/byte_reader.h"
#include "platform/file_io.h"
#include "platform/numeric.h"
#include "scene/class_registry.h"
#include "scene/db.h"

namespace tools {

using scene::PropKind;
using scene::PropType;
using scene::TQZClass;
using scene::TQZProp;

// ---- game file -> JSON ----------------------------------------------------------

namespace {

constexpr int kMaxDepth = 256;

Json ReadRecord(std::span<const uint8_t> data, const platform::CodePage& cp,
                std::vector<std::string>& warnings, int depth) {
  platform::ByteReader r(data);
  uint32_t nameLen = 0;
  std::string className;
  int32_t count = 0;
  Json node;
  if (!r.ReadU32LE(nameLen) || !r.ReadBytes(nameLen, className)) {
    warnings.push_back("record too short for its class name");
    return node;
  }
  node["class"] = cp.ToUtf8(className);
  const TQZClass* cls = scene::ClassRegistry::Instance().Find(className);
  if (!cls) {
    warnings.push_back("unknown class " + cp.ToUtf8(className));
    return node;
  }
  if (!r.ReadI32LE(count)) {
    warnings.push_back(className + ": record ends before its value count");
    return node;
  }
  const size_t total = cls->Props.size();
  if (count != static_cast<int32_t>(total)) node["count"] = count;
  const size_t n = count <= 0 ? 0 : std::min<size_t>(static_cast<size_t>(count), total);
  Json props = Json::object();
  for (size_t i = 0; i < n; ++i) {
    const TQZProp& p = cls->Props[i];
    bool ok = true;
    switch (p.Kind()) {
      case PropKind::Ordinal: {
        uint32_t v;
        ok = r.ReadU32LE(v);
        if (ok) {
          if (p.Type == PropType::UInt32)
            props[p.Name] = v;
          else
            props[p.Name] = static_cast<int32_t>(v);
        }
        break;
      }
      case PropKind::Float: {
        double d;
        ok = r.ReadF64LE(d);
        if (ok) props[p.Name] = d;
        break;
      }
      case PropKind::String: {
        uint32_t len;
        std::string s;
        ok = r.ReadU32LE(len) && r.ReadBytes(len, s);
        if (ok) props[p.Name] = cp.ToUtf8(s);
        break;
      }
    }
    if (!ok) {
      warnings.push_back(className + ": record ends inside the value of " + p.Name);
      node["props"] = props;
      return node;
    }
  }
  node["props"] = props;
  Json children = Json::array();
  while (!r.AtEnd()) {
    uint32_t len;
    std::span<const uint8_t> entry;
    if (!r.ReadU32LE(len) || !r.ReadSpan(len, entry)) {
      warnings.push_back(className + ": child entry runs past the end of its record");
      break;
    }
    if (depth >= kMaxDepth) {
      warnings.push_back("records nested too deeply");
      break;
    }
    Json child = ReadRecord(entry, cp, warnings, depth + 1);
    if (child.contains("props")) children.push_back(std::move(child));
  }
  if (!children.empty()) node["children"] = std::move(children);
  return node;
}

}  // namespace

Json GameFileToJson(const std::string& bytes, const platform::CodePage& cp,
                    std::vector<std::string>& warnings) {
  scene::RegisterAllClasses();
  std::span<const uint8_t> data(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return ReadRecord(data, cp, warnings, 0);
}

// ---- JSON -> game file ----------------------------------------------------------

namespace {

// Constructor defaults of each class, read from a fresh instance.
class Defaults {
 public:
  const std::vector<Json>& Of(const TQZClass& cls) {
    auto it = cache_.find(cls.ClassName);
    if (it != cache_.end()) return it->second;
    std::unique_ptr<scene::TQZElement> owned;
    scene::TQZElement* e;
    if (cls.ClassName == "TQZDB") {
      e = &root_;
    } else {
      owned = cls.Create(&root_);
      e = owned.get();
    }
    std::vector<Json> values;
    for (const TQZProp& p : cls.Props) {
      switch (p.Kind()) {
        case PropKind::Ordinal: values.emplace_back(p.GetOrd(*e)); break;
        case PropKind::Float: values.emplace_back(p.GetFloat(*e)); break;
        case PropKind::String: values.emplace_back(p.GetStr(*e)); break;
      }
    }
    owned.reset();
    return cache_.emplace(cls.ClassName, std::move(values)).first->second;
  }

 private:
  scene::TQZDB root_;
  std::map<std::string, std::vector<Json>> cache_;
};

std::string Where(const Json& node) {
  std::string cls = node.contains("class") && node["class"].is_string()
                        ? node["class"].get<std::string>()
                        : std::string("?");
  if (node.contains("props") && node["props"].is_object()) {
    for (auto it = node["props"].begin(); it != node["props"].end(); ++it)
      if (platform::AsciiIEquals(it.key(), "Id") && it.value().is_string())
        return cls + " \"" + it.value().get<std::string>() + "\"";
  }
  return cls;
}

class Builder {
 public:
  Builder(const std::filesystem::path& baseDir, const platform::CodePage& cp)
      : baseDir_(baseDir), cp_(cp) {}

  std::string Build(const Json& scene) {
    if (!scene.is_object()) throw ToolError("the scene must be a JSON object");
    const std::string rootClass = scene.value("class", std::string());
    if (rootClass != "TQZDB") throw ToolError("the root element must be of class TQZDB");
    CollectKeys(scene);
    nextKey_ = maxKey_;
    return Record(scene, true);
  }

 private:
  // Finds the largest Key given anywhere, validating classes on the way.
  void CollectKeys(const Json& node) {
    if (!node.is_object() || !node.contains("class") || !node["class"].is_string())
      throw ToolError("every element needs a \"class\" string");
    if (node.contains("props")) {
      const Json& props = node["props"];
      if (!props.is_object()) throw ToolError(Where(node) + ": \"props\" must be an object");
      for (auto it = props.begin(); it != props.end(); ++it) {
        if (platform::AsciiIEquals(it.key(), "Key")) {
          if (!it.value().is_number_integer())
            throw ToolError(Where(node) + ": Key must be an integer");
          int64_t k = it.value().get<int64_t>();
          if (k < INT32_MIN || k > INT32_MAX) throw ToolError(Where(node) + ": Key out of range");
          maxKey_ = std::max<int64_t>(maxKey_, k);
        }
      }
    }
    if (node.contains("children")) {
      if (!node["children"].is_array())
        throw ToolError(Where(node) + ": \"children\" must be an array");
      for (const Json& c : node["children"]) CollectKeys(c);
    }
  }

  const TQZClass& ClassOf(const Json& node) {
    const std::string name = cp_.FromUtf8(node["class"].get<std::string>());
    const TQZClass* cls = scene::ClassRegistry::Instance().Find(name);
    if (!cls) throw ToolError("unknown class \"" + node["class"].get<std::string>() + "\"");
    return *cls;
  }

  std::string ReadText(const Json& v, const TQZProp& p, const Json& node) {
    if (v.is_string()) return ToCodePage(v.get<std::string>(), p, node);
    if (v.is_object() && v.contains("file") && v["file"].is_string()) {
      std::filesystem::path file = baseDir_ / v["file"].get<std::string>();
      auto bytes = platform::ReadWholeFile(file);
      if (!bytes) throw ToolError(Where(node) + ": cannot read " + file.string() + " for " + p.Name);
      return ToCodePage(*bytes, p, node);
    }
    throw ToolError(Where(node) + ": " + p.Name + " must be a string");
  }

  std::string ToCodePage(const std::string& utf8, const TQZProp& p, const Json& node) {
    bool lossless = true;
    std::string s = cp_.FromUtf8(utf8, &lossless);
    if (!lossless)
      throw ToolError(Where(node) + ": " + p.Name + " has characters that code page " +
                      cp_.Name() + " cannot hold");
    return s;
  }

  int64_t ReadOrdinal(const Json& v, const TQZProp& p, const Json& node) {
    if (v.is_boolean()) {
      if (p.Type != PropType::Bool) throw ToolError(Where(node) + ": " + p.Name + " is not Boolean");
      return v.get<bool>() ? 1 : 0;
    }
    if (v.is_string() && !p.EnumNames.empty()) {
      const std::string name = v.get<std::string>();
      for (size_t i = 0; i < p.EnumNames.size(); ++i)
        if (platform::AsciiIEquals(p.EnumNames[i], name)) return static_cast<int64_t>(i);
      throw ToolError(Where(node) + ": " + p.Name + " has no value named \"" + name + "\"");
    }
    if (!v.is_number_integer()) throw ToolError(Where(node) + ": " + p.Name + " must be an integer");
    int64_t n = v.is_number_unsigned() ? static_cast<int64_t>(v.get<uint64_t>()) : v.get<int64_t>();
    if (n < INT32_MIN || n > static_cast<int64_t>(UINT32_MAX))
      throw ToolError(Where(node) + ": " + p.Name + " does not fit 32 bits");
    return n;
  }

  std::string Record(const Json& node, bool isRoot) {
    const TQZClass& cls = ClassOf(node);
    const auto& defaults = defaults_.Of(cls);
    std::vector<Json> values = defaults;
    std::vector<bool> given(cls.Props.size(), false);
    if (node.contains("props")) {
      const Json& props = node["props"];
      for (auto it = props.begin(); it != props.end(); ++it) {
        const TQZProp* p = cls.FindProp(it.key());
        if (!p)
          throw ToolError(Where(node) + ": class " + cls.ClassName + " has no property \"" +
                          it.key() + "\"");
        size_t idx = static_cast<size_t>(p - cls.Props.data());
        given[idx] = true;
        values[idx] = it.value();
      }
    }
    // A position given as X or Y alone places the element: classes that also
    // publish the exact rX/rY write them after X/Y, and their default 0 would
    // otherwise move the element back to the origin.
    for (const char* axis : {"X", "Y"}) {
      const int plain = cls.IndexOfUpper(axis);
      const int exact = cls.IndexOfUpper(std::string("R") + axis);
      if (plain >= 0 && exact >= 0 && given[static_cast<size_t>(plain)] &&
          !given[static_cast<size_t>(exact)] && values[static_cast<size_t>(plain)].is_number())
        values[static_cast<size_t>(exact)] = values[static_cast<size_t>(plain)].get<double>();
    }
    // Elements without a Key get one after the largest given.
    const size_t keyIdx = static_cast<size_t>(cls.IndexOfUpper("KEY"));
    if (!given[keyIdx] || values[keyIdx] == 0) {
      values[keyIdx] = ++nextKey_;
    }
    int64_t count = static_cast<int64_t>(cls.Props.size());
    if (node.contains("count")) {
      if (!node["count"].is_number_integer())
        throw ToolError(Where(node) + ": \"count\" must be an integer");
      count = node["count"].get<int64_t>();
      if (count < INT32_MIN || count > INT32_MAX)
        throw ToolError(Where(node) + ": \"count\" out of range");
    }
    // Children first, so that the root's CurKey can cover every assigned key.
    std::vector<std::string> childRecords;
    if (node.contains("children"))
      for (const Json& c : node["children"]) childRecords.push_back(Record(c, false));
    if (isRoot) {
      const size_t curKeyIdx = static_cast<size_t>(cls.IndexOfUpper("CURKEY"));
      if (!given[curKeyIdx]) values[curKeyIdx] = nextKey_;
    }

    platform::ByteWriter w;
    const std::string className = cp_.FromUtf8(cls.ClassName);
    w.LString(className);
    w.I32LE(static_cast<int32_t>(count));
    const size_t n = count <= 0 ? 0 : std::min<size_t>(static_cast<size_t>(count), cls.Props.size());
    for (size_t i = 0; i < n; ++i) {
      const TQZProp& p = cls.Props[i];
      const Json& v = values[i];
      switch (p.Kind()) {
        case PropKind::Ordinal:
          w.U32LE(static_cast<uint32_t>(ReadOrdinal(v, p, node)));
          break;
        case PropKind::Float:
          if (!v.is_number()) throw ToolError(Where(node) + ": " + p.Name + " must be a number");
          w.F64LE(v.get<double>());
          break;
        case PropKind::String: w.LString(ReadText(v, p, node)); break;
      }
    }
    for (const std::string& c : childRecords) w.LString(c);
    return w.Take();
  }

  std::filesystem::path baseDir_;
  const platform::CodePage& cp_;
  Defaults defaults_;
  int64_t maxKey_ = 0;
  int64_t nextKey_ = 0;
};

}  // namespace

std::string JsonToGameFile(const Json& scene, const std::filesystem::path& baseDir,
                           const platform::CodePage& cp) {
  scene::RegisterAllClasses();
  Builder b(baseDir, cp);
  return b.Build(scene);
}

}  // namespace tools
