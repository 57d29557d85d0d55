#include "Facility/Widgets/PopUpOverlay.h"

#include "Facility/Support/Device.h"
#include "Platform/UIKit/Color.h"
#include "Platform/UIKit/Nib.h"

namespace {

using uikit::AffineTransform;
using uikit::View;
using uikit::ViewPtr;

constexpr double kLayoutDelay = 0;

// Runs then only when the animation it follows was not cut short.
std::function<void(bool)> ifFinished(std::function<void()> then) {
  return [then = std::move(then)](bool finished) {
    if (finished && then) then();
  };
}

void layoutAnimation(double duration, std::function<void()> animations, std::function<void(bool)> completion) {
  View::animate(duration, kLayoutDelay, uikit::kAnimationLayoutSubviews, std::move(animations),
                std::move(completion));
}

void setOriginX(View& v, double x) {
  auto f = v.frame();
  f.origin.x = x;
  v.setFrame(f);
}

void setOriginY(View& v, double y) {
  auto f = v.frame();
  f.origin.y = y;
  v.setFrame(f);
}

}  // namespace

void PopUpOverlay::registerNib() {
  if (uikit::Nib::isRegistered(kNibName)) return;
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    auto overlay = std::make_shared<PopUpOverlay>();
    overlay->setBackgroundColor(uikit::Color::black().withAlphaComponent(0.4));
    overlay->setAutoresizingMask(uikit::kAutoresizingFlexibleWidth | uikit::kAutoresizingFlexibleHeight);
    // Laid out for the screen the file is opened on.
    const uikit::Rect screen = Device::screenBounds();
    overlay->setFrame(screen);
    auto blur = std::make_shared<uikit::ImageView>(screen);
    blur->setContentMode(uikit::ContentMode::kScaleAspectFill);
    auto close = std::make_shared<uikit::Control>(screen);
    close->setAutoresizingMask(uikit::kAutoresizingFlexibleWidth | uikit::kAutoresizingFlexibleHeight);
    overlay->addSubview(blur);
    overlay->addSubview(close);
    std::weak_ptr<PopUpOverlay> weak = overlay;
    close->addTarget(overlay, [weak](uikit::Control& sender) {
      if (auto o = weak.lock()) o->btnCloseTapped(sender);
    }, uikit::kControlEventTouchUpInside);
    overlay->btnClose_ = close;
    uikit::NibContents contents;
    contents.topLevelObjects.push_back(overlay);
    contents.outlets = {{"imgVBlur", [weak, blur] {
                           if (auto o = weak.lock()) o->imgVBlur = blur;
                         }}};
    return contents;
  });
}

double PopUpOverlay::barAllowance() { return Device::hasNotch() ? 83 : 49; }

void PopUpOverlay::placeForEntry(View& view) const {
  const double w = Device::screenWidth(), h = Device::screenHeight();
  switch (type) {
    case PopUpPresentType::none:
      break;
    case PopUpPresentType::center:
      view.setCenter(Device::screenCenter());
      view.setTransform(AffineTransform::scale(0.01, 0.01));
      break;
    case PopUpPresentType::bottom: {
      auto f = view.frame();
      f.size.width = w;
      f.origin.y = h - barAllowance();
      view.setFrame(f);
      break;
    }
    case PopUpPresentType::topToCenter:
      view.setCenter({w / 2, view.center().y});
      view.setCenter({view.center().x, 0});
      break;
    case PopUpPresentType::bottomToCenter:
      view.setCenter({w / 2, view.center().y});
      view.setCenter({view.center().x, h - barAllowance()});
      break;
    case PopUpPresentType::leftToCenter:
      view.setCenter({view.center().x, h / 2});
      view.setCenter({0, view.center().y});
      break;
    case PopUpPresentType::rightToCenter:
      view.setCenter({view.center().x, h / 2});
      view.setCenter({w, view.center().y});
      break;
  }
}

