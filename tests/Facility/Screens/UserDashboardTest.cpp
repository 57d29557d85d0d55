#include <optional>
#include <string>
#include <vector>

#include "Facility/Screens/DeviceCellNew.h"
#include "Facility/Screens/FloorSelectionVC.h"
#include "Facility/Screens/InviteUserVC.h"
#include "Facility/Screens/TenantAssignAccessVC.h"
#include "Facility/Screens/StoryboardName.h"
#include "Facility/Widgets/CollapsingConstraints.h"
#include "Facility/Widgets/TextFieldInput.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "tests/Facility/Screens/UserDashboardFixture.h"

namespace screens_test {
namespace {

using Dashboard = DataResponse<MDLUserDashboard>;
using BaseVisitor = DataResponse<MDLBaseVisitor>;

template <class R>
DataResponse<R> reply(const std::string& json) {
  HTTPExchange exchange;
  exchange.response = HTTPURLResponse{200, "", {}};
  exchange.data = json;
  return DataResponse<R>::decode(exchange);
}

std::optional<std::int64_t> storedInt(const char* key) {
  auto& d = platform::UserDefaults::standard();
  if (!d.objectForKey(key)) return std::nullopt;
  return d.integerObjectForKey(key);
}

class UserDashboardTest : public UserDashboardFixture {
 protected:
  // Pulls the page down as a person does and lets everything settle.
  void pullToRefresh() {
    auto d = dashboard();
    ASSERT_TRUE(d);
    d->refreshControl->userPull();
    pump();
  }
  int pathCount(const std::string& path) {
    int n = 0;
    for (const auto& r : server_.requests()) n += r.path == path ? 1 : 0;
    return n;
  }
  void tapDoor(long item) {
    auto carousel = dashboard()->colViewDevice();
    carousel->layoutIfNeeded();
    ASSERT_TRUE(carousel->userSelectItem(uikit::IndexPath::forItem(item, 0)));
  }
  static std::shared_ptr<uikit::Control> findControl(const std::shared_ptr<uikit::View>& root, const std::string& id) {
    if (!root) return nullptr;
    if (auto control = std::dynamic_pointer_cast<uikit::Control>(root); control && root->accessibilityIdentifier() == id)
      return control;
    for (const auto& sub : root->subviews()) {
      if (auto found = findControl(sub, id)) return found;
    }
    return nullptr;
  }
  // A person taps the dashboard's button with that identifier.
  void tapButton(const std::string& id) {
    auto button = findControl(dashboard()->view(), id);
    ASSERT_TRUE(button) << id;
    ASSERT_TRUE(button->tap()) << id;
    pump();
  }
  // What a stand-in screen prints of the values it was handed.
  // Moves the clock in small steps until the toast shows (at most 2 s).
  bool runUntilToast(const std::string& message) {
    for (int step = 0; step < 40; ++step) {
      if (toastShows(message)) return true;
      if (!clock_->runFor(0.05)) return false;
    }
    return toastShows(message);
  }
  bool loaderShowsConnecting() {
    auto& loader = AppLoader::shared();
    return loader.isAnimating && loader.messageLabel && text(loader.messageLabel) == "Connecting...";
  }
};

TEST_F(UserDashboardTest, AppearanceWithoutStoredFloorsFillsTheCardsAndHandsTheServerValuesToTheEngine) {
  openDashboard([] {
    removeFloorKeys();
    (void)defaults().removeObjectForKey("sensitivity");
  });
  auto d = dashboard();
  ASSERT_TRUE(d);
  EXPECT_EQ(pathCount(kDashboardPath), 1);
  EXPECT_EQ(pathCount(kBaseVisitorPath), 1);
  for (const auto& r : server_.requests()) EXPECT_EQ(r.method, "GET") << r.path;

  EXPECT_EQ(text(d->lbUsername()), "Hi Asha,");
  EXPECT_EQ(text(d->lbID()), "ID: 4321");
  EXPECT_EQ(text(d->lbMobileNumber()), "Mobile: XXXXX43210");
  EXPECT_EQ(text(d->lbCar()), "2");
  EXPECT_EQ(text(d->lbBike()), "1");
  EXPECT_FALSE(d->vwInviteVisitor()->isHidden());
  EXPECT_FALSE(d->vwBleCard()->isHidden());
  ASSERT_TRUE(d->arrBuilding);
  ASSERT_EQ(d->arrBuilding->size(), 1u);
  ASSERT_EQ(d->arrCategories.size(), 1u);
  EXPECT_EQ(d->arrCategories[0].text, std::optional<std::string>("Guest"));
  EXPECT_EQ(d->tagId, std::optional<std::string>("4321"));

  // The six keys: the first checked up entry is the destination, the first
  // checked down entry the selected floor, boarding 0, and level 1 while no
  // sensitivity was ever chosen.
  EXPECT_EQ(defaults().stringObjectForKey(TarneloBLEKeys::tagId), std::optional<std::string>("4321"));
  EXPECT_EQ(storedInt(TarneloBLEKeys::shouldAllowPunch), 1);
  EXPECT_EQ(storedInt(TarneloBLEKeys::destinationFloor), 5);
  EXPECT_EQ(storedInt(TarneloBLEKeys::selectedFloor), 4);
  EXPECT_EQ(storedInt(TarneloBLEKeys::boardingFloor), 0);
  EXPECT_EQ(storedInt(TarneloBLEKeys::sensitivity), 1);
  // The engine took them (it reads the stored keys) and scans.
  EXPECT_EQ(engine().tagId, "4321");
  EXPECT_EQ(engine().tapAndGoDestinationFloor, 5);
  EXPECT_EQ(engine().tapAndGoSelectedFloor, 4);
  EXPECT_EQ(engine().tapAndGoBoardingFloor, 0);
  EXPECT_TRUE(engine().centralManager);
  EXPECT_EQ(engine().bleManagerDelegate(), std::static_pointer_cast<BleManagerDelegate>(d));
}

TEST_F(UserDashboardTest, DashboardReplyTable) {
  openDashboard();
  auto d = dashboard();
  ASSERT_TRUE(d);
  struct Case {
    const char* name;
    const char* json;
    const char* greeting;
    const char* id;
    const char* mobile;  // the label was "before"
    bool cardHidden;
    std::optional<std::string> tag;  // tagId afterwards (it starts as "4321")
  };
  const std::vector<Case> cases{
      {"name and tag", R"({"IsSuccess":true,"Name":"Ravi","TagId":"77","Mobile":"123456"})", "Hi Ravi,", "ID: 77",
       "Mobile: XXXXX23456", false, "77"},
      {"no name, no tag", R"({"IsSuccess":true,"Mobile":"12345"})", "Hi there,", "ID:", "before", true, "4321"},
      {"blank tag", R"({"IsSuccess":true,"Name":"Ravi","TagId":" "})", "Hi Ravi,", "ID:", "before", true, "4321"},
      {"tag with line break only", R"({"IsSuccess":true,"TagId":"\n"})", "Hi there,", "ID:", "before", true, "4321"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    d->tagId = "4321";
    d->lbMobileNumber()->setText(std::string("before"));
    CollapsingConstraints::setHiddenCollapsing(d->vwBleCard(), false, uikit::LayoutAttribute::kHeight);
    UserDashboardVC::handleDashboardReply(d, reply<MDLUserDashboard>(c.json));
    EXPECT_EQ(text(d->lbUsername()), c.greeting);
    EXPECT_EQ(text(d->lbID()), c.id);
    EXPECT_EQ(text(d->lbMobileNumber()), c.mobile);
    EXPECT_EQ(d->vwBleCard()->isHidden(), c.cardHidden);
    if (c.cardHidden) {
      EXPECT_TRUE(CollapsingConstraints::storedSize(d->vwBleCard()).has_value());
    }
    EXPECT_EQ(d->tagId, c.tag);
    EXPECT_TRUE(d->vwInviteVisitor()->isHidden()) << "IsInviteVisitor absent";
  }
}

TEST_F(UserDashboardTest, TapAndGoReplyTakesTheFirstCheckedEntryAndZeroForAnythingElse) {
  openDashboard();
  auto d = dashboard();
  ASSERT_TRUE(d);
  struct Case {
    const char* name;
    const char* lists;
    std::int64_t destination;
    std::int64_t selected;
  };
  const std::vector<Case> cases{
      {"two checked", R"("DefaultUpList":[{"IsChecked":true,"Value":"3"},{"IsChecked":true,"Value":"8"}])", 3, 0},
      {"letter", R"("DefaultUpList":[{"IsChecked":true,"Value":"5a"}],"DefaultDownList":[{"IsChecked":true,"Value":"x"}])",
       0, 0},
      {"none checked", R"("DefaultUpList":[{"IsChecked":false,"Value":"3"}],"DefaultDownList":[{"Value":"2"}])", 0, 0},
      {"checked without value", R"("DefaultUpList":[{"IsChecked":true}],"DefaultDownList":[{"IsChecked":true,"Value":"-2"}])",
       0, -2},
      {"empty value", R"("DefaultDownList":[{"IsChecked":true,"Value":""}])", 0, 0},
      {"absent lists", R"("Message":"x")", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    removeFloorKeys();
    UserDashboardVC::handleBaseVisitorReply(
        d, reply<MDLBaseVisitor>(std::string(R"({"IsSuccess":true,"TagId":"55",)") + c.lists + "}"),
        UserDashboardVC::ReplyVariant::appearance);
    EXPECT_EQ(storedInt(TarneloBLEKeys::destinationFloor), c.destination);
    EXPECT_EQ(storedInt(TarneloBLEKeys::selectedFloor), c.selected);
    EXPECT_EQ(storedInt(TarneloBLEKeys::boardingFloor), 0);
    EXPECT_EQ(defaults().stringObjectForKey(TarneloBLEKeys::tagId), std::optional<std::string>("55"));
    EXPECT_EQ(d->tagId, std::optional<std::string>("55"));
  }
  // An empty tag is still a tag: the keys are written; an absent one writes nothing.
  removeFloorKeys();
  UserDashboardVC::handleBaseVisitorReply(d, reply<MDLBaseVisitor>(R"({"IsSuccess":true,"TagId":""})"),
                                          UserDashboardVC::ReplyVariant::appearance);
  EXPECT_EQ(defaults().stringObjectForKey(TarneloBLEKeys::tagId), std::optional<std::string>(""));
  EXPECT_EQ(storedInt(TarneloBLEKeys::boardingFloor), 0);
  removeFloorKeys();
  UserDashboardVC::handleBaseVisitorReply(d, reply<MDLBaseVisitor>(R"({"IsSuccess":true})"),
                                          UserDashboardVC::ReplyVariant::appearance);
  EXPECT_FALSE(d->tagId);
  EXPECT_EQ(storedInt(TarneloBLEKeys::boardingFloor), std::nullopt);
  EXPECT_EQ(d->arrCategories.size(), 1u) << "no category list keeps the earlier one";
}

TEST_F(UserDashboardTest, FailedRepliesChangeNothingOnTheScreen) {
  openDashboard();
  auto d = dashboard();
  ASSERT_TRUE(d);
  UserDashboardVC::handleDashboardReply(d, reply<MDLUserDashboard>(R"({"IsSuccess":false,"Message":"Nope","Name":"X"})"));
  pump();
  EXPECT_TRUE(toastShows("Nope"));
  EXPECT_EQ(text(d->lbUsername()), "Hi Asha,");
  UserDashboardVC::handleDashboardReply(d, reply<MDLUserDashboard>("not json"));
  pump();
  auto alert = alertOnScreen();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->alertTitle(), std::optional<std::string>("Sorry"));
  EXPECT_EQ(text(d->lbUsername()), "Hi Asha,");
}

TEST_F(UserDashboardTest, PollFillsTheCarouselAndThePageControlFollowsTheDoorCount) {
  openDashboard();
  auto d = dashboard();
  ASSERT_TRUE(d);
  addReader("A");
  pump();
  runFor(UserDashboardVC::kPollInterval);
  EXPECT_EQ(doorNames(), std::vector<std::string>{"Door A"});
  EXPECT_TRUE(d->pageControl()->isHidden()) << "one door";
  EXPECT_FALSE(d->vwDevice()->isHidden());
  ASSERT_EQ(d->colViewDevice()->numberOfItemsInSection(0), 1);
  d->colViewDevice()->layoutIfNeeded();
  auto cell = std::dynamic_pointer_cast<DeviceCellNew>(d->colViewDevice()->cellForItemAtIndexPath({0, 0}));
  ASSERT_TRUE(cell);
  EXPECT_EQ(text(cell->lbDeviceName.lock()), "Door A");

  addReader("B");
  pump();
  runFor(UserDashboardVC::kPollInterval);
  EXPECT_EQ(doorNames().size(), 2u);
  EXPECT_FALSE(d->pageControl()->isHidden());
  EXPECT_EQ(d->pageControl()->numberOfPages(), 2);

  // An empty list hides the card only while no tag is shown.
  struct Case {
    const char* id;
    bool hidden;
  };
  for (const Case& c : {Case{"ID: 4321", false}, Case{"ID:", true}}) {
    SCOPED_TRACE(c.id);
    d->vwDevice()->setHidden(false);
    d->lbID()->setText(std::string(c.id));
    d->onGetDeviceListSuccessWithSuccessMsg("", {});
    EXPECT_EQ(d->vwDevice()->isHidden(), c.hidden);
    EXPECT_TRUE(d->pageControl()->isHidden());
  }
}

TEST_F(UserDashboardTest, CarouselPageFollowsTheScrollAndKeepsItUnderOnePointWide) {
  openDashboard();
  auto d = dashboard();
  auto carousel = d->colViewDevice();
  d->onGetDeviceListSuccessWithSuccessMsg("", {{{"device_name", "A"}, {"unique_id", "A"}},
                                               {{"device_name", "B"}, {"unique_id", "B"}},
                                               {{"device_name", "C"}, {"unique_id", "C"}}});
  const double width = carousel->frame().width();
  carousel->setContentOffset({width * 1.4, 0});
  EXPECT_EQ(d->pageControl()->currentPage(), 1);
  carousel->setContentOffset({width * 1.6, 0});
  EXPECT_EQ(d->pageControl()->currentPage(), 2);
  carousel->setFrame(uikit::Rect(0, 0, 0.5, 170));
  carousel->setContentOffset({0, 0});
  EXPECT_EQ(d->pageControl()->currentPage(), 2) << "no page number without a whole point of width";
}

TEST_F(UserDashboardTest, TapPunchSendsTheTagWithFloorsZeroAndReportsSuccess) {
  openDashboard();
  auto d = dashboard();
  auto& reader = addReader("R1");
  reader.expect({4321, 0, 0, 0});
  pump();
  runFor(UserDashboardVC::kPollInterval);
  ASSERT_EQ(doorNames().size(), 1u);
  tapDoor(0);
  ASSERT_TRUE(runUntil([&] { return !reader.received().empty(); }));
  pump();
  ASSERT_EQ(reader.received().size(), 1u);
  EXPECT_TRUE(reader.received()[0].accepted) << reader.received()[0].reason;
  EXPECT_EQ(reader.received()[0].punch.tag, 4321);
  EXPECT_EQ(reader.received()[0].punch.destination, 0);
  EXPECT_EQ(reader.received()[0].punch.boarding, 0);
  EXPECT_EQ(reader.received()[0].punch.selected, 0);
  EXPECT_FALSE(AppLoader::shared().isAnimating);
  EXPECT_TRUE(uikit::PKHUD::sharedHUD().isVisible());
  EXPECT_TRUE(runUntilToast(BLESuccessMessage::commandSent));
  EXPECT_FALSE(uikit::PKHUD::sharedHUD().isVisible());
}

TEST_F(UserDashboardTest, LoaderGoesThreeSecondsAfterTheFirstOfTwoTaps) {
  openDashboard();
  addReader("R1");
  radio().script("R1")->connect = corebluetooth::CBRemoteScript::Connect::silence;
  pump();
  runFor(UserDashboardVC::kPollInterval);
  tapDoor(0);
  pump();
  EXPECT_TRUE(loaderShowsConnecting());
  runFor(1.0);
  tapDoor(0);
  pump();
  runFor(1.9);
  EXPECT_TRUE(loaderShowsConnecting());
  runFor(0.2);
  EXPECT_FALSE(AppLoader::shared().isAnimating);
}

TEST_F(UserDashboardTest, TapWithoutTagAlertsAndTagWithLetterToastsTheEngineError) {
  openDashboard();
  auto d = dashboard();
  addReader("R1");
  pump();
  runFor(UserDashboardVC::kPollInterval);
  d->tagId.reset();
  tapDoor(0);
  pump();
  auto alert = alertOnScreen();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->alertTitle(), std::optional<std::string>("Alert"));
  EXPECT_EQ(alert->message(), std::optional<std::string>("Tag id not found"));
  EXPECT_EQ(alert->displayedActionTitles(), std::vector<std::string>{"Ok"});
  runFor(0.3);
  EXPECT_TRUE(alert->pressActionWithTitle("Ok"));
  pump();
  EXPECT_TRUE(radio().writes().empty());

  d->tagId = "12a";
  tapDoor(0);
  pump();
  EXPECT_TRUE(toastShows(BleSdkError::fixed(16)->errorMessage()));
  EXPECT_FALSE(AppLoader::shared().isAnimating);
  EXPECT_TRUE(radio().writes().empty());
}

TEST_F(UserDashboardTest, EngineInitialisationOutcomes) {
  openDashboard();
  auto d = dashboard();
  // Without a stored engine key the engine fetches one.
  (void)defaults().removeObjectForKey(TarneloBLEKeys::encryptionKey);
  server_.setReply(kInitPath, {500, "down", "text/plain"});
  TarneloBLE::shared().initSdkWithApiURL(server_.baseURL(), "api-key-7");
  ASSERT_TRUE(runUntil([&] { return alertOnScreen() != nullptr; }));
  auto alert = alertOnScreen();
  EXPECT_EQ(alert->alertTitle(), std::optional<std::string>("Alert"));
  EXPECT_EQ(alert->displayedActionTitles(), std::vector<std::string>{"Okay"});
  runFor(0.3);
  EXPECT_TRUE(alert->pressActionWithTitle("Okay"));
  pump();

  server_.setJsonReply(kInitPath, std::string(R"({"key":")") + kServerKey + R"("})");
  addReader("R1");
  pump();
  const int reloads = d->colViewDevice()->reloadCount();
  TarneloBLE::shared().initSdkWithApiURL(server_.baseURL(), "api-key-7");
  ASSERT_TRUE(runUntil([&] { return toastShows(BLESuccessMessage::initialised); }));
  EXPECT_TRUE(engine().isTapAndGoEnabled);
  EXPECT_GT(d->colViewDevice()->reloadCount(), reloads) << "the device list is asked for at once";
  EXPECT_EQ(doorNames(), std::vector<std::string>{"Door R1"});
}

TEST_F(UserDashboardTest, BecomingActiveRefreshesOnlyWhileTheDashboardIsCurrent) {
  openDashboard();
  auto d = dashboard();
  EXPECT_EQ(delegate()->currentController, std::static_pointer_cast<uikit::ViewController>(d));
  auto post = [] {
    platform::NotificationCenter::defaultCenter().post(uikit::kApplicationDidBecomeActiveNotification, {});
  };
  server_.clearRequests();
  post();
  pump();
  EXPECT_EQ(pathCount(kDashboardPath), 1);
  EXPECT_EQ(pathCount(kBaseVisitorPath), 1);

  tapButton("btnInviteVisitor");
  EXPECT_EQ(topScreenName(), "InviteUserVC");
  EXPECT_FALSE(delegate()->currentController);
  server_.clearRequests();
  post();
  pump();
  EXPECT_EQ(pathCount(kDashboardPath), 0);
  EXPECT_EQ(pathCount(kBaseVisitorPath), 0);
}

TEST_F(UserDashboardTest, OfflineRefreshReinitialisesScansAndEndsRefreshingTwice) {
  openDashboard();
  auto d = dashboard();
  engine().stopScan();
  NetworkReachability::shared().isNetworkReachable = false;
  server_.clearRequests();
  d->refreshControl->userPull();
  EXPECT_TRUE(d->refreshControl->isRefreshing());
  pump();
  EXPECT_FALSE(d->refreshControl->isRefreshing());
  EXPECT_TRUE(engine().centralManager) << "scanning again";
  d->refreshControl->beginRefreshing();
  runFor(UserDashboardVC::kOfflineRefreshEndDelay);
  EXPECT_FALSE(d->refreshControl->isRefreshing()) << "ended once more a second later";
  EXPECT_EQ(server_.requestCount(), 0u);
}

TEST_F(UserDashboardTest, RoleSwitchRebuildsTheRootForTheChosenRole) {
  signInAndConnect({std::nullopt, "T"});
  auto d = dashboard();
  ASSERT_TRUE(d);
  d->onRightButtonTapped();
  pump();
  auto nav = navigation();
  auto switcher = std::dynamic_pointer_cast<SwitchUserVC>(nav->viewControllers().back());
  ASSERT_TRUE(switcher);
  EXPECT_EQ(switcher->userSelectionDelegate.lock(), std::static_pointer_cast<UserSelectionDelegate>(d));
  auto field = switcher->txtDropDown();
  auto input = TextFieldInput::of(field);
  ASSERT_TRUE(field->becomeFirstResponder());
  ASSERT_TRUE(input->pickerView()->userSelectRow(1, 0));
  input->btnDoneTapped();
  runFor(SwitchUserVC::kReturnDelay);
  pump();
  EXPECT_EQ(topScreenName(), "TenantDashboardVC");
  EXPECT_EQ(delegate()->userType, std::optional<UserType>(UserType::TenantAdmin));
}

TEST_F(UserDashboardTest, CardsPushTheirScreensWithTheDashboardsValues) {
  openDashboard();
  auto d = dashboard();
  auto nav = navigation();
  tapButton("btnInviteVisitor");
  auto invite = std::dynamic_pointer_cast<InviteUserVC>(nav->viewControllers().back());
  ASSERT_TRUE(invite);
  ASSERT_EQ(invite->arrCategories.size(), 1u);
  EXPECT_EQ(invite->arrCategories[0].text, std::optional<std::string>("Guest"));
  EXPECT_EQ(invite->arrCategories[0].value, std::optional<std::string>("2"));
  nav->popViewController(false);
  pump();

  tapButton("btnBleTag");
  auto floors = std::dynamic_pointer_cast<FloorSelectionVC>(nav->viewControllers().back());
  if (uikit::Storyboard::named("User") && Storyboards::instantiateScreen(StoryboardName::user, "FloorSelectionVC")) {
    ASSERT_TRUE(floors);
    EXPECT_EQ(floors->tagId, std::optional<std::string>("4321"));
    ASSERT_TRUE(floors->arrBuilding);
    EXPECT_EQ(floors->arrBuilding->size(), 1u);
  } else {
    EXPECT_FALSE(floors);
    EXPECT_EQ(nav->viewControllers().size(), 1u) << "a screen that cannot be made is not shown";
  }

  auto assign = std::dynamic_pointer_cast<TenantAssignAccessVC>(
      Storyboards::instantiateScreen(StoryboardName::tenantAdmin, "TenantAssignAccessVC"));
  ASSERT_TRUE(assign);
  assign->userId = "E1";
  assign->userName = "Meera";
  EXPECT_FALSE(assign->isFromUserDashboard) << "the tenant road";
}

// ---- the poll and the kept settings ----

TEST_F(UserDashboardTest, PollStopsWhileHiddenAndResumesOnReturn) {
  openDashboard();
  auto d = dashboard();
  auto nav = navigation();
  addReader("A");
  pump();
  runFor(UserDashboardVC::kPollInterval);
  ASSERT_EQ(doorNames().size(), 1u);

  tapButton("btnInviteVisitor");
  ASSERT_EQ(nav->viewControllers().size(), 2u);
  const int hiddenReloads = d->colViewDevice()->reloadCount();
  runFor(3 * UserDashboardVC::kPollInterval);
  EXPECT_EQ(d->colViewDevice()->reloadCount(), hiddenReloads) << "no poll while another screen is on top";

  addReader("B");
  advertise("A");
  nav->popViewController(false);
  pump();
  runFor(UserDashboardVC::kPollInterval);
  EXPECT_EQ(doorNames().size(), 2u) << "the poll runs again after coming back";
  runFor(UserDashboardVC::kPollInterval);
  EXPECT_GE(d->colViewDevice()->reloadCount(), hiddenReloads + 2);

  // The timer does not keep a replaced dashboard alive.
  std::weak_ptr<UserDashboardVC> old = d;
  d.reset();
  nav.reset();
  rebuildRoot();
  runFor(UserDashboardVC::kPollInterval);
  EXPECT_TRUE(old.expired());
}

TEST_F(UserDashboardTest, PullToRefreshKeepsAChosenSensitivity) {
  struct Case {
    const char* name;
    std::optional<platform::Value> stored;
    std::string textAfter;
    std::int64_t level;
  };
  const std::vector<Case> cases{
      {"chosen High", platform::Value("3"), "3", 3},
      {"chosen Medium", platform::Value("2"), "2", 2},
      {"absent", std::nullopt, "1", 1},
      {"not a number", platform::Value("high"), "1", 1},
      {"stored as a number, not text", platform::Value(std::int64_t{3}), "1", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    openDashboard();
    if (c.stored) {
      (void)defaults().setObject(*c.stored, "sensitivity");
    } else {
      (void)defaults().removeObjectForKey("sensitivity");
    }
    engine().sensitityLevel = 2;
    engine().isTapAndGoEnabled = false;
    server_.clearRequests();
    pullToRefresh();
    EXPECT_FALSE(dashboard()->refreshControl->isRefreshing());
    EXPECT_EQ(defaults().stringObjectForKey("sensitivity"), std::optional<std::string>(c.textAfter));
    EXPECT_EQ(storedInt(TarneloBLEKeys::sensitivity), c.level);
    EXPECT_EQ(engine().sensitityLevel, c.level);
    EXPECT_TRUE(engine().isTapAndGoEnabled);
    EXPECT_EQ(pathCount(kDashboardPath), 1);
    EXPECT_EQ(pathCount(kBaseVisitorPath), 1);
  }
}

TEST_F(UserDashboardTest, RefreshWhoseRequestsFailInTransportStillEnds) {
  openDashboard();
  auto d = dashboard();
  // A port nothing listens on any more: both transfers fail without a reply.
  Server gone;
  ASSERT_TRUE(gone.start());
  const std::string deadUrl = gone.baseURL();
  gone.stop();
  UserDefaultsAccess::setValue(platform::Value(deadUrl), UserDefaultsKey::serverUrl);
  engine().stopScan();
  engine().isTapAndGoEnabled = false;
  d->refreshControl->userPull();
  ASSERT_TRUE(runUntil([&] { return !d->refreshControl->isRefreshing(); }));
  pump();
  EXPECT_TRUE(engine().isTapAndGoEnabled);
  EXPECT_TRUE(engine().centralManager) << "scanning again";
  EXPECT_EQ(d->group.count(), 0);
}

TEST_F(UserDashboardTest, ChosenFloorsSurviveAppearanceAndRefreshUntilLogout) {
  openDashboard([] {
    (void)defaults().setInteger(7, TarneloBLEKeys::selectedFloor);
    (void)defaults().setInteger(0, TarneloBLEKeys::destinationFloor);
    (void)defaults().setInteger(0, TarneloBLEKeys::boardingFloor);
  });
  EXPECT_EQ(storedInt(TarneloBLEKeys::selectedFloor), 7) << "after an appearance";
  EXPECT_EQ(storedInt(TarneloBLEKeys::destinationFloor), 0);
  EXPECT_EQ(engine().tapAndGoSelectedFloor, 7);
  server_.clearRequests();
  pullToRefresh();
  EXPECT_EQ(pathCount(kBaseVisitorPath), 1);
  EXPECT_EQ(storedInt(TarneloBLEKeys::selectedFloor), 7) << "after a pull-to-refresh";
  EXPECT_EQ(storedInt(TarneloBLEKeys::destinationFloor), 0);

  delegate()->logout(false);
  pump();
  EXPECT_EQ(storedInt(TarneloBLEKeys::selectedFloor), std::nullopt);
  // Signing in again: the server's defaults are stored.
  (void)defaults().setInteger(kEmployee, "empid");
  rebuildRoot();
  ASSERT_TRUE(dashboard());
  EXPECT_EQ(storedInt(TarneloBLEKeys::selectedFloor), 4);
  EXPECT_EQ(storedInt(TarneloBLEKeys::destinationFloor), 5);
  EXPECT_EQ(storedInt(TarneloBLEKeys::boardingFloor), 0);
}

}  // namespace
}  // namespace screens_test
