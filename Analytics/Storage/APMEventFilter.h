// One stored event filter of an audience: its identity, the event it watches
// and the encoded filter message, with three flags read from that message.
#pragma once

#include <cstdint>
#include <string>

#include "Platform/Foundation/Value.h"

class APMEventFilter {
 public:
  APMEventFilter(int32_t audienceID, int32_t filterID, std::string eventName, platform::Bytes data,
                 bool sessionScoped, bool dynamic, bool sequence)
      : audienceID_(audienceID),
        filterID_(filterID),
        eventName_(std::move(eventName)),
        data_(std::move(data)),
        sessionScoped_(sessionScoped),
        dynamic_(dynamic),
        sequence_(sequence) {}

  int32_t audienceID() const { return audienceID_; }
  int32_t filterID() const { return filterID_; }
  const std::string& eventName() const { return eventName_; }
  const platform::Bytes& data() const { return data_; }
  bool isSessionScoped() const { return sessionScoped_; }
  bool isDynamic() const { return dynamic_; }
  bool isSequence() const { return sequence_; }

 private:
  int32_t audienceID_;
  int32_t filterID_;
  std::string eventName_;
  platform::Bytes data_;
  bool sessionScoped_;
  bool dynamic_;
  bool sequence_;
};
