// The lift floors a plain user's tap-and-go punches carry: either the
// building's two default floors (destination and boarding) or one selectable
// floor. Each choice is stored under the engine's keys and handed to it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/MDLUserDashboard.h"
#include "Facility/Widgets/SuperViewController.h"
#include "Platform/UIKit/CollectionView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/TextField.h"

class DefaultFloorCell;
class SelectedFloorCell;

class FloorSelectionVC : public SuperViewController,
                         public uikit::CollectionViewDataSource,
                         public uikit::CollectionViewDelegate {
 public:
  static constexpr const char* kStoryboard = "User";

  // Set by the opener before the view loads.
  std::optional<std::vector<MDLBuildingList>> arrBuilding;
  // The building on show; only the screen marks their isSelected.
  std::optional<std::vector<MDLDefaultFloor>> arrDefaultFloors;
  std::optional<std::vector<MDLFloorSelection>> arrSelectedFloors;
  std::optional<std::string> tagId;
  std::optional<std::string> destinationFloor;
  std::optional<std::string> boardingFloor;

  // Outlets; connecting the collection view registers the cell nibs.
  std::shared_ptr<uikit::Label> lbBuilding() const { return lbBuilding_.lock(); }
  void setLbBuilding(const std::shared_ptr<uikit::Label>& label) { lbBuilding_ = label; }
  std::shared_ptr<uikit::TextField> txtBuilding() const { return txtBuilding_.lock(); }
  void setTxtBuilding(const std::shared_ptr<uikit::TextField>& field) { txtBuilding_ = field; }
  std::shared_ptr<uikit::CollectionView> colViewFloors() const { return colViewFloors_.lock(); }
  void setColViewFloors(const std::shared_ptr<uikit::CollectionView>& view);

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;

  long collectionViewNumberOfItemsInSection(uikit::CollectionView& view, long section) override;
  std::shared_ptr<uikit::CollectionViewCell> collectionViewCellForItemAtIndexPath(
      uikit::CollectionView& view, const uikit::IndexPath& indexPath) override;
  uikit::Size collectionViewLayoutSizeForItemAtIndexPath(uikit::CollectionView& view,
                                                         const uikit::IndexPath& indexPath) override;
  double collectionViewLayoutMinimumLineSpacingForSectionAtIndex(uikit::CollectionView& view, long section) override;

  // The choices behind the taps and the building picker.
  void buildingChosen(long index);
  void setDefaultFloorsSelected(bool selected);
  void defaultFloorTapped();
  void selectableFloorTapped(std::size_t index);
  void applyFloors(const std::string& destination, const std::string& boarding, const std::string& selected);
  void saveTapAndGoData(const std::string& destination, const std::string& boarding, const std::string& selected);

  // Declares this screen's scene in the "User" storyboard.
  static void registerScene();

 private:
  void reloadFloors();
  void recomputeDefaultFloors();
  void fillDefaultCell(DefaultFloorCell& cell);
  void fillSelectedCell(SelectedFloorCell& cell, long item);
  void openSettings();

  std::weak_ptr<uikit::Label> lbBuilding_;
  std::weak_ptr<uikit::TextField> txtBuilding_;
  std::weak_ptr<uikit::CollectionView> colViewFloors_;
};
