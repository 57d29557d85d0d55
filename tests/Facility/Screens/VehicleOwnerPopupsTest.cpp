#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Facility/Screens/ScanResultFailedPopupVC.h"
#include "Facility/Screens/ScanResultPopupVC.h"
#include "Facility/Screens/SendNotificationSuccessPopupVC.h"
#include "Facility/Screens/SuccessPopup.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/Nib.h"
#include "tests/Facility/Screens/AccessScreensFixture.h"

namespace screens_test {
namespace {

constexpr const char* kSendPath = "/api/FindVehicle/SendNotification";

EmployeeDetailsModel owner() {
  EmployeeDetailsModel e;
  e.tenantName = "Acme";
  e.empID = "E-9";
  e.empName = "Ravi";
  e.personType = "Employee";
  e.emailId = "ravi@acme.test";
  e.adminName = std::nullopt;
  e.mobileNo = std::nullopt;
  return e;
}

class VehicleOwnerPopupsTest : public AccessScreensFixture {
 protected:
  void TearDown() override {
    popup.reset();
    host.reset();
    nav.reset();
    SuccessPopup::resetShared();
    AccessScreensFixture::TearDown();
  }

  // A presenter pushed on a navigation stack, as the scanner is.
  void openHost() {
    connect();
    nav = uikit::NavigationController::withRoot(std::make_shared<uikit::ViewController>());
    delegate()->window()->setRootViewController(nav);
    host = std::make_shared<uikit::ViewController>();
    ASSERT_TRUE(nav->pushViewController(host, false));
    pump();
  }

  template <typename T>
  std::shared_ptr<T> popupNamed(const std::string& name) {
    auto p = make<T>(StoryboardName::facilityAdmin, name);
    if (!p) return nullptr;
    p->modalPresentationStyle = uikit::ModalPresentationStyle::kOverCurrentContext;
    p->modalTransitionStyle = uikit::ModalTransitionStyle::kCrossDissolve;
    return p;
  }

  void presentOwner(std::optional<EmployeeDetailsModel> record) {
    openHost();
    popup = popupNamed<ScanResultPopupVC>("ScanResultPopupVC");
    ASSERT_TRUE(popup);
    popup->objEmp = std::move(record);
    popup->vehicleNumber = "MH 12 AB 1234";
    ASSERT_TRUE(host->present(popup, true));
    runFor(0.5);
  }

  static std::string text(const std::weak_ptr<uikit::Label>& label) {
    auto l = label.lock();
    return l ? l->text().value_or("") : "<none>";
  }

  std::shared_ptr<uikit::NavigationController> nav;
  std::shared_ptr<uikit::ViewController> host;
  std::shared_ptr<ScanResultPopupVC> popup;
};

TEST_F(VehicleOwnerPopupsTest, OwnerPopupShowsTheRecordAndItsPlaceholderFollowsTheText) {
  auto record = owner();
  record.adminName = "Admin A";
  presentOwner(record);
  EXPECT_EQ(text(popup->lblTitle), "This vehicle belongs to");
  EXPECT_EQ(text(popup->lblTenantNameText), "Tenant Name :");
  EXPECT_EQ(text(popup->lblTenantNameValue), "Acme");
  EXPECT_EQ(text(popup->lblAdminNameValue), "Admin A");
  EXPECT_EQ(text(popup->lblEmailValue), "ravi@acme.test");
  EXPECT_EQ(text(popup->lblMobileNoValue), "");
  ASSERT_TRUE(popup->placeholderLabel);
  EXPECT_EQ(popup->placeholderLabel->text(), "Enter your message here...");
  EXPECT_FALSE(popup->placeholderLabel->isHidden());
  auto box = popup->txtvMessage.lock();
  box->becomeFirstResponder();
  box->typeText("x");
  EXPECT_TRUE(popup->placeholderLabel->isHidden());
  box->setText("");
  popup->textViewDidChange(*box);
  EXPECT_FALSE(popup->placeholderLabel->isHidden());
}

TEST_F(VehicleOwnerPopupsTest, MissingOwnerShowsAndSendsEmptyValues) {
  presentOwner(std::nullopt);
  for (const auto& label : {popup->lblTenantNameValue, popup->lblAdminNameValue, popup->lblEmailValue,
                            popup->lblMobileNoValue}) {
    EXPECT_EQ(text(label), "");
  }
  const auto body = popup->notificationBody();
  for (const char* key : {"TenantName", "EmpID", "EmpName", "PERSONTYPE", "EmailId", "MobileNo", "NotificationMessage"}) {
    ASSERT_TRUE(body.count(key)) << key;
    ASSERT_TRUE(body.at(key).getString()) << key;
    EXPECT_EQ(*body.at(key).getString(), "") << key;
  }
}

TEST_F(VehicleOwnerPopupsTest, SuccessfulSendPostsEightKeysAndReportsOnlyOnceThePopupIsGone) {
  presentOwner(owner());
  server_.setJsonReply(kSendPath, R"({"IsSuccess":true,"Message":"Owner notified"})");
  std::vector<std::pair<std::string, bool>> reports;  // message, popup still presented
  popup->showSuccessPopup = [&](const std::string& message) {
    reports.emplace_back(message, host->presentedViewController() != nullptr);
  };
  popup->txtvMessage.lock()->setText(" Your lights are on ");
  ASSERT_TRUE(popup->btnSendNotification.lock()->tap());
  ASSERT_TRUE(settleUntil([&] { return !reports.empty(); }));

  auto sent = requestsTo(kSendPath);
  ASSERT_EQ(sent.size(), 1u);
  const auto body = bodyOf(sent[0]);
  std::set<std::string> keys;
  for (const auto& [k, v] : body) keys.insert(k);
  EXPECT_EQ(keys, (std::set<std::string>{"TenantName", "EmpID", "EmpName", "PERSONTYPE", "EmailId", "MobileNo",
                                         "NotificationMessage", "VehicleNumber"}));
  EXPECT_EQ(body.at("MobileNo"), "");
  EXPECT_EQ(body.at("NotificationMessage"), " Your lights are on ");
  EXPECT_EQ(body.at("VehicleNumber"), "MH 12 AB 1234");
  EXPECT_EQ(body.at("PERSONTYPE"), "Employee");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].first, "Owner notified");
  EXPECT_FALSE(reports[0].second) << "reported during the dismissal";
}

