//===- tesseract_backend.cpp - Real recognition through libtesseract ------===//
//
// Reads the page through the line callback, recognises it with Tesseract and
// hands the text over as the engine's code list and symbol table. The lines
// of "eng.ytr" after "backend tesseract" ("#" starts a comment):
//
//   tessdata <dir>    the trained-data directory (default: TESSDATA_PREFIX,
//                     else the build's own: on Linux the one the system's
//                     Tesseract was built with, on Windows "tessdata");
//                     a relative path is taken from the data directory
//   psm <n>           page segmentation mode, 1 to 13 (default 3, automatic:
//                     Tesseract's API default of a single block runs the
//                     lines of neighbouring columns together)
//   limits <symbols> <entries>
//                     smaller limits for the code list than the format's
//                     32768 symbols and 65535 entries (larger ones are
//                     lowered to those), to try a full list on a small page
//
// A data directory without trained data, or a line that is not understood,
// stops drs7_init with 0 and a one-line reason on the standard error stream.
//
//===----------------------------------------------------------------------===//

#include "backend.h"

#include "code_list.h"
#include "platform.h"
#include "tesseract_languages.h"
#include "text.h"

#include <tesseract/baseapi.h>
#include <tesseract/publictypes.h>
#include <tesseract/resultiterator.h>

#include <leptonica/allheaders.h>
#ifdef LECTORIN_TESSERACT_OPENMP
#include <omp.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>

