// Text streams: pieces end where asked and count their lines, every chunk
// boundary keeps characters whole, the first four bytes of an XML document
// pick its encoding, and set_encoding reads the text again from its start.

#include "UnicodeByteStream.h"

#include "text_samples.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string bytes_of(const GUTF8String &s) {
  return std::string(s.c_str(), static_cast<std::size_t>(s.length()));
}

// Everything left, read in pieces that end at stop.
std::string read_all(UnicodeByteStream &in, char stop = '>') {
  std::string out;
  for (;;) {
    GUTF8String piece = in.read_until(0, stop, true);
    if (piece.is_empty())
      return out;
    out += bytes_of(piece);
  }
}

TEST(UnicodeByteStream, PiecesEndAtTheStopCharacter) {
  UnicodeByteStream in(memory_stream("ab\n<c>\nd<e"), TextEncoding::utf8, 3);
  EXPECT_EQ(bytes_of(in.read_until(0, '<', false)), "ab\n");
  EXPECT_EQ(in.lines_read(), 1);
  EXPECT_EQ(bytes_of(in.read_until(0, '>', true)), "<c>");
  EXPECT_EQ(bytes_of(in.read_until(2, '<', false)), "\nd");
  EXPECT_EQ(in.lines_read(), 2);
  // No stop character: everything left, then nothing.
  EXPECT_EQ(bytes_of(in.read_until(0, '!', true)), "<e");
  EXPECT_TRUE(in.read_until(0, '!', true).is_empty());
  EXPECT_EQ(in.lines_read(), 2);

  // A maximum size also holds for a piece that spans chunks.
  UnicodeByteStream longer(memory_stream("abcdefghij>"), TextEncoding::utf8, 3);
  EXPECT_EQ(bytes_of(longer.read_until(7, '>', true)), "abcdefg");
  EXPECT_EQ(bytes_of(longer.read_until(7, '>', true)), "hij>");
}

TEST(UnicodeByteStream, RealChunkBoundaryInsideACharacter) {
  // The four bytes of U+1F600 and the surrogate pair of the same character
  // straddle the first 0x50000-byte chunk.
  const int32_t chunk = UnicodeByteStream::chunk_bytes;
  std::string utf8 = std::string(chunk - 2, 'x') + utf8_of(U"\U0001F600>");
  UnicodeByteStream in8(memory_stream(utf8), TextEncoding::utf8);
  EXPECT_EQ(read_all(in8), utf8);

  std::string utf16 =
      encode_text(std::u32string((chunk - 2) / 2, U'x') + U"\U0001F600>",
                  TextEncoding::utf16_le);
  UnicodeByteStream in16(memory_stream(utf16), TextEncoding::utf16_le);
  std::string text = read_all(in16);
  EXPECT_EQ(text.size(), std::size_t(chunk - 2) / 2 + 5);
  EXPECT_EQ(text.substr(text.size() - 5), utf8_of(U"\U0001F600>"));
}

struct Detection {
  std::string first_bytes;
  TextEncoding encoding;
};

TEST(XMLByteStream, TheFirstFourBytesPickTheEncoding) {
  const std::u32string doc = U"<?xml?><r>\u00E9\U0001F600</r>";
  for (TextEncoding e : marked_encodings()) {
    // With a mark, and without one (a document that starts with "<?").
    for (bool marked : {true, false}) {
      SCOPED_TRACE(testing::Message() << static_cast<int>(e) << " " << marked);
      std::string bytes =
          (marked ? byte_order_mark(e) : std::string()) + encode_text(doc, e);
      for (int32_t chunk : {1, 2, 3, 5, UnicodeByteStream::chunk_bytes}) {
        GRef<XMLByteStream> in =
            XMLByteStream::create(memory_stream(bytes), chunk);
        EXPECT_EQ(in->encoding(), e);
        EXPECT_EQ(read_all(*in), utf8_of(doc));
      }
    }
  }
  // The rows that are not about marks or "<?".
  const Detection rows[] = {{std::string("\0\0\0<", 4), TextEncoding::ucs4_be},
                            {std::string("<\0\0\0", 4), TextEncoding::ucs4_le},
                            {std::string("\0<\0a", 4), TextEncoding::utf8},
                            {std::string("<\0a\0", 4), TextEncoding::utf8},
                            {std::string("\0\0ab", 4), TextEncoding::utf8},
                            {"\x4C\x6F\xA7\x94", TextEncoding::one_byte},
                            {"\x4C\x6F\xA7\x95", TextEncoding::utf8},
                            {"\xEF\xBB\xBE\x41", TextEncoding::utf8},
                            {"<doc", TextEncoding::utf8}};
  for (const Detection &row : rows) {
    GRef<XMLByteStream> in =
        XMLByteStream::create(memory_stream(row.first_bytes));
    EXPECT_EQ(in->encoding(), row.encoding) << row.first_bytes;
  }
  // EBCDIC is only recognised, and read byte for byte.
  GRef<XMLByteStream> ebcdic =
      XMLByteStream::create(memory_stream("\x4C\x6F\xA7\x94\xE9"));
  EXPECT_EQ(bytes_of(ebcdic->read_until(0, '>', true)),
            "Lo\xC2\xA7\xC2\x94\xC3\xA9");
}

