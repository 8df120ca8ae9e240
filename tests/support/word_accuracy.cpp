//===- word_accuracy.cpp - How many words of a page were read right -------===//

#include "word_accuracy.h"

#include <algorithm>
#include <sstream>

namespace testing_support {

std::vector<std::pair<std::size_t, std::size_t>>
aligned_words(const std::vector<std::string> &expected,
              const std::vector<std::string> &read) {
  // lcs[i][j]: the longest common subsequence of the tails from i and j.
  std::vector<std::vector<int>> lcs(expected.size() + 1,
                                    std::vector<int>(read.size() + 1, 0));
  for (std::size_t i = expected.size(); i-- > 0;)
    for (std::size_t j = read.size(); j-- > 0;)
      lcs[i][j] = expected[i] == read[j]
                      ? lcs[i + 1][j + 1] + 1
                      : std::max(lcs[i + 1][j], lcs[i][j + 1]);
  std::vector<std::pair<std::size_t, std::size_t>> pairs;
  for (std::size_t i = 0, j = 0; i < expected.size() && j < read.size();) {
    if (expected[i] == read[j])
      pairs.emplace_back(i++, j++);
    else if (lcs[i + 1][j] >= lcs[i][j + 1])
      ++i;
    else
      ++j;
  }
  return pairs;
}

double word_accuracy(const std::vector<std::string> &expected,
                     const std::vector<std::string> &read) {
  if (expected.empty())
    return read.empty() ? 1.0 : 0.0;
  return static_cast<double>(aligned_words(expected, read).size()) /
         static_cast<double>(expected.size());
}

std::vector<std::string> words_of(const std::string &text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;)
    words.push_back(word);
  return words;
}

} // namespace testing_support
