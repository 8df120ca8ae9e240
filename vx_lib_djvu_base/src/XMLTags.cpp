//===- XMLTags.cpp - A small XML tag parser -------------------------------===//

#include "XMLTags.h"

#include "GException.h"
#include "UnicodeByteStream.h"

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

//===-- Tag text ----------------------------------------------------------===//

// Reads the text of a tag character by character. Blanks are whitespace
// characters as strings judge them; the characters that end a word are
// ASCII and compared as bytes.
class TagScanner {
public:
  TagScanner(const char *begin, const char *end) : p_(begin), end_(end) {}

  char peek() const { return p_ < end_ ? *p_ : '\0'; }
  void step() { ++p_; }

  void skip_blanks() {
    while (p_ < end_) {
      const char *at = p_;
      if (!is_blank(next_char())) {
        p_ = at;
        return;
      }
    }
  }

  // The characters up to the end, a blank or a byte of stops.
  GUTF8String take_until(const char *stops) {
    const char *start = p_;
    while (p_ < end_ && !std::strchr(stops, *p_)) {
      const char *at = p_;
      if (is_blank(next_char())) {
        p_ = at;
        break;
      }
    }
    return text_from(start);
  }

  // A word: blanks skipped, then take_until.
  GUTF8String take_word(const char *stops) {
    skip_blanks();
    return take_until(stops);
  }

  // The bytes up to the end or the first of a or b.
  GUTF8String take_to(char a, char b) {
    const char *start = p_;
    while (p_ < end_ && *p_ != a && *p_ != b)
      ++p_;
    return text_from(start);
  }

private:
  // The character at the position, which moves past it, never less than a
  // byte. 0 for bytes that are no whole character.
  uint32_t next_char() {
    const char *before = p_;
    uint32_t v = utf8_decode(p_, end_);
    if (p_ == before)
      ++p_;
    return v;
  }
  static bool is_blank(uint32_t v) { return v != 0 && is_whitespace(v); }
  GUTF8String text_from(const char *start) const {
    return GUTF8String(start, 0, static_cast<int32_t>(p_ - start));
  }

  const char *p_;
  const char *end_;
};

// Reads name="value" pairs up to the end of the tag text. No blanks may
// stand around "=": a blank after the name gives it an empty value, and the
// "=" then ends the list, as any empty name does.
void read_attributes(TagScanner &scan, vx_XMLTags::AttributeMap &into) {
  for (;;) {
    GUTF8String name = scan.take_word("/=>");
    if (name.is_empty())
      return;
    GUTF8String value;
    if (scan.peek() == '=') {
      scan.step();
      char quote = scan.peek();
      if (quote == '"' || quote == '\'') {
        scan.step();
        value = scan.take_to(quote, '>');
        if (scan.peek() == quote)
          scan.step();
      } else {
        value = scan.take_until("/>");
      }
    }
    into[name.to_lower()] = value.xml_unescape();
  }
}

bool is_blank_text(const GUTF8String &text) {
  return text.skip_space(0) >= text.length();
}

bool starts_with(const std::string &text, const char *head) {
  return text.compare(0, std::strlen(head), head) == 0;
}

bool ends_with(const std::string &text, const char *tail) {
  std::size_t n = std::strlen(tail);
  return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

GUTF8String as_string(const std::string &text) {
  return GUTF8String(text.c_str(), 0, static_cast<int32_t>(text.size()));
}

[[noreturn]] void raise_with(const char *id, const GUTF8String &text) {
  G_THROW((GUTF8String(id) + text).c_str());
}

// Appends pieces up to the next ">" until the tag ends with tail and is at
// least min_size bytes long (so that "<!-->" is no whole comment).
// False when the input ends first.
bool read_to_end_of(UnicodeByteStream &stream, std::string &tag,
                    std::size_t min_size, const char *tail) {
  while (tag.size() < min_size || !ends_with(tag, tail)) {
    GUTF8String more = stream.read_until(0, '>', true);
    if (more.is_empty())
      return false;
    tag.append(more.c_str(), static_cast<std::size_t>(more.length()));
  }
  return true;
}

// Elements whose release is under way on this thread, while the outermost
// destructor releases them one after the other (see ~vx_XMLTags).
thread_local std::vector<GRef<vx_XMLTags>> *pending_release = nullptr;

struct PendingReleaseScope {
  explicit PendingReleaseScope(std::vector<GRef<vx_XMLTags>> &list) {
    pending_release = &list;
  }
  ~PendingReleaseScope() { pending_release = nullptr; }
};

} // namespace

