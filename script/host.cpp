#include "script/host.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>

#include "platform/confined_files.h"
#include "platform/path_resolver.h"

namespace script {

namespace {

// Script files are small; anything larger is refused rather than read.
constexpr off_t kMaxScriptFileBytes = off_t{16} << 20;

}  // namespace

bool ScriptHost::ReadScriptFile(const std::string& name, std::string& content, std::string& key,
                                int& osError) {
  // Game names: "\" separators, any letter case, relative to the game's folder.
  std::optional<std::filesystem::path> real = platform::GameFiles().Resolve(name);
  if (!real) {
    osError = ENOENT;
    return false;
  }
  const std::string path = real->string();
  int fd = platform::OpenConfined(path, O_RDONLY);
  if (fd < 0) {
    osError = errno;
    return false;
  }
  struct stat st {};
  int statError = ::fstat(fd, &st) != 0 ? errno : 0;
  if (statError == 0 && S_ISDIR(st.st_mode)) statError = EISDIR;
  if (statError == 0 && !S_ISREG(st.st_mode)) statError = EINVAL;
  if (statError == 0 && st.st_size > kMaxScriptFileBytes) statError = EFBIG;
  if (statError != 0) {
    osError = statError;
    ::close(fd);
    return false;
  }
  content.assign(static_cast<size_t>(st.st_size), '\0');
  size_t got = 0;
  while (got < content.size()) {
    ssize_t n = ::read(fd, content.data() + got, content.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  content.resize(got);
  ::close(fd);
  std::error_code ec;
  auto canonical = std::filesystem::weakly_canonical(path, ec);
  key = ec ? path : canonical.string();
  return true;
}

}  // namespace script
