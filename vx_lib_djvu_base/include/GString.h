//===- GString.h - Immutable shared strings, UTF-8 and native --*- C++ -*-===//
//
// A string is a handle to a GStringRep: a reference-counted, never-changing
// array of bytes that always ends in a zero byte. Copying a string copies a
// reference; every change makes a new representation. The empty string has
// no representation at all, yet its text is always readable ("").
//
// The kind of representation decides how its bytes are characters:
// GStringRep::UTF8 holds UTF-8, GStringRep::Native the multibyte code page of
// the library's locale (GLocale.h). GUTF8String holds only UTF-8, GLocalString
// only native text; building one from the other converts. UTF-8 is the
// default form; native text is for the edges (the error stream).
//
// Bad input never raises in a conversion: a byte that is not valid UTF-8
// decodes to the complement of its value (0xFFFFFF00..0xFFFFFF7F) and encodes
// back to the same byte, so such bytes survive every round trip; native text
// that does not convert gives the empty string.
//
// Usage:
//   GUTF8String word = GUTF8String::format("<WORD>%s</WORD>", text.c_str());
//   GUTF8String safe = word.xml_escape();
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_BASE_GSTRING_H
#define LECTORIN_BASE_GSTRING_H

#include "GContainer.h"
#include "GException.h"
#include "GSmartPointer.h"

#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cwchar>

/// Encodings of decoded text (TextEncoding.h).
enum class TextEncoding : int32_t;

class GUTF8String;
class GLocalString;

//===-- Representations ---------------------------------------------------===//

/// The bytes of one string and what they mean. Made filled in, then shared
/// and never changed. byte_count bytes of text, then a zero byte.
class GStringRep : public GPEnabled {
public:
  class UTF8;
  class Native;
  /// UTF-8 decoded from another encoding, with the undecoded tail of its
  /// input (GUnicode.h).
  class Unicode;

  /// How as_native writes characters that the code page lacks.
  enum EscapeMode : int32_t {
    escape_unset = 0,      ///< a Native representation raises on it
    escape_references = 1, ///< "&#N;" in the character's place
    escape_none = 2,       ///< the whole result is empty
  };

  /// Room that encode_char may fill, zero byte included.
  static constexpr int max_encoded_bytes = 2 * MB_LEN_MAX + 1;

  int32_t size() const noexcept { return byte_count_; }
  const char *data() const noexcept { return bytes_; }
  /// The bytes, for the operation that made the representation, before it
  /// is shared.
  char *writable_data() noexcept { return bytes_; }

  /// Clears the first byte and frees the bytes.
  ~GStringRep() override;

  /// A new representation of this kind with room for n bytes; null for 0.
  virtual GRef<GStringRep> make_blank(int32_t n) const = 0;
  /// This text joined with other's (non-null), of this kind. Raises
  /// "GStringRep.appendNativeToUTF8" / "GStringRep.appendUTF8toNative" when
  /// other is of the other kind.
  virtual GRef<GStringRep> append(const GStringRep *other) const = 0;
  virtual bool holds_utf8() const = 0;
  virtual bool holds_native() const = 0;
  /// The text in the native code page. A Native representation gives itself
  /// and raises "GStringRep.NativeToNative" when mode is escape_unset.
  virtual GRef<GStringRep> as_native(EscapeMode mode) const = 0;
  /// The text in UTF-8; null when native text does not convert. A UTF-8
  /// representation gives itself, and raises "GStringRep.UTF8ToUTF8" unless
  /// no_raise is set.
  virtual GRef<GStringRep> as_utf8(bool no_raise) const = 0;
  /// other (non-null) converted to this kind; null when it does not convert.
  virtual GRef<GStringRep> to_own_kind(const GStringRep *other) const = 0;
  /// Compares with other (null is the empty string): n = 0 is equal, n > 0
  /// compares at most n bytes, n < 0 the whole texts as unsigned bytes.
  /// Across kinds the texts are compared in UTF-8, or natively when the
  /// native one has no UTF-8 form. The sign of the result tells the order.
  virtual int compare(const GStringRep *other, int32_t n) const = 0;
  /// A decimal integer from the start.
  virtual int32_t parse_int() const = 0;
  /// An integer read from byte position as strtol does, saturated to 32
  /// bits; end is the byte position where reading stopped (position when
  /// nothing was read). UTF-8 text is read under "C".
  virtual int32_t parse_long(int32_t position, int32_t &end,
                             int base) const = 0;
  /// The same as strtoul does: "-5" gives 2^32 - 5, too large saturates.
  virtual uint32_t parse_ulong(int32_t position, int32_t &end,
                               int base) const = 0;
  virtual double parse_double(int32_t position, int32_t &end) const = 0;
  /// Writes code_point in this kind's encoding at out (max_encoded_bytes of
  /// room) and returns the position after its last byte; a zero byte
  /// follows. Nothing written (the result is out) means that the native
  /// code page lacks the character.
  virtual char *encode_char(uint32_t code_point, char *out,
                            std::mbstate_t &state) const = 0;
  /// Decodes the character at cursor, which moves past it. 0 at the end, at
  /// a zero byte and for a sequence cut short (see GString.cpp for when the
  /// cursor moves then); invalid UTF-8 gives the complement of its byte.
  virtual uint32_t decode_char(const char *&cursor, const char *end) const = 0;

