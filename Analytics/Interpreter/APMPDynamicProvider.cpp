#include "Analytics/Interpreter/APMPDynamicProvider.h"

void APMPDynamicProvider::setModuleCreator(APMPModuleCreator creator, const std::u16string& name) {
  creators_[name] = std::move(creator);
}

std::optional<APMPRuntimeValue> APMPDynamicProvider::moduleForName(const std::u16string& name, APMPExec& x) const {
  auto it = creators_.find(name);
  if (it == creators_.end() || !it->second) return APMPRuntimeValue();
  std::optional<APMPRuntimeValue> v = it->second();
  if (!v) {
    x.fail(kAPMPErrModuleMissing);
    return std::nullopt;
  }
  return v;
}
