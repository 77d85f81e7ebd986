#pragma once
// The versions of the image and sound libraries this build uses, for --version.

#include <string>

namespace resources {

// "libpng 1.6.39, libjpeg-turbo 2.1.5, libsndfile 1.2.0": the versions the
// build compiled against (libsndfile's as the loaded library reports it).
std::string ImageAndSoundLibraryVersions();

}  // namespace resources
