#!/usr/bin/env bash
# Recognises page images and prints or writes their text: hidden-text XML,
# or hOCR, ALTO or plain text with "-- --format hocr|alto|txt".
#
#   ./ocr.sh [IMAGE...] [-- lectorin-ocr options]
#
# Installs what a fresh Debian 12 machine lacks, builds the release
# configuration, and runs lectorin-ocr on the images (PNG, TIFF, PNM, JPEG,
# BMP). Without an image it makes a sample page with the page generator and
# recognises that. Options after "--" go to lectorin-ocr (see
# build/linux/bin/lectorin-ocr --help); "./ocr.sh --help" shows this text.
# Standard output holds only the results: installing and building talk on
# standard error and in build/ocr-build.log.
set -uo pipefail
top=$(cd "$(dirname "$0")" && pwd)

images=()
options=()
while [ $# -gt 0 ]; do
  case "$1" in
    -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    --) shift; options=("$@"); break ;;
    *) images+=("$1"); shift ;;
  esac
done

packages=(
  g++ make cmake pkg-config
  libtesseract-dev tesseract-ocr-eng libleptonica-dev
  libcairo2-dev libpango1.0-dev fonts-dejavu-core
)
. "$top/tools/install_packages.sh"
install_missing_packages >&2 || { echo "ocr.sh: could not install the build tools" >&2; exit 2; }

build="$top/build/linux"
log="$top/build/ocr-build.log"
mkdir -p "$top/build"
printf '== building (release)\n' >&2
if ! { cmake --preset linux -S "$top" -DLECTORIN_TESTS=OFF &&
       cmake --build "$build" -j "$(nproc)" --target lectorin-ocr lectorin-pagegen; } >"$log" 2>&1; then
  tail -30 "$log" >&2
  echo "ocr.sh: the build failed (whole log: $log)" >&2
  exit 2
fi

if [ ${#images[@]} -eq 0 ]; then
  sample="$top/build/sample-page.png"
  printf '== no image given: recognising a generated sample page (%s)\n' "$sample" >&2
  "$build/bin/lectorin-pagegen" --sample en --dpi 300 -o "$sample" >&2 || exit 2
  images=("$sample")
fi
exec "$build/bin/lectorin-ocr" "${options[@]}" "${images[@]}"
