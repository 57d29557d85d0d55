#include "Facility/Screens/FacilityTaskListVC.h"

#include <string>

#include "Facility/Network/APIManager.h"
#include "Facility/Screens/ComplainClosurePopupVC.h"
#include "Facility/Screens/ComplainResolverFilterVC.h"
#include "Facility/Screens/FacilityTaskDetailCell.h"
#include "Facility/Screens/FilterIndicator.h"
#include "Facility/Screens/FilterTicks.h"
#include "Facility/Screens/StoryboardName.h"
#include "Facility/Services/ComplainWebServicesManager.h"
#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/AppLoader.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "Facility/Widgets/FadeInTransitionAnimator.h"
#include "Facility/Widgets/TapActions.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Font.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/Storyboard.h"

namespace {

using Weak = std::weak_ptr<FacilityTaskListVC>;

std::string decimal(const std::optional<std::int64_t>& value) { return std::to_string(value.value_or(0)); }

void setLabel(const std::weak_ptr<uikit::Label>& outlet, const std::string& text) {
  if (auto label = outlet.lock()) label->setText(text);
}

void showLoader() {
  auto& loader = AppLoader::shared();
  loader.removeLoaderViews();
  loader.type = AppLoader::AppLoaderType::activityIndicator;
  loader.presentIndicator();
}

}  // namespace

const char* FacilityTaskListVC::taskStatusLetter(ComplainTaskCategory category) {
  switch (category) {
    case ComplainTaskCategory::today: return "T";
    case ComplainTaskCategory::overdue: return "o";
    case ComplainTaskCategory::all:
    case ComplainTaskCategory::none: return "A";
  }
  return "A";
}

platform::Value::Dictionary FacilityTaskListVC::closeComplainListBody(ComplainTaskCategory category,
                                                                      const std::optional<FilterData>& filter) {
  std::string months, places;
  if (filter && filter->places) {
    const auto& groups = *filter->places;
    if (groups.size() > 0) months = FilterTicks::months(groups[0]);
    if (groups.size() > 1) places = FilterTicks::ids(groups[1]);
  }
  return {{"TaskStatus", std::string(taskStatusLetter(category))},
          {"ComplainFilter", places},
          {"MonthFilter", months}};
}

// ---- life cycle ----

void FacilityTaskListVC::viewDidLoad() {
  uikit::ViewController::viewDidLoad();
  auto self = sharedAs<FacilityTaskListVC>();
  if (auto table = tblTaskList.lock()) {
    table->setDelegate(self);
    table->setDataSource(self);
    table->setTableFooterView(uikit::View::make(uikit::Rect(0, 0, 0, 0)));
    table->rowHeight = uikit::TableView::kAutomaticDimension;
    table->estimatedRowHeight = kEstimatedRowHeight;
  }
  showTaskCounts();
  reloadTasksAndCounts();
}

void FacilityTaskListVC::viewDidLayoutSubviews() {
  uikit::ViewController::viewDidLayoutSubviews();
  if (auto container = filterContainerView.lock()) {
    container->layer().cornerRadius = container->bounds().height() / 2;
  }
}

// ---- actions ----

void FacilityTaskListVC::actionTodayTask() {
  resetFilterState();
  selectTodayTile();
  reloadTasksAndCounts();
}

void FacilityTaskListVC::actionAllTask() {
  resetFilterState();
  selectAllTile();
  reloadTasksAndCounts();
}

void FacilityTaskListVC::actionOverdueTask() {
  resetFilterState();
  selectOverdueTile();
  reloadTasksAndCounts();
}

void FacilityTaskListVC::actionGoToFilterList() { openFilterScreen(); }

// ---- requests ----

void FacilityTaskListVC::reloadTasksAndCounts() {
  showLoader();
  dispatchGroup.enter();
  // The filter the indicator shows: none, except after a close under a filter.
  sendTaskList(filteredData, true);
  dispatchGroup.enter();
  fetchMyTaskCount();
  dispatchGroup.notify([] {
    platform::LogDebug("\n\nEnter 3");
    AppLoader::shared().hide();
  });
}

