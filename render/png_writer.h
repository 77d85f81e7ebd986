#pragma once
// Frames written as PNG files (8-bit RGB) through libpng.

#include <cstdint>
#include <optional>
#include <string>

#include "render/frame.h"

namespace render {

// The PNG file bytes of width x height pixels (0xAARRGGBB, alpha ignored),
// rows `stride` pixels apart; nullopt when libpng fails.
std::optional<std::string> EncodePng(const uint32_t* pixels, int width, int height, int stride);

// Writes the frame as a PNG file, atomically; false on failure.
bool WritePng(const std::string& path, const Frame& frame);

}  // namespace render
