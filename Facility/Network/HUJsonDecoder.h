// How HttpUtility turns reply text into a record. The date strategy is the
// only setting: records with date fields ask the decoder to read them.
#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "Platform/Foundation/Value.h"

class HUJsonDecoder {
 public:
  using DateDecodingStrategy = std::function<std::optional<platform::Date>(std::string_view)>;

  // Dates as internet date-time text ("2026-03-01T09:30:00Z").
  static HUJsonDecoder iso8601();
  explicit HUJsonDecoder(DateDecodingStrategy strategy) : dateDecodingStrategy_(std::move(strategy)) {}

  std::optional<platform::Date> decodeDate(std::string_view text) const {
    return dateDecodingStrategy_ ? dateDecodingStrategy_(text) : std::nullopt;
  }

 private:
  DateDecodingStrategy dateDecodingStrategy_;
};
