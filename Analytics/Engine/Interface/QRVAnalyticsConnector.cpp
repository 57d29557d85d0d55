#include "Analytics/Engine/Interface/QRVAnalyticsConnector.h"

#include <condition_variable>

#include "Analytics/Engine/APMConditionalUserProperty.h"
#include "Analytics/Engine/Interface/QRVAnalyticsCalls.h"
#include "Analytics/Engine/Interface/QRVConnectorUtils.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/QuorvaneCore/QRVApp.h"

namespace {

std::optional<double> NumberOf(const platform::Value& value) {
  if (auto d = value.getDouble()) return d;
  if (auto i = value.getInt()) return static_cast<double>(*i);
  return std::nullopt;
}

APMParameterObjects ObjectsFrom(const platform::Value::Dictionary& dictionary) {
  APMParameterObjects out;
  for (const auto& [key, value] : dictionary) out.emplace(key, value);
  return out;
}

// One record field from one dictionary entry; unknown keys and values of the
// wrong kind are left out (the record has nowhere to keep them).
void SetField(APMConditionalUserProperty& property, const std::string& key, const platform::Value& value) {
  const std::string* text = value.getString();
  const std::optional<double> number = NumberOf(value);
  if (key == "expiredEvent" || key == "timedOutEvent" || key == "triggeredEvent") {
    const platform::Value::Dictionary* d = value.getDictionary();
    if (!d) return;
    std::optional<APMEvent> event = QRVAnalyticsConnector::eventFromDictionary(*d);
    if (key == "expiredEvent") property.setExpiredEvent(std::move(event));
    if (key == "timedOutEvent") property.setTimedOutEvent(std::move(event));
    if (key == "triggeredEvent") property.setTriggeredEvent(std::move(event));
  } else if (key == "value") {
    property.setValue(text ? std::optional<APMValue>(APMValue(*text)) : APMValue::valueFromObject(value));
  } else if (key == "creationTimestamp") {
    if (number) property.setCreationTimestamp(*number);
  } else if (key == "name") {
    if (text) property.setName(*text);
  } else if (key == "origin") {
    if (text) property.setOrigin(*text);
  } else if (key == "triggerEventName") {
    if (text) property.setTriggerEventName(*text);
  } else if (key == "triggerTimeout") {
    if (number) property.setTriggerTimeout(*number);
  } else if (key == "timeToLive") {
    if (number) property.setTimeToLive(*number);
  } else if (key == "triggeredTimestamp") {
    if (number) property.setTriggeredTimestamp(*number);
  } else if (key == "active") {
    if (auto b = value.getBool()) property.setActive(*b);
  }
}

}  // namespace

const platform::DispatchQueuePtr& QRVAnalyticsConnector::connectorQueue() {
  static auto* queue =
      new platform::DispatchQueuePtr(platform::DispatchQueue::create("com.trivandel.analytics_connector.queue"));
  return *queue;
}

void QRVAnalyticsConnector::registerWithCore() {
  platform::QRVApp::registerInternalLibrary(kLibraryName, kLibraryVersion, [] { (void)makeComponent(); });
}

std::shared_ptr<QRVAnalyticsConnector> QRVAnalyticsConnector::makeComponent() {
  return std::make_shared<QRVAnalyticsConnector>();
}

void QRVAnalyticsConnector::logEventWithOrigin(const std::string& origin, const std::string& name,
                                               const APMParameterObjects& parameters) {
  if (!QRVConnectorUtils::isOriginAllowed(origin) || !QRVConnectorUtils::shouldLogEventWithName(name, parameters)) {
    return;
  }
  APMParameterObjects copy = parameters;
  if (name == "_cmp") {
    for (const char* integration : {"mxo", "dxo", "ixom", "rxo"}) {
      if (origin == integration) copy["_cis"] = platform::Value(origin + "_integration");
    }
  } else if (name == "_ae" && origin == "cxo") {
    copy["_r"] = platform::Value(1);
  }
  if (auto analytics = QRVAnalyticsCalls::installed()) analytics->logInternalEventWithOrigin(origin, name, copy);
}

void QRVAnalyticsConnector::setUserPropertyWithOrigin(const std::string& origin, const std::string& name,
                                                      const std::optional<platform::Value>& value) {
  if (!QRVConnectorUtils::isOriginAllowed(origin) || !QRVConnectorUtils::isUserPropertyAllowed(name, origin)) return;
  if (auto analytics = QRVAnalyticsCalls::installed()) analytics->setInternalUserProperty(value, name, origin);
}

