#include "platform/path_resolver.h"

#include <sys/stat.h>

#include <ctime>
#include <vector>

namespace platform {

namespace {

// A listing whose folder changed this recently may miss entries made in the
// same tick of a coarse file-system clock; it is re-read on every miss.
constexpr int64_t kRacyListingNs = INT64_C(2'000'000'000);

int64_t NowNs() {
  timespec ts{};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// The folder's modification time, or nullopt when it is not a folder.
std::optional<int64_t> FolderMtime(const std::filesystem::path& folder) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
  return static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

bool PathExists(const std::filesystem::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0;
}

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t extra;
    char32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= s.size()) return false;
    for (size_t k = 1; k <= extra; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp < 0xE000))) ||
        (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
      return false;
    i += extra + 1;
  }
  return true;
}

// One parsed component: a name (code page bytes) or a parent reference.
struct Component {
  bool parent = false;
  std::string name;
};

// Splits a game name by the rules in the header; nullopt when refused.
std::optional<std::vector<Component>> SplitGameName(std::string_view name) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return std::nullopt;
  if (name.front() == '\\' || name.front() == '/') return std::nullopt;
  if (name.size() >= 2 && name[1] == ':' &&
      ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
    return std::nullopt;
  std::vector<Component> parts;
  size_t pos = 0;
  while (pos <= name.size()) {
    size_t sep = name.find_first_of("\\/", pos);
    if (sep == std::string_view::npos) sep = name.size();
    std::string_view c = name.substr(pos, sep - pos);
    pos = sep + 1;
    if (c.empty()) continue;
    if (c.find_first_not_of(". ") == std::string_view::npos) {
      size_t dots = 0;
      for (char ch : c) dots += ch == '.';
      if (dots >= 2) parts.push_back({true, {}});
      continue;
    }
    while (!c.empty() && (c.back() == '.' || c.back() == ' ')) c.remove_suffix(1);
    parts.push_back({false, std::string(c)});
  }
  return parts;
}

// Applies parent references to the name itself; nullopt when one climbs above
// the start.
std::optional<std::vector<std::string>> Normalize(const std::vector<Component>& parts) {
  std::vector<std::string> out;
  for (const Component& c : parts) {
    if (c.parent) {
      if (out.empty()) return std::nullopt;
      out.pop_back();
    } else {
      out.push_back(c.name);
    }
  }
  if (out.empty()) return std::nullopt;
  return out;
}

std::filesystem::path AbsoluteFolder(const std::filesystem::path& p) {
  std::error_code ec;
  std::filesystem::path abs = std::filesystem::absolute(p.empty() ? "." : p, ec);
  if (ec) abs = p;
  abs = abs.lexically_normal();
  if (abs.has_relative_path() && abs.filename().empty()) abs = abs.parent_path();
  return abs;
}

}  // namespace

// ---- FolderListing ----

FolderListing FolderListing::Read(const std::filesystem::path& folder, const CodePage& cp) {
  FolderListing l;
  l.listedAtNs = NowNs();
  std::optional<int64_t> mtime = FolderMtime(folder);
  if (!mtime) return l;
  l.exists = true;
  l.mtimeNs = *mtime;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    std::string key;
    if (IsValidUtf8(name)) {
      bool lossless = false;
      std::string bytes = cp.FromUtf8(name, &lossless);
      if (!lossless) {
        l.names.insert(std::move(name));
        continue;  // a name game data cannot spell except exactly
      }
      key = cp.Upper(bytes);
    } else {
      key = cp.Upper(name);
    }
    auto [pos, inserted] = l.byFold.emplace(key, name);
    if (!inserted && name < pos->second) pos->second = name;
    l.names.insert(std::move(name));
  }
  return l;
}

std::optional<std::string> FolderListing::Find(std::string_view component, const CodePage& cp) const {
  std::string utf8 = cp.ToUtf8(component);
  if (names.count(utf8)) return utf8;
  auto it = byFold.find(cp.Upper(component));
  if (it != byFold.end()) return it->second;
  return std::nullopt;
}

// ---- PathResolver ----

PathResolver::PathResolver(const std::filesystem::path& base, const CodePage& cp)
    : base_(AbsoluteFolder(base)), cp_(&cp) {}

