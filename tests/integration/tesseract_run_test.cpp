// Real recognition through the real plug-in library and the engine's
// Tesseract backend, the way the editor drives it: generated pages whose
// words and ink boxes are known, at several resolutions, pixel types and
// stored turns; German and French pages; and the scanned test pages next to
// the Tesseract command line on the same files. Every page prints its
// figures, so a run's output is the record of how well the chain reads.

#include "engine_fixture.h"
#include "page_generator.h"
#include "page_source.h"
#include "plugin_host.h"
#include "sample_texts.h"
#include "temp_directory.h"
#include "well_formed_xml.h"
#include "word_accuracy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

// --- The plug-in, once for the whole program --------------------------------

// One engine directory whose "eng.ytr" selects the Tesseract backend, and one
// interface on it: the engine library is bound once per process anyway, and
// the models load only when the languages change.
class RealEngine : public ::testing::Environment {
public:
  void SetUp() override {
    temp_ = std::make_unique<TempDirectory>();
    install_tesseract_engine(*temp_ / "engine");
    set_engine_variable(*temp_ / "engine");
    host_ = std::make_unique<lectorin_ocr::PluginHost>(built_plugin_file());
  }
  void TearDown() override {
    host_.reset();
    set_engine_variable("");
    temp_.reset();
  }
  static lectorin_ocr::PluginHost &host() { return *host_; }

private:
  static std::unique_ptr<TempDirectory> temp_;
  static std::unique_ptr<lectorin_ocr::PluginHost> host_;
};
std::unique_ptr<TempDirectory> RealEngine::temp_;
std::unique_ptr<lectorin_ocr::PluginHost> RealEngine::host_;
::testing::Environment *const real_engine =
    ::testing::AddGlobalTestEnvironment(new RealEngine);

// --- Reading the hidden text -------------------------------------------------

struct ReadWord {
  std::string text;
  pagegen::Box box; ///< Coords: left, top, right, bottom
};

// Element text as the writer escapes it: the five named entities and
// decimal references for the control characters and the tilde.
std::string unescaped(const std::string &text) {
  static const std::pair<const char *, const char *> named[] = {
      {"&amp;", "&"},  {"&lt;", "<"},    {"&gt;", ">"},
      {"&apos;", "'"}, {"&quot;", "\""},
  };
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    bool replaced = false;
    if (text[i] == '&') {
      for (const auto &[entity, character] : named)
        if (text.compare(i, std::strlen(entity), entity) == 0) {
          out += character;
          i += std::strlen(entity);
          replaced = true;
          break;
        }
      std::size_t end = text.find(';', i);
      if (!replaced && text.compare(i, 2, "&#") == 0 &&
          end != std::string::npos) {
        out += static_cast<char>(std::atoi(text.c_str() + i + 2));
        i = end + 1;
        replaced = true;
      }
    }
    if (!replaced)
      out += text[i++];
  }
  return out;
}

// The WORD elements of a word-output document, in order.
std::vector<ReadWord> words_of_hidden_text(const std::string &xml) {
  static const std::string open = "<WORD Coords=\"", close = "</WORD>";
  std::vector<ReadWord> words;
  for (std::size_t at = xml.find(open); at != std::string::npos;
       at = xml.find(open, at)) {
    ReadWord word;
    int consumed = 0;
    if (std::sscanf(xml.c_str() + at + open.size(), "%d,%d,%d,%d\">%n",
                    &word.box.x0, &word.box.y0, &word.box.x1, &word.box.y1,
                    &consumed) != 4 ||
        consumed == 0) {
      ADD_FAILURE() << "a WORD element without four Coords at " << at;
      return words;
    }
    std::size_t text = at + open.size() + static_cast<std::size_t>(consumed);
    std::size_t end = xml.find(close, text);
    if (end == std::string::npos) {
      ADD_FAILURE() << "an unclosed WORD element at " << at;
      return words;
    }
    word.text = unescaped(xml.substr(text, end - text));
    words.push_back(word);
    at = end + close.size();
  }
  return words;
}

std::vector<std::string> texts_of(const std::vector<ReadWord> &words) {
  std::vector<std::string> out;
  out.reserve(words.size());
  for (const ReadWord &w : words)
    out.push_back(w.text);
  return out;
}

