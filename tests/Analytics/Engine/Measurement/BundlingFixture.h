// A started engine with raw events written straight into its database under
// one stored metadata record, bundling run on the worker queue, and the
// queued bundles read back (inflated and decoded with the test wire reader).
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/APMDataAdditions.h"
#include "Analytics/Engine/APMMeasurement.h"
#include "tests/Analytics/Engine/Measurement/MeasurementFixture.h"
#include "tests/support/MeasurementBatchReader.h"

namespace measurement_test {

// 2023-11-14 22:00:00 UTC: the start of the clock hour the fixture's clock is in.
inline constexpr double kHourStart = 1699999200.0;

// Wire numbers of bundle fields the reader does not name.
namespace extrafield {
inline constexpr std::uint32_t kSessionStitchingToken = 63;
inline constexpr std::uint32_t kEphemeralAppInstanceId = 65;
}  // namespace extrafield

// One raw event to store.
struct Raw {
  std::string name;
  double time = kHourStart;
  APMParameterObjects parameters = {};
  bool conversion = false;
  bool realtime = false;
};

class BundlingFixture : public MeasurementFixture {
 protected:
  void SetUp() override {
    MeasurementFixture::SetUp();
    start();
    if (HasFatalFailure()) return;
    forgetFirstLaunch();
    fingerprint_ = storeMetadata();
  }

  // The engine's metadata for no user attributes, stored; its fingerprint.
  int64_t storeMetadata() {
    int64_t fingerprint = 0;
    onWorker([&] {
      metadata_ = engine_->createRawEventMetadataWithUserAttributes({});
      ASSERT_TRUE(metadata_);
      ASSERT_TRUE(engine_->database()->insertIfNotExistsRawEventMetadata(metadata_.get(), nullptr));
      fingerprint = apm_64LSBMD5(*metadata_->protoBuffer());
    });
    return fingerprint;
  }

  // As intake writes them: the metadata (again, once its last raw event
  // left) and then the rows.
  void insert(const std::vector<Raw>& raws) {
    onWorker([&] {
      ASSERT_TRUE(engine_->database()->insertIfNotExistsRawEventMetadata(metadata_.get(), nullptr));
      for (const auto& raw : raws) {
        auto event = APMEvent::initWithOrigin("app", false, raw.name, raw.time, 0, raw.parameters);
        ASSERT_TRUE(event) << raw.name;
        if (raw.conversion) event->setConversion(true);
        if (raw.realtime) event->setRealtime(true);
        ASSERT_TRUE(engine_->database()->insertRawEvent(&*event, fingerprint_, raw.realtime, nullptr));
      }
    });
  }
  // A row whose data does not decode as an event.
  void insertUndecodable(double time) {
    onWorker([&] { engine_->database()->insertIfNotExistsRawEventMetadata(metadata_.get(), nullptr); });
    sql("INSERT INTO raw_events (name, timestamp, metadata_fingerprint, data) VALUES ('broken', " +
        std::to_string(time) + ", " + std::to_string(fingerprint_) + ", x'0a')");
  }

  bool bundleOnce() {
    bool consumed = false;
    onWorker([&] { consumed = engine_->bundleRawEvents(); });
    return consumed;
  }
  // Bundles until nothing more is consumed; the number of consuming runs.
  int bundleAll() {
    int runs = 0;
    while (runs < 100 && bundleOnce()) ++runs;
    return runs;
  }

  std::vector<testsupport::DecodedBundle> queued() {
    std::vector<testsupport::DecodedBundle> bundles;
    if (reader_ == nullptr) sql("SELECT 1");
    sqlite3_stmt* statement = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(reader_, "SELECT data FROM queue ORDER BY rowid", -1, &statement, nullptr),
              SQLITE_OK);
    while (sqlite3_step(statement) == SQLITE_ROW) {
      std::string stored(static_cast<const char*>(sqlite3_column_blob(statement, 0)),
                         static_cast<size_t>(sqlite3_column_bytes(statement, 0)));
      auto bytes = testsupport::MeasurementBatchReader::gunzip(stored);
      EXPECT_TRUE(bytes) << "a queued bundle is not gzip";
      if (!bytes) continue;
      // One bundle as a batch of one: field 1, length-delimited.
      std::string batch = "\x0a";
      for (uint64_t length = bytes->size(); ; length >>= 7) {
        if (length < 0x80) {
          batch += static_cast<char>(length);
          break;
        }
        batch += static_cast<char>((length & 0x7f) | 0x80);
      }
      batch += *bytes;
      std::string error;
      auto decoded = testsupport::MeasurementBatchReader::read(batch, &error);
      EXPECT_TRUE(decoded) << error;
      if (decoded && decoded->bundles.size() == 1) bundles.push_back(std::move(decoded->bundles[0]));
    }
    sqlite3_finalize(statement);
    return bundles;
  }

  static std::vector<std::string> names(const testsupport::DecodedBundle& bundle) {
    std::vector<std::string> result;
    for (const auto& event : bundle.events) result.push_back(event.name);
    return result;
  }
  // The event names of every queued bundle, bundle by bundle.
  std::vector<std::vector<std::string>> queuedNames() {
    std::vector<std::vector<std::string>> result;
    for (const auto& bundle : queued()) result.push_back(names(bundle));
    return result;
  }

  static std::optional<int64_t> intParam(const testsupport::DecodedEvent& event, const std::string& name) {
    const auto* param = event.param(name);
    return param != nullptr ? param->intValue : std::nullopt;
  }
  static std::optional<int64_t> attribute(const testsupport::DecodedBundle& bundle, const std::string& name) {
    for (const auto& attribute : bundle.userAttributes) {
      if (attribute.name == name) return attribute.intValue;
    }
    return std::nullopt;
  }

  // A fetched configuration with these settings and event entries.
  void configure(std::map<std::string, std::string> settings, const std::vector<ConfigBuilder::Event>& events = {}) {
    // Without any setting a configuration keeps the defaults and ignores its event entries.
    settings.emplace("measurement.upload.interval", "3600");
    applyConfig(ConfigBuilder()
                    .settings(std::vector<std::pair<std::string, std::string>>(settings.begin(), settings.end()))
                    .events(events));
  }

  std::shared_ptr<APMPBMeasurementBundle> metadata_;
  int64_t fingerprint_ = 0;
};

}  // namespace measurement_test
