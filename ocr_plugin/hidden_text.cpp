//===- hidden_text.cpp - The page's hidden text as XML --------------------===//

#include "hidden_text.h"

#include "engine_binding.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

const char word_element_format[] = "<WORD Coords=\"%d,%d,%d,%d\">%s</WORD>";
const char char_element_format[] = "<CHAR Coords=\"%d,%d,%d,%d\">%s</CHAR>";

namespace {

constexpr int32_t level_none = 0;
constexpr int32_t level_page = 2;
constexpr int32_t level_paragraph = 4;
constexpr int32_t level_line = 5;
constexpr int32_t level_word = 6;

struct LevelTexts {
  const char *opening;
  const char *closing;
};

// Indexed by level; levels 0 and 1 open no element. Level 4 opens with the
// separation the options ask for.
const LevelTexts level_texts[] = {
    {"", ""},
    {"", ""},
    {"<?xml version=\"1.0\" ?><HIDDENTEXT><PAGECOLUMN>",
     "</PAGECOLUMN></HIDDENTEXT>"},
    {"<REGION>", "</REGION>"},
    {"<PARAGRAPH>", "</PARAGRAPH>"},
    {"<LINE>", "</LINE>"},
    {"<WORD>", "</WORD>"},
};
constexpr int32_t level_count = sizeof level_texts / sizeof level_texts[0];
const char paragraph_without_separation[] = "<PARAGRAPH sep=\"no\">";

// The engine's text buffer: 32 bytes.
constexpr int character_units = 16;

constexpr uint16_t control_bit = 0x8000;

void write_text(ByteStream &stream, const char *text, std::size_t length) {
  stream.write_fully(text, static_cast<int32_t>(length));
}

void write_text(ByteStream &stream, const char *text) {
  write_text(stream, text, std::strlen(text));
}

// The 32-bit build computes in x87 registers wider than a double; storing
// each result rounds it to a double there too, so both builds write the same
// coordinates.
double as_double(double value) {
  volatile double stored = value;
  return stored;
}

int32_t truncate_coordinate(double value) {
  if (std::isnan(value))
    return 0;
  if (value >= 2147483647.0)
    return INT32_MAX;
  if (value <= -2147483648.0)
    return INT32_MIN;
  return static_cast<int32_t>(value);
}

int32_t near_corner(uint16_t coordinate, double scale) {
  return truncate_coordinate(as_double(coordinate * scale));
}

int32_t far_corner(uint16_t coordinate, double scale) {
  return truncate_coordinate(as_double(as_double(coordinate * scale) + 0.5));
}

uint16_t read_unit(const unsigned char *bytes) {
  uint16_t unit;
  std::memcpy(&unit, bytes, sizeof unit);
  return unit;
}

// The count the list gives, held to the entries its block has room for.
uint32_t entry_count(const unsigned char *list, std::size_t list_bytes) {
  if (!list || list_bytes < 4)
    return 0;
  std::size_t room = (list_bytes - 4) / 2;
  return static_cast<uint32_t>(std::min<std::size_t>(read_unit(list), room));
}

void widen(drs_rectangle &box, const drs_rectangle &rectangle) {
  box.x0 = std::min(box.x0, rectangle.x0);
  box.y0 = std::min(box.y0, rectangle.y0);
  box.x1 = std::max(box.x1, rectangle.x1);
  box.y1 = std::max(box.y1, rectangle.y1);
}

// Walks one code list; the level and the word being gathered are its state.
class HiddenTextWriter {
public:
  HiddenTextWriter(OcrSession &session, const OcrOptions &options)
      : session_(session), stream_(*session.output), options_(options),
        engine_(engine_api()) {}

