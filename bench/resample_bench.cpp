// pix_resize against Leptonica on the same gray pixels:
//
//   enlarge  a 150 dpi letter page, 1275 x 1650, to 200 dpi, 1700 x 2200:
//            Leptonica's pixScaleGrayLI (linear interpolation);
//   reduce   a 300 dpi letter page, 2550 x 3300, to 100 dpi, 850 x 1100:
//            Leptonica's pixScaleAreaMap (area-weighted reduction).
//
// The page is the gray copy the recognition run resizes: packed and stored
// bottom-up. pix_resize works in place, so each iteration starts from a
// fresh copy of the page, made while the clock is stopped; Leptonica makes a
// new image each time, and the time to allocate it counts, as does
// pix_resize growing its memory. Ratios are of CPU time per iteration: on a
// shared machine it is steadier than the wall clock. Below 1 is faster than
// Leptonica.

#include "ratio_reporter.h"

#include "PixImage.h"

#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

struct Page {
  uint32_t width, height;
  std::vector<unsigned char> rows; // top row first
};

// Paper with lines of dark strokes, and some noise: edges and flat areas,
// like a scanned page.
Page make_page(uint32_t width, uint32_t height) {
  Page page{width, height,
            std::vector<unsigned char>(std::size_t{width} * height)};
  uint32_t state = 2463534242u;
  for (uint32_t i = 0; i < height; ++i)
    for (uint32_t j = 0; j < width; ++j) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      const bool line = (i / 40) % 2 == 0 && (i % 40) > 8;
      const bool stroke = line && ((j / 7 + i / 3) % 5 == 0 || state % 17 == 0);
      page.rows[std::size_t{i} * width + j] = static_cast<unsigned char>(
          stroke ? 30 + state % 40 : 225 + state % 30);
    }
  return page;
}

const Page &small_page() {
  static const Page page = make_page(1275, 1650);
  return page;
}

const Page &large_page() {
  static const Page page = make_page(2550, 3300);
  return page;
}

PIX *to_pix(const Page &page) {
  PIX *pix = pixCreate(static_cast<l_int32>(page.width),
                       static_cast<l_int32>(page.height), 8);
  l_uint32 *data = pixGetData(pix);
  const l_int32 wpl = pixGetWpl(pix);
  for (uint32_t i = 0; i < page.height; ++i) {
    l_uint32 *line = data + static_cast<std::size_t>(i) * wpl;
    for (uint32_t j = 0; j < page.width; ++j)
      SET_DATA_BYTE(line, j, page.rows[std::size_t{i} * page.width + j]);
  }
  return pix;
}

// The gray copy as pix_to_gray_copy hands it out: rows bottom-up.
PixImageDesc *to_descriptor(const Page &page) {
  PixImageDesc *d = pix_new_desc();
  const std::size_t bytes = page.rows.size();
  PixBuffer::create(*d, static_cast<uint32_t>(bytes));
  d->type = TYPE_GRAY;
  d->orientation = 1;
  d->width = page.width;
  d->height = page.height;
  d->pixel_step = 1;
  d->row_step = page.width;
  d->x_resolution = d->y_resolution = 300;
  for (uint32_t i = 0; i < page.height; ++i)
    std::memcpy(d->data + std::size_t{page.height - 1 - i} * page.width,
                page.rows.data() + std::size_t{i} * page.width, page.width);
  return d;
}

void run_lectorin(benchmark::State &state, const Page &page, uint32_t width,
                  uint32_t height) {
  char error[256];
  for (auto _ : state) {
    state.PauseTiming();
    PixImageDesc *d = to_descriptor(page);
    state.ResumeTiming();
    if (pix_resize(d, width, height, error, sizeof error) == nullptr) {
      state.SkipWithError(error);
      pix_free(d);
      break;
    }
    benchmark::DoNotOptimize(d->data);
    pix_free(d);
  }
}

template <class Scale>
void run_leptonica(benchmark::State &state, const Page &page, uint32_t width,
                   uint32_t height, Scale scale) {
  PIX *source = to_pix(page);
  for (auto _ : state) {
    PIX *out = scale(source);
    if (out == nullptr || pixGetWidth(out) != static_cast<l_int32>(width) ||
        pixGetHeight(out) != static_cast<l_int32>(height)) {
      state.SkipWithError("Leptonica made another size");
      pixDestroy(&out);
      break;
    }
    benchmark::DoNotOptimize(pixGetData(out));
    pixDestroy(&out);
  }
  pixDestroy(&source);
}

void enlarge_lectorin(benchmark::State &state) {
  run_lectorin(state, small_page(), 1700, 2200);
}

void enlarge_leptonica(benchmark::State &state) {
  run_leptonica(state, small_page(), 1700, 2200, [](PIX *pix) {
    return pixScaleGrayLI(pix, 1700.0f / 1275.0f, 2200.0f / 1650.0f);
  });
}

void reduce_lectorin(benchmark::State &state) {
  run_lectorin(state, large_page(), 850, 1100);
}

void reduce_leptonica(benchmark::State &state) {
  run_leptonica(state, large_page(), 850, 1100, [](PIX *pix) {
    return pixScaleAreaMap(pix, 1.0f / 3.0f, 1.0f / 3.0f);
  });
}

BENCHMARK(enlarge_lectorin)->Unit(benchmark::kMillisecond);
BENCHMARK(enlarge_leptonica)->Unit(benchmark::kMillisecond);
BENCHMARK(reduce_lectorin)->Unit(benchmark::kMillisecond);
BENCHMARK(reduce_leptonica)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const char *task : {"enlarge", "reduce"}) {
    const std::string ours = std::string(task) + "_lectorin";
    const std::string peer = std::string(task) + "_leptonica";
    double ratio = reporter.ratio(ours, peer);
    if (ratio > 0)
      std::printf("%s: pix_resize %.2f ms, Leptonica %.2f ms, ratio %.2f\n",
                  task, reporter.times.at(ours), reporter.times.at(peer),
                  ratio);
  }
  return 0;
}
