//===- plugin_host.h - Playing the editor's part ---------------*- C++ -*-===//
//
// Loads the plug-in library, opens one interface with init_ocr and hands it
// pages exactly as the editor does: a page-image descriptor over the host's
// own pixels, the option text, and ocr_release after each page.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TOOLS_PLUGIN_HOST_H
#define LECTORIN_TOOLS_PLUGIN_HOST_H

#include "page_source.h"

#include <string>

struct ocr_interface;

namespace lectorin_ocr {

/// What one page gave: the hidden-text XML (maybe empty) and the identifiers
/// the plug-in reported (maybe empty).
struct PageResult {
  bool recognised = false;
  std::string xml;
  std::string error;
};

class PluginHost {
public:
  /// Loads the plug-in and calls init_ocr. Throws std::runtime_error when the
  /// library cannot be loaded; an engine that cannot be used is reported by
  /// engine_error().
  explicit PluginHost(const std::string &plugin_file);
  ~PluginHost();
  PluginHost(const PluginHost &) = delete;
  PluginHost &operator=(const PluginHost &) = delete;

  /// The identifier init_ocr reported, or empty when the engine is usable.
  const std::string &engine_error() const { return engine_error_; }

  PageResult recognize(const std::string &options, const LoadedPage &page);

private:
  ocr_interface *ocr_ = nullptr;
  std::string engine_error_;
};

/// The plug-in library beside the running program.
std::string plugin_beside_program();

/// Where the plug-in looks for the engine, in its order, for messages:
/// "$IRISlib (DIR), PROGRAM/DjVu/Lectorin/, PROGRAM/, PROGRAM/../Lectorin/"
/// (the first only when the variable is set).
std::string engine_search_places();

} // namespace lectorin_ocr

#endif // LECTORIN_TOOLS_PLUGIN_HOST_H