void FacilityTaskListVC::fetchTaskList(const std::optional<FilterData>& filter) { sendTaskList(filter, false); }

void FacilityTaskListVC::sendTaskList(const std::optional<FilterData>& filter, bool enteredGroup) {
  platform::LogDebug("\n\nEnter 1");
  switch (taskStatus) {
    case ComplainTaskCategory::today: selectTodayTile(); break;
    case ComplainTaskCategory::overdue: selectOverdueTile(); break;
    case ComplainTaskCategory::all:
    case ComplainTaskCategory::none: selectAllTile(); break;
  }
  const std::uint64_t sequence = ++lastListRequest_;
  const bool filtered = filter.has_value();
  Weak weak = sharedAs<FacilityTaskListVC>();
  ComplainWebServicesManager::shared().requestCloseComplainList(
      closeComplainListBody(taskStatus, filter),
      [weak, sequence, filtered, enteredGroup](DataResponse<MDLCloseComplainList> response) {
        auto self = weak.lock();
        if (!self) return;
        self->handleListReply(sequence, filtered, response);
        if (enteredGroup) (void)self->dispatchGroup.leave();
      },
      [weak, enteredGroup] {
        if (auto self = weak.lock(); self && enteredGroup) (void)self->dispatchGroup.leave();
      });
}

void FacilityTaskListVC::handleListReply(std::uint64_t sequence, bool filtered,
                                         const DataResponse<MDLCloseComplainList>& response) {
  // A newer list request is on its way: this reply no longer matches the indicator.
  if (sequence != lastListRequest_) return;
  if (!response.value) {
    AppToastAlert::show(ToastPosition::bottom, response.error ? response.error->localizedDescription : "");
    return;
  }
  const MDLCloseComplainList& reply = *response.value;
  if (!reply.isSuccess) return;
  if (!*reply.isSuccess) {
    AppToastAlert::show(ToastPosition::bottom, reply.message.value_or(""));
    return;
  }
  if (reply.closeComplainList) {
    if (!reply.closeComplainList->empty()) {
      arrTasks = *reply.closeComplainList;
      hideNoTaskState();
    } else {
      // The old rows stay behind the empty state.
      showNoTaskState();
    }
    reloadTaskTable();
  }
  if (filtered) writeBareTotals(reply);
}

void FacilityTaskListVC::writeBareTotals(const MDLCloseComplainList& reply) {
  setLabel(lblAllTaskCount, decimal(reply.allTotal));
  setLabel(lblTodaysTaskCount, decimal(reply.todayTotal));
  setLabel(lblOverdueTaskCount, decimal(reply.overdueTotal));
}

void FacilityTaskListVC::fetchMyTaskCount() {
  platform::LogDebug("\n\nEnter 2");
  Weak weak = sharedAs<FacilityTaskListVC>();
  ComplainWebServicesManager::shared().requestMyTaskCount(
      [weak](DataResponse<MDLMyTaskCount> response) {
        if (auto self = weak.lock()) self->handleCountReply(response);
      },
      [weak] {
        if (auto self = weak.lock()) (void)self->dispatchGroup.leave();
      });
}

void FacilityTaskListVC::handleCountReply(const DataResponse<MDLMyTaskCount>& response) {
  if (!response.value) {
    (void)dispatchGroup.leave();
    showResponseErrorAlert(sharedAs<FacilityTaskListVC>(), std::nullopt, {AAction::Ok}, nullptr, response);
    return;
  }
  const MDLMyTaskCount& reply = *response.value;
  if (reply.isSuccess.value_or(false)) {
    objMyTaskCount = reply;
    // Under a filter the tiles keep the filtered totals.
    if (!filteredData) showTaskCounts();
    (void)dispatchGroup.leave();
    return;
  }
  (void)dispatchGroup.leave();
  AppToastAlert::show(ToastPosition::bottom, reply.message.value_or(""));
}

// ---- screen state ----

