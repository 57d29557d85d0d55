// Hosts the access-assignment screen (and the visitor form below it) on a
// navigation stack over a plain root, as the dashboards push them, against
// the facility test double; helpers reach the rows, pickers and alerts.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Facility/Screens/SuccessPopup.h"
#include "Facility/Screens/TenantAssignAccessVC.h"
#include "Facility/Widgets/AppLoader.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "Facility/Widgets/TextFieldInput.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/NavigationController.h"
#include "tests/Facility/Screens/AccessScreensFixture.h"

namespace screens_test {

class AccessAssignmentFixture : public AccessScreensFixture {
 protected:
  static constexpr const char* kBaseAssignPath = "/api/Tenant/BaseAssignAccess";
  static constexpr const char* kBaseVisitorPath = "/api/User/BaseVisitor";
  static constexpr const char* kAssignPath = "/api/Tenant/AssignAccess";
  static constexpr const char* kInvitePath = "/api/User/InviteVisitor";

  void SetUp() override {
    uikit::Device::setCurrent(uikit::DeviceProfile::phone390x844());
    AccessScreensFixture::SetUp();
    SuccessPopup::resetShared();
  }
  void TearDown() override {
    screen.reset();
    nav.reset();
    root.reset();
    SuccessPopup::resetShared();
    AccessScreensFixture::TearDown();
  }

  // A navigation stack with a plain root on the scene's window.
  void host() {
    if (!delegate()) connect();
    root = std::make_shared<uikit::ViewController>();
    nav = uikit::NavigationController::withRoot(root);
    delegate()->window()->setRootViewController(nav);
    pump();
  }

  // The tenant road: the tenant dashboard pushes the screen for an employee.
  void openAssignment(const std::optional<std::string>& userId, const std::optional<std::string>& userName,
                      const std::string& reply, bool waitForReply = true) {
    server_.setJsonReply(kBaseAssignPath, reply);
    host();
    screen = make<TenantAssignAccessVC>(StoryboardName::tenantAdmin, "TenantAssignAccessVC");
    ASSERT_TRUE(screen);
    screen->userId = userId;
    screen->userName = userName;
    loaderCalls_.clear();
    ASSERT_TRUE(nav->pushViewController(screen, false));
    if (waitForReply) {
      ASSERT_TRUE(settleUntil([&] { return hidden(); }));
    }
    pump();
  }

  // The invitation road, second screen: pushed with the visitor's values.
  void openInvitation(const std::string& reply) {
    server_.setJsonReply(kBaseVisitorPath, reply);
    host();
    screen = make<TenantAssignAccessVC>(StoryboardName::tenantAdmin, "TenantAssignAccessVC");
    ASSERT_TRUE(screen);
    screen->isFromUserDashboard = true;
    screen->firstName = "Ann";
    screen->lastName = " Lee";
    screen->category = "2";
    screen->mobileNumber = "+4412";
    screen->email = "a@b.co";
    screen->purposeVisit = "Audit";
    screen->companyName = "Acme";
    screen->expectedDate = "05/03/2026";
    screen->expectedTime = "14:07";
    screen->meetingHours = "01:30";
    loaderCalls_.clear();
    ASSERT_TRUE(nav->pushViewController(screen, false));
    ASSERT_TRUE(settleUntil([&] { return hidden(); }));
    pump();
  }

  bool hidden() const {
    for (const auto& call : loaderCalls_) {
      if (call == "hide") return true;
    }
    return false;
  }

  std::shared_ptr<TenantAsssignAccessCell> row(long index) {
    auto table = screen->tblAssginAccess();
    table->layoutIfNeeded();
    return std::dynamic_pointer_cast<TenantAsssignAccessCell>(
        table->cellForRowAtIndexPath(uikit::IndexPath::forRow(index, 0)));
  }

  // Opens the field's picker, turns the wheel to row and presses Done.
  void pick(const std::shared_ptr<uikit::TextField>& field, long rowIndex) {
    ASSERT_TRUE(field);
    auto input = TextFieldInput::of(field);
    ASSERT_TRUE(field->becomeFirstResponder());
    ASSERT_TRUE(input->pickerView()->userSelectRow(rowIndex, 0));
    input->btnDoneTapped();
    pump();
  }

  // Presses a button of the alert on screen once it has arrived, and lets
  // it leave. With a reply held by the test double the work cannot settle:
  // the queues run for a second of wall time and the settle is not awaited.
  bool press(const std::string& title, bool replyHeld = false) {
    if (!clock_->runFor(0.5)) return false;
    auto alert = alertOnScreen();
    if (!alert || !alert->pressActionWithTitle(title)) return false;
    if (replyHeld) {
      (void)clock_->runFor(0.5, /*wallLimit=*/1.0);
      return true;
    }
    return clock_->runFor(0.5);
  }

  std::string alertText() {
    auto alert = alertOnScreen();
    if (!alert) return "<no alert>";
    return alert->alertTitle().value_or("") + ": " + alert->message().value_or("");
  }

  bool toastShows(const std::string& text) {
    auto label = AppToastAlert::messageLabel();
    auto container = AppToastAlert::containerView();
    return label && container && container->window() && label->text() == std::optional<std::string>(text);
  }

  std::string successText() {
    auto popup = SuccessPopup::shared();
    auto label = popup ? popup->lbSuccess.lock() : nullptr;
    return label ? label->text().value_or("") : "<none>";
  }
  bool successShown() {
    auto popup = SuccessPopup::shared();
    return popup && popup->window();
  }

  std::vector<std::pair<std::string, std::string>> lastForm(const std::string& path) {
    auto sent = requestsTo(path);
    return sent.empty() ? std::vector<std::pair<std::string, std::string>>{} : sent.back().form();
  }
  static std::vector<std::string> valuesOf(const std::vector<std::pair<std::string, std::string>>& form,
                                           const std::string& key) {
    std::vector<std::string> out;
    for (const auto& [k, v] : form) {
      if (k == key) out.push_back(v);
    }
    return out;
  }

  std::shared_ptr<uikit::ViewController> root;
  std::shared_ptr<uikit::NavigationController> nav;
  std::shared_ptr<TenantAssignAccessVC> screen;
};

}  // namespace screens_test