namespace drs {

namespace {

// Complaints, as the plug-in reads them: no usable main dictionary, and a
// page that outgrew the code list.
constexpr uint32_t dictionary_class = 0x1A00;
constexpr uint32_t missing_dictionary_reason = 341;
constexpr uint32_t memory_class = 0x1500;
constexpr uint32_t out_of_memory_reason = 32;

// Tesseract's images and the engine's 16-bit rectangles both stop here.
constexpr uint32_t largest_side = 32767;

constexpr int default_page_mode = tesseract::PSM_AUTO;

struct Settings {
  std::string tessdata;
  int page_mode = default_page_mode;
  CodeListLimits limits;
};

bool read_count(const std::string &word, std::size_t &value) {
  if (word.empty() ||
      word.find_first_not_of("0123456789") != std::string::npos ||
      word.size() > 9)
    return false;
  value = static_cast<std::size_t>(std::strtoul(word.c_str(), nullptr, 10));
  return true;
}

// A path that names its own place: from a root ("/x", "\\x") or a drive
// ("C:\x", and on Windows also "C:x", which stays on that drive).
std::string from_data_directory(const Session &session,
                                const std::string &path) {
  std::filesystem::path named(path);
  if (named.has_root_directory() || named.has_root_name())
    return path;
  return session.directory + path;
}

std::string default_tessdata(const Session &session) {
  std::string prefix;
  if (platform::get_environment("TESSDATA_PREFIX", prefix) && !prefix.empty())
    return prefix;
  return from_data_directory(session, LECTORIN_TESSDATA_DIR);
}

bool parse_settings(const Session &session,
                    const std::vector<ConfigLine> &config, Settings &settings,
                    std::string &reason) {
  settings.tessdata = default_tessdata(session);
  for (const ConfigLine &line : config) {
    const std::string &key = line[0];
    std::size_t a = 0, b = 0;
    if (key == "backend") {
      continue;
    } else if (key == "tessdata" && line.size() == 2) {
      settings.tessdata = from_data_directory(session, line[1]);
    } else if (key == "psm" && line.size() == 2 && read_count(line[1], a) &&
               a >= 1 && a <= 13) {
      settings.page_mode = static_cast<int>(a);
    } else if (key == "limits" && line.size() == 3 && read_count(line[1], a) &&
               read_count(line[2], b)) {
      settings.limits.symbols = a;
      settings.limits.entries = b;
    } else {
      reason = "cannot use the line starting \"" + key + "\"";
      return false;
    }
  }
  return true;
}

// The languages a trained-data directory holds, by their model names.
std::set<std::string> installed_models(const std::string &directory) {
  namespace fs = std::filesystem;
  std::set<std::string> models;
  std::error_code error;
  for (fs::directory_iterator it(directory, error), end; !error && it != end;
       it.increment(error)) {
    const fs::path &file = it->path();
    if (file.extension() == ".traineddata" && it->is_regular_file(error))
      models.insert(file.stem().string());
  }
  return models;
}

// Debian packages a model as tesseract-ocr-NAME with '-' for '_'
// ("chi_sim" comes in tesseract-ocr-chi-sim).
std::string debian_package_suffix(std::string model) {
  std::replace(model.begin(), model.end(), '_', '-');
  return model;
}

std::size_t bilevel_row_bytes(uint32_t width) {
  return (std::size_t{width} + 7) / 8;
}

// A page of black and white only goes to Tesseract one bit per pixel, most
// significant bit first, 1 for white: as the command line hands over a
// bilevel file. Tesseract then skips its own thresholding, which finds the
// same black pixels: some 30 ms less on a 300 dpi letter page.
// False, with bits untouched, when a pixel is neither 0 nor 255.
bool pack_bilevel(const std::vector<uint8_t> &pixels, uint32_t width,
                  uint32_t lines, std::vector<uint8_t> &bits) {
  if (std::any_of(pixels.begin(), pixels.end(),
                  [](uint8_t v) { return v != 0 && v != 255; }))
    return false;
  const std::size_t row_bytes = bilevel_row_bytes(width);
  bits.assign(row_bytes * lines, 0);
  for (uint32_t y = 0; y < lines; ++y) {
    const uint8_t *row = pixels.data() + std::size_t{y} * width;
    uint8_t *out = bits.data() + std::size_t{y} * row_bytes;
    for (uint32_t x = 0; x < width; ++x)
      if (row[x] != 0)
        out[x / 8] |= static_cast<uint8_t>(0x80U >> (x % 8));
  }
  return true;
}

// What every call into Tesseract runs under.
//
// Tesseract's OpenMP regions (where it is built with OpenMP) ask for a fixed
// team whatever the machine has, which runs a 2-core machine several times
// slower than one thread. The limit belongs to the calling thread, so it is
// set on every call.
//
// Leptonica reports trouble on the standard error stream, and a Leptonica
// built without image libraries (the Windows one) complains of the missing
// ones at every start and on every line of text, although Tesseract reads
// no image file here. Its message level is process-wide, on Linux shared
// with a host that uses Leptonica as well, so it is only lowered for the
// call and then put back.
class TesseractCall {
public:
  TesseractCall() : saved_severity_(setMsgSeverity(L_SEVERITY_NONE)) {
#ifdef LECTORIN_TESSERACT_OPENMP
    omp_set_max_active_levels(0);
#endif
  }
  ~TesseractCall() { setMsgSeverity(saved_severity_); }
  TesseractCall(const TesseractCall &) = delete;
  TesseractCall &operator=(const TesseractCall &) = delete;

private:
  l_int32 saved_severity_;
};

uint16_t clamp_coordinate(int value) {
  return static_cast<uint16_t>(std::clamp(value, 0, 0xFFFF));
}

class TesseractBackend final : public Backend {
public:
  int32_t start(const Session &session,
                const std::vector<ConfigLine> &config) override {
    session_ = session;
    std::string reason;
    if (!parse_settings(session, config, settings_, reason))
      return refuse("eng.ytr: " + reason);
    installed_ = installed_models(settings_.tessdata);
    if (installed_.empty())
      return refuse("no trained data in \"" + settings_.tessdata + "\"");
    api_ = std::make_unique<tesseract::TessBaseAPI>();
    return 1;
  }

  void end() override {
    TesseractCall call;
    api_.reset();
  }

  void set_value(const ValueCall &call) override {
    if (call.is_switch)
      return;
    auto number = [&](std::size_t i) {
      return i < call.numbers.size() ? call.numbers[i] : 0;
    };
    switch (call.code) {
    case 3:
      line_callback_ = call.line_callback;
      feed_ = call.feed;
      width_ = static_cast<uint32_t>(number(0));
      height_ = static_cast<uint32_t>(number(1));
      page_ready_ = false;
      // Each page starts unrestricted: the plug-in makes no character call
      // for languages without a set of their own, and the last page's set
      // would keep such a page in the wrong script.
      whitelist_.clear();
      break;
    case 38:
      resolution_ = number(0);
      break;
    case 35:
      whitelist_ = call.characters ? utf16_to_utf8(call.characters) : "";
      // Tesseract treats the space as a character: a list without it would
      // run every line into one word.
      if (!whitelist_.empty() && whitelist_.find(' ') == std::string::npos)
        whitelist_ += ' ';
      break;
    case 36:
      whitelist_.clear();
      break;
    default:
      break;
    }
  }

