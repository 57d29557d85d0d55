#include "Analytics/Storage/Experiments/APMEExperiment.h"

#include "Analytics/Engine/Monitor/APMEMonitor.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/Experiments/APMEManager.h"

namespace {

constexpr int32_t kFlagName = 0;
constexpr int32_t kExperimentID = 0;
constexpr int32_t kExperimentFlags = 1;

std::shared_ptr<APMPBFlag> AsFlag(const APMPBObject& object) {
  if (!object.isMessage() || &object.message()->messageClass() != &APMPBFlag::klass()) return nullptr;
  return std::static_pointer_cast<APMPBFlag>(object.message());
}

}  // namespace

std::optional<APMEExperiment> APMEExperiment::initWithExperimentID(const APMPBObject& experimentID,
                                                                   const std::vector<APMPBObject>* flags) {
  if (experimentID.isNil()) {
    APMEManager::monitor().logWithLevel(2, 870000, "Cannot create an experiment without ID");
    return std::nullopt;
  }
  if (!experimentID.isNumber()) {
    APMEManager::monitor().logWithLevel(2, 870001, "Experiment ID must be a number. ID",
                                        APMLogContext::className(experimentID.className()));
    return std::nullopt;
  }
  if (flags == nullptr) {
    APMEManager::monitor().logWithLevel(2, 870002, "Cannot create an experiment with invalid flags");
    return std::nullopt;
  }
  APMEExperiment experiment(experimentID.number()->longLongValue());
  for (const APMPBObject& element : *flags) {
    auto flag = AsFlag(element);
    if (!flag) {
      APMEManager::monitor().logWithLevel(2, 870003, "Cannot add non-flag into the experiment. Flag",
                                          APMLogContext::className(element.className()));
      return std::nullopt;
    }
    experiment.addFlag(flag);
  }
  return experiment;
}

APMEExperiment APMEExperiment::initWithExperimentID(int64_t experimentID,
                                                    const std::vector<std::shared_ptr<APMPBFlag>>& flags) {
  APMEExperiment experiment(experimentID);
  for (const auto& flag : flags) experiment.addFlag(flag);
  return experiment;
}

APMEExperiment APMEExperiment::initWithProtobuf(const APMPBExperiment& message) {
  APMEExperiment experiment(APMPBHasField(&message, kExperimentID) ? APMPBGetInt32(&message, kExperimentID) : 0);
  for (const auto& flag : APMPBGetMessageArray<APMPBFlag>(&message, kExperimentFlags)) experiment.addFlag(flag);
  return experiment;
}

std::vector<std::shared_ptr<APMPBFlag>> APMEExperiment::flags() const {
  std::vector<std::shared_ptr<APMPBFlag>> out;
  out.reserve(flagsByName_.size());
  for (const auto& [name, flag] : flagsByName_) out.push_back(flag);
  return out;
}

void APMEExperiment::addFlag(const APMPBObject& flag) {
  if (flag.isNil()) {
    APMEManager::monitor().logWithLevel(2, 870004, "Cannot add empty flag into an experiment. ID", experimentID_);
    return;
  }
  auto typed = AsFlag(flag);
  if (!typed) {
    APMEManager::monitor().logWithLevel(2, 870005, "Cannot add non-flag object into the experiment. Flag",
                                        APMLogContext::className(flag.className()));
    return;
  }
  addFlag(typed);
}

void APMEExperiment::addFlag(const std::shared_ptr<APMPBFlag>& flag) {
  if (!flag) {
    APMEManager::monitor().logWithLevel(2, 870004, "Cannot add empty flag into an experiment. ID", experimentID_);
    return;
  }
  auto name = APMPBHasField(flag.get(), kFlagName) ? APMPBGetString(flag.get(), kFlagName) : std::nullopt;
  if (!name) {
    APMEManager::monitor().logWithLevel(2, 870006, "Cannot add a flag without name into an experiment. ID",
                                        experimentID_);
    return;
  }
  flagsByName_[*name] = flag;
}

std::shared_ptr<APMPBFlag> APMEExperiment::flagWithName(std::string_view name) const {
  if (name.empty()) {
    APMEManager::monitor().logWithLevel(2, 870007, "Cannot retrieve a flag without a flag name");
    return nullptr;
  }
  auto it = flagsByName_.find(name);
  return it == flagsByName_.end() ? nullptr : it->second;
}

APMEExperiment APMEExperiment::copy() const {
  APMEExperiment experiment(experimentID_);
  for (const auto& [name, flag] : flagsByName_) experiment.flagsByName_[name] = flag->copy();
  return experiment;
}

std::shared_ptr<APMPBExperiment> APMEExperiment::proto() const {
  auto message = std::make_shared<APMPBExperiment>();
  APMPBSetInt32(message.get(), kExperimentID, static_cast<int32_t>(static_cast<uint32_t>(experimentID_)));
  APMPBSetMessageArray(message.get(), kExperimentFlags, flags());
  return message;
}
