//===- main.cpp - lectorin-ocr: text from page images ---------------------===//
//
// Plays the document editor: loads the plug-in, hands it each page of the
// given image files and writes the text it returns, as the plug-in's
// hidden-text XML or in another format, with an overlay picture per page
// when asked.
//
// The plug-in is loaded and its engine checked once, in this process, before
// any page is read: a set-up problem is one message and exit status 2, not
// one failure per page. Pages then run in a pool of workers (copies of this
// process, each with its own copy of the plug-in's session, since the plug-in
// runs one recognition at a time per process). A worker sends its page's
// text back; this process writes each document when its pages are in, and
// prints standard output in the order given, whatever order pages finish in.

#include "command_line.h"
#include "language_tags.h"
#include "messages.h"
#include "output_file.h"
#include "output_format.h"
#include "overlay_picture.h"
#include "page_plan.h"
#include "page_source.h"
#include "page_text.h"
#include "picture_file.h"
#include "plugin_host.h"
#include "progress.h"

#include "GException.h"
#include "host.h"
#include "ocr_options.h"
#include "platform.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

using namespace lectorin_ocr;

constexpr int exit_ok = 0;
constexpr int exit_some_failed = 1;
constexpr int exit_setup = 2;

// A page's status as a worker reports it. A set-up failure is one that
// every other page would meet as well (the option text, the engine's
// language data): it is reported once and ends the run with exit_setup. A
// page whose overlay could not be made still has its text.
constexpr int page_ok = 0;
constexpr int page_failed = 1;
constexpr int page_setup_failed = 2;
constexpr int page_overlay_failed = 3;

bool has_text(int status) {
  return status == page_ok || status == page_overlay_failed;
}

// No memory for this short text at start-up would end the program anyway.
// NOLINTNEXTLINE(cert-err58-cpp)
const std::string program = "lectorin-ocr: ";

bool fails_every_page(const std::string &identifiers) {
  for (const char *shared : {"IRIS.badoption", "IRIS.maindict"})
    if (identifiers.compare(0, std::strlen(shared), shared) == 0)
      return true;
  return false;
}

// A worker's reply: its messages for standard error, a zero byte, and the
// page's text.
std::string pack_reply(const std::string &messages, const std::string &text) {
  return messages + '\0' + text;
}

void unpack_reply(const std::string &reply, std::string &messages,
                  std::string &text) {
  std::size_t end = reply.find('\0');
  messages = reply.substr(0, end);
  text = end == std::string::npos ? "" : reply.substr(end + 1);
}

// What the documents of a run say about it: the option text as the plug-in
// reads it gives the language and whether words come as characters.
DocumentInfo describe_run(const std::string &option_text) {
  DocumentInfo document;
  document.version = LECTORIN_VERSION;
  document.option_text = option_text;
  OcrOptions options;
  if (parse_options(options, option_text.c_str())) {
    document.language = main_language_tag(options);
    document.characters = options.characters != 0;
  }
  return document;
}

class Run {
public:
  Run(const Settings &settings, PluginHost &host, std::vector<PageJob> jobs)
      : settings_(settings), options_(option_text(settings)), host_(host),
        jobs_(std::move(jobs)), texts_(jobs_.size()), recognised_(jobs_.size()),
        document_(describe_run(options_)) {
    if (settings_.files.size() == 1)
      document_.image_file = settings_.files.front();
  }

  int page_count() const { return static_cast<int>(jobs_.size()); }

  // In a worker: one page, from its file to its text.
  int recognise(int index, std::string &reply) {
    std::string messages, text;
    int status =
        recognise_page(jobs_[static_cast<std::size_t>(index)], messages, text);
    reply = pack_reply(messages, text);
    return status;
  }

  // Standard output holds one document; its head comes first.
  void start(Progress &progress) {
    if (settings_.output_directory.empty())
      print(document_head(settings_.format, document_), progress);
  }

  // In this process, as each page ends (status -1: its worker died).
  void page_finished(int index, int status, const std::string &reply,
                     Progress &progress) {
    const PageJob &job = jobs_[static_cast<std::size_t>(index)];
    std::string messages, text;
    unpack_reply(reply, messages, text);
    if (status < 0)
      messages = program + page_label(job) +
                 ": the worker process recognising it ended abnormally";
    if (status == page_setup_failed) {
      if (setup_reported_)
        messages.clear(); // said once already
      setup_reported_ = true;
    }
    if (status != page_ok)
      ++failed_;
    if (!messages.empty())
      progress.message(messages);
    texts_[static_cast<std::size_t>(index)] = has_text(status) ? text : "";
    recognised_[static_cast<std::size_t>(index)] = has_text(status);
    // A file that could not be read has no document to go to.
    if (settings_.output_directory.empty())
      print_ready_pages(progress);
    else if (!job.output.empty())
      write_document_when_complete(static_cast<std::size_t>(index), progress);
    progress.page_done();
  }

  void finish(Progress &progress) {
    if (settings_.output_directory.empty())
      print(document_tail(settings_.format), progress);
  }

