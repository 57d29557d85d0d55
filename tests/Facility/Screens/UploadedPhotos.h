// Reads what a complaint screen sent as "StrImgupload": the JSON text of
// Base64 PNG texts.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Platform/CommonCrypto/Base64.h"
#include "Platform/ImageIO/ImageCodec.h"

namespace screens_test {

// "WxH" of each PNG in the text, in order; "bad" for an element that is no
// Base64 PNG, "not an array" for a text that is no JSON array.
inline std::vector<std::string> uploadedSizes(const std::string& text) {
  std::vector<std::string> sizes;
  auto json = nlohmann::json::parse(text, nullptr, false);
  if (!json.is_array()) return {"not an array"};
  for (const auto& element : json) {
    if (!element.is_string()) {
      sizes.push_back("bad");
      continue;
    }
    auto bytes = platform::Base64::decode(element.get<std::string>());
    if (!bytes.ok() || !platform::ImageCodec::isPng(*bytes)) {
      sizes.push_back("bad");
      continue;
    }
    auto info = platform::ImageCodec::readInfo(*bytes);
    sizes.push_back(info.ok() ? std::to_string(info->width) + "x" + std::to_string(info->height) : "bad");
  }
  return sizes;
}

// Every "/" of the text is written "\/".
inline bool slashesEscaped(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '/' && (i == 0 || text[i - 1] != '\\')) return false;
  }
  return true;
}

}  // namespace screens_test
