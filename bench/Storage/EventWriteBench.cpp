// 10,000 events of 10 parameters through the write path of the measurement
// database (metadata and raw-event inserts, aggregates and daily counts read
// and updated, one transaction per 100 events) beside hand-written sqlite3
// code that runs the same statements in the same order, prepared once, and
// encodes, decodes and hashes the same bytes with nanopb and libcrypto. Both
// files run in WAL mode with synchronous=NORMAL. Target: the database keeps
// at least 40% of the hand-written rate.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <pb_decode.h>
#include <pb_encode.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMEvent.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Protobuf/apm_upload.nanopb.h"
#include "Analytics/Storage/APMDatabase.h"
#include "Platform/Foundation/TemporaryDataRoot.h"

namespace {

constexpr int kEvents = 10000;
constexpr int kPerTransaction = 100;
constexpr double kStart = 1700000000.0;

struct Param {
  std::string name;
  int kind;  // 0 string, 1 int64, 2 double
  std::string text;
  int64_t integer = 0;
  double number = 0;
};

struct PlainEvent {
  std::string name;
  double timestamp;
  std::vector<Param> params;  // in name order, "_o" included, as the event stores them
};

// Appends instead of prefixing a literal: GCC 12 misreads the prefix insert.
std::string Numbered(const char* prefix, int n) { return std::string(prefix).append(std::to_string(n)); }

std::vector<PlainEvent> MakeEvents() {
  std::vector<PlainEvent> events;
  events.reserve(kEvents);
  for (int i = 0; i < kEvents; ++i) {
    PlainEvent event{Numbered("event", i % 20), kStart + i, {}};
    event.params.push_back({"_o", 0, "app"});
    for (int k = 0; k < 2; ++k) event.params.push_back({Numbered("d", k), 2, "", 0, i * 0.25 + k});
    for (int k = 0; k < 3; ++k) event.params.push_back({Numbered("n", k), 1, "", int64_t{i} * 31 + k});
    for (int k = 0; k < 5; ++k) {
      event.params.push_back({Numbered("s", k), 0, std::string(10 + (i + k) % 11, static_cast<char>('a' + k))});
    }
    events.push_back(std::move(event));
  }
  return events;
}

APMEvent ToEvent(const PlainEvent& plain) {
  APMParameterObjects parameters;
  for (const Param& param : plain.params) {
    if (param.name == "_o") continue;
    if (param.kind == 0) parameters.emplace(param.name, platform::Value(param.text));
    if (param.kind == 1) parameters.emplace(param.name, platform::Value(param.integer));
    if (param.kind == 2) parameters.emplace(param.name, platform::Value(param.number));
  }
  return *APMEvent::initWithOrigin("app", false, plain.name, plain.timestamp, 0, parameters);
}

std::shared_ptr<APMPBMeasurementBundle> Metadata() {
  auto bundle = std::make_shared<APMPBMeasurementBundle>();
  APMPBSetString(bundle.get(), 14, "1:1234567890:ios:abcdef");
  return bundle;
}

void BM_EventWritesThroughDatabase(benchmark::State& state) {
  platform::TemporaryDataRoot root;
  auto plain = MakeEvents();
  std::vector<APMEvent> events;
  events.reserve(plain.size());
  for (const auto& event : plain) events.push_back(ToEvent(event));
  auto metadata = Metadata();
  auto database = APMDatabase::initWithDatabaseName(APMDatabase::kDatabaseName, nullptr, nullptr);
  for (auto _ : state) {
    state.PauseTiming();
    database->reset(nullptr);
    state.ResumeTiming();
    for (int start = 0; start < kEvents; start += kPerTransaction) {
      bool ok = database->performTransaction([&] {
        for (int i = start; i < start + kPerTransaction; ++i) {
          const APMEvent& event = events[static_cast<size_t>(i)];
          if (!database->insertIfNotExistsRawEventMetadata(metadata.get(), nullptr)) return false;
          if (!database->insertRawEvent(&event, 1, false, nullptr)) return false;
          auto aggregates = database->eventAggregatesWithName(event.name(), nullptr);
          if (!aggregates) aggregates = APMEventAggregates::initWithName(event.name(), 0, 0, 0, 0);
          aggregates->incrementLifetimeCount();
          aggregates->incrementCurrentBundleCount();
          aggregates->setLastFireTimestamp(event.timestamp());
          if (!database->updateEventAggregates(&*aggregates, nullptr)) return false;
          auto counts = database->dailyCounts(nullptr);
          if (!counts) return false;
          counts->incrementCountsForCurrentDay(counts->day(), true, false);
          if (!database->updateDailyCounts(&*counts, nullptr)) return false;
        }
        return true;
      });
      if (!ok) state.SkipWithError("write failed");
    }
  }
  state.SetItemsProcessed(state.iterations() * kEvents);
}

// ---- The hand-written side ----

bool EncodeText(pb_ostream_t* stream, const pb_field_t* field, void* const* arg) {
  const auto* text = static_cast<const std::string*>(*arg);
  return pb_encode_tag_for_field(stream, field) &&
         pb_encode_string(stream, reinterpret_cast<const pb_byte_t*>(text->data()), text->size());
}

bool EncodeParams(pb_ostream_t* stream, const pb_field_t* field, void* const* arg) {
  const auto* params = static_cast<const std::vector<Param>*>(*arg);
  for (const Param& p : *params) {
    apm_EventParam param = apm_EventParam_init_zero;
    param.name.funcs.encode = EncodeText;
    param.name.arg = const_cast<std::string*>(&p.name);
    if (p.kind == 0) {
      param.string_value.funcs.encode = EncodeText;
      param.string_value.arg = const_cast<std::string*>(&p.text);
    } else if (p.kind == 1) {
      param.has_int_value = true;
      param.int_value = p.integer;
    } else {
      param.has_double_value = true;
      param.double_value = p.number;
    }
    if (!pb_encode_tag_for_field(stream, field) || !pb_encode_submessage(stream, apm_EventParam_fields, &param)) {
      return false;
    }
  }
  return true;
}

template <typename Message>
std::vector<uint8_t> Encode(const pb_msgdesc_t* fields, const Message& message) {
  size_t size = 0;
  pb_get_encoded_size(&size, fields, &message);
  std::vector<uint8_t> bytes(size);
  auto stream = pb_ostream_from_buffer(bytes.data(), bytes.size());
  pb_encode(&stream, fields, &message);
  return bytes;
}

int64_t Fingerprint(const std::vector<uint8_t>& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr);
  uint64_t value = 0;
  for (unsigned int i = length - 8; i < length; ++i) value = (value << 8) | digest[i];
  return static_cast<int64_t>(value);
}