  void write(const unsigned char *list, uint32_t count) {
    write_text(stream_, level_texts[level_page].opening);
    level_ = level_page;
    // 32 bits: a skip near the end of a list of 65535 entries must step past
    // it, not wrap around to its start.
    for (uint32_t i = 0; i < count; ++i) {
      uint16_t entry = read_unit(list + 4 + 2 * static_cast<std::size_t>(i));
      if (entry & control_bit) {
        write_word();
        i += act_on(entry);
      } else {
        add_character(entry);
      }
    }
    // The engine need not end its list with a control code; the last word
    // is not lost then.
    write_word();
    change_level(level_none);
  }

private:
  void change_level(int32_t target) {
    change_text_level(stream_, level_, target, options_);
  }

  // Every control code ends the word being gathered.
  void write_word() {
    if (word_text_.is_empty())
      return;
    change_level(level_line);
    write_boxed_element(stream_, word_element_format, word_box_, word_text_,
                        session_);
    word_text_ = GUTF8String();
  }

  // The number of entries the code skips.
  uint32_t act_on(uint16_t code) {
    // The end of a line, alone or with the codes of the 0x95 group.
    if (code == 0x81FE || (code >> 8) == 0x95)
      change_level(level_line);
    else if (code == 0x8100)
      change_level(level_paragraph);
    else if ((code >> 8) == 0x96)
      change_level(level_page);
    else if ((code >> 12) == 0xA)
      return code & 0xFFu;
    return 0;
  }

  void add_character(uint16_t character) {
    uint16_t units[character_units] = {};
    if (engine_.drs7_read_one(character, units) < 0)
      return;
    drs_rectangle rectangle{};
    engine_.drs7_read_coordinates(character, &rectangle);
    // No more than the buffer holds: the engine may fill it without a
    // terminator, or end it on half of a surrogate pair.
    GUTF8String text(units, character_units);

    if (options_.characters) {
      change_level(level_word);
      write_boxed_element(stream_, char_element_format, rectangle, text,
                          session_);
      return;
    }
    if (word_text_.is_empty())
      word_box_ = rectangle;
    else
      widen(word_box_, rectangle);
    word_text_ += text;
  }

  OcrSession &session_;
  ByteStream &stream_;
  const OcrOptions &options_;
  const EngineApi &engine_;
  int32_t level_ = level_none;
  GUTF8String word_text_;
  drs_rectangle word_box_{};
};

} // namespace

void write_hidden_text(OcrSession &session, const void *code_list,
                       std::size_t list_bytes, const OcrOptions &options) {
  if (!session.output)
    session.output = ByteStream::create_memory();
  const auto *list = static_cast<const unsigned char *>(code_list);
  HiddenTextWriter(session, options).write(list, entry_count(list, list_bytes));
}

void change_text_level(ByteStream &stream, int32_t &level, int32_t target,
                       const OcrOptions &options) {
  for (int32_t k = level + 1; k <= target && k < level_count; ++k) {
    if (k == level_paragraph && !options.separate)
      write_text(stream, paragraph_without_separation);
    else
      write_text(stream, level_texts[std::max(k, 0)].opening);
  }
  for (int32_t k = std::min(level, level_count - 1); k > target && k >= 0; --k)
    write_text(stream, level_texts[k].closing);
  level = target;
}

void write_boxed_element(ByteStream &stream, const char *format,
                         const drs_rectangle &rectangle,
                         const GUTF8String &text, const OcrSession &session) {
  GUTF8String element = GUTF8String::format(
      format, near_corner(rectangle.x0, session.scale_x),
      near_corner(rectangle.y0, session.scale_y),
      far_corner(rectangle.x1, session.scale_x),
      far_corner(rectangle.y1, session.scale_y), text.xml_escape().c_str());
  write_text(stream, element.c_str(),
             static_cast<std::size_t>(element.length()));
}

char *take_hidden_text(OcrSession &session) {
  if (!session.output)
    return nullptr;
  ByteStream &stream = *session.output;
  const int32_t length = stream.tell();
  std::unique_ptr<char[]> text(new char[static_cast<std::size_t>(length) + 1]);
  stream.seek(0);
  const int32_t read = stream.read_fully(text.get(), length);
  text[static_cast<std::size_t>(std::max(read, 0))] = '\0';
  session.output = GRef<ByteStream>();
  return text.release();
}
