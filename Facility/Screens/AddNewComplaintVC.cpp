#include "Facility/Screens/AddNewComplaintVC.h"

#include <utility>

#include "Facility/Screens/AttechmentImageCell.h"
#include "Facility/Screens/ComplaintPhotoUpload.h"
#include "Facility/Services/ComplainWebServicesManager.h"
#include "Facility/Storage/LocalStorage.h"
#include "Facility/Support/AppColor.h"
#include "Facility/Support/FormattedString.h"
#include "Facility/Widgets/AlertPresenter.h"
#include "Facility/Widgets/AppAlert.h"
#include "Facility/Widgets/AppLoader.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "Facility/Widgets/TapActions.h"
#include "Facility/Widgets/TextFieldDecor.h"
#include "Facility/Widgets/TextFieldInput.h"
#include "Facility/Widgets/ViewStyle.h"
#include "Platform/Foundation/Calendar.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Photos/ImageManager.h"
#include "Platform/UIKit/AlertController.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Font.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/Nib.h"
#include "Platform/UIKit/Storyboard.h"

namespace {

constexpr double kArrowSide = 10;
constexpr double kCalendarSide = 15;
constexpr double kIconSpacing = 8;
constexpr const char* kValid = "okay";

// In screen order: the field, then the message when it is empty.
constexpr const char* kComplainForEmpty = "Complain For field can not be empty.";
constexpr const char* kTypeOfComplainEmpty = "Type of Complain field can not be empty.";
constexpr const char* kSuitableTimeEmpty = "Suitable Time for Visit field can not be empty.";
constexpr const char* kDescriptionEmpty = "Complain Description field can not be empty.";

uikit::ImagePtr untinted(const char* name) {
  auto image = uikit::Image::named(name);
  return image ? image->withRenderingMode(uikit::ImageRenderingMode::kAlwaysOriginal) : nullptr;
}

// The alert every message of the form uses: titled "Alert", one "Okay".
void showFormAlert(const std::string& message, AlertPresenter::Handler handler = nullptr) {
  auto top = LocalStorage::topViewControllerOfSceneWindow();
  if (!top) return;
  AlertPresenter::showAlert(*top, AppAlert(AppAlert::Alert).rawValue(), message, uikit::AlertControllerStyle::kAlert,
                            {}, std::move(handler));
}

}  // namespace

AddNewComplaintVC::AddNewComplaintVC() : selectedSuitableDateDate(platform::Clock::nowSeconds()) {}

// ---- outlets ----

void AddNewComplaintVC::setTxtComplainFor(const std::shared_ptr<uikit::TextField>& field) {
  txtComplainFor_ = field;
  if (!field) return;
  TextFieldDecor::setRightImageView(*field, uikit::Image::named(kDownArrowImage), kArrowSide, kArrowSide,
                                    kIconSpacing);
  std::vector<TextFieldInput::Row> rows;
  for (const auto& place : arrComplain) rows.emplace_back(place.name);
  std::weak_ptr<AddNewComplaintVC> weak = sharedAs<AddNewComplaintVC>();
  TextFieldInput::of(field)->setListPickerInput(std::move(rows), complainFor,
                                                [weak](const std::string& text, long row, long) {
                                                  if (auto self = weak.lock()) self->complainForChosen(text, row);
                                                });
}

void AddNewComplaintVC::setTxtTypeOfComplain(const std::shared_ptr<uikit::TextField>& field) {
  txtTypeOfComplain_ = field;
  if (!field) return;
  TextFieldDecor::setRightImageView(*field, untinted(kDownArrowImage), kArrowSide, kArrowSide, kIconSpacing);
  configureCategoryPicker();
}

void AddNewComplaintVC::configureCategoryPicker() {
  auto field = txtTypeOfComplain();
  if (!field) return;
  std::vector<TextFieldInput::Row> rows;
  for (const auto& category : arrComplainCategory) rows.emplace_back(category.categoryName.value_or(""));
  std::weak_ptr<AddNewComplaintVC> weak = sharedAs<AddNewComplaintVC>();
  TextFieldInput::of(field)->setListPickerInput(std::move(rows), complainType,
                                                [weak](const std::string& text, long row, long) {
                                                  if (auto self = weak.lock()) self->complainCategoryChosen(text, row);
                                                });
}

