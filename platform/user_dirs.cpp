#include "platform/user_dirs.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/confined_files.h"
#include "platform/path_resolver.h"

namespace platform {

namespace {

constexpr size_t kMaxFileNameBytes = 255;

std::mutex& OverrideMutex() {
  static std::mutex mu;
  return mu;
}

std::filesystem::path& OverrideDir() {
  static std::filesystem::path dir;
  return dir;
}

std::filesystem::path HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return home;
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buf(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd pw{};
  passwd* result = nullptr;
  if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &result) == 0 && result &&
      result->pw_dir && result->pw_dir[0] == '/')
    return result->pw_dir;
  return {};
}

std::filesystem::path XdgFolder(const char* variable, const char* fallbackUnderHome) {
  const char* value = std::getenv(variable);
  if (value && value[0] == '/') return value;
  std::filesystem::path home = HomeFolder();
  if (home.empty()) return {};
  return home / fallbackUnderHome;
}

}  // namespace

void SetUserDataHomeOverride(const std::filesystem::path& dir) {
  std::lock_guard<std::mutex> lock(OverrideMutex());
  OverrideDir() = dir;
}

std::filesystem::path UserDataHome() {
  {
    std::lock_guard<std::mutex> lock(OverrideMutex());
    if (!OverrideDir().empty()) return OverrideDir();
  }
  return XdgFolder("XDG_DATA_HOME", ".local/share");
}

std::filesystem::path UserStateHome() {
  {
    std::lock_guard<std::mutex> lock(OverrideMutex());
    if (!OverrideDir().empty()) return OverrideDir();
  }
  return XdgFolder("XDG_STATE_HOME", ".local/state");
}

std::vector<std::filesystem::path> DataFolders() {
  std::vector<std::filesystem::path> out;
  auto add = [&out](const std::filesystem::path& p) {
    if (p.is_absolute() && std::find(out.begin(), out.end(), p) == out.end()) out.push_back(p);
  };
  add(UserDataHome());
  const char* dirs = std::getenv("XDG_DATA_DIRS");
  const std::string list = dirs && *dirs ? dirs : "/usr/local/share:/usr/share";
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    add(list.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

std::filesystem::path UserConfigHome() { return XdgFolder("XDG_CONFIG_HOME", ".config"); }

std::filesystem::path EditorSettingsFile() {
  std::filesystem::path config = UserConfigHome();
  return config.empty() ? config : config / "ZARarar.ini";
}

std::filesystem::path PerUserFolder(std::string_view id, const CodePage& cp) {
  std::filesystem::path home = UserDataHome();
  if (home.empty()) return {};
  std::string name = SanitizeFolderName(id);
  // Keep the whole characters that fit in a file name.
  size_t bytes = 0, keep = 0;
  for (; keep < name.size(); ++keep) {
    char32_t u = cp.ToUnicode(static_cast<unsigned char>(name[keep]));
    size_t n = u < 0x80 ? 1 : u < 0x800 ? 2 : u < 0x10000 ? 3 : 4;
    if (bytes + n > kMaxFileNameBytes) break;
    bytes += n;
  }
  std::string utf8 = cp.ToUtf8(name.substr(0, keep));
  std::filesystem::path dir = home / "Qazmir";
  if (!utf8.empty()) dir /= utf8;
  return dir / "";
}

bool EnsureFolder(const std::filesystem::path& dir) {
  if (dir.empty()) return false;
  return MakeFoldersConfined(dir);
}

std::filesystem::path ExecutablePath() {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : p;
}

}  // namespace platform
