#include "Analytics/Engine/APMConditionalUserPropertyController.h"

#include <condition_variable>
#include <mutex>
#include <utility>

#include "Analytics/Engine/APMDataTypeValidator.h"
#include "Analytics/Engine/APMEngineChecks.h"
#include "Analytics/Engine/APMEngineClock.h"
#include "Analytics/Engine/APMEngineLog.h"
#include "Analytics/Engine/APMMeasurement.h"
#include "Analytics/Engine/APMScheduler.h"
#include "Analytics/Engine/Monitor/APMLogContext.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Storage/APMDatabase.h"
#include "Analytics/Storage/APMUserAttribute.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/DispatchQueue.h"

namespace {

bool WithinBounds(double seconds) {
  return seconds >= APMConditionalUserPropertyController::kMinimumSeconds &&
         seconds <= APMConditionalUserPropertyController::kMaximumSeconds;
}

// The record's own event, logged under the record's origin at the given time.
std::optional<APMEvent> EventOfProperty(const std::optional<APMEvent>& stored, const std::string& origin,
                                        double timestamp) {
  if (!stored) return std::nullopt;
  return APMEvent::initWithOrigin(origin, false, stored->name(), timestamp, 0, stored->parameters());
}

bool EngineCanStore(const APMMeasurement& engine) { return engine.isEnabled() && engine.database() != nullptr; }

APMLogContext ValueContext(const std::optional<APMValue>& value) {
  return value ? APMLogContext(value->description()) : APMLogContext();
}

// Where a query's answer goes. The caller may have stopped waiting; the
// worker block keeps this alive and its late answer is simply not read.
struct QueryAnswer {
  std::mutex mu;
  std::condition_variable cv;
  bool done = false;
  std::optional<std::vector<APMConditionalUserProperty>> properties;
};

std::optional<std::vector<APMConditionalUserProperty>> QueryOnWorkerQueue(APMMeasurement& engine,
                                                                         const std::string& namePrefix,
                                                                         const std::string& origin) {
  if (!EngineCanStore(engine)) {
    Log().logWithLevel(3, 11005, "Cannot query for conditional user properties. Analytics is disabled");
    return std::nullopt;
  }
  APMError error;
  auto properties = engine.database()->conditionalUserPropertiesWithPrefix(namePrefix, origin, &error);
  if (!properties && HasError(error)) {
    Log().logWithLevel(2, 11006, "Cannot query for conditional user properties. Name prefix, origin, error",
                       APMLogContext(namePrefix), APMLogContext(origin), APMLogContext(error));
  }
  return properties;
}

}  // namespace

const std::shared_ptr<APMConditionalUserPropertyController>& APMConditionalUserPropertyController::sharedInstance() {
  static const auto* instance =
      new std::shared_ptr<APMConditionalUserPropertyController>(std::make_shared<APMConditionalUserPropertyController>());
  return *instance;
}

bool APMConditionalUserPropertyController::isValidConditionalUserProperty(const APMConditionalUserProperty& property) {
  int64_t failure = 0;
  if (!APMDataTypeValidator::isValidConditionalUserPropertyOrigin(property.origin(), &failure)) return false;
  if (!APMDataTypeValidator::isValidConditionalUserPropertyName(property.name(), &failure)) return false;
  if (property.value() && !APMDataTypeValidator::isValidConditionalUserPropertyValue(&*property.value(), &failure)) {
    return false;
  }
  if (!WithinBounds(property.triggerTimeout())) {
    Log().logWithLevel(2, 11000, "Invalid conditional user property trigger timeout",
                       APMLogContext(property.triggerTimeout()));
    return false;
  }
  if (!WithinBounds(property.timeToLive())) {
    Log().logWithLevel(2, 11001, "Invalid conditional user property time to live",
                       APMLogContext(property.timeToLive()));
    return false;
  }
  return true;
}

// ---- Any thread ----

