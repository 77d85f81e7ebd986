#include "platform/confined_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
// Builds for systems without openat2 (the browser's file system) walk always.
#if __has_include(<linux/openat2.h>)
#include <linux/openat2.h>
#include <sys/syscall.h>
#define QZ_HAVE_OPENAT2 1
#endif

#include <cerrno>
#include <deque>
#include <iostream>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

namespace platform {

namespace {

namespace fs = std::filesystem;

// As the kernel allows for one path: a chain of links longer than this is a loop.
constexpr int kMaxLinks = 40;

struct Folder {
  fs::path named;  // absolute and lexically normal, as given
  fs::path real;   // after the folder's own links
  bool user = false;
};

struct Confinement {
  std::mutex mu;
  bool openat2 = true;
  std::optional<Folder> game, user;
  std::set<std::string> warned;
};

Confinement& State() {
  static Confinement state;
  return state;
}

fs::path Normal(const fs::path& p) {
  std::error_code ec;
  fs::path abs = fs::absolute(p, ec).lexically_normal();
  if (abs.has_filename() || abs == abs.root_path()) return abs;
  return abs.parent_path();  // without the trailing separator
}

std::optional<Folder> MakeFolder(const fs::path& p, bool user) {
  if (p.empty()) return std::nullopt;
  Folder f;
  f.named = Normal(p);
  std::error_code ec;
  // A folder that does not exist yet takes the links of its existing part.
  f.real = fs::weakly_canonical(f.named, ec);
  if (ec) f.real = f.named;
  f.real = Normal(f.real);
  f.user = user;
  return f;
}

// The part of path below folder, when path lies inside it (or is it).
std::optional<fs::path> Below(const fs::path& path, const fs::path& folder) {
  auto p = path.begin(), f = folder.begin();
  for (; f != folder.end(); ++f, ++p)
    if (p == path.end() || *p != *f) return std::nullopt;
  fs::path rest;
  for (; p != path.end(); ++p) rest /= *p;
  return rest;
}

struct Placement {
  Folder folder;
  fs::path rel;
};

// The named folder a path lies in, the more specific one when it lies in both.
std::optional<Placement> Place(const fs::path& path) {
  Confinement& s = State();
  std::lock_guard<std::mutex> lock(s.mu);
  const fs::path p = Normal(path);
  std::optional<Placement> best;
  size_t bestDepth = 0;
  for (const std::optional<Folder>* f : {&s.game, &s.user}) {
    if (!*f) continue;
    for (const fs::path* base : {&(*f)->named, &(*f)->real}) {
      auto rel = Below(p, *base);
      const size_t depth = static_cast<size_t>(std::distance(base->begin(), base->end()));
      if (rel && (!best || depth > bestDepth)) {
        best = Placement{**f, *rel};
        bestDepth = depth;
      }
    }
  }
  return best;
}

// The named folder whose real path holds an absolute link target.
std::optional<Placement> PlaceTarget(const fs::path& target) {
  Confinement& s = State();
  std::lock_guard<std::mutex> lock(s.mu);
  const fs::path p = target.lexically_normal();
  for (const std::optional<Folder>* f : {&s.game, &s.user}) {
    if (!*f) continue;
    if (auto rel = Below(p, (*f)->real)) return Placement{**f, *rel};
  }
  return std::nullopt;
}

void WarnRefused(const fs::path& path, const std::string& why) {
  Confinement& s = State();
  {
    std::lock_guard<std::mutex> lock(s.mu);
    if (!s.warned.insert(path.string()).second) return;
  }
  std::cerr << "qazmir: warning: " << path.string() << " is refused: " << why << "\n";
}

// Descriptors opened by a walk, closed with it.
class FdStack {
 public:
  ~FdStack() { Reset(); }
  void Push(int fd) { fds_.push_back(fd); }
  void Pop() {
    ::close(fds_.back());
    fds_.pop_back();
  }
  void Reset() {
    while (!fds_.empty()) Pop();
  }
  bool Empty() const { return fds_.empty(); }
  size_t Size() const { return fds_.size(); }
  int Top() const { return fds_.back(); }

