#include "Analytics/Interpreter/APMPKeyValueStoreGetValue.h"

#include "Analytics/Interpreter/APMPExec.h"
#include "Analytics/Interpreter/APMPText.h"

APMPRuntimeValue APMPKeyValueStoreGetValue::invokeEvaluated(APMPValueSpan args, APMPExec& x) {
  if (args.size() != 2) {
    x.fail(kAPMPErrArgumentCount);
    return APMPRuntimeValue();
  }
  std::u16string key = args[0].stringValue(x);
  if (x.failed()) return APMPRuntimeValue();
  std::optional<std::string> value = getValueBlock_ ? getValueBlock_(APMPUtf8(key)) : std::nullopt;
  if (!value) return args[1];
  return APMPRuntimeValue::string(*value);
}
