// The base library's per-word costs beside the standard library's: each of
// these runs once per recognised word, so each should stay within 1.5 times
// of its peer. Pairs are named Ours/... and Std/....

#include "ByteStream.h"
#include "GString.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char word_format[] = "<WORD Coords=\"%d,%d,%d,%d\">%s</WORD>";

// Words as a page gives them: mostly plain, some with XML's special
// characters, some beyond ASCII.
const std::vector<std::string> &words() {
  static const std::vector<std::string> list = {"The",
                                                "quick",
                                                "brown",
                                                "fox's",
                                                "jumps",
                                                "over",
                                                "the",
                                                "lazy",
                                                "dog.",
                                                "R&D",
                                                "<b>",
                                                "caf\xC3\xA9",
                                                "na\xC3\xAFve",
                                                "1,234.50",
                                                "\"quoted\"",
                                                "A~B",
                                                "and",
                                                "Stra\xC3\x9F"
                                                "e"};
  return list;
}

void Ours_FormatWord(benchmark::State &state) {
  int i = 0;
  for (auto _ : state) {
    GUTF8String element =
        GUTF8String::format(word_format, i, i + 17, i + 230, i + 41, "quick");
    benchmark::DoNotOptimize(element.c_str());
    ++i;
  }
}
BENCHMARK(Ours_FormatWord);

void Std_FormatWord(benchmark::State &state) {
  int i = 0;
  for (auto _ : state) {
    char buffer[256];
    int n = std::snprintf(buffer, sizeof buffer, word_format, i, i + 17,
                          i + 230, i + 41, "quick");
    std::string element(buffer, static_cast<std::size_t>(n));
    benchmark::DoNotOptimize(element.data());
    ++i;
  }
}
BENCHMARK(Std_FormatWord);

void Ours_XmlEscape(benchmark::State &state) {
  std::vector<GUTF8String> input;
  for (const std::string &word : words())
    input.push_back(GUTF8String(word.c_str()));
  for (auto _ : state) {
    for (const GUTF8String &word : input) {
      GUTF8String escaped = word.xml_escape();
      benchmark::DoNotOptimize(escaped.c_str());
    }
  }
  state.SetItemsProcessed(state.iterations() * int64_t(input.size()));
}
BENCHMARK(Ours_XmlEscape);

// The plain way to escape into a new std::string, byte by byte.
std::string escape(const std::string &text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    unsigned char byte = static_cast<unsigned char>(c);
    switch (c) {
    case '"':
      out += "&quot;";
      break;
    case '&':
      out += "&amp;";
      break;
    case '\'':
      out += "&apos;";
      break;
    case '<':
      out += "&lt;";
      break;
    case '>':
      out += "&gt;";
      break;
    default:
      if (byte < 0x20 || byte == 0x7E || byte == 0x7F)
        out += "&#" + std::to_string(byte) + ";";
      else
        out += c;
    }
  }
  return out;
}

void Std_XmlEscape(benchmark::State &state) {
  const std::vector<std::string> &input = words();
  for (auto _ : state) {
    for (const std::string &word : input) {
      std::string escaped = escape(word);
      benchmark::DoNotOptimize(escaped.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * int64_t(input.size()));
}
BENCHMARK(Std_XmlEscape);

// The floor under every string handed out: one reference taken and dropped
// under the process-wide reference-count lock.
void Ours_StringCopy(benchmark::State &state) {
  GUTF8String word("quick");
  for (auto _ : state) {
    GUTF8String copy = word;
    benchmark::DoNotOptimize(copy.c_str());
  }
}
BENCHMARK(Ours_StringCopy);

// A page of 2000 words, written as 50-byte elements.
const int pieces_per_page = 2000;
const std::string piece(50, 'w');

void Ours_MemoryWrites(benchmark::State &state) {
  for (auto _ : state) {
    GRef<ByteStream> page = ByteStream::create_memory();
    for (int i = 0; i < pieces_per_page; ++i)
      page->write(piece.data(), 50);
    benchmark::DoNotOptimize(page->tell());
  }
  state.SetBytesProcessed(state.iterations() * pieces_per_page * 50);
}
BENCHMARK(Ours_MemoryWrites);

void Std_MemoryWrites(benchmark::State &state) {
  for (auto _ : state) {
    std::string page;
    for (int i = 0; i < pieces_per_page; ++i)
      page.append(piece.data(), 50);
    benchmark::DoNotOptimize(page.data());
  }
  state.SetBytesProcessed(state.iterations() * pieces_per_page * 50);
}
BENCHMARK(Std_MemoryWrites);

} // namespace

BENCHMARK_MAIN();