void AddNewComplaintVC::setTxtSuitableDate(const std::shared_ptr<uikit::TextField>& field) {
  txtSuitableDate_ = field;
  if (!field) return;
  TextFieldDecor::setRightImageView(*field, untinted(kCalendarImage), kCalendarSide, kCalendarSide, kIconSpacing);
  auto input = TextFieldInput::of(field);
  auto picker = input->datePicker();
  const double now = platform::Clock::nowSeconds();
  const auto latest = platform::Calendar::current().dateByAdding(platform::Calendar::Unit::kDay, kDaysAhead,
                                                                 platform::Date{now});
  picker->minimumDate = now;
  picker->maximumDate = latest ? latest->secondsSince1970 : now;
  picker->datePickerMode = uikit::DatePickerMode::kDate;
  std::weak_ptr<AddNewComplaintVC> weak = sharedAs<AddNewComplaintVC>();
  input->setDatePickerInput(kDateFormat, std::nullopt, false, [weak](double date) {
    if (auto self = weak.lock()) self->suitableDateChosen(date);
  });
}

void AddNewComplaintVC::setTxtSuitableTime(const std::shared_ptr<uikit::TextField>& field) {
  txtSuitableTime_ = field;
  configureTimePicker();
}

void AddNewComplaintVC::setAttechmentImageCollectionView(const std::shared_ptr<uikit::View>& view) {
  attechmentImageCollectionView_ = view;
  if (view) view->setHidden(true);
}

void AddNewComplaintVC::setAttechmentImageContainerView(const std::shared_ptr<uikit::View>& view) {
  attechmentImageContainerView_ = view;
  if (view) view->setHidden(true);
}

// ---- life cycle ----

void AddNewComplaintVC::viewDidLoad() {
  uikit::ViewController::viewDidLoad();
  auto self = sharedAs<AddNewComplaintVC>();
  if (auto collection = collAttechmentImages.lock()) {
    collection->setDataSource(self);
    collection->setDelegate(self);
  }
  if (auto dashed = attechmentDeshedView.lock()) dashed->setHidden(false);
  for (const auto& weakView : {attechmentImageContainerView_, attechmentImageOneView, attechmentImageTwoView}) {
    if (auto view = weakView.lock()) view->setHidden(true);
  }
  resetImagePicker();
}

void AddNewComplaintVC::viewDidLayoutSubviews() {
  uikit::ViewController::viewDidLayoutSubviews();
  std::weak_ptr<AddNewComplaintVC> weak = sharedAs<AddNewComplaintVC>();
  platform::RunLoop::main().async([weak] {
    auto self = weak.lock();
    if (!self) return;
    if (auto description = self->txtvComplainDescription.lock()) {
      description->layer().cornerRadius = 4.0;
      description->setClipsToBounds(true);
      description->layer().borderWidth = 0.8;
      description->layer().borderColor = AppColor::darkGray();
    }
    // Layout runs again and again: one dashed border is enough.
    if (auto dashed = self->attechmentDeshedView.lock(); dashed && !self->dashedBorder_) {
      self->dashedBorder_ = ViewStyle::addDashedBorder(*dashed, 1.0);
    }
    if (auto container = self->containerView.lock()) {
      ViewStyle::setShadow(*container, uikit::Color::black(), 1.0, 2.0, 0.4F, 3.0);
    }
    for (const auto& weakView : {self->firstCloseButtonView, self->secondCloseButtonView}) {
      if (auto view = weakView.lock()) {
        view->layer().cornerRadius = view->bounds().height() / 2;
        view->setClipsToBounds(true);
      }
    }
  });
}

// ---- place, category, date and time ----

void AddNewComplaintVC::complainForChosen(const std::string& text, long row) {
  if (row < 0 || static_cast<std::size_t>(row) >= arrComplain.size()) return;
  const ComplainFor chosen = arrComplain[static_cast<std::size_t>(row)];
  if (chosen.id != selectedComplainFor.id) {
    // The type belongs to the place: another place clears it at once.
    if (auto type = txtTypeOfComplain()) type->setText(std::string());
    complainType.clear();
    selectedComplainCategory.reset();
    arrComplainCategory.clear();
    configureCategoryPicker();
  }
  complainFor = text;
  selectedComplainFor = chosen;
  if (auto field = txtComplainFor()) field->setText(text);
  const std::uint64_t sequence = ++lastCategoryRequest_;
  std::weak_ptr<AddNewComplaintVC> weak = sharedAs<AddNewComplaintVC>();
  ComplainWebServicesManager::shared().requestComplainCategory(
      std::to_string(selectedComplainFor.id), [weak, sequence](DataResponse<MDLComplainCategory> response) {
        if (auto self = weak.lock()) self->handleCategoryReply(sequence, response);
      });
}

