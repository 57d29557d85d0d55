#include "Analytics/Interpreter/APMPEventEditing.h"

#include "Analytics/Interpreter/APMPEventLogger.h"
#include "Analytics/Interpreter/APMPRegisterCallbackNativeFunctionValue.h"
#include "Analytics/Interpreter/APMPText.h"

APMPEventEditing::APMPEventEditing() : APMPEventEditing(std::make_unique<APMPRuntime>()) {}

APMPEventEditing::APMPEventEditing(std::unique_ptr<APMPRuntime> runtime) : runtime_(std::move(runtime)) {
  eventContext_.setInputEvent(APMPEvent("", 0, {}));
  APMPEditingCallbackHandler* handler = &callbackHandler_;
  APMPEventContext* context = &eventContext_;
  runtime_->setModuleCreator(
      [handler] {
        return std::optional<APMPRuntimeValue>(APMPRuntimeValue(new APMPRegisterCallbackNativeFunctionValue(handler)));
      },
      u"internal.registerCallback");
  runtime_->setModuleCreator(
      [context] { return std::optional<APMPRuntimeValue>(APMPRuntimeValue(new APMPEventLogger(context))); },
      u"internal.eventLogger");
}

APMPEventEditing::~APMPEventEditing() {
  // The callbacks go first so that the runtime's cycles can all be freed.
  APMPHeapScope active(runtime_->heap());
  callbackHandler_.clear();
}

void APMPEventEditing::setModuleCreator(APMPModuleCreator creator, const std::u16string& name) {
  runtime_->setModuleCreator(std::move(creator), name);
}

bool APMPEventEditing::loadProgram(const APMPProgram& program, APMPError* error) {
  APMPHeapScope active(runtime_->heap());
  APMPError e;
  APMPRuntimeValue result = runtime_->executeStatements(program.instructions, &e);
  if (e) {
    if (error) *error = e;
    return false;
  }
  if (result.isControl()) {
    if (error) *error = APMPError::editing(5);
    return false;
  }
  if (program.activities) {
    for (const APMPActivity& activity : *program.activities) {
      if (!loadActivityData(activity, error)) return false;
    }
  }
  return true;
}

bool APMPEventEditing::loadActivityData(const APMPActivity& activity, APMPError* error) {
  APMPHeapScope active(runtime_->heap());
  std::u16string name = APMPUtf16(activity.name.value_or(std::string()));
  for (const APMPEntity& statement : activity.data) {
    APMPError e;
    APMPRuntimeValue result = runtime_->executeStatements({statement}, &e);
    if (e) {
      if (error) *error = e;
      return false;
    }
    if (!result.isMap()) {
      if (error) *error = APMPError::editing(6);
      return false;
    }
    if (!registerRuleWithName(name, result, error)) return false;
  }
  return true;
}

bool APMPEventEditing::registerRuleWithName(const std::u16string& name, const APMPRuntimeValue& rule,
                                            APMPError* error) {
  APMPHeapScope active(runtime_->heap());
  APMPRuntimeValue runScope = runtime_->getRunScope();
  auto* scope = static_cast<APMPScope*>(runScope.object());
  APMPRuntimeValue fn = scope->valueForName(name);
  if (!fn.isFunction()) {
    if (error) *error = APMPError::editing(7);
    return false;
  }
  runtime_->beginRun();
  APMPExec& x = runtime_->exec();
  fn.asFunction()->invoke(APMPValueSpan(&rule, 1), scope, x);
  if (x.failed()) {
    if (error) *error = x.error;
    return false;
  }
  return true;
}

bool APMPEventEditing::handleEvent(const APMPEvent& event, APMPError* error) {
  APMPHeapScope active(runtime_->heap());
  runtime_->heap()->collectCyclesIfDue();
  eventContext_.setInputEvent(event);
  runtime_->resetInstructionCount();
  runtime_->beginRun();
  APMPRuntimeValue runScope = runtime_->getRunScope();
  APMPExec& x = runtime_->exec();
  callbackHandler_.triggerCallbacksWithScope(static_cast<APMPScope*>(runScope.object()), &eventContext_, x);
  if (x.failed()) {
    if (error) *error = x.error;
    return false;
  }
  if (!eventContext_.outputEvent().isEqualToEvent(eventContext_.inputEvent())) return true;
  return hasCreatedEvents();
}

bool APMPEventEditing::hasEdits() const {
  return !eventContext_.outputEvent().isEqualToEvent(eventContext_.inputEvent());
}
