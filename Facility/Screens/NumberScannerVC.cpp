#include "Facility/Screens/NumberScannerVC.h"

#include <algorithm>

#include "Facility/Screens/VehicleLookupPopup.h"
#include "Facility/Widgets/AlertPresenter.h"
#include "Facility/Widgets/AppLoader.h"
#include "Facility/Widgets/HexColor.h"
#include "Platform/AVFoundation/CaptureDevice.h"
#include "Platform/AVFoundation/CaptureDeviceInput.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/Log.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Font.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/Storyboard.h"
#include "Platform/Vision/VNImageRequestHandler.h"
#include "Platform/Vision/VNRecognizeTextRequest.h"

namespace {

// The session starts off the main thread, as starting a camera blocks.
const std::shared_ptr<platform::DispatchQueue>& sessionStartQueue() {
  static const auto queue = platform::DispatchQueue::create("com.facility.numberscanner.session");
  return queue;
}

void roundByHalfHeight(const std::shared_ptr<uikit::View>& view) {
  view->layer().cornerRadius = view->frame().size.height / 2;
  view->setClipsToBounds(true);
}

}  // namespace

double NumberScannerVC::previewScale(uikit::Size scanner, uikit::Size preferred) {
  // A preview without a size would give an infinite or undefined scale.
  if (!(preferred.width > 0) || !(preferred.height > 0)) return 1;
  return std::max(scanner.width / preferred.width, scanner.height / preferred.height);
}

void NumberScannerVC::viewDidLoad() {
  uikit::ViewController::viewDidLoad();
  auto field = txtNumberPlate.lock();
  auto scanned = lblScannedNumber.lock();
  const bool editMode = !vehicleNumber.empty();
  for (const auto& part : {firstView.lock(), secondView.lock(), thirdView.lock()}) {
    if (part) part->setHidden(editMode);
  }
  if (auto camera = btnCamera.lock()) camera->setHidden(editMode);
  if (scanned) scanned->setHidden(!editMode);
  if (editMode) {
    if (scanned) scanned->setText(vehicleNumber);
    if (field) {
      field->becomeFirstResponder();
      field->setText(vehicleNumber);
    }
    addSendButton();
    return;
  }
  setUpCamera();
  // Without a photo output the camera button has nothing to take photos with.
  if (auto camera = btnCamera.lock()) camera->setEnabled(stillImageOutput != nullptr);
}

void NumberScannerVC::viewDidLayoutSubviews() {
  uikit::ViewController::viewDidLayoutSubviews();
  if (auto scanner = scannerView.lock()) {
    scanner->layer().cornerRadius = 8;
    scanner->setClipsToBounds(true);
  }
}

void NumberScannerVC::setUpCamera() {
  auto session = avfoundation::CaptureSession::create();
  session->setSessionPreset(avfoundation::kCaptureSessionPresetPhoto);
  captureSession = session;
  auto camera = avfoundation::CaptureDevice::defaultDevice(avfoundation::CaptureDeviceType::kBuiltInWideAngleCamera,
                                                           avfoundation::MediaType::kVideo,
                                                           avfoundation::CaptureDevicePosition::kBack);
  if (!camera) {
    platform::LogInfo("No camera found.");
    return;
  }
  auto input = avfoundation::CaptureDeviceInput::deviceInputWithDevice(camera);
  if (!input.ok()) {
    platform::LogInfo("Error: " + input.status().message());
    return;
  }
  auto output = std::make_shared<avfoundation::CapturePhotoOutput>();
  if (!session->canAddInput(*input) || !session->canAddOutput(output)) return;
  session->addInput(*input);
  session->addOutput(output);
  stillImageOutput = output;
  startPreview();
}

void NumberScannerVC::startPreview() {
  auto scanner = scannerView.lock();
  if (!scanner) return;
  previewLayer = std::make_shared<avfoundation::CaptureVideoPreviewLayer>(captureSession);
  previewLayer->videoGravity = avfoundation::kLayerVideoGravityResizeAspectFill;
  previewLayer->videoOrientation = avfoundation::CaptureVideoOrientation::kPortrait;
  scanner->layer().addSublayer(previewLayer);
  previewLayer->setFrame(scanner->bounds());
  const double s = previewScale(scanner->bounds().size, previewLayer->preferredFrameSize());
  scanner->setTransform(uikit::AffineTransform::scale(s, s));
  auto session = captureSession;
  sessionStartQueue()->async([session] { session->startRunning(); });
}

void NumberScannerVC::captureImage() {
  if (!stillImageOutput) return;
  auto settings = avfoundation::CapturePhotoSettings::photoSettingsWithFormat(
      {{avfoundation::kVideoCodecKey, avfoundation::kVideoCodecTypeJPEG}});
  stillImageOutput->capturePhotoWithSettings(settings, sharedAs<NumberScannerVC>());
}

void NumberScannerVC::captureOutputDidFinishProcessingPhoto(avfoundation::CapturePhotoOutput&,
                                                            const avfoundation::CapturePhoto& photo,
                                                            const platform::Status&) {
  const auto& data = photo.fileDataRepresentation();
  if (!data) return;
  auto image = uikit::Image::decoded(*data);
  if (!image || image->bitmap().empty()) return;
  recognizeText(*image);
}

