//===- terminate_handler.cpp - The plug-in's last words (Windows) ---------===//
//
// The Windows plug-in carries its own copy of the C++ runtime. That runtime's
// default terminate handler names the type of the exception in flight with
// the demangler, and the demangler formats with the printf of the mingw
// runtime, which reads the C runtime's locale: linked in, they put setlocale
// and localeconv among the plug-in's imports from the host's msvcrt.dll. A
// guest in the editor's process has no business with the host's locale, so
// this module replaces the handler with one that says less. The editor's
// process ends either way; nothing the plug-in does lets an exception reach
// it (every entry catches everything).
//
//===----------------------------------------------------------------------===//

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
  (void)std::fputs("Lectorin: terminate called, the process ends\n", stderr);
  std::abort();
}

} // namespace __gnu_cxx
