//===- GException.h - The one exception class ------------------*- C++ -*-===//
//
// Every failure in the base library and the plug-in travels as a GException:
// a plain record of a message identifier, the raising source file and line.
// It is raised by value and caught by reference.
//
// A message identifier is ASCII text: a component word, a full stop and a
// short name ("GContainer.bad_pos"), optionally followed by parameters, each
// introduced by a tab. A vertical tab introduces a nested message, and line
// feeds separate several messages. The identifier, not prose, reaches the
// plug-in boundary; only the report printed on standard error translates it
// (DjVuMessageLite.h).
//
// Each exception owns a private heap copy of its identifier, so copies made
// by the runtime while unwinding are independent. The one exception is the
// shared text GException::outofmemory, which is never copied or freed: the
// out-of-memory path must not need memory for its own identifier.
//
// Usage:
//   G_THROW("ByteStream.no_read");
//   try { ... } catch (...) { const char *id =
//   GException::current_message_id(); }
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_BASE_GEXCEPTION_H
#define LECTORIN_BASE_GEXCEPTION_H

#include <cstdint>

// Format arguments checked like printf's. The formatting here follows C99,
// which the Windows cross compiler calls gnu_printf (its printf is the older
// runtime's); clang knows the C99 one as printf.
#if defined(__clang__)
#define G_PRINTF_FORMAT(format_index, first_argument)                          \
  __attribute__((format(printf, format_index, first_argument)))
#elif defined(__GNUC__)
#define G_PRINTF_FORMAT(format_index, first_argument)                          \
  __attribute__((format(gnu_printf, format_index, first_argument)))
#else
#define G_PRINTF_FORMAT(format_index, first_argument)
#endif

class GException {
public:
  /// The shared identifier of allocation failures, "GException.outofmemory".
  /// Compare identifiers against it by address or by text; raise it freely,
  /// since it is never copied.
  static const char outofmemory[];

  /// Copies message_id (null stays null; the shared out-of-memory text is
  /// kept by address). source_file must be static text; it is not copied.
  /// When the copy cannot be allocated, the identifier becomes the shared
  /// out-of-memory text instead: constructing an exception never throws.
  explicit GException(const char *message_id = nullptr,
                      const char *source_file = nullptr,
                      int32_t source_line = 0) noexcept;
  /// Gives the copy its own text, under the same rules as construction.
  GException(const GException &other) noexcept;
  GException &operator=(const GException &other) noexcept;
  ~GException();

  /// The identifier with its parameters; "Invalid exception" when null.
  const char *get_message_id() const noexcept;
  const char *get_source_file() const noexcept { return source_file_; }
  int32_t get_source_line() const noexcept { return source_line_; }

  /// Writes the report to standard error: every runtime output stream is
  /// flushed, then "***", the identifier's translation and a line feed,
  /// extra_id's translation (unless null) and a line feed, and an empty
  /// line. Translations are those of print_message.
  void print_report(const char *extra_id = nullptr) const;

  /// Throws a new exception built from the arguments; never returns.
  [[noreturn]] static void raise(const char *message_id,
                                 const char *source_file, int32_t source_line);
  /// Rethrows the exception being handled. Only inside a catch handler.
  [[noreturn]] static void rethrow();

  /// Inside a catch handler, names the exception being handled: a
  /// GException gives its identifier, std::bad_alloc gives outofmemory (the
  /// Linux build leaves allocation failures to the runtime; see below),
  /// anything else gives fallback. The text stays valid until the handler
  /// ends; copy it to keep it. For the plug-in's C boundaries.
  static const char *
  current_message_id(const char *fallback = nullptr) noexcept;

  /// Inside the catch-all handler of a destructor or clean-up code: reports
  /// a GException (or an allocation failure) being handled with the extra
  /// identifier "GException.exception" and drops anything else silently.
  /// Never throws, even when the report itself fails.
  static void report_current() noexcept;

private:
  void swap(GException &other) noexcept;

  char *message_id_;
  const char *source_file_;
  int32_t source_line_;
};

// Allocation failures. The Windows build links its own copy of the C++
// runtime (only the C runtime, msvcrt.dll, is shared with the host), so at
// load the library installs a new-handler there that raises a GException with
// GException::outofmemory. On Linux the runtime is shared with the host
// program, whose allocation failures must stay its own: there a failed `new`
// throws std::bad_alloc, and catch sites translate it through
// current_message_id() / report_current(), so callers see the same identifier.

/// Raises a GException carrying the raise site's file and line.
#define G_THROW(message_id) GException::raise((message_id), __FILE__, __LINE__)
/// Rethrows the exception being handled.
#define G_RETHROW GException::rethrow()

/// Formats like GUTF8String::format and writes the text to the error
/// stream: standard error as a ByteStream::Stdio, made on first use and
/// released at exit, writing native text. Output that cannot be formatted,
/// converted or written is dropped; after exit nothing is written.
void print_error_text(const char *format, ...) G_PRINTF_FORMAT(1, 2);

/// Writes the translation of a message identifier (DjVuMessageLite.h) and a
/// line feed through print_error_text; when the translation fails (a message
/// source that does not parse), the identifier itself. A null identifier
/// writes nothing.
void print_message(const char *message_id);

#endif // LECTORIN_BASE_GEXCEPTION_H
