#include "resources/library_versions.h"

#include <png.h>
#include <sndfile.h>

#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace resources {

#define QZ_STRINGIFY2(x) #x
#define QZ_STRINGIFY(x) QZ_STRINGIFY2(x)

std::string ImageAndSoundLibraryVersions() {
  std::string sndfile = sf_version_string();
  // It reports itself as "libsndfile-1.2.0".
  if (auto dash = sndfile.find('-'); dash != std::string::npos) sndfile[dash] = ' ';
  return std::string("libpng ") + PNG_LIBPNG_VER_STRING +
#ifdef LIBJPEG_TURBO_VERSION
         ", libjpeg-turbo " QZ_STRINGIFY(LIBJPEG_TURBO_VERSION) +
#else
         ", libjpeg " QZ_STRINGIFY(JPEG_LIB_VERSION) +
#endif
         ", " + sndfile;
}

}  // namespace resources
