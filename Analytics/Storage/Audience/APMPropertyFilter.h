// One stored property filter of an audience: its identity, the user property
// it watches and the encoded filter message, with three flags read from it.
#pragma once

#include <cstdint>
#include <string>

#include "Platform/Foundation/Value.h"

class APMPropertyFilter {
 public:
  APMPropertyFilter(int32_t audienceID, int32_t filterID, std::string propertyName, platform::Bytes data,
                 bool sessionScoped, bool dynamic, bool sequence)
      : audienceID_(audienceID),
        filterID_(filterID),
        propertyName_(std::move(propertyName)),
        data_(std::move(data)),
        sessionScoped_(sessionScoped),
        dynamic_(dynamic),
        sequence_(sequence) {}

  int32_t audienceID() const { return audienceID_; }
  int32_t filterID() const { return filterID_; }
  const std::string& propertyName() const { return propertyName_; }
  const platform::Bytes& data() const { return data_; }
  bool isSessionScoped() const { return sessionScoped_; }
  bool isDynamic() const { return dynamic_; }
  bool isSequence() const { return sequence_; }

 private:
  int32_t audienceID_;
  int32_t filterID_;
  std::string propertyName_;
  platform::Bytes data_;
  bool sessionScoped_;
  bool dynamic_;
  bool sequence_;
};
