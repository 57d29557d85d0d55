#include "Platform/Foundation/UserDefaults.h"

#include <cctype>
#include <charconv>
#include <limits>
#include <map>

#include "Platform/Foundation/DataRoot.h"

namespace platform {
namespace {

std::mutex g_registryMu;

std::string_view TrimLeft(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  return s.substr(i);
}

double LeadingDouble(std::string_view text) {
  std::string_view s = TrimLeft(text);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double d = 0;
  auto res = std::from_chars(s.data(), s.data() + s.size(), d);
  if (res.ec == std::errc::result_out_of_range) {
    bool negative = !s.empty() && s.front() == '-';
    // Tiny magnitudes underflow to zero, huge ones saturate.
    std::size_t e = s.find_first_of("eE");
    bool tiny = e != std::string_view::npos && e + 1 < s.size() && s[e + 1] == '-';
    if (tiny) return 0.0;
    return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
  }
  if (res.ec != std::errc()) return 0.0;
  return d;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

UserDefaults::UserDefaults(std::string name) : name_(std::move(name)) {}

UserDefaults& UserDefaults::standard() {
  static UserDefaults* standard = new UserDefaults(std::string());
  return *standard;
}

UserDefaults& UserDefaults::suite(std::string_view name) {
  if (name.empty() || name == DataRoot::applicationIdentifier()) return standard();
  std::lock_guard<std::mutex> lock(g_registryMu);
  // Leaked on purpose: suites are used from worker queues that may outlive
  // static destruction.
  static auto* registry = new std::map<std::string, std::unique_ptr<UserDefaults>, std::less<>>();
  auto it = registry->find(name);
  if (it == registry->end()) {
    it = registry->emplace(std::string(name), std::make_unique<UserDefaults>(std::string(name))).first;
  }
  return *it->second;
}

std::string UserDefaults::name() const {
  return name_.empty() ? DataRoot::applicationIdentifier() : name_;
}

std::string UserDefaults::pathForName(const std::string& name) {
  // A suite name is a name, never a path: no separators may leave the folder.
  std::string file = name;
  for (char& c : file) {
    if (c == '/' || c == '\0') c = '_';
  }
  return DataRoot::preferencesDirectory() + "/" + file + ".plist";
}

std::string UserDefaults::filePath() const { return pathForName(name()); }

const Value* UserDefaults::findLocked(std::string_view key) const {
  auto contents = file_.read(filePath());
  if (!contents.ok()) return nullptr;
  return (*contents)->find(key);
}

Status UserDefaults::mutate(const std::function<bool(Value& contents)>& change) {
  std::lock_guard<std::mutex> lock(mu_);
  return file_.modify(filePath(), change);
}

std::optional<Value> UserDefaults::objectForKey(std::string_view key) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Value* v = findLocked(key);
  if (!v) return std::nullopt;
  return *v;
}

Status UserDefaults::setObject(const Value& value, std::string_view key) {
  if (value.isNull()) return removeObjectForKey(key);
  return mutate([&](Value& contents) {
    if (const Value* old = contents.find(key); old && *old == value) return false;
    contents.set(std::string(key), value);
    return true;
  });
}

Status UserDefaults::removeObjectForKey(std::string_view key) {
  return mutate([&](Value& contents) { return contents.erase(key); });
}

std::vector<std::string> UserDefaults::allKeys() const {
  std::vector<std::string> keys;
  for (const auto& [k, v] : dictionaryRepresentation()) keys.push_back(k);
  return keys;
}

Value::Dictionary UserDefaults::dictionaryRepresentation() const {
  std::lock_guard<std::mutex> lock(mu_);
  auto contents = file_.read(filePath());
  if (!contents.ok() || !(*contents)->isDictionary()) return {};
  return *(*contents)->getDictionary();
}

bool UserDefaults::synchronize() { return true; }

std::optional<std::string> UserDefaults::stringObjectForKey(std::string_view key) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Value* v = findLocked(key);
  if (!v || !v->isString()) return std::nullopt;
  return *v->getString();
}

std::optional<std::int64_t> UserDefaults::integerObjectForKey(std::string_view key) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Value* v = findLocked(key);
  return v ? v->getInt() : std::nullopt;
}

