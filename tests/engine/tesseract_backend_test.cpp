// The stand-in engine's Tesseract backend, called through the exported API
// the way the plug-in calls it: generated pages with known words, the
// languages and character set, the code list's limits, and (where the
// scanned test pages are at hand) speed and accuracy on real pages.

#include "engine_api.h"
#include "temp_directory.h"
#include "text.h"
#include "word_accuracy.h"

#include "platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#ifdef LECTORIN_HAVE_PAGEGEN
#include "page_generator.h"

#include <leptonica/allheaders.h>
#endif

using namespace testing_support;

namespace {

constexpr uint16_t end_of_word = 0x81FE;
constexpr uint16_t end_of_line = 0x8100;
constexpr uint16_t end_of_region = 0x9600;

std::vector<uint32_t> complaints;
extern "C" int32_t record_complaint(uint32_t c, uint32_t d, uint32_t r) {
  complaints.insert(complaints.end(), {c, d, r});
  return 0;
}

// A gray page handed out line by line; remembers the requests.
struct GrayPage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> pixels;
  int32_t next = 0;
  std::vector<int32_t> requests;
};
extern "C" int32_t feed_gray_line(void *feed, int32_t request,
                                  uint8_t *buffer) {
  auto *page = static_cast<GrayPage *>(feed);
  page->requests.push_back(request);
  if (request == 0)
    page->next = 0;
  if (page->next >= page->height)
    return -1;
  std::copy_n(&page->pixels[static_cast<std::size_t>(page->next) * page->width],
              page->width, buffer);
  ++page->next;
  return 0;
}

// Left, top, right, bottom in page pixels, as the page generator's boxes.
struct Box {
  int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

struct ReadWord {
  std::string text;
  Box box;
  int line = 0;
  int paragraph = 0;
};

// What one page gave: the results of the calls, the code list, and the
// words that the code list and the symbol table make.
struct Reading {
  int32_t zones = 0;
  int32_t ocr = 0;
  std::vector<uint16_t> entries;
  std::vector<ReadWord> words;
  std::vector<std::string> symbols;
  double seconds = 0;

  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const ReadWord &w : words)
      out.push_back(w.text);
    return out;
  }
  int count(uint16_t code) const {
    return static_cast<int>(std::count(entries.begin(), entries.end(), code));
  }
};

Box united(const Box &a, const drs_rectangle &r) {
  return Box{std::min<int32_t>(a.x0, r.x0), std::min<int32_t>(a.y0, r.y0),
             std::max<int32_t>(a.x1, r.x1), std::max<int32_t>(a.y1, r.y1)};
}

// Turns the code list into words, the way the plug-in's writer reads it.
void read_words(const EngineApi &api, Reading &reading) {
  ReadWord word;
  bool in_word = false;
  int line = 0, paragraph = 0;
  for (uint16_t entry : reading.entries) {
    if (entry & 0x8000) {
      if (in_word) {
        word.line = line;
        word.paragraph = paragraph;
        reading.words.push_back(word);
      }
      in_word = false;
      word = ReadWord();
      if (entry == end_of_line)
        ++line;
      if (entry == end_of_region)
        ++paragraph;
      continue;
    }
    uint16_t text[16];
    ASSERT_GE(api.read_one(entry, text), 0) << "handle " << entry;
    drs_rectangle r{};
    api.read_coordinates(entry, &r);
    std::string symbol = drs::utf16_to_utf8(text);
    reading.symbols.push_back(symbol);
    word.box = in_word ? united(word.box, r) : Box{r.x0, r.y0, r.x1, r.y1};
    word.text += symbol;
    in_word = true;
  }
}

class TesseractEngine : public ::testing::Test {
protected:
  // Starts a session whose "eng.ytr" selects the Tesseract backend, with
  // more lines after that.
  int32_t start(const std::string &lines = "") {
    write_file(temp_ / "eng.ytr", "backend tesseract\n" + lines);
    complaints.clear();
    handle_ =
        api().init(nullptr, (temp_.path() + platform::path_separator).c_str(),
                   nullptr, record_complaint, 0);
    return handle_;
  }

