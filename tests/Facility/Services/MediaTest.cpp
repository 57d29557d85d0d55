#include <gtest/gtest.h>

#include "Facility/Network/APIImageRequest.h"
#include "Facility/Network/APIMimeTypes.h"
#include "Facility/Services/DocumentManager.h"
#include "Facility/Services/MediaManager.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/UIKit/ViewController.h"
#include "Platform/UIKit/Window.h"

namespace {

class MediaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_ = std::make_shared<platform::ManualClock>();
    platform::Clock::setCurrent(clock_);
    window_->setRootViewController(host_);
    window_->makeKeyAndVisible();
  }
  void TearDown() override {
    clock_->runFor(1.0);
    platform::Clock::setCurrent(nullptr);
  }

  // A host screen presenting the manager's picker.
  std::shared_ptr<uikit::ImagePickerController> presentPicker(MediaManager& manager) {
    auto picker = manager.imagePickerController();
    host_->present(picker, false);
    clock_->runFor(0.0);
    return picker;
  }

  struct Call {
    uikit::ImagePtr image;
    std::optional<uikit::ImagePickerInfo> info;
  };

  std::shared_ptr<platform::ManualClock> clock_;
  std::shared_ptr<uikit::ViewController> host_ = std::make_shared<uikit::ViewController>();
  std::shared_ptr<uikit::Window> window_ = std::make_shared<uikit::Window>();
};

TEST_F(MediaTest, CancelCallsBackOnceAfterTheDismissalWithNothing) {
  auto manager = MediaManager::make();
  std::vector<Call> calls;
  manager->commpletion = [&](uikit::ImagePtr image, std::optional<uikit::ImagePickerInfo> info) {
    calls.push_back({image, info});
  };
  auto picker = presentPicker(*manager);
  EXPECT_EQ(manager->imagePickerController(), picker);
  ASSERT_TRUE(picker->userCancel());
  EXPECT_TRUE(calls.empty());  // the dismissal is still under way
  clock_->runFor(1.0);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].image, nullptr);
  EXPECT_FALSE(calls[0].info.has_value());
  EXPECT_EQ(host_->presentedViewController(), nullptr);
}

TEST_F(MediaTest, PickingPassesTheChosenImageAndTheWholeInfo) {
  auto original = uikit::Image::fromBitmap(1, 1, {0, 0, 0, 255});
  ASSERT_NE(original, nullptr);
  for (bool editing : {false, true}) {
    SCOPED_TRACE(editing);
    auto manager = MediaManager::make();
    std::vector<Call> calls;
    manager->commpletion = [&](uikit::ImagePtr image, std::optional<uikit::ImagePickerInfo> info) {
      calls.push_back({image, info});
    };
    auto picker = presentPicker(*manager);
    picker->allowsEditing = editing;
    uikit::ImagePickerInfo info{{uikit::kImagePickerControllerOriginalImage, uikit::ImagePtr(original)},
                                {uikit::kImagePickerControllerMediaType, std::string("public.image")}};
    ASSERT_TRUE(picker->userPick(info));
    clock_->runFor(1.0);
    ASSERT_EQ(calls.size(), 1u);
    // With editing on, only an edited image counts.
    EXPECT_EQ(calls[0].image, editing ? nullptr : original);
    ASSERT_TRUE(calls[0].info.has_value());
    EXPECT_EQ(calls[0].info->size(), 2u);
  }
}

TEST_F(MediaTest, AManagerReleasedBeforeTheDismissalCallsNothing) {
  auto manager = MediaManager::make();
  int calls = 0;
  manager->commpletion = [&](uikit::ImagePtr, std::optional<uikit::ImagePickerInfo>) { ++calls; };
  auto picker = presentPicker(*manager);
  // The picker holds its delegate weakly; keep the manager alive through the call only.
  picker->userCancel();
  manager.reset();
  clock_->runFor(1.0);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(host_->presentedViewController(), nullptr);
}

TEST_F(MediaTest, DocumentManagerPassesSeveralUrlsInOrderAndIgnoresTheSingleCall) {
  auto manager = std::make_shared<DocumentManager>();
  std::vector<std::vector<std::string>> calls;
  manager->commpletion = [&](const std::vector<std::string>& urls) { calls.push_back(urls); };
  uikit::DocumentPickerViewController picker;
  picker.setDelegate(manager);
  ASSERT_TRUE(picker.userPick({"file:///c.pdf", "file:///a.pdf", "file:///b.pdf"}));
  picker.userPickSingle("file:///single.pdf");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], (std::vector<std::string>{"file:///c.pdf", "file:///a.pdf", "file:///b.pdf"}));
}

TEST_F(MediaTest, MimeRawValuesAreExactExtensions) {
  EXPECT_EQ(APIMimeTypesRaw::rawValue(APIMimeTypes::_3gp), "3gp");
  EXPECT_EQ(APIMimeTypesRaw::fromRawValue("3gp"), APIMimeTypes::_3gp);
  EXPECT_FALSE(APIMimeTypesRaw::fromRawValue("_3gp"));
  EXPECT_FALSE(APIMimeTypesRaw::fromRawValue("JPG"));
  for (auto t : {APIMimeTypes::jpeg, APIMimeTypes::jpg, APIMimeTypes::png, APIMimeTypes::gif, APIMimeTypes::svg,
                 APIMimeTypes::tiff, APIMimeTypes::txt, APIMimeTypes::pdf, APIMimeTypes::m4a, APIMimeTypes::mp4,
                 APIMimeTypes::_3gp, APIMimeTypes::avi, APIMimeTypes::mov, APIMimeTypes::mpg, APIMimeTypes::rar,
                 APIMimeTypes::jar}) {
    EXPECT_EQ(APIMimeTypesRaw::fromRawValue(APIMimeTypesRaw::rawValue(t)), t);
  }
}

TEST_F(MediaTest, UploadRequestsCarryTheirMedia) {
  APIImageAndImagesRequest request(APIName::Case::ComplainSave, HTTPMethod::POST, std::nullopt, RequestType::httpBody);
  request.singleImage.emplace("photo", UploadMedia{MediaType{APIMimeTypes::png}, MediaData{MediaData::Url{"a.png"}},
                                                   "a.png", "0"});
  request.multipleImage["docs"].push_back(
      UploadMedia{MediaType{APIMimeTypes::pdf}, MediaData{MediaData::RawData{{1, 2}}}, std::nullopt, std::nullopt});
  double progress = 0;
  request.uploadingProgress = [&](double p) { progress = p; };
  request.uploadingProgress(0.5);
  EXPECT_EQ(progress, 0.5);
  EXPECT_EQ(request.singleImage.at("photo").mediaType, MediaType{APIMimeTypes::png});
  EXPECT_EQ(request.apiName.apiCase(), APIName::Case::ComplainSave);
}

}  // namespace
