// The system photo picker. What the person picks is supplied by the test or
// script through userPick / userCancel; the delegate hears it.
#pragma once

#include <any>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Platform/UIKit/NavigationController.h"

namespace uikit {

class ImagePickerController;

inline constexpr const char* kImagePickerControllerOriginalImage = "UIImagePickerControllerOriginalImage";
inline constexpr const char* kImagePickerControllerEditedImage = "UIImagePickerControllerEditedImage";
inline constexpr const char* kImagePickerControllerMediaType = "UIImagePickerControllerMediaType";
inline constexpr const char* kImagePickerControllerImageURL = "UIImagePickerControllerImageURL";

using ImagePickerInfo = std::map<std::string, std::any>;

class ImagePickerControllerDelegate {
 public:
  virtual ~ImagePickerControllerDelegate() = default;
  virtual void imagePickerControllerDidFinishPickingMediaWithInfo(ImagePickerController& picker,
                                                                  const ImagePickerInfo& info) = 0;
  virtual void imagePickerControllerDidCancel(ImagePickerController& picker) = 0;
};

enum class ImagePickerSourceType { kPhotoLibrary, kCamera, kSavedPhotosAlbum };

class ImagePickerController : public NavigationController {
 public:
  ImagePickerController() = default;

  void setDelegate(const std::shared_ptr<ImagePickerControllerDelegate>& d) { pickerDelegate_ = d; }
  std::shared_ptr<ImagePickerControllerDelegate> delegate() const { return pickerDelegate_.lock(); }
  ImagePickerSourceType sourceType = ImagePickerSourceType::kPhotoLibrary;
  std::vector<std::string> mediaTypes{"public.image"};
  bool allowsEditing = false;
  // Source availability; the camera is off unless a test turns it on.
  static bool isSourceTypeAvailable(ImagePickerSourceType type);
  static void setCameraAvailable(bool available);

  // The person picks (info as given) or cancels. Returns whether a delegate heard it.
  bool userPick(const ImagePickerInfo& info);
  bool userCancel();

 private:
  std::weak_ptr<ImagePickerControllerDelegate> pickerDelegate_;
};

}  // namespace uikit