std::vector<std::string> texts_of(const std::vector<pagegen::Word> &words) {
  std::vector<std::string> out;
  out.reserve(words.size());
  for (const pagegen::Word &w : words)
    out.push_back(w.text);
  return out;
}

// The words that were not read right and what was read in their place, for
// a failure's message.
std::string misreadings(const std::vector<std::string> &expected,
                        const std::vector<std::string> &read) {
  std::vector<bool> expected_hit(expected.size()), read_hit(read.size());
  for (auto [e, r] : aligned_words(expected, read))
    expected_hit[e] = read_hit[r] = true;
  std::string missed, instead;
  for (std::size_t i = 0; i < expected.size(); ++i)
    if (!expected_hit[i])
      missed += " " + expected[i];
  for (std::size_t i = 0; i < read.size(); ++i)
    if (!read_hit[i])
      instead += " " + read[i];
  return "missed:" + missed + "\nread instead:" + instead;
}

struct Recognised {
  std::vector<ReadWord> words;
  double seconds = 0;
};

// One page through the plug-in; a failure or a complaint fails the test.
Recognised recognise(const lectorin_ocr::LoadedPage &page,
                     const std::string &options = "TRUE") {
  auto begin = std::chrono::steady_clock::now();
  lectorin_ocr::PageResult result = RealEngine::host().recognize(options, page);
  Recognised out;
  out.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - begin)
          .count();
  EXPECT_TRUE(result.recognised) << result.error;
  EXPECT_EQ(result.error, "");
  EXPECT_TRUE(is_well_formed_xml(result.xml));
  out.words = words_of_hidden_text(result.xml);
  return out;
}

// --- Generated pages -------------------------------------------------------

// The descriptor's orientation code for stored pixels turned clockwise:
// displayed row i is stored column W-1-i top down (90), the page upside
// down (180), stored column i bottom up (270).
uint32_t orientation_for(int32_t rotation) {
  switch (rotation) {
  case 90:
    return 7;
  case 180:
    return 3;
  case 270:
    return 4;
  default:
    return 0;
  }
}

// The editor's form of a generated page: bilevel pages as coded rows (black
// where the sample is 0), gray as bytes, colour as packed RGB triples. The
// resolutions are the displayed page's across and down; the descriptor
// holds them along the stored axes, exchanged by a quarter turn.
lectorin_ocr::LoadedPage editor_page(const pagegen::GeneratedPage &generated,
                                     int32_t across, int32_t down) {
  const pagegen::Image &image = generated.image;
  lectorin_ocr::LoadedPage page;
  page.width = static_cast<uint32_t>(image.width);
  page.height = static_cast<uint32_t>(image.height);
  page.orientation = orientation_for(generated.truth.rotation);
  bool quarter_turn = page.orientation & 4;
  page.x_resolution = static_cast<uint32_t>(quarter_turn ? down : across);
  page.y_resolution = static_cast<uint32_t>(quarter_turn ? across : down);
  switch (image.type) {
  case pagegen::PixelType::bilevel: {
    page.form = lectorin_ocr::PixelForm::bitonal;
    std::vector<uint8_t> bits(page.width);
    for (int32_t y = 0; y < image.height; ++y) {
      for (int32_t x = 0; x < image.width; ++x)
        bits[static_cast<std::size_t>(x)] = *image.pixel(x, y) == 0 ? 1 : 0;
      lectorin_ocr::code_bitonal_row(bits, page.coded);
    }
    break;
  }
  case pagegen::PixelType::gray:
  case pagegen::PixelType::rgb:
    page.form = image.type == pagegen::PixelType::gray
                    ? lectorin_ocr::PixelForm::gray
                    : lectorin_ocr::PixelForm::rgb;
    page.pixel_step = static_cast<uint32_t>(image.channels());
    page.row_step = page.pixel_step * page.width;
    auto samples = std::make_shared<std::vector<uint8_t>>(image.samples);
    page.data = samples->data();
    page.size = samples->size();
    page.decoded = samples;
    break;
  }
  return page;
}

lectorin_ocr::LoadedPage editor_page(const pagegen::GeneratedPage &generated) {
  return editor_page(generated, generated.truth.resolution,
                     generated.truth.resolution);
}