  // Runs one page as the plug-in does: page, resolution, languages,
  // character set (null: lifted, or no character call at all when asked,
  // as for languages without a set of their own), zones, recognition, then
  // the characters.
  Reading read(GrayPage &page, int32_t resolution,
               const std::vector<int32_t> &languages = {1},
               const std::u16string *characters = nullptr,
               bool character_call = true) {
    const EngineApi &e = api();
    Reading reading;
    e.set_value(handle_, 3, feed_gray_line, &page,
                static_cast<uint32_t>(page.width),
                static_cast<uint32_t>(page.height), 0);
    e.set_value(handle_, 38, static_cast<uint32_t>(resolution), 0);
    e.set_language(handle_, languages.front());
    for (std::size_t i = 1; i < languages.size(); ++i)
      e.add_language(languages[i]);
    if (characters)
      e.set_value(handle_, 35,
                  reinterpret_cast<const uint16_t *>(characters->c_str()), 0);
    else if (character_call)
      e.set_value(handle_, 36, 0);
    auto begin = std::chrono::steady_clock::now();
    reading.zones = e.zones(handle_);
    platform::MemoryBlock block = platform::memory_block_alloc(4);
    reading.ocr = e.ocr(handle_, block);
    reading.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin)
            .count();
    if (reading.ocr >= 0) {
      auto *list = static_cast<uint16_t *>(platform::memory_block_lock(block));
      reading.entries.assign(list + 2, list + 2 + list[0]);
      platform::memory_block_unlock(block);
      e.prep_coords();
      read_words(e, reading);
      e.free_coords();
    }
    platform::memory_block_free(block);
    return reading;
  }

  void TearDown() override { api().upset(handle_); }

  static const EngineApi &api() { return engine_api(); }

  TempDirectory temp_;
  int32_t handle_ = 0;
};

extern "C" int32_t endless_line(void *, int32_t, uint8_t *buffer) {
  std::fill_n(buffer, 10, uint8_t{255});
  return 0;
}

TEST_F(TesseractEngine, BlankPagesGiveEmptyListsAndUnreadablePagesFail) {
  ASSERT_EQ(start(), 1);
  const EngineApi &e = api();
  platform::MemoryBlock block = platform::memory_block_alloc(4);

  // No line source yet.
  e.set_language(handle_, 1);
  EXPECT_LT(e.zones(handle_), 0);
  EXPECT_LT(e.ocr(handle_, block), 0);

  // Taller or wider than the engine reads: refused, not cut.
  e.set_value(handle_, 3, endless_line, nullptr, 10u, 100u, 0);
  EXPECT_LT(e.zones(handle_), 0);
  EXPECT_LT(e.ocr(handle_, block), 0);
  GrayPage wide;
  wide.width = 40000;
  wide.height = 1;
  wide.pixels.assign(40000, 255);
  e.set_value(handle_, 3, feed_gray_line, &wide, 40000u, 1u, 0);
  EXPECT_LT(e.zones(handle_), 0);

  // A white page and a page without lines: no text, an empty list.
  for (int32_t height : {300, 0}) {
    GrayPage blank;
    blank.width = 400;
    blank.height = height;
    blank.pixels.assign(400u * height, 255);
    Reading reading = read(blank, 200);
    EXPECT_EQ(reading.zones, 0);
    EXPECT_EQ(reading.ocr, 0);
    EXPECT_TRUE(reading.entries.empty());
  }
  EXPECT_TRUE(complaints.empty());
  platform::memory_block_free(block);
}

TEST_F(TesseractEngine, StartRefusesUnusableDataOrSettings) {
  std::string empty = temp_ / "empty";
  make_directories(empty);
  for (const std::string &lines :
       {"tessdata \"" + temp_.path() + "/nowhere\"\n",
        "tessdata \"" + empty + "\"\n", std::string("psm 0\n"),
        std::string("psm x\n"), std::string("limits 5\n"),
        std::string("colour blue\n")}) {
    EXPECT_EQ(start(lines), 0) << lines;
    api().upset(handle_);
  }
  EXPECT_EQ(start("psm 6\nlimits 100 100\n# a comment\n"), 1);
}

// The trained data of the build, where these tests copy models from.
std::string system_models() {
  std::string prefix;
  if (platform::get_environment("TESSDATA_PREFIX", prefix) && !prefix.empty())
    return prefix;
  return LECTORIN_TESSDATA_DIR_DEFAULT;
}