void PopUpOverlay::present(const ViewPtr& view, std::function<void()> completion) {
  if (!view) return;
  const double w = Device::screenWidth(), h = Device::screenHeight();
  placeForEntry(*view);
  switch (type) {
    case PopUpPresentType::none:
      if (completion) completion();
      return;
    case PopUpPresentType::center:
      View::animate(0.3, [view] { view->setTransform(AffineTransform::scale(1.0, 1.0)); },
                    ifFinished(std::move(completion)));
      return;
    case PopUpPresentType::bottom: {
      const double top = h - barAllowance() - view->frame().height();
      // The slide, then a short spring that lets the sheet settle 3 points
      // down before it snaps back into place.
      auto settle = [view, completion = std::move(completion)] {
        View::animateWithSpring(
            0.1, 0, 1.0, 0.05, uikit::kAnimationCurveEaseIn,
            [view] { view->setTransform(AffineTransform::translation(0, 3)); },
            ifFinished([view, completion] {
              view->setTransform(AffineTransform::identity());
              if (completion) completion();
            }));
      };
      View::animate(0.2, [view, top] { setOriginY(*view, top); }, ifFinished(std::move(settle)));
      return;
    }
    case PopUpPresentType::topToCenter:
    case PopUpPresentType::bottomToCenter:
      layoutAnimation(0.3, [view, h] { view->setCenter({view->center().x, h / 2}); },
                      ifFinished(std::move(completion)));
      return;
    case PopUpPresentType::leftToCenter:
    case PopUpPresentType::rightToCenter:
      layoutAnimation(0.3, [view, w] { view->setCenter({w / 2, view->center().y}); },
                      ifFinished(std::move(completion)));
      return;
  }
}

void PopUpOverlay::dismiss(const ViewPtr& view, std::function<void()> completion) {
  auto self = sharedAs<PopUpOverlay>();
  if (!view || !self) return;
  const double w = Device::screenWidth(), h = Device::screenHeight();
  auto finish = [self, view, completion = std::move(completion)] { self->finishDismissal(view, completion); };
  switch (type) {
    case PopUpPresentType::none:
      finish();
      return;
    case PopUpPresentType::center:
      View::animate(0.3, [view] { view->setTransform(AffineTransform::scale(0.01, 0.01)); },
                    ifFinished(std::move(finish)));
      return;
    case PopUpPresentType::bottom:
    case PopUpPresentType::bottomToCenter: {
      const double y = h - barAllowance();
      View::animate(0.3, [view, y] { setOriginY(*view, y); }, ifFinished(std::move(finish)));
      return;
    }
    case PopUpPresentType::topToCenter: {
      auto collapse = [view, finish = std::move(finish)] {
        layoutAnimation(0.1, [view] {
          auto f = view->frame();
          f.size.height = 0;
          view->setFrame(f);
        }, ifFinished(finish));
      };
      View::animate(0.2, [view] { setOriginY(*view, 0); }, ifFinished(std::move(collapse)));
      return;
    }
    case PopUpPresentType::leftToCenter: {
      auto collapse = [view, finish = std::move(finish)] {
        layoutAnimation(0.25, [view] {
          auto f = view->frame();
          f.size.width = 0;
          view->setFrame(f);
        }, ifFinished(finish));
      };
      View::animate(0.05, [view] { setOriginX(*view, 0); }, ifFinished(std::move(collapse)));
      return;
    }
    case PopUpPresentType::rightToCenter:
      View::animate(0.3, [view, w] { setOriginX(*view, w); }, ifFinished(std::move(finish)));
      return;
  }
}

void PopUpOverlay::finishDismissal(const ViewPtr& view, const std::function<void()>& completion) {
  view->removeFromSuperview();
  if (auto blur = imgVBlur.lock()) blur->setImage(nullptr);
  removeFromSuperview();
  if (completion) completion();
}

bool PopUpOverlay::isOwnPart(const ViewPtr& view) const {
  return view == imgVBlur.lock() || view == btnClose_.lock();
}

void PopUpOverlay::btnCloseTapped(uikit::Control& sender) {
  (void)sender;
  if (!shouldOutSideClick || subviews().empty()) return;
  auto popup = subviews().back();
  // With the popup already gone, the last subview is the overlay's own;
  // taking that away would leave the overlay unable to close again.
  if (isOwnPart(popup)) return;
  dismiss(popup, nullptr);
}
