#include "platform/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <random>

#include "platform/confined_files.h"

namespace platform {

namespace {

// Temporary files are named "<name>.tmp<pid>.<random>". A write killed before
// its rename leaves its file behind; every later write of the same name
// removes those whose process no longer runs, so crashes cannot pile them up.
// A live process's file may be a write in progress and is never touched.
void RemoveOrphanedTemporaries(int dirFd, const std::string& fileName) {
  const std::string prefix = fileName + ".tmp";
  int fd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return;
  }
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    size_t at = prefix.size();
    long long pid = 0;
    while (at < name.size() && name[at] >= '0' && name[at] <= '9' && pid < INT32_MAX)
      pid = pid * 10 + (name[at++] - '0');
    if (at == prefix.size() || at >= name.size() || name[at] != '.' || pid <= 0 ||
        pid > INT32_MAX || pid == ::getpid())
      continue;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
      ::unlinkat(dirFd, name.c_str(), 0);
  }
  ::closedir(dir);
}

bool WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

namespace {

// Reads up to out.size() bytes from the start of fd; out is cut to what was read.
bool ReadPrefix(int fd, std::string& out) {
  size_t got = 0;
  while (got < out.size()) {
    ssize_t n = ::read(fd, out.data() + got, out.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;  // a shorter file, or one that shrank while we read it
    got += static_cast<size_t>(n);
  }
  out.resize(got);
  return true;
}

// An open regular file and its size, or -1.
int OpenRegular(const std::filesystem::path& path, uint64_t& size) {
  int fd = OpenConfined(path, O_RDONLY);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  size = static_cast<uint64_t>(st.st_size);
  return fd;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, uint64_t maxBytes) {
  uint64_t size = 0;
  int fd = OpenRegular(path, size);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> out;
  if (size <= maxBytes) {
    out.emplace(static_cast<size_t>(size), '\0');
    if (!ReadPrefix(fd, *out)) out.reset();
  }
  ::close(fd);
  return out;
}

bool ReadFileHead(const std::filesystem::path& path, size_t maxBytes, std::string& out) {
  uint64_t size = 0;
  int fd = OpenRegular(path, size);
  if (fd < 0) return false;
  out.assign(static_cast<size_t>(std::min<uint64_t>(size, maxBytes)), '\0');
  const bool ok = ReadPrefix(fd, out);
  ::close(fd);
  return ok;
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  // The temporary file lies beside the file the links lead to, so the rename
  // replaces that file and never leaves its folder.
  ConfinedEntry target;
  if (!target.Locate(path, CreateFolders::kUserFolder) || target.Name() == ".") return false;
  const int dir = target.Folder();
  static std::mt19937_64 rng{std::random_device{}()};
  std::string tmp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".tmp%ld.%016llx", static_cast<long>(::getpid()),
                  static_cast<unsigned long long>(rng()));
    tmp = target.Name() + suffix;
    fd = ::openat(dir, tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::renameat(dir, tmp.c_str(), dir, target.Name().c_str()) == 0;
  if (!ok) {
    ::unlinkat(dir, tmp.c_str(), 0);
    return false;
  }
  // Make the rename itself durable.
  int dfd = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  RemoveOrphanedTemporaries(dir, target.Name());
  return true;
}

std::optional<std::filesystem::path> CreateUniqueFile(const std::filesystem::path& folder,
                                                      const std::string& stem,
                                                      std::string_view bytes) {
  static std::mt19937_64 rng{std::random_device{}()};
  for (int attempt = 0; attempt < 16; ++attempt) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%ld.%016llx", static_cast<long>(::getpid()),
                  static_cast<unsigned long long>(rng()));
    const std::filesystem::path path = folder / (stem + suffix);
    ConfinedEntry target;
    if (!target.Locate(path, CreateFolders::kUserFolder)) return std::nullopt;
    int fd = target.Open(O_WRONLY | O_CREAT | O_EXCL);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return std::nullopt;
    }
    bool ok = WriteAll(fd, bytes);
    ok = (::close(fd) == 0) && ok;
    if (ok) return path;
    ::unlinkat(target.Folder(), target.Name().c_str(), 0);
    return std::nullopt;
  }
  return std::nullopt;
}

bool AppendToFile(const std::filesystem::path& path, std::string_view bytes) {
  ConfinedEntry target;
  if (!target.Locate(path, CreateFolders::kUserFolder)) return false;
  int fd = target.Open(O_WRONLY | O_CREAT | O_APPEND);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes);
  ok = (::close(fd) == 0) && ok;
  return ok;
}

}  // namespace platform
