#pragma once
// ScriptHost: what the interpreter needs from the program around it.
//
// The interpreter knows nothing of scene elements. It reaches them through
// unsigned 32-bit handles (0 is none) and asks the host to read and write
// names on them, to translate text keys, and to write diagnostic lines.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "script/value.h"

namespace script {

// A per-call-site cache a host may keep for one name (a property index, a
// child found by name...). Compiled scripts hold one per path segment and
// hand it back on every use; a host must check it before trusting it.
struct NameSlot {
  uint64_t a = 0;
  uint64_t b = 0;
  uint64_t c = 0;
  uint64_t d = 0;
  uint64_t e = 0;
  // Set by the host on each read: the value is a reference to an element
  // that exists (so the caller need not ask IsElement).
  bool liveReference = false;
  // Set by the host on each read: the answer holds as long as PathStamp does.
  bool stable = false;
};

// Log lines quote at most this much of a failing text or a name, then
// "...": one deeply nested expression would otherwise make a line of
// megabytes, and its line breaks would reach the log as they are.
inline constexpr size_t kLogQuoteLimit = 4096;
inline std::string LogQuote(std::string_view text) {
  if (text.size() <= kLogQuoteLimit) return std::string(text);
  std::string out(text.substr(0, kLogQuoteLimit));
  out += "...";
  return out;
}

struct ElementPath;

class ScriptHost {
 public:
  virtual ~ScriptHost() = default;

  // ---- elements --------------------------------------------------------
  // The element whose script runs (the start of relative names), or 0.
  virtual uint32_t CurrentElement() { return 0; }
  // True when the handle names an existing element.
  virtual bool IsElement(uint32_t) { return false; }
  // The parent of an element; 0 for the root or an unknown handle.
  virtual uint32_t ParentOf(uint32_t) { return 0; }
  // The game root, reached by the path segment QZDB; 0 when there is none.
  virtual uint32_t RootElement() { return 0; }
  // Changes whenever an answer a host marked stable (NameSlot) could change;
  // 0: the host marks none, and callers must not keep answers.
  virtual uint64_t PathStamp() { return 0; }
  // By-name read and write on an element; false when the name is unknown there.
  virtual bool GetValue(uint32_t, const std::string&, Value&) { return false; }
  virtual bool SetValue(uint32_t, const std::string&, const Value&) { return false; }
  // The same with the call site's cache (never null here).
  virtual bool GetValue(uint32_t element, const std::string& name, Value& out, NameSlot&) {
    return GetValue(element, name, out);
  }
  virtual bool SetValue(uint32_t element, const std::string& name, const Value& value, NameSlot&) {
    return SetValue(element, name, value);
  }
  // The last name of a path read or written through the path's caches
  // alone: its remembered walk (the current element for a plain path) and
  // its last slot, in one call where the long way takes three. The answer
  // is the one the walk and GetValue / SetValue would give; kUnknown when
  // the caches do not settle it, and the caller takes the long way.
  enum class Cached : uint8_t { kUnknown, kDone, kRefused };
  virtual Cached ReadCached(const ElementPath&, Value&) { return Cached::kUnknown; }
  virtual Cached WriteCached(const ElementPath&, const Value&) { return Cached::kUnknown; }

  // ---- texts -------------------------------------------------------------
  // Language text of a key ("Section.Key" or "Key"); empty when missing.
  virtual std::string LookupText(const std::string&) { return std::string(); }

  // ---- diagnostics log ---------------------------------------------------
  // Whether log lines are written at all (the game asks for them); lines are
  // only built when this answers true.
  virtual bool LogEnabled() { return false; }
  // Appends one line (without its line end). A line that cannot be written is skipped.
  virtual void WriteLogLine(const std::string&) {}
  // Description of the current element ("Id <Class>"), empty when none.
  virtual std::string ElementDescription() { return std::string(); }
  // The label of the event being run ("Init", "ms_Down"...).
  virtual std::string EventLabel() { return std::string(); }

  // ---- script files --------------------------------------------------------
  // Reads a file named by USES or INCLUDE. On success fills content and a key
  // that identifies the file (for stopping include cycles); on failure sets
  // osError to the system's error number. The default resolves the name as a
  // game file (platform::GameFiles: the game's folder, any letter case).
  virtual bool ReadScriptFile(const std::string& name, std::string& content, std::string& key,
                              int& osError);
};

}  // namespace script
