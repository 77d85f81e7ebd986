#pragma once
// ElementScriptHost: the interpreter's view of the element tree.
//
// Handles are element handles (TQZElement::Handle); names are read and written
// through the elements' GetValue and SetValue. Error and diagnostic lines go
// to the log "qazmir.err" in the current directory (the game's folder), each
// ended by CR LF, appended, and only while the root's SaveErr is true.

#include <cstdint>
#include <filesystem>
#include <string>

#include "script/host.h"

namespace scene {

class TQZElement;
class TQZDB;
class ScriptRunner;

class ElementScriptHost : public script::ScriptHost {
 public:
  explicit ElementScriptHost(ScriptRunner& runner) : runner_(runner) {}

  uint32_t CurrentElement() override;
  bool IsElement(uint32_t handle) override;
  uint32_t ParentOf(uint32_t handle) override;
  uint32_t RootElement() override;
  uint64_t PathStamp() override;
  bool GetValue(uint32_t element, const std::string& name, script::Value& out) override;
  bool SetValue(uint32_t element, const std::string& name, const script::Value& value) override;
  // With a call site's cache: a published property (by class) or a child
  // found by name (by parent) is remembered and checked again on every use
  // against the rules that come before it in GetValue (variables, properties,
  // earlier children), so the answer is always the one GetValue would give.
  bool GetValue(uint32_t element, const std::string& name, script::Value& out,
                script::NameSlot& slot) override;
  bool SetValue(uint32_t element, const std::string& name, const script::Value& value,
                script::NameSlot& slot) override;
  Cached ReadCached(const script::ElementPath& path, script::Value& out) override;
  Cached WriteCached(const script::ElementPath& path, const script::Value& value) override;
  std::string LookupText(const std::string& key) override;
  bool LogEnabled() override;
  void WriteLogLine(const std::string& line) override;
  std::string ElementDescription() override;
  std::string EventLabel() override;

  // The log file; a line that cannot be written there goes to the fallback
  // folder when one is set (the per-user folder), else it is skipped.
  void SetLogPath(std::filesystem::path path) { logPath_ = std::move(path); }
  void SetLogFallbackDir(std::filesystem::path dir) { fallbackDir_ = std::move(dir); }
  // What one session may append to the log: a script failing every step
  // must not fill the disk. The line that would pass the limit is replaced
  // by one saying the log stopped, and nothing more is written.
  static constexpr uint64_t kDefaultLogLimit = uint64_t{10} << 20;
  void SetLogLimit(uint64_t bytes) {
    logLimit_ = bytes;
    logWritten_ = 0;
    logStopped_ = false;
  }

 private:
  TQZDB* Root();
  static uint64_t CurrentPathStamp();
  TQZElement* CachedPathEnd(const script::ElementPath& path);

  ScriptRunner& runner_;
  std::filesystem::path logPath_ = "qazmir.err";
  uint64_t logLimit_ = kDefaultLogLimit;
  uint64_t logWritten_ = 0;
  bool logStopped_ = false;
  std::filesystem::path fallbackDir_;
};

}  // namespace scene
