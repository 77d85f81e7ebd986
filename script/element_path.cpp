#include "script/element_path.h"

#include "script/host.h"
#include "script/var_list.h"

namespace script {

namespace {

// Decimal handle text; false when it is not a number or does not fit 32 bits.
bool ParseHandle(std::string_view text, uint32_t& out) {
  if (text.empty() || text.size() > 10) return false;
  uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  if (v > UINT32_MAX) return false;
  out = static_cast<uint32_t>(v);
  return true;
}

// The element a LongWord refers to, or 0 when it refers to none.
uint32_t Referenced(ScriptHost* host, const Value& v) {
  uint32_t h = static_cast<uint32_t>(v.i);
  return (h != 0 && host->IsElement(h)) ? h : 0;
}

// The walk itself, from the current element E; see Walk.
[[gnu::noinline]] bool WalkSegments(ScriptHost* host, const TVarList* vars, const ElementPath& p,
                                    uint32_t& e) {
  const uint32_t start = e;
  bool stable = !p.segments.empty();
  for (int i = 0; i < p.ups; ++i) {
    if (e == 0) return false;
    e = host->ParentOf(e);
  }
  if (p.empty) return false;
  if (p.hasHandle) {
    if (!p.handleValid || p.handle == 0 || !host->IsElement(p.handle)) return false;
    e = p.handle;
  }
  if (p.badSegment && !p.segments.empty()) {
    // An empty segment fails when it is reached; the reads before it change nothing.
    return false;
  }
  for (size_t i = 0; i < p.segments.size(); ++i) {
    const std::string& s = p.segments[i];
    if (e == 0) return false;
    Value v;
    NameSlot& slot = p.slots[i];
    slot.liveReference = false;
    slot.stable = false;
    if (host->GetValue(e, s, v, slot)) {
      if (v.kind != VKind::LongWord) return false;
      e = slot.liveReference ? static_cast<uint32_t>(v.i) : Referenced(host, v);
      stable = stable && slot.stable;
    } else if (const TVar* var = vars ? vars->Find(s) : nullptr) {
      if (var->value.kind != VKind::LongWord) return false;
      e = Referenced(host, var->value);
      stable = false;
    } else if (s == "QZDB") {
      e = host->RootElement();
      stable = false;
    } else {
      return false;
    }
  }
  // Parents, handles and elements that answer stably do not change while the
  // stamp holds, so neither does the walk.
  p.walkStamp = stable ? host->PathStamp() : 0;
  p.walkStart = start;
  p.walkEnd = e;
  return true;
}

// Steps shared by read and write: the dots, the handle and the intermediate
// segments. Leaves E at the element that owns the last segment (possibly 0).
// False when the walk fails. Inline up to the remembered walk, which is what
// a loop over the same path meets every time after the first.
[[gnu::always_inline]] inline bool Walk(ScriptHost* host, const TVarList* vars,
                                        const ElementPath& p, uint32_t& e) {
  e = host->CurrentElement();
  // Nothing to walk (and never a walk to remember: it has no segments).
  if (p.plain) return true;
  if (p.WalkRemembered(e) && p.walkStamp == host->PathStamp()) {
    e = p.walkEnd;
    return true;
  }
  return WalkSegments(host, vars, p, e);
}

ScriptHost& NullHost() {
  static ScriptHost host;
  return host;
}

}  // namespace

bool QuietLookup() {
  return g_process.quietLookup;
}
void SetQuietLookup(bool quiet) {
  g_process.quietLookup = quiet;
}

ElementPath ParseElementPath(const std::string& name) {
  ElementPath p;
  p.full = name;
  size_t pos = 0;
  while (pos < name.size() && name[pos] == '.') ++pos;
  p.ups = static_cast<int>(pos);
  if (pos == name.size()) {
    p.empty = true;
    return p;
  }
  if (name[pos] == '@') {
    size_t dot = name.find('.', pos);
    if (dot != std::string::npos) {
      p.hasHandle = true;
      p.handleValid = ParseHandle(std::string_view(name).substr(pos + 1, dot - pos - 1), p.handle);
      pos = dot + 1;
      if (pos == name.size()) {
        p.handleOnly = true;
        return p;
      }
    }
  }
  while (true) {
    size_t dot = name.find('.', pos);
    if (dot == std::string::npos) break;
    std::string seg = name.substr(pos, dot - pos);
    if (seg.empty()) p.badSegment = true;
    p.segments.push_back(std::move(seg));
    pos = dot + 1;
  }
  p.last = name.substr(pos);
  p.slots.resize(p.segments.size() + 1);
  p.plain = p.ups == 0 && !p.hasHandle && p.segments.empty();
  return p;
}

bool ReadPathWalking(ScriptHost* host, const TVarList* vars, const ElementPath& p, Value& out) {
  if (!host) host = &NullHost();
  uint32_t e;
  if (!Walk(host, vars, p, e)) return false;
  if (p.handleOnly) {
    out = Value::LongWord(e);
    return true;
  }
  if (e != 0 && host->GetValue(e, p.last, out, p.slots.back())) return true;
  if (g_process.quietLookup) return false;
  out = Value::Byte(0);
  if (host->LogEnabled())
    host->WriteLogLine((e == 0 ? "Not var NIL " : "Not var ") + LogQuote(p.full) + " (in " +
                       host->ElementDescription() + " " + host->EventLabel());
  return true;
}

bool WritePathWalking(ScriptHost* host, const TVarList* vars, const ElementPath& p,
                      const Value& value) {
  if (!host) host = &NullHost();
  uint32_t e;
  if (!Walk(host, vars, p, e)) return false;
  if (p.handleOnly) return false;
  if (e == 0 || !host->SetValue(e, p.last, value, p.slots.back())) return false;
  CountWrittenText(value);
  return true;
}

bool ReadElementPath(ScriptHost* host, const TVarList* vars, const std::string& name, Value& out) {
  return ReadPath(host, vars, ParseElementPath(name), out);
}

bool WriteElementPath(ScriptHost* host, const TVarList* vars, const std::string& name,
                      const Value& value) {
  return WritePath(host, vars, ParseElementPath(name), value);
}

}  // namespace script