void AddNewComplaintVC::handleCategoryReply(std::uint64_t sequence, const DataResponse<MDLComplainCategory>& response) {
  // Only the latest request's reply belongs to the place shown.
  if (sequence != lastCategoryRequest_) return;
  if (!response.value) return;
  const MDLComplainCategory& reply = *response.value;
  if (!reply.isSuccess || !*reply.isSuccess || !reply.arrComplainCategory) return;
  arrComplainCategory = *reply.arrComplainCategory;
  if (auto type = txtTypeOfComplain()) type->setText(std::string());
  configureCategoryPicker();
}

void AddNewComplaintVC::complainCategoryChosen(const std::string& text, long row) {
  if (row < 0 || static_cast<std::size_t>(row) >= arrComplainCategory.size()) return;
  complainType = text;
  selectedComplainCategory = arrComplainCategory[static_cast<std::size_t>(row)];
  if (auto field = txtTypeOfComplain()) field->setText(text);
}

void AddNewComplaintVC::suitableDateChosen(double date) {
  selectedSuitableDateDate = date;
  configureTimePicker();
  selectedSuitableDate = formattedString(platform::Date{date}, kDateFormat);
  if (auto field = txtSuitableDate()) field->setText(selectedSuitableDate);
}

void AddNewComplaintVC::configureTimePicker() {
  auto field = txtSuitableTime();
  if (!field) return;
  auto input = TextFieldInput::of(field);
  auto picker = input->datePicker();
  const double now = platform::Clock::nowSeconds();
  // A later day may start at any time; today not before now.
  if (selectedSuitableDateDate > now) {
    picker->minimumDate.reset();
  } else {
    picker->minimumDate = now;
  }
  TextFieldDecor::setRightImageView(*field, untinted(kCalendarImage), kCalendarSide, kCalendarSide, kIconSpacing);
  picker->datePickerMode = uikit::DatePickerMode::kTime;
  std::weak_ptr<AddNewComplaintVC> weak = sharedAs<AddNewComplaintVC>();
  input->setDatePickerInput(kTimeFormat, std::nullopt, false, [weak](double time) {
    auto self = weak.lock();
    if (!self) return;
    self->selectedSuitableTime = formattedString(platform::Date{time}, kTimeFormat);
    if (auto f = self->txtSuitableTime()) f->setText(self->selectedSuitableTime);
  });
}

// ---- photos ----

void AddNewComplaintVC::resetImagePicker() {
  auto picker = std::make_shared<photopicker::ImagePickerController>(std::vector<photos::AssetPtr>{});
  picker->doneButtonTitle = "Done";
  auto& settings = *picker->settings;
  settings.selection().setMax(kMaximumPhotos);
  settings.theme().setSelectionStyle(photopicker::Settings::Theme::SelectionStyle::kNumbered);
  settings.fetch().assets().setSupportedMediaTypes({photopicker::Settings::Fetch::Assets::MediaTypes::kImage});
  settings.selection().setUnselectOnReachingMax(false);
  imagePicker = std::move(picker);
}

void AddNewComplaintVC::showEmptyAttachments() {
  if (auto collection = attechmentImageCollectionView()) collection->setHidden(true);
  if (auto dashed = attechmentDeshedView.lock()) dashed->setHidden(false);
}

void AddNewComplaintVC::showFilledAttachments() {
  if (auto dashed = attechmentDeshedView.lock()) dashed->setHidden(true);
  if (auto collection = attechmentImageCollectionView()) collection->setHidden(false);
}

