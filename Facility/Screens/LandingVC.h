// The welcome screen of a signed-out device: a picture, a link to the
// privacy-policy page and the way to the sign-in screen.
#pragma once

#include <memory>

#include "Facility/Widgets/SuperViewController.h"
#include "Platform/UIKit/Control.h"
#include "Platform/UIKit/ImageView.h"

class LandingVC : public SuperViewController {
 public:
  static constexpr const char* kStoryboard = "Main";
  static constexpr const char* kWelcomeImage = "welcomepage";
  // Info.plist key of the privacy-policy address.
  static constexpr const char* kPrivacyPolicyKey = "PrivacyPolicyURL";

  std::shared_ptr<uikit::ImageView> imageView() const { return imageView_.lock(); }
  void setImageView(const std::shared_ptr<uikit::ImageView>& view) { imageView_ = view; }

  void viewDidLoad() override;
  // Opens the privacy-policy page in the browser; nothing when no usable
  // address is configured or the system cannot open it.
  void btnPrivacyPolicyClicked(uikit::Control& sender);
  // The scene's way to the sign-in screen: shown full screen, since this
  // root has no navigation controller. Nothing is passed to it.
  void btnSignInClicked(uikit::Control& sender);

  // Declares this screen's scene in "Main" and its picture.
  static void registerScene();

 private:
  std::weak_ptr<uikit::ImageView> imageView_;
};
