#include "Facility/Screens/UserDashboardVC.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <utility>

#include "Facility/BLE+MainMethods/TarneloBLE.h"
#include "Facility/BLE+MainMethods/TarneloBLEKeys.h"
#include "Facility/Network/APIManager.h"
#include "Facility/Network/NetworkReachability.h"
#include "Facility/Screens/DeviceCellNew.h"
#include "Facility/Screens/FloorSelectionVC.h"
#include "Facility/Screens/InviteUserVC.h"
#include "Facility/Screens/StoryboardName.h"
#include "Facility/Screens/SwitchUserVC.h"
#include "Facility/Services/FailureToast.h"
#include "Facility/Services/ViewModelLoader.h"
#include "Facility/Storage/CurrentUserType.h"
#include "Facility/Storage/LocalStorage.h"
#include "Facility/Storage/SessionActions.h"
#include "Facility/Storage/UserDefaultsKey.h"
#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/AAction.h"
#include "Facility/Widgets/AlertPresenter.h"
#include "Facility/Widgets/AppAlert.h"
#include "Facility/Widgets/AppLoader.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "Facility/Widgets/CollapsingConstraints.h"
#include "Facility/Widgets/HudAlert.h"
#include "Facility/Widgets/LoaderMsg.h"
#include "Facility/Widgets/Validation.h"
#include "Facility/Widgets/ViewStyle.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Foundation/Utf8.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/Nib.h"
#include "Platform/UIKit/Storyboard.h"