void AddNewComplaintVC::actionAttechment() {
  std::weak_ptr<AddNewComplaintVC> weak = sharedAs<AddNewComplaintVC>();
  platform::RunLoop::main().async([weak] {
    auto self = weak.lock();
    if (!self || !self->imagePicker) return;
    photopicker::ImagePickerController::presentImagePicker(
        self, self->imagePicker, true,
        [](const photos::AssetPtr& asset) {
          platform::LogDebug("AddNewComplaintVC: selected " + (asset ? asset->localIdentifier() : std::string()));
        },
        [](const photos::AssetPtr& asset) {
          platform::LogDebug("AddNewComplaintVC: deselected " + (asset ? asset->localIdentifier() : std::string()));
        },
        [weak](const std::vector<photos::AssetPtr>& assets) {
          auto screen = weak.lock();
          if (!screen) return;
          if (assets.empty() || (screen->arrSelectedImages && screen->arrSelectedImages->empty())) {
            screen->resetImagePicker();
            screen->showEmptyAttachments();
          }
        },
        [weak](const std::vector<photos::AssetPtr>& assets) {
          auto screen = weak.lock();
          if (!screen) return;
          screen->arrSelectedImages = assets;
          screen->reloadAttachmentList();
          if (assets.empty()) {
            screen->resetImagePicker();
            screen->showEmptyAttachments();
          } else {
            screen->showFilledAttachments();
          }
        },
        nullptr);
  });
}

void AddNewComplaintVC::reloadAttachmentList() {
  std::weak_ptr<uikit::CollectionView> weak = collAttechmentImages;
  platform::RunLoop::main().async([weak] {
    if (auto collection = weak.lock()) collection->reloadData();
  });
}

void AddNewComplaintVC::confirmAttachmentRemoval(std::size_t index) {
  auto alert = uikit::AlertController::make(AppAlert(AppAlert::Alert).rawValue(), std::string(kRemovalQuestion),
                                            uikit::AlertControllerStyle::kAlert);
  std::weak_ptr<AddNewComplaintVC> weak = sharedAs<AddNewComplaintVC>();
  alert->addAction(uikit::AlertAction::make("Yes", uikit::AlertActionStyle::kDestructive, [weak, index](uikit::AlertAction&) {
    if (auto self = weak.lock()) self->removeAttachment(index);
  }));
  alert->addAction(uikit::AlertAction::make("No", uikit::AlertActionStyle::kDefault));
  present(alert, true);
}

void AddNewComplaintVC::removeAttachment(std::size_t index) {
  if (arrSelectedImages && index < arrSelectedImages->size()) {
    arrSelectedImages->erase(arrSelectedImages->begin() + static_cast<std::ptrdiff_t>(index));
    if (arrSelectedImages->empty()) {
      resetImagePicker();
      showEmptyAttachments();
    }
  }
  reloadAttachmentList();
}

void AddNewComplaintVC::actionFirstCloseButton() {}

void AddNewComplaintVC::actionSecondCloseButton() {
  if (auto container = attechmentImageContainerView()) container->setHidden(false);
  if (auto one = attechmentImageOneView.lock()) one->setHidden(false);
  if (auto dashed = attechmentDeshedView.lock()) dashed->setHidden(true);
  if (auto two = attechmentImageTwoView.lock()) two->setHidden(true);
}

long AddNewComplaintVC::collectionViewNumberOfItemsInSection(uikit::CollectionView&, long) {
  return arrSelectedImages ? static_cast<long>(arrSelectedImages->size()) : 0;
}

std::shared_ptr<uikit::CollectionViewCell> AddNewComplaintVC::collectionViewCellForItemAtIndexPath(
    uikit::CollectionView& view, const uikit::IndexPath& indexPath) {
  auto cell = std::dynamic_pointer_cast<AttechmentImageCell>(
      view.dequeueReusableCellWithReuseIdentifier(AttechmentImageCell::kReuseIdentifier, indexPath));
  if (!cell) {
    platform::LogError("AddNewComplaintVC: no AttechmentImageCell registered");
    return std::make_shared<uikit::CollectionViewCell>();
  }
  const long item = indexPath.item();
  if (!arrSelectedImages || item < 0 || static_cast<std::size_t>(item) >= arrSelectedImages->size()) return cell;
  const auto index = static_cast<std::size_t>(item);
  cell->showAsset((*arrSelectedImages)[index]);
  std::weak_ptr<AddNewComplaintVC> weak = sharedAs<AddNewComplaintVC>();
  cell->closeButtonTapped = [weak, index] {
    platform::RunLoop::main().async([weak, index] {
      if (auto self = weak.lock()) self->confirmAttachmentRemoval(index);
    });
  };
  return cell;
}

uikit::Size AddNewComplaintVC::collectionViewLayoutSizeForItemAtIndexPath(uikit::CollectionView&,
                                                                          const uikit::IndexPath&) {
  return {kThumbnailSide, kThumbnailSide};
}

double AddNewComplaintVC::collectionViewLayoutMinimumLineSpacingForSectionAtIndex(uikit::CollectionView&, long) {
  return kThumbnailSpacing;
}

