#include "Facility/Services/VMBaseVisitor.h"

#include "Facility/Services/ViewModelLoader.h"

void VMBaseVisitor::requestBaseVisitor(ResponseCompletion<MDLBaseVisitor> completion, NotDelivered notDelivered) {
  ViewModelLoader::showWithBlankMessage();
  baseVisitorService->requestBaseVisitor(ViewModelLoader::hidingBefore(std::move(completion)), std::move(notDelivered));
}
