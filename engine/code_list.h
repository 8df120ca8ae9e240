//===- code_list.h - A recognised page as the engine's code list -*- C++
//-*-===//
//
// The engine hands a page's text over as a list of 16-bit entries: character
// handles (bit 15 clear), each naming an entry of the page's symbol table,
// and control codes after every word (0x81FE), line (0x8100) and paragraph
// (0x9600; each paragraph becomes a region of its own).
//
// The format bounds a page: handles have 15 bits, the entry count 16. A page
// that needs more stops at a word boundary with its last line and paragraph
// still closed, so that what is kept reads as whole words in whole lines:
//
//   CodeListBuilder list;
//   list.add_word(symbols);  list.end_line();  list.end_paragraph();
//   if (list.full()) complain();  store(list.entries());
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_ENGINE_CODE_LIST_H
#define LECTORIN_ENGINE_CODE_LIST_H

#include "drs832.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace drs {

constexpr uint16_t end_of_word_code = 0x81FE;
constexpr uint16_t end_of_line_code = 0x8100;
constexpr uint16_t end_of_region_code = 0x9600;

/// One recognised character: its text and its rectangle in engine pixels.
struct Symbol {
  std::u16string text;
  drs_rectangle rectangle{};
};

/// Writes a symbol's text into a caller's buffer of 16 units: at most 15
/// units, never half of a surrogate pair, then a terminating zero. Returns
/// the number of units before the terminator.
int32_t copy_symbol_text(const std::u16string &text, uint16_t *buffer);

/// How much a code list may hold. The defaults are what the format allows;
/// smaller limits are a seam for trying the overflow on a small page.
struct CodeListLimits {
  std::size_t symbols = 0x8000; ///< handles 0 to 0x7FFF
  std::size_t entries = 0xFFFF; ///< the 16-bit entry count
};

class CodeListBuilder {
public:
  /// Limits above the format's are lowered to it.
  explicit CodeListBuilder(CodeListLimits limits = CodeListLimits());

  /// Adds a word: a handle per symbol, then the end-of-word code. A word
  /// without symbols adds nothing. When the word does not fit together with
  /// the codes that will close its line and paragraph, nothing is added,
  /// the result is false and the list is full: later words are refused too.
  bool add_word(std::vector<Symbol> word);
  /// Ends the current line, if it holds a word.
  void end_line();
  /// Ends the current line and paragraph, if they hold a word.
  void end_paragraph();

  /// True once a word was refused.
  bool full() const { return full_; }
  const std::vector<uint16_t> &entries() const { return entries_; }
  /// The symbol table; the handle of a symbol is its index.
  std::vector<Symbol> take_symbols() { return std::move(symbols_); }

private:
  CodeListLimits limits_;
  std::vector<uint16_t> entries_;
  std::vector<Symbol> symbols_;
  bool line_open_ = false;
  bool paragraph_open_ = false;
  bool full_ = false;
};

} // namespace drs

#endif // LECTORIN_ENGINE_CODE_LIST_H
