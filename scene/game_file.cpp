// Reading game file records into elements.
//
// A record: 4-byte class-name length N, the name, 4-byte signed value count P,
// the first min(P, T) property values in published order, then child entries
// (4-byte length B and B bytes holding a complete record) up to the record's end.

#include <algorithm>
#include <exception>

#include "platform/byte_reader.h"
#include "scene/element.h"

namespace scene {

namespace {

// Nesting deeper than this is refused: every tree walk of the player recurses,
// and no authored game comes near it.
constexpr int kMaxRecordDepth = 256;
thread_local int g_recordDepth = 0;

struct DepthGuard {
  DepthGuard() { ++g_recordDepth; }
  ~DepthGuard() { --g_recordDepth; }
};

// Reads one stored value and assigns it through the property's writer.
// False when the value's bytes run past the end of the record.
bool ReadAndAssign(platform::ByteReader& r, TQZElement& e, const TQZProp& prop) {
  switch (prop.Kind()) {
    case PropKind::Ordinal: {
      int32_t v;
      if (!r.ReadI32LE(v)) return false;
      prop.SetOrd(e, TruncateToWidth(prop.Type, v));
      return true;
    }
    case PropKind::Float: {
      double d;
      if (!r.ReadF64LE(d)) return false;
      prop.SetFloat(e, d);
      return true;
    }
    case PropKind::String: {
      uint32_t len;
      std::string s;
      if (!r.ReadU32LE(len) || !r.ReadBytes(len, s)) return false;
      prop.SetStr(e, s);
      return true;
    }
  }
  return false;
}

}  // namespace

bool TQZElement::LoadFromData(std::span<const uint8_t> data) {
  DepthGuard depth;
  platform::ByteReader r(data);
  try {
    uint32_t nameLen;
    int32_t count;
    if (!r.ReadU32LE(nameLen) || !r.Skip(nameLen) || !r.ReadI32LE(count)) return false;
    const auto& props = class_->Props;
    const size_t n = count <= 0 ? 0 : std::min<size_t>(static_cast<size_t>(count), props.size());
    for (size_t i = 0; i < n; ++i)
      if (!ReadAndAssign(r, *this, props[i])) return false;
    while (!r.AtEnd()) {
      uint32_t entryLen;
      std::span<const uint8_t> entry;
      // An entry longer than what remains ends this record at its end.
      if (!r.ReadU32LE(entryLen) || !r.ReadSpan(entryLen, entry)) return false;
      // The class name's length is taken from the entry's first byte.
      if (entry.size() < 4) continue;
      const size_t classLen = entry[0];
      if (entry.size() < 4 + classLen) continue;
      std::string_view className(reinterpret_cast<const char*>(entry.data() + 4), classLen);
      if (g_recordDepth >= kMaxRecordDepth) continue;
      if (TQZElement* child = CreateChild(className)) child->LoadFromData(entry);
    }
  } catch (const std::exception&) {
    // A failing writer ends this record; the parent goes on with its next entry.
    return false;
  }
  return true;
}

}  // namespace scene
