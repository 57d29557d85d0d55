#include "Facility/Screens/FacilityDashoboardVC.h"

#include <algorithm>
#include <charconv>

#include "Facility/BLE+MainMethods/TarneloBLEKeys.h"
#include "Facility/Network/APIManager.h"
#include "Facility/Screens/DashboardNavigation.h"
#include "Facility/Screens/FacilityComplainsCell.h"
#include "Facility/Screens/FacilityParkingCell.h"
#include "Facility/Screens/FacilityTaskListVC.h"
#include "Facility/Screens/FacilityVisitorCell.h"
#include "Facility/Screens/NumberScannerVC.h"
#include "Facility/Screens/StoryboardName.h"
#include "Facility/Screens/VehicleLookupPopup.h"
#include "Facility/Screens/VehicleNumberText.h"
#include "Facility/Services/ComplainWebServicesManager.h"
#include "Facility/Services/FailureToast.h"
#include "Facility/Services/NotificationCountRefresher.h"
#include "Facility/Services/VMGlobal.h"
#include "Facility/Services/ViewModelLoader.h"
#include "Facility/Widgets/AAction.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "Facility/Widgets/CollapsingConstraints.h"
#include "Facility/Widgets/TapActions.h"
#include "Facility/Widgets/TextFieldInput.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/Nib.h"
#include "Platform/UIKit/PullToRefreshView.h"
#include "Platform/UIKit/Storyboard.h"

namespace {

constexpr const char* kSuccess = "Success";
constexpr double kEstimatedRowHeight = 100.0;

template <class R>
bool decoded(const std::shared_ptr<FacilityDashoboardVC>& screen, const DataResponse<R>& response) {
  if (response.value) return true;
  showResponseErrorAlert(screen, std::nullopt, {AAction::Ok}, nullptr, response);
  return false;
}

void styleModal(const uikit::ViewControllerPtr& controller) {
  controller->modalPresentationStyle = uikit::ModalPresentationStyle::kOverCurrentContext;
  controller->modalTransitionStyle = uikit::ModalTransitionStyle::kCrossDissolve;
}

std::string countText(const std::optional<std::int64_t>& value) { return std::to_string(value.value_or(0)); }

}  // namespace

// ---- outlets ----

void FacilityDashoboardVC::setTxtLocation(const std::shared_ptr<uikit::TextField>& field) {
  txtLocation_ = field;
  if (field) showLocationField(false);
}

void FacilityDashoboardVC::setTblFacility(const std::shared_ptr<uikit::TableView>& table) {
  tblFacility_ = table;
  if (!table) return;
  table->registerNib(uikit::Nib::named(FacilityParkingCell::kNibName), FacilityParkingCell::kNibName);
  table->registerNib(uikit::Nib::named(FacilityVisitorCell::kNibName), FacilityVisitorCell::kNibName);
  table->registerNib(uikit::Nib::named(FacilityComplainsCell::kNibName), FacilityComplainsCell::kNibName);
  table->separatorStyle = uikit::TableViewCellSeparatorStyle::kNone;
  table->estimatedRowHeight = kEstimatedRowHeight;
  std::weak_ptr<FacilityDashoboardVC> weak = sharedAs<FacilityDashoboardVC>();
  table->addPullToRefreshWithActionHandler([weak] {
    if (auto self = weak.lock()) self->loadDashboard();
  });
}

void FacilityDashoboardVC::showLocationField(bool shown) {
  auto field = txtLocation();
  if (!field) return;
  CollapsingConstraints::setHiddenCollapsing(field, !shown, uikit::LayoutAttribute::kHeight);
  CollapsingConstraints::setConstraintConstant(field, uikit::LayoutAttribute::kTop, true, kTopSpace);
  if (auto table = tblFacility()) {
    CollapsingConstraints::setConstraintConstant(table, uikit::LayoutAttribute::kTop, true, kTopSpace);
  }
}

void FacilityDashoboardVC::stopPullToRefresh() {
  if (auto table = tblFacility(); table && table->pullToRefreshView()) table->pullToRefreshView()->stopAnimating();
}

// ---- life cycle ----