void FacilityTaskListVC::showTaskCounts() {
  auto self = sharedAs<FacilityTaskListVC>();
  platform::RunLoop::main().async([self] {
    if (!self->objMyTaskCount) return;
    const auto spaced = [](const std::optional<std::int64_t>& value) {
      std::string text = " ";
      text.append(decimal(value)).append(" ");
      return text;
    };
    setLabel(self->lblTodaysTaskCount, spaced(self->objMyTaskCount->todayTotal));
    setLabel(self->lblOverdueTaskCount, spaced(self->objMyTaskCount->overdueTotal));
    setLabel(self->lblAllTaskCount, spaced(self->objMyTaskCount->allTotal));
  });
}

void FacilityTaskListVC::reloadTaskTable() {
  auto self = sharedAs<FacilityTaskListVC>();
  platform::RunLoop::main().async([self] {
    if (auto table = self->tblTaskList.lock()) table->reloadData();
  });
}

void FacilityTaskListVC::showNoTaskState() {
  auto self = sharedAs<FacilityTaskListVC>();
  platform::RunLoop::main().async([self] {
    if (auto image = self->imgNoTask.lock()) {
      image->setImage(uikit::Image::named(kNoTaskImage));
      image->setHidden(false);
    }
    if (auto label = self->lblNoTask.lock()) label->setHidden(false);
    if (auto table = self->tblTaskList.lock()) table->setHidden(true);
  });
}

void FacilityTaskListVC::hideNoTaskState() {
  auto self = sharedAs<FacilityTaskListVC>();
  platform::RunLoop::main().async([self] {
    if (auto label = self->lblNoTask.lock()) label->setHidden(true);
    if (auto image = self->imgNoTask.lock()) image->setHidden(true);
    if (auto table = self->tblTaskList.lock()) table->setHidden(false);
  });
}

void FacilityTaskListVC::selectTodayTile() {
  showNoTaskState();
  taskStatus = ComplainTaskCategory::today;
  styleTaskTile(todayTaskContainerView.lock());
  highlightTile(ComplainTaskCategory::today);
}

void FacilityTaskListVC::selectAllTile() {
  hideNoTaskState();
  taskStatus = ComplainTaskCategory::all;
  styleTaskTile(allTaskTaskContainerView.lock());
  highlightTile(ComplainTaskCategory::all);
}

void FacilityTaskListVC::selectOverdueTile() {
  hideNoTaskState();
  taskStatus = ComplainTaskCategory::overdue;
  styleTaskTile(overdueTaskContainerView.lock());
  highlightTile(ComplainTaskCategory::overdue);
}

void FacilityTaskListVC::highlightTile(ComplainTaskCategory chosen) {
  auto self = sharedAs<FacilityTaskListVC>();
  platform::RunLoop::main().asyncAfter(kHighlightDelay, [self, chosen] {
    const std::pair<ComplainTaskCategory, std::weak_ptr<uikit::View>> tiles[] = {
        {ComplainTaskCategory::today, self->todayTaskContainerView},
        {ComplainTaskCategory::all, self->allTaskTaskContainerView},
        {ComplainTaskCategory::overdue, self->overdueTaskContainerView},
    };
    for (const auto& [category, outlet] : tiles) {
      auto tile = outlet.lock();
      if (!tile) continue;
      const bool selected = category == chosen;
      tile->layer().borderWidth = selected ? self->selectedBorderWidth : self->defaultBorderWidth;
      tile->layer().borderColor = selected ? AppColor::darkBlue() : AppColor::darkGray();
    }
    self->reloadTaskTable();
  });
}

void FacilityTaskListVC::styleTaskTile(const std::shared_ptr<uikit::View>& container) {
  if (!container) return;
  std::weak_ptr<uikit::View> weakTile = container;
  const double width = defaultBorderWidth;
  platform::RunLoop::main().async([weakTile, width] {
    auto tile = weakTile.lock();
    if (!tile) return;
    tile->layer().cornerRadius = 4.0;
    tile->layer().borderWidth = width;
    tile->layer().borderColor = AppColor::darkGray();
    tile->setClipsToBounds(true);
  });
}

