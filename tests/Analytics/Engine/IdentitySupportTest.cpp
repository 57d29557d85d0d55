#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <sys/utsname.h>

#include "Analytics/Engine/APMEnvironmentInfo.h"
#include "Analytics/Engine/Interface/APMAEU.h"
#include "Platform/Foundation/Locale.h"
#include "Platform/Foundation/TimeZone.h"
#include "Platform/TrivandelUtilities/TVUAppEnvironmentUtil.h"
#include "tests/Analytics/Engine/IdentityFixture.h"

namespace identity_test {
namespace {

using IdentitySupportTest = IdentityFixture;

TEST_F(IdentitySupportTest, AddOnAndFrameworkPresenceAreLogged) {
  struct Case {
    const char* name;
    enum { kAddOn, kNonConformingAddOn, kNoAddOn } addOn;
    bool advertisingFramework;
    std::vector<int> logged;
    std::vector<int> notLogged;
  };
  const Case cases[] = {
      {"add-on and advertising framework", Case::kAddOn, true, {44000, 44001}, {44002, 44003}},
      {"add-on without advertising framework", Case::kAddOn, false, {44000, 44002}, {44001, 44003}},
      {"no add-on", Case::kNoAddOn, true, {44003}, {44000, 44001, 44002}},
      {"add-on of the wrong kind", Case::kNonConformingAddOn, true, {44003}, {44000}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto& registry = platform::ClassRegistry::shared();
    registry.unregisterClass(adsupport::ASIdentifierManager::kClassName);
    if (c.advertisingFramework) adsupport::RegisterAdSupport();
    switch (c.addOn) {
      case Case::kAddOn: RegisterFreshIdentitySupportAddOn(); break;
      case Case::kNoAddOn: registry.unregisterClass(APMPlatformIdentitySupport::kClassName); break;
      case Case::kNonConformingAddOn:
        registry.registerClass(APMPlatformIdentitySupport::kClassName, [] { return std::any(std::string("x")); });
        break;
    }
    platform::LogCapture capture;
    auto support = makeSupport();
    for (int code : c.logged) EXPECT_TRUE(Logged(capture, code)) << code;
    for (int code : c.notLogged) EXPECT_FALSE(Logged(capture, code)) << code;
    if (c.addOn != Case::kAddOn) {
      EXPECT_FALSE(support->hasAppDataConsentStatus());
      EXPECT_EQ(support->appDataConsentStatus(), -1);
      EXPECT_FALSE(support->hasLimitedAdTracking());
      EXPECT_FALSE(support->resettableDeviceID());
    }
  }
}

TEST_F(IdentitySupportTest, PlatformAnswersThroughTheStandIns) {
  // Defaults of a device whose person never allowed tracking.
  auto support = makeSupport();
  EXPECT_TRUE(support->hasAppDataConsentStatus());
  EXPECT_EQ(support->appDataConsentStatus(), 0);
  EXPECT_TRUE(support->hasLimitedAdTracking());
  EXPECT_EQ(support->resettableDeviceID(), APMIdentity::kZeroDeviceID);

  apptrackingtransparency::ATTrackingManager::setTrackingAuthorizationStatus(3);
  SetAdvertising(true, "6D92078A-8246-4BA4-AE5B-76104861E7DC");
  EXPECT_EQ(support->appDataConsentStatus(), 3);
  EXPECT_EQ(support->resettableDeviceID(), "6D92078A-8246-4BA4-AE5B-76104861E7DC");

  // A tracking class that does not answer the status reads as -1.
  platform::ClassRegistry::shared().registerClass(apptrackingtransparency::ATTrackingManager::kClassName,
                                                  [] { return std::any(apptrackingtransparency::ATTrackingManagerClass{}); });
  APMPlatformIdentitySupport withoutMethod;
  EXPECT_TRUE(withoutMethod.hasAppDataConsentStatus());
  EXPECT_EQ(withoutMethod.appDataConsentStatus(), -1);

  // The registered add-on hands out its shared instance.
  APMPlatformIdentitySupport::registerClass();
  auto object = platform::ClassRegistry::shared().instantiate(APMPlatformIdentitySupport::kClassName);
  ASSERT_TRUE(object);
  const auto* registered = std::any_cast<std::shared_ptr<APMIdentitySupport>>(&*object);
  ASSERT_NE(registered, nullptr);
  EXPECT_EQ(registered->get(), APMPlatformIdentitySupport::sharedInstance().get());
}

TEST_F(IdentitySupportTest, LimitedAdTrackingOnBothSidesOf14) {
  struct Case {
    const char* systemVersion;
    bool trackingEnabled;
    const char* identifier;
    bool limited;
  };
  const Case cases[] = {
      {"17.0", true, APMIdentity::kZeroDeviceID, true},  // the all-zero ID means limited
      {"17.0", true, "6D92078A-8246-4BA4-AE5B-76104861E7DC", false},
      {"17.0", false, "6D92078A-8246-4BA4-AE5B-76104861E7DC", false},  // the switch no longer counts
      {"13.7", false, "6D92078A-8246-4BA4-AE5B-76104861E7DC", true},
      {"13.7", true, APMIdentity::kZeroDeviceID, false},
  };
  auto support = makeSupport();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.systemVersion) + " " + c.identifier);
    uikit::Device::setCurrent(PhoneWithSystem(c.systemVersion));
    SetAdvertising(c.trackingEnabled, c.identifier);
    EXPECT_EQ(support->limitedAdTracking(), c.limited);
  }
  platform::ClassRegistry::shared().unregisterClass(APMPlatformIdentitySupport::kClassName);
  uikit::Device::setCurrent(PhoneWithSystem("13.7"));
  EXPECT_FALSE(makeSupport()->limitedAdTracking()) << "no add-on before 14";
  uikit::Device::setCurrent(PhoneWithSystem("17.0"));
  EXPECT_TRUE(makeSupport()->limitedAdTracking()) << "no add-on from 14 on: no identifier";
}

