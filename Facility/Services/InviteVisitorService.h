// Sends one visitor invitation.
#pragma once

#include "Facility/Models/MDLInviteVisitor.h"
#include "Facility/Network/ResponseCompletion.h"
#include "Facility/Services/VisitorInvitation.h"
#include "Platform/Foundation/Value.h"

class InviteVisitorService {
 public:
  void requestInviteVisitor(const VisitorInvitation& invitation, ResponseCompletion<MDLInviteVisitor> completion,
                            NotDelivered notDelivered = nullptr);
  // The 18 keys. The selected parking values travel only in the "Str…"
  // texts; the plain lists go empty.
  static platform::Value::Dictionary parameters(const VisitorInvitation& invitation);
};
