//===- GLocale.h - The locale that strings convert and format in -*- C++
//-*-===//
//
// Native text, case mapping, whitespace and the formatting of native strings
// follow the runtime's locale; UTF-8 formats and UTF-8 numbers follow "C".
// This header is the one place that knows where that locale lives.
//
// On Windows the plug-in carries its own C runtime, so its locale belongs to
// the plug-in: it is changed with setlocale, under the locale lock. On Linux
// the runtime and its process-wide locale are shared with the host program,
// which must never see its locale change because it loaded us. There the
// library keeps a locale object of its own and installs it per thread
// (uselocale) around every runtime call that depends on it; GLocaleGuard
// switches that per-thread locale. The results are the same on both.
//
// Usage:
//   GLocaleGuard c_numbers(LC_ALL, "C");   // "1.5", never "1,5"
//   GLocaleScope native;                    // then call mbrtowc, iswspace...
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_BASE_GLOCALE_H
#define LECTORIN_BASE_GLOCALE_H

#include <clocale>
#include <string>

/// Runs once per process, when the first string representation is made: if
/// the locale is still the runtime's start-up "C" (or has no name), the
/// library takes the user's default locale (the one the environment names).
void locale_set_up();

/// The name of one category (LC_CTYPE, LC_ALL, ...) of the locale the
/// library currently works in; composite names are kept whole. Empty when
/// the runtime cannot tell.
std::string locale_name(int category);

/// Switches one category of the library's locale for the life of a scope,
/// and back at its end. A null name does nothing; so does a name the
/// runtime does not know, and a category that is already that name.
class GLocaleGuard {
public:
  GLocaleGuard(int category, const char *name);
  ~GLocaleGuard();
  GLocaleGuard(const GLocaleGuard &) = delete;
  GLocaleGuard &operator=(const GLocaleGuard &) = delete;

private:
  int category_;
  bool switched_ = false;
  // Windows: the name to go back to. Linux: the per-thread locales around
  // the switch, as opaque locale objects.
  std::string previous_name_;
  void *installed_ = nullptr;
  void *previous_thread_ = nullptr;
  void *previous_guard_ = nullptr;
  bool owns_installed_ = false;
};

/// For the life of a scope, makes the runtime's locale-dependent functions
/// (multibyte conversion, wide-character classes, number formatting) on the
/// calling thread work in the library's locale. Nothing to do on Windows,
/// where the runtime's locale is the library's own.
class GLocaleScope {
public:
  GLocaleScope() noexcept;
  ~GLocaleScope();
  GLocaleScope(const GLocaleScope &) = delete;
  GLocaleScope &operator=(const GLocaleScope &) = delete;

private:
  void *previous_ = nullptr;
};

#endif // LECTORIN_BASE_GLOCALE_H
