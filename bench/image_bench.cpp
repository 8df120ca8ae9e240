// pix_to_gray_copy of a 2550 x 3300 RGB page (letter size at 300 dpi), read
// along its rows (orientation 0) and along its columns (orientation 5),
// against a plain memcpy of the page's bytes. The gray copy reads every byte
// once and writes a third as many, so memcpy is the floor it is held to;
// the goal is within 2x.

#include "ratio_reporter.h"

#include "PixImage.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr uint32_t page_width = 2550;
constexpr uint32_t page_height = 3300;
constexpr std::size_t page_bytes = std::size_t{3} * page_width * page_height;

const std::vector<unsigned char> &page() {
  static std::vector<unsigned char> bytes = [] {
    std::vector<unsigned char> b(page_bytes);
    uint32_t state = 12345;
    for (auto &byte : b) {
      state = state * 1664525u + 1013904223u;
      byte = static_cast<unsigned char>(state >> 24);
    }
    return b;
  }();
  return bytes;
}

void memcpy_page(benchmark::State &state) {
  const std::vector<unsigned char> &source = page();
  std::vector<unsigned char> target(page_bytes);
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), page_bytes);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(
      static_cast<int64_t>(state.iterations() * page_bytes));
}

void gray_copy_page(benchmark::State &state) {
  const std::vector<unsigned char> &source = page();
  PixImageDesc desc = {};
  desc.type = TYPE_RGB;
  desc.orientation = static_cast<uint32_t>(state.range(0));
  desc.width = page_width;
  desc.height = page_height;
  desc.pixel_step = 3;
  desc.row_step = 3 * page_width;
  desc.buffer_size = static_cast<uint32_t>(page_bytes);
  desc.x_resolution = desc.y_resolution = 300;
  desc.buffer = desc.data = const_cast<unsigned char *>(source.data());
  char error[256];
  for (auto _ : state) {
    PixImageDesc *gray = pix_to_gray_copy(&desc, error, sizeof error);
    if (gray == nullptr) {
      state.SkipWithError(error);
      break;
    }
    benchmark::DoNotOptimize(gray->data);
    pix_free(gray);
  }
  state.SetBytesProcessed(
      static_cast<int64_t>(state.iterations() * page_bytes));
}

BENCHMARK(memcpy_page)->Unit(benchmark::kMillisecond);
BENCHMARK(gray_copy_page)->Arg(0)->Arg(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const auto &entry : reporter.times) {
    double ratio = reporter.ratio(entry.first, "memcpy_page");
    if (entry.first != "memcpy_page" && ratio > 0)
      std::printf("%s: %.2f x memcpy\n", entry.first.c_str(), ratio);
  }
  return 0;
}
