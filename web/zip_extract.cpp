#include "web/zip_extract.h"

#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <vector>

#include "platform/byte_reader.h"
#include "platform/codepage.h"
#include "platform/numeric.h"

namespace web {

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr size_t kEndRecordBytes = 22;
constexpr size_t kCentralRecordBytes = 46;
constexpr size_t kLocalRecordBytes = 30;
constexpr size_t kMaxCommentBytes = 0xFFFF;
constexpr uint16_t kFlagEncrypted = 1u << 0;
constexpr uint16_t kFlagUtf8 = 1u << 11;
constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflate = 8;
constexpr uint32_t kUnixLinkMode = 0120000;
constexpr uint32_t kUnixTypeMask = 0170000;
constexpr int kMaxFolderDepth = 8;
// Deflate never expands beyond about 1032 to 1.
constexpr uint64_t kMaxDeflateRatio = 1032;

struct EndRecord {
  uint16_t disk = 0, cdDisk = 0, entriesHere = 0, entries = 0;
  uint32_t cdSize = 0, cdOffset = 0;
};

// The last end-of-directory record whose comment reaches the end exactly.
bool FindEnd(std::span<const uint8_t> zip, EndRecord& end) {
  if (zip.size() < kEndRecordBytes) return false;
  const size_t last = zip.size() - kEndRecordBytes;
  const size_t first = last > kMaxCommentBytes ? last - kMaxCommentBytes : 0;
  for (size_t at = last + 1; at-- > first;) {
    platform::ByteReader r(zip.subspan(at));
    uint32_t sig = 0;
    uint16_t commentBytes = 0;
    r.ReadU32LE(sig);
    if (sig != kEndSignature) continue;
    r.ReadU16LE(end.disk);
    r.ReadU16LE(end.cdDisk);
    r.ReadU16LE(end.entriesHere);
    r.ReadU16LE(end.entries);
    r.ReadU32LE(end.cdSize);
    r.ReadU32LE(end.cdOffset);
    r.ReadU16LE(commentBytes);
    if (r.Remaining() == commentBytes) return true;
  }
  return false;
}

bool IsUtf8(std::string_view s) {
  return platform::EncodeUtf8(platform::DecodeUtf8(s)) == s;
}

// The entry's name as a relative path, or nullopt when it would leave the
// folder; *directory tells a folder entry.
std::optional<std::filesystem::path> SafeName(const std::string& raw, uint16_t flags,
                                              bool& directory) {
  std::string name = raw;
  std::replace(name.begin(), name.end(), '\\', '/');
  if (name.empty() || name.front() == '/' || name.find('\0') != std::string::npos) return std::nullopt;
  if (name.size() >= 2 && name[1] == ':') return std::nullopt;  // a drive letter
  directory = name.back() == '/';
  const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return (c & 0x80) == 0; });
  if (!ascii) {
    if (flags & kFlagUtf8) {
      if (!IsUtf8(name)) return std::nullopt;
    } else {
      const platform::CodePage* dos = platform::CodePage::Find("CP866");
      if (!dos) dos = &platform::CodePage::Default();
      name = dos->ToUtf8(name);
    }
  }
  std::filesystem::path out;
  size_t start = 0;
  while (start <= name.size()) {
    size_t slash = name.find('/', start);
    if (slash == std::string::npos) slash = name.size();
    const std::string part = name.substr(start, slash - start);
    start = slash + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") return std::nullopt;
    out /= part;
  }
  if (out.empty()) return std::nullopt;
  return out;
}

// Exactly `size` bytes from a raw deflate stream; more or fewer fail.
bool Inflate(std::span<const uint8_t> in, uint32_t size, std::vector<uint8_t>& out) {
  out.assign(size_t{size} + 1, 0);  // one spare byte tells a stream that gives too much
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = inflate(&z, Z_FINISH);
  const bool ok = rc == Z_STREAM_END && z.total_out == size;
  inflateEnd(&z);
  out.resize(size);
  return ok;
}

struct Entry {
  uint16_t flags = 0, method = 0, nameBytes = 0, extraBytes = 0, commentBytes = 0;
  uint16_t madeBy = 0;
  uint32_t crc = 0, packed = 0, size = 0, external = 0, localOffset = 0;
  std::string name;
};

bool ReadCentral(platform::ByteReader& r, Entry& e) {
  uint32_t sig = 0, skip32 = 0;
  uint16_t skip16 = 0;
  if (r.Remaining() < kCentralRecordBytes) return false;
  r.ReadU32LE(sig);
  if (sig != kCentralSignature) return false;
  r.ReadU16LE(e.madeBy);
  r.ReadU16LE(skip16);  // version needed
  r.ReadU16LE(e.flags);
  r.ReadU16LE(e.method);
  r.ReadU32LE(skip32);  // time and date
  r.ReadU32LE(e.crc);
  r.ReadU32LE(e.packed);
  r.ReadU32LE(e.size);
  r.ReadU16LE(e.nameBytes);
  r.ReadU16LE(e.extraBytes);
  r.ReadU16LE(e.commentBytes);
  r.ReadU16LE(skip16);  // disk
  r.ReadU16LE(skip16);  // internal attributes
  r.ReadU32LE(e.external);
  r.ReadU32LE(e.localOffset);
  return r.ReadBytes(e.nameBytes, e.name) && r.Skip(e.extraBytes) && r.Skip(e.commentBytes);
}

ZipResult Fail(ZipResult result, ZipError error, std::string entry = {}) {
  result.error = error;
  result.entry = std::move(entry);
  return result;
}

}  // namespace

