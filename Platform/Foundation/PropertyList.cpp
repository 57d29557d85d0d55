#include "Platform/Foundation/PropertyList.h"

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

#include "Platform/Foundation/FileManager.h"

namespace platform {
namespace {

// Property-list dates count from 2001-01-01 UTC.
constexpr double kReferenceDateOffset = 978307200.0;

struct PlistDeleter {
  void operator()(plist_t p) const {
    if (p) plist_free(p);
  }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

struct CharDeleter {
  void operator()(char* p) const { std::free(p); }
};

Result<Value> FromNode(plist_t node, int depth) {
  if (depth > PropertyList::kMaxDepth) return Status::Corruption("property list nests too deep");
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      std::uint8_t b = 0;
      plist_get_bool_val(node, &b);
      return Value(b != 0);
    }
    case PLIST_UINT: {
      // libplist keeps every integer in 64 bits; negative numbers come back
      // as their two's complement.
      std::uint64_t u = 0;
      plist_get_uint_val(node, &u);
      return Value(static_cast<std::int64_t>(u));
    }
    case PLIST_REAL: {
      double d = 0;
      plist_get_real_val(node, &d);
      return Value(d);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
      char* raw = nullptr;
      plist_get_string_val(node, &raw);
      std::unique_ptr<char, CharDeleter> owned(raw);
      return Value(std::string(raw ? raw : ""));
    }
    case PLIST_DATA: {
      char* raw = nullptr;
      std::uint64_t len = 0;
      plist_get_data_val(node, &raw, &len);
      std::unique_ptr<char, CharDeleter> owned(raw);
      const auto* p = reinterpret_cast<const std::uint8_t*>(raw);
      return Value(p ? Bytes(p, p + len) : Bytes{});
    }
    case PLIST_DATE: {
      std::int32_t sec = 0, usec = 0;
      plist_get_date_val(node, &sec, &usec);
      return Value(Date{kReferenceDateOffset + sec + usec / 1e6});
    }
    case PLIST_ARRAY: {
      Value::Array out;
      std::uint32_t n = plist_array_get_size(node);
      out.reserve(n);
      for (std::uint32_t i = 0; i < n; ++i) {
        plist_t item = plist_array_get_item(node, i);
        if (!item) return Status::Corruption("property list array has a hole");
        auto v = FromNode(item, depth + 1);
        if (!v.ok()) return v;
        out.push_back(std::move(v).value());
      }
      return Value(std::move(out));
    }
    case PLIST_DICT: {
      Value::Dictionary out;
      plist_dict_iter it = nullptr;
      plist_dict_new_iter(node, &it);
      if (!it) return Value(std::move(out));
      Status failure;
      while (true) {
        char* key = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, it, &key, &item);
        std::unique_ptr<char, CharDeleter> owned(key);
        if (!item) {
          // A key without a value is a broken dictionary, not an empty one.
          if (key) failure = Status::Corruption("property list key without a value");
          break;
        }
        auto v = FromNode(item, depth + 1);
        if (!v.ok()) {
          failure = v.status();
          break;
        }
        out[key ? key : ""] = std::move(v).value();
      }
      std::free(it);
      if (!failure.ok()) return failure;
      return Value(std::move(out));
    }
    default:
      return Status::Corruption("property list holds an unsupported element");
  }
}

bool HasNul(const std::string& s) { return s.find('\0') != std::string::npos; }

