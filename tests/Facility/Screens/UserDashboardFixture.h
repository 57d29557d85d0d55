// The signed-in app with the user dashboard as root, the process-wide access
// engine on a reset simulated radio, readers that verify every punch written
// to them, and scripted dashboard and tap-and-go replies.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Facility/BLE+MainMethods/TarneloBLE.h"
#include "Facility/BLE+MainMethods/TarneloBLEKeys.h"
#include "Facility/Screens/UserDashboardVC.h"
#include "Facility/Widgets/AppLoader.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "Platform/CoreBluetooth/CBRadio.h"
#include "Platform/CoreBluetooth/Haptics.h"
#include "Platform/CoreBluetooth/Simulation/ReaderEmulator.h"
#include "Platform/UIKit/NavigationController.h"
#include "tests/Facility/Screens/ScreensFixture.h"

namespace screens_test {

class UserDashboardFixture : public ScreensFixture {
 protected:
  static constexpr const char* kServerKey = "00112233445566778899aabbccddeeff";
  static constexpr const char* kDashboardPath = "/api/User/Dashboard";
  static constexpr const char* kBaseVisitorPath = "/api/User/BaseVisitor";
  static constexpr const char* kInitPath = "/api/Facility/Init";
  static constexpr const char* kDashboardReply =
      R"({"IsSuccess":true,"Name":"Asha","TagId":"4321","Mobile":"9876543210","CarSpace":"2","BikeSpace":"1",)"
      R"("IsInviteVisitor":true,"BuildingList":[{"Text":"North","Value":"1"}]})";
  static constexpr const char* kBaseVisitorReply =
      R"({"IsSuccess":true,"TagId":"4321","VisitorCategoryList":[{"Text":"Guest","Value":"2"}],)"
      R"("DefaultUpList":[{"IsChecked":false,"Value":"9"},{"IsChecked":true,"Value":"5"},{"IsChecked":true,"Value":"6"}],)"
      R"("DefaultDownList":[{"IsChecked":true,"Value":"4"}]})";

  void SetUp() override {
    ScreensFixture::SetUp();
    resetEngine();
    server_.setJsonReply(kDashboardPath, kDashboardReply);
    server_.setJsonReply(kBaseVisitorPath, kBaseVisitorReply);
    server_.setJsonReply(kInitPath, std::string(R"({"key":")") + kServerKey + R"("})");
  }

  void TearDown() override {
    dashboardWeak_.reset();
    ScreensFixture::TearDown();
    resetEngine();
  }

  static TarneloBLE& engine() { return TarneloBLE::shared(); }
  static corebluetooth::CBRadio& radio() { return corebluetooth::CBRadio::shared(); }
  static platform::UserDefaults& defaults() { return platform::UserDefaults::standard(); }

  // The one engine lives for the process: each test starts it idle.
  static void resetEngine() {
    auto& e = engine();
    e.stopScan();
    e.scannedDevices.clear();
    e.sensitityLevel = 2;
    e.isTapAndGoEnabled = true;
    e.setBleManagerDelegate({});
    radio().reset();
    corebluetooth::Haptics::shared().reset();
  }

  // Signs in (the root becomes the dashboard), gives the login record an
  // API key and the engine its key, then builds a fresh dashboard as root
  // from that state, after `prepare` has changed the stored state.
  void openDashboard(const std::function<void()>& prepare = nullptr) {
    signInAndConnect();
    auto record = LoginEntity::findByDictionary({{"empid", kEmployee}});
    ASSERT_TRUE(record);
    record->apikey = "api-key-7";
    CoreDataManager::shared().mainManagedObjectContext().saveChanges();
    (void)defaults().setString(kServerKey, TarneloBLEKeys::encryptionKey);
    if (prepare) prepare();
    rebuildRoot();
  }

  void rebuildRoot() {
    server_.clearRequests();
    loaderCalls_.clear();
    delegate()->setRootViewController();
    pump();
    dashboardWeak_ = dashboard();
  }

  std::shared_ptr<uikit::NavigationController> navigation() {
    return std::dynamic_pointer_cast<uikit::NavigationController>(delegate()->window()->rootViewController());
  }
  std::shared_ptr<UserDashboardVC> dashboard() {
    auto nav = navigation();
    if (!nav || nav->viewControllers().empty()) return nullptr;
    return std::dynamic_pointer_cast<UserDashboardVC>(nav->viewControllers().front());
  }

  static void removeFloorKeys() {
    for (const char* key : {TarneloBLEKeys::destinationFloor, TarneloBLEKeys::selectedFloor,
                            TarneloBLEKeys::boardingFloor}) {
      (void)defaults().removeObjectForKey(key);
    }
  }

  // A door reader in range (heard, yet too far for a tap-and-go punch at level 1) that checks the
  // frames written to it.
  corebluetooth::ReaderEmulator& addReader(const std::string& id, int rssi = -64) {
    emulators_.push_back(std::make_unique<corebluetooth::ReaderEmulator>(kServerKey, 0x00, 0x05, true));
    corebluetooth::CBRemoteScript s;
    s.identifier = id;
    s.name = id;
    s.services = {{TarneloBLE::kDorvaService, {TarneloBLE::kDorvaWrite, TarneloBLE::kDorvaSecond}}};
    s.onWrite = emulators_.back()->writeHandler();
    radio().addRemote(std::move(s));
    advertise(id, rssi);
    return *emulators_.back();
  }
  static void advertise(const std::string& id, int rssi = -64) {
    corebluetooth::AdvertisementData data{
        {corebluetooth::CBAdvertisementDataManufacturerDataKey,
         platform::Value(platform::Bytes{0x4C, 0x00, 0x00, 0x05, 0x00, 0x07, 0x1F})},
        {corebluetooth::CBAdvertisementDataServiceUUIDsKey,
         platform::Value(platform::Value::Array{platform::Value(TarneloBLE::kServiceUUID)})},
        {corebluetooth::CBAdvertisementDataLocalNameKey, platform::Value("Door " + id)}};
    radio().advertise(id, data, rssi);
  }

  // Texts of the carousel's visible cells, in item order.
  std::vector<std::string> doorNames() {
    std::vector<std::string> names;
    auto d = dashboard();
    if (!d) return names;
    for (const auto& door : d->arrDevices) names.push_back(door.count("device_name") ? door.at("device_name") : "");
    return names;
  }

  bool toastShows(const std::string& text) {
    auto label = AppToastAlert::messageLabel();
    auto container = AppToastAlert::containerView();
    return label && container && container->window() && label->text() == std::optional<std::string>(text);
  }
  static std::string text(const std::shared_ptr<uikit::Label>& label) {
    return label && label->text() ? *label->text() : std::string("<none>");
  }

  std::weak_ptr<UserDashboardVC> dashboardWeak_;
  std::vector<std::unique_ptr<corebluetooth::ReaderEmulator>> emulators_;
};

}  // namespace screens_test
