#include "Facility/Screens/ComplainClosurePopupVC.h"

#include <string_view>

#include "Facility/Screens/AttechmentImageCell.h"
#include "Facility/Screens/ComplaintPhotoUpload.h"
#include "Facility/Services/ComplainWebServicesManager.h"
#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/AppLoader.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "Facility/Widgets/TapActions.h"
#include "Facility/Widgets/ViewStyle.h"
#include "Platform/CommonCrypto/Base64.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Photos/ImageManager.h"
#include "Platform/UIKit/AlertController.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Font.h"
#include "Platform/UIKit/Storyboard.h"

namespace {

using Weak = std::weak_ptr<ComplainClosurePopupVC>;

void showLoader() {
  auto& loader = AppLoader::shared();
  loader.removeLoaderViews();
  loader.type = AppLoader::AppLoaderType::activityIndicator;
  loader.presentIndicator();
}

std::vector<std::string> nonEmptyPieces(std::string_view text) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = text.find(',', start);
    const std::size_t end = comma == std::string_view::npos ? text.size() : comma;
    if (end > start) pieces.emplace_back(text.substr(start, end - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return pieces;
}

}  // namespace

platform::Value::Dictionary ComplainClosurePopupVC::closeComplainBody(const std::optional<MDLCloseComplainGet>& details,
                                                                      const std::string& complainId,
                                                                      const std::string& remark,
                                                                      const std::vector<std::string>& photoTexts) {
  const std::int64_t tenant = details ? details->tenantID.value_or(0) : 0;
  const std::string facilityType = details ? details->facilityType.value_or("") : "";
  return {{"TenantID", tenant},
          {"ID", complainId},
          {"Remark", remark},
          {"FacilityType", facilityType},
          {"StrImgupload", ComplaintPhotoUpload::jsonText(photoTexts)}};
}

std::optional<uikit::ImagePtr> ComplainClosurePopupVC::receivedImage(const std::string& entry, bool severalEntries) {
  const auto pieces = nonEmptyPieces(entry);
  std::string_view encoded;
  if (pieces.size() >= 2) {
    encoded = pieces[1];
  } else if (!severalEntries) {
    return std::nullopt;
  }
  // Strict: line breaks or other characters outside the alphabet fail.
  auto bytes = platform::Base64::decode(encoded);
  if (!bytes.ok()) return std::nullopt;
  if (bytes->empty()) return uikit::ImagePtr();
  return uikit::Image::decoded(std::move(bytes).value());
}

// ---- life cycle ----

void ComplainClosurePopupVC::viewDidLoad() {
  uikit::ViewController::viewDidLoad();
  auto self = sharedAs<ComplainClosurePopupVC>();
  activityIndicator = std::make_shared<uikit::ActivityIndicatorView>(uikit::ActivityIndicatorStyle::kLarge);
  activityIndicator->color = uikit::Color::black();
  activityIndicator->setCenter(view()->center());
  activityIndicator->setHidesWhenStopped(true);
  view()->addSubview(activityIndicator);
  if (auto collection = collAttechmentImages.lock()) {
    collection->setDataSource(self);
    collection->setDelegate(self);
  }
  view()->setBackgroundColor(uikit::Color::white(0.3, 0.35));
  resetImagePicker();
  showLoader();
  // The reply holds the popup: a reply after an early close still hides the
  // loader and toasts.
  ComplainWebServicesManager::shared().requestCloseComplainGet(
      {{"ID", complainId}},
      [self](DataResponse<MDLCloseComplainGet> response) { self->handleCloseComplainGetReply(response); });
}

void ComplainClosurePopupVC::viewWillAppear(bool animated) {
  uikit::ViewController::viewWillAppear(animated);
  if (auto label = lblComplainDescription.lock()) label->delegate = sharedAs<ComplainClosurePopupVC>();
}

void ComplainClosurePopupVC::viewDidLayoutSubviews() {
  uikit::ViewController::viewDidLayoutSubviews();
  Weak weak = sharedAs<ComplainClosurePopupVC>();
  platform::RunLoop::main().async([weak] {
    auto self = weak.lock();
    if (!self) return;
    if (auto dashed = self->attechmentDeshedView.lock()) (void)ViewStyle::addDashedBorder(*dashed, 1.0);
    if (auto container = self->containerView.lock()) {
      container->layer().cornerRadius = 4.0;
      container->setClipsToBounds(true);
    }
  });
}

// ---- actions ----

void ComplainClosurePopupVC::actionAttechment() {
  Weak weak = sharedAs<ComplainClosurePopupVC>();
  photopicker::ImagePickerController::presentImagePicker(
      sharedAs<ComplainClosurePopupVC>(), imagePicker, true,
      [](const photos::AssetPtr& asset) { platform::LogDebug("Selected: " + (asset ? asset->localIdentifier() : "")); },
      [](const photos::AssetPtr& asset) {
        platform::LogDebug("Deselected: " + (asset ? asset->localIdentifier() : ""));
      },
      [weak](const std::vector<photos::AssetPtr>& assets) {
        auto self = weak.lock();
        if (!self) return;
        if (assets.empty()) self->showEmptyAttachmentArea();
        if (self->arrSelectedImages && self->arrSelectedImages->empty()) self->showEmptyAttachmentArea();
      },
      [weak](const std::vector<photos::AssetPtr>& assets) {
        auto self = weak.lock();
        if (!self) return;
        self->arrSelectedImages = assets;
        self->reloadAttachmentList();
        if (assets.empty()) {
          self->showEmptyAttachmentArea();
          return;
        }
        if (auto dashed = self->attechmentDeshedView.lock()) dashed->setHidden(true);
        if (auto thumbnails = self->attechmentImageContainerView.lock()) thumbnails->setHidden(false);
      },
      nullptr);
}

void ComplainClosurePopupVC::actionClosureOfComplain() { confirmComplaintClosure(); }

void ComplainClosurePopupVC::actionClosePopup() { (void)dismiss(true); }

// ---- attachments ----

void ComplainClosurePopupVC::resetImagePicker() {
  imagePicker = std::make_shared<photopicker::ImagePickerController>(std::vector<photos::AssetPtr>{});
  auto& settings = *imagePicker->settings;
  settings.selection().setMax(kMaximumPhotos);
  settings.theme().setSelectionStyle(photopicker::Settings::Theme::SelectionStyle::kNumbered);
  settings.fetch().assets().setSupportedMediaTypes({photopicker::Settings::Fetch::Assets::MediaTypes::kImage});
  settings.selection().setUnselectOnReachingMax(false);
}

void ComplainClosurePopupVC::showEmptyAttachmentArea() {
  resetImagePicker();
  if (auto thumbnails = attechmentImageContainerView.lock()) thumbnails->setHidden(true);
  if (auto dashed = attechmentDeshedView.lock()) dashed->setHidden(false);
}

void ComplainClosurePopupVC::reloadAttachmentList() {
  std::weak_ptr<uikit::CollectionView> collection = collAttechmentImages;
  platform::RunLoop::main().async([collection] {
    if (auto c = collection.lock()) c->reloadData();
  });
}

void ComplainClosurePopupVC::confirmAttachmentRemoval(long index) {
  auto alert = uikit::AlertController::make("Alert", "Are you sure want to delete?", uikit::AlertControllerStyle::kAlert);
  Weak weak = sharedAs<ComplainClosurePopupVC>();
  alert->addAction(uikit::AlertAction::make("Yes", uikit::AlertActionStyle::kDestructive, [weak, index](uikit::AlertAction&) {
    if (auto self = weak.lock()) self->removeAttachment(index);
  }));
  alert->addAction(uikit::AlertAction::make("No", uikit::AlertActionStyle::kDefault,
                                            [](uikit::AlertAction&) { platform::LogDebug("Attachment kept"); }));
  (void)present(alert, true);
}

void ComplainClosurePopupVC::removeAttachment(long index) {
  if (arrSelectedImages && index >= 0 && static_cast<std::size_t>(index) < arrSelectedImages->size()) {
    arrSelectedImages->erase(arrSelectedImages->begin() + index);
    if (arrSelectedImages->empty()) {
      resetImagePicker();
      if (auto dashed = attechmentDeshedView.lock()) dashed->setHidden(false);
      if (auto thumbnails = attechmentImageContainerView.lock()) thumbnails->setHidden(true);
    }
  }
  reloadAttachmentList();
}

// ---- details ----

void ComplainClosurePopupVC::handleCloseComplainGetReply(const DataResponse<MDLCloseComplainGet>& response) {
  AppLoader::shared().hide();
  if (!response.value) {
    AppToastAlert::show(ToastPosition::bottom, response.error ? response.error->localizedDescription : "");
    return;
  }
  if (response.value->isSuccess.value_or(false)) {
    objComplainList = *response.value;
    showComplainDetails();
    return;
  }
  AppToastAlert::show(ToastPosition::bottom, response.value->message.value_or(""));
}

void ComplainClosurePopupVC::showComplainDetails() {
  auto self = sharedAs<ComplainClosurePopupVC>();
  platform::RunLoop::main().async([self] {
    const auto& record = self->objComplainList;
    if (auto label = self->lblComplainDescription.lock()) {
      label->setText(record ? record->remark.value_or("") : std::string());
    }
    if (!record || !record->imageUpload) return;
    const auto& entries = *record->imageUpload;
    auto stack = self->photoStackView.lock();
    if (entries.empty()) {
      if (stack) stack->setHidden(true);
      return;
    }
    if (stack) stack->setHidden(false);
    auto one = self->imgReceivedOne.lock();
    auto two = self->imgReceivedTwo.lock();
    if (one) one->setHidden(false);
    const bool several = entries.size() >= 2;
    if (two) two->setHidden(!several);
    if (auto image = receivedImage(entries[0], several); image && one) one->setImage(*image);
    if (several) {
      if (auto image = receivedImage(entries[1], several); image && two) two->setImage(*image);
    }
  });
}

// ---- closure ----

void ComplainClosurePopupVC::confirmComplaintClosure() {
  auto alert = uikit::AlertController::make("Are you sure?", "Do you want to close this complain?",
                                            uikit::AlertControllerStyle::kAlert);
  alert->addAction(uikit::AlertAction::make("No", uikit::AlertActionStyle::kDefault));
  Weak weak = sharedAs<ComplainClosurePopupVC>();
  alert->addAction(uikit::AlertAction::make("Yes", uikit::AlertActionStyle::kDefault, [weak](uikit::AlertAction&) {
    if (auto self = weak.lock()) self->submitComplaintClosure();
  }));
  (void)present(alert, true);
}

void ComplainClosurePopupVC::submitComplaintClosure() {
  std::vector<std::string> photoTexts;
  if (arrSelectedImages) {
    auto manager = photos::ImageManager::defaultManager();
    if (manager) {
      photoTexts = ComplaintPhotoUpload::base64PngTexts(
          ComplaintPhotoUpload::loadUploadImages(*arrSelectedImages, *manager));
    }
  }
  auto comment = txtvResolverComment.lock();
  const auto body = closeComplainBody(objComplainList, complainId, comment ? comment->text() : std::string(), photoTexts);
  if (activityIndicator) activityIndicator->startAnimating();
  showLoader();
  auto self = sharedAs<ComplainClosurePopupVC>();
  ComplainWebServicesManager::shared().requestCloseComplainSave(
      body, [self](DataResponse<MDLCloseComplainSave> response) { self->handleCloseComplainSaveReply(response); },
      // Offline or refused: no reply will come, so the spinner stops here and
      // the popup stays as it is.
      [self] {
        if (self->activityIndicator) self->activityIndicator->stopAnimating();
      });
}

void ComplainClosurePopupVC::handleCloseComplainSaveReply(const DataResponse<MDLCloseComplainSave>& response) {
  AppLoader::shared().hide();
  if (!response.value) {
    AppToastAlert::show(ToastPosition::bottom, response.error ? response.error->localizedDescription : "");
    finishComplaintClosure(false, std::nullopt);
    return;
  }
  if (response.value->isSuccess.value_or(false)) {
    finishComplaintClosure(true, response.value->message.value_or(""));
    return;
  }
  AppToastAlert::show(ToastPosition::bottom, response.value->message.value_or(""));
  finishComplaintClosure(false, std::nullopt);
}

void ComplainClosurePopupVC::finishComplaintClosure(bool success, const std::optional<std::string>& message) {
  if (activityIndicator) activityIndicator->stopAnimating();
  if (!success) return;
  AppToastAlert::show(ToastPosition::bottom, message.value_or(""));
  if (closeComplainClosure) closeComplainClosure();
  (void)dismiss(true);
}

// ---- folding label ----

void ComplainClosurePopupVC::willExpandLabel(FoldingLabel&) { platform::LogDebug("willExpandLabel"); }
void ComplainClosurePopupVC::didExpandLabel(FoldingLabel&) { platform::LogDebug("didExpandLabel"); }
void ComplainClosurePopupVC::willCollapseLabel(FoldingLabel&) { platform::LogDebug("willCollapseLabel"); }
void ComplainClosurePopupVC::didCollapseLabel(FoldingLabel&) { platform::LogDebug("didCollapseLabel"); }

// ---- thumbnails ----

long ComplainClosurePopupVC::collectionViewNumberOfItemsInSection(uikit::CollectionView& view, long section) {
  (void)view, (void)section;
  return arrSelectedImages ? static_cast<long>(arrSelectedImages->size()) : 0;
}

std::shared_ptr<uikit::CollectionViewCell> ComplainClosurePopupVC::collectionViewCellForItemAtIndexPath(
    uikit::CollectionView& view, const uikit::IndexPath& indexPath) {
  auto cell = std::dynamic_pointer_cast<AttechmentImageCell>(
      view.dequeueReusableCellWithReuseIdentifier(AttechmentImageCell::kReuseIdentifier, indexPath));
  if (!cell) {
    platform::LogError("ComplainClosurePopupVC: no AttechmentImageCell prototype");
    return std::make_shared<uikit::CollectionViewCell>();
  }
  const long item = indexPath.item();
  if (arrSelectedImages && item >= 0 && static_cast<std::size_t>(item) < arrSelectedImages->size()) {
    cell->showAsset((*arrSelectedImages)[static_cast<std::size_t>(item)]);
  }
  Weak weak = sharedAs<ComplainClosurePopupVC>();
  cell->closeButtonTapped = [weak, item] {
    if (!weak.lock()) return;
    platform::RunLoop::main().async([weak, item] {
      if (auto self = weak.lock()) self->confirmAttachmentRemoval(item);
    });
  };
  return cell;
}

uikit::Size ComplainClosurePopupVC::collectionViewLayoutSizeForItemAtIndexPath(uikit::CollectionView& view,
                                                                               const uikit::IndexPath& indexPath) {
  (void)view, (void)indexPath;
  return {kThumbnailSide, kThumbnailSide};
}

double ComplainClosurePopupVC::collectionViewLayoutMinimumLineSpacingForSectionAtIndex(uikit::CollectionView& view,
                                                                                       long section) {
  (void)view, (void)section;
  return kThumbnailSpacing;
}

// ---- storyboard ----

void ComplainClosurePopupVC::registerScene() {
  AttechmentImageCell::registerNib();
  uikit::Storyboard::registerScene(kStoryboard, "ComplainClosurePopupVC", [] {
    uikit::StoryboardSceneContents contents;
    auto controller = std::make_shared<ComplainClosurePopupVC>();
    const uikit::Rect screen = uikit::Device::screenBounds();
    const double width = screen.size.width - 40;
    const double inner = width - 30;
    auto view = uikit::View::make(screen);
    auto container = uikit::View::make(uikit::Rect(20, 80, width, 520));
    container->setAccessibilityIdentifier("containerView");
    container->setBackgroundColor(AppColor::white());
    auto title = uikit::View::make<uikit::Label>(uikit::Rect(15, 15, inner - 30, 22));
    title->setText(std::string("Close Complain"));
    auto close = uikit::Button::withType(uikit::ButtonType::kCustom);
    close->setFrame(uikit::Rect(width - 40, 10, 30, 30));
    close->setTitle(std::string("X"));
    close->setAccessibilityIdentifier("btnClosePopup");
    auto descriptionBox = uikit::View::make(uikit::Rect(15, 45, inner, 90));
    descriptionBox->setBackgroundColor(AppColor::paleBlue());
    auto descriptionTitle = uikit::View::make<uikit::Label>(uikit::Rect(10, 5, inner - 20, 18));
    descriptionTitle->setText(std::string("Complain Description"));
    auto description = uikit::View::make<FoldingLabel>(uikit::Rect(10, 25, inner - 20, 60));
    description->setAccessibilityIdentifier("lblComplainDescription");
    descriptionBox->addSubview(descriptionTitle);
    descriptionBox->addSubview(description);
    auto stack = uikit::View::make<uikit::StackView>();
    stack->setFrame(uikit::Rect(15, 145, inner, 60));
    stack->setAccessibilityIdentifier("photoStackView");
    stack->spacing = 10;
    auto receivedOne = uikit::View::make<uikit::ImageView>(uikit::Rect(0, 0, 60, 60));
    receivedOne->setAccessibilityIdentifier("imgReceivedOne");
    auto receivedTwo = uikit::View::make<uikit::ImageView>(uikit::Rect(70, 0, 60, 60));
    receivedTwo->setAccessibilityIdentifier("imgReceivedTwo");
    stack->addArrangedSubview(receivedOne);
    stack->addArrangedSubview(receivedTwo);
    auto commentTitle = uikit::View::make<uikit::Label>(uikit::Rect(15, 215, inner, 18));
    commentTitle->setText(std::string("Resolver Comment"));
    auto comment = uikit::View::make<uikit::TextView>();
    comment->setFrame(uikit::Rect(15, 238, inner, 80));
    comment->setAccessibilityIdentifier("txtvResolverComment");
    auto attachmentTitle = uikit::View::make<uikit::Label>(uikit::Rect(15, 328, inner, 18));
    attachmentTitle->setText(std::string("Attach Photos"));
    auto dashed = uikit::View::make(uikit::Rect(15, 350, inner, 70));
    dashed->setAccessibilityIdentifier("attechmentDeshedView");
    auto dashedText = uikit::View::make<uikit::Label>(uikit::Rect(10, 25, inner - 20, 20));
    dashedText->setText(std::string("Tap to attach photos of the work"));
    dashed->addSubview(dashedText);
    auto thumbnails = uikit::View::make(uikit::Rect(15, 350, inner, 70));
    thumbnails->setAccessibilityIdentifier("attechmentImageContainerView");
    uikit::CollectionViewFlowLayout layout;
    layout.scrollDirection = uikit::ScrollDirection::kHorizontal;
    layout.itemSize = {kThumbnailSide, kThumbnailSide};
    layout.minimumLineSpacing = kThumbnailSpacing;
    layout.minimumInteritemSpacing = kThumbnailSpacing;
    auto collection = std::make_shared<uikit::CollectionView>(uikit::Rect(0, 10, inner, kThumbnailSide), layout);
    collection->setAccessibilityIdentifier("collAttechmentImages");
    collection->registerNib(uikit::Nib::named(AttechmentImageCell::kNibName), AttechmentImageCell::kReuseIdentifier);
    thumbnails->addSubview(collection);
    auto closeComplain = uikit::Button::withType(uikit::ButtonType::kCustom);
    closeComplain->setFrame(uikit::Rect(15, 440, inner, 44));
    closeComplain->setTitle(std::string("Close Complain"));
    closeComplain->setAccessibilityIdentifier("btnCloseComplain");
    closeComplain->setBackgroundColor(AppColor::darkBlue());
    for (const auto& v : std::vector<std::shared_ptr<uikit::View>>{
             title, close, descriptionBox, stack, commentTitle, comment, attachmentTitle, dashed, thumbnails,
             closeComplain}) {
      container->addSubview(v);
    }
    view->addSubview(container);

    Weak weak = controller;
    TapActions::addAction(close, [weak](uikit::Button&) {
      if (auto self = weak.lock()) self->actionClosePopup();
    });
    TapActions::addAction(closeComplain, [weak](uikit::Button&) {
      if (auto self = weak.lock()) self->actionClosureOfComplain();
    });
    TapActions::addTapGesture(dashed, [weak] {
      if (auto self = weak.lock()) self->actionAttechment();
    });

    const auto radius = [](uikit::View& v) { v.layer().cornerRadius = 4.0; };
    contents.controller = controller;
    contents.view = view;
    contents.outlets = {
        {"containerView",
         [weak, container, radius] {
           if (auto c = weak.lock()) c->containerView = container;
           radius(*container);
         }},
        {"lblContainerTitle",
         [weak, title] {
           if (auto c = weak.lock()) c->lblContainerTitle = title;
           title->setFont(uikit::Font::namedOrSystem("Gotham-Medium", 14));
         }},
        {"complainDescriptionContainerView",
         [weak, descriptionBox, radius] {
           if (auto c = weak.lock()) c->complainDescriptionContainerView = descriptionBox;
           radius(*descriptionBox);
         }},
        {"lblComplainDescriptionTitle",
         [weak, descriptionTitle] {
           if (auto c = weak.lock()) c->lblComplainDescriptionTitle = descriptionTitle;
           descriptionTitle->setFont(uikit::Font::namedOrSystem("Gotham-Book", 12));
         }},
        {"lblComplainDescription",
         [weak, description] {
           if (auto c = weak.lock()) c->lblComplainDescription = description;
           description->setFont(uikit::Font::namedOrSystem("Gotham-Book", 11));
           description->shouldCollapse = true;
           description->textReplacementType = FoldingLabel::TextReplacementType::word;
           description->setNumberOfLines(2);
           description->setCollapsed(true);
           uikit::TextAttributes link;
           link.foregroundColor = uikit::Color::systemBlue();
           description->setCollapsedAttributedLink(uikit::AttributedString("Read More", link));
           description->setExpandedLink("Read Less", link, std::nullopt);
         }},
        {"photoStackView", [weak, stack] { if (auto c = weak.lock()) c->photoStackView = stack; }},
        {"imgReceivedOne", [weak, receivedOne] { if (auto c = weak.lock()) c->imgReceivedOne = receivedOne; }},
        {"imgReceivedTwo", [weak, receivedTwo] { if (auto c = weak.lock()) c->imgReceivedTwo = receivedTwo; }},
        {"lblResolverComment", [weak, commentTitle] { if (auto c = weak.lock()) c->lblResolverComment = commentTitle; }},
        {"txtvResolverComment",
         [weak, comment, radius] {
           if (auto c = weak.lock()) c->txtvResolverComment = comment;
           radius(*comment);
         }},
        {"attechmentDeshedView", [weak, dashed] { if (auto c = weak.lock()) c->attechmentDeshedView = dashed; }},
        {"attechmentImageContainerView",
         [weak, thumbnails] {
           if (auto c = weak.lock()) c->attechmentImageContainerView = thumbnails;
           thumbnails->setHidden(true);
         }},
        {"collAttechmentImages", [weak, collection] { if (auto c = weak.lock()) c->collAttechmentImages = collection; }},
        {"lblAttechmentTitle",
         [weak, attachmentTitle] { if (auto c = weak.lock()) c->lblAttechmentTitle = attachmentTitle; }},
        {"btnCloseComplain",
         [weak, closeComplain, radius] {
           if (auto c = weak.lock()) c->btnCloseComplain = closeComplain;
           radius(*closeComplain);
         }},
    };
    return contents;
  });
}
