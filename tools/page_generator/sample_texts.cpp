//===- sample_texts.cpp - The generator's built-in texts ------------------===//

#include "sample_texts.h"

namespace pagegen {

namespace {

struct Sample {
  const char *name;
  const char *face;
  const char *text;
};

// The texts are UTF-8, as the source file is. The English one is the page
// ./ocr.sh shows first, so it is set in the face Tesseract's English model
// reads every word of at 300 dpi: in DejaVu Serif it ran "or a" together.
const Sample samples[] = {
    {"en", "DejaVu Sans",
     "Every morning the archive opens its reading room at nine. Visitors "
     "sign the ledger, leave their coats in the cloakroom and ask for the "
     "boxes they ordered the day before.\n"
     "\n"
     "The scanned pages go to a small workstation by the window, where each "
     "sheet is checked for torn corners, stains and faded ink before its "
     "text is recognised.\n"
     "\n"
     "Numbers matter as much as words: a shelf mark such as 17/B-204, a "
     "date like 3 March 1921 or a price of 12.50 must come through "
     "unchanged.\n"},
    {"de", "DejaVu Serif",
     "Über den Hof der alten Mühle läuft jeden Morgen ein schwarzer Kater. "
     "Die Bäckerin grüßt ihn freundlich und stellt ihm eine Schüssel Milch "
     "vor die Tür.\n"
     "\n"
     "Im Frühling öffnen die Gärtner die großen Fenster des Gewächshauses, "
     "damit die Pflanzen frische Luft bekommen. Äpfel, Birnen und Pflaumen "
     "reifen später im Jahr.\n"
     "\n"
     "Ärgerlich ist nur der Regen: Er löscht die Kreidezeichnungen der "
     "Kinder und füllt die Gießkannen schneller, als man sie leeren kann. "
     "Öfter als früher bleibt der Kater dann im Haus.\n"},
    {"fr", "DejaVu Serif",
     "Chaque été, la bibliothèque du village prête ses livres aux élèves "
     "qui restent à la maison. Les garçons et les filles choisissent des "
     "romans, des bandes dessinées et des cahiers.\n"
     "\n"
     "À la fin du mois d'août, le bibliothécaire range les étagères, répare "
     "les reliures abîmées et note les titres préférés. « C'est un travail "
     "d'équipe », dit-il.\n"
     "\n"
     "Le cœur du bâtiment est une salle claire, du côté de l'île ; même à "
     "Noël, les lecteurs pressés y oublient l'heure du goûter.\n"},
};

} // namespace

std::vector<std::string> sample_names() {
  std::vector<std::string> names;
  for (const Sample &s : samples)
    names.push_back(s.name);
  return names;
}

const char *sample_text(const std::string &name) {
  for (const Sample &s : samples)
    if (name == s.name)
      return s.text;
  return nullptr;
}

const char *sample_face(const std::string &name) {
  for (const Sample &s : samples)
    if (name == s.name)
      return s.face;
  return nullptr;
}

} // namespace pagegen