  void set_language(int32_t language, bool main) override {
    if (main)
      languages_.clear();
    languages_.push_back(language);
  }

  int32_t find_zones() override {
    page_ready_ = false;
    symbols_.clear();
    readable_ = false;
    if (!api_)
      return -1;
    {
      TesseractCall call;
      if (!load_languages())
        return -1;
    }
    // The page comes through the caller's callback, outside the call scope.
    std::vector<uint8_t> pixels;
    uint32_t lines = 0;
    if (!read_page(pixels, lines))
      return -1;
    TesseractCall call;
    api_->SetPageSegMode(
        static_cast<tesseract::PageSegMode>(settings_.page_mode));
    api_->SetVariable("tessedit_char_whitelist", whitelist_.c_str());
    blank_page_ = lines == 0;
    if (!blank_page_) {
      // Tesseract copies the pixels; the resolution only holds once it has
      // an image.
      std::vector<uint8_t> bits;
      if (pack_bilevel(pixels, width_, lines, bits))
        api_->SetImage(bits.data(), static_cast<int>(width_),
                       static_cast<int>(lines), 0,
                       static_cast<int>(bilevel_row_bytes(width_)));
      else
        api_->SetImage(pixels.data(), static_cast<int>(width_),
                       static_cast<int>(lines), 1, static_cast<int>(width_));
      if (resolution_ > 0)
        api_->SetSourceResolution(resolution_);
      delete api_->AnalyseLayout();
    }
    page_ready_ = true;
    return 0;
  }

  int32_t recognize(void *code_block) override {
    if (!page_ready_)
      return -1;
    TesseractCall call;
    if (!blank_page_ && api_->Recognize(nullptr) != 0)
      return -1;
    CodeListBuilder list(settings_.limits);
    if (!blank_page_)
      collect_text(list);
    if (list.full())
      complain(memory_class, out_of_memory_reason);
    if (!store(list.entries(), code_block))
      return -1;
    symbols_ = list.take_symbols();
    readable_ = false;
    return 0;
  }

  void prepare_characters() override { readable_ = true; }

  void free_characters() override {
    symbols_.clear();
    readable_ = false;
  }

  int32_t read_text(int32_t character, uint16_t *text) override {
    const Symbol *symbol = find(character);
    return symbol ? copy_symbol_text(symbol->text, text) : -1;
  }

  void read_rectangle(int32_t character, drs_rectangle *rectangle) override {
    const Symbol *symbol = find(character);
    *rectangle = symbol ? symbol->rectangle : drs_rectangle{};
  }

private:
  static int32_t refuse(const std::string &reason) {
    (void)std::fprintf(stderr, "drs832: %s\n", reason.c_str());
    return 0;
  }

  void complain(uint32_t class_code, uint32_t reason_code) const {
    if (session_.report_error)
      session_.report_error(class_code, 0, reason_code);
  }

  // Initialises Tesseract for the page's languages; only a changed list
  // loads models again. Tesseract keeps a model loaded by an earlier Init
  // with other languages, hence End first.
  bool load_languages() {
    std::vector<int32_t> codes = languages_;
    if (codes.empty())
      codes.push_back(1);
    warn_missing_models(codes);
    std::string list = tesseract_language_list(codes, installed_);
    if (list.empty()) {
      complain(dictionary_class, missing_dictionary_reason);
      return false;
    }
    if (list == loaded_)
      return true;
    api_->End();
    loaded_.clear();
    if (api_->Init(settings_.tessdata.c_str(), list.c_str(),
                   tesseract::OEM_LSTM_ONLY) != 0) {
      complain(dictionary_class, missing_dictionary_reason);
      return false;
    }
    loaded_ = list;
    return true;
  }

  // A language whose model is not installed is read without; the user hears
  // of it once per process, not once per page.
  void warn_missing_models(const std::vector<int32_t> &codes) {
    for (const std::string &model : missing_models(codes, installed_))
      if (warned_.insert(model).second)
        (void)std::fprintf(
            stderr,
            "drs832: no Tesseract model \"%s\" in \"%s\"; pages are read "
            "without it (Debian: apt-get install tesseract-ocr-%s)\n",
            model.c_str(), settings_.tessdata.c_str(),
            debian_package_suffix(model).c_str());
  }