void FacilityDashoboardVC::viewDidLoad() {
  SuperViewController::viewDidLoad();
  facilityAdminTypeRightBarButtonsItemDelegate = sharedAs<FacilityDashoboardVC>();
}

void FacilityDashoboardVC::viewWillAppear(bool animated) {
  SuperViewController::viewWillAppear(animated);
  setupNavigationBar(kTitle);
  Weak weak = sharedAs<FacilityDashoboardVC>();
  ViewModelLoader::show();
  vmBaseFacility->requestBaseFacility(
      [weak](DataResponse<MDLBaseFacility> response) { handleLocationList(weak, response); },
      [] { ViewModelLoader::hide(); });
  (void)platform::UserDefaults::standard().setInteger(0, TarneloBLEKeys::shouldAllowPunch);
  ViewModelLoader::show();
  auto global = std::make_shared<VMGlobal>();
  global->requestBroadCastNotificationCount(
      [global](DataResponse<NotificationCountModel> response) {
        ViewModelLoader::hide();
        NotificationCountRefresher::postNotificationCount(response);
      },
      [] { ViewModelLoader::hide(); });
}

// ---- location list ----

void FacilityDashoboardVC::handleLocationList(const Weak& screen, const DataResponse<MDLBaseFacility>& response) {
  auto self = screen.lock();
  if (!decoded(self, response)) return;
  const MDLBaseFacility& reply = *response.value;
  if (!reply.IsSuccess.value_or(false)) {
    showFailureToast(response, reply.Message);
    return;
  }
  AppToastAlert::show(ToastPosition::bottom, reply.Message.value_or(kSuccess));
  if (!self) return;
  const auto& locations = reply.locations;
  if (!locations || locations->empty()) {
    self->showLocationField(false);
    return;
  }
  if (locations->size() == 1) {
    self->selectedLocationId = locations->front().value;
    self->loadDashboard();
    self->showLocationField(false);
    return;
  }
  self->arrLocations = *locations;
  self->configureLocationPicker();
  self->showLocationField(true);
  if (auto field = self->txtLocation()) field->setText(locations->front().text);
  self->selectedLocationId = locations->front().value;
  self->loadDashboard();
}

void FacilityDashoboardVC::configureLocationPicker() {
  auto field = txtLocation();
  if (!field) return;
  std::vector<TextFieldInput::Row> rows;
  for (const auto& location : arrLocations) {
    rows.emplace_back(TextFieldInput::Dictionary{{"value", location.value}, {"text", location.text}});
  }
  Weak weak = sharedAs<FacilityDashoboardVC>();
  TextFieldInput::of(field)->setDictionaryPickerInput("text", std::move(rows), [weak](const std::string&, long row, long) {
    auto self = weak.lock();
    if (!self || row < 0 || static_cast<std::size_t>(row) >= self->arrLocations.size()) return;
    const MDLLocation location = self->arrLocations[static_cast<std::size_t>(row)];
    if (auto f = self->txtLocation()) f->setText(location.text);
    self->selectedLocationId = location.value;
    self->loadDashboard();
  });
}

// ---- dashboard ----

void FacilityDashoboardVC::loadDashboard() {
  if (!selectedLocationId) {
    stopPullToRefresh();
    return;
  }
  // A new load: a fresh group, so an older load's replies cannot leave or
  // notify this one.
  const std::uint64_t generation = ++generation_;
  dispatchGroup = platform::DispatchGroup();
  platform::DispatchGroup group = dispatchGroup;
  group.enter();
  Weak weak = sharedAs<FacilityDashoboardVC>();
  ViewModelLoader::show();
  vmFacilityDashboard->requestFacilityAdminDashboard(
      *selectedLocationId,
      [weak, generation, group](DataResponse<MDLFacilityDashboard> response) {
        handleDashboard(weak, generation, group, response);
      },
      [weak, generation, group] {
        ViewModelLoader::hide();
        loadNotDelivered(weak, generation, group);
      });
}

void FacilityDashoboardVC::loadNotDelivered(const Weak& screen, std::uint64_t generation,
                                            platform::DispatchGroup group) {
  (void)group.leave();
  auto self = screen.lock();
  if (self && self->generation_ == generation) self->stopPullToRefresh();
}

