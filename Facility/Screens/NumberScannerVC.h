// Looks up the owner of a vehicle by its number. In camera mode a photo's
// recognised text fills the number field; in edit mode (a number given by
// the presenter) the field starts with it. "Send" asks the web service and
// shows the owner or the not-found popup.
#pragma once

#include <memory>
#include <string>

#include "Facility/Models/VehicleDetailsModel.h"
#include "Facility/Network/ResponseCompletion.h"
#include "Facility/Services/VMFacilityDashboard.h"
#include "Platform/AVFoundation/CapturePhotoCaptureDelegate.h"
#include "Platform/AVFoundation/CapturePhotoOutput.h"
#include "Platform/AVFoundation/CaptureSession.h"
#include "Platform/AVFoundation/CaptureVideoPreviewLayer.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/TextField.h"
#include "Platform/UIKit/ViewController.h"

class NumberScannerVC : public uikit::ViewController, public avfoundation::CapturePhotoCaptureDelegate {
 public:
  static constexpr const char* kStoryboard = "FacilityAdmin";
  static constexpr const char* kEditHint =
      "If you find the scan results to be incorrect, you can either rescan or edit the text field. Once you're "
      "done, please press the 'Send' button to retrieve the vehicle details.";

  bool hasShownAlert = false;
  // Set by the presenter; not empty selects edit mode.
  std::string vehicleNumber;
  std::shared_ptr<VMFacilityDashboard> vmFacilityDashboard = std::make_shared<VMFacilityDashboard>();

  std::weak_ptr<uikit::View> scannerView;
  std::weak_ptr<uikit::Button> btnCamera;
  std::weak_ptr<uikit::TextField> txtNumberPlate;
  std::weak_ptr<uikit::View> firstView, secondView, thirdView;
  std::weak_ptr<uikit::Label> lblShowNPText, lblScannedNumber, lblInstructionText;

  std::shared_ptr<avfoundation::CaptureSession> captureSession;
  std::shared_ptr<avfoundation::CapturePhotoOutput> stillImageOutput;
  std::shared_ptr<avfoundation::CaptureVideoPreviewLayer> previewLayer;

  void viewDidLoad() override;
  void viewDidLayoutSubviews() override;

  void captureImage();
  void didChange();
  void sendButtonTapped();
  void showNotificationSent(const std::string& message);

  void captureOutputDidFinishProcessingPhoto(avfoundation::CapturePhotoOutput& output,
                                             const avfoundation::CapturePhoto& photo,
                                             const platform::Status& error) override;

  // The preview's scale: the larger of the two side ratios, 1 when the
  // preview has no size.
  static double previewScale(uikit::Size scanner, uikit::Size preferred);

  static void registerScene();

 private:
  void setUpCamera();
  void startPreview();
  void recognizeText(const uikit::Image& image);
  void showRecognizedText(const std::string& text);
  void addSendButton();
  void shakeSendButton();
  static void handleLookupReply(const std::weak_ptr<NumberScannerVC>& screen,
                                const DataResponse<VehicleDetailsModel>& response);
};