  // The undecoded tail of incomplete input, kept by the representation that
  // decodes byte streams; the UTF-8 and native kinds keep none.
  virtual void keep_tail_of(const GStringRep *other);
  virtual void keep_tail_coded(const char *bytes, int32_t length,
                               const GRef<GStringRep> &encoding_name);
  virtual void keep_tail_typed(const char *bytes, int32_t length,
                               TextEncoding encoding);
  virtual GRef<GStringRep> tail_holder() const;

  /// True when every character decodes (invalid UTF-8 bytes do decode).
  virtual bool is_well_formed() const = 0;
  /// Writes the text as UTF-16 and a zero unit into buffer; the units
  /// written without the zero one, or -1 for a null buffer, capacity 0, or
  /// a text that does not fit.
  virtual int32_t copy_utf16(uint16_t *buffer, int32_t capacity) const = 0;

protected:
  /// Room for n bytes and the zero byte; only the zero byte is set.
  explicit GStringRep(int32_t n);

private:
  int32_t byte_count_;
  char *bytes_ = nullptr;
  GRawBuffer bytes_buffer_;
};

/// UTF-8 text.
class GStringRep::UTF8 : public GStringRep {
public:
  /// A representation of the n bytes at text; null when n <= 0.
  static GRef<GStringRep> create(const char *text, int32_t n);
  /// A representation with room for n bytes, only the zero byte set.
  static GRef<GStringRep> create_blank(int32_t n);

  GRef<GStringRep> make_blank(int32_t n) const override;
  GRef<GStringRep> append(const GStringRep *other) const override;
  bool holds_utf8() const override { return true; }
  bool holds_native() const override { return false; }
  GRef<GStringRep> as_native(EscapeMode mode) const override;
  GRef<GStringRep> as_utf8(bool no_raise) const override;
  GRef<GStringRep> to_own_kind(const GStringRep *other) const override;
  int compare(const GStringRep *other, int32_t n) const override;
  int32_t parse_int() const override;
  int32_t parse_long(int32_t position, int32_t &end, int base) const override;
  uint32_t parse_ulong(int32_t position, int32_t &end, int base) const override;
  double parse_double(int32_t position, int32_t &end) const override;
  char *encode_char(uint32_t code_point, char *out,
                    std::mbstate_t &state) const override;
  uint32_t decode_char(const char *&cursor, const char *end) const override;
  bool is_well_formed() const override;
  int32_t copy_utf16(uint16_t *buffer, int32_t capacity) const override;

protected:
  explicit UTF8(int32_t n) : GStringRep(n) {}
};

/// Text in the native multibyte code page.
class GStringRep::Native : public GStringRep {
public:
  static GRef<GStringRep> create(const char *text, int32_t n);
  static GRef<GStringRep> create_blank(int32_t n);

