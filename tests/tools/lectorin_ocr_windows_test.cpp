// lectorin-ocr.exe as a Windows user runs it, against the scripted engine:
// file names outside the ANSI code page on the command line and in what it
// writes, the overlay pictures made by the system's codecs, and pages
// recognised by worker processes. Pages are made here with the system's PNG
// encoder (which keeps a resolution) or as PGM.

#include "engine_fixture.h"
#include "image_codecs.h"
#include "run_program.h"
#include "temp_directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

namespace fs = std::filesystem;

// Two regions, the first of two words: what every page of a run reads.
const char two_regions[] =
    "char 1 \"One\" 10 10 40 30\nchar 2 \"two\" 50 12 80 30\n"
    "char 3 \"Three\" 10 40 60 60\n"
    "codes 1 0x81FE 2 0x81FE 0x8100 0x9600 3 0x81FE 0x8100 0x9600\n";
const char two_regions_text[] = "One two\n\nThree\n";

std::string read_utf8_file(const std::string &path) {
  std::ifstream in(fs::u8path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}

void write_utf8_file(const std::string &path, const std::string &content) {
  std::ofstream(fs::u8path(path), std::ios::binary) << content;
}

std::string white_pgm(int width, int height) {
  return "P5\n" + std::to_string(width) + " " + std::to_string(height) +
         "\n255\n" + std::string(std::size_t(width) * height, '\xFF');
}

// A gray PNG page at a resolution, its rows banded (each row differs from
// the one above) or white.
std::string gray_png(uint32_t width, uint32_t height, double resolution,
                     bool banded) {
  platform::ImageFrame frame;
  frame.format = platform::FrameFormat::gray;
  frame.width = width;
  frame.height = height;
  frame.row_step = width;
  frame.x_resolution = frame.y_resolution = resolution;
  for (uint32_t k = 0; k < width * height; ++k)
    frame.pixels.push_back(
        static_cast<uint8_t>(banded ? 255 - (k / width) % 64 : 255));
  std::vector<uint8_t> file;
  EXPECT_TRUE(platform::encode_png(frame, file));
  return std::string(file.begin(), file.end());
}

// Standard output is in text mode, as a Windows user reads it: each line
// ends in a carriage return and a line feed. Files are written as they are.
std::string without_carriage_returns(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(without_carriage_returns(text));
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

class HostProgramWindows : public ::testing::Test {
protected:
  HostProgramWindows() { install_engine(engine_, two_regions); }

  ProgramResult ocr(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--engine", engine_});
    return run_program(LECTORIN_OCR_FILE, arguments, temp_.path());
  }

  std::string file(const std::string &name) const { return temp_ / name; }

  TempDirectory temp_;
  std::string engine_ = temp_ / "engine";
};

// Greek and Japanese: no ANSI code page holds both.
TEST_F(HostProgramWindows, NamesOutsideTheCodePageAreReadAndWritten) {
  const std::string scans = file(u8"\u03a3\u03b5\u03bb\u03af\u03b4\u03b5\u03c2 "
                                 u8"\u30da\u30fc\u30b8");
  const std::string out = file(u8"\u03ad\u03be\u03bf\u03b4\u03bf\u03c2");
  const std::string seen = file(u8"\u898b\u305f");
  const std::string name = u8"\u03c3\u03b5\u03bb\u03af\u03b4\u03b1 \u9801";
  fs::create_directories(fs::u8path(scans));
  write_utf8_file(scans + "\\" + name + ".pgm", white_pgm(120, 80));

  ProgramResult result = ocr({"--dpi", "300", "-f", "txt", "-o", out,
                              "--overlay", seen, scans + "\\" + name + ".pgm"});
  ASSERT_EQ(result.exit_code, 0) << result.errors;
  EXPECT_EQ(read_utf8_file(out + "\\" + name + ".txt"), two_regions_text);
  EXPECT_TRUE(fs::exists(fs::u8path(seen + "\\" + name + ".png")));
  EXPECT_FALSE(fs::exists(fs::u8path(out + "\\" + name + ".txt.part")));

  // A second run replaces the files of the first (a plain rename on
  // Windows refuses to).
  write_utf8_file(out + "\\" + name + ".txt", "an older reading");
  result = ocr({"--dpi", "300", "-f", "txt", "-o", out, "--overlay", seen,
                scans + "\\" + name + ".pgm"});
  EXPECT_EQ(result.exit_code, 0) << result.errors;
  EXPECT_EQ(read_utf8_file(out + "\\" + name + ".txt"), two_regions_text);

  // Documents name the image in UTF-8.
  result = ocr({"--dpi", "300", "-f", "hocr", scans + "\\" + name + ".pgm"});
  EXPECT_EQ(result.exit_code, 0) << result.errors;
  EXPECT_NE(result.output.find(name + ".pgm"), std::string::npos)
      << result.output;

  // A name that is not there is named as given.
  result = ocr({scans + "\\" + u8"\u03b1\u03bb\u03bb\u03b7.pgm"});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_NE(result.errors.find(u8"\u03b1\u03bb\u03bb\u03b7.pgm"),
            std::string::npos)
      << result.errors;
}

// The overlay picture's pixel at x, y as red, green and blue.
std::vector<int> colour_at(const platform::ImageFrame &picture, uint32_t x,
                           uint32_t y) {
  const uint8_t *pixel =
      picture.pixels.data() + std::size_t{y} * picture.row_step + 4 * x;
  return {pixel[0], pixel[1], pixel[2]};
}

TEST_F(HostProgramWindows, OverlayShowsWhereEachWordWasRead) {
  write_utf8_file(file("page.png"), gray_png(120, 80, 300, false));
  ProgramResult result =
      ocr({"--overlay", file("seen"), "-f", "txt", file("page.png")});
  ASSERT_EQ(result.exit_code, 0) << result.errors;
  EXPECT_EQ(without_carriage_returns(result.output), two_regions_text);

  const std::string png = read_utf8_file(file("seen\\page.png"));
  platform::ImageFrame seen;
  ASSERT_EQ(platform::decode_image_frame(
                std::vector<uint8_t>(png.begin(), png.end()), 0, seen),
            platform::DecodeResult::ok);
  ASSERT_EQ(seen.format, platform::FrameFormat::rgb);
  ASSERT_EQ(seen.width, 120u);
  ASSERT_EQ(seen.height, 80u);
  EXPECT_NEAR(seen.x_resolution, 300, 0.5);
  const std::vector<int> red = {230, 0, 0}, blue = {0, 90, 255},
                         paper = {255, 255, 255};
  // "One" is 10,10 to 40,30: its outline is two pixels thick at 300 dpi,
  // on its outermost pixels, and nothing outside it is painted.
  EXPECT_EQ(colour_at(seen, 10, 20), red);
  EXPECT_EQ(colour_at(seen, 11, 20), red);
  EXPECT_EQ(colour_at(seen, 12, 20), paper);
  EXPECT_EQ(colour_at(seen, 9, 20), paper);
  EXPECT_EQ(colour_at(seen, 39, 20), red);
  EXPECT_EQ(colour_at(seen, 40, 20), paper);
  EXPECT_EQ(colour_at(seen, 25, 29), red);
  EXPECT_EQ(colour_at(seen, 25, 30), paper);
  // The line's top edge runs above "two", which starts lower.
  EXPECT_EQ(colour_at(seen, 60, 10), blue);
  EXPECT_EQ(colour_at(seen, 60, 12), red);
}

TEST_F(HostProgramWindows, WorkersGiveWhatOneProcessGives) {
  // Pages of different sizes and resolutions come back with different
  // boxes and page boxes, so a page in the wrong place shows.
  std::vector<std::string> files;
  const int resolutions[] = {100, 120, 150, 180, 160};
  for (int i = 0; i < 5; ++i) {
    files.push_back(file("page" + std::to_string(i) + ".png"));
    write_utf8_file(files.back(), gray_png(30 + i, 20, resolutions[i], true));
  }
  files.insert(files.begin() + 2, file("missing.png"));

  auto run = [&](std::vector<std::string> options) {
    options.insert(options.end(), files.begin(), files.end());
    return ocr(options);
  };
  ProgramResult one = run({"-j", "1"});
  ProgramResult two = run({"-j", "2"});
  EXPECT_EQ(one.exit_code, 1);
  EXPECT_EQ(two.exit_code, 1) << two.errors;
  EXPECT_EQ(two.output, one.output);
  std::vector<std::string> lines = lines_of(one.output);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()).size(), 6u);
  // The missing file is named once, by the process that reports.
  EXPECT_EQ(lines_of(two.errors).size(), 1u) << two.errors;
  EXPECT_EQ(run({"-j2", "-f", "hocr"}).output,
            run({"-j1", "-f", "hocr"}).output);

  ProgramResult to_files = run({"-j3", "-o", file("three")});
  EXPECT_EQ(to_files.exit_code, 1);
  EXPECT_EQ(to_files.output, "");
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(read_utf8_file(file("three\\page" + std::to_string(i) + ".xml")),
              lines[static_cast<std::size_t>(i < 2 ? i : i + 1)]);
}

} // namespace
