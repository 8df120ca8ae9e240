// lectorin-ocr as a user runs it: image files in, hidden text out, through
// the real plug-in and (mostly) the scripted engine, which records what it
// was told and saves the page it read. Pages are small images made here
// with Leptonica, so that the pixels the engine must see are known exactly.

#include "engine_fixture.h"
#include "run_program.h"
#include "temp_directory.h"
#include "well_formed_xml.h"
#include "word_accuracy.h"

#include "page_generator.h"

#include <gtest/gtest.h>
#include <leptonica/allheaders.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

struct PixDeleter {
  void operator()(PIX *pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<PIX, PixDeleter>;

// A page as the engine must read it: 8-bit gray, top row first.
struct GrayPage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> gray;

  std::string as_pgm() const {
    return "P5\n" + std::to_string(width) + " " + std::to_string(height) +
           "\n255\n" + std::string(gray.begin(), gray.end());
  }
};

uint8_t gray_of(int r, int g, int b) {
  return static_cast<uint8_t>((77 * r + 151 * g + 29 * b) >> 8);
}

// The pixel forms a file can hold; each pattern differs from pixel to pixel
// so that a shifted, mirrored or dropped row shows.
enum class Form { bilevel, gray, gray16, rgb, rgba, palette };

PixPtr make_pix(Form form, int32_t width, int32_t height, GrayPage &expected) {
  const int depths[] = {1, 8, 16, 32, 32, 8};
  PixPtr pix(pixCreate(width, height, depths[static_cast<int>(form)]));
  expected = {width, height, {}};
  if (form == Form::rgba)
    pixSetSpp(pix.get(), 4);
  if (form == Form::palette) {
    PIXCMAP *map = pixcmapCreate(8);
    pixcmapAddColor(map, 250, 240, 230);
    pixcmapAddColor(map, 20, 40, 200);
    pixcmapAddColor(map, 200, 30, 10);
    pixSetColormap(pix.get(), map);
  }
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      int value = (x * 7 + y * 13 + x * y) % 256;
      switch (form) {
      case Form::bilevel: {
        bool black = (x * y + x / 3) % 5 == 0;
        pixSetPixel(pix.get(), x, y, black);
        expected.gray.push_back(black ? 0 : 255);
        break;
      }
      case Form::gray:
        pixSetPixel(pix.get(), x, y, static_cast<l_uint32>(value));
        expected.gray.push_back(static_cast<uint8_t>(value));
        break;
      case Form::gray16:
        pixSetPixel(pix.get(), x, y, static_cast<l_uint32>(value * 256 + 77));
        expected.gray.push_back(static_cast<uint8_t>(value));
        break;
      case Form::rgb: {
        int r = value, g = (value * 3) % 256, b = 255 - value;
        l_uint32 pixel = 0;
        composeRGBPixel(r, g, b, &pixel);
        pixSetPixel(pix.get(), x, y, pixel);
        expected.gray.push_back(gray_of(r, g, b));
        break;
      }
      case Form::rgba: {
        // The left half is transparent black, which is paper, not ink.
        bool clear = x < width / 2;
        l_uint32 pixel = 0;
        composeRGBAPixel(clear ? 0 : value, clear ? 0 : value,
                         clear ? 0 : value, clear ? 0 : 255, &pixel);
        pixSetPixel(pix.get(), x, y, pixel);
        expected.gray.push_back(clear ? 255 : static_cast<uint8_t>(value));
        break;
      }
      case Form::palette: {
        const int colours[3][3] = {
            {250, 240, 230}, {20, 40, 200}, {200, 30, 10}};
        int index = value % 3;
        pixSetPixel(pix.get(), x, y, static_cast<l_uint32>(index));
        expected.gray.push_back(
            gray_of(colours[index][0], colours[index][1], colours[index][2]));
        break;
      }
      }
    }
  }
  return pix;
}

void write_pix(PIX *pix, const std::string &path, int format, int dpi) {
  pixSetResolution(pix, dpi, dpi);
  ASSERT_EQ(pixWrite(path.c_str(), pix, format), 0) << path;
}

// A TIFF of several pages; each page is a gray pattern of its own width.
void write_tiff_pages(const std::string &path, const std::vector<int> &widths,
                      const std::vector<int> &resolutions) {
  for (std::size_t page = 0; page < widths.size(); ++page) {
    GrayPage ignored;
    PixPtr pix = make_pix(Form::gray, widths[page], 20, ignored);
    pixSetResolution(pix.get(), resolutions[page], resolutions[page]);
    ASSERT_EQ(
        pixWriteTiff(path.c_str(), pix.get(), IFF_TIFF_LZW, page ? "a" : "w"),
        0);
  }
}

uint32_t read_u32(const std::string &bytes, std::size_t at) {
  auto byte = [&](std::size_t k) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + k]));
  };
  return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

uint32_t read_u16(const std::string &bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes[at]) |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

