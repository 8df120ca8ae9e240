#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, outside the CMake presets (they
# need clang's -fsanitize=fuzzer, the presets use GCC and mingw):
#
#   fuzz/build.sh                  builds build/fuzz/pix_fuzzer
#   build/fuzz/pix_fuzzer -max_total_time=600 build/fuzz/corpus fuzz/seeds/pix
#
# Every target is compiled from the sources it needs, with AddressSanitizer
# and UndefinedBehaviorSanitizer, straight from this script's lists.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/fuzz
mkdir -p "$out" "$out/corpus"

flags=(-std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=all -fno-omit-frame-pointer -Wno-ignored-attributes
       -Iplatform -Ivx_lib_djvu_base/include -Iocr_plugin)
base=(platform/posix.cpp vx_lib_djvu_base/src/*.cpp)
pix_image=(ocr_plugin/PixBuffer.cpp ocr_plugin/PixImage.cpp
           ocr_plugin/PixImage_validate.cpp ocr_plugin/PixImage_gray.cpp
           ocr_plugin/PixImage_gray_rows.cpp
           ocr_plugin/PixImage_bitonal.cpp ocr_plugin/PixImage_copy_out.cpp
           ocr_plugin/PixImage_normalize.cpp ocr_plugin/PixImage_resample.cpp
           ocr_plugin/PixImage_resample_rows.cpp ocr_plugin/PixImage_subsample.cpp
           ocr_plugin/PixImage_stretch.cpp
           ocr_plugin/pix_entries.cpp)

clang++ "${flags[@]}" fuzz/pix_fuzzer.cpp "${pix_image[@]}" "${base[@]}" \
  -ldl -lpthread -o "$out/pix_fuzzer"
echo "built $out/pix_fuzzer"
