//===- hocr_format.cpp - Pages as hOCR 1.2 --------------------------------===//
//
// XHTML as hOCR readers expect it: classes on div, p and span elements and
// the properties in each title. A word and its characters stay on one line
// with nothing between them, since some readers take a word's text to be
// everything inside its element, white space included.

#include "format_writers.h"

namespace lectorin_ocr {

namespace {

std::string corners(const TextBox &box) {
  return std::to_string(box.left) + " " + std::to_string(box.top) + " " +
         std::to_string(box.right) + " " + std::to_string(box.bottom);
}

// An hOCR string property: in double quotes, with its own quotes and
// backslashes escaped by a backslash.
std::string quoted(const std::string &text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\')
      out += '\\';
    out += c;
  }
  return out + "\"";
}

// Opens an element: <name class="..." id="..." title="...">
void open_element(std::string &out, const char *indent, const char *name,
                  const char *hocr_class, const std::string &id,
                  const std::string &title, const std::string &language = "") {
  out += indent;
  out += '<';
  out += name;
  out += " class=\"";
  out += hocr_class;
  out += "\"";
  if (!id.empty())
    out += " id=\"" + id + "\"";
  if (!language.empty()) {
    out += " lang=\"";
    append_markup_text(out, language);
    out += "\"";
  }
  out += " title=\"";
  append_markup_text(out, title);
  out += "\">";
}

void write_word(std::string &out, const TextWord &word, const std::string &id) {
  open_element(out, "      ", "span", "ocrx_word", id,
               "bbox " + corners(word.box));
  if (word.characters.empty())
    append_markup_text(out, word.text);
  for (const TextCharacter &character : word.characters) {
    open_element(out, "", "span", "ocrx_cinfo", "",
                 "x_bboxes " + corners(character.box));
    append_markup_text(out, character.text);
    out += "</span>";
  }
  out += "</span>\n";
}

} // namespace

std::string hocr_head(const DocumentInfo &document) {
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 "
                    "Transitional//EN\"\n"
                    "    \"http://www.w3.org/TR/xhtml1/DTD/"
                    "xhtml1-transitional.dtd\">\n"
                    "<html xmlns=\"http://www.w3.org/1999/xhtml\"";
  if (!document.language.empty()) {
    out += " xml:lang=\"";
    append_markup_text(out, document.language);
    out += "\" lang=\"";
    append_markup_text(out, document.language);
    out += "\"";
  }
  out += ">\n <head>\n  <title>";
  append_markup_text(out, document.image_file);
  out += "</title>\n"
         "  <meta http-equiv=\"Content-Type\" "
         "content=\"text/html;charset=utf-8\"/>\n"
         "  <meta name=\"ocr-system\" content=\"lectorin-ocr ";
  append_markup_text(out, document.version);
  out += "\"/>\n"
         "  <meta name=\"ocr-capabilities\" content=\"ocr_page ocr_carea "
         "ocr_par ocr_line ocrx_word";
  if (document.characters)
    out += " ocrx_cinfo";
  if (!document.language.empty())
    out += " ocrp_lang";
  out += "\"/>\n </head>\n <body>\n";
  return out;
}

std::string hocr_page(const PageText &text, const PageInfo &page,
                      const DocumentInfo &document) {
  const std::string number = std::to_string(page.number);
  std::string title = "image " + quoted(page.image_file) + "; bbox 0 0 " +
                      std::to_string(page.width) + " " +
                      std::to_string(page.height) + "; ppageno " +
                      std::to_string(page.number - 1);
  if (page.x_resolution && page.y_resolution)
    title += "; scan_res " + std::to_string(page.x_resolution) + " " +
             std::to_string(page.y_resolution);
  std::string out;
  open_element(out, "  ", "div", "ocr_page", "page_" + number, title);
  out += '\n';
  int blocks = 0, paragraphs = 0, lines = 0, words = 0;
  for (const TextRegion &region : text.regions) {
    open_element(out, "   ", "div", "ocr_carea",
                 "block_" + number + "_" + std::to_string(++blocks),
                 "bbox " + corners(region.box));
    out += '\n';
    for (const TextParagraph &paragraph : region.paragraphs) {
      open_element(out, "    ", "p", "ocr_par",
                   "par_" + number + "_" + std::to_string(++paragraphs),
                   "bbox " + corners(paragraph.box), document.language);
      out += '\n';
      for (const TextLine &line : paragraph.lines) {
        open_element(out, "     ", "span", "ocr_line",
                     "line_" + number + "_" + std::to_string(++lines),
                     "bbox " + corners(line.box));
        out += '\n';
        for (const TextWord &word : line.words)
          write_word(out, word,
                     "word_" + number + "_" + std::to_string(++words));
        out += "     </span>\n";
      }
      out += "    </p>\n";
    }
    out += "   </div>\n";
  }
  out += "  </div>\n";
  return out;
}

std::string hocr_tail() { return " </body>\n</html>\n"; }

} // namespace lectorin_ocr
