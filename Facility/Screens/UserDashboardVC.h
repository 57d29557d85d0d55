// The plain user's home screen: greeting, tag id, masked mobile number,
// parking spaces, the cards that open floor selection and the visitor form,
// and a carousel of the door readers the phone hears. It is the access
// engine's delegate while it exists: it initialises the engine, hands it the
// tap-and-go data from the server, polls its device list while on show and
// punches the door a person taps.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/BLE+MainMethods/BleManagerDelegate.h"
#include "Facility/Models/MDLBaseVisitor.h"
#include "Facility/Models/MDLUserDashboard.h"
#include "Facility/Network/DataResponse.h"
#include "Facility/Screens/UserSelectionDelegate.h"
#include "Facility/Services/VMBaseVisitor.h"
#include "Facility/Services/VMUserDashboard.h"
#include "Facility/Widgets/SuperClassDelegate.h"
#include "Facility/Widgets/SuperViewController.h"
#include "Platform/Foundation/DispatchGroup.h"
#include "Platform/Foundation/Timer.h"
#include "Platform/UIKit/CollectionView.h"
#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/PageControl.h"
#include "Platform/UIKit/RefreshControl.h"
#include "Platform/UIKit/ScrollView.h"
#include "Platform/UIKit/StackView.h"

class UserDashboardVC : public SuperViewController,
                        public uikit::CollectionViewDataSource,
                        public uikit::CollectionViewDelegate,
                        public BleManagerDelegate,
                        public SuperClassDelegate,
                        public UserSelectionDelegate {
 public:
  static constexpr const char* kStoryboard = "User";
  static constexpr double kPollInterval = 2.0;
  static constexpr double kPunchLoaderSeconds = 3.0;
  static constexpr double kOfflineRefreshEndDelay = 1.0;
  // lbID's text when no tag is shown.
  static constexpr const char* kNoTagText = "ID:";
  // Icons of the parking card.
  static constexpr const char* kCarImage = "ic_car";
  static constexpr const char* kBikeImage = "ic_bike";

  // Which of the two reply handlers runs: on appearance (and becoming
  // active) or inside a pull-to-refresh, which first leaves the group.
  enum class ReplyVariant { appearance, refresh };

  std::shared_ptr<VMUserDashboard> vmUserDashboard = std::make_shared<VMUserDashboard>();
  std::shared_ptr<VMBaseVisitor> vmBaseVisitor = std::make_shared<VMBaseVisitor>();
  std::vector<BLEDeviceEntry> arrDevices;
  std::vector<MDLVisitoryCategory> arrCategories;
  std::optional<std::vector<MDLBuildingList>> arrBuilding;
  std::optional<std::string> tagId;
  platform::TimerPtr timer;
  std::shared_ptr<uikit::RefreshControl> refreshControl = std::make_shared<uikit::RefreshControl>();
  platform::DispatchGroup group;

  // Outlets; connecting one styles it.
  std::shared_ptr<uikit::ScrollView> scrollView() const { return scrollView_.lock(); }
  void setScrollView(const std::shared_ptr<uikit::ScrollView>& view) { scrollView_ = view; }
  std::shared_ptr<uikit::View> containerView() const { return containerView_.lock(); }
  void setContainerView(const std::shared_ptr<uikit::View>& view) { containerView_ = view; }
  std::shared_ptr<uikit::StackView> stackView() const { return stackView_.lock(); }
  void setStackView(const std::shared_ptr<uikit::StackView>& view) { stackView_ = view; }
  std::shared_ptr<uikit::Label> lbUsername() const { return lbUsername_.lock(); }
  void setLbUsername(const std::shared_ptr<uikit::Label>& label) { lbUsername_ = label; }
  std::shared_ptr<uikit::Label> lbID() const { return lbID_.lock(); }
  void setLbID(const std::shared_ptr<uikit::Label>& label) { lbID_ = label; }
  std::shared_ptr<uikit::Label> lbMobileNumber() const { return lbMobileNumber_.lock(); }
  void setLbMobileNumber(const std::shared_ptr<uikit::Label>& label) { lbMobileNumber_ = label; }
  std::shared_ptr<uikit::View> vwInviteMsg() const { return vwInviteMsg_.lock(); }
  void setVwInviteMsg(const std::shared_ptr<uikit::View>& view);
  std::shared_ptr<uikit::View> vwInviteLabel() const { return vwInviteLabel_.lock(); }
  void setVwInviteLabel(const std::shared_ptr<uikit::View>& view);
  std::shared_ptr<uikit::View> vwInviteVisitorInner() const { return vwInviteVisitorInner_.lock(); }
  void setVwInviteVisitorInner(const std::shared_ptr<uikit::View>& view);
  std::shared_ptr<uikit::View> vwBleCard() const { return vwBleCard_.lock(); }
  void setVwBleCard(const std::shared_ptr<uikit::View>& view);
  std::shared_ptr<uikit::PageControl> pageControl() const { return pageControl_.lock(); }
  void setPageControl(const std::shared_ptr<uikit::PageControl>& control);
  std::shared_ptr<uikit::View> vwDevice() const { return vwDevice_.lock(); }
  void setVwDevice(const std::shared_ptr<uikit::View>& view);
  std::shared_ptr<uikit::View> vwParkingSpace() const { return vwParkingSpace_.lock(); }
  void setVwParkingSpace(const std::shared_ptr<uikit::View>& view);
  std::shared_ptr<uikit::View> vwInviteVisitor() const { return vwInviteVisitor_.lock(); }
  void setVwInviteVisitor(const std::shared_ptr<uikit::View>& view);
  std::shared_ptr<uikit::CollectionView> colViewDevice() const { return colViewDevice_.lock(); }
  void setColViewDevice(const std::shared_ptr<uikit::CollectionView>& view);
  std::shared_ptr<uikit::View> vwCarBike() const { return vwCarBike_.lock(); }
  void setVwCarBike(const std::shared_ptr<uikit::View>& view);
  std::shared_ptr<uikit::ImageView> imgVwBackFirst() const { return imgVwBackFirst_.lock(); }
  void setImgVwBackFirst(const std::shared_ptr<uikit::ImageView>& view);
  std::shared_ptr<uikit::ImageView> imgVwBackSecond() const { return imgVwBackSecond_.lock(); }
  void setImgVwBackSecond(const std::shared_ptr<uikit::ImageView>& view);
  std::shared_ptr<uikit::Label> lbBike() const { return lbBike_.lock(); }
  void setLbBike(const std::shared_ptr<uikit::Label>& label) { lbBike_ = label; }
  std::shared_ptr<uikit::Label> lbCar() const { return lbCar_.lock(); }
  void setLbCar(const std::shared_ptr<uikit::Label>& label) { lbCar_ = label; }

  // Life cycle.
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void viewDidLayoutSubviews() override;

  // Actions.
  void btnBleTagClickedWithSender(uikit::Control& sender);
  void btnInviteVisitorClickedWithSender(uikit::Control& sender);
  void fireTimer();
  void refreshStackViewContents();

  // Collection view.
  long collectionViewNumberOfItemsInSection(uikit::CollectionView& view, long section) override;
  std::shared_ptr<uikit::CollectionViewCell> collectionViewCellForItemAtIndexPath(
      uikit::CollectionView& view, const uikit::IndexPath& indexPath) override;
  uikit::Size collectionViewLayoutSizeForItemAtIndexPath(uikit::CollectionView& view,
                                                         const uikit::IndexPath& indexPath) override;
  double collectionViewLayoutMinimumLineSpacingForSectionAtIndex(uikit::CollectionView& view, long section) override;
  void collectionViewDidSelectItemAtIndexPath(uikit::CollectionView& view, const uikit::IndexPath& indexPath) override;
  void scrollViewDidScroll(uikit::ScrollView& scrollView) override;
  void scrollViewDidEndDecelerating(uikit::ScrollView& scrollView) override;

  // Engine.
  void onInitSuccessWithSuccessMsg(const std::string& successMsg) override;
  void onInitFailureWithError(const BleSdkErrorPtr& error) override;
  void onScanSuccessWithSuccessMsg(const std::string& successMsg) override;
  void onScanFailureWithError(const BleSdkErrorPtr& error) override;
  void onBleManagerSuccessWithSuccessMsg(const std::string& successMsg) override;
  void onBleManagerFailureWithError(const BleSdkErrorPtr& error) override;
  void onCommandSendSuccessWithSuccessMsg(const std::string& successMsg) override;
  void onGetDeviceListSuccessWithSuccessMsg(const std::string& successMsg,
                                            const std::vector<BLEDeviceEntry>& deviceArray) override;
  void onGetDeviceListFailureWithError(const BleSdkErrorPtr& error) override;

  // Navigation bar and role switch.
  void onRightButtonTapped() override;
  void onNavigationButtonTapped(NavigationButtonKind kind) override;
  void onUserTypeSelected() override;

  // The reply handlers; the screen may be gone by the time a reply comes.
  static void handleDashboardReply(const std::weak_ptr<UserDashboardVC>& screen,
                                   const DataResponse<MDLUserDashboard>& response);
  static void handleBaseVisitorReply(const std::weak_ptr<UserDashboardVC>& screen,
                                     const DataResponse<MDLBaseVisitor>& response, ReplyVariant variant);

  // Declares this screen's scene in the "User" storyboard.
  static void registerScene();

 private:
  void initialiseEngine();
  void startPollIfStopped();
  void stopPoll();
  void requestBothWithLoader();
  void becameActive();
  bool showsNoTag() const;
  void showDevices(const std::vector<BLEDeviceEntry>& devices);
  void pushScreen(const uikit::ViewControllerPtr& screen);

  std::weak_ptr<uikit::ScrollView> scrollView_;
  std::weak_ptr<uikit::View> containerView_;
  std::weak_ptr<uikit::StackView> stackView_;
  std::weak_ptr<uikit::Label> lbUsername_;
  std::weak_ptr<uikit::Label> lbID_;
  std::weak_ptr<uikit::Label> lbMobileNumber_;
  std::weak_ptr<uikit::View> vwInviteMsg_;
  std::weak_ptr<uikit::View> vwInviteLabel_;
  std::weak_ptr<uikit::View> vwInviteVisitorInner_;
  std::weak_ptr<uikit::View> vwBleCard_;
  std::weak_ptr<uikit::PageControl> pageControl_;
  std::weak_ptr<uikit::View> vwDevice_;
  std::weak_ptr<uikit::View> vwParkingSpace_;
  std::weak_ptr<uikit::View> vwInviteVisitor_;
  std::weak_ptr<uikit::CollectionView> colViewDevice_;
  std::weak_ptr<uikit::View> vwCarBike_;
  std::weak_ptr<uikit::ImageView> imgVwBackFirst_;
  std::weak_ptr<uikit::ImageView> imgVwBackSecond_;
  std::weak_ptr<uikit::Label> lbBike_;
  std::weak_ptr<uikit::Label> lbCar_;
};
