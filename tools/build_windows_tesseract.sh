#!/usr/bin/env bash
# Cross-builds Leptonica and Tesseract for Windows, as static libraries, from
# Debian's own source packages (leptonlib, tesseract) with one of the
# project's mingw-w64 toolchains: the Windows engine's recognition library.
#
#   tools/build_windows_tesseract.sh [TOOLCHAIN]
#
# TOOLCHAIN is the CMake toolchain file (default cmake/mingw32.cmake, the
# 32-bit deliverables; cmake/mingw64.cmake for the 64-bit test build). The
# cache, build/windows-tesseract/<target>/, keeps one install prefix per key:
# the two source versions, the compiler and its runtime, the flags, the
# toolchain file and this script. A second run with the same key reuses the
# prefix at once; a changed key builds anew (about 2½ minutes on two free
# cores) and drops the target's prefixes of other keys. Installs what it
# needs first, Debian's source entries included. Prints the prefix on
# standard output and talks on standard error; the build's own output goes
# to a log in the cache.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
toolchain=$(realpath "${1:-$top/cmake/mingw32.cmake}")
target=$(sed -n 's/^set(LECTORIN_TOOL_PREFIX \(.*\))$/\1/p' "$toolchain")
[ -n "$target" ] || {
  echo "build_windows_tesseract.sh: $toolchain names no LECTORIN_TOOL_PREFIX" >&2
  exit 1
}
compiler=$target-g++-posix
architecture=${target%%-w64-*} # Debian's package names say x86-64
architecture=${architecture//_/-}
cache=$top/build/windows-tesseract/$target
sources=$top/build/windows-tesseract/sources

# 32-bit: the i686 default, x87 arithmetic, not the project's SSE2: built so,
# Tesseract read the scanned test pages word for word and box for box as the
# x86-64 Linux build does, and about a fifth faster than with SSE2, which
# changed a word, most likely the random seeding's doing, mended below (the
# 64-bit build read the same word so until then: README, "Windows"). Its
# SIMD kernels pick their own instruction sets at run time either way. The
# stack is realigned where SSE code needs it, since the editor calls in with
# only 4-byte alignment. 64-bit: SSE2 arithmetic, as on Linux.
flags="-O2"
[ "$target" = i686-w64-mingw32 ] && flags="-O2 -mstackrealign"

log() { printf '== %s\n' "$*" >&2; }
fail() {
  printf 'build_windows_tesseract.sh: %s\n' "$*" >&2
  exit 1
}

packages=(dpkg-dev cmake make python3 "g++-mingw-w64-$architecture-posix" "mingw-w64-$architecture-dev")
. "$top/tools/install_packages.sh"
install_missing_packages || fail "could not install the build tools"
enable_source_packages tesseract || fail "could not enable Debian's source packages"

# The newest source version the archive offers, the one apt-get source takes.
source_version() {
  apt-cache showsrc --only-source "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -V | tail -1
}
leptonica_version=$(source_version leptonlib)
tesseract_version=$(source_version tesseract)
[ -n "$leptonica_version" ] && [ -n "$tesseract_version" ] ||
  fail "Debian's archive offers no leptonlib or tesseract source"

key=$(
  {
    echo "leptonlib $leptonica_version tesseract $tesseract_version"
    "$compiler" --version | head -1
    dpkg-query -W -f='${Version}\n' "mingw-w64-$architecture-dev"
    echo "$flags"
    cat "$toolchain" "$0"
  } | sha256sum | cut -c1-16
)
work=$cache/$key
prefix=$work/prefix

mkdir -p "$cache"
exec 9>"$cache/.lock"
flock 9 # one build at a time: test.sh and a configure may ask together

if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

log "cross-building Leptonica $leptonica_version and Tesseract $tesseract_version for $target ($work)"
for old in "$cache"/*/; do
  [ "${old%/}" = "$work" ] || rm -rf "${old%/}"
done
rm -rf "$work"
mkdir -p "$work" "$sources"
build_log=$work/build.log

# apt-get source unpacks each package with Debian's patches applied.
fetch_source() { # package version
  local dir=$sources/$1_$2
  if [ ! -f "$dir/.complete" ]; then
    rm -rf "$dir" && mkdir -p "$dir"
    (cd "$dir" && apt-get source -qq "$1=$2") >>"$build_log" 2>&1 ||
      fail "apt-get source $1=$2 failed (log: $build_log)"
    touch "$dir/.complete"
  fi
  find "$dir" -mindepth 1 -maxdepth 1 -type d | head -1
}
leptonica_source=$(fetch_source leptonlib "$leptonica_version")
tesseract_source=$(fetch_source tesseract "$tesseract_version")

# Tesseract fills the margins of each text line it hands its network with
# pseudo-random values, from a std::minstd_rand seeded with a 64-bit number
# made from the model. That engine's integer type is 64 bits wide on x86-64
# Linux but 32 on Windows, so Windows dropped the seed's upper half and padded
# every line with other values: every network output moved (by up to 0.3 in a
# probability) and eurotext's "o" read as "0". Reduced modulo the engine's
# modulus first, as the 64-bit type does, the seed gives Windows the Linux
# sequence, and the same page the same words, boxes and confidences.
seeding=$tesseract_source/src/ccutil/helpers.h
if ! grep -q 'seed % 2147483647' "$seeding"; then
  sed -i 's/^    e\.seed(seed);$/    e.seed(static_cast<std::minstd_rand::result_type>(seed % 2147483647));/' "$seeding"
  grep -q 'seed % 2147483647' "$seeding" || fail "cannot find Tesseract's random seeding in $seeding"
fi

jobs=$(nproc 2>/dev/null || echo 2)
common=(
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags"
  -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF -DSW_BUILD=OFF
)
build() { # name source options...
  local name=$1 source=$2
  shift 2
  log "building $name"
  { cmake -S "$source" -B "$work/build-$name" "${common[@]}" "$@" &&
    cmake --build "$work/build-$name" -j "$jobs" &&
    cmake --install "$work/build-$name"; } >>"$build_log" 2>&1 ||
    fail "building $name failed (log: $build_log)"
}

# No image libraries: Tesseract gets its pixels from the engine, so
# Leptonica's own BMP and PNM readers are all it needs.
build leptonica "$leptonica_source" -DBUILD_PROG=OFF \
  -DCMAKE_DISABLE_FIND_PACKAGE_GIF=ON -DCMAKE_DISABLE_FIND_PACKAGE_JPEG=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_PNG=ON -DCMAKE_DISABLE_FIND_PACKAGE_TIFF=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_ZLIB=ON -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON \
  -DWEBP_INCLUDE_DIR=WEBP_INCLUDE_DIR-NOTFOUND -DWEBPMUX_INCLUDE_DIR=WEBPMUX_INCLUDE_DIR-NOTFOUND \
  -DJP2K_INCLUDE_DIR=JP2K_INCLUDE_DIR-NOTFOUND

# Tesseract links the Windows socket library as "Ws2_32"; mingw ships it as
# libws2_32.a, and the cross linker's file names are case-sensitive. Its
# program finds it under the other name here; its installed package file is
# mended below. -march=native would be the build machine's processor, even
# when cross compiling.
mkdir -p "$work/links"
ln -sf "/usr/$target/lib/libws2_32.a" "$work/links/libWs2_32.a"
build tesseract "$tesseract_source" -DBUILD_TRAINING_TOOLS=OFF -DBUILD_TESTS=OFF \
  -DDISABLE_ARCHIVE=ON -DDISABLE_CURL=ON -DOPENMP_BUILD=OFF -DGRAPHICS_DISABLED=ON \
  -DENABLE_LTO=OFF -DCOMPILER_SUPPORTS_MARCH_NATIVE=OFF -DINSTALL_CONFIGS=OFF \
  -DCMAKE_DISABLE_FIND_PACKAGE_TIFF=ON -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON \
  -DLeptonica_DIR="$prefix/lib/cmake/leptonica" -DCMAKE_EXE_LINKER_FLAGS="-L$work/links"

grep -rl 'Ws2_32' "$prefix/lib/cmake" | xargs -r sed -i 's/Ws2_32/ws2_32/g'

touch "$prefix/.complete"
log "Tesseract for Windows ready"
echo "$prefix"