// Overwrites the compressed pixels of one page of a little-endian TIFF with
// bytes that no decoder accepts, leaving every page's directory intact.
void damage_tiff_page(const std::string &path, int damaged) {
  std::string bytes = read_file(path);
  ASSERT_EQ(bytes.substr(0, 2), "II");
  uint32_t directory = read_u32(bytes, 4);
  for (int page = 0; directory != 0; ++page) {
    uint32_t entries = read_u16(bytes, directory);
    uint32_t offset = 0, length = 0;
    for (uint32_t i = 0; i < entries; ++i) {
      std::size_t entry = directory + 2 + 12 * i;
      uint32_t tag = read_u16(bytes, entry);
      uint32_t value = read_u16(bytes, entry + 2) == 3
                           ? read_u16(bytes, entry + 8)
                           : read_u32(bytes, entry + 8);
      if (tag == 273)
        offset = value;
      if (tag == 279)
        length = value;
    }
    if (page == damaged) {
      ASSERT_GT(length, 0u);
      bytes.replace(offset, length, std::string(length, '\xFF'));
    }
    directory = read_u32(bytes, directory + 2 + 12 * entries);
  }
  write_file(path, bytes);
}

std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

bool contains(const std::string &text, const std::string &part) {
  return text.find(part) != std::string::npos;
}

// A page as the scripted engine reports it: one word "A" in engine pixels.
const char one_word[] =
    "char 1 \"A\" 10 20 30 40\ncodes 1 0x81FE 0x8100 0x9600\n";

class HostProgram : public ::testing::Test {
protected:
  HostProgram() {
    install_engine(engine_, "");
    scenario(one_word);
  }

  // What every page of the next run meets, after the log and dump lines.
  void scenario(const std::string &lines) {
    write_file(temp_ / "engine/DRS/eng.ytr", "backend script\nlog \"" + log_ +
                                                 "\"\ndump \"" + dump_ +
                                                 "\"\n" + lines);
  }

  ProgramResult ocr(std::vector<std::string> arguments,
                    bool scripted_engine = true) {
    remove_path(log_);
    remove_path(dump_);
    if (scripted_engine)
      arguments.insert(arguments.begin(), {"--engine", engine_});
    return run_program(LECTORIN_OCR_FILE, arguments, temp_.path());
  }

  std::vector<std::string> calls() const { return lines_of(read_file(log_)); }

  // Each page's size as the engine was told it, in order.
  std::vector<std::string> page_sizes() const {
    std::vector<std::string> sizes;
    const std::string prefix = "set_engine_value 1 3 ptr ptr ";
    for (const std::string &call : calls())
      if (call.compare(0, prefix.size(), prefix) == 0)
        sizes.push_back(
            call.substr(prefix.size(), call.rfind(' ') - prefix.size()));
    return sizes;
  }

  bool was_called(const std::string &call) const {
    std::vector<std::string> all = calls();
    return std::find(all.begin(), all.end(), call) != all.end();
  }

  std::string file(const std::string &name) const { return temp_ / name; }

  TempDirectory temp_;
  std::string engine_ = temp_ / "engine";
  std::string log_ = temp_ / "calls.log";
  std::string dump_ = temp_ / "page.pgm";
};

TEST_F(HostProgram, EngineReadsEveryPixelFormExactly) {
  struct Case {
    Form form;
    int format;
    const char *name;
  };
  const Case cases[] = {
      {Form::bilevel, IFF_TIFF_G4, "bilevel.tif"},
      {Form::bilevel, IFF_PNG, "bilevel.png"},
      {Form::bilevel, IFF_BMP, "bilevel.bmp"},
      {Form::gray, IFF_PNG, "gray.png"},
      {Form::gray, IFF_PNM, "gray.pgm"},
      {Form::gray, IFF_TIFF_LZW, "gray.tif"},
      {Form::gray16, IFF_PNG, "gray16.png"},
      {Form::rgb, IFF_PNG, "rgb.png"},
      {Form::rgb, IFF_BMP, "rgb.bmp"},
      {Form::rgb, IFF_PNM, "rgb.ppm"},
      {Form::rgba, IFF_PNG, "rgba.png"},
      {Form::palette, IFF_PNG, "palette.png"},
  };
  for (const Case &c : cases) {
    GrayPage expected;
    // 300 dpi: the plug-in hands the page over at its own size.
    PixPtr pix = make_pix(c.form, 37, 23, expected);
    write_pix(pix.get(), file(c.name), c.format, 300);
    ProgramResult result = ocr({"--dpi", "300", file(c.name)});
    EXPECT_EQ(result.exit_code, 0) << c.name << "\n" << result.errors;
    EXPECT_TRUE(contains(result.output, ">A</WORD>")) << c.name;
    EXPECT_TRUE(read_file(dump_) == expected.as_pgm()) << c.name;
  }
}

// A directory under base whose name is exactly `length` characters long.
std::string directory_of_length(const std::string &base, std::size_t length) {
  std::string directory = base;
  while (directory.size() < length) {
    const std::size_t rest = length - directory.size() - 1;
    directory += "/" + std::string(rest > 200 ? 100 : rest, 'd');
  }
  make_directories(directory);
  return directory;
}

