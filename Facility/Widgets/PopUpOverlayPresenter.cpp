#include "Facility/Widgets/PopUpOverlayPresenter.h"

#include "Facility/Support/Device.h"
#include "Facility/Widgets/ImageEffects.h"
#include "Facility/Widgets/NibLoader.h"
#include "Platform/UIKit/GraphicsImageContext.h"
#include "Platform/UIKit/NavigationController.h"

std::shared_ptr<PopUpOverlay> PopUpOverlayPresenter::popUpOverlay(
    const std::shared_ptr<uikit::ViewController>& controller) {
  if (!controller) return nullptr;
  if (const auto* kept = controller->associated<std::shared_ptr<PopUpOverlay>>(kOverlayKey); kept && *kept) {
    return *kept;
  }
  PopUpOverlay::registerNib();
  auto overlay = std::dynamic_pointer_cast<PopUpOverlay>(NibLoader::loadFromNib(PopUpOverlay::kNibName));
  if (!overlay) return nullptr;
  const uikit::Rect screen = Device::screenBounds();
  overlay->setFrame(screen);
  if (auto blur = overlay->imgVBlur.lock()) blur->setFrame(screen);
  controller->setAssociatedObject(kOverlayKey, overlay);
  return overlay;
}

uikit::ImagePtr PopUpOverlayPresenter::blurredSnapshot(const uikit::View& host) {
  if (!uikit::GraphicsImageContext::begin(host.frame().size)) return nullptr;
  uikit::GraphicsImageContext::renderLayer(host.layer());
  auto snapshot = uikit::GraphicsImageContext::imageFromCurrent();
  uikit::GraphicsImageContext::end();
  return snapshot ? ImageEffects::blurred(snapshot, kBlurRadius) : nullptr;
}

void PopUpOverlayPresenter::presentPopUpOverlay(const std::shared_ptr<uikit::ViewController>& controller,
                                                const uikit::ViewPtr& view, bool shouldOutSideClick, bool blur,
                                                PopUpPresentType type, std::function<void()> completion) {
  if (!view) return;
  auto overlay = popUpOverlay(controller);
  if (!overlay) return;
  auto navigation = controller->navigationController();
  auto host = navigation ? navigation->view() : controller->view();
  if (!host) return;
  // The snapshot is taken before the overlay covers the host.
  uikit::ImagePtr image = blur ? blurredSnapshot(*host) : nullptr;
  host->addSubview(overlay);
  if (blur) {
    if (auto imageView = overlay->imgVBlur.lock()) imageView->setImage(image);
  }
  overlay->shouldOutSideClick = shouldOutSideClick;
  overlay->type = type;
  overlay->addSubview(view);
  overlay->present(view, std::move(completion));
}
