// What an experiments client tells its SDK. Every method is optional: a
// delegate says which ones it implements, and the manager asks before use.
#pragma once

#include <memory>
#include <optional>

#include "Analytics/Engine/Monitor/APMError.h"

class APMEClient;
namespace platform {
class DispatchQueue;
}

class APMEExperimentObserverDelegate {
 public:
  virtual ~APMEExperimentObserverDelegate() = default;

  // A delegate that implements this wants to activate new snapshots itself:
  // they are stored for manual activation and announced here, on queue().
  virtual bool respondsToClientDidReceiveNewSnapshot() const { return false; }
  virtual void clientDidReceiveNewSnapshot(APMEClient& client);
  virtual bool respondsToClientDidReceiveFetchError() const { return false; }
  virtual void clientDidReceiveFetchError(APMEClient& client, const APMError& error);
  // None when not implemented (which counts as yes).
  virtual std::optional<bool> shouldFetchExperimentsForClient(APMEClient& client);
  // Where new snapshots are announced; none means the main queue.
  virtual std::shared_ptr<platform::DispatchQueue> queue();
};