 private:
  std::vector<int> fds_;
};

int OpenFolderFd(const Folder& f, bool create) {
  int fd = ::open(f.real.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT && create && f.user) {
    // The per-user folder appears with the first thing written into it.
    std::error_code ec;
    fs::create_directories(f.real, ec);
    fd = ::open(f.real.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  }
  return fd;
}

void PushComponents(std::deque<std::string>& queue, const fs::path& p) {
  std::vector<std::string> parts;
  for (const fs::path& c : p.relative_path()) parts.push_back(c.string());
  queue.insert(queue.begin(), parts.begin(), parts.end());
}

enum class WalkEnd { Found, Missing, Refused, Failed };

// Follows rel from the folder, link by link, never leaving the named folders.
// Found: dirFd (owned by the caller) holds the entry `name` (absent or not a
// link when followLast).
WalkEnd Walk(const fs::path& path, Placement place, CreateFolders create, bool followLast,
             int& dirFd, std::string& name) {
  FdStack fds;
  const bool createFolders = create == CreateFolders::kAll;
  int base = OpenFolderFd(place.folder, create != CreateFolders::kNone);
  if (base < 0) return WalkEnd::Missing;
  fds.Push(base);
  const size_t floor = 1;  // the folder itself: ".." may not pop it
  std::deque<std::string> queue;
  PushComponents(queue, place.rel);
  int links = 0;
  if (queue.empty()) queue.push_back(".");
  auto found = [&](const std::string& entry) {
    dirFd = ::dup(fds.Top());
    name = entry;
    return dirFd < 0 ? WalkEnd::Failed : WalkEnd::Found;
  };
  while (!queue.empty()) {
    std::string c = std::move(queue.front());
    queue.pop_front();
    const bool last = queue.empty();
    if (c.empty() || c == ".") {
      if (last) return found(".");
      continue;
    }
    if (c == "..") {
      if (fds.Size() <= floor) {
        WarnRefused(path, "it climbs out of the game's folders");
        return WalkEnd::Refused;
      }
      fds.Pop();
      if (last) return found(".");
      continue;
    }
    struct stat st {};
    if (::fstatat(fds.Top(), c.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT) return WalkEnd::Failed;
      if (last) return found(c);  // a new entry in an existing folder
      if (!createFolders) return WalkEnd::Missing;
      if (::mkdirat(fds.Top(), c.c_str(), 0755) != 0 && errno != EEXIST) return WalkEnd::Failed;
      if (::fstatat(fds.Top(), c.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return WalkEnd::Failed;
    }
    if (S_ISLNK(st.st_mode) && (followLast || !last)) {
      char buf[4096];
      ssize_t n = ::readlinkat(fds.Top(), c.c_str(), buf, sizeof buf - 1);
      if (n <= 0) return WalkEnd::Failed;
      const fs::path target(std::string(buf, static_cast<size_t>(n)));
      if (++links > kMaxLinks) {
        WarnRefused(path, "its links form a loop");
        return WalkEnd::Refused;
      }
      if (target.is_absolute()) {
        std::optional<Placement> inside = PlaceTarget(target);
        if (!inside) {
          WarnRefused(path, "the link " + c + " -> " + target.string() +
                                " leads outside the game's folders");
          return WalkEnd::Refused;
        }
        fds.Reset();
        base = OpenFolderFd(inside->folder, false);
        if (base < 0) return WalkEnd::Missing;
        fds.Push(base);
        PushComponents(queue, inside->rel);
      } else {
        PushComponents(queue, target);
      }
      if (queue.empty()) queue.push_back(".");
      continue;
    }
    if (last) return found(c);
    if (!S_ISDIR(st.st_mode)) return WalkEnd::Missing;
    int fd = ::openat(fds.Top(), c.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return WalkEnd::Failed;
    fds.Push(fd);
  }
  return found(".");
}

}  // namespace

void ConfineToFolders(const fs::path& gameFolder, const fs::path& userFolder) {
  Confinement& s = State();
  std::lock_guard<std::mutex> lock(s.mu);
  s.game = MakeFolder(gameFolder, false);
  s.user = MakeFolder(userFolder, true);
  s.warned.clear();
}

void SetConfinedUserFolder(const fs::path& userFolder) {
  Confinement& s = State();
  std::lock_guard<std::mutex> lock(s.mu);
  s.user = MakeFolder(userFolder, true);
}

void ClearConfinement() {
  Confinement& s = State();
  std::lock_guard<std::mutex> lock(s.mu);
  s.game.reset();
  s.user.reset();
  s.warned.clear();
}

void UseKernelBeneathResolution(bool on) {
  Confinement& s = State();
  std::lock_guard<std::mutex> lock(s.mu);
  s.openat2 = on;
}

ConfinedEntry::~ConfinedEntry() {
  if (dirFd_ >= 0) ::close(dirFd_);
}

bool ConfinedEntry::Locate(const fs::path& path, CreateFolders create) {
  if (dirFd_ >= 0) ::close(dirFd_);
  dirFd_ = -1;
  name_.clear();
  confined_ = false;
  if (std::optional<Placement> place = Place(path)) {
    confined_ = true;
    int fd = -1;
    std::string name;
    if (Walk(path, *place, create, followLast_, fd, name) != WalkEnd::Found) {
      if (fd >= 0) ::close(fd);
      return false;
    }
    dirFd_ = fd;
    name_ = name;
    return true;
  }
  fs::path dir = path.parent_path();
  if (dir.empty()) dir = ".";
  if (create == CreateFolders::kAll) {
    std::error_code ec;
    fs::create_directories(dir, ec);
  }
  dirFd_ = ::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  name_ = path.filename().string();
  if (name_.empty()) name_ = ".";
  return dirFd_ >= 0;
}

int ConfinedEntry::Open(int flags, mode_t mode) const {
  if (dirFd_ < 0) return -1;
  return ::openat(dirFd_, name_.c_str(), flags | O_CLOEXEC | (confined_ ? O_NOFOLLOW : 0), mode);
}

int OpenConfined(const fs::path& path, int flags, mode_t mode) {
  std::optional<Placement> place = Place(path);
  if (!place) return ::open(path.c_str(), flags | O_CLOEXEC, mode);
  bool useOpenat2;
  {
    std::lock_guard<std::mutex> lock(State().mu);
    useOpenat2 = State().openat2;
  }
#ifdef QZ_HAVE_OPENAT2
  int base = useOpenat2 ? OpenFolderFd(place->folder, false) : -1;
  if (base >= 0) {
    open_how how{};
    how.flags = static_cast<uint64_t>(flags | O_CLOEXEC);
    how.mode = (flags & O_CREAT) ? mode : 0;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    const std::string rel = place->rel.empty() ? std::string(".") : place->rel.string();
    int fd = static_cast<int>(::syscall(SYS_openat2, base, rel.c_str(), &how, sizeof how));
    const int err = errno;
    ::close(base);
    if (fd >= 0) return fd;
    // Sandboxes answer EPERM for unknown calls; EXDEV covers both an escape
    // and a link with an absolute target, which the walk tells apart.
    if (err != ENOSYS && err != EPERM && err != EXDEV && err != ELOOP) {
      errno = err;
      return -1;
    }
  }
#else
  (void)useOpenat2;
#endif
  ConfinedEntry entry;
  if (!entry.Locate(path, CreateFolders::kNone)) {
    errno = EACCES;
    return -1;
  }
  return entry.Open(flags, mode);
}

bool RemoveConfined(const fs::path& path) {
  ConfinedEntry entry;
  entry.SetFollowLast(false);
  if (!entry.Locate(path, CreateFolders::kNone)) return false;
  struct stat st {};
  if (::fstatat(entry.Folder(), entry.Name().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
      S_ISDIR(st.st_mode))
    return false;
  return ::unlinkat(entry.Folder(), entry.Name().c_str(), 0) == 0;
}

bool MakeFoldersConfined(const fs::path& dir) {
  ConfinedEntry entry;
  if (!entry.Locate(dir, CreateFolders::kAll)) return false;
  if (entry.Name() != "." && ::mkdirat(entry.Folder(), entry.Name().c_str(), 0755) != 0 &&
      errno != EEXIST)
    return false;
  struct stat st {};
  return ::fstatat(entry.Folder(), entry.Name().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISDIR(st.st_mode);
}

}  // namespace platform
