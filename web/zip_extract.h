#pragma once
// Unpacking a zip archive that a person picked or dropped onto the page into
// a folder of the in-memory file system, and finding the game folder in what
// was unpacked.
//
// Only what a game folder needs: stored and deflated entries of a classic
// (not zip64) archive, read through the central directory. Every offset,
// length and count is checked against the archive's bytes before use, sizes
// against the limits before anything is allocated, and each entry's CRC
// after inflating. Names climb nowhere: absolute names, drive letters and
// ".." components are refused, "\" counts as a separator. Links and
// encrypted entries are refused too.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace web {

enum class ZipError {
  None,
  NotZip,        // no end-of-directory record
  Truncated,     // a record or entry data runs past the end
  BadRecord,     // a signature or a field that cannot be right
  Unsupported,   // zip64, encryption, a method other than stored and deflate
  BadName,       // a name that would leave the folder or is empty
  TooLarge,      // beyond the limits
  BadData,       // inflate failed, or the size or CRC does not match
  WriteFailed,
};

struct ZipLimits {
  uint64_t maxEntries = 200000;
  uint64_t maxTotalBytes = uint64_t{1} << 30;  // unpacked, all entries together
};

struct ZipResult {
  ZipError error = ZipError::None;
  std::string entry;  // the entry the error is about, when there is one
  uint64_t files = 0;
  uint64_t bytes = 0;
};

// Unpacks the archive into dest (created when missing). Entries before a
// failing one stay written. Names without the UTF-8 flag are in the
// archiver's DOS code page (CP866, as Cyrillic Windows writes them).
ZipResult ExtractZip(std::span<const uint8_t> zip, const std::filesystem::path& dest,
                     const ZipLimits& limits = {});

// A sentence for the page.
std::string DescribeZipResult(const ZipResult& result);

// The folder to play in what was unpacked or picked: root itself when it
// holds a game file (*.qzf, any letter case), else the only folder below it,
// followed down while each level holds nothing but one folder (archives
// usually wrap the game in its own folder). Empty when there is no game.
std::filesystem::path FindGameFolder(const std::filesystem::path& root);

}  // namespace web
