// The plug-in's own cost per page: the whole ocr_recognize on a 2550 x 3300
// RGB page (letter size at 300 dpi), loaded and called the way lectorin-ocr
// does, with the scripted engine, which reads the page through the line
// callback and recognises nothing. Held against a memcpy of the same page;
// the goal is within 4x. The page is given with four bytes per pixel, as
// lectorin-ocr hands Leptonica's pixels over, and with three, as an editor
// with packed RGB would.

#include "ratio_reporter.h"

#include "PixImage.h"
#include "ocr_interface.h"
#include "platform.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr uint32_t page_width = 2550;
constexpr uint32_t page_height = 3300;

std::size_t page_bytes(uint32_t step) {
  return std::size_t{step} * page_width * page_height;
}

// Text-like content: mostly paper, with dark strokes, in colour.
const std::vector<unsigned char> &page(uint32_t step) {
  static std::map<uint32_t, std::vector<unsigned char>> pages;
  std::vector<unsigned char> &bytes = pages[step];
  if (bytes.empty()) {
    bytes.resize(page_bytes(step));
    uint32_t state = 12345;
    for (std::size_t i = 0; i < bytes.size(); i += step) {
      state = state * 1664525u + 1013904223u;
      unsigned char ink = (state >> 24) < 40 ? 30 : 240;
      for (uint32_t c = 0; c < step; ++c)
        bytes[i + c] = static_cast<unsigned char>(ink + c);
    }
  }
  return bytes;
}

// The plug-in beside a scripted engine in a scratch directory, found
// through IRISlib as lectorin-ocr --engine would have it.
ocr_interface *plugin() {
  static ocr_interface *ocr = [] {
    std::filesystem::path engine =
        std::filesystem::temp_directory_path() / "lectorin-plugin-bench";
    std::filesystem::create_directories(engine / "DRS");
    std::filesystem::copy_file(
        LECTORIN_ENGINE_FILE, engine / platform::engine_library_file,
        std::filesystem::copy_options::overwrite_existing);
    std::ofstream(engine / "DRS" / platform::engine_data_file)
        << "backend script\n";
    platform::set_environment(platform::engine_directory_variable,
                              engine.string());
    std::string error;
    platform::LibraryHandle library =
        platform::load_library(LECTORIN_PLUGIN_FILE, error);
    auto init = library ? reinterpret_cast<ocr_interface *(*)()>(
                              platform::find_function(library, "init_ocr"))
                        : nullptr;
    if (!init) {
      std::fprintf(stderr, "cannot load the plug-in: %s\n", error.c_str());
      std::exit(1);
    }
    ocr_interface *opened = init();
    if (opened->error) {
      std::fprintf(stderr, "the plug-in found no engine: %s\n", opened->error);
      std::exit(1);
    }
    return opened;
  }();
  return ocr;
}

void memcpy_page(benchmark::State &state) {
  uint32_t step = static_cast<uint32_t>(state.range(0));
  const std::vector<unsigned char> &source = page(step);
  std::vector<unsigned char> target(source.size());
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), source.size());
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(
      static_cast<int64_t>(state.iterations() * source.size()));
}

void recognize_page(benchmark::State &state) {
  uint32_t step = static_cast<uint32_t>(state.range(0));
  const std::vector<unsigned char> &source = page(step);
  ocr_interface *ocr = plugin();
  PixImageDesc desc = {};
  desc.type = TYPE_RGB;
  desc.width = page_width;
  desc.height = page_height;
  desc.pixel_step = step;
  desc.row_step = step * page_width;
  desc.buffer_size = static_cast<uint32_t>(source.size());
  desc.x_resolution = desc.y_resolution = 300;
  desc.buffer = desc.data = const_cast<unsigned char *>(source.data());
  for (auto _ : state) {
    char *xml = ocr->recognize(ocr, "TRUE", &desc);
    if (!xml) {
      state.SkipWithError(ocr->error ? ocr->error : "no result");
      break;
    }
    benchmark::DoNotOptimize(xml);
    ocr->release(ocr);
  }
  state.SetBytesProcessed(
      static_cast<int64_t>(state.iterations() * source.size()));
}

BENCHMARK(memcpy_page)->Arg(4)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(recognize_page)->Arg(4)->Arg(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const char *step : {"4", "3"}) {
    double ratio = reporter.ratio(std::string("recognize_page/") + step,
                                  std::string("memcpy_page/") + step);
    if (ratio > 0)
      std::printf("ocr_recognize, %s bytes per pixel: %.2f x memcpy\n", step,
                  ratio);
  }
  ocr_interface *ocr = plugin();
  ocr->close(ocr);
  return 0;
}
