// Measurement configuration messages as the service would send them, for
// the tests of the remote configuration and of the engine that reads it, the
// engine's benchmarks and apm-sim.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Analytics/Interpreter/Messages/APMPProgramMessageConverter.h"
#include "Analytics/Interpreter/Notation/APMPTestNotation.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Protobuf/APMPBMessage.h"

namespace measurement_config {

inline constexpr const char* kConfigAppID = "1:1234567890:ios:00aa11bb22cc";

template <class T>
std::shared_ptr<T> Message() {
  return T::initWithMessageInfo(nullptr);
}

// A configuration message as the service would send it; Encoded() hands it
// through its wire form.
struct ConfigBuilder {
  std::shared_ptr<APMPBMeasurementConfig> config = Message<APMPBMeasurementConfig>();

  explicit ConfigBuilder(const std::string& appID = kConfigAppID) { APMPBSetString(config.get(), 1, appID); }
  ConfigBuilder& version(int64_t v) {
    APMPBSetInt64(config.get(), 0, v);
    return *this;
  }
  ConfigBuilder& settings(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::vector<std::shared_ptr<APMPBSetting>> list;
    for (const auto& [key, value] : entries) {
      auto setting = Message<APMPBSetting>();
      APMPBSetString(setting.get(), 0, key);
      APMPBSetString(setting.get(), 1, value);
      list.push_back(setting);
    }
    APMPBSetMessageArray(config.get(), 3, list);
    return *this;
  }
  struct Event {
    std::string name;
    std::optional<bool> blocked;
    std::optional<bool> customConversion;
    std::optional<int32_t> samplingRate;
  };
  ConfigBuilder& events(const std::vector<Event>& entries) {
    std::vector<std::shared_ptr<APMPBEventConfig>> list;
    for (const auto& e : entries) {
      auto event = Message<APMPBEventConfig>();
      APMPBSetString(event.get(), 0, e.name);
      if (e.blocked) APMPBSetBool(event.get(), 1, *e.blocked);
      if (e.customConversion) APMPBSetBool(event.get(), 2, *e.customConversion);
      if (e.samplingRate) APMPBSetInt32(event.get(), 3, *e.samplingRate);
      list.push_back(event);
    }
    APMPBSetMessageArray(config.get(), 4, list);
    return *this;
  }
  ConfigBuilder& adsAppID(const std::string& id) {
    APMPBSetString(config.get(), 6, id);
    return *this;
  }
  // Programs in the interpreter's JSON notation.
  ConfigBuilder& programs(const std::vector<std::string>& texts) {
    std::vector<std::shared_ptr<APMPBProgram>> list;
    for (const auto& text : texts) {
      APMPProgram program;
      std::string error;
      if (!APMPTestNotation::parseProgramText(text, &program, &error)) {
        // A program written into a test or scenario that does not parse is
        // that caller's mistake, not a case to go on with.
        std::fprintf(stderr, "ConfigBuilder: program does not parse: %s\n", error.c_str());
        std::abort();
      }
      list.push_back(APMPProgramMessageConverter::messageFromProgram(program));
    }
    APMPBSetMessageArray(config.get(), 8, list);
    return *this;
  }
  ConfigBuilder& dataControls(const std::vector<std::string>& names) {
    std::vector<std::shared_ptr<APMPBDataControl>> list;
    for (const auto& name : names) {
      auto control = Message<APMPBDataControl>();
      APMPBSetString(control.get(), 0, name);
      list.push_back(control);
    }
    APMPBSetMessageArray(config.get(), 9, list);
    return *this;
  }
  ConfigBuilder& uploadHostPrefix(const std::string& prefix) {
    APMPBSetString(config.get(), 10, prefix);
    return *this;
  }
  ConfigBuilder& consent(const std::vector<std::pair<int32_t, int32_t>>& defaults,
                         const std::vector<std::pair<int32_t, int32_t>>& delegations,
                         const std::vector<std::string>& services, bool dmaRegion) {
    auto consent = Message<APMPBConsentConfig>();
    std::vector<std::shared_ptr<APMPBConsentDefaultEntry>> defaultList;
    for (const auto& [type, status] : defaults) {
      auto entry = Message<APMPBConsentDefaultEntry>();
      APMPBSetInt32(entry.get(), 0, type);
      APMPBSetInt32(entry.get(), 1, status);
      defaultList.push_back(entry);
    }
    APMPBSetMessageArray(consent.get(), 0, defaultList);
    std::vector<std::shared_ptr<APMPBConsentDelegationEntry>> delegationList;
    for (const auto& [type, delegate] : delegations) {
      auto entry = Message<APMPBConsentDelegationEntry>();
      APMPBSetInt32(entry.get(), 0, type);
      APMPBSetInt32(entry.get(), 1, delegate);
      delegationList.push_back(entry);
    }
    APMPBSetMessageArray(consent.get(), 1, delegationList);
    std::vector<std::shared_ptr<APMPBCorePlatformServiceEntry>> serviceList;
    for (const auto& name : services) {
      auto entry = Message<APMPBCorePlatformServiceEntry>();
      APMPBSetString(entry.get(), 0, name);
      serviceList.push_back(entry);
    }
    APMPBSetMessageArray(consent.get(), 2, serviceList);
    APMPBSetBool(consent.get(), 3, dmaRegion);
    APMPBSetMessage(config.get(), 14, consent.get());
    return *this;
  }
  ConfigBuilder& psm(std::optional<int32_t> email, std::optional<int32_t> phone, std::optional<int32_t> delay) {
    auto psm = Message<APMPBPsmSetting>();
    if (email) APMPBSetInt32(psm.get(), 0, *email);
    if (phone) APMPBSetInt32(psm.get(), 1, *phone);
    if (delay) APMPBSetInt32(psm.get(), 2, *delay);
    APMPBSetMessage(config.get(), 15, psm.get());
    return *this;
  }
  // The wire form; empty when the message does not encode.
  std::string bytes() const {
    auto data = config->protoBuffer();
    return data ? std::string(data->begin(), data->end()) : std::string();
  }
  // The message read back from its wire form; null when that fails.
  std::shared_ptr<APMPBMeasurementConfig> Encoded() const {
    auto data = config->protoBuffer();
    return data ? APMPBMeasurementConfig::initWithBuffer(*data) : nullptr;
  }
};

}  // namespace measurement_config
