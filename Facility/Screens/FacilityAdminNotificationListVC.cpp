#include "Facility/Screens/FacilityAdminNotificationListVC.h"

#include <string>

#include "Facility/Network/APIManager.h"
#include "Facility/Screens/FacilityAdminNotificationCell.h"
#include "Facility/Services/ViewModelLoader.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/TextCase.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/PullToRefreshView.h"
#include "Platform/UIKit/Storyboard.h"

void FacilityAdminNotificationListVC::viewDidLoad() {
  uikit::ViewController::viewDidLoad();
  auto self = sharedAs<FacilityAdminNotificationListVC>();
  auto table = tblNotifList();
  if (table) {
    table->setDelegate(self);
    table->setDataSource(self);
    table->rowHeight = uikit::TableView::kAutomaticDimension;
    table->estimatedRowHeight = kEstimatedRowHeight;
  }
  ViewModelLoader::show();
  requestNotifications(false);
  if (table) {
    std::weak_ptr<FacilityAdminNotificationListVC> weak = self;
    table->addPullToRefreshWithActionHandler([weak] {
      auto screen = weak.lock();
      if (!screen) return;
      ViewModelLoader::show();
      screen->requestNotifications(true);
    });
  }
}

void FacilityAdminNotificationListVC::requestNotifications(bool fromPull) {
  std::weak_ptr<FacilityAdminNotificationListVC> weak = sharedAs<FacilityAdminNotificationListVC>();
  NotDelivered notDelivered;
  if (fromPull) {
    notDelivered = [weak] {
      if (auto screen = weak.lock()) screen->stopRefreshAnimation();
    };
  }
  vmFacilityDashboard->requestBroadCastNotification(
      [weak](DataResponse<BroadCastNotificationModel> response) { handleBroadCastNotifications(weak, response); },
      std::move(notDelivered));
}

void FacilityAdminNotificationListVC::handleBroadCastNotifications(
    const std::weak_ptr<FacilityAdminNotificationListVC>& screen,
    const DataResponse<BroadCastNotificationModel>& response) {
  auto self = screen.lock();
  if (self) self->stopRefreshAnimation();
  if (!response.value) {
    showResponseErrorAlert(self, std::nullopt, {}, nullptr, response);
    return;
  }
  const BroadCastNotificationModel& reply = *response.value;
  if (!reply.isSuccess.value_or(false)) {
    AppToastAlert::show(ToastPosition::bottom, reply.message.value_or(""));
    return;
  }
  // An absent list says nothing about the rows; a present one replaces them,
  // an empty one too, so notifications withdrawn on the server disappear.
  if (!reply.broadCastNotificationList) return;
  if (self) {
    self->arrNotifications = *reply.broadCastNotificationList;
    self->reloadNotificationList();
  }
  if (reply.broadCastNotificationList->empty()) AppToastAlert::show(ToastPosition::bottom, kEmptyListMessage);
}

void FacilityAdminNotificationListVC::stopRefreshAnimation() {
  auto table = tblNotifList();
  if (!table) return;
  if (auto pull = table->pullToRefreshView()) pull->stopAnimating();
}

void FacilityAdminNotificationListVC::reloadNotificationList() {
  std::weak_ptr<FacilityAdminNotificationListVC> weak = sharedAs<FacilityAdminNotificationListVC>();
  platform::RunLoop::main().async([weak] {
    auto self = weak.lock();
    if (!self) return;
    if (auto table = self->tblNotifList()) table->reloadData();
  });
}

long FacilityAdminNotificationListVC::tableViewNumberOfRowsInSection(uikit::TableView& tableView, long section) {
  (void)tableView, (void)section;
  return static_cast<long>(arrNotifications.size());
}

std::shared_ptr<uikit::TableViewCell> FacilityAdminNotificationListVC::tableViewCellForRowAtIndexPath(
    uikit::TableView& tableView, const uikit::IndexPath& indexPath) {
  auto cell = std::dynamic_pointer_cast<FacilityAdminNotificationCell>(
      tableView.dequeueReusableCellWithIdentifier(FacilityAdminNotificationCell::kReuseIdentifier, indexPath));
  if (!cell) {
    // Only a scene without the prototype gets here; an empty row beats a crash.
    platform::LogError("FacilityAdminNotificationListVC: no FacilityAdminNotificationCell prototype");
    return std::make_shared<uikit::TableViewCell>();
  }
  if (indexPath.row < 0 || static_cast<std::size_t>(indexPath.row) >= arrNotifications.size()) return cell;
  const auto& notification = arrNotifications[static_cast<std::size_t>(indexPath.row)];
  if (auto label = cell->lblTitle()) {
    label->setText(notification.notifications ? platform::TextCase::capitalized(*notification.notifications) : "");
  }
  if (auto label = cell->lblNotifMsg()) label->setText(notification.messageBody.value_or(""));
  if (auto label = cell->lblDate()) label->setText(notification.sentDate.value_or(""));
  return cell;
}

void FacilityAdminNotificationListVC::tableViewDidSelectRowAtIndexPath(uikit::TableView& tableView,
                                                                       const uikit::IndexPath& indexPath) {
  (void)tableView;
  platform::LogInfo(indexPath.description());
}

void FacilityAdminNotificationListVC::registerScene() {
  uikit::Storyboard::registerScene(kStoryboard, "FacilityAdminNotificationListVC", [] {
    uikit::StoryboardSceneContents contents;
    auto controller = std::make_shared<FacilityAdminNotificationListVC>();
    controller->setTitle("Notifications");
    auto view = uikit::View::make(uikit::Device::screenBounds());
    auto table = uikit::View::make<uikit::TableView>(view->bounds(), uikit::TableViewStyle::kPlain);
    table->setAccessibilityIdentifier("tblNotifList");
    table->separatorStyle = uikit::TableViewCellSeparatorStyle::kNone;
    table->registerClass(FacilityAdminNotificationCell::kReuseIdentifier,
                         &FacilityAdminNotificationCell::instantiatePrototype);
    view->addSubview(table);
    contents.controller = controller;
    contents.view = view;
    contents.outlets = {
        {"tblNotifList", [controller, table] { controller->setTblNotifList(table); }},
    };
    return contents;
  });
}
