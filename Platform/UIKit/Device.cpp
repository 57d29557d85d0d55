#include "Platform/UIKit/Device.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace uikit {

namespace {
// Every profile ever installed stays alive: current() hands out references
// that callers keep while another thread may switch profiles. Switches are
// rare (start-up and tests), so the kept copies stay few.
struct Profiles {
  std::mutex mu;
  std::vector<std::unique_ptr<const DeviceProfile>> all;
  std::atomic<const DeviceProfile*> current{nullptr};

  Profiles() {
    all.push_back(std::make_unique<const DeviceProfile>(DeviceProfile::phone390x844()));
    current.store(all.back().get(), std::memory_order_release);
  }
};
Profiles& profiles() {
  static auto* p = new Profiles;  // never destroyed, like the references it hands out
  return *p;
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

const DeviceProfile& Device::current() { return *profiles().current.load(std::memory_order_acquire); }

void Device::setCurrent(const DeviceProfile& profile) {
  Profiles& p = profiles();
  std::lock_guard<std::mutex> lock(p.mu);
  p.all.push_back(std::make_unique<const DeviceProfile>(profile));
  p.current.store(p.all.back().get(), std::memory_order_release);
}

}  // namespace uikit