  // The whole page through the line callback: the first line, then the next
  // ones until the callback has no more. A page larger than the engine reads
  // is refused rather than cut.
  bool read_page(std::vector<uint8_t> &pixels, uint32_t &lines) const {
    if (!line_callback_ || width_ == 0 || width_ > largest_side)
      return false;
    pixels.reserve(std::size_t{width_} * std::min(height_, largest_side));
    std::vector<uint8_t> line(width_);
    lines = 0;
    for (int32_t request = 0; line_callback_(feed_, request, line.data()) == 0;
         request = 1) {
      if (lines == largest_side)
        return false;
      pixels.insert(pixels.end(), line.begin(), line.end());
      ++lines;
    }
    return true;
  }

  // Walks the text paragraphs in reading order. Blocks that hold no text
  // (pictures, rules) show up as one blank "word" each and are skipped.
  void collect_text(CodeListBuilder &list) {
    using tesseract::RIL_BLOCK;
    using tesseract::RIL_PARA;
    using tesseract::RIL_SYMBOL;
    using tesseract::RIL_TEXTLINE;
    using tesseract::RIL_WORD;
    std::unique_ptr<tesseract::ResultIterator> it(api_->GetIterator());
    if (!it || it->Empty(RIL_BLOCK))
      return;
    std::vector<Symbol> word;
    for (bool more = true; more;) {
      if (!tesseract::PTIsTextType(it->BlockType())) {
        more = it->Next(RIL_BLOCK);
        continue;
      }
      add_symbol(*it, word);
      if (it->IsAtFinalElement(RIL_WORD, RIL_SYMBOL)) {
        if (!list.add_word(std::move(word)))
          break;
        word.clear();
      }
      if (it->IsAtFinalElement(RIL_TEXTLINE, RIL_SYMBOL))
        list.end_line();
      if (it->IsAtFinalElement(RIL_PARA, RIL_SYMBOL))
        list.end_paragraph();
      more = it->Next(RIL_SYMBOL);
    }
    list.end_paragraph();
  }

  static void add_symbol(const tesseract::ResultIterator &it,
                         std::vector<Symbol> &word) {
    std::unique_ptr<char[]> text(it.GetUTF8Text(tesseract::RIL_SYMBOL));
    if (!text || !text[0])
      return;
    Symbol symbol;
    symbol.text = utf8_to_utf16(text.get());
    int left = 0, top = 0, right = 0, bottom = 0;
    if (it.BoundingBox(tesseract::RIL_SYMBOL, &left, &top, &right, &bottom))
      symbol.rectangle = {clamp_coordinate(left), clamp_coordinate(top),
                          clamp_coordinate(right), clamp_coordinate(bottom)};
    word.push_back(std::move(symbol));
  }

  // Count at offset 0, a zero at offset 2, the entries from offset 4.
  static bool store(const std::vector<uint16_t> &entries, void *code_block) {
    if (!code_block ||
        !platform::memory_block_realloc(code_block, 4 + 2 * entries.size()))
      return false;
    auto *list =
        static_cast<uint8_t *>(platform::memory_block_lock(code_block));
    if (!list)
      return false;
    uint16_t header[2] = {static_cast<uint16_t>(entries.size()), 0};
    std::memcpy(list, header, sizeof header);
    if (!entries.empty())
      std::memcpy(list + 4, entries.data(), 2 * entries.size());
    platform::memory_block_unlock(code_block);
    return true;
  }

  // Symbols are readable between drs7_prep_coords and drs7_free_coords.
  const Symbol *find(int32_t character) const {
    if (!readable_ || character < 0 ||
        static_cast<std::size_t>(character) >= symbols_.size())
      return nullptr;
    return &symbols_[static_cast<std::size_t>(character)];
  }

  Session session_;
  Settings settings_;
  std::set<std::string> installed_;
  std::set<std::string> warned_; // missing models already told of
  std::unique_ptr<tesseract::TessBaseAPI> api_;
  std::string loaded_; // the language list Tesseract holds, "" for none

  std::vector<int32_t> languages_;
  std::string whitelist_; // "" for no restriction
  int32_t resolution_ = 0;
  drs_line_callback line_callback_ = nullptr;
  void *feed_ = nullptr;
  uint32_t width_ = 0;
  uint32_t height_ = 0; // as announced; the callback decides

  bool page_ready_ = false;
  bool blank_page_ = false;
  std::vector<Symbol> symbols_;
  bool readable_ = false;
};

} // namespace

std::unique_ptr<Backend> make_tesseract_backend() {
  return std::make_unique<TesseractBackend>();
}

} // namespace drs
