//===- code_list.cpp - A recognised page as the engine's code list --------===//

#include "code_list.h"

#include <algorithm>

namespace drs {

namespace {
// The end-of-line and end-of-region codes that every open paragraph still
// needs: a word is only taken when they fit after it.
constexpr std::size_t closing_codes = 2;
} // namespace

int32_t copy_symbol_text(const std::u16string &text, uint16_t *buffer) {
  constexpr std::size_t room = 15;
  std::size_t n = std::min(text.size(), room);
  if (n < text.size() && n > 0 && text[n - 1] >= 0xD800 && text[n - 1] < 0xDC00)
    --n;
  std::copy_n(text.begin(), n, buffer);
  buffer[n] = 0;
  return static_cast<int32_t>(n);
}

CodeListBuilder::CodeListBuilder(CodeListLimits limits) : limits_(limits) {
  CodeListLimits format;
  limits_.symbols = std::min(limits_.symbols, format.symbols);
  limits_.entries = std::min(limits_.entries, format.entries);
}

bool CodeListBuilder::add_word(std::vector<Symbol> word) {
  if (full_)
    return false;
  if (word.empty())
    return true;
  bool fits =
      symbols_.size() + word.size() <= limits_.symbols &&
      entries_.size() + word.size() + 1 + closing_codes <= limits_.entries;
  if (!fits) {
    full_ = true;
    return false;
  }
  for (Symbol &symbol : word) {
    entries_.push_back(static_cast<uint16_t>(symbols_.size()));
    symbols_.push_back(std::move(symbol));
  }
  entries_.push_back(end_of_word_code);
  line_open_ = true;
  paragraph_open_ = true;
  return true;
}

void CodeListBuilder::end_line() {
  if (!line_open_)
    return;
  entries_.push_back(end_of_line_code);
  line_open_ = false;
}

void CodeListBuilder::end_paragraph() {
  end_line();
  if (!paragraph_open_)
    return;
  entries_.push_back(end_of_region_code);
  paragraph_open_ = false;
}

} // namespace drs
