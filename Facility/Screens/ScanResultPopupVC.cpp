#include "Facility/Screens/ScanResultPopupVC.h"

#include "Facility/Network/APIManager.h"
#include "Facility/Widgets/AAction.h"
#include "Facility/Widgets/AppLoader.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "Facility/Widgets/HexColor.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Font.h"
#include "Platform/UIKit/Storyboard.h"

namespace {

void roundCorners(const std::shared_ptr<uikit::View>& view) {
  view->layer().cornerRadius = 4;
  view->setClipsToBounds(true);
}

void styleLabel(const std::shared_ptr<uikit::Label>& label, const char* font, double size, uikit::TextAlignment align,
                bool multiLine) {
  label->setFont(uikit::Font::namedOrSystem(font, size));
  label->textAlignment = align;
  label->setTextColor(HexColor::colorWithHexString("#707070"));
  if (multiLine) label->setNumberOfLines(0);
}

}  // namespace

void ScanResultPopupVC::viewDidLoad() {
  uikit::ViewController::viewDidLoad();
  if (auto box = txtvMessage.lock()) {
    const double size = box->font.pointSize();
    placeholderLabel = std::make_shared<uikit::Label>();
    placeholderLabel->setText(kPlaceholder);
    // The toolkit has no italic face; the plain system face stands in.
    placeholderLabel->setFont(uikit::Font::systemFont(size));
    placeholderLabel->setTextColor(uikit::Color::lightGray());
    placeholderLabel->sizeToFit();
    auto frame = placeholderLabel->frame();
    frame.origin = {5, size / 2};
    placeholderLabel->setFrame(frame);
    box->addSubview(placeholderLabel);
    placeholderLabel->setHidden(!box->text().empty());
  }
  view()->setBackgroundColor(uikit::Color::black().withAlphaComponent(0.3));
  const EmployeeDetailsModel owner = objEmp.value_or(EmployeeDetailsModel{});
  auto fill = [](const std::weak_ptr<uikit::Label>& label, const std::optional<std::string>& value) {
    if (auto l = label.lock()) l->setText(value.value_or(""));
  };
  fill(lblTenantNameValue, owner.tenantName);
  fill(lblAdminNameValue, owner.adminName);
  fill(lblEmailValue, owner.emailId);
  fill(lblMobileNoValue, owner.mobileNo);
}

void ScanResultPopupVC::textViewDidChange(uikit::TextView& view) {
  if (placeholderLabel) placeholderLabel->setHidden(!view.text().empty());
}

void ScanResultPopupVC::actionClosePopup() { dismiss(true); }

platform::Value::Dictionary ScanResultPopupVC::notificationBody() const {
  const EmployeeDetailsModel owner = objEmp.value_or(EmployeeDetailsModel{});
  auto box = txtvMessage.lock();
  auto text = [](const std::optional<std::string>& value) { return platform::Value(value.value_or("")); };
  return {
      {"TenantName", text(owner.tenantName)},
      {"EmpID", text(owner.empID)},
      {"EmpName", text(owner.empName)},
      {"PERSONTYPE", text(owner.personType)},
      {"EmailId", text(owner.emailId)},
      {"MobileNo", text(owner.mobileNo)},
      {"NotificationMessage", platform::Value(box ? box->text() : std::string())},
      {"VehicleNumber", platform::Value(vehicleNumber)},
  };
}

void ScanResultPopupVC::actionSendNotification() {
  AppLoader::shared().show();
  std::weak_ptr<ScanResultPopupVC> weakSelf = sharedAs<ScanResultPopupVC>();
  vmFacilityDashboard->requestSendNotification(notificationBody(), [weakSelf](DataResponse<GeneralResponseModel> response) {
    auto self = weakSelf.lock();
    if (!response.value) {
      showResponseErrorAlert(self, std::nullopt, {AAction::Ok}, nullptr, response);
      return;
    }
    if (!response.value->isSuccess.value_or(false)) {
      AppToastAlert::show(ToastPosition::bottom, response.value->message.value_or(""));
      return;
    }
    if (!self) return;
    // The presenter hears of the success only once this popup is gone: a
    // presentation during the dismissal would be refused.
    auto report = self->showSuccessPopup;
    const std::string message = response.value->message.value_or("");
    self->dismiss(true, [report, message] {
      if (report) report(message);
    });
  });
}

