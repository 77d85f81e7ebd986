// qazmir-tool effect: an effect description in JSON (the field names of the
// 136-byte parameter block) written as an effect file; with --dump, an effect
// file printed as that JSON.
//
// Integer fields take JSON integers; the colour fields also take hexadecimal
// text ("0xAARRGGBB", "$AARRGGBB" or "#AARRGGBB"); the two flag bytes take
// true/false or 0..255; real fields take numbers, or "nan", "inf" and "-inf"
// (which JSON cannot hold as numbers). Field names match in any letter case;
// fields left out are 0; an unknown field is an error.

#include <charconv>
#include <cmath>
#include <fstream>
#include <iostream>
#include <limits>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "platform/file_io.h"
#include "platform/numeric.h"
#include "scene/effect_params.h"
#include "tools/commands.h"

namespace tools {

namespace {

using nlohmann::json;
using scene::EffectField;
using scene::EffectFieldKind;

[[noreturn]] void Fail(const std::string& field, const std::string& why) {
  throw std::runtime_error("field " + field + ": " + why);
}

int64_t IntegerOf(const json& v, const EffectField& f, int64_t lo, int64_t hi) {
  int64_t n = 0;
  if (v.is_boolean() && f.kind == EffectFieldKind::Byte) {
    n = v.get<bool>() ? 1 : 0;
  } else if (v.is_number_integer()) {
    n = v.is_number_unsigned() && v.get<uint64_t>() > static_cast<uint64_t>(INT64_MAX)
            ? INT64_MAX
            : v.get<int64_t>();
  } else if (v.is_string() && f.kind == EffectFieldKind::UInt32) {
    std::string s = v.get<std::string>();
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s = "$" + s.substr(2);
    if (!s.empty() && s[0] == '#') s[0] = '$';
    auto parsed = platform::ParseIntegerText(s);
    if (!parsed) Fail(f.name, "\"" + v.get<std::string>() + "\" is not a colour");
    n = *parsed;
  } else {
    Fail(f.name, "expected an integer");
  }
  if (n < lo || n > hi) Fail(f.name, std::to_string(n) + " is out of range");
  return n;
}

float RealOf(const json& v, const EffectField& f) {
  if (v.is_number()) {
    const double d = v.get<double>();
    if (std::fabs(d) > std::numeric_limits<float>::max()) Fail(f.name, "out of the single range");
    return static_cast<float>(d);
  }
  if (v.is_string()) {
    const std::string s = platform::AsciiUpper(v.get<std::string>());
    if (s == "NAN") return std::numeric_limits<float>::quiet_NaN();
    if (s == "INF" || s == "+INF") return std::numeric_limits<float>::infinity();
    if (s == "-INF") return -std::numeric_limits<float>::infinity();
  }
  Fail(f.name, "expected a number");
}

scene::TEffectParams FromJson(const json& doc) {
  if (!doc.is_object()) throw std::runtime_error("the effect must be a JSON object");
  scene::TEffectParams p;
  for (const auto& [name, value] : doc.items()) {
    const EffectField* f = scene::FindEffectField(name);
    if (!f) throw std::runtime_error("unknown field " + name);
    switch (f->kind) {
      case EffectFieldKind::Int32:
        scene::SetEffectInt(p, *f, IntegerOf(value, *f, INT32_MIN, INT32_MAX));
        break;
      case EffectFieldKind::UInt32:
        scene::SetEffectInt(p, *f, IntegerOf(value, *f, 0, UINT32_MAX));
        break;
      case EffectFieldKind::Byte:
        scene::SetEffectInt(p, *f, IntegerOf(value, *f, 0, 255));
        break;
      case EffectFieldKind::Float32:
        scene::SetEffectFloat(p, *f, RealOf(value, *f));
        break;
    }
  }
  return p;
}

// The shortest decimal text that reads back as the same single-precision
// value, as a JSON number (0.1f prints as 0.1, not 0.100000001490116).
json FloatJson(float v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  double d = v;
  std::from_chars(buf, r.ptr, d);
  return d;
}

json ToJson(const scene::TEffectParams& p) {
  json doc = json::object();
  for (const EffectField& f : scene::EffectFields()) {
    if (f.kind == EffectFieldKind::Float32)
      doc[f.name] = FloatJson(scene::GetEffectFloat(p, f));
    else
      doc[f.name] = scene::GetEffectInt(p, f);
  }
  return doc;
}

int Dump(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::cerr << "qazmir-tool effect: cannot read " << file << "\n";
    return 1;
  }
  uint8_t block[scene::kEffectBlockSize];
  in.read(reinterpret_cast<char*>(block), sizeof block);
  const auto got = static_cast<size_t>(in.gcount());
  // Keys in block order (nlohmann's default object sorts them by name).
  nlohmann::ordered_json out = nlohmann::ordered_json::object();
  json fields = ToJson(scene::DecodeEffectParams({block, got}));
  for (const EffectField& f : scene::EffectFields()) out[f.name] = fields[f.name];
  std::cout << out.dump(2) << "\n";
  return 0;
}

}  // namespace

int RunEffect(const CommonOptions&, const EffectOptions& options) {
  if (options.dump) return Dump(options.input);
  if (options.out.empty()) {
    std::cerr << "qazmir-tool effect: -o FILE is required\n";
    return 2;
  }
  auto text = platform::ReadWholeFile(options.input, UINT64_C(1) << 24);
  if (!text) {
    std::cerr << "qazmir-tool effect: cannot read " << options.input << "\n";
    return 1;
  }
  scene::TEffectParams params;
  try {
    params = FromJson(json::parse(*text));
  } catch (const std::exception& e) {
    std::cerr << "qazmir-tool effect: " << options.input << ": " << e.what() << "\n";
    return 1;
  }
  const auto block = scene::EncodeEffectParams(params);
  if (!platform::WriteFileAtomically(options.out, {reinterpret_cast<const char*>(block.data()), block.size()})) {
    std::cerr << "qazmir-tool effect: cannot write " << options.out << "\n";
    return 1;
  }
  return 0;
}

}  // namespace tools
