#include "Facility/Services/VMInviteVisitor.h"

#include "Facility/Services/ViewModelLoader.h"

void VMInviteVisitor::requestInviteVisitor(const VisitorInvitation& invitation,
                                           ResponseCompletion<MDLInviteVisitor> completion, NotDelivered notDelivered) {
  ViewModelLoader::showWithBlankMessage();
  inviteVisitorService->requestInviteVisitor(invitation, ViewModelLoader::hidingBefore(std::move(completion)),
                                             std::move(notDelivered));
}
