// picker-demo's host screen: its "Pick photos" button presents the picker
// the way the complaint screens do, and every closure call becomes a line
// ("finish Trip/a.jpg, b.png").
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PhotoPicker/ImagePickerController.h"
#include "Platform/Photos/Asset.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/ViewController.h"
#include "tools/picker-demo/PickerDemoOptions.h"

class PickerHostViewController : public uikit::ViewController {
 public:
  static constexpr const char* kPickTitle = "Pick photos";

  using LineSink = std::function<void(const std::string&)>;
  PickerHostViewController(PickerDemoOptions options, LineSink print);

  // The one picker of the screen, configured from the options.
  const std::shared_ptr<photopicker::ImagePickerController>& picker() const { return picker_; }
  void pickPhotos();

  void viewDidLoad() override;

  // "a.jpg, Trip/b.png": the identifiers in order.
  static std::string identifiers(const std::vector<photos::AssetPtr>& assets);

 private:
  PickerDemoOptions options_;
  LineSink print_;
  std::shared_ptr<photopicker::ImagePickerController> picker_;
  std::shared_ptr<uikit::Button> pickButton_;
};
