//===- main.cpp - lectorin-pagegen, the page generator's command ----------===//
//
// Exit status: 0 when the page was written, 1 when it could not be made or
// written, 2 for a command line that is not understood.

#include "page_generator.h"
#include "sample_texts.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>

namespace {

const char *const program = "lectorin-pagegen";

const char *const help_text =
    "Usage: lectorin-pagegen [OPTION...] -o IMAGE\n"
    "Renders text into a page image and writes its ground truth: the text and\n"
    "every line's and word's ink box in pixels of the displayed page.\n"
    "\n"
    "  -o, --output IMAGE    the image to write: .png, .tif or .tiff\n"
    "      --truth FILE      the ground truth (default: IMAGE with .truth for\n"
    "                        its extension)\n"
    "      --text TEXT       the text, UTF-8; a blank line separates "
    "paragraphs\n"
    "      --text-file FILE  read the text from FILE (- for standard input)\n"
    "      --sample NAME     a built-in sample text: en, de or fr (the "
    "default\n"
    "                        is en)\n"
    "      --font FAMILY     the font family (default \"DejaVu Serif\"; a "
    "sample\n"
    "                        text's own face: \"DejaVu Sans\" for en)\n"
    "      --size POINTS     the font size (default 12)\n"
    "      --dpi N           the resolution in dots per inch (default 300)\n"
    "      --page SIZE       a4, a5, letter, or WIDTHxHEIGHT in pixels\n"
    "                        (default a4)\n"
    "      --margin PIXELS   the margin on every side (default half an inch)\n"
    "      --type TYPE       bilevel, gray or rgb (default gray)\n"
    "      --rotate DEGREES  turn the stored pixels clockwise by 0, 90, 180 "
    "or\n"
    "                        270; the ground truth stays that of the upright\n"
    "                        page (default 0)\n"
    "      --noise SHARE     set this share (0 to 1) of the pixels to black "
    "or\n"
    "                        white at random (default 0)\n"
    "      --seed N          chooses the noisy pixels (default 1)\n"
    "  -h, --help            show this help and exit\n"
    "\n"
    "Exit status: 0 success, 1 the page could not be made or written,\n"
    "2 a command line that is not understood.\n";

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

long long whole_number(const std::string &option, const std::string &value) {
  char *end = nullptr;
  long long n = std::strtoll(value.c_str(), &end, 10);
  if (value.empty() || *end || n < 0 || n > 1000000)
    throw UsageError(option +
                     " needs a whole number from 0 to 1000000, not \"" + value +
                     "\"");
  return n;
}

double real_number(const std::string &option, const std::string &value) {
  char *end = nullptr;
  double n = std::strtod(value.c_str(), &end);
  if (value.empty() || *end || !std::isfinite(n))
    throw UsageError(option + " needs a number, not \"" + value + "\"");
  return n;
}

// A paper size at the page's resolution, or WIDTHxHEIGHT in pixels.
void page_size(const std::string &size, int32_t resolution, int32_t &width,
               int32_t &height) {
  struct Paper {
    const char *name;
    double width_mm, height_mm;
  };
  const Paper papers[] = {
      {"a4", 210, 297}, {"a5", 148, 210}, {"letter", 215.9, 279.4}};
  for (const Paper &paper : papers) {
    if (size == paper.name) {
      width =
          static_cast<int32_t>(std::lround(paper.width_mm / 25.4 * resolution));
      height = static_cast<int32_t>(
          std::lround(paper.height_mm / 25.4 * resolution));
      return;
    }
  }
  std::size_t x = size.find('x');
  if (x == std::string::npos)
    throw UsageError("--page needs a4, a5, letter or WIDTHxHEIGHT, not \"" +
                     size + "\"");
  width = static_cast<int32_t>(whole_number("--page", size.substr(0, x)));
  height = static_cast<int32_t>(whole_number("--page", size.substr(x + 1)));
}

std::string read_text_file(const std::string &path) {
  if (path == "-")
    return std::string(std::istreambuf_iterator<char>(std::cin), {});
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw std::runtime_error("cannot read \"" + path + "\"");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string default_truth_path(const std::string &image) {
  std::size_t dot = image.rfind('.');
  std::size_t slash = image.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return image + ".truth";
  return image.substr(0, dot) + ".truth";
}

struct CommandLine {
  pagegen::PageSettings settings;
  std::string output, truth, text, text_file, sample, page = "a4";
  int text_sources = 0;
  bool font_given = false;
  bool help = false;
};

CommandLine parse(int argc, char **argv) {
  CommandLine cl;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    if (option == "-h" || option == "--help") {
      cl.help = true;
      return cl;
    }
    std::string value;
    std::size_t equals = option.find('=');
    bool inline_value =
        option.rfind("--", 0) == 0 && equals != std::string::npos;
    if (inline_value) {
      value = option.substr(equals + 1);
      option.resize(equals);
    }
    auto next = [&]() -> std::string {
      if (inline_value)
        return value;
      if (i + 1 >= argc)
        throw UsageError(option + " needs a value");
      return argv[++i];
    };
    pagegen::PageSettings &s = cl.settings;
    if (option == "-o" || option == "--output") {
      cl.output = next();
    } else if (option == "--truth") {
      cl.truth = next();
    } else if (option == "--text") {
      cl.text = next();
      ++cl.text_sources;
    } else if (option == "--text-file") {
      cl.text_file = next();
      ++cl.text_sources;
    } else if (option == "--sample") {
      cl.sample = next();
      ++cl.text_sources;
      if (!pagegen::sample_text(cl.sample))
        throw UsageError("there is no sample text \"" + cl.sample +
                         "\" (en, de and fr are)");
    } else if (option == "--font") {
      s.page.font = next();
      cl.font_given = true;
    } else if (option == "--size") {
      s.page.points = real_number(option, next());
    } else if (option == "--dpi") {
      s.page.resolution = static_cast<int32_t>(whole_number(option, next()));
    } else if (option == "--page") {
      cl.page = next();
    } else if (option == "--margin") {
      s.page.margin = static_cast<int32_t>(whole_number(option, next()));
    } else if (option == "--type") {
      std::string type = next();
      if (type == "bilevel")
        s.type = pagegen::PixelType::bilevel;
      else if (type == "gray")
        s.type = pagegen::PixelType::gray;
      else if (type == "rgb")
        s.type = pagegen::PixelType::rgb;
      else
        throw UsageError("--type needs bilevel, gray or rgb, not \"" + type +
                         "\"");
    } else if (option == "--rotate") {
      std::string degrees = next();
      s.rotation = static_cast<int32_t>(whole_number(option, degrees));
      if (s.rotation % 90 != 0 || s.rotation > 270)
        throw UsageError("--rotate needs 0, 90, 180 or 270, not \"" + degrees +
                         "\"");
    } else if (option == "--noise") {
      s.noise = real_number(option, next());
      if (s.noise < 0 || s.noise > 1)
        throw UsageError("--noise needs a share from 0 to 1");
    } else if (option == "--seed") {
      s.seed = static_cast<uint32_t>(whole_number(option, next()));
    } else {
      throw UsageError("unknown option \"" + option + "\"");
    }
  }
  if (cl.output.empty())
    throw UsageError("no output image given (-o IMAGE)");
  if (cl.text_sources > 1)
    throw UsageError("give only one of --text, --text-file and --sample");
  page_size(cl.page, cl.settings.page.resolution, cl.settings.page.width,
            cl.settings.page.height);
  return cl;
}

} // namespace

int main(int argc, char **argv) {
  CommandLine cl;
  try {
    cl = parse(argc, argv);
  } catch (const UsageError &error) {
    (void)std::fprintf(stderr,
                       "%s: %s\nTry '%s --help' for more information.\n",
                       program, error.what(), program);
    return 2;
  }
  if (cl.help) {
    (void)std::fputs(help_text, stdout);
    return 0;
  }
  try {
    pagegen::PageSettings &settings = cl.settings;
    if (!cl.text_file.empty())
      settings.page.text = read_text_file(cl.text_file);
    else if (cl.text_sources == 1 && cl.sample.empty())
      settings.page.text = cl.text;
    else {
      std::string sample = cl.sample.empty() ? "en" : cl.sample;
      settings.page.text = pagegen::sample_text(sample);
      if (!cl.font_given)
        settings.page.font = pagegen::sample_face(sample);
    }
    pagegen::GeneratedPage page = pagegen::generate_page(settings);
    pagegen::write_page(page, cl.output,
                        cl.truth.empty() ? default_truth_path(cl.output)
                                         : cl.truth);
  } catch (const std::exception &error) {
    (void)std::fprintf(stderr, "%s: %s\n", program, error.what());
    return 1;
  }
  return 0;
}
