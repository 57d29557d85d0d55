#include "Analytics/Interpreter/Messages/APMPProgramMessageConverter.h"

#include "Analytics/Interpreter/APMPEventEditing.h"
#include "Analytics/Interpreter/APMPRuntimeEntityConverter.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"

namespace {

// RuntimeEntity field indexes.
enum { kType = 0, kValue = 1, kFunctionName = 2, kStringValue = 3, kBoolValue = 4, kNumberValue = 5 };

bool convert(const APMPBRuntimeEntity& m, APMPEntity* out, APMPError* error, int depth) {
  if (depth > APMPRuntimeEntityConverter::kMaxNesting) {
    if (error) *error = APMPError::interpreter(kAPMPErrBudget);
    return false;
  }
  *out = APMPEntity();
  if (APMPBHasField(&m, kType)) out->type = APMPBGetInt32(&m, kType);
  out->functionName = APMPBGetString(&m, kFunctionName);
  out->stringValue = APMPBGetString(&m, kStringValue);
  if (APMPBHasField(&m, kBoolValue)) out->booleanValue = APMPBGetBool(&m, kBoolValue);
  if (APMPBHasField(&m, kNumberValue)) out->numberValue = APMPBGetDouble(&m, kNumberValue);
  for (const auto& argument : APMPBGetMessageArray<APMPBRuntimeEntity>(&m, kValue)) {
    APMPEntity e;
    if (!convert(*argument, &e, error, depth + 1)) return false;
    out->arguments.push_back(std::move(e));
  }
  return true;
}

}  // namespace

bool APMPProgramMessageConverter::entityFromMessage(const APMPBRuntimeEntity& message, APMPEntity* out,
                                                    APMPError* error) {
  return convert(message, out, error, 0);
}

bool APMPProgramMessageConverter::programFromMessage(const APMPBProgram& message, APMPProgram* out, APMPError* error) {
  *out = APMPProgram();
  for (const auto& instruction : APMPBGetMessageArray<APMPBRuntimeEntity>(&message, 0)) {
    APMPEntity e;
    if (!convert(*instruction, &e, error, 0)) return false;
    out->instructions.push_back(std::move(e));
  }
  if (APMPBHasField(&message, 1)) {
    out->activities.emplace();
    auto activities = APMPBGetMessage<APMPBSornActivities>(&message, 1);
    if (activities) {
      for (const auto& activity : APMPBGetMessageArray<APMPBSornActivity>(activities.get(), 0)) {
        APMPActivity a;
        a.name = APMPBGetString(activity.get(), 0);
        for (const auto& statement : APMPBGetMessageArray<APMPBRuntimeEntity>(activity.get(), 1)) {
          APMPEntity e;
          if (!convert(*statement, &e, error, 0)) return false;
          a.data.push_back(std::move(e));
        }
        out->activities->push_back(std::move(a));
      }
    }
  }
  return true;
}

std::shared_ptr<APMPBRuntimeEntity> APMPProgramMessageConverter::messageFromEntity(const APMPEntity& entity) {
  auto m = std::make_shared<APMPBRuntimeEntity>();
  if (entity.type) APMPBSetInt32(m.get(), kType, *entity.type);
  if (entity.functionName) APMPBSetString(m.get(), kFunctionName, *entity.functionName);
  if (entity.stringValue) APMPBSetString(m.get(), kStringValue, *entity.stringValue);
  if (entity.booleanValue) APMPBSetBool(m.get(), kBoolValue, *entity.booleanValue);
  if (entity.numberValue) APMPBSetDouble(m.get(), kNumberValue, *entity.numberValue);
  if (!entity.arguments.empty()) {
    std::vector<std::shared_ptr<APMPBRuntimeEntity>> args;
    for (const APMPEntity& a : entity.arguments) args.push_back(messageFromEntity(a));
    APMPBSetMessageArray(m.get(), kValue, args);
  }
  return m;
}

std::shared_ptr<APMPBProgram> APMPProgramMessageConverter::messageFromProgram(const APMPProgram& program) {
  auto m = std::make_shared<APMPBProgram>();
  std::vector<std::shared_ptr<APMPBRuntimeEntity>> instructions;
  for (const APMPEntity& e : program.instructions) instructions.push_back(messageFromEntity(e));
  APMPBSetMessageArray(m.get(), 0, instructions);
  if (program.activities) {
    std::vector<std::shared_ptr<APMPBSornActivity>> list;
    for (const APMPActivity& a : *program.activities) {
      auto activity = std::make_shared<APMPBSornActivity>();
      if (a.name) APMPBSetString(activity.get(), 0, *a.name);
      std::vector<std::shared_ptr<APMPBRuntimeEntity>> data;
      for (const APMPEntity& e : a.data) data.push_back(messageFromEntity(e));
      APMPBSetMessageArray(activity.get(), 1, data);
      list.push_back(activity);
    }
    APMPBSornActivities activities;
    APMPBSetMessageArray(&activities, 0, list);
    APMPBSetMessage(m.get(), 1, &activities);
  }
  return m;
}

bool APMPProgramMessageConverter::loadProgram(APMPEventEditing& editing, const APMPBProgram& message,
                                              APMPError* error) {
  APMPProgram program;
  if (!programFromMessage(message, &program, error)) return false;
  return editing.loadProgram(program, error);
}
