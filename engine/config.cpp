//===- config.cpp - Reading the engine's "eng.ytr" ------------------------===//

#include "backend.h"

#include <fstream>

namespace drs {

namespace {

ConfigLine split_words(const std::string &line) {
  ConfigLine words;
  std::string word;
  bool in_word = false;
  bool quoted = false;
  for (char c : line) {
    if (quoted) {
      if (c == '"')
        quoted = false;
      else
        word += c;
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
  return words;
}

} // namespace

bool read_config(const std::string &file, std::vector<ConfigLine> &lines) {
  std::ifstream in(file, std::ios::binary);
  if (!in)
    return false;
  std::string line;
  while (std::getline(in, line)) {
    ConfigLine words = split_words(line);
    if (!words.empty())
      lines.push_back(std::move(words));
  }
  return true;
}

} // namespace drs
