#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "Facility/BLE+MainMethods/TarneloBLE.h"
#include "Facility/BLE+MainMethods/TarneloBLEKeys.h"
#include "Facility/Screens/DefaultFloorCell.h"
#include "Facility/Screens/FloorSelectionVC.h"
#include "Facility/Screens/SelectedFloorCell.h"
#include "Facility/Screens/SensitivityVC.h"
#include "Facility/Widgets/CollapsingConstraints.h"
#include "Facility/Widgets/TextFieldInput.h"
#include "Platform/CoreBluetooth/CBRadio.h"
#include "Platform/CoreBluetooth/Simulation/ReaderEmulator.h"
#include "Platform/UIKit/BarButtonItem.h"
#include "Platform/UIKit/Console/ConsoleDriver.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/PickerView.h"
#include "tests/Facility/Screens/AccessScreensFixture.h"

namespace screens_test {
namespace {

using Floors = std::vector<std::pair<std::optional<std::string>, std::optional<std::string>>>;  // text, value

// Records what the engine reports to the dashboard that would own it.
class EngineRecorder : public BleManagerDelegate {
 public:
  std::vector<std::string> events;
  void onInitSuccessWithSuccessMsg(const std::string&) override {}
  void onInitFailureWithError(const BleSdkErrorPtr&) override {}
  void onScanSuccessWithSuccessMsg(const std::string&) override {}
  void onScanFailureWithError(const BleSdkErrorPtr&) override {}
  void onBleManagerSuccessWithSuccessMsg(const std::string& m) override { events.push_back(m); }
  void onBleManagerFailureWithError(const BleSdkErrorPtr& e) override {
    events.push_back("failure:" + std::to_string(e->errorCode()));
  }
  void onCommandSendSuccessWithSuccessMsg(const std::string& m) override { events.push_back("punched:" + m); }
  void onGetDeviceListSuccessWithSuccessMsg(const std::string&, const std::vector<BLEDeviceEntry>&) override {}
  void onGetDeviceListFailureWithError(const BleSdkErrorPtr&) override {}
};

MDLBuildingList building(const std::string& name, std::optional<Floors> defaults, std::optional<Floors> selectable) {
  MDLBuildingList b;
  b.text = name;
  b.value = "B-" + name;
  if (defaults) {
    b.defaultFloorList.emplace();
    for (const auto& [text, value] : *defaults) b.defaultFloorList->push_back({text, value, "D", false});
  }
  if (selectable) {
    b.floorSelectionlist.emplace();
    for (const auto& [text, value] : *selectable) b.floorSelectionlist->push_back({text, value, false});
  }
  return b;
}

Floors numbered(int n) {
  Floors out;
  for (int i = 1; i <= n; ++i) out.push_back({"F" + std::to_string(i), std::to_string(i + 3)});
  return out;
}

class FloorSelectionTest : public AccessScreensFixture {
 protected:
  void SetUp() override {
    AccessScreensFixture::SetUp();
    uikit::Image::setStrictAssetLookup(true);
    corebluetooth::CBRadio::shared().reset();
    TarneloBLE::shared().setBleManagerDelegate(recorder);
    TarneloBLE::shared().sensitityLevel = 2;
  }
  void TearDown() override {
    screen.reset();
    nav.reset();
    TarneloBLE::shared().setBleManagerDelegate({});
    uikit::Image::setStrictAssetLookup(false);
    AccessScreensFixture::TearDown();
    corebluetooth::CBRadio::shared().reset();
  }

  void open(std::vector<MDLBuildingList> buildings, std::optional<std::string> tag = "123456") {
    connect();
    nav = uikit::NavigationController::withRoot(std::make_shared<uikit::ViewController>());
    delegate()->window()->setRootViewController(nav);
    pump();
    screen = make<FloorSelectionVC>(StoryboardName::user, "FloorSelectionVC");
    ASSERT_TRUE(screen);
    screen->arrBuilding = std::move(buildings);
    screen->tagId = std::move(tag);
    ASSERT_TRUE(nav->pushViewController(screen, false));
    pump();
    screen->colViewFloors()->layoutIfNeeded();
  }