void FacilityDashoboardVC::handleDashboard(const Weak& screen, std::uint64_t generation, platform::DispatchGroup group,
                                           const DataResponse<MDLFacilityDashboard>& response) {
  (void)group.leave();
  auto self = screen.lock();
  if (!self || self->generation_ != generation) return;
  self->stopPullToRefresh();
  self->arrDashboardData.clear();
  if (auto table = self->tblFacility()) table->reloadData();
  if (!decoded(self, response)) return;
  const MDLFacilityDashboard& reply = *response.value;
  if (!reply.isSuccess.value_or(false)) {
    showFailureToast(response, reply.message);
    return;
  }
  AppToastAlert::show(ToastPosition::bottom, reply.message.value_or(kSuccess));
  if (reply.parkingTileList) {
    for (const auto& tile : *reply.parkingTileList) self->arrDashboardData.emplace_back(tile);
  }
  if (reply.visitorTileList) {
    for (const auto& tile : *reply.visitorTileList) self->arrDashboardData.emplace_back(tile);
  }
  group.enter();
  ComplainWebServicesManager::shared().requestMyTaskCount(
      [screen, generation, group](DataResponse<MDLMyTaskCount> count) {
        handleTaskCount(screen, generation, group, count);
      },
      [screen, generation, group] { loadNotDelivered(screen, generation, group); });
  group.notify([screen, generation] {
    auto s = screen.lock();
    if (!s || s->generation_ != generation) return;
    if (auto table = s->tblFacility()) table->reloadData();
  });
}

void FacilityDashoboardVC::handleTaskCount(const Weak& screen, std::uint64_t generation, platform::DispatchGroup group,
                                           const DataResponse<MDLMyTaskCount>& response) {
  (void)group.leave();
  auto self = screen.lock();
  if (!self || self->generation_ != generation) return;
  if (!decoded(self, response)) return;
  if (!response.value->isSuccess.value_or(false)) {
    AppToastAlert::show(ToastPosition::bottom, response.value->message.value_or(""));
    return;
  }
  self->arrDashboardData.emplace_back(*response.value);
}

// ---- table ----

long FacilityDashoboardVC::tableViewNumberOfRowsInSection(uikit::TableView&, long) {
  return static_cast<long>(arrDashboardData.size());
}

double FacilityDashoboardVC::tableViewHeightForRowAtIndexPath(uikit::TableView&, const uikit::IndexPath& indexPath) {
  if (indexPath.row < 0 || static_cast<std::size_t>(indexPath.row) >= arrDashboardData.size()) return 0;
  const DashboardRow& row = arrDashboardData[static_cast<std::size_t>(indexPath.row)];
  // Tall enough for either tab, whichever the reused tile shows.
  if (const auto* parking = std::get_if<MDLParkingTileList>(&row)) {
    return FacilityTileCell::kChromeHeight +
           std::max(FacilityParkingCell::innerHeight(0, parking->globalTiles, parking->tenantTiles),
                    FacilityParkingCell::innerHeight(1, parking->globalTiles, parking->tenantTiles));
  }
  if (const auto* visitor = std::get_if<MDLVisitorTileList>(&row)) {
    std::optional<std::vector<MDLVisitorGlobalTile>> global;
    if (visitor->globalTile) global = std::vector<MDLVisitorGlobalTile>{*visitor->globalTile};
    return FacilityTileCell::kChromeHeight +
           std::max(FacilityVisitorCell::innerHeight(0, global, visitor->tenantTiles),
                    FacilityVisitorCell::innerHeight(1, global, visitor->tenantTiles));
  }
  return FacilityComplainsCell::kHeight;
}

