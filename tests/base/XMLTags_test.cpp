// The XML tag parser: the tree it builds (names, attributes, children, text),
// every failure with its identifier, the same tree from every encoding and
// every chunk size, and the encoding declarations that used to rewind
// forever.

#include "XMLTags.h"

#include "UnicodeByteStream.h"
#include "test_util.h"
#include "text_samples.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

GRef<vx_XMLTags> parse_text(const std::string &bytes,
                            int32_t chunk = UnicodeByteStream::chunk_bytes) {
  GRef<vx_XMLTags> root = new vx_XMLTags;
  GRef<XMLByteStream> in = XMLByteStream::create(memory_stream(bytes), chunk);
  root->parse(*in);
  return root;
}

std::string parse_error(const std::string &bytes) {
  return raised_id([&] { parse_text(bytes); });
}

std::string bytes_of(const GUTF8String &s) {
  return std::string(s.c_str(), static_cast<std::size_t>(s.length()));
}

// The tree as text: name, attributes in order of their names, raw text,
// children each with the text after it.
std::string dump(const vx_XMLTags &tag) {
  std::string out = "(" + bytes_of(tag.name());
  std::vector<std::string> attributes;
  for (GCursor c = tag.attributes().first(); c; ++c)
    attributes.push_back(bytes_of(tag.attributes().key(c)) + "=" +
                         bytes_of(tag.attributes()[c]));
  std::sort(attributes.begin(), attributes.end());
  for (const std::string &a : attributes)
    out += " " + a;
  out += "|" + bytes_of(tag.raw_text());
  for (GCursor c = tag.content().first(); c; ++c)
    out += dump(*tag.content()[c].tag) + bytes_of(tag.content()[c].text_after);
  return out + ")";
}

std::string attribute(const vx_XMLTags &tag, const char *name) {
  GUTF8String value;
  return tag.get_attribute(name, value) ? bytes_of(value) : "<absent>";
}

TEST(XMLTags, TheTreeKeepsNamesTextAndOrder) {
  GRef<vx_XMLTags> root = parse_text("\n  <!-- a comment -->\n"
                                     "<Doc Version=\"2\">head\n"
                                     "  <Item n='1'>one</Item> mid\n"
                                     "  <Empty/><Item n='2'/>tail\n"
                                     "</Doc>\n");
  EXPECT_EQ(dump(*root), "(Doc version=2|head\n  (Item n=1|one) mid\n  "
                         "(Empty|)(Item n=2|)tail\n)");
  EXPECT_EQ(root->start_line(), 3);
  vx_XMLTags::TagList items = root->children_named("Item");
  ASSERT_EQ(items.size(), 2);
  EXPECT_EQ(items[items.first()]->start_line(), 4);
  EXPECT_EQ(attribute(*items[items.last()], "n"), "2");
  // The list is a copy, and a name without children gives an empty one.
  items.clear();
  EXPECT_EQ(root->children_named("Item").size(), 2);
  EXPECT_EQ(root->children_named("item").size(), 0);
  EXPECT_EQ(root->children_named("Missing").size(), 0);
}

TEST(XMLTags, Attributes) {
  GRef<vx_XMLTags> tag = new vx_XMLTags(
      "t A=\"x &amp; &#65;&#x42;\" b='say \"hi\"' C=plain d e=\"1/>");
  EXPECT_EQ(bytes_of(tag->name()), "t");
  EXPECT_EQ(attribute(*tag, "a"), "x & AB");
  EXPECT_EQ(attribute(*tag, "b"), "say \"hi\"");
  EXPECT_EQ(attribute(*tag, "c"), "plain");
  EXPECT_EQ(attribute(*tag, "d"), "");
  EXPECT_EQ(attribute(*tag, "e"), "1/");
  EXPECT_EQ(attribute(*tag, "A"), "<absent>");
  // No blanks around "=": the name gets an empty value and the list ends.
  tag = new vx_XMLTags("t a = \"1\" b=\"2\">");
  EXPECT_EQ(attribute(*tag, "a"), "");
  EXPECT_EQ(attribute(*tag, "b"), "<absent>");
  // An unquoted value ends at "/"; the same name read later wins.
  tag = new vx_XMLTags("t a=x/y");
  EXPECT_EQ(attribute(*tag, "a"), "x");
  tag = new vx_XMLTags("t a=x A='z'");
  EXPECT_EQ(attribute(*tag, "a"), "z");

  // A ">" inside quotes ends the tag: what follows is the element's text.
  GRef<vx_XMLTags> root = parse_text("<r><e v=\"a>b\">c</e></r>");
  vx_XMLTags::TagList e = root->children_named("e");
  ASSERT_EQ(e.size(), 1);
  EXPECT_EQ(attribute(*e[e.first()], "v"), "a");
  EXPECT_EQ(bytes_of(e[e.first()]->raw_text()), "b\">c");
}

