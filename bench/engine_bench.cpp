//===- engine_bench.cpp - Seconds per page in the engine, either build ----===//
//
// Times the stand-in engine's Tesseract backend on gray pages inside one
// process, the way the plug-in drives it: the models load on a first,
// untimed reading of the first page, then every page is read RUNS times and
// the median is reported. Built for Linux and for Windows (run under Wine),
// so that bench/windows_bench.sh can set the two builds side by side on the
// same pages in the same run, and compare what they read.
//
//   engine_bench [--runs N] [--words FILE] PAGE.pgm...
//
// Pages are binary PGM files (8-bit gray). The engine is the one the build
// put in bin/DjVu/Lectorin/, with its settings from DRS/eng.ytr there.
// --words writes every word read with its box, one per line:
// "PAGE LEFT TOP RIGHT BOTTOM TEXT".
//
//===----------------------------------------------------------------------===//

#include "drs832_functions.h"
#include "platform.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Engine = Drs832Functions;

Engine load_engine() { return load_drs832_functions(LECTORIN_ENGINE_FILE); }

struct Page {
  std::string name;
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> pixels;
  int32_t next = 0;
};

// A binary PGM with 8-bit samples; comments are not expected.
Page read_pgm(const std::string &file) {
  std::ifstream in(file, std::ios::binary);
  std::string magic;
  int maximum = 0;
  Page page;
  in >> magic >> page.width >> page.height >> maximum;
  in.get();
  if (!in || magic != "P5" || maximum != 255 || page.width <= 0 ||
      page.height <= 0)
    throw std::runtime_error(file + ": not a binary 8-bit PGM file");
  page.pixels.resize(static_cast<std::size_t>(page.width) * page.height);
  in.read(reinterpret_cast<char *>(page.pixels.data()),
          static_cast<std::streamsize>(page.pixels.size()));
  if (!in)
    throw std::runtime_error(file + ": the pixels are cut short");
  std::size_t slash = file.find_last_of("/\\");
  page.name = file.substr(slash == std::string::npos ? 0 : slash + 1);
  return page;
}

extern "C" int32_t feed_line(void *feed, int32_t request, uint8_t *buffer) {
  auto *page = static_cast<Page *>(feed);
  if (request == 0)
    page->next = 0;
  if (page->next >= page->height)
    return -1;
  std::copy_n(&page->pixels[static_cast<std::size_t>(page->next) * page->width],
              page->width, buffer);
  ++page->next;
  return 0;
}

struct Word {
  std::string text;
  drs_rectangle box{};
};

// One page as the plug-in reads it, at 300 dpi in English; the words.
std::vector<Word> read_page(const Engine &e, int32_t handle, Page &page) {
  e.set_value(handle, 3, feed_line, &page, static_cast<uint32_t>(page.width),
              static_cast<uint32_t>(page.height), 0);
  e.set_value(handle, 38, 300u, 0);
  e.set_language(handle, 1);
  platform::MemoryBlock block = platform::memory_block_alloc(4);
  if (e.zones(handle) != 0 || e.ocr(handle, block) != 0) {
    platform::memory_block_free(block);
    throw std::runtime_error(page.name + ": the engine failed");
  }
  auto *list = static_cast<uint16_t *>(platform::memory_block_lock(block));
  std::vector<uint16_t> entries(list + 2, list + 2 + list[0]);
  platform::memory_block_unlock(block);
  platform::memory_block_free(block);

  std::vector<Word> words;
  Word word;
  bool in_word = false;
  e.prep_coords();
  for (uint16_t entry : entries) {
    if (entry & 0x8000) {
      if (in_word)
        words.push_back(word);
      word = Word();
      in_word = false;
      continue;
    }
    uint16_t text[16] = {};
    drs_rectangle r{};
    e.read_one(entry, text);
    e.read_coordinates(entry, &r);
    for (const uint16_t *c = text; *c; ++c)
      word.text += *c < 0x80 ? static_cast<char>(*c) : '?';
    word.box = in_word ? drs_rectangle{std::min(word.box.x0, r.x0),
                                       std::min(word.box.y0, r.y0),
                                       std::max(word.box.x1, r.x1),
                                       std::max(word.box.y1, r.y1)}
                       : r;
    in_word = true;
  }
  e.free_coords();
  return words;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

int run(int argc, char **argv) {
  int runs = 5;
  std::string words_file;
  std::vector<Page> pages;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc)
      runs = std::max(1, std::atoi(argv[++i]));
    else if (arg == "--words" && i + 1 < argc)
      words_file = argv[++i];
    else
      pages.push_back(read_pgm(arg));
  }
  if (pages.empty())
    throw std::runtime_error(
        "usage: engine_bench [--runs N] [--words FILE] PAGE.pgm...");

  const Engine e = load_engine();
  std::string engine_file = LECTORIN_ENGINE_FILE;
  std::string data =
      engine_file.substr(0, engine_file.find_last_of("/\\") + 1) +
      platform::engine_data_subdirectory;
  int32_t handle = e.init(nullptr, data.c_str(), nullptr, nullptr, 0);
  if (handle == 0)
    throw std::runtime_error("the engine did not start with " + data);
  read_page(e, handle, pages.front()); // loads the models

  std::FILE *out =
      words_file.empty() ? nullptr : std::fopen(words_file.c_str(), "wb");
  for (Page &page : pages) {
    std::vector<double> seconds;
    std::vector<Word> words;
    for (int r = 0; r < runs; ++r) {
      auto begin = std::chrono::steady_clock::now();
      words = read_page(e, handle, page);
      seconds.push_back(std::chrono::duration<double>(
                            std::chrono::steady_clock::now() - begin)
                            .count());
    }
    std::printf("%s %.1f ms median of %d, %zu words\n", page.name.c_str(),
                1000 * median(seconds), runs, words.size());
    if (out)
      for (const Word &w : words)
        (void)std::fprintf(out, "%s %u %u %u %u %s\n", page.name.c_str(),
                           w.box.x0, w.box.y0, w.box.x1, w.box.y1,
                           w.text.c_str());
  }
  if (out)
    (void)std::fclose(out);
  e.upset(handle);
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception &error) {
    (void)std::fprintf(stderr, "engine_bench: %s\n", error.what());
    return 1;
  }
}
