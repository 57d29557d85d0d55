#include "Platform/Foundation/Value.h"

#include <charconv>
#include <cmath>
#include <limits>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/JsonText.h"

namespace platform {
namespace {

// Deep copies keep copies independent, so a Value handed to another thread
// shares no mutable state with the sender.
template <typename T>
std::shared_ptr<T> Clone(const std::shared_ptr<T>& p) {
  return p ? std::make_shared<T>(*p) : std::make_shared<T>();
}

void AppendEscaped(std::string& out, const std::string& s) {
  out += '"';
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
}

}  // namespace

std::string FormatDouble(double d) {
  if (std::isnan(d)) return "nan";
  if (std::isinf(d)) return d > 0 ? "inf" : "-inf";
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, d);
  return std::string(buf, res.ptr);
}

Value::Value(const Value& other) { *this = other; }

Value& Value::operator=(const Value& other) {
  if (this == &other) return *this;
  if (auto* a = std::get_if<std::shared_ptr<Array>>(&other.v_)) {
    v_ = Clone(*a);
  } else if (auto* d = std::get_if<std::shared_ptr<Dictionary>>(&other.v_)) {
    v_ = Clone(*d);
  } else {
    v_ = other.v_;
  }
  return *this;
}

Value::Type Value::type() const {
  switch (v_.index()) {
    case 0: return Type::kNull;
    case 1: return Type::kBool;
    case 2: return Type::kInteger;
    case 3: return Type::kDouble;
    case 4: return Type::kString;
    case 5: return Type::kBytes;
    case 6: return Type::kDate;
    case 7: return Type::kArray;
    default: return Type::kDictionary;
  }
}

const char* Value::typeName(Type type) {
  switch (type) {
    case Type::kNull: return "null";
    case Type::kBool: return "bool";
    case Type::kInteger: return "integer";
    case Type::kDouble: return "double";
    case Type::kString: return "string";
    case Type::kBytes: return "bytes";
    case Type::kDate: return "date";
    case Type::kArray: return "array";
    case Type::kDictionary: return "dictionary";
  }
  return "unknown";
}

std::optional<bool> Value::getBool() const {
  if (auto* p = std::get_if<bool>(&v_)) return *p;
  return std::nullopt;
}
std::optional<std::int64_t> Value::getInt() const {
  if (auto* p = std::get_if<std::int64_t>(&v_)) return *p;
  return std::nullopt;
}
std::optional<double> Value::getDouble() const {
  if (auto* p = std::get_if<double>(&v_)) return *p;
  return std::nullopt;
}
std::optional<Date> Value::getDate() const {
  if (auto* p = std::get_if<Date>(&v_)) return *p;
  return std::nullopt;
}
const std::string* Value::getString() const { return std::get_if<std::string>(&v_); }
const Bytes* Value::getBytes() const { return std::get_if<Bytes>(&v_); }
const Value::Array* Value::getArray() const {
  auto* p = std::get_if<std::shared_ptr<Array>>(&v_);
  return p ? p->get() : nullptr;
}
const Value::Dictionary* Value::getDictionary() const {
  auto* p = std::get_if<std::shared_ptr<Dictionary>>(&v_);
  return p ? p->get() : nullptr;
}
Value::Array* Value::mutableArray() {
  auto* p = std::get_if<std::shared_ptr<Array>>(&v_);
  return p ? p->get() : nullptr;
}
Value::Dictionary* Value::mutableDictionary() {
  auto* p = std::get_if<std::shared_ptr<Dictionary>>(&v_);
  return p ? p->get() : nullptr;
}