  template <typename Cell>
  std::shared_ptr<Cell> cell(long item) {
    auto view = screen->colViewFloors();
    view->layoutIfNeeded();
    return std::dynamic_pointer_cast<Cell>(view->cellForItemAtIndexPath(uikit::IndexPath::forItem(item, 0)));
  }
  static std::string imageName(const std::weak_ptr<uikit::ImageView>& view) {
    auto v = view.lock();
    return v && v->image() ? v->image()->name() : "";
  }
  static std::string text(const std::weak_ptr<uikit::Label>& label) {
    auto l = label.lock();
    return l ? l->text().value_or("") : "<none>";
  }
  static bool visible(const std::weak_ptr<uikit::View>& view) {
    auto v = view.lock();
    return v && !v->isHidden();
  }
  // Taps a selectable floor's lift button by its index in the list.
  void tapSelectable(std::size_t index) {
    auto row = cell<SelectedFloorCell>(static_cast<long>(index / 3 + 1));
    ASSERT_TRUE(row);
    const std::weak_ptr<uikit::Button> buttons[] = {row->btnFloor1, row->btnFloor2, row->btnFloor3};
    ASSERT_TRUE(buttons[index % 3].lock()->tap());
  }
  void tapDefault() {
    auto top = cell<DefaultFloorCell>(0);
    ASSERT_TRUE(top);
    ASSERT_TRUE(top->btnFloorDefault2.lock()->tap());
  }
  struct Stored {
    std::optional<std::int64_t> destination, boarding, selected, sensitivity;
    friend bool operator==(const Stored&, const Stored&) = default;
  };
  static Stored stored() {
    auto& d = platform::UserDefaults::standard();
    auto read = [&](const char* key) -> std::optional<std::int64_t> {
      if (!d.objectForKey(key)) return std::nullopt;
      return d.integerForKey(key);
    };
    return {read("com.tarnelo.ble.DestinationFloor"), read("com.tarnelo.ble.BoardingFloor"),
            read("com.tarnelo.ble.selectedFloor"), read("com.tarnelo.ble.sensitivity")};
  }
  static void clearStored() {
    for (const char* key : {"com.tarnelo.ble.DestinationFloor", "com.tarnelo.ble.BoardingFloor",
                            "com.tarnelo.ble.selectedFloor", "com.tarnelo.ble.sensitivity", "com.tarnelo.ble.tagId"}) {
      UserDefaultsAccess::remove(key);
    }
  }

