// Between the program messages (Program, SornActivity, RuntimeEntity) and
// the interpreter's own entity form.
#pragma once

#include <memory>

#include "Analytics/Interpreter/APMPEntity.h"
#include "Analytics/Interpreter/APMPError.h"
#include "Analytics/Protobuf/APMPBMessage.h"

class APMPEventEditing;

class APMPProgramMessageConverter {
 public:
  // Trees nested deeper than the converter accepts fail (error 18).
  static bool entityFromMessage(const APMPBRuntimeEntity& message, APMPEntity* out, APMPError* error);
  static bool programFromMessage(const APMPBProgram& message, APMPProgram* out, APMPError* error);

  static std::shared_ptr<APMPBRuntimeEntity> messageFromEntity(const APMPEntity& entity);
  static std::shared_ptr<APMPBProgram> messageFromProgram(const APMPProgram& program);

  // loadProgram: of event editing for a Program message.
  static bool loadProgram(APMPEventEditing& editing, const APMPBProgram& message, APMPError* error);
};
