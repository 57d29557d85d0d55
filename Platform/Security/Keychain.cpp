#include "Platform/Security/Keychain.h"

#include <sys/stat.h>

#include <string_view>

#include "Platform/Foundation/DataRoot.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Log.h"

namespace platform {
namespace {

constexpr const char* kItemsKey = "items";
constexpr const char* kFileName = "keychain.plist";

const char* const kAttributeKeys[] = {kSecAttrService, kSecAttrAccount, kSecAttrGeneric,
                                      kSecAttrAccessible};

bool IsAttributeKey(std::string_view key) {
  for (const char* k : kAttributeKeys) {
    if (key == k) return true;
  }
  return false;
}

// Attributes compare by their bytes: a text and a data attribute with the
// same bytes name the same thing.
std::string_view RawBytes(const Value& v) {
  if (const std::string* s = v.getString()) return *s;
  if (const Bytes* b = v.getBytes()) {
    return std::string_view(reinterpret_cast<const char*>(b->data()), b->size());
  }
  return {};
}

bool SameAttribute(const Value* a, const Value* b) {
  if (!a || !b) return a == b;
  return RawBytes(*a) == RawBytes(*b);
}

bool IsTextOrBytes(const Value& v) { return v.isString() || v.isBytes(); }

std::optional<bool> Flag(const Value& v) {
  if (auto n = v.numberAsInt64()) return *n != 0;
  return std::nullopt;
}

struct Query {
  Value::Dictionary attributes;  // the attribute keys given
  bool returnData = false;
  bool returnAttributes = false;
  bool hasValueData = false;
  Bytes valueData;
};

enum Use { kForAdd, kForSearch, kForCopy, kForChanges };

// Checks the keys and value kinds allowed for the call and splits them out.
OSStatus Parse(const Value::Dictionary& in, Use use, Query* out) {
  for (const auto& [key, value] : in) {
    if (key == kSecClass) {
      if (use == kForChanges) return errSecParam;
      const std::string* cls = value.getString();
      if (!cls || *cls != kSecClassGenericPassword) return errSecParam;
    } else if (IsAttributeKey(key)) {
      if (!IsTextOrBytes(value)) return errSecParam;
      out->attributes[key] = value;
    } else if (key == kSecValueData) {
      if (use != kForAdd && use != kForChanges) return errSecParam;
      if (const Bytes* b = value.getBytes()) {
        out->valueData = *b;
      } else if (const std::string* s = value.getString()) {
        out->valueData.assign(s->begin(), s->end());
      } else {
        return errSecParam;
      }
      out->hasValueData = true;
    } else if (key == kSecReturnData || key == kSecReturnAttributes) {
      if (use != kForCopy) return errSecParam;
      auto flag = Flag(value);
      if (!flag) return errSecParam;
      (key == kSecReturnData ? out->returnData : out->returnAttributes) = *flag;
    } else if (key == kSecMatchLimit) {
      if (use != kForCopy) return errSecParam;
      const std::string* limit = value.getString();
      if (!limit) return errSecParam;
      if (*limit != kSecMatchLimitOne) return errSecUnimplemented;
    } else {
      return errSecParam;
    }
  }
  if (use == kForChanges && out->attributes.empty() && !out->hasValueData) return errSecParam;
  return errSecSuccess;
}

bool Matches(const Value& item, const Query& q) {
  if (!item.isDictionary()) return false;
  for (const auto& [key, wanted] : q.attributes) {
    const Value* have = item.find(key);
    if (!have || !SameAttribute(have, &wanted)) return false;
  }
  return true;
}

bool SamePrimaryKey(const Value& a, const Value& b) {
  return SameAttribute(a.find(kSecAttrService), b.find(kSecAttrService)) &&
         SameAttribute(a.find(kSecAttrAccount), b.find(kSecAttrAccount));
}

bool HasDuplicates(const Value::Array& items) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!items[i].isDictionary()) continue;
    for (std::size_t j = i + 1; j < items.size(); ++j) {
      if (items[j].isDictionary() && SamePrimaryKey(items[i], items[j])) return true;
    }
  }
  return false;
}

OSStatus FromStatus(const Status& s) {
  if (s.ok()) return errSecSuccess;
  if (s.IsCorruption()) return errSecDecode;
  if (s.IsInvalidArgument()) return errSecParam;
  return errSecIO;
}

}  // namespace

Keychain& Keychain::shared() {
  static Keychain* keychain = new Keychain();
  return *keychain;
}

Keychain::Keychain(std::string filePath) : fixedPath_(std::move(filePath)) {}

std::string Keychain::filePath() const {
  if (!fixedPath_.empty()) return fixedPath_;
  return DataRoot::keychainDirectory() + "/" + kFileName;
}