void APMConditionalUserPropertyController::setConditionalUserProperty(
    const std::optional<APMConditionalUserProperty>& property, const std::string& name) {
  if (!property) {
    Log().logWithLevel(2, 11002, "Cannot set nil conditional user property");
    return;
  }
  APMConditionalUserProperty copy = *property;
  copy.setName(name);
  if (!isValidConditionalUserProperty(copy)) return;
  copy.setCreationTimestamp(Now());
  std::shared_ptr<APMMeasurement> engine = APMMeasurement::sharedInstance();
  if (!engine) return;
  std::weak_ptr<APMConditionalUserPropertyController> weakSelf = weak_from_this();
  std::weak_ptr<APMMeasurement> weakEngine = engine;
  engine->scheduler()->scheduleOnWorkerQueueBlockID(
      "APMConditionalUserPropertyController:88", [weakSelf, weakEngine, copy = std::move(copy)] {
        auto self = weakSelf.lock();
        auto engine = weakEngine.lock();
        if (!self || !engine) return;
        if (copy.value()) {
          self->setConditionalUserPropertyOnWorkerQueue(*engine, copy);
        } else {
          self->removeConditionalUserPropertyOnWorkerQueue(*engine, copy);
        }
      });
}

void APMConditionalUserPropertyController::clearConditionalUserPropertyWithClearEvent(
    const std::optional<APMEvent>& clearEvent, const std::string& name) {
  int64_t failure = 0;
  if (!APMDataTypeValidator::isValidConditionalUserPropertyName(name, &failure)) return;
  std::shared_ptr<APMMeasurement> engine = APMMeasurement::sharedInstance();
  if (!engine) return;
  APMConditionalUserProperty request;
  request.setName(name);
  request.setExpiredEvent(clearEvent);
  std::weak_ptr<APMConditionalUserPropertyController> weakSelf = weak_from_this();
  std::weak_ptr<APMMeasurement> weakEngine = engine;
  engine->scheduler()->scheduleOnWorkerQueueBlockID(
      "APMConditionalUserPropertyController:113", [weakSelf, weakEngine, request = std::move(request)] {
        auto self = weakSelf.lock();
        auto engine = weakEngine.lock();
        if (self && engine) self->removeConditionalUserPropertyOnWorkerQueue(*engine, request);
      });
}

std::optional<std::vector<APMConditionalUserProperty>>
APMConditionalUserPropertyController::conditionalUserPropertiesWithNamePrefix(const std::string& namePrefix,
                                                                              const std::string& origin) {
  std::shared_ptr<APMMeasurement> engine = APMMeasurement::sharedInstance();
  if (!engine) return std::nullopt;
  // Waiting on the worker queue for itself would only run out the clock.
  if (engine->scheduler()->workerQueue()->isCurrent()) return QueryOnWorkerQueue(*engine, namePrefix, origin);

  auto answer = std::make_shared<QueryAnswer>();
  std::weak_ptr<APMMeasurement> weakEngine = engine;
  engine->scheduler()->scheduleOnWorkerQueueBlockID(
      "APMConditionalUserPropertyController:161", [answer, weakEngine, namePrefix, origin] {
        std::optional<std::vector<APMConditionalUserProperty>> properties;
        if (auto engine = weakEngine.lock()) properties = QueryOnWorkerQueue(*engine, namePrefix, origin);
        {
          std::lock_guard<std::mutex> lock(answer->mu);
          answer->properties = std::move(properties);
          answer->done = true;
        }
        answer->cv.notify_all();
      });
  engine.reset();
  std::unique_lock<std::mutex> lock(answer->mu);
  if (!platform::WaitOnClock(lock, answer->cv, kQueryWaitSeconds, [&] { return answer->done; })) return std::nullopt;
  return std::move(answer->properties);
}

// ---- Worker queue ----

