#include "Platform/UIKit/ImagePickerController.h"

namespace uikit {

namespace {
bool& cameraAvailable() {
  static bool available = false;
  return available;
}
}  // namespace

bool ImagePickerController::isSourceTypeAvailable(ImagePickerSourceType type) {
  return type != ImagePickerSourceType::kCamera || cameraAvailable();
}

void ImagePickerController::setCameraAvailable(bool available) { cameraAvailable() = available; }

bool ImagePickerController::userPick(const ImagePickerInfo& info) {
  auto d = delegate();
  if (!d) return false;
  auto keep = sharedAs<ImagePickerController>();
  d->imagePickerControllerDidFinishPickingMediaWithInfo(*this, info);
  return true;
}

bool ImagePickerController::userCancel() {
  auto d = delegate();
  if (!d) return false;
  auto keep = sharedAs<ImagePickerController>();
  d->imagePickerControllerDidCancel(*this);
  return true;
}

}  // namespace uikit
