#include "resources/audio/sound_decoder.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/confined_files.h"
#include "resources/audio/resampler.h"

namespace resources {
namespace {

// Rates outside this range are not sounds a game ships; refusing them also
// bounds how many output frames one input frame can turn into.
constexpr int kMinSourceRate = 1000;
constexpr int kMaxSourceRate = 384000;
// Values (not frames) read from libsndfile per call, whatever the channel count.
constexpr size_t kChunkValues = 8192;

// A window of a file or a memory block, read through libsndfile's virtual I/O.
class ByteWindow {
 public:
  ~ByteWindow() {
    if (fd_ >= 0) ::close(fd_);
  }

  SoundLoadError OpenFile(const std::filesystem::path& file, uint64_t offset, uint64_t length) {
    fd_ = platform::OpenConfined(file, O_RDONLY);
    if (fd_ < 0) return SoundLoadError::FileOpen;
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return SoundLoadError::FileOpen;
    return SetWindow(static_cast<uint64_t>(st.st_size), offset, length);
  }

  SoundLoadError OpenMemory(std::shared_ptr<const std::string> owner, const char* data,
                            size_t size, uint64_t offset, uint64_t length) {
    owner_ = std::move(owner);
    data_ = data;
    return SetWindow(size, offset, length);
  }

  void Restart() { pos_ = 0; }

  static SF_VIRTUAL_IO* Io() {
    static SF_VIRTUAL_IO io = {&GetLength, &SeekTo, &ReadInto, &WriteNothing, &Tell};
    return &io;
  }

 private:
  SoundLoadError SetWindow(uint64_t total, uint64_t offset, uint64_t length) {
    if (offset > total) return SoundLoadError::BadRange;
    base_ = offset;
    size_ = total - offset;
    if (length != 0 && length < size_) size_ = length;
    return SoundLoadError::None;
  }

  static sf_count_t GetLength(void* self) {
    return static_cast<sf_count_t>(static_cast<ByteWindow*>(self)->size_);
  }
  static sf_count_t Tell(void* self) {
    return static_cast<sf_count_t>(static_cast<ByteWindow*>(self)->pos_);
  }
  static sf_count_t SeekTo(sf_count_t offset, int whence, void* selfPtr) {
    auto* self = static_cast<ByteWindow*>(selfPtr);
    int64_t origin = 0;
    if (whence == SEEK_CUR) origin = static_cast<int64_t>(self->pos_);
    if (whence == SEEK_END) origin = static_cast<int64_t>(self->size_);
    int64_t target = origin + offset;
    if (target < 0) return -1;
    // Positions past the end are allowed, as with a file; reads there give nothing.
    self->pos_ = static_cast<uint64_t>(target);
    return target;
  }
  static sf_count_t ReadInto(void* dst, sf_count_t count, void* selfPtr) {
    auto* self = static_cast<ByteWindow*>(selfPtr);
    if (count <= 0 || self->pos_ >= self->size_) return 0;
    uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(count), self->size_ - self->pos_);
    uint64_t done = 0;
    if (self->fd_ < 0) {
      std::memcpy(dst, self->data_ + self->base_ + self->pos_, n);
      done = n;
    } else {
      while (done < n) {
        ssize_t got = ::pread(self->fd_, static_cast<char*>(dst) + done, n - done,
                              static_cast<off_t>(self->base_ + self->pos_ + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<uint64_t>(got);
      }
    }
    self->pos_ += done;
    return static_cast<sf_count_t>(done);
  }
  static sf_count_t WriteNothing(const void*, sf_count_t, void*) { return 0; }

  int fd_ = -1;
  std::shared_ptr<const std::string> owner_;
  const char* data_ = nullptr;
  uint64_t base_ = 0;
  uint64_t size_ = 0;
  uint64_t pos_ = 0;
};

// libsndfile behind the PcmStream interface: decodes a chunk at a time,
// takes the first two channels (a mono sound goes to both sides) and converts
// the rate to the mixing rate.
class SndfileStream final : public PcmStream {
 public:
  explicit SndfileStream(std::unique_ptr<ByteWindow> window)
      : window_(std::move(window)), resampler_(kMixRate, kMixRate) {}
  ~SndfileStream() override {
    if (file_) sf_close(file_);
  }

