// One experiment the service assigned: an ID and its flags by name. ID 0 is
// the "launched" experiment of an SDK. Flags are shared between plain
// copies; copy() makes the flags its own, for handing to another queue.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Analytics/Protobuf/APMPBMessage.h"
#include "Analytics/Protobuf/APMPBObject.h"

class APMEExperiment {
 public:
  // None (logged) when the ID is nil (870000) or not a number (870001), the
  // flag list is missing (870002) or holds something other than a flag
  // (870003). A later flag of the same name replaces an earlier one.
  static std::optional<APMEExperiment> initWithExperimentID(const APMPBObject& experimentID,
                                                            const std::vector<APMPBObject>* flags);
  static APMEExperiment initWithExperimentID(int64_t experimentID,
                                             const std::vector<std::shared_ptr<APMPBFlag>>& flags);
  // ID = index 0 (0 when absent); flags = index 1, nameless ones skipped.
  static APMEExperiment initWithProtobuf(const APMPBExperiment& experiment);

  int64_t experimentID() const { return experimentID_; }
  std::vector<std::shared_ptr<APMPBFlag>> flags() const;
  // Refused and logged: nil (870004), not a flag (870005), no name (870006).
  void addFlag(const APMPBObject& flag);
  void addFlag(const std::shared_ptr<APMPBFlag>& flag);
  // None for an unknown name; an empty name is logged (870007).
  std::shared_ptr<APMPBFlag> flagWithName(std::string_view name) const;
  // The same ID with copies of the flags.
  APMEExperiment copy() const;
  // Index 0 = the ID as 32 bits, index 1 = every flag (set even when empty).
  std::shared_ptr<APMPBExperiment> proto() const;

 private:
  explicit APMEExperiment(int64_t experimentID) : experimentID_(experimentID) {}

  int64_t experimentID_ = 0;
  std::map<std::string, std::shared_ptr<APMPBFlag>, std::less<>> flagsByName_;
};
