#include "Facility/Widgets/AppLoader.h"

#include <vector>

#include "Facility/Storage/LocalStorage.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Font.h"
#include "Platform/UIKit/LayoutConstraint.h"

using uikit::LayoutAttribute;
using uikit::LayoutConstraint;
using uikit::LayoutRelation;

AppLoader& AppLoader::shared() {
  static AppLoader* loader = new AppLoader();
  return *loader;
}

AppLoader::AppLoader() {
  const uikit::Color brand = uikit::Color::rgb255(0, 73, 118);
  backgroundView = std::make_shared<uikit::View>();
  backgroundView->setFrame(uikit::Device::screenBounds());
  backgroundView->setBackgroundColor(uikit::Color(0, 0, 0, 0.6));
  boxView = std::make_shared<uikit::View>();
  boxView->setBackgroundColor(uikit::Color(1, 1, 1, 1));
  boxView->layer().cornerRadius = 10;
  spinner = std::make_shared<uikit::ActivityIndicatorView>(uikit::ActivityIndicatorStyle::kLarge);
  spinner->color = brand;
  spinner->setHidesWhenStopped(true);
  messageLabel = std::make_shared<uikit::Label>();
  messageLabel->textAlignment = uikit::TextAlignment::kCenter;
  messageLabel->setTextColor(brand);
  messageLabel->setBackgroundColor(uikit::Color::clear());
  messageLabel->setFont(uikit::Font::namedOrSystem("Gotham-Book", 16));
  ringView = std::make_shared<uikit::View>();
  ringView->setBackgroundColor(uikit::Color::clear());
  gifImageView = std::make_shared<uikit::ImageView>();
  gifImageView->setBackgroundColor(uikit::Color::clear());
}

void AppLoader::prepare(uikit::ViewControllerPtr host, AppLoaderType newType) {
  hostViewController = host ? std::move(host) : LocalStorage::topViewControllerOfSceneWindow();
  removeLoaderViews();
  type = newType;
  ++generation_;
}

void AppLoader::removeLoaderViews() {
  for (const auto& sub : std::vector<std::shared_ptr<uikit::View>>(boxView->subviews())) {
    if (sub == spinner || sub == messageLabel || sub == ringView || sub == gifImageView) sub->removeFromSuperview();
  }
  boxView->removeConstraints(std::vector<uikit::LayoutConstraintPtr>(boxView->constraints()));
  backgroundView->removeFromSuperview();
}

void AppLoader::show(uikit::ViewControllerPtr host) {
  prepare(std::move(host), AppLoaderType::activityIndicator);
  platform::RunLoop::main().async([this] { buildIndicator(); });
}

void AppLoader::showWithMessage(uikit::ViewControllerPtr host, std::optional<std::string> message) {
  prepare(std::move(host), AppLoaderType::activityIndicatorWithMessage);
  platform::RunLoop::main().async([this, message] { buildIndicatorWithMessage(message); });
}

void AppLoader::presentIndicator() {
  ++generation_;
  buildIndicator();
}

void AppLoader::presentIndicatorWithMessage(std::optional<std::string> message) {
  ++generation_;
  buildIndicatorWithMessage(std::move(message));
}

void AppLoader::buildIndicator() {
  if (hostViewController) {
    auto hostView = hostViewController->view();
    hostView->addSubview(spinner);
    LayoutConstraint::activate({
        LayoutConstraint::make(spinner, LayoutAttribute::kCenterX, LayoutRelation::kEqual, hostView,
                               LayoutAttribute::kCenterX, 1, 0),
        LayoutConstraint::make(spinner, LayoutAttribute::kCenterY, LayoutRelation::kEqual, hostView,
                               LayoutAttribute::kCenterY, 1, 0),
    });
  }
  isAnimating = true;
  spinner->startAnimating();
}

