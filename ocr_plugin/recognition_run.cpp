//===- recognition_run.cpp - ocr_recognize: one page, end to end ----------===//
//
// The editor's page goes through validation and a gray copy, is brought to
// at least 200 dpi, laid out for the engine and fed to it line by line; the
// engine's code list becomes the hidden-text XML. A step that fails before
// recognition ends the run with its identifier; complaints the engine makes
// are handed out beside the result.
//
//===----------------------------------------------------------------------===//

#include "ocr_interface.h"

#include "GException.h"
#include "engine_binding.h"
#include "engine_errors.h"
#include "engine_languages.h"
#include "hidden_text.h"
#include "line_feed.h"
#include "ocr_options.h"
#include "platform.h"

#include <cstring>
#include <new>

namespace {

// Below this resolution the engine reads too little of the page.
constexpr uint32_t minimum_resolution = 200;
// The engine reads at most this resolution, whatever the page has.
constexpr uint32_t maximum_engine_resolution = 400;
constexpr std::size_t message_size = 256;

const char bad_option[] = "IRIS.badoption";
const char exception_id[] = "IRIS.exception";
const char abnormal[] = "IRIS.abnormal";

char *copy_text(const char *text) {
  std::size_t n = std::strlen(text);
  char *copy = new char[n + 1];
  std::memcpy(copy, text, n + 1);
  return copy;
}

void free_text(char *&text) {
  delete[] text;
  text = nullptr;
}

// The run's identifier becomes the session's error text, which the editor
// reads through the interface.
void report(ocr_interface &ocr, const char *identifier) {
  OcrSession &session = *ocr.session;
  free_text(session.error_text);
  session.error_text = copy_text(identifier);
  ocr.error = session.error_text;
}

// The identifier a page-image entry left in its message buffer. The buffers
// start empty, and an entry that fails without saying why still fails.
const char *failure_identifier(const char *message) {
  return message[0] != '\0' ? message : exception_id;
}

// What a run holds that must be given back on every way out, the exception
// path included.
struct RunResources {
  PixImageDesc *image = nullptr;
  platform::MemoryBlock block = nullptr;
  bool block_locked = false;
  bool characters_prepared = false;

