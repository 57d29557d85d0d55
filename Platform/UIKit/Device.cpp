#include "Platform/UIKit/Device.h"

#include <mutex>

namespace uikit {

namespace {
std::mutex& profileMutex() {
  static std::mutex mu;
  return mu;
}
DeviceProfile& profileSlot() {
  static DeviceProfile profile = DeviceProfile::phone390x844();
  return profile;
}
}  // namespace

DeviceProfile DeviceProfile::phone390x844() {
  return {"iPhone", "phone-390x844", "iOS", "17.0", {390, 844}, 3, {47, 0, 34, 0}, 336};
}

DeviceProfile DeviceProfile::phone375x667() {
  return {"iPhone", "phone-375x667", "iOS", "17.0", {375, 667}, 2, {20, 0, 0, 0}, 260};
}

DeviceProfile DeviceProfile::phone320x568() {
  return {"iPhone", "phone-320x568", "iOS", "15.0", {320, 568}, 2, {20, 0, 0, 0}, 253};
}

DeviceProfile DeviceProfile::tablet768x1024() {
  return {"iPad", "tablet-768x1024", "iPadOS", "17.0", {768, 1024}, 2, {24, 0, 20, 0}, 398};
}

const DeviceProfile& Device::current() {
  std::lock_guard<std::mutex> lock(profileMutex());
  return profileSlot();
}

void Device::setCurrent(const DeviceProfile& profile) {
  std::lock_guard<std::mutex> lock(profileMutex());
  profileSlot() = profile;
}

}  // namespace uikit
