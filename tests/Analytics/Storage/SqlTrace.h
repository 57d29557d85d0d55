// Captures the SQL text of every statement a connection runs, in order,
// through sqlite3_trace_v2. Attach it to an open handle, or let it follow
// every connection the store opens from its first statement on.
#pragma once

#include <sqlite3.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Analytics/Storage/APMSqliteStore.h"

class SqlTrace {
 public:
  SqlTrace() = default;
  ~SqlTrace() { APMSqliteStore::setConnectionObserverForTesting({}); }
  SqlTrace(const SqlTrace&) = delete;
  SqlTrace& operator=(const SqlTrace&) = delete;

  void attach(sqlite3* db) {
    texts_.clear();
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, &SqlTrace::Callback, &texts_);
  }
  // Every later connection, before its first statement; onOpen may add more
  // (an authorizer that injects failures, say).
  void followConnections(std::function<void(sqlite3*)> onOpen = {}) {
    APMSqliteStore::setConnectionObserverForTesting([this, onOpen](sqlite3* db) {
      sqlite3_trace_v2(db, SQLITE_TRACE_STMT, &SqlTrace::Callback, &texts_);
      if (onOpen) onOpen(db);
    });
  }
  const std::vector<std::string>& texts() const { return texts_; }
  void clear() { texts_.clear(); }

 private:
  static int Callback(unsigned type, void* context, void*, void* text) {
    if (type == SQLITE_TRACE_STMT) {
      const char* sql = static_cast<const char*>(text);
      // Skip trigger sub-statements ("-- ...").
      if (sql != nullptr && std::string_view(sql).rfind("--", 0) != 0) {
        static_cast<std::vector<std::string>*>(context)->push_back(sql);
      }
    }
    return 0;
  }

  std::vector<std::string> texts_;
};
