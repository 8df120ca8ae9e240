//===- word_accuracy.h - How many words of a page were read right -*- C++ -*-//
//
// Words are compared whole and in order: the words read right are a longest
// common subsequence of the expected and the read words, so a missed, an
// extra or a misread word costs the same and a word out of its place counts
// as missed.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_TESTS_WORD_ACCURACY_H
#define LECTORIN_TESTS_WORD_ACCURACY_H

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

/// The pairs (expected index, read index) of the words read right, in
/// order; empty when either list is.
std::vector<std::pair<std::size_t, std::size_t>>
aligned_words(const std::vector<std::string> &expected,
              const std::vector<std::string> &read);

/// The share of the expected words that were read right: 1 for two empty
/// lists, 0 when only the expected list is empty.
double word_accuracy(const std::vector<std::string> &expected,
                     const std::vector<std::string> &read);

/// The words of a text: its runs of characters between ASCII white space.
std::vector<std::string> words_of(const std::string &text);

} // namespace testing_support

#endif // LECTORIN_TESTS_WORD_ACCURACY_H
