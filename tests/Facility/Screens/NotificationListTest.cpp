#include <optional>
#include <string>
#include <vector>

#include "Facility/Screens/FacilityAdminNotificationCell.h"
#include "Facility/Screens/FacilityAdminNotificationListVC.h"
#include "Facility/Screens/StoryboardName.h"
#include "Facility/Widgets/AppLoader.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "Facility/Widgets/HexColor.h"
#include "Platform/UIKit/Font.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/PullToRefreshView.h"
#include "tests/Facility/Screens/ScreensFixture.h"

namespace screens_test {
namespace {

constexpr const char* kNotificationListPath = "/api/Notification/GetBroadCastNotification";

using Reply = testsupport::FacilityTestServer::Reply;

Reply json(const std::string& body) { return Reply(200, body); }

// Two notifications in the server's order, every field present.
const char* kTwoRows =
    R"({"IsSuccess":true,"Message":"ok","BroadCastNotificationList":[)"
    R"({"Notifications":"GATE CLOSED today","MessageBody":"Use the side gate.","SentDate":"11/12/2026",)"
    R"("FromData":"Admin","SentTime":"09:00","BroadCastMasterID":4,"AudienceViewerID":9,"VIEWED":false},)"
    R"({"Notifications":"lift service","MessageBody":"Lift B is off.","SentDate":"10/12/2026"}]})";

struct Row {
  std::string title;
  std::string message;
  std::string date;
  friend bool operator==(const Row&, const Row&) = default;
};
std::ostream& operator<<(std::ostream& os, const Row& r) {
  return os << "{" << r.title << " | " << r.message << " | " << r.date << "}";
}

const std::vector<Row> kTwoRowsShown = {{"Gate Closed Today", "Use the side gate.", "11/12/2026"},
                                        {"Lift Service", "Lift B is off.", "10/12/2026"}};

class NotificationListTest : public ScreensFixture {
 protected:
  void TearDown() override {
    screen.reset();
    nav.reset();
    for (const auto& [name, width, weight] : droppedFonts_) uikit::Font::registerFont(name, width, weight);
    droppedFonts_.clear();
    ScreensFixture::TearDown();
  }

  // Signed in, a plain screen at the bottom of a navigation stack.
  void signIn() {
    signInAndConnect();
    freshStack();
  }

  void freshStack() {
    nav = uikit::NavigationController::withRoot(std::make_shared<uikit::ViewController>());
    delegate()->window()->setRootViewController(nav);
    screen.reset();
    pump();
    // Lets any earlier toast finish, so toastOnScreen() sees only new ones.
    runFor(AppToastAlert::kVisibleDuration + 2 * AppToastAlert::kFadeDuration + 0.1);
    server_.clearRequests();
    loaderCalls_.clear();
  }

  // Pushes the list as the dashboards do and lets its first request finish.
  void openList() {
    screen = std::dynamic_pointer_cast<FacilityAdminNotificationListVC>(
        Storyboards::instantiateScreen(StoryboardName::facilityAdmin, "FacilityAdminNotificationListVC"));
    ASSERT_TRUE(screen);
    ASSERT_TRUE(nav->pushViewController(screen, false));
    pump();
  }

  // A person's pull on the list; waits for what it started.
  void pull() {
    auto table = screen->tblNotifList();
    ASSERT_TRUE(table);
    table->triggerPullToRefresh();
    pump();
  }

  std::shared_ptr<FacilityAdminNotificationCell> cellAt(long row) {
    return std::dynamic_pointer_cast<FacilityAdminNotificationCell>(
        screen->tblNotifList()->cellForRowAtIndexPath(uikit::IndexPath::forRow(row, 0)));
  }

  // The rows the table shows, read from its cells.
  std::vector<Row> shownRows() {
    std::vector<Row> rows;
    auto table = screen->tblNotifList();
    for (long i = 0; i < table->numberOfRowsInSection(0); ++i) {
      auto cell = cellAt(i);
      if (!cell) {
        rows.push_back({"<no cell>", "", ""});
        continue;
      }
      rows.push_back({cell->lblTitle()->text().value_or("<nil>"), cell->lblNotifMsg()->text().value_or("<nil>"),
                      cell->lblDate()->text().value_or("<nil>")});
    }
    return rows;
  }

  static std::optional<std::string> toastOnScreen() {
    if (!AppToastAlert::containerView()->superview()) return std::nullopt;
    return AppToastAlert::messageLabel()->text().value_or("");
  }

