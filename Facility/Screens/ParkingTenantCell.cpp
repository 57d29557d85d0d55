#include "Facility/Screens/ParkingTenantCell.h"

void ParkingTenantCell::registerNib() {
  if (uikit::Nib::isRegistered(kNibName)) return;
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    auto cell = std::make_shared<ParkingTenantCell>();
    std::weak_ptr<ParkingTenantCell> weak = cell;
    return buildRow(cell, {"Company", "Bike", "Car"}, {
         {"lbCompanyName", [weak](const std::shared_ptr<uikit::Label>& l) { if (auto c = weak.lock()) c->lbCompanyName = l; }},
         {"totalBike", [weak](const std::shared_ptr<uikit::Label>& l) { if (auto c = weak.lock()) c->totalBike = l; }},
         {"occupiedBike", [weak](const std::shared_ptr<uikit::Label>& l) { if (auto c = weak.lock()) c->occupiedBike = l; }},
         {"freeBike", [weak](const std::shared_ptr<uikit::Label>& l) { if (auto c = weak.lock()) c->freeBike = l; }},
         {"totalCar", [weak](const std::shared_ptr<uikit::Label>& l) { if (auto c = weak.lock()) c->totalCar = l; }},
         {"occupiedCar", [weak](const std::shared_ptr<uikit::Label>& l) { if (auto c = weak.lock()) c->occupiedCar = l; }},
         {"freeCar", [weak](const std::shared_ptr<uikit::Label>& l) { if (auto c = weak.lock()) c->freeCar = l; }}});
  });
}
