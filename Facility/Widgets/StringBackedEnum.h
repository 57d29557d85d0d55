// A case list whose raw value is the text shown: a screen names a case and
// shows its text; a text maps back only when it matches a case exactly.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

template <class Derived, class Case, std::size_t N>
class StringBackedEnum {
 public:
  constexpr StringBackedEnum(Case c) : case_(c) {}  // NOLINT: cases convert implicitly

  Case value() const { return case_; }
  const std::string& rawValue() const { return Derived::texts()[static_cast<std::size_t>(case_)]; }

  // Exact, case-sensitive match of the whole text; none otherwise.
  static std::optional<Derived> initRawValue(std::string_view raw) {
    for (std::size_t i = 0; i < N; ++i) {
      if (Derived::texts()[i] == raw) return Derived(static_cast<Case>(i));
    }
    return std::nullopt;
  }
  static constexpr std::size_t caseCount() { return N; }

  friend bool operator==(const StringBackedEnum& a, const StringBackedEnum& b) { return a.case_ == b.case_; }

 private:
  Case case_;
};

template <class T>
struct StringBackedEnumHash {
  std::size_t operator()(const T& v) const { return std::hash<std::string>()(v.rawValue()); }
};