void QRVAnalyticsConnector::getUserPropertiesWithCallback(
    std::function<void(const platform::Value::Dictionary&)> callback) {
  auto analytics = QRVAnalyticsCalls::installed();
  if (!analytics) return;
  analytics->userPropertiesIncludingInternal(
      true, connectorQueue(), [callback = std::move(callback)](const platform::Value::Dictionary& properties) {
        platform::Value::Dictionary allowed;
        for (const auto& [name, value] : properties) {
          if (QRVConnectorUtils::isUserPropertyAllowedForQuery(name)) allowed.emplace(name, value);
        }
        if (callback) callback(allowed);
      });
}

int32_t QRVAnalyticsConnector::maxUserProperties(const std::string& origin) {
  auto analytics = QRVAnalyticsCalls::installed();
  if (!analytics || connectorQueue()->isCurrent()) return 0;
  // Shared with the callback, which may come after the wait gave up.
  struct Answer {
    std::mutex mu;
    std::condition_variable cv;
    std::optional<int32_t> value;
  };
  auto answer = std::make_shared<Answer>();
  analytics->maxUserPropertiesForOrigin(origin, connectorQueue(), [answer](int32_t maximum) {
    {
      std::lock_guard<std::mutex> lock(answer->mu);
      answer->value = maximum;
    }
    answer->cv.notify_all();
  });
  std::unique_lock<std::mutex> lock(answer->mu);
  platform::WaitOnClock(lock, answer->cv, kMaxUserPropertiesWaitSeconds, [&] { return answer->value.has_value(); });
  return answer->value.value_or(0);
}

void QRVAnalyticsConnector::setConditionalUserProperty(const platform::Value::Dictionary& dictionary) {
  if (dictionary.empty()) return;
  APMConditionalUserProperty property;
  for (const auto& [key, value] : dictionary) SetField(property, key, value);
  if (auto analytics = QRVAnalyticsCalls::installed()) analytics->setConditionalUserProperty(property, property.name());
}

void QRVAnalyticsConnector::clearConditionalUserProperty(const std::string& propertyName, const std::string& origin,
                                                         const std::string& clearEventName,
                                                         const platform::Value::Dictionary& clearEventParameters) {
  (void)propertyName;
  if (clearEventParameters.empty()) return;
  const auto& [key, value] = *clearEventParameters.begin();
  if (key.empty() || value.isNull()) return;
  std::optional<APMEvent> clearEvent = eventWithOrigin(origin, clearEventName, {{key, value}});
  if (!clearEvent) return;
  if (auto analytics = QRVAnalyticsCalls::installed()) {
    analytics->clearConditionalUserPropertyWithClearEvent(*clearEvent, key);
  }
}

std::vector<platform::Value::Dictionary> QRVAnalyticsConnector::conditionalUserProperties(
    const std::string& origin, const std::string& propertyNamePrefix) {
  std::vector<platform::Value::Dictionary> out;
  auto analytics = QRVAnalyticsCalls::installed();
  if (!analytics) return out;
  for (const APMConditionalUserProperty& p : analytics->conditionalUserPropertiesWithNamePrefix(propertyNamePrefix, origin)) {
    const std::string* text = p.value() ? p.value()->stringPointer() : nullptr;
    if (p.name().empty() || !text) continue;
    out.push_back({{"name", p.name()}, {"value", *text}});
  }
  return out;
}

void QRVAnalyticsConnector::registerAnalyticsListener(const std::shared_ptr<Listener>& listener,
                                                      const std::string& origin) {
  if (!listener || !QRVConnectorUtils::isListenerOriginAllowed(origin)) return;
  {
    std::lock_guard<std::mutex> lock(mu_);
    listeners_[origin] = listener;
    if (logEventListener_) return;
  }
  auto analytics = QRVAnalyticsCalls::installed();
  if (!analytics) return;
  std::weak_ptr<QRVAnalyticsConnector> weakSelf = weak_from_this();
  const int64_t token = analytics->addLogEventListener([weakSelf](const APMEvent& event) {
    if (auto self = weakSelf.lock()) self->eventLogged(event);
  });
  std::lock_guard<std::mutex> lock(mu_);
  if (logEventListener_ || listeners_.empty()) {
    // Another thread registered one meanwhile, or the origin left again.
    analytics->removeLogEventListener(token);
    return;
  }
  logEventListener_ = token;
}

