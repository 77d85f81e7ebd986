#pragma once
// Bounds-checked little-endian reader over a byte span.
//
// End-of-data rule: a read that needs more bytes than remain fails, returns
// false, leaves the output untouched and does not move the position. Nothing
// ever reads outside the span.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

namespace platform {

class ByteReader {
 public:
  ByteReader() = default;
  explicit ByteReader(std::span<const uint8_t> data) : data_(data) {}
  ByteReader(const void* data, size_t size)
      : data_(static_cast<const uint8_t*>(data), size) {}

  size_t Position() const { return pos_; }
  size_t Size() const { return data_.size(); }
  size_t Remaining() const { return data_.size() - pos_; }
  bool AtEnd() const { return pos_ >= data_.size(); }
  std::span<const uint8_t> Data() const { return data_; }

  bool Seek(size_t pos) {
    if (pos > data_.size()) return false;
    pos_ = pos;
    return true;
  }
  bool Skip(size_t n) {
    if (n > Remaining()) return false;
    pos_ += n;
    return true;
  }

  bool ReadU8(uint8_t& out) { return ReadRaw(&out, 1); }
  bool ReadU16LE(uint16_t& out) {
    uint8_t b[2];
    if (!ReadRaw(b, 2)) return false;
    out = static_cast<uint16_t>(b[0] | (b[1] << 8));
    return true;
  }
  bool ReadU32LE(uint32_t& out) {
    uint8_t b[4];
    if (!ReadRaw(b, 4)) return false;
    out = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
          (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    return true;
  }
  bool ReadI32LE(int32_t& out) {
    uint32_t v;
    if (!ReadU32LE(v)) return false;
    out = static_cast<int32_t>(v);
    return true;
  }
  bool ReadU64LE(uint64_t& out) {
    uint32_t lo, hi;
    size_t save = pos_;
    if (!ReadU32LE(lo) || !ReadU32LE(hi)) {
      pos_ = save;
      return false;
    }
    out = (static_cast<uint64_t>(hi) << 32) | lo;
    return true;
  }
  bool ReadF32LE(float& out) {
    uint32_t v;
    if (!ReadU32LE(v)) return false;
    std::memcpy(&out, &v, 4);
    return true;
  }
  bool ReadF64LE(double& out) {
    uint64_t v;
    if (!ReadU64LE(v)) return false;
    std::memcpy(&out, &v, 8);
    return true;
  }
  // Reads exactly n bytes as a byte string; fails without allocating when fewer remain.
  bool ReadBytes(size_t n, std::string& out) {
    if (n > Remaining()) return false;
    out.assign(reinterpret_cast<const char*>(data_.data() + pos_), n);
    pos_ += n;
    return true;
  }
  // A view of the next n bytes, consumed; fails when fewer remain.
  bool ReadSpan(size_t n, std::span<const uint8_t>& out) {
    if (n > Remaining()) return false;
    out = data_.subspan(pos_, n);
    pos_ += n;
    return true;
  }
  bool ReadRaw(void* out, size_t n) {
    if (n > Remaining()) return false;
    if (n) std::memcpy(out, data_.data() + pos_, n);
    pos_ += n;
    return true;
  }

 private:
  std::span<const uint8_t> data_;
  size_t pos_ = 0;
};

// Little-endian writer into a growing byte string.
class ByteWriter {
 public:
  void U8(uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void U16LE(uint16_t v) {
    U8(v & 0xFF);
    U8(v >> 8);
  }
  void U32LE(uint32_t v) {
    for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(v >> (8 * i)));
  }
  void I32LE(int32_t v) { U32LE(static_cast<uint32_t>(v)); }
  void U64LE(uint64_t v) {
    for (int i = 0; i < 8; ++i) U8(static_cast<uint8_t>(v >> (8 * i)));
  }
  void F32LE(float v) {
    uint32_t u;
    std::memcpy(&u, &v, 4);
    U32LE(u);
  }
  void F64LE(double v) {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    U64LE(u);
  }
  void Bytes(std::string_view s) { out_.append(s.data(), s.size()); }
  // 4-byte length then the bytes.
  void LString(std::string_view s) {
    U32LE(static_cast<uint32_t>(s.size()));
    Bytes(s);
  }
  const std::string& Data() const { return out_; }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

}  // namespace platform
