//===- text_format.cpp - Pages as plain text ------------------------------===//

#include "format_writers.h"

namespace lectorin_ocr {

std::string plain_text_page(const PageText &text) {
  std::string out;
  for (const TextRegion &region : text.regions) {
    for (const TextParagraph &paragraph : region.paragraphs) {
      if (!out.empty())
        out += '\n'; // the empty line between paragraphs
      for (const TextLine &line : paragraph.lines) {
        for (std::size_t k = 0; k < line.words.size(); ++k) {
          if (k)
            out += ' ';
          out += line.words[k].text;
        }
        out += '\n';
      }
    }
  }
  return out;
}

} // namespace lectorin_ocr
