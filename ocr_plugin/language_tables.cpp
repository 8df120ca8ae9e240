//===- language_tables.cpp - Language names and their characters ---------===//

#include "language_tables.h"

#include <cstring>

// The rows keep the engine's order, duplicates included: the character set
// handed to the engine follows the order in which the rows name characters.
// Each Cyrillic row holds Г and г, the fourth letter of its alphabet, right
// after Ѓ and ѓ in their alphabetic place; BRETON holds both Ñ and ñ.

const LanguageName language_names[language_name_count] = {
    {"AMERICAN", 1},      {"ENGLISH", 1},       {"GERMAN", 2},
    {"FRENCH", 3},        {"SPANISH", 4},       {"ITALIAN", 5},
    {"BRITISH", 6},       {"SWEDISH", 7},       {"DANISH", 8},
    {"NORWEGIAN", 9},     {"DUTCH", 10},        {"PORTUGUESE", 11},
    {"BRAZILIAN", 12},    {"GALICIAN", 13},     {"ICELANDIC", 15},
    {"GREEK", 17},        {"CZECH", 18},        {"HUNGARIAN", 19},
    {"POLISH", 20},       {"ROMANIAN", 21},     {"SLOVAK", 22},
    {"CROATIAN", 23},     {"SERBIAN", 24},      {"SLOVENIAN", 25},
    {"LUXEMB", 28},       {"FINNISH", 29},      {"TURKISH", 30},
    {"LATIN", 31},        {"RUSSIAN", 32},      {"BYELORUSSIAN", 33},
    {"UKRAINIAN", 34},    {"MACEDONIAN", 35},   {"BULGARIAN", 36},
    {"JAPANESE", 37},     {"ESTONIAN", 38},     {"LITHUANIAN", 39},
    {"LATVIAN", 40},      {"AFRIKAANS", 41},    {"ALBANIAN", 42},
    {"CATALAN", 43},      {"IRISH_GAELIC", 44}, {"SCOTTISH_GAELIC", 45},
    {"BASQUE", 46},       {"BRETON", 47},       {"CORSE", 48},
    {"FRISIAN", 49},      {"NYNORSK", 50},      {"INDONESIAN", 51},
    {"MALAY", 52},        {"SWAHILI", 53},      {"TAGALOG", 54},
    {"KOREAN", 55},       {"SCHINESE", 56},     {"TCHINESE", 57},
    {"QUECHA", 59},       {"AYMARA", 60},       {"FAROESE", 61},
    {"FRIULIAN", 62},     {"GREENLANDIC", 63},  {"HAITIAN_CREOLE", 65},
    {"RHAETO_ROMAN", 66}, {"SARDINIAN", 67},    {"KURDISH", 68},
    {"CEBUANO", 69},      {"BEMBA", 105},       {"CHAMORRO", 106},
    {"FIJAN", 108},       {"GANDA", 109},       {"HANI", 110},
    {"IDO", 111},         {"INTERLINGUA", 112}, {"KICONGO", 113},
    {"KINYARWANDA", 114}, {"MALAGASY", 115},    {"MAORI", 117},
    {"MAYAN", 118},       {"MINANGKABAU", 119}, {"NAHUATL", 120},
    {"NYANJA", 121},      {"RUNDI", 123},       {"SAMOAN", 124},
    {"SHONA", 125},       {"SOMALI", 126},      {"SOTHO", 127},
    {"SUNDANESE", 128},   {"TAHITIAN", 129},    {"TONGA", 130},
    {"TSWANA", 131},      {"WOLOF", 133},       {"XHOSA", 134},
    {"ZAPOTECO", 135},    {"JAVANESE", 139},    {"PIDGIN_NIGERIA", 142},
    {"OCCITAN", 143},     {"MANX", 144},        {"TOK_PISIN", 145},
    {"BISLAMA", 146},     {"HILIGAYNON", 147},  {"KAPAMPANGAN", 149},
    {"BALINESE", 150},    {"BIKOL", 151},       {"ILOCANO", 152},
    {"MADURESE", 153},    {"WARAY", 154},       {"SERBIAN_LATIN", 155},
};

