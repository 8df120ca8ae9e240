//===- UnicodeByteStream.cpp - Text streams over byte streams -------------===//

#include "UnicodeByteStream.h"

#include "GException.h"

#include <cstring>
#include <memory>
#include <string>

//===-- UnicodeByteStream -------------------------------------------------===//

UnicodeByteStream::UnicodeByteStream(const GRef<ByteStream> &source,
                                     TextEncoding encoding, int32_t chunk_size)
    : source_(source),
      decoded_(GStringRep::Unicode::create(nullptr, 0, encoding)),
      start_pos_(source->tell()), chunk_size_(chunk_size < 1 ? 1 : chunk_size) {
}

UnicodeByteStream::~UnicodeByteStream() = default;

void UnicodeByteStream::decode_more(const void *bytes, int32_t length) {
  decoded_ = GStringRep::Unicode::create_continued(decoded_, bytes, length);
  read_pos_ = 0;
}

// The tail goes too: joined to bytes from another place, it would decode
// into a character that the source never held.
void UnicodeByteStream::drop_text() {
  decoded_ = GStringRep::Unicode::create(nullptr, 0, decoded_->next_encoding());
  read_pos_ = 0;
}

int32_t UnicodeByteStream::read(void *buffer, int32_t size) {
  int32_t n = source_->read(buffer, size);
  if (n > 0)
    decode_more(buffer, n);
  return n;
}

int32_t UnicodeByteStream::write(const void *buffer, int32_t size) {
  int32_t n = source_->write(buffer, size);
  drop_text();
  return n;
}

int32_t UnicodeByteStream::tell() const { return source_->tell(); }

int UnicodeByteStream::seek(int32_t offset, int whence, bool no_raise) {
  int result = source_->seek(offset, whence, no_raise);
  drop_text();
  return result;
}

// Flushing moves nothing, so the waiting text still follows what was handed
// out: it stays. Dropped, it would be lost, as the source stands behind it.
void UnicodeByteStream::flush() { source_->flush(); }

bool UnicodeByteStream::refill() {
  std::unique_ptr<char[]> chunk(
      new char[static_cast<std::size_t>(chunk_size_)]);
  for (;;) {
    int32_t n = source_->read(chunk.get(), chunk_size_);
    if (n <= 0)
      return false;
    decode_more(chunk.get(), n);
    if (decoded_->size() > 0)
      return true;
  }
}

GUTF8String UnicodeByteStream::read_until(int32_t max_size, char stop,
                                          bool inclusive) {
  // Collected here rather than by joining strings: a piece may span many
  // chunks.
  std::string out;
  for (;;) {
    if (read_pos_ >= decoded_->size() && !refill())
      break;
    const char *text = decoded_->data();
    int32_t size = decoded_->size();
    const void *hit = std::memchr(text + read_pos_, stop,
                                  static_cast<std::size_t>(size - read_pos_));
    int32_t end = size;
    if (hit)
      end = static_cast<int32_t>(static_cast<const char *>(hit) - text) +
            (inclusive ? 1 : 0);
    bool full = false;
    if (max_size > 0) {
      int64_t room = int64_t(max_size) - int64_t(out.size());
      if (end - read_pos_ >= room) {
        end = read_pos_ + static_cast<int32_t>(room);
        full = true;
      }
    }
    const char *from = text + read_pos_;
    const char *to = text + end;
    for (const char *p = from; p < to; ++p)
      lines_read_ += *p == '\n';
    out.append(from, to);
    read_pos_ = end;
    if (hit || full)
      break;
  }
  return GUTF8String(out.c_str(), 0, static_cast<int32_t>(out.size()));
}

bool UnicodeByteStream::rewind_source() {
  try {
    return source_->seek(start_pos_, 0, true) == 0;
  } catch (const GException &) {
    return false;
  }
}

void UnicodeByteStream::set_encoding(const GUTF8String &encoding_name) {
  if (rewind_source()) {
    read_pos_ = 0;
    // The text is read again from its start, so its lines are too: counted
    // on, every line before the switch would count twice.
    lines_read_ = 0;
    decoded_ = GStringRep::Unicode::create(nullptr, 0, encoding_name);
    return;
  }
  // A source that only moves forward goes on from where it stands. The text
  // it has read ahead cannot be read again, so it is handed out as decoded
  // (emptied, it would be lost); the new encoding starts after it.
  decoded_ = decoded_->rest_in(read_pos_, encoding_name);
  read_pos_ = 0;
}

TextEncoding UnicodeByteStream::encoding() const {
  return decoded_->next_encoding();
}

//===-- XMLByteStream -----------------------------------------------------===//

XMLByteStream::XMLByteStream(const GRef<ByteStream> &source, int32_t chunk_size)
    : UnicodeByteStream(source, TextEncoding::no_decoder, chunk_size) {}

XMLByteStream::~XMLByteStream() = default;

namespace {

struct Detected {
  TextEncoding encoding;
  int32_t mark; // bytes of a byte-order mark, skipped
};

// The encoding that an XML document's first four bytes show.
Detected detect(const unsigned char *b) {
  uint32_t first = uint32_t(b[0]) << 8 | b[1];
  uint32_t second = uint32_t(b[2]) << 8 | b[3];
  switch (first) {
  case 0x0000:
    if (second == 0x003C)
      return {TextEncoding::ucs4_be, 0};
    if (second == 0x3C00)
      return {TextEncoding::ucs4_2143, 0};
    if (second == 0xFEFF)
      return {TextEncoding::ucs4_be, 4};
    if (second == 0xFFFE)
      return {TextEncoding::ucs4_2143, 4};
    break;
  case 0x003C:
    if (second == 0x0000)
      return {TextEncoding::ucs4_3412, 0};
    if (second == 0x003F)
      return {TextEncoding::utf16_be, 0};
    break;
  case 0x3C00:
    if (second == 0x0000)
      return {TextEncoding::ucs4_le, 0};
    if (second == 0x3F00)
      return {TextEncoding::utf16_le, 0};
    break;
  case 0x4C6F: // "<?" in EBCDIC
    if (second == 0xA794)
      return {TextEncoding::one_byte, 0};
    break;
  case 0xEFBB:
    if (b[2] == 0xBF)
      return {TextEncoding::utf8, 3};
    break;
  // A UTF-16 mark followed by a zero unit is the UCS-4 mark of that order:
  // read as UTF-16, every character beyond the first plane would be lost.
  case 0xFEFF:
    if (second == 0x0000)
      return {TextEncoding::ucs4_3412, 4};
    return {TextEncoding::utf16_be, 2};
  case 0xFFFE:
    if (second == 0x0000)
      return {TextEncoding::ucs4_le, 4};
    return {TextEncoding::utf16_le, 2};
  default:
    break;
  }
  return {TextEncoding::utf8, 0};
}

} // namespace

GRef<XMLByteStream> XMLByteStream::create(const GRef<ByteStream> &source,
                                          int32_t chunk_size) {
  GRef<XMLByteStream> stream = new XMLByteStream(source, chunk_size);
  unsigned char first[4];
  int32_t n = source->read_fully(first, 4);
  // Fewer bytes than a detection needs: read as UTF-8, and no byte that the
  // source did not deliver is looked at.
  Detected found = {TextEncoding::utf8, 0};
  if (n == 4)
    found = detect(first);
  stream->start_pos_ += found.mark;
  stream->decoded_ = GStringRep::Unicode::create(nullptr, 0, found.encoding);
  stream->decode_more(first + found.mark, n - found.mark);
  return stream;
}
