//===- script_backend.cpp - The deterministic backend for tests -----------===//
//
// Replays what its "eng.ytr" prescribes and logs every call it receives, so
// that tests drive the plug-in through its real engine binding and read what
// the engine was told. The file's lines ("#" starts a comment; numbers are
// decimal or 0x-hex; texts are UTF-8 between double quotes, in which \" is a
// quote and \\ a backslash):
//
//   backend script
//   init 1          the handle drs7_init returns (0 = failure); when a live
//                   session has it, the next free one
//   log <path>      append one line per call received
//   ocr_result 0    value do_ocr returns (negative = failure)
//   complain <stage> <class> <detail> <reason>
//                   report a complaint at a stage: setup (the value calls
//                   that set a page up), zones (do_zones) or ocr (do_ocr)
//   char <handle> <text> <x0> <y0> <x1> <y1>
//                   a recognised character; a bare - as its text makes
//                   drs7_read_one fail for it
//   codes <entry> <entry> ...
//                   the code list, on any number of lines, in order
//   count <n>       the entry count written into the code list (default:
//                   the number of entries given)
//   dump <path>     save the page read through the line callback, as PGM
//   lines <pattern> how the page is requested: "restart-after N" asks for
//                   the first line again after N lines; "first-next" starts
//                   with a next-line request instead of request 0
//
// Relative paths are taken from the data directory. The file is read again
// at the start of every page (the code 3 value call), so a test can change
// the scenario between pages; "init" matters only to drs7_init. The log is
// opened and closed for each call, so a test may remove it at any time.
//
// A line that cannot be read (an unknown word, a wrong number of words, a
// number that is not one) is named in the log and on the standard error
// stream: drs7_init then fails, and a page whose scenario holds one fails
// in do_zones and do_ocr. Calls that break the order the engine relies on
// are logged as lines starting "fault:": characters freed that were not
// prepared, the code block still locked when they are freed, and prepared
// characters never freed before the next page or the end of the session.
//
//===----------------------------------------------------------------------===//

#include "backend.h"

#include "platform.h"
#include "text.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>

namespace drs {

namespace {

bool is_absolute(const std::string &path) {
  return !path.empty() && (path[0] == '/' || path[0] == '\\' ||
                           (path.size() > 1 && path[1] == ':'));
}

// The whole word as a number from low to high; false for anything else.
bool read_number(const std::string &word, int64_t low, int64_t high,
                 int64_t &value) {
  // strtoll would skip leading white space, which a quoted word may hold.
  if (word.empty() || std::isspace(static_cast<unsigned char>(word[0])))
    return false;
  char *end = nullptr;
  errno = 0;
  const long long n = std::strtoll(word.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || n < low || n > high)
    return false;
  value = n;
  return true;
}

template <class T> bool read_number(const std::string &word, T &value) {
  int64_t n = 0;
  if (!read_number(word, std::numeric_limits<T>::min(),
                   std::numeric_limits<T>::max(), n))
    return false;
  value = static_cast<T>(n);
  return true;
}

struct Complaint {
  uint32_t class_code, detail_code, reason_code;
};

struct Character {
  bool has_text = true;
  std::u16string text;
  drs_rectangle rectangle{};
};

// What one page's scenario prescribes.
struct Scenario {
  std::string problem; // the first line that could not be read, or ""
  int32_t init_result = 1;
  int32_t ocr_result = 0;
  std::string log_file;
  std::string dump_file;
  std::multimap<std::string, Complaint> complaints; // by stage
  std::map<int32_t, Character> characters;
  std::vector<uint16_t> codes;
  int64_t count = -1; // -1: the number of codes
  int64_t restart_after = -1;
  bool first_request_next = false;
};

class ScriptBackend final : public Backend {
public:
  int32_t start(const Session &session,
                const std::vector<ConfigLine> &config) override {
    session_ = session;
    scenario_ = parse(config);
    if (!scenario_.problem.empty()) {
      report_problem();
      return 0;
    }
    return scenario_.init_result;
  }

  void log_call(const std::string &line) override {
    if (scenario_.log_file.empty())
      return;
    std::FILE *log = std::fopen(scenario_.log_file.c_str(), "ab");
    if (!log)
      return;
    // A line that is lost shows in the test that reads the log.
    (void)std::fputs(line.c_str(), log);
    (void)std::fputc('\n', log);
    (void)std::fclose(log);
  }

