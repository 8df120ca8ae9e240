//===- DjVuMessageLite.h - Message identifiers into text -------*- C++ -*-===//
//
// DjVuMessageLite turns message identifiers (GException.h) into text for a
// person to read. It holds a table of entries read from XML message sources;
// an entry's text has markers such as "%1!s!" where the identifier's
// parameters go ("%0!...!" is the entry's number). An identifier without an
// entry gets a built-in text that names it and lists its parameters, which
// is all the plug-in ever shows, since it loads no source.
//
// A message source is an XML document whose element "BODY" children hold
// "MESSAGE" elements: <MESSAGE name="id" value="text" number="7"/>, or the
// text as the element's content. Sources reach the table only through the
// process-wide list pending_sources(): each is loaded by the next instance()
// call and then taken off the list.
//
// Substitution is bounded: only markers written in an entry's own text are
// replaced, never markers inside a parameter already put in, and a marker's
// printf conversion is used only when it is one of the plain forms (flags
// "-+ #0", a width and a precision of at most four digits each, one of
// d i o u x X f e g s c); anything else puts the parameter in unformatted.
//
// Usage:
//   GUTF8String text = translate_text("IRIS.noEngine");
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_BASE_DJVUMESSAGELITE_H
#define LECTORIN_BASE_DJVUMESSAGELITE_H

#include "ByteStream.h"
#include "GContainer.h"
#include "GSmartPointer.h"
#include "GString.h"
#include "XMLTags.h"

class DjVuMessageLite : public GPEnabled {
public:
  using Factory = GRef<DjVuMessageLite> (*)();

  /// An empty table: every translation is a built-in text.
  DjVuMessageLite();
  ~DjVuMessageLite() override;

  /// The process-wide lookup object, made on the first call. Every call
  /// first loads the sources waiting in pending_sources(), in order; a
  /// source that fails to parse raises its "XMLTags." identifier, adds no
  /// entry and stays first in the list, moved back to where it started, to
  /// be tried again. Null after the object has been released at process
  /// exit.
  static GRef<DjVuMessageLite> instance();
  /// The sources waiting to be loaded, made on first use; null after it has
  /// been released at process exit.
  static GLinkedList<GRef<ByteStream>> *pending_sources();
  /// Where translate_text gets the lookup object; instance() by default.
  static Factory message_factory;

  /// The translations of the messages in text, one per line, line feeds
  /// kept; the empty text gives the empty string.
  GUTF8String translate(const GUTF8String &text) const;
  /// The translation of one message: identifier, tab-separated parameters,
  /// and after a vertical tab a nested message that becomes the last
  /// parameter. An unknown identifier gives "DjVuMessage.Unrecognized" with
  /// the whole message as its parameters.
  GUTF8String translate_one(const GUTF8String &message) const;
  /// The entry for id: its text (the "value" attribute, or the element's
  /// content trimmed and unescaped) and its "number"; both empty when there
  /// is no entry.
  void find_entry(const GUTF8String &id, GUTF8String &text,
                  GUTF8String &number) const;
  /// Puts argument in place of every marker of parameter number in text,
  /// formatted by the marker's conversion; markers inside the argument are
  /// left as they are. Without a marker, a parameter from 1 up is added on
  /// a line of its own ("DjVuMessage.Parameter"), parameter 0 is dropped.
  void insert_argument(GUTF8String &text, int32_t number,
                       const GUTF8String &argument) const;
  /// Parses the XML source and enters its messages; the same name read
  /// later replaces an earlier one. Nothing is entered when parsing fails.
  void load_source(const GRef<ByteStream> &source);

private:
  class Template;
  // The translation of id with these parameters, already split and
  // translated. A missing marker adds a parameter line unless this is the
  // parameter line itself.
  GUTF8String translate_parts(const GUTF8String &id,
                              const GLinkedList<GUTF8String> &parameters,
                              bool add_missing = true) const;
  GUTF8String parameter_line(const GUTF8String &argument) const;

  GMap<GUTF8String, GRef<vx_XMLTags>> entries_;
};

/// The translation of text by the lookup object that message_factory
/// gives (the built-in texts when there is none).
GUTF8String translate_text(const GUTF8String &text);

#endif // LECTORIN_BASE_DJVUMESSAGELITE_H
