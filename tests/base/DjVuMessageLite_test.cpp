// Message lookup: the built-in texts, parameters with and without markers,
// nested messages, entries from loaded sources, and the substitutions that
// used to run forever or format through unchecked conversions.

#include "DjVuMessageLite.h"

#include "test_util.h"
#include "text_samples.h"

#include <string>

namespace {

std::string bytes_of(const GUTF8String &s) {
  return std::string(s.c_str(), static_cast<std::size_t>(s.length()));
}

std::string parameter(const std::string &text) {
  return "\n\t   Parameter: " + text + "\n";
}

// A lookup object of its own with one source loaded.
struct Table {
  GRef<DjVuMessageLite> lookup = new DjVuMessageLite;
  explicit Table(const std::string &bodies) {
    lookup->load_source(memory_stream("<DjVuXML>" + bodies + "</DjVuXML>"));
  }
  std::string operator()(const std::string &text) const {
    return bytes_of(lookup->translate(text.c_str()));
  }
};

TEST(DjVuMessageLite, BuiltInTexts) {
  DjVuMessageLite empty;
  auto t = [&](const char *text) { return bytes_of(empty.translate(text)); };
  EXPECT_EQ(t("IRIS.noEngine"), unrecognized("IRIS.noEngine"));
  EXPECT_EQ(t("IRIS.detected\t0x0001\t0x00ab"), unrecognized("IRIS.detected") +
                                                    parameter("0x0001") +
                                                    parameter("0x00ab"));
  // An identifier followed by a tab has one empty parameter.
  EXPECT_EQ(t("X.y\t"), unrecognized("X.y") + parameter(""));
  EXPECT_EQ(t("DjVuMessage.Unrecognized"), unrecognized("%1!s!"));
  EXPECT_EQ(t("DjVuMessage.Parameter\tp"), "\t   Parameter: p");
  EXPECT_EQ(t("DjVuMessage.failed_to_parse_XML\tm.xml"),
            "Failed to parse XML message file:&#10;&#09;&apos;m.xml&apos;.");
  EXPECT_EQ(t(""), "");
  EXPECT_TRUE(empty.translate("").is_empty());
  EXPECT_EQ(t("A.a\nB.b"), unrecognized("A.a") + "\n" + unrecognized("B.b"));
  EXPECT_EQ(t("A.a\n\nB.b\n"),
            unrecognized("A.a") + "\n\n" + unrecognized("B.b") + "\n");
}

TEST(DjVuMessageLite, NestedMessagesBecomeTheLastParameter) {
  Table table("<BODY><MESSAGE name='Outer' value='outer [%1!s!] [%2!s!]'/>"
              "<MESSAGE name='Inner' value='inner %1!s!'/></BODY>");
  EXPECT_EQ(table("Outer\tp\vInner\tq"), "outer [p] [inner q]");
  // Without entries the nested translation is one parameter, tabs and all.
  EXPECT_EQ(table("A.a\vB.b\tz"),
            unrecognized("A.a") +
                parameter(unrecognized("B.b") + parameter("z")));
}

TEST(DjVuMessageLite, EntriesFromASource) {
  Table table("<BODY>"
              "<MESSAGE name='Num' value='[%1!d!|%2!s!|%1!04x!]'/>"
              "<MESSAGE name='Float' value='%1!.2f! %1!e!' number='3'/>"
              "<MESSAGE name='Numbered' number='42'>#%0!s! %0!d!</MESSAGE>"
              "<MESSAGE name='NoNumber' value='[%0!s!][%0!d!]'/>"
              "<MESSAGE name='Same' value='first'/>"
              "<MESSAGE value='no name'/>"
              "<OTHER name='Other' value='x'/>"
              "<MESSAGE name='Trim'>  \n   text &amp; more  \n </MESSAGE>"
              "<MESSAGE name='SameLine'>  text\n  more  </MESSAGE>"
              "<MESSAGE name='Has'><i/>child</MESSAGE>"
              "</BODY>"
              "<HEAD><MESSAGE name='Head' value='x'/></HEAD>"
              "<BODY><MESSAGE name='Same' value='second'/></BODY>");
  EXPECT_EQ(table("Num\t7\tz"), "[7|z|0007]");
  EXPECT_EQ(table("Float\t2.5"), "2.50 2.500000e+00");
  // Not a number: the text as it stands.
  EXPECT_EQ(table("Float\tabc"), "abc abc");
  EXPECT_EQ(table("Numbered"), "#42 42");
  // No number: the markers of parameter 0 take "", "%0!d!" takes 0, and no
  // parameter line is added for it.
  EXPECT_EQ(table("NoNumber"), "[][0]");
  EXPECT_EQ(table("Same"), "second");
  EXPECT_EQ(table("Other"), unrecognized("Other"));
  EXPECT_EQ(table("Head"), unrecognized("Head"));
  // Content starting on a later line is taken from that line; content
  // starting on the tag's line from its start. Both are unescaped.
  EXPECT_EQ(table("Trim"), "   text & more");
  EXPECT_EQ(table("SameLine"), "  text\n  more");
  EXPECT_EQ(table("Has"), unrecognized("Has"));
  GUTF8String text, number;
  table.lookup->find_entry("Float", text, number);
  EXPECT_EQ(bytes_of(text), "%1!.2f! %1!e!");
  EXPECT_EQ(bytes_of(number), "3");
  table.lookup->find_entry("Missing", text, number);
  EXPECT_TRUE(text.is_empty() && number.is_empty());
}

TEST(DjVuMessageLite, InsertArgument) {
  DjVuMessageLite lookup;
  auto insert = [&](const char *text, int32_t n, const char *argument) {
    GUTF8String s(text);
    lookup.insert_argument(s, n, argument);
    return bytes_of(s);
  };
  EXPECT_EQ(insert("a %1!s! b %1!s!", 1, "x"), "a x b x");
  EXPECT_EQ(insert("%1!-4s!|%1!5.1s!|%1!c!", 1, "\xC3\xA9z"),
            "\xC3\xA9z |    \xC3|\xC3\xA9");
  EXPECT_EQ(insert("no marker", 2, "x"), "no marker" + parameter("x"));
  EXPECT_EQ(insert("", 1, "x"), parameter("x"));
  EXPECT_EQ(insert("no marker", 0, "x"), "no marker");
  EXPECT_EQ(insert("%0!d!", 0, ""), "0");
  // The resume point is just after the text put in: the argument is not
  // searched again, and the next marker is not skipped.
  EXPECT_EQ(insert("%1!20s!", 1, "%1!20s!"), "             %1!20s!");
  EXPECT_EQ(insert("%1!d!%1!d!", 1, "007"), "77");
  // A marker without its closing "!" stays and is passed over.
  EXPECT_EQ(insert("%1!s", 1, "x"), "%1!s");
  EXPECT_EQ(insert("%1!%1!s!", 1, "x"), "xs!");
  // Conversions that would read or write what is not there put the argument
  // in unformatted.
  for (const char *unsafe : {"%1!n!", "%1!*s!", "%1!ls!", "%1!p!", "%1!99999d!",
                             "%1!.99999f!", "%1!\xC3\xA9!"})
    EXPECT_EQ(insert(unsafe, 1, "12"), "12") << unsafe;
  EXPECT_EQ(insert("%1!#5o!|%1!+d!|%1!-5X!|", 1, "255"), " 0377|+255|FF   |");
}

TEST(DjVuMessageLite, SubstitutionStaysBounded) {
  // Markers inside parameters are not substituted: parameters that name
  // each other cannot multiply the text.
  std::string message = "A.a";
  std::string markers;
  for (int i = 2; i < 40; ++i) {
    markers.clear();
    for (int k = 0; k < 8; ++k)
      markers += "%" + std::to_string(i + 1) + "!s!";
    message += "\t" + markers;
  }
  DjVuMessageLite empty;
  EXPECT_LT(empty.translate(message.c_str()).length(), 20000);
  // An entry for the parameter line without a marker does not call itself.
  Table table("<BODY><MESSAGE name='DjVuMessage.Parameter' value='P'/></BODY>");
  EXPECT_EQ(table("A.a\tx"), unrecognized("A.a") + "\nP\n");
  // Nesting costs no stack, however deep. (Here each level's parameter line
  // is "P", so the text stays short.)
  std::string deep = "X";
  for (int i = 0; i < 20000; ++i)
    deep += "\vX";
  EXPECT_EQ(table(deep), unrecognized("X") + "\nP\n");
}

TEST(DjVuMessageLite, PendingSourcesLoadOnce) {
  GLinkedList<GRef<ByteStream>> *pending = DjVuMessageLite::pending_sources();
  ASSERT_NE(pending, nullptr);
  pending->append(memory_stream("<M><BODY><MESSAGE name='Test.queued' "
                                "value='queued %1!s!'/></BODY></M>"));
  EXPECT_EQ(bytes_of(translate_text("Test.queued\tyes")), "queued yes");
  EXPECT_TRUE(pending->empty());

  // A source that does not parse raises, adds nothing and stays first.
  pending->append(memory_stream(
      "<M><BODY><MESSAGE name='Test.broken' value='x'/></BODY></N>"));
  EXPECT_EQ(raised_id([] { DjVuMessageLite::instance(); }),
            "XMLTags.unmatched_end\tM\t1\tN\t1");
  EXPECT_EQ(pending->size(), 1);
  // The report on standard error still comes, untranslated, and a report
  // from a destructor stays inside it.
  EXPECT_EQ(stderr_of([] { GException("IRIS.noEngine").print_report(); }),
            "***IRIS.noEngine\n\n");
  struct Reporting {
    ~Reporting() {
      try {
        G_THROW("GBitmap.lost_sync");
      } catch (...) {
        GException::report_current();
      }
    }
  };
  EXPECT_EQ(stderr_of([] { Reporting reporting; }),
            "***GBitmap.lost_sync\nGException.exception\n\n");
  GCursor first = pending->first();
  pending->del(first);
  EXPECT_EQ(bytes_of(translate_text("Test.broken")),
            unrecognized("Test.broken"));
}

GRef<DjVuMessageLite> no_lookup() { return GRef<DjVuMessageLite>(); }

TEST(DjVuMessageLite, TranslateTextAsksTheFactory) {
  // Without a lookup object the built-in texts still apply.
  DjVuMessageLite::Factory before = DjVuMessageLite::message_factory;
  DjVuMessageLite::message_factory = &no_lookup;
  EXPECT_EQ(bytes_of(translate_text("IRIS.noEngine")),
            unrecognized("IRIS.noEngine"));
  DjVuMessageLite::message_factory = before;
}

} // namespace
