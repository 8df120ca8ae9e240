//===- tesseract_unavailable.cpp - Builds without a recognition library ---===//

#include "backend.h"

namespace drs {

std::unique_ptr<Backend> make_tesseract_backend() { return nullptr; }

} // namespace drs
