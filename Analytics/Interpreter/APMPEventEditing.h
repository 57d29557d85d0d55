// Event editing: loads a program whose callbacks edit each event and create
// new ones, then runs them per event.
#pragma once

#include <memory>
#include <string>

#include "Analytics/Interpreter/APMPEditingCallbackHandler.h"
#include "Analytics/Interpreter/APMPEntity.h"
#include "Analytics/Interpreter/APMPEventContext.h"
#include "Analytics/Interpreter/APMPRuntime.h"

class APMPEventEditing {
 public:
  APMPEventEditing();
  explicit APMPEventEditing(std::unique_ptr<APMPRuntime> runtime);
  ~APMPEventEditing();
  APMPEventEditing(const APMPEventEditing&) = delete;
  APMPEventEditing& operator=(const APMPEventEditing&) = delete;

  void setModuleCreator(APMPModuleCreator creator, const std::u16string& name);
  bool loadProgram(const APMPProgram& program, APMPError* error);
  bool loadActivityData(const APMPActivity& activity, APMPError* error);
  bool registerRuleWithName(const std::u16string& name, const APMPRuntimeValue& rule, APMPError* error);
  // True when the event was edited or events were created.
  bool handleEvent(const APMPEvent& event, APMPError* error);
  bool hasEdits() const;
  bool hasCreatedEvents() const { return !eventContext_.eventsToLog().empty(); }
  const APMPEventContext& eventContext() const { return eventContext_; }

  APMPRuntime& runtime() { return *runtime_; }
  const APMPEditingCallbackHandler& callbackHandler() const { return callbackHandler_; }

 private:
  APMPEventContext eventContext_;
  APMPEditingCallbackHandler callbackHandler_;
  std::unique_ptr<APMPRuntime> runtime_;  // last: destroyed first
};
