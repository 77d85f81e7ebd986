#include "scene/state_file.h"

#include <cmath>
#include <cstring>

#include "platform/byte_reader.h"
#include "platform/file_io.h"
#include "scene/db.h"
#include "scene/element.h"

namespace scene {

using script::Value;
using script::VKind;

// ---- 80-bit extended --------------------------------------------------------

void DoubleToExtended(double v, uint8_t out[10]) {
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  const uint16_t sign = static_cast<uint16_t>(bits >> 63);
  const int exp = static_cast<int>((bits >> 52) & 0x7FF);
  uint64_t frac = bits & ((UINT64_C(1) << 52) - 1);
  uint16_t e;
  uint64_t mant;
  if (exp == 0 && frac == 0) {
    e = 0;
    mant = 0;
  } else if (exp == 0x7FF) {
    e = 0x7FFF;
    mant = (UINT64_C(1) << 63) | (frac << 11);
  } else if (exp == 0) {
    // Subnormal double: normalise; extended has the range to hold it.
    int shift = 0;
    while (!(frac & (UINT64_C(1) << 52))) {
      frac <<= 1;
      ++shift;
    }
    e = static_cast<uint16_t>(1 - 1023 + 16383 - shift);
    mant = frac << 11;
  } else {
    e = static_cast<uint16_t>(exp - 1023 + 16383);
    mant = (UINT64_C(1) << 63) | (frac << 11);
  }
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(mant >> (8 * i));
  const uint16_t se = static_cast<uint16_t>((sign << 15) | e);
  out[8] = static_cast<uint8_t>(se & 0xFF);
  out[9] = static_cast<uint8_t>(se >> 8);
}

double ExtendedToDouble(const uint8_t in[10]) {
  uint64_t mant = 0;
  for (int i = 0; i < 8; ++i) mant |= static_cast<uint64_t>(in[i]) << (8 * i);
  const uint16_t se = static_cast<uint16_t>(in[8] | (in[9] << 8));
  const bool negative = se >> 15;
  const int e = se & 0x7FFF;
  double r;
  if (e == 0x7FFF) {
    r = (mant << 1) == 0 ? INFINITY : NAN;
  } else if (mant == 0) {
    r = 0.0;
  } else {
    r = std::ldexp(static_cast<double>(mant), (e == 0 ? 1 : e) - 16383 - 63);
  }
  return negative ? -r : r;
}

// ---- writing ------------------------------------------------------------------

namespace {

bool IsSkippedProperty(const std::string& upper, const std::string& className) {
  static const char* const kSkipped[] = {"NOTSAVE",  "ID",         "CURKEY", "FILERS",
                                         "INTERPOL", "INTERPOLSC", "MSKEEP", "KEY"};
  for (const char* s : kSkipped)
    if (upper == s) return true;
  if (upper.size() >= 2 && upper[0] == 'E' && upper[1] == 'X') return true;
  if ((upper == "X" || upper == "Y") &&
      (className == "TQZImage" || className == "TQZShape" || className == "TQZText"))
    return true;
  return false;
}

void WriteElement(std::string& out, TQZElement& e) {
  if (e.ClassName() == "TQZAnKey") return;
  if (!e.NotSave) {
    for (const TQZProp& p : e.Class().Props) {
      if (IsSkippedProperty(p.UpperName, e.ClassName())) continue;
      AppendStateValue(out, e, p.UpperName);
    }
    if (e.Vars) {
      // Copy the names first: reading a value never changes the list, but the
      // list must not be walked while GetValue could reach into it.
      std::vector<std::string> names;
      names.reserve(e.Vars->Count());
      for (const auto& v : e.Vars->Items()) names.push_back(v.Name);
      for (const auto& n : names) AppendStateValue(out, e, n);
    }
    if (e.ClassName() == "TQZImList") AppendStateValue(out, e, "ELEMENTS");
  }
  for (size_t i = 0; i < e.ChildCount(); ++i) WriteElement(out, *e.Child(i));
}

}  // namespace

void AppendStateRecord(std::string& out, const StateRecord& rec) {
  platform::ByteWriter w;
  w.I32LE(rec.key);
  w.LString(rec.name);
  w.U8(static_cast<uint8_t>(rec.tag));
  switch (rec.tag) {
    case 'I':
    case 'O':
      w.I32LE(static_cast<int32_t>(rec.value.i));
      break;
    case 'E': {
      uint8_t ext[10];
      DoubleToExtended(rec.value.d, ext);
      w.Bytes(std::string_view(reinterpret_cast<const char*>(ext), 10));
      break;
    }
    case 'W':
      w.U16LE(static_cast<uint16_t>(rec.value.i));
      break;
    case 'S':
      w.LString(rec.value.s);
      break;
    default:
      return;
  }
  out += w.Data();
}

void AppendStateValue(std::string& out, TQZElement& element, const std::string& name) {
  Value v;
  if (!element.GetValue(name, v)) return;
  // The tag is decided before anything is written: a kind without an encoding
  // (Empty, Int64, Date) writes no record at all, so the file stays readable.
  StateRecord rec;
  rec.key = element.Key;
  rec.name = name;
  switch (v.kind) {
    case VKind::Byte:
    case VKind::ShortInt:
    case VKind::Integer:
      rec.tag = 'I';
      rec.value = Value::Integer(static_cast<int32_t>(v.i));
      break;
    case VKind::Boolean:
      rec.tag = 'I';
      rec.value = Value::Integer(v.i ? -1 : 0);
      break;
    case VKind::Real:
      rec.tag = 'E';
      rec.value = v;
      break;
    case VKind::Word:
      rec.tag = 'W';
      rec.value = v;
      break;
    case VKind::LongWord: {
      rec.tag = 'O';
      TQZElement* ref = TQZElement::FromHandle(static_cast<uint32_t>(v.i));
      rec.value = Value::Integer(ref ? ref->Key : 0);
      break;
    }
    case VKind::String:
      rec.tag = 'S';
      rec.value = std::move(v);
      break;
    case VKind::Empty:
    case VKind::Int64:
    case VKind::Date: return;
  }
  AppendStateRecord(out, rec);
}

std::string BuildState(TQZDB& root) {
  std::string out;
  WriteElement(out, root);
  return out;
}

bool WriteState(TQZDB& root, const std::filesystem::path& path, const StateHooks& hooks) {
  std::string bytes = BuildState(root);
  bool ok = platform::WriteFileAtomically(path, bytes);
  if (hooks.ResetClock) hooks.ResetClock();
  return ok;
}

// ---- reading ------------------------------------------------------------------

namespace {

// Reads one whole record; false (position unspecified) when it is cut short or
// its tag is unknown.
bool ReadRecord(platform::ByteReader& r, StateRecord& rec) {
  uint32_t nameLen;
  uint8_t tag;
  if (!r.ReadI32LE(rec.key) || !r.ReadU32LE(nameLen) || !r.ReadBytes(nameLen, rec.name) ||
      !r.ReadU8(tag))
    return false;
  rec.tag = static_cast<char>(tag);
  switch (tag) {
    case 'I': {
      int32_t v;
      if (!r.ReadI32LE(v)) return false;
      rec.value = Value::Integer(v);
      return true;
    }
    case 'E': {
      uint8_t ext[10];
      if (!r.ReadRaw(ext, 10)) return false;
      rec.value = Value::Real(ExtendedToDouble(ext));
      return true;
    }
    case 'W': {
      uint16_t v;
      if (!r.ReadU16LE(v)) return false;
      rec.value = Value::Word(v);
      return true;
    }
    case 'O': {
      int32_t v;
      if (!r.ReadI32LE(v)) return false;
      rec.value = Value::Integer(v);
      return true;
    }
    case 'S': {
      uint32_t len;
      std::string s;
      if (!r.ReadU32LE(len) || !r.ReadBytes(len, s)) return false;
      rec.value = Value::String(std::move(s));
      return true;
    }
    default: return false;
  }
}

}  // namespace

std::vector<StateRecord> ParseState(const std::string& bytes, bool* complete) {
  std::vector<StateRecord> out;
  platform::ByteReader r(bytes.data(), bytes.size());
  bool ok = true;
  while (!r.AtEnd()) {
    StateRecord rec;
    if (!ReadRecord(r, rec)) {
      ok = false;
      break;
    }
    out.push_back(std::move(rec));
  }
  if (complete) *complete = ok;
  return out;
}

void ApplyState(TQZDB& root, const std::string& bytes, const StateHooks& hooks) {
  SetLoading(true);
  if (hooks.SetLoadNow) hooks.SetLoadNow(false);
  platform::ByteReader r(bytes.data(), bytes.size());
  bool haveLast = false;
  int32_t lastKey = 0;
  TQZElement* target = nullptr;
  TQZElement* hint = nullptr;
  // Every lookup goes through the key index: a file whose records name keys
  // that no element has must not walk the tree once per record.
  KeyIndex& keys = root.Keys();
  while (!r.AtEnd()) {
    StateRecord rec;
    if (!ReadRecord(r, rec)) break;
    Value value = std::move(rec.value);
    if (rec.tag == 'O') {
      int32_t key = static_cast<int32_t>(value.i);
      TQZElement* ref = key == 0 ? nullptr : keys.Find(key);
      value = Value::Ref(ref ? ref->Handle() : 0);
    }
    if (!haveLast || rec.key != lastKey) {
      TQZElement* next = nullptr;
      target = hint ? keys.Find(rec.key, *hint, &next) : nullptr;
      if (!target) {
        next = nullptr;
        target = keys.Find(rec.key, root, &next);
      }
      hint = next;
      lastKey = rec.key;
      haveLast = true;
    }
    if (target && !target->NotSave) target->SetValue(rec.name, value);
  }
  if (hooks.SetLoadNow) hooks.SetLoadNow(true);
  root.DoAfterLoad();
  if (hooks.ResetClock) hooks.ResetClock();
  SetLoading(false);
}

bool ReadState(TQZDB& root, const std::filesystem::path& path, const StateHooks& hooks) {
  auto bytes = platform::ReadWholeFile(path);
  if (!bytes) return false;
  ApplyState(root, *bytes, hooks);
  return true;
}

}  // namespace scene
