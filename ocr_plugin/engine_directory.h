//===- engine_directory.h - Where the engine and its data are --*- C++ -*-===//
//
// The engine library may sit in the directory that "IRISlib" names, or near
// the host program: in its "DjVu/Lectorin/" subdirectory, in its own
// directory, or in "../Lectorin/" beside it. Its data lies in the "DRS/"
// subdirectory of the engine directory or in the engine directory itself.
// (Separators are the platform's.)
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_OCR_PLUGIN_ENGINE_DIRECTORY_H
#define LECTORIN_OCR_PLUGIN_ENGINE_DIRECTORY_H

#include <string>

/// The first candidate directory that holds a readable engine library: the
/// value of "IRISlib" unchanged (an empty value counts as unset), then the
/// host program's directory with "DjVu/Lectorin/", alone, and with
/// "../Lectorin/", each ending in a separator. False when none qualifies.
bool find_engine_directory(std::string &directory);

/// The engine library's file in an engine directory: the two joined by one
/// separator, as the search above tests them.
std::string engine_library_file(const std::string &engine_directory);

/// The engine's data directory: the "DRS/" subdirectory of the engine
/// directory (ending in a separator) when it holds "eng.ytr", else the engine
/// directory unchanged when it does. False when neither does, or when the
/// engine directory's name is 293 characters or longer.
bool find_engine_data_directory(const std::string &engine_directory,
                                std::string &directory);

#endif // LECTORIN_OCR_PLUGIN_ENGINE_DIRECTORY_H
