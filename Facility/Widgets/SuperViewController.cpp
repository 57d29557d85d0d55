#include "Facility/Widgets/SuperViewController.h"

#include <charconv>
#include <vector>

#include "Facility/Support/AppColor.h"
#include "Facility/Storage/LocalStorage.h"
#include "Facility/Storage/LoginEntity.h"
#include "Facility/Storage/SessionActions.h"
#include "Facility/Storage/UserDefaultsKey.h"
#include "Facility/Widgets/NotificationCountPost.h"
#include "Facility/Widgets/TapActions.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Foundation/Utf8.h"
#include "Platform/UIKit/BarButtonItem.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/ControlState.h"
#include "Platform/UIKit/Font.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/StackView.h"

namespace {

constexpr double kBarButtonSide = 25;
constexpr double kLogoutButtonSide = 20;

void addSideConstraints(const std::shared_ptr<uikit::View>& view, double side) {
  view->widthAnchor().constraintEqualToConstant(side)->setActive(true);
  view->heightAnchor().constraintEqualToConstant(side)->setActive(true);
}

}  // namespace

SuperViewController::SuperViewController() : lblNotificationCount(std::make_shared<uikit::Label>()) {}

SuperViewController::~SuperViewController() {
  if (countObserver_ != 0) platform::NotificationCenter::defaultCenter().removeObserver(countObserver_);
}

void SuperViewController::viewDidLoad() {
  uikit::ViewController::viewDidLoad();
  if (countObserver_ == 0) {
    // Held weakly: a post racing the screen's release must not reach it.
    std::weak_ptr<SuperViewController> weak = sharedAs<SuperViewController>();
    SuperViewController* unowned = weak.expired() ? this : nullptr;
    countObserver_ = platform::NotificationCenter::defaultCenter().addObserver(
        NotificationCountPost::kName, [weak, unowned](const platform::Notification& notification) {
          if (unowned) return unowned->handleNotification(notification);
          if (auto self = weak.lock()) self->handleNotification(notification);
        });
  }
  navigationItem().backBarButtonItem = uikit::BarButtonItem::withTitle("");
  if (auto nav = navigationController()) nav->navigationBar()->setTintColor(AppColor::white());
}

std::int64_t SuperViewController::parseCount(std::string_view text) {
  std::string_view s = text;
  const bool plus = !s.empty() && s.front() == '+';
  if (plus) s.remove_prefix(1);
  // from_chars takes a leading "-" itself, but not one after a "+".
  const std::size_t firstDigit = (!plus && !s.empty() && s.front() == '-') ? 1 : 0;
  if (s.size() <= firstDigit || s[firstDigit] < '0' || s[firstDigit] > '9') return 0;
  std::int64_t value = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, 10);
  if (ec != std::errc() || end != s.data() + s.size()) return 0;
  return value;
}

void SuperViewController::handleNotification(const platform::Notification& notification) {
  // A post without user information leaves the badge as it is.
  if (notification.userInfo.empty()) return;
  std::string text = "0";
  auto entry = notification.userInfo.find(NotificationCountPost::kCountKey);
  if (entry != notification.userInfo.end()) {
    if (const std::string* s = entry->second.getString()) text = *s;
  }
  updateNotificationBadge(parseCount(text));
}

void SuperViewController::updateNotificationBadge(std::int64_t count) {
  if (count < 1) {
    lblNotificationCount->setHidden(true);
    return;
  }
  lblNotificationCount->setHidden(false);
  lblNotificationCount->setText(std::to_string(count));
}

