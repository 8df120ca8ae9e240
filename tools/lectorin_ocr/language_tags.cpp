//===- language_tags.cpp - The page's language as others name it ----------===//

#include "language_tags.h"

#include <algorithm>
#include <iterator>

namespace lectorin_ocr {

namespace {

struct LanguageTag {
  int32_t code;
  const char *tag;
};

// Two-letter ISO 639-1 codes where the language has one, three-letter ones
// otherwise; regions and scripts only where the engine tells them apart.
constexpr LanguageTag tags[] = {
    {1, "en"},    {2, "de"},       {3, "fr"},        {4, "es"},    {5, "it"},
    {6, "en-GB"}, {7, "sv"},       {8, "da"},        {9, "no"},    {10, "nl"},
    {11, "pt"},   {12, "pt-BR"},   {13, "gl"},       {15, "is"},   {17, "el"},
    {18, "cs"},   {19, "hu"},      {20, "pl"},       {21, "ro"},   {22, "sk"},
    {23, "hr"},   {24, "sr-Cyrl"}, {25, "sl"},       {28, "lb"},   {29, "fi"},
    {30, "tr"},   {31, "la"},      {32, "ru"},       {33, "be"},   {34, "uk"},
    {35, "mk"},   {36, "bg"},      {37, "ja"},       {38, "et"},   {39, "lt"},
    {40, "lv"},   {41, "af"},      {42, "sq"},       {43, "ca"},   {44, "ga"},
    {45, "gd"},   {46, "eu"},      {47, "br"},       {48, "co"},   {49, "fy"},
    {50, "nn"},   {51, "id"},      {52, "ms"},       {53, "sw"},   {54, "tl"},
    {55, "ko"},   {56, "zh-Hans"}, {57, "zh-Hant"},  {59, "qu"},   {60, "ay"},
    {61, "fo"},   {62, "fur"},     {63, "kl"},       {65, "ht"},   {66, "rm"},
    {67, "sc"},   {68, "ku"},      {69, "ceb"},      {105, "bem"}, {106, "ch"},
    {108, "fj"},  {109, "lg"},     {110, "hni"},     {111, "io"},  {112, "ia"},
    {113, "kg"},  {114, "rw"},     {115, "mg"},      {117, "mi"},  {119, "min"},
    {120, "nah"}, {121, "ny"},     {123, "rn"},      {124, "sm"},  {125, "sn"},
    {126, "so"},  {127, "st"},     {128, "su"},      {129, "ty"},  {130, "to"},
    {131, "tn"},  {133, "wo"},     {134, "xh"},      {135, "zap"}, {139, "jv"},
    {142, "pcm"}, {143, "oc"},     {144, "gv"},      {145, "tpi"}, {146, "bi"},
    {147, "hil"}, {149, "pam"},    {150, "ban"},     {151, "bik"}, {152, "ilo"},
    {153, "mad"}, {154, "war"},    {155, "sr-Latn"},
};

// What the plug-in reads when the option text names no language.
constexpr int32_t default_language = 1;

} // namespace

const char *language_tag(int32_t code) {
  auto found =
      std::find_if(std::begin(tags), std::end(tags),
                   [code](const LanguageTag &t) { return t.code == code; });
  return found == std::end(tags) ? nullptr : found->tag;
}

std::string main_language_tag(const OcrOptions &options) {
  GCursor first = options.languages.first();
  const char *tag =
      language_tag(first ? options.languages[first] : default_language);
  return tag ? tag : "";
}

} // namespace lectorin_ocr
