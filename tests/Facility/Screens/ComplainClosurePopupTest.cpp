#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Facility/Screens/AttechmentImageCell.h"
#include "Platform/CommonCrypto/Base64.h"
#include "Platform/Photos/PhotoLibrary.h"
#include "tests/Facility/Screens/UploadedPhotos.h"
#include "tests/support/PhotoFixture.h"
#include "tests/Facility/Screens/FacilityTaskFixture.h"

namespace screens_test {
namespace {

using D = platform::Value::Dictionary;

// Base64 of a PNG of the given pixel size.
std::string pngText(double width, double height) {
  auto png = uikit::Image::filled({width, height}, AppColor::green())->pngData();
  return platform::Base64::encode(*png);
}

photos::AssetPtr photoAsset(const std::string& id, int width, int height, unsigned seed) {
  auto bitmap = facility_test::PhotoFixture::photoLike(width, height, seed);
  auto image = uikit::Image::fromBitmap(bitmap.width, bitmap.height, std::move(bitmap.rgba));
  photos::Asset::Fields f;
  f.localIdentifier = id;
  f.pixelWidth = width;
  f.pixelHeight = height;
  f.creationDate = 1700000000.0;
  f.image = image;
  return photos::Asset::make(std::move(f));
}

class ComplainClosurePopupTest : public FacilityTaskFixture {
 protected:
  void SetUp() override {
    FacilityTaskFixture::SetUp();
    server_.setJsonReply(kGetPath, R"({"IsSuccess":true,"TenantID":12,"FacilityType":"Parking","Remark":"Dark"})");
    server_.setJsonReply(kSavePath, R"({"IsSuccess":true,"Message":"Complain closed"})");
  }
  void TearDown() override {
    popup.reset();
    FacilityTaskFixture::TearDown();
  }

  // Presented as the task list does, over the root screen; with withClosure
  // the closure counts its calls.
  void presentPopup(bool withClosure = true) {
    popup = std::dynamic_pointer_cast<ComplainClosurePopupVC>(
        Storyboards::instantiateScreen(StoryboardName::facilityAdmin, "ComplainClosurePopupVC"));
    ASSERT_TRUE(popup);
    popup->complainId = "41";
    if (withClosure) popup->closeComplainClosure = [this] { ++closures; };
    popup->modalPresentationStyle = uikit::ModalPresentationStyle::kOverCurrentContext;
    ASSERT_TRUE(nav->present(popup, false));
    stepHeld(0);
  }
  // Presented, the details answered and shown.
  void openPopup(bool withClosure = true) {
    presentPopup(withClosure);
    ASSERT_TRUE(waitForRequests(kGetPath, 1));
    ASSERT_TRUE(runUntil([&] { return popup->objComplainList.has_value(); }));
    runFor(0.5);
  }
  bool popupShown() { return nav->presentedViewController() == popup; }
  bool spinning() { return popup->activityIndicator && popup->activityIndicator->isAnimating(); }

  // Taps the close-complaint button and answers the confirmation.
  void confirmClose(const std::string& answer) {
    ASSERT_TRUE(popup->btnCloseComplain.lock()->tap());
    runFor(0.5);
    auto alert = alertOnScreen();
    ASSERT_TRUE(alert);
    ASSERT_TRUE(alert->pressActionWithTitle(answer));
    // The action runs once the alert is gone; its request may be held.
    stepHeld(0.5);
  }

