#!/usr/bin/env bash
# Installs everything the builds need and cross-builds the win64 libraries.
#
#   bash tools/bootstrap.sh
#
# 1. Debian packages (apt-get; `apt-get update` only when something is missing).
# 2. Static x86_64-w64-mingw32 builds of liblzma, pugixml, minizip and
#    GoogleTest into .cache/mingw-w64 (include/, lib/, lib/cmake/, lib/pkgconfig/),
#    from Debian source packages fetched into .cache/src through a private apt
#    configuration (.cache/apt); the machine's own apt configuration is untouched.
#    The product links a lean pugixml from .cache/mingw-w64-lean (see below).
#
# Idempotent: each library has a stamp in .cache/mingw-w64/stamps that names
# its recipe; a run with everything present only checks and takes a second.
# Set ZIVR_BOOTSTRAP_FORCE=1 to rebuild the libraries.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cache=$root/.cache
prefix=$cache/mingw-w64
triple=x86_64-w64-mingw32
jobs=$(nproc 2>/dev/null || echo 2)

log() { printf '[bootstrap] %s\n' "$*"; }
die() { printf '[bootstrap] error: %s\n' "$*" >&2; exit 1; }

packages=(
  cmake make g++ clang libclang-rt-14-dev pkg-config
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  wine wine64 xvfb xauth
  dpkg-dev xz-utils zip unzip python3
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  liblzma-dev zlib1g-dev libminizip-dev libpugixml-dev libz-mingw-w64-dev
  osslsigncode openssl
)

as_root() {
  if [[ $(id -u) -eq 0 ]]; then "$@"
  elif command -v sudo >/dev/null; then sudo "$@"
  else die "need root to run: $*"
  fi
}