  std::shared_ptr<EngineRecorder> recorder = std::make_shared<EngineRecorder>();
  std::shared_ptr<uikit::NavigationController> nav;
  std::shared_ptr<FloorSelectionVC> screen;
};

TEST_F(FloorSelectionTest, OneBuildingHidesThePickerAndAppliesItsDefaultFloors) {
  open({building("Tower", Floors{{"Five", "5"}, {"Ground", "G"}}, numbered(7))});
  auto field = screen->txtBuilding();
  EXPECT_TRUE(field->isHidden());
  EXPECT_TRUE(CollapsingConstraints::storedSize(field).has_value()) << "height collapsed";
  EXPECT_TRUE(screen->lbBuilding()->isHidden());
  EXPECT_EQ(field->text(), "Tower");
  EXPECT_EQ(screen->destinationFloor, "5");
  EXPECT_EQ(screen->boardingFloor, "G");
  EXPECT_EQ(screen->title(), "Floor Selection");
  ASSERT_TRUE(screen->navigationItem().rightBarButtonItem());

  // No sensitivity stored yet: "1" is stored and sent.
  EXPECT_EQ(stored(), (Stored{5, 0, 0, 1}));
  EXPECT_EQ(UserDefaultsAccess::getString(UserDefaultsKey::sensitivity), "1");
  EXPECT_EQ(platform::UserDefaults::standard().stringForKey("com.tarnelo.ble.tagId"), "123456");
  EXPECT_EQ(recorder->events, std::vector<std::string>{"Tap and Go data saved successfully"});

  // Seven floors: the default cell and rows of three, three and one.
  EXPECT_EQ(screen->colViewFloors()->numberOfItemsInSection(0), 4);
  auto top = cell<DefaultFloorCell>(0);
  ASSERT_TRUE(top);
  EXPECT_EQ(text(top->lbDefaultFloor1), "Five");
  EXPECT_EQ(imageName(top->imgVwUpDefault1), "liftupgreen");
  EXPECT_EQ(imageName(top->imgVwDownDefault2), "liftdowngreen");
  EXPECT_EQ(imageName(top->imgVwFloorDefault1), "liftbuttongreen");
  EXPECT_FALSE(visible(top->imgVwDownDefault1));
  EXPECT_FALSE(visible(top->imgVwUpDefault2));
  auto first = cell<SelectedFloorCell>(1);
  ASSERT_TRUE(first);
  EXPECT_TRUE(visible(first->lbFloorSelection));
  EXPECT_EQ(first->cnImgVwFloorCenterY.lock()->constant(), 30);
  auto second = cell<SelectedFloorCell>(2);
  ASSERT_TRUE(second);
  EXPECT_FALSE(visible(second->lbFloorSelection));
  EXPECT_EQ(second->cnImgVwFloorCenterY.lock()->constant(), 0);
  auto last = cell<SelectedFloorCell>(3);
  ASSERT_TRUE(last);
  EXPECT_EQ(text(last->lbFloorNo1), "F7");
  EXPECT_TRUE(visible(last->btnFloor1));
  for (const std::weak_ptr<uikit::View>& hidden :
       {std::weak_ptr<uikit::View>(last->lbFloorNo2), std::weak_ptr<uikit::View>(last->imgVwFloor2),
        std::weak_ptr<uikit::View>(last->btnFloor2), std::weak_ptr<uikit::View>(last->lbFloorNo3),
        std::weak_ptr<uikit::View>(last->imgVwFloor3), std::weak_ptr<uikit::View>(last->btnFloor3)}) {
    EXPECT_FALSE(visible(hidden));
  }
}

TEST_F(FloorSelectionTest, ItemSizesFollowTheCollectionWidth) {
  open({building("Tower", Floors{{"A", "1"}, {"B", "2"}}, numbered(4))});
  auto view = screen->colViewFloors();
  auto frame = view->frame();
  frame.size.width = 375;
  view->setFrame(frame);
  const std::pair<long, uikit::Size> cases[] = {{0, {275, 200}}, {1, {375, 150}}, {2, {375, 100}}};
  for (const auto& [item, size] : cases) {
    const auto got = screen->collectionViewLayoutSizeForItemAtIndexPath(*view, uikit::IndexPath::forItem(item, 0));
    EXPECT_EQ(got.width, size.width) << item;
    EXPECT_EQ(got.height, size.height) << item;
  }
  EXPECT_EQ(screen->collectionViewLayoutMinimumLineSpacingForSectionAtIndex(*view, 0), 0);
  // Rows follow each other without a gap.
  EXPECT_EQ(view->frameForItemAtIndexPath(uikit::IndexPath::forItem(2, 0)).minY(),
            view->frameForItemAtIndexPath(uikit::IndexPath::forItem(1, 0)).maxY());
}

TEST_F(FloorSelectionTest, ListsWithoutTwoUsableDefaultsApplyNothingAtLoad) {
  struct Case {
    std::string name;
    std::optional<Floors> defaults;
    std::optional<Floors> selectable;
    long items;
  };
  const std::vector<Case> cases = {
      {"one default floor", Floors{{"Only", "4"}}, std::nullopt, 1},
      {"second without value", Floors{{"A", "4"}, {"B", std::nullopt}}, Floors{}, 1},
      {"no lists", std::nullopt, numbered(3), 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    clearStored();
    recorder->events.clear();
    open({building("Tower", c.defaults, c.selectable)});
    EXPECT_EQ(stored(), Stored{});
    EXPECT_TRUE(recorder->events.empty());
    EXPECT_FALSE(screen->destinationFloor);
    EXPECT_EQ(screen->colViewFloors()->numberOfItemsInSection(0), c.items);
    if (c.defaults && !c.defaults->empty()) {
      // The lone default floor is still marked.
      EXPECT_EQ(imageName(cell<DefaultFloorCell>(0)->imgVwFloorDefault1), "liftbuttongreen");
    }
    nav->popToRootViewController(false);
    pump();
  }
}

TEST_F(FloorSelectionTest, TapsSwitchBetweenOneFloorAndTheDefaultPairAfterTwoTurns) {
  open({building("Tower", Floors{{"Five", "5"}, {"Ground", "G"}}, numbered(7))});
  recorder->events.clear();
  ASSERT_EQ(screen->arrSelectedFloors->at(3).value, "7");

  tapSelectable(3);
  // One turn for the handler, one more for the store.
  std::optional<Stored> seenAfterOneTurn;
  platform::RunLoop::main().async([&] { seenAfterOneTurn = stored(); });
  pump();
  ASSERT_TRUE(seenAfterOneTurn);
  EXPECT_EQ(*seenAfterOneTurn, (Stored{5, 0, 0, 1}));
  EXPECT_EQ(stored(), (Stored{0, 0, 7, 1}));
  EXPECT_EQ(recorder->events, std::vector<std::string>{"Tap and Go data saved successfully"});

  auto top = cell<DefaultFloorCell>(0);
  EXPECT_EQ(imageName(top->imgVwUpDefault1), "liftupgray");
  EXPECT_EQ(imageName(top->imgVwFloorDefault2), "liftbuttongray");
  EXPECT_EQ(imageName(cell<SelectedFloorCell>(2)->imgVwFloor1), "liftbuttongreen");
  EXPECT_EQ(imageName(cell<SelectedFloorCell>(1)->imgVwFloor1), "liftbuttongray");
  std::size_t marked = 0;
  for (const auto& f : *screen->arrSelectedFloors) marked += f.isSelected ? 1 : 0;
  EXPECT_EQ(marked, 1u);

  // Tapping it again keeps it; a default tap brings the pair back.
  tapSelectable(3);
  pump();
  EXPECT_TRUE(screen->arrSelectedFloors->at(3).isSelected);
  tapDefault();
  pump();
  EXPECT_EQ(stored(), (Stored{5, 0, 0, 1}));
  for (const auto& f : *screen->arrSelectedFloors) EXPECT_FALSE(f.isSelected);
  EXPECT_TRUE(screen->arrDefaultFloors->at(0).isSelected);
  EXPECT_TRUE(screen->arrDefaultFloors->at(1).isSelected);
  // The building list handed in is never marked.
  EXPECT_FALSE(screen->arrBuilding->at(0).floorSelectionlist->at(3).isSelected);
}

TEST_F(FloorSelectionTest, WithoutTagEveryApplyAlertsAndStoresNothing) {
  open({building("Tower", Floors{{"Five", "5"}, {"Six", "6"}}, numbered(2))}, std::nullopt);
  runFor(0.5);
  auto alert = alertOnScreen();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->alertTitle(), "Alert");
  EXPECT_EQ(alert->message(), "Tag id not found");
  ASSERT_TRUE(alert->pressActionWithTitle("Ok"));
  runFor(0.5);
  tapSelectable(1);
  runFor(0.5);
  ASSERT_TRUE(alertOnScreen());
  EXPECT_EQ(alertOnScreen()->message(), "Tag id not found");
  EXPECT_TRUE(screen->arrSelectedFloors->at(1).isSelected) << "the marks still change";
  EXPECT_EQ(stored(), Stored{});
  EXPECT_FALSE(platform::UserDefaults::standard().objectForKey("sensitivity"));
  EXPECT_TRUE(recorder->events.empty());
}

TEST_F(FloorSelectionTest, ChoosingABuildingShowsItsFloorsUnmarkedAndStoresNothing) {
  open({building("North", Floors{{"N5", "5"}, {"N1", "1"}}, numbered(3)),
        building("South", Floors{{"S9", "9"}, {"S2", "2"}}, numbered(5)), building("Annex", std::nullopt, std::nullopt)});
  auto field = screen->txtBuilding();
  EXPECT_FALSE(field->isHidden());
  auto input = TextFieldInput::of(field);
  auto picker = input->pickerView();
  ASSERT_TRUE(picker);
  ASSERT_EQ(input->pickerViewNumberOfRowsInComponent(*picker, 0), 3);
  EXPECT_EQ(input->pickerViewTitleForRowForComponent(*picker, 0, 0), "North");
  EXPECT_EQ(input->pickerViewTitleForRowForComponent(*picker, 1, 0), "South");
  EXPECT_EQ(input->pickerViewTitleForRowForComponent(*picker, 2, 0), "Annex");

  const auto before = storedDefaults();
  input->pickerViewDidSelectRowInComponent(*picker, 1, 0);
  input->btnDoneTapped();
  pump();
  EXPECT_EQ(field->text(), "South");
  EXPECT_EQ(storedDefaults(), before);
  EXPECT_EQ(screen->colViewFloors()->numberOfItemsInSection(0), 3);
  auto top = cell<DefaultFloorCell>(0);
  EXPECT_EQ(text(top->lbDefaultFloor1), "S9");
  EXPECT_EQ(imageName(top->imgVwFloorDefault1), "liftbuttongray");
  // The chosen building's defaults are the ones a default tap applies.
  EXPECT_EQ(screen->destinationFloor, "9");
  EXPECT_EQ(screen->boardingFloor, "2");
  tapDefault();
  pump();
  EXPECT_EQ(stored(), (Stored{9, 2, 0, 1}));

  // A building without lists empties the screen rather than keeping South's.
  screen->buildingChosen(2);
  pump();
  EXPECT_EQ(field->text(), "Annex");
  EXPECT_FALSE(screen->arrDefaultFloors);
  EXPECT_FALSE(screen->destinationFloor);
  EXPECT_EQ(screen->colViewFloors()->numberOfItemsInSection(0), 1);
  top = cell<DefaultFloorCell>(0);
  EXPECT_EQ(text(top->lbDefaultFloor1), "");
  EXPECT_EQ(text(top->lbDefaultFloor2), "");
  EXPECT_EQ(imageName(top->imgVwFloorDefault1), "liftbuttongray");
  EXPECT_EQ(imageName(top->imgVwDownDefault2), "liftdowngray");
  tapDefault();
  pump();
  EXPECT_EQ(stored(), (Stored{0, 0, 0, 1}));
}

TEST_F(FloorSelectionTest, AReusedRowHidesTheSlotsItNoLongerHas) {
  open({building("Tower", Floors{{"A", "1"}, {"B", "2"}}, numbered(6))});
  auto view = screen->colViewFloors();
  ASSERT_TRUE(cell<SelectedFloorCell>(2));
  screen->arrSelectedFloors->resize(5);
  view->reloadData();
  auto row = cell<SelectedFloorCell>(2);
  ASSERT_TRUE(row);
  EXPECT_GT(row->reuseCount(), 0) << "the row must come from the reuse pool";
  EXPECT_TRUE(visible(row->btnFloor1));
  EXPECT_TRUE(visible(row->btnFloor2));
  EXPECT_FALSE(visible(row->lbFloorNo3));
  EXPECT_FALSE(visible(row->imgVwFloor3));
  EXPECT_FALSE(visible(row->btnFloor3));
  recorder->events.clear();
  ASSERT_TRUE(row->btnFloor2.lock()->tap());
  pump();
  EXPECT_EQ(stored().selected, 8);  // F5 has value 8
}

TEST_F(FloorSelectionTest, ConsoleTapOnAFloorNumberPressesItsLiftButton) {
  open({building("Tower", Floors{{"Five", "5"}, {"Ground", "G"}}, numbered(7))});
  std::ostringstream out;
  uikit::ConsoleDriver console(out, delegate()->window(), clock_);
  ASSERT_TRUE(console.execute("tap F4")) << out.str();
  pump();
  EXPECT_EQ(stored(), (Stored{0, 0, 7, 1}));
  ASSERT_TRUE(console.execute("tap Ground")) << out.str();
  pump();
  EXPECT_EQ(stored(), (Stored{5, 0, 0, 1}));
  console.execute("tap F99");
  EXPECT_NE(out.str().find("nothing to tap named \"F99\""), std::string::npos) << out.str();
}

// The whole road of a floor choice: tap floor 7, save High on the settings
// screen, come back, and a reader at -62 dBm is punched with floor 7.
class FloorPunchTest : public FloorSelectionTest {
 protected:
  static constexpr const char* kKey = "00112233445566778899aabbccddeeff";

