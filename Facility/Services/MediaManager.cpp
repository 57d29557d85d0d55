#include "Facility/Services/MediaManager.h"

std::shared_ptr<uikit::ImagePickerController> MediaManager::imagePickerController() {
  if (!picker_) {
    picker_ = std::make_shared<uikit::ImagePickerController>();
    picker_->setDelegate(shared_from_this());
  }
  return picker_;
}

void MediaManager::imagePickerControllerDidFinishPickingMediaWithInfo(uikit::ImagePickerController& picker,
                                                                      const uikit::ImagePickerInfo& info) {
  std::weak_ptr<MediaManager> weak = weak_from_this();
  picker.dismiss(true, [weak, info] {
    auto self = weak.lock();
    if (!self || !self->commpletion) return;
    const char* key = self->imagePickerController()->allowsEditing ? uikit::kImagePickerControllerEditedImage
                                                                   : uikit::kImagePickerControllerOriginalImage;
    uikit::ImagePtr image;
    auto it = info.find(key);
    if (it != info.end()) {
      if (const auto* p = std::any_cast<uikit::ImagePtr>(&it->second)) image = *p;
    }
    self->commpletion(image, info);
  });
}

void MediaManager::imagePickerControllerDidCancel(uikit::ImagePickerController& picker) {
  std::weak_ptr<MediaManager> weak = weak_from_this();
  picker.dismiss(true, [weak] {
    auto self = weak.lock();
    if (self && self->commpletion) self->commpletion(nullptr, std::nullopt);
  });
}