//===-- Elements ----------------------------------------------------------===//

vx_XMLTags::vx_XMLTags() = default;

vx_XMLTags::vx_XMLTags(const GUTF8String &tag_text) {
  read_start_tag(tag_text);
}

// A deep document would make the release of each element release its
// children from inside its own destructor, one stack frame per level. Instead
// the outermost destructor collects the children and releases them in a
// loop; destructors running inside that loop only hand their children over.
vx_XMLTags::~vx_XMLTags() {
  try {
    std::vector<GRef<vx_XMLTags>> children;
    for (GCursor c = content_.first(); c; ++c)
      children.push_back(content_[c].tag);
    content_.clear();
    children_by_name_.clear();
    if (pending_release) {
      pending_release->insert(pending_release->end(),
                              std::make_move_iterator(children.begin()),
                              std::make_move_iterator(children.end()));
      return;
    }
    PendingReleaseScope scope(children);
    while (!children.empty()) {
      GRef<vx_XMLTags> child = std::move(children.back());
      children.pop_back();
      child.reset();
    }
  } catch (...) {
    GException::report_current();
  }
}

void vx_XMLTags::read_start_tag(const GUTF8String &tag_text) {
  TagScanner scan(tag_text.c_str(), tag_text.c_str() + tag_text.length());
  name_ = scan.take_word("/>");
  read_attributes(scan, attributes_);
}

bool vx_XMLTags::get_attribute(const GUTF8String &name,
                               GUTF8String &value) const {
  GCursor found = attributes_.find(name);
  if (!found)
    return false;
  value = attributes_[found];
  return true;
}

void vx_XMLTags::add_child(const GRef<vx_XMLTags> &child) {
  content_.append(ContentItem{child, GUTF8String()});
  children_by_name_[child->name_].append(child);
}

void vx_XMLTags::add_text(const GUTF8String &text) {
  if (content_.empty())
    raw_text_ += text;
  else
    content_[content_.last()].text_after += text;
}

vx_XMLTags::TagList vx_XMLTags::children_named(const GUTF8String &name) const {
  GCursor found = children_by_name_.find(name);
  return found ? children_by_name_[found] : TagList();
}

GRef<vx_XMLTags>
vx_XMLTags::create_from_stream(const GRef<ByteStream> &stream) {
  GRef<vx_XMLTags> root = new vx_XMLTags;
  GRef<XMLByteStream> text = XMLByteStream::create(stream);
  root->parse(*text);
  return root;
}

//===-- Parsing -----------------------------------------------------------===//