  GRef<GStringRep> make_blank(int32_t n) const override;
  GRef<GStringRep> append(const GStringRep *other) const override;
  bool holds_utf8() const override { return false; }
  bool holds_native() const override { return true; }
  GRef<GStringRep> as_native(EscapeMode mode) const override;
  GRef<GStringRep> as_utf8(bool no_raise) const override;
  GRef<GStringRep> to_own_kind(const GStringRep *other) const override;
  int compare(const GStringRep *other, int32_t n) const override;
  int32_t parse_int() const override;
  int32_t parse_long(int32_t position, int32_t &end, int base) const override;
  uint32_t parse_ulong(int32_t position, int32_t &end, int base) const override;
  double parse_double(int32_t position, int32_t &end) const override;
  char *encode_char(uint32_t code_point, char *out,
                    std::mbstate_t &state) const override;
  uint32_t decode_char(const char *&cursor, const char *end) const override;
  bool is_well_formed() const override;
  int32_t copy_utf16(uint16_t *buffer, int32_t capacity) const override;

protected:
  explicit Native(int32_t n) : GStringRep(n) {}
};

//===-- Handles -----------------------------------------------------------===//

/// What both string classes share: the representation and its text.
///
/// Positions and lengths are byte counts. A negative start counts from the
/// end. Substrings take (start, length): a negative length ends the range at
/// length() + length + 1 (-1 reaches the end), and ranges stop at the end.
class GStringHandle {
public:
  int32_t length() const noexcept;
  bool is_empty() const noexcept { return !representation_; }
  /// The text, never null; "" for the empty string.
  const char *c_str() const noexcept { return text_cache_; }
  /// The representation; null for the empty string.
  const GRef<GStringRep> &rep() const noexcept { return representation_; }

  /// The byte at position; position length() is the zero byte, a negative
  /// one counts from the end. Raises "GString.bad_subscript" outside.
  char operator[](int32_t position) const;

  /// See GStringRep::compare.
  int compare(const GStringHandle &other, int32_t n = -1) const;

  /// Offset of the first c at or after start; -1 when there is none or
  /// start lies outside the text.
  int32_t find_char(char c, int32_t start = 0) const;
  /// Offset of the first occurrence of text at or after start, -1 when
  /// there is none. Raises "GString.bad_subscript" when start is negative
  /// even after counting from the end.
  int32_t find_text(const char *text, int32_t start = 0) const;
  /// Offset of the first byte at or after start that is one of set; -1 when
  /// there is none or set is empty. Raises like find_text.
  int32_t find_any_of(const char *set, int32_t start = 0) const;

  /// The position of the first character at or after start, within n bytes
  /// (n < 0: to the end), that is not whitespace. Whitespace: what the
  /// library's locale counts as space (GLocale.h), CR, LF, and every
  /// character from U+10000 up.
  int32_t skip_space(int32_t start = 0, int32_t n = -1) const;
  /// The position just after the last non-whitespace character in the
  /// range; the range's end when it holds none.
  int32_t trailing_space_start(int32_t start = 0, int32_t n = -1) const;

  /// See GStringRep::parse_long and friends; 0 for the empty string.
  int32_t parse_int() const;
  int32_t parse_long(int32_t start, int32_t &end, int base = 10) const;
  uint32_t parse_ulong(int32_t start, int32_t &end, int base = 10) const;
  double parse_double(int32_t start, int32_t &end) const;

  /// See GStringRep::is_well_formed; true for the empty string.
  bool is_well_formed() const;
  /// See GStringRep::copy_utf16; the empty string writes the zero unit.
  int32_t copy_utf16(uint16_t *buffer, int32_t capacity) const;

protected:
  GStringHandle() noexcept;
  explicit GStringHandle(GRef<GStringRep> rep) noexcept;
  GStringHandle(const GStringHandle &other) noexcept;
  GStringHandle(GStringHandle &&other) noexcept;
  GStringHandle &operator=(const GStringHandle &other);
  GStringHandle &operator=(GStringHandle &&other) noexcept;
  ~GStringHandle() = default;

  void set_rep(GRef<GStringRep> rep) noexcept;
  /// writable_buffer of either class; native tells the kind an empty
  /// string gets.
  char *make_writable(int32_t n, bool native);

