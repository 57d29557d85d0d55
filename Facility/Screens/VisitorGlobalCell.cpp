#include "Facility/Screens/VisitorGlobalCell.h"

void VisitorGlobalCell::registerNib() {
  if (uikit::Nib::isRegistered(kNibName)) return;
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    auto cell = std::make_shared<VisitorGlobalCell>();
    std::weak_ptr<VisitorGlobalCell> weak = cell;
    return buildRow(cell, {"In", "In premise", "Out"}, {
         {"lbVisitorIn", [weak](const std::shared_ptr<uikit::Label>& l) { if (auto c = weak.lock()) c->lbVisitorIn = l; }},
         {"lbVisitorInPremise", [weak](const std::shared_ptr<uikit::Label>& l) { if (auto c = weak.lock()) c->lbVisitorInPremise = l; }},
         {"lbVisitorOut", [weak](const std::shared_ptr<uikit::Label>& l) { if (auto c = weak.lock()) c->lbVisitorOut = l; }}});
  });
}
