// URL query strings to and from dictionaries.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "Platform/Foundation/Value.h"

// "key=value" pairs joined by "&", keys and values percent-encoded; "" for no entries.
std::string apm_queryString(const platform::Value::Dictionary& dictionary);
// Parses "a=1&b=2"; for a repeated key the first occurrence wins; an
// undecodable key or value becomes "".
std::map<std::string, std::string> apm_dictionaryWithHttpArgumentsString(std::string_view text);
// A value's text form as a query item shows it.
std::string APMQueryText(const platform::Value& value);