  std::optional<std::string> alertMessage() {
    auto alert = alertOnScreen();
    if (!alert) return std::nullopt;
    return alert->alertTitle().value_or("") + ": " + alert->message().value_or("");
  }

  bool refreshing() {
    auto pullView = screen->tblNotifList()->pullToRefreshView();
    return pullView && pullView->state() != uikit::PullToRefreshState::kStopped;
  }

  void dropFont(const std::string& name, double widthEm, uikit::FontWeight weight) {
    ASSERT_TRUE(uikit::Font::unregisterFont(name));
    droppedFonts_.emplace_back(name, widthEm, weight);
  }

  std::shared_ptr<uikit::NavigationController> nav;
  std::shared_ptr<FacilityAdminNotificationListVC> screen;
  std::vector<std::tuple<std::string, double, uikit::FontWeight>> droppedFonts_;
};

// The first reply loads the rows; the pull's reply decides what follows.
TEST_F(NotificationListTest, ReplyTable) {
  struct Case {
    const char* name;
    std::vector<Reply> replies;  // load, then pull
    std::vector<Row> rows;       // after the pull
    std::optional<std::string> toast;
    std::optional<std::string> alertPrefix;
  };
  const Case cases[] = {
      {"non-empty list replaces the rows in the server's order",
       {json(kTwoRows),
        json(R"({"IsSuccess":true,"BroadCastNotificationList":[)"
             R"({"Notifications":"b","MessageBody":"2","SentDate":"d2"},)"
             R"({"Notifications":"a","MessageBody":"1","SentDate":"d1"},)"
             R"({"Notifications":"c","MessageBody":"3","SentDate":"d3"}]})")},
       {{"B", "2", "d2"}, {"A", "1", "d1"}, {"C", "3", "d3"}},
       std::nullopt,
       std::nullopt},
      // Notifications withdrawn on the server leave the list.
      {"empty list after rows empties it",
       {json(kTwoRows), json(R"({"IsSuccess":true,"BroadCastNotificationList":[]})")},
       {},
       "No notification found.",
       std::nullopt},
      {"absent list changes nothing",
       {json(kTwoRows), json(R"({"IsSuccess":true,"Message":"ok"})")},
       kTwoRowsShown,
       std::nullopt,
       std::nullopt},
      {"null list is absent",
       {json(kTwoRows), json(R"({"IsSuccess":true,"BroadCastNotificationList":null})")},
       kTwoRowsShown,
       std::nullopt,
       std::nullopt},
      {"failure with message",
       {json(kTwoRows), json(R"({"IsSuccess":false,"Message":"Server busy","BroadCastNotificationList":[]})")},
       kTwoRowsShown,
       "Server busy",
       std::nullopt},
      {"failure without message shows an empty toast",
       {json(kTwoRows), json(R"({"IsSuccess":false})")},
       kTwoRowsShown,
       "",
       std::nullopt},
      {"success flag absent counts as failure",
       {json(kTwoRows), json(R"({"Message":"No flag","BroadCastNotificationList":[{"Notifications":"x"}]})")},
       kTwoRowsShown,
       "No flag",
       std::nullopt},
      {"undecodable body",
       {json(kTwoRows), Reply(200, "<html>oops</html>", "text/html")},
       kTwoRowsShown,
       std::nullopt,
       "Sorry: Response could not be decoded"},
      {"wrong type for the list",
       {json(kTwoRows), json(R"({"IsSuccess":true,"BroadCastNotificationList":"none"})")},
       kTwoRowsShown,
       std::nullopt,
       "Sorry: Response could not be decoded"},
      {"empty body",
       {json(kTwoRows), Reply(200, "")},
       kTwoRowsShown,
       std::nullopt,
       "Sorry: Response could not be serialized"},
  };
  signIn();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    freshStack();
    server_.setReplies(kNotificationListPath, c.replies);
    openList();
    ASSERT_EQ(shownRows(), kTwoRowsShown);
    EXPECT_EQ(toastOnScreen(), std::nullopt);
    runFor(AppToastAlert::kVisibleDuration + 2 * AppToastAlert::kFadeDuration + 0.1);

    pull();
    EXPECT_EQ(shownRows(), c.rows);
    EXPECT_EQ(screen->arrNotifications.size(), c.rows.size());
    EXPECT_EQ(toastOnScreen(), c.toast);
    auto alert = alertMessage();
    if (c.alertPrefix) {
      ASSERT_TRUE(alert);
      EXPECT_EQ(alert->rfind(*c.alertPrefix, 0), 0u) << *alert;
    } else {
      EXPECT_EQ(alert, std::nullopt);
    }
    EXPECT_FALSE(refreshing());
    EXPECT_FALSE(AppLoader::shared().isAnimating);
    EXPECT_EQ(loaderCalls_, (std::vector<std::string>{"show", "hide", "show", "hide"}));
    auto requests = server_.requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const auto& r : requests) {
      EXPECT_EQ(r.method, "GET");
      EXPECT_EQ(r.target, kNotificationListPath);
      EXPECT_EQ(r.header("Authorization"), "Bearer token-7");
    }
  }
}

