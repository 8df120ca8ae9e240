//===- ByteStream.cpp - Sequential byte streams ---------------------------===//

#include "ByteStream.h"

#include "GException.h"
#include "GString.h"
#include "platform.h"

#include <cerrno>
#include <climits>
#include <cstring>

namespace {

[[noreturn]] void raise_runtime_error() { G_THROW(std::strerror(errno)); }

int32_t min32(int64_t a, int64_t b) {
  return static_cast<int32_t>(a < b ? a : b);
}

} // namespace

//===-- ByteStream --------------------------------------------------------===//

ByteStream::~ByteStream() = default;

int ByteStream::seek(int32_t offset, int whence, bool no_raise) {
  int64_t current = tell();
  int64_t target = 0;
  switch (whence) {
  case 0:
    target = offset;
    break;
  case 1:
    target = current + offset;
    break;
  case 2: {
    if (offset != 0) {
      if (no_raise)
        return -1;
      G_THROW("ByteStream.backward");
    }
    char scratch[1024];
    while (read(scratch, sizeof scratch) > 0) {
    }
    return 0;
  }
  default:
    G_THROW("ByteStream.bad_arg");
  }
  if (target < current) {
    if (no_raise)
      return -1;
    G_THROW("ByteStream.backward");
  }
  char scratch[1024];
  while (current < target) {
    int32_t n = read(scratch, min32(int64_t(sizeof scratch), target - current));
    if (n <= 0)
      G_THROW("EOF");
    current += n;
    if (tell() != current)
      G_THROW("ByteStream.seek");
  }
  return 0;
}

void ByteStream::flush() {}

int32_t ByteStream::size() {
  int32_t position = tell();
  if (seek(0, 2, true) != 0)
    return -1;
  int32_t end = tell();
  // A stream that only moves forward cannot go back; the size is still
  // right, so the failure is not the caller's concern.
  seek(position, 0, true);
  return end;
}

int32_t ByteStream::read_from(void *buffer, int32_t size, int32_t position) {
  int32_t previous = tell();
  seek(position, 0);
  int32_t n = read_fully(buffer, size);
  seek(previous, 0);
  return n;
}

bool ByteStream::has_static_data() const { return false; }

int32_t ByteStream::read_fully(void *buffer, int32_t size) {
  char *at = static_cast<char *>(buffer);
  int32_t total = 0;
  while (total < size) {
    int32_t n = read(at + total, size - total);
    if (n < 0)
      raise_runtime_error();
    if (n == 0)
      break;
    total += n;
  }
  return total;
}

int32_t ByteStream::write_fully(const void *buffer, int32_t size) {
  const char *at = static_cast<const char *>(buffer);
  int32_t total = 0;
  while (total < size) {
    int32_t n = write(at + total, size - total);
    if (n <= 0)
      G_THROW("ByteStream.write_error");
    total += n;
  }
  return total;
}

int32_t ByteStream::write_text(const GUTF8String &text) {
  if (text_mode_ == text_native) {
    GLocalString native = GLocalString::for_output(text);
    return write_fully(native.c_str(), native.length());
  }
  int32_t n = write_fully(text.c_str(), text.length());
  if (text_mode_ == text_undecided)
    text_mode_ = text_utf8;
  return n;
}

GRef<ByteStream> ByteStream::create_memory() {
  return GRef<ByteStream>(new Memory);
}

GRef<ByteStream> ByteStream::create_stdio(int descriptor, const char *mode,
                                          bool close_on_release) {
  // Made first, so that a FILE opened below always has an owner.
  GRef<Stdio> stream = new Stdio;
  std::FILE *file = nullptr;
  const char *file_mode = mode;
  if (!close_on_release) {
    bool appending = mode && std::strcmp(mode, "a") == 0;
    if (descriptor == 0 && !mode) {
      file = stdin;
      file_mode = "rb";
    } else if ((descriptor == 1 && !mode) ||
               ((descriptor == 0 || descriptor == 1) && appending)) {
      file = stdout;
      file_mode = "wb";
    } else if (descriptor == 2 && (!mode || appending)) {
      file = stderr;
      file_mode = "a";
    }
  }
  bool opened = false;
  if (!file) {
    if (!file_mode)
      file_mode = "rb";
    file = platform::open_descriptor(descriptor, file_mode, !close_on_release);
    if (!file)
      G_THROW("ByteStream.open_fail2");
    opened = true;
  }
  if (const char *error = stream->init(file, file_mode, opened))
    G_THROW(error);
  return stream;
}

//===-- ByteStream::Memory ------------------------------------------------===//

ByteStream::Memory::Memory() : table_buffer_(block_table_, 0, sizeof(char *)) {}

ByteStream::Memory::~Memory() {
  for (int32_t i = 0; i < table_size_; ++i)
    delete[] block_table_[i];
  data_length_ = 0;
  cursor_pos_ = 0;
  table_size_ = 0;
}

int32_t ByteStream::Memory::blocks_made() const noexcept {
  int32_t count = 0;
  for (int32_t i = 0; i < table_size_; ++i)
    count += block_table_[i] != nullptr;
  return count;
}

// Every block that bytes [cursor_pos_, end) fall in exists afterwards, gaps
// left by earlier seeks included. New blocks are zero, so that the bytes of
// a gap read as zero.
void ByteStream::Memory::make_blocks(int64_t end) {
  if (int64_t(table_size_) * block_size < end) {
    int64_t slots = (end + 65535) / block_size / table_step * table_step;
    table_buffer_.resize(static_cast<std::size_t>(slots), sizeof(char *));
    for (int64_t i = table_size_; i < slots; ++i)
      block_table_[i] = nullptr;
    table_size_ = static_cast<int32_t>(slots);
  }
  for (int64_t b = cursor_pos_ / block_size; b <= (end - 1) / block_size; ++b) {
    if (!block_table_[b])
      block_table_[b] = new char[block_size]();
  }
}