// The host program's name is read into 285 characters: a name of 284 is
// whole, and the engine beneath the program is found; one of 285 may have
// been cut, so no directory near it is trusted.
TEST_F(HostProgram, ProgramNamesOf285CharactersAreNotTrusted) {
  GrayPage expected;
  PixPtr pix = make_pix(Form::gray, 20, 10, expected);
  write_pix(pix.get(), file("page.pgm"), IFF_PNM, 300);
  const std::string base = std::filesystem::canonical(temp_.path()).string();
  const std::string program = "lectorin-ocr";
  const std::string plugin = "libLectorin.so";
  for (std::size_t length : {284u, 285u}) {
    const std::string host = directory_of_length(
        base + "/" + std::to_string(length), length - 1 - program.size());
    const std::string host_program =
        (std::filesystem::path(host) / program).string();
    copy_file(LECTORIN_OCR_FILE, host_program);
    std::filesystem::permissions(host_program,
                                 std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    copy_file(built_plugin_file(),
              (std::filesystem::path(host) / plugin).string());
    // NOLINTNEXTLINE(performance-inefficient-string-concatenation)
    const std::string script = "log \"" + log_ + "\"\n" + one_word;
    install_engine(host + "/DjVu/Lectorin", script);
    ASSERT_EQ(host_program.size(), length);
    remove_path(log_);
    ProgramResult result =
        run_program(host_program, {file("page.pgm")}, temp_.path());
    if (length == 284) {
      EXPECT_EQ(result.exit_code, 0) << result.errors;
      EXPECT_TRUE(contains(result.output, ">A</WORD>")) << result.output;
    } else {
      EXPECT_EQ(result.exit_code, 2) << result.errors;
      EXPECT_TRUE(contains(result.errors, "IRIS.noEngine")) << result.errors;
      EXPECT_EQ(read_file(log_), "");
    }
  }
}

TEST_F(HostProgram, JpegPagesArriveCloseToTheirPixels) {
  GrayPage expected;
  PixPtr pix = make_pix(Form::rgb, 64, 48, expected);
  write_pix(pix.get(), file("photo.jpg"), IFF_JFIF_JPEG, 300);
  ProgramResult result = ocr({file("photo.jpg")});
  ASSERT_EQ(result.exit_code, 0) << result.errors;
  std::string dumped = read_file(dump_);
  std::string header = "P5\n64 48\n255\n";
  ASSERT_EQ(dumped.substr(0, header.size()), header);
  ASSERT_EQ(dumped.size(), header.size() + expected.gray.size());
  long difference = 0;
  for (std::size_t i = 0; i < expected.gray.size(); ++i)
    difference +=
        std::abs(static_cast<unsigned char>(dumped[header.size() + i]) -
                 expected.gray[i]);
  EXPECT_LT(difference / static_cast<long>(expected.gray.size()), 12);
}

TEST_F(HostProgram, MultiPageTiffGivesEveryPageInOrder) {
  write_tiff_pages(file("book.tif"), {40, 50, 60}, {300, 300, 300});
  // One process, so that the engine's log is in the order of the pages.
  ProgramResult result = ocr({"-j", "1", file("book.tif")});
  ASSERT_EQ(result.exit_code, 0) << result.errors;
  EXPECT_EQ(page_sizes(),
            (std::vector<std::string>{"40 20", "50 20", "60 20"}));
  std::vector<std::string> lines = lines_of(result.output);
  ASSERT_EQ(lines.size(), 3u);
  for (const std::string &line : lines)
    EXPECT_TRUE(contains(line, ">A</WORD>")) << line;

  result = ocr({"-o", file("out"), file("book.tif")});
  ASSERT_EQ(result.exit_code, 0) << result.errors;
  EXPECT_EQ(result.output, "");
  for (int page = 1; page <= 3; ++page)
    EXPECT_EQ(read_file(file("out/book-p" + std::to_string(page) + ".xml")) +
                  "\n",
              lines[static_cast<std::size_t>(page - 1)] + "\n");
}

TEST_F(HostProgram, ResolutionComesFromTheFileOrFromDpi) {
  GrayPage expected;
  PixPtr pix = make_pix(Form::gray, 50, 30, expected);
  write_pix(pix.get(), file("plain.pgm"), IFF_PNM, 0); // PNM holds none

  // None anywhere: recognised at the plug-in's least resolution, and said.
  ProgramResult result = ocr({file("plain.pgm")});
  EXPECT_EQ(result.exit_code, 0) << result.errors;
  EXPECT_TRUE(contains(result.errors, "plain.pgm: warning: the file gives no "
                                      "resolution"))
      << result.errors;
  EXPECT_EQ(page_sizes(), std::vector<std::string>{"50 30"});
  EXPECT_TRUE(was_called("set_engine_value 1 38 200 0"));
  EXPECT_EQ(lines_of(result.output).size(), 1u);

  // -q keeps the warning back, not the page.
  result = ocr({"-q", file("plain.pgm")});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.errors, "");
  EXPECT_EQ(lines_of(result.output).size(), 1u);

  // --dpi 100 makes the plug-in double the page for the engine.
  result = ocr({"--dpi", "100", file("plain.pgm")});
  EXPECT_EQ(result.exit_code, 0) << result.errors;
  EXPECT_EQ(result.errors, "");
  EXPECT_EQ(page_sizes(), std::vector<std::string>{"100 60"});

  // ... and overrides a resolution the file does give.
  write_pix(pix.get(), file("fine.png"), IFF_PNG, 400);
  result = ocr({file("fine.png")});
  EXPECT_TRUE(was_called("set_engine_value 1 38 400 0"));
  EXPECT_EQ(page_sizes(), std::vector<std::string>{"50 30"});
  result = ocr({"--dpi=100", file("fine.png")});
  EXPECT_EQ(result.exit_code, 0) << result.errors;
  EXPECT_TRUE(was_called("set_engine_value 1 38 200 0"));
  EXPECT_EQ(page_sizes(), std::vector<std::string>{"100 60"});
}

