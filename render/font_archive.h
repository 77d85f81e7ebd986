#pragma once
// The font archive: a file of named, zlib-packed records, of which kind 3
// holds a bitmap font.
//
// Layout (little-endian): signature "ASDb"; record count N (int32); table
// offset (int32). The table holds N entries: name length L (int32), L name
// bytes, record offset (int32). At a record offset: kind (uint16), unpacked
// size, packed size (int32 each), date (8-byte real), 16 check bytes, secured
// flag (uint16), 8 bytes of security parameters, then the packed data at
// record offset + 44: a zlib stream that must inflate to exactly the unpacked
// size.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace render {

inline constexpr char kFontArchiveSignature[4] = {'A', 'S', 'D', 'b'};
inline constexpr int kRecordHeaderSize = 44;
inline constexpr uint16_t kFontRecordKind = 3;
// Unpacked records beyond this are refused before any allocation.
inline constexpr int64_t kMaxUnpackedRecord = int64_t{16} << 20;

enum class ArchiveError {
  kNone,
  kCannotOpen,
  kBadSignature,
  kTruncated,   // a header, table entry or record lies beyond the end of the file
  kBadRecord,   // negative or impossible sizes
  kBadPacking,  // the zlib stream is broken or does not give exactly the unpacked size
};

struct ArchiveEntry {
  std::string name;
  int64_t offset = 0;
  uint16_t kind = 0;
  int32_t unpackedSize = 0;
  int32_t packedSize = 0;
  double date = 0;
  bool secured = false;
  // The packed bytes (a view into the archive's data).
  std::span<const uint8_t> packed;
  // The whole record as stored: header and packed bytes.
  std::span<const uint8_t> raw;
};

class FontArchive {
 public:
  // Reads the file and its table. The entries are read in table order up to
  // the first one that cannot be read (its name, its offset or its record
  // header lying outside the file, or impossible sizes); TableError() tells
  // why the table ended early.
  ArchiveError Open(const std::string& path);
  ArchiveError Parse(std::string bytes);

  const std::vector<ArchiveEntry>& Entries() const { return entries_; }
  ArchiveError TableError() const { return tableError_; }
  // The result of the last Open or Parse.
  ArchiveError OpenError() const { return openError_; }
  // Index of the first entry whose name equals `name` ignoring ASCII letter case, or -1.
  int Find(const std::string& name) const;

 private:
  ArchiveError ParseTable(std::string bytes);

  std::string data_;
  std::vector<ArchiveEntry> entries_;
  ArchiveError tableError_ = ArchiveError::kNone;
  ArchiveError openError_ = ArchiveError::kCannotOpen;
};

// Inflates a record; nullopt unless the zlib stream ends having produced
// exactly the unpacked size.
std::optional<std::string> UnpackRecord(const ArchiveEntry& entry);

// zlib-packs data (for writers and tests).
std::string PackData(std::span<const uint8_t> data);

// Builds a font archive from records: header, records in order, then the table.
class FontArchiveWriter {
 public:
  // Keeps every readable record of an existing archive as stored; false when
  // the bytes are not an archive whose table reads to its end.
  bool LoadExisting(const FontArchive& archive);
  // Adds a record of unpacked data (packed here), replacing the first record
  // of the same name (ignoring ASCII case).
  void AddRecord(const std::string& name, uint16_t kind, std::span<const uint8_t> data,
                 double date = 0);
  std::string Build() const;
  size_t RecordCount() const { return records_.size(); }

 private:
  struct Record {
    std::string name;
    std::string raw;  // header + packed data
  };
  std::vector<Record> records_;
};

}  // namespace render
