// Unpacking picked or dropped zip archives: what a game folder needs comes
// out, anything else is refused with its reason, and no bytes make the
// reader step outside the archive or the folder.

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>

#include "platform/byte_reader.h"
#include "support/test_support.h"
#include "web/zip_extract.h"

namespace web {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

struct ZipEntry {
  std::string name;
  std::string data;
  bool deflate = true;
  uint16_t flags = 0;
  uint16_t madeBy = 20;     // DOS
  uint32_t external = 0;
};

std::string Deflated(const std::string& data) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, data.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// A classic archive as archivers write it: local headers with the data, the
// central directory, the end record.
std::string MakeZip(const std::vector<ZipEntry>& entries, const std::string& comment = "") {
  platform::ByteWriter body, central;
  for (const ZipEntry& e : entries) {
    const std::string packed = e.deflate ? Deflated(e.data) : e.data;
    const uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size())));
    const uint32_t offset = static_cast<uint32_t>(body.Data().size());
    const uint16_t method = e.deflate ? 8 : 0;
    body.U32LE(0x04034b50);
    for (uint16_t v : {uint16_t{20}, e.flags, method, uint16_t{0}, uint16_t{0}}) body.U16LE(v);
    body.U32LE(crc);
    body.U32LE(static_cast<uint32_t>(packed.size()));
    body.U32LE(static_cast<uint32_t>(e.data.size()));
    body.U16LE(static_cast<uint16_t>(e.name.size()));
    body.U16LE(0);
    body.Bytes(e.name);
    body.Bytes(packed);
    central.U32LE(0x02014b50);
    for (uint16_t v : {e.madeBy, uint16_t{20}, e.flags, method, uint16_t{0}, uint16_t{0}}) central.U16LE(v);
    central.U32LE(crc);
    central.U32LE(static_cast<uint32_t>(packed.size()));
    central.U32LE(static_cast<uint32_t>(e.data.size()));
    central.U16LE(static_cast<uint16_t>(e.name.size()));
    for (int i = 0; i < 4; ++i) central.U16LE(0);  // extra, comment, disk, internal
    central.U32LE(e.external);
    central.U32LE(offset);
    central.Bytes(e.name);
  }
  platform::ByteWriter end;
  end.U32LE(0x06054b50);
  end.U16LE(0);
  end.U16LE(0);
  end.U16LE(static_cast<uint16_t>(entries.size()));
  end.U16LE(static_cast<uint16_t>(entries.size()));
  end.U32LE(static_cast<uint32_t>(central.Data().size()));
  end.U32LE(static_cast<uint32_t>(body.Data().size()));
  end.U16LE(static_cast<uint16_t>(comment.size()));
  end.Bytes(comment);
  return body.Data() + central.Data() + end.Data();
}

ZipResult Extract(const std::string& zip, const fs::path& dest, const ZipLimits& limits = {}) {
  return ExtractZip({reinterpret_cast<const uint8_t*>(zip.data()), zip.size()}, dest, limits);
}

const std::vector<ZipEntry> kGame = {
    {"Tower/", "", false},
    {"Tower/tower.qzf", std::string(3000, 'q'), true},
    {"Tower/Pics\\logo.png", "stored bytes", false},
    {"Tower/empty.txt", "", true},
};

TEST(ZipExtract, UnpacksStoredAndDeflatedEntriesAndFindsTheGame) {
  TempDir dir;
  const ZipResult r = Extract(MakeZip(kGame, "a comment"), dir.Path() / "up");
  ASSERT_EQ(r.error, ZipError::None) << DescribeZipResult(r);
  EXPECT_EQ(r.files, 3u);
  EXPECT_EQ(r.bytes, 3000u + 12u);
  EXPECT_EQ(ReadFile(dir / "up/Tower/tower.qzf"), std::string(3000, 'q'));
  EXPECT_EQ(ReadFile(dir / "up/Tower/Pics/logo.png"), "stored bytes");
  EXPECT_TRUE(fs::exists(dir / "up/Tower/empty.txt"));
  EXPECT_EQ(FindGameFolder(dir / "up"), dir / "up/Tower");
  EXPECT_EQ(DescribeZipResult(r), "unpacked 3 files, 3012 bytes");
}