Result<PlistPtr> ToNode(const Value& value, int depth) {
  if (depth > PropertyList::kMaxDepth) return Status::InvalidArgument("value nests too deep");
  switch (value.type()) {
    case Value::Type::kNull:
      return Status::InvalidArgument("null has no property-list form");
    case Value::Type::kBool:
      return PlistPtr(plist_new_bool(*value.getBool() ? 1 : 0));
    case Value::Type::kInteger:
      return PlistPtr(plist_new_uint(static_cast<std::uint64_t>(*value.getInt())));
    case Value::Type::kDouble:
      return PlistPtr(plist_new_real(*value.getDouble()));
    case Value::Type::kString: {
      // A C string would silently cut the text at the first NUL.
      if (HasNul(*value.getString())) return Status::InvalidArgument("text with a NUL character");
      return PlistPtr(plist_new_string(value.getString()->c_str()));
    }
    case Value::Type::kBytes: {
      const Bytes& b = *value.getBytes();
      return PlistPtr(plist_new_data(reinterpret_cast<const char*>(b.data()), b.size()));
    }
    case Value::Type::kDate: {
      double rel = value.getDate()->secondsSince1970 - kReferenceDateOffset;
      if (!std::isfinite(rel)) return Status::InvalidArgument("date is not finite");
      double whole = std::floor(rel);
      if (whole < std::numeric_limits<std::int32_t>::min() ||
          whole >= std::numeric_limits<std::int32_t>::max()) {
        return Status::InvalidArgument("date out of the property-list range");
      }
      auto sec = static_cast<std::int32_t>(whole);
      auto usec = static_cast<std::int32_t>(std::llround((rel - whole) * 1e6));
      if (usec >= 1000000) {
        ++sec;
        usec -= 1000000;
      }
      return PlistPtr(plist_new_date(sec, usec));
    }
    case Value::Type::kArray: {
      PlistPtr arr(plist_new_array());
      for (const auto& e : *value.getArray()) {
        auto child = ToNode(e, depth + 1);
        if (!child.ok()) return child.status();
        plist_array_append_item(arr.get(), child->release());
      }
      return arr;
    }
    case Value::Type::kDictionary: {
      PlistPtr dict(plist_new_dict());
      for (const auto& [k, e] : *value.getDictionary()) {
        if (HasNul(k)) return Status::InvalidArgument("key with a NUL character");
        auto child = ToNode(e, depth + 1);
        if (!child.ok()) return child.status();
        plist_dict_set_item(dict.get(), k.c_str(), child->release());
      }
      return dict;
    }
  }
  return Status::Internal("unknown value kind");
}

}  // namespace

Result<Value> PropertyList::read(std::string_view data) {
  if (data.empty()) return Status::Corruption("empty property list");
  if (data.size() > std::numeric_limits<std::uint32_t>::max()) {
    return Status::Corruption("property list too large");
  }
  // XML forbids NUL characters, and the parser would keep them inside text
  // nodes whose readers then abort; refuse such text up front.
  const bool binary = data.size() >= 8 && data.substr(0, 8) == "bplist00";
  if (!binary && data.find('\0') != std::string_view::npos) {
    return Status::Corruption("property list text contains a NUL character");
  }
  plist_t root = nullptr;
  plist_from_memory(data.data(), static_cast<std::uint32_t>(data.size()), &root);
  PlistPtr owned(root);
  if (!root) return Status::Corruption("not a property list");
  return FromNode(root, 0);
}

Result<Value> PropertyList::read(const Bytes& data) {
  return read(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

Result<std::string> PropertyList::writeXml(const Value& value) {
  auto node = ToNode(value, 0);
  if (!node.ok()) return node.status();
  char* xml = nullptr;
  std::uint32_t len = 0;
  plist_to_xml(node->get(), &xml, &len);
  std::unique_ptr<char, CharDeleter> owned(xml);
  if (!xml) return Status::Internal("property-list writer failed");
  return std::string(xml, len);
}

Result<Value> PropertyList::readFile(const std::string& path) {
  auto bytes = FileManager::defaultManager().contentsAtPath(path);
  if (!bytes.ok()) return bytes.status();
  auto v = read(*bytes);
  if (!v.ok()) return Status::Corruption(path + ": " + v.status().message());
  return v;
}

Status PropertyList::writeFile(const std::string& path, const Value& value, unsigned mode) {
  auto xml = writeXml(value);
  if (!xml.ok()) return xml.status();
  return FileManager::defaultManager().writeAtomically(path, *xml, mode);
}

}  // namespace platform
