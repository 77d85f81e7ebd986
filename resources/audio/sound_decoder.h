#pragma once
// Decoding of sound files (WAV, OGG/Vorbis, FLAC, MP3 and whatever else
// libsndfile reads) into the mixer's format: stereo float at the mixing rate.
//
// Bytes come from a window (offset, length; length 0 = to the end; a window
// running past the end is cut there) of a file or of a memory block. Samples
// are decoded whole at once; streams decode while they play and keep their
// source open (a memory block is shared with the stream for its whole life).

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "resources/audio/pcm.h"

namespace resources {

enum class SoundLoadError {
  None,
  FileOpen,  // the file is missing, not a regular file or unreadable
  BadRange,  // the offset lies beyond the end of the data
  Format,    // not a sound that can be decoded (or absurd rate/channel count)
  Empty,     // a sample without a single frame
};

// Ten minutes: the most one sample keeps; a longer sound is cut (about 200 MB).
inline constexpr size_t kMaxSampleFrames = static_cast<size_t>(kMixRate) * 600;

SoundLoadError DecodeSampleFile(const std::filesystem::path& file, uint64_t offset,
                                uint64_t length, PcmBuffer& out,
                                size_t maxFrames = kMaxSampleFrames);
SoundLoadError DecodeSampleMemory(std::string_view bytes, uint64_t offset, uint64_t length,
                                  PcmBuffer& out, size_t maxFrames = kMaxSampleFrames);

std::unique_ptr<PcmStream> OpenStreamFile(const std::filesystem::path& file, uint64_t offset,
                                          uint64_t length, SoundLoadError& error);
std::unique_ptr<PcmStream> OpenStreamMemory(std::shared_ptr<const std::string> bytes,
                                            uint64_t offset, uint64_t length,
                                            SoundLoadError& error);

}  // namespace resources
