// What a format other than xml costs per page: reading the plug-in's hidden
// text back and writing it as hOCR, ALTO or plain text, on the hidden-text
// files of real pages given on the command line (bench/ocr_bench.sh passes
// the ones its xml run wrote). Held against a copy of the hidden text, which
// is all that xml output costs; the time of recognising the page is the
// measure that matters, and ocr_bench.sh sets the two side by side.

#include "ratio_reporter.h"

#include "output_format.h"
#include "page_text.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace lectorin_ocr;

std::vector<std::string> &pages() {
  static std::vector<std::string> documents;
  return documents;
}

void copy_hidden_text(benchmark::State &state) {
  for (auto _ : state)
    for (const std::string &xml : pages()) {
      std::string copy = xml;
      benchmark::DoNotOptimize(copy.data());
    }
}

void convert(benchmark::State &state, Format format) {
  DocumentInfo document;
  document.language = "en";
  PageInfo page;
  page.width = 2550;
  page.height = 3300;
  for (auto _ : state)
    for (const std::string &xml : pages()) {
      std::string text =
          format_page(format, read_page_text(xml), page, document);
      benchmark::DoNotOptimize(text.data());
    }
}

BENCHMARK(copy_hidden_text);
BENCHMARK_CAPTURE(convert, hocr, Format::hocr);
BENCHMARK_CAPTURE(convert, alto, Format::alto);
BENCHMARK_CAPTURE(convert, txt, Format::txt);

} // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in) {
      (void)std::fprintf(stderr, "format_bench: cannot read %s\n", argv[i]);
      return 2;
    }
    pages().push_back(text.str());
  }
  if (pages().empty()) {
    (void)std::fprintf(stderr, "usage: format_bench HIDDEN-TEXT.xml...\n");
    return 2;
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const char *name :
       {"copy_hidden_text", "convert/hocr", "convert/alto", "convert/txt"}) {
    auto found = reporter.times.find(name);
    if (found != reporter.times.end())
      std::printf("%s: %.3f ms of processor time per page\n", name,
                  found->second / 1e6 / static_cast<double>(pages().size()));
  }
  return 0;
}
