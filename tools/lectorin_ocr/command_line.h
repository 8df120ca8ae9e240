//===- command_line.h - lectorin-ocr's options -----------------*- C++ -*-===//
//
// What the user asked for, read from the command line, and the option text
// the editor would send the plug-in for it. Language names are checked here
// against the plug-in's table, because the plug-in itself quietly ignores a
// name it does not know and the user would never learn of the typo.
//
//   Settings settings;
//   if (parse_command_line(argc, argv, settings) == CommandAction::run)
//     std::string options = option_text(settings); // "lang=(GERMAN),char"
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TOOLS_COMMAND_LINE_H
#define LECTORIN_TOOLS_COMMAND_LINE_H

#include "output_format.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace lectorin_ocr {

struct Settings {
  std::vector<std::string> files;
  /// Upper-case names of the language table, or decimal engine codes.
  std::vector<std::string> languages;
  bool characters = false;
  bool nosep = false;
  bool interactive = false;
  bool mixed = false;
  bool has_raw_options = false;
  std::string raw_options;      ///< --options, sent as it stands
  std::string output_directory; ///< empty: standard output
  Format format = Format::xml;
  std::string overlay_directory; ///< empty: no overlay pictures
  int jobs = 0;                  ///< 0: one per processor
  std::string engine_directory;  ///< empty: found beside the program
  uint32_t dpi = 0;              ///< 0: the files' own resolution
  bool quiet = false;
};

/// A command line that cannot be run; what() is one line for the user.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

enum class CommandAction { run, help, version };

/// Reads argv[1] to argv[argc - 1] into settings. Long options take their
/// value as the next word or after "=" (--dpi=300), short ones as the next
/// word or attached (-j2, -ldeu is read as the name "deu"); "--" ends the
/// options. --help and --version win over everything after them. Throws
/// UsageError for an unknown option, a missing or malformed value, an
/// unknown language name, or no image file.
CommandAction parse_command_line(int argc, const char *const *argv,
                                 Settings &settings);

/// The option text for the plug-in: --options as given when it was used,
/// "TRUE" when nothing was asked for, otherwise the keywords joined by
/// commas in a fixed order ("lang=(GERMAN,3),char,nosep,interactive,mixed").
std::string option_text(const Settings &settings);

/// The pages recognised at a time: -j as given, else one per processor
/// (processors, 1 when unknown); never more than pages, never below 1.
int worker_count(const Settings &settings, unsigned processors, int pages);

/// The text --help prints.
extern const char usage_text[];

} // namespace lectorin_ocr

#endif // LECTORIN_TOOLS_COMMAND_LINE_H
