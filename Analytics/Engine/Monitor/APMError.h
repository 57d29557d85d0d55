// Errors that store and database operations hand back to their callers.
// Engine errors live in the measurement error domain; a monitor context, when
// present, is a short text the monitor adds to its health record when the
// error is logged as a context.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

inline constexpr const char* kAPMErrorDomain = "com.trivandel.kvl.measurement.ErrorDomain";

class APMError {
 public:
  APMError() = default;
  APMError(std::string domain, int64_t code, std::string description = {},
           std::string monitorContext = {})
      : domain_(std::move(domain)),
        code_(code),
        description_(std::move(description)),
        monitorContext_(std::move(monitorContext)) {}

  // An error of the measurement domain.
  static APMError apm_errorWithCode(int64_t code, std::string description);
  static APMError apm_errorWithCode(int64_t code, std::string description, std::string monitorContext);

  const std::string& domain() const { return domain_; }
  int64_t code() const { return code_; }
  // The localized description; empty when none was given.
  const std::string& localizedDescription() const { return description_; }
  // The monitor context; empty when none was given.
  const std::string& monitorContext() const { return monitorContext_; }
  bool isMeasurementError() const { return domain_ == kAPMErrorDomain; }

  // "Error Domain=<domain> Code=<code> \"<description>\"".
  std::string description() const;

  friend bool operator==(const APMError&, const APMError&) = default;

 private:
  std::string domain_;
  int64_t code_ = 0;
  std::string description_;
  std::string monitorContext_;
};

// Error-out helpers: each writes only when the pointer is non-null.
void APMSetError(APMError* error, int64_t code, std::string description);
void APMSetErrorWithMonitorContext(APMError* error, int64_t code, std::string description,
                                   std::string monitorContext);
bool APMCheckCondition(bool condition, APMError* error, int64_t code, std::string description);
template <typename T>
bool APMCheckObject(const T* object, APMError* error, int64_t code, std::string description) {
  return APMCheckCondition(object != nullptr, error, code, std::move(description));
}
bool APMCheckPointer(const void* pointer, APMError* error, int64_t code, std::string description);
bool APMCheckCount(std::size_t count, APMError* error, int64_t code, std::string description);
