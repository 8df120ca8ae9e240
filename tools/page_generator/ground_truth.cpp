//===- ground_truth.cpp - What a generated page shows ---------------------===//

#include "ground_truth.h"

#include <sstream>
#include <stdexcept>

namespace pagegen {

namespace {

constexpr const char *signature = "lectorin-ground-truth 1";

std::string box_text(const Box &box) {
  return std::to_string(box.x0) + " " + std::to_string(box.y0) + " " +
         std::to_string(box.x1) + " " + std::to_string(box.y1);
}

[[noreturn]] void malformed(std::size_t line, const std::string &what) {
  throw std::runtime_error("ground truth line " + std::to_string(line) + ": " +
                           what);
}

// Reads "<x0> <y0> <x1> <y1> <text>" where the text may be empty only when
// allowed.
void read_boxed(std::istringstream &in, std::size_t number, Box &box,
                std::string &text) {
  if (!(in >> box.x0 >> box.y0 >> box.x1 >> box.y1))
    malformed(number, "expected four numbers");
  if (box.x1 < box.x0 || box.y1 < box.y0)
    malformed(number, "the box's far corner lies before its near one");
  std::string rest;
  std::getline(in, rest);
  text = rest.empty() ? rest : rest.substr(1);
}

} // namespace

std::vector<Word> GroundTruth::words() const {
  std::vector<Word> all;
  for (const Paragraph &paragraph : paragraphs)
    for (const Line &line : paragraph.lines)
      all.insert(all.end(), line.words.begin(), line.words.end());
  return all;
}

std::string format_ground_truth(const GroundTruth &truth) {
  std::string out = std::string(signature) + "\n";
  out += "page " + std::to_string(truth.width) + " " +
         std::to_string(truth.height) + " " + std::to_string(truth.resolution) +
         " " + std::to_string(truth.rotation) + "\n";
  for (const Paragraph &paragraph : truth.paragraphs) {
    out += "paragraph\n";
    for (const Line &line : paragraph.lines) {
      out += "line " + box_text(line.box) + " " + line.text + "\n";
      for (const Word &word : line.words)
        out += "word " + box_text(word.box) + " " + word.text + "\n";
    }
  }
  return out;
}

GroundTruth parse_ground_truth(const std::string &text) {
  GroundTruth truth;
  std::istringstream lines(text);
  std::string line;
  std::size_t number = 0;
  bool has_page = false;
  while (std::getline(lines, line)) {
    ++number;
    if (number == 1) {
      if (line != signature)
        malformed(number, "not a ground-truth file");
      continue;
    }
    std::istringstream in(line);
    std::string record;
    in >> record;
    if (record == "page") {
      if (!(in >> truth.width >> truth.height >> truth.resolution >>
            truth.rotation))
        malformed(number, "expected width, height, resolution and rotation");
      has_page = true;
    } else if (record == "paragraph") {
      truth.paragraphs.emplace_back();
    } else if (record == "line") {
      if (truth.paragraphs.empty())
        malformed(number, "a line outside a paragraph");
      Line read;
      read_boxed(in, number, read.box, read.text);
      truth.paragraphs.back().lines.push_back(read);
    } else if (record == "word") {
      if (truth.paragraphs.empty() || truth.paragraphs.back().lines.empty())
        malformed(number, "a word outside a line");
      Word read;
      read_boxed(in, number, read.box, read.text);
      if (read.text.empty())
        malformed(number, "a word without text");
      truth.paragraphs.back().lines.back().words.push_back(read);
    } else if (!record.empty()) {
      malformed(number, "unknown record \"" + record + "\"");
    }
  }
  if (number == 0)
    malformed(1, "not a ground-truth file");
  if (!has_page)
    malformed(number, "no page record");
  return truth;
}

} // namespace pagegen
