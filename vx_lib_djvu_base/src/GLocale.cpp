//===- GLocale.cpp - The locale that strings convert and format in --------===//

#include "GLocale.h"

#include "GThreads.h"

#include <atomic>
#include <cstring>

#ifdef _WIN32

// The library's locale is a record of its own: the code page of native
// text, whether case changes beyond ASCII, and the decimal point. The
// user's default is made once; a guard installs another record for its
// thread. Every conversion is the system's (platform.h), so nothing here
// reads the C runtime's locale, let alone changes it.

#include "GString.h"
#include "platform.h"

#include <cstdlib>
#include <memory>

namespace {

struct LibraryLocale {
  platform::CodePage code_page; // number 0: ASCII only ("C")
  bool full_case = true;        // false: only ASCII letters change case
  std::string decimal_point = ".";
  std::string ctype_name;
  std::string numeric_name;
};

// Made on first use and never freed, so that a report written while the
// module's statics are destroyed still finds it.
const LibraryLocale &user_default() {
  static const LibraryLocale *const locale = [] {
    auto *made = new LibraryLocale;
    made->code_page = platform::ansi_code_page();
    made->decimal_point = platform::user_decimal_point();
    made->ctype_name = "." + std::to_string(made->code_page.number);
    made->numeric_name = made->ctype_name;
    return made;
  }();
  return *locale;
}

thread_local const LibraryLocale *guard_locale = nullptr;

const LibraryLocale &current_locale() {
  return guard_locale ? *guard_locale : user_default();
}

// The locale a name stands for: "C", "" (the user's default) or
// ".<code page>". False for any other name.
bool locale_named(const char *name, LibraryLocale &named) {
  if (std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0) {
    named = LibraryLocale();
    named.full_case = false;
    named.ctype_name = named.numeric_name = "C";
    return true;
  }
  if (*name == '\0') {
    named = user_default();
    return true;
  }
  if (name[0] != '.' || name[1] == '\0' ||
      std::strspn(name + 1, "0123456789") != std::strlen(name + 1) ||
      std::strlen(name) > 6)
    return false;
  named = LibraryLocale();
  named.ctype_name = named.numeric_name = name;
  return platform::describe_code_page(
      static_cast<unsigned>(std::atoi(name + 1)), named.code_page);
}

const LibraryLocale &locale_of(const void *locale) {
  return *static_cast<const LibraryLocale *>(locale);
}

bool is_ascii_letter(uint32_t v, bool upper) {
  return upper ? (v >= 'A' && v <= 'Z') : (v >= 'a' && v <= 'z');
}

bool has_class(const LibraryLocale &locale, uint32_t v, unsigned which) {
  if (!locale.full_case) { // "C": ASCII classes only
    if (which == platform::character_space)
      return v == ' ' || (v >= '\t' && v <= '\r');
    return is_ascii_letter(v, which == platform::character_upper);
  }
  return v < 0x10000 &&
         (platform::character_classes(static_cast<char16_t>(v)) & which);
}

uint32_t change_case(const LibraryLocale &locale, uint32_t v, bool upper) {
  if (!locale.full_case)
    return is_ascii_letter(v, !upper) ? (upper ? v - 32 : v + 32) : v;
  if (v >= 0x10000)
    return v;
  return platform::change_case(static_cast<char16_t>(v), upper);
}

} // namespace

void locale_set_up() {}

std::string locale_name(int category) {
  const LibraryLocale &locale = current_locale();
  switch (category) {
  case LC_CTYPE:
    return locale.ctype_name;
  case LC_NUMERIC:
    return locale.numeric_name;
  case LC_ALL:
    if (locale.ctype_name == locale.numeric_name)
      return locale.ctype_name;
    return "LC_CTYPE=" + locale.ctype_name +
           ";LC_NUMERIC=" + locale.numeric_name;
  default:
    return "";
  }
}

GLocaleGuard::GLocaleGuard(int category, const char *name) {
  if (name == nullptr)
    return;
  LibraryLocale named;
  if (!locale_named(name, named))
    return;
  auto next = std::make_unique<LibraryLocale>(current_locale());
  const bool ctype = category == LC_ALL || category == LC_CTYPE;
  const bool numeric = category == LC_ALL || category == LC_NUMERIC;
  if ((!ctype || next->ctype_name == named.ctype_name) &&
      (!numeric || next->numeric_name == named.numeric_name))
    return; // another category, or already that name
  if (ctype) {
    next->code_page = named.code_page;
    next->full_case = named.full_case;
    next->ctype_name = named.ctype_name;
  }
  if (numeric) {
    next->decimal_point = named.decimal_point;
    next->numeric_name = named.numeric_name;
  }
  previous_guard_ = const_cast<LibraryLocale *>(guard_locale);
  guard_locale = next.get();
  installed_ = next.release();
  switched_ = true;
}

GLocaleGuard::~GLocaleGuard() {
  if (!switched_)
    return;
  guard_locale = static_cast<const LibraryLocale *>(previous_guard_);
  delete static_cast<LibraryLocale *>(installed_);
}