std::optional<std::int64_t> Value::numberAsInt64() const {
  if (auto b = getBool()) return *b ? 1 : 0;
  if (auto i = getInt()) return *i;
  if (auto d = getDouble()) {
    if (std::isnan(*d)) return 0;
    // 2^63 is exactly representable; anything at or above it clamps.
    if (*d >= 9223372036854775808.0) return std::numeric_limits<std::int64_t>::max();
    if (*d <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(*d);
  }
  return std::nullopt;
}

std::optional<double> Value::numberAsDouble() const {
  if (auto b = getBool()) return *b ? 1.0 : 0.0;
  if (auto i = getInt()) return static_cast<double>(*i);
  if (auto d = getDouble()) return *d;
  return std::nullopt;
}

const Value* Value::find(std::string_view key) const {
  const Dictionary* d = getDictionary();
  if (!d) return nullptr;
  auto it = d->find(key);
  return it == d->end() ? nullptr : &it->second;
}

void Value::set(std::string key, Value value) {
  if (isNull()) *this = dictionary();
  if (Dictionary* d = mutableDictionary()) (*d)[std::move(key)] = std::move(value);
}

bool Value::erase(std::string_view key) {
  Dictionary* d = mutableDictionary();
  if (!d) return false;
  auto it = d->find(key);
  if (it == d->end()) return false;
  d->erase(it);
  return true;
}

void Value::append(Value value) {
  if (isNull()) *this = array();
  if (Array* a = mutableArray()) a->push_back(std::move(value));
}

std::size_t Value::size() const {
  if (auto* a = getArray()) return a->size();
  if (auto* d = getDictionary()) return d->size();
  if (auto* s = getString()) return s->size();
  if (auto* b = getBytes()) return b->size();
  return 0;
}

bool operator==(const Value& a, const Value& b) {
  if (a.type() != b.type()) return false;
  if (auto* x = a.getArray()) return *x == *b.getArray();
  if (auto* x = a.getDictionary()) return *x == *b.getDictionary();
  return a.v_ == b.v_;
}

Value Value::fromJson(const nlohmann::json& in) {
  using json = nlohmann::json;
  switch (in.type()) {
    case json::value_t::null:
    case json::value_t::discarded:
      return Value();
    case json::value_t::boolean:
      return Value(in.get<bool>());
    case json::value_t::number_integer:
      return Value(in.get<std::int64_t>());
    case json::value_t::number_unsigned: {
      auto u = in.get<std::uint64_t>();
      if (u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return Value(static_cast<std::int64_t>(u));
      }
      return Value(static_cast<double>(u));
    }
    case json::value_t::number_float:
      return Value(in.get<double>());
    case json::value_t::string:
      return Value(in.get<std::string>());
    case json::value_t::binary: {
      const auto& bin = in.get_binary();
      return Value(Bytes(bin.begin(), bin.end()));
    }
    case json::value_t::array: {
      Array out;
      out.reserve(in.size());
      for (const auto& e : in) out.push_back(fromJson(e));
      return Value(std::move(out));
    }
    case json::value_t::object: {
      Dictionary out;
      for (auto it = in.begin(); it != in.end(); ++it) out.emplace(it.key(), fromJson(it.value()));
      return Value(std::move(out));
    }
  }
  return Value();
}

Result<nlohmann::json> Value::toJson() const {
  using json = nlohmann::json;
  switch (type()) {
    case Type::kNull: return json(nullptr);
    case Type::kBool: return json(*getBool());
    case Type::kInteger: return json(*getInt());
    case Type::kDouble: {
      double d = *getDouble();
      if (!std::isfinite(d)) return Status::InvalidArgument("non-finite number has no JSON form");
      return json(d);
    }
    case Type::kString: return json(*getString());
    case Type::kBytes: return Status::InvalidArgument("bytes have no JSON form");
    case Type::kDate: return Status::InvalidArgument("a date has no JSON form");
    case Type::kArray: {
      json out = json::array();
      for (const auto& e : *getArray()) {
        auto j = e.toJson();
        if (!j.ok()) return j.status();
        out.push_back(std::move(j).value());
      }
      return out;
    }
    case Type::kDictionary: {
      json out = json::object();
      for (const auto& [k, e] : *getDictionary()) {
        auto j = e.toJson();
        if (!j.ok()) return j.status();
        out[k] = std::move(j).value();
      }
      return out;
    }
  }
  return Status::Internal("unknown value kind");
}

Result<Value> Value::parseJson(std::string_view text) {
  // Conversion recurses per level; hostile nesting must not exhaust the stack.
  int depth = 0;
  bool inString = false, escaped = false;
  for (char c : text) {
    if (inString) {
      if (escaped) escaped = false;
      else if (c == '\\') escaped = true;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxJsonDepth) return Status::InvalidArgument("JSON text nests too deep");
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  nlohmann::json j = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (j.is_discarded()) return Status::InvalidArgument("malformed JSON text");
  return fromJson(j);
}

Result<std::string> Value::toJsonString() const {
  auto j = toJson();
  if (!j.ok()) return j.status();
  return JsonText::dump(*j);
}

std::string Value::description() const {
  std::string out;
  switch (type()) {
    case Type::kNull: return "null";
    case Type::kBool: return *getBool() ? "true" : "false";
    case Type::kInteger: return std::to_string(*getInt());
    case Type::kDouble: return FormatDouble(*getDouble());
    case Type::kString: AppendEscaped(out, *getString()); return out;
    case Type::kBytes: {
      static const char* kHex = "0123456789abcdef";
      out = "<";
      for (std::uint8_t b : *getBytes()) {
        out += kHex[b >> 4];
        out += kHex[b & 15];
      }
      return out + ">";
    }
    case Type::kDate: return "@" + FormatDouble(getDate()->secondsSince1970);
    case Type::kArray: {
      out = "[";
      bool first = true;
      for (const auto& e : *getArray()) {
        if (!first) out += ", ";
        first = false;
        out += e.description();
      }
      return out + "]";
    }
    case Type::kDictionary: {
      out = "{";
      bool first = true;
      for (const auto& [k, e] : *getDictionary()) {
        if (!first) out += ", ";
        first = false;
        AppendEscaped(out, k);
        out += ": ";
        out += e.description();
      }
      return out + "}";
    }
  }
  return out;
}

}  // namespace platform