TEST_F(HostProgram, OutputFilesAreNamedAfterTheirImages) {
  GrayPage expected;
  PixPtr pix = make_pix(Form::gray, 30, 20, expected);
  write_pix(pix.get(), file("scan.2024.png"), IFF_PNG, 300);
  write_tiff_pages(file("two.tif"), {30, 40}, {300, 300});
  std::string out = file("results/nested");

  ProgramResult result =
      ocr({"-o", out, file("scan.2024.png"), file("two.tif")});
  ASSERT_EQ(result.exit_code, 0) << result.errors;
  EXPECT_EQ(result.output, "");
  std::set<std::string> written;
  for (const auto &entry : std::filesystem::directory_iterator(out))
    written.insert(entry.path().filename().string());
  EXPECT_EQ(written, (std::set<std::string>{"scan.2024.xml", "two-p1.xml",
                                            "two-p2.xml"}));
  std::string single = ocr({file("scan.2024.png")}).output;
  EXPECT_EQ(read_file(out + "/scan.2024.xml") + "\n", single);

  // Two pages that would write one file: nothing is recognised or written.
  make_directories(file("other"));
  write_pix(pix.get(), file("other/scan.2024.tif"), IFF_TIFF_LZW, 300);
  result = ocr({"-o", file("clash"), file("scan.2024.png"),
                file("other/scan.2024.tif")});
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_TRUE(contains(result.errors, "would both be written to"))
      << result.errors;
  EXPECT_TRUE(page_sizes().empty());
  EXPECT_FALSE(std::filesystem::exists(file("clash/scan.2024.xml")));

  // An output "directory" that is a file is a set-up error.
  result = ocr({"-o", file("scan.2024.png"), file("two.tif")});
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_TRUE(contains(result.errors, "is not a directory")) << result.errors;
}

TEST_F(HostProgram, FailedPagesAreNamedAndTheOthersStillDone) {
  GrayPage expected;
  PixPtr pix = make_pix(Form::gray, 30, 20, expected);
  write_pix(pix.get(), file("good.png"), IFF_PNG, 300);
  write_file(file("notes.png"), "these are words, not pixels\n");
  write_file(file("empty.tif"), "");
  write_tiff_pages(file("torn.tif"), {30, 31, 32}, {300, 300, 300});
  damage_tiff_page(file("torn.tif"), 1);
  make_directories(file("folder.png"));
  std::vector<std::string> files = {"-j",
                                    "1",
                                    file("missing.png"),
                                    file("notes.png"),
                                    file("torn.tif"),
                                    file("empty.tif"),
                                    file("good.png"),
                                    file("folder.png")};

  ProgramResult result = ocr(files);
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_TRUE(contains(result.errors, "missing.png: cannot open the file"));
  EXPECT_TRUE(contains(result.errors, "notes.png: not an image file"));
  EXPECT_TRUE(
      contains(result.errors, "torn.tif, page 2: the TIFF page is damaged"));
  EXPECT_TRUE(contains(result.errors, "empty.tif: the file is empty"));
  EXPECT_TRUE(
      contains(result.errors, "folder.png: is a directory, not an image file"));
  EXPECT_EQ(lines_of(result.errors).size(), 5u) << result.errors;
  // One line per page in order; a failed page leaves its line empty.
  std::vector<std::string> lines = lines_of(result.output);
  ASSERT_EQ(lines.size(), 8u);
  std::string blank;
  EXPECT_EQ(lines[0], blank);
  EXPECT_EQ(lines[1], blank);
  EXPECT_TRUE(contains(lines[2], ">A</WORD>"));
  EXPECT_EQ(lines[3], blank);
  EXPECT_TRUE(contains(lines[4], ">A</WORD>"));
  EXPECT_EQ(lines[5], blank);
  EXPECT_TRUE(contains(lines[6], ">A</WORD>"));
  EXPECT_EQ(lines[7], blank);
  EXPECT_EQ(page_sizes(),
            (std::vector<std::string>{"30 20", "32 20", "30 20"}));

  result = ocr({"-o", file("out"), file("torn.tif"), file("missing.png")});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_TRUE(std::filesystem::exists(file("out/torn-p1.xml")));
  EXPECT_FALSE(std::filesystem::exists(file("out/torn-p2.xml")));
  EXPECT_TRUE(std::filesystem::exists(file("out/torn-p3.xml")));
  for (const auto &entry : std::filesystem::directory_iterator(file("out")))
    EXPECT_EQ(entry.path().extension(), ".xml") << entry.path();
}

