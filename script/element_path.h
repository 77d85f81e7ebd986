#pragma once
// Element paths: how a name that is not a script variable reaches the scene.
//
//   .X            X of the parent of the current element (each dot climbs one level)
//   @123.X        X of the element whose handle is 123; "@123." alone is the handle
//   A.B.X         X of B, a child (or element-valued name) of A, from the current element
//   QZDB.A.X      QZDB names the game root when the current element does not answer it
//
// A read that ends at a name no element knows gives the Byte 0 and a "Not var"
// diagnostic line, unless the quiet lookup flag is set; then it fails.

#include <cstdint>
#include <string>
#include <vector>

#include "script/host.h"
#include "script/process_state.h"
#include "script/value.h"

namespace script {

class TVarList;

// The quiet lookup flag: one program-wide switch, changed only by the natives
// that read names given as text.
bool QuietLookup();
void SetQuietLookup(bool quiet);

// A name taken apart once, so that compiled code can walk it repeatedly.
struct ElementPath {
  std::string full;
  int ups = 0;               // leading dots
  bool empty = false;        // nothing left after the dots: always fails
  bool hasHandle = false;    // "@<n>." follows the dots
  bool handleValid = false;  // <n> is a decimal number that fits 32 bits
  uint32_t handle = 0;
  bool handleOnly = false;            // nothing after "@<n>."
  bool badSegment = false;            // an empty intermediate segment: always fails
  std::vector<std::string> segments;  // intermediate segments, in order
  std::string last;
  // No dots, handle or segments: the name is read on the current element.
  bool plain = false;
  // The host's cache of each segment and of the last one (see NameSlot).
  mutable std::vector<NameSlot> slots;
  // The last walk over the segments, when every one of them was answered
  // stably by the host: from start to end, while the host's stamp holds.
  mutable uint64_t walkStamp = 0;  // 0: none
  mutable uint32_t walkStart = 0;
  mutable uint32_t walkEnd = 0;

  // A walk from start is remembered; it still holds while the host's
  // PathStamp equals walkStamp.
  bool WalkRemembered(uint32_t start) const { return walkStamp != 0 && walkStart == start; }
};

ElementPath ParseElementPath(const std::string& name);

// The long way of ReadPath and WritePath: the walk, then the host's
// GetValue or SetValue.
bool ReadPathWalking(ScriptHost* host, const TVarList* vars, const ElementPath& path, Value& out);
bool WritePathWalking(ScriptHost* host, const TVarList* vars, const ElementPath& path,
                      const Value& value);

// What the element held before a write is not known here: the whole text counts.
inline void CountWrittenText(const Value& value) {
  if (value.kind == VKind::String) g_process.textGrowth += value.s.size();
}

// Element-path read and write starting at the host's current element; vars is
// the list consulted for intermediate segments that no element answers.
// Inline up to the host's caches, which answer a path used over and over.
inline bool ReadPath(ScriptHost* host, const TVarList* vars, const ElementPath& path, Value& out) {
  if (host && host->ReadCached(path, out) == ScriptHost::Cached::kDone) return true;
  return ReadPathWalking(host, vars, path, out);
}
inline bool WritePath(ScriptHost* host, const TVarList* vars, const ElementPath& path,
                      const Value& value) {
  if (host) {
    const ScriptHost::Cached cached = host->WriteCached(path, value);
    if (cached == ScriptHost::Cached::kRefused) return false;
    if (cached == ScriptHost::Cached::kDone) {
      CountWrittenText(value);
      return true;
    }
  }
  return WritePathWalking(host, vars, path, value);
}

bool ReadElementPath(ScriptHost* host, const TVarList* vars, const std::string& name, Value& out);
bool WriteElementPath(ScriptHost* host, const TVarList* vars, const std::string& name,
                      const Value& value);

}  // namespace script
