#include "Facility/Screens/InviteVC.h"

#include <vector>

#include "Facility/BLE+MainMethods/TarneloBLE.h"
#include "Facility/Network/APIManager.h"
#include "Facility/Services/VMGlobal.h"
#include "Facility/Storage/LocalStorage.h"
#include "Facility/Storage/SessionActions.h"
#include "Facility/Storage/UserDefaultsKey.h"
#include "Facility/Support/StringHelpers.h"
#include "Facility/Widgets/AAction.h"
#include "Facility/Widgets/AlertPresenter.h"
#include "Facility/Widgets/AppAlert.h"
#include "Facility/Widgets/AppLoader.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "Facility/Widgets/HudAlert.h"
#include "Facility/Widgets/LoaderMsg.h"
#include "Facility/Widgets/Validation.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Foundation/Utf8.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Responder.h"
#include "Platform/UIKit/Storyboard.h"

namespace {

constexpr const char* kSeparator = "@#$";

// Drops leading and trailing white space and line breaks, code point by code
// point, as the blank test counts them.
std::string trimmed(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end) {
    const std::size_t n = std::max<std::size_t>(1, platform::Utf8::sequenceLength(text, begin));
    if (!platform::Utf8::isBlank(std::string_view(text).substr(begin, n))) break;
    begin += n;
  }
  while (end > begin) {
    std::size_t start = end - 1;
    while (start > begin && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
    if (!platform::Utf8::isBlank(std::string_view(text).substr(start, end - start))) break;
    end = start;
  }
  return text.substr(begin, end - begin);
}

std::vector<std::string> split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(separator, from)) != std::string::npos; from = at + separator.size()) {
    parts.push_back(text.substr(from, at - from));
  }
  parts.push_back(text.substr(from));
  return parts;
}

std::string withoutPrefix(std::string text, const std::string& prefix) {
  for (std::size_t at; (at = text.find(prefix)) != std::string::npos;) text.erase(at, prefix.size());
  return text;
}

}  // namespace

void InviteVC::viewDidLoad() {
  SuperViewController::viewDidLoad();
  TarneloBLE::shared().removeKeychain();
}

void InviteVC::btnVerifyClicked() {
  if (auto editing = uikit::Responder::currentFirstResponder()) editing->resignFirstResponder();
  auto field = txtCode();
  const auto code = field ? field->text() : std::nullopt;
  if (!code || platform::Utf8::isBlank(*code)) {
    AlertPresenter::showAlert(*this, AppAlert(AppAlert::Sorry).rawValue(),
                              Validation(Validation::invitationCodeIsBlank).rawValue(),
                              uikit::AlertControllerStyle::kAlert, {AAction::Ok});
    return;
  }
  if (!storeInvitationFields(*code)) return;

  auto self = sharedAs<InviteVC>();
  AppLoader::shared().showWithMessage(self, LoaderMsg(LoaderMsg::verifying).rawValue());
  std::weak_ptr<InviteVC> weakSelf = self;
  vmVerifySecurity->requestVerifySecurityCode(
      *code, [weakSelf](DataResponse<MDLVerifySecurity> response) { handleVerifyReply(weakSelf, response); });
}

void InviteVC::showInvalidCode() {
  AlertPresenter::showAlert(*this, AppAlert(AppAlert::Alert).rawValue(),
                            Validation(Validation::invalidInvitationCode).rawValue(),
                            uikit::AlertControllerStyle::kAlert, {AAction::Ok});
}

bool InviteVC::storeInvitationFields(const std::string& code) {
  const std::string plain = StringHelpers::decryptedInvitationCode(code);
  const auto parts = split(plain, kSeparator);
  if (plain.empty() || parts.size() < 3) {
    showInvalidCode();
    return false;
  }
  for (std::size_t i = 0; i < 3; ++i) {
    if (platform::Utf8::isBlank(parts[i])) {
      showInvalidCode();
      return false;
    }
  }
  UserDefaultsAccess::setValue(platform::Value(parts[0]), UserDefaultsKey::serverUrl);
  UserDefaultsAccess::setValue(platform::Value(parts[1]), UserDefaultsKey::tenantId);
  UserDefaultsAccess::setValue(platform::Value(parts[2]), UserDefaultsKey::forgotPasswordId);
  return true;
}

