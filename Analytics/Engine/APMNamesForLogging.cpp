#include "Analytics/Engine/APMNamesForLogging.h"

#include <algorithm>
#include <cctype>

#include "Analytics/Engine/APMEventUtilities.h"
#include "Analytics/Engine/APMLowercase.h"
#include "Analytics/Engine/APMParameterNames.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Engine/Monitor/APMUserPropertyNames.h"
#include "Platform/Runtime/ClassRegistry.h"

namespace {

bool Verbose() {
  return APMMeasurementMonitor().isDebugModeEnabled() && platform::ClassRegistry::shared().classExists("QRVAnalytics");
}

template <typename Map>
std::vector<std::pair<std::string, std::string>> Pairs(const Map& map) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& [key, value] : map) {
    if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::string>) {
      out.emplace_back(key, value);
    } else {
      out.emplace_back(key, value.getString() ? *value.getString() : std::string());
    }
  }
  return out;
}

std::string ParameterValueText(const std::string& key, const platform::Value& value) {
  if (const auto* array = value.getArray()) return APMArrayForLogging(*array);
  if (key == "_err" && value.isInteger()) {
    auto names = APMErrorCodeNames();
    auto it = names.find(*value.getInt());
    if (it == names.end()) return std::to_string(*value.getInt());
    return it->second + " (" + std::to_string(*value.getInt()) + ")";
  }
  if (const auto* text = value.getString()) return *text;
  return value.description();
}

std::string DictionaryForLogging(const platform::Value::Dictionary& parameters, const std::string& indent) {
  std::vector<std::string> lines;
  for (const auto& [key, value] : parameters) {
    lines.push_back(indent + "    " + APMParameterNameForLogging(key) + " = " + ParameterValueText(key, value) + ";\n");
  }
  std::sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) { return Lower(a) < Lower(b); });
  std::string out = indent + "{\n";
  for (const auto& line : lines) out += line;
  return out + indent + "}";
}

}  // namespace

std::string APMNameForLogging(std::string_view name, const std::vector<std::pair<std::string, std::string>>& table) {
  if (name.empty() || table.empty() || name[0] != '_' || !Verbose()) return std::string(name);
  std::string chosen;
  bool found = false;
  bool chosenIsPlain = false;
  for (const auto& [publicName, internalName] : table) {
    if (internalName != name) continue;
    bool plain = publicName.rfind("quorvane_", 0) != 0;
    if (plain) {
      if (!chosenIsPlain) {
        chosen = publicName;
        chosenIsPlain = true;
      }
    } else if (!chosenIsPlain) {
      chosen = publicName;  // the last "quorvane_" one, unless a plain one turns up
    }
    found = true;
  }
  if (!found) return std::string(name);
  return chosen + " (" + std::string(name) + ")";
}

std::string APMEventNameForLogging(std::string_view name) {
  static const auto* pairs = new std::vector<std::pair<std::string, std::string>>(Pairs(APMPublicToInternalEventNames()));
  return APMNameForLogging(name, *pairs);
}

std::string APMParameterNameForLogging(std::string_view name) {
  return APMNameForLogging(name, APMPublicToInternalParameterNamePairs());
}

std::string APMUserPropertyNameForLogging(std::string_view name) {
  if (name.rfind("_exp_", 0) == 0) return "experiment_id (" + std::string(name) + ")";
  static const auto* pairs =
      new std::vector<std::pair<std::string, std::string>>(Pairs(APMPublicToInternalUserPropertyNames()));
  return APMNameForLogging(name, *pairs);
}

std::string APMParametersForLogging(const APMEvent::Parameters& parameters) {
  return APMParametersForLoggingWithIndent(parameters, "");
}

std::string APMParametersForLoggingWithIndent(const APMEvent::Parameters& parameters, const std::string& indent) {
  platform::Value::Dictionary plain;
  for (const auto& [key, value] : parameters) plain[key] = value.plainValue();
  if (!APMMeasurementMonitor().isDebugModeEnabled()) return platform::Value(plain).description();
  return DictionaryForLogging(plain, indent);
}

std::string APMArrayForLogging(const platform::Value::Array& array) {
  if (!APMMeasurementMonitor().isDebugModeEnabled()) return platform::Value(array).description();
  std::string out = "[\n";
  for (size_t i = 0; i < array.size(); ++i) {
    if (i > 0) out += ",\n";
    if (const auto* dictionary = array[i].getDictionary()) {
      out += DictionaryForLogging(*dictionary, "    ");
    } else {
      out += array[i].description();
    }
  }
  return out + "\n    ]";
}