// Names are UTF-8 with the flag, else the DOS code page of Cyrillic Windows.
TEST(ZipExtract, NamesInUtf8AndInTheDosCodePage) {
  TempDir dir;
  const ZipResult r = Extract(MakeZip({{"\xd0\x91.txt", "b", false, 1u << 11},  // Б in UTF-8
                                       {"\x81.txt", "b", false}}),              // Б in CP866
                              dir.Path());
  ASSERT_EQ(r.error, ZipError::None) << DescribeZipResult(r);
  EXPECT_EQ(r.files, 2u);
  EXPECT_TRUE(fs::exists(dir.Path() / "\xd0\x91.txt"));
}

// Each archive is refused with this error; nothing lands outside the folder.
TEST(ZipExtract, RefusedArchives) {
  const std::string good = MakeZip(kGame);
  auto patched = [&](size_t at, std::string bytes) {
    std::string z = good;
    z.replace(at, bytes.size(), bytes);
    return z;
  };
  const size_t endAt = good.size() - 22;
  // The last entry's central record (an empty file) and the first's (a folder,
  // then the deflated game file).
  const size_t centralAt = good.rfind("PK\x01\x02"s, endAt);
  const size_t gameCentralAt = good.find("PK\x01\x02"s, good.find("PK\x01\x02"s) + 4);
  struct Case {
    const char* what;
    std::string zip;
    ZipError error;
  } cases[] = {
      {"empty", "", ZipError::NotZip},
      {"21 bytes", std::string(21, '\0'), ZipError::NotZip},
      {"no end record", good.substr(0, endAt), ZipError::NotZip},
      {"comment longer than what follows", patched(good.size() - 2, "\x05\x00"s), ZipError::NotZip},
      {"cut inside the data", good.substr(0, 40) + good.substr(centralAt), ZipError::Truncated},
      {"directory past the end", patched(endAt + 16, "\xff\xff\x00\x00"s), ZipError::Truncated},
      {"directory size past the end", patched(endAt + 12, "\xff\xff\x00\x00"s), ZipError::Truncated},
      {"zip64 marker", patched(endAt + 16, "\xff\xff\xff\xff"s), ZipError::Unsupported},
      {"more entries than the directory holds", patched(endAt + 8, "\x09\x00\x09\x00"s), ZipError::BadRecord},
      {"entry counts disagree", patched(endAt + 8, "\x03\x00"s), ZipError::Unsupported},
      {"bad central signature", patched(centralAt, "PK\x09\x09"s), ZipError::BadRecord},
      {"local header offset past the end", patched(centralAt + 42, "\xff\xff\xff\x0f"s), ZipError::Truncated},
      {"climbs out", MakeZip({{"../evil.txt", "x", false}}), ZipError::BadName},
      {"climbs out in the middle", MakeZip({{"a/../../evil.txt", "x", false}}), ZipError::BadName},
      {"climbs out with backslashes", MakeZip({{"a\\..\\..\\evil.txt", "x", false}}), ZipError::BadName},
      {"absolute", MakeZip({{"/etc/evil", "x", false}}), ZipError::BadName},
      {"drive letter", MakeZip({{"C:evil", "x", false}}), ZipError::BadName},
      {"empty name", MakeZip({{"", "x", false}}), ZipError::BadName},
      {"only dots", MakeZip({{"./.", "x", false}}), ZipError::BadName},
      {"bad UTF-8 with the flag", MakeZip({{"\xff.txt", "x", false, 1u << 11}}), ZipError::BadName},
      {"a link", MakeZip({{"link", "/etc/passwd", false, 0, 0x0314, 0120777u << 16}}), ZipError::Unsupported},
      {"encrypted", MakeZip({{"a.txt", "x", false, 1}}), ZipError::Unsupported},
      {"bzip2", patched(centralAt + 10, "\x0c\x00"s), ZipError::Unsupported},
      {"stored sizes differ", MakeZip({{"a.txt", "x", false}}).replace(
           MakeZip({{"a.txt", "x", false}}).find("PK\x01\x02") + 24, 1, "\x02"), ZipError::BadRecord},
      {"CRC mismatch", patched(gameCentralAt + 16, "\x01\x00\x00\x00"s), ZipError::BadData},
      {"deflate data damaged", [&] {
         std::string z = MakeZip({{"a.txt", std::string(500, 'a') + "tail", true}});
         z[30 + 5 + 1] ^= 0x55;
         return z;
       }(), ZipError::BadData},
      {"declared size beyond what deflate can give",
       MakeZip({{"a.txt", "x", true}}).replace(MakeZip({{"a.txt", "x", true}}).find("PK\x01\x02") + 24, 4,
                                               std::string("\x00\x00\x00\x40", 4)),
       ZipError::BadRecord},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const ZipResult r = Extract(c.zip, dir / "in");
    EXPECT_EQ(r.error, c.error) << c.what << ": " << DescribeZipResult(r);
    EXPECT_FALSE(fs::exists(dir / "evil.txt")) << c.what;
  }
}

