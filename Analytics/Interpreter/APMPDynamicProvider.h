// Module creators by name, reached through "require".
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "Analytics/Interpreter/APMPExec.h"
#include "Analytics/Interpreter/APMPRuntimeValue.h"

// A module creator; no value (std::nullopt) stands for "nothing created".
using APMPModuleCreator = std::function<std::optional<APMPRuntimeValue>()>;

class APMPDynamicProvider {
 public:
  // A later creator for the same name replaces the earlier.
  void setModuleCreator(APMPModuleCreator creator, const std::u16string& name);
  // No creator: undefined and no error. A creator that makes nothing: error 15.
  std::optional<APMPRuntimeValue> moduleForName(const std::u16string& name, APMPExec& x) const;

 private:
  std::map<std::u16string, APMPModuleCreator> creators_;
};
