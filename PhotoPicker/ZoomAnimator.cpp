#include "PhotoPicker/ZoomAnimator.h"

#include "PhotoPicker/ImageView.h"
#include "Platform/UIKit/View.h"
#include "Platform/UIKit/ViewController.h"

namespace photopicker {

namespace {

// r of view's superview in container's coordinates.
uikit::Rect inContainer(const uikit::ImageView& view, const uikit::Rect& r, const uikit::View& container) {
  auto parent = view.superview();
  return parent ? parent->convertRectToView(r, &container) : r;
}

}  // namespace

void ZoomAnimator::animateTransition(const uikit::TransitionContextPtr& context) {
  if (!context) return;
  auto to = context->toViewController();
  auto from = context->fromViewController();
  auto container = context->containerView();
  auto source = sourceImageView;
  auto destination = destinationImageView;
  if (!to || !from || !container || !source || !destination) {
    context->completeTransition(!context->transitionWasCancelled());
    return;
  }
  auto toView = to->view();
  auto fromView = from->view();
  source->setHidden(true);
  destination->setHidden(true);
  container->setBackgroundColor(toView->backgroundColor());

  auto flying = uikit::View::make<ImageView>(inContainer(*source, source->frame(), *container));
  flying->setContentMode(source->contentMode());
  flying->setClipsToBounds(true);
  uikit::ImagePtr image;
  if (mode_ == Mode::kExpand) {
    toView->setAlpha(0);
    fromView->setAlpha(1);
    image = destination->image() ? destination->image() : source->image();
  } else {
    image = source->image() ? source->image() : destination->image();
  }
  flying->setImage(image);
  container->addSubview(toView);
  container->addSubview(flying);

  // The destination's bounds, not its frame, as the end rectangle.
  uikit::Rect end = inContainer(*destination, destination->bounds(), *container);
  auto endMode = destination->contentMode();
  uikit::View::animate(
      transitionDuration(context.get()), 0, uikit::kAnimationNone,
      [=] {
        fromView->setAlpha(0);
        toView->setAlpha(1);
        flying->setFrame(end);
        flying->setContentMode(endMode);
      },
      [=](bool) {
        flying->removeFromSuperview();
        destination->setHidden(false);
        fromView->setAlpha(1);
        context->completeTransition(!context->transitionWasCancelled());
      });
}

}  // namespace photopicker