  void end() override { check_characters_freed("the end of the session"); }

  void set_value(const ValueCall &call) override {
    if (call.is_switch || call.code != 3)
      return;
    check_characters_freed("the next page");
    // A new page: read the scenario again, keep the page's line source.
    std::vector<ConfigLine> config;
    std::string problem;
    if (read_config(session_.directory + platform::engine_data_file, config,
                    problem))
      scenario_ = parse(config);
    if (!problem.empty())
      scenario_.problem = problem;
    if (!scenario_.problem.empty())
      report_problem();
    line_callback_ = call.line_callback;
    feed_ = call.feed;
    width_ = !call.numbers.empty() ? static_cast<uint32_t>(call.numbers[0]) : 0;
    complain("setup");
  }

  int32_t find_zones() override {
    complain("zones");
    if (!scenario_.problem.empty())
      return -1;
    read_page();
    return 0;
  }

  int32_t recognize(void *code_block) override {
    complain("ocr");
    code_block_ = code_block;
    if (!scenario_.problem.empty() || !write_code_list(code_block))
      return -1;
    return scenario_.ocr_result;
  }

  void prepare_characters() override { prepared_ = true; }

  void free_characters() override {
    if (!prepared_)
      log_call("fault: drs7_free_coords without drs7_prep_coords");
    else if (code_block_ && platform::memory_block_is_locked(code_block_))
      log_call("fault: drs7_free_coords while the code block is locked");
    prepared_ = false;
  }

  int32_t read_text(int32_t character, uint16_t *text) override {
    auto found = scenario_.characters.find(character);
    if (found == scenario_.characters.end() || !found->second.has_text)
      return -1;
    // The caller's buffer holds 16 units; a text that fills it gets no
    // terminator, as an engine's may not.
    const std::u16string &units = found->second.text;
    std::size_t n = units.size() < 16 ? units.size() : 16;
    for (std::size_t i = 0; i < n; ++i)
      text[i] = units[i];
    if (n < 16)
      text[n] = 0;
    return static_cast<int32_t>(n);
  }

  void read_rectangle(int32_t character, drs_rectangle *rectangle) override {
    auto found = scenario_.characters.find(character);
    *rectangle = found == scenario_.characters.end() ? drs_rectangle{}
                                                     : found->second.rectangle;
  }

private:
  std::string path_of(const std::string &word) const {
    return is_absolute(word) ? word : session_.directory + word;
  }

  Scenario parse(const std::vector<ConfigLine> &config) const {
    Scenario s;
    for (const ConfigLine &line : config)
      if (!parse_line(line, s) && s.problem.empty())
        s.problem = "cannot read the line \"" + line_text(line) + "\"";
    return s;
  }

  // Adds one line to the scenario; false when it is not one of the lines
  // above.
  bool parse_line(const ConfigLine &line, Scenario &s) const {
    const std::string &key = line[0];
    const std::size_t n = line.size();
    if (key == "backend")
      return n == 2;
    if (key == "init")
      return n == 2 && read_number(line[1], s.init_result);
    if (key == "ocr_result")
      return n == 2 && read_number(line[1], s.ocr_result);
    if (key == "log" && n == 2) {
      s.log_file = path_of(line[1]);
      return true;
    }
    if (key == "dump" && n == 2) {
      s.dump_file = path_of(line[1]);
      return true;
    }
    if (key == "complain") {
      Complaint c{};
      if (n != 5 || !is_stage(line[1]) || !read_number(line[2], c.class_code) ||
          !read_number(line[3], c.detail_code) ||
          !read_number(line[4], c.reason_code))
        return false;
      s.complaints.insert({line[1], c});
      return true;
    }
    if (key == "char")
      return parse_character(line, s);
    if (key == "codes") {
      for (std::size_t i = 1; i < n; ++i) {
        uint16_t entry = 0;
        if (!read_number(line[i], entry))
          return false;
        s.codes.push_back(entry);
      }
      return n > 1;
    }
    if (key == "count")
      return n == 2 && read_number(line[1], 0, UINT16_MAX, s.count);
    if (key == "lines" && n == 3 && line[1] == "restart-after")
      return read_number(line[2], 0, INT64_MAX, s.restart_after);
    if (key == "lines" && n == 2 && line[1] == "first-next") {
      s.first_request_next = true;
      return true;
    }
    return false;
  }