std::shared_ptr<uikit::TableViewCell> FacilityDashoboardVC::tableViewCellForRowAtIndexPath(
    uikit::TableView& table, const uikit::IndexPath& indexPath) {
  if (indexPath.row < 0 || static_cast<std::size_t>(indexPath.row) >= arrDashboardData.size()) {
    return std::make_shared<uikit::TableViewCell>();
  }
  const DashboardRow& row = arrDashboardData[static_cast<std::size_t>(indexPath.row)];
  Weak weak = sharedAs<FacilityDashoboardVC>();
  auto attachTabs = [weak](const std::shared_ptr<FacilityTileCell>& cell) {
    std::weak_ptr<FacilityTileCell> weakCell = cell;
    const std::pair<std::shared_ptr<GenericButton>, long> tabs[] = {{cell->btnGlobal.lock(), 0},
                                                                    {cell->btnTenant.lock(), 1}};
    for (const auto& [button, index] : tabs) {
      if (!button) continue;
      const long tab = index;
      TapActions::addAction(button, [weak, weakCell, tab](uikit::Button&) {
        auto self = weak.lock();
        auto c = weakCell.lock();
        if (self && c) self->chooseTileTab(c, tab);
      });
    }
    cell->selectionStyle = uikit::TableViewCellSelectionStyle::kNone;
  };
  if (const auto* parking = std::get_if<MDLParkingTileList>(&row)) {
    auto cell = std::dynamic_pointer_cast<FacilityParkingCell>(
        table.dequeueReusableCellWithIdentifier(FacilityParkingCell::kNibName, indexPath));
    if (!cell) return std::make_shared<uikit::TableViewCell>();
    if (auto title = cell->lbParkingTitle.lock()) title->setText(parking->tileName);
    cell->arrGlobal = parking->globalTiles;
    cell->arrTenant = parking->tenantTiles;
    cell->refreshInnerTable();
    attachTabs(cell);
    return cell;
  }
  if (const auto* visitor = std::get_if<MDLVisitorTileList>(&row)) {
    auto cell = std::dynamic_pointer_cast<FacilityVisitorCell>(
        table.dequeueReusableCellWithIdentifier(FacilityVisitorCell::kNibName, indexPath));
    if (!cell) return std::make_shared<uikit::TableViewCell>();
    if (auto title = cell->lbParkingTitle.lock()) title->setText(visitor->tileName);
    // Without a global record the tile shows no global row, not a former
    // tile's.
    cell->arrGlobal.reset();
    if (visitor->globalTile) cell->arrGlobal = std::vector<MDLVisitorGlobalTile>{*visitor->globalTile};
    cell->arrTenant = visitor->tenantTiles;
    cell->refreshInnerTable();
    attachTabs(cell);
    return cell;
  }
  const MDLMyTaskCount& counts = std::get<MDLMyTaskCount>(row);
  auto cell = std::dynamic_pointer_cast<FacilityComplainsCell>(
      table.dequeueReusableCellWithIdentifier(FacilityComplainsCell::kNibName, indexPath));
  if (!cell) return std::make_shared<uikit::TableViewCell>();
  if (auto l = cell->lblTodayValue.lock()) l->setText(countText(counts.todayTotal));
  if (auto l = cell->lblAllTaskValue.lock()) l->setText(countText(counts.allTotal));
  if (auto l = cell->lblOverdueValue.lock()) l->setText(countText(counts.overdueTotal));
  auto open = [weak, counts](ComplainTaskCategory category) {
    return [weak, counts, category] {
      if (auto self = weak.lock()) self->openTaskList(category, counts);
    };
  };
  cell->actionTodayTap = open(ComplainTaskCategory::today);
  cell->actionAllTaskTap = open(ComplainTaskCategory::all);
  cell->actionOverdueTap = open(ComplainTaskCategory::overdue);
  return cell;
}

void FacilityDashoboardVC::chooseTileTab(const std::shared_ptr<FacilityTileCell>& cell, long index) {
  if (!cell) return;
  if (auto s = cell->segment.lock()) s->setSelectedSegmentIndex(index);
  cell->selectTab(index == FacilityTileCell::kGlobalTab ? cell->btnGlobal.lock() : cell->btnTenant.lock());
  cell->refreshInnerTable();
  if (auto table = tblFacility()) table->reloadData();
}

// ---- navigation ----

void FacilityDashoboardVC::openTaskList(ComplainTaskCategory category, const MDLMyTaskCount& counts) {
  auto screen = std::dynamic_pointer_cast<FacilityTaskListVC>(
      Storyboards::instantiateScreen(StoryboardName::facilityAdmin, "FacilityTaskListVC"));
  if (!screen) return;
  screen->taskStatus = category;
  screen->objMyTaskCount = counts;
  DashboardNavigation::push(*this, screen);
}

