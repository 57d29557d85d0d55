#include "PhotoPicker/ZoomInteractionController.h"

#include <algorithm>

#include "Platform/UIKit/ViewController.h"

namespace photopicker {

ZoomInteractionController::ZoomInteractionController() { setWantsInteractiveStart(false); }

void ZoomInteractionController::startInteractiveTransition(const uikit::TransitionContextPtr& context) {
  uikit::PercentDrivenInteractiveTransition::startInteractiveTransition(context);
  if (!context) return;
  auto shown = context->toViewController();
  auto left = context->fromViewController();
  if (!shown || !left) return;
  auto self = sharedAs<ZoomInteractionController>();
  auto pan = std::make_shared<uikit::PanGestureRecognizer>();
  std::weak_ptr<ZoomInteractionController> weak = self;
  pan->addTarget([weak](uikit::GestureRecognizer& g) {
    if (auto me = weak.lock()) me->handlePan(static_cast<uikit::PanGestureRecognizer&>(g));
  });
  pan->setDelegate(self);
  shown->view()->addGestureRecognizer(pan);
  navigationController_ = shown->navigationController();
  sourceView_ = shown->view();
  destinationView_ = left->view();
  containerView_ = context->containerView();
  transform_ = sourceView_->transform();
}

void ZoomInteractionController::handlePan(uikit::PanGestureRecognizer& recognizer) {
  switch (recognizer.state()) {
    case uikit::GestureState::kBegan:
      beginDrag();
      break;
    case uikit::GestureState::kChanged: {
      auto view = recognizer.view();
      auto parent = view ? view->superview() : nullptr;
      updateDrag(recognizer.translationInView(parent.get()));
      break;
    }
    case uikit::GestureState::kEnded:
      if (hasCompleted_) {
        finishInteractiveTransition();
      } else {
        cancelInteractiveTransition();
      }
      break;
    case uikit::GestureState::kCancelled:
      cancelInteractiveTransition();
      break;
    default:
      break;
  }
}

bool ZoomInteractionController::gestureRecognizerShouldBegin(uikit::GestureRecognizer& recognizer) {
  auto* pan = dynamic_cast<uikit::PanGestureRecognizer*>(&recognizer);
  if (!pan) return false;
  auto view = pan->view();
  auto parent = view ? view->superview() : nullptr;
  return pan->translationInView(parent.get()).y >= 0;
}

void ZoomInteractionController::beginDrag() {
  if (!containerView_ || !sourceView_ || !destinationView_) return;
  containerView_->addSubview(destinationView_);
  containerView_->addSubview(separationView_);
  containerView_->bringSubviewToFront(sourceView_);
  separationView_->setBackgroundColor(sourceView_->backgroundColor());
  separationView_->setFrame(destinationView_->frame());
  if (auto bg = sourceView_->backgroundColor()) sourceView_->setBackgroundColor(bg->withAlphaComponent(0));
  transform_ = sourceView_->transform();
}

void ZoomInteractionController::updateDrag(uikit::Point translation) {
  double tx = translation.x;
  double ty = translation.y;
  double progress = ty <= 0 ? 0.0 : std::min(ty / threshold_, 1.0);
  updateInteractiveTransition(progress);
  if (!sourceView_ || !destinationView_) return;
  double height = destinationView_->frame().height();
  // Never zero or mirrored, however far past the grid's height it is pulled.
  double scale = height <= 0 ? 1.0 : std::max(0.1, 1.0 - std::max(ty, 0.0) / height);
  sourceView_->setTransform(
      uikit::AffineTransform::translation(tx / scale, ty / scale).concat(uikit::AffineTransform::scale(scale, scale)));
  if (auto bg = separationView_->backgroundColor()) separationView_->setBackgroundColor(bg->withAlphaComponent(scale));
  hasCompleted_ = progress == 1.0;
}

void ZoomInteractionController::finishInteractiveTransition() {
  uikit::PercentDrivenInteractiveTransition::finishInteractiveTransition();
  // The shrink animation lays the grid over it; the band is not left behind.
  separationView_->removeFromSuperview();
  if (auto nav = navigationController_.lock()) nav->popViewController(true);
}

void ZoomInteractionController::cancelInteractiveTransition() {
  uikit::PercentDrivenInteractiveTransition::cancelInteractiveTransition();
  if (sourceView_) {
    if (auto bg = sourceView_->backgroundColor()) sourceView_->setBackgroundColor(bg->withAlphaComponent(1));
    if (transform_) sourceView_->setTransform(*transform_);
  }
  if (destinationView_) destinationView_->removeFromSuperview();
  separationView_->removeFromSuperview();
}

}  // namespace photopicker
