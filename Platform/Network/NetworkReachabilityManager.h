// Watches whether the network can be reached. On Linux the source is the
// interface table: reachable while some interface is up and running,
// loopback included. The listener hears the first status soon after it
// starts and then every change, on the queue it gave; statuses can also be
// injected (tests, the console driver).
#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/DispatchWorkItem.h"

namespace platform {

enum class ReachabilityStatus { kUnknown, kNotReachable, kReachableEthernetOrWiFi, kReachableCellular };

class NetworkReachabilityManager : public std::enable_shared_from_this<NetworkReachabilityManager> {
 public:
  using Source = std::function<ReachabilityStatus()>;
  using Listener = std::function<void(ReachabilityStatus)>;
  static constexpr double kPollSeconds = 2.0;

  // The parameterless manager over the interface table; none when the
  // factory set for tests says so.
  static std::shared_ptr<NetworkReachabilityManager> create();
  static void setFactory(std::function<std::shared_ptr<NetworkReachabilityManager>()> factory);

  explicit NetworkReachabilityManager(Source source);
  ~NetworkReachabilityManager();

  bool startListening(DispatchQueuePtr queue, Listener listener);
  void stopListening();
  ReachabilityStatus status() const;
  bool isReachable() const;

  // Reports a status as if the source had changed to it.
  void inject(ReachabilityStatus status);

  static ReachabilityStatus interfaceStatus();

 private:
  void poll();
  void deliver(ReachabilityStatus status);
  Source source_;
  mutable std::mutex mu_;
  DispatchQueuePtr queue_;
  Listener listener_;
  ReachabilityStatus status_ = ReachabilityStatus::kUnknown;
  bool listening_ = false;
  DispatchWorkItemPtr pending_;
};

}  // namespace platform
