// Yes/no prompts. Not a plain text table: the access prompt carries the
// name of the person concerned.
#pragma once

#include <optional>
#include <string>

class Confirmation {
 public:
  enum class Case { assignAccessConfirm, logoutConfirm, invitation };

  // An absent name is taken as the empty string.
  static Confirmation assignAccessConfirm(std::optional<std::string> name) {
    return Confirmation(Case::assignAccessConfirm, name.value_or(""));
  }
  static Confirmation logoutConfirm() { return Confirmation(Case::logoutConfirm); }
  static Confirmation invitation() { return Confirmation(Case::invitation); }

  Case value() const { return case_; }
  const std::string& name() const { return name_; }
  std::string prompt() const;

  friend bool operator==(const Confirmation& a, const Confirmation& b) {
    return a.case_ == b.case_ && (a.case_ != Case::assignAccessConfirm || a.name_ == b.name_);
  }

 private:
  explicit Confirmation(Case c, std::string name = {}) : case_(c), name_(std::move(name)) {}
  Case case_;
  std::string name_;
};
