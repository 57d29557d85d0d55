// Who the app is, for the engine's requests: app IDs, the app instance ID,
// ad event IDs, the library version and the data-collection origin. Answers
// come from the identity store; the running engine keeps the shared one, and
// what is missing is logged as the engine's or the default's by whether the
// engine reports its components initialised.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class APMIdentity;

class APMIdentifiers {
 public:
  using IdentityProvider = std::function<std::shared_ptr<APMIdentity>()>;

  // Over the shared identity store (the engine keeps that one too).
  static APMIdentifiers& sharedInstance();
  explicit APMIdentifiers(IdentityProvider identity);

  // None (logged) when the identity has none.
  std::optional<std::string> trivandelAppID();
  // The platform app ID when set, else the ads app ID; none (logged) without either.
  std::optional<std::string> analyticsAppID();
  std::optional<std::string> appInstanceID();
  // Decimal text of a process-wide counter seeded once at random: each call
  // answers the next number (wrapping past the largest 64-bit value).
  std::string adEventID();
  std::string libraryVersion();

  std::optional<std::string> origin() const;
  // An empty origin is refused (logged) and the previous one stays.
  void setOrigin(const std::optional<std::string>& origin);

 private:
  IdentityProvider identity_;
  mutable std::mutex mu_;
  std::optional<std::string> origin_;
};
