// Conversions between program entities, interpreter values and host objects.
#pragma once

#include "Analytics/Interpreter/APMPEntity.h"
#include "Analytics/Interpreter/APMPExec.h"
#include "Analytics/Interpreter/APMPError.h"
#include "Analytics/Interpreter/APMPPlatformObject.h"
#include "Analytics/Interpreter/APMPRuntimeValue.h"

class APMPRuntimeEntityConverter {
 public:
  // Entities nested deeper than this are refused (error 18).
  static constexpr int kMaxNesting = 512;

  static APMPRuntimeValue stringValueFromRuntimeEntity(const APMPEntity& entity);
  static APMPRuntimeValue numberValueFromRuntimeEntity(const APMPEntity& entity);
  static APMPRuntimeValue booleanValueFromRuntimeEntity(const APMPEntity& entity);
  static APMPRuntimeValue statementValueFromRuntimeEntity(const APMPEntity& entity, APMPError* error);
  static APMPRuntimeValue runtimeValueFromRuntimeEntity(const APMPEntity& entity, APMPError* error);

  // With a run, every node and text unit converted is charged to its work budget.
  static APMPRuntimeValue runtimeValueFromNSObject(const APMPPlatformObject& object, APMPError* error,
                                                   APMPExec* run = nullptr);
  // Self-containing values fail with error 10.
  static APMPPlatformObject objectFromRuntimeValue(const APMPRuntimeValue& value, APMPError* error,
                                                   APMPExec* run = nullptr);
  static APMPPlatformObject::Dictionary dictionaryFromMapValue(const APMPRuntimeValue& map, APMPError* error);
};
