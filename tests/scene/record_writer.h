#pragma once
// A game-file writer made independently of the player and the tool, straight
// from the record layout: class name, value count, values, child entries.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace testrec {

class Record {
 public:
  explicit Record(std::string className, int32_t count = -1)
      : className_(std::move(className)), count_(count) {}

  Record& Int(int32_t v) {
    Raw4(static_cast<uint32_t>(v));
    ++values_;
    return *this;
  }
  Record& Dbl(double v) {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    for (int i = 0; i < 8; ++i) body_.push_back(static_cast<char>(u >> (8 * i)));
    ++values_;
    return *this;
  }
  Record& Str(const std::string& s) {
    Raw4(static_cast<uint32_t>(s.size()));
    body_ += s;
    ++values_;
    return *this;
  }
  Record& Child(const Record& child) {
    std::string bytes = child.Bytes();
    std::string entry;
    AppendU32(entry, static_cast<uint32_t>(bytes.size()));
    children_ += entry + bytes;
    return *this;
  }
  // Raw bytes after the values (for malformed entries).
  Record& RawTail(const std::string& bytes) {
    children_ += bytes;
    return *this;
  }

  std::string Bytes() const {
    std::string out;
    AppendU32(out, static_cast<uint32_t>(className_.size()));
    out += className_;
    AppendU32(out, static_cast<uint32_t>(count_ >= 0 ? count_ : values_));
    out += body_;
    out += children_;
    return out;
  }

  static void AppendU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
  }

 private:
  void Raw4(uint32_t v) { AppendU32(body_, v); }
  std::string className_;
  int32_t count_;
  int values_ = 0;
  std::string body_;
  std::string children_;
};

// The five common properties.
inline Record& Common(Record& r, int32_t key, const std::string& id, int32_t x = 0, int32_t y = 0,
                      bool vis = true) {
  return r.Int(key).Str(id).Int(x).Int(y).Int(vis ? 1 : 0);
}

}  // namespace testrec
