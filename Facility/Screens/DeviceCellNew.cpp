#include "Facility/Screens/DeviceCellNew.h"

#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/ViewStyle.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/Nib.h"

void DeviceCellNew::awakeFromNib() {
  uikit::CollectionViewCell::awakeFromNib();
  setBackgroundColor(AppColor::clear());
  contentView()->setBackgroundColor(AppColor::clear());
}

void DeviceCellNew::layoutSubviews() {
  uikit::CollectionViewCell::layoutSubviews();
  if (auto round = vwRound.lock()) {
    round->layoutIfNeeded();
    ViewStyle::setCornerRadius(*round, round->frame().width() / 2);
  }
}

void DeviceCellNew::registerNib() {
  uikit::Image::registerNamed(kDoorImage, uikit::Image::filled({40, 40}, AppColor::darkBlue()));
  if (uikit::Nib::isRegistered(kNibName)) return;
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    auto cell = std::make_shared<DeviceCellNew>(uikit::Rect(0, 0, 300, 160));
    auto inner = std::make_shared<uikit::View>(uikit::Rect(0, 0, 300, 160));
    auto round = std::make_shared<uikit::View>(uikit::Rect(115, 10, 70, 70));
    auto door = std::make_shared<uikit::ImageView>(uikit::Rect(15, 15, 40, 40));
    door->setImage(uikit::Image::named(kDoorImage));
    auto name = std::make_shared<uikit::Label>(uikit::Rect(10, 100, 280, 30));
    name->setAccessibilityIdentifier("lbDeviceName");
    round->addSubview(door);
    inner->addSubview(round);
    inner->addSubview(name);
    cell->contentView()->addSubview(inner);
    std::weak_ptr<DeviceCellNew> weak = cell;
    uikit::NibContents contents;
    contents.topLevelObjects.push_back(cell);
    contents.outlets = {
        {"vwInner", [weak, inner] { if (auto c = weak.lock()) c->vwInner = inner; }},
        {"vwRound", [weak, round] { if (auto c = weak.lock()) c->vwRound = round; }},
        {"lbDeviceName", [weak, name] { if (auto c = weak.lock()) c->lbDeviceName = name; }},
        {"imgVwDoor", [weak, door] { if (auto c = weak.lock()) c->imgVwDoor = door; }},
    };
    return contents;
  });
}
