#include "Facility/Screens/VisitorTenantCell.h"

void VisitorTenantCell::registerNib() {
  if (uikit::Nib::isRegistered(kNibName)) return;
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    auto cell = std::make_shared<VisitorTenantCell>();
    std::weak_ptr<VisitorTenantCell> weak = cell;
    return buildRow(cell, {"Company", "In", "In premise", "Out"}, {
         {"lbCompanyName", [weak](const std::shared_ptr<uikit::Label>& l) { if (auto c = weak.lock()) c->lbCompanyName = l; }},
         {"lbVisitorIn", [weak](const std::shared_ptr<uikit::Label>& l) { if (auto c = weak.lock()) c->lbVisitorIn = l; }},
         {"lbVisitorInPremise", [weak](const std::shared_ptr<uikit::Label>& l) { if (auto c = weak.lock()) c->lbVisitorInPremise = l; }},
         {"lbVisitorOut", [weak](const std::shared_ptr<uikit::Label>& l) { if (auto c = weak.lock()) c->lbVisitorOut = l; }}});
  });
}
