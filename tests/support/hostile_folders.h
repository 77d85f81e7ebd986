#pragma once
// A game folder and a per-user folder as a hostile archive leaves them: links
// planted to files and folders outside, and victim files out there whose
// bytes must survive whatever the game does.

#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace testing_support {

class HostileFolders {
 public:
  HostileFolders();
  const std::filesystem::path& Game() const { return game_.Path(); }
  // The data home (--user-dir) and the per-user folder of the game Id in it.
  const std::filesystem::path& Users() const { return users_.Path(); }
  std::filesystem::path UserFolder(const std::string& id) const;
  const std::filesystem::path& Outside() const { return outside_.Path(); }

  // A file outside both folders, holding kVictimBytes.
  std::filesystem::path Victim(const std::string& name) const;
  // A symbolic link at `at` pointing to `target` exactly as given (relative
  // targets are kept relative); the link's folder is created.
  static void Link(const std::filesystem::path& at, const std::filesystem::path& target);
  // True when every victim still holds exactly kVictimBytes and no file
  // other than the victims appeared outside.
  bool OutsideUntouched() const;

  // Also a language file, so that reading it through a link would show.
  static constexpr const char* kVictimBytes = "[Default]\r\nSecret=private bytes of the user\r\n";

 private:
  TempDir game_, users_, outside_;
};

}  // namespace testing_support