  // "empty" (dashed box only), "filled" (thumbnails only) or "mixed".
  std::string attachmentArea() {
    auto dashed = popup->attechmentDeshedView.lock();
    auto thumbnails = popup->attechmentImageContainerView.lock();
    if (!dashed->isHidden() && thumbnails->isHidden()) return "empty";
    if (dashed->isHidden() && !thumbnails->isHidden()) return "filled";
    return "mixed";
  }
  std::vector<std::string> thumbnails() {
    pump();
    std::vector<std::string> shown;
    auto collection = popup->collAttechmentImages.lock();
    for (long i = 0; i < collection->numberOfItemsInSection(0); ++i) {
      auto cell = std::dynamic_pointer_cast<AttechmentImageCell>(
          popup->collectionViewCellForItemAtIndexPath(*collection, uikit::IndexPath::forItem(i, 0)));
      shown.push_back(cell ? (*popup->arrSelectedImages)[static_cast<std::size_t>(i)]->localIdentifier() : "<no cell>");
    }
    return shown;
  }
  // A tap on the dashed box, the selection, Done.
  void pickPhotos(const std::vector<photos::AssetPtr>& assets) {
    popup->actionAttechment();
    ASSERT_TRUE(runUntil([&] { return popup->presentedViewController() == popup->imagePicker; }));
    runFor(0.5);
    popup->imagePicker->assetStore->setAssets(assets);
    popup->imagePicker->doneButtonPressed();
    runFor(0.5);
  }
  // The close button of a thumbnail, then the answer to the removal alert.
  void removeThumbnail(long item, const std::string& answer) {
    auto collection = popup->collAttechmentImages.lock();
    auto cell = std::dynamic_pointer_cast<AttechmentImageCell>(
        popup->collectionViewCellForItemAtIndexPath(*collection, uikit::IndexPath::forItem(item, 0)));
    ASSERT_TRUE(cell && cell->closeButtonTapped);
    cell->closeButtonTapped();
    runFor(0.5);
    auto alert = alertOnScreen();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->alertTitle(), std::optional<std::string>("Alert"));
    EXPECT_EQ(alert->message(), std::optional<std::string>("Are you sure want to delete?"));
    ASSERT_EQ(alert->actions().size(), 2u);
    EXPECT_EQ(alert->actions()[0]->title(), std::optional<std::string>("Yes"));
    EXPECT_EQ(alert->actions()[0]->style(), uikit::AlertActionStyle::kDestructive);
    EXPECT_EQ(alert->actions()[1]->title(), std::optional<std::string>("No"));
    ASSERT_TRUE(alert->pressActionWithTitle(answer));
    runFor(0.5);
  }

