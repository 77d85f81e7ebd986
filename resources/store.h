#pragma once
// TQZStore: the read-only resource pack beside the game file (".qst").
//
// Layout, all integers little-endian 32-bit: the entries' bytes anywhere at the
// front; at the end, the directory (entry count N, then N times: name length,
// name bytes, data offset, data size); the last four bytes of the file hold the
// directory's offset.
//
// Damaged packs: the directory keeps only the entries whose directory record
// lies wholly inside the file, and an entry whose data range leaves the file
// (or whose size is negative) stays listed but cannot be read. Nothing is ever
// allocated beyond the file's size, and nothing read from the file is trusted
// before it has been checked against that size.

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace resources {

enum class StoreError {
  None,
  NoStream,      // no pack open (missing or unreadable file)
  BadDirectory,  // directory offset, count or a name length points outside the file
  NotFound,      // no entry of that name
  BadRange,      // the entry's data lie (partly) outside the file, or its size is negative
  ReadFailed,    // the system refused a read
  WriteFailed,   // the output stream refused the bytes
};

class TQZStore {
 public:
  struct Entry {
    std::string name;     // as stored: upper case to be found
    uint32_t offset = 0;  // position of the entry's bytes
    int32_t size = 0;     // number of bytes (negative only in damaged packs)
  };

  TQZStore() = default;
  ~TQZStore();
  TQZStore(const TQZStore&) = delete;
  TQZStore& operator=(const TQZStore&) = delete;

  // Closes any open pack and opens the named file read-only. A missing or
  // unreadable file leaves the store without a stream: it then behaves as an
  // empty pack. Does not read the directory.
  bool Open(const std::filesystem::path& fileName);
  // The same over bytes in memory (tests and fuzzing).
  void OpenBytes(std::string bytes);
  void Close();

  // Reads the directory. True when it was read whole or when there is no
  // stream; false (keeping the entries read whole before the damage) when the
  // directory is damaged.
  bool ReadDirectory();

  // Index of the first entry whose stored name equals the request with its
  // ASCII letters upper-cased; -1 when absent or when there is no stream.
  int IndexOf(std::string_view name) const;

  // The entry's bytes; false (out untouched) when absent or unreadable.
  bool ReadEntry(std::string_view name, std::string& out) const;
  bool ReadEntryAt(int index, std::string& out) const;
  // Writes the entry's bytes to the stream at its current position; true when
  // every byte was written.
  bool CopyEntryTo(std::string_view name, std::ostream& out) const;

  bool HasStream() const { return fd_ >= 0 || memory_; }
  const std::filesystem::path& FileName() const { return fileName_; }
  uint64_t FileSize() const { return fileSize_; }
  int32_t DirectoryOffset() const { return directoryOffset_; }
  // Where the last ReadDirectory stopped when it found the directory damaged.
  uint64_t DirectoryStoppedAt() const { return directoryStoppedAt_; }
  const std::vector<Entry>& Entries() const { return entries_; }
  // Why the last failing operation failed.
  StoreError LastError() const { return lastError_; }

 private:
  class DirectoryCursor;
  bool ReadAt(uint64_t offset, void* dst, size_t size) const;
  bool EntryRangeValid(const Entry& e) const;

  std::filesystem::path fileName_;
  int fd_ = -1;
  bool memory_ = false;
  std::string bytes_;  // the pack itself when opened from memory
  uint64_t fileSize_ = 0;
  int32_t directoryOffset_ = 0;
  uint64_t directoryStoppedAt_ = 0;
  std::vector<Entry> entries_;
  mutable StoreError lastError_ = StoreError::None;
};

// Writes a pack: entries' bytes in the order added, then the directory.
// Used by qazmir-tool and by tests; the names are stored exactly as given.
class PackWriter {
 public:
  // Adds one entry; false when the pack would exceed what 32-bit offsets can address.
  bool Add(std::string_view name, std::string_view bytes);
  // The whole pack (data, directory, directory offset).
  std::string Finish() const;
  size_t Count() const { return directory_.size(); }

 private:
  struct Item {
    std::string name;
    uint32_t offset;
    int32_t size;
  };
  std::string data_;
  std::vector<Item> directory_;
};

}  // namespace resources
