// The first screen of a phone that has not joined a facility: the typed
// invitation code names the facility's web service, is verified there, and
// the root is then chosen again from the stored state.
#pragma once

#include <memory>
#include <string>

#include "Facility/Models/MDLVerifySecurity.h"
#include "Facility/Network/DataResponse.h"
#include "Facility/Services/VMVerifySecurity.h"
#include "Facility/Widgets/SuperViewController.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/TextField.h"

class InviteVC : public SuperViewController {
 public:
  static constexpr const char* kStoryboard = "Main";
  static constexpr const char* kImagePrefix = "data:image/png;base64,";

  std::shared_ptr<VMVerifySecurity> vmVerifySecurity = std::make_shared<VMVerifySecurity>();

  std::shared_ptr<uikit::TextField> txtCode() const { return txtCode_.lock(); }
  void setTxtCode(const std::shared_ptr<uikit::TextField>& field) { txtCode_ = field; }
  std::shared_ptr<uikit::Button> btnVerify() const { return btnVerify_.lock(); }
  void setBtnVerify(const std::shared_ptr<uikit::Button>& button) { btnVerify_ = button; }

  void viewDidLoad() override;
  void btnVerifyClicked();

  // Splits a decrypted code into its three values and stores them; false
  // (after the alert) for a code that does not decrypt to three fields.
  bool storeInvitationFields(const std::string& code);

  static void registerScene();

 private:
  static void handleVerifyReply(const std::weak_ptr<InviteVC>& screen,
                                const DataResponse<MDLVerifySecurity>& response);
  static void fetchFacilityLogo(const std::weak_ptr<InviteVC>& screen, const MDLVerifySecurity& reply);
  static void completeOnboarding(const MDLVerifySecurity& reply);
  void showInvalidCode();

  std::weak_ptr<uikit::TextField> txtCode_;
  std::weak_ptr<uikit::Button> btnVerify_;
};
