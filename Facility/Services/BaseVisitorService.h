// The form data of the visitor flow.
#pragma once

#include "Facility/Models/MDLBaseVisitor.h"
#include "Facility/Network/ResponseCompletion.h"

class BaseVisitorService {
 public:
  void requestBaseVisitor(ResponseCompletion<MDLBaseVisitor> completion, NotDelivered notDelivered = nullptr);
};
