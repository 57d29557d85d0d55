#include "Facility/Screens/TenantDashboardVC.h"

#include <charconv>
#include <tuple>

#include "Facility/BLE+MainMethods/TarneloBLEKeys.h"
#include "Facility/Network/APIManager.h"
#include "Facility/Screens/AddNewComplaintVC.h"
#include "Facility/Screens/DashboardNavigation.h"
#include "Facility/Screens/FacilityManageComplainCell.h"
#include "Facility/Screens/FacilityRaiseComplainCell.h"
#include "Facility/Screens/StoryboardName.h"
#include "Facility/Screens/TenantAssignAccessVC.h"
#include "Facility/Screens/TenantBuildingCell.h"
#include "Facility/Screens/TenantParkingCell.h"
#include "Facility/Screens/UserCell.h"
#include "Facility/Services/FailureToast.h"
#include "Facility/Services/ViewModelLoader.h"
#include "Facility/Support/AppColor.h"
#include "Facility/Support/Device.h"
#include "Facility/Widgets/AAction.h"
#include "Facility/Widgets/TapActions.h"
#include "Facility/Widgets/ViewStyle.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/UIKit/InfiniteScrollingView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/Nib.h"
#include "Platform/UIKit/PullToRefreshView.h"
#include "Platform/UIKit/Storyboard.h"

namespace {

constexpr double kAllottedEstimate = 128;
constexpr double kFirstEmployeeEstimate = 263;
constexpr double kEmployeeEstimate = 167;

template <class R>
bool decoded(const std::shared_ptr<TenantDashboardVC>& screen, const DataResponse<R>& response) {
  if (response.value) return true;
  showResponseErrorAlert(screen, std::nullopt, {AAction::Ok}, nullptr, response);
  return false;
}

std::string flag(int value) { return std::to_string(value); }

void stopPull(const std::shared_ptr<uikit::TableView>& table) {
  if (table && table->pullToRefreshView()) table->pullToRefreshView()->stopAnimating();
}

void stopInfinite(const std::shared_ptr<uikit::TableView>& table) {
  if (table && table->infiniteScrollingView()) table->infiniteScrollingView()->stopAnimating();
}

}  // namespace

// ---- outlets ----

void TenantDashboardVC::setTabBarStackView(const std::shared_ptr<uikit::StackView>& view) {
  tabBarStackView = view;
  if (!view) return;
  view->layer().cornerRadius = 5;
  ViewStyle::setBorderWidth(*view, 1);
  ViewStyle::setBorderColor(*view, AppColor::green());
  view->setClipsToBounds(true);
}

void TenantDashboardVC::setTblAlloted(const std::shared_ptr<uikit::TableView>& table) {
  tblAlloted = table;
  if (!table) return;
  for (const char* nib : {TenantBuildingCell::kNibName, TenantParkingCell::kNibName, UserCell::kNibName,
                          FacilityRaiseComplainCell::kNibName, FacilityManageComplainCell::kNibName}) {
    table->registerNib(uikit::Nib::named(nib), nib);
  }
  table->separatorStyle = uikit::TableViewCellSeparatorStyle::kNone;
  table->rowHeight = uikit::TableView::kAutomaticDimension;
  Weak weak = sharedAs<TenantDashboardVC>();
  table->addPullToRefreshWithActionHandler([weak] {
    if (auto self = weak.lock()) self->loadAllotted();
  });
}

void TenantDashboardVC::setTblManage(const std::shared_ptr<uikit::TableView>& table) {
  tblManage = table;
  if (!table) return;
  for (const char* nib : {TenantBuildingCell::kNibName, TenantParkingCell::kNibName, UserCell::kNibName}) {
    table->registerNib(uikit::Nib::named(nib), nib);
  }
  table->separatorStyle = uikit::TableViewCellSeparatorStyle::kNone;
  table->rowHeight = uikit::TableView::kAutomaticDimension;
  Weak weak = sharedAs<TenantDashboardVC>();
  table->addPullToRefreshWithActionHandler([weak] {
    if (auto self = weak.lock()) self->loadEmployees(false);
  });
  table->addInfiniteScrollingWithActionHandler([weak] {
    if (auto self = weak.lock()) self->loadEmployees(true);
  });
}

void TenantDashboardVC::setVwSortFilter(const std::shared_ptr<uikit::View>& view) {
  vwSortFilter = view;
  if (!view) return;
  view->setBackgroundColor(AppColor::gray237());
  view->layer().cornerRadius = 5;
  view->setClipsToBounds(true);
}

void TenantDashboardVC::setBtnSort(const std::shared_ptr<GenericButton>& button) {
  btnSort = button;
  if (!button) return;
  button->layer().cornerRadius = 5;
  button->setClipsToBounds(true);
  Weak weak = sharedAs<TenantDashboardVC>();
  TapActions::addAction(button, [weak](uikit::Button&) {
    if (auto self = weak.lock()) self->openSheet(Sheet::sort);
  });
}

void TenantDashboardVC::setBtnFilter(const std::shared_ptr<GenericButton>& button) {
  btnFilter = button;
  if (!button) return;
  button->layer().cornerRadius = 5;
  button->setClipsToBounds(true);
  Weak weak = sharedAs<TenantDashboardVC>();
  TapActions::addAction(button, [weak](uikit::Button&) {
    if (auto self = weak.lock()) self->openSheet(Sheet::filter);
  });
}