namespace {

constexpr double kCardStyleDelay = 0.01;
constexpr double kSecondIconStyleDelay = 0.1;
constexpr std::size_t kMaskedDigits = 5;
constexpr std::size_t kMinimumMobileLength = 6;

// A whole base-10 number with an optional sign and nothing else; none for
// anything else, out-of-range values included.
std::optional<std::int64_t> wholeNumber(std::string_view text) {
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  const std::string_view unsigned_ = !digits.empty() && digits.front() == '-' ? digits.substr(1) : digits;
  if (unsigned_.empty() || !std::all_of(unsigned_.begin(), unsigned_.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  if (digits.size() != text.size() && unsigned_.size() != digits.size()) return std::nullopt;  // "+-5"
  std::int64_t value = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 10);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

// The stored "sensitivity" text as a number, when it is one.
std::optional<std::int64_t> storedSensitivity() {
  auto text = UserDefaultsAccess::getString(UserDefaultsKey::sensitivity);
  return text ? wholeNumber(*text) : std::nullopt;
}

// The first checked entry's value as a floor number; 0 when there is none.
template <class Entry>
std::int64_t checkedFloor(const std::optional<std::vector<Entry>>& list) {
  if (!list) return 0;
  for (const auto& entry : *list) {
    if (entry.isChecked.value_or(false)) return wholeNumber(entry.valuee.value_or("0")).value_or(0);
  }
  return 0;
}

// The last n characters (code points) of the text, or none when it has fewer than min.
std::optional<std::string> lastCharacters(const std::string& text, std::size_t n, std::size_t min) {
  std::vector<std::size_t> starts;
  for (std::size_t pos = 0; pos < text.size();) {
    starts.push_back(pos);
    const std::size_t length = platform::Utf8::sequenceLength(text, pos);
    pos += length == 0 ? 1 : length;
  }
  if (starts.size() < min) return std::nullopt;
  return text.substr(starts[starts.size() - n]);
}

void setIntegerIfAbsent(platform::UserDefaults& defaults, std::int64_t value, const char* key) {
  // Floors chosen on the floor screen outlive every reply; logout removes them.
  if (!defaults.objectForKey(key)) (void)defaults.setInteger(value, key);
}

void styleCard(uikit::View& view) {
  view.setBackgroundColor(AppColor::white());
  ViewStyle::setShadow(view, AppColor::black(), 1, 2, 0.4F, 3);
}

void makeRoundIcon(const std::weak_ptr<uikit::ImageView>& weak) {
  auto icon = weak.lock();
  if (!icon) return;
  icon->layoutIfNeeded();
  ViewStyle::setCornerRadius(*icon, icon->frame().width() / 2);
  ViewStyle::setBorderWidth(*icon, 1);
  ViewStyle::setBorderColor(*icon, AppColor::green());
}

// The engine's error as an "Alert" on the top screen of the window's root.
void alertOnTop(const BleSdkErrorPtr& error) {
  auto top = LocalStorage::topViewControllerOfSceneWindow();
  if (!top) return;
  AlertPresenter::showAlert(*top, AppAlert(AppAlert::Alert).rawValue(),
                            error ? std::optional<std::string>(error->errorMessage()) : std::nullopt,
                            uikit::AlertControllerStyle::kAlert, {AAction::Okay});
}

// The reply when it decoded and says IsSuccess; otherwise the "Sorry" alert
// (on the screen, else the top one) or the failure toast, and none.
template <class R>
const R* successfulReply(const uikit::ViewControllerPtr& screen, const DataResponse<R>& response) {
  if (!response.value) {
    showResponseErrorAlert(screen, std::nullopt, {AAction::Ok}, nullptr, response);
    return nullptr;
  }
  if (!response.value->isSuccess.value_or(false)) {
    showFailureToast(response, response.value->message);
    return nullptr;
  }
  return &*response.value;
}

void initialiseEngineFromStoredLogin() {
  auto session = LocalStorage::currentSession();
  auto record = session ? session->currentLoginEntity() : nullptr;
  if (!record || !record->apikey || platform::Utf8::isBlank(*record->apikey)) return;
  TarneloBLE::shared().initSdkWithApiURL(UserDefaultsAccess::storedServerUrl(), *record->apikey);
}

}  // namespace

// ---- outlets ----

void UserDashboardVC::setVwInviteMsg(const std::shared_ptr<uikit::View>& view) {
  vwInviteMsg_ = view;
  if (view) view->setBackgroundColor(AppColor::green());
}

void UserDashboardVC::setVwInviteLabel(const std::shared_ptr<uikit::View>& view) {
  vwInviteLabel_ = view;
  if (view) view->setBackgroundColor(AppColor::paleGray());
}

void UserDashboardVC::setVwInviteVisitorInner(const std::shared_ptr<uikit::View>& view) {
  vwInviteVisitorInner_ = view;
  if (!view) return;
  view->setBackgroundColor(AppColor::green());
  ViewStyle::setCornerRadius(*view, 10);
}

void UserDashboardVC::setVwBleCard(const std::shared_ptr<uikit::View>& view) {
  vwBleCard_ = view;
  if (!view) return;
  view->setBackgroundColor(uikit::Color(0 / 255.0, 73 / 255.0, 118 / 255.0, 1));
  std::weak_ptr<uikit::View> weak = view;
  platform::RunLoop::main().asyncAfter(kCardStyleDelay, [weak] {
    auto card = weak.lock();
    if (!card) return;
    ViewStyle::setCornerRadius(*card, 5);
    ViewStyle::setShadow(*card, AppColor::black(), 1, 2, 0.4F, 3);
  });
}

void UserDashboardVC::setPageControl(const std::shared_ptr<uikit::PageControl>& control) {
  pageControl_ = control;
  if (!control) return;
  control->pageIndicatorTintColor = uikit::Color::gray();
  control->currentPageIndicatorTintColor = AppColor::green();
}

void UserDashboardVC::setVwDevice(const std::shared_ptr<uikit::View>& view) {
  vwDevice_ = view;
  if (!view) return;
  styleCard(*view);
  view->setHidden(false);
}

void UserDashboardVC::setVwParkingSpace(const std::shared_ptr<uikit::View>& view) {
  vwParkingSpace_ = view;
  if (view) styleCard(*view);
}

void UserDashboardVC::setVwInviteVisitor(const std::shared_ptr<uikit::View>& view) {
  vwInviteVisitor_ = view;
  if (view) styleCard(*view);
}

void UserDashboardVC::setColViewDevice(const std::shared_ptr<uikit::CollectionView>& view) {
  colViewDevice_ = view;
  if (view) view->registerNib(uikit::Nib::named(DeviceCellNew::kNibName), DeviceCellNew::kNibName);
}

void UserDashboardVC::setVwCarBike(const std::shared_ptr<uikit::View>& view) {
  vwCarBike_ = view;
  if (!view) return;
  ViewStyle::setCornerRadius(*view, 5);
  ViewStyle::setBorderWidth(*view, 1);
  ViewStyle::setBorderColor(*view, AppColor::green());
}

void UserDashboardVC::setImgVwBackFirst(const std::shared_ptr<uikit::ImageView>& view) {
  imgVwBackFirst_ = view;
  if (!view) return;
  std::weak_ptr<uikit::ImageView> weak = view;
  platform::RunLoop::main().asyncAfter(kCardStyleDelay, [weak] { makeRoundIcon(weak); });
}

void UserDashboardVC::setImgVwBackSecond(const std::shared_ptr<uikit::ImageView>& view) {
  imgVwBackSecond_ = view;
  if (!view) return;
  std::weak_ptr<uikit::ImageView> weak = view;
  platform::RunLoop::main().asyncAfter(kSecondIconStyleDelay, [weak] { makeRoundIcon(weak); });
}

// ---- life cycle ----

void UserDashboardVC::viewDidLoad() {
  SuperViewController::viewDidLoad();
  std::weak_ptr<UserDashboardVC> weak = sharedAs<UserDashboardVC>();

  refreshControl->addTarget(refreshControl, [weak](uikit::Control&) {
    if (auto self = weak.lock()) self->refreshStackViewContents();
  }, uikit::kControlEventValueChanged);
  if (auto scroll = scrollView()) scroll->setRefreshControl(refreshControl);

  auto& defaults = platform::UserDefaults::standard();
  auto storedTag = defaults.stringForKey(TarneloBLEKeys::tagId);
  if (!storedTag || storedTag->empty()) (void)defaults.setInteger(0, TarneloBLEKeys::shouldAllowPunch);

  auto self = sharedAs<UserDashboardVC>();
  facilityAdminTypeRightBarButtonsItemDelegate = self;
  userTypeRightBarButtonsItemDelegate = self;
  TarneloBLE::shared().setBleManagerDelegate(self);

  setupNavigationBar("Dashboard");
  initialiseEngine();
  startPollIfStopped();

  LocalStorage::observeDidBecomeActive([weak](const platform::Notification&) {
    if (auto screen = weak.lock()) screen->becameActive();
  });
}

void UserDashboardVC::viewWillAppear(bool animated) {
  SuperViewController::viewWillAppear(animated);
  viewDidLayoutSubviews();
  if (auto session = LocalStorage::currentSession()) session->setSessionCurrentController(sharedAs<UserDashboardVC>());
  requestBothWithLoader();
  if (!showsNoTag()) TarneloBLE::shared().startScanWithTapAndGoWithTapAndGoEnabled(true);
  // The carousel follows the readers in range again after any navigation.
  startPollIfStopped();
}

void UserDashboardVC::viewWillDisappear(bool animated) {
  SuperViewController::viewWillDisappear(animated);
  stopPoll();
  if (auto session = LocalStorage::currentSession()) session->setSessionCurrentController(nullptr);
}

void UserDashboardVC::viewDidLayoutSubviews() {
  SuperViewController::viewDidLayoutSubviews();
  auto scroll = scrollView();
  auto stack = stackView();
  auto container = containerView();
  if (!scroll || !stack || !container) return;
  const double height = stack->frame().y() + stack->frame().height() + 30;
  const double width = scroll->frame().width();
  container->setFrame(uikit::Rect(0, 0, width, height));
  scroll->setContentSize(uikit::Size{width, height});
}

// ---- requests ----

void UserDashboardVC::initialiseEngine() { initialiseEngineFromStoredLogin(); }

void UserDashboardVC::requestBothWithLoader() {
  std::weak_ptr<UserDashboardVC> weak = sharedAs<UserDashboardVC>();
  ViewModelLoader::showWithBlankMessage();
  vmUserDashboard->requestUserDashboard(
      [weak](DataResponse<MDLUserDashboard> response) { handleDashboardReply(weak, response); });
  vmBaseVisitor->requestBaseVisitor([weak](DataResponse<MDLBaseVisitor> response) {
    handleBaseVisitorReply(weak, response, ReplyVariant::appearance);
  });
}

void UserDashboardVC::handleDashboardReply(const std::weak_ptr<UserDashboardVC>& screen,
                                           const DataResponse<MDLUserDashboard>& response) {
  const MDLUserDashboard* successful = successfulReply(screen.lock(), response);
  if (!successful) return;
  const MDLUserDashboard& reply = *successful;
  auto self = screen.lock();
  if (!self) return;
  if (auto invite = self->vwInviteVisitor()) invite->setHidden(!reply.isInviteVisitor.value_or(false));

  auto card = self->vwBleCard();
  auto lbID = self->lbID();
  if (reply.tagId && !platform::Utf8::isBlank(*reply.tagId)) {
    self->tagId = reply.tagId;
    auto& defaults = platform::UserDefaults::standard();
    (void)defaults.setInteger(1, TarneloBLEKeys::shouldAllowPunch);
    (void)defaults.setString(*reply.tagId, TarneloBLEKeys::tagId);
    if (card) CollapsingConstraints::setHiddenCollapsing(card, false, uikit::LayoutAttribute::kHeight);
    if (lbID) lbID->setText("ID: " + *reply.tagId);
  } else {
    if (card) CollapsingConstraints::setHiddenCollapsing(card, true, uikit::LayoutAttribute::kHeight);
    if (lbID) lbID->setText(std::string(kNoTagText));
  }

  if (auto label = self->lbUsername()) label->setText("Hi " + reply.name.value_or("there") + ",");
  if (reply.mobile) {
    if (auto tail = lastCharacters(*reply.mobile, kMaskedDigits, kMinimumMobileLength)) {
      if (auto label = self->lbMobileNumber()) label->setText("Mobile: XXXXX" + *tail);
    }
  }
  if (auto label = self->lbBike()) label->setText(reply.bikeSpace);
  if (auto label = self->lbCar()) label->setText(reply.carSpace);
  self->arrBuilding = reply.buildingList;
}

void UserDashboardVC::handleBaseVisitorReply(const std::weak_ptr<UserDashboardVC>& screen,
                                             const DataResponse<MDLBaseVisitor>& response, ReplyVariant variant) {
  const MDLBaseVisitor* successful = successfulReply(screen.lock(), response);
  if (!successful) return;
  const MDLBaseVisitor& reply = *successful;
  const std::int64_t destination = checkedFloor(reply.defaultUpList);
  const std::int64_t selected = checkedFloor(reply.defaultDownList);
  auto self = screen.lock();
  if (self) self->tagId = reply.tagId;

  if (reply.tagId) {
    auto& defaults = platform::UserDefaults::standard();
    (void)defaults.setInteger(1, TarneloBLEKeys::shouldAllowPunch);
    const std::int64_t sensitivity = storedSensitivity().value_or(1);
    (void)defaults.setString(*reply.tagId, TarneloBLEKeys::tagId);
    setIntegerIfAbsent(defaults, destination, TarneloBLEKeys::destinationFloor);
    setIntegerIfAbsent(defaults, selected, TarneloBLEKeys::selectedFloor);
    setIntegerIfAbsent(defaults, 0, TarneloBLEKeys::boardingFloor);
    (void)defaults.setInteger(sensitivity, TarneloBLEKeys::sensitivity);
    auto& engine = TarneloBLE::shared();
    engine.insertTapAndGoDataWithTag(*reply.tagId, 0, destination, selected, sensitivity);
    if (variant == ReplyVariant::appearance) engine.startScan();
  }
  if (self && reply.visitorCategoryList && !reply.visitorCategoryList->empty()) {
    self->arrCategories = *reply.visitorCategoryList;
  }
}

void UserDashboardVC::refreshStackViewContents() {
  auto control = refreshControl;
  if (!NetworkReachability::shared().isNetworkReachable) {
    platform::RunLoop::main().async([control] {
      initialiseEngineFromStoredLogin();
      TarneloBLE::shared().startScan();
      control->endRefreshing();
      platform::RunLoop::main().asyncAfter(kOfflineRefreshEndDelay, [control] { control->endRefreshing(); });
    });
    return;
  }
  std::weak_ptr<UserDashboardVC> weak = sharedAs<UserDashboardVC>();
  // Copies share the group; a request that gets no reply leaves it too, so
  // the refresh always ends.
  platform::DispatchGroup joined = group;
  joined.enter();
  vmUserDashboard->requestUserDashboard(
      [weak, joined](DataResponse<MDLUserDashboard> response) mutable {
        (void)joined.leave();
        handleDashboardReply(weak, response);
      },
      [joined]() mutable { (void)joined.leave(); });
  joined.enter();
  vmBaseVisitor->requestBaseVisitor(
      [weak, joined](DataResponse<MDLBaseVisitor> response) mutable {
        (void)joined.leave();
        handleBaseVisitorReply(weak, response, ReplyVariant::refresh);
      },
      [joined]() mutable { (void)joined.leave(); });
  joined.notify([control] {
    initialiseEngineFromStoredLogin();
    auto& engine = TarneloBLE::shared();
    auto& defaults = platform::UserDefaults::standard();
    // The level chosen on the sensitivity screen stays; only a missing or
    // unreadable one falls back to the lowest.
    std::int64_t level = 1;
    if (auto stored = storedSensitivity()) {
      level = *stored;
    } else {
      UserDefaultsAccess::setValue(platform::Value("1"), UserDefaultsKey::sensitivity);
    }
    (void)defaults.setInteger(level, TarneloBLEKeys::sensitivity);
    engine.sensitityLevel = level;
    engine.isTapAndGoEnabled = true;
    control->endRefreshing();
    engine.startScan();
  });
}

void UserDashboardVC::becameActive() {
  auto session = LocalStorage::currentSession();
  if (!session || session->sessionCurrentController() != sharedAs<UserDashboardVC>()) return;
  requestBothWithLoader();
  initialiseEngine();
  if (!showsNoTag()) TarneloBLE::shared().startScanWithTapAndGoWithTapAndGoEnabled(true);
}

bool UserDashboardVC::showsNoTag() const {
  auto label = lbID();
  return label && label->text() == std::optional<std::string>(kNoTagText);
}

// ---- poll ----

void UserDashboardVC::startPollIfStopped() {
  if (timer && timer->isValid()) return;
  std::weak_ptr<UserDashboardVC> weak = sharedAs<UserDashboardVC>();
  timer = platform::Timer::scheduledTimer(kPollInterval, true, [weak](platform::Timer& fired) {
    if (auto self = weak.lock()) {
      self->fireTimer();
    } else {
      fired.invalidate();
    }
  });
}

void UserDashboardVC::stopPoll() {
  if (timer) timer->invalidate();
  timer.reset();
}

void UserDashboardVC::fireTimer() { TarneloBLE::shared().getDeviceList(); }

// ---- carousel ----

void UserDashboardVC::showDevices(const std::vector<BLEDeviceEntry>& devices) {
  const bool noTag = showsNoTag();
  auto card = vwDevice();
  if (!noTag && card) card->setHidden(false);
  arrDevices = devices;
  if (auto carousel = colViewDevice()) carousel->reloadData();
  if (auto pages = pageControl()) {
    pages->setHidden(arrDevices.size() < 2);
    pages->setNumberOfPages(static_cast<long>(arrDevices.size()));
  }
  if (noTag && card) card->setHidden(arrDevices.empty());
}

long UserDashboardVC::collectionViewNumberOfItemsInSection(uikit::CollectionView&, long) {
  return static_cast<long>(arrDevices.size());
}

std::shared_ptr<uikit::CollectionViewCell> UserDashboardVC::collectionViewCellForItemAtIndexPath(
    uikit::CollectionView& view, const uikit::IndexPath& indexPath) {
  auto cell = std::dynamic_pointer_cast<DeviceCellNew>(
      view.dequeueReusableCellWithReuseIdentifier(DeviceCellNew::kNibName, indexPath));
  if (!cell) return std::make_shared<uikit::CollectionViewCell>();
  std::string name;
  if (indexPath.item() >= 0 && static_cast<std::size_t>(indexPath.item()) < arrDevices.size()) {
    const auto& entry = arrDevices[static_cast<std::size_t>(indexPath.item())];
    if (auto found = entry.find("device_name"); found != entry.end()) name = found->second;
  }
  if (auto label = cell->lbDeviceName.lock()) label->setText(name);
  return cell;
}

uikit::Size UserDashboardVC::collectionViewLayoutSizeForItemAtIndexPath(uikit::CollectionView& view,
                                                                        const uikit::IndexPath&) {
  return view.frame().size;
}

double UserDashboardVC::collectionViewLayoutMinimumLineSpacingForSectionAtIndex(uikit::CollectionView&, long) {
  return 0;
}

void UserDashboardVC::scrollViewDidScroll(uikit::ScrollView& scrollView) {
  auto carousel = colViewDevice();
  auto pages = pageControl();
  if (!carousel || !pages) return;
  const double width = carousel->frame().width();
  const double position = scrollView.contentOffset().x + width / 2;
  // Narrower than one point there is no page to compute: the page stays.
  if (!std::isfinite(width) || !std::isfinite(position) || std::trunc(width) < 1) return;
  constexpr double kLimit = static_cast<double>(std::numeric_limits<long>::max() / 2);
  const long whole = static_cast<long>(std::clamp(std::trunc(position), -kLimit, kLimit));
  const long step = static_cast<long>(std::min(std::trunc(width), kLimit));
  pages->setCurrentPage(whole / step);
}

void UserDashboardVC::scrollViewDidEndDecelerating(uikit::ScrollView&) {
  auto carousel = colViewDevice();
  auto pages = pageControl();
  if (!carousel || !pages) return;
  auto visible = carousel->indexPathsForVisibleItems();
  if (visible.empty()) return;
  pages->setCurrentPage(visible.front().item());
}

void UserDashboardVC::collectionViewDidSelectItemAtIndexPath(uikit::CollectionView&,
                                                             const uikit::IndexPath& indexPath) {
  if (indexPath.item() < 0 || static_cast<std::size_t>(indexPath.item()) >= arrDevices.size()) return;
  const BLEDeviceEntry entry = arrDevices[static_cast<std::size_t>(indexPath.item())];
  if (!tagId) {
    AlertPresenter::showAlert(*this, AppAlert(AppAlert::Alert).rawValue(),
                              Validation(Validation::tagIdNotFound).rawValue(), uikit::AlertControllerStyle::kAlert,
                              {AAction::Ok});
    return;
  }
  AppLoader::shared().showWithMessage(sharedAs<UserDashboardVC>(), LoaderMsg(LoaderMsg::connecting).rawValue());
  std::string uniqueId;
  if (auto found = entry.find("unique_id"); found != entry.end()) uniqueId = found->second;
  TarneloBLE::shared().makePunchWithTagId(*tagId, 0, 0, 0, uniqueId);
  platform::RunLoop::main().asyncAfter(kPunchLoaderSeconds, [] { AppLoader::shared().hide(); });
}

// ---- engine ----

void UserDashboardVC::onInitSuccessWithSuccessMsg(const std::string& successMsg) {
  platform::LogInfo("SDK init success");
  AppToastAlert::show(ToastPosition::bottom, successMsg);
  auto& engine = TarneloBLE::shared();
  engine.startScanWithTapAndGoWithTapAndGoEnabled(true);
  engine.getDeviceList();
}

void UserDashboardVC::onInitFailureWithError(const BleSdkErrorPtr& error) {
  platform::LogInfo("SDK init failure with message: " + (error ? error->errorMessage() : std::string()));
  alertOnTop(error);
}

void UserDashboardVC::onScanSuccessWithSuccessMsg(const std::string&) { platform::LogInfo("Scan started successfully"); }

void UserDashboardVC::onScanFailureWithError(const BleSdkErrorPtr& error) { alertOnTop(error); }

void UserDashboardVC::onBleManagerSuccessWithSuccessMsg(const std::string&) {}

void UserDashboardVC::onBleManagerFailureWithError(const BleSdkErrorPtr& error) {
  AppLoader::shared().hide();
  AppToastAlert::show(ToastPosition::bottom, error ? error->errorMessage() : std::string());
}

void UserDashboardVC::onCommandSendSuccessWithSuccessMsg(const std::string& successMsg) {
  AppLoader::shared().hide();
  HudAlert::showSuccess([successMsg](bool) { AppToastAlert::show(ToastPosition::bottom, successMsg); });
}

void UserDashboardVC::onGetDeviceListSuccessWithSuccessMsg(const std::string&,
                                                           const std::vector<BLEDeviceEntry>& deviceArray) {
  showDevices(deviceArray);
}

void UserDashboardVC::onGetDeviceListFailureWithError(const BleSdkErrorPtr&) {
  if (auto card = vwDevice()) card->setHidden(true);
}

// ---- navigation ----

void UserDashboardVC::pushScreen(const uikit::ViewControllerPtr& screen) {
  if (!screen) return;
  if (auto navigation = navigationController()) navigation->pushViewController(screen, true);
}

void UserDashboardVC::btnBleTagClickedWithSender(uikit::Control&) {
  auto screen = std::dynamic_pointer_cast<FloorSelectionVC>(
      Storyboards::instantiateScreen(StoryboardName::user, "FloorSelectionVC"));
  if (!screen) return;
  screen->arrBuilding = arrBuilding;
  screen->tagId = tagId;
  pushScreen(screen);
}

void UserDashboardVC::btnInviteVisitorClickedWithSender(uikit::Control&) {
  auto screen =
      std::dynamic_pointer_cast<InviteUserVC>(Storyboards::instantiateScreen(StoryboardName::user, "InviteUserVC"));
  if (!screen) return;
  screen->arrCategories = arrCategories;
  pushScreen(screen);
}

void UserDashboardVC::onRightButtonTapped() {
  auto screen =
      std::dynamic_pointer_cast<SwitchUserVC>(Storyboards::instantiateScreen(StoryboardName::user, "SwitchUserVC"));
  if (!screen) return;
  screen->userSelectionDelegate = sharedAs<UserDashboardVC>();
  pushScreen(screen);
}

void UserDashboardVC::onNavigationButtonTapped(NavigationButtonKind kind) {
  switch (kind) {
    case NavigationButtonKind::scanner:
      platform::LogInfo("btnScanner");
      return;
    case NavigationButtonKind::profile:
      platform::LogInfo("btnProfile");
      onRightButtonTapped();
      return;
    case NavigationButtonKind::notification:
      platform::LogInfo("btnNotification");
      pushScreen(Storyboards::instantiateScreen(StoryboardName::facilityAdmin, "FacilityAdminNotificationListVC"));
      return;
  }
}

void UserDashboardVC::onUserTypeSelected() {
  auto session = LocalStorage::currentSession();
  if (!session) return;
  session->setSessionUserType(CurrentUserType::shared().currentUserType());
  session->setRootViewController();
}

// ---- storyboard ----

void UserDashboardVC::registerScene() {
  DeviceCellNew::registerNib();
  uikit::Image::registerNamed(kCarImage, uikit::Image::filled({50, 50}, AppColor::green()));
  uikit::Image::registerNamed(kBikeImage, uikit::Image::filled({50, 50}, AppColor::green()));
  uikit::Storyboard::registerScene(kStoryboard, "UserDashboardVC", [] {
    uikit::StoryboardSceneContents contents;
    auto controller = std::make_shared<UserDashboardVC>();
    const uikit::Rect screen = uikit::Device::screenBounds();
    const double width = screen.width();
    const double cardWidth = width - 40;

    auto view = uikit::View::make(screen);
    auto scroll = uikit::View::make<uikit::ScrollView>(screen);
    scroll->setAccessibilityIdentifier("scrollView");
    auto container = uikit::View::make(uikit::Rect(0, 0, width, screen.height()));
    auto stack = std::make_shared<uikit::StackView>();
    stack->setFrame(uikit::Rect(20, 20, cardWidth, 760));
    stack->axis = uikit::LayoutAxis::kVertical;
    stack->spacing = 16;

    // Greeting card.
    auto header = uikit::View::make(uikit::Rect(0, 0, cardWidth, 100));
    auto username = uikit::View::make<uikit::Label>(uikit::Rect(0, 0, cardWidth, 30));
    username->setAccessibilityIdentifier("lbUsername");
    auto id = uikit::View::make<uikit::Label>(uikit::Rect(0, 34, cardWidth, 30));
    id->setAccessibilityIdentifier("lbID");
    // Not "ID:": the first appearance starts the tap-and-go scan at once.
    id->setText("ID: -");
    auto mobile = uikit::View::make<uikit::Label>(uikit::Rect(0, 68, cardWidth, 30));
    mobile->setAccessibilityIdentifier("lbMobileNumber");
    header->addSubview(username);
    header->addSubview(id);
    header->addSubview(mobile);

    // Tap-and-go card.
    auto bleCard = uikit::View::make(uikit::Rect(0, 0, cardWidth, 90));
    bleCard->setAccessibilityIdentifier("vwBleCard");
    bleCard->heightAnchor().constraintEqualToConstant(90)->setActive(true);
    auto bleButton = uikit::Button::withType(uikit::ButtonType::kCustom);
    bleButton->setFrame(uikit::Rect(0, 0, cardWidth, 90));
    bleButton->setTitle("Tap and Go");
    bleButton->setAccessibilityIdentifier("btnBleTag");
    bleCard->addSubview(bleButton);

    // Door carousel card.
    auto deviceCard = uikit::View::make(uikit::Rect(0, 0, cardWidth, 200));
    deviceCard->setAccessibilityIdentifier("vwDevice");
    uikit::CollectionViewFlowLayout layout;
    layout.scrollDirection = uikit::ScrollDirection::kHorizontal;
    layout.minimumLineSpacing = 0;
    layout.minimumInteritemSpacing = 0;
    auto carousel = std::make_shared<uikit::CollectionView>(uikit::Rect(0, 0, cardWidth, 170), layout);
    carousel->isPagingEnabled = true;
    carousel->setAccessibilityIdentifier("colViewDevice");
    auto pages = std::make_shared<uikit::PageControl>();
    pages->setFrame(uikit::Rect(0, 172, cardWidth, 24));
    pages->setAccessibilityIdentifier("pageControl");
    deviceCard->addSubview(carousel);
    deviceCard->addSubview(pages);

    // Parking card.
    auto parking = uikit::View::make(uikit::Rect(0, 0, cardWidth, 110));
    auto carBike = uikit::View::make(uikit::Rect(10, 10, cardWidth - 20, 90));
    auto iconFirst = uikit::View::make<uikit::ImageView>(uikit::Rect(10, 20, 50, 50));
    iconFirst->setImage(uikit::Image::named(kCarImage));
    auto car = uikit::View::make<uikit::Label>(uikit::Rect(70, 30, 80, 30));
    car->setAccessibilityIdentifier("lbCar");
    auto iconSecond = uikit::View::make<uikit::ImageView>(uikit::Rect(170, 20, 50, 50));
    iconSecond->setImage(uikit::Image::named(kBikeImage));
    auto bike = uikit::View::make<uikit::Label>(uikit::Rect(230, 30, 80, 30));
    bike->setAccessibilityIdentifier("lbBike");
    carBike->addSubview(iconFirst);
    carBike->addSubview(car);
    carBike->addSubview(iconSecond);
    carBike->addSubview(bike);
    parking->addSubview(carBike);

    // Invitation card.
    auto invite = uikit::View::make(uikit::Rect(0, 0, cardWidth, 120));
    invite->setAccessibilityIdentifier("vwInviteVisitor");
    auto inviteInner = uikit::View::make(uikit::Rect(10, 10, cardWidth - 20, 100));
    auto inviteMsg = uikit::View::make(uikit::Rect(0, 0, cardWidth - 20, 50));
    auto inviteLabel = uikit::View::make(uikit::Rect(0, 50, cardWidth - 20, 50));
    auto inviteButton = uikit::Button::withType(uikit::ButtonType::kCustom);
    inviteButton->setFrame(uikit::Rect(0, 0, cardWidth, 120));
    inviteButton->setTitle("Invite Visitor");
    inviteButton->setAccessibilityIdentifier("btnInviteVisitor");
    inviteInner->addSubview(inviteMsg);
    inviteInner->addSubview(inviteLabel);
    invite->addSubview(inviteInner);
    invite->addSubview(inviteButton);

    for (const auto& card : {header, bleCard, deviceCard, parking, invite}) stack->addArrangedSubview(card);
    container->addSubview(stack);
    scroll->addSubview(container);
    view->addSubview(scroll);

    std::weak_ptr<UserDashboardVC> weak = controller;
    bleButton->addTarget(controller, [weak](uikit::Control& sender) {
      if (auto self = weak.lock()) self->btnBleTagClickedWithSender(sender);
    }, uikit::kControlEventTouchUpInside);
    inviteButton->addTarget(controller, [weak](uikit::Control& sender) {
      if (auto self = weak.lock()) self->btnInviteVisitorClickedWithSender(sender);
    }, uikit::kControlEventTouchUpInside);
    carousel->setDataSource(controller);
    carousel->setDelegate(controller);

    contents.controller = controller;
    contents.view = view;
    auto c = controller;
    contents.outlets = {
        {"scrollView", [c, scroll] { c->setScrollView(scroll); }},
        {"containerView", [c, container] { c->setContainerView(container); }},
        {"stackView", [c, stack] { c->setStackView(stack); }},
        {"lbUsername", [c, username] { c->setLbUsername(username); }},
        {"lbID", [c, id] { c->setLbID(id); }},
        {"lbMobileNumber", [c, mobile] { c->setLbMobileNumber(mobile); }},
        {"vwInviteMsg", [c, inviteMsg] { c->setVwInviteMsg(inviteMsg); }},
        {"vwInviteLabel", [c, inviteLabel] { c->setVwInviteLabel(inviteLabel); }},
        {"vwInviteVisitorInner", [c, inviteInner] { c->setVwInviteVisitorInner(inviteInner); }},
        {"vwBleCard", [c, bleCard] { c->setVwBleCard(bleCard); }},
        {"pageControl", [c, pages] { c->setPageControl(pages); }},
        {"vwDevice", [c, deviceCard] { c->setVwDevice(deviceCard); }},
        {"vwParkingSpace", [c, parking] { c->setVwParkingSpace(parking); }},
        {"vwInviteVisitor", [c, invite] { c->setVwInviteVisitor(invite); }},
        {"colViewDevice", [c, carousel] { c->setColViewDevice(carousel); }},
        {"vwCarBike", [c, carBike] { c->setVwCarBike(carBike); }},
        {"imgVwBackFirst", [c, iconFirst] { c->setImgVwBackFirst(iconFirst); }},
        {"imgVwBackSecond", [c, iconSecond] { c->setImgVwBackSecond(iconSecond); }},
        {"lbBike", [c, bike] { c->setLbBike(bike); }},
        {"lbCar", [c, car] { c->setLbCar(car); }},
    };
    return contents;
  });
}
