// The facade's process-wide state, shared by the files that define
// APMAnalytics (queues and start; user properties; listeners; session and
// identity; opened URLs, the app delegate and purchases).
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "Analytics/Engine/Interface/APMAnalytics.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/OperationQueue.h"

class APMAppDelegateInterceptor;

struct APMAnalytics::State {
  // Made once; suspended until the start.
  platform::OperationQueue operationQueue{APMAnalytics::kOperationQueueName, true};
  platform::DispatchQueuePtr serialQueue = platform::DispatchQueue::create(APMAnalytics::kQueueLabel);
  platform::DispatchQueuePtr timestampQueue = platform::DispatchQueue::create(APMAnalytics::kTimestampQueueLabel);

  // Switches, read from any thread.
  std::atomic<bool> started{false};
  std::atomic<bool> collectionDeactivated{false};
  std::atomic<bool> analyticsEnabled{false};
  std::atomic<bool> appDelegateProxyCreated{false};
  // Bumped by the test reset: operations held from before it are dropped.
  std::atomic<uint64_t> generation{0};
  // Tokens are never handed out twice in a process (also across test resets).
  std::atomic<ListenerToken> nextListenerToken{1};

  // Listener, interceptor and open-URL listener state: written on the serial
  // queue; the lock keeps readers on other threads (tests) race-free.
  std::mutex mu;
  LogEventInterceptor interceptor;
  // None until the first listener was added.
  std::optional<std::map<ListenerToken, LogEventListener>> listeners;
  OpenURLListener openURLListener;
  platform::NotificationCenter::Token configurationObserver = 0;
};
