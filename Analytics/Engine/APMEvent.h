// The engine's one in-memory event: what the public interface logs, what the
// engine creates for itself, what is stored as a raw event and what goes into
// an upload bundle. Owns the sanitised parameter dictionary, in which the
// conversion ("_c"), real-time ("_r") and debug ("_dbg") flags and the origin
// ("_o") ride. Converts to and from the wire event and the program event.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "Analytics/Protobuf/APMPBMessage.h"
#include "Analytics/Storage/APMValue.h"

class APMPEvent;

// Caller parameters: plain objects or values already typed.
using APMParameterObject = std::variant<platform::Value, APMValue>;
using APMParameterObjects = std::map<std::string, APMParameterObject, std::less<>>;

class APMEvent {
 public:
  using Parameters = std::map<std::string, APMValue, std::less<>>;

  // None for an origin or name that fails validation. The parameters are
  // sanitised for the name; "_o" always holds the origin.
  static std::optional<APMEvent> initWithOrigin(const std::string& origin, bool isPublic, const std::string& name,
                                                double timestamp, double previousTimestamp,
                                                const APMParameterObjects& parameters);
  static std::optional<APMEvent> initWithOrigin(const std::string& origin, bool isPublic, const std::string& name,
                                                double timestamp, double previousTimestamp,
                                                const Parameters& parameters);
  // The same, moving the parameters that pass instead of copying them.
  static std::optional<APMEvent> initWithOrigin(const std::string& origin, bool isPublic, const std::string& name,
                                                double timestamp, double previousTimestamp,
                                                APMParameterObjects&& parameters);
  static std::optional<APMEvent> initWithOrigin(const std::string& origin, bool isPublic, const std::string& name,
                                                double timestamp, double previousTimestamp, Parameters&& parameters);
  // None when the "_o" parameter is not a string or the event fails validation.
  static std::optional<APMEvent> initWithEventProto(const APMPBEvent& proto);
  // Name mapped back to the internal spelling; origin from "_o", else "app".
  static std::optional<APMEvent> eventFromEditEvent(const APMPEvent& editEvent);

  // Copies run the (non-public) initialiser again.
  std::optional<APMEvent> copyWithPreviousTimestamp(double previousTimestamp) const;
  std::optional<APMEvent> copyWithParameters(const Parameters& parameters) const;
  std::optional<APMEvent> copy() const;

  const std::string& origin() const { return origin_; }
  const std::string& name() const { return name_; }
  // Seconds since 1970.
  double timestamp() const { return timestamp_; }
  // Last time an event of this name was bundled; 0 when never.
  double previousTimestamp() const { return previousTimestamp_; }
  const Parameters& parameters() const { return parameters_; }
  const APMValue* parameter(std::string_view key) const {
    auto it = parameters_.find(key);
    return it == parameters_.end() ? nullptr : &it->second;
  }

  bool shouldValidateParams() const;
  bool isConversion() const;
  // YES only when value and currency pass; NO records error 10 if none is set.
  void setConversion(bool conversion);
  bool isRealtime() const;
  void setRealtime(bool realtime);
  bool isDebug() const;
  void setDebug(bool debug);

  // Sanitised defaults under the event's own parameters.
  void applyParameters(const APMParameterObjects& defaults);
  // Adds "_si" (required), "_sc" and "_sn" unless the event has any already.
  bool addScreenParameters(const APMParameterObjects& screenParameters);

  // Times as milliseconds, multiplied and saturated (NaN gives 0).
  std::shared_ptr<APMPBEvent> protoEvent() const;
  APMPEvent editEvent() const;

 protected:
  APMEvent(std::string origin, std::string name, double timestamp, double previousTimestamp, Parameters parameters)
      : parameters_(std::move(parameters)),
        origin_(std::move(origin)),
        name_(std::move(name)),
        timestamp_(timestamp),
        previousTimestamp_(previousTimestamp) {}

 private:
  static std::optional<APMEvent> withSanitizedParameters(const std::string& origin, const std::string& name,
                                                         double timestamp, double previousTimestamp,
                                                         std::optional<Parameters> sanitized);
  bool flag(std::string_view key) const;

  Parameters parameters_;
  std::string origin_;
  std::string name_;
  double timestamp_;
  double previousTimestamp_;
};

// The public spelling of the event class; adds nothing.
class QRVAEvent : public APMEvent {
 public:
  explicit QRVAEvent(APMEvent event) : APMEvent(std::move(event)) {}
};
