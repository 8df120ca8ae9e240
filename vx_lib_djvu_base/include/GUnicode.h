//===- GUnicode.h - UTF-8 decoded from a known encoding --------*- C++ -*-===//
//
// GStringRep::Unicode is text decoded into UTF-8 from bytes in one of the
// TextEncodings; every string operation reads it as ordinary UTF-8. What sets
// it apart is its tail: the bytes at the end of its input that did not yet
// form a whole character, with the encoding to decode them in. A text stream
// decodes chunk after chunk, each representation made "continued" after the
// one before, so a character that a chunk boundary cuts is decoded whole
// once the next chunk arrives.
//
// Decoding rules:
// - A first creation that starts with a byte-order mark takes the mark's
//   encoding instead of the one given and skips the mark. Continued
//   creations never look for one: the bytes there are mid-text.
// - A zero unit (a zero byte in UTF-8, one_byte; a zero 16-bit or 32-bit unit
//   in UTF-16 and UCS-4) is no character and is dropped; the text goes on.
// - UTF-8 is decoded as GString.h does (invalid bytes survive as themselves);
//   an overlong zero keeps its bytes the same way.
// - UTF-16 joins a high surrogate with whatever unit follows it; a low
//   surrogate standing alone is written as its own value.
// - UCS-4 values are not checked, except that one beyond what UTF-8 can hold
//   (above 0x7FFFFFFF) becomes U+FFFD.
// - no_decoder decodes everything to nothing and keeps no tail.
//
// A representation made here exists even when it holds no text, since it
// carries the encoding and the tail; strings never hold one without text,
// so copy its text out (GUTF8String(rep->data(), 0, rep->size())).
//
// Usage:
//   GRef<GStringRep::Unicode> text = GStringRep::Unicode::create(
//       nullptr, 0, TextEncoding::utf16_le);
//   text = GStringRep::Unicode::create_continued(text, chunk, n);
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_BASE_GUNICODE_H
#define LECTORIN_BASE_GUNICODE_H

#include "GString.h"
#include "TextEncoding.h"

class GStringRep::Unicode : public GStringRep::UTF8 {
public:
  /// The text of length bytes in encoding (a mark overrides it). Length 0
  /// gives no text, only the encoding.
  static GRef<Unicode> create(const void *bytes, int32_t length,
                              TextEncoding encoding);
  /// The same with the encoding given by name (text_encoding_named); the
  /// tail keeps the name.
  static GRef<Unicode> create(const void *bytes, int32_t length,
                              const GUTF8String &encoding_name);
  /// previous's tail followed by the length new bytes, decoded in
  /// previous's encoding (by its name when it has one). A previous that is
  /// null or keeps no tail continues as empty UTF-8.
  static GRef<Unicode> create_continued(const GRef<GStringRep> &previous,
                                        const void *bytes, int32_t length);

  /// A new representation of this text from byte position on, with this
  /// tail, the tail and what follows it to be decoded in the encoding
  /// named: the text of a stream that changes encoding where it stands.
  GRef<Unicode> rest_in(int32_t position,
                        const GUTF8String &encoding_name) const;

  /// Takes other's tail and encoding; with none, an empty tail and utf8.
  void keep_tail_of(const GStringRep *other) override;
  /// The tail, to be decoded in the encoding named encoding_name; encoding()
  /// becomes no_decoder.
  void keep_tail_coded(const char *bytes, int32_t length,
                       const GRef<GStringRep> &encoding_name) override;
  /// The tail, to be decoded in encoding; any name is dropped.
  void keep_tail_typed(const char *bytes, int32_t length,
                       TextEncoding encoding) override;
  /// This representation.
  GRef<GStringRep> tail_holder() const override;

  /// The encoding as stored: no_decoder when the tail was set by name.
  TextEncoding encoding() const noexcept { return encoding_; }
  const GRef<GStringRep> &named_encoding() const noexcept {
    return named_encoding_;
  }
  /// The encoding that the next bytes are decoded in: the name's when one
  /// is kept, else encoding().
  TextEncoding next_encoding() const;
  const char *tail() const noexcept { return remainder_; }
  int32_t tail_size() const noexcept { return remainder_size_; }

private:
  explicit Unicode(int32_t n);
  // Decodes n bytes and keeps the rest as the tail, by name when name is
  // given, else by encoding.
  static GRef<Unicode> build(const unsigned char *p, int32_t n,
                             TextEncoding encoding,
                             const GRef<GStringRep> *name);
  void set_tail(const char *bytes, int32_t length);

  GRef<GStringRep> named_encoding_;
  TextEncoding encoding_ = TextEncoding::utf8;
  char *remainder_ = nullptr;
  int32_t remainder_size_ = 0;
  GRawBuffer remainder_buffer_;
};

#endif // LECTORIN_BASE_GUNICODE_H
