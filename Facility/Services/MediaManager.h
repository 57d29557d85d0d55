// Delegate of the photo picker: dismisses it and hands the picked image (the
// edited one when editing is on) and the picker's info to one callback.
#pragma once

#include <functional>
#include <memory>

#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/ImagePickerController.h"

class MediaManager : public uikit::ImagePickerControllerDelegate, public std::enable_shared_from_this<MediaManager> {
 public:
  using Completion = std::function<void(uikit::ImagePtr, std::optional<uikit::ImagePickerInfo>)>;

  static std::shared_ptr<MediaManager> make() { return std::shared_ptr<MediaManager>(new MediaManager()); }

  // Made on first use with this manager as its delegate, then kept.
  std::shared_ptr<uikit::ImagePickerController> imagePickerController();
  Completion commpletion;

  void imagePickerControllerDidFinishPickingMediaWithInfo(uikit::ImagePickerController& picker,
                                                          const uikit::ImagePickerInfo& info) override;
  void imagePickerControllerDidCancel(uikit::ImagePickerController& picker) override;

 private:
  MediaManager() = default;
  std::shared_ptr<uikit::ImagePickerController> picker_;
};
