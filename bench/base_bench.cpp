// The base library's per-word costs beside the standard library's: each of
// these runs once per recognised word, so each should stay within 1.5 times
// of its peer. Pairs are named Ours/... and Std/....
//
// And the XML parser on long text broken by comments beside a document of
// the same size made of empty elements, each at one and four times the size:
// text should cost no more than elements, and both should grow in step with
// the input.

#include "ByteStream.h"
#include "GString.h"
#include "XMLTags.h"
#include "ratio_reporter.h"

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

// Documents of about 2.7 MB per unit of size: "<r>" and 160,000 stretches of
// text each followed by an empty comment, or as many bytes of "<a/>".
const std::size_t stretches_per_unit = 160000;
const std::string stretch = "0123456789<!---->";

std::string text_document(std::size_t units) {
  std::string doc = "<r>";
  for (std::size_t i = 0; i < stretches_per_unit * units; ++i)
    doc += stretch;
  return doc;
}

std::string children_document(std::size_t units) {
  std::string doc = "<r>";
  for (std::size_t i = 0; i < stretches_per_unit * units * stretch.size() / 4;
       ++i)
    doc += "<a/>";
  return doc;
}

void parse_document(benchmark::State &state, const std::string &doc) {
  GRef<ByteStream> source = ByteStream::create_memory();
  source->write_fully(doc.data(), static_cast<int32_t>(doc.size()));
  for (auto _ : state) {
    source->seek(0);
    GRef<vx_XMLTags> root = vx_XMLTags::create_from_stream(source);
    benchmark::DoNotOptimize(root.get());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(doc.size()));
}

void Xml_TextAndComments(benchmark::State &state) {
  parse_document(state,
                 text_document(static_cast<std::size_t>(state.range(0))));
}
BENCHMARK(Xml_TextAndComments)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

void Xml_EmptyChildren(benchmark::State &state) {
  parse_document(state,
                 children_document(static_cast<std::size_t>(state.range(0))));
}
BENCHMARK(Xml_EmptyChildren)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto print = [&reporter](const std::string &what, const std::string &subject,
                           const std::string &peer) {
    double ratio = reporter.ratio(subject, peer);
    if (ratio > 0)
      std::printf("%s: %.2f\n", what.c_str(), ratio);
  };
  for (const char *pair : {"FormatWord", "XmlEscape", "MemoryWrites"})
    print(std::string(pair) + ", ours / std", std::string("Ours_") + pair,
          std::string("Std_") + pair);
  print("XML text / children, 1x", "Xml_TextAndComments/1",
        "Xml_EmptyChildren/1");
  print("XML text / children, 4x", "Xml_TextAndComments/4",
        "Xml_EmptyChildren/4");
  print("XML text, 4x / 1x", "Xml_TextAndComments/4", "Xml_TextAndComments/1");
  print("XML children, 4x / 1x", "Xml_EmptyChildren/4", "Xml_EmptyChildren/1");
  return 0;
}
