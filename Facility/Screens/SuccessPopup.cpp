#include "Facility/Screens/SuccessPopup.h"

#include "Facility/Widgets/NibLoader.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Nib.h"

namespace {

struct SharedPopup {
  bool loaded = false;
  std::shared_ptr<SuccessPopup> popup;
};

SharedPopup& storage() {
  static SharedPopup instance;
  return instance;
}

}  // namespace

std::shared_ptr<SuccessPopup> SuccessPopup::shared() {
  auto& s = storage();
  if (!s.loaded) {
    s.loaded = true;
    s.popup = std::dynamic_pointer_cast<SuccessPopup>(NibLoader::loadFromNib(kNibName));
  }
  return s.popup;
}

void SuccessPopup::resetShared() { storage() = {}; }

void SuccessPopup::awakeFromNib() {
  uikit::View::awakeFromNib();
  if (auto inner = vwInner.lock()) {
    inner->layer().cornerRadius = 5;
    inner->setClipsToBounds(true);
  }
  auto f = frame();
  f.size = uikit::Device::screenBounds().size;
  setFrame(f);
}

void SuccessPopup::registerNib() {
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    auto popup = uikit::View::make<SuccessPopup>(uikit::Rect(0, 0, 320, 480));
    popup->setBackgroundColor(uikit::Color::black().withAlphaComponent(0.4));
    auto inner = uikit::View::make(uikit::Rect(40, 180, 240, 120));
    inner->setBackgroundColor(uikit::Color::white());
    auto label = uikit::View::make<uikit::Label>(uikit::Rect(20, 40, 200, 40));
    label->textAlignment = uikit::TextAlignment::kCenter;
    inner->addSubview(label);
    popup->addSubview(inner);
    std::weak_ptr<SuccessPopup> weak = popup;
    uikit::NibContents nib;
    nib.topLevelObjects.push_back(popup);
    nib.outlets = {
        {"vwInner", [weak, inner] { if (auto p = weak.lock()) p->vwInner = inner; }},
        {"lbSuccess",
         [weak, label] {
           auto p = weak.lock();
           if (!p) return;
           p->lbSuccess = label;
           label->layer().cornerRadius = 10;
           label->setClipsToBounds(true);
         }},
    };
    return nib;
  });
}