std::optional<double> UserDefaults::doubleObjectForKey(std::string_view key) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Value* v = findLocked(key);
  return v ? v->getDouble() : std::nullopt;
}

std::optional<bool> UserDefaults::boolObjectForKey(std::string_view key) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Value* v = findLocked(key);
  return v ? v->getBool() : std::nullopt;
}

std::optional<Value::Array> UserDefaults::arrayForKey(std::string_view key) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Value* v = findLocked(key);
  if (!v || !v->isArray()) return std::nullopt;
  return *v->getArray();
}

std::optional<Value::Dictionary> UserDefaults::dictionaryForKey(std::string_view key) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Value* v = findLocked(key);
  if (!v || !v->isDictionary()) return std::nullopt;
  return *v->getDictionary();
}

std::optional<Bytes> UserDefaults::dataForKey(std::string_view key) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Value* v = findLocked(key);
  if (!v || !v->isBytes()) return std::nullopt;
  return *v->getBytes();
}

std::int64_t UserDefaults::leadingInteger(std::string_view text) {
  std::string_view s = TrimLeft(text);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  std::int64_t value = 0;  // accumulated as a negative number to reach INT64_MIN
  for (char c : s) {
    if (c < '0' || c > '9') break;
    int digit = c - '0';
    if (value < (kMin + digit) / 10) return negative ? kMin : kMax;
    value = value * 10 - digit;
  }
  if (negative) return value;
  return value == kMin ? kMax : -value;
}

std::int64_t UserDefaults::integerForKey(std::string_view key) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Value* v = findLocked(key);
  if (!v) return 0;
  if (auto n = v->numberAsInt64()) return *n;
  if (const std::string* s = v->getString()) return leadingInteger(*s);
  return 0;
}

double UserDefaults::doubleForKey(std::string_view key) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Value* v = findLocked(key);
  if (!v) return 0;
  if (auto n = v->numberAsDouble()) return *n;
  if (const std::string* s = v->getString()) return LeadingDouble(*s);
  return 0;
}

bool UserDefaults::boolForKey(std::string_view key) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Value* v = findLocked(key);
  if (!v) return false;
  if (auto n = v->numberAsDouble()) return *n != 0;
  if (const std::string* s = v->getString()) {
    std::string_view t = TrimLeft(*s);
    return EqualsIgnoringCase(t, "true") || EqualsIgnoringCase(t, "yes") || leadingInteger(t) != 0;
  }
  return false;
}

std::optional<std::string> UserDefaults::stringForKey(std::string_view key) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Value* v = findLocked(key);
  if (!v) return std::nullopt;
  if (const std::string* s = v->getString()) return *s;
  if (auto b = v->getBool()) return std::string(*b ? "1" : "0");
  if (auto i = v->getInt()) return std::to_string(*i);
  if (auto d = v->getDouble()) return FormatDouble(*d);
  return std::nullopt;
}

Status UserDefaults::removePersistentDomainForName(std::string_view name) {
  return suite(name).mutate([](Value& contents) {
    if (contents.isNull()) return false;
    contents = Value();
    return true;
  });
}

Status UserDefaults::setPersistentDomain(const Value::Dictionary& domain, std::string_view name) {
  return suite(name).mutate([&](Value& contents) {
    contents = Value(domain);
    return true;
  });
}

std::optional<Value::Dictionary> UserDefaults::persistentDomainForName(std::string_view name) {
  UserDefaults& defaults = suite(name);
  std::lock_guard<std::mutex> lock(defaults.mu_);
  auto contents = defaults.file_.read(defaults.filePath());
  if (!contents.ok() || !(*contents)->isDictionary()) return std::nullopt;
  return *(*contents)->getDictionary();
}

}  // namespace platform