  int exit_status() const {
    if (setup_reported_)
      return exit_setup;
    return failed_ ? exit_some_failed : exit_ok;
  }

private:
  int recognise_page(const PageJob &job, std::string &messages,
                     std::string &text) {
    std::string label = program + page_label(job) + ": ";
    if (!job.problem.empty()) {
      messages = label + job.problem;
      return page_failed;
    }
    // Without workers the first set-up failure spares the other pages.
    if (setup_failed_)
      return page_setup_failed;
    std::vector<std::string> warnings;
    int status = page_ok;
    try {
      LoadedPage page = load_page(job.file, job.page);
      if (settings_.dpi) {
        page.x_resolution = settings_.dpi;
        page.y_resolution = settings_.dpi;
      } else if (page.x_resolution == 0 && page.y_resolution == 0) {
        // What the editor would do with such a page: hand it over without a
        // resolution, and the plug-in takes its least one.
        warnings.push_back("the file gives no resolution; recognised as "
                           "200 dpi (say it with --dpi N)");
      }
      PageResult result = host_.recognize(options_, page);
      if (!result.recognised) {
        // The plug-in passes an engine failure on without a reason when the
        // engine gave none.
        messages = label + (result.error.empty()
                                ? "the OCR engine failed on the page and "
                                  "gave no reason"
                                : explain(result.error));
        if (fails_every_page(result.error)) {
          setup_failed_ = true;
          return page_setup_failed;
        }
        return page_failed;
      }
      if (!result.error.empty())
        warnings.push_back(explain(result.error));
      // The words are read back only when something needs them.
      PageText words;
      if (settings_.format != Format::xml || !job.overlay.empty())
        words = read_page_text(result.xml);
      text = settings_.format == Format::xml
                 ? result.xml
                 : format_page(settings_.format, words,
                               describe_page(job, page), document_);
      std::string error;
      if (!job.overlay.empty() &&
          !write_overlay(job, words, page.x_resolution, error)) {
        messages = label + error;
        status = page_overlay_failed;
      }
    } catch (const std::exception &e) {
      messages = label + e.what();
      return page_failed;
    } catch (...) {
      messages =
          label +
          explain(GException::current_message_id("GException.exception"));
      return page_failed;
    }
    if (!settings_.quiet)
      for (const std::string &warning : warnings) {
        if (!messages.empty())
          messages += '\n';
        messages += label;
        messages += "warning: ";
        messages += warning;
      }
    return status;
  }

  static PageInfo describe_page(const PageJob &job, const LoadedPage &page) {
    PageInfo info;
    info.image_file = job.file;
    info.number = job.number;
    info.width = static_cast<int32_t>(page.width);
    info.height = static_cast<int32_t>(page.height);
    info.x_resolution = page.x_resolution;
    info.y_resolution = page.y_resolution;
    return info;
  }

  static bool write_overlay(const PageJob &job, const PageText &words,
                            uint32_t resolution, std::string &error) {
    try {
      PixPtr page = read_page_pix(job.file, job.page);
      PixPtr picture = draw_overlay(*page, words, resolution);
      return write_whole_file(job.overlay, encode_picture(*picture), error);
    } catch (const std::exception &e) {
      error = "cannot make the overlay " + job.overlay + ": " + e.what();
      return false;
    }
  }

  void print(const std::string &text, Progress &progress) {
    if (text.empty() || output_broken_)
      return;
    if (!progress.output(text)) {
      output_broken_ = true;
      progress.message(program + "cannot write to standard output");
    }
  }

  // Standard output keeps the order of the pages: a page waits for the
  // pages before it. In xml each page is a line of its own.
  void print_ready_pages(Progress &progress) {
    while (next_page_ < jobs_.size() && texts_[next_page_]) {
      std::string text = next_page_ > 0 ? page_separator(settings_.format) : "";
      text += *texts_[next_page_];
      if (settings_.format == Format::xml)
        text += '\n';
      print(text, progress);
      if (output_broken_)
        ++failed_;
      texts_[next_page_].reset();
      ++next_page_;
    }
  }

  // The pages that share an output file are next to each other in the
  // plan; their document is written once the last of them is in, and not at
  // all when none of them has text.
  void write_document_when_complete(std::size_t index, Progress &progress) {
    const std::string &output = jobs_[index].output;
    std::size_t first = index, end = index + 1;
    while (first > 0 && jobs_[first - 1].output == output)
      --first;
    while (end < jobs_.size() && jobs_[end].output == output)
      ++end;
    bool any_text = false;
    for (std::size_t k = first; k < end; ++k) {
      if (!texts_[k])
        return;
      any_text = any_text || recognised_[k];
    }
    if (any_text) {
      DocumentInfo document = document_;
      document.image_file = jobs_[index].file;
      std::string content = document_head(settings_.format, document);
      for (std::size_t k = first; k < end; ++k)
        content +=
            (k > first ? page_separator(settings_.format) : "") + *texts_[k];
      content += document_tail(settings_.format);
      std::string error;
      if (!write_whole_file(output, content, error)) {
        progress.message(program + error);
        ++failed_;
      }
    }
    for (std::size_t k = first; k < end; ++k)
      texts_[k].reset();
  }

