#include "Analytics/Interpreter/APMPKeyValueStore.h"

APMPKeyValueStore::APMPKeyValueStore(std::u16string functionName, APMPKeyValueStoreGetValue::Block block)
    : APMPFunctionValue(std::move(functionName)) {
  properties().setValue(u"getValue", APMPRuntimeValue(new APMPKeyValueStoreGetValue(std::move(block))));
}