void TenantDashboardVC::setCnVwSortHeight(const uikit::LayoutConstraintPtr& constraint) {
  cnVwSortHeight = constraint;
  Weak weak = sharedAs<TenantDashboardVC>();
  platform::RunLoop::main().asyncAfter(kStyleDelay, [weak] {
    auto self = weak.lock();
    if (!self || !self->cnVwSortHeight) return;
    if (auto sheet = self->vwSort.lock()) self->cnVwSortHeight->setConstant(sheet->frame().height());
  });
}

void TenantDashboardVC::setCnVwFilterHeight(const uikit::LayoutConstraintPtr& constraint) {
  cnVwFilterHeight = constraint;
  Weak weak = sharedAs<TenantDashboardVC>();
  platform::RunLoop::main().asyncAfter(kStyleDelay, [weak] {
    auto self = weak.lock();
    if (!self || !self->cnVwFilterHeight) return;
    if (auto sheet = self->vwFilter.lock()) self->cnVwFilterHeight->setConstant(sheet->frame().height());
  });
}

void TenantDashboardVC::setBtnBackground(const std::shared_ptr<uikit::Button>& button) {
  btnBackground = button;
  if (!button) return;
  button->setBackgroundColor(AppColor::black());
  button->setAlpha(0.5);
  Weak weak = sharedAs<TenantDashboardVC>();
  TapActions::addAction(button, [weak](uikit::Button&) {
    auto self = weak.lock();
    if (!self) return;
    self->closeSheet(Sheet::filter);
    self->closeSheet(Sheet::sort);
  });
}

void TenantDashboardVC::setCheckmark(std::weak_ptr<uikit::ImageView> TenantDashboardVC::*outlet,
                                     const std::shared_ptr<uikit::ImageView>& view) {
  this->*outlet = view;
  if (!view) return;
  if (view->image()) view->setImage(view->image()->withRenderingMode(uikit::ImageRenderingMode::kAlwaysTemplate));
  view->setTintColor(AppColor::green());
}

void TenantDashboardVC::setDoneButton(std::weak_ptr<uikit::Button> TenantDashboardVC::*outlet,
                                      const std::shared_ptr<uikit::Button>& button, Sheet sheet) {
  this->*outlet = button;
  if (!button) return;
  Weak weak = sharedAs<TenantDashboardVC>();
  std::weak_ptr<uikit::Button> weakButton = button;
  platform::RunLoop::main().asyncAfter(kStyleDelay, [weakButton] {
    auto b = weakButton.lock();
    if (!b) return;
    b->layer().cornerRadius = b->frame().height() / 2;
    if (auto image = b->currentImage()) {
      b->setImage(image->withRenderingMode(uikit::ImageRenderingMode::kAlwaysTemplate), uikit::kControlStateNormal);
    }
    b->setTintColor(AppColor::white());
    b->setBackgroundColor(AppColor::green());
  });
  TapActions::addAction(button, [weak, sheet](uikit::Button&) {
    if (auto self = weak.lock()) self->sheetDone(sheet);
  });
}

void TenantDashboardVC::setFilterBackground(std::weak_ptr<uikit::View> TenantDashboardVC::*outlet,
                                            const std::shared_ptr<uikit::View>& view) {
  this->*outlet = view;
  if (!view) return;
  view->layer().cornerRadius = view->frame().width() / 2;
  view->setClipsToBounds(true);
  view->setBackgroundColor(AppColor::lightGray());
}

void TenantDashboardVC::setFilterIcon(std::weak_ptr<uikit::ImageView> TenantDashboardVC::*outlet,
                                      const std::shared_ptr<uikit::ImageView>& view) {
  this->*outlet = view;
  if (!view) return;
  if (view->image()) view->setImage(view->image()->withRenderingMode(uikit::ImageRenderingMode::kAlwaysTemplate));
  view->setTintColor(uikit::Color::gray());
}

// ---- life cycle ----

void TenantDashboardVC::viewDidLoad() {
  SuperViewController::viewDidLoad();
  facilityAdminTypeRightBarButtonsItemDelegate = sharedAs<TenantDashboardVC>();
}

void TenantDashboardVC::viewWillAppear(bool animated) {
  SuperViewController::viewWillAppear(animated);
  (void)platform::UserDefaults::standard().setInteger(0, TarneloBLEKeys::shouldAllowPunch);
  setupNavigationBar(kTitle);
  if (auto allotted = btnAllottedFacility.lock()) btnStackViewClickedWithSender(*allotted);
  chooseSortField(true);
}

// ---- tabs ----

void TenantDashboardVC::btnStackViewClickedWithSender(uikit::Button& sender) {
  auto allotted = btnAllottedFacility.lock();
  auto manage = btnManageFacility.lock();
  if (!allotted || !manage) return;
  const bool isAllotted = &sender == allotted.get();
  if (!isAllotted && &sender != manage.get()) return;
  if (sender.isSelected()) return;
  auto bar = vwSortFilter.lock();
  auto allottedTable = tblAlloted.lock();
  auto manageTable = tblManage.lock();
  for (const auto& v : std::vector<uikit::ViewPtr>{bar, allottedTable, manageTable}) {
    if (v) v->setHidden(true);
  }
  sender.setSelected(!sender.isSelected());
  if (sender.isSelected() && isAllotted) {
    if (allottedTable) allottedTable->setHidden(false);
    manage->setSelected(false);
    allotted->setBackgroundColor(AppColor::green());
    manage->setBackgroundColor(AppColor::white());
    loadAllotted();
    return;
  }
  if (bar) bar->setHidden(false);
  if (manageTable) manageTable->setHidden(false);
  allotted->setSelected(false);
  allotted->setBackgroundColor(AppColor::white());
  manage->setBackgroundColor(AppColor::green());
  loadEmployees(false);
}

