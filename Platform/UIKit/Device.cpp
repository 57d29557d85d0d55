#include "Platform/UIKit/Device.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "Platform/Foundation/DataRoot.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Log.h"

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

namespace {

std::optional<platform::UUID> ReadVendorIdentifier(const std::string& path) {
  auto bytes = platform::FileManager::defaultManager().contentsAtPath(path);
  if (!bytes.ok()) return std::nullopt;
  std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
  return platform::UUID::fromString(text);
}

}  // namespace

std::optional<platform::UUID> Device::identifierForVendor() {
  const std::string folder = platform::DataRoot::libraryDirectory() + "/Device";
  const std::string path = folder + "/identifierForVendor";
  if (auto existing = ReadVendorIdentifier(path)) return existing;

  auto& files = platform::FileManager::defaultManager();
  const bool damaged = files.fileExistsAtPath(path);
  platform::UUID fresh;
  const std::string text = fresh.uuidString() + "\n";
  if (damaged) {
    // A file that holds no identifier is of no use to anyone: replace it.
    platform::LogWarning("Device: the vendor identifier file is damaged; making a new identifier");
    if (!files.writeAtomically(path, text, 0600).ok()) return std::nullopt;
    return ReadVendorIdentifier(path);
  }
  // First read: the complete file is linked into place, which fails when
  // another process got there first; then its identifier wins.
  const std::string temporary = path + "." + std::to_string(getpid()) + "." + fresh.uuidString();
  if (!files.writeAtomically(temporary, text, 0600).ok()) return std::nullopt;
  if (link(temporary.c_str(), path.c_str()) != 0 && errno != EEXIST) {
    platform::LogWarning("Device: cannot keep the vendor identifier at " + path);
    (void)files.removeItemAtPath(temporary);
    return std::nullopt;
  }
  (void)files.removeItemAtPath(temporary);
  return ReadVendorIdentifier(path);
}

}  // namespace uikit