void PathResolver::Reset(const std::filesystem::path& base, const CodePage& cp) {
  std::lock_guard<std::mutex> lock(mu_);
  base_ = AbsoluteFolder(base);
  cp_ = &cp;
  cache_.clear();
}

std::filesystem::path PathResolver::Base() const {
  std::lock_guard<std::mutex> lock(mu_);
  return base_;
}

const CodePage& PathResolver::Cp() const {
  std::lock_guard<std::mutex> lock(mu_);
  return *cp_;
}

void PathResolver::Invalidate() {
  std::lock_guard<std::mutex> lock(mu_);
  cache_.clear();
}

void PathResolver::Invalidate(const std::filesystem::path& realFolder) {
  std::lock_guard<std::mutex> lock(mu_);
  std::filesystem::path abs = realFolder.is_absolute() ? realFolder : base_ / realFolder;
  cache_.erase(AbsoluteFolder(abs).string());
}

std::optional<std::string> PathResolver::Lookup(const std::filesystem::path& folder,
                                                std::string_view component) {
  const std::string key = folder.string();
  auto it = cache_.find(key);
  if (it == cache_.end()) it = cache_.emplace(key, FolderListing::Read(folder, *cp_)).first;
  if (auto found = it->second.Find(component, *cp_)) return found;
  // A miss: re-read the listing when the folder has changed since.
  const FolderListing& old = it->second;
  std::optional<int64_t> mtime = FolderMtime(folder);
  bool changed = mtime.has_value() != old.exists || (mtime && *mtime != old.mtimeNs) ||
                 (old.exists && old.listedAtNs - old.mtimeNs < kRacyListingNs);
  if (!changed) return std::nullopt;
  it->second = FolderListing::Read(folder, *cp_);
  return it->second.Find(component, *cp_);
}

std::optional<std::filesystem::path> PathResolver::Walk(std::string_view gameName, bool forWrite) {
  std::optional<std::vector<Component>> parts = SplitGameName(gameName);
  if (!parts) return std::nullopt;
  std::optional<std::vector<std::string>> names = Normalize(*parts);
  if (!names) return std::nullopt;
  std::lock_guard<std::mutex> lock(mu_);
  // A cached hit may name an entry deleted since: check the result, and on
  // failure walk once more with the listings on the way re-read.
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::filesystem::path p = base_;
    size_t i = 0;
    for (; i < names->size(); ++i) {
      std::optional<std::string> found = Lookup(p, (*names)[i]);
      if (!found) break;
      p /= *found;
    }
    if (i < names->size()) {
      if (!forWrite) return std::nullopt;
      for (; i < names->size(); ++i) p /= cp_->ToUtf8((*names)[i]);
      return p;
    }
    if (forWrite || PathExists(p)) return p;
    for (std::filesystem::path f = p.parent_path(); ; f = f.parent_path()) {
      cache_.erase(f.string());
      if (f == base_ || !f.has_relative_path()) break;
    }
  }
  return std::nullopt;
}

std::optional<std::filesystem::path> PathResolver::Resolve(std::string_view gameName) {
  return Walk(gameName, false);
}

std::optional<std::filesystem::path> PathResolver::ResolveForWrite(std::string_view gameName) {
  return Walk(gameName, true);
}

PathResolver& GameFiles() {
  static PathResolver resolver;
  return resolver;
}

// ---- Per-user names ----

std::optional<std::filesystem::path> ResolveInside(const std::filesystem::path& folder,
                                                   std::string_view gameName, const CodePage& cp) {
  std::optional<std::vector<Component>> parts = SplitGameName(gameName);
  if (!parts || parts->empty()) return std::nullopt;
  for (const Component& c : *parts)
    if (c.parent) return std::nullopt;
  std::filesystem::path p = folder;
  bool matching = true;
  for (const Component& c : *parts) {
    std::optional<std::string> found;
    if (matching) found = FolderListing::Read(p, cp).Find(c.name, cp);
    if (found) {
      p /= *found;
    } else {
      matching = false;
      p /= cp.ToUtf8(c.name);
    }
  }
  return p;
}

std::string SanitizeFolderName(std::string_view id) {
  std::string out(id);
  for (char& c : out)
    if (c == '/' || c == '\\' || c == '\0') c = '_';
  if (!out.empty() && out.find_first_not_of('.') == std::string::npos)
    for (char& c : out) c = '_';
  return out;
}

}  // namespace platform
