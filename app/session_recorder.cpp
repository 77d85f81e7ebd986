#include "app/session_recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/confined_files.h"

namespace app {

SessionRecorder::~SessionRecorder() {
  if (fd_ >= 0) ::close(fd_);
}

bool SessionRecorder::Open(const std::filesystem::path& file, bool keepPrevious) {
  if (fd_ >= 0) ::close(fd_);
  platform::ConfinedEntry entry;
  if (!entry.Locate(file, platform::CreateFolders::kUserFolder)) return false;
  if (keepPrevious) {
    const std::filesystem::path name(entry.Name());
    const std::string previous = name.stem().string() + ".1" + name.extension().string();
    ::renameat(entry.Folder(), entry.Name().c_str(), entry.Folder(), previous.c_str());
  }
  fd_ = entry.Open(O_WRONLY | O_CREAT | O_TRUNC);
  return fd_ >= 0;
}

void SessionRecorder::Header(const SessionHeader& header) {
  Write("# qazmir session: replay with qazmir --input FILE GAME\n" + FormatSessionHeader(header));
}

void SessionRecorder::Event(const InputEvent& ev) { Write(FormatInputEvent(ev) + "\n"); }

void SessionRecorder::Write(const std::string& line) {
  if (fd_ < 0) return;
  const char* p = line.data();
  size_t left = line.size();
  while (left > 0) {
    ssize_t n = ::write(fd_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // A full disk ends the recording, not the game.
      ::close(fd_);
      fd_ = -1;
      return;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
}

}  // namespace app