  corebluetooth::ReaderEmulator& addReader() {
    reader_ = std::make_unique<corebluetooth::ReaderEmulator>(kKey, 0x00, 0x05, true);
    corebluetooth::CBRemoteScript s;
    s.identifier = "R1";
    s.name = "R1";
    s.services = {{TarneloBLE::kDorvaService, {TarneloBLE::kDorvaWrite, TarneloBLE::kDorvaSecond}}};
    s.onWrite = reader_->writeHandler();
    corebluetooth::CBRadio::shared().addRemote(std::move(s));
    return *reader_;
  }

  void chooseFloorSevenAndSave(long sensitivityRow) {
    auto& d = platform::UserDefaults::standard();
    (void)d.setInteger(1, TarneloBLEKeys::shouldAllowPunch);
    (void)d.setString(kKey, TarneloBLEKeys::encryptionKey);
    open({building("Tower", Floors{{"Five", "5"}, {"Ground", "G"}}, numbered(7))});
    runFor(TarneloBLE::kBeaconSetupDelay + 0.1);
    tapSelectable(3);
    pump();

    auto gear = std::dynamic_pointer_cast<uikit::Button>(screen->navigationItem().rightBarButtonItem()->customView);
    ASSERT_TRUE(gear);
    ASSERT_TRUE(gear->tap());
    runFor(0.5);
    auto settings = std::dynamic_pointer_cast<SensitivityVC>(nav->topViewController());
    ASSERT_TRUE(settings);
    auto input = TextFieldInput::of(settings->txtBuilding());
    input->pickerViewDidSelectRowInComponent(*input->pickerView(), sensitivityRow, 0);
    input->btnDoneTapped();
    ASSERT_TRUE(settings->btnSave()->tap());
    runFor(1.0);
    ASSERT_EQ(nav->topViewController(), screen) << "saving returns to the floors";
    runFor(TarneloBLE::kBeaconSetupDelay + 0.1);
  }