// ---- validation and save ----

AddNewComplaintVC::ValidationResult AddNewComplaintVC::validateComplaint() const {
  // Any character counts, spaces included; the date takes no part.
  auto filled = [](const std::shared_ptr<uikit::TextField>& field) {
    return field && !field->text().value_or("").empty();
  };
  if (!filled(txtComplainFor())) return {false, kComplainForEmpty};
  if (!filled(txtTypeOfComplain())) return {false, kTypeOfComplainEmpty};
  if (!filled(txtSuitableTime())) return {false, kSuitableTimeEmpty};
  auto description = txtvComplainDescription.lock();
  if (!description || description->text().empty()) return {false, kDescriptionEmpty};
  return {true, kValid};
}

platform::Value::Dictionary AddNewComplaintVC::complainSaveBody(const ComplainFor& place,
                                                                const std::optional<ComplainCategory>& category,
                                                                const std::string& visitDate,
                                                                const std::string& visitTime,
                                                                const std::string& remark,
                                                                const std::vector<uikit::ImagePtr>& images) {
  platform::Value::Dictionary body{
      {"FacilityTypeID", place.id},
      {"ComplainMappingID", category ? category->categoryID.value_or(0) : 0},
      {"VisitDate", visitDate},
      {"VisitTime", visitTime},
      {"Remark", remark},
  };
  if (!images.empty()) body["StrImgupload"] = ComplaintPhotoUpload::uploadText(images);
  return body;
}

void AddNewComplaintVC::actionSave() { submitComplaint(); }

void AddNewComplaintVC::submitComplaint() {
  const ValidationResult check = validateComplaint();
  if (!check.valid) {
    showFormAlert(check.message);
    return;
  }
  if (arrSelectedImages) {
    // Prepared here, on the main queue, before the request goes out.
    selectedImages = ComplaintPhotoUpload::loadUploadImages(*arrSelectedImages, *photos::ImageManager::defaultManager());
  }
  auto description = txtvComplainDescription.lock();
  const auto body = complainSaveBody(selectedComplainFor, selectedComplainCategory, selectedSuitableDate,
                                     selectedSuitableTime, description ? description->text() : std::string(),
                                     selectedImages);
  AppLoader::shared().show();
  std::weak_ptr<AddNewComplaintVC> weak = sharedAs<AddNewComplaintVC>();
  ComplainWebServicesManager::shared().requestComplainSave(body, [weak](DataResponse<MDLInviteVisitor> response) {
    if (auto self = weak.lock()) self->handleSaveReply(response);
  });
}

void AddNewComplaintVC::handleSaveReply(const DataResponse<MDLInviteVisitor>& response) {
  AppLoader::shared().hide();
  if (!response.value) {
    AppToastAlert::show(ToastPosition::bottom, response.error ? response.error->localizedDescription : "");
    return;
  }
  const MDLInviteVisitor& reply = *response.value;
  if (!reply.isSuccess) return;
  if (!*reply.isSuccess) {
    AppToastAlert::show(ToastPosition::bottom, reply.message.value_or(""));
    return;
  }
  std::weak_ptr<AddNewComplaintVC> weak = sharedAs<AddNewComplaintVC>();
  showFormAlert(reply.message.value_or(""), [weak](const AAction&) {
    if (auto self = weak.lock()) self->finishSave();
  });
}

void AddNewComplaintVC::finishSave() {
  auto keep = sharedAs<AddNewComplaintVC>();
  if (actionUpdateCount) actionUpdateCount();
  if (auto navigation = navigationController()) navigation->popToRootViewController(true);
}

// ---- scene ----