// A small page of a sample text, upright in gray: 6 by 4 inches with
// quarter-inch margins, so that a 600 dpi page stays quick to read, in
// 12-point DejaVu Sans. (In the generator's default serif face Tesseract
// runs the "or a" of the English sample together at most resolutions, the
// command line as well; that page measures Tesseract, not the way the page
// reaches it.) Set once for each text and resolution: setting the text is
// the slow part of making a page.
const pagegen::RenderedPage &upright_sample(const char *name,
                                            int32_t resolution) {
  static std::map<std::pair<std::string, int32_t>, pagegen::RenderedPage> pages;
  auto found = pages.find({name, resolution});
  if (found != pages.end())
    return found->second;
  pagegen::TextPage page;
  page.text = pagegen::sample_text(name);
  page.font = "DejaVu Sans";
  page.resolution = resolution;
  page.width = resolution * 6;
  page.height = resolution * 4;
  page.margin = resolution / 4;
  return pages[{name, resolution}] = pagegen::render_text_page(page);
}

// The page as stored: of the pixel type, turned clockwise by the rotation;
// the ground truth stays that of the upright page.
pagegen::GeneratedPage stored_page(const pagegen::RenderedPage &upright,
                                   pagegen::PixelType type, int32_t rotation) {
  pagegen::GeneratedPage page;
  page.image = pagegen::rotate_image(
      pagegen::convert_image(upright.image, type), rotation);
  page.truth = upright.truth;
  page.truth.rotation = rotation;
  return page;
}

// A page whose rows are half as dense as its columns, as a fax in normal
// mode is scanned: each pair of rows becomes their mean, and the ink boxes
// shrink with the rows.
pagegen::RenderedPage rows_halved(const pagegen::RenderedPage &page) {
  pagegen::RenderedPage half;
  half.image = pagegen::blank_image(page.image.width, page.image.height / 2);
  for (int32_t y = 0; y < half.image.height; ++y)
    for (int32_t x = 0; x < half.image.width; ++x)
      half.image.samples[static_cast<std::size_t>(y) * half.image.width + x] =
          static_cast<uint8_t>((*page.image.pixel(x, 2 * y) +
                                *page.image.pixel(x, 2 * y + 1) + 1) /
                               2);
  half.truth = page.truth;
  half.truth.height = half.image.height;
  for (pagegen::Paragraph &paragraph : half.truth.paragraphs)
    for (pagegen::Line &line : paragraph.lines)
      for (pagegen::Word &word : line.words) {
        word.box.y0 /= 2;
        word.box.y1 = (word.box.y1 + 1) / 2;
      }
  return half;
}

// How far a read word's box lies from its ink: the largest distance of one
// of its four sides, in page pixels.
int box_distance(const pagegen::Box &read, const pagegen::Box &ink) {
  return std::max({std::abs(read.x0 - ink.x0), std::abs(read.y0 - ink.y0),
                   std::abs(read.x1 - ink.x1), std::abs(read.y1 - ink.y1)});
}

// What one generated page gave.
struct PageFigures {
  std::size_t expected = 0;   // words on the page
  std::size_t read_right = 0; // words read right, in order
  std::size_t close = 0;      // of those, boxes within 3 pixels
  int worst = 0;              // the largest box distance
  std::vector<int> distances; // every box distance
  double seconds = 0;
};

// Compares the words read with the ground truth; prints each box that is
// more than 3 pixels off.
PageFigures measure(const pagegen::GroundTruth &truth, const Recognised &read) {
  std::vector<pagegen::Word> expected = truth.words();
  PageFigures figures;
  figures.expected = expected.size();
  figures.seconds = read.seconds;
  for (auto [e, r] : aligned_words(texts_of(expected), texts_of(read.words))) {
    const pagegen::Box &got = read.words[r].box, &ink = expected[e].box;
    int distance = box_distance(got, ink);
    figures.distances.push_back(distance);
    figures.worst = std::max(figures.worst, distance);
    figures.close += distance <= 3;
    ++figures.read_right;
    if (distance > 3)
      std::printf("  \"%s\" %d px off: Coords %d,%d,%d,%d, ink %d,%d,%d,%d\n",
                  expected[e].text.c_str(), distance, got.x0, got.y0, got.x1,
                  got.y1, ink.x0, ink.y0, ink.x1, ink.y1);
  }
  return figures;
}

