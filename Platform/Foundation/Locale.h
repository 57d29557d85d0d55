// The user's locale and preferred languages. On Linux they come from the
// environment (LC_ALL, LC_TIME / LC_MESSAGES, LANG, LANGUAGE); tests fix them
// with the overrides.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

class Locale {
 public:
  // An identifier such as "en_US", "de_DE" or "en_US_POSIX".
  explicit Locale(std::string identifier) : identifier_(std::move(identifier)) {}

  // The override when set; else the environment's locale for dates
  // ("de_DE.UTF-8" gives "de_DE"); "en_US_POSIX" for C, POSIX or nothing.
  static Locale current();
  static void setCurrentOverride(std::optional<Locale> locale);

  // Language tags in order of preference ("en-US", "de"): the override when
  // set; else LANGUAGE's list, else the language of LC_ALL / LC_MESSAGES /
  // LANG; "en" when the environment names none.
  static std::vector<std::string> preferredLanguages();
  static void setPreferredLanguagesOverride(std::optional<std::vector<std::string>> languages);

  const std::string& identifier() const { return identifier_; }

  friend bool operator==(const Locale& a, const Locale& b) { return a.identifier_ == b.identifier_; }

 private:
  std::string identifier_;
};

}  // namespace platform
