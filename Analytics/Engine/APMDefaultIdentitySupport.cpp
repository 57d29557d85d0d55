#include "Analytics/Engine/APMDefaultIdentitySupport.h"

#include <any>
#include <chrono>
#include <condition_variable>

#include "Analytics/Engine/APMEnvironmentInfo.h"
#include "Analytics/Engine/APMPlatformIdentitySupport.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Runtime/ClassRegistry.h"

struct APMDefaultIdentitySupport::Shared {
  std::mutex mu;
  std::optional<std::string> resettableDeviceID;
};

std::shared_ptr<APMDefaultIdentitySupport> APMDefaultIdentitySupport::sharedInstance() {
  static auto* instance = new std::shared_ptr<APMDefaultIdentitySupport>(std::make_shared<APMDefaultIdentitySupport>());
  return *instance;
}

APMDefaultIdentitySupport::APMDefaultIdentitySupport() : shared_(std::make_shared<Shared>()) {
  auto object = platform::ClassRegistry::shared().instantiate(APMPlatformIdentitySupport::kClassName);
  if (object) {
    if (const auto* support = std::any_cast<std::shared_ptr<APMIdentitySupport>>(&*object)) {
      platformIdentitySupport_ = *support;
    }
  }
  APMMonitor& monitor = APMMeasurementMonitor();
  if (platformIdentitySupport_) {
    monitor.logWithLevel(7, 44000, "The identity support add-on is linked.");
    if (platformIdentitySupport_->hasLimitedAdTracking()) {
      monitor.logWithLevel(7, 44001, "The AdSupport Framework is linked.");
    } else {
      monitor.logWithLevel(4, 44002,
                           "The AdSupport Framework is not currently linked. Some features will not function "
                           "properly. Learn more at https://developers.facility.invalid/analytics/identity-support");
    }
  } else {
    monitor.logWithLevel(4, 44003, "The identity support add-on is not linked. IDFA will not be accessible.");
  }
  queue_ = platform::DispatchQueue::create("APMDefaultIdentitySupport");
}

APMDefaultIdentitySupport::~APMDefaultIdentitySupport() = default;

bool APMDefaultIdentitySupport::iOS14OrAbove() { return APMEnvironmentInfo::systemVersionAtLeast(14, 0); }

bool APMDefaultIdentitySupport::hasAppDataConsentStatus() {
  return platformIdentitySupport_ && platformIdentitySupport_->hasAppDataConsentStatus();
}

int64_t APMDefaultIdentitySupport::appDataConsentStatus() {
  return platformIdentitySupport_ ? platformIdentitySupport_->appDataConsentStatus() : -1;
}

bool APMDefaultIdentitySupport::hasLimitedAdTracking() {
  return platformIdentitySupport_ && platformIdentitySupport_->hasLimitedAdTracking();
}

bool APMDefaultIdentitySupport::limitedAdTracking() {
  if (iOS14OrAbove()) {
    auto identifier = resettableDeviceID();
    return !identifier || *identifier == kZeroDeviceID;
  }
  return platformIdentitySupport_ && platformIdentitySupport_->limitedAdTracking();
}

std::optional<std::string> APMDefaultIdentitySupport::resettableDeviceID() {
  if (!platformIdentitySupport_) return std::nullopt;
  // The wait is bounded in real time: it guards against a slow platform
  // call, which a test's manual clock would never end.
  struct Done {
    std::mutex mu;
    std::condition_variable cv;
    bool finished = false;
  };
  auto done = std::make_shared<Done>();
  queue_->async([support = platformIdentitySupport_, shared = shared_, done] {
    auto identifier = support->resettableDeviceID();
    {
      std::lock_guard<std::mutex> lock(shared->mu);
      shared->resettableDeviceID = std::move(identifier);
    }
    {
      std::lock_guard<std::mutex> lock(done->mu);
      done->finished = true;
    }
    done->cv.notify_all();
  });
  {
    std::unique_lock<std::mutex> lock(done->mu);
    done->cv.wait_for(lock, std::chrono::duration<double>(readTimeoutSeconds_.load()), [&] { return done->finished; });
  }
  std::lock_guard<std::mutex> lock(shared_->mu);
  return shared_->resettableDeviceID;
}
