#include "Facility/Screens/SendNotificationSuccessPopupVC.h"

#include "Facility/Widgets/HexColor.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Font.h"
#include "Platform/UIKit/Storyboard.h"

void SendNotificationSuccessPopupVC::viewDidLoad() {
  uikit::ViewController::viewDidLoad();
  view()->setBackgroundColor(uikit::Color::black().withAlphaComponent(0.5));
  // The presenter's text arrives after the outlets are connected.
  if (auto label = lblShowMessage.lock()) label->setText(successMessage);
  // Holds the popup until it has closed itself.
  auto self = sharedAs<SendNotificationSuccessPopupVC>();
  platform::RunLoop::main().asyncAfter(kDisplayTime, [self] {
    auto report = self->messageDisplayed;
    // The presenter acts (pops its stack) only once this popup is gone.
    self->dismiss(true, [report] {
      if (report) report();
    });
  });
}

void SendNotificationSuccessPopupVC::registerScene() {
  uikit::Storyboard::registerScene(kStoryboard, "SendNotificationSuccessPopupVC", [] {
    uikit::StoryboardSceneContents contents;
    auto c = std::make_shared<SendNotificationSuccessPopupVC>();
    const uikit::Rect screen = uikit::Device::screenBounds();
    auto view = uikit::View::make(screen);
    auto box = uikit::View::make(uikit::Rect(20, screen.size.height / 2 - 75, screen.size.width - 40, 150));
    box->setBackgroundColor(uikit::Color::white());
    auto label = uikit::View::make<uikit::Label>(uikit::Rect(10, 10, box->frame().size.width - 20, 130));
    box->addSubview(label);
    view->addSubview(box);
    std::weak_ptr<SendNotificationSuccessPopupVC> weak = c;
    contents.controller = c;
    contents.view = view;
    contents.outlets = {{"lblShowMessage", [weak, label] {
                           auto s = weak.lock();
                           if (!s) return;
                           s->lblShowMessage = label;
                           label->setFont(uikit::Font::namedOrSystem("Gotham-Medium", 20));
                           label->textAlignment = uikit::TextAlignment::kCenter;
                           label->setTextColor(HexColor::colorWithHexString("#5DC241"));
                           label->setNumberOfLines(0);
                         }}};
    return contents;
  });
}