// ---- Allotted tab ----

void TenantDashboardVC::loadAllotted() {
  // A new load: a fresh group, so an older load's replies can neither leave
  // nor notify this one.
  const std::uint64_t generation = ++allottedGeneration_;
  dispatchGroup = platform::DispatchGroup();
  platform::DispatchGroup group = dispatchGroup;
  group.enter();
  Weak weak = sharedAs<TenantDashboardVC>();
  ViewModelLoader::show();
  vmAllottedFacility->requestAllotedFacility(
      [weak, generation, group](DataResponse<MDLAllotedFacility> response) {
        handleAllotted(weak, generation, group, response);
      },
      [weak, generation, group] {
        ViewModelLoader::hide();
        allottedNotDelivered(weak, generation, group);
      });
}

void TenantDashboardVC::allottedNotDelivered(const Weak& screen, std::uint64_t generation,
                                             platform::DispatchGroup group) {
  (void)group.leave();
  auto self = screen.lock();
  if (self && self->allottedGeneration_ == generation) stopPull(self->tblAlloted.lock());
}

void TenantDashboardVC::handleAllotted(const Weak& screen, std::uint64_t generation, platform::DispatchGroup group,
                                       const DataResponse<MDLAllotedFacility>& response) {
  auto self = screen.lock();
  if (!self || self->allottedGeneration_ != generation) {
    (void)group.leave();
    return;
  }
  platform::LogInfo("\n\nEnter 1");
  auto table = self->tblAlloted.lock();
  stopPull(table);
  self->arrData.clear();
  if (table) table->reloadData();
  if (!response.value) {
    (void)group.leave();
    (void)decoded(self, response);
    return;
  }
  const MDLAllotedFacility& reply = *response.value;
  if (!reply.isSuccess.value_or(false)) {
    (void)group.leave();
    showFailureToast(response, reply.message);
    return;
  }
  if (reply.buildingList) self->arrData.emplace_back(*reply.buildingList);
  if (reply.parkingTileList) {
    for (const auto& tile : *reply.parkingTileList) self->arrData.emplace_back(tile);
  }
  if (reply.identityList) self->arrData.emplace_back(*reply.identityList);
  (void)group.leave();
  group.enter();
  self->vmAllottedFacility->requestComplainCount(
      [screen, generation, group](DataResponse<MDLComplainCount> count) {
        handleComplainCount(screen, generation, group, count);
      },
      [screen, generation, group] { allottedNotDelivered(screen, generation, group); });
  group.notify([screen, generation] {
    auto s = screen.lock();
    if (!s || s->allottedGeneration_ != generation) return;
    platform::LogInfo("\n\nEnter 3");
    if (auto t = s->tblAlloted.lock()) t->reloadData();
  });
}

void TenantDashboardVC::handleComplainCount(const Weak& screen, std::uint64_t generation,
                                            platform::DispatchGroup group,
                                            const DataResponse<MDLComplainCount>& response) {
  (void)group.leave();
  auto self = screen.lock();
  if (!self || self->allottedGeneration_ != generation) return;
  platform::LogInfo("\n\nEnter 2");
  if (!decoded(self, response)) return;
  if (!response.value->isSuccess.value_or(false)) {
    showFailureToast(response, response.value->message);
    return;
  }
  self->arrData.emplace_back(*response.value);
}

// ---- Manage tab ----

