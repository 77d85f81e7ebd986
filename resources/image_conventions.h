#pragma once
// The image cache's naming conventions and pixel views, as pure functions on
// names and decoded pictures: sprite-sheet files, JPEG alpha masks, the alpha
// and greyscale views, and the opaque box.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "resources/decoded_image.h"

namespace resources {

struct SpriteSheet {
  int columns = 1;
  int rows = 1;
};

// The sprite-sheet file of an image: its name with the last four characters
// replaced by ".an" ("ball.png" -> "ball.an").
std::string SpriteSheetName(std::string_view imageName);

// First line the number of columns, second line the number of rows. A line
// that is missing, holds no number, or holds 0 or less counts as 1: the file
// only ever splits a picture, it never makes one unusable by itself.
SpriteSheet ParseSpriteSheet(std::string_view text);

// BMP side: a BMP whose file name holds "_" is the alpha mask of the JPEG
// named by the text before the first "_" plus ".jpg", in the same folder
// ("fx\glow_a.bmp" -> "fx\glow.jpg"). nullopt without "_".
std::optional<std::string> MaskedJpegOfBmp(std::string_view bmpName);
// Alternative name: a BMP is also the mask of the JPEG named by its own name
// without its four-character extension plus "_.jpg" ("tree.bmp" -> "tree_.jpg").
std::string AlternativeMaskedJpegOfBmp(std::string_view bmpName);
// JPEG side: a ".jpg" whose file name holds "_" takes its alpha from the BMP
// named by the text before the first "_" plus ".bmp" ("leaf_1.jpg" ->
// "leaf.bmp"). nullopt without "_" or for another extension (".jpeg").
std::optional<std::string> MaskBmpOfJpeg(std::string_view jpegName);

// The colours of `colours` with alpha taken from `mask` at the same
// positions. Mask values are the raw palette indices of an 8-bit BMP; a mask
// of another depth gives its grey level round((R + G + B) / 3). Pixels
// outside a smaller mask stay opaque. The result is a 32-bit picture.
DecodedImage ApplyMask(DecodedImage colours, const DecodedImage& mask);

// "*": every pixel becomes (A, A, A, A).
void ApplyAlphaView(DecodedImage& picture);
// "#": red, green and blue become round((R + G + B) / 3); alpha kept.
void ApplyGreyView(DecodedImage& picture);

struct OpaqueBox {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};
// Bounding box of the pixels whose alpha is at least 1, for pictures with an
// alpha channel; the whole picture when it has none or no such pixel.
OpaqueBox ComputeOpaqueBox(const DecodedImage& picture);

}  // namespace resources