GLocaleScope::GLocaleScope() noexcept : locale_(&current_locale()) {}

GLocaleScope::~GLocaleScope() = default;

uint32_t GLocaleScope::decode(const char *&cursor, const char *end) const {
  if (cursor >= end || *cursor == '\0')
    return 0;
  const LibraryLocale &locale = locale_of(locale_);
  const auto lead = static_cast<unsigned char>(*cursor);
  if (locale.code_page.number == 0) {
    ++cursor;
    return lead < 0x80 ? lead : 0;
  }
  char16_t units[2];
  int count = 0;
  int n = platform::decode_code_page(locale.code_page, cursor,
                                     static_cast<std::size_t>(end - cursor),
                                     units, count);
  if (n == 0) {
    ++cursor;
    return 0;
  }
  cursor += n;
  if (count == 2)
    return 0x10000 + ((units[0] & 0x3FFu) << 10) + (units[1] & 0x3FFu);
  return units[0];
}

char *GLocaleScope::encode(uint32_t code_point, char *out,
                           std::mbstate_t &) const {
  const LibraryLocale &locale = locale_of(locale_);
  char *p = out;
  // No code page holds a zero inside text, a surrogate on its own, or what
  // lies beyond Unicode (the values of invalid UTF-8 bytes).
  const bool unicode = code_point != 0 && code_point <= 0x10FFFF &&
                       (code_point < 0xD800 || code_point > 0xDFFF);
  if (locale.code_page.number == 0) {
    if (unicode && code_point < 0x80)
      *p++ = static_cast<char>(code_point);
  } else if (unicode) {
    uint16_t split[2];
    int count = utf16_split(code_point, split);
    char16_t units[2] = {split[0], split[1]};
    p += platform::encode_code_page(locale.code_page, units, count, out,
                                    GStringRep::max_encoded_bytes - 1);
  }
  *p = '\0';
  return p;
}

bool GLocaleScope::is_well_formed(const char *p, const char *end) const {
  while (p < end && *p != '\0') {
    const char *before = p;
    if (decode(p, end) == 0 && p != before)
      return false;
  }
  return true;
}

bool GLocaleScope::is_space(uint32_t code_point) const {
  return has_class(locale_of(locale_), code_point, platform::character_space);
}

bool GLocaleScope::is_upper(uint32_t code_point) const {
  return has_class(locale_of(locale_), code_point, platform::character_upper);
}

bool GLocaleScope::is_lower(uint32_t code_point) const {
  return has_class(locale_of(locale_), code_point, platform::character_lower);
}

uint32_t GLocaleScope::to_upper(uint32_t code_point) const {
  return change_case(locale_of(locale_), code_point, true);
}

uint32_t GLocaleScope::to_lower(uint32_t code_point) const {
  return change_case(locale_of(locale_), code_point, false);
}

const char *GLocaleScope::decimal_point() const {
  return locale_of(locale_).decimal_point.c_str();
}

#else

// The host's locale is never touched: the library's locale is an object of
// its own, installed per thread around the calls that read it.

#include <cwctype>
#include <langinfo.h>
#include <locale.h>

static_assert(sizeof(wchar_t) == 4, "wide characters hold code points here");

namespace {

std::atomic<bool> set_up_done{false};

// Set once by locale_set_up(), then never changed or freed.
locale_t library_locale = nullptr;
// The locale of the innermost GLocaleGuard of this thread, or null.
thread_local locale_t guard_locale = nullptr;

locale_t c_locale() {
  static locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
  return c;
}

locale_t current_locale() {
  if (guard_locale)
    return guard_locale;
  locale_set_up();
  return library_locale ? library_locale : c_locale();
}

struct Category {
  int category;
  int mask;
  const char *label;
};

const Category categories[] = {
    {LC_CTYPE, LC_CTYPE_MASK, "LC_CTYPE"},
    {LC_NUMERIC, LC_NUMERIC_MASK, "LC_NUMERIC"},
    {LC_TIME, LC_TIME_MASK, "LC_TIME"},
    {LC_COLLATE, LC_COLLATE_MASK, "LC_COLLATE"},
    {LC_MONETARY, LC_MONETARY_MASK, "LC_MONETARY"},
    {LC_MESSAGES, LC_MESSAGES_MASK, "LC_MESSAGES"},
};

int mask_of(int category) {
  if (category == LC_ALL)
    return LC_ALL_MASK;
  for (const Category &c : categories)
    if (c.category == category)
      return c.mask;
  return 0;
}

std::string name_in(locale_t locale, int category) {
  if (category != LC_ALL) {
    const char *name = nl_langinfo_l(_NL_LOCALE_NAME(category), locale);
    return name ? name : "";
  }
  // One name when every category agrees, else the composite form.
  std::string first = name_in(locale, categories[0].category);
  std::string composite;
  bool same = true;
  for (const Category &c : categories) {
    std::string name = name_in(locale, c.category);
    same = same && name == first;
    if (!composite.empty())
      composite += ';';
    composite += std::string(c.label) + "=" + name;
  }
  return same ? first : composite;
}

const std::size_t conversion_failed = static_cast<std::size_t>(-1);
const std::size_t conversion_cut = static_cast<std::size_t>(-2);

// A converted wide character as a code point; wchar_t is signed here, but
// what the runtime converts to is never negative.
uint32_t code_of(wchar_t wide) { return static_cast<uint32_t>(wide); }

} // namespace