TEST_F(NotificationListTest, FirstEmptyListShowsTheToastOverNoRows) {
  signIn();
  server_.setJsonReply(kNotificationListPath, R"({"IsSuccess":true,"BroadCastNotificationList":[]})");
  openList();
  EXPECT_EQ(shownRows(), std::vector<Row>{});
  EXPECT_EQ(toastOnScreen(), "No notification found.");
  EXPECT_EQ(AppToastAlert::containerView()->superview(), screen->view());
}

TEST_F(NotificationListTest, TitlesAreCapitalisedPerWordAndMissingFieldsShowEmpty) {
  signIn();
  server_.setJsonReply(kNotificationListPath, R"({"IsSuccess":true,"BroadCastNotificationList":[)"
                                  R"({"Notifications":"GATE CLOSED today","MessageBody":"KEEP as SENT","SentDate":"2026-12-11T09:00:00"},)"
                                  R"({"Notifications":"x-ray ROOM\nnew HOURS","SentDate":""},)"
                                  R"({"MessageBody":"no title"},)"
                                  R"({}]})");
  openList();
  EXPECT_EQ(shownRows(), (std::vector<Row>{{"Gate Closed Today", "KEEP as SENT", "2026-12-11T09:00:00"},
                                           {"X-ray Room\nNew Hours", "", ""},
                                           {"", "no title", ""},
                                           {"", "", ""}}));
}

// A reloaded table hands out its old cells again: a missing field must not
// leave the previous notification's text behind.
TEST_F(NotificationListTest, ReusedCellsDropTheTextOfMissingFields) {
  signIn();
  server_.setReplies(kNotificationListPath, {json(kTwoRows), json(R"({"IsSuccess":true,"BroadCastNotificationList":[{},{}]})")});
  openList();
  auto first = cellAt(0);
  ASSERT_EQ(shownRows(), kTwoRowsShown);
  pull();
  EXPECT_EQ(shownRows(), (std::vector<Row>{{"", "", ""}, {"", "", ""}}));
  bool reused = cellAt(0) == first || cellAt(1) == first;
  EXPECT_TRUE(reused) << "the table should recycle its cells";
}

TEST_F(NotificationListTest, CellLookWithTheAppFontsAndWithoutOne) {
  signIn();
  server_.setJsonReply(kNotificationListPath, kTwoRows);
  openList();
  auto check = [&](const char* titleFont, bool titleSystem) {
    auto cell = cellAt(0);
    ASSERT_TRUE(cell);
    struct Expect {
      const char* name;
      std::shared_ptr<uikit::Label> label;
      std::string font;
      bool system;
      double size;
      uikit::TextAlignment alignment;
    };
    const Expect expects[] = {
        {"title", cell->lblTitle(), titleFont, titleSystem, 14, uikit::TextAlignment::kLeft},
        {"message", cell->lblNotifMsg(), "Gotham-Book", false, 13, uikit::TextAlignment::kLeft},
        {"date", cell->lblDate(), "Gotham-Book", false, 12, uikit::TextAlignment::kRight},
    };
    for (const auto& e : expects) {
      SCOPED_TRACE(e.name);
      ASSERT_TRUE(e.label);
      EXPECT_EQ(e.label->font().isSystemFont(), e.system);
      if (!e.system) {
        EXPECT_EQ(e.label->font().fontName(), e.font);
      }
      EXPECT_EQ(e.label->font().pointSize(), e.size);
      EXPECT_EQ(e.label->textAlignment, e.alignment);
      EXPECT_EQ(e.label->numberOfLines(), 0);
      EXPECT_EQ(e.label->textColor(), HexColor::colorWithHexString("#707070"));
    }
    auto container = cell->containerView();
    ASSERT_TRUE(container);
    EXPECT_EQ(container->backgroundColor(), uikit::Color::white());
    EXPECT_EQ(container->layer().cornerRadius, 4.0);
    EXPECT_EQ(container->layer().shadowColor, uikit::Color::black());
    EXPECT_EQ(container->layer().shadowOffset.height, 2.0);
    EXPECT_NEAR(container->layer().shadowOpacity, 0.1, 1e-6);
    EXPECT_EQ(container->layer().shadowRadius, 4.0);
  };
  {
    SCOPED_TRACE("both faces present");
    check("Gotham-Medium", false);
  }

  // A phone without the medium face: the title falls back to the system
  // font of the same size; new cells are made from the prototype.
  dropFont("Gotham-Medium", 0.58, uikit::FontWeight::kMedium);
  freshStack();
  server_.setJsonReply(kNotificationListPath, kTwoRows);
  openList();
  {
    SCOPED_TRACE("medium face missing");
    check("", true);
  }
}

