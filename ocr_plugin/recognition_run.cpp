//===- recognition_run.cpp - ocr_recognize --------------------------------===//

#include "ocr_interface.h"

#include <cstring>
#include <new>

namespace {

// Recognition is not wired to the engine yet: every run reports the
// catch-all identifier, as a run that failed inside would.
const char exception_id[] = "IRIS.exception";

} // namespace

extern "C" char *ocr_recognize(ocr_interface *ocr, const char * /*options*/,
                               const PixImageDesc * /*image*/) {
  OcrSession &session = *ocr->session;
  delete[] session.error_text;
  session.error_text = new (std::nothrow) char[sizeof exception_id];
  if (session.error_text)
    std::memcpy(session.error_text, exception_id, sizeof exception_id);
  ocr->error = session.error_text;
  return nullptr;
}
