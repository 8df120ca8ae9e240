//===- text_page.cpp - Text set on a page, with its ground truth ----------===//

#include "text_page.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

namespace pagegen {

namespace {

// Owners for the C libraries' objects.
struct GObjectDeleter {
  void operator()(gpointer object) const { g_object_unref(object); }
};
template <class T> using GObjectPtr = std::unique_ptr<T, GObjectDeleter>;
struct SurfaceDeleter {
  void operator()(cairo_surface_t *s) const { cairo_surface_destroy(s); }
};
struct CairoDeleter {
  void operator()(cairo_t *c) const { cairo_destroy(c); }
};
struct FontOptionsDeleter {
  void operator()(cairo_font_options_t *o) const {
    cairo_font_options_destroy(o);
  }
};
struct FontDescriptionDeleter {
  void operator()(PangoFontDescription *d) const {
    pango_font_description_free(d);
  }
};
using FontDescriptionPtr =
    std::unique_ptr<PangoFontDescription, FontDescriptionDeleter>;
struct LayoutIterDeleter {
  void operator()(PangoLayoutIter *i) const { pango_layout_iter_free(i); }
};

// A gray value below this is ink: the same cut the bilevel output makes.
constexpr uint8_t ink_below = 128;

std::vector<std::string> split_paragraphs(const std::string &text) {
  std::vector<std::string> paragraphs;
  std::string current;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) {
      if (!current.empty())
        paragraphs.push_back(current);
      current.clear();
    } else {
      current += (current.empty() ? "" : "\n") + line;
    }
    start = end + 1;
  }
  if (!current.empty())
    paragraphs.push_back(current);
  return paragraphs;
}

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A word of a laid-out line: its bytes in the paragraph text and the union
// of its glyphs' ink rectangles in page pixels.
struct PlacedWord {
  int start = 0;
  int end = 0;
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool inked = false;
};

struct PlacedLine {
  std::vector<PlacedWord> words;
};

void check_page(const TextPage &page, int32_t margin) {
  if (page.width <= 0 || page.height <= 0)
    throw std::runtime_error("the page size must be positive");
  if (page.resolution <= 0)
    throw std::runtime_error("the resolution must be positive");
  if (!(page.points > 0))
    throw std::runtime_error("the font size must be positive");
  if (margin < 0 || 2 * static_cast<int64_t>(margin) >= page.width ||
      2 * static_cast<int64_t>(margin) >= page.height)
    throw std::runtime_error("the margins leave no room for text");
  if (!g_utf8_validate(page.text.data(), static_cast<gssize>(page.text.size()),
                       nullptr))
    throw std::runtime_error("the text is not valid UTF-8");
}

// Pango quietly falls back to another font for a family it does not know;
// a page set in the wrong font would mislead whoever asked for it.
void check_font(PangoContext *context, const PangoFontDescription *wanted) {
  GObjectPtr<PangoFont> font(pango_context_load_font(context, wanted));
  if (!font)
    throw std::runtime_error("no font can be loaded");
  FontDescriptionPtr got(pango_font_describe(font.get()));
  const char *family = pango_font_description_get_family(wanted);
  const char *found = pango_font_description_get_family(got.get());
  if (!family || !found || g_ascii_strcasecmp(family, found) != 0)
    throw std::runtime_error(std::string("the font family \"") +
                             (family ? family : "") +
                             "\" is not installed (the system offers \"" +
                             (found ? found : "") + "\" instead)");
}

// The words of each line of the layout, with their glyphs' ink.
std::vector<PlacedLine> place_words(PangoLayout *layout,
                                    const std::string &text, double left,
                                    double top) {
  std::vector<PlacedLine> lines;
  for (GSList *l = pango_layout_get_lines_readonly(layout); l; l = l->next) {
    auto *line = static_cast<PangoLayoutLine *>(l->data);
    PlacedLine placed;
    int end = line->start_index + line->length;
    for (int i = line->start_index; i < end;) {
      if (is_space(text[static_cast<std::size_t>(i)])) {
        ++i;
        continue;
      }
      PlacedWord word;
      word.start = i;
      while (i < end && !is_space(text[static_cast<std::size_t>(i)]))
        ++i;
      word.end = i;
      placed.words.push_back(word);
    }
    lines.push_back(placed);
  }
  // Words by their first byte, to find the word a glyph cluster belongs to.
  std::vector<PlacedWord *> words;
  for (PlacedLine &line : lines)
    for (PlacedWord &word : line.words)
      words.push_back(&word);
  std::unique_ptr<PangoLayoutIter, LayoutIterDeleter> it(
      pango_layout_get_iter(layout));
  do {
    PangoRectangle ink, logical;
    pango_layout_iter_get_cluster_extents(it.get(), &ink, &logical);
    if (ink.width <= 0 || ink.height <= 0)
      continue;
    int index = pango_layout_iter_get_index(it.get());
    auto after = std::upper_bound(
        words.begin(), words.end(), index,
        [](int i, const PlacedWord *word) { return i < word->start; });
    if (after == words.begin() || index >= (*(after - 1))->end)
      continue;
    PlacedWord &word = **(after - 1);
    double x0 = left + pango_units_to_double(ink.x);
    double y0 = top + pango_units_to_double(ink.y);
    double x1 = x0 + pango_units_to_double(ink.width);
    double y1 = y0 + pango_units_to_double(ink.height);
    if (!word.inked) {
      word.x0 = x0, word.y0 = y0, word.x1 = x1, word.y1 = y1;
      word.inked = true;
    } else {
      word.x0 = std::min(word.x0, x0), word.y0 = std::min(word.y0, y0);
      word.x1 = std::max(word.x1, x1), word.y1 = std::max(word.y1, y1);
    }
  } while (pango_layout_iter_next_cluster(it.get()));
  return lines;
}