TEST_F(VehicleOwnerPopupsTest, FailedSendKeepsThePopupAndTheMessage) {
  presentOwner(owner());
  server_.setReplies(kSendPath, {Server::Reply(200, R"({"IsSuccess":false,"Message":"Owner unreachable"})"),
                                 Server::Reply(500, "")});
  bool reported = false;
  popup->showSuccessPopup = [&](const std::string&) { reported = true; };
  auto box = popup->txtvMessage.lock();
  box->setText("Blocking the gate");

  ASSERT_TRUE(popup->btnSendNotification.lock()->tap());
  ASSERT_TRUE(settleUntil([&] { return AppToastAlert::messageLabel() &&
                                       AppToastAlert::messageLabel()->text() == std::optional<std::string>("Owner unreachable"); }));
  EXPECT_EQ(host->presentedViewController(), popup);
  EXPECT_EQ(box->text(), "Blocking the gate");

  // A second tap sends again; a failed transport shows "Sorry" on the popup.
  ASSERT_TRUE(popup->btnSendNotification.lock()->tap());
  ASSERT_TRUE(settleUntil([&] { return popup->presentedViewController() != nullptr; }));
  auto alert = std::dynamic_pointer_cast<uikit::AlertController>(popup->presentedViewController());
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->alertTitle(), "Sorry");
  EXPECT_EQ(requestsTo(kSendPath).size(), 2u);
  EXPECT_EQ(box->text(), "Blocking the gate");
  EXPECT_FALSE(reported);
}

// The toolkit refuses a presentation while the presenter's popup is still
// being dismissed; this is why the popups report from their dismissal's end.
TEST_F(VehicleOwnerPopupsTest, PresentingDuringTheDismissalIsRefused) {
  openHost();
  auto first = popupNamed<ScanResultFailedPopupVC>("ScanResultFailedPopupVC");
  ASSERT_TRUE(host->present(first, true));
  runFor(0.5);
  ASSERT_TRUE(first->dismiss(true));
  auto next = popupNamed<SendNotificationSuccessPopupVC>("SendNotificationSuccessPopupVC");
  EXPECT_FALSE(host->present(next, true));
}

TEST_F(VehicleOwnerPopupsTest, ConfirmationShowsAfterTheOwnerPopupAndPopsToTheRoot) {
  presentOwner(owner());
  server_.setJsonReply(kSendPath, R"({"IsSuccess":true,"Message":"Owner notified"})");
  std::shared_ptr<SendNotificationSuccessPopupVC> confirmation;
  bool presented = false;
  std::weak_ptr<uikit::ViewController> weakHost = host;
  popup->showSuccessPopup = [&, weakHost](const std::string& message) {
    auto h = weakHost.lock();
    confirmation = popupNamed<SendNotificationSuccessPopupVC>("SendNotificationSuccessPopupVC");
    confirmation->successMessage = message;
    confirmation->messageDisplayed = [weakHost] {
      if (auto presenter = weakHost.lock()) presenter->navigationController()->popToRootViewController(true);
    };
    presented = h->present(confirmation, true);
  };
  ASSERT_TRUE(popup->btnSendNotification.lock()->tap());
  ASSERT_TRUE(settleUntil([&] { return confirmation != nullptr; }));
  EXPECT_TRUE(presented);
  runFor(0.5);
  EXPECT_EQ(host->presentedViewController(), confirmation);
  EXPECT_EQ(text(confirmation->lblShowMessage), "Owner notified");
  runFor(1.5);
  EXPECT_EQ(host->presentedViewController(), confirmation) << "still up before 2.5 s";
  runFor(1.5);
  EXPECT_EQ(host->presentedViewController(), nullptr);
  EXPECT_EQ(nav->viewControllers().size(), 1u) << "popped to the root";
}