void locale_set_up() {
  if (set_up_done.load(std::memory_order_acquire))
    return;
  GRecursiveLock::Guard hold(GRecursiveLock::locale_lock());
  if (set_up_done.load(std::memory_order_relaxed))
    return;
  // A copy of the host's locale as it stands; the user's default instead
  // when the host still runs in the start-up "C".
  locale_t host = duplocale(LC_GLOBAL_LOCALE);
  locale_t chosen = host;
  if (host == nullptr || name_in(host, LC_ALL) == "C") {
    if (locale_t user = newlocale(LC_ALL_MASK, "", nullptr)) {
      if (host)
        freelocale(host);
      chosen = user;
    }
  }
  library_locale = chosen;
  set_up_done.store(true, std::memory_order_release);
}

std::string locale_name(int category) {
  return name_in(current_locale(), category);
}

GLocaleGuard::GLocaleGuard(int category, const char *name) {
  if (name == nullptr)
    return;
  locale_t current = current_locale();
  std::string old = name_in(current, category);
  int mask = mask_of(category);
  if (old.empty() || old == name || mask == 0)
    return;
  // A whole locale needs no copy to start from. (Asked for the whole "C"
  // locale, newlocale hands out its static one and would leave a copy
  // neither used nor freed.)
  locale_t base = mask == LC_ALL_MASK ? nullptr : duplocale(current);
  if (base == nullptr && mask != LC_ALL_MASK)
    return;
  locale_t next = newlocale(mask, name, base);
  if (next == nullptr) {
    if (base)
      freelocale(base);
    return;
  }
  installed_ = next;
  previous_guard_ = guard_locale;
  guard_locale = next;
  previous_thread_ = uselocale(next);
  switched_ = true;
}

GLocaleGuard::~GLocaleGuard() {
  if (!switched_)
    return;
  uselocale(static_cast<locale_t>(previous_thread_));
  guard_locale = static_cast<locale_t>(previous_guard_);
  freelocale(static_cast<locale_t>(installed_));
}

GLocaleScope::GLocaleScope() noexcept
    : locale_(current_locale()),
      previous_(uselocale(static_cast<locale_t>(const_cast<void *>(locale_)))) {
}

GLocaleScope::~GLocaleScope() { uselocale(static_cast<locale_t>(previous_)); }

uint32_t GLocaleScope::decode(const char *&cursor, const char *end) const {
  if (cursor >= end)
    return 0;
  std::mbstate_t state = std::mbstate_t();
  wchar_t wide = 0;
  std::size_t n = std::mbrtowc(&wide, cursor,
                               static_cast<std::size_t>(end - cursor), &state);
  if (n == conversion_failed || n == conversion_cut) {
    ++cursor;
    return 0;
  }
  if (n == 0)
    return 0;
  cursor += n;
  return code_of(wide);
}

char *GLocaleScope::encode(uint32_t code_point, char *out,
                           std::mbstate_t &state) const {
  char *p = out;
  // A value beyond what wchar_t holds as a code point is no character (the
  // values of invalid UTF-8 bytes).
  if (code_point != 0 && code_point <= 0x7FFFFFFF) {
    std::size_t n = std::wcrtomb(p, static_cast<wchar_t>(code_point), &state);
    if (n == conversion_failed)
      state = std::mbstate_t();
    else
      p += n;
  }
  *p = '\0';
  return p;
}

bool GLocaleScope::is_well_formed(const char *p, const char *end) const {
  std::mbstate_t state = std::mbstate_t();
  while (p < end) {
    std::size_t n = std::mbrlen(p, static_cast<std::size_t>(end - p), &state);
    if (n == conversion_failed || n == conversion_cut)
      return false;
    if (n == 0)
      break;
    p += n;
  }
  return true;
}

bool GLocaleScope::is_space(uint32_t code_point) const {
  return std::iswspace(static_cast<std::wint_t>(code_point)) != 0;
}

bool GLocaleScope::is_upper(uint32_t code_point) const {
  return std::iswupper(static_cast<std::wint_t>(code_point)) != 0;
}

bool GLocaleScope::is_lower(uint32_t code_point) const {
  return std::iswlower(static_cast<std::wint_t>(code_point)) != 0;
}

uint32_t GLocaleScope::to_upper(uint32_t code_point) const {
  return static_cast<uint32_t>(
      std::towupper(static_cast<std::wint_t>(code_point)));
}

uint32_t GLocaleScope::to_lower(uint32_t code_point) const {
  return static_cast<uint32_t>(
      std::towlower(static_cast<std::wint_t>(code_point)));
}

const char *GLocaleScope::decimal_point() const {
  const char *point = nl_langinfo_l(
      RADIXCHAR, static_cast<locale_t>(const_cast<void *>(locale_)));
  return point && *point ? point : ".";
}

#endif
