#pragma once
// Writes a session as it is played, in the input format, one line at a time:
// every line is in the file as soon as it is written, so a crash or a kill
// keeps the session up to its last frame.

#include <filesystem>
#include <string>

#include "app/input_script.h"

namespace app {

class SessionRecorder {
 public:
  SessionRecorder() = default;
  ~SessionRecorder();
  SessionRecorder(const SessionRecorder&) = delete;
  SessionRecorder& operator=(const SessionRecorder&) = delete;

  // Starts the file afresh. With keepPrevious, a file already there is kept
  // under the name "<stem>.1<extension>" (the black box keeps two sessions).
  bool Open(const std::filesystem::path& file, bool keepPrevious);
  bool Active() const { return fd_ >= 0; }
  void Header(const SessionHeader& header);
  void Event(const InputEvent& ev);

 private:
  void Write(const std::string& line);
  int fd_ = -1;
};

}  // namespace app
