#include "render/font_archive.h"

#include <zlib.h>

#include <cstring>

#include "platform/byte_reader.h"
#include "platform/file_io.h"
#include "platform/numeric.h"

namespace render {

namespace {

// zlib's deflate cannot expand data by more than about 1032:1; a larger
// stated ratio cannot be a valid record.
constexpr int64_t kMaxInflateRatio = 1040;

ArchiveError ReadEntry(platform::ByteReader& table, std::span<const uint8_t> file,
                       ArchiveEntry& entry) {
  int32_t nameLength = 0;
  if (!table.ReadI32LE(nameLength)) return ArchiveError::kTruncated;
  if (nameLength < 0) return ArchiveError::kBadRecord;
  if (!table.ReadBytes(static_cast<size_t>(nameLength), entry.name)) {
    return ArchiveError::kTruncated;
  }
  int32_t offset = 0;
  if (!table.ReadI32LE(offset)) return ArchiveError::kTruncated;
  if (offset < 0) return ArchiveError::kBadRecord;
  entry.offset = offset;
  platform::ByteReader header(file);
  uint16_t secured = 0;
  if (!header.Seek(static_cast<size_t>(offset)) || !header.ReadU16LE(entry.kind) ||
      !header.ReadI32LE(entry.unpackedSize) || !header.ReadI32LE(entry.packedSize) ||
      !header.ReadF64LE(entry.date) || !header.Skip(16) || !header.ReadU16LE(secured) ||
      !header.Skip(8)) {
    return ArchiveError::kTruncated;
  }
  entry.secured = secured != 0;
  if (entry.unpackedSize < 0 || entry.packedSize < 0) return ArchiveError::kBadRecord;
  if (!header.ReadSpan(static_cast<size_t>(entry.packedSize), entry.packed)) {
    return ArchiveError::kTruncated;
  }
  entry.raw = file.subspan(static_cast<size_t>(offset),
                           kRecordHeaderSize + static_cast<size_t>(entry.packedSize));
  return ArchiveError::kNone;
}

}  // namespace

ArchiveError FontArchive::Open(const std::string& path) {
  entries_.clear();
  tableError_ = ArchiveError::kNone;
  std::optional<std::string> bytes = platform::ReadWholeFile(path);
  if (!bytes) return openError_ = ArchiveError::kCannotOpen;
  return Parse(std::move(*bytes));
}

ArchiveError FontArchive::Parse(std::string bytes) {
  openError_ = ParseTable(std::move(bytes));
  return openError_;
}

ArchiveError FontArchive::ParseTable(std::string bytes) {
  data_ = std::move(bytes);
  entries_.clear();
  tableError_ = ArchiveError::kNone;
  const std::span<const uint8_t> file(reinterpret_cast<const uint8_t*>(data_.data()),
                                      data_.size());
  platform::ByteReader reader(file);
  char signature[4];
  int32_t count = 0;
  int32_t tableOffset = 0;
  if (!reader.ReadRaw(signature, 4)) return ArchiveError::kTruncated;
  if (std::memcmp(signature, kFontArchiveSignature, 4) != 0) return ArchiveError::kBadSignature;
  if (!reader.ReadI32LE(count) || !reader.ReadI32LE(tableOffset)) return ArchiveError::kTruncated;
  if (count < 0 || tableOffset < 0) return ArchiveError::kBadRecord;
  platform::ByteReader table(file);
  if (!table.Seek(static_cast<size_t>(tableOffset))) return ArchiveError::kTruncated;
  // Each entry takes at least 8 bytes of the table, which bounds the count.
  for (int32_t i = 0; i < count; ++i) {
    ArchiveEntry entry;
    ArchiveError error = ReadEntry(table, file, entry);
    if (error != ArchiveError::kNone) {
      tableError_ = error;
      break;
    }
    entries_.push_back(std::move(entry));
  }
  return ArchiveError::kNone;
}

int FontArchive::Find(const std::string& name) const {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (platform::AsciiIEquals(entries_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

std::optional<std::string> UnpackRecord(const ArchiveEntry& entry) {
  const int64_t unpacked = entry.unpackedSize;
  if (unpacked < 0 || unpacked > kMaxUnpackedRecord) return std::nullopt;
  if (unpacked > (static_cast<int64_t>(entry.packed.size()) + 16) * kMaxInflateRatio) {
    return std::nullopt;
  }
  // One byte more than stated, so that a stream that goes on beyond the size shows itself.
  std::string out(static_cast<size_t>(unpacked) + 1, '\0');
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return std::nullopt;
  stream.next_in = const_cast<Bytef*>(entry.packed.data());
  stream.avail_in = static_cast<uInt>(entry.packed.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  int status = Z_OK;
  while (status == Z_OK) status = inflate(&stream, Z_FINISH);
  const uLong produced = stream.total_out;
  inflateEnd(&stream);
  if (status != Z_STREAM_END || produced != static_cast<uLong>(unpacked)) return std::nullopt;
  out.resize(static_cast<size_t>(unpacked));
  return out;
}

std::string PackData(std::span<const uint8_t> data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, data.data(),
            static_cast<uLong>(data.size()), Z_BEST_COMPRESSION);
  out.resize(size);
  return out;
}

bool FontArchiveWriter::LoadExisting(const FontArchive& archive) {
  if (archive.OpenError() != ArchiveError::kNone || archive.TableError() != ArchiveError::kNone) {
    return false;
  }
  records_.clear();
  for (const ArchiveEntry& e : archive.Entries()) {
    records_.push_back(Record{e.name, std::string(e.raw.begin(), e.raw.end())});
  }
  return true;
}

void FontArchiveWriter::AddRecord(const std::string& name, uint16_t kind,
                                  std::span<const uint8_t> data, double date) {
  const std::string packed = PackData(data);
  platform::ByteWriter w;
  w.U16LE(kind);
  w.I32LE(static_cast<int32_t>(data.size()));
  w.I32LE(static_cast<int32_t>(packed.size()));
  w.F64LE(date);
  w.Bytes(std::string(16, '\0'));  // check bytes
  w.U16LE(0);                      // not secured
  w.Bytes(std::string(8, '\0'));   // security parameters
  w.Bytes(packed);
  Record record{name, w.Take()};
  for (Record& r : records_) {
    if (platform::AsciiIEquals(r.name, name)) {
      r = std::move(record);
      return;
    }
  }
  records_.push_back(std::move(record));
}

std::string FontArchiveWriter::Build() const {
  platform::ByteWriter w;
  w.Bytes(std::string_view(kFontArchiveSignature, 4));
  w.I32LE(static_cast<int32_t>(records_.size()));
  size_t tableOffset = 12;
  for (const Record& r : records_) tableOffset += r.raw.size();
  w.I32LE(static_cast<int32_t>(tableOffset));
  std::vector<size_t> offsets;
  for (const Record& r : records_) {
    offsets.push_back(w.Data().size());
    w.Bytes(r.raw);
  }
  for (size_t i = 0; i < records_.size(); ++i) {
    w.LString(records_[i].name);
    w.I32LE(static_cast<int32_t>(offsets[i]));
  }
  return w.Take();
}

}  // namespace render
