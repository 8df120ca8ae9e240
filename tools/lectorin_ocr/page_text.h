//===- page_text.h - The hidden text of a page, read back -------*- C++ -*-===//
//
// The plug-in hands each page back as hidden-text XML; the other output
// formats and the overlay picture start from the same words, read back from
// that XML with the base library's XML parser into regions, paragraphs,
// lines, words and (with character output) characters, in reading order.
//
// Boxes are the hidden text's own Coords, in pixels of the page as stored:
// left and top are the first column and row, right and bottom one past the
// last (the engine's crack coordinates). A level's box is the union of its
// words' boxes. Only what holds text is kept: a line without words, a
// paragraph without lines and a region without paragraphs are left out, and
// so is a character whose text is empty; a word written as characters has
// their joined text and the union of their boxes.
//
//   PageText text = read_page_text(result.xml);
//   for (const TextRegion &region : text.regions) ...
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TOOLS_PAGE_TEXT_H
#define LECTORIN_TOOLS_PAGE_TEXT_H

#include <cstdint>
#include <string>
#include <vector>

namespace lectorin_ocr {

struct TextBox {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;  ///< one past the last column
  int32_t bottom = 0; ///< one past the last row

  /// Grows this box to hold other as well.
  void extend(const TextBox &other);
};

struct TextCharacter {
  std::string text; ///< UTF-8, never empty
  TextBox box;
};

struct TextWord {
  std::string text; ///< UTF-8, never empty
  TextBox box;
  /// With character output, the word's characters in order; else empty.
  std::vector<TextCharacter> characters;
};

struct TextLine {
  TextBox box;
  std::vector<TextWord> words; ///< never empty
};

struct TextParagraph {
  TextBox box;
  std::vector<TextLine> lines; ///< never empty
};

struct TextRegion {
  TextBox box;
  std::vector<TextParagraph> paragraphs; ///< never empty
};

struct PageText {
  std::vector<TextRegion> regions;
};

/// Reads a hidden-text document. Throws std::runtime_error when its
/// document element is not HIDDENTEXT or a Coords value is not four whole
/// numbers separated by commas; the XML parser's own failures come as
/// GException ("XMLTags." identifiers).
PageText read_page_text(const std::string &hidden_text);

} // namespace lectorin_ocr

#endif // LECTORIN_TOOLS_PAGE_TEXT_H
