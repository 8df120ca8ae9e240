//===- tesseract_languages.cpp - Engine languages as Tesseract's ----------===//

#include "tesseract_languages.h"

#include <algorithm>
#include <iterator>

namespace drs {

namespace {

struct LanguageModel {
  int32_t code;
  const char *model;
};

// Every engine language for which Tesseract ships a model. Nynorsk reads
// with the Norwegian model, Kurdish with the Latin-script Kurmanji one,
// Tonga with the Tongan one; the languages missing here (Aymara, Friulian,
// Sardinian and most of the codes above 100) have none.
constexpr LanguageModel models[] = {
    {1, "eng"},      {2, "deu"},   {3, "fra"},   {4, "spa"},
    {5, "ita"},      {6, "eng"},   {7, "swe"},   {8, "dan"},
    {9, "nor"},      {10, "nld"},  {11, "por"},  {12, "por"},
    {13, "glg"},     {15, "isl"},  {17, "ell"},  {18, "ces"},
    {19, "hun"},     {20, "pol"},  {21, "ron"},  {22, "slk"},
    {23, "hrv"},     {24, "srp"},  {25, "slv"},  {28, "ltz"},
    {29, "fin"},     {30, "tur"},  {31, "lat"},  {32, "rus"},
    {33, "bel"},     {34, "ukr"},  {35, "mkd"},  {36, "bul"},
    {37, "jpn"},     {38, "est"},  {39, "lit"},  {40, "lav"},
    {41, "afr"},     {42, "sqi"},  {43, "cat"},  {44, "gle"},
    {45, "gla"},     {46, "eus"},  {47, "bre"},  {48, "cos"},
    {49, "fry"},     {50, "nor"},  {51, "ind"},  {52, "msa"},
    {53, "swa"},     {54, "tgl"},  {55, "kor"},  {56, "chi_sim"},
    {57, "chi_tra"}, {59, "que"},  {61, "fao"},  {65, "hat"},
    {68, "kmr"},     {69, "ceb"},  {117, "mri"}, {128, "sun"},
    {130, "ton"},    {139, "jav"}, {143, "oci"}, {155, "srp_latn"},
};

} // namespace

const char *tesseract_language(int32_t code) {
  auto found =
      std::find_if(std::begin(models), std::end(models),
                   [code](const LanguageModel &m) { return m.code == code; });
  return found == std::end(models) ? nullptr : found->model;
}

std::string tesseract_language_list(const std::vector<int32_t> &codes,
                                    const std::set<std::string> &installed) {
  std::vector<std::string> chosen;
  for (int32_t code : codes) {
    const char *model = tesseract_language(code);
    if (!model || !installed.count(model) ||
        std::find(chosen.begin(), chosen.end(), model) != chosen.end())
      continue;
    chosen.push_back(model);
  }
  std::string list;
  for (const std::string &model : chosen)
    list += (list.empty() ? "" : "+") + model;
  return list;
}

std::vector<std::string>
missing_models(const std::vector<int32_t> &codes,
               const std::set<std::string> &installed) {
  std::vector<std::string> missing;
  for (int32_t code : codes) {
    const char *model = tesseract_language(code);
    if (model && !installed.count(model) &&
        std::find(missing.begin(), missing.end(), model) == missing.end())
      missing.emplace_back(model);
  }
  return missing;
}

} // namespace drs