void AddNewComplaintVC::registerScene() {
  uikit::Image::registerNamed(kDownArrowImage, uikit::Image::filled({10, 10}, AppColor::darkGray()));
  uikit::Image::registerNamed(kCalendarImage, uikit::Image::filled({15, 15}, AppColor::darkGray()));
  AttechmentImageCell::registerNib();
  uikit::Storyboard::registerScene(kStoryboard, "AddNewComplaintVC", [] {
    uikit::StoryboardSceneContents contents;
    auto controller = std::make_shared<AddNewComplaintVC>();
    controller->setTitle("Raise Complaint");
    const uikit::Rect screen = uikit::Device::screenBounds();
    const double width = screen.size.width;
    const double inner = width - 40;
    auto view = uikit::View::make(screen);
    view->setBackgroundColor(AppColor::white());
    auto container = uikit::View::make(uikit::Rect(10, 10, width - 20, screen.size.height - 100));
    container->setBackgroundColor(AppColor::white());
    container->setAccessibilityIdentifier("containerView");
    view->addSubview(container);

    const uikit::Font book = uikit::Font::namedOrSystem("Gotham-Book", 13);
    double y = 10;
    auto addLabel = [&](const std::string& text) {
      auto label = uikit::View::make<uikit::Label>(uikit::Rect(10, y, inner, 20));
      label->setText(text);
      label->setFont(book);
      label->setTextColor(AppColor::darkGray());
      container->addSubview(label);
      y += 22;
      return label;
    };
    auto addField = [&](const std::string& identifier, const std::string& placeholder) {
      auto field = uikit::View::make<uikit::TextField>(uikit::Rect(10, y, inner, 36));
      field->setAccessibilityIdentifier(identifier);
      field->setPlaceholder(placeholder);
      field->font = book;
      container->addSubview(field);
      y += 46;
      return field;
    };
    auto forLabel = addLabel("Complain For");
    auto forField = addField("txtComplainFor", "Select");
    auto typeLabel = addLabel("Type of Complain");
    auto typeField = addField("txtTypeOfComplain", "Select");
    auto dateLabel = addLabel("Suitable Date for Visit");
    auto dateField = addField("txtSuitableDate", "DD/MM/YYYY");
    auto timeLabel = addLabel("Suitable Time for Visit");
    auto timeField = addField("txtSuitableTime", "HH:mm");
    auto descriptionLabel = addLabel("Complain Description");
    auto description = std::make_shared<uikit::TextView>();
    description->setFrame(uikit::Rect(10, y, inner, 80));
    description->setAccessibilityIdentifier("txtvComplainDescription");
    description->font = book;
    container->addSubview(description);
    y += 90;

    // The dashed box that invites a photo, and the thumbnails in its place.
    auto dashed = uikit::View::make(uikit::Rect(10, y, inner, 60));
    dashed->setAccessibilityIdentifier("attechmentDeshedView");
    auto dashedLabel = uikit::View::make<uikit::Label>(uikit::Rect(10, 20, inner - 20, 20));
    dashedLabel->setText(std::string("Attach photos (up to 2)"));
    dashedLabel->setFont(book);
    dashed->addSubview(dashedLabel);
    auto thumbnails = uikit::View::make(uikit::Rect(10, y, inner, 60));
    thumbnails->setAccessibilityIdentifier("attechmentImageCollectionView");
    uikit::CollectionViewFlowLayout layout;
    layout.itemSize = {kThumbnailSide, kThumbnailSide};
    layout.minimumLineSpacing = kThumbnailSpacing;
    layout.minimumInteritemSpacing = kThumbnailSpacing;
    auto collection = std::make_shared<uikit::CollectionView>(uikit::Rect(0, 5, inner, 50), layout);
    collection->setAccessibilityIdentifier("collAttechmentImages");
    collection->registerNib(uikit::Nib::named(AttechmentImageCell::kNibName), AttechmentImageCell::kReuseIdentifier);
    thumbnails->addSubview(collection);

    // The older two-slot layout, kept hidden.
    auto slots = uikit::View::make(uikit::Rect(10, y, inner, 60));
    slots->setAccessibilityIdentifier("attechmentImageContainerView");
    auto slotOne = uikit::View::make(uikit::Rect(0, 0, 60, 60));
    auto slotTwo = uikit::View::make(uikit::Rect(70, 0, 60, 60));
    auto imageOne = uikit::View::make<uikit::ImageView>(uikit::Rect(0, 0, 50, 50));
    auto imageTwo = uikit::View::make<uikit::ImageView>(uikit::Rect(0, 0, 50, 50));
    auto closeOne = uikit::View::make(uikit::Rect(44, 0, 16, 16));
    auto closeTwo = uikit::View::make(uikit::Rect(44, 0, 16, 16));
    auto closeOneButton = uikit::Button::withType(uikit::ButtonType::kCustom);
    closeOneButton->setFrame(uikit::Rect(0, 0, 16, 16));
    auto closeTwoButton = uikit::Button::withType(uikit::ButtonType::kCustom);
    closeTwoButton->setFrame(uikit::Rect(0, 0, 16, 16));
    closeOne->addSubview(closeOneButton);
    closeTwo->addSubview(closeTwoButton);
    slotOne->addSubview(imageOne);
    slotOne->addSubview(closeOne);
    slotTwo->addSubview(imageTwo);
    slotTwo->addSubview(closeTwo);
    slots->addSubview(slotOne);
    slots->addSubview(slotTwo);
    container->addSubview(dashed);
    container->addSubview(thumbnails);
    container->addSubview(slots);

    auto save = uikit::Button::withType(uikit::ButtonType::kSystem);
    save->setFrame(uikit::Rect((width - 160) / 2, screen.size.height - 80, 160, 44));
    save->setTitle(std::string("Save"));
    save->setAccessibilityIdentifier("btnSave");
    view->addSubview(save);

    std::weak_ptr<AddNewComplaintVC> weak = controller;
    TapActions::addAction(save, [weak](uikit::Button&) {
      if (auto c = weak.lock()) c->actionSave();
    });
    TapActions::addTapGesture(dashed, [weak] {
      if (auto c = weak.lock()) c->actionAttechment();
    });
    TapActions::addAction(closeOneButton, [weak](uikit::Button&) {
      if (auto c = weak.lock()) c->actionFirstCloseButton();
    });
    TapActions::addAction(closeTwoButton, [weak](uikit::Button&) {
      if (auto c = weak.lock()) c->actionSecondCloseButton();
    });

    contents.controller = controller;
    contents.view = view;
    contents.outlets = {
        {"containerView", [weak, container] { if (auto c = weak.lock()) c->containerView = container; }},
        {"txtComplainFor", [weak, forField] { if (auto c = weak.lock()) c->setTxtComplainFor(forField); }},
        {"txtTypeOfComplain", [weak, typeField] { if (auto c = weak.lock()) c->setTxtTypeOfComplain(typeField); }},
        {"txtSuitableDate", [weak, dateField] { if (auto c = weak.lock()) c->setTxtSuitableDate(dateField); }},
        {"txtSuitableTime", [weak, timeField] { if (auto c = weak.lock()) c->setTxtSuitableTime(timeField); }},
        {"txtvComplainDescription",
         [weak, description] { if (auto c = weak.lock()) c->txtvComplainDescription = description; }},
        {"lblComplainFor", [weak, forLabel] { if (auto c = weak.lock()) c->lblComplainFor = forLabel; }},
        {"lblTypeOfComplain", [weak, typeLabel] { if (auto c = weak.lock()) c->lblTypeOfComplain = typeLabel; }},
        {"lblSuitableDate", [weak, dateLabel] { if (auto c = weak.lock()) c->lblSuitableDate = dateLabel; }},
        {"lblSuitableTime", [weak, timeLabel] { if (auto c = weak.lock()) c->lblSuitableTime = timeLabel; }},
        {"lblComplainDescription",
         [weak, descriptionLabel] { if (auto c = weak.lock()) c->lblComplainDescription = descriptionLabel; }},
        {"attechmentDeshedView", [weak, dashed] { if (auto c = weak.lock()) c->attechmentDeshedView = dashed; }},
        {"attechmentImageCollectionView",
         [weak, thumbnails] { if (auto c = weak.lock()) c->setAttechmentImageCollectionView(thumbnails); }},
        {"collAttechmentImages", [weak, collection] { if (auto c = weak.lock()) c->collAttechmentImages = collection; }},
        {"attechmentImageContainerView",
         [weak, slots] { if (auto c = weak.lock()) c->setAttechmentImageContainerView(slots); }},
        {"attechmentImageOneView", [weak, slotOne] { if (auto c = weak.lock()) c->attechmentImageOneView = slotOne; }},
        {"attechmentImageTwoView", [weak, slotTwo] { if (auto c = weak.lock()) c->attechmentImageTwoView = slotTwo; }},
        {"imgOne", [weak, imageOne] { if (auto c = weak.lock()) c->imgOne = imageOne; }},
        {"imgTwo", [weak, imageTwo] { if (auto c = weak.lock()) c->imgTwo = imageTwo; }},
        {"firstCloseButtonView", [weak, closeOne] { if (auto c = weak.lock()) c->firstCloseButtonView = closeOne; }},
        {"secondCloseButtonView", [weak, closeTwo] { if (auto c = weak.lock()) c->secondCloseButtonView = closeTwo; }},
    };
    return contents;
  });
}