struct PageCase {
  int32_t dpi; // across; down as well unless the rows are halved
  pagegen::PixelType type;
  int32_t rotation;
  bool rows_halved = false;
};

const char *type_name(pagegen::PixelType type) {
  switch (type) {
  case pagegen::PixelType::bilevel:
    return "bilevel";
  case pagegen::PixelType::gray:
    return "gray";
  case pagegen::PixelType::rgb:
    return "rgb";
  }
  return "?";
}

std::string case_name(const PageCase &c) {
  return std::to_string(c.dpi) +
         (c.rows_halved ? "x" + std::to_string(c.dpi / 2) : "") + "dpi_" +
         type_name(c.type) + "_" + std::to_string(c.rotation);
}

// The resolution decides whether and how the page is resampled, the type
// which conversion makes the gray copy, the stored turn which stored axis
// each Coords value comes from (and, with unequal resolutions, which axis is
// stretched). Every resolution and type upright; every turn of every type
// at 150 dpi, where the page is also enlarged; every turn at the other
// resolutions in gray; and a fax page (200 by 100 dpi) in every turn. (The
// full product of resolutions, types and turns read the same, word for word
// and box for box, at twice the time.)
std::vector<PageCase> page_cases() {
  using pagegen::PixelType;
  const PixelType types[] = {PixelType::bilevel, PixelType::gray,
                             PixelType::rgb};
  std::vector<PageCase> cases;
  for (int32_t dpi : {150, 200, 300, 600})
    for (PixelType type : types)
      cases.push_back({dpi, type, 0});
  for (int32_t rotation : {90, 180, 270})
    for (PixelType type : types)
      cases.push_back({150, type, rotation});
  for (int32_t dpi : {200, 300, 600})
    for (int32_t rotation : {90, 180, 270})
      cases.push_back({dpi, PixelType::gray, rotation});
  for (int32_t rotation : {0, 90, 180, 270})
    cases.push_back({200, PixelType::gray, rotation, true});
  return cases;
}

class GeneratedPages : public ::testing::TestWithParam<PageCase> {
protected:
  static void TearDownTestSuite() { print_summary(); }

  static std::vector<PageFigures> &all() {
    static std::vector<PageFigures> figures;
    return figures;
  }

  // The distribution over every page, for the record.
  static void print_summary() {
    std::vector<int> distances;
    std::size_t expected = 0, right = 0;
    double seconds = 0;
    for (const PageFigures &f : all()) {
      distances.insert(distances.end(), f.distances.begin(), f.distances.end());
      expected += f.expected;
      right += f.read_right;
      seconds += f.seconds;
    }
    if (distances.empty())
      return;
    std::sort(distances.begin(), distances.end());
    auto share_within = [&](int pixels) {
      auto n = std::upper_bound(distances.begin(), distances.end(), pixels) -
               distances.begin();
      return 100.0 * static_cast<double>(n) /
             static_cast<double>(distances.size());
    };
    std::printf("generated pages: %zu, words read right %zu of %zu (%.2f %%), "
                "%.2f s a page\n",
                all().size(), right, expected,
                100.0 * static_cast<double>(right) /
                    static_cast<double>(expected),
                seconds / static_cast<double>(all().size()));
    std::printf("boxes of the words read right: %.1f %% within 1 px, %.1f %% "
                "within 3 px, %.1f %% within 5 px, the worst %d px off\n",
                share_within(1), share_within(3), share_within(5),
                distances.back());
  }
};

TEST_P(GeneratedPages, WordsAndBoxesComeBack) {
  const PageCase &c = GetParam();
  const pagegen::RenderedPage &upright = upright_sample("en", c.dpi);
  pagegen::GeneratedPage generated = stored_page(
      c.rows_halved ? rows_halved(upright) : upright, c.type, c.rotation);
  Recognised read = recognise(
      editor_page(generated, c.dpi, c.rows_halved ? c.dpi / 2 : c.dpi));
  PageFigures figures = measure(generated.truth, read);
  all().push_back(figures);
  std::printf("%-22s words %zu/%zu, boxes within 3 px %zu/%zu, worst %d px, "
              "%.2f s\n",
              case_name(c).c_str(), figures.read_right, figures.expected,
              figures.close, figures.read_right, figures.worst,
              figures.seconds);

  EXPECT_GE(static_cast<double>(figures.read_right),
            0.98 * static_cast<double>(figures.expected))
      << misreadings(texts_of(generated.truth.words()), texts_of(read.words));
  EXPECT_GE(static_cast<double>(figures.close),
            0.95 * static_cast<double>(figures.read_right));
  // Tesseract places a few words of one character only roughly (a lone
  // "3" or "a" by up to half its width), so the bound for every word is
  // looser: a sixteenth of an inch.
  EXPECT_LE(figures.worst, c.dpi / 16);
}

