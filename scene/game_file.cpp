// Reading game file records into elements.
//
// A record: 4-byte class-name length N, the name, 4-byte signed value count P,
// the first min(P, T) property values in published order, then child entries
// (4-byte length B and B bytes holding a complete record) up to the record's end.

#include "scene/game_file.h"

#include <algorithm>
#include <exception>
#include <string>
#include <utility>

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

// The account of the image being read by ReadGameFile; none for records read
// on their own.
struct ReadingAccount {
  const uint8_t* base = nullptr;
  GameFileReport report;
};
thread_local ReadingAccount* g_account = nullptr;

void NoteStop(const platform::ByteReader& r) {
  if (!g_account || g_account->report.stoppedAt) return;
  g_account->report.stoppedAt = static_cast<uint64_t>(r.Data().data() - g_account->base) + r.Position();
}

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
    if (!r.ReadU32LE(nameLen) || !r.Skip(nameLen) || !r.ReadI32LE(count)) {
      r.Seek(0);
      NoteStop(r);
      return false;
    }
    if (g_account) ++g_account->report.elements;
    const auto& props = class_->Props;
    const size_t n = count <= 0 ? 0 : std::min<size_t>(static_cast<size_t>(count), props.size());
    for (size_t i = 0; i < n; ++i) {
      const size_t valueStart = r.Position();
      if (!ReadAndAssign(r, *this, props[i])) {
        r.Seek(valueStart);
        NoteStop(r);
        return false;
      }
    }
    while (!r.AtEnd()) {
      uint32_t entryLen;
      std::span<const uint8_t> entry;
      // An entry longer than what remains ends this record at its end.
      const size_t entryStart = r.Position();
      if (!r.ReadU32LE(entryLen) || !r.ReadSpan(entryLen, entry)) {
        r.Seek(entryStart);
        NoteStop(r);
        return false;
      }
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

GameFileReport ReadGameFile(TQZElement& root, std::span<const uint8_t> data) {
  ReadingAccount account{data.data(), {}};
  ReadingAccount* outer = std::exchange(g_account, &account);
  root.LoadFromData(data);
  g_account = outer;
  return account.report;
}

std::optional<std::string> ReadRootId(std::span<const uint8_t> data) {
  platform::ByteReader r(data);
  uint32_t nameLen, idLen;
  int32_t count, key;
  std::string id;
  if (!r.ReadU32LE(nameLen) || !r.Skip(nameLen) || !r.ReadI32LE(count) || count < 2 ||
      !r.ReadI32LE(key) || !r.ReadU32LE(idLen) || !r.ReadBytes(idLen, id))
    return std::nullopt;
  return id;
}

bool IsGameFile(std::span<const uint8_t> data) {
  platform::ByteReader r(data);
  uint32_t nameLen;
  std::string name;
  int32_t count;
  return r.ReadU32LE(nameLen) && nameLen <= 64 && r.ReadBytes(nameLen, name) && name == "TQZDB" &&
         r.ReadI32LE(count);
}

}  // namespace scene
