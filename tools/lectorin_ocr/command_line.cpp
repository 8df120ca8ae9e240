//===- command_line.cpp - lectorin-ocr's options --------------------------===//

#include "command_line.h"

#include "language_tables.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace lectorin_ocr {

const char usage_text[] =
    "Usage: lectorin-ocr [OPTION...] IMAGE...\n"
    "Recognises the text of page images (PNG, TIFF with every page, PNM, "
    "JPEG,\n"
    "BMP) through the Lectorin plug-in and writes each page's text: as the\n"
    "plug-in's hidden-text XML, or as hOCR, ALTO or plain text.\n"
    "\n"
    "  -l, --lang LANG[,LANG...]  the page's languages, the first one the "
    "main\n"
    "                             one: names such as english, german, french\n"
    "                             (any case) or the engine's numeric codes\n"
    "      --chars                a CHAR element per character inside each "
    "WORD\n"
    "      --nosep                paragraphs not marked as separated\n"
    "      --interactive          the engine's interactive mode\n"
    "      --mixed                the engine's mixed-language switch\n"
    "      --options TEXT         the plug-in's option text as it stands\n"
    "                             (\"TRUE\" or keywords such as "
    "lang=(german),char);\n"
    "                             it wins over the five options above\n"
    "  -f, --format FORMAT        xml (the default: the plug-in's hidden "
    "text),\n"
    "                             hocr (hOCR 1.2), alto (ALTO 4.4) or txt\n"
    "                             (plain text)\n"
    "  -o DIR                     write the text into DIR (made when "
    "missing):\n"
    "                             NAME.xml per page (NAME-pN.xml for page N of "
    "a\n"
    "                             file with several), or one NAME.hocr,\n"
    "                             NAME.alto.xml or NAME.txt per image file\n"
    "      --overlay DIR          write each page with the boxes of its lines\n"
    "                             (blue) and words (red) drawn on it to DIR:\n"
    "                             NAME.png, or NAME-pN.png\n"
    "  -j N                       recognise N pages at a time, in worker "
    "processes\n"
    "                             (default: one per processor)\n"
    "      --engine DIR           the OCR engine's directory (sets IRISlib); "
    "by\n"
    "                             default the engine built beside the "
    "program\n"
    "      --dpi N                the pages' resolution in dots per inch, for\n"
    "                             files that give none or to override theirs\n"
    "  -q                         errors only: no progress bar, no warnings\n"
    "  -h, --help                 this text\n"
    "      --version              the program's version\n"
    "\n"
    "Without -o the text goes to standard output: in xml one document per "
    "line,\n"
    "one line per page in the order given, and a page that failed leaves its "
    "line\n"
    "empty; in the other formats one document with every page (in txt a "
    "form\n"
    "feed between pages, an empty page for one that failed).\n"
    "A page whose file gives no resolution and that has no --dpi is "
    "recognised\n"
    "as 200 dpi, with a warning.\n"
    "\n"
    "Exit status: 0 when every page was recognised, 1 when some failed (the\n"
    "others are still written), 2 for usage errors and for an engine or\n"
    "output directory that cannot be used.\n";

namespace {

bool all_digits(const std::string &text) {
  if (text.empty())
    return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c)))
      return false;
  return true;
}

uint32_t whole_number(const std::string &option, const std::string &text,
                      uint32_t low, uint32_t high) {
  if (all_digits(text) && text.size() <= 9) {
    uint32_t value =
        static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
    if (value >= low && value <= high)
      return value;
  }
  throw UsageError(option + " needs a whole number from " +
                   std::to_string(low) + " to " + std::to_string(high) +
                   ", not '" + text + "'");
}

// Every name of the language table in lower case, wrapped for a terminal.
std::string known_language_names() {
  std::string text, line = " ";
  for (const LanguageName &row : language_names) {
    std::string name = row.name;
    for (char &c : name)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (line.size() + name.size() + 2 > 76) {
      text += line + "\n";
      line = " ";
    }
    line += " " + name;
  }
  return text + line;
}

// One item of --lang, as the plug-in's option text will carry it.
std::string language_item(const std::string &item, const std::string &list) {
  if (item.empty())
    throw UsageError("--lang needs names or codes separated by commas, not '" +
                     list + "'");
  if (all_digits(item))
    return std::to_string(whole_number("a language code", item, 1, 9999));
  std::string name = item;
  for (char &c : name)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  int32_t code = 0;
  if (!find_language_code(name.c_str(), code))
    throw UsageError("unknown language '" + item + "'; the known names are:\n" +
                     known_language_names());
  return name;
}