void ScanResultPopupVC::registerScene() {
  uikit::Storyboard::registerScene(kStoryboard, "ScanResultPopupVC", [] {
    uikit::StoryboardSceneContents contents;
    auto c = std::make_shared<ScanResultPopupVC>();
    const uikit::Rect screen = uikit::Device::screenBounds();
    auto view = uikit::View::make(screen);
    auto popup = uikit::View::make(uikit::Rect(20, 150, screen.size.width - 40, 420));
    auto close = uikit::View::make(uikit::Rect(screen.size.width - 70, 130, 40, 40));
    auto closeButton = uikit::Button::withType(uikit::ButtonType::kClose);
    closeButton->setFrame(uikit::Rect(0, 0, 40, 40));
    close->addSubview(closeButton);
    view->addSubview(popup);
    view->addSubview(close);
    auto title = uikit::View::make<uikit::Label>(uikit::Rect(10, 10, popup->frame().size.width - 20, 24));
    popup->addSubview(title);
    const char* captions[] = {"lblTenantNameText", "lblAdminNameText", "lblEmailText", "lblMobileNoText"};
    const char* values[] = {"lblTenantNameValue", "lblAdminNameValue", "lblEmailValue", "lblMobileNoValue"};
    std::shared_ptr<uikit::Label> captionLabels[4], valueLabels[4];
    for (int i = 0; i < 4; ++i) {
      captionLabels[i] = uikit::View::make<uikit::Label>(uikit::Rect(10, 50 + i * 40, 110, 30));
      valueLabels[i] = uikit::View::make<uikit::Label>(uikit::Rect(130, 50 + i * 40, popup->frame().size.width - 140, 30));
      popup->addSubview(captionLabels[i]);
      popup->addSubview(valueLabels[i]);
    }
    auto messageCaption = uikit::View::make<uikit::Label>(uikit::Rect(10, 215, 200, 20));
    messageCaption->setText("Message");
    auto message = std::make_shared<uikit::TextView>();
    message->setFrame(uikit::Rect(10, 240, popup->frame().size.width - 20, 100));
    auto send = uikit::Button::withType(uikit::ButtonType::kCustom);
    send->setFrame(uikit::Rect(10, 360, popup->frame().size.width - 20, 44));
    popup->addSubview(messageCaption);
    popup->addSubview(message);
    popup->addSubview(send);

    std::weak_ptr<ScanResultPopupVC> weak = c;
    closeButton->addTarget(c, [weak](uikit::Control&) { if (auto s = weak.lock()) s->actionClosePopup(); },
                           uikit::kControlEventTouchUpInside);
    send->addTarget(c, [weak](uikit::Control&) { if (auto s = weak.lock()) s->actionSendNotification(); },
                    uikit::kControlEventTouchUpInside);

    contents.controller = c;
    contents.view = view;
    contents.outlets = {
        {"popupView", [weak, popup] { if (auto s = weak.lock()) { s->popupView = popup; roundCorners(popup); } }},
        {"closeButtonView", [weak, close] { if (auto s = weak.lock()) { s->closeButtonView = close; roundCorners(close); } }},
        {"btnSendNotification",
         [weak, send] {
           auto s = weak.lock();
           if (!s) return;
           s->btnSendNotification = send;
           roundCorners(send);
           send->setTitle("Send Notification");
           send->titleLabel()->setFont(uikit::Font::namedOrSystem("Gotham-Medium", 15));
         }},
        {"txtvMessage",
         [weak, message] {
           auto s = weak.lock();
           if (!s) return;
           s->txtvMessage = message;
           message->layer().borderWidth = 0.7;
           message->layer().borderColor = uikit::Color::darkGray();
           roundCorners(message);
           message->font = uikit::Font::namedOrSystem("Gotham-Book", 12);
           message->setTextViewDelegate(s);
         }},
        {"lblTitle",
         [weak, title] {
           auto s = weak.lock();
           if (!s) return;
           s->lblTitle = title;
           title->setText("This vehicle belongs to");
           styleLabel(title, "Gotham-Medium", 15, uikit::TextAlignment::kCenter, false);
         }},
        {"lblMessageText",
         [weak, messageCaption] {
           auto s = weak.lock();
           if (!s) return;
           s->lblMessageText = messageCaption;
           styleLabel(messageCaption, "Gotham-Medium", 12, uikit::TextAlignment::kLeft, true);
         }},
    };
    const char* captionTexts[] = {"Tenant Name :", "Admin Name :", "Email Id :", "Mobile No. :"};
    std::weak_ptr<uikit::Label> ScanResultPopupVC::*captionFields[] = {
        &ScanResultPopupVC::lblTenantNameText, &ScanResultPopupVC::lblAdminNameText, &ScanResultPopupVC::lblEmailText,
        &ScanResultPopupVC::lblMobileNoText};
    std::weak_ptr<uikit::Label> ScanResultPopupVC::*valueFields[] = {
        &ScanResultPopupVC::lblTenantNameValue, &ScanResultPopupVC::lblAdminNameValue,
        &ScanResultPopupVC::lblEmailValue, &ScanResultPopupVC::lblMobileNoValue};
    for (int i = 0; i < 4; ++i) {
      auto caption = captionLabels[i];
      auto value = valueLabels[i];
      auto captionField = captionFields[i];
      auto valueField = valueFields[i];
      std::string captionText = captionTexts[i];
      contents.outlets.push_back({captions[i], [weak, caption, captionField, captionText] {
                                    auto s = weak.lock();
                                    if (!s) return;
                                    (*s).*captionField = caption;
                                    caption->setText(captionText);
                                    styleLabel(caption, "Gotham-Medium", 13, uikit::TextAlignment::kRight, true);
                                  }});
      contents.outlets.push_back({values[i], [weak, value, valueField] {
                                    auto s = weak.lock();
                                    if (!s) return;
                                    (*s).*valueField = value;
                                    styleLabel(value, "Gotham-Book", 13, uikit::TextAlignment::kLeft, true);
                                  }});
    }
    return contents;
  });
}