install_packages() {
  local missing=() p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -qx 'install ok installed' \
      || missing+=("$p")
  done
  if ((${#missing[@]} == 0)); then
    log "Debian packages: all ${#packages[@]} present"
    return
  fi
  log "installing: ${missing[*]}"
  # Another apt run may hold the dpkg lock (an install started by hand); wait for it.
  local apt=(env DEBIAN_FRONTEND=noninteractive apt-get -q -o DPkg::Lock::Timeout=1800)
  as_root "${apt[@]}" update
  as_root "${apt[@]}" install -y "${missing[@]}"
}

# --- Debian source packages through a private apt configuration -------------

aptdir=$cache/apt
apt_src_opts=(
  -o "Dir::Etc::sourcelist=$aptdir/debian-src.sources"
  -o Dir::Etc::sourceparts=/nonexistent
  -o "Dir::State::Lists=$aptdir/lists"
  -o "Dir::Cache=$aptdir/cache"
  -o APT::Sandbox::User=root
)
apt_src_ready=

# The machine's Debian entries, turned into deb-src entries.
write_src_sources() {
  local out=$aptdir/debian-src.sources
  if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
    sed -E 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$out.tmp"
  elif [[ -f /etc/apt/sources.list ]] && grep -qE '^deb[[:space:]]' /etc/apt/sources.list; then
    out=$aptdir/debian-src.list
    apt_src_opts[1]="Dir::Etc::sourcelist=$out"
    grep -E '^deb[[:space:]]' /etc/apt/sources.list | sed -E 's/^deb([[:space:]])/deb-src\1/' >"$out.tmp"
  else
    cat >"$out.tmp" <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  fi
  mv "$out.tmp" "$out"
}

apt_src_update() {
  [[ -n $apt_src_ready ]] && return
  mkdir -p "$aptdir/lists/partial" "$aptdir/cache/archives/partial"
  write_src_sources
  log "updating the private deb-src index"
  apt-get -q "${apt_src_opts[@]}" update >"$aptdir/update.log" 2>&1 \
    || { cat "$aptdir/update.log" >&2; die "apt-get update (deb-src) failed"; }
  apt_src_ready=1
}

# fetch_source NAME: downloads and unpacks Debian's source package NAME
# (Debian patches applied) into .cache/src/NAME/tree; sets src_version.
src_version=
fetch_source() {
  local name=$1 dir=$cache/src/$1 dsc
  apt_src_update
  rm -rf "$dir"
  mkdir -p "$dir"
  (cd "$dir" && apt-get -q "${apt_src_opts[@]}" source --download-only "$name") \
    >"$dir/fetch.log" 2>&1 || { cat "$dir/fetch.log" >&2; die "cannot fetch source of $name"; }
  dsc=$(ls "$dir"/*.dsc | head -n1)
  dpkg-source -x --no-check "$dsc" "$dir/tree" >>"$dir/fetch.log" 2>&1 \
    || { cat "$dir/fetch.log" >&2; die "cannot unpack $dsc"; }
  src_version=$(sed -n 's/^Version: //p' "$dsc" | head -n1)
}

# --- stamps ------------------------------------------------------------------

# A stamp holds the recipe it was built with; a changed recipe rebuilds.
stamp_ok() { # NAME RECIPE FILE...
  local name=$1 recipe=$2 f
  shift 2
  [[ ${ZIVR_BOOTSTRAP_FORCE:-} == 1 ]] && return 1
  [[ -f $prefix/stamps/$name ]] && [[ $(head -n1 "$prefix/stamps/$name") == "$recipe" ]] || return 1
  for f in "$@"; do [[ -e $prefix/$f ]] || return 1; done
}

stamp_write() { # NAME RECIPE VERSION
  mkdir -p "$prefix/stamps"
  printf '%s\nversion %s\nbuilt %s\n' "$2" "$3" "$(date -u +%FT%TZ)" >"$prefix/stamps/$1"
}

# Every cross build uses the project's own toolchain file: same compilers and flags.
cmake_cross() { # SRC BUILD [ARGS...]
  local src=$1 build=$2
  shift 2
  rm -rf "$build"
  cmake -S "$src" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_INSTALL_LIBDIR=lib \
    -DBUILD_SHARED_LIBS=OFF \
    "$@" >"$build.log" 2>&1 || { tail -n 40 "$build.log" >&2; die "configure of $src failed"; }
  { cmake --build "$build" -j "$jobs" && cmake --install "$build"; } >>"$build.log" 2>&1 \
    || { tail -n 40 "$build.log" >&2; die "build of $src failed"; }
}

# --- the libraries -----------------------------------------------------------

build_liblzma() {
  local recipe="xz-utils autotools static vista-threads r1"
  if stamp_ok liblzma "$recipe" lib/liblzma.a include/lzma.h; then
    log "liblzma: up to date ($(sed -n 's/^version //p' "$prefix/stamps/liblzma"))"
    return
  fi
  log "liblzma: fetching and cross-building xz-utils"
  local src=$cache/src/xz-utils/tree build=$cache/build/xz-utils
  fetch_source xz-utils
  rm -rf "$build"
  mkdir -p "$build"
  # dpkg-source leaves patched files newer than the generated ones; keep make
  # from wanting autotools, which we do not need.
  local now
  now=$(date +%s)
  find "$src" \( -name configure -o -name Makefile.in -o -name aclocal.m4 -o -name config.h.in \) \
    -exec touch -d "@$now" {} +
  (
    cd "$build"
    "$src/configure" --host=$triple CC=$triple-gcc-posix CFLAGS=-O2 \
      --prefix="$prefix" --libdir="$prefix/lib" \
      --enable-static --disable-shared --enable-threads=vista \
      --disable-xz --disable-xzdec --disable-lzmadec --disable-lzmainfo \
      --disable-lzma-links --disable-scripts --disable-doc --disable-nls
    make -C src/liblzma -j "$jobs"
    make -C src/liblzma install
  ) >"$build.log" 2>&1 || { tail -n 40 "$build.log" >&2; die "liblzma build failed"; }
  grep -q LZMA_FILTER_LZMA1EXT "$prefix/include/lzma/lzma12.h" \
    || die "liblzma $src_version has no LZMA_FILTER_LZMA1EXT"
  stamp_write liblzma "$recipe" "$src_version"
}

build_pugixml() {
  local recipe="pugixml cmake static r1"
  if stamp_ok pugixml "$recipe" lib/libpugixml.a lib/cmake/pugixml/pugixml-config.cmake; then
    log "pugixml: up to date ($(sed -n 's/^version //p' "$prefix/stamps/pugixml"))"
    return
  fi
  log "pugixml: fetching and cross-building"
  fetch_source pugixml
  cmake_cross "$cache/src/pugixml/tree" "$cache/build/pugixml" -DPUGIXML_BUILD_TESTS=OFF
  stamp_write pugixml "$recipe" "$src_version"
}

# The product's own pugixml, beside the full one: no XPath and no streams (the
# setup script is read from memory), every function in a section of its own so
# the linker drops what is not called. Streams alone would bring 450 KiB of the
# C++ runtime's locale code into Setup.exe. Installed into a prefix of its own,
# which the win64 toolchain file searches first; the full library stays as it was.
build_pugixml_lean() {
  local recipe="pugixml cmake static no-xpath no-stl sections Os r1"
  local lean=$cache/mingw-w64-lean
  if stamp_ok pugixml-lean "$recipe" ../mingw-w64-lean/lib/libpugixml.a \
    ../mingw-w64-lean/lib/cmake/pugixml/pugixml-config.cmake; then
    log "pugixml (lean): up to date"
    return
  fi
  log "pugixml (lean): cross-building"
  [[ -f $cache/src/pugixml/tree/CMakeLists.txt ]] || fetch_source pugixml
  rm -rf "$lean"
  cmake_cross "$cache/src/pugixml/tree" "$cache/build/pugixml-lean" -DPUGIXML_BUILD_TESTS=OFF \
    -DCMAKE_INSTALL_PREFIX="$lean" -DPUGIXML_NO_XPATH=ON -DPUGIXML_NO_STL=ON \
    -DCMAKE_CXX_FLAGS_RELEASE="-Os -DNDEBUG -ffunction-sections -fdata-sections"
  stamp_write pugixml-lean "$recipe" "$(sed -n 's/^version //p' "$prefix/stamps/pugixml")"
}

# minizip's autotools files are not generated in the source package, and the
# library is five C files: compile them directly.
build_minizip() {
  local recipe="minizip direct static r1"
  if stamp_ok minizip "$recipe" lib/libminizip.a include/minizip/zip.h; then
    log "minizip: up to date ($(sed -n 's/^version //p' "$prefix/stamps/minizip"))"
    return
  fi
  log "minizip: fetching and cross-building"
  local src=$cache/src/minizip/tree build=$cache/build/minizip f objs=()
  fetch_source minizip
  rm -rf "$build"
  mkdir -p "$build" "$prefix/lib/pkgconfig" "$prefix/include/minizip"
  for f in ioapi mztools unzip zip iowin32; do
    $triple-gcc-posix -O2 -c "$src/$f.c" -I"$src" -o "$build/$f.o" 2>>"$build.log" \
      || { cat "$build.log" >&2; die "minizip: $f.c does not compile"; }
    objs+=("$build/$f.o")
  done
  rm -f "$prefix/lib/libminizip.a"
  $triple-ar rcs "$prefix/lib/libminizip.a" "${objs[@]}"
  for f in crypt ioapi mztools unzip zip iowin32; do
    install -m 644 "$src/$f.h" "$prefix/include/minizip/"
  done
  cat >"$prefix/lib/pkgconfig/minizip.pc" <<EOF
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include/minizip

Name: minizip
Description: Minizip zip file manipulation library
Version: ${src_version%%-*}
Libs: -L\${libdir} -lminizip
Libs.private: -lz
Cflags: -I\${includedir}
EOF
  stamp_write minizip "$recipe" "$src_version"
}

build_googletest() {
  local src=/usr/src/googletest version
  version=$(dpkg-query -W -f='${Version}' googletest)
  # Win32 threading, not winpthreads: what gtest expects on Windows.
  local recipe="googletest $version cmake static no-pthreads r1"
  if stamp_ok googletest "$recipe" lib/libgtest.a lib/libgmock.a lib/cmake/GTest/GTestConfig.cmake; then
    log "googletest: up to date ($version)"
    return
  fi
  [[ -f $src/CMakeLists.txt ]] || die "$src missing (package googletest)"
  log "googletest: cross-building $version from $src"
  cmake_cross "$src" "$cache/build/googletest" -Dgtest_disable_pthreads=ON -DINSTALL_GTEST=ON -DBUILD_GMOCK=ON
  stamp_write googletest "$recipe" "$version"
}

main() {
  local t0=$SECONDS
  install_packages
  mkdir -p "$cache"
  # One bootstrap at a time per checkout (several people and scripts share it).
  exec 8>"$cache/bootstrap.lock"
  flock 8
  build_liblzma
  build_pugixml
  build_pugixml_lean
  build_minizip
  build_googletest
  log "done in $((SECONDS - t0)) s; win64 libraries in $prefix"
}

main "$@"
