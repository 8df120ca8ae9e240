//===- main.cpp - lectorin-ocr: hidden text from page images -------------===//
//
// Plays the document editor: loads the plug-in, hands it each page of the
// given image files and writes the hidden-text XML it returns.

#include "messages.h"
#include "page_source.h"
#include "plugin_host.h"

#include "platform.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace lectorin_ocr;

constexpr int exit_ok = 0;
constexpr int exit_some_failed = 1;
constexpr int exit_usage = 2;

// A worker's status for a page: the engine cannot be used at all.
constexpr int page_ok = 0;
constexpr int page_failed = 1;
constexpr int page_setup_failed = 2;

const char usage_text[] =
    "Usage: lectorin-ocr [OPTIONS] IMAGE...\n"
    "Recognises the text of page images (PNG, TIFF with every page, PNM, "
    "JPEG,\n"
    "BMP) through the Lectorin plug-in and writes each page's hidden text as "
    "XML.\n"
    "\n"
    "  -l, --lang LANG[,LANG...]  languages: names such as english, german,\n"
    "                             french (any case) or engine codes\n"
    "      --chars                character output (CHAR elements) instead of "
    "words\n"
    "      --nosep                paragraphs marked as not separated\n"
    "      --interactive          interactive engine mode\n"
    "      --mixed                mixed-language engine switch\n"
    "      --options TEXT         the raw option text; wins over the options "
    "above\n"
    "  -o DIR                     write NAME.xml per page (NAME-pN.xml for "
    "the\n"
    "                             pages of a multi-page file) into DIR; "
    "without it\n"
    "                             each page's XML goes to standard output, one "
    "line\n"
    "                             per page\n"
    "  -j N                       recognise N pages at a time in worker "
    "processes\n"
    "                             (with -o; default 1)\n"
    "      --engine DIR           the OCR engine's directory (sets IRISlib)\n"
    "      --dpi N                resolution for files that have none, or to\n"
    "                             override theirs\n"
    "  -q                         no progress and no warnings, errors only\n"
    "  -h, --help                 this text\n"
    "      --version              the program's version\n"
    "\n"
    "Exit status: 0 when every page was recognised, 1 when some failed (the\n"
    "others are still written), 2 for usage errors or an engine that cannot "
    "be\n"
    "used.\n";

struct Settings {
  std::vector<std::string> files;
  std::vector<std::string> languages;
  bool characters = false, nosep = false, interactive = false, mixed = false;
  std::string raw_options;
  bool has_raw_options = false;
  std::string output_directory;
  int jobs = 1;
  std::string engine_directory;
  uint32_t dpi = 0;
  bool quiet = false;
};

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

uint32_t parse_count(const std::string &option, const std::string &text,
                     uint32_t limit) {
  char *end = nullptr;
  unsigned long value = std::strtoul(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value == 0 || value > limit)
    throw UsageError(option + " needs a whole number from 1 to " +
                     std::to_string(limit) + ", not '" + text + "'");
  return static_cast<uint32_t>(value);
}

void split_languages(const std::string &list,
                     std::vector<std::string> &languages) {
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(',', start);
    if (end == std::string::npos)
      end = list.size();
    std::string name = list.substr(start, end - start);
    if (name.empty() || name.find_first_of(" ()") != std::string::npos)
      throw UsageError(
          "--lang needs names or codes separated by commas, not '" + list +
          "'");
    languages.push_back(name);
    start = end + 1;
  }
}

Settings parse_arguments(int argc, char **argv, bool &stop) {
  Settings settings;
  auto value_of = [&](int &i, const std::string &option) -> std::string {
    if (i + 1 >= argc)
      throw UsageError(option + " needs a value");
    return argv[++i];
  };
  bool only_files = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (only_files || arg.empty() || arg[0] != '-' || arg == "-") {
      settings.files.push_back(arg);
    } else if (arg == "--") {
      only_files = true;
    } else if (arg == "-h" || arg == "--help") {
      (void)std::fputs(usage_text, stdout);
      stop = true;
      return settings;
    } else if (arg == "--version") {
      std::printf("lectorin-ocr %s\n", LECTORIN_VERSION);
      stop = true;
      return settings;
    } else if (arg == "-l" || arg == "--lang") {
      split_languages(value_of(i, arg), settings.languages);
    } else if (arg.rfind("--lang=", 0) == 0) {
      split_languages(arg.substr(7), settings.languages);
    } else if (arg == "--chars") {
      settings.characters = true;
    } else if (arg == "--nosep") {
      settings.nosep = true;
    } else if (arg == "--interactive") {
      settings.interactive = true;
    } else if (arg == "--mixed") {
      settings.mixed = true;
    } else if (arg == "--options") {
      settings.raw_options = value_of(i, arg);
      settings.has_raw_options = true;
    } else if (arg == "-o") {
      settings.output_directory = value_of(i, arg);
    } else if (arg == "-j") {
      settings.jobs = static_cast<int>(parse_count(arg, value_of(i, arg), 64));
    } else if (arg == "--engine") {
      settings.engine_directory = value_of(i, arg);
    } else if (arg == "--dpi") {
      settings.dpi = parse_count(arg, value_of(i, arg), 100000);
    } else if (arg == "-q") {
      settings.quiet = true;
    } else {
      throw UsageError("unknown option " + arg);
    }
  }
  if (settings.files.empty())
    throw UsageError("no image file given");
  return settings;
}