ZipResult ExtractZip(std::span<const uint8_t> zip, const std::filesystem::path& dest,
                     const ZipLimits& limits) {
  ZipResult result;
  EndRecord end;
  if (!FindEnd(zip, end)) return Fail(result, ZipError::NotZip);
  if (end.entries == 0xFFFF || end.cdSize == 0xFFFFFFFFu || end.cdOffset == 0xFFFFFFFFu)
    return Fail(result, ZipError::Unsupported, "zip64");
  if (end.disk != 0 || end.cdDisk != 0 || end.entriesHere != end.entries)
    return Fail(result, ZipError::Unsupported, "a multi-part archive");
  if (end.entries > limits.maxEntries) return Fail(result, ZipError::TooLarge);
  if (uint64_t{end.cdOffset} + end.cdSize > zip.size()) return Fail(result, ZipError::Truncated);
  std::error_code ec;
  std::filesystem::create_directories(dest, ec);
  if (ec) return Fail(result, ZipError::WriteFailed, dest.string());

  platform::ByteReader central(zip.subspan(end.cdOffset, end.cdSize));
  std::vector<uint8_t> data;
  for (uint32_t i = 0; i < end.entries; ++i) {
    Entry e;
    if (!ReadCentral(central, e)) return Fail(result, ZipError::BadRecord, "entry " + std::to_string(i + 1));
    bool directory = false;
    auto name = SafeName(e.name, e.flags, directory);
    if (!name) return Fail(result, ZipError::BadName, e.name);
    const bool unixMade = (e.madeBy >> 8) == 3;
    if (unixMade && ((e.external >> 16) & kUnixTypeMask) == kUnixLinkMode)
      return Fail(result, ZipError::Unsupported, e.name + " (a link)");
    const std::filesystem::path target = dest / *name;
    if (directory) {
      std::filesystem::create_directories(target, ec);
      if (ec) return Fail(result, ZipError::WriteFailed, e.name);
      continue;
    }
    if (e.flags & kFlagEncrypted) return Fail(result, ZipError::Unsupported, e.name + " (encrypted)");
    if (e.method != kMethodStored && e.method != kMethodDeflate)
      return Fail(result, ZipError::Unsupported, e.name + " (method " + std::to_string(e.method) + ")");
    if (e.method == kMethodStored && e.packed != e.size) return Fail(result, ZipError::BadRecord, e.name);
    if (result.bytes + e.size > limits.maxTotalBytes) return Fail(result, ZipError::TooLarge, e.name);

    // The data follows the local header, whose own name and extra lengths count.
    platform::ByteReader local(zip);
    uint32_t sig = 0;
    uint16_t localName = 0, localExtra = 0;
    if (!local.Seek(e.localOffset) || local.Remaining() < kLocalRecordBytes)
      return Fail(result, ZipError::Truncated, e.name);
    local.ReadU32LE(sig);
    if (sig != kLocalSignature) return Fail(result, ZipError::BadRecord, e.name);
    local.Skip(22);
    local.ReadU16LE(localName);
    local.ReadU16LE(localExtra);
    std::span<const uint8_t> packed;
    if (!local.Skip(size_t{localName} + localExtra) || !local.ReadSpan(e.packed, packed))
      return Fail(result, ZipError::Truncated, e.name);

    if (e.method == kMethodStored) {
      data.assign(packed.begin(), packed.end());
    } else if (uint64_t{e.size} > uint64_t{e.packed} * kMaxDeflateRatio + 1024) {
      // More than deflate can make of these bytes: refused before allocating.
      return Fail(result, ZipError::BadRecord, e.name);
    } else if (!Inflate(packed, e.size, data)) {
      return Fail(result, ZipError::BadData, e.name);
    }
    if (crc32(0, data.data(), static_cast<uInt>(data.size())) != e.crc)
      return Fail(result, ZipError::BadData, e.name);

    std::filesystem::create_directories(target.parent_path(), ec);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    out.close();
    if (ec || !out) return Fail(result, ZipError::WriteFailed, e.name);
    ++result.files;
    result.bytes += e.size;
  }
  return result;
}

std::string DescribeZipResult(const ZipResult& r) {
  const std::string about = r.entry.empty() ? std::string() : " (" + r.entry + ")";
  switch (r.error) {
    case ZipError::None:
      return "unpacked " + std::to_string(r.files) + " files, " + std::to_string(r.bytes) + " bytes";
    case ZipError::NotZip: return "this is not a zip archive";
    case ZipError::Truncated: return "the archive is cut short" + about;
    case ZipError::BadRecord: return "the archive is damaged" + about;
    case ZipError::Unsupported: return "the archive holds what the player cannot unpack" + about;
    case ZipError::BadName: return "the archive names a file outside its folder" + about;
    case ZipError::TooLarge: return "the archive unpacks to more than the page can hold" + about;
    case ZipError::BadData: return "an entry of the archive is damaged" + about;
    case ZipError::WriteFailed: return "the unpacked files could not be written" + about;
  }
  return "unknown error";
}

std::filesystem::path FindGameFolder(const std::filesystem::path& root) {
  std::filesystem::path at = root;
  for (int depth = 0; depth < kMaxFolderDepth; ++depth) {
    std::error_code ec;
    std::vector<std::filesystem::path> folders;
    for (const auto& entry : std::filesystem::directory_iterator(at, ec)) {
      const std::string name = entry.path().filename().string();
      std::error_code typeError;
      if (entry.is_directory(typeError)) {
        // macOS's archiver adds a folder of resource forks beside the content.
        if (name != "__MACOSX") folders.push_back(entry.path());
        continue;
      }
      const std::string ext = entry.path().extension().string();
      if (platform::AsciiUpper(ext) == ".QZF" && entry.is_regular_file(typeError)) return at;
    }
    if (ec || folders.size() != 1) return {};
    at = folders.front();
  }
  return {};
}

}  // namespace web
