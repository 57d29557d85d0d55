#include "Facility/BLE+MainMethods/BleSdkError.h"

#include <map>

namespace {

const std::map<std::int64_t, BleSdkErrorPtr>& Catalogue() {
  // Built once, thread-safely, on first use.
  static const std::map<std::int64_t, BleSdkErrorPtr> catalogue = [] {
    std::map<std::int64_t, BleSdkErrorPtr> m;
    auto add = [&](std::int64_t code, const char* message) { m[code] = std::make_shared<BleSdkError>(code, message); };
    add(1, BLEErrorDesc::bluetoothOff);
    add(2, BLEErrorDesc::unauthorised);
    add(3, BLEErrorDesc::unknownState);
    add(4, BLEErrorDesc::resetting);
    add(5, BLEErrorDesc::unsupported);
    add(9, BLEErrorDesc::noDevice);
    add(10, BLEErrorDesc::deviceNotFound);
    add(12, BLEErrorDesc::scanningOff);
    add(13, BLEErrorDesc::invalidUrl);
    add(14, BLEErrorDesc::notInitialised);
    add(16, BLEErrorDesc::tagNotNumeric);
    add(17, BLEErrorDesc::tapAndGoNotInserted);
    add(23, BLEErrorDesc::commandNotPrepared);
    add(24, BLEErrorDesc::deviceNoResponse);
    return m;
  }();
  return catalogue;
}

}  // namespace

BleSdkErrorPtr BleSdkError::fixed(std::int64_t code) {
  auto it = Catalogue().find(code);
  return it == Catalogue().end() ? nullptr : it->second;
}

BleSdkErrorPtr BleSdkError::initFailure(const std::optional<std::string>& reason) {
  return std::make_shared<BleSdkError>(21, std::string(BLEFailureMessage::initPrefix) +
                                               reason.value_or(BLEFailureMessage::somethingWrong));
}

BleSdkErrorPtr BleSdkError::systemError(const std::string& localizedDescription) {
  return std::make_shared<BleSdkError>(22, localizedDescription);
}
