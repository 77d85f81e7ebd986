#include "resources/store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <ostream>

#include "platform/byte_reader.h"
#include "platform/confined_files.h"
#include "platform/numeric.h"

namespace resources {

namespace {

constexpr size_t kCopyChunk = 64 * 1024;

// The request compared with a stored name after upper-casing its ASCII letters,
// without building the upper-cased copy.
bool EqualsUpper(std::string_view stored, std::string_view request) {
  if (stored.size() != request.size()) return false;
  for (size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] != platform::AsciiUpperChar(request[i])) return false;
  }
  return true;
}

}  // namespace

// Sequential reads from [pos, end) of the pack through a 64 KiB window; every
// read is checked against end before anything is allocated.
class TQZStore::DirectoryCursor {
 public:
  DirectoryCursor(const TQZStore& store, uint64_t pos, uint64_t end)
      : store_(store), pos_(pos), end_(end) {}

  bool Read(void* dst, size_t n) {
    if (n > end_ - pos_) return false;
    auto* out = static_cast<char*>(dst);
    while (n > 0) {
      if (pos_ < windowStart_ || pos_ >= windowStart_ + window_.size()) {
        window_.resize(static_cast<size_t>(std::min<uint64_t>(kCopyChunk, end_ - pos_)));
        windowStart_ = pos_;
        if (!store_.ReadAt(pos_, window_.data(), window_.size())) return false;
      }
      size_t at = static_cast<size_t>(pos_ - windowStart_);
      size_t take = std::min(n, window_.size() - at);
      std::memcpy(out, window_.data() + at, take);
      out += take;
      pos_ += take;
      n -= take;
    }
    return true;
  }
  bool ReadU32(uint32_t& v) {
    uint8_t b[4];
    if (!Read(b, 4)) return false;
    v = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
    return true;
  }
  bool ReadI32(int32_t& v) {
    uint32_t u;
    if (!ReadU32(u)) return false;
    v = static_cast<int32_t>(u);
    return true;
  }
  uint64_t Position() const { return pos_; }
  bool ReadString(size_t n, std::string& s) {
    if (n > end_ - pos_) return false;
    s.resize(n);
    return Read(s.data(), n);
  }

 private:
  const TQZStore& store_;
  uint64_t pos_;
  uint64_t end_;
  uint64_t windowStart_ = 0;
  std::string window_;
};

TQZStore::~TQZStore() {
  Close();
}

void TQZStore::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  memory_ = false;
  bytes_.clear();
  bytes_.shrink_to_fit();
  fileSize_ = 0;
  directoryOffset_ = 0;
  entries_.clear();
  fileName_.clear();
}

bool TQZStore::Open(const std::filesystem::path& fileName) {
  Close();
  fileName_ = fileName;
  int fd = platform::OpenConfined(fileName, O_RDONLY);
  if (fd < 0) {
    lastError_ = StoreError::NoStream;
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    lastError_ = StoreError::NoStream;
    return false;
  }
  fd_ = fd;
  fileSize_ = static_cast<uint64_t>(st.st_size);
  lastError_ = StoreError::None;
  return true;
}

void TQZStore::OpenBytes(std::string bytes) {
  Close();
  bytes_ = std::move(bytes);
  memory_ = true;
  fileSize_ = bytes_.size();
  lastError_ = StoreError::None;
}