TEST_F(HostProgram, PluginAndEngineFailuresAreExplained) {
  GrayPage expected;
  PixPtr pix = make_pix(Form::gray, 30, 20, expected);
  write_pix(pix.get(), file("page.png"), IFF_PNG, 300);

  // The engine's complaint beside a result is a warning; the page counts.
  scenario(std::string(one_word) + "complain ocr 0x1500 0 137\n");
  ProgramResult result = ocr({file("page.png")});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_TRUE(contains(result.errors,
                       "page.png: warning: IRIS.lexicon \xE2\x80\x94 the OCR "
                       "engine's lexicon could not be used"))
      << result.errors;
  EXPECT_TRUE(contains(result.output, ">A</WORD>"));

  // A failed recognition fails the page.
  scenario(std::string(one_word) + "ocr_result -1\ncomplain ocr 0x1800 0 13\n");
  result = ocr({file("page.png"), file("page.png")});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_TRUE(contains(result.errors, "page.png: IRIS.abnormal"))
      << result.errors;
  EXPECT_EQ(result.output, "\n\n");

  // An option text the plug-in rejects fails every page alike: said once.
  scenario(one_word);
  result = ocr({"--options", "words", file("page.png"), file("page.png")});
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_EQ(lines_of(result.errors).size(), 1u) << result.errors;
  EXPECT_TRUE(contains(result.errors, "IRIS.badoption \xE2\x80\x94"));

  // An engine that cannot be used stops the run before any page.
  scenario("init 0\n");
  result = ocr({file("page.png")});
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_TRUE(contains(result.errors, "IRIS.cantload \xE2\x80\x94"))
      << result.errors;
  EXPECT_EQ(result.output, "");

  remove_path(file("engine/DRS"));
  result = ocr({file("page.png")});
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_TRUE(contains(result.errors, "IRIS.noLibs \xE2\x80\x94"))
      << result.errors;

  // The program and the plug-in alone: the places searched are named.
  make_directories(file("bare"));
  copy_file(LECTORIN_OCR_FILE, file("bare/lectorin-ocr"));
  copy_file(built_plugin_file(), file("bare/libLectorin.so"));
  std::filesystem::permissions(file("bare/lectorin-ocr"),
                               std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  result =
      run_program(file("bare/lectorin-ocr"), {file("page.png")}, temp_.path());
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_TRUE(contains(result.errors,
                       "IRIS.noEngine \xE2\x80\x94 no OCR engine found; looked "
                       "in " +
                           file("bare/DjVu/Lectorin/") + ", " + file("bare/") +
                           ", " + file("bare/../Lectorin/")))
      << result.errors;

  // A named engine directory without an engine is not passed over.
  result = ocr({"--engine", file("nowhere"), file("page.png")}, false);
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_TRUE(contains(result.errors,
                       "--engine " + file("nowhere") + ": no OCR engine there"))
      << result.errors;
}

TEST_F(HostProgram, OptionsReachThePlugin) {
  GrayPage expected;
  PixPtr pix = make_pix(Form::gray, 30, 20, expected);
  write_pix(pix.get(), file("page.png"), IFF_PNG, 300);

  ProgramResult result = ocr({file("page.png")});
  EXPECT_TRUE(was_called("set_drs_language 1 1"));
  EXPECT_TRUE(was_called("set_engine_switch 1 70 0"));
  EXPECT_TRUE(was_called("set_engine_value 1 42 0 0 0"));
  EXPECT_FALSE(contains(result.output, "<CHAR"));

  result = ocr({"-l", "German,3", "--lang=english", "--chars", "--mixed",
                "--interactive", file("page.png")});
  EXPECT_EQ(result.exit_code, 0) << result.errors;
  EXPECT_TRUE(was_called("set_drs_language 1 2"));
  EXPECT_TRUE(was_called("drs_add_language 3"));
  EXPECT_TRUE(was_called("drs_add_language 1"));
  EXPECT_TRUE(was_called("set_engine_switch 1 70 1"));
  EXPECT_FALSE(was_called("set_engine_value 1 42 0 0 0"));
  EXPECT_TRUE(contains(result.output, "<CHAR"));

  // The raw option text wins, and the user hears that the rest is ignored.
  result =
      ocr({"-l", "german", "--options", "lang=(french)", file("page.png")});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_TRUE(was_called("set_drs_language 1 3"));
  EXPECT_FALSE(was_called("set_drs_language 1 2"));
  EXPECT_TRUE(contains(result.errors, "--options is sent as it stands"));
}

TEST_F(HostProgram, WorkersGiveWhatOneProcessGives) {
  // Pages of different resolutions come back with different boxes, so a
  // page in the wrong place shows.
  std::vector<std::string> files;
  const int resolutions[] = {100, 120, 150, 180, 160, 110, 130, 140};
  for (int i = 0; i < 8; ++i) {
    GrayPage expected;
    PixPtr pix = make_pix(Form::gray, 30 + i, 20, expected);
    files.push_back(file("page" + std::to_string(i) + ".png"));
    write_pix(pix.get(), files.back(), IFF_PNG, resolutions[i]);
  }
  files.insert(files.begin() + 3, file("missing.png"));

  std::vector<std::string> serial = files;
  serial.insert(serial.begin(), {"-j", "1"});
  ProgramResult one = ocr(serial);
  std::vector<std::string> parallel = files;
  parallel.insert(parallel.begin(), {"-j", "2"});
  ProgramResult two = ocr(parallel);
  EXPECT_EQ(one.exit_code, 1);
  EXPECT_EQ(two.exit_code, 1);
  EXPECT_EQ(one.output, two.output);
  // By default one page per processor, with the same result.
  ProgramResult by_default = ocr(files);
  EXPECT_EQ(by_default.output, one.output);
  std::vector<std::string> as_hocr = files;
  as_hocr.insert(as_hocr.begin(), {"--format", "hocr"});
  std::vector<std::string> serial_hocr = as_hocr;
  serial_hocr.insert(serial_hocr.begin(), "-j1");
  EXPECT_EQ(ocr(as_hocr).output, ocr(serial_hocr).output);
  EXPECT_EQ(lines_of(two.output).size(), 9u);
  std::vector<std::string> lines = lines_of(one.output);
  // Eight different pages and the empty line.
  EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()).size(), 9u);
  EXPECT_EQ(lines_of(two.errors).size(), 1u) << two.errors;

  std::vector<std::string> to_files = {"-j3", "-o", file("three")};
  to_files.insert(to_files.end(), files.begin(), files.end());
  ocr(to_files);
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(
        read_file(file("three/page" + std::to_string(i) + ".xml")) + "\n",
        lines_of(one.output)[static_cast<std::size_t>(i < 3 ? i : i + 1)] +
            "\n");
}

