//===- GStringInternal.h - What the string units share ---------*- C++ -*-===//
//
// Helpers of GString.cpp and GStringFormat.cpp; not part of the library's
// interface.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_BASE_GSTRINGINTERNAL_H
#define LECTORIN_BASE_GSTRINGINTERNAL_H

#include "GString.h"

#include <cstddef>
#include <string>

namespace gstring_internal {

/// n as a string length; raises "GException.outofmemory" beyond INT32_MAX.
int32_t checked_length(std::size_t n);
/// A new representation of the n bytes, native or UTF-8; null for none.
GRef<GStringRep> make_rep(bool native, const char *bytes, std::size_t n);
/// The same, of rep's kind.
GRef<GStringRep> same_kind(const GStringRep &rep, const char *bytes,
                           std::size_t n);
/// rep's decode_char; UTF-8 (utf8 is rep.holds_utf8()) without a virtual
/// call.
inline uint32_t decode_of(const GStringRep &rep, bool utf8, const char *&cursor,
                          const char *end) {
  return utf8 ? utf8_decode(cursor, end) : rep.decode_char(cursor, end);
}
/// Appends "&#N;".
void append_reference(std::string &out, uint32_t v);

/// strtoul in 32 bits, alike on every runtime: a negated number wraps in 32
/// bits ("-5" is 2^32 - 5), a magnitude beyond 32 bits gives UINT32_MAX.
/// stop is set as strtoul sets it.
uint32_t strtoul32(const char *text, char **stop, int base);

} // namespace gstring_internal

#endif // LECTORIN_BASE_GSTRINGINTERNAL_H
