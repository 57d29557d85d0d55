// What the building card tells its dashboard once a building has been
// chosen: the card now shows (or changed) its floor strip and needs a new
// height.
#pragma once

class BuildingSelectionDelegate {
 public:
  virtual ~BuildingSelectionDelegate() = default;
  virtual void onBuildingSelected() = 0;
};