  const Settings &settings_;
  std::string options_;
  PluginHost &host_;
  std::vector<PageJob> jobs_;
  // Each page's text from its end until it is printed or written.
  std::vector<std::optional<std::string>> texts_;
  std::vector<bool> recognised_;
  DocumentInfo document_;
  std::size_t next_page_ = 0;
  int failed_ = 0;
  bool setup_failed_ = false;   // seen by the process recognising
  bool setup_reported_ = false; // seen by the process reporting
  bool output_broken_ = false;
};

// The engine directory the user named must hold the engine: the plug-in
// would quietly go on to the one beside the program.
bool check_engine_directory(const std::string &directory) {
  std::string file = directory;
  if (file.back() != '/' && file.back() != platform::path_separator)
    file += platform::path_separator;
  file += platform::engine_library_file;
  std::error_code ignored;
  if (std::filesystem::is_regular_file(std::filesystem::u8path(file), ignored))
    return true;
  (void)std::fprintf(stderr,
                     "%s--engine %s: no OCR engine there (%s is missing)\n",
                     program.c_str(), directory.c_str(), file.c_str());
  return false;
}

int run(const Settings &settings) {
  std::string error;
  for (const std::string *directory :
       {&settings.output_directory, &settings.overlay_directory}) {
    if (!directory->empty() && !prepare_output_directory(*directory, error)) {
      (void)std::fprintf(stderr, "%s%s\n", program.c_str(), error.c_str());
      return exit_setup;
    }
  }
  if (!settings.engine_directory.empty()) {
    if (!check_engine_directory(settings.engine_directory))
      return exit_setup;
    platform::set_environment(platform::engine_directory_variable,
                              settings.engine_directory);
  }
  if (settings.has_raw_options && !settings.quiet &&
      (!settings.languages.empty() || settings.characters || settings.nosep ||
       settings.interactive || settings.mixed))
    (void)std::fprintf(
        stderr,
        "%swarning: --options is sent as it stands; --lang, "
        "--chars, --nosep, --interactive and --mixed are ignored\n",
        program.c_str());

  std::unique_ptr<PluginHost> host;
  try {
    host = std::make_unique<PluginHost>(plugin_beside_program());
  } catch (const std::exception &e) {
    (void)std::fprintf(stderr, "%s%s\n", program.c_str(), e.what());
    return exit_setup;
  }
  if (!host->engine_error().empty()) {
    std::string explained = explain(host->engine_error());
    if (host->engine_error() == "IRIS.noEngine")
      explained += " " + engine_search_places();
    (void)std::fprintf(stderr, "%s%s\n", program.c_str(), explained.c_str());
    return exit_setup;
  }

  OutputPlan plan{settings.output_directory, settings.format,
                  settings.overlay_directory};
  std::vector<PageJob> jobs = plan_pages(settings.files, plan, count_pages);
  std::string clash = find_output_clash(jobs);
  if (!clash.empty()) {
    (void)std::fprintf(stderr,
                       "%s%s; recognise them in separate runs or rename one\n",
                       program.c_str(), clash.c_str());
    return exit_setup;
  }

  Run run(settings, *host, std::move(jobs));
  int total = run.page_count();
  Progress progress(total,
                    !settings.quiet && total > 1 && platform::is_terminal(2));
  run.start(progress);
  platform::run_worker_pool(
      worker_count(settings, std::thread::hardware_concurrency(), total), total,
      [&](int index, std::string &reply) {
        return run.recognise(index, reply);
      },
      [&](int index, int status, const std::string &reply) {
        run.page_finished(index, status, reply, progress);
      });
  run.finish(progress);
  progress.finish();
  return run.exit_status();
}

} // namespace

int main(int argc, char **argv) {
  // File names in UTF-8 whatever the code page.
  const std::vector<std::string> arguments =
      platform::utf8_arguments(argc, argv);
  std::vector<const char *> words;
  words.reserve(arguments.size());
  for (const std::string &argument : arguments)
    words.push_back(argument.c_str());
  Settings settings;
  CommandAction action;
  try {
    action = parse_command_line(static_cast<int>(words.size()), words.data(),
                                settings);
  } catch (const UsageError &e) {
    (void)std::fprintf(stderr, "%s%s\nTry 'lectorin-ocr --help'.\n",
                       program.c_str(), e.what());
    return exit_setup;
  }
  if (action == CommandAction::help) {
    (void)std::fputs(usage_text, stdout);
    return exit_ok;
  }
  if (action == CommandAction::version) {
    std::printf("lectorin-ocr %s\n", LECTORIN_VERSION);
    return exit_ok;
  }
  try {
    return run(settings);
  } catch (const std::exception &e) {
    (void)std::fprintf(stderr, "%s%s\n", program.c_str(), e.what());
    return exit_setup;
  }
}
