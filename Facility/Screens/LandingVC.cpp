#include "Facility/Screens/LandingVC.h"

#include <optional>
#include <string>

#include "Facility/Screens/StoryboardName.h"
#include "Facility/Widgets/GenericButton.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/URL.h"
#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/Storyboard.h"

void LandingVC::viewDidLoad() {
  SuperViewController::viewDidLoad();
  if (auto view = imageView()) view->setImage(uikit::Image::named(kWelcomeImage));
}

void LandingVC::btnPrivacyPolicyClicked(uikit::Control& sender) {
  (void)sender;
  auto value = platform::Bundle::main().objectForInfoDictionaryKey(kPrivacyPolicyKey);
  const std::string* text = value ? value->getString() : nullptr;
  if (!text) return;
  auto url = platform::URL::fromString(*text);
  // A browser needs an absolute address; a bare word parses as a relative one.
  if (!url || url->scheme().empty()) return;
  auto& app = uikit::Application::shared();
  if (!app.canOpenURL(url->absoluteString())) return;
  app.openURL(url->absoluteString());
}

void LandingVC::btnSignInClicked(uikit::Control& sender) {
  (void)sender;
  auto login = Storyboards::instantiateScreen(StoryboardName::main, "LoginVC");
  if (!login) return;
  login->modalPresentationStyle = uikit::ModalPresentationStyle::kFullScreen;
  present(login, true);
}

void LandingVC::registerScene() {
  uikit::Image::registerNamed(kWelcomeImage, uikit::Image::filled(uikit::Size{375, 420}, uikit::Color::white()));
  uikit::Storyboard::registerScene(kStoryboard, "LandingVC", [] {
    uikit::StoryboardSceneContents contents;
    auto controller = std::make_shared<LandingVC>();
    auto view = uikit::View::make(uikit::Device::screenBounds());
    auto image = uikit::View::make<uikit::ImageView>(uikit::Rect(0, 60, 375, 420));
    image->setAccessibilityIdentifier("imageView");
    auto signIn = uikit::View::make<GenericButton>(uikit::Rect(20, 520, 335, 44));
    signIn->setTag(-1);
    signIn->setTitle("Sign In");
    signIn->setAccessibilityIdentifier("btnSignIn");
    auto privacy = uikit::View::make<GenericButton>(uikit::Rect(20, 580, 335, 30));
    privacy->setTag(6);
    privacy->setTitle("Privacy Policy");
    privacy->setAccessibilityIdentifier("btnPrivacyPolicy");
    view->addSubview(image);
    view->addSubview(signIn);
    view->addSubview(privacy);

    std::weak_ptr<LandingVC> weak = controller;
    signIn->addTarget(controller, [weak](uikit::Control& sender) {
      if (auto self = weak.lock()) self->btnSignInClicked(sender);
    }, uikit::kControlEventTouchUpInside);
    privacy->addTarget(controller, [weak](uikit::Control& sender) {
      if (auto self = weak.lock()) self->btnPrivacyPolicyClicked(sender);
    }, uikit::kControlEventTouchUpInside);

    contents.controller = controller;
    contents.view = view;
    contents.outlets = {{"imageView", [controller, image] { controller->setImageView(image); }}};
    return contents;
  });
}
