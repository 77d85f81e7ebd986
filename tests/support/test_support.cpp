#include "support/test_support.h"

#include <cstring>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace testing_support {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "qztest-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

std::filesystem::path FixturesDir() {
  if (const char* env = std::getenv("QZ_TEST_FIXTURES")) return env;
  return QZ_TEST_FIXTURES;
}

std::filesystem::path BinDir() {
  if (const char* env = std::getenv("QZ_BIN_DIR")) return env;
  return QZ_BIN_DIR;
}

namespace {

std::string Slurp(int fd) {
  std::string out;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  return out;
}

}  // namespace

CommandResult RunCommand(const std::vector<std::string>& argv, const std::filesystem::path& cwd) {
  CommandResult result;
  // Output goes to temporary files so that large outputs never dead-lock a pipe.
  char outName[] = "/tmp/qzcmd-out-XXXXXX";
  char errName[] = "/tmp/qzcmd-err-XXXXXX";
  int outFd = ::mkstemp(outName);
  int errFd = ::mkstemp(errName);
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outFd, 1);
  posix_spawn_file_actions_adddup2(&actions, errFd, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  pid_t pid = -1;
  int rc = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc == 0) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  ::lseek(outFd, 0, SEEK_SET);
  ::lseek(errFd, 0, SEEK_SET);
  result.out = Slurp(outFd);
  result.err = Slurp(errFd);
  ::close(outFd);
  ::close(errFd);
  ::unlink(outName);
  ::unlink(errName);
  return result;
}

}  // namespace testing_support

namespace testing_support {

std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::filesystem::path candidate = std::filesystem::path(dirs.substr(start, end - start)) / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    start = end + 1;
  }
  return "/usr/bin/" + name;
}

bool Sox(const std::vector<std::string>& args) {
  std::vector<std::string> argv{FindProgram("sox")};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunCommand(argv).status == 0;
}

std::vector<int16_t> SoxDecode16(const std::filesystem::path& file,
                                 const std::filesystem::path& raw) {
  if (!Sox({file.string(), "-t", "raw", "-e", "signed-integer", "-b", "16", "-L", raw.string()}))
    return {};
  const std::string bytes = ReadFile(raw);
  std::vector<int16_t> v(bytes.size() / 2);
  std::memcpy(v.data(), bytes.data(), v.size() * 2);
  return v;
}

}  // namespace testing_support