TEST_F(VehicleOwnerPopupsTest, NotFoundButtonsReportAfterTheirDismissal) {
  struct Case {
    std::string name;
    bool scanAgain;  // else Add Manually
    bool callbackSet;
  };
  const std::vector<Case> cases = {
      {"scan again", true, true},
      {"add manually", false, true},
      {"add manually unset", false, false},
  };
  openHost();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto failed = popupNamed<ScanResultFailedPopupVC>("ScanResultFailedPopupVC");
    failed->faildMessage = "Vehicle not registered";
    int calls = 0;
    std::optional<bool> presentedLater;
    auto later = std::make_shared<uikit::ViewController>();
    std::weak_ptr<uikit::ViewController> weakHost = host;
    auto callback = [&, weakHost] {
      ++calls;
      EXPECT_EQ(weakHost.lock()->presentedViewController(), nullptr);
      // The dashboard presents its live scanner 0.3 s later.
      platform::RunLoop::main().asyncAfter(0.3, [&, weakHost] { presentedLater = weakHost.lock()->present(later, false); });
    };
    if (c.callbackSet) (c.scanAgain ? failed->actionScanAgain : failed->actionAddManually) = callback;
    ASSERT_TRUE(host->present(failed, true));
    runFor(0.5);
    EXPECT_EQ(text(failed->lblTitle), "Scan Result");
    EXPECT_EQ(text(failed->lblFailedMessage), "Vehicle not registered");
    EXPECT_EQ(failed->btnScanAgain.lock()->currentTitle(), "Sacn Again");
    ASSERT_TRUE((c.scanAgain ? failed->btnScanAgain : failed->btnAddManually).lock()->tap());
    EXPECT_EQ(calls, 0) << "nothing reported while the popup is leaving";
    runFor(1.0);
    EXPECT_EQ(calls, c.callbackSet ? 1 : 0);
    if (c.callbackSet) {
      EXPECT_EQ(presentedLater, true);
      EXPECT_TRUE(host->dismiss(false));
    }
    EXPECT_EQ(host->presentedViewController(), nullptr);
    pump();
  }
}

TEST_F(VehicleOwnerPopupsTest, NotFoundCloseReportsNothing) {
  openHost();
  auto failed = popupNamed<ScanResultFailedPopupVC>("ScanResultFailedPopupVC");
  int calls = 0;
  failed->actionScanAgain = [&] { ++calls; };
  failed->actionAddManually = [&] { ++calls; };
  ASSERT_TRUE(host->present(failed, true));
  runFor(0.5);
  failed->actionClosePopup();
  runFor(1.0);
  EXPECT_EQ(host->presentedViewController(), nullptr);
  EXPECT_EQ(calls, 0);
}

TEST_F(VehicleOwnerPopupsTest, SuccessPopupIsScreenSizedWithARoundedInnerBox) {
  auto shared = SuccessPopup::shared();
  ASSERT_TRUE(shared);
  EXPECT_EQ(SuccessPopup::shared(), shared) << "one instance";
  EXPECT_EQ(shared->frame().size.width, uikit::Device::screenBounds().size.width);
  EXPECT_EQ(shared->frame().size.height, uikit::Device::screenBounds().size.height);
  EXPECT_EQ(shared->vwInner.lock()->layer().cornerRadius, 5);
  EXPECT_TRUE(shared->vwInner.lock()->clipsToBounds());
  EXPECT_EQ(shared->lbSuccess.lock()->layer().cornerRadius, 10);

  SuccessPopup::resetShared();
  uikit::Nib::resetRegistry();
  EXPECT_FALSE(SuccessPopup::shared()) << "no interface file, no popup";
}

TEST_F(VehicleOwnerPopupsTest, AnotherClassUnderTheIdentifierGivesNone) {
  uikit::Storyboard::resetRegistry();
  uikit::Storyboard::registerScene("FacilityAdmin", "ScanResultPopupVC", [] {
    uikit::StoryboardSceneContents contents;
    contents.controller = std::make_shared<ScanResultFailedPopupVC>();
    return contents;
  });
  EXPECT_FALSE(uikit::ViewController::instantiateFromStoryboard<ScanResultPopupVC>("FacilityAdmin"));
}

}  // namespace
}  // namespace screens_test