void NumberScannerVC::recognizeText(const uikit::Image& image) {
  std::weak_ptr<NumberScannerVC> weakSelf = sharedAs<NumberScannerVC>();
  auto request = std::make_shared<vision::VNRecognizeTextRequest>(
      [weakSelf](vision::VNRecognizeTextRequest& done, const platform::Status& error) {
        if (!error.ok()) {
          platform::LogInfo("Error: " + error.message());
          return;
        }
        for (const auto& observation : done.results()) {
          auto top = observation.topCandidates(1);
          if (top.empty()) continue;
          if (auto self = weakSelf.lock()) self->showRecognizedText(top.front().string);
          return;
        }
      });
  request->recognitionLevel = vision::RequestTextRecognitionLevel::kAccurate;
  vision::VNImageRequestHandler handler(platform::Bitmap{image.pixelWidth(), image.pixelHeight(), image.bitmap()});
  platform::Status performed = handler.perform({request});
  if (!performed.ok()) platform::LogInfo("Error: " + performed.message());
}

void NumberScannerVC::showRecognizedText(const std::string& text) {
  platform::LogInfo(text);
  if (auto field = txtNumberPlate.lock()) field->setText(text);
  addSendButton();
  if (hasShownAlert) return;
  hasShownAlert = true;
  std::weak_ptr<NumberScannerVC> weakSelf = sharedAs<NumberScannerVC>();
  AlertPresenter::showAlert(*this, std::string("Alert"), std::string(kEditHint), uikit::AlertControllerStyle::kAlert,
                            {AAction::Custom("OK")}, [weakSelf](const AAction&) {
                              if (auto self = weakSelf.lock()) self->shakeSendButton();
                            });
}

void NumberScannerVC::addSendButton() {
  auto field = txtNumberPlate.lock();
  if (!field) return;
  const double h = field->frame().size.height;
  auto button = uikit::Button::withType(uikit::ButtonType::kCustom);
  button->setFrame(uikit::Rect(0, 0, 50, h));
  button->setTitle("Send");
  button->setTitleColor(uikit::Color::black());
  button->titleLabel()->setFont(uikit::Font::namedOrSystem("Gotham-Medium", 15));
  std::weak_ptr<NumberScannerVC> weakSelf = sharedAs<NumberScannerVC>();
  button->addTarget(shared_from_this(),
                    [weakSelf](uikit::Control&) {
                      if (auto self = weakSelf.lock()) self->sendButtonTapped();
                    },
                    uikit::kControlEventTouchUpInside);
  auto container = uikit::View::make(uikit::Rect(0, 0, 58, 30));
  button->setCenter(container->center());
  container->addSubview(button);
  field->setRightView(container);
  field->rightViewMode = uikit::TextFieldViewMode::kAlways;
}

void NumberScannerVC::shakeSendButton() {
  auto field = txtNumberPlate.lock();
  auto sendView = field ? field->rightView() : nullptr;
  if (!sendView) return;
  const uikit::Point centre = sendView->center();
  uikit::LayerAnimation shake;
  shake.keyPath = "position";
  shake.duration = 0.05;
  shake.repeatCount = 5;
  shake.autoreverses = true;
  shake.fromValue = uikit::Point{centre.x - 5, centre.y};
  shake.toValue = uikit::Point{centre.x + 5, centre.y};
  sendView->layer().addAnimation(shake, "position");
}

void NumberScannerVC::didChange() {
  auto field = txtNumberPlate.lock();
  if (!field) return;
  if (field->text().value_or("").empty()) {
    field->rightViewMode = uikit::TextFieldViewMode::kNever;
  } else {
    addSendButton();
  }
}

void NumberScannerVC::sendButtonTapped() {
  platform::LogInfo("Send button tapped!");
  auto field = txtNumberPlate.lock();
  const std::string number = field ? field->text().value_or("") : "";
  AppLoader::shared().show();
  std::weak_ptr<NumberScannerVC> weakSelf = sharedAs<NumberScannerVC>();
  vmFacilityDashboard->requestFindVehicleNumber(
      number, [weakSelf](DataResponse<VehicleDetailsModel> response) { handleLookupReply(weakSelf, response); });
}

void NumberScannerVC::handleLookupReply(const std::weak_ptr<NumberScannerVC>& screen,
                                        const DataResponse<VehicleDetailsModel>& response) {
  auto self = screen.lock();
  if (!response.value) {
    showResponseErrorAlert(self, std::nullopt, {AAction::Ok}, nullptr, response);
    return;
  }
  if (!self) return;
  VehicleLookupPopup::Actions actions;
  actions.showSuccessPopup = [screen](const std::string& message) {
    if (auto s = screen.lock()) s->showNotificationSent(message);
  };
  actions.scanAgain = [screen] {
    auto s = screen.lock();
    if (!s) return;
    // Emptied in code, which is no edit: the Send button stays.
    if (auto field = s->txtNumberPlate.lock()) field->setText(std::string());
  };
  if (auto popup = VehicleLookupPopup::forReply(*response.value, std::move(actions))) self->present(popup, true);
}

