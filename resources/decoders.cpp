#include "platform/numeric.h"
#include "resources/decoded_image.h"

namespace resources {

ImageFormat FormatFromName(std::string_view name) {
  auto endsWith = [&](std::string_view ext) {
    return name.size() >= ext.size() &&
           platform::AsciiIEquals(name.substr(name.size() - ext.size()), ext);
  };
  if (endsWith(".tga")) return ImageFormat::Tga;
  if (endsWith(".jpg") || endsWith(".jpeg")) return ImageFormat::Jpeg;
  if (endsWith(".png")) return ImageFormat::Png;
  return ImageFormat::Bmp;
}

DecodeError DecodeImage(ImageFormat format, std::span<const uint8_t> data, DecodedImage& out) {
  switch (format) {
    case ImageFormat::Png:
      return DecodePng(data, out);
    case ImageFormat::Jpeg:
      return DecodeJpeg(data, out);
    case ImageFormat::Tga:
      return DecodeTga(data, out);
    case ImageFormat::Bmp:
      break;
  }
  return DecodeBmp(data, out);
}

}  // namespace resources
