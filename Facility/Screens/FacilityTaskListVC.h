// The facility staff's tasks. Three tiles (today, all, overdue) show the
// counts and choose the category; the filter narrows the list by month and
// place; a row opens the closure popup, and a confirmed close reloads list
// and counts.
//
// Every list request carries the next sequence number and a reply to an
// older one changes nothing on screen, so the rows always match the filter
// indicator. A full reload joins its list and count requests in
// dispatchGroup; each of them leaves it once, whether a reply came or the
// request was refused.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "Facility/Models/MDLCloseComplainList.h"
#include "Facility/Models/MDLFilterList.h"
#include "Facility/Models/MDLMyTaskCount.h"
#include "Facility/Network/DataResponse.h"
#include "Facility/Screens/ApplyFilterDelegate.h"
#include "Facility/Screens/ComplainTaskCategory.h"
#include "Platform/Foundation/DispatchGroup.h"
#include "Platform/Foundation/Value.h"
#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/TableView.h"
#include "Platform/UIKit/ViewController.h"
#include "Platform/UIKit/ViewControllerTransitioningDelegate.h"

class FacilityTaskListVC : public uikit::ViewController,
                           public uikit::TableViewDataSource,
                           public uikit::TableViewDelegate,
                           public uikit::ViewControllerTransitioningDelegate,
                           public ApplyFilterDelegate {
 public:
  static constexpr const char* kStoryboard = "FacilityAdmin";
  static constexpr double kEstimatedRowHeight = 100;
  static constexpr double kHighlightDelay = 0.1;
  static constexpr const char* kNoTaskImage = "NoTaskAssign";

  // Outlets; connecting a tile container or a label styles it.
  std::weak_ptr<uikit::TableView> tblTaskList;
  std::weak_ptr<uikit::View> todayTaskContainerView;
  std::weak_ptr<uikit::Label> lblTodaysTaskCount;
  std::weak_ptr<uikit::Label> lblTodaysTaskTitle;
  std::weak_ptr<uikit::View> allTaskTaskContainerView;
  std::weak_ptr<uikit::Label> lblAllTaskCount;
  std::weak_ptr<uikit::Label> lblAllTaskTitle;
  std::weak_ptr<uikit::View> overdueTaskContainerView;
  std::weak_ptr<uikit::Label> lblOverdueTaskCount;
  std::weak_ptr<uikit::Label> lblOverdueTaskTitle;
  std::weak_ptr<uikit::View> filterContainerView;
  std::weak_ptr<uikit::Label> lblFilterTitle;
  std::weak_ptr<uikit::ImageView> imgFilterIcon;
  std::weak_ptr<uikit::ImageView> imgNoTask;
  std::weak_ptr<uikit::Label> lblNoTask;

  ComplainTaskCategory taskStatus = ComplainTaskCategory::none;
  platform::DispatchGroup dispatchGroup;
  double selectedBorderWidth = 1.2;
  double defaultBorderWidth = 0.7;
  std::vector<MDLCloseComplain> arrTasks;
  std::optional<MDLMyTaskCount> objMyTaskCount;
  std::optional<FilterData> filteredData;

  void viewDidLoad() override;
  void viewDidLayoutSubviews() override;

  void actionTodayTask();
  void actionAllTask();
  void actionOverdueTask();
  void actionGoToFilterList();

  void reloadTasksAndCounts();
  void fetchTaskList(const std::optional<FilterData>& filter);
  void fetchMyTaskCount();
  void showTaskCounts();
  void reloadTaskTable();
  void showNoTaskState();
  void hideNoTaskState();
  void selectTodayTile();
  void selectAllTile();
  void selectOverdueTile();
  void styleTaskTile(const std::shared_ptr<uikit::View>& container);
  void resetFilterState();
  void openFilterScreen();
  void openTaskClosure(long row);

  void applyFilter(const std::optional<FilterData>& filteredData, bool isClearFilterButtonTapped) override;

  // "T", "A" or "o"; none reads as all.
  static const char* taskStatusLetter(ComplainTaskCategory category);
  // The list request's body: the category letter and the ticked months and
  // places of the first two groups, each joined by ",".
  static platform::Value::Dictionary closeComplainListBody(ComplainTaskCategory category,
                                                           const std::optional<FilterData>& filter);

  long tableViewNumberOfRowsInSection(uikit::TableView& tableView, long section) override;
  std::shared_ptr<uikit::TableViewCell> tableViewCellForRowAtIndexPath(uikit::TableView& tableView,
                                                                      const uikit::IndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(uikit::TableView& tableView, const uikit::IndexPath& indexPath) override;

  uikit::AnimatorPtr animationControllerForPresentedController(const uikit::ViewControllerPtr& presented,
                                                               const uikit::ViewControllerPtr& presenting,
                                                               const uikit::ViewControllerPtr& source) override;

  // Connection hooks of the storyboard.
  static void styleCountLabel(uikit::Label& label);
  static void styleTitleLabel(uikit::Label& label);

  // The scene, its row prototype, the closure popup it opens and the images.
  static void registerScene();

 private:
  // enteredGroup: the request is part of a full reload.
  void handleListReply(std::uint64_t sequence, bool filtered, const DataResponse<MDLCloseComplainList>& response);
  void handleCountReply(const DataResponse<MDLMyTaskCount>& response);
  void sendTaskList(const std::optional<FilterData>& filter, bool enteredGroup);
  void highlightTile(ComplainTaskCategory chosen);
  void writeBareTotals(const MDLCloseComplainList& reply);

  std::uint64_t lastListRequest_ = 0;
};
