#include "PhotoPicker/DropdownPresentationController.h"

#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/ViewController.h"

namespace photopicker {

DropdownPresentationController::DropdownPresentationController(const std::shared_ptr<uikit::ViewController>& presented,
                                                               const std::shared_ptr<uikit::ViewController>& presenting)
    : uikit::PresentationController(presented, presenting), backgroundView_(uikit::View::make()) {
  backgroundView_->setAutoresizingMask(uikit::kAutoresizingFlexibleWidth | uikit::kAutoresizingFlexibleHeight);
  backgroundView_->setBackgroundColor(uikit::Color::clear());
  // Its target is bound when the presentation begins: the controller is not
  // owned yet while it is constructed.
  auto tap = std::make_shared<uikit::TapGestureRecognizer>();
  backgroundView_->addGestureRecognizer(tap);
}

void DropdownPresentationController::presentationTransitionWillBegin() {
  auto container = containerView();
  if (!container) return;
  auto& tap = backgroundView_->gestureRecognizers().front();
  tap->removeAllTargets();
  std::weak_ptr<DropdownPresentationController> weak = sharedAs<DropdownPresentationController>();
  tap->addTarget([weak](uikit::GestureRecognizer& g) {
    if (auto self = weak.lock()) self->backgroundTapped(g);
  });
  container->insertSubview(backgroundView_, 0);
  backgroundView_->setFrame(container->bounds());
}

void DropdownPresentationController::containerViewWillLayoutSubviews() {
  if (auto v = presentedView()) v->setFrame(frameOfPresentedViewInContainerView());
}

uikit::Size DropdownPresentationController::sizeForChildContentContainer(const uikit::ViewController& child,
                                                                         uikit::Size parentSize) const {
  (void)child;
  return {parentSize.width, dropDownHeight_};
}

uikit::Rect DropdownPresentationController::frameOfPresentedViewInContainerView() const {
  auto container = containerView();
  auto presenting = presentingViewController();
  auto presented = presentedViewController();
  if (!container || !presenting || !presented || !presenting->isViewLoaded()) return uikit::Rect();
  auto presentingView = presenting->view();
  uikit::Size size = sizeForChildContentContainer(*presented, presentingView->bounds().size);
  auto nav = std::dynamic_pointer_cast<uikit::NavigationController>(presenting);
  if (!nav) return uikit::Rect({0, 0}, size);
  auto bar = nav->navigationBar();
  uikit::Rect inContainer = presentingView->convertRectToView(presentingView->bounds(), container.get());
  // The band starts at the bar's lower edge, whatever inset the bar sits at.
  uikit::Rect barInPresenting = bar->convertRectToView(bar->bounds(), presentingView.get());
  presented->view()->setBackgroundColor(bar->barTintColor);
  return uikit::Rect({inContainer.x(), inContainer.y() + barInPresenting.maxY()}, size);
}

void DropdownPresentationController::backgroundTapped(uikit::GestureRecognizer& recognizer) {
  (void)recognizer;
  auto presenting = presentingViewController();
  auto presented = presentedViewController();
  // Only while the list is what it presents: with nothing presented, dismiss
  // would take the presenting screen itself away.
  if (presenting && presented && presenting->presentedViewController() == presented) presenting->dismiss(true);
}

}  // namespace photopicker
