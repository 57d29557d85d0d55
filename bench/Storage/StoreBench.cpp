// Upserts through the store against raw prepared-statement inserts of the
// same rows, both in one exclusive transaction. The store should keep at
// least half the raw rate.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "Analytics/Storage/APMSqliteStore.h"

namespace {

constexpr int kRows = 100000;

std::string TempPath(const char* name) {
  return "/tmp/bench_storage_" + std::to_string(getpid()) + "_" + name + ".sql";
}

void RemoveAll(const std::string& path) {
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) std::remove((path + suffix).c_str());
}

void BM_StoreUpserts(benchmark::State& state) {
  std::string path = TempPath("store");
  for (auto _ : state) {
    state.PauseTiming();
    RemoveAll(path);
    auto store = APMSqliteStore::initWithDatabasePath(path, nullptr);
    store->ensureTableWithName("raw_events",
                               {{"name", "TEXT NOT NULL"},
                                {"timestamp", "REAL NOT NULL"},
                                {"metadata_fingerprint", "INTEGER NOT NULL"},
                                {"data", "BLOB NOT NULL"}},
                               {}, nullptr);
    platform::Bytes data(64, 0x5a);
    state.ResumeTiming();
    bool ok = store->performTransactionWithError(nullptr, [&] {
      for (int i = 0; i < kRows; ++i) {
        if (!store->upsertRecord({{"name", platform::Value("event")},
                                  {"timestamp", platform::Value(1700000000.0 + i)},
                                  {"metadata_fingerprint", platform::Value(i)},
                                  {"data", platform::Value(data)}},
                                 "raw_events", nullptr)) {
          return false;
        }
      }
      return true;
    });
    if (!ok) state.SkipWithError("upsert failed");
    state.PauseTiming();
    store.reset();
    state.ResumeTiming();
  }
  RemoveAll(path);
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_RawInserts(benchmark::State& state) {
  std::string path = TempPath("raw");
  for (auto _ : state) {
    state.PauseTiming();
    RemoveAll(path);
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db,
                 "CREATE TABLE raw_events (name TEXT NOT NULL, timestamp REAL NOT NULL, metadata_fingerprint "
                 "INTEGER NOT NULL, data BLOB NOT NULL)",
                 nullptr, nullptr, nullptr);
    platform::Bytes data(64, 0x5a);
    state.ResumeTiming();
    sqlite3_exec(db, "BEGIN EXCLUSIVE TRANSACTION", nullptr, nullptr, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT OR REPLACE INTO raw_events (data, metadata_fingerprint, name, timestamp) VALUES (?, "
                       "?, ?, ?);",
                       -1, &statement, nullptr);
    for (int i = 0; i < kRows; ++i) {
      sqlite3_bind_blob(statement, 1, data.data(), static_cast<int>(data.size()), SQLITE_TRANSIENT);
      sqlite3_bind_int64(statement, 2, i);
      sqlite3_bind_text(statement, 3, "event", -1, SQLITE_TRANSIENT);
      sqlite3_bind_double(statement, 4, 1700000000.0 + i);
      if (sqlite3_step(statement) != SQLITE_DONE) state.SkipWithError("insert failed");
      sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
    sqlite3_exec(db, "END TRANSACTION", nullptr, nullptr, nullptr);
    state.PauseTiming();
    sqlite3_close(db);
    state.ResumeTiming();
  }
  RemoveAll(path);
  state.SetItemsProcessed(state.iterations() * kRows);
}

BENCHMARK(BM_StoreUpserts)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RawInserts)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
