//===- output_file.h - Files written whole or not at all -------*- C++ -*-===//
#ifndef LECTORIN_TOOLS_OUTPUT_FILE_H
#define LECTORIN_TOOLS_OUTPUT_FILE_H

#include <string>

namespace lectorin_ocr {

/// Writes content to a temporary file beside path ("PATH.part") and renames
/// it to path, replacing an older file of that name; a reader never sees a
/// half-written file. False, with a sentence in error and nothing left
/// behind, when the file cannot be written.
bool write_whole_file(const std::string &path, const std::string &content,
                      std::string &error);

/// Makes the directory (and its parents) unless it exists, and checks that
/// a file can be made in it. False, with a sentence in error, otherwise.
bool prepare_output_directory(const std::string &directory, std::string &error);

} // namespace lectorin_ocr

#endif // LECTORIN_TOOLS_OUTPUT_FILE_H