// A directory in the temporary one holding a copy of the English model.
void copy_english_model(const std::string &directory) {
  namespace fs = std::filesystem;
  fs::create_directories(directory);
  fs::copy_file(fs::path(system_models()) / "eng.traineddata",
                fs::path(directory) / "eng.traineddata");
}

TEST_F(TesseractEngine, RelativeModelDirectoriesStartFromTheDataDirectory) {
  copy_english_model(temp_ / "models");
  GrayPage blank;
  blank.width = 400;
  blank.height = 300;
  blank.pixels.assign(400u * 300u, 255);
  ASSERT_EQ(start("tessdata models\n"), 1);
  // Tesseract loads its model from there for the first page.
  EXPECT_EQ(read(blank, 200).zones, 0);
  EXPECT_TRUE(complaints.empty());
  api().upset(handle_);
  EXPECT_EQ(start("tessdata elsewhere\n"), 0);
  api().upset(handle_);
#ifdef _WIN32
  // A package keeps its models in "tessdata" beside its settings: found
  // with no line naming them, unless TESSDATA_PREFIX names others.
  copy_english_model(temp_ / "tessdata");
  std::string prefix;
  platform::get_environment("TESSDATA_PREFIX", prefix);
  platform::set_environment("TESSDATA_PREFIX", "");
  EXPECT_EQ(start(), 1);
  EXPECT_EQ(read(blank, 200).zones, 0);
  EXPECT_TRUE(complaints.empty());
  platform::set_environment("TESSDATA_PREFIX", prefix);
#endif
}

#ifdef LECTORIN_HAVE_PAGEGEN
// Pages the page generator makes, and the scanned test pages as Leptonica
// reads them: where the generator is built (Linux).

GrayPage gray_page(const pagegen::Image &image) {
  GrayPage page;
  page.width = image.width;
  page.height = image.height;
  page.pixels = image.samples;
  return page;
}

std::vector<std::string> truth_texts(const pagegen::GroundTruth &truth) {
  std::vector<std::string> out;
  for (const pagegen::Word &w : truth.words())
    out.push_back(w.text);
  return out;
}

pagegen::GeneratedPage make_page(const std::string &text, int32_t width,
                                 int32_t height, int32_t resolution = 200) {
  pagegen::PageSettings settings;
  settings.page.text = text;
  settings.page.width = width;
  settings.page.height = height;
  settings.page.resolution = resolution;
  settings.page.margin = resolution / 4;
  return pagegen::generate_page(settings);
}

const char *const two_paragraphs =
    "Every morning the archive opens its reading room at nine and\n"
    "visitors sign the ledger before they ask for their boxes.\n"
    "\n"
    "Shelf mark 17/B-204 holds letters from 1921 and a price list.\n";