void APMConditionalUserPropertyController::setConditionalUserPropertyOnWorkerQueue(
    APMMeasurement& engine, const APMConditionalUserProperty& incoming) {
  APMScheduler::checkOnBackgroundThreadWithMethodName("setConditionalUserPropertyOnWorkerQueue");
  if (!EngineCanStore(engine)) {
    Log().logWithLevel(3, 11007, "Cannot set conditional user property. Analytics is disabled");
    return;
  }
  APMDatabase& database = *engine.database();
  std::optional<APMEvent> triggeredEvent;
  bool committed = database.performTransaction([&] {
    APMConditionalUserProperty property = incoming;
    triggeredEvent.reset();
    APMError readError;
    std::optional<APMConditionalUserProperty> stored =
        database.conditionalUserPropertyWithName(property.name(), &readError);
    if (!stored && HasError(readError)) {
      Log().logWithLevel(1, 11009, "Cannot query conditional user property. Name, origin, error",
                         APMLogContext(property.name()), APMLogContext(property.origin()), APMLogContext(readError));
      return false;
    }
    if (stored && stored->origin() != property.origin()) {
      Log().logWithLevel(5, 11010, "Updating a conditional user property with different origin. Name, origin, saved origin",
                         APMLogContext(property.name()), APMLogContext(property.origin()),
                         APMLogContext(stored->origin()));
    }
    bool storedActive = stored && stored->isActive();
    bool justTriggered = false;
    if (storedActive) {
      // A property in force keeps how and when it came into force.
      property.setOrigin(stored->origin());
      property.setCreationTimestamp(stored->creationTimestamp());
      property.setTriggerEventName(stored->triggerEventName());
      property.setTriggeredEvent(stored->triggeredEvent());
      property.setTriggerTimeout(stored->triggerTimeout());
    } else if (property.triggerEventName().empty()) {
      property.setActive(true);
      property.setTriggeredTimestamp(property.creationTimestamp());
      justTriggered = true;
    }
    if (property.isActive()) {
      std::optional<APMUserAttribute> attribute = APMUserAttribute::initWithOrigin(
          property.origin(), property.name(), *property.value(), property.triggeredTimestamp());
      APMError writeError;
      if (attribute && database.updateUserAttribute(&*attribute, &writeError)) {
        Log().logWithLevel(7, 11012, "User property updated. Name, origin", APMLogContext(property.name()),
                           APMLogContext(property.origin()));
      } else {
        Log().logWithLevel(1, 11011, "Cannot update user property from conditional user property. Name, origin, error",
                           APMLogContext(property.name()), APMLogContext(property.origin()),
                           APMLogContext(writeError));
      }
      if (justTriggered) {
        triggeredEvent = EventOfProperty(property.triggeredEvent(), property.origin(), property.triggeredTimestamp());
      }
    }
    if (storedActive) {
      property.setActive(stored->isActive());
      property.setTriggeredTimestamp(stored->triggeredTimestamp());
    }
    APMError saveError;
    if (database.updateConditionalUserProperty(&property, &saveError)) {
      Log().logWithLevel(7, 11013, "Conditional user property added. Name, origin", APMLogContext(property.name()),
                         APMLogContext(property.origin()));
    } else {
      Log().logWithLevel(1, 11014, "Cannot insert user property from conditional user property. Name, origin, error",
                         APMLogContext(property.name()), APMLogContext(property.origin()), APMLogContext(saveError));
    }
    return true;
  });
  if (committed && triggeredEvent) engine.writeEventOnWorkerQueue(std::move(*triggeredEvent));
}

