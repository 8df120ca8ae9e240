//===- main.cpp - lectorin-ocr: hidden text from page images -------------===//
//
// Plays the document editor: loads the plug-in, hands it each page of the
// given image files and writes the hidden-text XML it returns.
//
// The plug-in is loaded and its engine checked once, in this process, before
// any page is read: a set-up problem is one message and exit status 2, not
// one failure per page. Pages then run in a pool of workers (copies of this
// process, each with its own copy of the plug-in's session, since the plug-in
// runs one recognition at a time per process). A worker writes its page's
// file itself; for standard output it sends the XML back, and this process
// prints the pages in the order given, whatever order they finish in.

#include "command_line.h"
#include "messages.h"
#include "output_file.h"
#include "page_plan.h"
#include "page_source.h"
#include "plugin_host.h"
#include "progress.h"

#include "GException.h"
#include "host.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace lectorin_ocr;

constexpr int exit_ok = 0;
constexpr int exit_some_failed = 1;
constexpr int exit_setup = 2;

// A page's status as a worker reports it. A set-up failure is one that
// every other page would meet as well (the option text, the engine's
// language data): it is reported once and ends the run with exit_setup.
constexpr int page_ok = 0;
constexpr int page_failed = 1;
constexpr int page_setup_failed = 2;

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
// page's XML when this process prints it.
std::string pack_reply(const std::string &messages, const std::string &xml) {
  return messages + '\0' + xml;
}

void unpack_reply(const std::string &reply, std::string &messages,
                  std::string &xml) {
  std::size_t end = reply.find('\0');
  messages = reply.substr(0, end);
  xml = end == std::string::npos ? "" : reply.substr(end + 1);
}

class Run {
public:
  Run(const Settings &settings, PluginHost &host, std::vector<PageJob> jobs)
      : settings_(settings), options_(option_text(settings)), host_(host),
        jobs_(std::move(jobs)), lines_(jobs_.size()) {}

  int page_count() const { return static_cast<int>(jobs_.size()); }

  // In a worker: one page, from its file to its XML.
  int recognise(int index, std::string &reply) {
    std::string messages, xml;
    int status =
        recognise_page(jobs_[static_cast<std::size_t>(index)], messages, xml);
    reply = pack_reply(messages, xml);
    return status;
  }

  // In this process, as each page ends (status -1: its worker died).
  void page_finished(int index, int status, const std::string &reply,
                     Progress &progress) {
    const PageJob &job = jobs_[static_cast<std::size_t>(index)];
    std::string messages, xml;
    unpack_reply(reply, messages, xml);
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
    if (job.output.empty()) {
      lines_[static_cast<std::size_t>(index)] =
          (status == page_ok ? xml : "") + "\n";
      print_ready_lines(progress);
    }
    progress.page_done();
  }

  int exit_status() const {
    if (setup_reported_)
      return exit_setup;
    return failed_ ? exit_some_failed : exit_ok;
  }

private:
  int recognise_page(const PageJob &job, std::string &messages,
                     std::string &xml) {
    std::string label = program + page_label(job) + ": ";
    if (!job.problem.empty()) {
      messages = label + job.problem;
      return page_failed;
    }
    // Without workers the first set-up failure spares the other pages.
    if (setup_failed_)
      return page_setup_failed;
    std::vector<std::string> warnings;
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
      std::string error;
      if (job.output.empty())
        xml = result.xml;
      else if (!write_whole_file(job.output, result.xml, error)) {
        messages = label + error;
        return page_failed;
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
    return page_ok;
  }

  // Standard output keeps the order of the pages: a line waits for the
  // pages before it.
  void print_ready_lines(Progress &progress) {
    while (next_line_ < lines_.size() && lines_[next_line_]) {
      if (!output_broken_ && !progress.output(*lines_[next_line_])) {
        output_broken_ = true;
        progress.message(program + "cannot write to standard output");
      }
      if (output_broken_)
        ++failed_;
      lines_[next_line_].reset();
      ++next_line_;
    }
  }

  const Settings &settings_;
  std::string options_;
  PluginHost &host_;
  std::vector<PageJob> jobs_;
  std::vector<std::optional<std::string>> lines_;
  std::size_t next_line_ = 0;
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
  if (std::FILE *engine = std::fopen(file.c_str(), "rb")) {
    (void)std::fclose(engine);
    return true;
  }
  (void)std::fprintf(stderr,
                     "%s--engine %s: no OCR engine there (%s is missing)\n",
                     program.c_str(), directory.c_str(), file.c_str());
  return false;
}

int run(const Settings &settings) {
  std::string error;
  if (!settings.output_directory.empty() &&
      !prepare_output_directory(settings.output_directory, error)) {
    (void)std::fprintf(stderr, "%s%s\n", program.c_str(), error.c_str());
    return exit_setup;
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

  std::vector<PageJob> jobs =
      plan_pages(settings.files, settings.output_directory, count_pages);
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
  platform::run_worker_pool(
      settings.jobs, total,
      [&](int index, std::string &reply) {
        return run.recognise(index, reply);
      },
      [&](int index, int status, const std::string &reply) {
        run.page_finished(index, status, reply, progress);
      });
  progress.finish();
  return run.exit_status();
}

} // namespace

int main(int argc, char **argv) {
  Settings settings;
  CommandAction action;
  try {
    action = parse_command_line(argc, argv, settings);
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