void FacilityDashoboardVC::openNumberScanner(const std::string& number) {
  auto screen = std::dynamic_pointer_cast<NumberScannerVC>(
      Storyboards::instantiateScreen(StoryboardName::facilityAdmin, "NumberScannerVC"));
  if (!screen) return;
  screen->vehicleNumber = number;
  DashboardNavigation::push(*this, screen);
}

void FacilityDashoboardVC::onNavigationButtonTapped(NavigationButtonKind kind) {
  switch (kind) {
    case NavigationButtonKind::scanner:
      platform::LogInfo("btnScanner");
      if (hasLiveScanner()) {
        presentVehicleScanner();
      } else {
        openNumberScanner("");
      }
      return;
    case NavigationButtonKind::profile:
      platform::LogInfo("btnProfile");
      DashboardNavigation::openProfile(*this, sharedAs<FacilityDashoboardVC>());
      return;
    case NavigationButtonKind::notification:
    default:
      platform::LogInfo("btnNotification");
      DashboardNavigation::openNotifications(*this);
      return;
  }
}

void FacilityDashoboardVC::onUserTypeSelected() { DashboardNavigation::rebuildRootForStoredRole(); }

// ---- live scanner and lookup ----

bool FacilityDashoboardVC::hasLiveScanner() {
  const std::string& version = uikit::Device::current().systemVersion;
  int major = 0;
  auto [end, ec] = std::from_chars(version.data(), version.data() + version.size(), major);
  (void)end;
  return ec == std::errc() && major >= 16;
}

void FacilityDashoboardVC::presentVehicleScanner() {
  if (!hasLiveScanner()) return;
  visionkit::DataScannerViewController::Options options;
  options.recognizedDataTypes = {visionkit::RecognizedDataType::text()};
  options.qualityLevel = visionkit::QualityLevel::kFast;
  options.recognizesMultipleItems = false;
  options.isHighFrameRateTrackingEnabled = true;
  options.isPinchToZoomEnabled = true;
  options.isGuidanceEnabled = true;
  options.isHighlightingEnabled = true;
  auto scanner = std::make_shared<visionkit::DataScannerViewController>(options);
  if (!visionkit::DataScannerViewController::isSupported() || !visionkit::DataScannerViewController::isAvailable()) {
    return;
  }
  styleModal(scanner);
  scanner->setDelegate(sharedAs<FacilityDashoboardVC>());
  present(scanner, true);
  (void)scanner->startScanning();
}

void FacilityDashoboardVC::dataScannerDidAdd(visionkit::DataScannerViewController& scanner,
                                             const std::vector<visionkit::RecognizedItem>& added,
                                             const std::vector<visionkit::RecognizedItem>&) {
  for (const auto& item : added) {
    if (item.kind == visionkit::RecognizedItem::Kind::kBarcode) continue;
    if (item.kind != visionkit::RecognizedItem::Kind::kText) {
      platform::LogInfo("Should not happen");
      continue;
    }
    const std::string number = VehicleNumberText::clean(item.transcript);
    platform::LogInfo("\nVehicle Number - " + number);
    if (!VehicleNumberText::isPlateNumber(number)) continue;
    scanner.stopScanning();
    // The scanner may still be coming up; it goes once that has ended.
    std::weak_ptr<visionkit::DataScannerViewController> weakScanner =
        scanner.sharedAs<visionkit::DataScannerViewController>();
    scanner.whenTransitionEnds([weakScanner] {
      if (auto s = weakScanner.lock()) s->dismiss(true);
    });
    Weak weak = sharedAs<FacilityDashoboardVC>();
    ViewModelLoader::show();
    vmFacilityDashboard->requestFindVehicleNumber(
        number, [weak, number](DataResponse<VehicleDetailsModel> response) { handleVehicleLookup(weak, number, response); },
        [] { ViewModelLoader::hide(); });
    // The scanner is on its way out: later items are not looked up.
    return;
  }
}

