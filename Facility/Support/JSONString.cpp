#include "Facility/Support/JSONString.h"

#include <cstdio>

#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/Utf8.h"

using platform::Value;

namespace {

void writeString(const std::string& s, std::string& out) {
  out.push_back('"');
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '/': out += "\\/"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
  out.push_back('"');
}

bool write(const Value& v, bool pretty, int depth, std::string& out, std::string& error) {
  auto indent = [&](int d) {
    if (pretty) out.append(static_cast<std::size_t>(d) * 2, ' ');
  };
  switch (v.type()) {
    case Value::Type::kNull: out += "null"; return true;
    case Value::Type::kBool: out += *v.getBool() ? "true" : "false"; return true;
    case Value::Type::kInteger: out += std::to_string(*v.getInt()); return true;
    case Value::Type::kDouble: out += platform::FormatDouble(*v.getDouble()); return true;
    case Value::Type::kString:
      if (!platform::Utf8::isValid(*v.getString())) {
        error = "Invalid UTF-8 in text";
        return false;
      }
      writeString(*v.getString(), out);
      return true;
    case Value::Type::kArray: {
      const auto& a = *v.getArray();
      out.push_back('[');
      for (std::size_t i = 0; i < a.size(); ++i) {
        if (i) out.push_back(',');
        if (pretty) out.push_back('\n');
        indent(depth + 1);
        if (!write(a[i], pretty, depth + 1, out, error)) return false;
      }
      if (pretty && !a.empty()) {
        out.push_back('\n');
        indent(depth);
      }
      out.push_back(']');
      return true;
    }
    case Value::Type::kDictionary: {
      const auto& d = *v.getDictionary();
      out.push_back('{');
      bool first = true;
      for (const auto& [key, value] : d) {
        if (!first) out.push_back(',');
        first = false;
        if (pretty) out.push_back('\n');
        indent(depth + 1);
        if (!platform::Utf8::isValid(key)) {
          error = "Invalid UTF-8 in text";
          return false;
        }
        writeString(key, out);
        out += pretty ? " : " : ":";
        if (!write(value, pretty, depth + 1, out, error)) return false;
      }
      if (pretty && !d.empty()) {
        out.push_back('\n');
        indent(depth);
      }
      out.push_back('}');
      return true;
    }
    default:
      error = std::string("Invalid type in JSON write (") + Value::typeName(v.type()) + ")";
      return false;
  }
}

}  // namespace

std::string jsonString(bool pretty, const Value& value) {
  if (!value.isArray() && !value.isDictionary()) {
    platform::LogError("json serialization error: Invalid top-level type in JSON write");
    return "{}";
  }
  std::string out, error;
  if (!write(value, pretty, 0, out, error)) {
    if (error.rfind("Invalid UTF-8", 0) == 0) {
      platform::LogError("Can't create string with data.");
    } else {
      platform::LogError("json serialization error: " + error);
    }
    return "{}";
  }
  return out;
}
