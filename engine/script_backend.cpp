//===- script_backend.cpp - The deterministic backend for tests -----------===//
//
// Replays what its "eng.ytr" prescribes and logs every call it receives, so
// that tests drive the plug-in through its real engine binding and read what
// the engine was told. The file's lines ("#" starts a comment; numbers are
// decimal or 0x-hex; texts are UTF-8 between double quotes):
//
//   backend script
//   init 1          value drs7_init returns (0 = failure)
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
//===----------------------------------------------------------------------===//

#include "backend.h"

#include "platform.h"
#include "text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace drs {

namespace {

bool is_absolute(const std::string &path) {
  return !path.empty() && (path[0] == '/' || path[0] == '\\' ||
                           (path.size() > 1 && path[1] == ':'));
}

int64_t number(const std::string &word) {
  return std::strtoll(word.c_str(), nullptr, 0);
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

  void set_value(const ValueCall &call) override {
    if (call.is_switch || call.code != 3)
      return;
    // A new page: read the scenario again, keep the page's line source.
    std::vector<ConfigLine> config;
    if (read_config(session_.directory + platform::engine_data_file, config))
      scenario_ = parse(config);
    line_callback_ = call.line_callback;
    feed_ = call.feed;
    width_ = !call.numbers.empty() ? static_cast<uint32_t>(call.numbers[0]) : 0;
    complain("setup");
  }

  int32_t find_zones() override {
    complain("zones");
    read_page();
    return 0;
  }

  int32_t recognize(void *code_block) override {
    complain("ocr");
    if (!write_code_list(code_block))
      return -1;
    return scenario_.ocr_result;
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
    for (const ConfigLine &line : config) {
      const std::string &key = line[0];
      if (key == "init" && line.size() == 2) {
        s.init_result = static_cast<int32_t>(number(line[1]));
      } else if (key == "ocr_result" && line.size() == 2) {
        s.ocr_result = static_cast<int32_t>(number(line[1]));
      } else if (key == "log" && line.size() == 2) {
        s.log_file = path_of(line[1]);
      } else if (key == "dump" && line.size() == 2) {
        s.dump_file = path_of(line[1]);
      } else if (key == "complain" && line.size() == 5) {
        s.complaints.insert({line[1],
                             {static_cast<uint32_t>(number(line[2])),
                              static_cast<uint32_t>(number(line[3])),
                              static_cast<uint32_t>(number(line[4]))}});
      } else if (key == "char" && line.size() == 7) {
        Character c;
        c.has_text = line[2] != "-";
        c.text = utf8_to_utf16(line[2]);
        c.rectangle = {static_cast<uint16_t>(number(line[3])),
                       static_cast<uint16_t>(number(line[4])),
                       static_cast<uint16_t>(number(line[5])),
                       static_cast<uint16_t>(number(line[6]))};
        s.characters[static_cast<int32_t>(number(line[1]))] = c;
      } else if (key == "codes") {
        for (std::size_t i = 1; i < line.size(); ++i)
          s.codes.push_back(static_cast<uint16_t>(number(line[i])));
      } else if (key == "count" && line.size() == 2) {
        s.count = number(line[1]);
      } else if (key == "lines" && line.size() == 3 &&
                 line[1] == "restart-after") {
        s.restart_after = number(line[2]);
      } else if (key == "lines" && line.size() == 2 &&
                 line[1] == "first-next") {
        s.first_request_next = true;
      }
    }
    return s;
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
  drs_line_callback line_callback_ = nullptr;
  void *feed_ = nullptr;
  uint32_t width_ = 0;
};

} // namespace

std::unique_ptr<Backend> make_script_backend() {
  return std::make_unique<ScriptBackend>();
}

} // namespace drs
