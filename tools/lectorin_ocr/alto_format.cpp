//===- alto_format.cpp - Pages as ALTO 4.4 --------------------------------===//
//
// ALTO has no paragraph level of its own: each paragraph of the hidden text
// is a TextBlock. Positions are in pixels of the page as stored, as the
// MeasurementUnit says.

#include "format_writers.h"

namespace lectorin_ocr {

namespace {

// HPOS="left" VPOS="top" WIDTH="..." HEIGHT="..."
std::string position(const TextBox &box) {
  return " HPOS=\"" + std::to_string(box.left) + "\" VPOS=\"" +
         std::to_string(box.top) + "\" WIDTH=\"" +
         std::to_string(box.right - box.left) + "\" HEIGHT=\"" +
         std::to_string(box.bottom - box.top) + "\"";
}

// The space between two words of a line; overlapping words leave none.
std::string space(const TextWord &before, const TextWord &after,
                  const TextLine &line) {
  int32_t width = after.box.left - before.box.right;
  return "      <SP HPOS=\"" + std::to_string(before.box.right) + "\" VPOS=\"" +
         std::to_string(line.box.top) + "\" WIDTH=\"" +
         std::to_string(width > 0 ? width : 0) + "\"/>\n";
}

void write_line(std::string &out, const TextLine &line, const std::string &id,
                const std::string &number, int &strings) {
  out += "     <TextLine ID=\"" + id + "\"" + position(line.box) + ">\n";
  const TextWord *previous = nullptr;
  for (const TextWord &word : line.words) {
    if (previous)
      out += space(*previous, word, line);
    out += "      <String ID=\"string_" + number + "_" +
           std::to_string(++strings) + "\"" + position(word.box) +
           " CONTENT=\"";
    append_markup_text(out, word.text);
    out += "\"/>\n";
    previous = &word;
  }
  out += "     </TextLine>\n";
}

} // namespace

std::string alto_head(const DocumentInfo &document) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<alto xmlns=\"http://www.loc.gov/standards/alto/ns-v4#\" "
      "xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
      "xsi:schemaLocation=\"http://www.loc.gov/standards/alto/ns-v4# "
      "http://www.loc.gov/alto/v4/alto-4-4.xsd\" SCHEMAVERSION=\"4.4\">\n"
      " <Description>\n"
      "  <MeasurementUnit>pixel</MeasurementUnit>\n";
  if (!document.image_file.empty()) {
    out += "  <sourceImageInformation>\n   <fileName>";
    append_markup_text(out, document.image_file);
    out += "</fileName>\n  </sourceImageInformation>\n";
  }
  out += "  <Processing ID=\"lectorin\">\n"
         "   <processingCategory>contentGeneration</processingCategory>\n"
         "   <processingStepDescription>text recognition through the "
         "Lectorin OCR plug-in</processingStepDescription>\n"
         "   <processingStepSettings>";
  append_markup_text(out, document.option_text);
  out += "</processingStepSettings>\n"
         "   <processingSoftware>\n"
         "    <softwareName>Lectorin</softwareName>\n"
         "    <softwareVersion>";
  append_markup_text(out, document.version);
  out += "</softwareVersion>\n"
         "   </processingSoftware>\n"
         "  </Processing>\n"
         " </Description>\n"
         " <Layout>\n";
  return out;
}

std::string alto_page(const PageText &text, const PageInfo &page,
                      const DocumentInfo &document) {
  const std::string number = std::to_string(page.number);
  const TextBox whole{0, 0, page.width, page.height};
  std::string out = "  <Page ID=\"page_" + number + "\" PHYSICAL_IMG_NR=\"" +
                    number + "\" WIDTH=\"" + std::to_string(page.width) +
                    "\" HEIGHT=\"" + std::to_string(page.height) + "\">\n" +
                    "   <PrintSpace" + position(whole) + ">\n";
  int blocks = 0, lines = 0, strings = 0;
  for (const TextRegion &region : text.regions) {
    for (const TextParagraph &paragraph : region.paragraphs) {
      out += "    <TextBlock ID=\"block_" + number + "_" +
             std::to_string(++blocks) + "\"" + position(paragraph.box);
      if (!document.language.empty()) {
        out += " LANG=\"";
        append_markup_text(out, document.language);
        out += "\"";
      }
      out += ">\n";
      for (const TextLine &line : paragraph.lines)
        write_line(out, line, "line_" + number + "_" + std::to_string(++lines),
                   number, strings);
      out += "    </TextBlock>\n";
    }
  }
  out += "   </PrintSpace>\n  </Page>\n";
  return out;
}

std::string alto_tail() { return " </Layout>\n</alto>\n"; }

} // namespace lectorin_ocr
