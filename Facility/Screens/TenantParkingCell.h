// The tenant dashboard's parking or identity card: a title, a background
// picture and two lines of counts (total, "| in use |", free) against two
// icons. A line the record does not cover shows the nib's empty texts, so a
// recycled card never keeps another tile's counts.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/MDLAllotedFacility.h"
#include "Facility/Widgets/GenericLabel.h"
#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/LayoutConstraint.h"
#include "Platform/UIKit/TableViewCell.h"

class TenantParkingCell : public uikit::TableViewCell {
 public:
  static constexpr const char* kNibName = "TenantParkingCell";
  static constexpr double kHeight = 170.0;
  static constexpr const char* kIdentityTitle = "Identity";
  // The two identity kinds, first and second line.
  static constexpr const char* kFirstIdentity = "P";
  static constexpr const char* kSecondIdentity = "B";

  using uikit::TableViewCell::TableViewCell;

  std::weak_ptr<uikit::View> vwInner;
  std::weak_ptr<GenericLabel> lbTitle;
  std::weak_ptr<uikit::ImageView> imgVwBackground;
  std::weak_ptr<uikit::View> vwDetail;
  std::weak_ptr<uikit::ImageView> imgVwBackFirst, imgVwBackSecond;
  std::weak_ptr<uikit::ImageView> imgVwFirst, imgVwSecond;
  std::weak_ptr<uikit::Label> lbTotalFirst, lbInUseFirst, lbFreeFirst;
  std::weak_ptr<uikit::Label> lbTotalSecond, lbInUseSecond, lbFreeSecond;

  void setVwInner(const std::shared_ptr<uikit::View>& view);
  void setVwDetail(const std::shared_ptr<uikit::View>& view);
  // Rounded once laid out, a moment after connection.
  void setImgVwBackFirst(const std::shared_ptr<uikit::ImageView>& view);
  void setImgVwBackSecond(const std::shared_ptr<uikit::ImageView>& view);

  // One parking tile: its first two occupancies by position, car then bike.
  void fillParking(const MDLAllottedParkingTileList& tile);
  // The identity list: the first "P" entry, then the first "B" entry.
  void fillIdentity(const std::vector<MDLIdentity>& identities);

  // "| <occupied> |", "0" when absent.
  static std::string inUseText(const std::optional<std::string>& occupied);

  static void registerNib();

 private:
  struct Counts {
    std::optional<std::string> total, occupied, free;
  };
  void showFirst(const std::optional<Counts>& counts);
  void showSecond(const std::optional<Counts>& counts);
  void setImages(const char* background, const char* first, const char* second);
};
