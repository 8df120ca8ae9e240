//===- DjVuMessageLite.cpp - Message identifiers into text ----------------===//

#include "DjVuMessageLite.h"

#include "GException.h"
#include "GStaticRegistry.h"

#include <cstdarg>
#include <string>
#include <string_view>
#include <vector>

namespace {

const char unrecognized_id[] = "DjVuMessage.Unrecognized";
const char parameter_id[] = "DjVuMessage.Parameter";
const char failed_to_parse_id[] = "DjVuMessage.failed_to_parse_XML";

// The texts of the three identifiers that every table answers, even empty.
const char *built_in_text(const GUTF8String &id) {
  if (id == unrecognized_id)
    return "** Unrecognized DjVu Message: [Contact Veltrix for assistance]\n"
           "\t** Message name:  %1!s!";
  if (id == parameter_id)
    return "\t   Parameter: %1!s!";
  if (id == failed_to_parse_id)
    return "Failed to parse XML message file:&#10;&#09;&apos;%1!s!&apos;.";
  return nullptr;
}

GUTF8String string_of(std::string_view text) {
  return GUTF8String(text.data(), 0, static_cast<int32_t>(text.size()));
}

//===-- Conversions -------------------------------------------------------===//

// A printf conversion taken from a marker, in the one shape that is safe to
// hand to the formatter: flags, a width, a precision, a conversion letter.
struct Conversion {
  std::string flags;
  std::string width;
  std::string precision; // with its ".", or empty
  char letter = '\0';
};

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The digits at text[at...], at most four of them; false for more.
bool read_digits(const std::string &text, std::size_t &at, std::string &out) {
  std::size_t start = at;
  while (at < text.size() && is_digit(text[at]))
    ++at;
  out.assign(text, start, at - start);
  return at - start <= 4;
}

// Whether text is a conversion we format. Anything else (length modifiers,
// "n", "*", "%") would read or write arguments that are not there.
bool parse_conversion(const std::string &text, Conversion &c) {
  std::size_t at = 0;
  while (at < text.size() &&
         std::string("-+ #0").find(text[at]) != std::string::npos)
    c.flags += text[at++];
  if (!read_digits(text, at, c.width))
    return false;
  if (at < text.size() && text[at] == '.') {
    ++at;
    std::string digits;
    if (!read_digits(text, at, digits))
      return false;
    c.precision = "." + digits;
  }
  if (at + 1 != text.size() ||
      std::string("diouxXfegsc").find(text[at]) == std::string::npos)
    return false;
  c.letter = text[at];
  return true;
}

// Flags without meaning for a conversion are dropped rather than left to
// the runtime.
std::string kept_flags(const std::string &flags, const char *allowed) {
  std::string kept;
  for (char f : flags) {
    if (std::string(allowed).find(f) != std::string::npos)
      kept += f;
  }
  return kept;
}

GUTF8String print_value(const char *format, ...) {
  std::va_list args;
  va_start(args, format);
  GUTF8String result;
  try {
    result = GUTF8String(format).format_args(args);
  } catch (...) {
    va_end(args);
    throw;
  }
  va_end(args);
  return result;
}

// The argument as the marker's conversion shows it.
GUTF8String format_argument(const std::string &conversion,
                            const GUTF8String &argument) {
  Conversion c;
  if (static_cast<unsigned char>(conversion[0]) >= 0x80 ||
      !parse_conversion(conversion, c))
    return argument;
  std::string format = "%";
  switch (c.letter) {
  case 'd':
  case 'i':
    format += kept_flags(c.flags, "-+ 0") + c.width + c.precision + c.letter;
    return print_value(format.c_str(), static_cast<int>(argument.parse_int()));
  case 'o':
  case 'u':
  case 'x':
  case 'X':
    format += kept_flags(c.flags, c.letter == 'u' ? "-+ 0" : "-+ #0") +
              c.width + c.precision + c.letter;
    return print_value(format.c_str(),
                       static_cast<unsigned>(argument.parse_int()));
  case 'f':
  case 'e':
  case 'g': {
    int32_t end = 0;
    double value = argument.parse_double(0, end);
    // Nothing read: the argument is no number and stands as it is.
    if (end <= 0)
      return argument;
    format += c.flags + c.width + c.precision + c.letter;
    return print_value(format.c_str(), value);
  }
  default: {
    // "s", and "c" as the argument's first character.
    GUTF8String text = argument;
    if (c.letter == 'c') {
      const char *p = argument.c_str();
      const char *end = p + argument.length();
      utf8_decode(p, end);
      text = GUTF8String(argument.c_str(), 0,
                         static_cast<int32_t>(p - argument.c_str()));
    }
    format += kept_flags(c.flags, "-") + c.width +
              (c.letter == 'c' ? std::string() : c.precision) + "s";
    return print_value(format.c_str(), text.c_str());
  }
  }
}

} // namespace

//===-- Templates ---------------------------------------------------------===//

