// Text decoded from other encodings: every encoding gives the same UTF-8,
// marks override the encoding given, and a character cut anywhere by a chunk
// boundary comes out whole from the continued creation.

#include "GUnicode.h"

#include "text_samples.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Unicode = GStringRep::Unicode;

const std::u32string sample = U"a\u00E9\u4E2D\U0001F600z<\u07FF\uFFFD";

std::string text_of(const GRef<Unicode> &rep) {
  return std::string(rep->data(), static_cast<std::size_t>(rep->size()));
}

std::string tail_of(const GRef<Unicode> &rep) {
  return std::string(rep->tail(), static_cast<std::size_t>(rep->tail_size()));
}

GRef<Unicode> decode(const std::string &bytes, TextEncoding e) {
  return Unicode::create(bytes.data(), static_cast<int32_t>(bytes.size()), e);
}

// The bytes decoded piece after piece, each piece cut bytes long.
std::string decode_in_pieces(const std::string &bytes, TextEncoding e,
                             std::size_t cut) {
  GRef<Unicode> rep = Unicode::create(nullptr, 0, e);
  std::string text;
  for (std::size_t at = 0; at < bytes.size(); at += cut) {
    std::string piece = bytes.substr(at, cut);
    rep = Unicode::create_continued(rep, piece.data(),
                                    static_cast<int32_t>(piece.size()));
    text += text_of(rep);
  }
  EXPECT_EQ(rep->tail_size(), 0);
  return text;
}

const TextEncoding all_decoding[] = {
    TextEncoding::ucs4,      TextEncoding::ucs4_be,   TextEncoding::ucs4_le,
    TextEncoding::ucs4_2143, TextEncoding::ucs4_3412, TextEncoding::utf16,
    TextEncoding::utf16_be,  TextEncoding::utf16_le,  TextEncoding::utf8};

TEST(GUnicode, EveryEncodingGivesTheSameText) {
  for (TextEncoding e : all_decoding) {
    SCOPED_TRACE(static_cast<int>(e));
    GRef<Unicode> rep = decode(encode_text(sample, e), e);
    EXPECT_EQ(text_of(rep), utf8_of(sample));
    EXPECT_EQ(rep->tail_size(), 0);
  }
  EXPECT_EQ(text_of(decode("caf\xE9", TextEncoding::one_byte)), "caf\xC3\xA9");
  EXPECT_EQ(decode("abc", TextEncoding::no_decoder)->size(), 0);
  // Text, not a C string: zero units are dropped and the text goes on.
  EXPECT_EQ(text_of(decode(
                encode_text(std::u32string(U"a\0b", 3), TextEncoding::utf16_be),
                TextEncoding::utf16_be)),
            "ab");
  EXPECT_EQ(text_of(decode(std::string("a\0b", 3), TextEncoding::utf8)), "ab");
}

TEST(GUnicode, MarksOverrideTheEncodingGiven) {
  for (TextEncoding e : marked_encodings()) {
    SCOPED_TRACE(static_cast<int>(e));
    std::string bytes = byte_order_mark(e) + encode_text(sample, e);
    EXPECT_EQ(text_of(decode(bytes, TextEncoding::one_byte)), utf8_of(sample));
    EXPECT_EQ(text_of(Unicode::create(bytes.data(),
                                      static_cast<int32_t>(bytes.size()),
                                      "no such encoding")),
              utf8_of(sample));
    // A mark alone is no text.
    EXPECT_EQ(decode(byte_order_mark(e), TextEncoding::no_decoder)->size(), 0);
  }
}

TEST(GUnicode, ContinuedCreationLosesNoCharacterAtAnyCut) {
  for (TextEncoding e : all_decoding) {
    std::string bytes = encode_text(sample + sample, e);
    for (std::size_t cut = 1; cut <= 9; ++cut) {
      SCOPED_TRACE(testing::Message() << static_cast<int>(e) << " cut " << cut);
      EXPECT_EQ(decode_in_pieces(bytes, e, cut), utf8_of(sample + sample));
    }
  }
  // Mid-text, a mark is a character: only a first creation looks for one.
  std::string bytes = encode_text(U"a\uFEFFb", TextEncoding::utf16_le);
  EXPECT_EQ(decode_in_pieces(bytes, TextEncoding::utf16_le, 2),
            utf8_of(U"a\uFEFFb"));
}

