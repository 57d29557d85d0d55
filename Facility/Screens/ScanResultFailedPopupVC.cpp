#include "Facility/Screens/ScanResultFailedPopupVC.h"

#include "Facility/Widgets/HexColor.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Font.h"
#include "Platform/UIKit/Storyboard.h"

namespace {

void rounded(const std::shared_ptr<uikit::View>& view) {
  view->layer().cornerRadius = 4;
  view->setClipsToBounds(true);
}

}  // namespace

void ScanResultFailedPopupVC::viewDidLoad() {
  uikit::ViewController::viewDidLoad();
  view()->setBackgroundColor(uikit::Color::black().withAlphaComponent(0.5));
  // The presenter's text arrives after the outlets are connected.
  if (auto label = lblFailedMessage.lock()) label->setText(faildMessage);
}

void ScanResultFailedPopupVC::actionClosePopup() { dismiss(true); }

void ScanResultFailedPopupVC::dismissThen(std::function<void()> report) {
  // A presenter that presents again from the report needs this popup gone.
  dismiss(true, [report = std::move(report)] {
    if (report) report();
  });
}

void ScanResultFailedPopupVC::scanAgainTapped() { dismissThen(actionScanAgain); }

void ScanResultFailedPopupVC::addManuallyTapped() { dismissThen(actionAddManually); }

void ScanResultFailedPopupVC::registerScene() {
  uikit::Storyboard::registerScene(kStoryboard, "ScanResultFailedPopupVC", [] {
    uikit::StoryboardSceneContents contents;
    auto c = std::make_shared<ScanResultFailedPopupVC>();
    const uikit::Rect screen = uikit::Device::screenBounds();
    auto view = uikit::View::make(screen);
    auto popup = uikit::View::make(uikit::Rect(20, 200, screen.size.width - 40, 220));
    popup->setBackgroundColor(uikit::Color::white());
    auto close = uikit::View::make(uikit::Rect(screen.size.width - 70, 180, 40, 40));
    auto closeButton = uikit::Button::withType(uikit::ButtonType::kClose);
    closeButton->setFrame(uikit::Rect(0, 0, 40, 40));
    close->addSubview(closeButton);
    const double w = popup->frame().size.width;
    auto title = uikit::View::make<uikit::Label>(uikit::Rect(10, 10, w - 20, 24));
    auto message = uikit::View::make<uikit::Label>(uikit::Rect(10, 50, w - 20, 80));
    auto again = uikit::Button::withType(uikit::ButtonType::kCustom);
    again->setFrame(uikit::Rect(10, 150, w / 2 - 15, 44));
    auto manual = uikit::Button::withType(uikit::ButtonType::kCustom);
    manual->setFrame(uikit::Rect(w / 2 + 5, 150, w / 2 - 15, 44));
    for (const auto& v : std::initializer_list<uikit::ViewPtr>{title, message, again, manual}) popup->addSubview(v);
    view->addSubview(popup);
    view->addSubview(close);

    std::weak_ptr<ScanResultFailedPopupVC> weak = c;
    closeButton->addTarget(c, [weak](uikit::Control&) { if (auto s = weak.lock()) s->actionClosePopup(); },
                           uikit::kControlEventTouchUpInside);
    again->addTarget(c, [weak](uikit::Control&) { if (auto s = weak.lock()) s->scanAgainTapped(); },
                     uikit::kControlEventTouchUpInside);
    manual->addTarget(c, [weak](uikit::Control&) { if (auto s = weak.lock()) s->addManuallyTapped(); },
                      uikit::kControlEventTouchUpInside);
    auto styleButton = [](const std::shared_ptr<uikit::Button>& button, const char* text) {
      rounded(button);
      button->setTitle(text);
      button->titleLabel()->setFont(uikit::Font::namedOrSystem("Gotham-Medium", 14));
    };
    contents.controller = c;
    contents.view = view;
    contents.outlets = {
        {"lblTitle",
         [weak, title] {
           auto s = weak.lock();
           if (!s) return;
           s->lblTitle = title;
           title->setText("Scan Result");
           title->setFont(uikit::Font::namedOrSystem("Gotham-Medium", 16));
           title->textAlignment = uikit::TextAlignment::kLeft;
           title->setTextColor(HexColor::colorWithHexString("#707070"));
         }},
        {"lblFailedMessage",
         [weak, message] {
           auto s = weak.lock();
           if (!s) return;
           s->lblFailedMessage = message;
           message->setFont(uikit::Font::namedOrSystem("Gotham-Medium", 15));
           message->textAlignment = uikit::TextAlignment::kCenter;
           message->setTextColor(uikit::Color::systemRed());
           message->setNumberOfLines(0);
         }},
        {"popupView", [weak, popup] { if (auto s = weak.lock()) { s->popupView = popup; rounded(popup); } }},
        {"closeButtonView", [weak, close] { if (auto s = weak.lock()) { s->closeButtonView = close; rounded(close); } }},
        {"btnScanAgain",
         [weak, again, styleButton] { if (auto s = weak.lock()) { s->btnScanAgain = again; styleButton(again, "Sacn Again"); } }},
        {"btnAddManually",
         [weak, manual, styleButton] {
           if (auto s = weak.lock()) { s->btnAddManually = manual; styleButton(manual, "Add Manually"); }
         }},
    };
    return contents;
  });
}
