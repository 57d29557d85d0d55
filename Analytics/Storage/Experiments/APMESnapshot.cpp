#include "Analytics/Storage/Experiments/APMESnapshot.h"

#include "Analytics/Engine/Monitor/APMEMonitor.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/Experiments/APMEManager.h"
#include "Platform/Foundation/Clock.h"

namespace {

constexpr int32_t kSDKName = 0;
constexpr int32_t kExperiments = 1;

}  // namespace

APMESnapshot::APMESnapshot(std::string SDKName)
    : SDKName_(std::move(SDKName)), timestamp_(platform::Clock::nowSeconds()) {}

std::optional<APMESnapshot> APMESnapshot::initWithSDKName(
    const std::optional<std::string>& SDKName, const std::vector<std::optional<APMEExperiment>>* experiments) {
  if (!SDKName || SDKName->empty()) {
    APMEManager::monitor().logWithLevel(2, 840000, "Cannot create snapshot with an invalid SDK name");
    return std::nullopt;
  }
  if (experiments == nullptr) {
    APMEManager::monitor().logWithLevel(2, 840001, "Cannot create snapshot with an experiment list of nil");
    return std::nullopt;
  }
  APMESnapshot snapshot(*SDKName);
  for (const auto& experiment : *experiments) {
    if (!experiment) {
      APMEManager::monitor().logWithLevel(2, 840002, "Cannot create snapshot with an invalid experiment");
      return std::nullopt;
    }
    snapshot.experimentsByExperimentID_.insert_or_assign(experiment->experimentID(), *experiment);
  }
  return snapshot;
}

std::optional<APMESnapshot> APMESnapshot::initWithSDKName(const std::string& SDKName,
                                                          const std::vector<APMEExperiment>& experiments) {
  std::vector<std::optional<APMEExperiment>> list(experiments.begin(), experiments.end());
  return initWithSDKName(std::optional<std::string>(SDKName), &list);
}

std::optional<APMESnapshot> APMESnapshot::initWithProtobuf(const APMPBSnapshot& message) {
  std::vector<std::optional<APMEExperiment>> experiments;
  for (const auto& experiment : APMPBGetMessageArray<APMPBExperiment>(&message, kExperiments)) {
    experiments.emplace_back(APMEExperiment::initWithProtobuf(*experiment));
  }
  return initWithSDKName(APMPBGetString(&message, kSDKName), &experiments);
}

std::shared_ptr<APMPBFlag> APMESnapshot::flagByName(std::string_view name) const {
  for (const auto& [id, experiment] : experimentsByExperimentID_) {
    if (auto flag = experiment.flagWithName(name)) return flag;
  }
  return nullptr;
}

void APMESnapshot::addFlag(const APMPBObject& flag, std::optional<int64_t> experimentID) {
  if (!experimentID) {
    APMEManager::monitor().logWithLevel(2, 840003, "Cannot add flag into empty experiment ID");
    return;
  }
  if (!flag.isMessage() || &flag.message()->messageClass() != &APMPBFlag::klass()) {
    APMEManager::monitor().logWithLevel(2, 840004, "Cannot add an invalid flag into a snapshot", *experimentID);
    return;
  }
  auto it = experimentsByExperimentID_.find(*experimentID);
  if (it != experimentsByExperimentID_.end()) {
    it->second.addFlag(flag);
    return;
  }
  auto experiment = APMEExperiment::initWithExperimentID(
      *experimentID, {std::static_pointer_cast<APMPBFlag>(flag.message())});
  experimentsByExperimentID_.insert_or_assign(*experimentID, std::move(experiment));
}

void APMESnapshot::addFlags(const std::vector<APMPBObject>& flags, std::optional<int64_t> experimentID) {
  for (const APMPBObject& flag : flags) addFlag(flag, experimentID);
}

std::vector<APMEExperiment> APMESnapshot::experiments() const {
  std::vector<APMEExperiment> out;
  out.reserve(experimentsByExperimentID_.size());
  for (const auto& [id, experiment] : experimentsByExperimentID_) out.push_back(experiment);
  return out;
}

APMESnapshot APMESnapshot::copy() const {
  APMESnapshot snapshot(SDKName_);
  for (const auto& [id, experiment] : experimentsByExperimentID_) {
    snapshot.experimentsByExperimentID_.insert_or_assign(id, experiment.copy());
  }
  return snapshot;
}

std::shared_ptr<APMPBSnapshot> APMESnapshot::proto() const {
  auto message = std::make_shared<APMPBSnapshot>();
  APMPBSetString(message.get(), kSDKName, SDKName_);
  std::vector<std::shared_ptr<APMPBExperiment>> experiments;
  experiments.reserve(experimentsByExperimentID_.size());
  for (const auto& [id, experiment] : experimentsByExperimentID_) experiments.push_back(experiment.proto());
  APMPBSetMessageArray(message.get(), kExperiments, experiments);
  return message;
}