TEST(ZipExtract, Limits) {
  TempDir dir;
  ZipLimits two;
  two.maxEntries = 2;
  EXPECT_EQ(Extract(MakeZip(kGame), dir / "a", two).error, ZipError::TooLarge);
  ZipLimits bytes;
  bytes.maxTotalBytes = 3000;  // the game file fits, the picture after it does not
  const ZipResult r = Extract(MakeZip(kGame), dir / "b", bytes);
  EXPECT_EQ(r.error, ZipError::TooLarge);
  EXPECT_EQ(r.entry, "Tower/Pics\\logo.png");
  bytes.maxTotalBytes = 3012;
  EXPECT_EQ(Extract(MakeZip(kGame), dir / "c", bytes).error, ZipError::None);
}

// Every prefix of an archive and every single-byte change of its records
// either unpacks or is refused; none crashes or reads outside the bytes.
TEST(ZipExtract, AnyPrefixOrDamagedByte) {
  const std::string good = MakeZip(kGame);
  for (size_t n = 0; n < good.size(); ++n) {
    TempDir dir;
    (void)Extract(good.substr(0, n), dir.Path());
  }
  for (size_t at = 0; at < good.size(); at += 3) {
    std::string z = good;
    z[at] = static_cast<char>(z[at] ^ 0xA5);
    TempDir dir;
    (void)Extract(z, dir.Path());
  }
}

TEST(ZipExtract, FindGameFolder) {
  TempDir dir;
  WriteFile(dir / "plain/Game.QZF", "x");
  WriteFile(dir / "wrapped/__MACOSX/._x", "x");
  WriteFile(dir / "wrapped/inner/deeper/g.qzf", "x");
  WriteFile(dir / "two/a/g.qzf", "x");
  WriteFile(dir / "two/b/g.qzf", "x");
  WriteFile(dir / "none/readme.txt", "x");
  fs::create_directories(dir / "folder.qzf/x");
  EXPECT_EQ(FindGameFolder(dir / "plain"), dir / "plain");
  EXPECT_EQ(FindGameFolder(dir / "wrapped"), dir / "wrapped/inner/deeper");
  EXPECT_EQ(FindGameFolder(dir / "two"), fs::path());
  EXPECT_EQ(FindGameFolder(dir / "none"), fs::path());
  EXPECT_EQ(FindGameFolder(dir / "missing"), fs::path());
  EXPECT_EQ(FindGameFolder(dir / "folder.qzf"), fs::path());  // a folder named like a game file
}

}  // namespace
}  // namespace web