void NumberScannerVC::showNotificationSent(const std::string& message) {
  std::weak_ptr<NumberScannerVC> weakSelf = sharedAs<NumberScannerVC>();
  auto popup = VehicleLookupPopup::notificationSent(message, [weakSelf] {
    auto self = weakSelf.lock();
    if (!self) return;
    if (auto nav = self->navigationController()) nav->popToRootViewController(true);
  });
  if (popup) present(popup, true);
}

void NumberScannerVC::registerScene() {
  uikit::Storyboard::registerScene(kStoryboard, "NumberScannerVC", [] {
    uikit::StoryboardSceneContents contents;
    auto c = std::make_shared<NumberScannerVC>();
    const uikit::Rect screen = uikit::Device::screenBounds();
    const double w = screen.size.width;
    auto view = uikit::View::make(screen);
    view->setBackgroundColor(uikit::Color::white());
    auto showText = uikit::View::make<uikit::Label>(uikit::Rect(20, 100, w - 40, 24));
    auto scanned = uikit::View::make<uikit::Label>(uikit::Rect(20, 140, w - 40, 24));
    auto first = uikit::View::make(uikit::Rect(20, 140, w - 40, 40));
    auto second = uikit::View::make(uikit::Rect(20, 190, w - 40, 240));
    auto scanner = uikit::View::make(uikit::Rect(10, 10, w - 60, 220));
    second->addSubview(scanner);
    auto third = uikit::View::make(uikit::Rect(20, 440, w - 40, 40));
    auto instruction = uikit::View::make<uikit::Label>(uikit::Rect(20, 490, w - 40, 40));
    auto field = uikit::View::make<uikit::TextField>(uikit::Rect(20, 620, w - 40, 44));
    auto camera = uikit::Button::withType(uikit::ButtonType::kCustom);
    camera->setFrame(uikit::Rect(w / 2 - 30, 540, 60, 60));
    camera->setAccessibilityIdentifier("camera");
    field->setAccessibilityIdentifier("txtNumberPlate");
    for (const auto& v : std::initializer_list<uikit::ViewPtr>{showText, scanned, first, second, third, instruction,
                                                               camera, field}) {
      view->addSubview(v);
    }
    std::weak_ptr<NumberScannerVC> weak = c;
    camera->addTarget(c, [weak](uikit::Control&) { if (auto s = weak.lock()) s->captureImage(); },
                      uikit::kControlEventTouchUpInside);
    field->addTarget(c, [weak](uikit::Control&) { if (auto s = weak.lock()) s->didChange(); },
                     uikit::kControlEventEditingChanged);
    auto styleLabel = [](const std::shared_ptr<uikit::Label>& label, const char* font, double size,
                         const char* text) {
      label->setFont(uikit::Font::namedOrSystem(font, size));
      label->textAlignment = uikit::TextAlignment::kCenter;
      label->setTextColor(HexColor::colorWithHexString("#707070"));
      if (text) label->setText(std::string(text));
    };
    contents.controller = c;
    contents.view = view;
    contents.outlets = {
        {"scannerView",
         [weak, scanner] {
           if (auto s = weak.lock()) {
             s->scannerView = scanner;
             scanner->layer().cornerRadius = 8;
             scanner->setClipsToBounds(true);
           }
         }},
        {"btnCamera", [weak, camera] { if (auto s = weak.lock()) s->btnCamera = camera; }},
        {"txtNumberPlate",
         [weak, field] {
           if (auto s = weak.lock()) {
             s->txtNumberPlate = field;
             field->font = uikit::Font::namedOrSystem("Gotham-Medium", 18);
             field->setPlaceholder(std::string("Vehicle number"));
           }
         }},
        {"firstView", [weak, first] { if (auto s = weak.lock()) { s->firstView = first; roundByHalfHeight(first); } }},
        {"secondView", [weak, second] { if (auto s = weak.lock()) { s->secondView = second; roundByHalfHeight(second); } }},
        {"thirdView", [weak, third] { if (auto s = weak.lock()) { s->thirdView = third; roundByHalfHeight(third); } }},
        {"lblShowNPText",
         [weak, showText, styleLabel] {
           if (auto s = weak.lock()) {
             s->lblShowNPText = showText;
             styleLabel(showText, "Gotham-Medium", 20, "Show the number plate");
           }
         }},
        {"lblScannedNumber",
         [weak, scanned, styleLabel] {
           if (auto s = weak.lock()) {
             s->lblScannedNumber = scanned;
             styleLabel(scanned, "Gotham-Medium", 20, nullptr);
           }
         }},
        {"lblInstructionText",
         [weak, instruction, styleLabel] {
           if (auto s = weak.lock()) {
             s->lblInstructionText = instruction;
             styleLabel(instruction, "Gotham-Book", 15, "Take a photo of the number plate, then check the number.");
           }
         }},
    };
    return contents;
  });
}