void QRVAnalyticsConnector::unregisterAnalyticsListenerWithOrigin(const std::string& origin) {
  std::optional<int64_t> token;
  {
    std::lock_guard<std::mutex> lock(mu_);
    listeners_.erase(origin);
    if (!listeners_.empty()) return;
    token = logEventListener_;
    logEventListener_.reset();
  }
  if (!token) return;
  if (auto analytics = QRVAnalyticsCalls::installed()) analytics->removeLogEventListener(*token);
}

std::shared_ptr<QRVAnalyticsConnector::Listener> QRVAnalyticsConnector::listenerFor(const std::string& origin) const {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = listeners_.find(origin);
  return it == listeners_.end() ? nullptr : it->second;
}

void QRVAnalyticsConnector::eventLogged(const APMEvent& event) {
  if (!QRVConnectorUtils::isEventNameAllowedForListeners(event.name())) return;
  const std::string origin = event.origin();
  if (!listenerFor(origin) && !QRVConnectorUtils::isAppOrigin(origin)) return;
  std::weak_ptr<QRVAnalyticsConnector> weakSelf = weak_from_this();
  connectorQueue()->async([weakSelf, origin, name = event.name(), parameters = event.parameters()] {
    platform::Value::Dictionary simplified = simplifiedParametersFromEventParameters(parameters);
    platform::DispatchQueue::main()->async([weakSelf, origin, name, simplified = std::move(simplified)] {
      auto self = weakSelf.lock();
      if (!self) return;
      if (auto own = self->listenerFor(origin)) {
        own->messageTriggered(name, simplified);
        return;
      }
      // An app event: every registered listener hears it.
      std::vector<std::shared_ptr<Listener>> all;
      {
        std::lock_guard<std::mutex> lock(self->mu_);
        for (const auto& [o, listener] : self->listeners_) all.push_back(listener);
      }
      for (const auto& listener : all) listener->messageTriggered(name, simplified);
    });
  });
}

platform::Value::Dictionary QRVAnalyticsConnector::simplifiedParametersFromEventParameters(
    const APMEvent::Parameters& parameters) {
  platform::Value::Dictionary out;
  for (const auto& [key, value] : parameters) {
    if (value.isDouble()) {
      out.emplace(key, value.doubleValue());
    } else if (value.isInt64()) {
      out.emplace(key, value.int64Value());
    } else if (const std::string* text = value.stringPointer()) {
      out.emplace(key, *text);
    }
  }
  return out;
}

std::optional<APMEvent> QRVAnalyticsConnector::eventFromDictionary(const platform::Value::Dictionary& dictionary) {
  auto text = [&](const char* key) -> std::string {
    auto it = dictionary.find(key);
    const std::string* s = it == dictionary.end() ? nullptr : it->second.getString();
    return s ? *s : std::string();
  };
  double timestamp = platform::Clock::nowSeconds();
  if (auto it = dictionary.find("timestamp"); it != dictionary.end()) {
    if (std::optional<double> t = NumberOf(it->second)) timestamp = *t;
  }
  APMParameterObjects parameters;
  if (auto it = dictionary.find("parameters"); it != dictionary.end()) {
    if (const platform::Value::Dictionary* d = it->second.getDictionary()) parameters = ObjectsFrom(*d);
  }
  return APMEvent::initWithOrigin(text("origin"), false, text("name"), timestamp, 0, parameters);
}

std::optional<APMEvent> QRVAnalyticsConnector::eventWithOrigin(const std::string& origin, const std::string& eventName,
                                                               const APMParameterObjects& parameters) {
  std::optional<APMEvent> event =
      APMEvent::initWithOrigin(origin, false, eventName, platform::Clock::nowSeconds(), 0, parameters);
  if (!event) return std::nullopt;
  return event->copy();
}

std::vector<std::string> QRVAnalyticsConnector::listenerOrigins() const {
  std::lock_guard<std::mutex> lock(mu_);
  std::vector<std::string> out;
  for (const auto& [origin, listener] : listeners_) out.push_back(origin);
  return out;
}

bool QRVAnalyticsConnector::hasLogEventListener() const {
  std::lock_guard<std::mutex> lock(mu_);
  return logEventListener_.has_value();
}
