#include "support/hostile_folders.h"

namespace testing_support {

namespace fs = std::filesystem;

HostileFolders::HostileFolders() = default;

fs::path HostileFolders::UserFolder(const std::string& id) const {
  return users_.Path() / "Qazmir" / id;
}

fs::path HostileFolders::Victim(const std::string& name) const {
  const fs::path path = outside_.Path() / name;
  if (!fs::exists(path)) WriteFile(path, kVictimBytes);
  return path;
}

void HostileFolders::Link(const fs::path& at, const fs::path& target) {
  fs::create_directories(at.parent_path());
  fs::create_symlink(target, at);
}

bool HostileFolders::OutsideUntouched() const {
  for (const auto& e : fs::recursive_directory_iterator(outside_.Path())) {
    if (e.is_directory()) continue;
    if (!e.is_regular_file() || ReadFile(e.path()) != kVictimBytes) return false;
  }
  return true;
}

}  // namespace testing_support
