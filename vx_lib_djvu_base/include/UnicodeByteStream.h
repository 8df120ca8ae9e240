//===- UnicodeByteStream.h - Text streams over byte streams ----*- C++ -*-===//
//
// A UnicodeByteStream reads another ByteStream, its source, as text: it reads
// the source in chunks, decodes each into UTF-8 after the tail of the one
// before (GUnicode.h), and hands the text out in pieces that end at a chosen
// character. It counts the line feeds it has handed out, so a parser can
// tell which line it is on.
//
// XMLByteStream is the same stream made for an XML document: it reads the
// first four bytes to find the document's encoding and skips a byte-order
// mark. Its text starts after the mark; set_encoding rewinds to there.
//
// The raw stream operations pass through to the source. A raw read also
// replaces the text waiting to be handed out by the decoding of the bytes
// read; write and seek drop the waiting text and the tail, since the source
// no longer stands where they were read.
//
// Usage:
//   GRef<XMLByteStream> in = XMLByteStream::create(file);
//   GUTF8String tag = in->read_until(0, '>', true);   // "<a href='x'>"
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_BASE_UNICODEBYTESTREAM_H
#define LECTORIN_BASE_UNICODEBYTESTREAM_H

#include "ByteStream.h"
#include "GString.h"
#include "GUnicode.h"
#include "TextEncoding.h"

class UnicodeByteStream : public ByteStream {
public:
  /// The size of the pieces that the source is read in.
  static constexpr int32_t chunk_bytes = 0x50000;

  /// Reads source as text in encoding, from its current position. A smaller
  /// chunk_size (at least 1) is for tests that split the input everywhere.
  UnicodeByteStream(const GRef<ByteStream> &source, TextEncoding encoding,
                    int32_t chunk_size = chunk_bytes);
  ~UnicodeByteStream() override;

  /// Reads raw bytes from the source; the text waiting to be handed out is
  /// replaced by their decoding.
  int32_t read(void *buffer, int32_t size) override;
  int32_t write(const void *buffer, int32_t size) override;
  /// The source's position, which runs ahead of the text handed out.
  int32_t tell() const override;
  int seek(int32_t offset, int whence = 0, bool no_raise = false) override;
  void flush() override;

  /// The text up to the next stop byte (an ASCII character), with it when
  /// inclusive; at most max_size bytes unless max_size is 0. Without a stop
  /// byte, all the text left. Empty once the text is used up.
  virtual GUTF8String read_until(int32_t max_size, char stop, bool inclusive);

  /// Reads the text again from where it started, decoded in the encoding
  /// named (text_encoding_named; an unknown name decodes to nothing). Line
  /// feeds are counted afresh. A source that cannot go back goes on from
  /// where it stands: the text already read ahead is still handed out, the
  /// bytes after it are decoded in the new encoding, and the count goes on.
  void set_encoding(const GUTF8String &encoding_name);
  /// The encoding that the text is being decoded in.
  TextEncoding encoding() const;

  /// The number of line feeds handed out by read_until.
  int32_t lines_read() const noexcept { return lines_read_; }

protected:
  /// Replaces the waiting text by the decoding of bytes after the tail.
  void decode_more(const void *bytes, int32_t length);

  GRef<ByteStream> source_;
  GRef<GStringRep::Unicode> decoded_;
  int32_t read_pos_ = 0;
  int32_t lines_read_ = 0;
  int32_t start_pos_ = 0;

private:
  // Reads chunks until decoded_ holds text; false at the end of the source.
  bool refill();
  // Seeks the source back to where the text starts; false when it cannot.
  bool rewind_source();
  // Empties the waiting text and the tail, keeping the encoding.
  void drop_text();

  int32_t chunk_size_;
};

/// A text stream over an XML document, in the encoding that its first four
/// bytes show.
class XMLByteStream : public UnicodeByteStream {
public:
  /// Reads the first four bytes of source (from its current position) and
  /// picks the encoding by them: a UCS-4, UTF-16 or UTF-8 byte-order mark
  /// (skipped), the first characters "<" or "<?" in UCS-4 or UTF-16, "<?"
  /// in EBCDIC (one_byte), or else UTF-8. A source shorter than four bytes
  /// is read as UTF-8.
  static GRef<XMLByteStream> create(const GRef<ByteStream> &source,
                                    int32_t chunk_size = chunk_bytes);
  ~XMLByteStream() override;

private:
  XMLByteStream(const GRef<ByteStream> &source, int32_t chunk_size);
};

#endif // LECTORIN_BASE_UNICODEBYTESTREAM_H
