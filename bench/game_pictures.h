#pragma once
// Pictures with the texture of a game background (gradients, shapes, noise),
// written as real PNG and JPEG files for the benchmarks that decode them.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace bench {

inline constexpr int kPictureWidth = 1024;
inline constexpr int kPictureHeight = 768;

// kPictureWidth x kPictureHeight RGBA bytes; each seed gives another picture.
std::vector<uint8_t> MakeBackground(int seed);
// RGBA, 8-bit, libpng's default compression.
void WritePng(const std::filesystem::path& path, const std::vector<uint8_t>& rgba);
// Baseline, quality 90, 4:2:0.
void WriteJpeg(const std::filesystem::path& path, const std::vector<uint8_t>& rgba);

}  // namespace bench