bool TQZStore::ReadAt(uint64_t offset, void* dst, size_t size) const {
  if (offset > fileSize_ || size > fileSize_ - offset) {
    lastError_ = StoreError::BadRange;
    return false;
  }
  if (memory_) {
    if (size) std::memcpy(dst, bytes_.data() + offset, size);
    return true;
  }
  auto* p = static_cast<char*>(dst);
  size_t got = 0;
  while (got < size) {
    ssize_t n = ::pread(fd_, p + got, size - got, static_cast<off_t>(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {  // an error, or the file shrank under us
      lastError_ = StoreError::ReadFailed;
      return false;
    }
    got += static_cast<size_t>(n);
  }
  return true;
}

bool TQZStore::ReadDirectory() {
  entries_.clear();
  directoryOffset_ = 0;
  directoryStoppedAt_ = 0;
  if (!HasStream() || fileSize_ < 4) return true;
  auto damaged = [this](uint64_t at) {
    lastError_ = StoreError::BadDirectory;
    directoryStoppedAt_ = at;
    return false;
  };

  uint8_t tail[4];
  if (!ReadAt(fileSize_ - 4, tail, 4)) return damaged(fileSize_ - 4);
  directoryOffset_ = static_cast<int32_t>(tail[0] | (tail[1] << 8) | (tail[2] << 16) |
                                          (static_cast<uint32_t>(tail[3]) << 24));
  if (directoryOffset_ < 0 || static_cast<uint64_t>(directoryOffset_) + 4 > fileSize_)
    return damaged(fileSize_ - 4);

  // The directory is read through a small window, so a damaged count or
  // offset costs no more memory than a sound one.
  DirectoryCursor cursor(*this, static_cast<uint64_t>(directoryOffset_), fileSize_);
  int32_t count = 0;
  if (!cursor.ReadI32(count) || count < 0) return damaged(cursor.Position());
  for (int32_t i = 0; i < count; ++i) {
    const uint64_t recordStart = cursor.Position();
    int32_t nameLength = 0;
    Entry e;
    if (!cursor.ReadI32(nameLength) || nameLength < 0 ||
        !cursor.ReadString(static_cast<size_t>(nameLength), e.name) || !cursor.ReadU32(e.offset) ||
        !cursor.ReadI32(e.size))
      return damaged(recordStart);
    entries_.push_back(std::move(e));
  }
  return true;
}

int TQZStore::IndexOf(std::string_view name) const {
  if (!HasStream()) {
    lastError_ = StoreError::NoStream;
    return -1;
  }
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (EqualsUpper(entries_[i].name, name)) return static_cast<int>(i);
  }
  lastError_ = StoreError::NotFound;
  return -1;
}

bool TQZStore::EntryRangeValid(const Entry& e) const {
  if (e.size < 0 || e.offset > fileSize_ || static_cast<uint64_t>(e.size) > fileSize_ - e.offset) {
    lastError_ = StoreError::BadRange;
    return false;
  }
  return true;
}

bool TQZStore::ReadEntryAt(int index, std::string& out) const {
  if (index < 0 || static_cast<size_t>(index) >= entries_.size()) {
    lastError_ = HasStream() ? StoreError::NotFound : StoreError::NoStream;
    return false;
  }
  const Entry& e = entries_[static_cast<size_t>(index)];
  if (!EntryRangeValid(e)) return false;
  std::string bytes(static_cast<size_t>(e.size), '\0');
  if (!ReadAt(e.offset, bytes.data(), bytes.size())) return false;
  out = std::move(bytes);
  return true;
}

bool TQZStore::ReadEntry(std::string_view name, std::string& out) const {
  return ReadEntryAt(IndexOf(name), out);
}

bool TQZStore::CopyEntryTo(std::string_view name, std::ostream& out) const {
  int index = IndexOf(name);
  if (index < 0) return false;
  const Entry& e = entries_[static_cast<size_t>(index)];
  if (!EntryRangeValid(e)) return false;
  std::string chunk(std::min<size_t>(kCopyChunk, static_cast<size_t>(e.size)), '\0');
  uint64_t pos = e.offset;
  uint64_t left = static_cast<uint64_t>(e.size);
  while (left > 0) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(left, chunk.size()));
    if (!ReadAt(pos, chunk.data(), n)) return false;
    if (!out.write(chunk.data(), static_cast<std::streamsize>(n))) {
      lastError_ = StoreError::WriteFailed;
      return false;
    }
    pos += n;
    left -= n;
  }
  return true;
}

// ---------------------------------------------------------------------------

bool PackWriter::Add(std::string_view name, std::string_view bytes) {
  // The directory offset is a signed 32-bit field: the data must stay below 2 GiB.
  uint64_t total = static_cast<uint64_t>(data_.size()) + bytes.size();
  if (total > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()) - 4 ||
      name.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    return false;
  }
  directory_.push_back(
      {std::string(name), static_cast<uint32_t>(data_.size()), static_cast<int32_t>(bytes.size())});
  data_.append(bytes);
  return true;
}

std::string PackWriter::Finish() const {
  platform::ByteWriter w;
  w.Bytes(data_);
  uint32_t dirOffset = static_cast<uint32_t>(data_.size());
  w.I32LE(static_cast<int32_t>(directory_.size()));
  for (const Item& item : directory_) {
    w.LString(item.name);
    w.U32LE(item.offset);
    w.I32LE(item.size);
  }
  w.U32LE(dirOffset);
  return w.Take();
}

}  // namespace resources
