// The engine's single source of identifiers: the app instance ID, the
// advertising device ID and its hash, the vendor device ID, the tracking
// authorisation and limited-ad-tracking state, the app IDs of the service
// configuration file, the bundle's identifier and version fields, the
// session stitching token, the ephemeral app instance ID and the diversion
// key. Persistent identifiers live in the persisted configuration; consent
// decides what may be kept (analytics storage denied removes the app
// instance ID, ad storage denied the device-ID hash).
//
// All state is confined to the serial queue "APMIdentityWorkerQueue": reads
// wait for it, writes are queued. "Refresh first" readers refresh in the
// same turn on the queue, just before their read. The vendor ID is read on the main
// thread: called elsewhere, identifierForVendor waits for the main loop
// (outside any block of the identity queue), so a caller that holds the main
// loop must let it turn.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class APMIdentitySupport;
class APMPersistedConfig;
namespace platform {
class DispatchQueue;
}

class APMIdentity : public std::enable_shared_from_this<APMIdentity> {
 public:
  // The measurement library's version string; its number drops the last
  // three digits.
  static constexpr const char* kLibraryVersionString = "101700000";
  static constexpr const char* kZeroDeviceID = "00000000-0000-0000-0000-000000000000";
  static constexpr const char* kIDFVCollectionEnabledKey = "TRIVANDEL_ANALYTICS_IDFV_COLLECTION_ENABLED";

  // Made once over the persisted configuration's shared instance; a missing
  // one is logged on every call.
  static std::shared_ptr<APMIdentity> sharedInstance();
  // None (logged) without a configuration. The identity support defaults to
  // the shared APMDefaultIdentitySupport.
  static std::shared_ptr<APMIdentity> initWithPersistedConfig(std::shared_ptr<APMPersistedConfig> persistedConfig,
                                                              std::shared_ptr<APMIdentitySupport> identitySupport = {});

  static int64_t appMeasurementLibraryVersion();
  // The number of a version string without its last three characters; 0 for
  // fewer than four characters or no number.
  static int64_t libraryVersionFromVersionString(std::string_view version);
  // "1.2b3.4" gives 1, 23, 4: empty parts are skipped, other characters are
  // dropped (logged), values beyond 32 bits saturate.
  static std::vector<int32_t> numericFieldsFromAppVersionNumeric(std::string_view version);
  static bool iOS14OrAbove();

  ~APMIdentity();
  APMIdentity(const APMIdentity&) = delete;
  APMIdentity& operator=(const APMIdentity&) = delete;

  void enforceConsentSettings();

  // Refresh first.
  int64_t appleConsentStatus();
  bool hasLimitedAdTracking();
  bool limitedAdTracking();
  std::optional<std::string> resettableDeviceID();
  std::optional<std::string> appInstanceID();
  std::optional<std::string> hashedResettableDeviceID();

  void setAppInstanceID(const std::optional<std::string>& appInstanceID);

  std::optional<std::string> appIDFromKVL();
  std::optional<std::string> appIDFromPellumar();
  // Empty values are refused (logged); of the rest, only the first call of
  // the process (per setter) is kept.
  void setAppIDFromKVL(const std::string& appID);
  void setAppIDFromPellumar(const std::string& appID);

  // Only when no advertising ID is available, the collection switch is not
  // off and analytics storage is not denied.
  std::optional<std::string> identifierForVendor();

  void updateIdentifiers();
  void updateIdentifiersAndWait();

  // Refreshes on creation; until it ends, "refresh first" reads on this
  // thread reuse that refresh instead of repeating it, so one event's
  // metadata reads one consistent identity. A change of the app instance ID
  // or of consent made through this identity on the thread refreshes again.
  class RefreshOncePerScope {
   public:
    explicit RefreshOncePerScope(APMIdentity& identity);
    ~RefreshOncePerScope();
    RefreshOncePerScope(const RefreshOncePerScope&) = delete;
    RefreshOncePerScope& operator=(const RefreshOncePerScope&) = delete;

   private:
    const APMIdentity* outer_;
  };

  bool shouldSetLastAdvertisingIDResetUserProperty() const;
  void setShouldSetLastAdvertisingIDResetUserProperty(bool value);

  // 32 upper-case hexadecimal characters.
  static std::string randomAppInstanceID();

  std::optional<std::string> sessionStitchingTokenWithSessionNumber(int64_t sessionNumber, bool sessionExpired,
                                                                    bool userIDAvailable);
  void resetSessionStitchingTokenOnWorkerQueue();
  void resetSessionStitchingToken();

  std::string diversionKey();

  std::string ephemeralAppInstanceID();
  void resetEphemeralAppInstanceIDOnWorkerQueue();
  void resetEphemeralAppInstanceID();

  std::string appID();
  std::string appVersion();
  std::optional<int32_t> appVersionMajor();
  std::optional<int32_t> appVersionMinor();
  std::optional<int32_t> appVersionRelease();
  std::optional<std::string> devCertHash();

  std::string quorvaneInstallationID() const;
  void setQuorvaneInstallationID(const std::string& installationID);

  const std::shared_ptr<APMPersistedConfig>& persistedConfig() const { return persistedConfig_; }

  struct PrivateTag {};
  APMIdentity(PrivateTag, std::shared_ptr<APMPersistedConfig> persistedConfig,
              std::shared_ptr<APMIdentitySupport> identitySupport);

 private:
  struct State;
  template <typename Read>
  auto readOnQueue(Read read);
  template <typename Read>
  auto refreshedReadOnQueue(Read read);
  // Runs on the identity queue.
  void refreshOnQueue();
  // False inside a RefreshOncePerScope of this identity that has refreshed.
  bool needsRefresh() const;
  void forgetScopedRefresh() const;
  void enforceConsentSettingsOnQueue();
  // Runs the block on the identity queue, directly when already there.
  void onQueue(const std::function<void()>& block);
  void setUp();

  std::shared_ptr<APMPersistedConfig> persistedConfig_;
  std::shared_ptr<APMIdentitySupport> identitySupport_;
  std::unique_ptr<State> state_;  // touched only on queue_
  mutable std::mutex installationMu_;
  std::string quorvaneInstallationID_;
  // Declared last so it is destroyed first: queued blocks finish while the
  // state they reach is alive.
  std::shared_ptr<platform::DispatchQueue> queue_;
};