// An add-on whose identifier reads wait for the test's permission.
class SlowSupport : public APMIdentitySupport {
 public:
  bool hasAppDataConsentStatus() override { return true; }
  int64_t appDataConsentStatus() override { return 3; }
  bool hasLimitedAdTracking() override { return true; }
  bool limitedAdTracking() override { return false; }
  std::optional<std::string> resettableDeviceID() override {
    std::unique_lock<std::mutex> lock(mu);
    cv.wait(lock, [&] { return permits > 0; });
    --permits;
    ++finished;
    cv.notify_all();
    return "ID-" + std::to_string(finished);
  }
  void permit() {
    std::lock_guard<std::mutex> lock(mu);
    ++permits;
    cv.notify_all();
  }
  void waitFinished(int count) {
    std::unique_lock<std::mutex> lock(mu);
    cv.wait(lock, [&] { return finished >= count; });
  }
  std::mutex mu;
  std::condition_variable cv;
  int permits = 0;
  int finished = 0;
};

TEST_F(IdentitySupportTest, ASlowIdentifierReadAnswersTheEarlierValue) {
  auto slow = std::make_shared<SlowSupport>();
  platform::ClassRegistry::shared().registerClass(APMPlatformIdentitySupport::kClassName,
                                                  [slow] { return std::any(std::shared_ptr<APMIdentitySupport>(slow)); });
  auto support = std::make_shared<APMDefaultIdentitySupport>();
  EXPECT_FALSE(support->resettableDeviceID()) << "nothing read yet";
  slow->permit();
  slow->waitFinished(1);
  EXPECT_EQ(support->resettableDeviceID(), "ID-1") << "the second read is still waiting";
  slow->permit();
  slow->waitFinished(2);
  slow->permit();
  support->setReadTimeoutForTesting(10);
  EXPECT_EQ(support->resettableDeviceID(), "ID-3");
}

TEST_F(IdentitySupportTest, EnvironmentComesFromTheDeviceProfile) {
  uikit::DeviceProfile tablet = uikit::DeviceProfile::tablet768x1024();
  tablet.systemVersion = "16.4";
  uikit::Device::setCurrent(tablet);
  EXPECT_EQ(platform::TVUAppEnvironmentUtil::systemVersion(), "16.4");
  EXPECT_EQ(APMAEU::systemVersion(), "16.4");
  EXPECT_EQ(APMAEU::deviceModel(), "iPad");
  EXPECT_EQ(APMEnvironmentInfo::sharedInstance().deviceOSVersion(), "16.4");
  struct utsname host {};
  ASSERT_EQ(uname(&host), 0);
  EXPECT_NE(APMAEU::systemVersion(), host.release) << "never the kernel's release";

  struct Case {
    const char* version;
    bool atLeast14;
  };
  const Case cases[] = {{"14.0", true}, {"14", true}, {"13.7", false}, {"17.0.1", true},
                        {"9.3", false},  {"", false},  {"x.y", false}, {"100.0", true}};
  for (const auto& c : cases) {
    uikit::Device::setCurrent(PhoneWithSystem(c.version));
    EXPECT_EQ(APMEnvironmentInfo::systemVersionAtLeast(14, 0), c.atLeast14) << c.version;
    EXPECT_EQ(APMIdentity::iOS14OrAbove(), c.atLeast14) << c.version;
  }
}

TEST_F(IdentitySupportTest, LanguageAndTimeZone) {
  auto& info = APMEnvironmentInfo::sharedInstance();
  platform::Locale::setPreferredLanguagesOverride(std::vector<std::string>{"de-AT", "en"});
  EXPECT_EQ(info.userDefaultLanguage(), "de-at");
  platform::Locale::setPreferredLanguagesOverride(std::vector<std::string>{});
  EXPECT_FALSE(info.userDefaultLanguage());
  EXPECT_TRUE(Recorded("Failed to get preferred language"));
  platform::Locale::setPreferredLanguagesOverride(std::nullopt);

  struct Case {
    const char* zone;
    int minutes;
  };
  for (const Case& c : {Case{"GMT-05:30", -330}, Case{"GMT+05:45", 345}, Case{"UTC", 0}}) {
    platform::TimeZone::setLocalOverride(platform::TimeZone::named(c.zone));
    EXPECT_EQ(info.timeZoneOffsetMinutes(), c.minutes) << c.zone;
  }
  platform::TimeZone::setLocalOverride(std::nullopt);
  EXPECT_FALSE(info.deviceModel().empty());
}

}  // namespace
}  // namespace identity_test