TEST_F(NotificationListTest, RowTapChangesNothing) {
  signIn();
  server_.setJsonReply(kNotificationListPath, kTwoRows);
  openList();
  auto table = screen->tblNotifList();
  const auto reloads = table->reloadCount();
  EXPECT_TRUE(table->userSelectRow(uikit::IndexPath::forRow(1, 0)));
  pump();
  runFor(1.0);
  EXPECT_EQ(shownRows(), kTwoRowsShown);
  EXPECT_EQ(table->reloadCount(), reloads);
  EXPECT_EQ(nav->viewControllers().size(), 2u);
  EXPECT_EQ(nav->topViewController(), screen);
  EXPECT_EQ(alertOnScreen(), nullptr);
  EXPECT_EQ(toastOnScreen(), std::nullopt);
  EXPECT_EQ(server_.requestCount(), 1u);
  auto tapped = cellAt(1);
  ASSERT_TRUE(tapped);
  EXPECT_EQ(tapped->selectionStyle, uikit::TableViewCellSelectionStyle::kNone);
}

// A pull whose request never gets a reply still ends its animation, with
// the rows left as they were, and the next pull is taken again.
TEST_F(NotificationListTest, PullEndsItsAnimationWhenTheRequestIsNotDelivered) {
  std::string closedURL;
  {
    Server closed;
    ASSERT_TRUE(closed.start());
    closedURL = closed.baseURL();
  }
  signIn();
  server_.setJsonReply(kNotificationListPath, kTwoRows);
  openList();
  ASSERT_EQ(shownRows(), kTwoRowsShown);
  auto pullView = screen->tblNotifList()->pullToRefreshView();
  ASSERT_TRUE(pullView);

  struct Case {
    const char* name;
    bool offline;
    std::string alertPrefix;
  };
  const Case cases[] = {
      {"transfer fails", false, "Sorry: "},
      {"offline", true, std::string("Sorry: ") + APIManager::kOfflineMessage},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.offline) {
      NetworkReachability::shared().isNetworkReachable = false;
    } else {
      UserDefaultsAccess::setValue(platform::Value(closedURL), UserDefaultsKey::serverUrl);
    }
    const int triggers = pullView->triggerCount();
    pull();
    EXPECT_EQ(pullView->triggerCount(), triggers + 1);
    EXPECT_FALSE(refreshing());
    EXPECT_FALSE(AppLoader::shared().isAnimating);
    EXPECT_EQ(shownRows(), kTwoRowsShown);
    auto alert = alertMessage();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->rfind(c.alertPrefix, 0), 0u) << *alert;

    NetworkReachability::shared().isNetworkReachable = true;
    UserDefaultsAccess::setValue(platform::Value(server_.baseURL()), UserDefaultsKey::serverUrl);
    runFor(1.0);  // the alert's presentation ends
    ASSERT_TRUE(alertOnScreen()->dismiss(false));
    pump();
  }

  // Back online, a pull reaches the server again.
  server_.clearRequests();
  const int triggers = pullView->triggerCount();
  pull();
  EXPECT_EQ(pullView->triggerCount(), triggers + 1);
  EXPECT_EQ(server_.requestCount(), 1u);
  EXPECT_FALSE(refreshing());
}

}  // namespace
}  // namespace screens_test
