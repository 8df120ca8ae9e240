//===- config.cpp - Reading the engine's "eng.ytr" ------------------------===//

#include "backend.h"

#include <fstream>

namespace drs {

namespace {

// Cuts a line into words; false when a quoted text is left open. Inside
// quotes a backslash escapes a quote or a backslash and stands for itself
// before anything else, so that Windows paths need no doubling.
bool split_words(const std::string &line, ConfigLine &words) {
  std::string word;
  bool in_word = false;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      const char next = i + 1 < line.size() ? line[i + 1] : '\0';
      if (c == '\\' && (next == '"' || next == '\\')) {
        word += next;
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        word += c;
      }
      continue;
    }
    if (c == '#')
      break;
    if (c == '"') {
      quoted = true;
      in_word = true;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\r') {
      if (in_word)
        words.push_back(word);
      word.clear();
      in_word = false;
      continue;
    }
    word += c;
    in_word = true;
  }
  if (in_word)
    words.push_back(word);
  return !quoted;
}

} // namespace

bool read_config(const std::string &file, std::vector<ConfigLine> &lines,
                 std::string &problem) {
  std::ifstream in(file, std::ios::binary);
  if (!in)
    return false;
  std::string line;
  for (std::size_t number = 1; std::getline(in, line); ++number) {
    ConfigLine words;
    if (!split_words(line, words)) {
      if (problem.empty())
        problem = "line " + std::to_string(number) +
                  " leaves a quoted text open: " + line;
      continue;
    }
    if (!words.empty())
      lines.push_back(std::move(words));
  }
  return true;
}

std::string line_text(const ConfigLine &line) {
  std::string text;
  for (const std::string &word : line)
    text += (text.empty() ? "" : " ") + word;
  return text;
}

} // namespace drs
