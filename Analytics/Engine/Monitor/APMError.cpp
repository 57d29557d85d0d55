#include "Analytics/Engine/Monitor/APMError.h"

APMError APMError::apm_errorWithCode(int64_t code, std::string description) {
  return APMError(kAPMErrorDomain, code, std::move(description));
}

APMError APMError::apm_errorWithCode(int64_t code, std::string description,
                                     std::string monitorContext) {
  return APMError(kAPMErrorDomain, code, std::move(description), std::move(monitorContext));
}

std::string APMError::description() const {
  std::string out = "Error Domain=" + (domain_.empty() ? std::string("(null)") : domain_);
  out += " Code=" + std::to_string(code_);
  out += " \"" + (description_.empty() ? std::string("(null)") : description_) + "\"";
  return out;
}

void APMSetError(APMError* error, int64_t code, std::string description) {
  if (error != nullptr) *error = APMError::apm_errorWithCode(code, std::move(description));
}

void APMSetErrorWithMonitorContext(APMError* error, int64_t code, std::string description,
                                   std::string monitorContext) {
  if (error != nullptr) {
    *error = APMError::apm_errorWithCode(code, std::move(description), std::move(monitorContext));
  }
}

bool APMCheckCondition(bool condition, APMError* error, int64_t code, std::string description) {
  if (!condition) APMSetError(error, code, std::move(description));
  return condition;
}

bool APMCheckPointer(const void* pointer, APMError* error, int64_t code, std::string description) {
  return APMCheckCondition(pointer != nullptr, error, code, std::move(description));
}

bool APMCheckCount(std::size_t count, APMError* error, int64_t code, std::string description) {
  return APMCheckCondition(count != 0, error, code, std::move(description));
}
