#include "Facility/Storage/UserDefaultsKey.h"

namespace {
using T = UserDefaultsValueType;
}

const UserDefaultsKey UserDefaultsKey::emailId{"emailid", T::kText};
const UserDefaultsKey UserDefaultsKey::username{"username", T::kText};
const UserDefaultsKey UserDefaultsKey::isUserInvited{"isuserinvited", T::kBoolean};
const UserDefaultsKey UserDefaultsKey::isPasswordSet{"ispasswordset", T::kBoolean};
const UserDefaultsKey UserDefaultsKey::isUserLogin{"com.facility.isUserLogin", T::kBoolean};
const UserDefaultsKey UserDefaultsKey::tenantId{"tanentid", T::kText};
const UserDefaultsKey UserDefaultsKey::forgotPasswordId{"forgotPasswordId", T::kText};
const UserDefaultsKey UserDefaultsKey::empId{"empid", T::kInteger};
const UserDefaultsKey UserDefaultsKey::serverUrl{"serverurl", T::kText};
const UserDefaultsKey UserDefaultsKey::accessToken{"accesstoken", T::kText};
const UserDefaultsKey UserDefaultsKey::sensitivity{"sensitivity", T::kText};

platform::UserDefaults& UserDefaultsKey::defaults() { return platform::UserDefaults::standard(); }

namespace UserDefaultsAccess {

std::optional<std::string> getString(const UserDefaultsKey& key) {
  auto v = UserDefaultsKey::defaults().objectForKey(key.value);
  if (!v || !v->isString()) return std::nullopt;
  return *v->getString();
}

std::optional<std::int64_t> getInt(const UserDefaultsKey& key) {
  auto v = UserDefaultsKey::defaults().objectForKey(key.value);
  if (!v || !v->isInteger()) return std::nullopt;
  return v->getInt();
}

std::optional<bool> getBool(const UserDefaultsKey& key) {
  auto v = UserDefaultsKey::defaults().objectForKey(key.value);
  if (!v || !v->isBool()) return std::nullopt;
  return v->getBool();
}

bool isSet(const UserDefaultsKey& key) { return getBool(key).value_or(false); }

std::string storedServerUrl() { return getString(UserDefaultsKey::serverUrl).value_or(""); }

void setValue(const platform::Value& value, const UserDefaultsKey& key) {
  auto& d = UserDefaultsKey::defaults();
  (void)d.setObject(value, key.value);
  d.synchronize();
}

void remove(const std::string& key) {
  auto& d = UserDefaultsKey::defaults();
  (void)d.removeObjectForKey(key);
  d.synchronize();
}

}  // namespace UserDefaultsAccess