std::optional<std::int64_t> TenantDashboardVC::totalRecords(const std::optional<std::string>& text) {
  if (!text || text->empty()) return std::nullopt;
  std::string_view digits = *text;
  bool negative = false;
  if (digits.front() == '+' || digits.front() == '-') {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  if (digits.empty()) return std::nullopt;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  // Parsed with its sign so the most negative value fits too.
  const std::string withSign = (negative ? "-" : "") + std::string(digits);
  std::int64_t value = 0;
  auto [end, ec] = std::from_chars(withSign.data(), withSign.data() + withSign.size(), value);
  if (ec != std::errc() || end != withSign.data() + withSign.size()) return std::nullopt;
  return value;
}

void TenantDashboardVC::loadEmployees(bool loadMore) {
  if (loadMore) {
    // A further page waits for the one in flight, and ends with the list.
    if (isApiRunning || !shouldLoadMore) {
      stopInfinite(tblManage.lock());
      return;
    }
    isApiRunning = true;
  } else {
    shouldLoadMore = true;
    isApiRunning = true;
    pageNo = "1";
  }
  const std::uint64_t generation = ++employeeGeneration_;
  ManageFacilityService::Query query;
  query.pageNo = pageNo;
  query.sortOn = flag(sortOn);
  query.sortDesc = flag(sortDesc);
  query.isTagAssigned = flag(tagAssigned);
  query.isFloorAccess = flag(floorAccess);
  query.isParkingAccess = flag(parkingAccess);
  query.isVisitorAssignAccess = flag(visitorAccess);
  Weak weak = sharedAs<TenantDashboardVC>();
  ViewModelLoader::show();
  vmManageFacility->requestManageFacility(
      query,
      [weak, generation, loadMore](DataResponse<MDLManageFacility> response) {
        handleEmployees(weak, generation, loadMore, response);
      },
      [weak, generation] {
        ViewModelLoader::hide();
        employeesNotDelivered(weak, generation);
      });
}

void TenantDashboardVC::employeeRequestEnded() {
  isApiRunning = false;
  auto table = tblManage.lock();
  stopPull(table);
  stopInfinite(table);
}

void TenantDashboardVC::employeesNotDelivered(const Weak& screen, std::uint64_t generation) {
  auto self = screen.lock();
  if (self && self->employeeGeneration_ == generation) self->employeeRequestEnded();
}

void TenantDashboardVC::handleEmployees(const Weak& screen, std::uint64_t generation, bool loadMore,
                                        const DataResponse<MDLManageFacility>& response) {
  auto self = screen.lock();
  if (!self || self->employeeGeneration_ != generation) return;
  self->employeeRequestEnded();
  auto table = self->tblManage.lock();
  if (!loadMore) {
    self->arrEmployees.clear();
    if (table) table->reloadData();
  }
  if (!decoded(self, response)) return;
  const MDLManageFacility& reply = *response.value;
  if (!reply.isSuccess.value_or(false)) {
    showFailureToast(response, reply.message);
    return;
  }
  if (auto total = totalRecords(reply.totalRecords)) {
    if (static_cast<std::int64_t>(self->arrEmployees.size()) >= *total) {
      // The list is complete: this reply is one page past the end.
      self->shouldLoadMore = false;
    } else {
      if (reply.employeeList) {
        self->arrEmployees.insert(self->arrEmployees.end(), reply.employeeList->begin(), reply.employeeList->end());
      }
      self->pageNo = std::to_string(totalRecords(self->pageNo).value_or(1) + 1);
    }
  }
  if (auto bar = self->vwSortFilter.lock()) bar->setHidden(self->arrEmployees.empty());
  if (table) table->reloadData();
}

// ---- sort and filter ----

void TenantDashboardVC::chooseSortField(bool name) {
  auto nameButton = btnName.lock();
  auto idButton = btnEmployeeID.lock();
  if (nameButton) nameButton->setSelected(name);
  const bool nameSelected = nameButton ? nameButton->isSelected() : name;
  if (idButton) idButton->setSelected(!nameSelected);
  if (auto mark = imgVwNameCheckmark.lock()) mark->setHidden(!nameSelected);
  if (auto mark = imgVwEmpIDCheckmark.lock()) mark->setHidden(nameSelected);
  sortOn = nameSelected ? 0 : 1;
}

void TenantDashboardVC::chooseSortDirection(bool ascending) {
  auto up = btnAscending.lock();
  auto down = btnDescending.lock();
  if (up) up->setSelected(ascending);
  if (down) down->setSelected(!ascending);
  const bool descending = down ? down->isSelected() : !ascending;
  sortDesc = descending ? 1 : 0;
  const bool underAscending = up ? up->isSelected() : ascending;
  if (cnVwLineCenterXToBtnAscending) cnVwLineCenterXToBtnAscending->setPriority(underAscending ? kUsedPriority : kUnusedPriority);
  if (cnVwLineCenterXToBtnDesceding) cnVwLineCenterXToBtnDesceding->setPriority(underAscending ? kUnusedPriority : kUsedPriority);
  animateLayout(kUnderlineDuration, 0, nullptr);
}

void TenantDashboardVC::animateLayout(double duration, double delay, std::function<void()> completion) {
  std::weak_ptr<uikit::View> root = view();
  uikit::View::animate(
      duration, delay, uikit::kAnimationCurveLinear,
      [root] {
        if (auto v = root.lock()) v->layoutIfNeeded();
      },
      [completion](bool) {
        if (completion) completion();
      });
}

void TenantDashboardVC::openSheet(Sheet sheet) {
  const auto& bottom = sheet == Sheet::sort ? cnVwSortBottomSpace : cnVwFilterBottomSpace;
  if (bottom) bottom->setConstant(0);
  std::weak_ptr<uikit::Button> dim = btnBackground;
  animateLayout(kSheetDuration, kSheetDelay, [dim] {
    if (auto b = dim.lock()) b->setHidden(false);
  });
}

void TenantDashboardVC::closeSheet(Sheet sheet) {
  const auto& bottom = sheet == Sheet::sort ? cnVwSortBottomSpace : cnVwFilterBottomSpace;
  const auto& height = sheet == Sheet::sort ? cnVwSortHeight : cnVwFilterHeight;
  // Just below the screen.
  if (bottom) bottom->setConstant((height ? height->constant() : 0) + Device::safeAreaInsets().bottom);
  std::weak_ptr<uikit::Button> dim = btnBackground;
  animateLayout(kSheetDuration, kSheetDelay, [dim] {
    if (auto b = dim.lock()) b->setHidden(true);
  });
}

void TenantDashboardVC::sheetDone(Sheet sheet) {
  closeSheet(sheet);
  loadEmployees(false);
}

void TenantDashboardVC::btnFilterOptionClickedWithSender(uikit::Control& sender) {
  int* flagValue = nullptr;
  std::weak_ptr<uikit::View> background;
  std::weak_ptr<uikit::ImageView> icon;
  switch (sender.tag()) {
    case tagAssignedTag: flagValue = &tagAssigned, background = vwTag, icon = imgVwTag; break;
    case floorAccessTag: flagValue = &floorAccess, background = vwAccess, icon = imgVwAccess; break;
    case parkingAccessTag: flagValue = &parkingAccess, background = vwParking, icon = imgVwParking; break;
    case visitorAccessTag: flagValue = &visitorAccess, background = vwVisitor, icon = imgVwVisitor; break;
    default: return;
  }
  const bool on = *flagValue != 1;
  *flagValue = on ? 1 : 0;
  if (auto b = background.lock()) b->setBackgroundColor(on ? AppColor::green() : AppColor::lightGray());
  if (auto i = icon.lock()) i->setTintColor(on ? AppColor::white() : uikit::Color::gray());
}

// ---- tables ----

long TenantDashboardVC::tableViewNumberOfRowsInSection(uikit::TableView& table, long) {
  auto allotted = tblAlloted.lock();
  return static_cast<long>(allotted && &table == allotted.get() ? arrData.size() : arrEmployees.size());
}

double TenantDashboardVC::tableViewHeightForRowAtIndexPath(uikit::TableView&, const uikit::IndexPath&) {
  return uikit::TableView::kAutomaticDimension;
}

double TenantDashboardVC::tableViewEstimatedHeightForRowAtIndexPath(uikit::TableView&,
                                                                    const uikit::IndexPath& indexPath) {
  auto allotted = btnAllottedFacility.lock();
  if (allotted && allotted->isSelected()) return kAllottedEstimate;
  return indexPath.row == 0 ? kFirstEmployeeEstimate : kEmployeeEstimate;
}

std::shared_ptr<uikit::TableViewCell> TenantDashboardVC::tableViewCellForRowAtIndexPath(
    uikit::TableView& table, const uikit::IndexPath& indexPath) {
  auto allotted = tblAlloted.lock();
  if (allotted && &table == allotted.get()) return allottedCell(table, indexPath);
  return employeeCell(table, indexPath);
}

std::shared_ptr<uikit::TableViewCell> TenantDashboardVC::allottedCell(uikit::TableView& table,
                                                                      const uikit::IndexPath& indexPath) {
  if (indexPath.row < 0 || static_cast<std::size_t>(indexPath.row) >= arrData.size()) {
    return std::make_shared<uikit::TableViewCell>();
  }
  const AllottedRow& row = arrData[static_cast<std::size_t>(indexPath.row)];
  Weak weak = sharedAs<TenantDashboardVC>();
  if (const auto* buildings = std::get_if<std::vector<MDLVisitorBuilding>>(&row)) {
    auto cell = std::dynamic_pointer_cast<TenantBuildingCell>(
        table.dequeueReusableCellWithIdentifier(TenantBuildingCell::kNibName, indexPath));
    if (!cell) return std::make_shared<uikit::TableViewCell>();
    cell->fill(*buildings, sharedAs<TenantDashboardVC>());
    return cell;
  }
  if (const auto* count = std::get_if<MDLComplainCount>(&row)) {
    if (count->complainCount && *count->complainCount >= 1) {
      auto cell = std::dynamic_pointer_cast<FacilityManageComplainCell>(
          table.dequeueReusableCellWithIdentifier(FacilityManageComplainCell::kNibName, indexPath));
      if (!cell) return std::make_shared<uikit::TableViewCell>();
      if (auto label = cell->lblOpenCount.lock()) label->setText("Open : " + std::to_string(*count->complainCount));
      cell->actionOpenComplain = [weak] {
        if (auto self = weak.lock()) self->openComplaintList();
      };
      cell->actionAddComplain = [weak] {
        if (auto self = weak.lock()) self->openNewComplaint();
      };
      return cell;
    }
    auto cell = std::dynamic_pointer_cast<FacilityRaiseComplainCell>(
        table.dequeueReusableCellWithIdentifier(FacilityRaiseComplainCell::kNibName, indexPath));
    if (!cell) return std::make_shared<uikit::TableViewCell>();
    cell->actionRaiseComplain = [weak] {
      if (auto self = weak.lock()) self->openNewComplaint();
    };
    return cell;
  }
  auto cell = std::dynamic_pointer_cast<TenantParkingCell>(
      table.dequeueReusableCellWithIdentifier(TenantParkingCell::kNibName, indexPath));
  if (!cell) return std::make_shared<uikit::TableViewCell>();
  if (const auto* tile = std::get_if<MDLAllottedParkingTileList>(&row)) {
    cell->fillParking(*tile);
  } else {
    cell->fillIdentity(std::get<std::vector<MDLIdentity>>(row));
  }
  return cell;
}

std::shared_ptr<uikit::TableViewCell> TenantDashboardVC::employeeCell(uikit::TableView& table,
                                                                      const uikit::IndexPath& indexPath) {
  if (indexPath.row < 0 || static_cast<std::size_t>(indexPath.row) >= arrEmployees.size()) {
    return std::make_shared<uikit::TableViewCell>();
  }
  auto cell = std::dynamic_pointer_cast<UserCell>(table.dequeueReusableCellWithIdentifier(UserCell::kNibName, indexPath));
  if (!cell) return std::make_shared<uikit::TableViewCell>();
  Weak weak = sharedAs<TenantDashboardVC>();
  cell->fill(arrEmployees[static_cast<std::size_t>(indexPath.row)], [weak](const MDLEmployee& employee) {
    if (auto self = weak.lock()) self->openAccessAssignment(employee);
  });
  return cell;
}

// ---- navigation ----

void TenantDashboardVC::openComplaintList() {
  DashboardNavigation::push(*this, Storyboards::instantiateScreen(StoryboardName::tenantAdmin, "RaisedComplaintListVC"));
}

void TenantDashboardVC::openNewComplaint() {
  auto form = std::dynamic_pointer_cast<AddNewComplaintVC>(
      Storyboards::instantiateScreen(StoryboardName::tenantAdmin, "AddNewComplaintVC"));
  if (!form) return;
  Weak weak = sharedAs<TenantDashboardVC>();
  form->actionUpdateCount = [weak] {
    auto self = weak.lock();
    if (!self) return;
    self->loadAllotted();
    self->loadEmployees(false);
  };
  DashboardNavigation::push(*this, form);
}

void TenantDashboardVC::openAccessAssignment(const MDLEmployee& employee) {
  auto screen = std::dynamic_pointer_cast<TenantAssignAccessVC>(
      Storyboards::instantiateScreen(StoryboardName::tenantAdmin, "TenantAssignAccessVC"));
  if (!screen) return;
  screen->userId = employee.employeeId;
  screen->userName = employee.employeeName;
  DashboardNavigation::push(*this, screen);
}

void TenantDashboardVC::onNavigationButtonTapped(NavigationButtonKind kind) {
  switch (kind) {
    case NavigationButtonKind::scanner:
      platform::LogInfo("btnScanner");
      return;
    case NavigationButtonKind::profile:
      platform::LogInfo("btnProfile");
      DashboardNavigation::openProfile(*this, sharedAs<TenantDashboardVC>());
      return;
    case NavigationButtonKind::notification:
    default:
      platform::LogInfo("btnNotification");
      DashboardNavigation::openNotifications(*this);
      return;
  }
}

void TenantDashboardVC::onUserTypeSelected() { DashboardNavigation::rebuildRootForStoredRole(); }

void TenantDashboardVC::onBuildingSelected() {
  if (auto table = tblAlloted.lock()) table->reloadData();
}

// ---- storyboard ----

void TenantDashboardVC::registerScene() {
  TenantBuildingCell::registerNib();
  TenantParkingCell::registerNib();
  UserCell::registerNib();
  FacilityRaiseComplainCell::registerNib();
  FacilityManageComplainCell::registerNib();
  for (const char* icon : {"ic_check", "ic_filter_tag", "ic_filter_access", "ic_filter_parking", "ic_filter_visitor"}) {
    uikit::Image::registerNamed(icon, uikit::Image::filled({20, 20}, AppColor::gray()));
  }
  uikit::Storyboard::registerScene(kStoryboard, "TenantDashboardVC", [] {
    using A = uikit::LayoutAttribute;
    using R = uikit::LayoutRelation;
    uikit::StoryboardSceneContents contents;
    auto c = std::make_shared<TenantDashboardVC>();
    const uikit::Rect screen = uikit::Device::screenBounds();
    const double w = screen.width();
    const double h = screen.height();
    auto view = uikit::View::make(screen);
    view->setBackgroundColor(uikit::Color::white());
    auto button = [](const uikit::Rect& frame, const char* id, const char* title) {
      auto b = std::make_shared<GenericButton>(frame);
      b->setAccessibilityIdentifier(id);
      b->setTitle(std::string(title));
      return b;
    };

    // Tabs, the sort and filter bar and the two tables.
    auto tabs = std::make_shared<uikit::StackView>();
    tabs->setFrame(uikit::Rect(20, 10, w - 40, 40));
    tabs->axis = uikit::LayoutAxis::kHorizontal;
    auto allotted = button(uikit::Rect(0, 0, (w - 40) / 2, 40), "btnAllottedFacility", "Allotted Facility");
    auto manage = button(uikit::Rect((w - 40) / 2, 0, (w - 40) / 2, 40), "btnManageFacility", "Manage Facility");
    tabs->addArrangedSubview(allotted);
    tabs->addArrangedSubview(manage);
    auto bar = uikit::View::make(uikit::Rect(20, 60, w - 40, 40));
    bar->setAccessibilityIdentifier("vwSortFilter");
    auto sort = button(uikit::Rect(0, 0, (w - 40) / 2, 40), "btnSort", "Sort");
    auto filter = button(uikit::Rect((w - 40) / 2, 0, (w - 40) / 2, 40), "btnFilter", "Filter");
    bar->addSubview(sort);
    bar->addSubview(filter);
    auto allottedTable = std::make_shared<uikit::TableView>(uikit::Rect(0, 60, w, h - 60), uikit::TableViewStyle::kPlain);
    allottedTable->setAccessibilityIdentifier("tblAlloted");
    auto manageTable = std::make_shared<uikit::TableView>(uikit::Rect(0, 110, w, h - 110), uikit::TableViewStyle::kPlain);
    manageTable->setAccessibilityIdentifier("tblManage");
    for (const auto& table : {allottedTable, manageTable}) {
      table->setDataSource(std::static_pointer_cast<uikit::TableViewDataSource>(c));
      table->setDelegate(std::static_pointer_cast<uikit::TableViewDelegate>(c));
    }
    auto blank = uikit::View::make(uikit::Rect(0, h, w, 0));
    auto dim = uikit::Button::withType(uikit::ButtonType::kCustom);
    dim->setFrame(screen);
    dim->setAccessibilityIdentifier("btnBackground");
    dim->setHidden(true);

    // The sheets start just below the screen.
    auto makeSheet = [&](const char* id, double height) {
      auto sheet = uikit::View::make(uikit::Rect(0, h, w, height));
      sheet->setAccessibilityIdentifier(id);
      sheet->setBackgroundColor(uikit::Color::white());
      auto heightConstraint = sheet->heightAnchor().constraintEqualToConstant(height);
      heightConstraint->setActive(true);
      auto bottom = uikit::LayoutConstraint::make(sheet, A::kBottom, R::kEqual, view, A::kBottom, 1, height);
      view->addConstraint(bottom);
      return std::make_tuple(sheet, heightConstraint, bottom);
    };
    const auto sortParts = makeSheet("vwSort", 260);
    const auto sortSheet = std::get<0>(sortParts);
    const auto sortHeight = std::get<1>(sortParts);
    const auto sortBottom = std::get<2>(sortParts);
    auto ascending = button(uikit::Rect(20, 10, (w - 40) / 2, 40), "btnAscending", "Ascending");
    auto descending = button(uikit::Rect(w / 2, 10, (w - 40) / 2, 40), "btnDescending", "Descending");
    auto line = uikit::View::make(uikit::Rect(20, 52, (w - 40) / 2, 2));
    line->setBackgroundColor(AppColor::green());
    auto underAscending = uikit::LayoutConstraint::make(line, A::kCenterX, R::kEqual, ascending, A::kCenterX, 1, 0);
    underAscending->setPriority(kUsedPriority);
    auto underDescending = uikit::LayoutConstraint::make(line, A::kCenterX, R::kEqual, descending, A::kCenterX, 1, 0);
    underDescending->setPriority(kUnusedPriority);
    sortSheet->addConstraints({underAscending, underDescending});
    auto name = button(uikit::Rect(20, 70, w - 80, 40), "btnName", "Name");
    auto nameMark = uikit::View::make<uikit::ImageView>(uikit::Rect(w - 50, 80, 20, 20));
    nameMark->setImage(uikit::Image::named("ic_check"));
    auto employeeId = button(uikit::Rect(20, 120, w - 80, 40), "btnEmployeeID", "Employee ID");
    auto idMark = uikit::View::make<uikit::ImageView>(uikit::Rect(w - 50, 130, 20, 20));
    idMark->setImage(uikit::Image::named("ic_check"));
    idMark->setHidden(true);
    auto sortDone = uikit::Button::withType(uikit::ButtonType::kCustom);
    sortDone->setFrame(uikit::Rect(w / 2 - 60, 190, 120, 44));
    sortDone->setTitle(std::string("Apply"));
    sortDone->setAccessibilityIdentifier("btnSortDone");
    for (const auto& v : std::vector<uikit::ViewPtr>{ascending, descending, line, name, nameMark, employeeId, idMark,
                                                     sortDone}) {
      sortSheet->addSubview(v);
    }

    const auto filterParts = makeSheet("vwFilter", 220);
    const auto filterSheet = std::get<0>(filterParts);
    const auto filterHeight = std::get<1>(filterParts);
    const auto filterBottom = std::get<2>(filterParts);
    struct Option {
      std::shared_ptr<uikit::View> background;
      std::shared_ptr<uikit::ImageView> icon;
      std::shared_ptr<uikit::Button> button;
    };
    const char* optionIds[] = {"btnTag", "btnAccess", "btnParking", "btnVisitor"};
    const char* optionTitles[] = {"Tag", "Floor Access", "Parking", "Visitor"};
    const char* optionIcons[] = {"ic_filter_tag", "ic_filter_access", "ic_filter_parking", "ic_filter_visitor"};
    std::vector<Option> options;
    const double column = (w - 40) / 4;
    for (long i = 0; i < 4; ++i) {
      Option o;
      o.background = uikit::View::make(uikit::Rect(20 + column * static_cast<double>(i) + (column - 50) / 2, 20, 50, 50));
      o.icon = uikit::View::make<uikit::ImageView>(uikit::Rect(13, 13, 24, 24));
      o.icon->setImage(uikit::Image::named(optionIcons[i]));
      o.background->addSubview(o.icon);
      o.button = uikit::Button::withType(uikit::ButtonType::kCustom);
      o.button->setFrame(uikit::Rect(20 + column * static_cast<double>(i), 20, column, 90));
      o.button->setTitle(std::string(optionTitles[i]));
      o.button->setAccessibilityIdentifier(optionIds[i]);
      o.button->setTag(i);
      std::weak_ptr<TenantDashboardVC> weak = c;
      o.button->addTarget(
          c, [weak](uikit::Control& sender) {
            if (auto self = weak.lock()) self->btnFilterOptionClickedWithSender(sender);
          },
          uikit::kControlEventTouchUpInside);
      filterSheet->addSubview(o.background);
      filterSheet->addSubview(o.button);
      options.push_back(o);
    }
    auto filterDone = uikit::Button::withType(uikit::ButtonType::kCustom);
    filterDone->setFrame(uikit::Rect(w / 2 - 60, 150, 120, 44));
    filterDone->setTitle(std::string("Apply"));
    filterDone->setAccessibilityIdentifier("btnFilterDone");
    filterSheet->addSubview(filterDone);

    for (const auto& v : std::vector<uikit::ViewPtr>{tabs, bar, allottedTable, manageTable, blank, dim, sortSheet,
                                                     filterSheet}) {
      view->addSubview(v);
    }

    // Storyboard actions.
    std::weak_ptr<TenantDashboardVC> weak = c;
    for (const auto& tab : {allotted, manage}) {
      tab->addTarget(
          c, [weak](uikit::Control& sender) {
            auto self = weak.lock();
            if (auto b = dynamic_cast<uikit::Button*>(&sender); self && b) self->btnStackViewClickedWithSender(*b);
          },
          uikit::kControlEventTouchUpInside);
    }
    const std::pair<std::shared_ptr<GenericButton>, bool> fields[] = {{name, true}, {employeeId, false}};
    for (const auto& [fieldButton, isName] : fields) {
      const bool byName = isName;
      TapActions::addAction(fieldButton, [weak, byName](uikit::Button&) {
        if (auto self = weak.lock()) self->chooseSortField(byName);
      });
    }
    const std::pair<std::shared_ptr<GenericButton>, bool> directions[] = {{ascending, true}, {descending, false}};
    for (const auto& [directionButton, isAscending] : directions) {
      const bool up = isAscending;
      TapActions::addAction(directionButton, [weak, up](uikit::Button&) {
        if (auto self = weak.lock()) self->chooseSortDirection(up);
      });
    }

    contents.controller = c;
    contents.view = view;
    using C = TenantDashboardVC;
    auto set = [weak](auto member, auto value) {
      return [weak, member, value] {
        if (auto s = weak.lock()) (*s).*member = value;
      };
    };
    using WeakButton = std::weak_ptr<GenericButton>;
    contents.outlets = {
        {"tabBarStackView", [weak, tabs] { if (auto s = weak.lock()) s->setTabBarStackView(tabs); }},
        {"btnAllottedFacility", set(&C::btnAllottedFacility, WeakButton(allotted))},
        {"btnManageFacility", set(&C::btnManageFacility, WeakButton(manage))},
        {"tblAlloted", [weak, allottedTable] { if (auto s = weak.lock()) s->setTblAlloted(allottedTable); }},
        {"tblManage", [weak, manageTable] { if (auto s = weak.lock()) s->setTblManage(manageTable); }},
        {"vwSortFilter", [weak, bar] { if (auto s = weak.lock()) s->setVwSortFilter(bar); }},
        {"btnSort", [weak, sort] { if (auto s = weak.lock()) s->setBtnSort(sort); }},
        {"btnFilter", [weak, filter] { if (auto s = weak.lock()) s->setBtnFilter(filter); }},
        {"vwSort", set(&C::vwSort, std::weak_ptr<uikit::View>(sortSheet))},
        {"vwFilter", set(&C::vwFilter, std::weak_ptr<uikit::View>(filterSheet))},
        {"vwBlank", set(&C::vwBlank, std::weak_ptr<uikit::View>(blank))},
        {"cnVwSortBottomSpace", set(&C::cnVwSortBottomSpace, sortBottom)},
        {"cnVwFilterBottomSpace", set(&C::cnVwFilterBottomSpace, filterBottom)},
        {"cnVwSortHeight", [weak, sortHeight] { if (auto s = weak.lock()) s->setCnVwSortHeight(sortHeight); }},
        {"cnVwFilterHeight", [weak, filterHeight] { if (auto s = weak.lock()) s->setCnVwFilterHeight(filterHeight); }},
        {"btnBackground", [weak, dim] { if (auto s = weak.lock()) s->setBtnBackground(dim); }},
        {"btnAscending", set(&C::btnAscending, WeakButton(ascending))},
        {"btnDescending", set(&C::btnDescending, WeakButton(descending))},
        {"cnVwLineCenterXToBtnAscending", set(&C::cnVwLineCenterXToBtnAscending, underAscending)},
        {"cnVwLineCenterXToBtnDesceding", set(&C::cnVwLineCenterXToBtnDesceding, underDescending)},
        {"btnName", set(&C::btnName, WeakButton(name))},
        {"btnEmployeeID", set(&C::btnEmployeeID, WeakButton(employeeId))},
        {"imgVwNameCheckmark", [weak, nameMark] { if (auto s = weak.lock()) s->setCheckmark(&C::imgVwNameCheckmark, nameMark); }},
        {"imgVwEmpIDCheckmark", [weak, idMark] { if (auto s = weak.lock()) s->setCheckmark(&C::imgVwEmpIDCheckmark, idMark); }},
        {"btnSortDone", [weak, sortDone] { if (auto s = weak.lock()) s->setDoneButton(&C::btnSortDone, sortDone, Sheet::sort); }},
        {"btnFilterDone",
         [weak, filterDone] { if (auto s = weak.lock()) s->setDoneButton(&C::btnFilterDone, filterDone, Sheet::filter); }},
    };
    std::weak_ptr<uikit::View> TenantDashboardVC::*backgrounds[] = {&C::vwTag, &C::vwAccess, &C::vwParking, &C::vwVisitor};
    std::weak_ptr<uikit::ImageView> TenantDashboardVC::*icons[] = {&C::imgVwTag, &C::imgVwAccess, &C::imgVwParking,
                                                                  &C::imgVwVisitor};
    std::weak_ptr<uikit::Button> TenantDashboardVC::*buttons[] = {&C::btnTag, &C::btnAccess, &C::btnParking, &C::btnVisitor};
    const char* backgroundNames[] = {"vwTag", "vwAccess", "vwParking", "vwVisitor"};
    const char* iconNames[] = {"imgVwTag", "imgVwAccess", "imgVwParking", "imgVwVisitor"};
    for (std::size_t i = 0; i < 4; ++i) {
      const Option o = options[i];
      auto background = backgrounds[i];
      auto icon = icons[i];
      contents.outlets.push_back(
          {backgroundNames[i], [weak, o, background] { if (auto s = weak.lock()) s->setFilterBackground(background, o.background); }});
      contents.outlets.push_back({iconNames[i], [weak, o, icon] { if (auto s = weak.lock()) s->setFilterIcon(icon, o.icon); }});
      contents.outlets.push_back({optionIds[i], set(buttons[i], std::weak_ptr<uikit::Button>(o.button))});
    }
    return contents;
  });
}
