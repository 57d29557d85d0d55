// Whether requests may be sent. Starts "reachable"; once listening, follows
// the reachability manager's statuses on the main queue (unknown and not
// reachable count as unreachable). Shows nothing itself.
#pragma once

#include <memory>

#include "Facility/Widgets/NoInternetConnectionView.h"
#include "Platform/Network/NetworkReachabilityManager.h"

class NetworkReachability : public std::enable_shared_from_this<NetworkReachability> {
 public:
  static NetworkReachability& shared();

  std::shared_ptr<platform::NetworkReachabilityManager> reachabilityManager;
  std::shared_ptr<NoInternetConnectionView> vwNoInternet;
  bool isNetworkReachable = true;

  // A new manager replaces any earlier one; without one nothing listens.
  void startListening();
  void update(platform::ReachabilityStatus status);

  // Back to the state at creation (tests).
  void reset();

  NetworkReachability();
};
