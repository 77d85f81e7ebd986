#pragma once
// A scratch folder for fuzz targets whose readers take a file name: made once
// per process under /dev/shm (memory, so that writing a file per input stays
// cheap), falling back to $TMPDIR, and removed at exit.

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace fuzzing {

inline const std::filesystem::path& ScratchFolder() {
  static const std::filesystem::path folder = [] {
    std::string tmpl = "/dev/shm/qzfuzz.XXXXXX";
    if (!::mkdtemp(tmpl.data())) {
      const char* tmp = ::getenv("TMPDIR");
      tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/qzfuzz.XXXXXX";
      if (!::mkdtemp(tmpl.data())) std::abort();
    }
    static std::filesystem::path removeAtExit = tmpl;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(removeAtExit, ec);
    });
    return std::filesystem::path(tmpl);
  }();
  return folder;
}

// Replaces a file's bytes (no atomic write needed: one process, one file).
inline void PutFile(const std::filesystem::path& path, std::string_view bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
  std::fclose(f);
}

// A file's bytes ("" when it cannot be read).
inline std::string ReadBack(const std::filesystem::path& path) {
  std::string out;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
  }
  return out;
}

}  // namespace fuzzing
