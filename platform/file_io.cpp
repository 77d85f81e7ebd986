#include "platform/file_io.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <random>

namespace platform {

namespace {

// Temporary files are named "<name>.tmp<pid>.<random>". A write killed before
// its rename leaves its file behind; every later write of the same name
// removes those whose process no longer runs, so crashes cannot pile them up.
// A live process's file may be a write in progress and is never touched.
void RemoveOrphanedTemporaries(const std::filesystem::path& dir, const std::string& fileName) {
  const std::string prefix = fileName + ".tmp";
  std::error_code ec;
  std::filesystem::directory_iterator it(dir, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    size_t at = prefix.size();
    long long pid = 0;
    while (at < name.size() && name[at] >= '0' && name[at] <= '9' && pid < INT32_MAX)
      pid = pid * 10 + (name[at++] - '0');
    if (at == prefix.size() || at >= name.size() || name[at] != '.' || pid <= 0 ||
        pid > INT32_MAX || pid == ::getpid())
      continue;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) ::unlink(it->path().c_str());
  }
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
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
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
  std::filesystem::path dir = path.parent_path();
  if (dir.empty()) dir = ".";
  static std::mt19937_64 rng{std::random_device{}()};
  std::filesystem::path tmp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".tmp%ld.%016llx", static_cast<long>(::getpid()),
                  static_cast<unsigned long long>(rng()));
    tmp = dir / (path.filename().string() + suffix);
    fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(tmp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(tmp.c_str());
    return false;
  }
  // Make the rename itself durable.
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  RemoveOrphanedTemporaries(dir, path.filename().string());
  return true;
}

bool AppendToFile(const std::filesystem::path& path, std::string_view bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes);
  ok = (::close(fd) == 0) && ok;
  return ok;
}

}  // namespace platform
