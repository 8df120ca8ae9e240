//===- XMLTags.h - A small XML tag parser ----------------------*- C++ -*-===//
//
// vx_XMLTags is one element of a tree read from an XML document: its name as
// written, its attributes (names in lower case, values with entities and
// character references decoded), its children in document order and grouped
// by name, and its raw text. The parser is small and not validating: it
// knows no document types, no CDATA sections and no namespaces, and leaves
// raw text undecoded (its readers decode what they use).
//
// Text between the start tag and the first child is the element's raw text;
// text after a child is kept with that child's content item. An xml
// declaration's attributes go to the document element, and its "encoding"
// switches the stream to that encoding, reading the document again from its
// start. Only a family of encodings the document has not yet been read in is
// switched to: "UTF-16" and "UCS-4" keep the byte order found at the start,
// and a document that contradicts itself is read at most once per family.
//
// Failures raise "XMLTags." identifiers: no_GP (parse on an element that no
// GRef holds), raw_string (text outside the document element), bad_tag,
// bad_comment, bad_PI (the input ends inside one), bad_form (an end tag with
// no element open), unmatched_end (an end tag for another element; the open
// element's name and line, then the end tag's name and line) and no_body (a
// self-closing document element). Elements still open at the end of the
// input are closed quietly.
//
// Usage:
//   GRef<vx_XMLTags> root = vx_XMLTags::create_from_stream(file);
//   GLinkedList<GRef<vx_XMLTags>> bodies = root->children_named("BODY");
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_BASE_XMLTAGS_H
#define LECTORIN_BASE_XMLTAGS_H

#include "ByteStream.h"
#include "GContainer.h"
#include "GSmartPointer.h"
#include "GString.h"

class XMLByteStream;

class vx_XMLTags : public GPEnabled {
public:
  struct ContentItem;
  using TagList = GLinkedList<GRef<vx_XMLTags>>;
  using AttributeMap = GMap<GUTF8String, GUTF8String>;

  vx_XMLTags();
  /// An element from the text of its start tag after the "<" (name, then
  /// attributes; a final "/>" or ">" is allowed).
  explicit vx_XMLTags(const GUTF8String &tag_text);
  /// Releases the tree below without recursing, however deep it is.
  ~vx_XMLTags() override;

  /// The document element of the XML document read from stream (its
  /// encoding detected by XMLByteStream). Raises the identifiers above.
  static GRef<vx_XMLTags> create_from_stream(const GRef<ByteStream> &stream);

  /// Reads the whole of stream into this element, which becomes the document
  /// element and must be held by a GRef. Raises the identifiers above.
  void parse(XMLByteStream &stream);

  /// Appends child to the content and to the group of its name.
  void add_child(const GRef<vx_XMLTags> &child);
  /// Appends text: to the raw text before the first child, else to the last
  /// child's content item.
  void add_text(const GUTF8String &text);
  /// A copy of the children named name, in document order; empty when none.
  TagList children_named(const GUTF8String &name) const;

  const GUTF8String &name() const noexcept { return name_; }
  const AttributeMap &attributes() const noexcept { return attributes_; }
  /// Whether the attribute (a lower-case name) is present; its value then
  /// goes to value.
  bool get_attribute(const GUTF8String &name, GUTF8String &value) const;
  const GLinkedList<ContentItem> &content() const noexcept { return content_; }
  const GUTF8String &raw_text() const noexcept { return raw_text_; }
  /// The line of the start tag, counted from 1; 0 for an element not read
  /// from a document.
  int32_t start_line() const noexcept { return start_line_; }

private:
  // Takes the name and the attributes from the text of a start tag.
  void read_start_tag(const GUTF8String &tag_text);

  GUTF8String name_;
  AttributeMap attributes_;
  GLinkedList<ContentItem> content_;
  GUTF8String raw_text_;
  GMap<GUTF8String, TagList> children_by_name_;
  int32_t start_line_ = 0;
};

/// A child and the text that follows it up to the next child or the end of
/// the element.
struct vx_XMLTags::ContentItem {
  GRef<vx_XMLTags> tag;
  GUTF8String text_after;
};

#endif // LECTORIN_BASE_XMLTAGS_H