OSStatus Keychain::modify(const std::function<OSStatus(Value::Array& items, bool& changed)>& edit) {
  std::lock_guard<std::mutex> lock(mu_);
  std::string path = filePath();
  if (fixedPath_.empty()) {
    // Only this store's own folder is narrowed to the owner.
    std::string dir = DataRoot::keychainDirectory();
    if (!FileManager::defaultManager().fileExistsAtPath(dir)) {
      Status made = FileManager::defaultManager().createDirectoryAtPath(dir, true);
      if (!made.ok()) {
        LogError("keychain: " + made.ToString());
        return errSecIO;
      }
      ::chmod(dir.c_str(), 0700);
    }
  }
  OSStatus result = errSecSuccess;
  Status s = file_.modify(path, [&](Value& contents) {
    Value::Array items;
    if (const Value* stored = contents.find(kItemsKey); stored && stored->isArray()) {
      items = *stored->getArray();
    }
    bool changed = false;
    result = edit(items, changed);
    if (result != errSecSuccess || !changed) return false;
    contents.set(kItemsKey, Value(std::move(items)));
    return true;
  });
  if (!s.ok()) {
    LogError("keychain: " + s.ToString());
    return FromStatus(s);
  }
  return result;
}

OSStatus Keychain::add(const Value::Dictionary& attributes) {
  Query q;
  if (OSStatus st = Parse(attributes, kForAdd, &q); st != errSecSuccess) return st;
  Value item = Value::dictionary();
  item.set(kSecClass, Value(kSecClassGenericPassword));
  for (const auto& [k, v] : q.attributes) item.set(k, v);
  if (q.hasValueData) item.set(kSecValueData, Value(q.valueData));
  return modify([&](Value::Array& items, bool& changed) {
    for (const Value& existing : items) {
      if (existing.isDictionary() && SamePrimaryKey(existing, item)) return errSecDuplicateItem;
    }
    items.push_back(item);
    changed = true;
    return errSecSuccess;
  });
}

OSStatus Keychain::copyMatching(const Value::Dictionary& query, Value* result) {
  Query q;
  if (OSStatus st = Parse(query, kForCopy, &q); st != errSecSuccess) return st;
  std::lock_guard<std::mutex> lock(mu_);
  auto contents = file_.read(filePath());
  if (!contents.ok()) {
    LogError("keychain: " + contents.status().ToString());
    return FromStatus(contents.status());
  }
  const Value* items = (*contents)->find(kItemsKey);
  if (!items || !items->isArray()) return errSecItemNotFound;
  for (const Value& item : *items->getArray()) {
    if (!Matches(item, q)) continue;
    if (!result) return errSecSuccess;
    Bytes data;
    if (const Value* d = item.find(kSecValueData); d && d->isBytes()) data = *d->getBytes();
    if (q.returnAttributes) {
      Value out = Value::dictionary();
      out.set(kSecClass, Value(kSecClassGenericPassword));
      for (const char* k : kAttributeKeys) {
        if (const Value* a = item.find(k)) out.set(k, *a);
      }
      if (q.returnData) out.set(kSecValueData, Value(std::move(data)));
      *result = std::move(out);
    } else if (q.returnData) {
      *result = Value(std::move(data));
    } else {
      *result = Value();
    }
    return errSecSuccess;
  }
  return errSecItemNotFound;
}

OSStatus Keychain::update(const Value::Dictionary& query, const Value::Dictionary& changes) {
  Query q, c;
  if (OSStatus st = Parse(query, kForSearch, &q); st != errSecSuccess) return st;
  if (OSStatus st = Parse(changes, kForChanges, &c); st != errSecSuccess) return st;
  return modify([&](Value::Array& items, bool& changed) {
    bool found = false;
    for (Value& item : items) {
      if (!Matches(item, q)) continue;
      found = true;
      for (const auto& [k, v] : c.attributes) item.set(k, v);
      if (c.hasValueData) item.set(kSecValueData, Value(c.valueData));
    }
    if (!found) return errSecItemNotFound;
    if (HasDuplicates(items)) return errSecDuplicateItem;
    changed = true;
    return errSecSuccess;
  });
}

OSStatus Keychain::remove(const Value::Dictionary& query) {
  Query q;
  if (OSStatus st = Parse(query, kForSearch, &q); st != errSecSuccess) return st;
  return modify([&](Value::Array& items, bool& changed) {
    std::size_t before = items.size();
    std::erase_if(items, [&](const Value& item) { return Matches(item, q); });
    if (items.size() == before) return errSecItemNotFound;
    changed = true;
    return errSecSuccess;
  });
}

}  // namespace platform
