# Every external library, found once as a global imported target so any
# folder can name what it links.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

pkg_check_modules(ICU REQUIRED IMPORTED_TARGET GLOBAL icu-uc icu-i18n)
pkg_check_modules(LIBXML2 REQUIRED IMPORTED_TARGET GLOBAL libxml-2.0)
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET GLOBAL libcurl)
pkg_check_modules(FFTW3F REQUIRED IMPORTED_TARGET GLOBAL fftw3f)
pkg_check_modules(SAMPLERATE REQUIRED IMPORTED_TARGET GLOBAL samplerate)
pkg_check_modules(SOXR REQUIRED IMPORTED_TARGET GLOBAL soxr)
pkg_check_modules(RUBBERBAND REQUIRED IMPORTED_TARGET GLOBAL rubberband)
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET GLOBAL libavformat libavcodec libavutil libswresample libswscale)
pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET GLOBAL minizip)
pkg_check_modules(ZLIB REQUIRED IMPORTED_TARGET GLOBAL zlib)
pkg_check_modules(TAGLIB REQUIRED IMPORTED_TARGET GLOBAL taglib)
pkg_check_modules(PORTAUDIO REQUIRED IMPORTED_TARGET GLOBAL portaudio-2.0)
pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET GLOBAL alsa)
pkg_check_modules(JACK REQUIRED IMPORTED_TARGET GLOBAL jack)
# Controller scripts (the 4.0 series: the toolkit's web view links it, two copies would clash) and HID
# controllers.
pkg_check_modules(JSC REQUIRED IMPORTED_TARGET GLOBAL javascriptcoregtk-4.0)
pkg_check_modules(HIDAPI REQUIRED IMPORTED_TARGET GLOBAL hidapi-hidraw)
# Replies of the online services. Its header is included as <cjson/cJSON.h> from the system folder, so
# only the library is linked (no include flag that would change every target's compile line).
pkg_check_modules(CJSON REQUIRED libcjson)
find_package(BZip2 REQUIRED)
# Crypto of the karaoke catalogue's request framing.
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET GLOBAL libsodium)
if(ORVEL_BUILD_GUI)
  # Drawing in memory (Cairo, Pango, fontconfig), image readers and OpenGL.
  pkg_check_modules(PANGOCAIRO REQUIRED IMPORTED_TARGET GLOBAL pangocairo cairo fontconfig)
  find_package(PNG REQUIRED)
  find_package(JPEG REQUIRED)
  find_package(GIF REQUIRED)
  find_package(TIFF REQUIRED)
  find_package(OpenGL REQUIRED COMPONENTS OpenGL GLX)
  find_package(GLEW REQUIRED)
  find_package(X11 REQUIRED)
endif()
find_path(CONCURRENTQUEUE_INCLUDE concurrentqueue.h
          PATH_SUFFIXES concurrentqueue/moodycamel concurrentqueue REQUIRED)

if(ORVEL_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
if(ORVEL_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()

add_library(Orvel::concurrentqueue INTERFACE IMPORTED GLOBAL)
target_include_directories(Orvel::concurrentqueue INTERFACE ${CONCURRENTQUEUE_INCLUDE})
