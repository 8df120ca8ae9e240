//===- plugin_host.cpp - Playing the editor's part ------------------------===//

#include "plugin_host.h"

#include "PixImage.h"
#include "ocr_interface.h"
#include "platform.h"

#include <stdexcept>

namespace lectorin_ocr {

namespace {

int32_t pixel_type(PixelForm form) {
  switch (form) {
  case PixelForm::bitonal:
    return TYPE_BITONAL;
  case PixelForm::gray:
    return TYPE_GRAY;
  case PixelForm::rgb:
    return TYPE_RGB;
  }
  return TYPE_GRAY;
}

// The editor's descriptor over pixels it owns, without owner.
PixImageDesc describe(const LoadedPage &page) {
  PixImageDesc desc{};
  desc.type = pixel_type(page.form);
  desc.orientation = page.orientation;
  desc.width = page.width;
  desc.height = page.height;
  desc.pixel_step = page.pixel_step;
  desc.row_step = page.row_step;
  bool coded = page.form == PixelForm::bitonal;
  desc.buffer_size =
      static_cast<uint32_t>(coded ? page.coded.size() : page.size);
  desc.x_resolution = page.x_resolution;
  desc.y_resolution = page.y_resolution;
  // The plug-in never writes the editor's pixels.
  auto *bytes = const_cast<uint8_t *>(coded ? page.coded.data() : page.data);
  desc.data = bytes;
  desc.buffer = bytes;
  desc.owner = nullptr;
  return desc;
}

} // namespace

namespace {

// The running program's directory, ending in a separator.
std::string program_directory() {
  std::string program;
  if (!platform::executable_path(program))
    throw std::runtime_error("cannot read this program's own file name");
  return program.substr(0, program.rfind(platform::path_separator) + 1);
}

} // namespace

std::string plugin_beside_program() {
#ifdef _WIN32
  return program_directory() + "Lectorin.dll";
#else
  return program_directory() + "libLectorin.so";
#endif
}

std::string engine_search_places() {
  std::string places, named;
  if (platform::get_environment(platform::engine_directory_variable, named))
    places = std::string("$") + platform::engine_directory_variable + " (" +
             named + "), ";
  std::string directory = program_directory();
  return places + directory + platform::engine_subdirectory + ", " + directory +
         ", " + directory + platform::sibling_engine_subdirectory;
}

PluginHost::PluginHost(const std::string &plugin_file) {
  std::string reason;
  platform::LibraryHandle plugin = platform::load_library(plugin_file, reason);
  if (!plugin)
    throw std::runtime_error("cannot load the plug-in " + plugin_file + ": " +
                             reason);
  using init_function = ocr_interface *(*)();
  auto init = reinterpret_cast<init_function>(
      platform::find_function(plugin, "init_ocr"));
  if (!init)
    throw std::runtime_error(plugin_file +
                             " is not the OCR plug-in (no init_ocr)");
  ocr_ = init();
  if (!ocr_)
    throw std::runtime_error("the plug-in could not start (out of memory)");
  if (ocr_->error)
    engine_error_ = ocr_->error;
}

PluginHost::~PluginHost() {
  if (ocr_)
    ocr_->close(ocr_);
}

PageResult PluginHost::recognize(const std::string &options,
                                 const LoadedPage &page) {
  PixImageDesc desc = describe(page);
  PageResult result;
  char *xml = ocr_->recognize(ocr_, options.c_str(), &desc);
  result.recognised = xml != nullptr;
  if (xml)
    result.xml = xml;
  if (ocr_->error)
    result.error = ocr_->error;
  ocr_->release(ocr_);
  return result;
}

} // namespace lectorin_ocr