TEST_F(HostProgram, UsageErrorsAndHelp) {
  ProgramResult result = ocr({"--help"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output.rfind("Usage: lectorin-ocr", 0), 0u);
  result = ocr({"--version"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output.rfind("lectorin-ocr ", 0), 0u);

  // The mistakes themselves are the command-line tests' business.
  result = ocr({"-l", "klingon", "page.png"});
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_TRUE(contains(result.errors, "Try 'lectorin-ocr --help'."));
  EXPECT_EQ(result.output, "");
  EXPECT_TRUE(calls().empty());
}

// The real engine beside the program, on generated pages with known text.
TEST_F(HostProgram, RecognisesGeneratedPagesWithTheBuiltEngine) {
  pagegen::PageSettings settings;
  settings.page.text = "The quick brown fox jumps over the lazy dog.\n"
                       "Pack my box with five dozen liquor jugs.";
  settings.page.width = 1400;
  settings.page.height = 400;
  settings.page.margin = 60;
  pagegen::GeneratedPage gray = pagegen::generate_page(settings);
  pagegen::write_page(gray, file("gray.png"), file("gray.truth"));
  settings.type = pagegen::PixelType::bilevel;
  pagegen::GeneratedPage bilevel = pagegen::generate_page(settings);
  pagegen::write_page(bilevel, file("bilevel.tif"), file("bilevel.truth"));

  ProgramResult result =
      ocr({"-j", "2", file("gray.png"), file("bilevel.tif")}, false);
  if (result.exit_code == 2 && contains(result.errors, "IRIS.noLibs"))
    GTEST_SKIP() << "the build has no recognition engine";
  ASSERT_EQ(result.exit_code, 0) << result.errors;
  std::vector<std::string> lines = lines_of(result.output);
  ASSERT_EQ(lines.size(), 2u);
  for (const std::string &line : lines) {
    int found = 0, words = 0;
    for (const pagegen::Paragraph &paragraph : gray.truth.paragraphs)
      for (const pagegen::Line &text_line : paragraph.lines)
        for (const pagegen::Word &word : text_line.words) {
          ++words;
          if (contains(line, ">" + word.text + "</WORD>"))
            ++found;
        }
    EXPECT_GE(found, words - 1) << line;
  }
}

// Three words in two regions, in engine pixels, which are the page's at
// 300 dpi: "One two" on a line of their own, then "Three".
const char two_regions[] =
    "char 1 \"One\" 10 10 40 30\nchar 2 \"two\" 50 12 80 30\n"
    "char 3 \"Three\" 10 40 60 60\n"
    "codes 1 0x81FE 2 0x81FE 0x8100 0x9600 3 0x81FE 0x8100 0x9600\n";
const char two_regions_text[] = "One two\n\nThree\n";

std::size_t count_of(const std::string &text, const std::string &part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos;
       at = text.find(part, at + 1))
    ++n;
  return n;
}

TEST_F(HostProgram, FormatsGiveOneDocumentWithEveryPage) {
  scenario(two_regions);
  write_tiff_pages(file("book.tif"), {100, 100}, {300, 300});
  GrayPage expected;
  PixPtr pix = make_pix(Form::gray, 100, 70, expected);
  write_pix(pix.get(), file("single.png"), IFF_PNG, 300);
  std::vector<std::string> files = {file("book.tif"), file("missing.png"),
                                    file("single.png")};
  auto run = [&](std::vector<std::string> options) {
    options.insert(options.end(), files.begin(), files.end());
    return ocr(options);
  };

  // Plain text: a form feed between pages, an empty page for the one
  // that failed.
  ProgramResult result = run({"-f", "txt"});
  EXPECT_EQ(result.exit_code, 1);
  const std::string page = two_regions_text;
  EXPECT_EQ(result.output, page + "\f" + page + "\f\f" + page);

  // hOCR: one document, a page element per page, numbered in the run.
  result = run({"--format=hocr", "--chars"});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_TRUE(is_well_formed_xml(result.output)) << result.output;
  EXPECT_EQ(count_of(result.output, "<html"), 1u);
  EXPECT_EQ(count_of(result.output, "class=\"ocr_page\""), 3u);
  EXPECT_TRUE(contains(result.output, "id=\"page_4\" title=\"image &quot;" +
                                          file("single.png") +
                                          "&quot;; bbox 0 0 100 70; ppageno "
                                          "3; scan_res 300 300\""));
  EXPECT_TRUE(contains(result.output,
                       "<span class=\"ocrx_word\" id=\"word_2_2\" title=\"bbox "
                       "50 12 80 30\"><span class=\"ocrx_cinfo\" "
                       "title=\"x_bboxes 50 12 80 30\">two</span></span>"));
  EXPECT_TRUE(contains(result.output, "<p class=\"ocr_par\" id=\"par_1_2\" "
                                      "lang=\"en\" title=\"bbox 10 40 60 "
                                      "60\">"));

  // In files: one document per image file, named after it and the format;
  // none for the file that could not be read.
  result = run({"-f", "alto", "-o", file("out")});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.output, "");
  std::set<std::string> written;
  for (const auto &entry : std::filesystem::directory_iterator(file("out")))
    written.insert(entry.path().filename().string());
  EXPECT_EQ(written,
            (std::set<std::string>{"book.alto.xml", "single.alto.xml"}));
  std::string book = read_file(file("out/book.alto.xml"));
  EXPECT_TRUE(is_well_formed_xml(book)) << book;
  EXPECT_EQ(count_of(book, "<Page "), 2u);
  EXPECT_TRUE(contains(book, "<fileName>" + file("book.tif") + "</fileName>"));
  EXPECT_TRUE(contains(book, "<Page ID=\"page_2\" PHYSICAL_IMG_NR=\"2\""));
  EXPECT_TRUE(contains(read_file(file("out/single.alto.xml")),
                       "<String ID=\"string_1_3\" HPOS=\"10\" VPOS=\"40\" "
                       "WIDTH=\"50\" HEIGHT=\"20\" CONTENT=\"Three\"/>"));

  result = ocr({"-f", "txt", "-o", file("text"), file("book.tif")});
  EXPECT_EQ(result.exit_code, 0) << result.errors;
  EXPECT_EQ(read_file(file("text/book.txt")), page + "\f" + page);

  // A blank page is still a page, written as such.
  scenario("codes 0\n");
  result = ocr({"-f", "txt", "-o", file("blank"), file("single.png")});
  EXPECT_EQ(result.exit_code, 0) << result.errors;
  EXPECT_TRUE(std::filesystem::exists(file("blank/single.txt")));
  EXPECT_EQ(read_file(file("blank/single.txt")), "");
}