void FacilityDashoboardVC::handleVehicleLookup(const Weak& screen, const std::string& number,
                                               const DataResponse<VehicleDetailsModel>& response) {
  auto self = screen.lock();
  if (!decoded(self, response)) return;
  if (!self) return;
  VehicleLookupPopup::Actions actions;
  actions.showSuccessPopup = [screen](const std::string& message) {
    if (auto s = screen.lock()) s->showNotificationSentPopup(message);
  };
  actions.scanAgain = [screen, number] {
    if (auto s = screen.lock()) s->scanAgain(number);
  };
  actions.addManually = [screen, number] {
    if (auto s = screen.lock()) s->addManually(number);
  };
  if (auto popup = VehicleLookupPopup::forReply(*response.value, std::move(actions))) self->presentPopup(popup);
}

void FacilityDashoboardVC::presentPopup(const uikit::ViewControllerPtr& popup) {
  Weak weak = sharedAs<FacilityDashoboardVC>();
  whenTransitionEnds([weak, popup] {
    if (auto self = weak.lock()) self->present(popup, true);
  });
}

void FacilityDashoboardVC::showNotificationSentPopup(const std::string& message) {
  Weak weak = sharedAs<FacilityDashoboardVC>();
  auto popup = VehicleLookupPopup::notificationSent(message, [weak] {
    auto self = weak.lock();
    if (!self) return;
    if (auto navigation = self->navigationController()) navigation->popToRootViewController(true);
  });
  if (popup) presentPopup(popup);
}

void FacilityDashoboardVC::scanAgain(const std::string& number) {
  platform::LogInfo("actionScanAgain");
  ++failedCount;
  Weak weak = sharedAs<FacilityDashoboardVC>();
  if (failedCount < kScanAgainLimit) {
    platform::RunLoop::main().asyncAfter(kReopenDelay, [weak] {
      if (auto self = weak.lock()) self->presentVehicleScanner();
    });
    return;
  }
  failedCount = 0;
  platform::RunLoop::main().asyncAfter(kReopenDelay, [weak, number] {
    if (auto self = weak.lock()) self->openNumberScanner(number);
  });
}

void FacilityDashoboardVC::addManually(const std::string& number) {
  Weak weak = sharedAs<FacilityDashoboardVC>();
  platform::RunLoop::main().asyncAfter(kReopenDelay, [weak, number] {
    if (auto self = weak.lock()) self->openNumberScanner(number);
  });
}

// ---- storyboard ----

void FacilityDashoboardVC::registerScene() {
  FacilityParkingCell::registerNib();
  FacilityVisitorCell::registerNib();
  FacilityComplainsCell::registerNib();
  FacilityTaskListVC::registerScene();
  uikit::Storyboard::registerScene(kStoryboard, "FacilityDashoboardVC", [] {
    uikit::StoryboardSceneContents contents;
    auto controller = std::make_shared<FacilityDashoboardVC>();
    const uikit::Rect screen = uikit::Device::screenBounds();
    auto view = uikit::View::make(screen);
    auto location = uikit::View::make<uikit::TextField>(uikit::Rect(20, 15, screen.width() - 40, 44));
    location->setAccessibilityIdentifier("txtLocation");
    location->setPlaceholder("Select Location");
    auto table = std::make_shared<uikit::TableView>(uikit::Rect(0, 74, screen.width(), screen.height() - 74),
                                                    uikit::TableViewStyle::kPlain);
    table->setAccessibilityIdentifier("tblFacility");
    view->addSubview(location);
    view->addSubview(table);
    location->heightAnchor().constraintEqualToConstant(44)->setActive(true);
    uikit::LayoutConstraint::make(location, uikit::LayoutAttribute::kTop, uikit::LayoutRelation::kEqual, view,
                                  uikit::LayoutAttribute::kTop, 1, 15)
        ->setActive(true);
    uikit::LayoutConstraint::make(table, uikit::LayoutAttribute::kTop, uikit::LayoutRelation::kEqual, location,
                                  uikit::LayoutAttribute::kBottom, 1, 15)
        ->setActive(true);
    table->setDataSource(std::static_pointer_cast<uikit::TableViewDataSource>(controller));
    table->setDelegate(std::static_pointer_cast<uikit::TableViewDelegate>(controller));
    contents.controller = controller;
    contents.view = view;
    auto c = controller;
    contents.outlets = {
        {"tblFacility", [c, table] { c->setTblFacility(table); }},
        {"txtLocation", [c, location] { c->setTxtLocation(location); }},
    };
    return contents;
  });
}