TEST(XMLByteStream, ShortSourcesAreReadAsDelivered) {
  // A UTF-16 mark without the four bytes a detection looks at: UTF-8, and
  // nothing past the two bytes delivered is read.
  GRef<XMLByteStream> two = XMLByteStream::create(memory_stream("\xFF\xFE"));
  EXPECT_EQ(two->encoding(), TextEncoding::utf8);
  EXPECT_EQ(bytes_of(two->read_until(0, '>', true)), "\xFF\xFE");
  GRef<XMLByteStream> three = XMLByteStream::create(memory_stream("<a>"));
  EXPECT_EQ(bytes_of(three->read_until(0, '>', true)), "<a>");
  EXPECT_TRUE(XMLByteStream::create(memory_stream(""))
                  ->read_until(0, '>', true)
                  .is_empty());
}

TEST(XMLByteStream, SetEncodingRereadsFromAfterTheMark) {
  std::string bytes = "\xEF\xBB\xBF<a>\n<b>\n";
  GRef<ByteStream> source = memory_stream("junk" + bytes);
  source->seek(4);
  GRef<XMLByteStream> in = XMLByteStream::create(source, 2);
  EXPECT_EQ(bytes_of(in->read_until(0, '>', true)), "<a>");
  EXPECT_EQ(bytes_of(in->read_until(0, '>', true)), "\n<b>");
  EXPECT_EQ(in->lines_read(), 1);
  in->set_encoding("utf8");
  EXPECT_EQ(in->lines_read(), 0);
  EXPECT_EQ(bytes_of(in->read_until(0, '>', true)), "<a>");
  // An unknown name decodes to nothing from there on.
  in->set_encoding("latin-1");
  EXPECT_EQ(in->encoding(), TextEncoding::no_decoder);
  EXPECT_TRUE(in->read_until(0, '>', true).is_empty());
  // UTF-16 by name is little endian.
  GRef<XMLByteStream> wide = XMLByteStream::create(
      memory_stream(encode_text(U"<?x?>", TextEncoding::utf16_le)));
  wide->set_encoding("UTF-16");
  EXPECT_EQ(wide->encoding(), TextEncoding::utf16);
  EXPECT_EQ(bytes_of(wide->read_until(0, '>', true)), "<?x?>");
}

TEST(UnicodeByteStream, SetEncodingOnAForwardOnlySourceGoesOn) {
  // The source cannot go back: the text read ahead in the old encoding is
  // still handed out, the bytes after it are decoded in the new one, and
  // the lines go on being counted.
  std::string bytes =
      "<a\n>\n<b>" + encode_text(U"<c\u00E9>", TextEncoding::utf16_le);
  UnicodeByteStream in(new ForwardOnly(bytes), TextEncoding::utf8, 8);
  EXPECT_EQ(bytes_of(in.read_until(0, '>', true)), "<a\n>");
  in.set_encoding("UTF-16");
  EXPECT_EQ(in.encoding(), TextEncoding::utf16);
  EXPECT_EQ(in.lines_read(), 1);
  EXPECT_EQ(read_all(in), "\n<b>" + utf8_of(U"<c\u00E9>"));
  EXPECT_EQ(in.lines_read(), 2);
}

TEST(UnicodeByteStream, RawOperationsPassThrough) {
  GRef<ByteStream> source = memory_stream("<a>\xC3\xA9<b>");
  UnicodeByteStream in(source, TextEncoding::utf8, 4);
  EXPECT_EQ(bytes_of(in.read_until(0, '>', true)), "<a>");
  EXPECT_EQ(in.tell(), 4);
  // Flushing keeps the text read ahead; a raw read replaces it by the
  // decoding of the bytes read, the cut "é" completed.
  in.flush();
  char raw[2];
  EXPECT_EQ(in.read(raw, 2), 2);
  EXPECT_EQ(std::string(raw, 2), "\xA9<");
  EXPECT_EQ(bytes_of(in.read_until(0, '>', true)), "\xC3\xA9<b>");
  // Seeking drops the waiting text and tail, and reading starts there.
  EXPECT_EQ(in.seek(3), 0);
  EXPECT_EQ(bytes_of(in.read_until(0, '>', true)), "\xC3\xA9<b>");
  EXPECT_EQ(in.write("!", 1), 1);
  EXPECT_EQ(source->size(), 9);

  // A tail cut at a chunk boundary belongs to where it was read: after a
  // seek it would turn the first bytes there into another character.
  UnicodeByteStream cut(memory_stream("ab\xC3\xA9>"), TextEncoding::utf8, 3);
  EXPECT_EQ(bytes_of(cut.read_until(0, 'b', true)), "ab");
  EXPECT_EQ(cut.seek(0), 0);
  EXPECT_EQ(read_all(cut), "ab\xC3\xA9>");
}

} // namespace
