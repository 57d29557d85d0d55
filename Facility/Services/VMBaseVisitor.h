// View model of the visitor form data: shows the loader (blank text), hides
// it before the screen hears the reply.
#pragma once

#include <memory>

#include "Facility/Services/BaseVisitorService.h"

class VMBaseVisitor {
 public:
  std::shared_ptr<BaseVisitorService> baseVisitorService = std::make_shared<BaseVisitorService>();

  void requestBaseVisitor(ResponseCompletion<MDLBaseVisitor> completion, NotDelivered notDelivered = nullptr);
};
