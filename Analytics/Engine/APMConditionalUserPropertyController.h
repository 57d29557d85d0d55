// Conditional user properties: properties another library asks the engine to
// set once an event of a given name is logged within a trigger time-out, kept
// for a time to live, with events to log on triggering, time-out and expiry.
// One process-wide controller takes set, clear and query calls from any
// thread; all storage work runs on the shared engine's worker queue inside
// database transactions. The engine hands it every processed event.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/APMConditionalUserProperty.h"
#include "Analytics/Engine/APMEvent.h"

class APMMeasurement;

class APMConditionalUserPropertyController : public std::enable_shared_from_this<APMConditionalUserPropertyController> {
 public:
  // Bounds (inclusive) of the trigger time-out and the time to live, seconds.
  static constexpr double kMinimumSeconds = 0.001;
  static constexpr double kMaximumSeconds = 15552000;  // 180 days
  // How long a query waits for the worker queue, seconds.
  static constexpr double kQueryWaitSeconds = 30;

  static const std::shared_ptr<APMConditionalUserPropertyController>& sharedInstance();

  // Any thread. A valid copy named `name` and stamped now goes to the worker
  // queue: with a value it is set, without one the stored one is removed.
  // An invalid record is logged and dropped.
  void setConditionalUserProperty(const std::optional<APMConditionalUserProperty>& property, const std::string& name);
  // Any thread; an invalid name does nothing. The clear event is logged
  // (with the stored origin) when a stored property is removed.
  void clearConditionalUserPropertyWithClearEvent(const std::optional<APMEvent>& clearEvent, const std::string& name);
  // Blocks for at most kQueryWaitSeconds on the current clock. Empty prefix
  // or origin: not filtered by it. None without an engine, with the engine
  // disabled, on a failed read or when the wait ran out (a late answer is
  // dropped).
  std::optional<std::vector<APMConditionalUserProperty>> conditionalUserPropertiesWithNamePrefix(
      const std::string& namePrefix, const std::string& origin);

  // Worker queue of the given engine.
  void setConditionalUserPropertyOnWorkerQueue(APMMeasurement& engine, const APMConditionalUserProperty& property);
  void removeConditionalUserPropertyOnWorkerQueue(APMMeasurement& engine, const APMConditionalUserProperty& property);
  // Removes timed-out and expired properties (their events are written after
  // the commit) and triggers those waiting for this event's name; returns
  // the triggered events for the caller to write, none on failure.
  std::optional<std::vector<APMEvent>> processEventOnWorkerQueue(APMMeasurement& engine, const APMEvent& event);
  bool removeTimedOutCUPWithTimedOutEvents(APMMeasurement& engine, std::vector<APMEvent>* timedOutEvents);
  bool removeExpiredCUPWithExpiredEvents(APMMeasurement& engine, std::vector<APMEvent>* expiredEvents);
  std::optional<std::vector<APMEvent>> updateConditionalUserPropertiesWithEventNameOnWorkerQueue(
      APMMeasurement& engine, const std::string& eventName);

  // The record passes the name, origin, value and time checks (logged).
  static bool isValidConditionalUserProperty(const APMConditionalUserProperty& property);

  APMConditionalUserPropertyController() = default;
};
