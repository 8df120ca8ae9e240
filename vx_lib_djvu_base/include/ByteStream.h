//===- ByteStream.h - Sequential byte streams ------------------*- C++ -*-===//
//
// ByteStream is the base library's stream of bytes, a shared object held by
// GRef. Two kinds exist here: ByteStream::Memory, a growable stream in
// memory kept in 4096-byte blocks (the hidden-text XML is written into one),
// and ByteStream::Stdio, a stream over a runtime FILE (the error stream is
// one, on standard error).
//
// Positions are byte offsets from the start, 32 bits wide. Failures raise a
// GException: "ByteStream." identifiers for misuse, and the runtime's own
// error text (strerror) where the runtime reports an I/O error.
//
// Text goes in through write_text, as UTF-8 or, in native text mode,
// converted to the native code page (GString.h).
//
// Usage:
//   GRef<ByteStream> out = ByteStream::create_memory();
//   out->write_fully(text.c_str(), text.length());
//   out->seek(0);   out->read_fully(buffer, n);
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_BASE_BYTESTREAM_H
#define LECTORIN_BASE_BYTESTREAM_H

#include "GRawBuffer.h"
#include "GSmartPointer.h"

#include <cstdint>
#include <cstdio>

class GUTF8String;

class ByteStream : public GPEnabled {
public:
  class Memory;
  class Stdio;

  /// How write_text writes UTF-8 text.
  enum TextMode : int32_t {
    text_undecided = 1, ///< a new stream: the first write_text picks UTF-8
    text_native = 2,    ///< converted to the native code page
    text_utf8 = 3,      ///< the UTF-8 bytes as they are
  };

  ~ByteStream() override;

  /// Reads up to size bytes at the position, which moves past them; the
  /// count read, 0 at the end.
  virtual int32_t read(void *buffer, int32_t size) = 0;
  /// Writes size bytes at the position; the count written.
  virtual int32_t write(const void *buffer, int32_t size) = 0;
  virtual int32_t tell() const = 0;
  /// Moves to offset from the start (whence 0), the position (1) or the
  /// end (2); 0 on success, -1 on failure when no_raise is set. This base
  /// only moves forward, by reading: backward raises "ByteStream.backward",
  /// an unknown whence "ByteStream.bad_arg", the end of data "EOF".
  virtual int seek(int32_t offset, int whence = 0, bool no_raise = false);
  virtual void flush();
  /// The number of bytes in the stream, -1 when it cannot be told. The
  /// position is left where it was.
  virtual int32_t size();
  /// Reads up to size bytes at position without moving the position.
  virtual int32_t read_from(void *buffer, int32_t size, int32_t position);
  /// Whether the stream's data can never change; no for every stream here.
  virtual bool has_static_data() const;

  /// Reads until size bytes are read or read gives 0; the count read.
  int32_t read_fully(void *buffer, int32_t size);
  /// Writes all size bytes; raises "ByteStream.write_error" when write
  /// makes no progress.
  int32_t write_fully(const void *buffer, int32_t size);
  /// Writes text by the text mode: in text_native its native form (with the
  /// locale fallback of GLocalString::for_output), otherwise its UTF-8
  /// bytes, and text_undecided becomes text_utf8. The bytes written.
  int32_t write_text(const GUTF8String &text);

  TextMode text_mode() const noexcept { return text_mode_; }
  void set_text_mode(TextMode mode) noexcept { text_mode_ = mode; }

  /// A new, empty memory stream.
  static GRef<ByteStream> create_memory();
  /// A stream on a file descriptor. Without close_on_release, descriptors 0,
  /// 1 and 2 with no mode (0 and 1 also with "a") are the runtime's own
  /// standard streams, never closed; any other descriptor is duplicated
  /// first, so the caller's stays open. With close_on_release the stream
  /// takes the descriptor itself. A null mode is "rb". Raises
  /// "ByteStream.open_fail2" when the descriptor cannot be opened and
  /// "ByteStream.bad_mode" for a mode character other than r, w, a, + or b.
  static GRef<ByteStream> create_stdio(int descriptor, const char *mode,
                                       bool close_on_release);

protected:
  ByteStream() noexcept = default;

private:
  TextMode text_mode_ = text_undecided;
};

/// A stream in memory. Byte p lives at offset p % 4096 of block p / 4096;
/// the block table grows in steps of 16 blocks. The position may be moved
/// past the data; writing there leaves a gap that reads as zero bytes. A
/// stream end beyond INT32_MAX raises "GException.outofmemory".
class ByteStream::Memory : public ByteStream {
public:
  static constexpr int32_t block_size = 4096;
  static constexpr int32_t table_step = 16;

  Memory();
  ~Memory() override;

  int32_t read(void *buffer, int32_t size) override;
  int32_t write(const void *buffer, int32_t size) override;
  int32_t tell() const override { return cursor_pos_; }
  /// Any target of 0 or more; below 0 raises "ByteStream.seek_error2", an
  /// unknown whence "bad_arg\tByteStream::Memory::seek()".
  int seek(int32_t offset, int whence = 0, bool no_raise = false) override;
  void flush() override;
  int32_t size() override { return data_length_; }
  /// 0 for a position outside the data.
  int32_t read_from(void *buffer, int32_t size, int32_t position) override;

  /// The number of slots in the block table, and of blocks made.
  int32_t table_slots() const noexcept { return table_size_; }
  int32_t blocks_made() const noexcept;

private:
  void make_blocks(int64_t end);

  int32_t cursor_pos_ = 0;
  int32_t data_length_ = 0;
  int32_t table_size_ = 0;
  char **block_table_ = nullptr;
  GRawBuffer table_buffer_;
};

/// A stream over a runtime FILE.
class ByteStream::Stdio : public ByteStream {
public:
  Stdio() noexcept = default;
  /// Closes the file when the stream owns it.
  ~Stdio() override;

  /// Takes file (null: standard input or output, by mode) with an fopen
  /// mode. The error identifier of a bad mode, else null; on an error a
  /// file the stream owns is closed.
  const char *init(std::FILE *file, const char *mode, bool owns_file);

  /// Raise "ByteStream.no_read" on a stream not opened for reading.
  int32_t read(void *buffer, int32_t size) override;
  /// Raise "ByteStream.no_write" on a stream not opened for writing.
  int32_t write(const void *buffer, int32_t size) override;
  /// ftell, or the bytes counted by reads and writes when the file cannot
  /// tell.
  int32_t tell() const override;
  int seek(int32_t offset, int whence = 0, bool no_raise = false) override;
  void flush() override;

private:
  bool readable_ = false;
  bool writable_ = false;
  bool owns_file_ = true;
  std::FILE *file_ = nullptr;
  mutable int32_t counted_pos_ = 0;
};

#endif // LECTORIN_BASE_BYTESTREAM_H