  static bool is_stage(const std::string &word) {
    return word == "setup" || word == "zones" || word == "ocr";
  }

  static bool parse_character(const ConfigLine &line, Scenario &s) {
    int32_t handle = 0;
    Character c;
    if (line.size() != 7 || !read_number(line[1], handle) ||
        !read_number(line[3], c.rectangle.x0) ||
        !read_number(line[4], c.rectangle.y0) ||
        !read_number(line[5], c.rectangle.x1) ||
        !read_number(line[6], c.rectangle.y1))
      return false;
    c.has_text = line[2] != "-";
    c.text = utf8_to_utf16(line[2]);
    s.characters[handle] = c;
    return true;
  }

  void report_problem() {
    (void)std::fprintf(stderr, "drs832: eng.ytr: %s\n",
                       scenario_.problem.c_str());
    log_call("eng.ytr: " + scenario_.problem);
  }

  // Characters prepared and never freed: the plug-in lost track of them.
  void check_characters_freed(const char *before) {
    if (prepared_)
      log_call(std::string("fault: characters still prepared at ") + before);
    prepared_ = false;
  }

  void complain(const std::string &stage) {
    if (!session_.report_error)
      return;
    auto range = scenario_.complaints.equal_range(stage);
    for (auto it = range.first; it != range.second; ++it)
      session_.report_error(it->second.class_code, it->second.detail_code,
                            it->second.reason_code);
  }

  // Reads the whole page through the line callback, as an engine does while
  // it finds the zones; the last pass is what the dump shows.
  void read_page() {
    if (!line_callback_)
      return;
    std::vector<uint8_t> line(width_ ? width_ : 1);
    std::vector<uint8_t> page;
    uint32_t lines = 0;
    int32_t request = scenario_.first_request_next ? 1 : 0;
    bool restarted = scenario_.restart_after < 0;
    while (line_callback_(feed_, request, line.data()) == 0) {
      page.insert(page.end(), line.begin(), line.begin() + width_);
      ++lines;
      request = 1;
      if (!restarted && lines == scenario_.restart_after) {
        restarted = true;
        page.clear();
        lines = 0;
        request = 0;
      }
    }
    if (!scenario_.dump_file.empty())
      save_pgm(page, lines);
  }

  void save_pgm(const std::vector<uint8_t> &page, uint32_t lines) const {
    std::FILE *out = std::fopen(scenario_.dump_file.c_str(), "wb");
    if (!out)
      return;
    bool ok =
        std::fprintf(out, "P5\n%u %u\n255\n", static_cast<unsigned>(width_),
                     static_cast<unsigned>(lines)) > 0 &&
        (page.empty() ||
         std::fwrite(page.data(), 1, page.size(), out) == page.size());
    ok = std::fclose(out) == 0 && ok;
    // A cut-off page must not pass for the page the engine read.
    if (!ok)
      (void)std::remove(scenario_.dump_file.c_str());
  }

  // Count at offset 0, a zero at offset 2, the entries from offset 4.
  bool write_code_list(void *code_block) const {
    std::size_t bytes = 4 + 2 * scenario_.codes.size();
    if (!platform::memory_block_realloc(code_block, bytes))
      return false;
    auto *list =
        static_cast<uint8_t *>(platform::memory_block_lock(code_block));
    if (!list)
      return false;
    uint16_t header[2] = {static_cast<uint16_t>(scenario_.count >= 0
                                                    ? scenario_.count
                                                    : scenario_.codes.size()),
                          0};
    std::memcpy(list, header, sizeof header);
    if (!scenario_.codes.empty())
      std::memcpy(list + 4, scenario_.codes.data(), 2 * scenario_.codes.size());
    platform::memory_block_unlock(code_block);
    return true;
  }

  Session session_;
  Scenario scenario_;
  void *code_block_ = nullptr; // the block the last do_ocr filled
  bool prepared_ = false;      // between drs7_prep_coords and its free
  drs_line_callback line_callback_ = nullptr;
  void *feed_ = nullptr;
  uint32_t width_ = 0;
};

} // namespace

std::unique_ptr<Backend> make_script_backend() {
  return std::make_unique<ScriptBackend>();
}

} // namespace drs