void AppLoader::buildIndicatorWithMessage(std::optional<std::string> message) {
  messageLabel->setText(message);
  if (hostViewController) hostViewController->view()->addSubview(backgroundView);
  backgroundView->addSubview(boxView);
  boxView->addSubview(spinner);
  boxView->addSubview(messageLabel);
  layoutMessageBox();
  isAnimating = true;
  spinner->startAnimating();
}

void AppLoader::layoutMessageBox() {
  const bool withText = messageLabel->text().has_value();
  auto make = [](const auto& a, LayoutAttribute aa, const auto& b, LayoutAttribute ba, double c, float p) {
    auto k = LayoutConstraint::make(a, aa, LayoutRelation::kEqual, b, ba, 1, c);
    k->setPriority(p);
    return k;
  };
  const float req = uikit::kLayoutPriorityRequired;
  LayoutConstraint::activate({
      make(boxView, LayoutAttribute::kCenterX, backgroundView, LayoutAttribute::kCenterX, 0, req),
      make(boxView, LayoutAttribute::kCenterY, backgroundView, LayoutAttribute::kCenterY, 0, req),
      make(spinner, LayoutAttribute::kCenterX, boxView, LayoutAttribute::kCenterX, 0, req),
      make(spinner, LayoutAttribute::kTop, boxView, LayoutAttribute::kTop, 25, withText ? 1000.f : 750.f),
      make(spinner, LayoutAttribute::kLeading, boxView, LayoutAttribute::kLeading, 25, withText ? 750.f : 1000.f),
      make(spinner, LayoutAttribute::kCenterY, boxView, LayoutAttribute::kCenterY, 0, withText ? 750.f : 1000.f),
      make(messageLabel, LayoutAttribute::kCenterX, boxView, LayoutAttribute::kCenterX, 0, req),
      make(messageLabel, LayoutAttribute::kTop, spinner, LayoutAttribute::kBottom, 15, withText ? 1000.f : 750.f),
      make(messageLabel, LayoutAttribute::kLeading, boxView, LayoutAttribute::kLeading, 15, withText ? 1000.f : 750.f),
      make(messageLabel, LayoutAttribute::kBottom, boxView, LayoutAttribute::kBottom, -15, withText ? 1000.f : 749.f),
  });
  spinner->layoutIfNeeded();
}

void AppLoader::hide() {
  const std::uint64_t seen = generation_.load();
  auto current = [this, seen] { return generation_.load() == seen; };
  platform::RunLoop::main().async([this, current] {
    if (!current()) return;
    switch (type) {
      case AppLoaderType::activityIndicator:
        platform::RunLoop::main().async([this, current] {
          if (current()) dismissIndicator();
        });
        break;
      case AppLoaderType::activityIndicatorWithMessage:
        platform::RunLoop::main().async([this, current] {
          if (current()) dismissIndicatorWithMessage();
        });
        break;
      case AppLoaderType::circularRing:
        platform::RunLoop::main().async([this, current] {
          if (current()) dismissRing();
        });
        break;
      case AppLoaderType::animatedGIF:
        dismissGIF();
        break;
    }
  });
}

void AppLoader::dismissIndicator() {
  isAnimating = false;
  spinner->stopAnimating();
  spinner->removeFromSuperview();
  hostViewController.reset();  // a hidden loader must not keep its screen alive
}

void AppLoader::dismissIndicatorWithMessage() {
  spinner->stopAnimating();
  spinner->removeFromSuperview();
  dismissBackground();
  hostViewController.reset();
}

void AppLoader::dismissRing() {
  ringView->layer().removeAnimation("rotationAnimation");
  dismissBackground();
}

void AppLoader::dismissGIF() { dismissBackground(); }

void AppLoader::dismissBackground() {
  isAnimating = false;
  for (const auto& sub : std::vector<std::shared_ptr<uikit::View>>(backgroundView->subviews())) sub->removeFromSuperview();
  backgroundView->removeFromSuperview();
}
