#include "Facility/Storage/CoreDataManager.h"

#include <sqlite3.h>

#include "Platform/Foundation/DataRoot.h"
#include "Platform/Foundation/Log.h"

namespace {
std::unique_ptr<CoreDataManager>& instance() {
  static std::unique_ptr<CoreDataManager> manager;
  return manager;
}
}  // namespace

CoreDataManager& CoreDataManager::shared() {
  auto& m = instance();
  if (!m) m.reset(new CoreDataManager());
  return *m;
}

void CoreDataManager::resetShared() { instance().reset(); }

CoreDataManager::~CoreDataManager() {
  context_.reset();
  if (db_) sqlite3_close(db_);
}

std::string CoreDataManager::storePath() { return platform::DataRoot::applicationSupportDirectory() + "/Facility.sqlite"; }

void CoreDataManager::loadPersistentStores() {
  loaded_ = true;
  (void)platform::DataRoot::createDirectories();
  std::string path = storePath();
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  // On a file that is not a store this fails before anything is written.
  if (rc == SQLITE_OK) {
    rc = sqlite3_exec(db,
                      "CREATE TABLE IF NOT EXISTS LoginEntity (accesstoken TEXT, apikey TEXT, empid INTEGER, "
                      "facilityAdmin TEXT, imageurl TEXT, issso INTEGER, logintype TEXT, refreshtoken TEXT, "
                      "tenantAdmin TEXT, tenantid INTEGER, tokenexpiredin INTEGER, version TEXT)",
                      nullptr, nullptr, nullptr);
  }
  if (rc != SQLITE_OK) {
    error_ = std::string(db ? sqlite3_errmsg(db) : "out of memory");
    if (db) sqlite3_close(db);
    platform::LogError("Unresolved error " + error_ + ", {\n    reason = \"" + error_ + "\";\n    path = \"" + path +
                       "\";\n}");
    context_ = std::make_unique<ManagedObjectContext>(nullptr, error_);
    return;
  }
  db_ = db;
  context_ = std::make_unique<ManagedObjectContext>(db_, "");
}

ManagedObjectContext& CoreDataManager::mainManagedObjectContext() {
  if (!loaded_) loadPersistentStores();
  return *context_;
}

const std::string& CoreDataManager::loadError() {
  if (!loaded_) loadPersistentStores();
  return error_;
}