INSTANTIATE_TEST_SUITE_P(ResolutionsTypesAndTurns, GeneratedPages,
                         ::testing::ValuesIn(page_cases()),
                         [](const ::testing::TestParamInfo<PageCase> &info) {
                           return case_name(info.param);
                         });

// --- The Tesseract program on the same pages ---------------------------------

std::string shell_quoted(const std::string &text) {
  std::string out = "'";
  for (char c : text)
    out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

bool command_line_installed() {
  return std::system("command -v tesseract >/dev/null 2>&1") == 0;
}

// The character set the plug-in hands the engine for English, German and
// French: the base set, then the German and the French letters (English
// adds none). The engine reads it as Tesseract's whitelist, so the program
// is given the same.
const char *const latin_characters =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
    "!\"#%&'()*+,-./:;<=>?@[\\]_{}«°»$€£¥"
    "ÄÖÜßäöü"
    "ÀÂÇÈÉÊËÎÏÔÙÛàâçèéêëîïôùûŒœ ";

struct CommandLineReading {
  std::string text;
  double seconds = 0;
};

// What the Tesseract program reads in an image file with the given models
// (and whitelist, unless empty), in one thread as the engine reads. Fails
// the test when the program does.
CommandLineReading command_line_reading(const std::string &image,
                                        const std::string &models,
                                        const std::string &whitelist = "") {
  std::string command = "OMP_THREAD_LIMIT=1 tesseract " + shell_quoted(image) +
                        " stdout -l " + models;
  if (!whitelist.empty())
    command += " -c " + shell_quoted("tessedit_char_whitelist=" + whitelist);
  command += " 2>/dev/null";
  CommandLineReading reading;
  auto begin = std::chrono::steady_clock::now();
  std::FILE *out = popen(command.c_str(), "r");
  if (!out) {
    ADD_FAILURE() << "cannot run: " << command;
    return reading;
  }
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
    reading.text.append(buffer, n);
  int status = pclose(out);
  reading.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - begin)
          .count();
  EXPECT_EQ(status, 0) << command;
  return reading;
}

// --- German and French ------------------------------------------------------

// The characters outside ASCII in a text, each once, in order.
std::vector<std::string> non_ascii_characters(const std::string &text) {
  std::vector<std::string> found;
  for (std::size_t i = 0; i < text.size();) {
    auto lead = static_cast<unsigned char>(text[i]);
    std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    std::string character = text.substr(i, n);
    if (n > 1 &&
        std::find(found.begin(), found.end(), character) == found.end())
      found.push_back(character);
    i += n;
  }
  return found;
}

bool has_non_ascii(const std::string &text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    return static_cast<unsigned char>(c) >= 0x80;
  });
}

std::string joined(const std::vector<std::string> &words) {
  std::string text;
  for (const std::string &word : words)
    text += word + " ";
  return text;
}

