//===- page_text.cpp - The hidden text of a page, read back ---------------===//

#include "page_text.h"

#include "ByteStream.h"
#include "XMLTags.h"

#include <algorithm>
#include <stdexcept>

namespace lectorin_ocr {

void TextBox::extend(const TextBox &other) {
  left = std::min(left, other.left);
  top = std::min(top, other.top);
  right = std::max(right, other.right);
  bottom = std::max(bottom, other.bottom);
}

namespace {

using Tag = GRef<vx_XMLTags>;

// Calls visit for each child element of tag with the name, in document
// order. Other children are passed over: the reader takes what it knows.
template <typename Visit>
void for_each_child(const vx_XMLTags &tag, const char *name, Visit visit) {
  const GLinkedList<vx_XMLTags::ContentItem> &content = tag.content();
  for (GCursor item = content.first(); item; ++item) {
    const Tag &child = content[item].tag;
    if (child && child->name() == name)
      visit(*child);
  }
}

std::string text_of(const vx_XMLTags &tag) {
  GUTF8String text = tag.raw_text().xml_unescape();
  return std::string(text.c_str(), static_cast<std::size_t>(text.length()));
}

// "left,top,right,bottom" as the plug-in writes it: four whole numbers.
TextBox coords_of(const vx_XMLTags &tag) {
  GUTF8String value;
  if (!tag.get_attribute("coords", value))
    throw std::runtime_error("the plug-in's hidden text has a " +
                             std::string(tag.name().c_str()) +
                             " without Coords");
  int32_t numbers[4] = {};
  const char *cursor = value.c_str();
  for (int k = 0; k < 4; ++k) {
    int digits = 0;
    int64_t number = 0;
    for (; *cursor >= '0' && *cursor <= '9' && digits < 10; ++cursor, ++digits)
      number = number * 10 + (*cursor - '0');
    bool separated = k < 3 ? *cursor == ',' : *cursor == '\0';
    if (digits == 0 || number > INT32_MAX || !separated)
      throw std::runtime_error("the plug-in's hidden text has a malformed "
                               "Coords value '" +
                               std::string(value.c_str()) + "'");
    numbers[k] = static_cast<int32_t>(number);
    if (k < 3)
      ++cursor;
  }
  return {numbers[0], numbers[1], numbers[2], numbers[3]};
}

// A WORD holds its text and Coords, or (character output) CHAR elements.
bool read_word(const vx_XMLTags &tag, TextWord &word) {
  GUTF8String ignored;
  if (tag.get_attribute("coords", ignored)) {
    word.box = coords_of(tag);
    word.text = text_of(tag);
    return !word.text.empty();
  }
  for_each_child(tag, "CHAR", [&](const vx_XMLTags &char_tag) {
    TextCharacter character{text_of(char_tag), coords_of(char_tag)};
    if (character.text.empty())
      return;
    if (word.characters.empty())
      word.box = character.box;
    else
      word.box.extend(character.box);
    word.text += character.text;
    word.characters.push_back(std::move(character));
  });
  return !word.text.empty();
}

// Appends item to items and widens box by it.
template <typename Item>
void keep(std::vector<Item> &items, Item item, TextBox &box) {
  if (items.empty())
    box = item.box;
  else
    box.extend(item.box);
  items.push_back(std::move(item));
}

TextParagraph read_paragraph(const vx_XMLTags &tag) {
  TextParagraph paragraph;
  for_each_child(tag, "LINE", [&](const vx_XMLTags &line_tag) {
    TextLine line;
    for_each_child(line_tag, "WORD", [&](const vx_XMLTags &word_tag) {
      TextWord word;
      if (read_word(word_tag, word))
        keep(line.words, std::move(word), line.box);
    });
    if (!line.words.empty())
      keep(paragraph.lines, std::move(line), paragraph.box);
  });
  return paragraph;
}

} // namespace

PageText read_page_text(const std::string &hidden_text) {
  GRef<ByteStream> stream = ByteStream::create_memory();
  stream->write_fully(hidden_text.data(),
                      static_cast<int32_t>(hidden_text.size()));
  stream->seek(0);
  Tag root = vx_XMLTags::create_from_stream(stream);
  if (root->name() != "HIDDENTEXT")
    throw std::runtime_error("the plug-in's result is not hidden text (its "
                             "document element is " +
                             std::string(root->name().c_str()) + ")");
  PageText page;
  for_each_child(*root, "PAGECOLUMN", [&](const vx_XMLTags &column) {
    for_each_child(column, "REGION", [&](const vx_XMLTags &region_tag) {
      TextRegion region;
      for_each_child(
          region_tag, "PARAGRAPH", [&](const vx_XMLTags &paragraph_tag) {
            TextParagraph paragraph = read_paragraph(paragraph_tag);
            if (!paragraph.lines.empty())
              keep(region.paragraphs, std::move(paragraph), region.box);
          });
      if (!region.paragraphs.empty())
        page.regions.push_back(std::move(region));
    });
  });
  return page;
}

} // namespace lectorin_ocr
