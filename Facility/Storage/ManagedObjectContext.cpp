#include "Facility/Storage/ManagedObjectContext.h"

#include <sqlite3.h>

#include <algorithm>

#include "Facility/Storage/LoginEntity.h"
#include "Platform/Foundation/Log.h"

using platform::Result;
using platform::Status;
using platform::Value;

std::string Predicate::description() const {
  if (equals.empty()) return "TRUEPREDICATE";
  std::string out;
  for (const auto& [key, value] : equals) {
    if (!out.empty()) out += " AND ";
    out += key + " == " + (value.isString() ? "\"" + *value.getString() + "\"" : value.description());
  }
  return out;
}

namespace {

struct Statement {
  sqlite3_stmt* stmt = nullptr;
  ~Statement() { sqlite3_finalize(stmt); }
};

bool knownAttribute(const std::string& name) {
  const auto& attrs = LoginEntity::attributes();
  return std::any_of(attrs.begin(), attrs.end(), [&](const auto& a) { return name == a.name; });
}

void bindValue(sqlite3_stmt* stmt, int index, const Value& v) {
  if (v.isString()) {
    sqlite3_bind_text(stmt, index, v.getString()->c_str(), static_cast<int>(v.getString()->size()), SQLITE_TRANSIENT);
  } else if (v.isBool()) {
    sqlite3_bind_int64(stmt, index, *v.getBool() ? 1 : 0);
  } else if (v.isInteger()) {
    sqlite3_bind_int64(stmt, index, *v.getInt());
  } else if (v.isDouble()) {
    sqlite3_bind_double(stmt, index, *v.getDouble());
  } else if (v.isNull()) {
    sqlite3_bind_null(stmt, index);
  } else {
    // Values that are no plain object compare as the empty text.
    sqlite3_bind_text(stmt, index, "", 0, SQLITE_STATIC);
  }
}

Value columnValue(sqlite3_stmt* stmt, int col, LoginEntity::AttributeType type) {
  if (sqlite3_column_type(stmt, col) == SQLITE_NULL) return Value();
  switch (type) {
    case LoginEntity::AttributeType::kText:
      return Value(std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, col)),
                               static_cast<std::size_t>(sqlite3_column_bytes(stmt, col))));
    case LoginEntity::AttributeType::kInteger64:
      return Value(static_cast<std::int64_t>(sqlite3_column_int64(stmt, col)));
    case LoginEntity::AttributeType::kBoolean:
      return Value(sqlite3_column_int64(stmt, col) != 0);
  }
  return Value();
}

bool matches(const LoginEntity& object, const Predicate& predicate) {
  for (const auto& [key, value] : predicate.equals) {
    Value mine = object.valueForKey(key);
    if (mine.isNull() || value.isNull()) {
      if (mine.isNull() != value.isNull()) return false;
      continue;
    }
    if (mine.isNumber() && value.isNumber()) {
      if (mine.numberAsDouble() != value.numberAsDouble()) return false;
    } else if (mine != value) {
      return false;
    }
  }
  return true;
}

}  // namespace

ManagedObjectContext::ManagedObjectContext(sqlite3* db, std::string loadError)
    : db_(db), loadError_(std::move(loadError)) {}

std::shared_ptr<LoginEntity> ManagedObjectContext::insertNewObject() {
  auto object = std::make_shared<LoginEntity>();
  inserted_.push_back(object);
  return object;
}

