#include "Facility/Screens/ParkingGlobalCell.h"

void ParkingGlobalCell::registerNib() {
  if (uikit::Nib::isRegistered(kNibName)) return;
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    auto cell = std::make_shared<ParkingGlobalCell>();
    std::weak_ptr<ParkingGlobalCell> weak = cell;
    auto icon = std::make_shared<uikit::ImageView>();
    auto contents = buildRow(cell, {"Type", "Total", "Occupied", "Free"}, {
         {"lbTotal", [weak](const std::shared_ptr<uikit::Label>& l) { if (auto c = weak.lock()) c->lbTotal = l; }},
         {"lbOccupied", [weak](const std::shared_ptr<uikit::Label>& l) { if (auto c = weak.lock()) c->lbOccupied = l; }},
         {"lbFree", [weak](const std::shared_ptr<uikit::Label>& l) { if (auto c = weak.lock()) c->lbFree = l; }}}, icon);
    contents.outlets.push_back({"imgVwVehicle", [weak, icon] { if (auto c = weak.lock()) c->imgVwVehicle = icon; }});
    return contents;
  });
}
