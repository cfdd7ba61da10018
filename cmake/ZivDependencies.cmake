# Every outside library comes from Debian's packages (scripts/install-deps.sh).
# Each layer links only the ones it uses; ziv_show uses none.
find_package(PkgConfig REQUIRED)
find_package(SDL2 REQUIRED)
find_package(OpenGL REQUIRED)
find_package(X11 REQUIRED)
find_package(kissfft CONFIG REQUIRED COMPONENTS SHARED float)
find_package(Threads REQUIRED)
find_package(ZLIB REQUIRED)
pkg_check_modules(VORBISFILE REQUIRED IMPORTED_TARGET vorbisfile vorbis ogg)
pkg_check_modules(VORBISENC REQUIRED IMPORTED_TARGET vorbisenc vorbis ogg)
pkg_check_modules(IMGUI REQUIRED IMPORTED_TARGET imgui)
# Tracks in every common format are decoded and resampled by FFmpeg's libraries.
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libswresample libavutil)
# What the desktop plays, for ziv-play --listen: PulseAudio's simple API (PipeWire's pulse server too).
pkg_check_modules(PULSE REQUIRED IMPORTED_TARGET libpulse-simple)

# stb_image_write is header-only (Debian's libstb-dev).
find_path(STB_INCLUDE_DIR stb_image_write.h PATH_SUFFIXES stb REQUIRED)
add_library(ziv_stb INTERFACE)
add_library(ziv::stb ALIAS ziv_stb)
target_include_directories(ziv_stb SYSTEM INTERFACE ${STB_INCLUDE_DIR})

# The GStreamer plugin (gst/) is built when GStreamer's development files are there. Not in
# sanitizer or fuzzing builds: the plugin is loaded into GStreamer's programs, which carry
# no sanitizer runtime (the plugin's pure parts and their unit tests are built either way).
pkg_check_modules(GSTREAMER QUIET IMPORTED_TARGET gstreamer-1.0 gstreamer-base-1.0 gstreamer-audio-1.0
                  gstreamer-video-1.0 gstreamer-pbutils-1.0)
if(GSTREAMER_FOUND AND NOT (ZIV_SANITIZE OR ZIV_SANITIZE_THREAD OR ZIV_FUZZ))
  set(ziv_gst_default ON)
else()
  set(ziv_gst_default OFF)
endif()
option(ZIV_GST "Build the GStreamer plugin ziv (element zivvis)" ${ziv_gst_default})
if(ZIV_GST AND NOT GSTREAMER_FOUND)
  message(FATAL_ERROR "ZIV_GST is on but GStreamer's development files are missing (scripts/install-deps.sh)")
endif()
