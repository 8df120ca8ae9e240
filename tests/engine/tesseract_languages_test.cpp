// Engine language codes as Tesseract models.

#include "tesseract_languages.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace drs;

namespace {

TEST(TesseractLanguages, CodesNameTheirModels) {
  const std::pair<int32_t, const char *> expected[] = {
      {1, "eng"},      {6, "eng"},        {2, "deu"},  {3, "fra"},
      {11, "por"},     {12, "por"},       {17, "ell"}, {24, "srp"},
      {33, "bel"},     {37, "jpn"},       {55, "kor"}, {56, "chi_sim"},
      {57, "chi_tra"}, {155, "srp_latn"}, {13, "glg"}, {50, "nor"}};
  for (const auto &[code, model] : expected) {
    ASSERT_NE(tesseract_language(code), nullptr) << code;
    EXPECT_STREQ(tesseract_language(code), model) << code;
  }
  for (int32_t code : {0, -1, 14, 60, 62, 105, 154, 156, 100000})
    EXPECT_EQ(tesseract_language(code), nullptr) << code;
}

TEST(TesseractLanguages, ListKeepsOrderDropsRepeatsAndMissingModels) {
  std::set<std::string> installed = {"eng", "deu", "fra"};
  EXPECT_EQ(tesseract_language_list({3, 1, 2}, installed), "fra+eng+deu");
  EXPECT_EQ(tesseract_language_list({1, 6, 1}, installed), "eng");
  EXPECT_EQ(tesseract_language_list({37, 60, 2, 4}, installed), "deu");
  EXPECT_EQ(tesseract_language_list({37, 55}, installed), "");
  EXPECT_EQ(tesseract_language_list({}, installed), "");

  // What was left out for want of a model is named, once; codes Tesseract
  // has no model for at all are not.
  EXPECT_EQ(missing_models({37, 60, 2, 4, 37}, installed),
            (std::vector<std::string>{"jpn", "spa"}));
  EXPECT_TRUE(missing_models({1, 60, 3}, installed).empty());
}

} // namespace