// A text being filled in: pieces of the entry's own text, where markers are
// looked for, and pieces put in, where they are not. A parameter that holds
// markers can then neither be substituted into itself, nor make the text
// grow with every later parameter.
class DjVuMessageLite::Template {
public:
  explicit Template(const GUTF8String &text) {
    if (!text.is_empty())
      pieces_.push_back({std::string(text.c_str()), true});
  }

  // Replaces each marker of parameter number; false when there is none. A
  // marker without its closing "!" stays and is passed over.
  bool insert(int32_t number, const GUTF8String &argument) {
    const std::string marker = "%" + std::to_string(number) + "!";
    bool found = false;
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
      if (!pieces_[i].own)
        continue;
      std::size_t from = 0;
      for (;;) {
        const std::string &text = pieces_[i].text;
        std::size_t at = text.find(marker, from);
        if (at == std::string::npos)
          break;
        found = true;
        std::size_t open = at + marker.size();
        // The conversion has at least one character.
        std::size_t close = text.find('!', open + 1);
        if (close == std::string::npos) {
          from = open;
          continue;
        }
        GUTF8String value =
            format_argument(text.substr(open, close - open), argument);
        Piece after{text.substr(close + 1), true};
        pieces_[i].text.resize(at);
        pieces_.insert(
            pieces_.begin() + static_cast<std::ptrdiff_t>(i) + 1,
            {Piece{std::string(value.c_str()), false}, std::move(after)});
        // On to the rest of the entry's text, behind the value put in.
        i += 2;
        from = 0;
      }
    }
    return found;
  }

  void append(const GUTF8String &text) {
    pieces_.push_back({std::string(text.c_str()), false});
  }

  GUTF8String joined() const {
    std::string out;
    for (const Piece &piece : pieces_)
      out += piece.text;
    return string_of(out);
  }

private:
  struct Piece {
    std::string text;
    bool own; // part of the entry's text
  };
  std::vector<Piece> pieces_;
};

//===-- The lookup object -------------------------------------------------===//

namespace {

using SourceList = GPEnabledWrapper<GLinkedList<GRef<ByteStream>>>;

// Made on first use and released at exit by the static registry; the flags
// keep them from being made again after that.
DjVuMessageLite *message_instance;
bool message_instance_made;
SourceList *source_list;
bool source_list_made;
// Set while instance() loads sources: a translation asked for meanwhile
// (a report from a destructor) uses the table as it stands.
bool loading_sources;

void rewind_quietly(ByteStream &source, int32_t position) {
  try {
    source.seek(position, 0, true);
  } catch (...) {
    // A stream that cannot go back is retried from where it stands.
  }
}

struct LoadingScope {
  LoadingScope() { loading_sources = true; }
  ~LoadingScope() { loading_sources = false; }
};

} // namespace

DjVuMessageLite::Factory DjVuMessageLite::message_factory =
    &DjVuMessageLite::instance;

DjVuMessageLite::DjVuMessageLite() = default;

DjVuMessageLite::~DjVuMessageLite() = default;

GLinkedList<GRef<ByteStream>> *DjVuMessageLite::pending_sources() {
  if (!source_list && !source_list_made) {
    GRef<SourceList> made = new SourceList;
    GStaticRegistry::add(source_list, made.get());
    source_list_made = true;
  }
  return source_list ? &source_list->get() : nullptr;
}

GRef<DjVuMessageLite> DjVuMessageLite::instance() {
  if (!message_instance && !message_instance_made) {
    GRef<DjVuMessageLite> made = new DjVuMessageLite;
    GStaticRegistry::add(message_instance, made.get());
    message_instance_made = true;
  }
  GRef<DjVuMessageLite> lookup = message_instance;
  GLinkedList<GRef<ByteStream>> *sources = lookup ? pending_sources() : nullptr;
  if (sources && !loading_sources) {
    LoadingScope loading;
    while (!sources->empty()) {
      GCursor first = sources->first();
      GRef<ByteStream> source = (*sources)[first];
      int32_t start = source->tell();
      try {
        lookup->load_source(source);
      } catch (...) {
        // The next call tries the source again: from its start, not from
        // wherever the failed parse stopped reading, which would make the
        // retry read nothing and "succeed".
        rewind_quietly(*source, start);
        throw;
      }
      sources->del(first);
    }
  }
  return lookup;
}

void DjVuMessageLite::load_source(const GRef<ByteStream> &source) {
  GRef<vx_XMLTags> root = vx_XMLTags::create_from_stream(source);
  vx_XMLTags::TagList bodies = root->children_named("BODY");
  for (GCursor b = bodies.first(); b; ++b) {
    vx_XMLTags::TagList messages = bodies[b]->children_named("MESSAGE");
    for (GCursor m = messages.first(); m; ++m) {
      GUTF8String name;
      if (messages[m]->get_attribute("name", name))
        entries_[name] = messages[m];
    }
  }
}

