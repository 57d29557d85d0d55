#include "Analytics/Engine/APMScreen.h"

#include "Analytics/Engine/APMDataTypeValidator.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Platform/Foundation/Value.h"

namespace {

bool IsValidText(const std::optional<std::string>& text, int64_t* failureCode) {
  if (!text) return false;
  platform::Value value(*text);
  return APMDataTypeValidator::isValidScreenParameterValue(&value, failureCode);
}

}  // namespace

APMScreen::APMScreen(std::optional<std::string> name, std::optional<std::string> className, int64_t instanceID)
    : name_(std::move(name)), className_(std::move(className)), instanceID_(instanceID) {}

APMEvent::Parameters APMScreen::currentScreenParameters() const {
  APMEvent::Parameters parameters;
  parameters.emplace("_si", APMValue(instanceID_));
  if (!className_ || className_->empty()) {
    APMMeasurementMonitor().logWithLevel(3, 31014, "Screen class name is empty");
    return parameters;
  }
  int64_t failureCode = 0;
  if (!IsValidText(className_, &failureCode)) {
    APMMeasurementMonitor().logWithLevel(3, 31015, "Screen class name is invalid. Error code",
                                         APMLogContext(failureCode));
    return parameters;
  }
  parameters.emplace("_sc", APMValue(*className_));
  if (IsValidText(name_, &failureCode)) parameters.emplace("_sn", APMValue(*name_));
  return parameters;
}

APMEvent::Parameters APMScreen::previousScreenParameters() const {
  APMEvent::Parameters parameters;
  parameters.emplace("_pi", APMValue(instanceID_));
  int64_t failureCode = 0;
  if (className_ && !className_->empty() && IsValidText(className_, &failureCode)) {
    parameters.emplace("_pc", APMValue(*className_));
  }
  if (IsValidText(name_, &failureCode)) parameters.emplace("_pn", APMValue(*name_));
  return parameters;
}