  ~RunResources() {
    if (block_locked)
      platform::memory_block_unlock(block);
    if (characters_prepared)
      engine_api().drs7_free_coords();
    if (block)
      platform::memory_block_free(block);
    if (image)
      pix_free(image);
  }
};

// A page's size and resolutions as it is displayed.
struct PageGeometry {
  uint32_t width, height, x_resolution, y_resolution;
};

PageGeometry displayed_geometry(const PixImageDesc &image) {
  if (image.orientation & 4)
    return {image.height, image.width, image.y_resolution, image.x_resolution};
  return {image.width, image.height, image.x_resolution, image.y_resolution};
}

// A page that gives no resolution on one axis takes the other's; with none
// at all it is taken to be at the minimum, so that it goes unscaled.
void supply_missing_resolution(PageGeometry &page) {
  if (page.x_resolution == 0)
    page.x_resolution = page.y_resolution;
  if (page.y_resolution == 0)
    page.y_resolution = page.x_resolution;
  if (page.x_resolution == 0)
    page.x_resolution = page.y_resolution = minimum_resolution;
}

// Brings the page to the target resolution; false, with the reason in
// engine_errors(), when it cannot.
bool bring_to_resolution(OcrSession &session, PixImageDesc *image,
                         const PageGeometry &page, uint32_t target) {
  if (page.x_resolution == target && page.y_resolution == target) {
    session.scale_x = 1.0;
    session.scale_y = 1.0;
    return true;
  }
  uint64_t width = uint64_t{page.width} * target / page.x_resolution;
  uint64_t height = uint64_t{page.height} * target / page.y_resolution;
  session.scale_x = double(page.x_resolution) / target;
  session.scale_y = double(page.y_resolution) / target;
  if (width > UINT32_MAX || height > UINT32_MAX) {
    append_engine_error(GException::outofmemory);
    return false;
  }
  char message[message_size] = "";
  if (!pix_resize(image, static_cast<uint32_t>(width),
                  static_cast<uint32_t>(height), message, sizeof message)) {
    append_engine_error(failure_identifier(message));
    return false;
  }
  return true;
}

// The engine's settings for the page, in the order the engine expects them.
void set_up_engine(int32_t engine, LineFeed &feed, const OcrOptions &options) {
  const EngineApi &api = engine_api();
  api.set_engine_value(engine, 3, engine_line_callback, &feed, feed.width,
                       feed.lines, 0);
  uint32_t resolution = feed.resolution < maximum_engine_resolution
                            ? feed.resolution
                            : maximum_engine_resolution;
  api.set_engine_value(engine, 38, resolution, 0);
  api.set_engine_value(engine, 104, 0);
  apply_languages(engine, options);
  apply_characters(engine, options);
  api.set_engine_switch(engine, 70, options.mixed ? 1 : 0);
  if (!options.interactive)
    api.set_engine_value(engine, 42, 0, 0, 0);
  api.set_engine_value(engine, 44, 1, 0);
}

// Zoning, recognition and the hidden text, which becomes the session's
// result_text at once: from then on every way out frees it. No text when
// recognition failed.
void recognise(OcrSession &session, RunResources &held,
               const OcrOptions &options) {
  const EngineApi &api = engine_api();
  api.do_zones(session.engine);
  held.block = platform::memory_block_alloc(4);
  if (!held.block)
    G_THROW(GException::outofmemory);
  if (api.do_ocr(session.engine, held.block) < 0) {
    // A failure must not look like an empty page.
    if (engine_errors().is_empty())
      append_engine_error(abnormal);
    return;
  }
  session.output = ByteStream::create_memory();
  void *list = platform::memory_block_lock(held.block);
  if (!list)
    G_THROW(GException::outofmemory);
  held.block_locked = true;
  api.drs7_prep_coords();
  held.characters_prepared = true;
  write_hidden_text(session, list, platform::memory_block_size(held.block),
                    options);
  platform::memory_block_unlock(held.block);
  held.block_locked = false;
  api.drs7_free_coords();
  held.characters_prepared = false;
  session.result_text = take_hidden_text(session);
}

char *run_page(ocr_interface &ocr, const char *option_text,
               const PixImageDesc &page_image) {
  OcrSession &session = *ocr.session;
  forget_engine_errors();
  OcrOptions options;
  if (!parse_options(options, option_text)) {
    report(ocr, bad_option);
    return nullptr;
  }

  RunResources held;
  char message[message_size] = "";
  held.image = pix_to_gray_copy(&page_image, message, sizeof message);
  if (!held.image) {
    report(ocr, failure_identifier(message));
    return nullptr;
  }

  PageGeometry page = displayed_geometry(*held.image);
  supply_missing_resolution(page);
  uint32_t target = page.x_resolution > page.y_resolution ? page.x_resolution
                                                          : page.y_resolution;
  if (target < minimum_resolution)
    target = minimum_resolution;

  if (bring_to_resolution(session, held.image, page, target)) {
    if (!pix_prepare_for_engine(held.image, message, sizeof message)) {
      append_engine_error(failure_identifier(message));
    } else {
      PageGeometry prepared = displayed_geometry(*held.image);
      LineFeed feed{prepared.height, prepared.width, target, 0, held.image};
      set_up_engine(session.engine, feed, options);
      // Complaints during the set-up mean the engine cannot read this page.
      if (engine_errors().is_empty() && !engine_error_lost())
        recognise(session, held, options);
    }
  }
  // A complaint that could not even be recorded must not pass for none:
  // the run fails as out of memory, its document freed.
  if (engine_error_lost())
    G_THROW(GException::outofmemory);
  // The complaints are copied after the document is the session's: a copy
  // that fails leaves nothing unowned.
  if (!engine_errors().is_empty())
    report(ocr, engine_errors().c_str());
  return session.result_text;
}

} // namespace

extern "C" char *ocr_recognize(ocr_interface *ocr, const char *options,
                               const PixImageDesc *image) {
  if (!ocr)
    return nullptr; // nowhere to say why
  OcrSession &session = *ocr->session;
  // The editor releases after every page; a run that finds texts still held
  // frees them as the release would have.
  free_text(session.result_text);
  free_text(session.error_text);
  ocr->error = nullptr;
  try {
    // An interface whose engine never started cannot recognise anything.
    if (session.init_error) {
      report(*ocr, session.init_error);
      return nullptr;
    }
    // The editor always hands both; without them there is no page to read.
    if (!options || !image) {
      report(*ocr, exception_id);
      return nullptr;
    }
    return run_page(*ocr, options, *image);
  } catch (...) {
    session.output = nullptr;
    free_text(session.result_text);
    try {
      report(*ocr, exception_id);
    } catch (...) {
      // Not even the identifier could be copied: the constant says it.
      ocr->error = exception_id;
    }
    return nullptr;
  }
}
