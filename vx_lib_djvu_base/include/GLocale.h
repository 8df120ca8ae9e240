//===- GLocale.h - The locale that strings convert and format in -*- C++
//-*-===//
//
// Native text, the classes and case of characters, and the decimal point of
// native numbers follow the library's locale; UTF-8 numbers follow no locale
// at all (NumberText.h). This header is the one place that knows where that
// locale lives.
//
// The plug-in is a guest in its host's process and shares the C runtime
// with it: the system's msvcrt.dll on Windows (only the C++ runtime is
// linked into the plug-in), the C library on Linux. The runtime's locale is
// therefore the host's, and the library never changes it, not even for a
// moment: other threads of the host would see the change. Instead:
// - On Linux the library keeps a locale object of its own (a copy of the
//   host's locale at first use, or the user's default when the host still
//   runs in "C") and installs it on the calling thread (uselocale) for the
//   life of a GLocaleScope, whose operations call the runtime's multibyte
//   and wide-character functions.
// - On Windows the library's locale is the system's ANSI code page (the one
//   the editor's text is in) with the user's default rules for case and
//   numbers; a GLocaleScope's operations call the system's conversion
//   functions, which read no state of the runtime at all.
// GLocaleGuard switches the library's locale of the calling thread for a
// scope on both. On Windows it knows the names "C" (ASCII only), "" (the
// user's default) and ".<code page>"; what either platform does not know
// leaves the locale as it is.
//
// Usage:
//   GLocaleScope locale;
//   uint32_t c = locale.decode(cursor, end);   // one native character
//   GLocaleGuard latin(LC_CTYPE, ".1252");     // tests: another code page
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_BASE_GLOCALE_H
#define LECTORIN_BASE_GLOCALE_H

#include <clocale>
#include <cstdint>
#include <cwchar>
#include <string>

/// Runs once per process, when the first string representation is made: on
/// Linux the library takes its copy of the locale then (see above).
void locale_set_up();

/// The name of one category (LC_CTYPE, LC_ALL, ...) of the library's locale
/// on the calling thread; composite names are kept whole. On Windows the
/// user's default is named after its code page (".1252"). Empty when it
/// cannot be told.
std::string locale_name(int category);

/// Switches one category of the library's locale on the calling thread for
/// the life of a scope, and back at its end. A null name does nothing; so
/// does a name the platform does not know, and a category that is already
/// that name.
class GLocaleGuard {
public:
  GLocaleGuard(int category, const char *name);
  ~GLocaleGuard();
  GLocaleGuard(const GLocaleGuard &) = delete;
  GLocaleGuard &operator=(const GLocaleGuard &) = delete;

private:
  bool switched_ = false;
  void *installed_ = nullptr;       // the locale the guard put in place
  void *previous_guard_ = nullptr;  // the thread's locale before it
  void *previous_thread_ = nullptr; // Linux: the runtime's thread locale
};

/// The library's locale on the calling thread, for the life of a scope:
/// every string operation that needs native characters, their classes or
/// native numbers opens one and asks it.
class GLocaleScope {
public:
  GLocaleScope() noexcept;
  ~GLocaleScope();
  GLocaleScope(const GLocaleScope &) = delete;
  GLocaleScope &operator=(const GLocaleScope &) = delete;

  /// The native character at cursor, which moves past it. 0 with the cursor
  /// where it was at the end and at a zero byte; 0 with the cursor one byte
  /// on where the bytes are no character (or one cut off by the end).
  uint32_t decode(const char *&cursor, const char *end) const;
  /// Writes the code point in the native code page at out (room for
  /// GStringRep::max_encoded_bytes) followed by a zero byte, and returns the
  /// position after its last byte: out itself when the code page has no
  /// exact form for it.
  char *encode(uint32_t code_point, char *out, std::mbstate_t &state) const;
  /// Whether the native text [p, end) is whole characters up to its end or
  /// its first zero byte.
  bool is_well_formed(const char *p, const char *end) const;

  /// The classes and case of a character below U+10000, as the locale
  /// has them.
  bool is_space(uint32_t code_point) const;
  bool is_upper(uint32_t code_point) const;
  bool is_lower(uint32_t code_point) const;
  uint32_t to_upper(uint32_t code_point) const;
  uint32_t to_lower(uint32_t code_point) const;

  /// The decimal point of native numbers.
  const char *decimal_point() const;

private:
  const void *locale_ = nullptr;
  void *previous_ = nullptr; // Linux: the runtime's thread locale
};

#endif // LECTORIN_BASE_GLOCALE_H
