#include "Platform/TrivandelUtilities/TVUMutableDictionary.h"

namespace platform {

std::optional<Value> TVUMutableDictionary::objectForKeyedSubscript(std::string_view key) const {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = contents_.find(key);
  if (it == contents_.end()) return std::nullopt;
  return it->second;
}

void TVUMutableDictionary::setObject(const Value& value, std::string_view forKeyedSubscript) {
  std::lock_guard<std::mutex> lock(mu_);
  if (value.isNull()) {
    auto it = contents_.find(forKeyedSubscript);
    if (it != contents_.end()) contents_.erase(it);
    return;
  }
  contents_[std::string(forKeyedSubscript)] = value;
}

void TVUMutableDictionary::removeObjectForKey(std::string_view key) { setObject(Value(), key); }

void TVUMutableDictionary::removeAllObjects() {
  std::lock_guard<std::mutex> lock(mu_);
  contents_.clear();
}

Value::Dictionary TVUMutableDictionary::dictionary() const {
  std::lock_guard<std::mutex> lock(mu_);
  return contents_;
}

}  // namespace platform