TEST(XMLTags, CommentsDeclarationsAndInstructions) {
  // "<!---->" is a whole comment; "<!-->" is not, so the comment runs on to
  // the next "-->" and takes the element with it.
  EXPECT_EQ(dump(*parse_text("<r><!----><a/></r>")), "(r|(a|))");
  EXPECT_EQ(dump(*parse_text("<r><!--><a/>--><b/></r>")), "(r|(b|))");
  EXPECT_EQ(dump(*parse_text("<!DOCTYPE r><?style x?><r><? any ?>t</r>")),
            "(r|t)");
  // Text around comments and instructions is one stretch.
  EXPECT_EQ(dump(*parse_text("<r>a<!---->b<?p?>c<x/>d<!-- -->e</r>")),
            "(r|abc(x|)de)");
  // A declaration's attributes stay with the document element.
  EXPECT_EQ(dump(*parse_text("<?xml version=\"1.0\"?><r a=\"1\"/ >")),
            "(r a=1 version=1.0|)");
  EXPECT_EQ(dump(*parse_text("<?XML Version='1'?><r></r>")), "(r version=1|)");
}

TEST(XMLTags, TopLevelEdges) {
  // Blanks outside the document element are fine, open elements at the end
  // too; a second top-level element is the document element again.
  EXPECT_EQ(dump(*parse_text(" \r\n\t<r><a>x")), "(r|(a|x))");
  EXPECT_EQ(dump(*parse_text("<r a=\"1\"><x/></r>\n<s b=\"2\"><y/></s>")),
            "(s a=1 b=2|(x|)(y|))");
  EXPECT_EQ(dump(*parse_text("")), "(|)");
}

TEST(XMLTags, FailuresNameWhatWentWrong) {
  EXPECT_EQ(parse_error("text<r/>"), "XMLTags.raw_string\ttext");
  EXPECT_EQ(parse_error("<r></r> after"), "XMLTags.raw_string\t after");
  EXPECT_EQ(parse_error("<r><a"), "XMLTags.bad_tag\t<a");
  EXPECT_EQ(parse_error("<r><!-- a > b"), "XMLTags.bad_comment\t<!-- a > b");
  EXPECT_EQ(parse_error("<?xml a='>'"), "XMLTags.bad_PI\t<?xml a='>'");
  EXPECT_EQ(parse_error("</r>"), "XMLTags.bad_form");
  EXPECT_EQ(parse_error("<r/>"), "XMLTags.no_body");
  EXPECT_EQ(parse_error("\n<r>\n<a>\n\n</b>"),
            "XMLTags.unmatched_end\ta\t3\tb\t5");
  // A start tag over several lines counts for the lines of what follows.
  EXPECT_EQ(parse_error("<r\n\n><a></r>"), "XMLTags.unmatched_end\ta\t3\tr\t3");
  vx_XMLTags unheld;
  GRef<XMLByteStream> in = XMLByteStream::create(memory_stream("<r/>"));
  EXPECT_EQ(raised_id([&] { unheld.parse(*in); }), "XMLTags.no_GP");
}

