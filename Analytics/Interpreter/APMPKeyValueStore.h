// A key-value store module ("internal.remoteConfig") with its "getValue".
#pragma once

#include "Analytics/Interpreter/APMPKeyValueStoreGetValue.h"

class APMPKeyValueStore final : public APMPFunctionValue {
 public:
  APMPKeyValueStore(std::u16string functionName, APMPKeyValueStoreGetValue::Block block);
};