  // Operations that give a representation of the same kind.
  GRef<GStringRep> substring_rep(int32_t start, int32_t n) const;
  GRef<GStringRep> join_rep(const GRef<GStringRep> &right) const;
  GRef<GStringRep> case_mapped_rep(bool upper) const;
  GRef<GStringRep> xml_escape_rep(bool seven_bit) const;
  GRef<GStringRep>
  xml_unescape_rep(const GMap<GUTF8String, GUTF8String> &extra_entities) const;

private:
  GRef<GStringRep> representation_;
  const char *text_cache_;
};

bool operator==(const GStringHandle &a, const GStringHandle &b);
bool operator!=(const GStringHandle &a, const GStringHandle &b);
/// Orders as compare(b, -1).
bool operator<(const GStringHandle &a, const GStringHandle &b);
// Against plain text: unsigned bytes, the empty text first. Null is "".
bool operator==(const GStringHandle &a, const char *b);
bool operator!=(const GStringHandle &a, const char *b);
bool operator<(const GStringHandle &a, const char *b);
bool operator>(const GStringHandle &a, const char *b);
bool operator<=(const GStringHandle &a, const char *b);
bool operator>=(const GStringHandle &a, const char *b);

/// A string of UTF-8 text.
class GUTF8String : public GStringHandle {
public:
  GUTF8String() noexcept = default;
  /// The bytes up to the first zero byte; null is the empty string.
  GUTF8String(const char *text);
  /// A substring of text (see GStringHandle). With start and n not
  /// negative, text is not read past start + n bytes.
  GUTF8String(const char *text, int32_t start, int32_t n);
  GUTF8String(const GUTF8String &other) noexcept = default;
  GUTF8String(GUTF8String &&other) noexcept = default;
  /// Converts native text; empty when it does not convert.
  explicit GUTF8String(const GLocalString &text);
  /// UTF-16 units up to n units or the zero unit (n < 0: the zero unit
  /// only), surrogate pairs joined; stops at a unit that does not join.
  GUTF8String(const char16_t *units, int32_t n = -1);
  GUTF8String(const uint16_t *units, int32_t n = -1);
  /// The number in decimal.
  explicit GUTF8String(int32_t number);
  /// format applied to args (see format_args).
  GUTF8String(const GUTF8String &format, std::va_list args);
  GUTF8String &operator=(const GUTF8String &other) = default;
  GUTF8String &operator=(GUTF8String &&other) = default;

  /// printf-style formatting in the "C" locale. A format whose first
  /// conversion is a number and "!" ("%1!s!") goes to the system message
  /// formatter instead, with numbered inserts. No length limit.
  static GUTF8String format(const char *format, ...) G_PRINTF_FORMAT(1, 2);
  /// This string taken as a format (see format) and applied to args.
  GUTF8String format_args(std::va_list args) const;

  /// The characters from start, at most n bytes (see GStringHandle).
  GUTF8String substring(int32_t start, int32_t n = -1) const;
  GUTF8String to_upper() const;
  GUTF8String to_lower() const;

  /// XML-safe text: the quote, "&", "'", "<", ">" become entities; control
  /// characters, "~" and DEL numeric references "&#N;"; with seven_bit, so
  /// does every character above 0x7F. Unchanged text keeps its
  /// representation.
  GUTF8String xml_escape(bool seven_bit = false) const;
  /// Replaces "&name;" by extra_entities[name] or one of the five XML
  /// entities, "&#N;" and "&#xN;" by the character; unknown names and "&;"
  /// stay as they are. Unchanged text keeps its representation.
  GUTF8String
  xml_unescape(const GMap<GUTF8String, GUTF8String> &extra_entities) const;
  GUTF8String xml_unescape() const;

  /// Joins; the right operand is converted to UTF-8 first.
  GUTF8String operator+(const GStringHandle &right) const;
  GUTF8String operator+(const char *right) const;
  GUTF8String &operator+=(const GStringHandle &right);
  GUTF8String &operator+=(const char *right);

