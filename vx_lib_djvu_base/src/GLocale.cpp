//===- GLocale.cpp - The locale that strings convert and format in --------===//

#include "GLocale.h"

#include "GThreads.h"

#include <atomic>
#include <cstring>

namespace {

std::atomic<bool> set_up_done{false};

GRecursiveLock &locale_lock() { return GRecursiveLock::locale_lock(); }

} // namespace

#ifdef _WIN32

// The runtime's locale is the plug-in's own: setlocale it is, each call under
// the locale lock, and every name copied before the next call overwrites it.

namespace {

std::string query_locale(int category) {
  GRecursiveLock::Guard hold(locale_lock());
  const char *name = std::setlocale(category, nullptr);
  return name ? name : "";
}

} // namespace

void locale_set_up() {
  if (set_up_done.load(std::memory_order_acquire))
    return;
  GRecursiveLock::Guard hold(locale_lock());
  if (set_up_done.load(std::memory_order_relaxed))
    return;
  const char *name = std::setlocale(LC_ALL, nullptr);
  if (name == nullptr || std::strcmp(name, "C") == 0)
    std::setlocale(LC_ALL, "");
  set_up_done.store(true, std::memory_order_release);
}

std::string locale_name(int category) { return query_locale(category); }

GLocaleGuard::GLocaleGuard(int category, const char *name)
    : category_(category) {
  if (name == nullptr)
    return;
  GRecursiveLock::Guard hold(locale_lock());
  previous_name_ = query_locale(category);
  if (previous_name_.empty() || previous_name_ == name)
    return;
  switched_ = std::setlocale(category, name) != nullptr;
}

GLocaleGuard::~GLocaleGuard() {
  if (!switched_)
    return;
  GRecursiveLock::Guard hold(locale_lock());
  std::setlocale(category_, previous_name_.c_str());
}

GLocaleScope::GLocaleScope() noexcept = default;
GLocaleScope::~GLocaleScope() = default;

#else

// The host's locale is never touched: the library's locale is an object of
// its own, installed per thread around the calls that read it.

#include <langinfo.h>
#include <locale.h>

namespace {

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

} // namespace

void locale_set_up() {
  if (set_up_done.load(std::memory_order_acquire))
    return;
  GRecursiveLock::Guard hold(locale_lock());
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

GLocaleGuard::GLocaleGuard(int category, const char *name)
    : category_(category) {
  if (name == nullptr)
    return;
  locale_t current = current_locale();
  locale_t next = nullptr;
  if (category == LC_ALL && std::strcmp(name, "C") == 0) {
    // The formatting of every UTF-8 string comes here: no names, no copies.
    if (current == c_locale())
      return;
    next = c_locale();
  } else {
    std::string old = name_in(current, category);
    int mask = mask_of(category);
    if (old.empty() || old == name || mask == 0)
      return;
    locale_t base = duplocale(current);
    if (base == nullptr)
      return;
    next = newlocale(mask, name, base);
    if (next == nullptr) {
      freelocale(base);
      return;
    }
    owns_installed_ = true;
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
  if (owns_installed_)
    freelocale(static_cast<locale_t>(installed_));
}

GLocaleScope::GLocaleScope() noexcept
    : previous_(uselocale(current_locale())) {}

GLocaleScope::~GLocaleScope() { uselocale(static_cast<locale_t>(previous_)); }

#endif