Result<std::vector<std::shared_ptr<LoginEntity>>> ManagedObjectContext::fetch(const Predicate& predicate,
                                                                             const std::vector<SortDescriptor>& sort) {
  if (!db_) return Status::FailedPrecondition("The persistent store is not loaded: " + loadError_);
  std::string sql = "SELECT rowid";
  for (const auto& a : LoginEntity::attributes()) sql += std::string(", \"") + a.name + "\"";
  sql += " FROM LoginEntity";
  std::vector<const Value*> binds;
  std::string where;
  for (const auto& [key, value] : predicate.equals) {
    if (!knownAttribute(key)) return Status::InvalidArgument("keypath " + key + " not found in entity LoginEntity");
    if (!where.empty()) where += " AND ";
    if (value.isNull()) {
      where += "\"" + key + "\" IS NULL";
    } else {
      where += "\"" + key + "\" = ?";
      binds.push_back(&value);
    }
  }
  if (!where.empty()) sql += " WHERE " + where;
  std::string order;
  for (const auto& s : sort) {
    if (!knownAttribute(s.key)) return Status::InvalidArgument("keypath " + s.key + " not found in entity LoginEntity");
    order += "\"" + s.key + "\"" + (s.ascending ? " ASC, " : " DESC, ");
  }
  sql += " ORDER BY " + order + "rowid";

  Statement st;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st.stmt, nullptr) != SQLITE_OK) {
    return Status::IOError(sqlite3_errmsg(db_));
  }
  for (std::size_t i = 0; i < binds.size(); ++i) bindValue(st.stmt, static_cast<int>(i + 1), *binds[i]);

  std::vector<std::shared_ptr<LoginEntity>> out;
  int rc;
  while ((rc = sqlite3_step(st.stmt)) == SQLITE_ROW) {
    std::int64_t rowid = sqlite3_column_int64(st.stmt, 0);
    auto it = registered_.find(rowid);
    if (it != registered_.end()) {
      out.push_back(it->second);
      continue;
    }
    auto object = std::make_shared<LoginEntity>();
    int col = 1;
    for (const auto& a : LoginEntity::attributes()) object->setValueForKey(a.name, columnValue(st.stmt, col++, a.type));
    object->rowid_ = rowid;
    object->saved_ = object->dictionaryValue();
    registered_.emplace(rowid, object);
    out.push_back(std::move(object));
  }
  if (rc != SQLITE_DONE) return Status::IOError(sqlite3_errmsg(db_));
  // Pending inserts take part in fetches, after the stored rows.
  for (const auto& object : inserted_) {
    if (matches(*object, predicate)) out.push_back(object);
  }
  return out;
}

bool ManagedObjectContext::hasChanges() const {
  if (!inserted_.empty()) return true;
  return std::any_of(registered_.begin(), registered_.end(),
                     [](const auto& entry) { return entry.second->dictionaryValue() != entry.second->saved_; });
}

Status ManagedObjectContext::save() {
  if (!db_) return Status::FailedPrecondition("The persistent store is not loaded: " + loadError_);
  if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
    return Status::IOError(sqlite3_errmsg(db_));
  }
  auto fail = [&]() {
    Status s = Status::IOError(sqlite3_errmsg(db_));
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return s;
  };
  const auto& attrs = LoginEntity::attributes();
  std::string columns, marks, sets;
  for (const auto& a : attrs) {
    columns += std::string(columns.empty() ? "" : ", ") + "\"" + a.name + "\"";
    marks += marks.empty() ? "?" : ", ?";
    sets += std::string(sets.empty() ? "" : ", ") + "\"" + a.name + "\" = ?";
  }
  std::vector<std::pair<std::shared_ptr<LoginEntity>, std::int64_t>> newRows;
  for (const auto& object : inserted_) {
    Statement st;
    std::string sql = "INSERT INTO LoginEntity (" + columns + ") VALUES (" + marks + ")";
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st.stmt, nullptr) != SQLITE_OK) return fail();
    int i = 1;
    for (const auto& a : attrs) bindValue(st.stmt, i++, object->valueForKey(a.name));
    if (sqlite3_step(st.stmt) != SQLITE_DONE) return fail();
    newRows.emplace_back(object, sqlite3_last_insert_rowid(db_));
  }
  std::vector<std::shared_ptr<LoginEntity>> updated;
  for (const auto& [rowid, object] : registered_) {
    if (object->dictionaryValue() == object->saved_) continue;
    Statement st;
    std::string sql = "UPDATE LoginEntity SET " + sets + " WHERE rowid = ?";
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st.stmt, nullptr) != SQLITE_OK) return fail();
    int i = 1;
    for (const auto& a : attrs) bindValue(st.stmt, i++, object->valueForKey(a.name));
    sqlite3_bind_int64(st.stmt, i, rowid);
    if (sqlite3_step(st.stmt) != SQLITE_DONE) return fail();
    updated.push_back(object);
  }
  if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) return fail();
  for (auto& [object, rowid] : newRows) {
    object->rowid_ = rowid;
    object->saved_ = object->dictionaryValue();
    registered_.emplace(rowid, object);
  }
  inserted_.clear();
  for (const auto& object : updated) object->saved_ = object->dictionaryValue();
  return Status::OK();
}

void ManagedObjectContext::saveChanges() {
  if (!hasChanges()) return;
  Status s = save();
  if (!s.ok()) {
    platform::LogError("Error while saving the single change into mainManagedObjectContext :- " + s.message());
  }
}