// The option text the editor would send for these settings.
std::string option_text(const Settings &settings) {
  if (settings.has_raw_options)
    return settings.raw_options;
  std::vector<std::string> words;
  if (!settings.languages.empty()) {
    std::string list;
    for (const std::string &name : settings.languages)
      list += (list.empty() ? "" : ",") + name;
    words.push_back("lang=(" + list + ")");
  }
  if (settings.characters)
    words.push_back("char");
  if (settings.nosep)
    words.push_back("nosep");
  if (settings.interactive)
    words.push_back("interactive");
  if (settings.mixed)
    words.push_back("mixed");
  if (words.empty())
    return "TRUE";
  std::string text;
  for (const std::string &word : words)
    text += (text.empty() ? "" : ",") + word;
  return text;
}

struct PageJob {
  std::string file;
  int page = 0;       // from 0
  bool multi = false; // the file has several pages
  std::string output; // file to write, or empty for standard output
};

std::string stem_of(const std::string &file) {
  std::size_t slash = file.find_last_of("/\\");
  std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
  std::size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string page_label(const PageJob &job) {
  return job.multi ? job.file + " page " + std::to_string(job.page + 1)
                   : job.file;
}

// Written under a temporary name and renamed, so that a file is either whole
// or absent.
bool write_whole(const std::string &path, const std::string &content,
                 std::string &error) {
  std::string temporary = path + ".part";
  std::FILE *out = std::fopen(temporary.c_str(), "wb");
  if (!out) {
    error = "cannot write " + temporary;
    return false;
  }
  bool ok =
      std::fwrite(content.data(), 1, content.size(), out) == content.size();
  ok = std::fclose(out) == 0 && ok;
  if (!ok || std::rename(temporary.c_str(), path.c_str()) != 0) {
    (void)std::remove(temporary.c_str());
    error = "cannot write " + path;
    return false;
  }
  return true;
}

class Progress {
public:
  Progress(int total, bool shown)
      : total_(total), shown_(shown), start_(clock::now()) {}

  void page_done() {
    ++done_;
    draw();
  }
  // Messages go on a line of their own, above the bar.
  void message(const std::string &line) {
    if (shown_)
      (void)std::fputs("\r\033[K", stderr);
    (void)std::fputs((line + "\n").c_str(), stderr);
    draw();
  }
  void finish() {
    if (shown_ && done_ > 0)
      (void)std::fputc('\n', stderr);
  }

private:
  using clock = std::chrono::steady_clock;

  void draw() {
    if (!shown_)
      return;
    double seconds =
        std::chrono::duration<double>(clock::now() - start_).count();
    double rate = seconds > 0 ? done_ / seconds : 0;
    constexpr int width = 30;
    int filled = total_ ? done_ * width / total_ : width;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(width, '.');
    char line[160];
    if (done_ > 0 && rate > 0)
      (void)std::snprintf(line, sizeof line,
                          "\r[%s] %d/%d pages  %.2f pages/s  ETA %.0f s\033[K",
                          bar.c_str(), done_, total_, rate,
                          (total_ - done_) / rate);
    else
      (void)std::snprintf(line, sizeof line, "\r[%s] %d/%d pages\033[K",
                          bar.c_str(), done_, total_);
    (void)std::fputs(line, stderr);
  }

  int total_;
  int done_ = 0;
  bool shown_;
  clock::time_point start_;
};

class Run {
public:
  explicit Run(const Settings &settings)
      : settings_(settings), options_(option_text(settings)) {}

  // Lists every page of every file; files that cannot be read are failures.
  void gather_pages(Progress *report) {
    for (const std::string &file : settings_.files) {
      try {
        int pages = count_pages(file);
        for (int page = 0; page < pages; ++page) {
          PageJob job{file, page, pages > 1, ""};
          if (!settings_.output_directory.empty())
            job.output = settings_.output_directory + platform::path_separator +
                         stem_of(file) +
                         (pages > 1 ? "-p" + std::to_string(page + 1) : "") +
                         ".xml";
          jobs_.push_back(job);
        }
      } catch (const std::exception &e) {
        ++failed_;
        if (report)
          report->message("lectorin-ocr: " + file + ": " + e.what());
        else
          (void)std::fprintf(stderr, "lectorin-ocr: %s: %s\n", file.c_str(),
                             e.what());
      }
    }
  }

  const std::vector<PageJob> &jobs() const { return jobs_; }

  // One page, in this process; the status says how it went.
  int recognise(int index, std::string &message) {
    const PageJob &job = jobs_[static_cast<std::size_t>(index)];
    try {
      if (!host_)
        host_ = std::make_unique<PluginHost>(plugin_beside_program());
      if (!host_->engine_error().empty()) {
        message = "lectorin-ocr: " + explain(host_->engine_error());
        return page_setup_failed;
      }
      LoadedPage page = load_page(job.file, job.page);
      if (settings_.dpi) {
        page.x_resolution = settings_.dpi;
        page.y_resolution = settings_.dpi;
      } else if (page.x_resolution == 0 || page.y_resolution == 0) {
        message = "lectorin-ocr: " + page_label(job) +
                  ": the file gives no resolution; say it with --dpi N";
        return page_failed;
      }
      PageResult result = host_->recognize(options_, page);
      if (!result.recognised) {
        message =
            "lectorin-ocr: " + page_label(job) + ": " + explain(result.error);
        return page_failed;
      }
      if (!result.error.empty() && !settings_.quiet)
        message = "lectorin-ocr: " + page_label(job) +
                  ": warning: " + explain(result.error);
      std::string error;
      if (job.output.empty()) {
        // A page lost on a full disk or a closed pipe is no success.
        bool written = std::fwrite(result.xml.data(), 1, result.xml.size(),
                                   stdout) == result.xml.size() &&
                       std::fputc('\n', stdout) != EOF &&
                       std::fflush(stdout) == 0;
        if (!written) {
          message = "lectorin-ocr: " + page_label(job) +
                    ": cannot write the standard output";
          return page_failed;
        }
      } else if (!write_whole(job.output, result.xml, error)) {
        message = "lectorin-ocr: " + page_label(job) + ": " + error;
        return page_failed;
      }
      return page_ok;
    } catch (const std::exception &e) {
      message = "lectorin-ocr: " + page_label(job) + ": " + e.what();
      return page_failed;
    }
  }

  int failed_ = 0;
  bool setup_failed_ = false;

private:
  const Settings &settings_;
  std::string options_;
  std::vector<PageJob> jobs_;
  std::unique_ptr<PluginHost> host_;
};

int run(const Settings &settings) {
  if (!settings.engine_directory.empty())
    platform::set_environment(platform::engine_directory_variable,
                              settings.engine_directory);
  Run run(settings);
  run.gather_pages(nullptr);
  int total = static_cast<int>(run.jobs().size());
  Progress progress(total,
                    !settings.quiet && total > 1 && platform::is_terminal(2));
  // Workers write files; standard output keeps the pages in order only when
  // one process writes it.
  int workers = settings.output_directory.empty() ? 1 : settings.jobs;
  platform::run_worker_pool(
      workers, total,
      [&](int index, std::string &message) {
        return run.recognise(index, message);
      },
      [&](int, int status, const std::string &message) {
        if (status == page_setup_failed)
          run.setup_failed_ = true;
        if (status != page_ok)
          ++run.failed_;
        if (status == -1)
          progress.message("lectorin-ocr: a worker process died");
        // One explanation of an unusable engine is enough.
        if (!message.empty() &&
            !(status == page_setup_failed && run.failed_ > 1))
          progress.message(message);
        progress.page_done();
      });
  progress.finish();
  if (run.setup_failed_)
    return exit_usage;
  return run.failed_ ? exit_some_failed : exit_ok;
}

} // namespace

int main(int argc, char **argv) {
  bool stop = false;
  Settings settings;
  try {
    settings = parse_arguments(argc, argv, stop);
  } catch (const UsageError &e) {
    (void)std::fprintf(stderr, "lectorin-ocr: %s\nTry 'lectorin-ocr --help'.\n",
                       e.what());
    return exit_usage;
  }
  if (stop)
    return exit_ok;
  if (!settings.output_directory.empty()) {
    std::FILE *probe = std::fopen((settings.output_directory +
                                   platform::path_separator + ".lectorin-probe")
                                      .c_str(),
                                  "wb");
    if (!probe) {
      (void)std::fprintf(stderr,
                         "lectorin-ocr: cannot write into the directory %s\n",
                         settings.output_directory.c_str());
      return exit_usage;
    }
    (void)std::fclose(probe);
    (void)std::remove((settings.output_directory + platform::path_separator +
                       ".lectorin-probe")
                          .c_str());
  }
  try {
    return run(settings);
  } catch (const std::exception &e) {
    (void)std::fprintf(stderr, "lectorin-ocr: %s\n", e.what());
    return exit_usage;
  }
}
