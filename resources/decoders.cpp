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

DecodeError DecodeImage(ImageFormat format, std::span<const uint8_t> data, DecodedImage& out,
                        const PixelReservation* reserve) {
  switch (format) {
    case ImageFormat::Png:
      return DecodePng(data, out, reserve);
    case ImageFormat::Jpeg:
      return DecodeJpeg(data, out, reserve);
    case ImageFormat::Tga:
      return DecodeTga(data, out, reserve);
    case ImageFormat::Bmp:
      break;
  }
  return DecodeBmp(data, out, reserve);
}

}  // namespace resources
