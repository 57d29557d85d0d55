// A dictionary whose every operation is safe against concurrent calls.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Foundation/Value.h"

namespace platform {

class TVUMutableDictionary {
 public:
  std::optional<Value> objectForKeyedSubscript(std::string_view key) const;
  // A null value removes the key.
  void setObject(const Value& value, std::string_view forKeyedSubscript);
  void removeObjectForKey(std::string_view key);
  void removeAllObjects();
  // A copy of the contents.
  Value::Dictionary dictionary() const;

 private:
  mutable std::mutex mu_;
  Value::Dictionary contents_;
};

}  // namespace platform
