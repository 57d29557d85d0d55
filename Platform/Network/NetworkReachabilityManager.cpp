#include "Platform/Network/NetworkReachabilityManager.h"

#include <ifaddrs.h>
#include <net/if.h>

namespace platform {

namespace {
std::function<std::shared_ptr<NetworkReachabilityManager>()>& factory() {
  static std::function<std::shared_ptr<NetworkReachabilityManager>()> f;
  return f;
}
}  // namespace

std::shared_ptr<NetworkReachabilityManager> NetworkReachabilityManager::create() {
  if (factory()) return factory()();
  return std::make_shared<NetworkReachabilityManager>(&NetworkReachabilityManager::interfaceStatus);
}

void NetworkReachabilityManager::setFactory(std::function<std::shared_ptr<NetworkReachabilityManager>()> f) {
  factory() = std::move(f);
}

NetworkReachabilityManager::NetworkReachabilityManager(Source source) : source_(std::move(source)) {}

NetworkReachabilityManager::~NetworkReachabilityManager() {
  if (pending_) pending_->cancel();
}

ReachabilityStatus NetworkReachabilityManager::interfaceStatus() {
  struct ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return ReachabilityStatus::kUnknown;
  bool up = false;
  for (auto* it = list; it; it = it->ifa_next) {
    if ((it->ifa_flags & IFF_UP) && (it->ifa_flags & IFF_RUNNING)) {
      up = true;
      break;
    }
  }
  freeifaddrs(list);
  return up ? ReachabilityStatus::kReachableEthernetOrWiFi : ReachabilityStatus::kNotReachable;
}

bool NetworkReachabilityManager::startListening(DispatchQueuePtr queue, Listener listener) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    queue_ = std::move(queue);
    listener_ = std::move(listener);
    listening_ = true;
    status_ = ReachabilityStatus::kUnknown;
  }
  std::weak_ptr<NetworkReachabilityManager> weak = weak_from_this();
  queue_->async([weak] {
    if (auto self = weak.lock()) self->poll();
  });
  return true;
}

void NetworkReachabilityManager::stopListening() {
  std::lock_guard<std::mutex> lock(mu_);
  listening_ = false;
  listener_ = nullptr;
  if (pending_) pending_->cancel();
  pending_.reset();
}

ReachabilityStatus NetworkReachabilityManager::status() const {
  std::lock_guard<std::mutex> lock(mu_);
  return status_;
}

bool NetworkReachabilityManager::isReachable() const {
  auto s = status();
  return s == ReachabilityStatus::kReachableEthernetOrWiFi || s == ReachabilityStatus::kReachableCellular;
}

void NetworkReachabilityManager::poll() {
  Source source;
  {
    std::lock_guard<std::mutex> lock(mu_);
    source = source_;
  }
  ReachabilityStatus now = source ? source() : ReachabilityStatus::kUnknown;
  deliver(now);
  std::lock_guard<std::mutex> lock(mu_);
  if (!listening_ || !queue_) return;
  std::weak_ptr<NetworkReachabilityManager> weak = weak_from_this();
  pending_ = queue_->after(kPollSeconds, [weak] {
    if (auto self = weak.lock()) self->poll();
  });
}

void NetworkReachabilityManager::inject(ReachabilityStatus status) {
  DispatchQueuePtr queue;
  {
    // Under the lock: the queue's poll reads the source meanwhile.
    std::lock_guard<std::mutex> lock(mu_);
    source_ = [status] { return status; };
    queue = queue_;
  }
  if (!queue) return;
  std::weak_ptr<NetworkReachabilityManager> weak = weak_from_this();
  queue->async([weak, status] {
    if (auto self = weak.lock()) self->deliver(status);
  });
}

void NetworkReachabilityManager::deliver(ReachabilityStatus status) {
  Listener listener;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (!listening_ || status == status_) return;
    status_ = status;
    listener = listener_;
  }
  if (listener) listener(status);
}

}  // namespace platform