void vx_XMLTags::parse(XMLByteStream &stream) {
  if (get_ref_count() <= 0)
    G_THROW("XMLTags.no_GP");
  // The open elements, innermost last; the tree holds them.
  std::vector<vx_XMLTags *> open;
  // Every encoding the text has been read in. A declaration switches only to
  // a family of encodings not among them: each switch reads the document
  // again from its start, so declarations that contradict each other (or
  // read differently in each encoding) would otherwise switch forever. And
  // "UTF-16" or "UCS-4" names a family, not a byte order: the order found at
  // the start of the document stays.
  std::vector<TextEncoding> tried{stream.encoding()};
  auto tried_family = [&tried](TextEncoding e) {
    for (TextEncoding t : tried) {
      if (same_encoding_family(t, e))
        return true;
    }
    return false;
  };

  // The innermost open element's text since its last start or end tag, handed
  // over before the next one, so only while an element is open. Joined piece
  // by piece as strings instead, a long text broken by comments would be
  // copied whole again for every piece.
  std::string pending_text;
  auto hand_over_text = [&] {
    if (pending_text.empty())
      return;
    open.back()->add_text(as_string(pending_text));
    pending_text.clear();
  };

  GUTF8String text = stream.read_until(0, '<', false);
  // The line of the next tag: sampled after every stretch of text, empty or
  // not. Sampled only after text, a tag straight after one that runs over
  // several lines would be reported on the line where that one began.
  int32_t line = stream.lines_read() + 1;
  if (!is_blank_text(text))
    raise_with("XMLTags.raw_string\t", text);

  for (;;) {
    GUTF8String piece = stream.read_until(0, '>', true);
    if (piece.is_empty())
      break;
    std::string tag(piece.c_str(), static_cast<std::size_t>(piece.length()));
    if (tag.back() != '>')
      raise_with("XMLTags.bad_tag\t", piece);
    char kind = tag.size() > 1 ? tag[1] : '\0';

    if (kind == '!') {
      // A comment runs to "-->"; any other "<!" tag ends at its first ">".
      if (starts_with(tag, "<!--") && !read_to_end_of(stream, tag, 7, "-->"))
        G_THROW(GUTF8String::format("XMLTags.bad_comment\t%s", tag.c_str())
                    .c_str());
    } else if (kind == '?') {
      if (!read_to_end_of(stream, tag, 4, "?>"))
        raise_with("XMLTags.bad_PI\t", as_string(tag));
      // The instruction's own text lies between "<?" and "?>". Read with
      // them, the "?" would become an attribute of its own, or the end of
      // an unquoted last value ("encoding=utf-8?", which names no encoding
      // and so would empty the document).
      TagScanner scan(tag.c_str() + 2, tag.c_str() + tag.size() - 2);
      if (scan.take_word("/>").to_lower() == "xml") {
        AttributeMap declared;
        read_attributes(scan, declared);
        for (GCursor c = declared.first(); c; ++c)
          attributes_[declared.key(c)] = declared[c];
        GCursor named = declared.find("encoding");
        if (named) {
          TextEncoding wanted = text_encoding_named(declared[named]);
          if (!tried_family(wanted)) {
            tried.push_back(wanted);
            stream.set_encoding(declared[named]);
          }
        }
      }
    } else if (kind == '/') {
      hand_over_text();
      TagScanner scan(tag.c_str() + 2, tag.c_str() + tag.size());
      GUTF8String name = scan.take_word("/>");
      if (open.empty())
        G_THROW("XMLTags.bad_form");
      const vx_XMLTags &inner = *open.back();
      if (inner.name_ != name)
        G_THROW(GUTF8String::format("XMLTags.unmatched_end\t%s\t%d\t%s\t%d",
                                    inner.name_.c_str(),
                                    static_cast<int>(inner.start_line_),
                                    name.c_str(), static_cast<int>(line))
                    .c_str());
      open.pop_back();
    } else {
      bool self_closing = tag.size() >= 2 && tag[tag.size() - 2] == '/';
      GUTF8String tag_text(tag.c_str(), 1,
                           static_cast<int32_t>(tag.size()) - 1);
      if (!open.empty()) {
        hand_over_text();
        GRef<vx_XMLTags> child = new vx_XMLTags(tag_text);
        child->start_line_ = line;
        open.back()->add_child(child);
        if (!self_closing)
          open.push_back(child.get());
      } else {
        // The document element, or a second top-level element taken as it
        // again.
        if (self_closing)
          G_THROW("XMLTags.no_body");
        read_start_tag(tag_text);
        start_line_ = line;
        open.push_back(this);
      }
    }

    text = stream.read_until(0, '<', false);
    line = stream.lines_read() + 1;
    if (text.is_empty())
      continue;
    if (!open.empty())
      pending_text.append(text.c_str(),
                          static_cast<std::size_t>(text.length()));
    else if (!is_blank_text(text))
      raise_with("XMLTags.raw_string\t", text);
  }
  hand_over_text();
}