int32_t ByteStream::Memory::write(const void *buffer, int32_t size) {
  if (size <= 0)
    return 0;
  int64_t end = int64_t(cursor_pos_) + size;
  if (end > INT32_MAX)
    G_THROW(GException::outofmemory);
  make_blocks(end);
  const char *from = static_cast<const char *>(buffer);
  int32_t position = cursor_pos_;
  int32_t left = size;
  while (left > 0) {
    int32_t offset = position % block_size;
    int32_t piece = min32(left, block_size - offset);
    std::memcpy(block_table_[position / block_size] + offset, from,
                static_cast<std::size_t>(piece));
    from += piece;
    position += piece;
    left -= piece;
  }
  cursor_pos_ = position;
  if (cursor_pos_ > data_length_)
    data_length_ = cursor_pos_;
  return size;
}

int32_t ByteStream::Memory::read_from(void *buffer, int32_t size,
                                      int32_t position) {
  if (position < 0)
    return 0;
  int32_t count = min32(size, int64_t(data_length_) - position);
  if (count <= 0)
    return 0;
  char *to = static_cast<char *>(buffer);
  int32_t left = count;
  while (left > 0) {
    int32_t offset = position % block_size;
    int32_t piece = min32(left, block_size - offset);
    const char *block = block_table_[position / block_size];
    if (block)
      std::memcpy(to, block + offset, static_cast<std::size_t>(piece));
    else
      std::memset(to, 0, static_cast<std::size_t>(piece));
    to += piece;
    position += piece;
    left -= piece;
  }
  return count;
}

int32_t ByteStream::Memory::read(void *buffer, int32_t size) {
  int32_t count = read_from(buffer, size, cursor_pos_);
  cursor_pos_ += count;
  return count;
}

int ByteStream::Memory::seek(int32_t offset, int whence, bool) {
  int64_t base = 0;
  switch (whence) {
  case 0:
    break;
  case 1:
    base = cursor_pos_;
    break;
  case 2:
    base = data_length_;
    break;
  default:
    G_THROW("bad_arg\tByteStream::Memory::seek()");
  }
  int64_t target = base + offset;
  if (target < 0)
    G_THROW("ByteStream.seek_error2");
  if (target > INT32_MAX)
    G_THROW(GException::outofmemory);
  cursor_pos_ = static_cast<int32_t>(target);
  return 0;
}

void ByteStream::Memory::flush() {}

//===-- ByteStream::Stdio -------------------------------------------------===//

ByteStream::Stdio::~Stdio() {
  // A destructor cannot report: a writer that must know calls flush() first.
  if (owns_file_ && file_)
    (void)std::fclose(file_);
}

const char *ByteStream::Stdio::init(std::FILE *file, const char *mode,
                                    bool owns_file) {
  owns_file_ = file ? owns_file : false;
  const char *error = nullptr;
  for (const char *c = mode ? mode : ""; *c; ++c) {
    switch (*c) {
    case 'r':
      readable_ = true;
      if (!file)
        file = stdin;
      break;
    case 'w':
    case 'a':
      writable_ = true;
      if (!file)
        file = stdout;
      break;
    case '+':
      readable_ = writable_ = true;
      break;
    case 'b':
      break;
    default:
      error = "ByteStream.bad_mode";
      break;
    }
  }
  file_ = file;
  if (error) {
    if (owns_file_ && file_)
      (void)std::fclose(file_);
    file_ = nullptr;
  } else if (file_) {
    tell();
  }
  return error;
}

int32_t ByteStream::Stdio::read(void *buffer, int32_t size) {
  if (!readable_ || !file_)
    G_THROW("ByteStream.no_read");
  std::size_t n = 0;
  for (;;) {
    std::clearerr(file_);
    n = std::fread(buffer, 1, size > 0 ? std::size_t(size) : 0, file_);
    if (n > 0 || !std::ferror(file_))
      break;
    if (errno != EINTR)
      raise_runtime_error();
  }
  counted_pos_ += static_cast<int32_t>(n);
  return static_cast<int32_t>(n);
}

int32_t ByteStream::Stdio::write(const void *buffer, int32_t size) {
  if (!writable_ || !file_)
    G_THROW("ByteStream.no_write");
  std::size_t n = 0;
  for (;;) {
    std::clearerr(file_);
    n = std::fwrite(buffer, 1, size > 0 ? std::size_t(size) : 0, file_);
    if (n > 0 || !std::ferror(file_))
      break;
    if (errno != EINTR)
      raise_runtime_error();
  }
  counted_pos_ += static_cast<int32_t>(n);
  return static_cast<int32_t>(n);
}

void ByteStream::Stdio::flush() {
  if (file_ && std::fflush(file_) < 0)
    raise_runtime_error();
}

int32_t ByteStream::Stdio::tell() const {
  long position = file_ ? std::ftell(file_) : -1;
  if (position < 0 || position > INT32_MAX)
    return counted_pos_;
  counted_pos_ = static_cast<int32_t>(position);
  return counted_pos_;
}

int ByteStream::Stdio::seek(int32_t offset, int whence, bool no_raise) {
  if (file_ && whence == 0 && offset >= 0 && std::ftell(file_) == offset)
    return 0;
  if (file_) {
    std::clearerr(file_);
    if (std::fseek(file_, offset, whence) == 0)
      return 0;
  }
  if (no_raise)
    return -1;
  raise_runtime_error();
}
