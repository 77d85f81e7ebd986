// JPEG through libjpeg-turbo, decoded straight into BGRA memory (ARGB as
// 32-bit values). CMYK and YCCK pictures are converted here, since the
// library's colour converter does not reach RGB from them.

// jpeglib.h needs size_t and FILE declared before it.
#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include "resources/decoded_image.h"

namespace resources {

namespace {

// A progressive file can carry any number of scans, each re-walking the whole
// coefficient buffer; real pictures use about ten.
constexpr int kMaxScans = 200;

struct ErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
  bool truncated;
};

// error_exit must not return: jump back to the setjmp in ReadJpeg.
[[noreturn]] void OnErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::longjmp(err->jump, 1);
}

void OnEmitMessage(j_common_ptr cinfo, int level) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  // The library pads a truncated stream with an end marker and only warns.
  if (level < 0 && err->pub.msg_code == JWRN_JPEG_EOF) err->truncated = true;
  if (level < 0) ++err->pub.num_warnings;
}

void OnProgress(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->is_decompressor && d->input_scan_number > kMaxScans) {
    cinfo->err->msg_code = JERR_NOT_COMPILED;
    cinfo->err->error_exit(cinfo);
  }
}

struct JpegState {
  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  jpeg_progress_mgr progress{};
  const PixelReservation* reserve = nullptr;
  DecodedImage image;
  std::vector<JSAMPLE> cmykRow;
  DecodeError error = DecodeError::Corrupt;
};

void ConvertCmykRow(const JSAMPLE* in, uint32_t* out, size_t width, bool adobeInverted) {
  for (size_t x = 0; x < width; ++x, in += 4) {
    unsigned c = in[0], m = in[1], y = in[2], k = in[3];
    if (!adobeInverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    // Inverted values: R = C' * K' / 255 and likewise.
    uint32_t r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (y * k + 127) / 255;
    out[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
  }
}

bool ReadJpeg(JpegState& s, std::span<const uint8_t> data) {
  if (setjmp(s.err.jump)) return false;

  jpeg_mem_src(&s.cinfo, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&s.cinfo, TRUE);
  if (!DimensionsAllowed(s.cinfo.image_width, s.cinfo.image_height)) {
    s.error = DecodeError::TooLarge;
    return false;
  }
  const bool cmyk = s.cinfo.jpeg_color_space == JCS_CMYK || s.cinfo.jpeg_color_space == JCS_YCCK;
  s.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
  s.cinfo.dct_method = JDCT_ISLOW;
  s.cinfo.mem->max_memory_to_use = 512L << 20;
  // Asked before the decompressor starts: a progressive picture is read whole
  // by jpeg_start_decompress. Without scaling the output has the image's size.
  if (!PixelsGranted(s.reserve, s.cinfo.image_width, s.cinfo.image_height)) {
    s.error = DecodeError::OverBudget;
    return false;
  }
  jpeg_start_decompress(&s.cinfo);

  const size_t width = s.cinfo.output_width;
  const size_t height = s.cinfo.output_height;
  s.image.width = static_cast<int32_t>(width);
  s.image.height = static_cast<int32_t>(height);
  s.image.bitsPerPixel = 24;
  s.image.hasAlpha = false;
  s.image.pixels.resize(width * height);
  if (cmyk) s.cmykRow.resize(width * 4);
  const bool adobeInverted = s.cinfo.saw_Adobe_marker;
  while (s.cinfo.output_scanline < s.cinfo.output_height) {
    uint32_t* row = s.image.pixels.data() + static_cast<size_t>(s.cinfo.output_scanline) * width;
    JSAMPROW target = cmyk ? s.cmykRow.data() : reinterpret_cast<JSAMPROW>(row);
    if (jpeg_read_scanlines(&s.cinfo, &target, 1) != 1) return false;
    if (cmyk) ConvertCmykRow(s.cmykRow.data(), row, width, adobeInverted);
  }
  // A stream that ended before the last row decodes as grey below the cut: not
  // the picture the file was meant to hold. One that lacks only its end marker
  // (a common fault of writers) is whole.
  if (s.err.truncated) {
    s.error = DecodeError::Truncated;
    return false;
  }
  jpeg_finish_decompress(&s.cinfo);
  return true;
}

}  // namespace

DecodeError DecodeJpeg(std::span<const uint8_t> data, DecodedImage& out,
                       const PixelReservation* reserve) {
  if (data.size() < 3 || data[0] != 0xFF || data[1] != 0xD8) return DecodeError::BadSignature;
  JpegState s;
  s.reserve = reserve;
  s.cinfo.err = jpeg_std_error(&s.err.pub);
  s.err.pub.error_exit = OnErrorExit;
  s.err.pub.emit_message = OnEmitMessage;
  s.err.truncated = false;
  s.progress.progress_monitor = OnProgress;
  // The setjmp for errors raised while creating the decompressor.
  if (setjmp(s.err.jump)) {
    jpeg_destroy_decompress(&s.cinfo);
    return DecodeError::Corrupt;
  }
  jpeg_create_decompress(&s.cinfo);
  s.cinfo.progress = &s.progress;
  bool ok = ReadJpeg(s, data);
  jpeg_destroy_decompress(&s.cinfo);
  if (!ok) return s.error;
  out = std::move(s.image);
  return DecodeError::None;
}

}  // namespace resources
