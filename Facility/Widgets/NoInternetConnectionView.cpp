#include "Facility/Widgets/NoInternetConnectionView.h"

#include "Facility/Widgets/NibLoader.h"
#include "Platform/UIKit/Nib.h"

void NoInternetConnectionView::registerNib() {
  if (uikit::Nib::isRegistered(kNibName)) return;
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    auto view = std::make_shared<NoInternetConnectionView>();
    auto noInternet = std::make_shared<uikit::Label>();
    noInternet->setText("No Internet");
    auto noConnection = std::make_shared<uikit::Label>();
    noConnection->setText("No internet connection available, Please connect to internet to proceed");
    auto tryAgain = std::make_shared<uikit::Button>();
    tryAgain->setTitle("Try Again");
    view->addSubview(noInternet);
    view->addSubview(noConnection);
    view->addSubview(tryAgain);
    uikit::NibContents contents;
    contents.topLevelObjects.push_back(view);
    std::weak_ptr<NoInternetConnectionView> weak = view;
    tryAgain->addTarget(view, [weak](uikit::Control& sender) {
      auto v = weak.lock();
      auto* button = dynamic_cast<uikit::Button*>(&sender);
      if (v && button) v->btnTryAgainClicked(*button);
    }, uikit::kControlEventTouchUpInside);
    contents.outlets = {
        {"lblNoInternet", [weak, noInternet] { if (auto v = weak.lock()) v->lblNoInternet = noInternet; }},
        {"lblNoConnection", [weak, noConnection] { if (auto v = weak.lock()) v->lblNoConnection = noConnection; }},
        {"btnTryAgain", [weak, tryAgain] { if (auto v = weak.lock()) v->btnTryAgain = tryAgain; }},
    };
    return contents;
  });
}

void NoInternetConnectionView::btnTryAgainClicked(uikit::Button&) {}

std::shared_ptr<NoInternetConnectionView> NoInternetConnectionView::loadFromNib() {
  registerNib();
  return std::dynamic_pointer_cast<NoInternetConnectionView>(NibLoader::loadFromNib(kNibName));
}