void APMConditionalUserPropertyController::removeConditionalUserPropertyOnWorkerQueue(
    APMMeasurement& engine, const APMConditionalUserProperty& request) {
  APMScheduler::checkOnBackgroundThreadWithMethodName("removeConditionalUserPropertyOnWorkerQueue:");
  if (!EngineCanStore(engine)) {
    Log().logWithLevel(3, 11015, "Cannot remove conditional user property. Analytics is disabled");
    return;
  }
  APMDatabase& database = *engine.database();
  std::optional<APMEvent> clearEvent;
  bool committed = database.performTransaction([&] {
    clearEvent.reset();
    APMError readError;
    std::optional<APMConditionalUserProperty> stored =
        database.conditionalUserPropertyWithName(request.name(), &readError);
    if (!stored) {
      if (HasError(readError)) {
        Log().logWithLevel(1, 11017, "Cannot query conditional user property to remove. Name, origin, error",
                           APMLogContext(request.name()), APMLogContext(request.origin()), APMLogContext(readError));
        return false;
      }
      Log().logWithLevel(4, 11018, "Cannot remove nonexistent conditional user property. Name, origin",
                         APMLogContext(request.name()), APMLogContext(request.origin()));
      return true;
    }
    APMError deleteError;
    if (!database.deleteConditionalUserPropertyWithName(stored->name(), &deleteError)) {
      Log().logWithLevel(1, 11019, "Cannot delete conditional user property. Name, origin, error",
                         APMLogContext(stored->name()), APMLogContext(stored->origin()), APMLogContext(deleteError));
      return false;
    }
    if (stored->isActive() && !database.deleteUserAttributeWithName(stored->name(), &deleteError)) {
      Log().logWithLevel(1, 11020,
                         "Cannot remove conditional user property. Failed to delete the user property. Name, origin, "
                         "error",
                         APMLogContext(stored->name()), APMLogContext(stored->origin()), APMLogContext(deleteError));
      return false;
    }
    clearEvent = EventOfProperty(request.expiredEvent(), stored->origin(), Now());
    return true;
  });
  if (committed && clearEvent) engine.writeEventOnWorkerQueue(std::move(*clearEvent));
}

std::optional<std::vector<APMEvent>> APMConditionalUserPropertyController::processEventOnWorkerQueue(
    APMMeasurement& engine, const APMEvent& event) {
  APMScheduler::checkOnBackgroundThreadWithMethodName("processEventOnWorkerQueue:");
  if (!engine.database()) return std::nullopt;
  std::vector<APMEvent> timedOut;
  std::vector<APMEvent> expired;
  std::optional<std::vector<APMEvent>> triggered;
  bool committed = engine.database()->performTransaction([&] {
    timedOut.clear();
    expired.clear();
    triggered.reset();
    if (!removeTimedOutCUPWithTimedOutEvents(engine, &timedOut)) return false;
    if (!removeExpiredCUPWithExpiredEvents(engine, &expired)) return false;
    triggered = updateConditionalUserPropertiesWithEventNameOnWorkerQueue(engine, event.name());
    return triggered.has_value();
  });
  if (!committed) return std::nullopt;
  for (APMEvent& written : timedOut) engine.writeEventOnWorkerQueue(std::move(written));
  for (APMEvent& written : expired) engine.writeEventOnWorkerQueue(std::move(written));
  return triggered;
}

bool APMConditionalUserPropertyController::removeTimedOutCUPWithTimedOutEvents(APMMeasurement& engine,
                                                                               std::vector<APMEvent>* timedOutEvents) {
  APMScheduler::checkOnBackgroundThreadWithMethodName("removeTimedOutCUPWithTimedOutEvents:");
  APMDatabase& database = *engine.database();
  APMError error;
  auto properties = database.timedOutConditionalUserPropertiesWithError(&error);
  if (!properties) {
    Log().logWithLevel(1, 10001, "Cannot fetch timed out conditional user properties. Error", APMLogContext(error));
    return false;
  }
  double now = Now();
  for (const APMConditionalUserProperty& property : *properties) {
    Log().logWithLevel(7, 10002, "Conditional user property has timed out. Name", APMLogContext(property.name()));
    if (!database.deleteConditionalUserPropertyWithName(property.name(), &error)) {
      Log().logWithLevel(1, 10003, "Cannot delete timed out condition user property. Name, error",
                         APMLogContext(property.name()), APMLogContext(error));
      return false;
    }
    if (auto made = EventOfProperty(property.timedOutEvent(), property.origin(), now); made && timedOutEvents) {
      timedOutEvents->push_back(std::move(*made));
    }
  }
  return true;
}

