// The stored evaluation results of one audience: current and, when there
// are any, previous (encoded result messages).
#pragma once

#include <cstdint>
#include <optional>

#include "Platform/Foundation/Value.h"

class APMFilterResult {
 public:
  APMFilterResult(int32_t audienceID, platform::Bytes currentResults, std::optional<platform::Bytes> previousResults)
      : audienceID_(audienceID), currentResults_(std::move(currentResults)), previousResults_(std::move(previousResults)) {}

  int32_t audienceID() const { return audienceID_; }
  const platform::Bytes& currentResults() const { return currentResults_; }
  const std::optional<platform::Bytes>& previousResults() const { return previousResults_; }

 private:
  int32_t audienceID_;
  platform::Bytes currentResults_;
  std::optional<platform::Bytes> previousResults_;
};