TEST_F(TesseractEngine, ReadsAGeneratedPageWithItsWordsAndBoxes) {
  ASSERT_EQ(start(), 1);
  pagegen::GeneratedPage generated = make_page(two_paragraphs, 1300, 500);
  GrayPage page = gray_page(generated.image);
  Reading reading = read(page, 200);
  ASSERT_EQ(reading.zones, 0);
  ASSERT_EQ(reading.ocr, 0);
  EXPECT_TRUE(complaints.empty());

  // The whole page was read through the callback: the first line, the next
  // ones, and one more request that found no line.
  ASSERT_EQ(page.requests.size(), static_cast<std::size_t>(page.height) + 1);
  EXPECT_EQ(page.requests.front(), 0);
  EXPECT_EQ(std::count(page.requests.begin(), page.requests.end(), 0), 1);

  std::vector<pagegen::Word> expected = generated.truth.words();
  EXPECT_GE(word_accuracy(truth_texts(generated.truth), reading.texts()), 0.9)
      << ::testing::PrintToString(reading.texts());

  // The words read right lie where the page has them: the box of their
  // characters hugs the ink, within the few pixels of a stroke. Tesseract
  // places some short words only roughly (a lone "a" a dozen pixels to the
  // left), so a few may stand further off, but never by a letter's width.
  auto pairs = aligned_words(truth_texts(generated.truth), reading.texts());
  std::size_t close = 0;
  int worst = 0;
  for (auto [e, r] : pairs) {
    const Box &a = reading.words[r].box;
    const pagegen::Box &b = expected[e].box;
    int off = std::max({std::abs(a.x0 - b.x0), std::abs(a.y0 - b.y0),
                        std::abs(a.x1 - b.x1), std::abs(a.y1 - b.y1)});
    EXPECT_LE(off, 15) << expected[e].text;
    close += off <= 3;
    worst = std::max(worst, off);
  }
  EXPECT_GE(close, pairs.size() * 9 / 10);
  std::printf("%zu of %zu words within 3 pixels of their ink, the worst %d "
              "pixels off\n",
              close, pairs.size(), worst);

  // Three lines in two paragraphs, each paragraph one region; every word,
  // line and region is closed.
  EXPECT_EQ(reading.count(end_of_line), 3);
  EXPECT_EQ(reading.count(end_of_region), 2);
  EXPECT_EQ(reading.count(end_of_word), static_cast<int>(reading.words.size()));
  ASSERT_GE(reading.entries.size(), 3u);
  EXPECT_EQ(
      std::vector<uint16_t>(reading.entries.end() - 3, reading.entries.end()),
      (std::vector<uint16_t>{end_of_word, end_of_line, end_of_region}));
  EXPECT_EQ(reading.words.back().paragraph, 1);
  EXPECT_EQ(reading.words.front().paragraph, 0);
}

TEST_F(TesseractEngine, CharactersAreReadableOnlyBetweenPrepAndFree) {
  ASSERT_EQ(start(), 1);
  GrayPage page = gray_page(make_page("Archive", 500, 160).image);
  const EngineApi &e = api();
  e.set_value(handle_, 3, feed_gray_line, &page,
              static_cast<uint32_t>(page.width),
              static_cast<uint32_t>(page.height), 0);
  e.set_value(handle_, 38, 200u, 0);
  e.set_language(handle_, 1);
  ASSERT_EQ(e.zones(handle_), 0);
  platform::MemoryBlock block = platform::memory_block_alloc(4);
  ASSERT_EQ(e.ocr(handle_, block), 0);
  platform::memory_block_free(block);
  uint16_t text[16];
  EXPECT_LT(e.read_one(0, text), 0);
  e.prep_coords();
  EXPECT_EQ(e.read_one(0, text), 1);
  EXPECT_EQ(text[0], u'A');
  EXPECT_EQ(text[1], 0);
  EXPECT_LT(e.read_one(7, text), 0) << "past the last character";
  EXPECT_LT(e.read_one(-1, text), 0);
  e.free_coords();
  EXPECT_LT(e.read_one(0, text), 0);
  drs_rectangle r{1, 2, 3, 4};
  e.read_coordinates(0, &r);
  EXPECT_EQ(r.x0 + r.y0 + r.x1 + r.y1, 0);
}

// The engine quiets Leptonica only while it calls Tesseract: a host that
// shares the library (the Linux build's) keeps the level it chose.
TEST_F(TesseractEngine, LeptonicasMessageLevelIsTheHostsAgainAfterEachCall) {
  const l_int32 host_level = setMsgSeverity(L_SEVERITY_INFO);
  ASSERT_EQ(start(), 1);
  GrayPage page = gray_page(make_page("Archive", 500, 160).image);
  EXPECT_EQ(read(page, 200).ocr, 0);
  api().upset(handle_);
  EXPECT_EQ(setMsgSeverity(host_level), L_SEVERITY_INFO);
}

// A trained-data directory holding only some of the installed models.
std::string model_directory(const TempDirectory &temp,
                            const std::vector<std::string> &models) {
  namespace fs = std::filesystem;
  std::string system = system_models();
  std::string directory = temp / "tessdata";
  fs::create_directories(directory);
  for (const std::string &model : models)
    fs::create_symlink(fs::path(system) / (model + ".traineddata"),
                       fs::path(directory) / (model + ".traineddata"));
  return directory;
}

