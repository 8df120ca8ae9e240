//===- ground_truth.h - What a generated page shows ------------*- C++ -*-===//
//
// The text of a generated page and the box of every line and word, in the
// pixels of the displayed page (the page as a reader holds it, whatever the
// turn of the stored pixels). Boxes are ink extents: the smallest rectangle
// holding every pixel of the word darker than middle gray.
//
// The file form is UTF-8 text, one record per line:
//
//   lectorin-ground-truth 1
//   page <width> <height> <dpi> <rotation>
//   paragraph
//   line <x0> <y0> <x1> <y1> <the line's words joined by single spaces>
//   word <x0> <y0> <x1> <y1> <the word>
//
// Lines belong to the paragraph above them, words to the line above them.
// x0 and y0 are the first pixel column and row of the box, x1 and y1 one
// past the last; rotation is the clockwise turn of the stored pixels.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TOOLS_GROUND_TRUTH_H
#define LECTORIN_TOOLS_GROUND_TRUTH_H

#include <cstdint>
#include <string>
#include <vector>

namespace pagegen {

/// A rectangle of pixels: x0, y0 inclusive, x1, y1 exclusive.
struct Box {
  int32_t x0 = 0;
  int32_t y0 = 0;
  int32_t x1 = 0;
  int32_t y1 = 0;
  bool operator==(const Box &other) const {
    return x0 == other.x0 && y0 == other.y0 && x1 == other.x1 && y1 == other.y1;
  }
};

struct Word {
  std::string text; ///< never empty, no white space
  Box box;
};

struct Line {
  std::string text;
  Box box; ///< the union of the words' boxes
  std::vector<Word> words;
};

struct Paragraph {
  std::vector<Line> lines;
};

struct GroundTruth {
  int32_t width = 0;  ///< displayed page, pixels
  int32_t height = 0; ///< displayed page, pixels
  int32_t resolution = 0;
  int32_t rotation = 0; ///< 0, 90, 180 or 270
  std::vector<Paragraph> paragraphs;

  /// Every word of the page in reading order.
  std::vector<Word> words() const;
};

/// The file form of a ground truth.
std::string format_ground_truth(const GroundTruth &truth);

/// Reads the file form back. Throws std::runtime_error naming the line for
/// text that is not in that form (a word before any line, a missing number,
/// an unknown record).
GroundTruth parse_ground_truth(const std::string &text);

} // namespace pagegen

#endif // LECTORIN_TOOLS_GROUND_TRUTH_H