TEST(GUnicode, IncompleteCharactersWaitInTheTail) {
  // The lead byte of a cut sequence stays with it, whatever its length.
  GRef<Unicode> rep = decode("ab\xF0\x9F\x98", TextEncoding::utf8);
  EXPECT_EQ(text_of(rep), "ab");
  EXPECT_EQ(tail_of(rep), "\xF0\x9F\x98");
  EXPECT_EQ(rep->encoding(), TextEncoding::utf8);
  rep = Unicode::create_continued(rep, "\x80!", 2);
  EXPECT_EQ(text_of(rep), "\xF0\x9F\x98\x80!");

  // Half a UTF-16 unit, and a high surrogate without its partner.
  rep = decode(std::string("\x3D\xD8\x00", 3), TextEncoding::utf16_le);
  EXPECT_EQ(rep->size(), 0);
  EXPECT_EQ(rep->tail_size(), 3);
  rep = decode(std::string("\x00\x41\x00", 3), TextEncoding::ucs4_be);
  EXPECT_EQ(rep->tail_size(), 3);

  // Continuing from a representation that keeps no tail starts UTF-8 afresh.
  GRef<Unicode> fresh =
      Unicode::create_continued(GStringRep::UTF8::create("x", 1), "y", 1);
  EXPECT_EQ(text_of(fresh), "y");
  EXPECT_EQ(fresh->next_encoding(), TextEncoding::utf8);
}

TEST(GUnicode, BadInputNeitherStallsNorCorrupts) {
  // An invalid byte survives as itself; an overlong zero keeps its bytes
  // instead of ending the text there.
  EXPECT_EQ(text_of(decode("a\xC3(b\xC0\x80"
                           "c",
                           TextEncoding::utf8)),
            "a\xC3(b\xC0\x80"
            "c");
  // A low surrogate in first place is written as it stands, and decoding goes
  // on; left to wait, it would hold the rest of a stream in the tail.
  std::string lone("\xDC\x00\x00\x41", 4);
  GRef<Unicode> rep = decode(lone, TextEncoding::utf16_be);
  EXPECT_EQ(text_of(rep), "\xED\xB0\x80"
                          "A");
  EXPECT_EQ(rep->tail_size(), 0);
  // UTF-8 holds 31 bits: a larger UCS-4 value becomes U+FFFD, never a zero
  // byte inside the text.
  EXPECT_EQ(text_of(decode("\xFF\xFF\xFF\xFF", TextEncoding::ucs4_be)),
            "\xEF\xBF\xBD");
}

TEST(GUnicode, EncodingsByName) {
  EXPECT_EQ(text_encoding_named("utf-8"), TextEncoding::utf8);
  EXPECT_EQ(text_encoding_named("ucs2"), TextEncoding::utf16);
  EXPECT_EQ(text_encoding_named("UCS-4"), TextEncoding::ucs4);
  EXPECT_EQ(text_encoding_named(""), TextEncoding::no_decoder);
  EXPECT_TRUE(
      same_encoding_family(TextEncoding::utf16, TextEncoding::utf16_be));
  EXPECT_TRUE(
      same_encoding_family(TextEncoding::ucs4_3412, TextEncoding::ucs4));
  EXPECT_FALSE(same_encoding_family(TextEncoding::utf16, TextEncoding::ucs4));
  EXPECT_FALSE(
      same_encoding_family(TextEncoding::utf8, TextEncoding::one_byte));

  // A tail set by name is decoded by that name when the text continues.
  std::string bytes = encode_text(U"\U0001F600", TextEncoding::utf16_le);
  GRef<Unicode> rep = Unicode::create(bytes.data(), 3, "UTF-16");
  EXPECT_EQ(rep->encoding(), TextEncoding::no_decoder);
  EXPECT_EQ(rep->next_encoding(), TextEncoding::utf16);
  ASSERT_TRUE(rep->named_encoding());
  rep = Unicode::create_continued(rep, bytes.data() + 3, 1);
  EXPECT_EQ(text_of(rep), utf8_of(U"\U0001F600"));
  // An unknown name decodes to nothing and keeps nothing.
  rep = Unicode::create("abc", 3, "EBCDIC");
  EXPECT_EQ(rep->size(), 0);
  EXPECT_EQ(rep->tail_size(), 0);
}

TEST(GUnicode, TailsCopyBetweenRepresentations) {
  GRef<Unicode> source = decode("ab\xC3", TextEncoding::utf8);
  GRef<Unicode> copy = Unicode::create(nullptr, 0, TextEncoding::ucs4);
  copy->keep_tail_of(source.get());
  EXPECT_EQ(tail_of(copy), "\xC3");
  EXPECT_EQ(copy->encoding(), TextEncoding::utf8);
  EXPECT_EQ(source->tail_holder().get(), source.get());
  GRef<GStringRep> plain = GStringRep::UTF8::create("x", 1);
  EXPECT_FALSE(plain->tail_holder());
  copy->keep_tail_of(plain.get());
  EXPECT_EQ(copy->tail_size(), 0);
  EXPECT_EQ(copy->encoding(), TextEncoding::utf8);
}

} // namespace