// A 300 dpi gray page of a sample text, the plug-in told both languages: the
// engine reads with both models and the character set of both. Every
// letter outside ASCII comes back, save those that Tesseract itself misses
// on the same pixels (its German model reads some capitals with umlauts as
// plain ones).
void read_sample(const char *name) {
  pagegen::GeneratedPage generated =
      stored_page(upright_sample(name, 300), pagegen::PixelType::gray, 0);
  Recognised read = recognise(editor_page(generated), "lang=(german,french)");

  std::vector<std::string> expected = texts_of(generated.truth.words());
  std::vector<std::string> texts = texts_of(read.words);
  auto pairs = aligned_words(expected, texts);
  std::size_t accented = 0, accented_right = 0;
  for (const std::string &word : expected)
    accented += has_non_ascii(word);
  for (auto [e, r] : pairs)
    accented_right += has_non_ascii(expected[e]);
  std::printf("%s: words %zu/%zu, words with letters outside ASCII %zu/%zu, "
              "%.2f s\n",
              name, pairs.size(), expected.size(), accented_right, accented,
              read.seconds);
  EXPECT_GE(static_cast<double>(pairs.size()),
            0.95 * static_cast<double>(expected.size()))
      << misreadings(expected, texts);
  EXPECT_GE(static_cast<double>(accented_right),
            0.9 * static_cast<double>(accented))
      << misreadings(expected, texts);

  std::vector<std::string> lost;
  for (const std::string &character : non_ascii_characters(joined(expected)))
    if (joined(texts).find(character) == std::string::npos)
      lost.push_back(character);
  if (lost.empty())
    return;
  if (!command_line_installed())
    GTEST_SKIP() << joined(lost) << "did not come back, and the tesseract "
                 << "program that would show whether it reads them is not "
                    "installed (Debian package tesseract-ocr)";
  TempDirectory temp;
  std::string image = temp / "page.png";
  pagegen::write_image(generated.image, generated.truth.resolution, image);
  CommandLineReading cli =
      command_line_reading(image, "deu+fra", latin_characters);
  std::printf("%s: lost %sas the program on the same page\n", name,
              joined(lost).c_str());
  for (const std::string &character : lost)
    EXPECT_EQ(cli.text.find(character), std::string::npos)
        << character << " did not come back through the plug-in, but the "
        << "program reads it\n"
        << misreadings(expected, texts);
}

TEST(GermanAndFrench, GermanLettersComeBack) { read_sample("de"); }

TEST(GermanAndFrench, FrenchLettersComeBack) { read_sample("fr"); }

// --- The scanned pages next to the command line ------------------------------

std::string testdata(const std::string &file) {
  return std::string(LECTORIN_TESTDATA_DIR) + "/" + file;
}

// The plug-in against the program with the same models and character set:
// its word accuracy may trail by half a point at most (the two differ only
// in how the page reaches Tesseract).
void compare_with_command_line(const std::string &name,
                               const std::string &options,
                               const std::string &models,
                               const std::string &whitelist = "") {
  std::string image = testdata(name + ".tif");
  if (!std::filesystem::exists(image))
    GTEST_SKIP() << "no scanned test pages in " << LECTORIN_TESTDATA_DIR
                 << " (configure with -DLECTORIN_TESTDATA_DIR=<dir>)";
  if (!command_line_installed())
    GTEST_SKIP() << "the tesseract program is not installed (Debian package "
                    "tesseract-ocr)";
  std::vector<std::string> truth = words_of(read_file(testdata(name + ".txt")));
  ASSERT_FALSE(truth.empty());

  Recognised read = recognise(lectorin_ocr::load_page(image, 0), options);
  CommandLineReading cli = command_line_reading(image, models, whitelist);

  std::vector<std::string> theirs = words_of(cli.text);
  double ours_accuracy = word_accuracy(truth, texts_of(read.words));
  double their_accuracy = word_accuracy(truth, theirs);
  std::printf("%s, %s: word accuracy %.2f %% through the plug-in (%.2f s), "
              "%.2f %% by the program (%.2f s, loading its models)\n",
              name.c_str(), options.c_str(), 100 * ours_accuracy, read.seconds,
              100 * their_accuracy, cli.seconds);
  EXPECT_GE(ours_accuracy, their_accuracy - 0.005)
      << "plug-in " << misreadings(truth, texts_of(read.words)) << "\nprogram "
      << misreadings(truth, theirs);
}

TEST(ScannedPages, PhototestInEnglish) {
  compare_with_command_line("phototest", "TRUE", "eng");
}

TEST(ScannedPages, EurotextInEnglish) {
  compare_with_command_line("eurotext", "TRUE", "eng");
}

// German quotation marks are outside the character set, so neither reads
// the word they enclose.
TEST(ScannedPages, EurotextInEnglishGermanAndFrench) {
  compare_with_command_line("eurotext", "lang=(english,german,french)",
                            "eng+deu+fra", latin_characters);
}

} // namespace