void FacilityTaskListVC::styleCountLabel(uikit::Label& label) {
  label.layer().cornerRadius = 3.0;
  label.setClipsToBounds(true);
  label.setFont(uikit::Font::namedOrSystem("Gotham-Medium", 13));
}

void FacilityTaskListVC::styleTitleLabel(uikit::Label& label) {
  label.setFont(uikit::Font::namedOrSystem("Gotham-Medium", 12));
}

// ---- filter ----

void FacilityTaskListVC::resetFilterState() {
  FilterIndicator::show(imgFilterIcon.lock(), lblFilterTitle.lock(), false);
  filteredData.reset();
}

void FacilityTaskListVC::openFilterScreen() {
  auto navigation = navigationController();
  auto filter = std::dynamic_pointer_cast<ComplainResolverFilterVC>(
      Storyboards::instantiateScreen(StoryboardName::facilityAdmin, "ComplainResolverFilterVC"));
  if (!navigation || !filter) return;
  filter->applyFilterDelegate = sharedAs<FacilityTaskListVC>();
  filter->filteredData = filteredData;
  navigation->pushViewController(filter, true);
}

void FacilityTaskListVC::applyFilter(const std::optional<FilterData>& filtered, bool isClearFilterButtonTapped) {
  if (isClearFilterButtonTapped) {
    resetFilterState();
    reloadTasksAndCounts();
    return;
  }
  FilterIndicator::show(imgFilterIcon.lock(), lblFilterTitle.lock(), true);
  filteredData = filtered;
  fetchTaskList(filteredData);
}

// ---- rows ----

long FacilityTaskListVC::tableViewNumberOfRowsInSection(uikit::TableView& tableView, long section) {
  (void)tableView, (void)section;
  return static_cast<long>(arrTasks.size());
}

std::shared_ptr<uikit::TableViewCell> FacilityTaskListVC::tableViewCellForRowAtIndexPath(
    uikit::TableView& tableView, const uikit::IndexPath& indexPath) {
  auto cell = std::dynamic_pointer_cast<FacilityTaskDetailCell>(
      tableView.dequeueReusableCellWithIdentifier(FacilityTaskDetailCell::kReuseIdentifier, indexPath));
  if (!cell) {
    platform::LogError("FacilityTaskListVC: no FacilityTaskDetailCell prototype");
    return std::make_shared<uikit::TableViewCell>();
  }
  if (indexPath.row < 0 || static_cast<std::size_t>(indexPath.row) >= arrTasks.size()) return cell;
  const MDLCloseComplain& task = arrTasks[static_cast<std::size_t>(indexPath.row)];
  setLabel(cell->lblTaskTitle, task.tenant.value_or(""));
  setLabel(cell->lblClientName, "Client : " + task.clientName.value_or(""));
  setLabel(cell->lblIssueDetails, task.complainDesc.value_or(""));
  const std::string time = task.reportingTime.value_or("");
  setLabel(cell->lblReportingTime, taskStatus == ComplainTaskCategory::today ? "Reporting Time : " + time : time);
  setLabel(cell->lblIssueArea, "  " + task.complainFor.value_or("") + "  ");
  if (auto status = cell->imgViewTaskStatus.lock()) status->setHidden(true);
  return cell;
}

void FacilityTaskListVC::tableViewDidSelectRowAtIndexPath(uikit::TableView& tableView,
                                                          const uikit::IndexPath& indexPath) {
  (void)tableView;
  openTaskClosure(indexPath.row);
}

void FacilityTaskListVC::openTaskClosure(long row) {
  if (row < 0 || static_cast<std::size_t>(row) >= arrTasks.size()) return;
  auto popup = std::dynamic_pointer_cast<ComplainClosurePopupVC>(
      Storyboards::instantiateScreen(StoryboardName::facilityAdmin, "ComplainClosurePopupVC"));
  if (!popup) return;
  popup->modalPresentationStyle = uikit::ModalPresentationStyle::kOverCurrentContext;
  popup->modalTransitionStyle = uikit::ModalTransitionStyle::kCrossDissolve;
  popup->setTransitioningDelegate(sharedAs<FacilityTaskListVC>());
  popup->complainId = arrTasks[static_cast<std::size_t>(row)].id.value_or("");
  Weak weak = sharedAs<FacilityTaskListVC>();
  popup->closeComplainClosure = [weak] {
    if (auto self = weak.lock()) self->reloadTasksAndCounts();
  };
  (void)present(popup, true);
}