void SuperViewController::setupNavigationBar(const std::string& title) {
  setTitle(title);

  auto& badge = *lblNotificationCount;
  badge.setBackgroundColor(uikit::Color::systemRed());
  badge.setTextColor(AppColor::white());
  badge.setFont(uikit::Font::systemFont(10));
  badge.textAlignment = uikit::TextAlignment::kCenter;
  badge.layer().cornerRadius = 9;
  badge.setClipsToBounds(true);
  badge.setFrame(uikit::Rect(18, -3, 18, 18));
  badge.setHidden(true);

  auto self = sharedAs<SuperViewController>();
  auto bind = [&](const std::shared_ptr<uikit::Button>& button, void (SuperViewController::*method)()) {
    if (self) {
      std::weak_ptr<SuperViewController> weak = self;
      button->addTarget(self, [weak, method](uikit::Control&) {
        if (auto screen = weak.lock()) ((*screen).*method)();
      }, uikit::kControlEventTouchUpInside);
    } else {
      button->addAction([this, method](uikit::Control&) { (this->*method)(); }, uikit::kControlEventTouchUpInside);
    }
  };

  auto scene = LocalStorage::currentSession();
  if (!scene || !scene->sessionUserType()) {
    platform::LogDebug("");
  } else {
    const UserType role = *scene->sessionUserType();

    auto notificationButton = uikit::Button::withType(uikit::ButtonType::kSystem);
    notificationButton->setFrame(uikit::Rect(0, 0, kBarButtonSide, kBarButtonSide));
    notificationButton->setImage(uikit::Image::named("notification"), uikit::kControlStateNormal);
    bind(notificationButton, &SuperViewController::actionNotificationButton);
    addSideConstraints(notificationButton, kBarButtonSide);
    notificationButton->addSubview(lblNotificationCount);

    auto profileButton = uikit::Button::withType(uikit::ButtonType::kCustom);
    profileButton->setFrame(uikit::Rect(0, 0, kBarButtonSide, kBarButtonSide));
    auto record = scene->currentLoginEntity();
    if (record && record->imageurl && !platform::Utf8::isBlank(*record->imageurl)) {
      std::string address = UserDefaultsAccess::storedServerUrl() + "/" + *record->imageurl;
      // Text that is no URL reaches the loader as no address at all.
      std::string loadable = platform::URL::fromString(address) ? address : std::string();
      profileButton->sd_setImageWithURL(loadable, uikit::kControlStateNormal, uikit::Image::named("user_default"));
      platform::LogDebug(address);
    } else {
      profileButton->setImage(uikit::Image::named("user_default"), uikit::kControlStateNormal);
    }
    bind(profileButton, &SuperViewController::actionProfileButton);
    addSideConstraints(profileButton, kBarButtonSide);
    profileButton->layer().cornerRadius = kBarButtonSide / 2;
    profileButton->layer().borderColor = AppColor::white();
    profileButton->layer().borderWidth = 1.0;
    profileButton->setClipsToBounds(true);

    std::vector<uikit::ViewPtr> arranged;
    if (role == UserType::FacilityAdmin) {
      auto scannerButton = uikit::Button::withType(uikit::ButtonType::kCustom);
      scannerButton->setFrame(uikit::Rect(0, 0, kBarButtonSide, kBarButtonSide));
      scannerButton->setImage(uikit::Image::named("scanner"), uikit::kControlStateNormal);
      bind(scannerButton, &SuperViewController::actionScannerButton);
      addSideConstraints(scannerButton, kBarButtonSide);
      arranged.push_back(scannerButton);
    }
    arranged.push_back(profileButton);
    arranged.push_back(notificationButton);

    auto stack = std::make_shared<uikit::StackView>();
    stack->axis = uikit::LayoutAxis::kHorizontal;
    stack->spacing = 8;
    stack->distribution = uikit::StackViewDistribution::kFillEqually;
    for (const auto& button : arranged) stack->addArrangedSubview(button);
    navigationItem().setRightBarButtonItems({uikit::BarButtonItem::withCustomView(stack)});
  }

  auto logoutButton = uikit::Button::withType(uikit::ButtonType::kCustom);
  addSideConstraints(logoutButton, kLogoutButtonSide);
  if (auto image = uikit::Image::named("logout")) {
    logoutButton->setImage(
        image->withRenderingMode(uikit::ImageRenderingMode::kAlwaysTemplate)->withTintColor(AppColor::white()),
        uikit::kControlStateNormal);
  }
  logoutButton->setTintColor(AppColor::white());
  TapActions::addAction(logoutButton, [](uikit::Button&) {
    if (auto current = LocalStorage::currentSession()) current->logout(true);
  });
  navigationItem().setLeftBarButtonItem(uikit::BarButtonItem::withCustomView(logoutButton));
}

void SuperViewController::rightButtonTapped() {
  if (auto delegate = userTypeRightBarButtonsItemDelegate.lock()) delegate->onRightButtonTapped();
}

void SuperViewController::forwardNavigationButton(NavigationButtonKind kind) {
  if (auto delegate = facilityAdminTypeRightBarButtonsItemDelegate.lock()) delegate->onNavigationButtonTapped(kind);
}

void SuperViewController::actionScannerButton() { forwardNavigationButton(NavigationButtonKind::scanner); }
void SuperViewController::actionProfileButton() { forwardNavigationButton(NavigationButtonKind::profile); }
void SuperViewController::actionNotificationButton() { forwardNavigationButton(NavigationButtonKind::notification); }
