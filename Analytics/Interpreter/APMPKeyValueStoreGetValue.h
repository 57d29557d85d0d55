// "getValue" of a key-value store: the stored string for a key, else the default.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "Analytics/Interpreter/APMPFunctionValue.h"

class APMPKeyValueStoreGetValue final : public APMPFunctionValue {
 public:
  using Block = std::function<std::optional<std::string>(const std::string& key)>;
  explicit APMPKeyValueStoreGetValue(Block block) : APMPFunctionValue(u"getValue"), getValueBlock_(std::move(block)) {}
  APMPRuntimeValue invokeEvaluated(APMPValueSpan arguments, APMPExec& x) override;

 private:
  Block getValueBlock_;
};