struct Statements {
  sqlite3* db = nullptr;
  std::vector<sqlite3_stmt*> all;
  sqlite3_stmt* prepare(const char* sql) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    all.push_back(statement);
    return statement;
  }
  ~Statements() {
    for (auto* statement : all) sqlite3_finalize(statement);
  }
};

bool StepDone(sqlite3_stmt* statement) {
  bool ok = sqlite3_step(statement) == SQLITE_DONE;
  sqlite3_reset(statement);
  return ok;
}

int64_t StepCount(sqlite3_stmt* statement) {
  int64_t count = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
  sqlite3_reset(statement);
  return count;
}

void BM_EventWritesHandWritten(benchmark::State& state) {
  auto events = MakeEvents();
  std::string appID = "1:1234567890:ios:abcdef";
  std::string path = "/tmp/bench_event_writes_" + std::to_string(getpid()) + ".sql";
  for (auto _ : state) {
    state.PauseTiming();
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) std::remove((path + suffix).c_str());
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db,
                 "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                 "CREATE TABLE app_metadata (last_bundle_index INTEGER NOT NULL, last_bundle_end_timestamp REAL NOT "
                 "NULL, last_bundle_start_timestamp REAL, day INTEGER, daily_conversions_count INTEGER, "
                 "daily_events_count INTEGER, daily_public_events_count INTEGER, daily_error_events_count INTEGER, "
                 "remote_config_data BLOB, remote_config_timestamp REAL, daily_real_time_conversion_events_count "
                 "INTEGER);"
                 "INSERT INTO app_metadata (rowid, last_bundle_index, last_bundle_end_timestamp) VALUES (1, 0, 0);"
                 "CREATE TABLE raw_events_metadata (metadata_fingerprint INTEGER NOT NULL PRIMARY KEY, metadata BLOB "
                 "NOT NULL);"
                 "CREATE TABLE raw_events (name TEXT NOT NULL, timestamp REAL NOT NULL, metadata_fingerprint INTEGER "
                 "NOT NULL, data BLOB NOT NULL, is_realtime INTEGER);"
                 "CREATE INDEX raw_events_timestamp ON raw_events (timestamp);"
                 "CREATE INDEX raw_events_fingerprint ON raw_events (metadata_fingerprint);"
                 "CREATE INDEX raw_events_realtime ON raw_events (is_realtime) WHERE is_realtime = 1;"
                 "CREATE TABLE events (name TEXT NOT NULL PRIMARY KEY, lifetime_count INTEGER NOT NULL, "
                 "current_bundle_count INTEGER NOT NULL, last_fire_timestamp REAL NOT NULL, last_bundled_timestamp "
                 "REAL, last_sampled_complex_event_id INTEGER, last_sampling_rate INTEGER, last_exempt_from_sampling "
                 "INTEGER, last_bundled_day INTEGER, current_session_count INTEGER);",
                 nullptr, nullptr, nullptr);
    auto statements = std::make_unique<Statements>();
    Statements& s = *statements;
    s.db = db;
    auto* selectMetadata = s.prepare("SELECT rowid, * FROM raw_events_metadata WHERE metadata_fingerprint = ?");
    auto* countMetadataKey = s.prepare("SELECT count(1) FROM raw_events_metadata WHERE metadata_fingerprint=?");
    auto* countMetadata = s.prepare("SELECT count(1) FROM raw_events_metadata");
    auto* insertMetadata =
        s.prepare("INSERT OR REPLACE INTO raw_events_metadata (metadata, metadata_fingerprint) VALUES (?, ?);");
    auto* insertRaw = s.prepare(
        "INSERT OR REPLACE INTO raw_events (data, is_realtime, metadata_fingerprint, name, timestamp) VALUES (?, ?, "
        "?, ?, ?);");
    auto* selectEvents = s.prepare("SELECT rowid, * FROM events WHERE name = ?");
    auto* countEventsKey = s.prepare("SELECT count(1) FROM events WHERE name=?");
    auto* countEvents = s.prepare("SELECT count(1) FROM events");
    auto* upsertEvents = s.prepare(
        "INSERT OR REPLACE INTO events (current_bundle_count, current_session_count, last_bundled_day, "
        "last_bundled_timestamp, last_exempt_from_sampling, last_fire_timestamp, last_sampled_complex_event_id, "
        "last_sampling_rate, lifetime_count, name) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?);");
    auto* selectApp = s.prepare("SELECT rowid, * FROM app_metadata WHERE rowid = ?");
    auto* countApp = s.prepare("SELECT count(1) FROM app_metadata WHERE rowid=?");
    auto* updateDaily = s.prepare(
        "UPDATE app_metadata SET daily_conversions_count=?,daily_error_events_count=?,daily_events_count=?,"
        "daily_public_events_count=?,daily_real_time_conversion_events_count=?,day=? WHERE rowid=?");
    state.ResumeTiming();

    bool ok = true;
    for (int start = 0; start < kEvents && ok; start += kPerTransaction) {
      sqlite3_exec(db, "BEGIN EXCLUSIVE TRANSACTION", nullptr, nullptr, nullptr);
      for (int i = start; i < start + kPerTransaction && ok; ++i) {
        const PlainEvent& event = events[static_cast<size_t>(i)];
        // Metadata: encode, hash, look up (decoding what is found), insert when new.
        apm_MeasurementBundle bundle = apm_MeasurementBundle_init_zero;
        bundle.app_id.funcs.encode = EncodeText;
        bundle.app_id.arg = &appID;
        auto metadata = Encode(apm_MeasurementBundle_fields, bundle);
        int64_t fingerprint = Fingerprint(metadata);
        sqlite3_bind_int64(selectMetadata, 1, fingerprint);
        bool found = false;
        if (sqlite3_step(selectMetadata) == SQLITE_ROW) {
          auto stream = pb_istream_from_buffer(static_cast<const pb_byte_t*>(sqlite3_column_blob(selectMetadata, 2)),
                                               static_cast<size_t>(sqlite3_column_bytes(selectMetadata, 2)));
          apm_MeasurementBundle decoded = apm_MeasurementBundle_init_zero;
          found = pb_decode(&stream, apm_MeasurementBundle_fields, &decoded);
        }
        sqlite3_reset(selectMetadata);
        if (!found) {
          sqlite3_bind_int64(countMetadataKey, 1, fingerprint);
          StepCount(countMetadataKey);
          StepCount(countMetadata);
          sqlite3_bind_blob(insertMetadata, 1, metadata.data(), static_cast<int>(metadata.size()), SQLITE_TRANSIENT);
          sqlite3_bind_int64(insertMetadata, 2, fingerprint);
          ok = StepDone(insertMetadata);
        }
        // Raw event: the wire event without its name.
        apm_Event wire = apm_Event_init_zero;
        wire.params.funcs.encode = EncodeParams;
        wire.params.arg = const_cast<std::vector<Param>*>(&event.params);
        wire.has_timestamp_millis = true;
        wire.timestamp_millis = static_cast<int64_t>(event.timestamp * 1000);
        auto data = Encode(apm_Event_fields, wire);
        sqlite3_bind_blob(insertRaw, 1, data.data(), static_cast<int>(data.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(insertRaw, 2, 0);
        sqlite3_bind_int64(insertRaw, 3, 1);
        sqlite3_bind_text(insertRaw, 4, event.name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(insertRaw, 5, event.timestamp);
        ok = ok && StepDone(insertRaw);
        // Aggregates: read, count up, write back.
        sqlite3_bind_text(selectEvents, 1, event.name.c_str(), -1, SQLITE_TRANSIENT);
        int64_t lifetime = 0, bundleCount = 0, session = 0;
        if (sqlite3_step(selectEvents) == SQLITE_ROW) {
          lifetime = sqlite3_column_int64(selectEvents, 2);
          bundleCount = sqlite3_column_int64(selectEvents, 3);
          session = sqlite3_column_int64(selectEvents, 10);
        }
        sqlite3_reset(selectEvents);
        sqlite3_bind_text(countEventsKey, 1, event.name.c_str(), -1, SQLITE_TRANSIENT);
        StepCount(countEventsKey);
        StepCount(countEvents);
        sqlite3_bind_int64(upsertEvents, 1, bundleCount + 1);
        sqlite3_bind_int64(upsertEvents, 2, session);
        sqlite3_bind_int64(upsertEvents, 3, 0);
        sqlite3_bind_double(upsertEvents, 4, 0);
        sqlite3_bind_int64(upsertEvents, 5, 0);
        sqlite3_bind_double(upsertEvents, 6, event.timestamp);
        sqlite3_bind_null(upsertEvents, 7);
        sqlite3_bind_int64(upsertEvents, 8, 1);
        sqlite3_bind_int64(upsertEvents, 9, lifetime + 1);
        sqlite3_bind_text(upsertEvents, 10, event.name.c_str(), -1, SQLITE_TRANSIENT);
        ok = ok && StepDone(upsertEvents);
        // Daily counts: read, count up, write back.
        sqlite3_bind_text(selectApp, 1, "1", -1, SQLITE_STATIC);
        int64_t day = static_cast<int64_t>(std::floor(event.timestamp / 86400)), all = 0, publics = 0;
        if (sqlite3_step(selectApp) == SQLITE_ROW) {
          if (sqlite3_column_type(selectApp, 4) != SQLITE_NULL) day = sqlite3_column_int64(selectApp, 4);
          all = sqlite3_column_int64(selectApp, 6);
          publics = sqlite3_column_int64(selectApp, 7);
        }
        sqlite3_reset(selectApp);
        sqlite3_bind_text(countApp, 1, "1", -1, SQLITE_STATIC);
        StepCount(countApp);
        sqlite3_bind_int64(updateDaily, 1, 0);
        sqlite3_bind_int64(updateDaily, 2, 0);
        sqlite3_bind_int64(updateDaily, 3, all + 1);
        sqlite3_bind_int64(updateDaily, 4, publics + 1);
        sqlite3_bind_int64(updateDaily, 5, 0);
        sqlite3_bind_int64(updateDaily, 6, day);
        sqlite3_bind_text(updateDaily, 7, "1", -1, SQLITE_STATIC);
        ok = ok && StepDone(updateDaily);
      }
      sqlite3_exec(db, "END TRANSACTION", nullptr, nullptr, nullptr);
    }
    if (!ok) state.SkipWithError("write failed");
    state.PauseTiming();
    statements.reset();
    sqlite3_close(db);
    state.ResumeTiming();
  }
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) std::remove((path + suffix).c_str());
  state.SetItemsProcessed(state.iterations() * kEvents);
}

BENCHMARK(BM_EventWritesThroughDatabase)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_EventWritesHandWritten)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
