// A started engine whose measurement and ads-conversion hosts both point at
// the loopback collector, with a small protobuf wire writer and reader of the
// test's own (field numbers as the wire has them, independent of the
// engine's message descriptors).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/Bundle.h"
#include "Platform/StoreKit/SKAdNetwork.h"
#include "Platform/UIKit/Device.h"
#include "tests/Analytics/Engine/Measurement/UploadFixture.h"

namespace measurement_test {

// One protobuf message as written by hand: varint and length-delimited fields.
class WireWriter {
 public:
  WireWriter& varint(uint32_t number, uint64_t value) {
    key(number, 0);
    put(value);
    return *this;
  }
  WireWriter& text(uint32_t number, const std::string& value) {
    key(number, 2);
    put(value.size());
    bytes_ += value;
    return *this;
  }
  const std::string& bytes() const { return bytes_; }

 private:
  void key(uint32_t number, int type) { put((static_cast<uint64_t>(number) << 3) | static_cast<uint64_t>(type)); }
  void put(uint64_t value) {
    while (value >= 0x80) {
      bytes_.push_back(static_cast<char>((value & 0x7f) | 0x80));
      value >>= 7;
    }
    bytes_.push_back(static_cast<char>(value));
  }
  std::string bytes_;
};

// Varint and length-delimited fields by number (the last occurrence wins);
// none when the bytes do not read as a message of those two kinds.
struct WireFields {
  std::map<uint32_t, uint64_t> varints;
  std::map<uint32_t, std::string> texts;

  static std::optional<WireFields> read(const std::string& data) {
    WireFields fields;
    size_t at = 0;
    auto next = [&](uint64_t& out) {
      out = 0;
      for (int shift = 0; shift < 64 && at < data.size(); shift += 7) {
        const auto byte = static_cast<uint8_t>(data[at++]);
        out |= static_cast<uint64_t>(byte & 0x7f) << shift;
        if ((byte & 0x80) == 0) return true;
      }
      return false;
    };
    while (at < data.size()) {
      uint64_t key = 0;
      if (!next(key)) return std::nullopt;
      const auto number = static_cast<uint32_t>(key >> 3);
      if ((key & 7) == 0) {
        uint64_t value = 0;
        if (!next(value)) return std::nullopt;
        fields.varints[number] = value;
      } else if ((key & 7) == 2) {
        uint64_t length = 0;
        if (!next(length) || length > data.size() - at) return std::nullopt;
        fields.texts[number] = data.substr(at, length);
        at += length;
      } else {
        return std::nullopt;
      }
    }
    return fields;
  }
};

class AttributionFixture : public UploadFixture {
 protected:
  void SetUp() override {
    storekit::SKAdNetwork::reset();
    UploadFixture::SetUp();
    if (HasFatalFailure()) return;
    pointServicesAtCollector(collector_.hostAndPort());
  }

  void TearDown() override {
    UploadFixture::TearDown();
    storekit::SKAdNetwork::reset();
  }

  // Measurement and ads-conversion requests go to host (the collector's
  // certificate trusted), or the ads host is given as it is.
  void pointServicesAtCollector(const std::string& host, std::optional<std::string> adsHost = std::nullopt) {
    Value::Dictionary values{{platform::Deployment::kTrustedCertificatesFileKey, Value(collector_.certificateFile())},
                             {platform::Deployment::kMeasurementServiceHostKey, Value(host)},
                             {platform::Deployment::kAdsConversionServiceHostKey, Value(adsHost.value_or(host))}};
    const std::string path = root_.path() + "/deployment.plist";
    ASSERT_TRUE(platform::PropertyList::writeFile(path, Value(values)).ok());
    platform::ProcessInfo::processInfo().setEnvironmentValueForTesting(platform::Deployment::kEnvironmentVariable,
                                                                       path);
    platform::Deployment::resetForTesting();
  }

  static void setSystemVersion(const std::string& version) {
    uikit::DeviceProfile profile = uikit::DeviceProfile::phone390x844();
    profile.systemVersion = version;
    uikit::Device::setCurrent(profile);
  }

  // Adds keys to the app's Info.plist.
  static void addInfoPlistValues(const Value::Dictionary& values) {
    Value::Dictionary info = platform::Bundle::main().infoDictionary();
    for (const auto& [key, value] : values) info[key] = value;
    platform::Bundle::main().setInfoDictionaryOverride(info);
  }

  // Waits (real time) until the route saw n requests, then for the replies.
  bool waitForRoute(Route route, std::size_t n) {
    const bool arrived = clock_->runUntil([&] { return collector_.requests(route).size() >= n; }, 30);
    EXPECT_TRUE(arrived) << "requests: " << collector_.requests(route).size() << " of " << n;
    waitForReplies();
    return arrived;
  }

  std::vector<APMEvent> rawEventsNamed(const std::string& name) {
    std::vector<APMEvent> out;
    for (auto& event : rawEvents()) {
      if (event.name() == name) out.push_back(std::move(event));
    }
    return out;
  }

  // A stored user attribute's text value.
  std::optional<std::string> attributeText(const std::string& name) {
    return readOnWorker<std::optional<std::string>>([&]() -> std::optional<std::string> {
      APMError error;
      auto attribute = engine_->database()->userAttributeWithName(name, &error);
      if (!attribute || !attribute->value().isString()) return std::nullopt;
      return *attribute->value().stringPointer();
    });
  }

  static std::optional<std::string> textParameter(const APMEvent& event, const std::string& key) {
    const APMValue* value = event.parameter(key);
    if (value == nullptr || !value->isString()) return std::nullopt;
    return *value->stringPointer();
  }
  static std::optional<int64_t> intParameter(const APMEvent& event, const std::string& key) {
    const APMValue* value = event.parameter(key);
    if (value == nullptr || !value->isInt64()) return std::nullopt;
    return value->int64Value();
  }
};

}  // namespace measurement_test
