// One building of the tenant's building carousel: its name over an icon on
// a shadowed card; the card turns green while the building is the chosen one.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Facility/Widgets/GenericLabel.h"
#include "Platform/UIKit/CollectionViewCell.h"
#include "Platform/UIKit/ImageView.h"

class BuildingCell : public uikit::CollectionViewCell {
 public:
  static constexpr const char* kNibName = "BuildingCell";
  static constexpr const char* kBuildingImage = "building";

  using uikit::CollectionViewCell::CollectionViewCell;

  std::weak_ptr<GenericLabel> lbTitle;
  std::weak_ptr<uikit::ImageView> imgVwBuilding;
  std::weak_ptr<uikit::View> vwInner;

  void setImgVwBuilding(const std::shared_ptr<uikit::ImageView>& view);
  void setVwInner(const std::shared_ptr<uikit::View>& view);
  // The building's name (cleared when absent) and the chosen or plain look.
  void show(const std::optional<std::string>& title, bool chosen);

  static void registerNib();
};