void InviteVC::handleVerifyReply(const std::weak_ptr<InviteVC>& screen,
                                 const DataResponse<MDLVerifySecurity>& response) {
  // Alerts fall back to the top screen when this one is gone.
  auto self = screen.lock();
  if (!response.value) {
    showResponseErrorAlert(self, std::nullopt, {AAction::Ok}, nullptr, response);
    return;
  }
  const MDLVerifySecurity& reply = *response.value;
  if (!reply.IsSuccess.value_or(false)) {
    showResponseErrorAlert(self, reply.Message, {AAction::Ok}, nullptr, response);
    return;
  }
  UserDefaultsAccess::setValue(platform::Value(reply.IsPasswordSet.value_or(false)), UserDefaultsKey::isPasswordSet);
  UserDefaultsAccess::setValue(platform::Value(reply.EmailId.value_or("")), UserDefaultsKey::emailId);
  UserDefaultsAccess::setValue(platform::Value(reply.Username.value_or("")), UserDefaultsKey::username);
  UserDefaultsAccess::setValue(platform::Value(true), UserDefaultsKey::isUserInvited);
  HudAlert::showSuccess([screen, reply](bool) { fetchFacilityLogo(screen, reply); });
}

void InviteVC::fetchFacilityLogo(const std::weak_ptr<InviteVC>& screen, const MDLVerifySecurity& reply) {
  if (!screen.lock()) return;
  AppLoader::shared().show();
  auto vmGlobal = std::make_shared<VMGlobal>();
  // Without a usable logo reply the phone has still joined: finish anyway
  // rather than leave the user on a screen the root choice no longer shows.
  auto failed = [reply] {
    platform::LogInfo("API call failed or success flag is false.");
    completeOnboarding(reply);
  };
  vmGlobal->requestGetImage(
      [vmGlobal, reply, failed](DataResponse<MDLGetImage> response) {
        if (!response.value || !response.value->isSuccess.value_or(false)) {
          failed();
          return;
        }
        const auto& image = response.value->docImage;
        if (image && !image->empty()) {
          auto& defaults = platform::UserDefaults::standard();
          (void)defaults.setObject(platform::Value(trimmed(withoutPrefix(*image, kImagePrefix))), "savedImage");
          defaults.synchronize();
        } else {
          platform::LogInfo("Base64 string is empty or nil.");
        }
        completeOnboarding(reply);
      },
      failed);
}

void InviteVC::completeOnboarding(const MDLVerifySecurity& reply) {
  if (auto session = LocalStorage::currentSession()) session->setRootViewController();
  AppToastAlert::show(ToastPosition::bottom, reply.Message.value_or("Success"));
}

void InviteVC::registerScene() {
  uikit::Storyboard::registerScene(kStoryboard, "InviteVC", [] {
    uikit::StoryboardSceneContents contents;
    auto controller = std::make_shared<InviteVC>();
    const uikit::Rect screen = uikit::Device::screenBounds();
    auto view = uikit::View::make(screen);
    auto field = uikit::View::make<uikit::TextField>(uikit::Rect(20, 200, screen.size.width - 40, 44));
    field->setPlaceholder("Invitation code");
    field->setAccessibilityIdentifier("txtCode");
    auto verify = uikit::Button::withType(uikit::ButtonType::kCustom);
    verify->setFrame(uikit::Rect(20, 270, screen.size.width - 40, 44));
    verify->setTitle("Verify");
    view->addSubview(field);
    view->addSubview(verify);
    std::weak_ptr<InviteVC> weak = controller;
    verify->addTarget(controller, [weak](uikit::Control&) {
      if (auto c = weak.lock()) c->btnVerifyClicked();
    }, uikit::kControlEventTouchUpInside);
    contents.controller = controller;
    contents.view = view;
    contents.outlets = {
        {"txtCode", [weak, field] { if (auto c = weak.lock()) c->setTxtCode(field); }},
        {"btnVerify", [weak, verify] { if (auto c = weak.lock()) c->setBtnVerify(verify); }},
    };
    return contents;
  });
}