  SoundLoadError Open() {
    SF_INFO info{};
    file_ = sf_open_virtual(ByteWindow::Io(), SFM_READ, &info, window_.get());
    if (!file_) return SoundLoadError::Format;
    if (info.channels <= 0 || info.samplerate < kMinSourceRate ||
        info.samplerate > kMaxSourceRate) {
      return SoundLoadError::Format;
    }
    channels_ = info.channels;
    rate_ = info.samplerate;
    resampler_ = LinearResampler(rate_, kMixRate);
    sf_command(file_, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    return SoundLoadError::None;
  }

  size_t Read(float* out, size_t frames) override {
    size_t done = 0;
    while (done < frames) {
      size_t ready = (pending_.size() - pendingPos_) / 2;
      if (ready == 0) {
        if (finished_ || !DecodeChunk()) break;
        continue;
      }
      size_t n = std::min(ready, frames - done);
      std::memcpy(out + 2 * done, pending_.data() + pendingPos_, n * 2 * sizeof(float));
      pendingPos_ += n * 2;
      done += n;
    }
    return done;
  }

  bool Rewind() override {
    pending_.clear();
    pendingPos_ = 0;
    finished_ = false;
    resampler_.Reset();
    if (sf_seek(file_, 0, SEEK_SET) == 0) return true;
    // Some decoders cannot seek; opening the source again always starts it over.
    sf_close(file_);
    file_ = nullptr;
    window_->Restart();
    return Open() == SoundLoadError::None;
  }

  int SourceRate() const override { return rate_; }

 private:
  // Refills pending_; false once nothing more will come.
  bool DecodeChunk() {
    pending_.clear();
    pendingPos_ = 0;
    const size_t chunkFrames = kChunkValues / static_cast<size_t>(channels_);
    raw_.resize(chunkFrames * static_cast<size_t>(channels_));
    // MP3 frame counts are estimates: the end is where a read gives nothing.
    sf_count_t got = file_ ? sf_readf_float(file_, raw_.data(), static_cast<sf_count_t>(chunkFrames))
                           : 0;
    if (got <= 0) {
      resampler_.Finish(pending_);
      finished_ = true;
      return !pending_.empty();
    }
    const size_t n = static_cast<size_t>(got);
    stereo_.resize(n * 2);
    if (channels_ == 1) {
      for (size_t i = 0; i < n; ++i) stereo_[2 * i] = stereo_[2 * i + 1] = raw_[i];
    } else if (channels_ == 2) {
      std::memcpy(stereo_.data(), raw_.data(), n * 2 * sizeof(float));
    } else {
      for (size_t i = 0; i < n; ++i) {
        stereo_[2 * i] = raw_[i * channels_];
        stereo_[2 * i + 1] = raw_[i * channels_ + 1];
      }
    }
    resampler_.Push(stereo_.data(), n, pending_);
    return true;
  }

  std::unique_ptr<ByteWindow> window_;
  SNDFILE* file_ = nullptr;
  int channels_ = 0;
  int rate_ = kMixRate;
  LinearResampler resampler_;
  std::vector<float> raw_;
  std::vector<float> stereo_;
  std::vector<float> pending_;
  size_t pendingPos_ = 0;
  bool finished_ = false;
};

std::unique_ptr<SndfileStream> OpenWindow(std::unique_ptr<ByteWindow> window,
                                          SoundLoadError windowError, SoundLoadError& error) {
  error = windowError;
  if (error != SoundLoadError::None) return nullptr;
  auto stream = std::make_unique<SndfileStream>(std::move(window));
  error = stream->Open();
  if (error != SoundLoadError::None) return nullptr;
  return stream;
}

std::unique_ptr<SndfileStream> OpenFileInternal(const std::filesystem::path& file,
                                                uint64_t offset, uint64_t length,
                                                SoundLoadError& error) {
  auto window = std::make_unique<ByteWindow>();
  SoundLoadError windowError = window->OpenFile(file, offset, length);
  return OpenWindow(std::move(window), windowError, error);
}

std::unique_ptr<SndfileStream> OpenMemoryInternal(std::shared_ptr<const std::string> owner,
                                                  std::string_view bytes, uint64_t offset,
                                                  uint64_t length, SoundLoadError& error) {
  auto window = std::make_unique<ByteWindow>();
  SoundLoadError windowError =
      window->OpenMemory(std::move(owner), bytes.data(), bytes.size(), offset, length);
  return OpenWindow(std::move(window), windowError, error);
}

SoundLoadError DecodeAll(std::unique_ptr<SndfileStream> stream, SoundLoadError error,
                         PcmBuffer& out, size_t maxFrames) {
  if (!stream) return error;
  PcmBuffer pcm;
  pcm.sourceRate = stream->SourceRate();
  constexpr size_t kStep = 16384;
  while (pcm.Frames() < maxFrames) {
    const size_t have = pcm.Frames();
    const size_t want = std::min(kStep, maxFrames - have);
    pcm.samples.resize((have + want) * 2);
    const size_t got = stream->Read(pcm.samples.data() + have * 2, want);
    pcm.samples.resize((have + got) * 2);
    if (got < want) break;
  }
  if (pcm.Frames() == 0) return SoundLoadError::Empty;
  pcm.samples.shrink_to_fit();
  out = std::move(pcm);
  return SoundLoadError::None;
}

}  // namespace

SoundLoadError DecodeSampleFile(const std::filesystem::path& file, uint64_t offset,
                                uint64_t length, PcmBuffer& out, size_t maxFrames) {
  SoundLoadError error;
  auto stream = OpenFileInternal(file, offset, length, error);
  return DecodeAll(std::move(stream), error, out, maxFrames);
}

SoundLoadError DecodeSampleMemory(std::string_view bytes, uint64_t offset, uint64_t length,
                                  PcmBuffer& out, size_t maxFrames) {
  SoundLoadError error;
  auto stream = OpenMemoryInternal(nullptr, bytes, offset, length, error);
  return DecodeAll(std::move(stream), error, out, maxFrames);
}

std::unique_ptr<PcmStream> OpenStreamFile(const std::filesystem::path& file, uint64_t offset,
                                          uint64_t length, SoundLoadError& error) {
  return OpenFileInternal(file, offset, length, error);
}

std::unique_ptr<PcmStream> OpenStreamMemory(std::shared_ptr<const std::string> bytes,
                                            uint64_t offset, uint64_t length,
                                            SoundLoadError& error) {
  if (!bytes) {
    error = SoundLoadError::BadRange;
    return nullptr;
  }
  std::string_view view(*bytes);
  return OpenMemoryInternal(std::move(bytes), view, offset, length, error);
}

}  // namespace resources