bool APMConditionalUserPropertyController::removeExpiredCUPWithExpiredEvents(APMMeasurement& engine,
                                                                             std::vector<APMEvent>* expiredEvents) {
  APMScheduler::checkOnBackgroundThreadWithMethodName("removeExpiredCUPWithExpiredEvents:");
  APMDatabase& database = *engine.database();
  APMError error;
  auto properties = database.expiredConditionalUserPropertiesWithError(&error);
  if (!properties) {
    Log().logWithLevel(1, 10004, "Cannot fetch expired conditional user properties. Error", APMLogContext(error));
    return false;
  }
  double now = Now();
  for (const APMConditionalUserProperty& property : *properties) {
    Log().logWithLevel(7, 10005, "Conditional user property has expired. Name, expired event",
                       APMLogContext(property.name()),
                       APMLogContext(property.expiredEvent() ? property.expiredEvent()->name() : std::string()));
    if (!database.deleteUserAttributeWithName(property.name(), &error)) {
      Log().logWithLevel(1, 10006,
                         "Cannot remove conditional user property. Failed to delete the user property. Name, origin, "
                         "error",
                         APMLogContext(property.name()), APMLogContext(property.origin()), APMLogContext(error));
      return false;
    }
    if (!database.deleteConditionalUserPropertyWithName(property.name(), &error)) {
      Log().logWithLevel(1, 10007, "Cannot delete expired condition user property. Name, error",
                         APMLogContext(property.name()), APMLogContext(error));
      return false;
    }
    if (auto made = EventOfProperty(property.expiredEvent(), property.origin(), now); made && expiredEvents) {
      expiredEvents->push_back(std::move(*made));
    }
  }
  return true;
}

std::optional<std::vector<APMEvent>>
APMConditionalUserPropertyController::updateConditionalUserPropertiesWithEventNameOnWorkerQueue(
    APMMeasurement& engine, const std::string& eventName) {
  APMScheduler::checkOnBackgroundThreadWithMethodName("updateConditionalUserPropertiesBasedOnEventNameOnWorkerQueue:");
  APMDatabase& database = *engine.database();
  APMError error;
  auto properties = database.triggeredConditionalUserPropertiesWithEventName(eventName, &error);
  if (!properties) {
    Log().logWithLevel(1, 10008, "Cannot fetch triggering conditional user properties. Event name, error",
                       APMLogContext(eventName), APMLogContext(error));
    return std::nullopt;
  }
  std::vector<APMEvent> triggered;
  for (APMConditionalUserProperty& property : *properties) {
    double now = Now();
    std::optional<APMUserAttribute> attribute;
    if (property.value()) {
      attribute = APMUserAttribute::initWithOrigin(property.origin(), property.name(), *property.value(), now);
    }
    APMError writeError;
    if (attribute && database.updateUserAttribute(&*attribute, &writeError)) {
      Log().logWithLevel(7, 10010, "User property updated. Name, origin, value", APMLogContext(property.name()),
                         APMLogContext(property.origin()), ValueContext(property.value()));
    } else {
      Log().logWithLevel(1, 10009, "Cannot update user property from conditional user property. Name, origin, error",
                         APMLogContext(property.name()), APMLogContext(property.origin()), APMLogContext(writeError));
    }
    if (auto made = EventOfProperty(property.triggeredEvent(), property.origin(), now)) {
      triggered.push_back(std::move(*made));
    }
    property.setActive(true);
    property.setTriggeredTimestamp(now);
    if (!database.updateConditionalUserProperty(&property, &error)) {
      Log().logWithLevel(1, 10011, "Cannot update conditional user property. Name, origin, error",
                         APMLogContext(property.name()), APMLogContext(property.origin()), APMLogContext(error));
      return std::nullopt;
    }
  }
  return triggered;
}