  /// Makes the string n bytes long and gives their address for the caller
  /// to fill: the old text's first n bytes, zero bytes past it (n < 0 keeps
  /// the whole length). The caller must not write past n bytes. n = 0, or
  /// n < 0 on an empty string, empties the string and gives null.
  char *writable_buffer(int32_t n) { return make_writable(n, false); }

private:
  friend class GLocalString;
  explicit GUTF8String(GRef<GStringRep> rep) noexcept
      : GStringHandle(std::move(rep)) {}
};

GUTF8String operator+(const char *left, const GUTF8String &right);

/// A string of text in the native code page.
class GLocalString : public GStringHandle {
public:
  GLocalString() noexcept = default;
  GLocalString(const char *text);
  GLocalString(const char *text, int32_t start, int32_t n);
  GLocalString(const GLocalString &other) noexcept = default;
  GLocalString(GLocalString &&other) noexcept = default;
  /// Converts UTF-8 text; empty when a character has no native form.
  explicit GLocalString(const GUTF8String &text);
  explicit GLocalString(int32_t number);
  GLocalString(const GLocalString &format, std::va_list args);
  GLocalString &operator=(const GLocalString &other) = default;
  GLocalString &operator=(GLocalString &&other) = default;

  /// printf-style formatting in the library's locale.
  static GLocalString format(const char *format, ...) G_PRINTF_FORMAT(1, 2);
  GLocalString format_args(std::va_list args) const;

  /// UTF-8 text for output in the native code page. When a character has
  /// no native form, the conversion is tried once more in the user's
  /// default locale; failing that, the UTF-8 bytes are taken unchanged.
  static GLocalString for_output(const GUTF8String &text);

  GLocalString substring(int32_t start, int32_t n = -1) const;
  GLocalString to_upper() const;
  GLocalString to_lower() const;
  GLocalString xml_escape(bool seven_bit = false) const;
  GLocalString
  xml_unescape(const GMap<GUTF8String, GUTF8String> &extra_entities) const;

  /// Joins; the right operand is converted to native text first.
  GLocalString operator+(const GStringHandle &right) const;
  GLocalString operator+(const char *right) const;
  GLocalString &operator+=(const GStringHandle &right);
  GLocalString &operator+=(const char *right);

  /// See GUTF8String::writable_buffer; an empty string gets native text.
  char *writable_buffer(int32_t n) { return make_writable(n, true); }

private:
  friend class GUTF8String;
  explicit GLocalString(GRef<GStringRep> rep) noexcept
      : GStringHandle(std::move(rep)) {}
};

GLocalString operator+(const char *left, const GLocalString &right);

/// UTF-8 strings as map keys, hashed over their bytes.
template <> struct GMapKeyTraits<GUTF8String> {
  static uint32_t hash(const GUTF8String &key) noexcept {
    return GHashTable::hash(key.c_str());
  }
  static bool equal(const GUTF8String &a, const GUTF8String &b) {
    return a == b;
  }
};

//===-- Code points -------------------------------------------------------===//

/// Encodes one code point as UTF-8 at out (6 bytes of room) and returns the
/// position after it. Values above 0x7FFFFFFF, such as the complement that
/// an invalid byte decodes to, are written as one byte: the low eight bits
/// of their complement.
char *utf8_encode(uint32_t code_point, char *out) noexcept;
/// Decodes one UTF-8 character at cursor (see GStringRep::decode_char).
uint32_t utf8_decode(const char *&cursor, const char *end) noexcept;
/// Joins the UTF-16 units at cursor into one code point and moves past
/// them; 0, without moving, at end (null: no end), at the zero unit, at a
/// low surrogate, and at a high surrogate with no unit (or the zero unit)
/// after it.
uint32_t utf16_join(const uint16_t *&cursor, const uint16_t *end) noexcept;
/// Splits a code point into UTF-16 units at out (2 of room); the count.
int utf16_split(uint32_t code_point, uint16_t *out) noexcept;
/// Whether skip_space passes over code_point: space in the library's locale,
/// CR, LF, and every value from 0x10000 up.
bool is_whitespace(uint32_t code_point);

#endif // LECTORIN_BASE_GSTRING_H
