#include "Facility/Network/NetworkReachability.h"

#include "Platform/Foundation/DispatchQueue.h"

NetworkReachability& NetworkReachability::shared() {
  static std::shared_ptr<NetworkReachability> instance = std::make_shared<NetworkReachability>();
  return *instance;
}

NetworkReachability::NetworkReachability() : vwNoInternet(NoInternetConnectionView::loadFromNib()) {}

void NetworkReachability::startListening() {
  if (reachabilityManager) reachabilityManager->stopListening();
  reachabilityManager = platform::NetworkReachabilityManager::create();
  if (!reachabilityManager) return;
  std::weak_ptr<NetworkReachability> weak = weak_from_this();
  reachabilityManager->startListening(platform::DispatchQueue::main(), [weak](platform::ReachabilityStatus status) {
    if (auto self = weak.lock()) self->update(status);
  });
}

void NetworkReachability::update(platform::ReachabilityStatus status) {
  isNetworkReachable = status == platform::ReachabilityStatus::kReachableEthernetOrWiFi ||
                       status == platform::ReachabilityStatus::kReachableCellular;
}

void NetworkReachability::reset() {
  if (reachabilityManager) reachabilityManager->stopListening();
  reachabilityManager.reset();
  isNetworkReachable = true;
}
