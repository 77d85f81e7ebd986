#include "platform/shell.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/numeric.h"

extern char** environ;

namespace platform {

namespace {

constexpr size_t kMaxAddressBytes = 8192;

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool HasPrefixNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && AsciiIEquals(s.substr(0, prefix.size()), prefix);
}

}  // namespace

bool IsOpenableAddress(std::string_view address) {
  address = TrimBlanks(address);
  if (address.empty() || address.size() > kMaxAddressBytes) return false;
  for (char c : address) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return false;
  }
  for (std::string_view scheme : {std::string_view("http://"), std::string_view("https://"),
                                  std::string_view("mailto:")}) {
    if (HasPrefixNoCase(address, scheme)) return address.size() > scheme.size();
  }
  return false;
}

bool SpawnDetached(const std::vector<std::string>& argv) {
  if (argv.empty() || argv[0].empty()) return false;
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return false;
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  // Reap the child off the caller's thread; it may live as long as the browser.
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

bool OpenAddress(std::string_view address, const SpawnFunction& spawn) {
  if (!IsOpenableAddress(address)) return false;
  std::vector<std::string> argv = {"xdg-open", std::string(TrimBlanks(address))};
  return spawn ? spawn(argv) : SpawnDetached(argv);
}

}  // namespace platform