const LanguageCharacters language_characters[language_characters_count] = {
    {1, u""},                              // AMERICAN, ENGLISH
    {2, u"ÄÖÜßäöü"},                       // GERMAN
    {3, u"ÀÂÇÈÉÊËÎÏÔÙÛÜàâçèéêëîïôùûüŒœ"},  // FRENCH
    {4, u"¡¿ÁÉÍÑÓÚáéíñóú"},                // SPANISH
    {5, u"ÀÈÉÌÒÙàçèéìòù"},                 // ITALIAN
    {6, u""},                              // BRITISH
    {7, u"ÄÅÖäåö"},                        // SWEDISH
    {8, u"ÅÆØåæø"},                        // DANISH
    {9, u"ÅÆØåæø"},                        // NORWEGIAN
    {10, u"ÀÁÄÇÈÉÊËÎÏÓÖÛÜàáäçèéêëïîóöûü"}, // DUTCH
    {11, u"ÀÁÂÃÇÉÊÍÓÔÕÚÜàáâãçéêíóôõúü"},   // PORTUGUESE
    {12, u"ÀÁÂÃÇÉÊÍÓÔÕÚÜàáâãçéêíóôõúü"},   // BRAZILIAN
    {13, u"¡¿ÀÁÂÃÇÉÊÍÑÓÔÕÚàáâãçéêíñóôõú"}, // GALICIAN
    {15, u"ÁÆÉÍÐÓÖÚÝÞáæéíðóöúýþ"},         // ICELANDIC
    {17, u"ΆΈΉΊΌΎΏΑΒΓΔΕΖΗΘΙΚΛΜΝΞΟΠΡΣΤΥΦΧΨΩΪΫάέήίαβγδεζηθικλμνξοπρςστυφχψωϊϋόύ"
         u"ώ"},                                // GREEK
    {18, u"ÁÉÍÓÚÝáéíóúýČčĎďĚěŇňŘřŠšŤťŮůŽž"},   // CZECH
    {19, u"ÁÉÍÓÖÚÜáéíóöúüŐőŰű"},               // HUNGARIAN
    {20, u"ÓóĄąĆćĘęŁłŃńŚśŹźŻż"},               // POLISH
    {21, u"ÂÎâîĂăŞşŢţ"},                       // ROMANIAN
    {22, u"ÁÄÉÍÓÔÚÝáäéíóôúýČčĎďĽľŇňŔŕŠšŤťŽž"}, // SLOVAK
    {23, u"ĆćČčĐđŠšŽž"},                       // CROATIAN
    {24, u"ЁЂЈЉЊЋЏАБВЃГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвѓгдежзийклмнопрстуфхцчшщъ"
         u"ыьэюяёђјљњћџ"},                     // SERBIAN
    {25, u"ČčŠšŽž"},                           // SLOVENIAN
    {28, u"ÀÂÄÇÈÉÊËÌÍÎÏÔÖÙÛÜàâäçèéêëîïôöùûü"}, // LUXEMB
    {29, u"ÁÅÖáåö"},                           // FINNISH
    {30, u"ÇÔÖÜçôöüĞğİıŞş"},                   // TURKISH
    {31, u"ÆæŒœ"},                             // LATIN
    {32, u"ЁАБВЃГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвѓгдежзийклмнопрстуфхцчшщъыьэюя"
         u"ё"}, // RUSSIAN
    {33, u"ЁІЎАБВЃГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвѓгдежзийклмнопрстуфхцчшщъыьэю"
         u"яёіў"}, // BYELORUSSIAN
    {34, u"ЁЭІЇАБВЃГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЬЮЯабвѓгдежзийклмнопрстуфхцчшщьюяёэі"
         u"ї"}, // UKRAINIAN
    {35, u"ЃЅЈЉЊЌЏАБВЃГДЕЖЗИЙКЛМНОПРСТУФХЦЧШабвѓгдежзиклмнопрстуфхцчшѓѕјљњќџПРС"
         u"ТУФХЦЧШабвО"}, // MACEDONIAN
    {36, u"ЁАБВЃГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвѓгдежзийклмнопрстуфхцчшщъыьэюя"
         u"ё"},                          // BULGARIAN
    {38, u"ÄÕÖÜäõöü"},                   // ESTONIAN
    {39, u"ĄąČčĖėĘęĮįŠšŪūŲųŽž"},         // LITHUANIAN
    {40, u"ĀāČčĒēĢģĪīĶķĻļŅņŖŗŠšÜüŪūŽž"}, // LATVIAN
    {41, u"ÁÉÊËÏÓáéêëïó"},               // AFRIKAANS
    {42, u"ÇËçë"},                       // ALBANIAN
    {43, u"¡¿ÀÇÈÉÌÏÑÒÓÚÜàçèéêìïñòóúü"},  // CATALAN
    {44, u"ÁÉÍÓÚáéíóú"},                 // IRISH_GAELIC
    {45, u"ÀÁÈÌÒÓÙàáèìòóù"},             // SCOTTISH_GAELIC
    {46, u"¡¿ÁÉÍÑÓÚáéíñóú"},             // BASQUE
    {47, u"ÊÑÚêñú"},                     // BRETON
    {48, u"ÀÈÌÒÙàèìòù"},                 // CORSE
    {49, u"ÂÊËÔÚÛâêëôúû"},               // FRISIAN
    {50, u"ÅÆØåæø"},                     // NYNORSK
    {51, u""},                           // INDONESIAN
    {52, u""},                           // MALAY
    {53, u""},                           // SWAHILI
    {54, u"ÀÁÂÉÊÍÎÒÓÔÚÛàáâéêíîòóôúû"},   // TAGALOG
    {59, u"Ññ"},                         // QUECHA
    {60, u"¡¿ÁÄÉÍÏÑÓÚáäéíïñóú"},         // AYMARA
    {61, u"ÁÆÐÍÓØÚÝáæðíóøúý"},           // FAROESE
    {62, u"ÀÂÈÊÌÎÒÔàâèêìîòô"},           // FRIULIAN
    {63, u""},                           // GREENLANDIC
    {65, u"ÈÉÒèéò"},                     // HAITIAN_CREOLE
    {66, u"ÀÂÈÊÒÖÜàâèêòöü"},             // RHAETO_ROMAN
    {67, u"ÀÈÌÒÙàèìòù"},                 // SARDINIAN
    {68, u"ÇÊÎÛçêîûŞş"},                 // KURDISH
    {69, u""},                           // CEBUANO
    {105, u""},                          // BEMBA
    {106, u"äåñÄÅÑ"},                    // CHAMORRO
    {108, u""},                          // FIJAN
    {109, u""},                          // GANDA
    {110, u""},                          // HANI
    {111, u""},                          // IDO
    {112, u""},                          // INTERLINGUA
    {113, u""},                          // KICONGO
    {114, u""},                          // KINYARWANDA
    {115, u""},                          // MALAGASY
    {117, u""},                          // MAORI
    {118, u"ÁÂÉÍÎÔÛáâéíîôû"},            // MAYAN
    {119, u"Ēē"},                        // MINANGKABAU
    {120, u""},                          // NAHUATL
    {121, u""},                          // NYANJA
    {123, u""},                          // RUNDI
    {124, u"ĀĪŌŪāīōū"},                  // SAMOAN
    {125, u"ÀÁÈÉÌÍÒÓÙÚàáèéìíòóùú"},      // SHONA
    {126, u""},                          // SOMALI
    {127, u"Šš"},                        // SOTHO
    {128, u"Ěě"},                        // SUNDANESE
    {129, u"ÂÊÏÔâêïô"},                  // TAHITIAN
    {130, u""},                          // TONGA
    {131, u"Šš"},                        // TSWANA
    {133, u"ÀÂÈÉÊËÑÓÔÛàâèéêëñóôû"},      // WOLOF
    {134, u"ÄËÏÖÜäëïöü"},                // XHOSA
    {135, u"¡¿ÁÉÍÑÓÚáéíñóú"},            // ZAPOTECO
    {139, u""},                          // JAVANESE
    {142, u""},                          // PIDGIN_NIGERIA
    {143, u"ÀÁÇÈÉÍÒÓÚàáçèéíòóú"},        // OCCITAN
    {144, u"Çç"},                        // MANX
    {145, u""},                          // TOK_PISIN
    {146, u""},                          // BISLAMA
    {147, u""},                          // HILIGAYNON
    {149, u""},                          // KAPAMPANGAN
    {150, u""},                          // BALINESE
    {151, u""},                          // BIKOL
    {152, u"ÁÍÚáíú"},                    // ILOCANO
    {153, u""},                          // MADURESE
    {154, u""},                          // WARAY
    {155, u"ĆČĐŠŽćčđšž"},                // SERBIAN_LATIN
};

const char16_t base_characters[base_character_count + 1] =
    u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
    u"!\"#%&'()*+,-./:;<=>?@[\\]_{}«°»$€£¥";

bool find_language_code(const char *name, int32_t &code) {
  for (const LanguageName &row : language_names) {
    if (std::strcmp(row.name, name) == 0) {
      code = row.code;
      return true;
    }
  }
  return false;
}

const char16_t *find_language_characters(int32_t code) {
  for (const LanguageCharacters &row : language_characters) {
    if (row.code == code)
      return row.characters;
  }
  return nullptr;
}
