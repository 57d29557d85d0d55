#include "Platform/Foundation/Locale.h"

#include <cstdlib>
#include <mutex>

namespace platform {
namespace {

std::mutex g_localeMu;
std::optional<Locale>& CurrentOverride() {
  static std::optional<Locale> locale;
  return locale;
}
std::optional<std::vector<std::string>>& LanguagesOverride() {
  static std::optional<std::vector<std::string>> languages;
  return languages;
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// "de_DE.UTF-8@euro" -> "de_DE"; "" for the C and POSIX locales.
std::string Strip(std::string posix) {
  posix = posix.substr(0, posix.find_first_of(".@"));
  if (posix == "C" || posix == "POSIX") return "";
  return posix;
}

std::string FirstSet(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    std::string v = Env(name);
    if (!v.empty()) return v;
  }
  return "";
}

// "en_US" -> "en-US".
std::string Tag(std::string id) {
  for (auto& c : id)
    if (c == '_') c = '-';
  return id;
}

}  // namespace

Locale Locale::current() {
  {
    std::lock_guard<std::mutex> lock(g_localeMu);
    if (CurrentOverride()) return *CurrentOverride();
  }
  const std::string id = Strip(FirstSet({"LC_ALL", "LC_TIME", "LANG"}));
  return Locale(id.empty() ? "en_US_POSIX" : id);
}

void Locale::setCurrentOverride(std::optional<Locale> locale) {
  std::lock_guard<std::mutex> lock(g_localeMu);
  CurrentOverride() = std::move(locale);
}

std::vector<std::string> Locale::preferredLanguages() {
  {
    std::lock_guard<std::mutex> lock(g_localeMu);
    if (LanguagesOverride()) return *LanguagesOverride();
  }
  std::vector<std::string> out;
  const std::string primary = Strip(FirstSet({"LC_ALL", "LC_MESSAGES", "LANG"}));
  // LANGUAGE only counts when a real locale is set, as with gettext.
  if (!primary.empty()) {
    const std::string list = Env("LANGUAGE");
    std::size_t start = 0;
    while (start <= list.size() && !list.empty()) {
      const auto end = list.find(':', start);
      std::string item = Strip(list.substr(start, end == std::string::npos ? std::string::npos : end - start));
      if (!item.empty()) out.push_back(Tag(item));
      if (end == std::string::npos) break;
      start = end + 1;
    }
    if (out.empty()) out.push_back(Tag(primary));
  }
  if (out.empty()) out.push_back("en");
  return out;
}

void Locale::setPreferredLanguagesOverride(std::optional<std::vector<std::string>> languages) {
  std::lock_guard<std::mutex> lock(g_localeMu);
  LanguagesOverride() = std::move(languages);
}

}  // namespace platform