TEST_F(TesseractEngine, LanguagesWithoutModelsAreLeftOutOrComplainedAbout) {
  ASSERT_EQ(
      start("tessdata \"" + model_directory(temp_, {"deu", "fra"}) + "\"\n"),
      1);
  GrayPage page =
      gray_page(make_page("Die Bäckerin grüßt den Kater.", 900, 160).image);

  // English is not there: no main dictionary, nothing recognised.
  Reading english = read(page, 200, {1});
  EXPECT_EQ(complaints, (std::vector<uint32_t>{0x1A00, 0, 341}));
  EXPECT_LT(english.zones, 0);
  EXPECT_LT(english.ocr, 0);

  // British English reads with the same missing model; Japanese, Korean and
  // a language Tesseract has no model for fare no better.
  complaints.clear();
  read(page, 200, {6, 37, 55, 60});
  EXPECT_EQ(complaints, (std::vector<uint32_t>{0x1A00, 0, 341}));

  // German among missing ones: read with German, without a complaint.
  complaints.clear();
  Reading german = read(page, 200, {37, 1, 2});
  EXPECT_TRUE(complaints.empty());
  ASSERT_EQ(german.ocr, 0);
  EXPECT_GE(word_accuracy({"Die", "Bäckerin", "grüßt", "den", "Kater."},
                          german.texts()),
            0.8)
      << ::testing::PrintToString(german.texts());
}

TEST_F(TesseractEngine, TheCharacterSetRestrictsUntilItIsLifted) {
  ASSERT_EQ(start(), 1);
  GrayPage page =
      gray_page(make_page("Room 17 holds 204 boxes", 900, 160).image);
  // No space in the set: the engine adds it, so the words stay apart.
  const std::u16string digits = u"0123456789";
  Reading restricted = read(page, 200, {1}, &digits);
  ASSERT_EQ(restricted.ocr, 0);
  ASSERT_FALSE(restricted.symbols.empty());
  for (const std::string &symbol : restricted.symbols)
    EXPECT_TRUE(symbol.size() == 1 && symbol[0] >= '0' && symbol[0] <= '9')
        << symbol;
  std::vector<std::string> texts = restricted.texts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "17"), texts.end())
      << ::testing::PrintToString(texts);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "204"), texts.end())
      << ::testing::PrintToString(texts);

  page.requests.clear();
  Reading free = read(page, 200);
  EXPECT_EQ(free.texts(),
            (std::vector<std::string>{"Room", "17", "holds", "204", "boxes"}));

  // A page with no character call at all, after a restricted one, starts
  // unrestricted too: the plug-in sends none for Japanese, Korean or
  // Chinese, whose models are not at hand here, so English stands in.
  read(page, 200, {1}, &digits);
  Reading next = read(page, 200, {1}, nullptr, false);
  EXPECT_EQ(next.texts(),
            (std::vector<std::string>{"Room", "17", "holds", "204", "boxes"}));
}

TEST_F(TesseractEngine, AFullCodeListKeepsWholeWordsAndComplains) {
  pagegen::GeneratedPage generated = make_page(two_paragraphs, 1300, 500);
  GrayPage page = gray_page(generated.image);
  ASSERT_EQ(start(), 1);
  std::vector<std::string> all = read(page, 200).texts();
  api().upset(handle_);

  struct Limit {
    const char *line;
    std::size_t symbols, entries;
  };
  for (const Limit &limit : {Limit{"limits 20 1000\n", 20, 1000},
                             Limit{"limits 1000 30\n", 1000, 30}}) {
    SCOPED_TRACE(limit.line);
    ASSERT_EQ(start(limit.line), 1);
    Reading cut = read(page, 200);
    ASSERT_EQ(cut.ocr, 0);
    EXPECT_EQ(complaints, (std::vector<uint32_t>{0x1500, 0, 32}));
    EXPECT_LE(cut.symbols.size(), limit.symbols);
    EXPECT_LE(cut.entries.size(), limit.entries);
    ASSERT_GE(cut.words.size(), 2u);
    std::vector<std::string> kept = cut.texts();
    EXPECT_LT(kept.size(), all.size());
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), all.begin()))
        << "the first words, whole";
    EXPECT_EQ(std::vector<uint16_t>(cut.entries.end() - 3, cut.entries.end()),
              (std::vector<uint16_t>{end_of_word, end_of_line, end_of_region}));
    api().upset(handle_);
  }
}

