#pragma once
// Writes a 16-bit PCM WAV file incrementally. The header's sizes are brought up
// to date after every append, so the file is valid even if the process ends
// without closing it. Stops accepting data before the 4 GB limit of the format.

#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace resources {

class WavWriter {
 public:
  WavWriter() = default;
  ~WavWriter();
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  bool Open(const std::filesystem::path& file, int rate, int channels);
  // Appends interleaved frames; false when not open, full or on a write error.
  bool Append(const int16_t* samples, uint32_t frames);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }
  uint64_t FramesWritten() const { return dataBytes_ / blockAlign_; }

 private:
  bool UpdateSizes();

  std::FILE* file_ = nullptr;
  uint32_t blockAlign_ = 4;
  uint64_t dataBytes_ = 0;
};

}  // namespace resources
