// The stored record of a signed-in user, one per employee id. Attributes are
// all optional; the record lives in the "Facility" store (CoreDataManager)
// and is read and written through a ManagedObjectContext.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Storage/ManagedObjectContext.h"
#include "Platform/Foundation/Status.h"
#include "Platform/Foundation/Value.h"

class LoginEntity {
 public:
  enum class AttributeType { kText, kInteger64, kBoolean };
  struct Attribute {
    const char* name;
    AttributeType type;
  };

  std::optional<std::string> accesstoken;
  std::optional<std::string> apikey;
  std::optional<std::int64_t> empid;
  std::optional<std::string> facilityAdmin;
  std::optional<std::string> imageurl;
  std::optional<bool> issso;
  std::optional<std::string> logintype;
  std::optional<std::string> refreshtoken;
  std::optional<std::string> tenantAdmin;
  std::optional<std::int64_t> tenantid;
  std::optional<std::int64_t> tokenexpiredin;
  std::optional<std::string> version;

  static const char* entityName() { return "LoginEntity"; }
  // The entity's attributes in model order.
  static const std::vector<Attribute>& attributes();

  // Attribute by name; null for none or an unknown name.
  platform::Value valueForKey(const std::string& name) const;
  // Takes the value only when it has the attribute's type (null clears it).
  // False for an unknown name or a value of another type.
  bool setValueForKey(const std::string& name, const platform::Value& value);
  // Every attribute that is set.
  platform::Value::Dictionary dictionaryValue() const;

  // Store row; 0 until the record is first saved.
  std::int64_t rowid() const { return rowid_; }

  // Generic record helpers over the main context unless one is given.
  // A new record whose attributes are the dictionary's entries (absent: none).
  static std::shared_ptr<LoginEntity> insertFromDictionary(const platform::Value::Dictionary& dictionary,
                                                           ManagedObjectContext* context = nullptr);
  // AND of "key == value" over every entry; empty matches everything.
  static Predicate predicateFromDictionary(const platform::Value::Dictionary& dictionary);
  // The first matching record by store order, or none (failures logged).
  static std::shared_ptr<LoginEntity> findByDictionary(const platform::Value::Dictionary& dictionary,
                                                       ManagedObjectContext* context = nullptr);
  // Matching records, or none on failure (logged).
  static std::optional<std::vector<std::shared_ptr<LoginEntity>>> fetchObjects(
      const std::optional<Predicate>& predicate, const std::optional<std::vector<SortDescriptor>>& sort);

 private:
  friend class ManagedObjectContext;
  std::int64_t rowid_ = 0;
  platform::Value::Dictionary saved_;  // values as last stored
};
