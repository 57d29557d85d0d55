// A context over the "Facility" SQLite store: hands out one object per row,
// keeps unsaved inserts, and writes inserted and changed records on save.
// Main thread only.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/Status.h"
#include "Platform/Foundation/Value.h"

struct sqlite3;
class LoginEntity;

// Equality of attributes, all of them required.
struct Predicate {
  platform::Value::Dictionary equals;
  // "empid == 12 AND logintype == \"U\"", "TRUEPREDICATE" when empty.
  std::string description() const;
};

struct SortDescriptor {
  std::string key;
  bool ascending = true;
};

class ManagedObjectContext {
 public:
  // db may be null: the store failed to load; every fetch and save then fails.
  ManagedObjectContext(sqlite3* db, std::string loadError);

  std::shared_ptr<LoginEntity> insertNewObject();
  platform::Result<std::vector<std::shared_ptr<LoginEntity>>> fetch(const Predicate& predicate,
                                                                      const std::vector<SortDescriptor>& sort);
  bool hasChanges() const;
  platform::Status save();
  // Saves when there are changes; failures are logged, not passed on.
  void saveChanges();

 private:
  sqlite3* db_;
  std::string loadError_;
  std::map<std::int64_t, std::shared_ptr<LoginEntity>> registered_;
  std::vector<std::shared_ptr<LoginEntity>> inserted_;
};