// The overlay picture's pixel at x, y as red, green and blue.
std::vector<int> colour_at(PIX *picture, int x, int y) {
  l_int32 r = 0, g = 0, b = 0;
  pixGetRGBPixel(picture, x, y, &r, &g, &b);
  return {r, g, b};
}

TEST_F(HostProgram, OverlayShowsWhereEachWordWasRead) {
  scenario(two_regions);
  PixPtr white(pixCreate(120, 80, 8));
  pixSetAllArbitrary(white.get(), 255);
  make_directories(file("scans"));
  write_pix(white.get(), file("scans/page.png"), IFF_PNG, 300);
  write_tiff_pages(file("scans/book.tif"), {100, 100}, {300, 300});

  ProgramResult result = ocr({"--overlay", file("seen"), "-f", "txt",
                              file("scans/page.png"), file("scans/book.tif")});
  ASSERT_EQ(result.exit_code, 0) << result.errors;
  EXPECT_EQ(result.output, std::string(two_regions_text) + "\f" +
                               two_regions_text + "\f" + two_regions_text);
  for (const char *name : {"page.png", "book-p1.png", "book-p2.png"})
    EXPECT_TRUE(std::filesystem::exists(file("seen/") + name)) << name;

  PixPtr seen(pixRead(file("seen/page.png").c_str()));
  ASSERT_TRUE(seen);
  ASSERT_EQ(pixGetWidth(seen.get()), 120);
  const std::vector<int> red = {230, 0, 0}, blue = {0, 90, 255},
                         paper = {255, 255, 255};
  // "One" is 10,10 to 40,30: its outline is two pixels thick at 300 dpi,
  // on its outermost pixels, and nothing outside it is painted.
  EXPECT_EQ(colour_at(seen.get(), 10, 20), red);
  EXPECT_EQ(colour_at(seen.get(), 11, 20), red);
  EXPECT_EQ(colour_at(seen.get(), 12, 20), paper);
  EXPECT_EQ(colour_at(seen.get(), 9, 20), paper);
  EXPECT_EQ(colour_at(seen.get(), 39, 20), red);
  EXPECT_EQ(colour_at(seen.get(), 40, 20), paper);
  EXPECT_EQ(colour_at(seen.get(), 25, 29), red);
  EXPECT_EQ(colour_at(seen.get(), 25, 30), paper);
  // The line's top edge runs above "two", which starts lower.
  EXPECT_EQ(colour_at(seen.get(), 60, 10), blue);
  EXPECT_EQ(colour_at(seen.get(), 60, 12), red);

  // An overlay that would replace an image is refused before any page.
  result = ocr({"--overlay", file("scans"), file("scans/page.png")});
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_TRUE(contains(result.errors, "would be written over the image"))
      << result.errors;
  EXPECT_TRUE(page_sizes().empty());
}

