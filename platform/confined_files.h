#pragma once
// Files a game may touch: those inside its folder and its per-user folder,
// after every symbolic link on the way has been followed.
//
// Games are archives from strangers. A game folder can ship links (a log file
// linked to a shell start-up file, a language file linked to a private file),
// and a folder linked into the per-user folder would carry saves and
// deletions through it. So start-up names the two folders once (each taken
// through its own links: people keep games on other disks), and every path
// that lies by name inside one of them is opened by a walk that follows each
// link and refuses to leave both folders. A link whose target stays inside,
// written relative or absolute, keeps working. A refused path reads as a
// missing file and cannot be written or deleted (the quiet outcomes a game
// sees for missing or unwritable files); each refused path is reported once
// on stderr. Paths inside neither folder (the user's own files named on the
// command line) and every path while no folder is named (tools, tests) are
// opened as they are.
//
// The walk uses openat2 with RESOLVE_BENEATH where the kernel has it and falls
// back to a component-by-component walk with O_NOFOLLOW, which also serves
// links with absolute targets (openat2 refuses every one of those).

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace platform {

// Names the folders (either may be empty: not confined there). The per-user
// folder need not exist; it is created by the first write into it.
void ConfineToFolders(const std::filesystem::path& gameFolder,
                      const std::filesystem::path& userFolder);
void SetConfinedUserFolder(const std::filesystem::path& userFolder);
// No folder named: every path is opened as it is.
void ClearConfinement();
// Off: every confined open takes the component walk, as on kernels without
// openat2 (tests run both ways).
void UseKernelBeneathResolution(bool on);

// open(2) of a path: confined when it lies inside a named folder. A refused
// path gives -1 with errno EACCES. O_CREAT does not create missing folders.
int OpenConfined(const std::filesystem::path& path, int flags, mode_t mode = 0644);

// What a walk may create on its way: nothing; the per-user folder itself,
// which appears with the first file written into it; or every missing folder.
enum class CreateFolders { kNone, kUserFolder, kAll };

// The entry a path names after its links: the folder that holds it (an open
// descriptor) and its name there, which is not a link (it may not exist yet).
// Not confined paths are split as they stand.
class ConfinedEntry {
 public:
  ConfinedEntry() = default;
  ~ConfinedEntry();
  ConfinedEntry(const ConfinedEntry&) = delete;
  ConfinedEntry& operator=(const ConfinedEntry&) = delete;
  // A last component that is a link is followed unless told otherwise
  // (deleting a link removes the link).
  void SetFollowLast(bool follow) { followLast_ = follow; }
  bool Locate(const std::filesystem::path& path, CreateFolders create);
  int Folder() const { return dirFd_; }
  const std::string& Name() const { return name_; }
  // openat of the entry without following a link.
  int Open(int flags, mode_t mode = 0644) const;

 private:
  int dirFd_ = -1;
  std::string name_;
  bool confined_ = false;
  bool followLast_ = true;
};

// Deletes a file (never a folder); false when refused or it failed.
bool RemoveConfined(const std::filesystem::path& path);
// Makes a folder and its parents; true when it then exists as a folder.
bool MakeFoldersConfined(const std::filesystem::path& dir);

}  // namespace platform
