#include "Facility/Network/URLEncoding.h"

#include <vector>

using platform::Value;

std::string URLEncoding::escape(std::string_view text) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (unsigned char c : text) {
    bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                      c == '.' || c == '_' || c == '~';
    if (unreserved) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0xF]);
    }
  }
  return out;
}

namespace {

std::string scalarText(const Value& v) {
  switch (v.type()) {
    case Value::Type::kBool: return *v.getBool() ? "1" : "0";
    case Value::Type::kInteger: return std::to_string(*v.getInt());
    case Value::Type::kDouble: return platform::FormatDouble(*v.getDouble());
    case Value::Type::kString: return *v.getString();
    default: return v.description();
  }
}

void components(const std::string& key, const Value& value, std::string& out) {
  switch (value.type()) {
    case Value::Type::kNull:
      return;
    case Value::Type::kDictionary:
      for (const auto& [k, v] : *value.getDictionary()) components(key + "[" + k + "]", v, out);
      return;
    case Value::Type::kArray:
      for (const auto& v : *value.getArray()) components(key + "[]", v, out);
      return;
    default: {
      std::string text = scalarText(value);
      if (!out.empty()) out.push_back('&');
      out += URLEncoding::escape(key);
      out.push_back('=');
      out += URLEncoding::escape(text);
    }
  }
}

}  // namespace

std::string URLEncoding::query(const Value::Dictionary& parameters) {
  std::string out;
  for (const auto& [key, value] : parameters) components(key, value, out);
  return out;
}