void DjVuMessageLite::find_entry(const GUTF8String &id, GUTF8String &text,
                                 GUTF8String &number) const {
  text = GUTF8String();
  number = GUTF8String();
  if (entries_.size() == 0)
    return;
  GCursor found = entries_.find(id);
  if (!found)
    return;
  const vx_XMLTags &entry = *entries_[found];
  if (!entry.get_attribute("value", text)) {
    const GUTF8String &raw = entry.raw_text();
    int32_t line = raw.find_char('\n');
    int32_t start = raw.skip_space(0);
    int32_t end = raw.trailing_space_start(0);
    // Content that begins on the start tag's own line is taken from its
    // start; content that begins on a later line, from that line.
    if (line < 0 || start >= raw.length() || start < line)
      text = raw.substring(0, end);
    else
      text = raw.substring(line + 1, end - line - 1);
    text = text.xml_unescape();
  }
  entry.get_attribute("number", number);
}

//===-- Translation -------------------------------------------------------===//

// The argument is one parameter whole, also a nested message's translation
// with tabs and line feeds of its own: read again as a message, that layout
// would be cut into parameters, each on a garbled "Parameter" line.
GUTF8String DjVuMessageLite::parameter_line(const GUTF8String &argument) const {
  GLinkedList<GUTF8String> one;
  one.append(argument);
  return translate_parts(parameter_id, one, false);
}

void DjVuMessageLite::insert_argument(GUTF8String &text, int32_t number,
                                      const GUTF8String &argument) const {
  Template filled(text);
  if (!filled.insert(number, argument) && number != 0)
    filled.append("\n" + parameter_line(argument) + "\n");
  text = filled.joined();
}

GUTF8String
DjVuMessageLite::translate_parts(const GUTF8String &id,
                                 const GLinkedList<GUTF8String> &parameters,
                                 bool add_missing) const {
  GUTF8String text;
  GUTF8String number;
  find_entry(id, text, number);
  if (text.is_empty()) {
    const char *built_in = built_in_text(id);
    if (!built_in) {
      GLinkedList<GUTF8String> whole;
      whole.append(id);
      for (GCursor p = parameters.first(); p; ++p)
        whole.append(parameters[p]);
      return translate_parts(unrecognized_id, whole, add_missing);
    }
    text = built_in;
  }
  Template filled(text);
  int32_t n = 1;
  for (GCursor p = parameters.first(); p; ++p, ++n) {
    // The parameter line itself never adds another: an entry for it without
    // a marker would otherwise add lines forever.
    if (!filled.insert(n, parameters[p]) && add_missing)
      filled.append("\n" + parameter_line(parameters[p]) + "\n");
  }
  filled.insert(0, number);
  return filled.joined();
}

// A nested message is the last parameter of the message before it. The
// innermost is translated first, so that nesting costs no stack however deep
// it goes.
GUTF8String DjVuMessageLite::translate_one(const GUTF8String &message) const {
  std::string_view whole(message.c_str(),
                         static_cast<std::size_t>(message.length()));
  std::vector<std::string_view> levels;
  std::size_t start = 0;
  for (;;) {
    std::size_t vt = whole.find('\v', start);
    levels.push_back(whole.substr(start, vt - start));
    if (vt == std::string_view::npos)
      break;
    start = vt + 1;
  }
  GUTF8String nested;
  for (auto level = levels.rbegin(); level != levels.rend(); ++level) {
    std::size_t tab = level->find('\t');
    GUTF8String id = string_of(level->substr(0, tab));
    GLinkedList<GUTF8String> parameters;
    while (tab != std::string_view::npos) {
      std::size_t next = level->find('\t', tab + 1);
      parameters.append(string_of(level->substr(tab + 1, next - tab - 1)));
      tab = next;
    }
    if (level != levels.rbegin())
      parameters.append(nested);
    nested = translate_parts(id, parameters);
  }
  return nested;
}

GUTF8String DjVuMessageLite::translate(const GUTF8String &text) const {
  std::string_view whole(text.c_str(), static_cast<std::size_t>(text.length()));
  std::string out;
  std::size_t at = 0;
  while (at < whole.size()) {
    if (whole[at] == '\n') {
      out += '\n';
      ++at;
      continue;
    }
    std::size_t end = whole.find('\n', at);
    if (end == std::string_view::npos)
      end = whole.size();
    out += translate_one(string_of(whole.substr(at, end - at))).c_str();
    at = end;
  }
  return string_of(out);
}

GUTF8String translate_text(const GUTF8String &text) {
  GRef<DjVuMessageLite> lookup = DjVuMessageLite::message_factory
                                     ? DjVuMessageLite::message_factory()
                                     : GRef<DjVuMessageLite>();
  if (lookup)
    return lookup->translate(text);
  // After exit, or with no factory: the built-in texts still apply.
  DjVuMessageLite built_in;
  return built_in.translate(text);
}
