// The popup in which facility staff close a complaint: the raiser's
// description and photos, the resolver's comment and up to two photos of
// the work, a confirmation, then the closure. On success it toasts the
// server's message, tells its presenter and dismisses itself; on a failure
// or a refused request it stays open with what was entered.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/MDLCloseComplainGet.h"
#include "Facility/Models/MDLCloseComplainSave.h"
#include "Facility/Network/DataResponse.h"
#include "Facility/Widgets/FoldingLabel.h"
#include "PhotoPicker/ImagePickerController.h"
#include "Platform/Foundation/Value.h"
#include "Platform/Photos/Asset.h"
#include "Platform/UIKit/ActivityIndicatorView.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/CollectionView.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/StackView.h"
#include "Platform/UIKit/TextView.h"
#include "Platform/UIKit/ViewController.h"

class ComplainClosurePopupVC : public uikit::ViewController,
                               public FoldingLabelDelegate,
                               public uikit::CollectionViewDataSource,
                               public uikit::CollectionViewDelegate {
 public:
  static constexpr const char* kStoryboard = "FacilityAdmin";
  static constexpr std::int64_t kMaximumPhotos = 2;
  static constexpr double kThumbnailSide = 50;
  static constexpr double kThumbnailSpacing = 10;

  std::string complainId;
  std::function<void()> closeComplainClosure;
  std::optional<MDLCloseComplainGet> objComplainList;
  std::shared_ptr<photopicker::ImagePickerController> imagePicker;
  std::optional<std::vector<photos::AssetPtr>> arrSelectedImages;
  std::shared_ptr<uikit::ActivityIndicatorView> activityIndicator;

  // Outlets; connecting one styles it.
  std::weak_ptr<uikit::View> containerView;
  std::weak_ptr<uikit::Label> lblContainerTitle;
  std::weak_ptr<uikit::View> complainDescriptionContainerView;
  std::weak_ptr<uikit::Label> lblComplainDescriptionTitle;
  std::weak_ptr<FoldingLabel> lblComplainDescription;
  std::weak_ptr<uikit::StackView> photoStackView;
  std::weak_ptr<uikit::ImageView> imgReceivedOne;
  std::weak_ptr<uikit::ImageView> imgReceivedTwo;
  std::weak_ptr<uikit::Label> lblResolverComment;
  std::weak_ptr<uikit::TextView> txtvResolverComment;
  std::weak_ptr<uikit::View> attechmentDeshedView;
  std::weak_ptr<uikit::View> attechmentImageContainerView;
  std::weak_ptr<uikit::CollectionView> collAttechmentImages;
  std::weak_ptr<uikit::Label> lblAttechmentTitle;
  std::weak_ptr<uikit::Button> btnCloseComplain;

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidLayoutSubviews() override;

  void actionAttechment();
  void actionClosureOfComplain();
  void actionClosePopup();

  void resetImagePicker();
  void reloadAttachmentList();
  void showComplainDetails();
  void handleCloseComplainGetReply(const DataResponse<MDLCloseComplainGet>& response);
  void confirmAttachmentRemoval(long index);
  void removeAttachment(long index);
  void confirmComplaintClosure();
  void submitComplaintClosure();
  void handleCloseComplainSaveReply(const DataResponse<MDLCloseComplainSave>& response);
  void finishComplaintClosure(bool success, const std::optional<std::string>& message);

  // The closure's body. The photos are Base64 PNG texts in picker order;
  // they travel as one pretty JSON text ("[]" for none).
  static platform::Value::Dictionary closeComplainBody(const std::optional<MDLCloseComplainGet>& details,
                                                       const std::string& complainId, const std::string& remark,
                                                       const std::vector<std::string>& photoTexts);
  // What an image view gets from one "ImageUpload" entry ("prefix,Base64"):
  // none leaves the view as it is; a null image clears it. severalEntries:
  // the list has two or more entries.
  static std::optional<uikit::ImagePtr> receivedImage(const std::string& entry, bool severalEntries);

  // FoldingLabelDelegate: diagnostics only.
  void willExpandLabel(FoldingLabel& label) override;
  void didExpandLabel(FoldingLabel& label) override;
  void willCollapseLabel(FoldingLabel& label) override;
  void didCollapseLabel(FoldingLabel& label) override;

  long collectionViewNumberOfItemsInSection(uikit::CollectionView& view, long section) override;
  std::shared_ptr<uikit::CollectionViewCell> collectionViewCellForItemAtIndexPath(
      uikit::CollectionView& view, const uikit::IndexPath& indexPath) override;
  uikit::Size collectionViewLayoutSizeForItemAtIndexPath(uikit::CollectionView& view,
                                                         const uikit::IndexPath& indexPath) override;
  double collectionViewLayoutMinimumLineSpacingForSectionAtIndex(uikit::CollectionView& view,
                                                                 long section) override;

  static void registerScene();

 private:
  void showEmptyAttachmentArea();
};
