#include "Facility/Network/ExchangeLog.h"

#include <nlohmann/json.hpp>

#include "Facility/Support/JSONString.h"
#include "Platform/Foundation/JsonText.h"

using platform::Value;

bool ExchangeLog::isSecretRequestKey(std::string_view key) {
  return key == "Password" || key == "password" || key == "OTP" || key == "refresh_token" || key == "SecurityCode";
}

bool ExchangeLog::isSecretReplyKey(std::string_view key) {
  return key == "AccessToken" || key == "RefreshToken" || key == "ApiKey" || key == "encryptedUserName" ||
         key == "encryptedPassword" || key == "access_token" || key == "refresh_token";
}

std::string ExchangeLog::shorten(std::string_view text) {
  if (text.size() <= kLongValueBytes) return std::string(text);
  std::size_t cut = kShownBytes;
  // Never split a UTF-8 sequence.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return std::string(text.substr(0, cut)) + "\xE2\x80\xA6(" + std::to_string(text.size()) + " bytes)";
}

namespace {

Value maskValue(const Value& v) {
  if (v.isString()) return Value(ExchangeLog::shorten(*v.getString()));
  if (v.isArray()) {
    Value::Array out;
    out.reserve(v.getArray()->size());
    for (const auto& e : *v.getArray()) out.push_back(maskValue(e));
    return Value(std::move(out));
  }
  if (v.isDictionary()) return ExchangeLog::maskedParameters(*v.getDictionary());
  return v;
}

void maskJson(nlohmann::json& j) {
  if (j.is_object()) {
    for (auto it = j.begin(); it != j.end(); ++it) {
      if (ExchangeLog::isSecretReplyKey(it.key()) && !it.value().is_null()) {
        it.value() = ExchangeLog::kMask;
      } else {
        maskJson(it.value());
      }
    }
  } else if (j.is_array()) {
    for (auto& e : j) maskJson(e);
  } else if (j.is_string()) {
    const auto& s = j.get_ref<const std::string&>();
    if (s.size() > ExchangeLog::kLongValueBytes) j = ExchangeLog::shorten(s);
  }
}

void describeInto(const Value& v, std::string& out) {
  switch (v.type()) {
    case Value::Type::kString: {
      out.push_back('"');
      for (char c : *v.getString()) {
        if (c == '"' || c == '\\') out.push_back('\\');
        out.push_back(c);
      }
      out.push_back('"');
      return;
    }
    case Value::Type::kArray: {
      out.push_back('[');
      bool first = true;
      for (const auto& e : *v.getArray()) {
        if (!first) out += ", ";
        first = false;
        describeInto(e, out);
      }
      out.push_back(']');
      return;
    }
    case Value::Type::kDictionary: {
      const auto& d = *v.getDictionary();
      if (d.empty()) {
        out += "[:]";
        return;
      }
      out.push_back('[');
      bool first = true;
      for (const auto& [k, e] : d) {
        if (!first) out += ", ";
        first = false;
        describeInto(Value(k), out);
        out += ": ";
        describeInto(e, out);
      }
      out.push_back(']');
      return;
    }
    case Value::Type::kNull: out += "<null>"; return;
    case Value::Type::kBool: out += *v.getBool() ? "true" : "false"; return;
    default: out += v.description(); return;
  }
}

}  // namespace

Value ExchangeLog::maskedParameters(const Value::Dictionary& params) {
  Value::Dictionary out;
  for (const auto& [key, value] : params) {
    out.emplace(key, isSecretRequestKey(key) ? Value(kMask) : maskValue(value));
  }
  return Value(std::move(out));
}

std::string ExchangeLog::maskedReply(std::string_view body) {
  nlohmann::json j = nlohmann::json::parse(body, nullptr, false);
  if (j.is_discarded()) return shorten(body);
  maskJson(j);
  return platform::JsonText::dump(j);
}

std::string ExchangeLog::describe(const Value& value) {
  std::string out;
  describeInto(value, out);
  return out;
}

std::string ExchangeLog::exchangeBlock(const std::string& method, const std::string& url, int status,
                                       const std::optional<Value::Dictionary>& params,
                                       const std::vector<std::pair<std::string, std::string>>& headers,
                                       const std::string& responseDescription) {
  Value masked = maskedParameters(params.value_or(Value::Dictionary{}));
  std::string body = params ? "Optional(" + describe(Value(jsonString(true, masked))) + ")" : "nil";
  std::string headerText = "[";
  for (std::size_t i = 0; i < headers.size(); ++i) {
    const auto& [name, value] = headers[i];
    headerText += (i ? ", " : "") + describe(Value(name)) + ": " + describe(Value(name == "Authorization" ? kMask : value));
  }
  headerText += "]";
  std::string out = "\n\n\n\n";
  out += std::string(kSeparator) + "\n";
  out += "METHOD..: " + method + "\n";
  out += "URL.....: " + url + "\n";
  out += "STATUS..: " + std::to_string(status) + "\n";
  out += "params:  " + describe(masked) + "\n";
  out += "BODY....: " + body + "\n";
  out += "HEADERS....: " + headerText + "\n";
  out += "Response: " + responseDescription + "\n";
  out += std::string(kSeparator) + "\n\n\n\n";
  return out;
}

std::string ExchangeLog::rawBlock(const std::string& url, const std::string& rawDescription) {
  return "- - - - -- api url: " + url + "\nJson String: " + rawDescription + "\n- - - - -- ";
}