// ./ocr.sh in a tree of its own: the real script, an installer step and a
// cmake that print what apt-get and a build print, and the built programs.
class OcrScript : public HostProgram {
protected:
  OcrScript() {
    make_directories(tree_ + "/tools");
    make_directories(tree_ + "/stubs");
    make_directories(tree_ + "/build/linux");
    copy_file(std::string(LECTORIN_SOURCE_DIR) + "/ocr.sh", tree_ + "/ocr.sh");
    write_file(
        tree_ + "/tools/install_packages.sh",
        "install_missing_packages() {\n"
        "  echo 'Selecting previously unselected package tesseract-ocr.'\n"
        "  echo '== installing: tesseract-ocr' >&2\n"
        "}\n");
    write_file(tree_ + "/stubs/cmake",
               "#!/bin/sh\n"
               "echo '-- Configuring done'\n"
               "echo '[100%] Built target lectorin-ocr'\n");
    std::filesystem::permissions(tree_ + "/stubs/cmake",
                                 std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    std::string program = LECTORIN_OCR_FILE;
    std::filesystem::create_directory_symlink(
        program.substr(0, program.rfind('/')), tree_ + "/build/linux/bin");
  }

  ProgramResult ocr_sh(const std::vector<std::string> &arguments) {
    const char *path = std::getenv("PATH");
    std::vector<std::string> command = {
        "PATH=" + tree_ + "/stubs:" + (path ? path : "/usr/bin:/bin"), "bash",
        tree_ + "/ocr.sh"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return run_program("env", command, temp_.path());
  }

  std::string tree_ = temp_ / "tree";
};

TEST_F(OcrScript, StandardOutputHoldsOnlyTheDocument) {
  GrayPage expected;
  PixPtr pix = make_pix(Form::gray, 30, 20, expected);
  write_pix(pix.get(), file("page.png"), IFF_PNG, 300);
  std::string document = ocr({file("page.png")}).output;
  ASSERT_TRUE(contains(document, ">A</WORD>"));

  ProgramResult result = ocr_sh({file("page.png"), "--", "--engine", engine_});
  EXPECT_EQ(result.exit_code, 0) << result.errors;
  EXPECT_EQ(result.output, document);
  EXPECT_TRUE(contains(result.errors, "Selecting previously unselected"))
      << result.errors;
  EXPECT_TRUE(contains(read_file(tree_ + "/build/ocr-build.log"),
                       "Built target lectorin-ocr"));
}

// The first page a new user sees is the sample page: every word of it must
// come back right.
TEST_F(OcrScript, TheSamplePageReadsRight) {
  ProgramResult result = ocr_sh({"--", "--format", "txt"});
  if (result.exit_code == 2 && contains(result.errors, "IRIS.noLibs"))
    GTEST_SKIP() << "the build has no recognition engine";
  ASSERT_EQ(result.exit_code, 0) << result.errors;
  pagegen::GroundTruth truth = pagegen::parse_ground_truth(
      read_file(tree_ + "/build/sample-page.truth"));
  std::vector<std::string> expected;
  for (const pagegen::Word &word : truth.words())
    expected.push_back(word.text);
  EXPECT_GT(expected.size(), 50u);
  EXPECT_EQ(words_of(result.output), expected);
}

} // namespace