  // A family "07" reader with tap-and-go flag 1, heard at -62 dBm.
  void advertiseAtMinus62() {
    corebluetooth::CBRadio::shared().advertise(
        "R1",
        {{corebluetooth::CBAdvertisementDataManufacturerDataKey,
          platform::Value(platform::Bytes{0x4C, 0x00, 0x00, 0x05, 0x00, 0x07, 0x1F})},
         {corebluetooth::CBAdvertisementDataServiceUUIDsKey,
          platform::Value(platform::Value::Array{platform::Value(TarneloBLE::kServiceUUID)})}},
        -62);
    pump();
  }

  std::unique_ptr<corebluetooth::ReaderEmulator> reader_;
};

TEST_F(FloorPunchTest, HighSensitivityPunchesTheChosenFloor) {
  auto& reader = addReader();
  reader.expect({123456, 0, 0, 7});
  chooseFloorSevenAndSave(2);
  EXPECT_EQ(TarneloBLE::shared().sensitityLevel, 3);
  advertiseAtMinus62();
  ASSERT_EQ(reader.received().size(), 1u);
  EXPECT_EQ(reader.acceptedCount(), 1) << reader.received()[0].reason;
  EXPECT_EQ(reader.received()[0].punch.selected, 7);
  EXPECT_EQ(reader.received()[0].punch.destination, 0);
  EXPECT_EQ(reader.received()[0].punch.boarding, 0);
  EXPECT_EQ(reader.received()[0].punch.tag, 123456);
}

TEST_F(FloorPunchTest, LowSensitivityLeavesTheSameReaderAlone) {
  auto& reader = addReader();
  chooseFloorSevenAndSave(0);
  EXPECT_EQ(TarneloBLE::shared().sensitityLevel, 1);
  advertiseAtMinus62();
  EXPECT_TRUE(reader.received().empty());
  EXPECT_EQ(corebluetooth::CBRadio::shared().connectCount("R1"), 0);
}

}  // namespace
}  // namespace screens_test
