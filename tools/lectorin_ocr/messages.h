//===- messages.h - Identifiers explained to people -------------*- C++ -*-===//
#ifndef LECTORIN_TOOLS_MESSAGES_H
#define LECTORIN_TOOLS_MESSAGES_H

#include <string>

namespace lectorin_ocr {

/// The plug-in's message identifier followed by a sentence that says what it
/// means: "IRIS.noEngine — no OCR engine found; ...". Identifiers with
/// tab-separated parameters show them after the name; several identifiers
/// (one per line) are explained one after another, joined by "; ".
std::string explain(const std::string &identifiers);

} // namespace lectorin_ocr

#endif // LECTORIN_TOOLS_MESSAGES_H
