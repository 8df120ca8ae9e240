//===- GException.cpp - The one exception class ---------------------------===//

#include "GException.h"

#include "ByteStream.h"
#include "DjVuMessageLite.h"
#include "GStaticRegistry.h"
#include "GString.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

const char GException::outofmemory[] = "GException.outofmemory";

namespace {

const char invalid_exception[] = "Invalid exception";
const char cleanup_extra_id[] = "GException.exception";

// The exception's private copy of an identifier. malloc, not new: copying an
// exception happens while unwinding, where a throwing new-handler would
// terminate the process. Without memory the identifier degrades to the shared
// out-of-memory text, which is at least the truth about what went wrong.
char *copy_message_id(const char *message_id) noexcept {
  if (message_id == nullptr || message_id == GException::outofmemory)
    return const_cast<char *>(message_id);
  std::size_t bytes = std::strlen(message_id) + 1;
  char *copy = static_cast<char *>(std::malloc(bytes));
  if (copy == nullptr)
    return const_cast<char *>(GException::outofmemory);
  std::memcpy(copy, message_id, bytes);
  return copy;
}

void free_message_id(char *message_id) noexcept {
  if (message_id != GException::outofmemory)
    std::free(message_id);
}

#ifdef _WIN32
// Raising without allocating: the identifier is the shared static text.
void raise_out_of_memory() {
  throw GException(GException::outofmemory, __FILE__, __LINE__);
}

// The Windows build links its own copy of the C++ runtime (libstdc++), so
// this handler changes only the allocations of our own module. The C runtime
// is not ours: msvcrt.dll is the host's, and nothing here touches its state.
struct InstallNewHandler {
  InstallNewHandler() { std::set_new_handler(raise_out_of_memory); }
} install_new_handler;
#endif

} // namespace

GException::GException(const char *message_id, const char *source_file,
                       int32_t source_line) noexcept
    : message_id_(copy_message_id(message_id)), source_file_(source_file),
      source_line_(source_line) {}

GException::GException(const GException &other) noexcept
    : message_id_(copy_message_id(other.message_id_)),
      source_file_(other.source_file_), source_line_(other.source_line_) {}

GException &GException::operator=(const GException &other) noexcept {
  GException copy(other);
  swap(copy);
  return *this;
}

GException::~GException() {
  free_message_id(message_id_);
  message_id_ = nullptr;
  source_file_ = nullptr;
}

void GException::swap(GException &other) noexcept {
  char *id = message_id_;
  message_id_ = other.message_id_;
  other.message_id_ = id;
  const char *file = source_file_;
  source_file_ = other.source_file_;
  other.source_file_ = file;
  int32_t line = source_line_;
  source_line_ = other.source_line_;
  other.source_line_ = line;
}

const char *GException::get_message_id() const noexcept {
  return message_id_ ? message_id_ : invalid_exception;
}

void GException::print_report(const char *extra_id) const {
  (void)std::fflush(nullptr);
  print_error_text("%s", "***");
  print_message(get_message_id());
  if (extra_id)
    print_message(extra_id);
  print_error_text("\n");
}

void GException::raise(const char *message_id, const char *source_file,
                       int32_t source_line) {
  throw GException(message_id, source_file, source_line);
}

// Only ever called inside a handler (see the header).
// cppcheck-suppress rethrowNoCurrentException
void GException::rethrow() { throw; }

const char *GException::current_message_id(const char *fallback) noexcept {
  try {
    throw;
  } catch (const GException &ex) {
    return ex.get_message_id();
  } catch (const std::bad_alloc &) {
    return outofmemory;
  } catch (...) {
    return fallback;
  }
}

void GException::report_current() noexcept {
  try {
    try {
      // Only ever called inside a handler (see the header).
      // cppcheck-suppress rethrowNoCurrentException
      throw;
    } catch (const GException &ex) {
      ex.print_report(cleanup_extra_id);
    } catch (const std::bad_alloc &) {
      GException(outofmemory, __FILE__, __LINE__)
          .print_report(cleanup_extra_id);
    }
  } catch (...) {
    // Anything else, or a failing report, is dropped: this runs in
    // destructors, which must return normally.
  }
}

//===-- The error stream --------------------------------------------------===//

namespace {

// Standard error as a byte stream, made on first use and released at exit by
// the static registry; null before, after, and when it could not be made.
ByteStream *error_stream;
bool error_stream_tried;

ByteStream *get_error_stream() {
  if (!error_stream_tried) {
    error_stream_tried = true;
    try {
      GRef<ByteStream> stream = ByteStream::create_stdio(2, nullptr, false);
      GStaticRegistry::add(error_stream, stream.get());
    } catch (...) {
      error_stream = nullptr;
    }
  }
  return error_stream;
}

} // namespace

void print_error_text(const char *format, ...) {
  ByteStream *stream = get_error_stream();
  if (!stream)
    return;
  std::va_list args;
  va_start(args, format);
  try {
    GUTF8String text = GUTF8String(format).format_args(args);
    // Whoever reads standard error reads the native code page.
    stream->set_text_mode(ByteStream::text_native);
    stream->write_text(text);
  } catch (...) {
    // A report that cannot be written is lost, never a new failure.
  }
  va_end(args);
}

void print_message(const char *message_id) {
  if (!message_id)
    return;
  try {
    GUTF8String text = translate_text(message_id);
    print_error_text("%s\n", text.c_str());
    return;
  } catch (...) {
    // A message source that fails to load (or memory that runs out) must
    // not cost the report: the identifier then stands for itself.
  }
  print_error_text("%s\n", message_id);
}