uikit::AnimatorPtr FacilityTaskListVC::animationControllerForPresentedController(
    const uikit::ViewControllerPtr& presented, const uikit::ViewControllerPtr& presenting,
    const uikit::ViewControllerPtr& source) {
  (void)presented, (void)presenting, (void)source;
  return std::make_shared<FadeInTransitionAnimator>();
}

// ---- storyboard ----

void FacilityTaskListVC::registerScene() {
  FilterIndicator::registerImages();
  uikit::Image::registerNamed(kNoTaskImage, uikit::Image::filled({120, 120}, AppColor::silver()));
  ComplainClosurePopupVC::registerScene();
  uikit::Storyboard::registerScene(kStoryboard, "FacilityTaskListVC", [] {
    uikit::StoryboardSceneContents contents;
    auto controller = std::make_shared<FacilityTaskListVC>();
    controller->setTitle("My Tasks");
    const uikit::Rect screen = uikit::Device::screenBounds();
    const double width = screen.size.width;
    auto view = uikit::View::make(screen);
    view->setBackgroundColor(AppColor::white());

    // Three tiles: container, count, title.
    struct Tile {
      std::shared_ptr<uikit::View> container;
      std::shared_ptr<uikit::Label> count;
      std::shared_ptr<uikit::Label> title;
    };
    const double tileWidth = (width - 40) / 3;
    const char* names[] = {"todayTask", "allTask", "overdueTask"};
    const char* titles[] = {"Today's Task", "All Task", "Overdue Task"};
    Tile tiles[3];
    for (int i = 0; i < 3; ++i) {
      Tile& t = tiles[i];
      t.container = uikit::View::make(uikit::Rect(10 + i * (tileWidth + 10), 10, tileWidth, 64));
      t.container->setAccessibilityIdentifier(names[i]);
      t.count = uikit::View::make<uikit::Label>(uikit::Rect(8, 8, tileWidth - 16, 22));
      t.count->setAccessibilityIdentifier(std::string(names[i]) + "Count");
      t.count->setBackgroundColor(AppColor::paleBlue());
      t.title = uikit::View::make<uikit::Label>(uikit::Rect(8, 36, tileWidth - 16, 20));
      t.title->setText(std::string(titles[i]));
      t.container->addSubview(t.count);
      t.container->addSubview(t.title);
      view->addSubview(t.container);
    }
    auto filterContainer = uikit::View::make(uikit::Rect(width - 130, 84, 110, 30));
    filterContainer->setAccessibilityIdentifier("filterContainerView");
    auto icon = uikit::View::make<uikit::ImageView>(uikit::Rect(10, 7, 16, 16));
    auto filterTitle = uikit::View::make<uikit::Label>(uikit::Rect(32, 5, 70, 20));
    // The storyboard's first look: no filter.
    FilterIndicator::show(icon, filterTitle, false);
    filterContainer->addSubview(icon);
    filterContainer->addSubview(filterTitle);
    view->addSubview(filterContainer);
    auto table = uikit::View::make<uikit::TableView>(uikit::Rect(0, 124, width, screen.size.height - 124),
                                                     uikit::TableViewStyle::kPlain);
    table->setAccessibilityIdentifier("tblTaskList");
    table->separatorStyle = uikit::TableViewCellSeparatorStyle::kNone;
    table->registerClass(FacilityTaskDetailCell::kReuseIdentifier, &FacilityTaskDetailCell::instantiatePrototype);
    view->addSubview(table);
    auto noTaskImage = uikit::View::make<uikit::ImageView>(uikit::Rect(width / 2 - 60, 200, 120, 120));
    noTaskImage->setAccessibilityIdentifier("imgNoTask");
    noTaskImage->setHidden(true);
    auto noTaskLabel = uikit::View::make<uikit::Label>(uikit::Rect(20, 330, width - 40, 24));
    noTaskLabel->setAccessibilityIdentifier("lblNoTask");
    noTaskLabel->setText(std::string("No task assigned"));
    noTaskLabel->setHidden(true);
    view->addSubview(noTaskImage);
    view->addSubview(noTaskLabel);

    Weak weak = controller;
    const std::function<void(FacilityTaskListVC&)> tileActions[] = {
        [](FacilityTaskListVC& c) { c.actionTodayTask(); },
        [](FacilityTaskListVC& c) { c.actionAllTask(); },
        [](FacilityTaskListVC& c) { c.actionOverdueTask(); },
    };
    for (int i = 0; i < 3; ++i) {
      TapActions::addTapGesture(tiles[i].container, [weak, action = tileActions[i]] {
        if (auto self = weak.lock()) action(*self);
      });
    }
    TapActions::addTapGesture(filterContainer, [weak] {
      if (auto self = weak.lock()) self->actionGoToFilterList();
    });

    contents.controller = controller;
    contents.view = view;
    const auto tile = [weak](std::weak_ptr<uikit::View> FacilityTaskListVC::*outlet,
                             const std::shared_ptr<uikit::View>& container) {
      return [weak, outlet, container] {
        auto c = weak.lock();
        if (!c) return;
        (*c).*outlet = container;
        c->styleTaskTile(container);
      };
    };
    const auto label = [weak](std::weak_ptr<uikit::Label> FacilityTaskListVC::*outlet,
                              const std::shared_ptr<uikit::Label>& l, void (*style)(uikit::Label&)) {
      return [weak, outlet, l, style] {
        auto c = weak.lock();
        if (!c) return;
        (*c).*outlet = l;
        if (style) style(*l);
      };
    };
    contents.outlets = {
        {"tblTaskList", [weak, table] { if (auto c = weak.lock()) c->tblTaskList = table; }},
        {"todayTaskContainerView", tile(&FacilityTaskListVC::todayTaskContainerView, tiles[0].container)},
        {"lblTodaysTaskCount", label(&FacilityTaskListVC::lblTodaysTaskCount, tiles[0].count, &styleCountLabel)},
        {"lblTodaysTaskTitle", label(&FacilityTaskListVC::lblTodaysTaskTitle, tiles[0].title, &styleTitleLabel)},
        {"allTaskTaskContainerView", tile(&FacilityTaskListVC::allTaskTaskContainerView, tiles[1].container)},
        {"lblAllTaskCount", label(&FacilityTaskListVC::lblAllTaskCount, tiles[1].count, &styleCountLabel)},
        {"lblAllTaskTitle", label(&FacilityTaskListVC::lblAllTaskTitle, tiles[1].title, &styleTitleLabel)},
        {"overdueTaskContainerView", tile(&FacilityTaskListVC::overdueTaskContainerView, tiles[2].container)},
        {"lblOverdueTaskCount", label(&FacilityTaskListVC::lblOverdueTaskCount, tiles[2].count, &styleCountLabel)},
        {"lblOverdueTaskTitle", label(&FacilityTaskListVC::lblOverdueTaskTitle, tiles[2].title, &styleTitleLabel)},
        {"filterContainerView",
         [weak, filterContainer] { if (auto c = weak.lock()) c->filterContainerView = filterContainer; }},
        {"lblFilterTitle", label(&FacilityTaskListVC::lblFilterTitle, filterTitle, nullptr)},
        {"imgFilterIcon", [weak, icon] { if (auto c = weak.lock()) c->imgFilterIcon = icon; }},
        {"imgNoTask", [weak, noTaskImage] { if (auto c = weak.lock()) c->imgNoTask = noTaskImage; }},
        {"lblNoTask", label(&FacilityTaskListVC::lblNoTask, noTaskLabel, nullptr)},
    };
    return contents;
  });
}
