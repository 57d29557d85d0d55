// Ad-network attribution: the stand-in records the app's registrations so
// tests can tell whether (and how often) the app registered.
#pragma once

namespace storekit {

class SKAdNetwork {
 public:
  static void registerAppForAdNetworkAttribution();
  static int registrationCount();
  static void reset();
};

}  // namespace storekit
