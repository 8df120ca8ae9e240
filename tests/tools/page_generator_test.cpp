// The page generator: ink boxes that hold the ink and nothing else, stored
// pixels turned while the ground truth stays that of the displayed page,
// pixel types, noise, image and ground-truth files, clear failures, and the
// command's exit codes.

#include "page_generator.h"
#include "sample_texts.h"
#include "temp_directory.h"

#include <gtest/gtest.h>
#include <leptonica/allheaders.h>

#include <cstdlib>
#include <stdexcept>

using namespace pagegen;
using namespace testing_support;

namespace {

PageSettings small_page(const std::string &text) {
  PageSettings settings;
  settings.page.text = text;
  settings.page.width = 900;
  settings.page.height = 600;
  settings.page.resolution = 150;
  settings.page.margin = 40;
  return settings;
}

bool is_ink(const Image &gray, int32_t x, int32_t y) {
  return *gray.pixel(x, y) < 128;
}

// The displayed pixel (x, y) of stored pixels turned clockwise.
uint8_t displayed_pixel(const Image &stored, int32_t rotation, int32_t x,
                        int32_t y) {
  switch (rotation) {
  case 90:
    return *stored.pixel(stored.width - 1 - y, x);
  case 180:
    return *stored.pixel(stored.width - 1 - x, stored.height - 1 - y);
  case 270:
    return *stored.pixel(y, stored.height - 1 - x);
  default:
    return *stored.pixel(x, y);
  }
}

TEST(PageGenerator, WordBoxesAreTheInkOfTheirWordsAndHoldAllInk) {
  GeneratedPage page = generate_page(small_page(sample_text("en")));
  const Image &gray = page.image;
  std::vector<bool> covered(gray.samples.size(), false);
  std::size_t words = 0;
  for (const Paragraph &paragraph : page.truth.paragraphs) {
    for (const Line &line : paragraph.lines) {
      std::string joined;
      pagegen::Box united = line.words.front().box;
      for (const Word &word : line.words) {
        ++words;
        joined += (joined.empty() ? "" : " ") + word.text;
        const pagegen::Box &b = word.box;
        ASSERT_LT(b.x0, b.x1) << word.text;
        ASSERT_LT(b.y0, b.y1) << word.text;
        // Tight: ink on each of the four edges.
        bool top = false, bottom = false, left = false, right = false;
        for (int32_t x = b.x0; x < b.x1; ++x) {
          top = top || is_ink(gray, x, b.y0);
          bottom = bottom || is_ink(gray, x, b.y1 - 1);
        }
        for (int32_t y = b.y0; y < b.y1; ++y) {
          left = left || is_ink(gray, b.x0, y);
          right = right || is_ink(gray, b.x1 - 1, y);
        }
        EXPECT_TRUE(top && bottom && left && right) << word.text;
        for (int32_t y = b.y0; y < b.y1; ++y)
          for (int32_t x = b.x0; x < b.x1; ++x)
            covered[static_cast<std::size_t>(y) * gray.width + x] = true;
        united =
            pagegen::Box{std::min(united.x0, b.x0), std::min(united.y0, b.y0),
                         std::max(united.x1, b.x1), std::max(united.y1, b.y1)};
      }
      EXPECT_EQ(line.text, joined);
      EXPECT_EQ(line.box, united) << line.text;
    }
  }
  // Every letter of the text is in some word, in order.
  std::string letters, expected;
  for (const Word &word : page.truth.words())
    letters += word.text;
  for (const char *c = sample_text("en"); *c; ++c)
    if (*c != ' ' && *c != '\n')
      expected += *c;
  EXPECT_EQ(letters, expected);
  EXPECT_GT(words, 50u);
  EXPECT_EQ(page.truth.paragraphs.size(), 3u);
  // Every inked pixel belongs to a word.
  for (int32_t y = 0; y < gray.height; ++y)
    for (int32_t x = 0; x < gray.width; ++x)
      if (is_ink(gray, x, y)) {
        ASSERT_TRUE(covered[static_cast<std::size_t>(y) * gray.width + x])
            << "ink outside every word at " << x << "," << y;
      }
}

TEST(PageGenerator, TurnedStoredPixelsShowTheSameDisplayedPage) {
  PageSettings settings = small_page("Ledger\n\nShelf 17");
  GeneratedPage upright = generate_page(settings);
  for (int32_t rotation : {90, 180, 270}) {
    SCOPED_TRACE(rotation);
    settings.rotation = rotation;
    GeneratedPage turned = generate_page(settings);
    EXPECT_EQ(turned.truth.rotation, rotation);
    GroundTruth truth = turned.truth;
    truth.rotation = 0;
    EXPECT_EQ(format_ground_truth(truth), format_ground_truth(upright.truth));
    bool quarter = rotation != 180;
    EXPECT_EQ(turned.image.width, quarter ? 600 : 900);
    EXPECT_EQ(turned.image.height, quarter ? 900 : 600);
    for (int32_t y = 0; y < 600; ++y)
      for (int32_t x = 0; x < 900; ++x)
        ASSERT_EQ(displayed_pixel(turned.image, rotation, x, y),
                  *upright.image.pixel(x, y))
            << x << "," << y;
  }
  // Clockwise: the first word, top left on the page, lies top right in the
  // pixels stored after a quarter turn, reading downwards.
  settings.rotation = 90;
  GeneratedPage turned = generate_page(settings);
  const pagegen::Box &first = upright.truth.paragraphs[0].lines[0].words[0].box;
  pagegen::Box stored{600 - first.y1, first.x0, 600 - first.y0, first.x1};
  EXPECT_GT(stored.x0, 300);
  EXPECT_LT(stored.y1, 450);
  int inked = 0;
  for (int32_t y = stored.y0; y < stored.y1; ++y)
    for (int32_t x = stored.x0; x < stored.x1; ++x)
      inked += is_ink(turned.image, x, y);
  EXPECT_GT(inked, 50);
}

TEST(PageGenerator, PixelTypesShowTheSameGrayPage) {
  PageSettings settings = small_page("Visitors sign the ledger.");
  GeneratedPage gray = generate_page(settings);
  settings.type = PixelType::bilevel;
  GeneratedPage bilevel = generate_page(settings);
  settings.type = PixelType::rgb;
  GeneratedPage rgb = generate_page(settings);
  ASSERT_EQ(bilevel.image.samples.size(), gray.image.samples.size());
  ASSERT_EQ(rgb.image.samples.size(), 3 * gray.image.samples.size());
  for (std::size_t i = 0; i < gray.image.samples.size(); ++i) {
    uint8_t v = gray.image.samples[i];
    ASSERT_EQ(bilevel.image.samples[i], v < 128 ? 0 : 255) << i;
    ASSERT_TRUE(rgb.image.samples[3 * i] == v &&
                rgb.image.samples[3 * i + 1] == v &&
                rgb.image.samples[3 * i + 2] == v)
        << i;
  }
  EXPECT_EQ(format_ground_truth(bilevel.truth),
            format_ground_truth(gray.truth));
}

TEST(PageGenerator, NoiseFollowsItsSeedAndLeavesTheTruth) {
  PageSettings settings = small_page("Visitors sign the ledger.");
  GeneratedPage clean = generate_page(settings);
  settings.noise = 0.01;
  settings.seed = 7;
  GeneratedPage noisy = generate_page(settings);
  GeneratedPage again = generate_page(settings);
  settings.seed = 8;
  GeneratedPage other = generate_page(settings);
  EXPECT_EQ(noisy.image.samples, again.image.samples);
  EXPECT_NE(noisy.image.samples, other.image.samples);
  EXPECT_EQ(format_ground_truth(noisy.truth), format_ground_truth(clean.truth));
  std::size_t changed = 0;
  for (std::size_t i = 0; i < clean.image.samples.size(); ++i)
    changed += noisy.image.samples[i] != clean.image.samples[i];
  // 5400 pixels set, half of them black on a mostly white page.
  EXPECT_GT(changed, 2000u);
  EXPECT_LE(changed, 5400u);
}

struct PixDeleter {
  void operator()(PIX *pix) const { pixDestroy(&pix); }
};

TEST(PageGenerator, ImageFilesHoldThePixelsAndTheResolution) {
  TempDirectory temp;
  PageSettings settings = small_page("Ledger 17");
  settings.rotation = 90;
  for (PixelType type : {PixelType::bilevel, PixelType::gray, PixelType::rgb}) {
    settings.type = type;
    GeneratedPage page = generate_page(settings);
    for (const char *name : {"page.png", "page.TIF"}) {
      SCOPED_TRACE(name);
      std::string image = temp / name, truth = temp / "page.truth";
      write_page(page, image, truth);
      std::unique_ptr<PIX, PixDeleter> pix(pixRead(image.c_str()));
      ASSERT_TRUE(pix);
      EXPECT_EQ(pixGetXRes(pix.get()), 150);
      EXPECT_EQ(pixGetYRes(pix.get()), 150);
      ASSERT_EQ(pixGetWidth(pix.get()), page.image.width);
      ASSERT_EQ(pixGetHeight(pix.get()), page.image.height);
      int depth = pixGetDepth(pix.get());
      ASSERT_EQ(depth, type == PixelType::bilevel ? 1
                       : type == PixelType::gray  ? 8
                                                  : 32);
      for (int32_t y = 0; y < page.image.height; y += 3)
        for (int32_t x = 0; x < page.image.width; x += 3) {
          l_uint32 v = 0;
          pixGetPixel(pix.get(), x, y, &v);
          const uint8_t *p = page.image.pixel(x, y);
          l_uint32 expected =
              depth == 1   ? (p[0] < 128 ? 1u : 0u)
              : depth == 8 ? p[0]
                           : (l_uint32{p[0]} << 24 | l_uint32{p[1]} << 16 |
                              l_uint32{p[2]} << 8);
          ASSERT_EQ(v & (depth == 32 ? 0xFFFFFF00u : 0xFFFFFFFFu), expected)
              << x << "," << y;
        }
      EXPECT_EQ(format_ground_truth(parse_ground_truth(read_file(truth))),
                format_ground_truth(page.truth));
    }
  }
  EXPECT_THROW(
      write_image(generate_page(settings).image, 150, temp / "page.jpg"),
      std::runtime_error);
  EXPECT_THROW(write_image(generate_page(settings).image, 150,
                           temp / "no/such/page.png"),
               std::runtime_error);
}

TEST(PageGenerator, GroundTruthFilesReadBackOrNameTheirFault) {
  GroundTruth truth;
  truth.width = 10;
  truth.height = 20;
  truth.resolution = 300;
  truth.rotation = 270;
  truth.paragraphs.push_back(
      {{Line{"Äpfel, «oui»",
             {1, 2, 9, 5},
             {Word{"Äpfel,", {1, 2, 4, 5}}, Word{"«oui»", {5, 2, 9, 4}}}}}});
  truth.paragraphs.push_back(
      {{Line{"x", {0, 0, 1, 1}, {Word{"x", {0, 0, 1, 1}}}}}});
  std::string text = format_ground_truth(truth);
  EXPECT_EQ(
      text,
      "lectorin-ground-truth 1\npage 10 20 300 270\nparagraph\n"
      "line 1 2 9 5 Äpfel, «oui»\nword 1 2 4 5 Äpfel,\nword 5 2 9 4 «oui»\n"
      "paragraph\nline 0 0 1 1 x\nword 0 0 1 1 x\n");
  EXPECT_EQ(format_ground_truth(parse_ground_truth(text)), text);

  const std::string head = "lectorin-ground-truth 1\npage 1 1 1 0\n";
  for (const auto &[bad, line] :
       {std::pair<std::string, std::string>{"", "line 1"},
        {"some text\n", "line 1"},
        {"lectorin-ground-truth 1\n", "no page"},
        {head + "word 0 0 1 1 x\n", "line 3"},
        {head + "paragraph\nword 0 0 1 1 x\n", "line 4"},
        {head + "paragraph\nline 0 0 1\n", "line 4"},
        {head + "paragraph\nline 0 0 1 1 x\nword 0 0 1 1\n", "line 5"},
        {head + "paragraph\nline 5 0 1 1 x\n", "line 4"},
        {head + "column\n", "line 3"}}) {
    try {
      parse_ground_truth(bad);
      ADD_FAILURE() << "accepted: " << bad;
    } catch (const std::runtime_error &error) {
      EXPECT_NE(std::string(error.what()).find(line), std::string::npos)
          << error.what() << " for " << bad;
    }
  }
}

TEST(PageGenerator, SettingsThatCannotMakeThePageFailClearly) {
  auto message = [](const PageSettings &settings) -> std::string {
    try {
      generate_page(settings);
    } catch (const std::runtime_error &error) {
      return error.what();
    }
    return "made a page";
  };
  PageSettings s = small_page("Ledger");
  s.page.font = "No Such Family";
  EXPECT_NE(message(s).find("\"No Such Family\" is not installed"),
            std::string::npos);
  s = small_page(std::string(4000, 'x') + " end");
  EXPECT_NE(message(s).find("does not fit"), std::string::npos);
  s = small_page("bad \xC3 byte");
  EXPECT_NE(message(s).find("not valid UTF-8"), std::string::npos);
  s = small_page("Ledger");
  s.rotation = 45;
  EXPECT_NE(message(s).find("rotation"), std::string::npos);
  s = small_page("Ledger");
  s.noise = 1.5;
  EXPECT_NE(message(s).find("noise"), std::string::npos);
  s = small_page("Ledger");
  s.page.margin = 300;
  EXPECT_NE(message(s).find("margins"), std::string::npos);
  s = small_page("Ledger");
  s.page.resolution = 0;
  EXPECT_NE(message(s).find("resolution"), std::string::npos);
  // No text at all makes a blank page.
  s = small_page("  \n\n ");
  EXPECT_TRUE(generate_page(s).truth.paragraphs.empty());
}

TEST(PageGenerator, SampleTextsKeepTheirAccentedLetters) {
  for (const auto &[name, words] :
       {std::pair<std::string, std::vector<std::string>>{
            "de", {"Mühle", "grüßt", "Äpfel,", "Öfter"}},
        {"fr", {"cœur", "garçons", "«", "Noël,", "l'île"}},
        {"en", {"17/B-204,", "12.50"}}}) {
    PageSettings settings;
    settings.page.text = sample_text(name);
    settings.page.resolution = 100;
    settings.page.width = 827;
    settings.page.height = 1169;
    std::vector<Word> found = generate_page(settings).truth.words();
    for (const std::string &word : words)
      EXPECT_TRUE(std::any_of(found.begin(), found.end(),
                              [&](const Word &w) { return w.text == word; }))
          << name << ": " << word;
  }
  EXPECT_EQ(sample_text("es"), nullptr);
}

// The command, run as a user runs it.
int run(const std::string &arguments) {
  std::string command =
      std::string(LECTORIN_PAGEGEN_FILE) + " " + arguments + " >/dev/null 2>&1";
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PageGeneratorCommand, ExitCodesTellSuccessFailureAndUsage) {
  TempDirectory temp;
  std::string out = temp / "page.png";
  EXPECT_EQ(run("--help"), 0);
  EXPECT_EQ(run("-o " + out +
                " --sample fr --page 800x600 --dpi 100 --type bilevel "
                "--rotate 270 --noise 0.001 --seed 3"),
            0);
  GroundTruth truth = parse_ground_truth(read_file(temp / "page.truth"));
  EXPECT_EQ(truth.rotation, 270);
  EXPECT_EQ(truth.width, 800);
  std::string text_file = temp / "text.txt";
  write_file(text_file, "Ledger 17\n");
  EXPECT_EQ(run("--text-file " + text_file + " --truth " + (temp / "t.truth") +
                " -o " + (temp / "p.tif") + " --page=600x200 --dpi=100"),
            0);
  EXPECT_EQ(parse_ground_truth(read_file(temp / "t.truth")).words().size(), 2u);

  for (const char *usage :
       {"", "--bogus -o x.png", "-o", "-o x.png --dpi many",
        "-o x.png --type color", "-o x.png --rotate 45", "-o x.png --page b5",
        "-o x.png --sample es", "-o x.png --noise 2",
        "-o x.png --text a --sample en"})
    EXPECT_EQ(run(usage), 2) << usage;
  for (const std::string &failure :
       {"-o " + (temp / "page.jpg"), "-o " + out + " --font \"No Such Family\"",
        "-o " + out + " --text-file " + (temp / "missing.txt"),
        "-o " + out + " --page 100x100",
        "-o " + (temp / "no/such/dir/page.png")})
    EXPECT_EQ(run(failure), 1) << failure;
}

} // namespace
