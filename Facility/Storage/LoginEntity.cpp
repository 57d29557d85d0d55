#include "Facility/Storage/LoginEntity.h"

#include "Facility/Storage/CoreDataManager.h"
#include "Platform/Foundation/Log.h"

using platform::Value;

const std::vector<LoginEntity::Attribute>& LoginEntity::attributes() {
  static const std::vector<Attribute> kAttributes = {
      {"accesstoken", AttributeType::kText},     {"apikey", AttributeType::kText},
      {"empid", AttributeType::kInteger64},      {"facilityAdmin", AttributeType::kText},
      {"imageurl", AttributeType::kText},        {"issso", AttributeType::kBoolean},
      {"logintype", AttributeType::kText},       {"refreshtoken", AttributeType::kText},
      {"tenantAdmin", AttributeType::kText},     {"tenantid", AttributeType::kInteger64},
      {"tokenexpiredin", AttributeType::kInteger64}, {"version", AttributeType::kText},
  };
  return kAttributes;
}

namespace {

template <typename T>
Value toValue(const std::optional<T>& v) {
  return v ? Value(*v) : Value();
}

bool assignText(std::optional<std::string>& field, const Value& v) {
  if (v.isNull()) return field.reset(), true;
  if (!v.isString()) return false;
  field = *v.getString();
  return true;
}

bool assignInt(std::optional<std::int64_t>& field, const Value& v) {
  if (v.isNull()) return field.reset(), true;
  if (v.isBool()) return false;
  auto i = v.numberAsInt64();
  if (!i || (v.isDouble() && static_cast<double>(*i) != *v.getDouble())) return false;
  field = *i;
  return true;
}

bool assignBool(std::optional<bool>& field, const Value& v) {
  if (v.isNull()) return field.reset(), true;
  if (v.isBool()) return field = *v.getBool(), true;
  if (v.isInteger()) return field = (*v.getInt() != 0), true;
  return false;
}

}  // namespace

Value LoginEntity::valueForKey(const std::string& name) const {
  if (name == "accesstoken") return toValue(accesstoken);
  if (name == "apikey") return toValue(apikey);
  if (name == "empid") return toValue(empid);
  if (name == "facilityAdmin") return toValue(facilityAdmin);
  if (name == "imageurl") return toValue(imageurl);
  if (name == "issso") return toValue(issso);
  if (name == "logintype") return toValue(logintype);
  if (name == "refreshtoken") return toValue(refreshtoken);
  if (name == "tenantAdmin") return toValue(tenantAdmin);
  if (name == "tenantid") return toValue(tenantid);
  if (name == "tokenexpiredin") return toValue(tokenexpiredin);
  if (name == "version") return toValue(version);
  return Value();
}

bool LoginEntity::setValueForKey(const std::string& name, const Value& v) {
  if (name == "accesstoken") return assignText(accesstoken, v);
  if (name == "apikey") return assignText(apikey, v);
  if (name == "empid") return assignInt(empid, v);
  if (name == "facilityAdmin") return assignText(facilityAdmin, v);
  if (name == "imageurl") return assignText(imageurl, v);
  if (name == "issso") return assignBool(issso, v);
  if (name == "logintype") return assignText(logintype, v);
  if (name == "refreshtoken") return assignText(refreshtoken, v);
  if (name == "tenantAdmin") return assignText(tenantAdmin, v);
  if (name == "tenantid") return assignInt(tenantid, v);
  if (name == "tokenexpiredin") return assignInt(tokenexpiredin, v);
  if (name == "version") return assignText(version, v);
  return false;
}

Value::Dictionary LoginEntity::dictionaryValue() const {
  Value::Dictionary d;
  for (const auto& a : attributes()) {
    Value v = valueForKey(a.name);
    if (!v.isNull()) d.emplace(a.name, std::move(v));
  }
  return d;
}

std::shared_ptr<LoginEntity> LoginEntity::insertFromDictionary(const Value::Dictionary& dictionary,
                                                               ManagedObjectContext* context) {
  ManagedObjectContext& ctx = context ? *context : CoreDataManager::shared().mainManagedObjectContext();
  auto object = ctx.insertNewObject();
  for (const auto& a : attributes()) {
    auto it = dictionary.find(a.name);
    if (it == dictionary.end() || !object->setValueForKey(a.name, it->second)) {
      object->setValueForKey(a.name, Value());
    }
  }
  return object;
}

Predicate LoginEntity::predicateFromDictionary(const Value::Dictionary& dictionary) {
  return Predicate{dictionary};
}

std::shared_ptr<LoginEntity> LoginEntity::findByDictionary(const Value::Dictionary& dictionary,
                                                           ManagedObjectContext* context) {
  ManagedObjectContext& ctx = context ? *context : CoreDataManager::shared().mainManagedObjectContext();
  auto result = ctx.fetch(predicateFromDictionary(dictionary), {});
  if (!result.ok()) {
    platform::LogError("Error while finding the NSManagedObject with dict :- " + Value(dictionary).description() +
                       " AND error is :- " + result.status().message());
    return nullptr;
  }
  // Duplicates of one employee id: the oldest row is the record, for the
  // writer and every reader alike.
  return result.value().empty() ? nullptr : result.value().front();
}

std::optional<std::vector<std::shared_ptr<LoginEntity>>> LoginEntity::fetchObjects(
    const std::optional<Predicate>& predicate, const std::optional<std::vector<SortDescriptor>>& sort) {
  auto& ctx = CoreDataManager::shared().mainManagedObjectContext();
  auto result = ctx.fetch(predicate.value_or(Predicate{}), sort.value_or(std::vector<SortDescriptor>{}));
  if (!result.ok()) {
    std::string sortText = "(";
    if (sort) {
      for (std::size_t i = 0; i < sort->size(); ++i) {
        sortText += (i ? ", " : "") + (*sort)[i].key + ((*sort)[i].ascending ? " ascending" : " descending");
      }
    } else {
      sortText += "(null), ascending";
    }
    sortText += ")";
    platform::LogError("Error while fetching the NSManagedObjects with predicate :- " +
                       predicate.value_or(Predicate{}).description() + ", sortDescriptor :- " + sortText +
                       " AND error is :- " + result.status().message());
    return std::nullopt;
  }
  return std::move(result).value();
}
