#include "platform/os/Locale.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <mutex>
#include <vector>

namespace rc::platform {

namespace {

// The locale name in force for `category` ("C" when nothing is set).
std::string localeName(const char* categoryVar) {
  for (const char* var : {"LC_ALL", categoryVar, "LANG"}) {
    const char* v = std::getenv(var);
    if (v != nullptr && *v != '\0') return v;
  }
  return "C";
}

// Runs `fn(locale_t)` with the locale of that name for `mask`, falling back
// to the C locale when the name is unknown on this machine.
template <typename Fn>
auto withLocale(int mask, const std::string& name, Fn fn) {
  locale_t loc = newlocale(mask, name.c_str(), static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) loc = newlocale(mask, "C", static_cast<locale_t>(0));
  auto result = fn(loc);
  freelocale(loc);
  return result;
}

}  // namespace

NumberFormat numberFormat() {
  // Cached per locale name: the environment rarely changes, newlocale is slow.
  static std::mutex mu;
  static std::string cachedName;
  static NumberFormat cached;
  std::string name = localeName("LC_NUMERIC");
  // LOCPATH (where glibc looks for compiled locales) is part of the key.
  const char* locPath = std::getenv("LOCPATH");
  std::string key = name + '\n' + (locPath != nullptr ? locPath : "");
  std::lock_guard lock(mu);
  if (key != cachedName) {
    cached = withLocale(LC_NUMERIC_MASK, name, [](locale_t loc) {
      NumberFormat f;
      const char* dec = nl_langinfo_l(RADIXCHAR, loc);
      const char* sep = nl_langinfo_l(THOUSEP, loc);
      if (dec != nullptr && *dec != '\0') f.decimal = dec;
      if (sep != nullptr) f.thousands = sep;
      return f;
    });
    cachedName = key;
  }
  return cached;
}

namespace {

// The LC_TIME locale the environment names now, made once per name (and
// LOCPATH) for the life of the process: newlocale reads the locale's files
// each time it is called. The answer stays valid until the process ends.
locale_t timeLocale() {
  struct Made {
    std::string key;
    locale_t loc;
  };
  static std::mutex mu;
  // One per name seen, a handful at most. Never destroyed, so a date written
  // while the process ends still finds its locale (and each stays reachable).
  static std::vector<Made>& made = *new std::vector<Made>;
  const std::string name = localeName("LC_TIME");
  const char* locPath = std::getenv("LOCPATH");
  const std::string key = name + '\n' + (locPath != nullptr ? locPath : "");
  std::lock_guard lock(mu);
  for (const Made& m : made)
    if (m.key == key) return m.loc;
  locale_t loc = newlocale(LC_TIME_MASK, name.c_str(), static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) loc = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
  made.push_back({key, loc});
  return loc;
}

}  // namespace

std::string shortDate(const std::tm& when) {
  locale_t loc = timeLocale();
  std::string fmt = nl_langinfo_l(D_FMT, loc);
  // The short date always shows the whole year.
  for (std::size_t p = fmt.find("%y"); p != std::string::npos; p = fmt.find("%y", p + 2)) fmt[p + 1] = 'Y';
  if (fmt.empty()) fmt = "%m/%d/%Y";
  char buf[128];
  std::size_t n = strftime_l(buf, sizeof buf, fmt.c_str(), &when, loc);
  return std::string(buf, n);
}

std::string timeText(const std::tm& when) {
  locale_t loc = timeLocale();
  std::string fmt = nl_langinfo_l(T_FMT, loc);
  if (fmt.empty()) fmt = "%H:%M:%S";
  char buf[128];
  std::size_t n = strftime_l(buf, sizeof buf, fmt.c_str(), &when, loc);
  return std::string(buf, n);
}

std::string shortDateToday() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return shortDate(local);
}

}  // namespace rc::platform
