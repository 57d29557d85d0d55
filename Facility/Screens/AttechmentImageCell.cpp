#include "Facility/Screens/AttechmentImageCell.h"

#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/TapActions.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/Nib.h"

AttechmentImageCell::~AttechmentImageCell() { cancelImageRequest(); }

void AttechmentImageCell::actionCloseButton() {
  // A copy: the closure may hand this cell another one.
  if (const auto action = closeButtonTapped) action();
}

void AttechmentImageCell::cancelImageRequest() {
  if (requestId_ == photos::kInvalidImageRequestID) return;
  if (auto manager = manager_.lock()) manager->cancelImageRequest(requestId_);
  requestId_ = photos::kInvalidImageRequestID;
}

void AttechmentImageCell::showAsset(const photos::AssetPtr& asset) {
  cancelImageRequest();
  if (!asset) return;
  auto manager = photos::ImageManager::defaultManager();
  manager_ = manager;
  std::weak_ptr<AttechmentImageCell> weak = sharedAs<AttechmentImageCell>();
  const uikit::Size full{static_cast<double>(asset->pixelWidth()), static_cast<double>(asset->pixelHeight())};
  requestId_ = manager->requestImage(asset, full, photos::ImageContentMode::kAspectFill, nullptr,
                                     [weak](uikit::ImagePtr image, const photos::ImageResultInfo&) {
                                       auto self = weak.lock();
                                       if (!self || !image) return;
                                       if (auto view = self->imgAttechment.lock()) view->setImage(image);
                                     });
}

void AttechmentImageCell::awakeFromNib() {
  uikit::CollectionViewCell::awakeFromNib();
  std::weak_ptr<AttechmentImageCell> weak = sharedAs<AttechmentImageCell>();
  platform::RunLoop::main().async([weak] {
    auto self = weak.lock();
    auto container = self ? self->imgContainerView.lock() : nullptr;
    if (!container) return;
    container->layer().borderColor = AppColor::darkGray();
    container->layer().borderWidth = kBorderWidth;
    container->layer().cornerRadius = container->bounds().height() / 2;
    container->setClipsToBounds(true);
  });
}

void AttechmentImageCell::registerNib() {
  uikit::Image::registerNamed(kCloseImage, uikit::Image::filled({14, 14}, AppColor::darkGray()));
  if (uikit::Nib::isRegistered(kNibName)) return;
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    auto cell = std::make_shared<AttechmentImageCell>(uikit::Rect(0, 0, 50, 50));
    auto container = std::make_shared<uikit::View>(uikit::Rect(0, 4, 46, 46));
    auto image = std::make_shared<uikit::ImageView>(uikit::Rect(0, 0, 46, 46));
    image->setContentMode(uikit::ContentMode::kScaleAspectFill);
    auto close = uikit::Button::withType(uikit::ButtonType::kCustom);
    close->setFrame(uikit::Rect(36, 0, 14, 14));
    close->setImage(uikit::Image::named(kCloseImage));
    close->setAccessibilityIdentifier("btnCloseAttachment");
    container->addSubview(image);
    cell->contentView()->addSubview(container);
    cell->contentView()->addSubview(close);
    std::weak_ptr<AttechmentImageCell> weak = cell;
    TapActions::addAction(close, [weak](uikit::Button&) {
      if (auto c = weak.lock()) c->actionCloseButton();
    });
    uikit::NibContents contents;
    contents.topLevelObjects.push_back(cell);
    contents.outlets = {
        {"imgAttechment", [weak, image] { if (auto c = weak.lock()) c->imgAttechment = image; }},
        {"imgContainerView", [weak, container] { if (auto c = weak.lock()) c->imgContainerView = container; }},
    };
    return contents;
  });
}