void add_languages(const std::string &list, Settings &settings) {
  std::size_t start = 0;
  for (;;) {
    std::size_t end = list.find(',', start);
    settings.languages.push_back(
        language_item(list.substr(start, end - start), list));
    if (end == std::string::npos)
      break;
    start = end + 1;
  }
}

// The options that take a value, by every name they go by.
enum class Valued { lang, options, output, format, overlay, jobs, engine, dpi };

struct ValuedName {
  const char *name;
  Valued option;
};

const ValuedName valued_names[] = {
    {"-l", Valued::lang},           {"--lang", Valued::lang},
    {"--options", Valued::options}, {"-o", Valued::output},
    {"-f", Valued::format},         {"--format", Valued::format},
    {"--overlay", Valued::overlay}, {"-j", Valued::jobs},
    {"--engine", Valued::engine},   {"--dpi", Valued::dpi},
};

void set_value(Valued option, const std::string &name, const std::string &value,
               Settings &settings) {
  switch (option) {
  case Valued::lang:
    add_languages(value, settings);
    break;
  case Valued::options:
    settings.raw_options = value;
    settings.has_raw_options = true;
    break;
  case Valued::output:
    if (value.empty())
      throw UsageError("-o needs a directory name");
    settings.output_directory = value;
    break;
  case Valued::format:
    if (!find_format(value, settings.format))
      throw UsageError("--format needs xml, hocr, alto or txt, not '" + value +
                       "'");
    break;
  case Valued::overlay:
    if (value.empty())
      throw UsageError("--overlay needs a directory name");
    settings.overlay_directory = value;
    break;
  case Valued::jobs:
    settings.jobs = static_cast<int>(whole_number(name, value, 1, 64));
    break;
  case Valued::engine:
    if (value.empty())
      throw UsageError("--engine needs a directory name");
    settings.engine_directory = value;
    break;
  case Valued::dpi:
    settings.dpi = whole_number(name, value, 10, 9600);
    break;
  }
}

// Matches a word against an option that takes a value: "--dpi 300",
// "--dpi=300", "-j 2" or "-j2". False when the word is no such option.
bool read_valued(int argc, const char *const *argv, int &i,
                 Settings &settings) {
  std::string word = argv[i];
  for (const ValuedName &valued : valued_names) {
    std::string name = valued.name;
    bool is_long = name.size() > 2;
    if (word == name) {
      if (i + 1 >= argc)
        throw UsageError(name + " needs a value");
      set_value(valued.option, name, argv[++i], settings);
      return true;
    }
    std::string prefix = is_long ? name + "=" : name;
    if (word.size() > prefix.size() &&
        word.compare(0, prefix.size(), prefix) == 0) {
      set_value(valued.option, name, word.substr(prefix.size()), settings);
      return true;
    }
  }
  return false;
}

} // namespace

CommandAction parse_command_line(int argc, const char *const *argv,
                                 Settings &settings) {
  bool only_files = false;
  for (int i = 1; i < argc; ++i) {
    std::string word = argv[i];
    if (only_files || word.size() < 2 || word[0] != '-') {
      settings.files.push_back(word);
    } else if (word == "--") {
      only_files = true;
    } else if (word == "-h" || word == "--help") {
      return CommandAction::help;
    } else if (word == "--version") {
      return CommandAction::version;
    } else if (word == "--chars") {
      settings.characters = true;
    } else if (word == "--nosep") {
      settings.nosep = true;
    } else if (word == "--interactive") {
      settings.interactive = true;
    } else if (word == "--mixed") {
      settings.mixed = true;
    } else if (word == "-q") {
      settings.quiet = true;
    } else if (!read_valued(argc, argv, i, settings)) {
      throw UsageError("unknown option '" + word + "'");
    }
  }
  if (settings.files.empty())
    throw UsageError("no image file given");
  return CommandAction::run;
}

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

int worker_count(const Settings &settings, unsigned processors, int pages) {
  int workers = settings.jobs;
  if (workers == 0)
    workers = processors ? static_cast<int>(std::min(processors, 64u)) : 1;
  return std::max(1, std::min(workers, pages));
}

} // namespace lectorin_ocr
