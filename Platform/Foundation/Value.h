// One variant for property-list-like data: null, bool, int64, double, text,
// bytes, date, array and dictionary. Bool, integer and floating numbers stay
// distinct kinds: true, 1 and 1.0 are three different values and compare
// unequal. Dictionaries are sorted by key (std::map), so iteration order and
// every serialised form are deterministic.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "Platform/Foundation/Status.h"

namespace platform {

using Bytes = std::vector<std::uint8_t>;

// A point in time as seconds since 1970-01-01 UTC.
struct Date {
  double secondsSince1970 = 0;
  friend bool operator==(const Date&, const Date&) = default;
  friend auto operator<=>(const Date&, const Date&) = default;
};

class Value {
 public:
  enum class Type { kNull, kBool, kInteger, kDouble, kString, kBytes, kDate, kArray, kDictionary };

  using Array = std::vector<Value>;
  using Dictionary = std::map<std::string, Value, std::less<>>;

  Value() = default;  // null
  Value(std::nullptr_t) {}  // NOLINT
  Value(bool b) : v_(b) {}  // NOLINT
  // Every integral type but bool becomes an int64 (unsigned values above
  // INT64_MAX wrap; callers with such values should pass a double).
  template <typename T,
            std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>, int> = 0>
  Value(T i) : v_(static_cast<std::int64_t>(i)) {}  // NOLINT
  Value(double d) : v_(d) {}  // NOLINT
  Value(float f) : v_(static_cast<double>(f)) {}  // NOLINT
  Value(const char* s) : v_(std::string(s ? s : "")) {}  // NOLINT
  Value(std::string s) : v_(std::move(s)) {}  // NOLINT
  Value(std::string_view s) : v_(std::string(s)) {}  // NOLINT
  Value(Bytes b) : v_(std::move(b)) {}  // NOLINT
  Value(Date d) : v_(d) {}  // NOLINT
  Value(Array a) : v_(std::make_shared<Array>(std::move(a))) {}  // NOLINT
  Value(Dictionary d) : v_(std::make_shared<Dictionary>(std::move(d))) {}  // NOLINT

  Value(const Value& other);
  // A moved-from Value is null.
  Value(Value&& other) noexcept : v_(std::move(other.v_)) { other.v_ = std::monostate{}; }
  Value& operator=(const Value& other);
  Value& operator=(Value&& other) noexcept {
    if (this != &other) {
      v_ = std::move(other.v_);
      other.v_ = std::monostate{};
    }
    return *this;
  }

  static Value array() { return Value(Array{}); }
  static Value dictionary() { return Value(Dictionary{}); }
  static Value bytes(std::string_view raw) { return Value(Bytes(raw.begin(), raw.end())); }
  static Value date(double secondsSince1970) { return Value(Date{secondsSince1970}); }

  Type type() const;
  static const char* typeName(Type type);  // "null", "bool", "integer", ...
  bool isNull() const { return type() == Type::kNull; }
  bool isBool() const { return type() == Type::kBool; }
  bool isInteger() const { return type() == Type::kInteger; }
  bool isDouble() const { return type() == Type::kDouble; }
  // A number in the platform's sense: bool, integer or double.
  bool isNumber() const { return isBool() || isInteger() || isDouble(); }
  bool isString() const { return type() == Type::kString; }
  bool isBytes() const { return type() == Type::kBytes; }
  bool isDate() const { return type() == Type::kDate; }
  bool isArray() const { return type() == Type::kArray; }
  bool isDictionary() const { return type() == Type::kDictionary; }

  // Strict reads: a value only when the kind matches exactly.
  std::optional<bool> getBool() const;
  std::optional<std::int64_t> getInt() const;
  std::optional<double> getDouble() const;
  std::optional<Date> getDate() const;
  const std::string* getString() const;
  const Bytes* getBytes() const;
  const Array* getArray() const;
  const Dictionary* getDictionary() const;
  // Mutable access to this value's own container (copies are deep).
  Array* mutableArray();
  Dictionary* mutableDictionary();

  // Number reads: bool (0/1), integer or double; none for other kinds.
  // numberAsInt64 truncates doubles toward zero and clamps to the int64
  // range (NaN gives 0).
  std::optional<std::int64_t> numberAsInt64() const;
  std::optional<double> numberAsDouble() const;

  // Dictionary helpers. find gives nullptr when this is no dictionary or the
  // key is absent; set turns a null value into a dictionary first and does
  // nothing on other kinds.
  const Value* find(std::string_view key) const;
  void set(std::string key, Value value);
  bool erase(std::string_view key);
  // Array helper: turns null into an array first; does nothing on other kinds.
  void append(Value value);
  // Element count of an array, dictionary, text or bytes; 0 otherwise.
  std::size_t size() const;

  // Deep comparison; kinds must match (1 != 1.0 != true).
  friend bool operator==(const Value& a, const Value& b);
  friend bool operator!=(const Value& a, const Value& b) { return !(a == b); }

  // JSON. JSON has no bytes or dates, so toJson refuses them (as it refuses
  // non-finite doubles) instead of inventing an encoding.
  static Value fromJson(const nlohmann::json& json);
  Result<nlohmann::json> toJson() const;
  // Text forms; parseJson gives InvalidArgument for malformed text and for
  // nesting deeper than kMaxJsonDepth.
  static Result<Value> parseJson(std::string_view text);
  static constexpr int kMaxJsonDepth = 512;
  Result<std::string> toJsonString() const;

  // Human-readable one-line form for log lines; never fails.
  std::string description() const;

 private:
  using Storage = std::variant<std::monostate, bool, std::int64_t, double, std::string, Bytes,
                               Date, std::shared_ptr<Array>, std::shared_ptr<Dictionary>>;
  Storage v_;
};

// Shortest decimal text of a number that reads back to the same value
// ("1.5", "0.1", "100"); used where the platform prints a number's text.
std::string FormatDouble(double d);

}  // namespace platform