  std::shared_ptr<ComplainClosurePopupVC> popup;
  int closures = 0;
};

TEST_F(ComplainClosurePopupTest, TheCloseBodyTakesTheDetailsCommentAndPhotos) {
  MDLCloseComplainGet full;
  full.tenantID = 12;
  full.facilityType = "Parking";
  MDLCloseComplainGet nulls;  // "TenantID" and "FacilityType" null or absent
  struct Case {
    const char* name;
    std::optional<MDLCloseComplainGet> details;
    std::string remark;
    std::vector<std::string> photos;
    D body;
  };
  const Case cases[] = {
      {"no details", std::nullopt, "", {},
       D{{"TenantID", 0}, {"ID", "41"}, {"Remark", ""}, {"FacilityType", ""}, {"StrImgupload", "[]"}}},
      {"null tenant and type", nulls, "Done", {},
       D{{"TenantID", 0}, {"ID", "41"}, {"Remark", "Done"}, {"FacilityType", ""}, {"StrImgupload", "[]"}}},
      {"details and two photos in order", full, "Replaced / fixed", {"ab/c", "de+f"},
       D{{"TenantID", 12},
         {"ID", "41"},
         {"Remark", "Replaced / fixed"},
         {"FacilityType", "Parking"},
         {"StrImgupload", "[\n  \"ab\\/c\",\n  \"de+f\"\n]"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ComplainClosurePopupVC::closeComplainBody(c.details, "41", c.remark, c.photos), c.body);
  }

  // On the wire: a null tenant, no comment and no photos.
  server_.setJsonReply(kGetPath, R"({"IsSuccess":true,"TenantID":null,"FacilityType":null,"Remark":"Dark"})");
  openPopup();
  confirmClose("Yes");
  ASSERT_TRUE(waitForRequests(kSavePath, 1));
  EXPECT_EQ(formsOf(kSavePath)[0], (Form{{"FacilityType", ""},
                                         {"ID", "41"},
                                         {"Remark", ""},
                                         {"StrImgupload", "[]"},
                                         {"TenantID", "0"}}));
}

// What the received-photo row shows for the details' "ImageUpload". The
// image views start with a marker picture, so "kept" can be told apart
// from "cleared".
TEST_F(ComplainClosurePopupTest, ReceivedPhotosFollowTheImageUploadList) {
  const std::string png32 = "data:image/png;base64," + pngText(3, 2);
  const std::string png45 = "data:image/png;base64," + pngText(4, 5);
  const std::string png67 = "data:image/png;base64," + pngText(6, 7);
  const auto list = [](std::vector<std::string> entries) {
    std::string json = "[";
    for (std::size_t i = 0; i < entries.size(); ++i) json += (i ? ",\"" : "\"") + entries[i] + "\"";
    return json + "]";
  };
  struct Case {
    const char* name;
    std::optional<std::string> imageUpload;  // JSON; none: key absent
    std::string shown;
  };
  const Case cases[] = {
      {"absent list leaves the row as laid out", std::nullopt, "row | one marker | two marker"},
      {"empty list hides the row", "[]", "row hidden | one marker | two marker"},
      {"one entry", list({png32}), "row | one 3x2 | two hidden marker"},
      {"two entries", list({png32, png45}), "row | one 3x2 | two 4x5"},
      {"three entries show the first two", list({png32, png45, png67}), "row | one 3x2 | two 4x5"},
      {"a single entry without comma keeps the view", list({pngText(3, 2)}), "row | one marker | two hidden marker"},
      {"an entry without comma among two clears its view", list({png32, pngText(4, 5)}), "row | one 3x2 | two none"},
      {"bad Base64 keeps the view", list({"data:image/png;base64,iVBOR\\nw0K", png45}), "row | one marker | two 4x5"},
      {"empty pieces are dropped", list({",," + png32}), "row | one 3x2 | two hidden marker"},
  };
  const auto marker = uikit::Image::filled({9, 9}, AppColor::silver());
  const auto describe = [&](const std::shared_ptr<uikit::ImageView>& view) {
    const auto image = view->image();
    std::string text = view->isHidden() ? "hidden " : "";
    if (!image) return text + "none";
    if (image == marker) return text + "marker";
    return text + std::to_string(image->pixelWidth()) + "x" + std::to_string(image->pixelHeight());
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server_.setJsonReply(kGetPath, std::string(R"({"IsSuccess":true,"Remark":"Dark")") +
                                       (c.imageUpload ? ",\"ImageUpload\":" + *c.imageUpload : "") + "}");
    server_.holdReply(kGetPath);
    presentPopup();
    popup->imgReceivedOne.lock()->setImage(marker);
    popup->imgReceivedTwo.lock()->setImage(marker);
    server_.releaseReply(kGetPath);
    ASSERT_TRUE(runUntil([&] { return popup->objComplainList.has_value(); }));
    runFor(0.5);
    auto one = popup->imgReceivedOne.lock();
    auto two = popup->imgReceivedTwo.lock();
    EXPECT_EQ(std::string(popup->photoStackView.lock()->isHidden() ? "row hidden" : "row") + " | one " +
                  describe(one) + " | two " + describe(two),
              c.shown);
    EXPECT_EQ(popup->lblComplainDescription.lock()->text(), std::optional<std::string>("Dark"));
    nav->dismiss(false);
    pump();
    server_.clearRequests();
  }
}

TEST_F(ComplainClosurePopupTest, DetailsFailuresToastAndLeaveTheDescriptionEmpty) {
  struct Case {
    const char* name;
    Reply reply;
    bool anyText;  // a decoding failure's description
    std::string toast;
  };
  const Case cases[] = {
      {"refused", Reply(200, R"({"IsSuccess":false,"Message":"Unknown complaint","Remark":"x"})"), false,
       "Unknown complaint"},
      {"no verdict", Reply(200, R"({"Remark":"x"})"), false, ""},
      {"undecodable", Reply(200, R"({"TenantID":"12"})"), true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    settleToast();
    server_.setReply(kGetPath, c.reply);
    presentPopup();
    ASSERT_TRUE(waitForRequests(kGetPath, 1));
    ASSERT_TRUE(runUntil([&] { return toastOnScreen().has_value(); }));
    runFor(0.3);
    EXPECT_FALSE(AppLoader::shared().isAnimating);
    EXPECT_FALSE(popup->objComplainList);
    if (c.anyText) {
      EXPECT_FALSE(toastOnScreen()->empty());
    } else {
      EXPECT_EQ(toastOnScreen(), c.toast);
    }
    EXPECT_EQ(popup->lblComplainDescription.lock()->text().value_or(""), "");
    EXPECT_TRUE(popupShown());
    nav->dismiss(false);
    pump();
    server_.clearRequests();
  }
}

// "No" first, then "Yes"; "No" sends nothing; "Yes" sends, toasts the
// server's message, calls the closure once and dismisses.
TEST_F(ComplainClosurePopupTest, ConfirmedCloseToastsTellsThePresenterOnceAndDismisses) {
  openPopup();
  ASSERT_TRUE(popup->btnCloseComplain.lock()->tap());
  runFor(0.5);
  auto alert = alertOnScreen();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->alertTitle(), std::optional<std::string>("Are you sure?"));
  EXPECT_EQ(alert->message(), std::optional<std::string>("Do you want to close this complain?"));
  ASSERT_EQ(alert->actions().size(), 2u);
  EXPECT_EQ(alert->actions()[0]->title(), std::optional<std::string>("No"));
  EXPECT_EQ(alert->actions()[1]->title(), std::optional<std::string>("Yes"));
  ASSERT_TRUE(alert->pressActionWithTitle("No"));
  runFor(1.0);
  EXPECT_TRUE(formsOf(kSavePath).empty());
  EXPECT_TRUE(popupShown());
  EXPECT_EQ(closures, 0);

  popup->txtvResolverComment.lock()->setText("Bulb replaced");
  settleToast();
  server_.holdReply(kSavePath);
  confirmClose("Yes");
  ASSERT_TRUE(waitForRequests(kSavePath, 1));
  EXPECT_TRUE(spinning());
  EXPECT_TRUE(AppLoader::shared().isAnimating);
  server_.releaseReply(kSavePath);
  ASSERT_TRUE(runUntil([&] { return closures > 0; }));
  EXPECT_EQ(toastOnScreen(), std::optional<std::string>("Complain closed"));
  EXPECT_FALSE(spinning());
  runFor(1.0);
  EXPECT_EQ(closures, 1);
  EXPECT_FALSE(nav->presentedViewController());
  EXPECT_EQ(formsOf(kSavePath)[0], (Form{{"FacilityType", "Parking"},
                                         {"ID", "41"},
                                         {"Remark", "Bulb replaced"},
                                         {"StrImgupload", "[]"},
                                         {"TenantID", "12"}}));
}

TEST_F(ComplainClosurePopupTest, AConfirmedCloseWithoutClosureStillToastsAndDismisses) {
  openPopup(false);
  confirmClose("Yes");
  ASSERT_TRUE(runUntil([&] { return toastOnScreen() == std::optional<std::string>("Complain closed"); }));
  runFor(1.0);
  EXPECT_FALSE(nav->presentedViewController());
}

// A refused or unreadable close keeps the popup with its comment, stops the
// spinner and does not tell the presenter; confirming again sends anew.
TEST_F(ComplainClosurePopupTest, AFailedCloseKeepsThePopupAndItsEntries) {
  openPopup();
  popup->txtvResolverComment.lock()->setText("Needs a part");
  struct Case {
    const char* name;
    Reply reply;
    std::optional<std::string> toast;  // none: any text
  };
  const Case cases[] = {
      {"refused", Reply(200, R"({"IsSuccess":false,"Message":"Already closed"})"), "Already closed"},
      {"no verdict", Reply(200, R"({"Message":"Server busy"})"), "Server busy"},
      {"undecodable", Reply(200, "<html>"), std::nullopt},
  };
  std::size_t sent = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    settleToast();
    server_.setReply(kSavePath, c.reply);
    confirmClose("Yes");
    ASSERT_TRUE(waitForRequests(kSavePath, ++sent));
    ASSERT_TRUE(runUntil([&] { return !spinning(); }));
    pump();
    ASSERT_TRUE(toastOnScreen());
    if (c.toast) {
      EXPECT_EQ(toastOnScreen(), c.toast);
    }
    EXPECT_FALSE(AppLoader::shared().isAnimating);
    runFor(1.0);
    EXPECT_TRUE(popupShown());
    EXPECT_EQ(closures, 0);
    EXPECT_EQ(popup->txtvResolverComment.lock()->text(), "Needs a part");
    EXPECT_EQ(formsOf(kSavePath).back(), (Form{{"FacilityType", "Parking"},
                                               {"ID", "41"},
                                               {"Remark", "Needs a part"},
                                               {"StrImgupload", "[]"},
                                               {"TenantID", "12"}}));
  }
}

// No reply comes offline or on a refused connection: the spinner still
// stops, the popup stays and no toast is added.
TEST_F(ComplainClosurePopupTest, TheSpinnerStopsWhenTheCloseIsNotDelivered) {
  std::string closedURL;
  {
    Server closed;
    ASSERT_TRUE(closed.start());
    closedURL = closed.baseURL();
  }
  struct Case {
    const char* name;
    bool offline;
  };
  const Case cases[] = {{"offline", true}, {"connection refused", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    openPopup();
    popup->txtvResolverComment.lock()->setText("Done");
    settleToast();
    if (c.offline) {
      NetworkReachability::shared().isNetworkReachable = false;
    } else {
      UserDefaultsAccess::setValue(platform::Value(closedURL), UserDefaultsKey::serverUrl);
    }
    confirmClose("Yes");
    ASSERT_TRUE(runUntil([&] { return !spinning(); }));
    runFor(1.0);
    EXPECT_FALSE(AppLoader::shared().isAnimating);
    EXPECT_EQ(toastOnScreen(), std::nullopt);
    EXPECT_EQ(closures, 0);
    EXPECT_EQ(popup->txtvResolverComment.lock()->text(), "Done");
    // The request layer's own "Sorry" alert sits over the popup.
    auto alert = alertOnScreen();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->alertTitle(), std::optional<std::string>("Sorry"));
    EXPECT_EQ(alert->presentingViewController(), popup);
    NetworkReachability::shared().isNetworkReachable = true;
    UserDefaultsAccess::setValue(platform::Value(server_.baseURL()), UserDefaultsKey::serverUrl);
    ASSERT_TRUE(alert->dismiss(false));
    pump();
    nav->dismiss(false);
    pump();
    server_.clearRequests();
  }
}

// Closed before the details come: the popup goes at once, and the late
// reply still hides the loader and toasts.
TEST_F(ComplainClosurePopupTest, ClosingBeforeTheDetailsSendsNothing) {
  server_.setJsonReply(kGetPath, R"({"IsSuccess":false,"Message":"Late"})");
  server_.holdReply(kGetPath);
  presentPopup();
  ASSERT_TRUE(waitForRequests(kGetPath, 1));
  EXPECT_TRUE(AppLoader::shared().isAnimating);
  popup->actionClosePopup();
  stepHeld(1.0);
  EXPECT_FALSE(nav->presentedViewController());
  server_.releaseReply(kGetPath);
  ASSERT_TRUE(runUntil([&] { return toastOnScreen() == std::optional<std::string>("Late"); }));
  pump();
  EXPECT_FALSE(AppLoader::shared().isAnimating);
  EXPECT_TRUE(formsOf(kSavePath).empty());
  EXPECT_EQ(closures, 0);
}

// The resolver's photos: picked in order, removed after a question, sent
// as PNG texts of the shrunk photos; a failed close keeps them.
TEST_F(ComplainClosurePopupTest, PhotosOfTheWorkAreAskedBeforeRemovalAndSentInPickerOrder) {
  const auto folder = std::filesystem::temp_directory_path() / "closure-popup-photos";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  auto library = photos::PhotoLibrary::create(folder.string());
  photos::PhotoLibrary::setShared(library);
  auto first = photoAsset("first", 64, 48, 7);
  auto second = photoAsset("second", 40, 30, 8);
  library->addAssets({first, second});
  pump();

  openPopup();
  EXPECT_EQ(attachmentArea(), "empty");
  EXPECT_EQ(popup->imagePicker->settings->selection().max(), 2);
  EXPECT_EQ(popup->imagePicker->settings->theme().selectionStyle(),
            photopicker::Settings::Theme::SelectionStyle::kNumbered);
  pickPhotos({second, first});
  EXPECT_EQ(attachmentArea(), "filled");
  EXPECT_EQ(thumbnails(), (std::vector<std::string>{"second", "first"}));
  removeThumbnail(0, "No");
  EXPECT_EQ(thumbnails(), (std::vector<std::string>{"second", "first"}));

  server_.setJsonReply(kSavePath, R"({"IsSuccess":false,"Message":"Try again"})");
  confirmClose("Yes");
  ASSERT_TRUE(waitForRequests(kSavePath, 1));
  ASSERT_TRUE(runUntil([&] { return !spinning(); }));
  runFor(0.5);
  std::string upload;
  const auto forms = formsOf(kSavePath);
  for (const auto& [key, value] : forms[0]) {
    if (key == "StrImgupload") upload = value;
  }
  EXPECT_EQ(uploadedSizes(upload), (std::vector<std::string>{"40x30", "64x48"}));
  EXPECT_TRUE(slashesEscaped(upload));
  EXPECT_EQ(attachmentArea(), "filled");
  EXPECT_EQ(thumbnails(), (std::vector<std::string>{"second", "first"}));

  // Removing the last thumbnail brings back the dashed box and a fresh picker.
  const auto picker = popup->imagePicker;
  removeThumbnail(0, "Yes");
  EXPECT_EQ(thumbnails(), (std::vector<std::string>{"first"}));
  EXPECT_EQ(attachmentArea(), "filled");
  removeThumbnail(0, "Yes");
  EXPECT_EQ(attachmentArea(), "empty");
  EXPECT_NE(popup->imagePicker, picker);
  EXPECT_TRUE(popup->imagePicker->selectedAssets().empty());
  EXPECT_EQ(thumbnails(), std::vector<std::string>{});

  popup.reset();
  nav->dismiss(false);
  pump();
  photos::PhotoLibrary::setShared(nullptr);
  library.reset();
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace screens_test
