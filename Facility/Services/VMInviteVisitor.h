// View model of sending an invitation: shows the loader (blank text), hides
// it before the screen hears the reply.
#pragma once

#include <memory>

#include "Facility/Services/InviteVisitorService.h"

class VMInviteVisitor {
 public:
  std::shared_ptr<InviteVisitorService> inviteVisitorService = std::make_shared<InviteVisitorService>();

  void requestInviteVisitor(const VisitorInvitation& invitation, ResponseCompletion<MDLInviteVisitor> completion,
                            NotDelivered notDelivered = nullptr);
};
