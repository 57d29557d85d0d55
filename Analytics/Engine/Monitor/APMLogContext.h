// One context object of a monitor log call. It stands for the dynamic
// objects the engine hands to its monitor: nothing (nil), strings, numbers,
// classes (by name), errors of any domain, exceptions and other objects
// known only by their description.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Analytics/Engine/Monitor/APMError.h"

class APMLogContext {
 public:
  enum class Kind { kNil, kString, kNumber, kClass, kError, kException, kObject };

  APMLogContext() = default;  // nil
  APMLogContext(std::nullptr_t) {}  // NOLINT: nil
  APMLogContext(const char* text);  // NOLINT: a null pointer is nil
  APMLogContext(std::string text);  // NOLINT
  APMLogContext(std::string_view text);  // NOLINT
  APMLogContext(bool value);  // NOLINT
  template <std::signed_integral T>
  APMLogContext(T value)  // NOLINT
      : kind_(Kind::kNumber), numberKind_(NumberKind::kSigned), integer_(static_cast<int64_t>(value)) {}
  template <std::unsigned_integral T>
    requires(!std::same_as<T, bool>)
  APMLogContext(T value)  // NOLINT
      : kind_(Kind::kNumber), numberKind_(NumberKind::kUnsigned), integer_(static_cast<int64_t>(value)) {}
  template <std::floating_point T>
  APMLogContext(T value)  // NOLINT
      : kind_(Kind::kNumber), numberKind_(NumberKind::kDouble), double_(static_cast<double>(value)) {}
  APMLogContext(const APMError& error);  // NOLINT

  // A class object, shown by its name.
  static APMLogContext className(std::string name);
  // An exception: its type name, its reason and its call-stack symbols
  // (frame lines as a backtrace prints them).
  static APMLogContext exception(std::string name, std::string reason,
                                 std::vector<std::string> callStackSymbols = {});
  // Any other object; an empty description is shown as "<className address>".
  static APMLogContext object(std::string className, std::string description,
                              const void* address = nullptr);

  Kind kind() const { return kind_; }
  bool isNil() const { return kind_ == Kind::kNil; }

  // String contents, class name, exception name or object class name.
  const std::string& text() const { return text_; }
  // The number as a 64-bit integer (doubles truncate toward zero, saturating).
  int64_t longLongValue() const;
  // The error of a kError context (empty error otherwise).
  const APMError& error() const { return error_; }
  const std::string& exceptionReason() const { return detail_; }
  const std::vector<std::string>& callStackSymbols() const { return symbols_; }

  // The console form of the object: strings as they are, numbers in
  // decimal, classes by name, errors and exceptions by their description.
  std::string description() const;

 private:
  enum class NumberKind { kSigned, kUnsigned, kDouble, kBool };

  Kind kind_ = Kind::kNil;
  NumberKind numberKind_ = NumberKind::kSigned;
  int64_t integer_ = 0;
  double double_ = 0;
  std::string text_;
  std::string detail_;
  std::vector<std::string> symbols_;
  APMError error_;
  const void* address_ = nullptr;
};
