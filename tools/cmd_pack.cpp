// pack, unpack and ls: resource packs.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>

#include "platform/codepage.h"
#include "platform/file_io.h"
#include "platform/numeric.h"
#include "resources/store.h"
#include "tools/commands.h"

namespace tools {

namespace fs = std::filesystem;

namespace {

const platform::CodePage* FindCodePage(const CommonOptions& common, const char* command) {
  const platform::CodePage* cp = platform::CodePage::Find(common.codepage);
  if (!cp)
    std::cerr << "qazmir-tool " << command << ": unknown code page " << common.codepage << "\n";
  return cp;
}

// The entry name of a file below the packed folder: components joined by "\",
// in the game's code page, ASCII letters upper-cased (lookups upper-case the
// request the same way and compare exactly).
bool EntryName(const fs::path& relative, const platform::CodePage& cp, std::string& name) {
  std::string utf8;
  for (const fs::path& part : relative) {
    if (!utf8.empty()) utf8 += '\\';
    utf8 += part.string();
  }
  bool lossless = true;
  name = platform::AsciiUpper(cp.FromUtf8(utf8, &lossless));
  return lossless;
}

// Opens the pack and reads its directory: 0 when whole, 1 when damaged (the
// entries before the damage are still there), -1 when it cannot be opened.
int OpenPack(const std::string& pack, const char* command, resources::TQZStore& store) {
  if (!store.Open(pack)) {
    std::cerr << "qazmir-tool " << command << ": cannot open " << pack << "\n";
    return -1;
  }
  if (!store.ReadDirectory()) {
    std::cerr << "qazmir-tool " << command << ": " << pack
              << ": the directory is damaged; only the entries before the damage are used\n";
    return 1;
  }
  return 0;
}

// The output path of an entry below outDir, or nothing when the name would
// leave the folder (an absolute name, "..", an empty component).
bool OutputPath(const std::string& utf8Name, const fs::path& outDir, fs::path& out) {
  out = outDir;
  size_t start = 0;
  while (start <= utf8Name.size()) {
    size_t end = utf8Name.find_first_of("\\/", start);
    if (end == std::string::npos) end = utf8Name.size();
    std::string part = utf8Name.substr(start, end - start);
    if (part.empty() || part == "." || part == ".." || part.find('\0') != std::string::npos) {
      return false;
    }
    out /= part;
    start = end + 1;
  }
  return true;
}

}  // namespace

int RunPack(const CommonOptions& common, const std::string& dir, const std::string& out) {
  const platform::CodePage* cp = FindCodePage(common, "pack");
  if (!cp) return 1;
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) {
    std::cerr << "qazmir-tool pack: " << dir << " is not a folder\n";
    return 1;
  }
  // Entry name -> file, so that the pack's order does not depend on the file system's.
  std::map<std::string, fs::path> files;
  int status = 0;
  fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    fs::path relative = it->path().lexically_relative(dir);
    std::string name;
    if (!EntryName(relative, *cp, name)) {
      std::cerr << "qazmir-tool pack: " << relative.string() << ": the name has characters that "
                << cp->Name() << " cannot hold\n";
      status = 1;
      continue;
    }
    auto [pos, inserted] = files.emplace(name, it->path());
    if (!inserted) {
      std::cerr << "qazmir-tool pack: " << it->path().string() << " and " << pos->second.string()
                << " give the same entry name " << cp->ToUtf8(name) << "\n";
      status = 1;
    }
  }
  if (ec) {
    std::cerr << "qazmir-tool pack: cannot read " << dir << ": " << ec.message() << "\n";
    return 1;
  }
  if (status != 0) return status;

  resources::PackWriter writer;
  for (const auto& [name, path] : files) {
    auto bytes = platform::ReadWholeFile(path);
    if (!bytes) {
      std::cerr << "qazmir-tool pack: cannot read " << path.string() << "\n";
      return 1;
    }
    if (!writer.Add(name, *bytes)) {
      std::cerr << "qazmir-tool pack: the pack would exceed 2 GiB at " << path.string() << "\n";
      return 1;
    }
  }
  if (!platform::WriteFileAtomically(out, writer.Finish())) {
    std::cerr << "qazmir-tool pack: cannot write " << out << "\n";
    return 1;
  }
  return 0;
}

int RunUnpack(const CommonOptions& common, const std::string& pack, const std::string& outDir) {
  const platform::CodePage* cp = FindCodePage(common, "unpack");
  if (!cp) return 1;
  resources::TQZStore store;
  int status = OpenPack(pack, "unpack", store);
  if (status < 0) return 1;
  std::set<std::string> written;
  const auto& entries = store.Entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string utf8 = cp->ToUtf8(entries[i].name);
    fs::path target;
    if (!OutputPath(utf8, outDir, target)) {
      std::cerr << "qazmir-tool unpack: entry \"" << utf8 << "\" would leave the folder; skipped\n";
      status = 1;
      continue;
    }
    // Lookups find only the first of equal names; later ones are dead weight.
    if (!written.insert(entries[i].name).second) {
      std::cerr << "qazmir-tool unpack: duplicate entry \"" << utf8 << "\" skipped\n";
      continue;
    }
    std::string bytes;
    if (!store.ReadEntryAt(static_cast<int>(i), bytes)) {
      std::cerr << "qazmir-tool unpack: entry \"" << utf8 << "\" cannot be read\n";
      status = 1;
      continue;
    }
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    if (ec || !platform::WriteFileAtomically(target, bytes)) {
      std::cerr << "qazmir-tool unpack: cannot write " << target.string() << "\n";
      status = 1;
    }
  }
  return status;
}

int RunLs(const CommonOptions& common, const std::string& pack) {
  const platform::CodePage* cp = FindCodePage(common, "ls");
  if (!cp) return 1;
  resources::TQZStore store;
  int status = OpenPack(pack, "ls", store);
  if (status < 0) return 1;
  // One line per entry in directory order: size, data offset, name.
  for (const auto& e : store.Entries()) {
    std::printf("%10d %10u %s\n", e.size, e.offset, cp->ToUtf8(e.name).c_str());
  }
  return status;
}

}  // namespace tools
