#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Facility/Screens/AddNewComplaintVC.h"
#include "Facility/Screens/AttechmentImageCell.h"
#include "Facility/Screens/ComplaintPhotoUpload.h"
#include "Facility/Screens/StoryboardName.h"
#include "Facility/Support/FormattedString.h"
#include "Facility/Widgets/AppLoader.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "Facility/Widgets/TextFieldInput.h"
#include "Platform/Foundation/DateFormatter.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Photos/PhotoLibrary.h"
#include "Platform/UIKit/Nib.h"
#include "tests/Facility/Screens/ComplaintFilterFixture.h"
#include "tests/Facility/Screens/UploadedPhotos.h"
#include "tests/support/PhotoFixture.h"

namespace screens_test {
namespace {

constexpr const char* kCategoryPath = "/api/Complain/ComplainCategory";
constexpr const char* kSavePath = "/api/Complain/ComplainSave";
constexpr double kDay = 86400;
using Reply = testsupport::FacilityTestServer::Reply;
using Form = std::vector<std::pair<std::string, std::string>>;
using Strings = std::vector<std::string>;
using Body = platform::Value::Dictionary;

const char* kParkingTypes = R"({"IsSuccess":true,"lstComplainCategory":[{"ID":11,"Name":"Lights"},{"ID":12,"Name":"Gate"}]})";
const char* kAuditoriumTypes = R"({"IsSuccess":true,"lstComplainCategory":[{"ID":21,"Name":"Seats"}]})";
const char* kBuildingTypes = R"({"IsSuccess":true,"lstComplainCategory":[{"ID":31,"Name":"Lift"},{"Name":"Other"}]})";

uikit::ImagePtr picture(int width, int height, unsigned seed) {
  auto bitmap = facility_test::PhotoFixture::photoLike(width, height, seed);
  return uikit::Image::fromBitmap(bitmap.width, bitmap.height, std::move(bitmap.rgba));
}

photos::AssetPtr photoAsset(const std::string& id, const uikit::ImagePtr& image) {
  photos::Asset::Fields f;
  f.localIdentifier = id;
  f.pixelWidth = image->pixelWidth();
  f.pixelHeight = image->pixelHeight();
  f.creationDate = 1700000000.0;
  f.image = image;
  return photos::Asset::make(std::move(f));
}

std::shared_ptr<uikit::View> findView(const std::shared_ptr<uikit::View>& root, const std::string& id) {
  if (!root) return nullptr;
  if (root->accessibilityIdentifier() == id) return root;
  for (const auto& s : root->subviews()) {
    if (auto found = findView(s, id)) return found;
  }
  return nullptr;
}

std::string describeBody(const Body& body) {
  std::string out;
  for (const auto& [key, value] : body) {
    out += key + "=";
    if (const auto* s = value.getString()) {
      out += "\"" + *s + "\"";
    } else if (auto i = value.getInt()) {
      out += std::to_string(*i);
    } else {
      out += "?";
    }
    out += " ";
  }
  return out;
}

class AddNewComplaintTest : public ComplaintFilterFixture {
 protected:
  void SetUp() override {
    ComplaintFilterFixture::SetUp();
    folder_ = std::filesystem::temp_directory_path() /
              ("complaint-form-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    library = photos::PhotoLibrary::create(folder_.string());
    photos::PhotoLibrary::setShared(library);
    server_.setJsonReply(kCategoryPath, kParkingTypes);
    server_.setJsonReply(kSavePath, R"({"IsSuccess":true,"Message":"Complaint saved"})");
    clearToast();
  }
  void TearDown() override {
    form.reset();
    ComplaintFilterFixture::TearDown();
    photos::PhotoLibrary::setShared(nullptr);
    library.reset();
    std::filesystem::remove_all(folder_);
  }

  void clearToast() { runFor(AppToastAlert::kVisibleDuration + 2 * AppToastAlert::kFadeDuration + 0.1); }
  static std::optional<std::string> toastOnScreen() {
    if (!AppToastAlert::containerView()->superview()) return std::nullopt;
    return AppToastAlert::messageLabel()->text().value_or("");
  }

  // Root, a screen between (the raised list), then the form.
  void openForm() {
    nav->popToRootViewController(false);
    nav->pushViewController(std::make_shared<uikit::ViewController>(), false);
    form = std::dynamic_pointer_cast<AddNewComplaintVC>(
        Storyboards::instantiateScreen(StoryboardName::tenantAdmin, "AddNewComplaintVC"));
    ASSERT_TRUE(form);
    nav->pushViewController(form, false);
    pump();
  }

  static void pickRow(const std::shared_ptr<uikit::TextField>& field, long row) {
    ASSERT_TRUE(field);
    auto input = TextFieldInput::of(field);
    ASSERT_TRUE(field->becomeFirstResponder());
    ASSERT_TRUE(input->pickerView()->userSelectRow(row, 0));
    input->btnDoneTapped();
  }
  static void pickDate(const std::shared_ptr<uikit::TextField>& field, double date) {
    ASSERT_TRUE(field);
    auto input = TextFieldInput::of(field);
    ASSERT_TRUE(field->becomeFirstResponder());
    input->datePicker()->userSelectDate(date);
    input->btnDoneTapped();
  }
  static Strings pickerRows(const std::shared_ptr<uikit::TextField>& field) {
    Strings rows;
    auto picker = TextFieldInput::of(field)->pickerView();
    for (long i = 0; i < picker->numberOfRowsInComponent(0); ++i) rows.push_back(picker->titleForRow(i, 0).value_or(""));
    return rows;
  }

  std::size_t requestsTo(const std::string& path) {
    std::size_t n = 0;
    for (const auto& r : server_.requests()) n += r.path == path ? 1 : 0;
    return n;
  }
  std::vector<Form> formsTo(const std::string& path) {
    std::vector<Form> forms;
    for (const auto& r : server_.requests()) {
      if (r.path == path) forms.push_back(r.form());
    }
    return forms;
  }
  static std::optional<std::string> field(const Form& form, const std::string& key) {
    for (const auto& [k, v] : form) {
      if (k == key) return v;
    }
    return std::nullopt;
  }

  // Chooses a place and waits until its categories are the picker's rows.
  void choosePlace(long row, std::size_t categories) {
    pickRow(form->txtComplainFor(), row);
    ASSERT_TRUE(runUntil([&] { return form->arrComplainCategory.size() == categories; }));
    pump();
  }

  // Every field but the photos, with the category reply for Parking.
  void fillForm(const std::string& description = "Lights are out") {
    choosePlace(0, 2);
    pickRow(form->txtTypeOfComplain(), 0);
    pickDate(form->txtSuitableDate(), clock_->now() + 2 * kDay);
    pickDate(form->txtSuitableTime(), clock_->now() + 2 * 3600);
    form->txtvComplainDescription.lock()->setText(description);
  }

  void tapSave() {
    auto save = std::dynamic_pointer_cast<uikit::Button>(findView(form->view(), "btnSave"));
    ASSERT_TRUE(save);
    ASSERT_TRUE(save->tap());
  }

  // Presents the picker as a tap on the dashed box does, makes the
  // selection and presses Done.
  void pickPhotos(const std::vector<photos::AssetPtr>& assets) {
    form->actionAttechment();
    ASSERT_TRUE(runUntil([&] { return form->presentedViewController() == form->imagePicker; }));
    runFor(0.5);
    form->imagePicker->assetStore->setAssets(assets);
    form->imagePicker->doneButtonPressed();
    runFor(0.5);
  }

  // Identifiers of the assets the thumbnails show, in order.
  Strings thumbnails() {
    pump();
    Strings shown;
    auto collection = form->collAttechmentImages.lock();
    if (!collection) return {"<no collection>"};
    for (long i = 0; i < collection->numberOfItemsInSection(0); ++i) {
      shown.push_back((*form->arrSelectedImages)[static_cast<std::size_t>(i)]->localIdentifier());
    }
    return shown;
  }
  // "empty" (dashed box only), "filled" (thumbnails only) or "mixed".
  std::string attachmentArea() {
    auto dashed = form->attechmentDeshedView.lock();
    auto collection = form->attechmentImageCollectionView();
    if (!dashed || !collection) return "<none>";
    if (!dashed->isHidden() && collection->isHidden()) return "empty";
    if (dashed->isHidden() && !collection->isHidden()) return "filled";
    return "mixed";
  }
  std::shared_ptr<AttechmentImageCell> thumbnailCell(long item) {
    auto collection = form->collAttechmentImages.lock();
    return std::dynamic_pointer_cast<AttechmentImageCell>(
        form->collectionViewCellForItemAtIndexPath(*collection, uikit::IndexPath::forItem(item, 0)));
  }

  std::filesystem::path folder_;
  std::shared_ptr<photos::PhotoLibrary> library;
  std::shared_ptr<AddNewComplaintVC> form;
};

TEST_F(AddNewComplaintTest, TheSaveBodyCarriesTheFormAndPhotosOnlyWhenThereAreSome) {
  const auto wide = picture(64, 48, 1);
  const auto small = picture(40, 30, 2);
  const auto undrawn = uikit::Image::withData({1, 2, 3}, {10, 10});
  const ComplainFor parking{1, "Parking", false};
  const ComplainFor building{3, "Building", false};
  const ComplainCategory lights{11, "Lights"};
  const ComplainCategory withoutId{std::nullopt, "Other"};
  struct Case {
    const char* name;
    ComplainFor place;
    std::optional<ComplainCategory> category;
    std::string date;
    std::vector<uikit::ImagePtr> images;
    Body fields;  // all but "StrImgupload"
    std::optional<Strings> photos;
  };
  const Case cases[] = {
      {"no date", parking, lights, "", {},
       Body{{"FacilityTypeID", 1}, {"ComplainMappingID", 11}, {"VisitDate", ""}, {"VisitTime", "10:30"},
            {"Remark", "Dark"}},
       std::nullopt},
      {"category without id", building, withoutId, "17/03/2026", {},
       Body{{"FacilityTypeID", 3}, {"ComplainMappingID", 0}, {"VisitDate", "17/03/2026"}, {"VisitTime", "10:30"},
            {"Remark", "Dark"}},
       std::nullopt},
      {"two photos in picker order", parking, lights, "17/03/2026", {wide, small},
       Body{{"FacilityTypeID", 1}, {"ComplainMappingID", 11}, {"VisitDate", "17/03/2026"}, {"VisitTime", "10:30"},
            {"Remark", "Dark"}},
       Strings{"64x48", "40x30"}},
      {"the other order", parking, lights, "", {small, wide},
       Body{{"FacilityTypeID", 1}, {"ComplainMappingID", 11}, {"VisitDate", ""}, {"VisitTime", "10:30"},
            {"Remark", "Dark"}},
       Strings{"40x30", "64x48"}},
      {"an image without pixels is skipped", parking, lights, "", {undrawn, small},
       Body{{"FacilityTypeID", 1}, {"ComplainMappingID", 11}, {"VisitDate", ""}, {"VisitTime", "10:30"},
            {"Remark", "Dark"}},
       Strings{"40x30"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Body body = AddNewComplaintVC::complainSaveBody(c.place, c.category, c.date, "10:30", "Dark", c.images);
    std::optional<std::string> upload;
    if (auto it = body.find("StrImgupload"); it != body.end()) {
      ASSERT_TRUE(it->second.getString());
      upload = *it->second.getString();
      body.erase(it);
    }
    EXPECT_EQ(describeBody(body), describeBody(c.fields));
    ASSERT_EQ(upload.has_value(), c.photos.has_value());
    if (!upload) continue;
    EXPECT_EQ(uploadedSizes(*upload), *c.photos);
    // Base64 texts of this size hold slashes, all written "\/".
    EXPECT_NE(upload->find("\\/"), std::string::npos);
    EXPECT_TRUE(slashesEscaped(*upload)) << *upload;
    // Pretty: one element per line, two-space indent.
    EXPECT_EQ(upload->rfind("[\n  \"", 0), 0u);
  }
}

TEST_F(AddNewComplaintTest, ASavedComplaintReachesTheServerWithItsPhotosInPickerOrder) {
  auto first = photoAsset("first", picture(64, 48, 3));
  auto second = photoAsset("second", picture(40, 30, 4));
  library->addAssets({first, second});
  pump();
  openForm();
  server_.setJsonReply(kCategoryPath, kBuildingTypes);
  choosePlace(2, 2);
  pickRow(form->txtTypeOfComplain(), 0);
  pickDate(form->txtSuitableTime(), clock_->now() + 3600);
  form->txtvComplainDescription.lock()->setText("Lift stuck / noisy");
  pickPhotos({second, first});
  ASSERT_EQ(thumbnails(), (Strings{"second", "first"}));
  server_.clearRequests();
  tapSave();
  ASSERT_TRUE(runUntil([&] { return requestsTo(kSavePath) == 1; }));
  const Form sent = formsTo(kSavePath).front();
  EXPECT_EQ(field(sent, "FacilityTypeID"), "3");
  EXPECT_EQ(field(sent, "ComplainMappingID"), "31");
  EXPECT_EQ(field(sent, "VisitDate"), "");
  EXPECT_EQ(field(sent, "VisitTime"), "13:00");
  EXPECT_EQ(field(sent, "Remark"), "Lift stuck / noisy");
  auto upload = field(sent, "StrImgupload");
  ASSERT_TRUE(upload);
  EXPECT_EQ(uploadedSizes(*upload), (Strings{"40x30", "64x48"}));
  EXPECT_NE(upload->find("\\/"), std::string::npos);
  EXPECT_TRUE(slashesEscaped(*upload));
  EXPECT_EQ(sent.size(), 6u);
}

// Each step fills one more field; Save stops at the first empty one, in
// screen order, and sends nothing until all are filled.
TEST_F(AddNewComplaintTest, SaveChecksTheFieldsInScreenOrder) {
  openForm();
  struct Step {
    const char* name;
    std::function<void()> fill;
    std::optional<std::string> message;
  };
  const Step steps[] = {
      {"nothing filled", [] {}, "Complain For field can not be empty."},
      {"place", [&] { choosePlace(0, 2); }, "Type of Complain field can not be empty."},
      // The date is never asked for.
      {"type", [&] { pickRow(form->txtTypeOfComplain(), 1); }, "Suitable Time for Visit field can not be empty."},
      {"time", [&] { pickDate(form->txtSuitableTime(), clock_->now() + 60); },
       "Complain Description field can not be empty."},
      {"a description of spaces", [&] { form->txtvComplainDescription.lock()->setText("   "); }, std::nullopt},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    step.fill();
    server_.clearRequests();
    tapSave();
    if (!step.message) {
      ASSERT_TRUE(runUntil([&] { return requestsTo(kSavePath) == 1; }));
      const Form sent = formsTo(kSavePath).front();
      EXPECT_EQ(field(sent, "Remark"), "   ");
      EXPECT_EQ(field(sent, "VisitDate"), "");
      EXPECT_EQ(field(sent, "ComplainMappingID"), "12");
      EXPECT_EQ(field(sent, "StrImgupload"), std::nullopt);
      continue;
    }
    runFor(0.5);
    auto alert = alertOnScreen();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->alertTitle(), "Alert");
    EXPECT_EQ(alert->message(), step.message);
    EXPECT_EQ(alert->displayedActionTitles(), (Strings{"Okay"}));
    ASSERT_TRUE(alert->pressActionWithTitle("Okay"));
    runFor(0.5);
    EXPECT_EQ(requestsTo(kSavePath), 0u);
  }
}

TEST_F(AddNewComplaintTest, TheDateRunsFromTodayForThirtyDaysAndTodayLimitsTheTime) {
  openForm();
  const double opened = clock_->now();
  auto dateInput = TextFieldInput::of(form->txtSuitableDate());
  auto timeInput = TextFieldInput::of(form->txtSuitableTime());
  EXPECT_EQ(dateInput->datePicker()->datePickerMode, uikit::DatePickerMode::kDate);
  EXPECT_EQ(dateInput->datePicker()->minimumDate, opened);
  EXPECT_EQ(dateInput->datePicker()->maximumDate, opened + 30 * kDay);
  EXPECT_EQ(timeInput->datePicker()->datePickerMode, uikit::DatePickerMode::kTime);
  // Nothing chosen yet: the creation moment counts as today.
  EXPECT_EQ(timeInput->datePicker()->minimumDate, opened);

  runFor(120);
  struct Case {
    const char* name;
    double picked;
    std::string shown;
    std::optional<double> timeMinimum;
  };
  const Case cases[] = {
      {"a later day", opened + 3 * kDay, "18/03/2026", std::nullopt},
      {"today, now", opened + 120, "15/03/2026", opened + 120},
      {"past the last day", opened + 40 * kDay, "14/04/2026", std::nullopt},
      // Clamped to the opening moment, which is now in the past.
      {"yesterday", opened - kDay, "15/03/2026", opened + 120},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    pickDate(form->txtSuitableDate(), c.picked);
    EXPECT_EQ(form->txtSuitableDate()->text(), c.shown);
    EXPECT_EQ(form->selectedSuitableDate, c.shown);
    EXPECT_EQ(timeInput->datePicker()->minimumDate, c.timeMinimum);
  }
  pickDate(form->txtSuitableTime(), opened + 2 * 3600 + 5 * 60);
  EXPECT_EQ(form->txtSuitableTime()->text(), "14:05");
  EXPECT_EQ(form->selectedSuitableTime, "14:05");
}

// The texts go to the server: ASCII digits whatever the phone's language,
// where a formatter in the user's locale would write Arabic-Indic ones.
TEST_F(AddNewComplaintTest, DateAndTimeTextsKeepAsciiDigitsInArabic) {
  platform::Locale::setCurrentOverride(platform::Locale("ar_EG"));
  const double picked = kMarch2026 + 3 * kDay + 2 * 3600 + 5 * 60;
  platform::DateFormatter userLocale("dd/MM/yyyy");
  ASSERT_NE(userLocale.stringFromDate(platform::Date{picked}), "18/03/2026");
  EXPECT_EQ(formattedString(platform::Date{picked}, "dd/MM/yyyy"), "18/03/2026");
  EXPECT_EQ(formattedString(platform::Date{picked}, "HH:mm"), "14:05");

  openForm();
  pickDate(form->txtSuitableDate(), picked);
  pickDate(form->txtSuitableTime(), picked);
  EXPECT_EQ(form->selectedSuitableDate, "18/03/2026");
  EXPECT_EQ(form->selectedSuitableTime, "14:05");
}

// A type belongs to its place: another place clears it at once, and only
// the reply to the latest category request fills the list, however late an
// older one arrives.
TEST_F(AddNewComplaintTest, AnotherPlaceClearsTheTypeAndALateReplyForTheOldPlaceIsIgnored) {
  openForm();
  choosePlace(0, 2);
  pickRow(form->txtTypeOfComplain(), 0);
  ASSERT_EQ(form->txtTypeOfComplain()->text(), "Lights");

  // Auditorium's reply is held on the server.
  server_.setJsonReply(kCategoryPath, kAuditoriumTypes);
  server_.holdReply(kCategoryPath);
  pickRow(form->txtComplainFor(), 1);
  EXPECT_EQ(form->txtTypeOfComplain()->text().value_or(""), "");
  EXPECT_EQ(form->complainType, "");
  EXPECT_FALSE(form->selectedComplainCategory);
  EXPECT_TRUE(form->arrComplainCategory.empty());
  EXPECT_EQ(pickerRows(form->txtTypeOfComplain()), Strings{});
  ASSERT_TRUE(runUntil([&] { return requestsTo(kCategoryPath) == 2; }));

  // Building's is answered first. Queues stay busy while a reply is held, so
  // this waits for the categories alone instead of for idle queues.
  server_.setJsonReply(kCategoryPath, kBuildingTypes);
  server_.stopHoldingNewReplies(kCategoryPath);
  pickRow(form->txtComplainFor(), 2);
  ASSERT_TRUE(runUntil([&] { return form->arrComplainCategory.size() == 2; }));
  pickRow(form->txtTypeOfComplain(), 0);
  ASSERT_EQ(form->txtTypeOfComplain()->text(), "Lift");

  // The late reply reaches the client (its body is logged as it arrives).
  platform::LogCapture log;
  server_.releaseReply(kCategoryPath);
  ASSERT_TRUE(runUntil([&] { return log.contains("Seats"); }));
  pump();
  EXPECT_EQ(pickerRows(form->txtTypeOfComplain()), (Strings{"Lift", "Other"}));
  EXPECT_EQ(form->txtTypeOfComplain()->text(), "Lift");
  ASSERT_TRUE(form->selectedComplainCategory);
  EXPECT_EQ(form->selectedComplainCategory->categoryID, 31);

  pickDate(form->txtSuitableTime(), clock_->now() + 3600);
  form->txtvComplainDescription.lock()->setText("Stuck");
  server_.clearRequests();
  tapSave();
  ASSERT_TRUE(runUntil([&] { return requestsTo(kSavePath) == 1; }));
  const Form sent = formsTo(kSavePath).front();
  EXPECT_EQ(field(sent, "FacilityTypeID"), "3");
  EXPECT_EQ(field(sent, "ComplainMappingID"), "31");
}

// A refused category request leaves no type of the old place behind to save.
TEST_F(AddNewComplaintTest, AFailedCategoryReplyAfterAPlaceChangeLeavesTheTypeEmpty) {
  openForm();
  choosePlace(0, 2);
  pickRow(form->txtTypeOfComplain(), 0);
  pickDate(form->txtSuitableTime(), clock_->now() + 3600);
  form->txtvComplainDescription.lock()->setText("Dark");
  server_.setReply(kCategoryPath, Reply(500, "down"));
  platform::LogCapture log;
  pickRow(form->txtComplainFor(), 2);
  ASSERT_TRUE(runUntil([&] { return log.contains("down"); }));
  pump();
  server_.clearRequests();
  tapSave();
  runFor(0.5);
  auto alert = alertOnScreen();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->message(), "Type of Complain field can not be empty.");
  EXPECT_EQ(requestsTo(kSavePath), 0u);
}

TEST_F(AddNewComplaintTest, ChoosingTheSamePlaceAgainAsksAgainAndClearsTheType) {
  openForm();
  choosePlace(0, 2);
  EXPECT_EQ(formsTo(kCategoryPath).back(), (Form{{"FTID", "1"}}));
  pickRow(form->txtTypeOfComplain(), 1);
  pickRow(form->txtComplainFor(), 0);
  ASSERT_TRUE(runUntil([&] { return requestsTo(kCategoryPath) == 2; }));
  ASSERT_TRUE(runUntil([&] { return form->txtTypeOfComplain()->text().value_or("").empty(); }));
  // The chosen category stays, but must be chosen again on screen.
  ASSERT_TRUE(form->selectedComplainCategory);
  EXPECT_EQ(form->selectedComplainCategory->categoryID, 12);
  EXPECT_EQ(form->complainType, "Gate");
}

TEST_F(AddNewComplaintTest, ThePickerAndItsClosuresMoveTheAttachmentArea) {
  auto first = photoAsset("first", picture(64, 48, 5));
  auto second = photoAsset("second", picture(40, 30, 6));
  library->addAssets({first, second});
  pump();
  openForm();
  EXPECT_EQ(attachmentArea(), "empty");
  ASSERT_TRUE(form->imagePicker);
  auto& settings = *form->imagePicker->settings;
  EXPECT_EQ(form->imagePicker->doneButtonTitle, "Done");
  EXPECT_EQ(settings.selection().max(), 2);
  EXPECT_FALSE(settings.selection().unselectOnReachingMax());
  EXPECT_EQ(settings.theme().selectionStyle(), photopicker::Settings::Theme::SelectionStyle::kNumbered);
  EXPECT_EQ(settings.fetch().assets().supportedMediaTypes(),
            std::set<photopicker::Settings::Fetch::Assets::MediaTypes>{
                photopicker::Settings::Fetch::Assets::MediaTypes::kImage});
  for (const auto& view : {form->attechmentImageContainerView(), form->attechmentImageOneView.lock(),
                           form->attechmentImageTwoView.lock()}) {
    ASSERT_TRUE(view);
    EXPECT_TRUE(view->isHidden());
  }

  pickPhotos({first, second});
  EXPECT_EQ(attachmentArea(), "filled");
  EXPECT_EQ(thumbnails(), (Strings{"first", "second"}));
  // The same picker keeps its selection for the next opening.
  const auto picker = form->imagePicker;

  // A cancel while photos are attached changes nothing.
  form->actionAttechment();
  ASSERT_TRUE(runUntil([&] { return form->presentedViewController() == picker; }));
  runFor(0.5);
  EXPECT_EQ(picker->selectedAssets().size(), 2u);
  picker->cancelButtonPressed();
  runFor(0.5);
  EXPECT_EQ(attachmentArea(), "filled");
  EXPECT_EQ(form->imagePicker, picker);

  // Done with nothing selected empties the area and starts a fresh picker.
  pickPhotos({});
  EXPECT_EQ(attachmentArea(), "empty");
  EXPECT_NE(form->imagePicker, picker);
  EXPECT_TRUE(form->imagePicker->selectedAssets().empty());
  EXPECT_EQ(thumbnails(), Strings{});
}

TEST_F(AddNewComplaintTest, RemovingAThumbnailAsksFirstAndTheLastOneBringsBackTheDashedBox) {
  auto first = photoAsset("first", picture(64, 48, 7));
  auto second = photoAsset("second", picture(40, 30, 8));
  library->addAssets({first, second});
  pump();
  openForm();
  pickPhotos({first, second});
  ASSERT_EQ(thumbnails(), (Strings{"first", "second"}));
  const auto picker = form->imagePicker;

  auto pressOnRemoval = [&](long item, const std::string& answer) {
    auto cell = thumbnailCell(item);
    ASSERT_TRUE(cell);
    cell->actionCloseButton();
    runFor(0.5);
    auto alert = alertOnScreen();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->alertTitle(), "Alert");
    EXPECT_EQ(alert->message(), "Are you sure want to delete?");
    EXPECT_EQ(alert->displayedActionTitles(), (Strings{"Yes", "No"}));
    ASSERT_EQ(alert->actions().size(), 2u);
    EXPECT_EQ(alert->actions()[0]->style(), uikit::AlertActionStyle::kDestructive);
    EXPECT_EQ(alert->actions()[1]->style(), uikit::AlertActionStyle::kDefault);
    ASSERT_TRUE(alert->pressActionWithTitle(answer));
    runFor(0.5);
  };
  pressOnRemoval(0, "No");
  EXPECT_EQ(thumbnails(), (Strings{"first", "second"}));
  pressOnRemoval(0, "Yes");
  EXPECT_EQ(thumbnails(), (Strings{"second"}));
  EXPECT_EQ(attachmentArea(), "filled");
  EXPECT_EQ(form->imagePicker, picker);
  pressOnRemoval(0, "Yes");
  EXPECT_EQ(thumbnails(), Strings{});
  EXPECT_EQ(attachmentArea(), "empty");
  EXPECT_NE(form->imagePicker, picker);
  EXPECT_TRUE(form->imagePicker->selectedAssets().empty());
}

TEST_F(AddNewComplaintTest, SaveRepliesToastOrConfirmAndReturnToTheRoot) {
  struct Case {
    const char* name;
    Reply reply;
    bool opener;
    std::optional<std::string> alert;
    std::optional<std::string> toast;
    int updates;
    std::size_t depthAfter;
  };
  const Case cases[] = {
      {"confirmed", Reply(200, R"({"IsSuccess":true,"Message":"Complaint saved"})"), true, "Complaint saved",
       std::nullopt, 1, 1},
      {"confirmed, no closure from the opener", Reply(200, R"({"IsSuccess":true,"Message":"Complaint saved"})"),
       false, "Complaint saved", std::nullopt, 0, 1},
      {"confirmed without message", Reply(200, R"({"IsSuccess":true})"), true, "", std::nullopt, 1, 1},
      {"refused", Reply(200, R"({"IsSuccess":false,"Message":"Try later"})"), true, std::nullopt, "Try later", 0, 3},
      {"refused without message", Reply(200, R"({"IsSuccess":false})"), true, std::nullopt, "", 0, 3},
      {"no verdict", Reply(200, R"({"Message":"?"})"), true, std::nullopt, std::nullopt, 0, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    clearToast();
    openForm();
    fillForm();
    int updates = 0;
    std::size_t depthAtUpdate = 0;
    if (c.opener) {
      form->actionUpdateCount = [&] {
        ++updates;
        depthAtUpdate = nav->viewControllers().size();
      };
    }
    server_.setReply(kSavePath, c.reply);
    server_.holdReply(kSavePath);
    server_.clearRequests();
    tapSave();
    ASSERT_TRUE(server_.waitForRequests(1, 5.0));
    // The loader stays while the reply is held.
    EXPECT_TRUE(runUntil([&] { return AppLoader::shared().isAnimating; }));
    server_.releaseReply(kSavePath);
    ASSERT_TRUE(runUntil([&] { return !AppLoader::shared().isAnimating; }));
    runFor(0.5);
    auto alert = alertOnScreen();
    EXPECT_EQ(alert ? alert->message() : std::nullopt, c.alert);
    EXPECT_EQ(toastOnScreen(), c.toast);
    if (alert) {
      EXPECT_EQ(alert->alertTitle(), "Alert");
      EXPECT_EQ(alert->displayedActionTitles(), (Strings{"Okay"}));
      EXPECT_EQ(updates, 0);
      ASSERT_TRUE(alert->pressActionWithTitle("Okay"));
      runFor(1.0);
    }
    EXPECT_EQ(updates, c.updates);
    // The opener hears of the save before the stack returns to its root.
    if (c.updates) {
      EXPECT_EQ(depthAtUpdate, 3u);
    }
    EXPECT_EQ(nav->viewControllers().size(), c.depthAfter);
    // A refused save keeps every entry for another try.
    if (c.depthAfter == 3) {
      EXPECT_EQ(form->txtTypeOfComplain()->text(), "Lights");
    }
  }
}

TEST_F(AddNewComplaintTest, ABrokenSaveReplyToastsItsErrorAndKeepsTheForm) {
  openForm();
  fillForm();
  server_.setReply(kSavePath, Reply(200, "not json"));
  tapSave();
  ASSERT_TRUE(runUntil([&] { return requestsTo(kSavePath) == 1 && !AppLoader::shared().isAnimating; }));
  runFor(0.3);
  auto toast = toastOnScreen();
  ASSERT_TRUE(toast);
  EXPECT_FALSE(toast->empty());
  EXPECT_FALSE(alertOnScreen());
  EXPECT_EQ(nav->topViewController(), form);
}

// ---- the shrink loop ----

TEST(ShrinkImageForUploadTest, LowersTheQualityInStepsUntilTheBytesFitOrTwentyStepsAreDone) {
  const auto image = picture(8, 8, 9);
  const auto tooLarge = [](int, double) -> std::optional<std::size_t> { return 600000; };
  struct Case {
    const char* name;
    std::function<std::optional<std::size_t>(int, double)> answer;
    bool decodes;
    bool kept;
    int encodes;
    std::size_t decodedSize;
  };
  const Case cases[] = {
      {"fits at once", [](int, double) -> std::optional<std::size_t> { return 1000; }, true, true, 1, 1000},
      {"exactly the limit fits", [](int, double) -> std::optional<std::size_t> { return 512000; }, true, true, 1,
       512000},
      {"fits after three steps",
       [](int call, double) -> std::optional<std::size_t> { return call < 3 ? 700000 : 400000; }, true, true, 4,
       400000},
      {"never fits: still sent after twenty steps", tooLarge, true, true, 21, 600000},
      {"the first encoding fails", [](int, double) -> std::optional<std::size_t> { return std::nullopt; }, true,
       false, 1, 0},
      {"a later encoding fails",
       [](int call, double) -> std::optional<std::size_t> {
         if (call == 5) return std::nullopt;
         return 600000;
       },
       true, false, 6, 0},
      {"the decoding fails", tooLarge, false, false, 21, 600000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<double> qualities;
    int decodes = 0;
    std::size_t decodedSize = 0;
    const ComplaintPhotoUpload::Encoder encoder = [&](const uikit::Image&, double quality) {
      const int call = static_cast<int>(qualities.size());
      qualities.push_back(quality);
      auto size = c.answer(call, quality);
      return size ? std::optional<std::vector<std::uint8_t>>(std::vector<std::uint8_t>(*size, 0x5A)) : std::nullopt;
    };
    const ComplaintPhotoUpload::Decoder decoder = [&](const std::vector<std::uint8_t>& bytes) -> uikit::ImagePtr {
      ++decodes;
      decodedSize = bytes.size();
      return c.decodes ? picture(4, 4, 1) : nullptr;
    };
    const auto shrunk = ComplaintPhotoUpload::shrinkImageForUpload(*image, encoder, decoder);
    EXPECT_EQ(static_cast<bool>(shrunk), c.kept);
    ASSERT_EQ(static_cast<int>(qualities.size()), c.encodes);
    EXPECT_EQ(qualities.front(), 1.0);
    for (std::size_t i = 1; i < qualities.size(); ++i) EXPECT_NEAR(qualities[i], 1.0 - 0.05 * i, 1e-9) << i;
    if (c.encodes == 21) {
      // The twentieth step lands just below zero, which ends the loop.
      EXPECT_LT(qualities.back(), 0.0);
      EXPECT_GT(qualities.back(), -1e-9);
      EXPECT_GT(qualities[19], 0.0);
    }
    EXPECT_EQ(decodedSize, c.decodedSize);
    EXPECT_EQ(decodes, c.decodedSize ? 1 : 0);
  }
}

uikit::ImagePtr noisy(int width, int height, int amplitude) {
  auto bitmap = facility_test::PhotoFixture::noisyGradient(width, height, amplitude, 11);
  return uikit::Image::fromBitmap(bitmap.width, bitmap.height, std::move(bitmap.rgba));
}

// With the real codec: a camera-sized photo ends within the limit as JPEG
// and goes out as a PNG of its full size; pure noise stays larger even at
// the lowest quality and still goes out.
TEST(ShrinkImageForUploadTest, TheRealCodecShrinksAPhotoAndStillSendsOneThatStaysLarge) {
  struct Case {
    const char* name;
    int width, height, amplitude;
    bool fits;
    int encodes;  // 0: not checked
  };
  const Case cases[] = {
      {"moderate noise on a gradient", 3000, 2000, 30, true, 0},
      {"noise alone", 3000, 2000, 255, false, 21},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto image = noisy(c.width, c.height, c.amplitude);
    ASSERT_TRUE(image);
    int encodes = 0;
    std::size_t lastSize = 0;
    const auto real = ComplaintPhotoUpload::jpegEncoder();
    const ComplaintPhotoUpload::Encoder counting = [&](const uikit::Image& i, double quality) {
      ++encodes;
      auto bytes = real(i, quality);
      lastSize = bytes ? bytes->size() : 0;
      return bytes;
    };
    const auto shrunk = ComplaintPhotoUpload::shrinkImageForUpload(*image, counting, ComplaintPhotoUpload::imageDecoder());
    ASSERT_TRUE(shrunk);
    EXPECT_EQ(lastSize <= ComplaintPhotoUpload::kMaximumBytes, c.fits) << lastSize;
    EXPECT_GT(encodes, 1);
    if (c.encodes) {
      EXPECT_EQ(encodes, c.encodes);
    }
    const std::string text = ComplaintPhotoUpload::uploadText({shrunk});
    EXPECT_EQ(uploadedSizes(text), (Strings{std::to_string(c.width) + "x" + std::to_string(c.height)}));
  }
}

// ---- thumbnails ----

class RecordingImageView : public uikit::ImageView {
 public:
  std::vector<uikit::ImagePtr> shown;
  void setImage(uikit::ImagePtr image) override {
    shown.push_back(image);
    uikit::ImageView::setImage(std::move(image));
  }
};

// A cell given another photo drops the request for the earlier one, so a
// late picture of a removed photo never shows.
TEST_F(AddNewComplaintTest, AThumbnailShowsOnlyThePhotoItWasLastGiven) {
  auto removed = photoAsset("removed", picture(64, 48, 12));
  auto kept = photoAsset("kept", picture(40, 30, 13));
  library->addAssets({removed, kept});
  pump();
  AttechmentImageCell::registerNib();
  struct Case {
    const char* name;
    bool deliverFirst;
    Strings shown;
  };
  const Case cases[] = {
      {"given again before the first picture came", false, {"40x30"}},
      {"given again after it", true, {"64x48", "40x30"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto objects = uikit::Nib::named(AttechmentImageCell::kNibName)->instantiateWithOwner(nullptr);
    ASSERT_FALSE(objects.empty());
    auto cell = std::dynamic_pointer_cast<AttechmentImageCell>(objects.front());
    ASSERT_TRUE(cell);
    auto recorder = std::make_shared<RecordingImageView>();
    cell->imgAttechment = recorder;
    cell->showAsset(removed);
    if (c.deliverFirst) pump();
    cell->showAsset(kept);
    pump();
    Strings shown;
    for (const auto& image : recorder->shown) {
      shown.push_back(std::to_string(image->pixelWidth()) + "x" + std::to_string(image->pixelHeight()));
    }
    EXPECT_EQ(shown, c.shown);
  }
}

TEST_F(AddNewComplaintTest, TheCellAndTheFormAreStyledAfterLayout) {
  openForm();
  form->view()->setNeedsLayout();
  form->view()->layoutIfNeeded();
  pump();
  auto description = form->txtvComplainDescription.lock();
  ASSERT_TRUE(description);
  EXPECT_EQ(description->layer().cornerRadius, 4.0);
  EXPECT_EQ(description->layer().borderWidth, 0.8);
  EXPECT_EQ(description->layer().borderColor, AppColor::darkGray());
  auto container = form->containerView.lock();
  ASSERT_TRUE(container);
  EXPECT_EQ(container->layer().shadowOpacity, 0.4F);
  EXPECT_EQ(container->layer().shadowRadius, 3.0);
  auto dashed = form->attechmentDeshedView.lock();
  ASSERT_TRUE(dashed);
  // Layout runs often; the box keeps one dashed border.
  form->view()->setNeedsLayout();
  form->view()->layoutIfNeeded();
  pump();
  std::size_t dashedBorders = 0;
  for (const auto& layer : dashed->layer().sublayers()) {
    dashedBorders += std::dynamic_pointer_cast<uikit::ShapeLayer>(layer) ? 1 : 0;
  }
  EXPECT_EQ(dashedBorders, 1u);

  auto objects = uikit::Nib::named(AttechmentImageCell::kNibName)->instantiateWithOwner(nullptr);
  auto cell = std::dynamic_pointer_cast<AttechmentImageCell>(objects.front());
  ASSERT_TRUE(cell);
  pump();
  auto frame = cell->imgContainerView.lock();
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->layer().borderWidth, 1.2);
  EXPECT_EQ(frame->layer().borderColor, AppColor::darkGray());
  EXPECT_EQ(frame->layer().cornerRadius, frame->bounds().height() / 2);
  EXPECT_TRUE(frame->clipsToBounds());
}

}  // namespace
}  // namespace screens_test