TEST_F(TesseractEngine, BlocksWithoutTextAreSkipped) {
  // Text above and below a picture: a dark, textured rectangle.
  pagegen::GeneratedPage generated = make_page(
      "The picture below shows the reading room.\n\n\n\n\n\n\n\n\n\n\n"
      "Visitors sign the ledger at the door.",
      1100, 900);
  GrayPage page = gray_page(generated.image);
  const pagegen::Box picture{250, 200, 850, 600};
  for (int32_t y = picture.y0; y < picture.y1; ++y)
    for (int32_t x = picture.x0; x < picture.x1; ++x)
      page.pixels[static_cast<std::size_t>(y) * page.width + x] =
          static_cast<uint8_t>(40 + (x * 7 + y * 13) % 90);
  ASSERT_EQ(start(), 1);
  Reading reading = read(page, 200);
  ASSERT_EQ(reading.ocr, 0);
  for (const ReadWord &word : reading.words) {
    EXPECT_EQ(word.text.find_first_of(" \t"), std::string::npos) << word.text;
    bool overlaps = word.box.x0 < picture.x1 && picture.x0 < word.box.x1 &&
                    word.box.y0 < picture.y1 && picture.y0 < word.box.y1;
    EXPECT_FALSE(overlaps) << word.text;
  }
  EXPECT_GE(word_accuracy(truth_texts(generated.truth), reading.texts()), 0.8)
      << ::testing::PrintToString(reading.texts());
}

// A page that never ends: every request gets a white line.
std::string testdata(const std::string &file) {
  return std::string(LECTORIN_TESTDATA_DIR) + "/" + file;
}

GrayPage load_page(const std::string &path, int32_t &resolution) {
  GrayPage page;
  PIX *pix = pixRead(path.c_str());
  if (!pix)
    return page;
  PIX *gray = pixConvertTo8(pix, 0);
  resolution = pixGetXRes(pix);
  page.width = pixGetWidth(gray);
  page.height = pixGetHeight(gray);
  for (int32_t y = 0; y < page.height; ++y) {
    l_uint32 *line =
        pixGetData(gray) + static_cast<std::size_t>(y) * pixGetWpl(gray);
    for (int32_t x = 0; x < page.width; ++x)
      page.pixels.push_back(static_cast<uint8_t>(GET_DATA_BYTE(line, x)));
  }
  pixDestroy(&gray);
  pixDestroy(&pix);
  return page;
}

// The scanned test pages: time per page and word accuracy against their
// text, printed for the record.
class ScannedPages : public TesseractEngine {
protected:
  void read_scanned(const char *name, const std::vector<int32_t> &languages,
                    double floor) {
    std::string image = testdata(std::string(name) + ".tif");
    if (!std::filesystem::exists(image))
      GTEST_SKIP() << "no scanned test pages in " << LECTORIN_TESTDATA_DIR
                   << " (set LECTORIN_TESTDATA_DIR)";
    int32_t resolution = 0;
    GrayPage page = load_page(image, resolution);
    ASSERT_GT(page.height, 0) << image;
    ASSERT_EQ(start(), 1);
    read(page, resolution, languages); // the models load on the first page
    Reading reading = read(page, resolution, languages);
    ASSERT_EQ(reading.ocr, 0);
    double accuracy =
        word_accuracy(words_of(read_file(testdata(std::string(name) + ".txt"))),
                      reading.texts());
    std::printf("%s: %dx%d at %d dpi, %.2f s a page, word accuracy %.3f\n",
                name, page.width, page.height, resolution, reading.seconds,
                accuracy);
    RecordProperty("seconds", std::to_string(reading.seconds));
    RecordProperty("word_accuracy", std::to_string(accuracy));
    EXPECT_GE(accuracy, floor);
  }
};

TEST_F(ScannedPages, Phototest) { read_scanned("phototest", {1}, 0.9); }

TEST_F(ScannedPages, Eurotext) {
  // Spanish and Italian are read where their models are installed.
  read_scanned("eurotext", {1, 2, 3, 4, 5}, 0.8);
}

#endif // LECTORIN_HAVE_PAGEGEN

} // namespace
