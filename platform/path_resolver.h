#pragma once
// Maps the file names of game data onto the Linux file system.
//
// Game data names files the Windows way: "\" (or "/") separators, any letter
// case, names as bytes in the game code page. Each component is matched
// against the real folder's entries without regard to letter case in that code
// page (Cyrillic included), and names are converted to UTF-8 for the file
// system. Entries whose on-disk names are not UTF-8 (archives unpacked without
// conversion) match by their raw bytes in the code page. When two entries
// differ only in case, the exact spelling wins, then the first in byte order.
//
// Name rules, shared by every resolver here:
//   - empty components and "." are skipped; trailing dots and spaces of a
//     component are dropped, as Windows drops them ("a.wav " names "a.wav");
//   - a component of dots and spaces holding two or more dots is a parent
//     reference ("..", ". .", "...");
//   - absolute names ("\x", "/x", "C:x", "C:\x") and names with NUL are refused.
//
// Game data (PathResolver): parent references are applied to the name itself
// before anything is looked up, as Windows normalises a path; one that would
// climb above the game's folder is refused. Files the player writes
// (ResolveInside): every parent reference is refused, so such a name can never
// leave its folder.

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "platform/codepage.h"

namespace platform {

// Entries of one real folder, keyed for case-insensitive lookup.
struct FolderListing {
  bool exists = false;
  int64_t mtimeNs = 0;     // the folder's modification time when listed
  int64_t listedAtNs = 0;  // when it was listed
  std::unordered_set<std::string> names;                 // on-disk names
  std::unordered_map<std::string, std::string> byFold;   // code page upper case -> on-disk name

  static FolderListing Read(const std::filesystem::path& folder, const CodePage& cp);
  // The on-disk name that a code page component names, if any.
  std::optional<std::string> Find(std::string_view component, const CodePage& cp) const;
};

// Resolves game-relative names under a base folder (the game's folder), with
// folder listings cached. A lookup that misses re-reads a listing whose folder
// changed since it was read, so files created later are found; Invalidate
// forces it (for file systems with coarse modification times).
class PathResolver {
 public:
  explicit PathResolver(const std::filesystem::path& base = ".",
                        const CodePage& cp = CodePage::Default());

  // Re-targets this resolver (start-up sets the game's folder and code page).
  void Reset(const std::filesystem::path& base, const CodePage& cp);
  // The absolute base folder.
  std::filesystem::path Base() const;
  const CodePage& Cp() const;

  // The real path of an existing file or folder; nullopt when there is none or
  // the name is refused.
  std::optional<std::filesystem::path> Resolve(std::string_view gameName);
  bool Exists(std::string_view gameName) { return Resolve(gameName).has_value(); }
  // The path to create a file at: existing folders matched, the remaining
  // components converted as given. nullopt when the name is refused.
  std::optional<std::filesystem::path> ResolveForWrite(std::string_view gameName);

  void Invalidate();
  void Invalidate(const std::filesystem::path& realFolder);

 private:
  std::optional<std::filesystem::path> Walk(std::string_view gameName, bool forWrite);
  std::optional<std::string> Lookup(const std::filesystem::path& folder, std::string_view component);

  mutable std::mutex mu_;
  std::filesystem::path base_;
  const CodePage* cp_;
  std::unordered_map<std::string, FolderListing> cache_;  // by absolute folder path
};

// The process-wide resolver of game files, on the current directory until
// start-up resets it to the game's folder.
PathResolver& GameFiles();

// A name from game data inside a folder the player writes to (the per-user
// folder): matched like game files (without a cache), every parent reference
// and absolute name refused. The result may not exist yet.
std::optional<std::filesystem::path> ResolveInside(const std::filesystem::path& folder,
                                                   std::string_view gameName,
                                                   const CodePage& cp = CodePage::Default());

// A root Id as one folder name (code page bytes): "/", "\" and NUL become "_",
// and a name of only dots becomes underscores, so it can never climb. The
// empty Id stays empty (the files then lie in the parent folder, as on Windows).
std::string SanitizeFolderName(std::string_view id);

}  // namespace platform
