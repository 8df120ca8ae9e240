// The scanned test pages through the plug-in and its engine's Tesseract
// backend against the Tesseract program on the same files, both in one
// thread (the engine limits OpenMP itself; the program is run with
// OMP_THREAD_LIMIT=1):
//
//   plugin/PAGE   one page on an interface that has read it before, the
//                 models loaded: the editor's steady state;
//   session/PAGE  init_ocr, the page and ocr_close: a session of one page
//                 that loads its models, as the program does for each file;
//   program/PAGE  the tesseract program on the file, its text thrown away.
//
// Wall-clock time per page, and the counter cpu_ms: the processor time of
// this process and its children per page, steadier than the wall clock on a
// shared machine (the program's work is a child's, which the usual CPU
// column does not see). Medians of the repetitions; ratios below 1 are
// faster than the program. The pages come from LECTORIN_TESTDATA_DIR;
// without them nothing runs.

#include "page_source.h"
#include "plugin_host.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

struct ScannedPage {
  const char *label;
  const char *file;
  const char *options;   // the plug-in's option text
  const char *models;    // the program's -l
  const char *whitelist; // the character set the options hand the engine
};

// English, German and French: the base set and both languages' letters.
const char latin_characters[] =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
    "!\"#%&'()*+,-./:;<=>?@[\\]_{}«°»$€£¥"
    "ÄÖÜßäöü"
    "ÀÂÇÈÉÊËÎÏÔÙÛàâçèéêëîïôùûŒœ ";

const ScannedPage pages[] = {
    {"phototest", "phototest.tif", "TRUE", "eng", ""},
    {"eurotext", "eurotext.tif", "TRUE", "eng", ""},
    {"eurotext_eng_deu_fra", "eurotext.tif", "lang=(english,german,french)",
     "eng+deu+fra", latin_characters},
};

std::string page_file(const ScannedPage &page) {
  return std::string(LECTORIN_TESTDATA_DIR) + "/" + page.file;
}

std::string shell_quoted(const std::string &text) {
  std::string out = "'";
  for (char c : text)
    out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Processor seconds of this process and its waited-for children so far.
double processor_seconds() {
  double seconds = 0;
  for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    rusage usage{};
    getrusage(who, &usage);
    seconds +=
        static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
        1e-6 * static_cast<double>(usage.ru_utime.tv_usec +
                                   usage.ru_stime.tv_usec);
  }
  return seconds;
}

// Counts the processor time of the timed loop per iteration.
class ProcessorTime {
public:
  explicit ProcessorTime(benchmark::State &state)
      : state_(state), start_(processor_seconds()) {}
  ~ProcessorTime() {
    state_.counters["cpu_ms"] =
        benchmark::Counter(1000 * (processor_seconds() - start_),
                           benchmark::Counter::kAvgIterations);
  }

private:
  benchmark::State &state_;
  double start_;
};

bool recognised(lectorin_ocr::PluginHost &host, const ScannedPage &page,
                const lectorin_ocr::LoadedPage &pixels,
                benchmark::State &state) {
  lectorin_ocr::PageResult result = host.recognize(page.options, pixels);
  if (!result.recognised || !result.error.empty()) {
    state.SkipWithError(("the plug-in failed: " + result.error).c_str());
    return false;
  }
  benchmark::DoNotOptimize(result.xml.data());
  return true;
}

// The engine has one session per process, so each run has its interface to
// itself: closing any interface ends the engine's session.
void plugin(benchmark::State &state, const ScannedPage &page) {
  lectorin_ocr::LoadedPage pixels = lectorin_ocr::load_page(page_file(page), 0);
  lectorin_ocr::PluginHost host(lectorin_ocr::plugin_beside_program());
  if (!host.engine_error().empty()) {
    state.SkipWithError(("no engine: " + host.engine_error()).c_str());
    return;
  }
  // The models for the page's languages load outside the clock.
  if (!recognised(host, page, pixels, state))
    return;
  ProcessorTime counted(state);
  for (auto _ : state)
    if (!recognised(host, page, pixels, state))
      break;
}

void session(benchmark::State &state, const ScannedPage &page) {
  lectorin_ocr::LoadedPage pixels = lectorin_ocr::load_page(page_file(page), 0);
  ProcessorTime counted(state);
  for (auto _ : state) {
    lectorin_ocr::PluginHost host(lectorin_ocr::plugin_beside_program());
    if (!recognised(host, page, pixels, state))
      break;
  }
}

void program(benchmark::State &state, const ScannedPage &page) {
  std::string command = "OMP_THREAD_LIMIT=1 tesseract " +
                        shell_quoted(page_file(page)) + " stdout -l " +
                        page.models;
  if (*page.whitelist)
    command += " -c " + shell_quoted(std::string("tessedit_char_whitelist=") +
                                     page.whitelist);
  command += " >/dev/null 2>&1";
  ProcessorTime counted(state);
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("the tesseract program failed or is missing");
      break;
    }
}

// Prints as usual and remembers each median's wall-clock and processor
// time.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  struct Times {
    double wall = 0, processor = 0;
  };
  void ReportRuns(const std::vector<Run> &runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run &run : runs) {
      if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median")
        continue;
      Times &t = times[run.run_name.function_name];
      t.wall = run.GetAdjustedRealTime();
      auto cpu = run.counters.find("cpu_ms");
      if (cpu != run.counters.end())
        t.processor = cpu->second.value;
    }
  }
  std::map<std::string, Times> times;
};

} // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  if (!std::filesystem::exists(page_file(pages[0]))) {
    std::printf("no scanned test pages in %s (configure with "
                "-DLECTORIN_TESTDATA_DIR=<dir>)\n",
                LECTORIN_TESTDATA_DIR);
    return 0;
  }
  for (const ScannedPage &page : pages)
    for (auto [kind, run] :
         {std::pair{"plugin", &plugin}, std::pair{"session", &session},
          std::pair{"program", &program}})
      benchmark::RegisterBenchmark(
          (std::string(kind) + "/" + page.label).c_str(), run, page)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->Iterations(3)
          ->Repetitions(5)
          ->ReportAggregatesOnly(true);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const ScannedPage &page : pages) {
    auto times = [&](const char *kind) {
      auto found = reporter.times.find(std::string(kind) + "/" + page.label);
      return found == reporter.times.end() ? RatioReporter::Times()
                                           : found->second;
    };
    RatioReporter::Times ours = times("plugin"), fresh = times("session"),
                         theirs = times("program");
    if (theirs.wall <= 0 || theirs.processor <= 0)
      continue;
    std::printf("%s, milliseconds a page (wall / processor): plug-in %.0f / "
                "%.0f (ratio %.2f / %.2f), one-page session %.0f / %.0f "
                "(%.2f / %.2f), program %.0f / %.0f\n",
                page.label, ours.wall, ours.processor, ours.wall / theirs.wall,
                ours.processor / theirs.processor, fresh.wall, fresh.processor,
                fresh.wall / theirs.wall, fresh.processor / theirs.processor,
                theirs.wall, theirs.processor);
  }
  return 0;
}
