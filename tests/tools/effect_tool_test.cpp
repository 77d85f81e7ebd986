// qazmir-tool effect: JSON with the block's field names to a 136-byte effect
// file, and --dump back to JSON.

#include <gtest/gtest.h>

#include <cstring>

#include <nlohmann/json.hpp>

#include "scene/effect_params.h"
#include "support/test_support.h"

namespace {

using testing_support::BinDir;
using testing_support::ReadFile;
using testing_support::RunCommand;
using testing_support::TempDir;
using testing_support::WriteFile;

std::string Tool() { return (BinDir() / "qazmir-tool").string(); }

uint32_t U32At(const std::string& b, size_t off) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(b[off + i])) << (8 * i);
  return v;
}
float F32At(const std::string& b, size_t off) {
  uint32_t u = U32At(b, off);
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}

// Every field lands at its offset; names match in any case; colours take
// hexadecimal text; flags take true/false; unnamed fields are zero.
TEST(EffectTool, WritesTheBlock) {
  TempDir tmp;
  WriteFile(tmp / "fire.json", R"({
    "StartFrame": 3, "endframe": -1, "DrawEffect": 260, "RATE": 40, "Duration": 2.5,
    "LifeA": 0.5, "LifeB": 1.5, "Direction": 3.14159, "Spread": 0.5, "AlignToMotion": true,
    "SpeedA": 20, "SpeedB": 40, "GravityA": -1, "GravityB": 1, "RadialA": 2, "TangentialB": -3,
    "SizeStart": 0.25, "SizeMid": 1, "SizeEnd": 0, "SizeVar": 0.1,
    "AngleStart": 1, "AngleMid": 2, "AngleEnd": 3, "AngleVar": 0.2,
    "ColourStart": "0xFFFF8000", "ColourMid": "$80FFFFFF", "ColourEnd": 16777215,
    "ColourVar": 0.3, "AlphaVar": 0.4, "MidFraction": 0.6, "NewestFirst": 1})");
  auto r = RunCommand({Tool(), "effect", (tmp / "fire.json").string(), "-o", (tmp / "fire.eff").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string b = ReadFile(tmp / "fire.eff");
  ASSERT_EQ(b.size(), 136u);
  EXPECT_EQ(U32At(b, 0), 3u);
  EXPECT_EQ(U32At(b, 4), 0xFFFFFFFFu);
  EXPECT_EQ(U32At(b, 8), 0u);
  EXPECT_EQ(U32At(b, 12), 260u);
  EXPECT_EQ(U32At(b, 16), 40u);
  EXPECT_EQ(F32At(b, 20), 2.5f);
  EXPECT_EQ(F32At(b, 32), 3.14159f);
  EXPECT_EQ(U32At(b, 40), 1u);  // the flag byte and three zero padding bytes
  EXPECT_EQ(F32At(b, 52), -1.0f);
  EXPECT_EQ(F32At(b, 64), 0.0f);  // RadialB not given
  EXPECT_EQ(F32At(b, 72), -3.0f);
  EXPECT_EQ(F32At(b, 88), 0.1f);
  EXPECT_EQ(F32At(b, 104), 0.2f);
  EXPECT_EQ(U32At(b, 108), 0xFFFF8000u);
  EXPECT_EQ(U32At(b, 112), 0x80FFFFFFu);
  EXPECT_EQ(U32At(b, 116), 0x00FFFFFFu);
  EXPECT_EQ(F32At(b, 128), 0.6f);
  EXPECT_EQ(U32At(b, 132), 1u);

  // --dump gives the same values back, in block order, and builds the same bytes.
  r = RunCommand({Tool(), "effect", "--dump", (tmp / "fire.eff").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  auto doc = nlohmann::ordered_json::parse(r.out);
  EXPECT_EQ(doc.begin().key(), "StartFrame");
  EXPECT_EQ(doc["EndFrame"], -1);
  EXPECT_EQ(doc["SizeVar"].get<double>(), 0.1);  // shortest text of the single value
  EXPECT_EQ(doc["ColourStart"], 0xFFFF8000u);
  EXPECT_EQ(doc.size(), 34u);
  WriteFile(tmp / "again.json", r.out);
  r = RunCommand({Tool(), "effect", (tmp / "again.json").string(), "-o", (tmp / "again.eff").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(tmp / "again.eff"), b);
}

// Dumps of files that are short, long or hold values JSON cannot carry.
TEST(EffectTool, DumpsAnyFile) {
  TempDir tmp;
  std::string bytes(200, '\x7F');
  const uint32_t nan = 0x7FC00000, inf = 0x7F800000;
  std::memcpy(&bytes[20], &nan, 4);
  std::memcpy(&bytes[24], &inf, 4);
  WriteFile(tmp / "long.eff", bytes);
  auto r = RunCommand({Tool(), "effect", "--dump", (tmp / "long.eff").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  auto doc = nlohmann::json::parse(r.out);
  EXPECT_EQ(doc["Duration"], "nan");
  EXPECT_EQ(doc["LifeA"], "inf");
  EXPECT_EQ(doc["NewestFirst"], 0x7F);
  WriteFile(tmp / "back.json", r.out);
  r = RunCommand({Tool(), "effect", (tmp / "back.json").string(), "-o", (tmp / "back.eff").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string back = ReadFile(tmp / "back.eff");
  EXPECT_EQ(back.substr(0, 41), bytes.substr(0, 41));  // up to the first padding bytes

  WriteFile(tmp / "short.eff", std::string("\x05\x00\x00\x00\x07", 5));
  r = RunCommand({Tool(), "effect", "--dump", (tmp / "short.eff").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  doc = nlohmann::json::parse(r.out);
  EXPECT_EQ(doc["StartFrame"], 5);
  EXPECT_EQ(doc["EndFrame"], 7);
  EXPECT_EQ(doc["Rate"], 0);

  r = RunCommand({Tool(), "effect", "--dump", (tmp / "missing.eff").string()});
  EXPECT_EQ(r.status, 1);
}

// Errors name the field and write nothing.
TEST(EffectTool, RefusesBadInput) {
  TempDir tmp;
  const struct {
    const char* json;
    const char* message;
  } cases[] = {
      {R"({"Rates": 3})", "unknown field Rates"},
      {R"({"Rate": 1.5})", "field Rate"},
      {R"({"Rate": 3000000000})", "field Rate"},
      {R"({"ColourMid": "red"})", "field ColourMid"},
      {R"({"ColourMid": -1})", "field ColourMid"},
      {R"({"NewestFirst": 256})", "field NewestFirst"},
      {R"({"Duration": "soon"})", "field Duration"},
      {R"({"Duration": 1e300})", "field Duration"},
      {R"([1, 2])", "JSON object"},
      {R"({"Rate": )", ""},
  };
  for (const auto& c : cases) {
    WriteFile(tmp / "bad.json", c.json);
    auto r = RunCommand({Tool(), "effect", (tmp / "bad.json").string(), "-o", (tmp / "bad.eff").string()});
    EXPECT_EQ(r.status, 1) << c.json;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(tmp / "bad.eff"));
  }
  auto r = RunCommand({Tool(), "effect", (tmp / "bad.json").string()});
  EXPECT_EQ(r.status, 2);
}

}  // namespace
