// The form on which a tenant raises a complaint: the place, its type (the
// place's categories, fetched from the server), a suitable date and time, a
// description and up to two photos. Save checks the fields in screen order,
// posts the complaint and, once the server confirms, tells its opener and
// returns to the root screen.
//
// Choosing another place clears the type at once, and only the reply to the
// latest category request fills the list, so a save never carries the
// category of a place no longer chosen.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/MDLComplainCategory.h"
#include "Facility/Models/MDLInviteVisitor.h"
#include "Facility/Network/DataResponse.h"
#include "Facility/Screens/ComplainFor.h"
#include "PhotoPicker/ImagePickerController.h"
#include "Platform/Foundation/Value.h"
#include "Platform/Photos/Asset.h"
#include "Platform/UIKit/CollectionView.h"
#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/Layer.h"
#include "Platform/UIKit/TextField.h"
#include "Platform/UIKit/TextView.h"
#include "Platform/UIKit/ViewController.h"

class AddNewComplaintVC : public uikit::ViewController,
                          public uikit::CollectionViewDataSource,
                          public uikit::CollectionViewDelegate {
 public:
  static constexpr const char* kStoryboard = "TenantAdmin";
  static constexpr const char* kDateFormat = "dd/MM/yyyy";
  static constexpr const char* kTimeFormat = "HH:mm";
  static constexpr int kDaysAhead = 30;
  static constexpr std::int64_t kMaximumPhotos = 2;
  static constexpr double kThumbnailSide = 50;
  static constexpr double kThumbnailSpacing = 10;
  static constexpr const char* kRemovalQuestion = "Are you sure want to delete?";
  static constexpr const char* kDownArrowImage = "ic_downArrow";
  static constexpr const char* kCalendarImage = "ic_calendar";

  // What validateComplaint answers: true with "okay", or false with the
  // message of the first empty field.
  struct ValidationResult {
    bool valid = false;
    std::string message;
  };

  AddNewComplaintVC();

  // State.
  std::vector<ComplainFor> arrComplain = ComplainFor::choices();
  ComplainFor selectedComplainFor;
  std::string complainFor;
  std::vector<ComplainCategory> arrComplainCategory;
  std::optional<ComplainCategory> selectedComplainCategory;
  std::string complainType;
  // Seconds since 1970; the moment of creation until a date is chosen.
  double selectedSuitableDateDate = 0;
  std::string selectedSuitableDate;
  std::string selectedSuitableTime;
  std::shared_ptr<photopicker::ImagePickerController> imagePicker;
  std::optional<std::vector<photos::AssetPtr>> arrSelectedImages;
  std::vector<uikit::ImagePtr> selectedImages;
  std::function<void()> actionUpdateCount;

  // Outlets; the input fields are set up as they are connected.
  std::weak_ptr<uikit::View> containerView;
  std::shared_ptr<uikit::TextField> txtComplainFor() const { return txtComplainFor_.lock(); }
  void setTxtComplainFor(const std::shared_ptr<uikit::TextField>& field);
  std::shared_ptr<uikit::TextField> txtTypeOfComplain() const { return txtTypeOfComplain_.lock(); }
  void setTxtTypeOfComplain(const std::shared_ptr<uikit::TextField>& field);
  std::shared_ptr<uikit::TextField> txtSuitableDate() const { return txtSuitableDate_.lock(); }
  void setTxtSuitableDate(const std::shared_ptr<uikit::TextField>& field);
  std::shared_ptr<uikit::TextField> txtSuitableTime() const { return txtSuitableTime_.lock(); }
  void setTxtSuitableTime(const std::shared_ptr<uikit::TextField>& field);
  std::weak_ptr<uikit::TextView> txtvComplainDescription;
  std::weak_ptr<uikit::Label> lblComplainFor, lblTypeOfComplain, lblSuitableDate, lblSuitableTime,
      lblComplainDescription;
  std::weak_ptr<uikit::View> attechmentDeshedView;
  std::shared_ptr<uikit::View> attechmentImageCollectionView() const { return attechmentImageCollectionView_.lock(); }
  void setAttechmentImageCollectionView(const std::shared_ptr<uikit::View>& view);
  std::weak_ptr<uikit::CollectionView> collAttechmentImages;
  // The older two-slot layout: hidden at load, stays hidden.
  std::shared_ptr<uikit::View> attechmentImageContainerView() const { return attechmentImageContainerView_.lock(); }
  void setAttechmentImageContainerView(const std::shared_ptr<uikit::View>& view);
  std::weak_ptr<uikit::View> attechmentImageOneView, attechmentImageTwoView;
  std::weak_ptr<uikit::ImageView> imgOne, imgTwo;
  std::weak_ptr<uikit::View> firstCloseButtonView, secondCloseButtonView;

  void viewDidLoad() override;
  void viewDidLayoutSubviews() override;

  // Actions.
  void actionAttechment();
  void actionSave();
  void actionFirstCloseButton();
  void actionSecondCloseButton();

  // Steps of the form, public for the scenario console and tests.
  void complainForChosen(const std::string& text, long row);
  void complainCategoryChosen(const std::string& text, long row);
  void suitableDateChosen(double date);
  void configureTimePicker();
  void resetImagePicker();
  void reloadAttachmentList();
  void confirmAttachmentRemoval(std::size_t index);
  void removeAttachment(std::size_t index);
  ValidationResult validateComplaint() const;
  void submitComplaint();

  // The save request's body: the place's id, the category's id (0 without
  // one), the date and time texts, the description and, only when there is
  // at least one image, the images' upload text under "StrImgupload".
  static platform::Value::Dictionary complainSaveBody(const ComplainFor& place,
                                                      const std::optional<ComplainCategory>& category,
                                                      const std::string& visitDate, const std::string& visitTime,
                                                      const std::string& remark,
                                                      const std::vector<uikit::ImagePtr>& images);

  long collectionViewNumberOfItemsInSection(uikit::CollectionView& view, long section) override;
  std::shared_ptr<uikit::CollectionViewCell> collectionViewCellForItemAtIndexPath(
      uikit::CollectionView& view, const uikit::IndexPath& indexPath) override;
  uikit::Size collectionViewLayoutSizeForItemAtIndexPath(uikit::CollectionView& view,
                                                         const uikit::IndexPath& indexPath) override;
  double collectionViewLayoutMinimumLineSpacingForSectionAtIndex(uikit::CollectionView& view,
                                                                 long section) override;

  static void registerScene();

 private:
  void configureCategoryPicker();
  void showEmptyAttachments();
  void showFilledAttachments();
  void handleCategoryReply(std::uint64_t sequence, const DataResponse<MDLComplainCategory>& response);
  void handleSaveReply(const DataResponse<MDLInviteVisitor>& response);
  void finishSave();

  std::weak_ptr<uikit::TextField> txtComplainFor_, txtTypeOfComplain_, txtSuitableDate_, txtSuitableTime_;
  std::weak_ptr<uikit::View> attechmentImageCollectionView_, attechmentImageContainerView_;
  std::uint64_t lastCategoryRequest_ = 0;
  std::shared_ptr<uikit::ShapeLayer> dashedBorder_;
};
