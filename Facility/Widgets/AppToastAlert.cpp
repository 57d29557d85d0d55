#include "Facility/Widgets/AppToastAlert.h"

#include "Facility/Support/Device.h"
#include "Facility/Storage/LocalStorage.h"

namespace {

uikit::Color opaque(const uikit::Color& c) {
  auto rgba = c.rgba();
  if (!rgba) return c;  // a colour that cannot be read stays as it is
  return uikit::Color(rgba->red, rgba->green, rgba->blue, 1.0);
}

}  // namespace

AppToastAlert& AppToastAlert::shared() {
  static AppToastAlert* instance = new AppToastAlert();
  return *instance;
}

const std::shared_ptr<uikit::View>& AppToastAlert::containerView() {
  auto& self = shared();
  if (!self.container_) {
    self.container_ = uikit::View::make();
    self.container_->setTag(kContainerTag);
    self.container_->layer().cornerRadius = 3.5;
    self.container_->setBackgroundColor(uikit::Color(0, 0, 0, 0));
    self.container_->setTranslatesAutoresizingMaskIntoConstraints(false);
  }
  return self.container_;
}

const std::shared_ptr<uikit::Label>& AppToastAlert::messageLabel() {
  auto& self = shared();
  if (!self.label_) {
    self.label_ = uikit::View::make<uikit::Label>();
    self.label_->textAlignment = uikit::TextAlignment::kCenter;
    self.label_->setTextColor(uikit::Color(1, 1, 1, 0));
    self.label_->setNumberOfLines(0);
    self.label_->setTranslatesAutoresizingMaskIntoConstraints(false);
  }
  return self.label_;
}

platform::TimerPtr AppToastAlert::timer() { return shared().timer_; }

double AppToastAlert::verticalConstant(ToastPosition position, bool hasNotch) {
  switch (position) {
    case ToastPosition::top:
      return hasNotch ? 108 : 84;
    case ToastPosition::center:
      return 0;
    case ToastPosition::bottom:
      return hasNotch ? -54 : -20;
  }
  return 0;
}

void AppToastAlert::show(ToastPosition position, const std::string& message) { shared().present(position, message); }

void AppToastAlert::present(ToastPosition position, const std::string& message) {
  // The old timer and any fade-out in flight belong to the previous toast;
  // left running they would cut this one short, even on another screen.
  containerView()->layer().removeAllAnimations();  // a pending fade-out completes unfinished
  takeDown();
  messageLabel()->setText(message);
  auto top = LocalStorage::topViewControllerOfSceneWindow();
  if (!top) return;
  layout(top->view(), position);
  fadeIn();
  timer_ = platform::Timer::scheduledTimer(kVisibleDuration, false, [this](platform::Timer&) { fadeOut(); });
}

void AppToastAlert::layout(const std::shared_ptr<uikit::View>& host, ToastPosition position) {
  const auto& container = containerView();
  const auto& label = messageLabel();
  host->addSubview(container);
  active_.push_back(container->centerXAnchor().constraintEqualToAnchor(host->centerXAnchor()));
  active_.push_back(container->widthAnchor().constraintLessThanOrEqualToConstant(Device::screenWidth() - 20));
  double constant = verticalConstant(position, Device::hasNotch());
  switch (position) {
    case ToastPosition::top:
      active_.push_back(container->topAnchor().constraintEqualToAnchor(host->topAnchor(), constant));
      break;
    case ToastPosition::center:
      active_.push_back(container->centerYAnchor().constraintEqualToAnchor(host->centerYAnchor(), constant));
      break;
    case ToastPosition::bottom:
      active_.push_back(container->bottomAnchor().constraintEqualToAnchor(host->bottomAnchor(), constant));
      break;
  }
  container->addSubview(label);
  active_.push_back(label->leadingAnchor().constraintEqualToAnchor(container->leadingAnchor(), 10));
  active_.push_back(label->topAnchor().constraintEqualToAnchor(container->topAnchor(), 10));
  active_.push_back(label->trailingAnchor().constraintEqualToAnchor(container->trailingAnchor(), -10));
  active_.push_back(label->bottomAnchor().constraintEqualToAnchor(container->bottomAnchor(), -10));
  uikit::LayoutConstraint::activate(active_);
}

void AppToastAlert::fadeIn() {
  const auto& container = containerView();
  const auto& label = messageLabel();
  uikit::View::animate(kFadeDuration, [&] {
    container->setBackgroundColor(opaque(container->backgroundColor().value_or(uikit::Color::clear())));
    label->setTextColor(opaque(label->textColor()));
  });
}

void AppToastAlert::fadeOut() {
  const auto& container = containerView();
  uikit::View::animate(
      kFadeDuration,
      [&] {
        auto bg = container->backgroundColor().value_or(uikit::Color::clear());
        container->setBackgroundColor(bg.withAlphaComponent(0));
      },
      [this](bool finished) {
        if (finished) takeDown();
      });
}

void AppToastAlert::takeDown() {
  if (timer_) timer_->invalidate();
  const auto& container = containerView();
  uikit::LayoutConstraint::deactivate(active_);
  active_.clear();
  for (const auto& sub : std::vector<uikit::ViewPtr>(container->subviews())) sub->removeFromSuperview();
  container->removeFromSuperview();
}