TEST(XMLTags, EveryEncodingAndChunkSizeGivesTheSameTree) {
  const std::u32string doc =
      U"<?xml version=\"1.0\"?>\n<Root Lang=\"d\u00E9j\u00E0\">\n"
      U"  <Item id=\"\U0001F600\">caf\u00E9 \u4E2D \U0001F600</Item>\n"
      U"  <Empty/>\n</Root>\n";
  const std::string expected = dump(*parse_text(utf8_of(doc)));
  EXPECT_EQ(
      expected,
      utf8_of(U"(Root lang=d\u00E9j\u00E0 version=1.0|\n  (Item "
              U"id=\U0001F600|caf\u00E9 \u4E2D \U0001F600)\n  (Empty|)\n)"));
  for (TextEncoding e : marked_encodings()) {
    for (bool marked : {false, true}) {
      std::string bytes =
          (marked ? byte_order_mark(e) : std::string()) + encode_text(doc, e);
      for (int32_t chunk = 1; chunk <= 9; ++chunk) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(e) << " mark "
                                        << marked << " chunk " << chunk);
        EXPECT_EQ(dump(*parse_text(bytes, chunk)), expected);
      }
    }
  }
}

TEST(XMLTags, EncodingDeclarations) {
  // Declarations that disagree only in spelling used to switch and rewind
  // forever; the same encoding is never switched to again.
  EXPECT_EQ(dump(*parse_text("<?xml encoding=\"UTF-8\"?><?xml "
                             "encoding=\"utf-8\"?><r>\xC3\xA9</r>")),
            "(r encoding=utf-8|\xC3\xA9)");
  // A document that reads as UTF-16 says UTF-8; read as UTF-8 it says
  // UTF-16. It is read once in each.
  std::string contradicting =
      encode_text(U"<?xml encoding=\"utf-8\"?>", TextEncoding::utf16_le) +
      "<?xml encoding=\"UTF-16\"?><r>x</r>";
  EXPECT_EQ(dump(*parse_text(contradicting)), "(r encoding=UTF-16|x)");
  // "UTF-16" names no byte order: a big-endian document stays big endian.
  for (TextEncoding e : {TextEncoding::utf16_be, TextEncoding::ucs4_2143}) {
    const char32_t *family = e == TextEncoding::utf16_be ? U"UTF-16" : U"UCS-4";
    std::string bytes =
        byte_order_mark(e) + encode_text(std::u32string(U"<?xml encoding=\"") +
                                             family + U"\"?><r>\U0001F600</r>",
                                         e);
    EXPECT_EQ(dump(*parse_text(bytes, 3)), "(r encoding=" + utf8_of(family) +
                                               "|" + utf8_of(U"\U0001F600") +
                                               ")");
  }
  // A little-endian UTF-16 document declaring UTF-8 switches once and finds
  // the same declaration again after the rewind.
  std::string wide = encode_text(U"<?xml encoding=\"utf-8\"?>\n<r>\n</r>",
                                 TextEncoding::utf16_le);
  EXPECT_EQ(dump(*parse_text(wide)), "(r encoding=utf-8|\n)");
  // The instruction ends before its "?>": an unquoted last value is whole.
  EXPECT_EQ(dump(*parse_text("<?xml encoding=UTF-8?><r>x</r>")),
            "(r encoding=UTF-8|x)");
  // An encoding this parser lacks decodes to nothing: the parse ends there.
  EXPECT_EQ(dump(*parse_text("<?xml encoding='latin-1'?><r>x</r>")),
            "( encoding=latin-1|)");
}

TEST(XMLTags, DeepTreesAreBuiltAndReleasedWithoutRecursion) {
  const int depth = 50000;
  std::string doc;
  for (int i = 0; i < depth; ++i)
    doc += "<a>";
  GRef<vx_XMLTags> root = parse_text(doc);
  const vx_XMLTags *tag = root.get();
  int levels = 1;
  while (!tag->content().empty()) {
    tag = tag->content()[tag->content().first()].tag.get();
    ++levels;
  }
  EXPECT_EQ(levels, depth);
  root.reset();
}

} // namespace
