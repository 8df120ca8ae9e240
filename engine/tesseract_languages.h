//===- tesseract_languages.h - Engine languages as Tesseract's -*- C++ -*-===//
//
// The engine names its languages by number; Tesseract by the name of a
// trained-data file ("eng", "deu", "chi_sim"). Languages that share a model
// (American and British English, Portuguese and Brazilian) share the name.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_ENGINE_TESSERACT_LANGUAGES_H
#define LECTORIN_ENGINE_TESSERACT_LANGUAGES_H

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace drs {

/// The Tesseract model for an engine language code; null for a code that
/// Tesseract has no model for (and for codes the engine does not know).
const char *tesseract_language(int32_t code);

/// The Tesseract language list ("deu+eng") for engine codes in order of
/// preference: each model once, at its first place; codes without a model or
/// whose model is not among the installed ones are left out. Empty when
/// nothing is left.
std::string tesseract_language_list(const std::vector<int32_t> &codes,
                                    const std::set<std::string> &installed);

/// The models that codes ask for but that are not installed, each once, in
/// order: a page read without them should say so.
std::vector<std::string> missing_models(const std::vector<int32_t> &codes,
                                        const std::set<std::string> &installed);

} // namespace drs

#endif // LECTORIN_ENGINE_TESSERACT_LANGUAGES_H
