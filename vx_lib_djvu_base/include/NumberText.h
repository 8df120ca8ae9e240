//===- NumberText.h - Numbers as text, by rules no locale changes -*- C++
//-*-===//
//
// printf-style formatting and strtol/strtod-style reading by the rules of the
// "C" locale, except that the caller names the decimal point. UTF-8 strings
// format and read their numbers here with ".", so a coordinate is "1.5"
// whatever locale the host program or its user has chosen; native strings
// pass the decimal point of the library's locale (GLocale.h).
//
// Nothing here reads or changes the C runtime's locale: the plug-in shares
// that runtime with the program that loaded it (on Windows the system's
// msvcrt.dll, whose printf and strtod follow the host's setlocale), so the
// runtime's own formatting could neither be trusted nor switched.
//
// Results are those of a correct C library: floating-point values are
// written from their exact decimal expansion, rounded half to even, and
// reading rounds to the nearest double.
//
// Usage:
//   std::string out;
//   append_formatted(out, "%d: %.1f", args, ".");  // "7: 1.5"
//   const char *stop;
//   double v = read_double("2.5e3 m", stop, ".");  // 2500, stop at " m"
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_BASE_NUMBERTEXT_H
#define LECTORIN_BASE_NUMBERTEXT_H

#include <cstdarg>
#include <cstdint>
#include <string>

/// Appends the format with its arguments to out, as vsnprintf does: the
/// conversions d i u o x X c s p f F e E g G a A and "%%", the flags
/// "-+ #0", a width and a precision (each also as "*"), and the length
/// modifiers hh h l ll j z t L. "%lc" and "%ls" write the wide characters in
/// UTF-8; "%a" writes a leading 1 for every value but zero. A conversion
/// outside these ("%n" among them, which would write through an argument)
/// ends the formatting: the rest of the format is appended as it stands and
/// no further argument is read. False, with out unchanged, when a width or
/// precision in the format is too large to be an int.
bool append_formatted(std::string &out, const char *format, std::va_list args,
                      const char *decimal_point);

/// Reads an integer as strtol and strtoul do: blanks (space, \t \n \v \f \r),
/// a sign, then the digits of base (2 to 36; base 0 reads "0x" as 16 and a
/// leading "0" as 8; base 16 also takes the "0x"). stop is set after the
/// digits and the magnitude saturates at UINT64_MAX. False, with stop at
/// text, when there are no digits or the base is none of these.
bool read_integer(const char *text, int base, const char *&stop,
                  uint64_t &magnitude, bool &negative);

/// Reads a floating-point number as strtod does, with decimal_point in place
/// of ".": blanks, a sign, then decimal digits with an exponent "e", hex
/// digits after "0x" with an exponent "p", "inf", "infinity" or "nan" with
/// an optional "(chars)", in any case. Rounds to the nearest double; beyond
/// the range gives an infinity, below it zero. 0 with stop at text when
/// nothing was read.
double read_double(const char *text, const char *&stop,
                   const char *decimal_point);

#endif // LECTORIN_BASE_NUMBERTEXT_H
