# The WebAssembly build's libraries: the prefix web/build-libs.sh made
# (QZ_WEB_DEPS), presented under the target names the native build gets from
# Debian's packages, so the folders' CMakeLists read the same for both.

set(QZ_WEB_DEPS "" CACHE PATH "Prefix of the libraries built by web/build-libs.sh")
if(NOT EXISTS "${QZ_WEB_DEPS}/manifest.txt")
  message(FATAL_ERROR "QZ_WEB_DEPS (${QZ_WEB_DEPS}) is not a complete prefix of web/build-libs.sh")
endif()
# First: emscripten's sysroot has an SDL2 package of its own that stands for
# its SDL2 port (-sUSE_SDL=2, which would download SDL's sources).
list(PREPEND CMAKE_FIND_ROOT_PATH "${QZ_WEB_DEPS}")
list(PREPEND CMAKE_PREFIX_PATH "${QZ_WEB_DEPS}")

# C++ exceptions are on in emscripten only when asked for. Debian's prebuilt
# system libraries carry the JavaScript-based variant (libc++-except), not
# native wasm exceptions, so -fexceptions it is.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)

# The canvas's SSE2 spans compile to wasm SIMD through emscripten's SSE2
# headers; without it they take their scalar paths.
option(QZ_WEB_SIMD "Build the SSE2 paths as wasm SIMD (-msimd128 -msse2)" ON)
if(QZ_WEB_SIMD)
  add_compile_options(-msimd128 -msse2)
endif()

find_package(Threads REQUIRED)
find_package(SDL2 CONFIG REQUIRED)
cmake_path(IS_PREFIX QZ_WEB_DEPS "${SDL2_DIR}" NORMALIZE qz_sdl2_ours)
if(NOT qz_sdl2_ours)
  message(FATAL_ERROR "SDL2 was found in ${SDL2_DIR}, not in ${QZ_WEB_DEPS}")
endif()
find_package(SDL2_ttf CONFIG REQUIRED)
if(NOT TARGET SDL2_ttf::SDL2_ttf)
  add_library(SDL2_ttf::SDL2_ttf INTERFACE IMPORTED)
  set_target_properties(SDL2_ttf::SDL2_ttf PROPERTIES INTERFACE_LINK_LIBRARIES SDL2_ttf::SDL2_ttf-static)
endif()
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(ZLIB REQUIRED)
find_package(Iconv REQUIRED)

# libsndfile's installed CMake package asks for Find modules it does not
# install; the static archives it needs are listed here instead.
add_library(PkgConfig::SNDFILE INTERFACE IMPORTED)
target_include_directories(PkgConfig::SNDFILE INTERFACE "${QZ_WEB_DEPS}/include")
foreach(lib sndfile FLAC vorbisenc vorbis opus ogg mpg123 mp3lame)
  find_library(QZ_WEB_LIB_${lib} NAMES ${lib} PATHS "${QZ_WEB_DEPS}/lib" NO_DEFAULT_PATH REQUIRED)
  target_link_libraries(PkgConfig::SNDFILE INTERFACE "${QZ_WEB_LIB_${lib}}")
endforeach()

add_library(qz_alglib INTERFACE)
target_include_directories(qz_alglib SYSTEM INTERFACE "${QZ_WEB_DEPS}/include/libalglib")
target_link_libraries(qz_alglib INTERFACE "${QZ_WEB_DEPS}/lib/libalglib.a")
