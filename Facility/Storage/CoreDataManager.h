// The persistent store "Facility" (SQLite file under Application Support)
// and its main context. A store that cannot be opened is reported once as
// "Unresolved error ..." and the app goes on without login records; the file
// is never deleted or overwritten.
#pragma once

#include <memory>
#include <string>

#include "Facility/Storage/ManagedObjectContext.h"

struct sqlite3;

class CoreDataManager {
 public:
  static CoreDataManager& shared();
  // Closes the store so the next use opens it again (tests switch data roots).
  static void resetShared();

  ManagedObjectContext& mainManagedObjectContext();
  // Empty when the store loaded.
  const std::string& loadError();
  static std::string storePath();

  ~CoreDataManager();

 private:
  CoreDataManager() = default;
  void loadPersistentStores();
  sqlite3* db_ = nullptr;
  bool loaded_ = false;
  std::string error_;
  std::unique_ptr<ManagedObjectContext> context_;
};
