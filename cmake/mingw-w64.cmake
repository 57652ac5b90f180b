# Cross toolchain: Debian's mingw-w64 (posix threads), 64-bit Windows.
#
# Libraries: the same find_package calls work in host and win64 builds
# (host: Debian's -dev packages; win64: static libraries that
# tools/bootstrap.sh cross-builds into .cache/mingw-w64, zlib from
# libz-mingw-w64-dev):
#
#   find_package(GTest REQUIRED)      GTest::gtest GTest::gtest_main GTest::gmock GTest::gmock_main
#   find_package(LibLZMA REQUIRED)    LibLZMA::LibLZMA   (5.4.1, has LZMA_FILTER_LZMA1EXT)
#   find_package(pugixml REQUIRED)    pugixml::pugixml   (char/UTF-8 mode in both builds)
#   find_package(ZLIB REQUIRED)       ZLIB::ZLIB
#   find_package(minizip REQUIRED)    minizip::minizip   (cmake/Findminizip.cmake; <minizip/zip.h>)
#   find_package(benchmark REQUIRED)  benchmark::benchmark benchmark::benchmark_main   (host only)
#
# Test programs run under Wine through CMAKE_CROSSCOMPILING_EMULATOR below.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)

# Libraries cross-built by tools/bootstrap.sh live here; its lean builds (a
# pugixml without XPath and streams) in a prefix of their own, searched first.
get_filename_component(ZIVR_MINGW_DEPS "${CMAKE_CURRENT_LIST_DIR}/../.cache/mingw-w64" ABSOLUTE)
set(CMAKE_FIND_ROOT_PATH ${ZIVR_MINGW_DEPS}-lean ${ZIVR_MINGW_DEPS} /usr/${_triple})
set(CMAKE_PREFIX_PATH ${ZIVR_MINGW_DEPS}-lean ${ZIVR_MINGW_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Debian's mingw zlib has an import library beside the static one; the
# product links statically, so FindZLIB must pick libz.a.
set(ZLIB_USE_STATIC_LIBS ON)

set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh")
