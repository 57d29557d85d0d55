// Form encoding of request parameters: keys sorted, a list under k sent as
// repeated k[] pairs (an empty list sends nothing), a dictionary under k as
// k[sub], Booleans as 1 and 0, nulls dropped. RFC 3986 unreserved characters
// stay literal; every other byte of keys and values is percent-escaped.
#pragma once

#include <string>
#include <string_view>

#include "Platform/Foundation/Value.h"

class URLEncoding {
 public:
  static std::string escape(std::string_view text);
  static std::string query(const platform::Value::Dictionary& parameters);
};
