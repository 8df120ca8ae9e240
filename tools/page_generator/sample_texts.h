//===- sample_texts.h - The generator's built-in texts ---------*- C++ -*-===//
//
// A few paragraphs in English, German and French, written for this project,
// that use each language's accented letters and some figures and signs, and
// the face each is set in unless another is asked for.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TOOLS_SAMPLE_TEXTS_H
#define LECTORIN_TOOLS_SAMPLE_TEXTS_H

#include <string>
#include <vector>

namespace pagegen {

/// The names of the sample texts: "en", "de", "fr".
std::vector<std::string> sample_names();

/// The sample text of that name (UTF-8, paragraphs separated by blank
/// lines); null for a name that has none.
const char *sample_text(const std::string &name);

/// The font family the sample of that name is set in; null for a name that
/// has no sample.
const char *sample_face(const std::string &name);

} // namespace pagegen

#endif // LECTORIN_TOOLS_SAMPLE_TEXTS_H