// The box of the pixels darker than middle gray, searched in the glyphs'
// outline box and one pixel around it (the outlines' rounding).
Box ink_box(const Image &gray, const PlacedWord &word) {
  int32_t x0 = std::max(0, static_cast<int32_t>(std::floor(word.x0)) - 1);
  int32_t y0 = std::max(0, static_cast<int32_t>(std::floor(word.y0)) - 1);
  int32_t x1 =
      std::min(gray.width, static_cast<int32_t>(std::ceil(word.x1)) + 1);
  int32_t y1 =
      std::min(gray.height, static_cast<int32_t>(std::ceil(word.y1)) + 1);
  Box box{x1, y1, x0, y0};
  for (int32_t y = y0; y < y1; ++y)
    for (int32_t x = x0; x < x1; ++x)
      if (*gray.pixel(x, y) < ink_below) {
        box.x0 = std::min(box.x0, x), box.y0 = std::min(box.y0, y);
        box.x1 = std::max(box.x1, x + 1), box.y1 = std::max(box.y1, y + 1);
      }
  if (box.x0 >= box.x1) // too faint to leave ink: the outline box stands
    return Box{x0, y0, x1, y1};
  return box;
}

Box united(const Box &a, const Box &b) {
  return Box{std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1),
             std::max(a.y1, b.y1)};
}

} // namespace

RenderedPage render_text_page(const TextPage &page) {
  int32_t margin = page.margin >= 0 ? page.margin : page.resolution / 2;
  check_page(page, margin);

  std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface(
      cairo_image_surface_create(CAIRO_FORMAT_A8, page.width, page.height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
    throw std::runtime_error("out of memory for the page");
  std::unique_ptr<cairo_t, CairoDeleter> cairo(cairo_create(surface.get()));

  // A font map of the page's own, released with it, rather than the
  // thread's default one that lives until the process ends.
  GObjectPtr<PangoFontMap> fonts(pango_cairo_font_map_new());
  GObjectPtr<PangoContext> context(pango_font_map_create_context(fonts.get()));
  pango_cairo_update_context(cairo.get(), context.get());
  pango_cairo_context_set_resolution(context.get(), page.resolution);
  std::unique_ptr<cairo_font_options_t, FontOptionsDeleter> options(
      cairo_font_options_create());
  cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
  pango_cairo_context_set_font_options(context.get(), options.get());

  FontDescriptionPtr font(
      pango_font_description_from_string(page.font.c_str()));
  pango_font_description_set_size(
      font.get(), static_cast<gint>(std::lround(page.points * PANGO_SCALE)));
  check_font(context.get(), font.get());

  struct Set {
    std::string text;
    std::vector<PlacedLine> lines;
  };
  std::vector<Set> set;
  double top = margin;
  const double bottom = page.height - margin;
  for (const std::string &paragraph : split_paragraphs(page.text)) {
    GObjectPtr<PangoLayout> layout(pango_layout_new(context.get()));
    pango_layout_set_font_description(layout.get(), font.get());
    pango_layout_set_width(layout.get(),
                           (page.width - 2 * margin) * PANGO_SCALE);
    pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    pango_layout_set_text(layout.get(), paragraph.c_str(),
                          static_cast<int>(paragraph.size()));
    PangoRectangle extents;
    pango_layout_get_extents(layout.get(), nullptr, &extents);
    double height = pango_units_to_double(extents.height);
    if (top + height > bottom)
      throw std::runtime_error(
          "the text does not fit on the page: use a larger page or a smaller "
          "font (the paragraph starting \"" +
          paragraph.substr(0, 30) + "\" runs past the bottom margin)");
    cairo_move_to(cairo.get(), margin, top);
    pango_cairo_show_layout(cairo.get(), layout.get());
    set.push_back(
        {paragraph, place_words(layout.get(), paragraph, margin, top)});
    int line_count = pango_layout_get_line_count(layout.get());
    top += height + height / std::max(1, line_count);
  }
  cairo_surface_flush(surface.get());

  RenderedPage rendered;
  rendered.image = blank_image(page.width, page.height);
  const unsigned char *coverage = cairo_image_surface_get_data(surface.get());
  int stride = cairo_image_surface_get_stride(surface.get());
  for (int32_t y = 0; y < page.height; ++y)
    for (int32_t x = 0; x < page.width; ++x)
      rendered.image.samples[static_cast<std::size_t>(y) * page.width + x] =
          static_cast<uint8_t>(
              255 - coverage[static_cast<std::size_t>(y) * stride + x]);

  GroundTruth &truth = rendered.truth;
  truth.width = page.width;
  truth.height = page.height;
  truth.resolution = page.resolution;
  for (const Set &paragraph : set) {
    Paragraph out;
    for (const PlacedLine &line : paragraph.lines) {
      Line placed;
      for (const PlacedWord &word : line.words) {
        if (!word.inked) // nothing of it shows on the page
          continue;
        Word w;
        w.text = paragraph.text.substr(
            static_cast<std::size_t>(word.start),
            static_cast<std::size_t>(word.end - word.start));
        w.box = ink_box(rendered.image, word);
        placed.box = placed.words.empty() ? w.box : united(placed.box, w.box);
        placed.text += (placed.text.empty() ? "" : " ") + w.text;
        placed.words.push_back(w);
      }
      if (!placed.words.empty())
        out.lines.push_back(placed);
    }
    if (!out.lines.empty())
      truth.paragraphs.push_back(out);
  }
  return rendered;
}

} // namespace pagegen
