// Whole-file reads and crash-safe writes: replacement, failures that keep the
// old file, writers killed mid-way, and the temporary files they leave.

#include "platform/file_io.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"

namespace platform {
namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

std::vector<std::string> Names(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A process id that certainly does not run: a child that has exited and been reaped.
pid_t DeadPid() {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  ::waitpid(pid, nullptr, 0);
  return pid;
}

TEST(FileIo, AtomicWritesReplaceTheFileAndLeaveNothingElse) {
  TempDir dir;
  const auto file = dir / "save.dat";
  ASSERT_TRUE(WriteFileAtomically(file, "first"));
  ASSERT_TRUE(WriteFileAtomically(file, ""));
  EXPECT_EQ(ReadFile(file), "");
  ASSERT_TRUE(WriteFileAtomically(file, std::string(100000, 'x')));
  EXPECT_EQ(ReadFile(file), std::string(100000, 'x'));
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"save.dat"});
  EXPECT_EQ(ReadWholeFile(file, 99999), std::nullopt);  // larger than allowed
  EXPECT_EQ(ReadWholeFile(dir.Path()), std::nullopt);   // not a regular file
}

TEST(FileIo, FailedWritesKeepTheOldFile) {
  TempDir dir;
  EXPECT_FALSE(WriteFileAtomically(dir / "missing" / "save.dat", "x"));
  std::filesystem::create_directories(dir / "folder" / "inside");
  EXPECT_FALSE(WriteFileAtomically(dir / "folder", "x"));  // a non-empty folder cannot be replaced
  EXPECT_TRUE(std::filesystem::is_directory(dir / "folder" / "inside"));
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"folder"});
}

// Temporary files of processes that no longer run are removed by the next
// write of the same name; anything else is left alone.
TEST(FileIo, TheNextWriteRemovesTemporariesOfDeadWriters) {
  TempDir dir;
  const std::string dead = std::to_string(DeadPid());
  const std::string live = std::to_string(::getppid());
  const std::vector<std::string> kept = {
      "other.dat.tmp" + dead + ".00ff",  // another file's
      "save.dat.tmp" + dead,             // not our naming
      "save.dat.tmp" + live + ".1234",   // a write that may be in progress
      "save.dat.tmpx" + dead + ".1",
      "save.dat.tmp99999999999999.1",    // no such process number
  };
  for (const auto& name : kept) WriteFile(dir / name, "keep");
  WriteFile(dir / ("save.dat.tmp" + dead + ".0123456789abcdef"), "torn");
  WriteFile(dir / ("save.dat.tmp" + dead + "."), "torn");
  ASSERT_TRUE(WriteFileAtomically(dir / "save.dat", "whole"));
  std::vector<std::string> expected = kept;
  expected.push_back("save.dat");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Names(dir.Path()), expected);
}

// A writer killed at random moments while it replaces a file again and again
// leaves one of its whole contents every time.
TEST(FileIo, KilledWritersLeaveAWholeFile) {
  TempDir dir;
  const auto file = dir / "save.dat";
  const std::string a(1 << 20, 'a'), b(1 << 20, 'b');
  ASSERT_TRUE(WriteFileAtomically(file, a));
  std::mt19937 random(5);
  for (int kill = 0; kill < 8; ++kill) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (int i = 0;; ++i) WriteFileAtomically(file, i % 2 ? a : b);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(2000 + random() % 30000));
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    ASSERT_EQ(::waitpid(pid, nullptr, 0), pid);
    const std::string now = ReadFile(file);
    EXPECT_TRUE(now == a || now == b) << "torn file of " << now.size() << " bytes";
  }
  ASSERT_TRUE(WriteFileAtomically(file, "done"));
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"save.dat"});
}

}  // namespace
}  // namespace platform
