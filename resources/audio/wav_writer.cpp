#include "resources/audio/wav_writer.h"

#include <bit>
#include <cstring>
#include <vector>

#include "platform/byte_reader.h"

namespace resources {
namespace {

constexpr uint32_t kHeaderBytes = 44;
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - kHeaderBytes;

}  // namespace

WavWriter::~WavWriter() { Close(); }

bool WavWriter::Open(const std::filesystem::path& file, int rate, int channels) {
  Close();
  if (rate <= 0 || channels <= 0 || channels > 16) return false;
  file_ = std::fopen(file.c_str(), "wb");
  if (!file_) return false;
  blockAlign_ = static_cast<uint32_t>(channels) * 2;
  dataBytes_ = 0;
  platform::ByteWriter w;
  w.Bytes("RIFF");
  w.U32LE(kHeaderBytes - 8);
  w.Bytes("WAVE");
  w.Bytes("fmt ");
  w.U32LE(16);
  w.U16LE(1);  // PCM
  w.U16LE(static_cast<uint16_t>(channels));
  w.U32LE(static_cast<uint32_t>(rate));
  w.U32LE(static_cast<uint32_t>(rate) * blockAlign_);
  w.U16LE(static_cast<uint16_t>(blockAlign_));
  w.U16LE(16);
  w.Bytes("data");
  w.U32LE(0);
  const std::string& header = w.Data();
  if (std::fwrite(header.data(), 1, header.size(), file_) != header.size()) {
    Close();
    return false;
  }
  return std::fflush(file_) == 0;
}

bool WavWriter::Append(const int16_t* samples, uint32_t frames) {
  if (!file_) return false;
  const uint64_t bytes = static_cast<uint64_t>(frames) * blockAlign_;
  if (dataBytes_ + bytes > kMaxDataBytes) return false;
  const size_t values = static_cast<size_t>(frames) * (blockAlign_ / 2);
  size_t written;
  if constexpr (std::endian::native == std::endian::little) {
    written = std::fwrite(samples, 2, values, file_);
  } else {
    std::vector<uint8_t> le(values * 2);
    for (size_t i = 0; i < values; ++i) {
      const auto v = static_cast<uint16_t>(samples[i]);
      le[2 * i] = static_cast<uint8_t>(v & 0xFF);
      le[2 * i + 1] = static_cast<uint8_t>(v >> 8);
    }
    written = std::fwrite(le.data(), 2, values, file_);
  }
  dataBytes_ += static_cast<uint64_t>(written) * 2;
  return written == values && UpdateSizes();
}

bool WavWriter::UpdateSizes() {
  uint8_t riff[4], data[4];
  const uint32_t riffSize = static_cast<uint32_t>(dataBytes_ + kHeaderBytes - 8);
  const uint32_t dataSize = static_cast<uint32_t>(dataBytes_);
  for (int i = 0; i < 4; ++i) {
    riff[i] = static_cast<uint8_t>(riffSize >> (8 * i));
    data[i] = static_cast<uint8_t>(dataSize >> (8 * i));
  }
  bool ok = std::fseek(file_, 4, SEEK_SET) == 0 && std::fwrite(riff, 1, 4, file_) == 4 &&
            std::fseek(file_, 40, SEEK_SET) == 0 && std::fwrite(data, 1, 4, file_) == 4;
  ok = std::fseek(file_, 0, SEEK_END) == 0 && ok;
  return std::fflush(file_) == 0 && ok;
}

void WavWriter::Close() {
  if (!file_) return;
  UpdateSizes();
  std::fclose(file_);
  file_ = nullptr;
}

}  // namespace resources
