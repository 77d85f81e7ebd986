#pragma once
// Small helpers shared by every test executable.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// A fresh directory under the system temp folder, removed on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);

// Folder of committed fixtures (tests/fixtures) and of built executables (build/bin).
std::filesystem::path FixturesDir();
std::filesystem::path BinDir();

struct CommandResult {
  int status = -1;  // exit status, or -1 when the process did not exit normally
  std::string out;
  std::string err;
};

// Runs a program without a shell; stdout and stderr are captured.
CommandResult RunCommand(const std::vector<std::string>& argv,
                         const std::filesystem::path& cwd = {});

// A program found in PATH (RunCommand does not search it); "/usr/bin/<name>"
// when it is nowhere.
std::string FindProgram(const std::string& name);
// sox with these arguments; true when it succeeded.
bool Sox(const std::vector<std::string>& args);
// sox's own decoding of a sound file, through the raw file `raw`: interleaved
// 16-bit values with the file's channels; empty when sox failed.
std::vector<int16_t> SoxDecode16(const std::filesystem::path& file,
                                 const std::filesystem::path& raw);

}  // namespace testing_support
