// The complaint filter screen of both kinds: groups on the left, the current
// group's options on the right, Apply, a back button and "Clear All". The
// tree is the screen's own copy; edits reach the presenter only through the
// delegate. The raiser and resolver screens differ in the set they build
// and in what they refresh when appearing with data already present.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Facility/Models/MDLFilterList.h"
#include "Facility/Screens/ApplyFilterDelegate.h"
#include "Facility/Screens/ComplainerType.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/TableView.h"
#include "Platform/UIKit/ViewController.h"

class ComplaintFilterScreen : public uikit::ViewController,
                              public uikit::TableViewDataSource,
                              public uikit::TableViewDelegate {
 public:
  static constexpr const char* kClearAllTitle = "Clear All";
  static constexpr const char* kBackTitle = "  Filter";
  static constexpr double kDelayedReloadSeconds = 1.0;

  // Outlets.
  std::weak_ptr<uikit::TableView> tblLeftSide;
  std::weak_ptr<uikit::TableView> tblRightSide;
  std::weak_ptr<uikit::Button> btnApply;

  std::optional<FilterData> filteredData;
  std::shared_ptr<ApplyFilterDelegate> applyFilterDelegate;
  bool isClearFilterButtonTapped = false;

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;

  long tableViewNumberOfRowsInSection(uikit::TableView& tableView, long section) override;
  std::shared_ptr<uikit::TableViewCell> tableViewCellForRowAtIndexPath(uikit::TableView& tableView,
                                                                      const uikit::IndexPath& indexPath) override;
  double tableViewHeightForRowAtIndexPath(uikit::TableView& tableView, const uikit::IndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(uikit::TableView& tableView, const uikit::IndexPath& indexPath) override;

  void leftButtonAction();
  void rightButtonAction();
  void actionFilterApply();
  void updateApplyButtonState();
  void showHideClearAllButton();
  void addClearAllButton();
  void reloadLeftTable();
  void reloadRightTable();
  void clearAllFilters();

  // The images the screens show.
  static void registerImages();

 protected:
  explicit ComplaintFilterScreen(ComplainerType type) : type_(type) {}
  // What appearing with a tree already present refreshes.
  virtual void refreshPresentData() = 0;
  // Builds the screen's scene in the given storyboard.
  static void registerFilterScene(const char* storyboard, const char* identifier,
                                  std::function<std::shared_ptr<ComplaintFilterScreen>()> make);

 private:
  std::vector<Places>* groups();
  Places* currentGroup();
  static void reloadLater(const std::weak_ptr<uikit::TableView>& table);

  ComplainerType type_;
};
